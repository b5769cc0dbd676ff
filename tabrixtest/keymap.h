/*
 * keymap.h - the host's keys as the library's events: which key sends
 * which key code, and which keys send a session command instead.
 */
#ifndef TABRIXTEST_KEYMAP_H
#define TABRIXTEST_KEYMAP_H

#include <cstdint>

/* One event for TabrixCont: event 0 sends nothing; event 1 is a key with
   its code in key; the other events are session commands, and their key
   is not used. */
struct KeyAction {
    uint8_t event;
    int8_t key;
};

/* The event of a pressed key, given as its Qt::Key code.  Qt reports the
   key's meaning, not its place: the keypad's digits, point and Enter come
   as the same codes as the main block's. */
KeyAction KeyMapQt(int qtKey);

#endif
