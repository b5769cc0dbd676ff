// The loading notice, the error box and the repaint of the current screen.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "dialogs.h"
#include "platform/draw/draw.h"
#include "platform/messages/messages.h"
#include "session/prompts.h"
#include "session/session.h"
#include "surface.h"

namespace {

class PromptsTest : public ::testing::Test {
protected:
    void SetUp() override {
        LocalizationInit(nullptr, TABRIX_LANG_ENGLISH);
        std::memset(&TabrixSession, 0, sizeof TabrixSession);
        s.Bind();
        info.size = sizeof info;
        info.script = "NONE.SCT";
        info.left = 20, info.top = 10, info.right = 619, info.bottom = 469;
    }
    void TearDown() override { LocalizationInit(nullptr, TABRIX_LANG_CZECH); }

    TestSurface s{640, 480};
    _TABRIX_INFO info{};
};

TEST_F(PromptsTest, StartShowsTheLoadingNotice) {
    EXPECT_EQ(TabrixStart(&info), 0u);
    EXPECT_EQ(s.Bounds(Rgb(GDI_GREY)), (PixelBox{20, 10, 619, 469}));
    EXPECT_EQ(s.Text(21, 10, 18, Rgb(GDI_BLACK), Rgb(GDI_GREY)), "Loading script... ");
    int32_t l, t, r, b;
    GDIGetClip(&l, &t, &r, &b);
    EXPECT_EQ((std::vector<int32_t>{l, t, r, b}), (std::vector<int32_t>{20, 10, 619, 469}));
    EXPECT_TRUE(s.SavePicture("loading"));
}

TEST_F(PromptsTest, ErrorBoxColumns) {
    struct Case { std::string message, text; int32_t columns; };
    const Case cases[] = {
        {"", "", 5}, {"???", "", 5}, {"Syntax Error", "", 12}, {"???", "MAIN.SCT, 12", 12},
        {std::string(80, 'm'), "", 70}, {"", std::string(75, 't'), 70},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ErrorBoxColumns(c.message.c_str(), c.text.c_str()), c.columns) << c.message << c.text;
    EXPECT_EQ(ERROR_BOX_COLUMNS * 8 + 32, 592) << "the widest box";
}

/* The reason stands on a line of its own under the detail text (or under
   the message when there is none); the box grows by a line for each. */
TEST_F(PromptsTest, ErrorBoxSizeAndPlace) {
    struct Case { uint32_t code; std::string detail, reason; int width, height; };
    const Case cases[] = {
        {MSG_NO_ENTRY, "", "", 72, 64},                   // "???" is shorter than "Error"
        {MSG_NO_ENTRY, "ABC", "", 72, 80},
        {MSG_SYNTAX_ERROR, "", "", 12 * 8 + 32, 64},
        {MSG_SYNTAX_ERROR, "MAIN.SCT line 12", "", 16 * 8 + 32, 80},
        {MSG_SYNTAX_ERROR, std::string(59, 'x'), "", 59 * 8 + 32, 80},
        {MSG_SYNTAX_ERROR, "Line:3 File:A.SCT", "unknown keyword LABLE", 21 * 8 + 32, 96},
        {MSG_MAIN_NOT_FOUND, "", "no DIALOG", 18 * 8 + 32, 80},
        {MSG_SYNTAX_ERROR, "L", std::string(90, 'r'), 70 * 8 + 32, 96},
    };
    for (const Case &c : cases) {
        s.Clear();
        SessionSetError(&TabrixSession, c.code, c.detail.c_str(), "%s", c.reason.c_str());
        ErrorScreenShow(&info, &TabrixSession);
        int left = 20 + (599 - c.width) / 2, top = 10 + (459 - c.height) / 2;
        SCOPED_TRACE(testing::Message() << c.code << " " << c.detail << " " << c.reason);
        EXPECT_EQ(s.Bounds(Rgb(GDI_RED)), (PixelBox{left, top, left + c.width - 1, top + c.height - 1}));
        EXPECT_EQ(s.Text(20 + (599 - 40) / 2, top, 5, Rgb(GDI_WHITE), Rgb(GDI_RED)), "Error");
        std::string message = MessageText(c.code);
        EXPECT_EQ(s.Text(left + 16, top + 32, (int)message.size(), Rgb(GDI_WHITE), Rgb(GDI_RED)), message);
        int y = top + 48;
        if (!c.detail.empty()) {
            EXPECT_EQ(s.Text(left + 16, y, (int)c.detail.size(), Rgb(GDI_WHITE), Rgb(GDI_RED)), c.detail);
            y += 16;
        }
        std::string reason = c.reason.substr(0, 70);
        if (!reason.empty()) {
            EXPECT_EQ(s.Text(left + 16, y, (int)reason.size(), Rgb(GDI_WHITE), Rgb(GDI_RED)), reason);
        }
    }
}

TEST_F(PromptsTest, ErrorBoxPictures) {
    s.Bind();
    TabrixStart(&info);
    SessionSetError(&TabrixSession, MSG_MAIN_NOT_FOUND, "", "%s", "");
    ErrorScreenShow(&info, &TabrixSession);
    EXPECT_TRUE(s.SavePicture("error"));
    TabrixStart(&info);
    SessionSetError(&TabrixSession, MSG_SYNTAX_ERROR, "Line:27 File:MACHINE.SCT", "unknown keyword LABLE");
    ErrorScreenShow(&info, &TabrixSession);
    EXPECT_TRUE(s.SavePicture("error_detail"));
    LocalizationInit(nullptr, TABRIX_LANG_CZECH);
    TabrixStart(&info);
    SessionSetError(&TabrixSession, MSG_FILE_WRITE_ERROR, "DATA.TXT", "%s", "");
    ErrorScreenShow(&info, &TabrixSession);
    EXPECT_TRUE(s.SavePicture("error_czech"));
}

TEST_F(PromptsTest, ErrorBoxIsNotCutByADialogsClip) {
    GDISetClip(300, 200, 310, 210);
    SessionSetError(&TabrixSession, MSG_NO_ENTRY, "", "%s", "");
    ErrorScreenShow(&info, &TabrixSession);
    EXPECT_EQ(s.Count(Rgb(GDI_RED)) + s.Count(Rgb(GDI_WHITE)), 72 * 64);
}

TEST_F(PromptsTest, PaintRedrawsTheCurrentScreensDialog) {
    TabrixStart(&info);
    DialogBuilder b{"Main", 20, 10, 619, 469};
    b.Button("OK", 1, 1, 6, 1);
    b.Edit("12", 1, 2, 6);
    _SCREEN screen{};
    TabrixSession.current = &screen;
    s.Clear();
    EXPECT_EQ(TabrixPAINT(), 0u);
    EXPECT_EQ(s.Count(UNTOUCHED), 640 * 480) << "a screen without a dialog";
    screen.dialog = &b.dialog;
    DialogStart(&b.dialog, GDI_GREY, nullptr);
    std::vector<uint32_t> drawn = s.pixels;
    s.Clear();
    EXPECT_EQ(TabrixPAINT(), 0u);
    EXPECT_EQ(s.pixels, drawn);
}

}  // namespace
