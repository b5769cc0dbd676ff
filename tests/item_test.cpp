// Drawing one dialog item: brackets, padding, caret, colours and the cut of
// texts longer than the work buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "dialog/dialog.h"
#include "dialogs.h"
#include "platform/draw/draw.h"
#include "surface.h"

namespace {

constexpr uint16_t kNone = DIALOG_NO_OVERRIDE;

class ItemTest : public ::testing::Test {
protected:
    void SetUp() override {
        s.Bind();
        b.dialog.background = GDI_GREY;
        GDISetColor(GDI_GREY, GDI_GREY);
    }
    // Pixel position of a grid cell of the dialog (no title).
    static int X(int col) { return 10 + 5 + col * 8; }
    static int Y(int row) { return 20 + 5 + row * 18; }
    std::string TextAt(int col, int row, int n, uint8_t fore, uint8_t back) {
        return s.Text(X(col), Y(row), n, Rgb(fore), Rgb(back));
    }

    TestSurface s{320, 200};
    DialogBuilder b{nullptr, 10, 20, 310, 190};
};

TEST_F(ItemTest, ButtonPadsItsLabelInsideBrackets) {
    struct Case { const char *label; uint16_t width; bool focused; const char *shown; };
    const Case cases[] = {
        {"OK", 10, true, "[   OK   ]"},
        {"OK", 10, false, "[   OK   ]"},
        {"OK", 11, false, "[   OK    ]"},
        {"ABC", 10, false, "[  ABC   ]"},
        {"SAVE", 4, false, "[SAVE]"},
        {"SAVE", 0, true, "[SAVE]"},
    };
    for (const Case &c : cases) {
        s.Clear();
        _ITEM *item = b.Button(c.label, 2, 1, c.width, 1);
        DialogDrawItem(&b.dialog, item, c.focused, kNone, kNone);
        uint8_t fore = c.focused ? GDI_WHITE : GDI_BLACK, back = c.focused ? GDI_BLACK : GDI_WHITE;
        int n = (int)std::strlen(c.shown);
        EXPECT_EQ(TextAt(2, 1, n, fore, back), c.shown) << c.label << " " << c.width;
        EXPECT_EQ(s.At(X(2 + n), Y(1)), UNTOUCHED) << "nothing after the bracket";
    }
}

TEST_F(ItemTest, ListCentresItsEntryInsideAngleBrackets) {
    struct Case { const char *entry; uint16_t width; const char *shown; };
    const Case cases[] = {
        {"ON", 6, "<  ON  >"},
        {"ON", 5, "< ON  >"},
        {"LONGTEXT", 6, "<LONGTEXT>"},
        {"", 3, "<   >"},
    };
    for (const Case &c : cases) {
        s.Clear();
        _ITEM *item = b.List(0, 2, c.width, {"OFF", c.entry}, 1);
        DialogDrawItem(&b.dialog, item, true, kNone, kNone);
        int n = (int)std::strlen(c.shown);
        EXPECT_EQ(TextAt(0, 2, n + 1, GDI_WHITE, GDI_BLACK), std::string(c.shown) + "?") << c.entry;
    }
}

TEST_F(ItemTest, EditPadsToItsWidthWithTheCaretAtTheCursor) {
    _ITEM *item = b.Edit("12", 3, 0, 8);
    DialogDrawItem(&b.dialog, item, false, kNone, kNone);
    EXPECT_EQ(TextAt(3, 0, 9, GDI_BLACK, GDI_WHITE), "12      ?");

    // The caret: a white column at the cell's left edge, rows 1 to 13.
    b.dialog.focusItem = item;
    for (uint16_t cursor : {0, 2}) {
        s.Clear();
        b.dialog.cursor = cursor;
        DialogDrawItem(&b.dialog, item, true, kNone, kNone);
        SCOPED_TRACE(cursor);
        int x = X(3) + cursor * 8;
        for (int row = 1; row <= 13; row++)
            EXPECT_EQ(s.At(x, Y(0) + row), Rgb(GDI_WHITE)) << row;
        if (cursor > 0) {
            EXPECT_EQ(TextAt(3, 0, 2, GDI_WHITE, GDI_BLACK), "12");
            for (int row : {0, 14, 15})
                EXPECT_EQ(s.At(x, Y(0) + row), Rgb(GDI_BLACK)) << row;
            EXPECT_EQ(s.At(x + 1, Y(0) + 5), Rgb(GDI_BLACK)) << "one pixel wide";
        }
    }
    s.Clear();
    _ITEM *full = b.Edit("12345678", 3, 0, 8);
    b.dialog.focusItem = full;
    b.dialog.cursor = 8;
    DialogDrawItem(&b.dialog, full, true, kNone, kNone);
    EXPECT_EQ(TextAt(3, 0, 9, GDI_WHITE, GDI_BLACK), "12345678?") << "no caret at the width";
}

TEST_F(ItemTest, EditShowsOnlyItsWidth) {
    _ITEM *item = b.Edit("123456789", 0, 0, 5);
    DialogDrawItem(&b.dialog, item, false, kNone, kNone);
    EXPECT_EQ(TextAt(0, 0, 6, GDI_BLACK, GDI_WHITE), "12345?");
}

TEST_F(ItemTest, CaretBeyondTheTextIsPulledBack) {
    _ITEM *item = b.Edit("12", 0, 0, 8);
    b.dialog.focusItem = item;
    b.dialog.cursor = 9;
    DialogDrawItem(&b.dialog, item, true, kNone, kNone);
    EXPECT_EQ(uint16_t{b.dialog.cursor}, 2);
    EXPECT_EQ(s.At(X(2), Y(0) + 5), Rgb(GDI_WHITE));
}

TEST_F(ItemTest, TextIsBlackOnTheDialogBackgroundWhateverTheCallSays) {
    _ITEM *item = b.Text("Speed", 1, 3);
    DialogDrawItem(&b.dialog, item, true, GDI_RED, GDI_GREEN);
    EXPECT_EQ(TextAt(1, 3, 5, GDI_BLACK, GDI_GREY), "Speed");
}

TEST_F(ItemTest, OverridesReplaceTheColours) {
    struct Case { bool focused; uint16_t fore, back; uint8_t shownFore, shownBack; };
    const Case cases[] = {
        {true, GDI_RED, kNone, GDI_RED, GDI_BLACK},
        {false, GDI_RED, kNone, GDI_RED, GDI_WHITE},
        {true, kNone, GDI_GREEN, GDI_WHITE, GDI_GREEN},
        {false, 0x100 | GDI_RED, kNone, GDI_RED, GDI_WHITE},  // the low byte counts
    };
    for (const Case &c : cases) {
        s.Clear();
        _ITEM *item = b.Button("OK", 0, 0, 4, 1);
        DialogDrawItem(&b.dialog, item, c.focused, c.fore, c.back);
        EXPECT_EQ(TextAt(0, 0, 4, c.shownFore, c.shownBack), "[OK]") << c.focused << " " << c.fore;
    }
}

TEST_F(ItemTest, UnknownKindsDrawNothing) {
    GDISetClip(1, 2, 3, 4);
    DialogDrawItem(&b.dialog, b.Other(0), true, kNone, kNone);
    int32_t l, t, r, bottom;
    GDIGetClip(&l, &t, &r, &bottom);
    EXPECT_EQ((std::vector<int32_t>{l, t, r, bottom}), (std::vector<int32_t>{1, 2, 3, 4}))
        << "kind 0 does not even clip";
    DialogDrawItem(&b.dialog, b.Other(6), true, kNone, kNone);
    GDIGetClip(&l, &t, &r, &bottom);
    EXPECT_EQ((std::vector<int32_t>{l, t, r, bottom}), (std::vector<int32_t>{10, 24, 310, 190}));
    DialogDrawItem(&b.dialog, b.Bitmap("PICTURE.BMP", 0, 0), false, kNone, kNone);
    EXPECT_EQ(s.Count(UNTOUCHED), 320 * 200);
}

TEST_F(ItemTest, GridStartsBelowTheTitle) {
    DialogBuilder titled{"T", 10, 20, 310, 190};
    titled.dialog.background = GDI_GREY;
    DialogDrawItem(&titled.dialog, titled.Button("OK", 2, 1, 4, 1), false, kNone, kNone);
    EXPECT_EQ(s.Text(10 + 5 + 16, 20 + 21 + 5 + 18, 4, Rgb(GDI_BLACK), Rgb(GDI_WHITE)), "[OK]");
}

// Texts longer than the work buffer are cut at 499 characters.
TEST(ItemLongTextTest, LongTextsAreCutNeverOverflow) {
    TestSurface s(4100, 40);
    s.Bind();
    DialogBuilder b{nullptr, 0, 0, 4099, 39};
    GDISetColor(GDI_GREY, GDI_GREY);
    std::string label(700, 'L'), entry(700, 'E');

    DialogDrawItem(&b.dialog, b.Button(label.c_str(), 0, 0, 900, 1), false, kNone, kNone);
    EXPECT_EQ(GDILayer.textWidth, 499u);
    EXPECT_EQ(s.Text(5, 5, 101, Rgb(GDI_BLACK), Rgb(GDI_WHITE)), "[" + std::string(99, ' ') + "L");
    EXPECT_EQ(s.Text(5 + 498 * 8, 5, 2, Rgb(GDI_BLACK), Rgb(GDI_WHITE)), "L?");

    DialogDrawItem(&b.dialog, b.List(0, 0, 900, {entry.c_str()}), false, kNone, kNone);
    EXPECT_EQ(GDILayer.textWidth, 499u);

    s.Clear();
    DialogDrawItem(&b.dialog, b.Edit(std::string(600, '7'), 0, 0, 700), false, kNone, kNone);
    EXPECT_EQ(GDILayer.textWidth, 700u);
    EXPECT_EQ(s.Text(5 + 497 * 8, 5, 3, Rgb(GDI_BLACK), Rgb(GDI_WHITE)), "77?");
    EXPECT_TRUE(s.GuardsIntact());
}

}  // namespace
