// The dialog engine: focus choice, keys, refresh and redraw.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "dialog/dialog.h"
#include "dialogs.h"
#include "platform/draw/draw.h"
#include "surface.h"

namespace {

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override { s.Bind(); }

    // Left and top pixel of a grid cell of the titled dialog.
    static int X(int col) { return 10 + 5 + col * 8; }
    static int Y(int row) { return 20 + 21 + 5 + row * 18; }
    // Whether the item's first cell shows c focused or unfocused.
    bool Shows(int col, int row, char c, bool focused) {
        return focused ? s.CellShows(X(col), Y(row), c, Rgb(GDI_WHITE), Rgb(GDI_BLACK))
                       : s.CellShows(X(col), Y(row), c, Rgb(GDI_BLACK), Rgb(GDI_WHITE));
    }
    uint32_t Key(int8_t key) {
        _DIALOGKEYB_INFO keyb{TABRIX_EVENT_KEY, key};
        uint32_t result = DialogCont(&keyb, &b.dialog);
        EXPECT_EQ(keyb.event, TABRIX_EVENT_NONE) << "the key is taken";
        return result;
    }

    TestSurface s{320, 240};
    DialogBuilder b{"Title", 10, 20, 310, 230};
};

TEST_F(DialogTest, StartFocusesTheFirstFocusableItem) {
    b.Text("Label", 0, 0);
    b.Bitmap("X.BMP", 0, 1);
    _ITEM *first = b.Button("A", 0, 2, 3, 1);
    b.Button("B", 0, 3, 3, 2);
    b.Edit("12", 0, 4, 5);
    EXPECT_EQ(DialogStart(&b.dialog, GDI_GREEN, nullptr), 0u);
    EXPECT_EQ(b.dialog.focusItem, first);
    EXPECT_EQ(uint8_t{b.dialog.background}, GDI_GREEN);
    EXPECT_EQ(uint16_t{b.dialog.cursor}, 0);
    EXPECT_EQ(s.Text(X(0), Y(0), 5, Rgb(GDI_BLACK), Rgb(GDI_GREEN)), "Label");
    EXPECT_EQ(s.Text(X(0), Y(2), 3, Rgb(GDI_WHITE), Rgb(GDI_BLACK)), "[A]");
    EXPECT_EQ(s.Text(X(0), Y(3), 3, Rgb(GDI_BLACK), Rgb(GDI_WHITE)), "[B]");
    EXPECT_EQ(s.Text(X(0), Y(4), 5, Rgb(GDI_BLACK), Rgb(GDI_WHITE)), "12   ");
}

TEST_F(DialogTest, StartOnAnEditPutsTheCaretAtItsEnd) {
    b.Text("Label", 0, 0);
    b.Other(7);
    _ITEM *edit = b.Edit("123", 0, 1, 5);
    b.Edit("45", 0, 2, 5);
    DialogStart(&b.dialog, GDI_GREY, nullptr);
    EXPECT_EQ(b.dialog.focusItem, edit);
    EXPECT_EQ(uint16_t{b.dialog.cursor}, 3);
    EXPECT_EQ(s.At(X(3), Y(1) + 7), Rgb(GDI_WHITE)) << "the caret";
    EXPECT_TRUE(Shows(0, 2, '4', false));
}

TEST_F(DialogTest, StartWithAGivenFocus) {
    b.Button("A", 0, 0, 3, 1);
    _ITEM *edit = b.Edit("1234", 0, 1, 5);
    DialogStart(&b.dialog, GDI_GREY, edit);
    EXPECT_EQ(b.dialog.focusItem, edit);
    EXPECT_EQ(uint16_t{b.dialog.cursor}, 4);
    EXPECT_TRUE(Shows(0, 0, '[', false)) << "the first button gives way";
    EXPECT_TRUE(Shows(0, 1, '1', true));
}

TEST_F(DialogTest, FrameAndTitleBar) {
    b.Text("x", 0, 0);
    DialogStart(&b.dialog, GDI_GREY, nullptr);
    EXPECT_EQ(s.At(10, 20), Rgb(GDI_GREY));
    EXPECT_EQ(s.At(310, 230), Rgb(GDI_GREY));
    EXPECT_EQ(s.At(9, 20), UNTOUCHED);
    EXPECT_EQ(s.At(311, 230), UNTOUCHED);
    EXPECT_EQ(s.Text(15, 25, 5, Rgb(GDI_BLACK), Rgb(GDI_TITLE)), "Title");
    EXPECT_EQ(s.At(305, 41), Rgb(GDI_TITLE)) << "title bar to right - 5 and top + 21";
    EXPECT_EQ(s.At(306, 41), Rgb(GDI_GREY));
    EXPECT_EQ(s.At(305, 42), Rgb(GDI_GREY));
}

TEST_F(DialogTest, TextsAndBitmapsAreDrawnFirst) {
    // The button comes first in the list but is drawn after the text that
    // shares its cell.
    b.Button("B", 0, 0, 3, 1);
    b.Text("TTT", 0, 0);
    DialogStart(&b.dialog, GDI_GREY, nullptr);
    EXPECT_EQ(s.Text(X(0), Y(0), 3, Rgb(GDI_WHITE), Rgb(GDI_BLACK)), "[B]");
    DialogRedraw(&b.dialog);
    EXPECT_EQ(s.Text(X(0), Y(0), 3, Rgb(GDI_WHITE), Rgb(GDI_BLACK)), "[B]");
}

TEST_F(DialogTest, WithoutFocusKeysWaitAndReturnZero) {
    b.Text("Only text", 0, 0);
    b.Bitmap("X.BMP", 0, 1);
    DialogStart(&b.dialog, GDI_GREY, nullptr);
    EXPECT_EQ(b.dialog.focusItem, nullptr);
    _DIALOGKEYB_INFO keyb{TABRIX_EVENT_KEY, DLG_KEY_ENTER};
    EXPECT_EQ(DialogCont(&keyb, &b.dialog), 0u);
    EXPECT_EQ(keyb.event, TABRIX_EVENT_KEY);
}

TEST_F(DialogTest, OtherEventsAreLeftWaitingButTheClipIsSet) {
    b.Button("A", 0, 0, 3, 5);
    DialogStart(&b.dialog, GDI_GREY, nullptr);
    GDISetClip(0, 0, 1, 1);
    _DIALOGKEYB_INFO keyb{TABRIX_EVENT_BACK, DLG_KEY_ENTER};
    EXPECT_EQ(DialogCont(&keyb, &b.dialog), 0u);
    EXPECT_EQ(keyb.event, TABRIX_EVENT_BACK);
    int32_t l, t, r, bottom;
    GDIGetClip(&l, &t, &r, &bottom);
    EXPECT_EQ((std::vector<int32_t>{l, t, r, bottom}), (std::vector<int32_t>{10, 46, 310, 230}));
}

TEST_F(DialogTest, UpAndDownWalkTheFocusableItems) {
    _ITEM *a = b.Button("A", 0, 0, 3, 1);
    b.Text("t", 0, 1);
    _ITEM *edit = b.Edit("12", 0, 2, 4);
    b.Bitmap("X.BMP", 0, 3);
    _ITEM *list = b.List(0, 4, 2, {"P", "Q"});
    DialogStart(&b.dialog, GDI_GREY, nullptr);

    struct Step { int8_t key; _ITEM *focus; };
    const Step steps[] = {
        {DLG_KEY_UP, a}, {DLG_KEY_DOWN, edit}, {DLG_KEY_DOWN, list}, {DLG_KEY_DOWN, list},
        {DLG_KEY_UP, edit}, {DLG_KEY_UP, a},
    };
    for (const Step &st : steps) {
        s.Clear();
        EXPECT_EQ(Key(st.key), 0u);
        EXPECT_EQ(b.dialog.focusItem, st.focus);
        EXPECT_TRUE(Shows(0, st.focus == a ? 0 : st.focus == edit ? 2 : 4,
                          st.focus == a ? '[' : st.focus == edit ? '1' : '<', true));
    }
    EXPECT_TRUE(Shows(0, 2, '1', false)) << "the old focus is drawn unfocused";
}

TEST_F(DialogTest, TypingAndBackspaceInAnEdit) {
    _ITEM *edit = b.Edit("1234", 0, 0, 5);
    DialogStart(&b.dialog, GDI_GREY, nullptr);
    Key('5');
    EXPECT_STREQ(b.EditText(edit), "12345");
    Key('6');
    EXPECT_STREQ(b.EditText(edit), "12345") << "the field is full";
    EXPECT_EQ(uint16_t{b.dialog.cursor}, 5);
    Key(DLG_KEY_LEFT);
    Key(DLG_KEY_LEFT);
    Key(DLG_KEY_LEFT);
    EXPECT_EQ(uint16_t{b.dialog.cursor}, 2);
    Key(DLG_KEY_BACKSPACE);
    EXPECT_STREQ(b.EditText(edit), "1345");
    EXPECT_EQ(uint16_t{b.dialog.cursor}, 1);
    Key('9');
    EXPECT_STREQ(b.EditText(edit), "19345");
    EXPECT_EQ(s.Text(X(0), Y(0), 1, Rgb(GDI_WHITE), Rgb(GDI_BLACK)), "1");
    EXPECT_EQ(s.Text(X(3), Y(0), 2, Rgb(GDI_WHITE), Rgb(GDI_BLACK)), "45");
    Key(DLG_KEY_LEFT);
    Key(DLG_KEY_LEFT);
    s.Clear();
    Key(DLG_KEY_BACKSPACE);
    EXPECT_STREQ(b.EditText(edit), "19345") << "nothing before the caret";
    EXPECT_EQ(s.Text(X(1), Y(0), 4, Rgb(GDI_WHITE), Rgb(GDI_BLACK)), "9345") << "but redrawn";
}

TEST_F(DialogTest, CaretMovesWithinTheText) {
    b.Edit("12", 0, 0, 5);
    DialogStart(&b.dialog, GDI_GREY, nullptr);
    Key(DLG_KEY_RIGHT);
    EXPECT_EQ(uint16_t{b.dialog.cursor}, 2) << "not past the end";
    Key(DLG_KEY_LEFT);
    EXPECT_EQ(uint16_t{b.dialog.cursor}, 1);
    b.dialog.cursor = 40;
    Key(DLG_KEY_LEFT);
    EXPECT_EQ(uint16_t{b.dialog.cursor}, 1) << "pulled back to the end, then left";
}

TEST_F(DialogTest, PointAndMinusKeys) {
    _ITEM *edit = b.Edit("", 0, 0, 5);
    DialogStart(&b.dialog, GDI_GREY, nullptr);
    _DIALOGKEYB_INFO keyb{TABRIX_EVENT_KEY, DLG_KEY_MINUS};
    DialogCont(&keyb, &b.dialog);
    EXPECT_EQ(keyb.key, '-') << "written back";
    keyb = {TABRIX_EVENT_KEY, DLG_KEY_POINT};
    DialogCont(&keyb, &b.dialog);
    EXPECT_EQ(keyb.key, '.');
    EXPECT_STREQ(b.EditText(edit), "-.");

    b.Button("P", 0, 1, 3, 7, '.');
    EXPECT_EQ(Key(DLG_KEY_POINT), 7u) << "a hot key wins over typing";
    EXPECT_STREQ(b.EditText(edit), "-.");
}

TEST_F(DialogTest, HotKeysAreComparedAsSignedCodes) {
    _ITEM *edit = b.Edit("", 0, 0, 5);
    b.Button("A", 0, 1, 3, 4, 'A');
    b.Button("H", 0, 2, 3, 5, 0xC8);
    b.Button("Z", 0, 3, 3, 6, 0);
    DialogStart(&b.dialog, GDI_GREY, nullptr);
    _ITEM *focus = b.dialog.focusItem;
    EXPECT_EQ(Key('A'), 4u);
    EXPECT_EQ(b.dialog.focusItem, focus) << "the focus does not move";
    EXPECT_EQ(Key((int8_t)0xC8), 0u) << "255 and other high hot keys never match";
    EXPECT_STREQ(b.EditText(edit), "\xC8");
    EXPECT_EQ(Key(0), 6u);
}

TEST_F(DialogTest, NulIsNeverTyped) {
    _ITEM *edit = b.Edit("12", 0, 0, 5);
    DialogStart(&b.dialog, GDI_GREY, nullptr);
    Key(DLG_KEY_LEFT);
    EXPECT_EQ(Key(0), 0u);
    EXPECT_STREQ(b.EditText(edit), "12");
    EXPECT_EQ(uint16_t{b.dialog.cursor}, 1);
}

TEST_F(DialogTest, EnterPressesOnlyButtons) {
    b.Button("A", 0, 0, 3, 3);
    b.Edit("1", 0, 1, 3);
    DialogStart(&b.dialog, GDI_GREY, nullptr);
    EXPECT_EQ(Key(DLG_KEY_ENTER), 3u);
    Key(DLG_KEY_DOWN);
    EXPECT_EQ(Key(DLG_KEY_ENTER), 0u);
}

TEST_F(DialogTest, ListEntriesMoveWithoutWrapping) {
    _ITEM *list = b.List(0, 0, 4, {"ONE", "TWO"});
    DialogStart(&b.dialog, GDI_GREY, nullptr);
    Key(DLG_KEY_LEFT);
    EXPECT_STREQ(b.ListText(list), "ONE");
    Key(DLG_KEY_RIGHT);
    EXPECT_STREQ(b.ListText(list), "TWO");
    EXPECT_EQ(s.Text(X(0), Y(0), 6, Rgb(GDI_WHITE), Rgb(GDI_BLACK)), "<TWO >");
    s.Clear();
    EXPECT_EQ(Key(DLG_KEY_RIGHT), 0u);
    EXPECT_STREQ(b.ListText(list), "TWO");
    EXPECT_EQ(s.Count(UNTOUCHED), 320 * 240) << "nothing redrawn";
}

TEST_F(DialogTest, SidewaysFromAButtonTakesTheNearestItem) {
    _ITEM *from = b.Button("F", 10, 5, 3, 1);
    _ITEM *above = b.Button("U", 12, 3, 3, 2);
    b.Button("D", 12, 7, 3, 3);                 // as near as U, later in the list
    b.Button("S", 10, 6, 3, 4);                 // same column: never a candidate
    _ITEM *left = b.List(2, 5, 2, {"X"});
    DialogStart(&b.dialog, GDI_GREY, nullptr);
    ASSERT_EQ(b.dialog.focusItem, from);
    Key(DLG_KEY_RIGHT);
    EXPECT_EQ(b.dialog.focusItem, above);
    EXPECT_TRUE(Shows(12, 3, '[', true));
    EXPECT_TRUE(Shows(10, 5, '[', false));
    Key(DLG_KEY_RIGHT);
    EXPECT_EQ(b.dialog.focusItem, above) << "nothing further right";
    Key(DLG_KEY_LEFT);
    EXPECT_EQ(b.dialog.focusItem, from);
    Key(DLG_KEY_LEFT);
    EXPECT_EQ(b.dialog.focusItem, left);
    Key(DLG_KEY_LEFT);
    EXPECT_EQ(b.dialog.focusItem, left) << "a list moves its entry instead";
}

TEST_F(DialogTest, SidewaysOntoAnEditDrawsTheCaretAtItsEnd) {
    b.Edit("99", 0, 0, 6);
    b.Button("B", 0, 1, 3, 1);
    _ITEM *edit = b.Edit("1234", 5, 1, 6);
    DialogStart(&b.dialog, GDI_GREY, nullptr);
    Key(DLG_KEY_DOWN);
    ASSERT_EQ(uint16_t{b.dialog.cursor}, 2);
    Key(DLG_KEY_RIGHT);
    EXPECT_EQ(b.dialog.focusItem, edit);
    EXPECT_EQ(uint16_t{b.dialog.cursor}, 4);
    EXPECT_EQ(s.At(X(9), Y(1) + 7), Rgb(GDI_WHITE)) << "the caret stands where typing goes";
    EXPECT_TRUE(s.CellShows(X(7), Y(1), '3', Rgb(GDI_WHITE), Rgb(GDI_BLACK))) << "no caret at 2";
}

TEST_F(DialogTest, RefreshRedrawsTheKindsOfTheMask) {
    b.Button("A", 0, 0, 3, 1);
    b.Text("T", 0, 1);
    b.Edit("E", 0, 2, 3);
    b.List(0, 3, 1, {"L"});
    b.Bitmap("X.BMP", 0, 4);
    struct Case { uint32_t mask; bool button, text, edit, list; };
    const Case cases[] = {
        {DLG_MASK_BUTTON, true, false, false, false},
        {DLG_MASK_TEXT, false, true, false, false},
        {DLG_MASK_EDIT, false, false, true, false},
        {DLG_MASK_LIST, false, false, false, true},
        {DLG_MASK_EDIT | DLG_MASK_LIST, false, false, true, true},
        {0xFFFFFFFF, true, true, true, true},
        {0, false, false, false, false},
    };
    DialogStart(&b.dialog, GDI_GREY, nullptr);
    for (const Case &c : cases) {
        s.Clear();
        EXPECT_EQ(DialogRefresh(&b.dialog, c.mask), 0u);
        SCOPED_TRACE(c.mask);
        EXPECT_EQ(Shows(0, 0, '[', true), c.button);
        EXPECT_EQ(s.CellShows(X(0), Y(1), 'T', Rgb(GDI_BLACK), Rgb(GDI_GREY)), c.text);
        EXPECT_EQ(Shows(0, 2, 'E', false), c.edit);
        EXPECT_EQ(Shows(0, 3, '<', false), c.list);
        EXPECT_EQ(s.At(X(0), Y(4)), UNTOUCHED);
    }
}

TEST_F(DialogTest, RedrawRepeatsThePictureAndKeepsTheState) {
    b.Text("Feed", 0, 0);
    b.Button("OK", 0, 1, 6, 1);
    b.Edit("12", 0, 2, 6);
    b.List(0, 3, 4, {"ON", "OFF"});
    DialogStart(&b.dialog, GDI_GREY, nullptr);
    Key(DLG_KEY_DOWN);
    Key('3');
    Key(DLG_KEY_LEFT);
    std::vector<uint32_t> drawn = s.pixels;
    _ITEM *focus = b.dialog.focusItem;
    s.Clear();
    EXPECT_EQ(DialogRedraw(&b.dialog), 0u);
    EXPECT_EQ(s.pixels, drawn);
    EXPECT_EQ(b.dialog.focusItem, focus);
    EXPECT_EQ(uint16_t{b.dialog.cursor}, 2);
    EXPECT_EQ(DialogStop(&b.dialog), 0u);
}

TEST_F(DialogTest, Picture) {
    TestSurface big(640, 300);
    big.Bind();
    big.Clear(0x303030);
    DialogBuilder d{"Nastaven\xA1 os (axes)", 20, 20, 620, 280};
    d.Text("Labels are black on the background; \x9E\xA0\x87\x88 \xC0\xC1\xC2 \xAA\xAB", 1, 0);
    d.Bitmap("LOGO.BMP", 60, 0);
    d.Text("Buttons:", 1, 2);
    _ITEM *ok = d.Button("OK", 14, 2, 10, 1);
    d.Button("Cancel", 26, 2, 10, 2);
    d.Text("Edit fields:", 1, 3);
    _ITEM *edit = d.Edit("12.5", 14, 3, 8);
    d.Edit("-3", 26, 3, 8);
    d.Text("Lists:", 1, 4);
    _ITEM *on = d.List(14, 4, 6, {"OFF", "ON"}, 1);
    d.List(26, 4, 6, {"AUTO", "MAN"});
    d.Text("Marked red:", 1, 5);
    _ITEM *marked = d.Edit("999", 14, 5, 8);
    _ITEM *markedFocused = d.Edit("1000", 26, 5, 8);
    DialogStart(&d.dialog, GDI_GREY, edit);
    _DIALOGKEYB_INFO keyb{TABRIX_EVENT_KEY, DLG_KEY_LEFT};
    DialogCont(&keyb, &d.dialog);       // the caret before the 5
    // The left item of each row focused, the right one not.
    DialogDrawItem(&d.dialog, ok, true, DIALOG_NO_OVERRIDE, DIALOG_NO_OVERRIDE);
    DialogDrawItem(&d.dialog, on, true, DIALOG_NO_OVERRIDE, DIALOG_NO_OVERRIDE);
    DialogDrawItem(&d.dialog, marked, false, GDI_RED, DIALOG_NO_OVERRIDE);
    DialogDrawItem(&d.dialog, markedFocused, true, GDI_RED, DIALOG_NO_OVERRIDE);
    EXPECT_TRUE(big.SavePicture("dialog"));
    EXPECT_TRUE(big.GuardsIntact());
}

// ---- records the engine cannot trust

TEST_F(DialogTest, NullRecordsDoNothing) {
    _ITEM *edit = b.Edit("12", 0, 0, 5);
    DialogStart(&b.dialog, GDI_GREY, nullptr);
    _DIALOGKEYB_INFO keyb{TABRIX_EVENT_KEY, '7'};
    _DIALOG *dialog = &b.dialog;
    const std::function<uint32_t()> calls[] = {
        [] { return DialogStart(nullptr, GDI_RED, nullptr); },
        [&] { return DialogCont(&keyb, nullptr); },
        [&] { return DialogCont(nullptr, dialog); },
        [] { return DialogStop(nullptr); },
        [] { return DialogRefresh(nullptr, 0xFFFFFFFF); },
        [] { return DialogRedraw(nullptr); },
        [&] { return DialogDrawItem(nullptr, edit, 1, 255, 255), 0u; },
        [&] { return DialogDrawItem(dialog, nullptr, 1, 255, 255), 0u; },
    };
    for (size_t i = 0; i < std::size(calls); i++) {
        s.Clear();
        EXPECT_EQ(calls[i](), 0u) << i;
        EXPECT_EQ(s.Count(UNTOUCHED), 320 * 240) << i;
        EXPECT_EQ(keyb.event, TABRIX_EVENT_KEY) << i;
        EXPECT_STREQ(b.EditText(edit), "12") << i;
        EXPECT_EQ(b.dialog.focusItem, edit) << i;
    }
}

// The broken item stands first in the list and right of the button, where
// it would take the focus, the sideways move and the hot key 'x' if the
// engine took it.
TEST_F(DialogTest, ItemsThatCannotBeReadAreLeftOut) {
    for (const BrokenCase &c : kBrokenCases) {
        SCOPED_TRACE(testing::Message() << "kind " << c.kind << " breakage " << c.how);
        s.Clear();
        DialogBuilder d{"Title", 10, 20, 310, 230};
        _ITEM *broken = d.Whole(c.kind, 20, 1);
        Break(broken, c.how);
        _ITEM *button = d.Button("B", 0, 1, 3, 9, 'h');
        _ITEM *edit = d.Edit("12", 0, 2, 5);
        _ITEM *list = d.List(30, 5, 2, {"P", "Q"});
        auto key = [&](int8_t code) {
            _DIALOGKEYB_INFO keyb{TABRIX_EVENT_KEY, code};
            return DialogCont(&keyb, &d.dialog);
        };
        auto blank = [&] { return s.CellShows(X(20), Y(1), ' ', 0, Rgb(GDI_GREY)); };

        DialogStart(&d.dialog, GDI_GREY, broken);
        EXPECT_EQ(d.dialog.focusItem, button) << "given the focus";
        DialogStart(&d.dialog, GDI_GREY, nullptr);
        EXPECT_EQ(d.dialog.focusItem, button);
        EXPECT_TRUE(blank());
        key(DLG_KEY_UP);
        EXPECT_EQ(d.dialog.focusItem, button) << "up";
        key(DLG_KEY_RIGHT);
        EXPECT_EQ(d.dialog.focusItem, list) << "right";
        key(DLG_KEY_UP);
        EXPECT_EQ(key('x'), 0u) << "its hot key";
        EXPECT_STREQ(d.EditText(edit), "12x");
        EXPECT_EQ(key('h'), 9u);
        std::vector<uint32_t> before = s.pixels;
        DialogDrawItem(&d.dialog, broken, true, DIALOG_NO_OVERRIDE, DIALOG_NO_OVERRIDE);
        EXPECT_EQ(s.pixels, before) << "drawn alone";
        DialogRefresh(&d.dialog, 0xFFFFFFFF);
        DialogRedraw(&d.dialog);
        EXPECT_TRUE(blank());
        EXPECT_TRUE(Shows(0, 2, '1', true)) << "the rest is drawn";
    }
}

// A record taken away while its item holds the focus: keys do nothing to
// it, and down moves the focus on.
TEST_F(DialogTest, AFocusThatBreaksTakesNoKeys) {
    const int8_t keys[] = {DLG_KEY_ENTER, DLG_KEY_LEFT, DLG_KEY_RIGHT, DLG_KEY_BACKSPACE, 'x',
                           DLG_KEY_UP};
    for (const BrokenCase &c : kBrokenCases) {
        if (c.kind == DLG_ITEM_BITMAP || c.kind == DLG_ITEM_TEXT)
            continue;
        SCOPED_TRACE(testing::Message() << "kind " << c.kind << " breakage " << c.how);
        DialogBuilder d{"Title", 10, 20, 310, 230};
        _ITEM *focus = d.Whole(c.kind, 0, 0);
        _ITEM *next = d.Button("N", 5, 1, 3, 7);
        DialogStart(&d.dialog, GDI_GREY, nullptr);
        Break(focus, c.how);
        for (int8_t code : keys) {
            _DIALOGKEYB_INFO keyb{TABRIX_EVENT_KEY, code};
            EXPECT_EQ(DialogCont(&keyb, &d.dialog), 0u) << (int)code;
            EXPECT_EQ(d.dialog.focusItem, focus) << (int)code;
        }
        _DIALOGKEYB_INFO down{TABRIX_EVENT_KEY, DLG_KEY_DOWN};
        DialogCont(&down, &d.dialog);
        EXPECT_EQ(d.dialog.focusItem, next);
    }
}

TEST_F(DialogTest, AChoiceNeverMovesOntoAnEntryWithoutText) {
    struct Case { std::vector<const char *> entries; size_t current; int8_t key; };
    const Case cases[] = {
        {{"ON", nullptr, "OFF"}, 0, DLG_KEY_RIGHT},
        {{"OFF", nullptr, "ON"}, 2, DLG_KEY_LEFT},
    };
    for (const Case &c : cases) {
        DialogBuilder d{"Title", 10, 20, 310, 230};
        _ITEM *list = d.List(0, 0, 4, {c.entries[0], c.entries[1], c.entries[2]}, c.current);
        DialogStart(&d.dialog, GDI_GREY, nullptr);
        _DIALOGKEYB_INFO keyb{TABRIX_EVENT_KEY, c.key};
        EXPECT_EQ(DialogCont(&keyb, &d.dialog), 0u);
        EXPECT_STREQ(d.ListText(list), "ON") << (int)c.key;
        EXPECT_EQ(d.dialog.focusItem, list);
    }
}

// Lists whose links loop, on every export and key.  Items stand one a row:
// B a button (hot key 'h', result 9), T a text, E an empty edit at column
// 5.  Indexes name items; -1 no item.
TEST_F(DialogTest, ListsThatLoopEndEveryWalk) {
    struct Step { int8_t key; uint32_t result; int focus; };
    struct Case {
        const char *name;
        const char *kinds;
        void (*loop)(std::vector<_ITEM *> &);
        int given, start;
        std::vector<Step> steps;
    };
    // Every key, the focus staying where it is; 'h' and Enter give these.
    auto still = [](int focus, uint32_t hotKey, uint32_t enter) {
        return std::vector<Step>{
            {DLG_KEY_DOWN, 0, focus}, {DLG_KEY_UP, 0, focus}, {DLG_KEY_RIGHT, 0, focus},
            {DLG_KEY_LEFT, 0, focus}, {'h', hotKey, focus}, {'z', 0, focus},
            {DLG_KEY_BACKSPACE, 0, focus}, {DLG_KEY_ENTER, enter, focus},
        };
    };
    const Case cases[] = {
        {"next loops past the only button", "BTT",
         [](std::vector<_ITEM *> &v) { v[2]->next = v[1]; }, -1, 0, still(0, 9, 9)},
        {"prev loops before the only button", "TTB",
         [](std::vector<_ITEM *> &v) { v[0]->prev = v[1]; }, -1, 2, still(2, 9, 9)},
        {"next leads back to the first item", "BE",
         [](std::vector<_ITEM *> &v) { v[1]->next = v[0]; }, -1, 0,
         {{DLG_KEY_DOWN, 0, 1}, {DLG_KEY_DOWN, 0, 0}, {DLG_KEY_UP, 0, 0}, {DLG_KEY_RIGHT, 0, 1},
          {'z', 0, 1}, {'h', 9, 1}, {DLG_KEY_LEFT, 0, 1}, {DLG_KEY_BACKSPACE, 0, 1},
          {DLG_KEY_ENTER, 0, 1}}},
        {"next loops, nothing focusable", "TT",
         [](std::vector<_ITEM *> &v) { v[1]->next = v[0]; }, -1, -1, still(-1, 0, 0)},
        {"next loops, a text given the focus", "TT",
         [](std::vector<_ITEM *> &v) { v[1]->next = v[0]; }, 0, 0, still(0, 0, 0)},
        {"prev loops, a text given the focus", "TT",
         [](std::vector<_ITEM *> &v) { v[0]->prev = v[1]; }, 1, 1, still(1, 0, 0)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        s.Bind();
        DialogBuilder d{"Title", 10, 20, 310, 230};
        std::vector<_ITEM *> v;
        for (uint16_t row = 0; c.kinds[row]; row++) {
            char kind = c.kinds[row];
            v.push_back(kind == 'B' ? d.Button("B", 0, row, 3, 9, 'h')
                        : kind == 'E' ? d.Edit("", 5, row, 4) : d.Text("T", 0, row));
        }
        c.loop(v);
        auto item = [&](int i) { return i < 0 ? nullptr : v[i]; };
        EXPECT_EQ(DialogStart(&d.dialog, GDI_GREY, item(c.given)), 0u);
        EXPECT_EQ(d.dialog.focusItem, item(c.start));
        for (const Step &st : c.steps) {
            _DIALOGKEYB_INFO keyb{TABRIX_EVENT_KEY, st.key};
            EXPECT_EQ(DialogCont(&keyb, &d.dialog), st.result) << (int)st.key;
            EXPECT_EQ(d.dialog.focusItem, item(st.focus)) << (int)st.key;
        }
        EXPECT_EQ(DialogRefresh(&d.dialog, 0xFFFFFFFF), 0u);
        EXPECT_EQ(DialogRedraw(&d.dialog), 0u);
        EXPECT_EQ(DialogStop(&d.dialog), 0u);
        EXPECT_TRUE(s.GuardsIntact());
    }
}

// The bound of a walk is exact: an item at place DIALOG_MAX_ITEMS is still
// seen, one further on is not.
TEST_F(DialogTest, AWalkSeesDialogMaxItemsItems) {
    for (uint32_t before : {DIALOG_MAX_ITEMS - 1, DIALOG_MAX_ITEMS}) {
        SCOPED_TRACE(before);
        DialogBuilder d{"Title", 10, 20, 310, 230};
        for (uint32_t i = 0; i < before; i++)
            d.Other(7);
        _ITEM *button = d.Button("B", 0, 0, 3, 9, 'h');
        bool seen = before < DIALOG_MAX_ITEMS;
        s.Bind();
        DialogStart(&d.dialog, GDI_GREY, nullptr);
        EXPECT_EQ(d.dialog.focusItem, seen ? button : nullptr);
        EXPECT_EQ(Shows(0, 0, '[', true), seen);
        d.dialog.focusItem = d.dialog.firstItem;
        _DIALOGKEYB_INFO keyb{TABRIX_EVENT_KEY, 'h'};
        EXPECT_EQ(DialogCont(&keyb, &d.dialog), seen ? 9u : 0u) << "the hot key search";
        keyb = {TABRIX_EVENT_KEY, DLG_KEY_DOWN};
        DialogCont(&keyb, &d.dialog);
        EXPECT_EQ(d.dialog.focusItem, seen ? button : d.dialog.firstItem) << "down";
    }
}

}  // namespace
