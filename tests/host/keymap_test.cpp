// The key table: which key sends which code or command, given real key
// events with the text they type.
#include <gtest/gtest.h>

#include <QKeyEvent>

#include "keymap.h"
#include "tabrix/tabrix.h"

namespace {

struct KeyCase {
    const char *name;
    int qtKey;
    Qt::KeyboardModifiers modifiers;
    const char *text;  /* UTF-8, what the key types */
    int event;
    int key;           /* compared only for key events */
};

constexpr int NONE = TABRIX_EVENT_NONE;
constexpr int KEY = TABRIX_EVENT_KEY;
constexpr Qt::KeyboardModifiers PLAIN = Qt::NoModifier;
constexpr Qt::KeyboardModifiers SHIFT = Qt::ShiftModifier;
constexpr Qt::KeyboardModifiers PAD = Qt::KeypadModifier;
constexpr Qt::KeyboardModifiers CTRL = Qt::ControlModifier;

const KeyCase keyCases[] = {
    // Editing and command keys, by what they are.
    {"backspace", Qt::Key_Backspace, PLAIN, "\b", KEY, 46},
    {"delete", Qt::Key_Delete, PLAIN, "\x7f", KEY, 46},
    {"keypad delete", Qt::Key_Delete, PAD, "", KEY, 46},
    {"enter", Qt::Key_Return, PLAIN, "\r", KEY, -1},
    {"keypad enter", Qt::Key_Enter, PAD, "\r", KEY, -1},
    {"left", Qt::Key_Left, PLAIN, "", KEY, 4},
    {"up", Qt::Key_Up, PLAIN, "", KEY, 1},
    {"right", Qt::Key_Right, PLAIN, "", KEY, 2},
    {"down", Qt::Key_Down, PLAIN, "", KEY, 3},
    {"F1", Qt::Key_F1, PLAIN, "", NONE, 0},
    {"F4", Qt::Key_F4, PLAIN, "", TABRIX_EVENT_MANUAL, 0},
    {"F5", Qt::Key_F5, PLAIN, "", TABRIX_EVENT_BACK, 0},
    {"control S", Qt::Key_S, CTRL, "\x13", TABRIX_EVENT_FINISH, 0},
    // The library's own codes: minus, decimal point, and the characters
    // that would read as them.
    {"minus", Qt::Key_Minus, PLAIN, "-", KEY, 63},
    {"keypad minus", Qt::Key_Minus, PAD, "-", KEY, 63},
    {"full stop", Qt::Key_Period, PLAIN, ".", KEY, 43},
    {"comma", Qt::Key_Comma, PLAIN, ",", KEY, 43},
    {"keypad point", Qt::Key_Period, PAD, ".", KEY, 43},
    {"keypad comma of a Czech layout", Qt::Key_Comma, PAD, ",", KEY, 43},
    {"plus", Qt::Key_Plus, SHIFT, "+", NONE, 0},
    {"keypad plus", Qt::Key_Plus, PAD, "+", NONE, 0},
    {"equals", Qt::Key_Equal, PLAIN, "=", NONE, 0},
    {"slash", Qt::Key_Slash, PLAIN, "/", NONE, 0},
    {"question mark", Qt::Key_Question, SHIFT, "?", NONE, 0},
    // Characters, by the text typed, not by the key's code.
    {"the key 1 of a Czech layout", Qt::Key_1, PLAIN, "+", NONE, 0},
    {"a key coded as slash that types minus", Qt::Key_Slash, PLAIN, "-", KEY, 63},
    {"letter a", Qt::Key_A, PLAIN, "a", KEY, 'A'},
    {"letter A", Qt::Key_A, SHIFT, "A", KEY, 'A'},
    {"digit 0", Qt::Key_0, PLAIN, "0", KEY, '0'},
    {"shifted digit 1 of a Czech layout", Qt::Key_1, SHIFT, "1", KEY, '1'},
    {"keypad 0", Qt::Key_0, PAD, "0", KEY, '0'},
    {"keypad 7", Qt::Key_7, PAD, "7", KEY, '7'},
    {"space", Qt::Key_Space, PLAIN, " ", KEY, 32},
    {"asterisk", Qt::Key_Asterisk, SHIFT, "*", KEY, '*'},
    // Keys that type nothing, or nothing the panel has.
    {"shift", Qt::Key_Shift, SHIFT, "", NONE, 0},
    {"control", Qt::Key_Control, CTRL, "", NONE, 0},
    {"alt gr", Qt::Key_AltGr, Qt::GroupSwitchModifier, "", NONE, 0},
    {"num lock", Qt::Key_NumLock, PLAIN, "", NONE, 0},
    {"escape", Qt::Key_Escape, PLAIN, "\x1b", NONE, 0},
    {"tab", Qt::Key_Tab, PLAIN, "\t", NONE, 0},
    {"e with caron", 0x11A, PLAIN, "\xC4\x9B", NONE, 0},
    {"cyrillic ya, whose display code is Enter's", 0x42F, PLAIN, "\xD1\x8F", NONE, 0},
    // Shortcuts other than Ctrl+S type nothing.
    {"control A", Qt::Key_A, CTRL, "\x01", NONE, 0},
    {"control shift S", Qt::Key_S, CTRL | SHIFT, "\x13", NONE, 0},
    {"alt S", Qt::Key_S, Qt::AltModifier, "s", NONE, 0},
    {"alt F4", Qt::Key_F4, Qt::AltModifier, "", NONE, 0},
    {"alt gr types at sign", Qt::Key_At, Qt::GroupSwitchModifier, "@", KEY, '@'},
};

TEST(KeyMapTest, EveryKeyOfTheTable) {
    for (const KeyCase &c : keyCases) {
        const QKeyEvent event(QEvent::KeyPress, c.qtKey, c.modifiers, QString::fromUtf8(c.text));
        const KeyAction action = KeyMapEvent(event);
        EXPECT_EQ(action.event, c.event) << c.name;
        if (c.event == KEY) {
            EXPECT_EQ(action.key, c.key) << c.name;
        }
    }
}

}  // namespace
