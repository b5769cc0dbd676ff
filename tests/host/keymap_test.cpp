// The key table: which key sends which code or command.
#include <gtest/gtest.h>

#include <QtCore/qnamespace.h>

#include "keymap.h"
#include "tabrix/tabrix.h"

namespace {

struct KeyCase {
    const char *name;
    int qtKey;
    int event;
    int key;  /* compared only for key events */
};

constexpr int NONE = TABRIX_EVENT_NONE;
constexpr int KEY = TABRIX_EVENT_KEY;

const KeyCase keyCases[] = {
    {"backspace", Qt::Key_Backspace, KEY, 46},
    {"delete", Qt::Key_Delete, KEY, 46},
    {"enter", Qt::Key_Return, KEY, -1},
    {"keypad enter", Qt::Key_Enter, KEY, -1},
    {"left", Qt::Key_Left, KEY, 4},
    {"up", Qt::Key_Up, KEY, 1},
    {"right", Qt::Key_Right, KEY, 2},
    {"down", Qt::Key_Down, KEY, 3},
    {"F1", Qt::Key_F1, NONE, 0},
    {"F4", Qt::Key_F4, TABRIX_EVENT_MANUAL, 0},
    {"F5", Qt::Key_F5, TABRIX_EVENT_BACK, 0},
    {"minus", Qt::Key_Minus, KEY, 63},
    {"equals", Qt::Key_Equal, KEY, 63},
    {"plus", Qt::Key_Plus, KEY, 63},
    {"slash", Qt::Key_Slash, KEY, 63},
    {"question mark", Qt::Key_Question, KEY, 63},
    {"full stop", Qt::Key_Period, KEY, 43},
    {"comma", Qt::Key_Comma, KEY, 43},
    {"letter A", Qt::Key_A, KEY, 'A'},
    {"letter Z", Qt::Key_Z, KEY, 'Z'},
    {"digit 0", Qt::Key_0, KEY, '0'},
    {"digit 9", Qt::Key_9, KEY, '9'},
    {"space", Qt::Key_Space, KEY, 32},
    {"asterisk", Qt::Key_Asterisk, KEY, '*'},
    {"tilde", Qt::Key_AsciiTilde, KEY, '~'},
    {"shift", Qt::Key_Shift, NONE, 0},
    {"control", Qt::Key_Control, NONE, 0},
    {"alt", Qt::Key_Alt, NONE, 0},
    {"alt gr", Qt::Key_AltGr, NONE, 0},
    {"meta", Qt::Key_Meta, NONE, 0},
    {"caps lock", Qt::Key_CapsLock, NONE, 0},
    {"num lock", Qt::Key_NumLock, NONE, 0},
    {"escape", Qt::Key_Escape, NONE, 0},
    {"tab", Qt::Key_Tab, NONE, 0},
    {"home", Qt::Key_Home, NONE, 0},
    {"F2", Qt::Key_F2, NONE, 0},
    {"a with diaeresis", Qt::Key_Adiaeresis, NONE, 0},
    {"e with caron", 0x11A, NONE, 0},
    {"cyrillic ya, whose display code is Enter's", 0x42F, NONE, 0},
};

TEST(KeyMapTest, EveryKeyOfTheTable) {
    for (const KeyCase &c : keyCases) {
        const KeyAction action = KeyMapQt(c.qtKey);
        EXPECT_EQ(action.event, c.event) << c.name;
        if (c.event == KEY) {
            EXPECT_EQ(action.key, c.key) << c.name;
        }
    }
}

}  // namespace
