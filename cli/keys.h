/*
 * keys.h - the KEYS text of render and run: what an operator types, as
 * the session's events.
 *
 * A character stands for the key that types it, as the desktop host sends
 * it ("." and "," type the decimal point, key 43; "-" the minus sign, key
 * 63; a letter its capital); no key types "+", "=", "/" or "?".  Named
 * keys stand in angle brackets: <up>
 * <down> <left> <right> <enter> <bksp>, and the events <back> <finish>
 * <manual> <forget>; "<<" is a literal "<".  Names are case-insensitive.
 */
#ifndef TABRIX_CLI_KEYS_H
#define TABRIX_CLI_KEYS_H

#include <string>
#include <string_view>
#include <vector>

#include "tabrix/tabrix.h"

struct KeyEvent {
    _DIALOGKEYB_INFO keyb;
    std::string token;          /* as written in KEYS */
};

/* Appends the events of text to events.  Returns "" or what is wrong,
   naming the bad token; events then holds those before it. */
std::string KeysParse(std::string_view text, std::vector<KeyEvent> &events);

#endif
