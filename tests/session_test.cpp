// The session exports before a script is loaded, and TabrixStop on a
// loaded one.
#include <gtest/gtest.h>

#include <cstring>

#include "scripted.h"
#include "session/prompts.h"
#include "session/session.h"

namespace {

_TABRIX_INFO Info() {
    _TABRIX_INFO info{};
    info.size = sizeof info;
    info.script = "NONE.SCT";
    info.right = 640;
    info.bottom = 480;
    return info;
}

TEST(SessionTest, StartClearsTheSessionAndTheManualTexts) {
    TabrixSession.errorCode = 4;
    TabrixSession.params[3] = {7, PARAM_VALID};
    std::strcpy(ManualNumberText, "12");
    std::strcpy(ManualValueText, "1.5");
    _TABRIX_INFO info = Info();
    EXPECT_EQ(TabrixStart(&info), 0u);
    EXPECT_EQ(TabrixSession.params[3].value, 0);
    EXPECT_EQ(TabrixSession.firstKey, 1u);
    EXPECT_STREQ(ManualNumberText, "0");
    EXPECT_STREQ(ManualValueText, "");
}

TEST(SessionTest, EventKindZeroChangesNothing) {
    _TABRIX_INFO info = Info();
    TabrixStart(&info);
    TabrixSession.errorCode = 0;
    std::strcpy(TabrixSession.lastSaved.path, "DATA.TXT");
    _DIALOGKEYB_INFO keyb{TABRIX_EVENT_NONE, 5};
    EXPECT_EQ(TabrixCont(&info, &keyb), 0u);
    EXPECT_STREQ(TabrixSession.lastSaved.path, "DATA.TXT");
    EXPECT_EQ(keyb.key, 5);
    // Missing records are ignored rather than followed.
    _DIALOGKEYB_INFO forget{TABRIX_EVENT_FORGET, 0};
    EXPECT_EQ(TabrixCont(nullptr, &forget), 0u);
    EXPECT_EQ(TabrixCont(&info, nullptr), 0u);
    EXPECT_STREQ(TabrixSession.lastSaved.path, "DATA.TXT");
}

TEST(SessionTest, PaintWithoutAScreenDoesNothing) {
    EXPECT_EQ(TabrixPAINT(), 0u);
}

TEST(SessionTest, LastSavedFileBeforeAnySave) {
    _TABRIX_INFO info = Info();
    TabrixStart(&info);
    _REKFILEINFO out;
    std::memset(&out, 'x', sizeof out);
    EXPECT_EQ(TabrixLastSavedFile(&out), 0u);
    EXPECT_STREQ(out.path, "");
    EXPECT_STREQ(out.keyword, "");
    EXPECT_EQ(uint32_t{out.count}, 0u);
    EXPECT_EQ(uint8_t{out.decimals}, (uint8_t)'x') << "decimals is not written";
}

// The texts fill their 81 bytes with 80 and the terminator, even from a
// record that has none.
TEST(SessionTest, LastSavedFileCopiesTheWhole80Bytes) {
    std::memset(&TabrixSession.lastSaved, 'p', sizeof TabrixSession.lastSaved);
    TabrixSession.lastSaved.count = 500;
    _REKFILEINFO out;
    std::memset(&out, 'x', sizeof out);
    TabrixLastSavedFile(&out);
    EXPECT_EQ(std::string(out.path), std::string(80, 'p'));
    EXPECT_EQ(std::string(out.keyword), std::string(80, 'p'));
    EXPECT_EQ(uint32_t{out.count}, 500u);
}

TEST(SessionTest, ForgetWorksEvenAfterAnError) {
    _TABRIX_INFO info = Info();
    TabrixStart(&info);
    std::strcpy(TabrixSession.lastSaved.path, "DATA.TXT");
    TabrixSession.lastSaved.count = 9;
    TabrixSession.errorCode = 16;
    for (uint8_t kind : {1, 2, 3, 5, 6, 7, 255}) {
        _DIALOGKEYB_INFO keyb{kind, 3};
        EXPECT_EQ(TabrixCont(&info, &keyb), 0u) << (int)kind;
        EXPECT_EQ(keyb.event, kind) << "an ignored event is left as it was";
    }
    _DIALOGKEYB_INFO forget{TABRIX_EVENT_FORGET, 0};
    EXPECT_EQ(TabrixCont(&info, &forget), 1u);
    EXPECT_STREQ(TabrixSession.lastSaved.path, "");
    EXPECT_EQ(uint32_t{TabrixSession.lastSaved.count}, 0u);
    EXPECT_EQ(TabrixGetErrorLine(), 16u) << "only a new start clears the error";
}

TEST(SessionTest, ErrorTextsAreCutTo59Characters) {
    std::string longText(100, 'e');
    SessionSetError(&TabrixSession, 4, longText.c_str(), "%s", "");
    EXPECT_EQ(TabrixGetErrorLine(), 4u);
    EXPECT_EQ(std::string(TabrixSession.errorText), std::string(59, 'e'));
}

TEST(SessionTest, ErrorTextIsCopiedBoundedAndTerminated) {
    SessionSetError(&TabrixSession, 4, "Line:12 File:TAB1.SCT", "%s", "");
    const struct { uint32_t size; const char *want; } cases[] = {
        {60, "Line:12 File:TAB1.SCT"}, {22, "Line:12 File:TAB1.SCT"},
        {21, "Line:12 File:TAB1.SC"}, {5, "Line"}, {1, ""},
    };
    for (const auto &c : cases) {
        char out[64];
        std::memset(out, 'x', sizeof out);
        EXPECT_EQ(TabrixGetErrorText(out, c.size), 21u) << c.size;
        EXPECT_STREQ(out, c.want) << c.size;
        EXPECT_EQ(out[c.size], 'x') << "nothing past the buffer, size " << c.size;
    }
    char untouched = 'x';
    EXPECT_EQ(TabrixGetErrorText(&untouched, 0), 21u);
    EXPECT_EQ(untouched, 'x');
    EXPECT_EQ(TabrixGetErrorText(nullptr, 60), 21u);
}

class SessionStopTest : public ScriptedTest {};

// A host that lets a session go must not have a late finish save it.
TEST_F(SessionStopTest, AfterStopNoEventIsTakenUntilTheNextStart) {
    const std::string data = "Saw\r\nPARAMS\r\n01:\t+00012.500\r\n*\r\n";
    Write("MAIN.SCT", {"REKFILE \"PARAMS\" \"DATA.TXT\" C30", "DIALOG \"Main\" \"DLG_MAIN\"",
                       "REAL \"Speed\" C1"});
    WriteFile(dir / "DATA.TXT", data);
    ASSERT_EQ(Start(), 0u) << ErrorText();
    Send("7");
    EXPECT_EQ(TabrixStop(&info), 0u);
    _DIALOGKEYB_INFO finish{TABRIX_EVENT_FINISH, 0};
    EXPECT_EQ(TabrixCont(&info, &finish), 0u);
    EXPECT_EQ(Send("<enter>8<finish>"), std::vector<uint32_t>{});
    EXPECT_EQ(FocusText(), "7") << "keys after the stop are not taken";
    EXPECT_EQ(Read("DATA.TXT"), data);
    EXPECT_FALSE(PathExists(dir / "DATA.tm_"));
    _REKFILEINFO last{};
    TabrixLastSavedFile(&last);
    EXPECT_STREQ(last.path, "");

    ASSERT_EQ(Start(), 0u) << ErrorText();
    EXPECT_EQ(Send("3<finish>"), std::vector<uint32_t>{TABRIX_CONT_FINISHED});
    EXPECT_NE(Read("DATA.TXT").find("+00003.000"), std::string::npos) << Read("DATA.TXT");
    TabrixLastSavedFile(&last);
    EXPECT_STREQ(last.path, "DATA.TXT");
}

}  // namespace
