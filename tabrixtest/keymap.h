/*
 * keymap.h - the host's keys as the library's events: which key sends
 * which key code, and which keys send a session command instead.
 */
#ifndef TABRIXTEST_KEYMAP_H
#define TABRIXTEST_KEYMAP_H

#include <cstdint>

class QKeyEvent;

/* One event for TabrixCont: event 0 sends nothing; event 1 is a key with
   its code in key; the other events are session commands, and their key
   is not used. */
struct KeyAction {
    uint8_t event;
    int8_t key;
};

/* The event of a pressed key.  Editing and command keys count by what
   they are; every other key by the character it types in the user's
   layout, whatever its place on the keyboard or keypad.  Ctrl+S is the
   finish (save), and no other key held with Ctrl, Alt or Meta sends
   anything. */
KeyAction KeyMapEvent(const QKeyEvent &event);

#endif
