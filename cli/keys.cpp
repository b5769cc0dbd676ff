/*
 * keys.cpp - parsing KEYS.
 */
#include "keys.h"

#include <strings.h>

static const struct {
    const char *name;
    uint8_t event;
    int8_t key;
} keysNamed[] = {
    {"up", TABRIX_EVENT_KEY, DLG_KEY_UP},
    {"down", TABRIX_EVENT_KEY, DLG_KEY_DOWN},
    {"left", TABRIX_EVENT_KEY, DLG_KEY_LEFT},
    {"right", TABRIX_EVENT_KEY, DLG_KEY_RIGHT},
    {"enter", TABRIX_EVENT_KEY, DLG_KEY_ENTER},
    {"bksp", TABRIX_EVENT_KEY, DLG_KEY_BACKSPACE},
    {"back", TABRIX_EVENT_BACK, 0},
    {"finish", TABRIX_EVENT_FINISH, 0},
    {"manual", TABRIX_EVENT_MANUAL, 0},
    {"forget", TABRIX_EVENT_FORGET, 0},
};

static std::string KeysQuoted(std::string_view token) {
    return "\"" + std::string(token) + "\"";
}

/* A named key "<name>" at the start of text: its length, or 0 with why. */
static size_t KeysName(std::string_view text, std::vector<KeyEvent> &events, std::string &why) {
    size_t close = text.find('>');
    if (close == std::string_view::npos) {
        why = "unterminated key name " + KeysQuoted(text) + " (write \"<<\" for a \"<\")";
        return 0;
    }
    std::string_view token = text.substr(0, close + 1), name = token.substr(1, close - 1);
    for (const auto &k : keysNamed)
        if (name.size() == std::char_traits<char>::length(k.name)
            && strncasecmp(name.data(), k.name, name.size()) == 0) {
            events.push_back({{k.event, k.key}, std::string(token)});
            return token.size();
        }
    why = "unknown key name " + KeysQuoted(token);
    return 0;
}

/* The length of the character at the start of text: a whole UTF-8
   sequence, so that a bad one is named whole. */
static size_t KeysCharLength(std::string_view text) {
    size_t n = 1;
    if ((unsigned char)text[0] >= 0xC0)
        while (n < text.size() && n < 4 && ((unsigned char)text[n] & 0xC0) == 0x80)
            n++;
    return n;
}

/* A typed character at the start of text, as the key of the desktop host
   that types it sends it: its length, or 0 with why.  No key sends "+",
   "=", "/" or "?": the codes of "+" and "?" are the decimal point and the
   minus sign. */
static size_t KeysChar(std::string_view text, std::vector<KeyEvent> &events, std::string &why) {
    std::string_view token = text.substr(0, KeysCharLength(text));
    unsigned char c = (unsigned char)token[0];
    int8_t key = (int8_t)c;
    if (c == '.' || c == ',')
        key = DLG_KEY_POINT;
    else if (c == '-')
        key = DLG_KEY_MINUS;
    else if (c >= 'a' && c <= 'z')
        key = (int8_t)(c - 'a' + 'A');
    else if (c == '+' || c == '=' || c == '/' || c == '?') {
        why = KeysQuoted(token) + " cannot be typed: no key of the panel types it";
        return 0;
    } else if (c < ' ' || c > '~') {
        why = KeysQuoted(token) + " cannot be typed: only printable ASCII characters and named keys";
        return 0;
    }
    events.push_back({{TABRIX_EVENT_KEY, key}, std::string(token)});
    return token.size();
}

std::string KeysParse(std::string_view text, std::vector<KeyEvent> &events) {
    std::string why;
    while (!text.empty()) {
        size_t used;
        if (text.starts_with("<<")) {
            events.push_back({{TABRIX_EVENT_KEY, '<'}, "<<"});
            used = 2;
        } else if (text[0] == '<') {
            used = KeysName(text, events, why);
        } else {
            used = KeysChar(text, events, why);
        }
        if (used == 0)
            return why;
        text.remove_prefix(used);
    }
    return "";
}
