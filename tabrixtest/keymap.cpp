/*
 * keymap.cpp - the key table of the desktop host.
 */
#include "keymap.h"

#include <QtCore/qnamespace.h>

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

/* Keys whose code is not their own character.  "." and "+" are the
   library's codes for backspace and the decimal point, "?" its minus, so
   the keys that type these characters must be translated. */
constexpr KeyRow keyTable[] = {
    {Qt::Key_Backspace, KeyCode(DLG_KEY_BACKSPACE)},
    {Qt::Key_Delete, KeyCode(DLG_KEY_BACKSPACE)},
    {Qt::Key_Return, KeyCode(DLG_KEY_ENTER)},
    {Qt::Key_Enter, KeyCode(DLG_KEY_ENTER)},
    {Qt::Key_Left, KeyCode(DLG_KEY_LEFT)},
    {Qt::Key_Up, KeyCode(DLG_KEY_UP)},
    {Qt::Key_Right, KeyCode(DLG_KEY_RIGHT)},
    {Qt::Key_Down, KeyCode(DLG_KEY_DOWN)},
    {Qt::Key_F4, Command(TABRIX_EVENT_MANUAL)},
    {Qt::Key_F5, Command(TABRIX_EVENT_BACK)},
    {Qt::Key_Minus, KeyCode(DLG_KEY_MINUS)},
    {Qt::Key_Equal, KeyCode(DLG_KEY_MINUS)},
    {Qt::Key_Plus, KeyCode(DLG_KEY_MINUS)},
    {Qt::Key_Slash, KeyCode(DLG_KEY_MINUS)},
    {Qt::Key_Question, KeyCode(DLG_KEY_MINUS)},
    {Qt::Key_Period, KeyCode(DLG_KEY_POINT)},
    {Qt::Key_Comma, KeyCode(DLG_KEY_POINT)},
};

}  // namespace

KeyAction KeyMapQt(int qtKey) {
    for (const KeyRow &row : keyTable)
        if (row.qtKey == qtKey)
            return row.action;
    /* Qt codes the printable ASCII keys by their character, letters as
       capitals.  Every other key (F1, modifiers, letters outside ASCII,
       whose display codes could read as Enter) sends nothing. */
    if (qtKey >= Qt::Key_Space && qtKey <= Qt::Key_AsciiTilde)
        return KeyCode(static_cast<int8_t>(qtKey));
    return {TABRIX_EVENT_NONE, 0};
}
