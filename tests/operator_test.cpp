// The operator's session end to end: keys and events in, the data file's
// exact bytes, TabrixCont's results and the last saved file out; and the
// rules of moving, typing, committing, computing and prompting.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/messages/messages.h"
#include "scripted.h"
#include "testfiles.h"
#include "session/edit.h"
#include "session/prompts.h"
#include "session/screen.h"

namespace {

const std::vector<std::string> kMain = {
    "REKFILE \"PARAMS\" \"DATA.TXT\" C30",
    "DIALOG \"Main\" \"DLG_MAIN\"",
    "REAL \"Speed\" C1 S",
    "INT \"Count\" C2 L1 N3",
    "HEX \"Mask\" C3",
    "LIST \"Mode\" C4 V0\"Off\" V1000\"On\"",
    "SIGN \"Dir\" C5 V+\"fwd\" V-\"rev\"",
    "INT \"Var\" M1.8",
    "SUB \"Limits\" \"LIMITS\"",
    "CALC \"R1*2\" C8 A",
    "CALC \"R1+1\" C9",
    "CALC \"R7\" \"R7>5000\" C10",
    "DIALOG \"Limits\" \"LIMITS\"",
    "INIT C6 I7",
    "REAL \"Max\" C7",
};

const std::vector<std::string> kMenu = {
    "DIALOG \"Menu\" \"DLG_MAIN\"",
    "SCRIPT \"Machine\" \"MAIN.SCT\"",
};

// The data file's parameter lines by number; saving writes them back in
// this form, so a save without changes gives the same bytes.
const std::map<int, std::string> kValues = {
    {1, "+00012.500\t;speed"}, {2, "+00000.042"}, {3, "+00000.255"}, {4, "+00001.000"},
    {5, "+00000.007"}, {7, "+00006.000"}, {8, "+00025.000"}, {9, "+00012.501"}, {10, "+00006.000"},
};

std::string DataFile(const std::map<int, std::string> &changes = {}) {
    std::map<int, std::string> values = kValues;
    for (const auto &[n, v] : changes)
        values[n] = v;
    std::string bytes = "Machine 7 parameters\r\nPARAMS\r\n";
    for (const auto &[n, v] : values) {
        char number[8];
        std::snprintf(number, sizeof number, "%02d", n);
        bytes += std::string(number) + ":\t" + v + "\r\n";
    }
    return bytes + "\r\n*\r\n";
}

struct Scenario {
    const char *name;
    const char *script;
    const char *keys;
    std::vector<uint32_t> results;          // TabrixCont results other than 0
    std::map<int, std::string> saved;       // changes to the data file; "-" for untouched
    const char *lastSaved;                  // TabrixLastSavedFile's path
    int32_t variable = 0;                   // the memory image cell of M1.8 afterwards
};

const std::map<int, std::string> kUntouched = {{0, "-"}};

class OperatorTest : public ScriptedTest {
protected:
    void SetUp() override {
        ScriptedTest::SetUp();
        Reset();
    }
    void Reset() {
        Write("MAIN.SCT", kMain);
        Write("MENU.SCT", kMenu);
        WriteFile(dir / "DATA.TXT", DataFile());
        ImageCellWrite(8, 0);
    }
};

TEST_F(OperatorTest, Scenarios) {
    const Scenario scenarios[] = {
        {"finish without edits saves anyway", "MAIN.SCT", "<finish>", {2}, {}, "DATA.TXT"},
        {"typing into REAL and moving down", "MAIN.SCT", "2.5<down><finish>", {2},
         {{1, "+00002.500\t;speed"}, {8, "+00005.000"}, {9, "+00002.501"}}, "DATA.TXT"},
        {"Enter takes the field", "MAIN.SCT", "2.5<enter><finish>", {2},
         {{1, "+00002.500\t;speed"}, {8, "+00005.000"}, {9, "+00002.501"}}, "DATA.TXT"},
        {"a signed REAL", "MAIN.SCT", "-2.5<enter><finish>", {2},
         {{1, "-00002.500\t;speed"}, {8, "-00005.000"}, {9, "-00002.499"}}, "DATA.TXT"},
        {"a refused text blocks the finish until mended", "MAIN.SCT",
         "1.5x<down><finish><up>2<finish>", {2},
         {{1, "+00002.000\t;speed"}, {8, "+00004.000"}, {9, "+00002.001"}}, "DATA.TXT"},
        {"a refused text alone saves nothing", "MAIN.SCT", "1.5x<down><finish>", {}, kUntouched, ""},
        {"a minus in an unsigned INT is refused", "MAIN.SCT", "<down>-5<finish>", {}, kUntouched, ""},
        {"an INT mended after refusal", "MAIN.SCT", "<down>-5<finish><bksp><bksp>5<finish>", {2},
         {{2, "+00000.005"}}, "DATA.TXT"},
        {"HEX in upper case", "MAIN.SCT", "<down><down>1F<finish>", {2}, {{3, "+00000.031"}},
         "DATA.TXT"},
        {"HEX in lower case is refused", "MAIN.SCT", "<down><down>ff<finish>", {}, kUntouched, ""},
        {"a LIST choice", "MAIN.SCT", "<down><down><down><left><finish>", {2},
         {{4, "+00000.000"}}, "DATA.TXT"},
        {"the LIST's first entry never goes back to ???", "MAIN.SCT",
         "<down><down><down><left><left><left><finish>", {2}, {{4, "+00000.000"}}, "DATA.TXT"},
        {"a SIGN choice negates the whole value", "MAIN.SCT", "<down><down><down><down><right><finish>",
         {2}, {{5, "-00000.007"}}, "DATA.TXT"},
        {"a variable goes back to the memory image", "MAIN.SCT",
         "<down><down><down><down><down>77<finish>", {2}, {}, "DATA.TXT", 77},
        {"the manual setting stores a scaled value", "MAIN.SCT",
         "<manual>7<down><bksp><bksp><bksp><bksp><bksp>9.5<down><enter><finish>", {2},
         {{7, "+00009.500"}, {10, "+00009.500"}}, "DATA.TXT"},
        // A refused number keeps the dialog open: the finish goes to it
        // and is ignored; Cancel (down thrice from the red number) leaves.
        {"the manual setting refuses a number out of range", "MAIN.SCT",
         "<manual>2000<down>5<down><enter><finish>", {}, kUntouched, ""},
        {"the manual setting refuses a negative number, then Cancel", "MAIN.SCT",
         "<manual>-1<down>5<down><enter><down><down><down><enter><finish>", {2}, {}, "DATA.TXT"},
        {"the manual setting refuses a number with letters, then mended", "MAIN.SCT",
         "<manual>12A<down>5<down><enter>7<enter>5<enter><enter><finish>", {2},
         {{7, "+00005.000"}}, "DATA.TXT"},
        {"the manual setting's Cancel", "MAIN.SCT", "<manual>7<down>5<down><down><enter><finish>", {2},
         {}, "DATA.TXT"},
        {"a SUB link runs INIT on entry and back returns", "MAIN.SCT",
         "<down><down><down><down><down><down><enter>3<enter><back><finish>", {2},
         {{6, "+00000.007"}, {7, "+00003.000"}, {10, "+00006.000"}}, "DATA.TXT"},
        {"finish on a linked screen saves its data file", "MAIN.SCT",
         "<down><down><down><down><down><down><enter><finish>", {2}, {{6, "+00000.007"}}, "DATA.TXT"},
        {"back with changes: Yes saves", "MENU.SCT", "<enter>2.5<down><back><enter><finish>", {2},
         {{1, "+00002.500\t;speed"}, {8, "+00005.000"}, {9, "+00002.501"}}, "DATA.TXT"},
        {"back with changes: No leaves without saving", "MENU.SCT",
         "<enter>2.5<down><back><down><enter><finish>", {2}, kUntouched, ""},
        {"back with changes: Cancel stays", "MENU.SCT",
         "<enter>2.5<down><back><down><down><enter><finish>", {2},
         {{1, "+00002.500\t;speed"}, {8, "+00005.000"}, {9, "+00002.501"}}, "DATA.TXT"},
        {"back without changes asks nothing", "MENU.SCT", "<enter><back><finish>", {2}, kUntouched, ""},
        {"events while the prompt is open go nowhere", "MENU.SCT",
         "<enter>2.5<down><back><finish><forget><manual><back><down><enter><finish>", {2}, kUntouched,
         ""},
        {"forget after a finish", "MAIN.SCT", "<finish><forget>", {2, 1}, {}, ""},
    };
    for (const Scenario &sc : scenarios) {
        Reset();
        ASSERT_EQ(Start(sc.script), 0u) << sc.name << ": " << ErrorText();
        EXPECT_EQ(Send(sc.keys), sc.results) << sc.name;
        std::string want = sc.saved == kUntouched ? DataFile() : DataFile(sc.saved);
        EXPECT_EQ(Read("DATA.TXT"), want) << sc.name;
        _REKFILEINFO last{};
        TabrixLastSavedFile(&last);
        EXPECT_STREQ(last.path, sc.lastSaved) << sc.name;
        EXPECT_EQ(ImageCellRead(8), sc.variable) << sc.name;
        EXPECT_EQ(TabrixGetErrorLine(), 0u) << sc.name << ": " << ErrorText();
    }
}

// TabrixModified: whether the session holds a value that its file (the
// data file, or the memory image for a variable) does not.
TEST_F(OperatorTest, ModifiedTellsWhatTheFilesLack) {
    struct Case { const char *name, *script, *keys; uint32_t modified; };
    const Case cases[] = {
        {"a fresh start", "MAIN.SCT", "", 0},
        {"an edit taken", "MAIN.SCT", "2.5<down>", 1},
        {"an edit still being typed", "MAIN.SCT", "2.5", 1},
        {"a choice made and not taken", "MAIN.SCT", "<down><down><down><left>", 1},
        {"the value's own text typed again", "MAIN.SCT", "12.50", 0},
        {"the value it had typed again", "MAIN.SCT", "12.5<down>", 0},
        {"a refused text", "MAIN.SCT", "1.5x<down>", 1},
        {"saved", "MAIN.SCT", "2.5<down><finish>", 0},
        {"a variable", "MAIN.SCT", "<down><down><down><down><down>77<down>", 1},
        {"a variable written back", "MAIN.SCT", "<down><down><down><down><down>77<down><finish>", 0},
        {"a start value that changes a parameter", "MAIN.SCT", "<down><down><down><down><down><down><enter>", 1},
        {"the manual setting's Ok", "MAIN.SCT", "<manual>7<enter>5<enter><enter>", 1},
        {"the manual setting's Cancel", "MAIN.SCT", "<manual>7<enter>5<down><down><enter>", 0},
        {"on another script's screen", "MENU.SCT", "<enter>2.5<down>", 1},
        {"discarded in the save prompt", "MENU.SCT", "<enter>2.5<down><back><down><enter>", 0},
        {"saved in the save prompt", "MENU.SCT", "<enter>2.5<down><back><enter>", 0},
        {"kept in the save prompt", "MENU.SCT", "<enter>2.5<down><back><down><down><enter>", 1},
    };
    for (const Case &c : cases) {
        Reset();
        ASSERT_EQ(Start(c.script), 0u) << c.name;
        Send(c.keys);
        EXPECT_EQ(TabrixModified(), c.modified) << c.name;
    }
    // A save that fails leaves the edit unsaved.
    Reset();
    ASSERT_EQ(Start(), 0u);
    Send("2.5<down>");
    FileFaultSet([](int op) { return op == FILE_OP_WRITE ? 1 : 0; });
    Send("<finish>");
    FileFaultSet(nullptr);
    EXPECT_EQ(TabrixGetErrorLine(), (uint32_t)MSG_FILE_WRITE_ERROR);
    EXPECT_EQ(TabrixModified(), 1u);
}

// The reason record: nothing written into a record too small for it; the
// place and reason of a link to a missing screen, and of a full pool.
TEST_F(OperatorTest, ErrorReasonRecord) {
    Write("MAIN.SCT", {"DIALOG \"M\" \"DLG_MAIN\"", "TEXT \"x\"", "  SUB \"Gone\" \"NOWHERE\""});
    ASSERT_EQ(Start(), 0u);
    Send("<enter>");
    static _TABRIX_ERROR e;
    std::memset(&e, 'x', sizeof e);
    e.size = sizeof e - 1;
    EXPECT_EQ(TabrixGetErrorReason(&e), 16u);
    EXPECT_EQ(uint32_t{e.code}, 0x78787878u) << "a short record is left alone";
    EXPECT_EQ(TabrixGetErrorReason(nullptr), 16u);
    e.size = sizeof e;
    EXPECT_EQ(TabrixGetErrorReason(&e), 16u);
    EXPECT_EQ(uint32_t{e.code}, 16u);
    EXPECT_STREQ(e.file, "MAIN.SCT");
    EXPECT_EQ(uint32_t{e.line}, 3u);
    EXPECT_EQ(uint32_t{e.column}, 3u);
    EXPECT_STREQ(e.reason, "no screen NOWHERE in MAIN.SCT for the button \"Gone\"");
    EXPECT_EQ(ErrorText(), "File:MAIN.SCT Dialog:NOWHERE") << "the detail text keeps its form";

    // A script set too big for the pool: the line where it ran out.
    std::vector<std::string> big = {"DIALOG \"M\" \"DLG_MAIN\""};
    for (int i = 0; i < 40000; i++)
        big.push_back("TEXT \"" + std::string(40, 'x') + "\"");
    Write("MAIN.SCT", big);
    ASSERT_EQ(Start(), (uint32_t)MSG_NO_MEMORY);
    ASSERT_EQ(TabrixGetErrorReason(&e), (uint32_t)MSG_NO_MEMORY);
    EXPECT_STREQ(e.file, "MAIN.SCT");
    EXPECT_GT(uint32_t{e.line}, 1u);
    EXPECT_NE(std::strstr(e.reason, "memory pool of 2700000 bytes"), nullptr) << e.reason;
}

// ------------------------------------------------------------------ moving

TEST_F(OperatorTest, EnterOnAFieldBecomesDown) {
    ASSERT_EQ(Start(), 0u);
    Send("3");
    _DIALOGKEYB_INFO keyb{TABRIX_EVENT_KEY, DLG_KEY_ENTER};
    EXPECT_EQ(TabrixCont(&info, &keyb), 0u);
    EXPECT_EQ(keyb.key, DLG_KEY_DOWN) << "the host sees the key rewritten";
    EXPECT_EQ(TabrixSession.params[1].value, 3000);
    EXPECT_EQ(FocusText(), "42");
}

TEST_F(OperatorTest, FirstCharacterReplacesTheText) {
    ASSERT_EQ(Start(), 0u);
    Send("<down>");
    EXPECT_EQ(FocusText(), "42");
    Send("5");
    EXPECT_EQ(FocusText(), "5");
    Send("5");
    EXPECT_EQ(FocusText(), "55");
    Send("<left><bksp>");
    EXPECT_EQ(FocusText(), "5") << "moving the caret keeps the text";
}

TEST_F(OperatorTest, FieldsWithoutAValueTakeOnlyUpAndDown) {
    WriteFile(dir / "DATA.TXT", "Machine\r\nPARAMS\r\n01:5\r\n*\r\n");
    ASSERT_EQ(Start(), 0u);
    Send("<down>");
    const _ITEM *count = TabrixSession.current->dialog->focusItem;
    Send("7<bksp><left>");
    EXPECT_EQ(FocusText(), "0");
    EXPECT_EQ(TabrixSession.params[2].flags, 0u);
    Send("<down>");
    EXPECT_NE(TabrixSession.current->dialog->focusItem, count) << "down still moves";
    Send("<up>");
    EXPECT_EQ(TabrixSession.current->dialog->focusItem, count) << "up still moves";
}

// A field of a parameter the data file does not keep (at or above its
// count) is read-only: the save would drop what was typed.  The reason
// record tells why a key was not taken, and forgets it at the next key.
TEST_F(OperatorTest, FieldsBeyondTheCountAreReadOnly) {
    Write("MAIN.SCT", {"REKFILE \"PARAMS\" \"DATA.TXT\" C30", "DIALOG \"Main\" \"DLG_MAIN\"",
                       "INT C29", "INT C30", "INT C2", "INT C3"});
    WriteFile(dir / "DATA.TXT", "PARAMS\r\n29:1\r\n30:2\r\n3:9999999999\r\n*\r\n");
    ASSERT_EQ(Start(), 0u);
    static _TABRIX_ERROR e;
    e.size = sizeof e;
    struct Case { const char *keys, *text, *reason; };
    const Case cases[] = {
        {"5", "5", ""},                                                   // parameter 29: kept
        {"<down>7", "2000", "parameter 30 is read-only: DATA.TXT keeps parameters 0 to 29"},
        {"<down>7", "0", "parameter 2 has no value in the data file"},
        {"<down>7", "0", "parameter 3 is read-only: its value in the data file does not fit 32 bits"},
        {"<up><up>", "2000", ""},
    };
    for (const Case &c : cases) {
        Send(c.keys);
        EXPECT_EQ(FocusText(), c.text) << c.keys;
        EXPECT_EQ(TabrixGetErrorReason(&e), 0u);
        EXPECT_STREQ(e.reason, c.reason) << c.keys;
    }
    EXPECT_EQ(Send("<finish>"), std::vector<uint32_t>{2});
    EXPECT_EQ(Read("DATA.TXT"), "PARAMS\r\n29:\t+00000.005\r\n30:2\r\n3:9999999999\r\n\r\n*\r\n")
        << "30 and 3 are kept as they were";
}

TEST_F(OperatorTest, BackOnTheMainScreenDoesNothing) {
    ASSERT_EQ(Start(), 0u);
    _SCREEN *main = TabrixSession.current;
    EXPECT_TRUE(Send("<back><back>").empty());
    EXPECT_EQ(TabrixSession.current, main);
    EXPECT_EQ(TabrixSession.mode, (uint32_t)MODE_SCREEN);
}

TEST_F(OperatorTest, LinksPushAndBackPops) {
    ASSERT_EQ(Start("MENU.SCT"), 0u);
    Send("<enter>");
    EXPECT_STREQ(TabrixSession.current->name, "MAIN.SCT*DLG_MAIN");
    Send("<down><down><down><down><down><down><enter>");
    EXPECT_STREQ(TabrixSession.current->name, "MAIN.SCT*LIMITS");
    int depth = 0;
    for (const _SCREENLINK *l = TabrixSession.stack; l; l = l->below)
        depth++;
    EXPECT_EQ(depth, 3);
    Send("<back>");
    EXPECT_STREQ(TabrixSession.current->name, "MAIN.SCT*DLG_MAIN");
    EXPECT_EQ(TabrixSession.stack->below->below, nullptr);
}

TEST_F(OperatorTest, ManualSettingNeedsADataFile) {
    ASSERT_EQ(Start("MENU.SCT"), 0u);
    Send("<manual>");
    EXPECT_EQ(TabrixSession.mode, (uint32_t)MODE_SCREEN);
}

TEST_F(OperatorTest, LinkToAMissingScreen) {
    Write("MAIN.SCT", {"DIALOG \"M\" \"DLG_MAIN\"", "SUB \"Gone\" \"NOWHERE\"",
                       "SCRIPT \"Other\" \"OTHER.SCT\""});
    Write("OTHER.SCT", {"DIALOG \"O\" \"OTHER\""});
    ASSERT_EQ(Start(), 0u);
    Send("<enter>");
    EXPECT_EQ(TabrixGetErrorLine(), 16u);
    EXPECT_EQ(ErrorText(), "File:MAIN.SCT Dialog:NOWHERE");
    EXPECT_NE(surface.Count(Rgb(13)), 0) << "the error box is shown";
    EXPECT_TRUE(Send("<down><finish><manual><back>").empty()) << "only forget is handled now";
    EXPECT_EQ(Send("<forget>"), std::vector<uint32_t>{1});

    ASSERT_EQ(Start(), 0u);
    Send("<down><enter>");
    EXPECT_EQ(TabrixGetErrorLine(), 16u);
    EXPECT_EQ(ErrorText(), "File:OTHER.SCT Dialog:DLG_MAIN");
}

TEST_F(OperatorTest, ErrorsOnTheWayAreShownAtOnce) {
    // A data file that cannot be read when its screen is entered.
    Write("OTHER.SCT", {"REKFILE \"KEY\" \"OTHER.TXT\"", "DIALOG \"O\" \"DLG_MAIN\"", "INT C1"});
    WriteFile(dir / "OTHER.TXT", "KEY\r\n*\r\n");
    Write("MENU.SCT", {"DIALOG \"Menu\" \"DLG_MAIN\"", "SCRIPT \"Other\" \"OTHER.SCT\""});
    ASSERT_EQ(Start("MENU.SCT"), 0u);
    WriteFile(dir / "OTHER.TXT", "no key word\r\n");
    surface.Clear();
    Send("<enter>");
    EXPECT_EQ(TabrixGetErrorLine(), 35u);
    EXPECT_NE(surface.Count(Rgb(13)), 0);

    // A save after "Yes" that fails.
    WriteFile(dir / "OTHER.TXT", "KEY\r\n1:1\r\n*\r\n");
    ASSERT_EQ(Start("MENU.SCT"), 0u);
    Send("<enter>5<down><back>");
    ASSERT_EQ(TabrixSession.mode, (uint32_t)MODE_SAVE_PROMPT);
    FileFaultSet([](int op) { return op == FILE_OP_WRITE ? 1 : 0; });
    surface.Clear();
    Send("<enter>");
    FileFaultSet(nullptr);
    EXPECT_EQ(TabrixGetErrorLine(), 11u);
    EXPECT_NE(surface.Count(Rgb(13)), 0);
    EXPECT_EQ(Read("OTHER.TXT"), "KEY\r\n1:1\r\n*\r\n");

    // A failed finish.
    ASSERT_EQ(Start(), 0u);
    FileFaultSet([](int op) { return op == FILE_OP_WRITE ? 1 : 0; });
    EXPECT_TRUE(Send("<finish>").empty());
    FileFaultSet(nullptr);
    EXPECT_EQ(TabrixGetErrorLine(), 11u);
    EXPECT_EQ(Read("DATA.TXT"), DataFile());
}

// A full disk: the failed finish leaves the old data file and no
// temporary file; once there is room again, a second finish saves.
TEST_F(OperatorTest, AFullDiskThenRoomAgain) {
    int code = RunInChild([&] {
        struct rlimit limit;
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 60;
        signal(SIGXFSZ, SIG_IGN);
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0 || Start() != 0)
            return 100;
        Send("2.5<down><finish>");
        if (TabrixGetErrorLine() != 11 || Read("DATA.TXT") != DataFile())
            return 101;
        for (const auto &e : std::filesystem::directory_iterator(dir.root()))
            if (e.path().filename().string().find(".tm_") != std::string::npos)
                return 102;
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_FSIZE, &limit);
        Send("<up>");
        if (Send("<finish>") != std::vector<uint32_t>{2})
            return 103;
        return Read("DATA.TXT") == DataFile({{1, "+00002.500\t;speed"}, {8, "+00005.000"}, {9, "+00002.501"}}) ? 0 : 104;
    });
    EXPECT_EQ(code, 0);
}

// A failed save keeps the session: the next event only takes the error box
// away, every edit is still there, and a finish tries again.
TEST_F(OperatorTest, AFailedSaveCanBeTriedAgain) {
    auto failWrites = [](int op) { return op == FILE_OP_WRITE ? 1 : 0; };
    ASSERT_EQ(Start(), 0u);
    Send("2.5<down>");
    FileFaultSet(failWrites);
    EXPECT_TRUE(Send("<finish>").empty());
    EXPECT_EQ(TabrixGetErrorLine(), 11u);
    EXPECT_EQ(Read("DATA.TXT"), DataFile());
    EXPECT_EQ(TabrixModified(), 1u);
    surface.Clear();
    EXPECT_TRUE(Send("<forget>").empty()) << "the first event only dismisses";
    EXPECT_EQ(TabrixGetErrorLine(), 0u);
    EXPECT_EQ(ErrorText(), "");
    EXPECT_NE(surface.Count(Rgb(SCREEN_BACKGROUND)), 0) << "the screen is drawn again";
    EXPECT_EQ(surface.Count(Rgb(13)), 0) << "without the error box";
    EXPECT_EQ(Send("<finish>"), std::vector<uint32_t>{}) << "still failing";
    EXPECT_EQ(TabrixGetErrorLine(), 11u);
    FileFaultSet(nullptr);
    EXPECT_TRUE(Send("<up>").empty());
    EXPECT_EQ(Send("<finish>"), std::vector<uint32_t>{2});
    EXPECT_EQ(Read("DATA.TXT"), DataFile({{1, "+00002.500\t;speed"}, {8, "+00005.000"}, {9, "+00002.501"}}));

    // Through "Yes" in the save prompt: the screen stays, back asks again.
    Reset();
    ASSERT_EQ(Start("MENU.SCT"), 0u);
    Send("<enter>2.5<down><back>");
    ASSERT_EQ(TabrixSession.mode, (uint32_t)MODE_SAVE_PROMPT);
    FileFaultSet(failWrites);
    Send("<enter>");
    EXPECT_EQ(TabrixGetErrorLine(), 11u);
    FileFaultSet(nullptr);
    Send("<down>");
    EXPECT_EQ(TabrixGetErrorLine(), 0u);
    EXPECT_EQ(TabrixSession.current, Screen("MAIN.SCT*DLG_MAIN"));
    Send("<back>");
    ASSERT_EQ(TabrixSession.mode, (uint32_t)MODE_SAVE_PROMPT);
    Send("<enter>");
    EXPECT_EQ(TabrixSession.current, Screen("MENU.SCT*DLG_MAIN"));
    EXPECT_EQ(Read("DATA.TXT"), DataFile({{1, "+00002.500\t;speed"}, {8, "+00005.000"}, {9, "+00002.501"}}));
}

// --------------------------------------------------------------- committing

struct CommitCase {
    const char *line;       // the field
    const char *text;       // typed into it
    int32_t before, after;  // parameter 1
    int32_t taken;          // ItemsCommit's result
};

TEST_F(OperatorTest, CommitRules) {
    const CommitCase cases[] = {
        {"REAL C1", "1.5", 0, 1500, 1},
        {"REAL C1", "1.5x", 0, 1500, 0},
        {"REAL C1", "", 7, 0, 1},
        {"REAL C1 L4 N2", "0.99", 12345, 12345, 0},    // 990 scaled is too wide
        {"REAL C1 L4 N2", "0.09", 12345, 90345, 1},
        {"INT C1 L1 N2", "123", 45, 45, 0},
        {"INT C1 L1 N2", "99", 12345, 12399, 1},
        {"INT C1 L1 N2", "-5", 12345, 12305, 0},        // stored as 5, refused
        {"INT C1 S", "-5", 12345, -5, 1},
        {"INT C1", "99999999999", 1, 1, 0},
        {"HEX C1", "ff", 3, 0, 0},                      // what parsed is stored
        {"HEX C1", "FF", 3, 255, 1},
        {"HEX C1", "80000000", 3, 3, 0},
        {"HEX C1 L1 N2", "FF", 3, 3, 0},
    };
    for (const CommitCase &c : cases) {
        Write("MAIN.SCT", {"REKFILE \"PARAMS\" \"DATA.TXT\"", "DIALOG \"M\" \"DLG_MAIN\"",
                           std::string(c.line)});
        ASSERT_EQ(Start(), 0u) << c.line;
        TabrixSession.params[1] = {c.before, PARAM_VALID};
        _DIALOG *d = TabrixSession.current->dialog;
        std::strcpy(((_EDIT_ITEM *)d->firstItem->data)->text, c.text);
        EXPECT_EQ(ItemsCommit(d), c.taken) << c.line << " with " << c.text;
        EXPECT_EQ(TabrixSession.params[1].value, c.after) << c.line << " with " << c.text;
    }
}

TEST_F(OperatorTest, RefusedFieldIsRedrawnInRed) {
    ASSERT_EQ(Start(), 0u);
    Send("1.5x<down>");
    int x = kLeft + 5 + 6 * 8, y = kTop + 21 + 5;
    EXPECT_EQ(surface.Text(x, y, 4, Rgb(13), Rgb(7)), "1.5x");
    EXPECT_EQ(FocusText(), "42") << "the focus moved on";
    surface.SavePicture("refused_field");
}

TEST_F(OperatorTest, SignOfZeroStaysZero) {
    ASSERT_EQ(Start(), 0u);
    TabrixSession.params[5].value = 0;
    ItemsRefresh(TabrixSession.current->dialog);
    Send("<down><down><down><down><right><down>");
    EXPECT_EQ(TabrixSession.params[5].value, 0);
}

TEST_F(OperatorTest, CalcResults) {
    Write("MAIN.SCT", {"REKFILE \"PARAMS\" \"DATA.TXT\"", "DIALOG \"M\" \"DLG_MAIN\"",
                       "CALC \"1E9\" C1 A",             // not a number: rejected
                       "DIALOG \"N\" \"OTHER\""});
    EXPECT_EQ(Start(), 4u);
    Write("MAIN.SCT", {"REKFILE \"PARAMS\" \"DATA.TXT\"", "DIALOG \"M\" \"DLG_MAIN\"",
                       "CALC \"1000000000\" C11 A",
                       "CALC \"-1000000000\" C12 A",
                       "CALC \"5\" \"0\" C1 A",
                       "CALC \"6\" C2 \"0\" A",        // a later text is no condition
                       "CALC \"R7/1000+0.5\" D3 A",
                       "CALC \"D3*2\" C13 A",
                       "CALC \"2.5\" M1.8 A"});
    ASSERT_EQ(Start(), 0u) << ErrorText();
    EXPECT_EQ(TabrixSession.params[11].value, 69999999);
    EXPECT_EQ(TabrixSession.params[12].value, -69999999);
    EXPECT_EQ(TabrixSession.params[1].value, 12500) << "a condition of 0 skips its entry";
    EXPECT_EQ(TabrixSession.params[2].value, 6);
    EXPECT_EQ(TabrixSession.reals[3], 6.5);
    EXPECT_EQ(TabrixSession.params[13].value, 13) << "later entries see earlier results";
    EXPECT_EQ(VariableFind(8)->value, 3);
}

// ----------------------------------------------------------------- prompts

TEST_F(OperatorTest, ManualSettingShowsTheValue) {
    struct Case { const char *number; int32_t value; uint32_t flags; const char *shown; };
    const Case cases[] = {
        {"12", 12500, PARAM_VALID, "12.500"},
        {"12", -1250, PARAM_VALID, "-1.250"},
        {"12", 0, 0, "0.000"},
        {"12", -1, PARAM_VALID | PARAM_RAW, "4294967295"},
        {"12x", 5, PARAM_VALID, "previous"},
        {"2000", 5, PARAM_VALID, "previous"},
    };
    for (const Case &c : cases) {
        ASSERT_EQ(Start(), 0u);
        TabrixSession.params[12] = {c.value, c.flags};
        std::strcpy(ManualNumberText, c.number);
        std::strcpy(ManualValueText, "previous");
        Send("<manual>");
        EXPECT_STREQ(ManualValueText, c.shown) << c.number << " " << c.value;
    }
}

// The manual setting behaves like a screen field: the first character
// typed into a field replaces it, Enter moves on (number, value, "Ok"),
// and "Ok" on a number the data file does not hold or a value that does
// not fit turns that field red and keeps the dialog open.
TEST_F(OperatorTest, ManualSettingRules) {
    // The prompt's number and value fields on the large screen: the dialog
    // is 21 characters wide (its title line), centred.
    const int fieldX = 320 + 5 + 12 * 8, numberY = 186 + 21 + 5 + 18, valueY = numberY + 18;
    struct Case {
        const char *name, *keys;
        bool open;                  // the dialog stays open
        const char *red;            // "number" or "value": the refused field
        uint32_t param;             // the parameter looked at afterwards
        int32_t value;
        uint32_t flags;
    };
    const uint32_t valid = PARAM_VALID, raw = PARAM_VALID | PARAM_RAW;
    const Case cases[] = {
        {"replace, Enter, replace, Enter, Ok", "<manual>7<enter>9.5<enter><enter>", false, "", 7, 9500, valid},
        {"typing after a move replaces again", "<manual>7<enter>1<up>2<enter>5<enter><enter>", false, "", 2, 5000, valid},
        {"a parameter the file lacks gets a value", "<manual>11<enter>3<enter><enter>", false, "", 11, 3000, valid},
        {"beyond the data file's count", "<manual>30<enter>1<enter><enter>", true, "number", 30, 0, 0},
        {"beyond the table", "<manual>2000<enter>1<enter><enter>", true, "number", 7, 6000, valid},
        {"negative", "<manual>-1<enter>1<enter><enter>", true, "number", 7, 6000, valid},
        {"letters", "<manual>7A<enter>1<enter><enter>", true, "number", 7, 6000, valid},
        {"empty number", "<manual><bksp><enter>1<enter><enter>", true, "number", 0, 0, 0},
        {"a value that does not parse", "<manual>7<enter>1.2.3<enter><enter>", true, "value", 7, 6000, valid},
        {"an empty value", "<manual>7<enter><bksp><bksp><bksp><bksp><bksp><enter><enter>", true, "value", 7, 6000, valid},
        {"a sign alone", "<manual>7<enter>-<enter><enter>", true, "value", 7, 6000, valid},
        {"beyond 32 bits once scaled", "<manual>7<enter>2147484<enter><enter>", true, "value", 7, 6000, valid},
        {"the largest scaled value", "<manual>7<enter>2147483.64<enter><enter>", false, "", 7, 2147483640, valid},
        {"a raw value shown unsigned comes back unchanged", "<manual>20<enter><enter><enter>", false, "", 20, -1, raw},
        {"a raw value signed", "<manual>20<enter>-5<enter><enter>", false, "", 20, -5, raw},
        {"a raw value above 32 bits", "<manual>20<enter>4294967296<enter><enter>", true, "value", 20, -1, raw},
        {"a raw value with a fraction", "<manual>20<enter>1.5<enter><enter>", true, "value", 20, -1, raw},
        {"Cancel takes nothing", "<manual>7<enter>5<down><down><enter>", false, "", 7, 6000, valid},
        {"a refused field mended", "<manual>30<enter>1<enter><enter>7<enter>5<enter><enter>", false, "", 7, 5000, valid},
        {"Cancel after a refusal", "<manual>30<enter>1<enter><enter><down><down><down><enter>", false, "", 7, 6000, valid},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(dir / "DATA.TXT", DataFile({{20, "4294967295L"}}));
        ASSERT_EQ(Start(), 0u);
        Send(c.keys);
        EXPECT_EQ(TabrixSession.mode, c.open ? (uint32_t)MODE_MANUAL : (uint32_t)MODE_SCREEN);
        const _PARAM &p = TabrixSession.params[c.param];
        EXPECT_EQ(p.flags, c.flags);
        if (c.flags != 0) {
            EXPECT_EQ(p.value, c.value);
        }
        bool number = std::strcmp(c.red, "number") == 0, value = std::strcmp(c.red, "value") == 0;
        // The refused field is red on black: it has the focus.
        const char *text = number ? ManualNumberText : ManualValueText;
        int y = number ? numberY : valueY;
        if (number || value) {
            EXPECT_EQ(surface.Text(fieldX, y, (int)std::strlen(text), Rgb(GDI_RED), Rgb(GDI_BLACK)), text);
        }
    }
}

TEST_F(OperatorTest, ManualSettingScalesByTheDataFile) {
    Write("MAIN.SCT", {"REKFILE \"PARAMS\" \"DATA.TXT\" N1", "DIALOG \"M\" \"DLG_MAIN\"", "INT C1"});
    Write("DATA.TXT", {"PARAMS", "1:2.5", "*"});
    ASSERT_EQ(Start(), 0u);
    std::strcpy(ManualNumberText, "1");
    Send("<manual>");
    EXPECT_STREQ(ManualValueText, "2.5");
    Send("<down><bksp><bksp><bksp>7.25<down><enter>");
    EXPECT_EQ(TabrixSession.params[1].value, 73) << "scaled by 10 and rounded";
    EXPECT_EQ(TabrixSession.modified, 1u);
}

TEST_F(OperatorTest, PromptPictures) {
    ASSERT_EQ(Start("MENU.SCT"), 0u);
    Send("<enter>2.5<down><back>");
    ASSERT_EQ(TabrixSession.mode, (uint32_t)MODE_SAVE_PROMPT);
    // "Save file before pop menu?" is the widest line: 26 columns.
    int width = 26 * 8 + 32;
    int left = kLeft + (kRight - kLeft - width) / 2, top = kTop + (kBottom - kTop - 120) / 2;
    EXPECT_EQ(surface.At(left, top), Rgb(14));
    EXPECT_EQ(surface.At(left + width, top + 120), Rgb(14));
    EXPECT_EQ(surface.Text(left + 5 + 8, top + 26 + 2 * 18, 10, Rgb(7), Rgb(0)), "[  Yes   ]");
    surface.SavePicture("save_prompt");
    Send("<down><down><enter>");
    EXPECT_EQ(TabrixSession.mode, (uint32_t)MODE_SCREEN);

    std::strcpy(ManualNumberText, "7");
    Send("<manual>");
    ASSERT_EQ(TabrixSession.mode, (uint32_t)MODE_MANUAL);
    width = 21 * 8 + 32;   // "Enter parameter value"
    left = kLeft + (kRight - kLeft - width) / 2;
    EXPECT_EQ(surface.Text(left + 5 + 12 * 8, top + 26 + 18, 1, Rgb(7), Rgb(0)), "7");
    surface.SavePicture("manual_setting");
}

TEST_F(OperatorTest, LongDataFilePathWidensThePromptToItsLimit) {
    std::string name(75, 'D');
    Write("OTHER.SCT", {"REKFILE \"KEY\" \"" + name + "\"", "DIALOG \"O\" \"DLG_MAIN\"", "INT C1"});
    WriteFile(dir / name, "KEY\r\n1:1\r\n*\r\n");
    Write("MENU.SCT", {"DIALOG \"Menu\" \"DLG_MAIN\"", "SCRIPT \"Other\" \"OTHER.SCT\""});
    ASSERT_EQ(Start("MENU.SCT"), 0u);
    surface.Clear();
    Send("<enter>5<down><back>");
    ASSERT_EQ(TabrixSession.mode, (uint32_t)MODE_SAVE_PROMPT);
    // The path's text runs past the box (text is not clipped); below the
    // texts the box ends at its width.
    int width = 70 * 8 + 32, left = kLeft + (kRight - kLeft - width) / 2;
    int bottom = kTop + (kBottom - kTop - 120) / 2 + 120;
    EXPECT_EQ(surface.At(left, bottom), Rgb(14));
    EXPECT_EQ(surface.At(left + width, bottom), Rgb(14));
    EXPECT_NE(surface.At(left + width + 1, bottom), Rgb(14));
    EXPECT_NE(surface.At(left - 1, bottom), Rgb(14));
}

}  // namespace
