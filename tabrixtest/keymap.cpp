/*
 * keymap.cpp - the key table of the desktop host.
 */
#include "keymap.h"

#include <QKeyEvent>

#include "tabrix/tabrix.h"

namespace {

struct KeyRow {
    int qtKey;
    KeyAction action;
};

constexpr KeyAction KeyCode(int8_t key) {
    return {TABRIX_EVENT_KEY, key};
}

constexpr KeyAction Command(uint8_t event) {
    return {event, 0};
}

constexpr KeyAction nothing = Command(TABRIX_EVENT_NONE);

/* Keys that type no character of their own, or whose character (Enter's
   CR, Delete's DEL) is not what they mean.  F1 is named so that no later
   change lets it type. */
constexpr KeyRow keyTable[] = {
    {Qt::Key_Backspace, KeyCode(DLG_KEY_BACKSPACE)},
    {Qt::Key_Delete, KeyCode(DLG_KEY_BACKSPACE)},
    {Qt::Key_Return, KeyCode(DLG_KEY_ENTER)},
    {Qt::Key_Enter, KeyCode(DLG_KEY_ENTER)},
    {Qt::Key_Left, KeyCode(DLG_KEY_LEFT)},
    {Qt::Key_Up, KeyCode(DLG_KEY_UP)},
    {Qt::Key_Right, KeyCode(DLG_KEY_RIGHT)},
    {Qt::Key_Down, KeyCode(DLG_KEY_DOWN)},
    {Qt::Key_F1, nothing},
    {Qt::Key_F4, Command(TABRIX_EVENT_MANUAL)},
    {Qt::Key_F5, Command(TABRIX_EVENT_BACK)},
};

/* A typed character as the library's key.  "+", "." and "?" are the
   library's codes for the decimal point, backspace and minus, so the keys
   that type "-", "." and "," are translated and the characters whose codes
   mean something else send nothing: "+20" must not store -20.  "=" and "/",
   which share their keys with "+" and "?" on common layouts, stay silent
   with them.  Letters go as capitals. */
KeyAction KeyMapChar(char16_t c) {
    switch (c) {
    case u'-':
        return KeyCode(DLG_KEY_MINUS);
    case u'.':
    case u',':
        return KeyCode(DLG_KEY_POINT);
    case u'+':
    case u'=':
    case u'/':
    case u'?':
        return nothing;
    }
    if (c >= u'a' && c <= u'z')
        return KeyCode(static_cast<int8_t>(c - u'a' + u'A'));
    /* Control characters, and letters outside ASCII, whose display codes
       could read as Enter or the arrows, send nothing. */
    if (c >= u' ' && c <= u'~')
        return KeyCode(static_cast<int8_t>(c));
    return nothing;
}

bool KeyMapIsShortcut(Qt::KeyboardModifiers modifiers) {
    return (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) != 0;
}

}  // namespace

KeyAction KeyMapEvent(const QKeyEvent &event) {
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    if (modifiers == Qt::ControlModifier && event.key() == Qt::Key_S)
        return Command(TABRIX_EVENT_FINISH);
    if (KeyMapIsShortcut(modifiers))
        return nothing;
    for (const KeyRow &row : keyTable)
        if (row.qtKey == event.key())
            return row.action;
    const QString text = event.text();
    if (text.size() != 1)
        return nothing;
    return KeyMapChar(text[0].unicode());
}
