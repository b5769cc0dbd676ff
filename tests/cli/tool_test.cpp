// The tabrix program from a shell: options and exit statuses, check on
// good and bad script sets, and render compared with what the library
// draws in a direct session.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "../tempdir.h"
#include "tool.h"

namespace {

class ToolTest : public ::testing::Test {
protected:
    // Writes a file of lines ended by CR LF, in a folder made as needed.
    void Write(const std::string &name, const std::vector<std::string> &lines) {
        std::string bytes;
        for (const std::string &l : lines)
            bytes += l + "\r\n";
        std::filesystem::create_directories(std::filesystem::path(dir / name).parent_path());
        WriteFile(dir / name, bytes);
    }
    ToolResult Run(const std::vector<std::string> &args, const std::vector<std::string> &env = {}) {
        return ToolRun(args, dir.root(), env);
    }
    // A screen of the issue's example: a data file, a text, a signed
    // real, a choice, a link to a second screen.
    void WriteExample() {
        Write("set/TAB1.SCT", {
            "REKFILE \"K\" \"DATA.TXT\" C100 N2",
            "DIALOG \"Settings\" \"DLG_MAIN\"",
            "TEXT \"Spindle\" X0",
            "REAL \"Speed\" C12 S",
            "LIST \"Mode\" C13 V0\"Off\" V1\"On\"",
            "SUB \"Limits\" \"LIMITS\" X20 Y5",
            "DIALOG \"Limits\" \"LIMITS\"",
            "INT \"Limit\" C14 L1 N4",
        });
        Write("set/DATA.TXT", {"Machine 7", "K", "12:1.5", "13:1L", "14:250", "*"});
    }
    TempDir dir;
};

// ------------------------------------------------------------- usage

TEST_F(ToolTest, UsageErrorsExitWithTwo) {
    WriteExample();
    const struct {
        std::vector<std::string> args;
        std::string err;        // a part of what stderr says
    } cases[] = {
        {{}, "A subcommand is required"},
        {{"lint", "set/TAB1.SCT"}, "A subcommand is required"},
        {{"check"}, "SCRIPT is required"},
        {{"check", "set/TAB1.SCT", "--keys", "1"}, "--keys"},
        {{"check", "--lang", "xx", "set/TAB1.SCT"}, "xx not in {cs,de,en,fr,hu,pl,ru}"},
        {{"render", "set/TAB1.SCT", "--size", "huge"},
         "--size: \"huge\" is not small, medium, large or WxH"},
        {{"render", "set/TAB1.SCT", "--keys", "<home>"}, "--keys: unknown key name \"<home>\""},
        {{"run", "set/TAB1.SCT"}, "--keys is required"},
        {{"run", "set/TAB1.SCT", "--keys", "1+2"}, "--keys: \"+\" cannot be typed"},
        {{"run", "set/TAB1.SCT", "--keys", "<finish", "--memory", "M.BIN"},
         "--keys: unterminated key name \"<finish\""},
    };
    for (const auto &c : cases) {
        ToolResult r = Run(c.args);
        std::string joined;
        for (const std::string &a : c.args)
            joined += a + " ";
        EXPECT_EQ(r.status, 2) << joined << r.err;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << joined << "\n" << r.err;
        EXPECT_EQ(r.out, "") << joined;
    }
    EXPECT_FALSE(PathExists(dir / "TAB1.png")) << "a usage error renders nothing";
    EXPECT_FALSE(PathExists(dir / "M.BIN"));
}

TEST_F(ToolTest, HelpAndVersion) {
    ToolResult help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char *command : {"check", "render", "run"})
        EXPECT_NE(help.out.find(command), std::string::npos) << command;
    ToolResult render = Run({"render", "--help"});
    EXPECT_EQ(render.status, 0);
    EXPECT_NE(render.out.find("790x446 is large"), std::string::npos) << "--size WxH is documented";
    EXPECT_NE(render.out.find("<finish>"), std::string::npos) << "KEYS are documented";
    ToolResult version = Run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, TABRIX_VERSION "\n");
}

// ------------------------------------------------------------- check

TEST_F(ToolTest, CheckNamesTheMainScreen) {
    WriteExample();
    ToolResult r = Run({"check", "set/TAB1.SCT"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "set/TAB1.SCT: ok, main screen TAB1.SCT*DLG_MAIN\n");
    EXPECT_EQ(r.err, "");

    // From inside the folder, and from elsewhere by an absolute path.
    r = ToolRun({"check", "TAB1.SCT"}, dir / "set");
    EXPECT_EQ(r.out, "TAB1.SCT: ok, main screen TAB1.SCT*DLG_MAIN\n");
    r = ToolRun({"check", dir / "set/TAB1.SCT"}, "/");
    EXPECT_EQ(r.status, 0) << r.err;
}

// One script (and data file) per reason: where each error is and why, in
// the form compilers print them, the place once.
TEST_F(ToolTest, CheckTellsWhereAndWhy) {
    const std::string main = "DIALOG \"T\" \"DLG_MAIN\"";
    const std::string data = "REKFILE \"K\" \"D.TXT\"";
    const std::string longText(1100, 'a');
    const struct {
        std::vector<std::string> script;
        std::vector<std::string> dataFile;      // D.TXT, when not empty
        std::string err;
    } cases[] = {
        {{main, "lable \"x\""}, {}, "set/MAIN.SCT:2:1: error 4: Syntax Error: unknown keyword LABLE"},
        {{main, "  INT C1 N4"}, {},
         "set/MAIN.SCT:2:3: error 4: Syntax Error: INT needs a whole digit field: L with N or H, or H with N"},
        {{data + " C2000", main}, {"K", "*"},
         "set/MAIN.SCT:1:21: error 4: Syntax Error: digit field C2000 is outside 0..1999"},
        {{main, "TEXT \"a // b\""}, {},
         "set/MAIN.SCT:2:6: error 4: Syntax Error: a quoted text is not closed (a \"//\" inside a text starts a comment)"},
        {{main, "INT C5 X-1"}, {}, "set/MAIN.SCT:2:8: error 4: Syntax Error: column X-1 is outside 0..2147483647"},
        {{main, "INT C5 Q3"}, {}, "set/MAIN.SCT:2:8: error 4: Syntax Error: unknown field letter Q"},
        {{main, "INT \"lab\" 5"}, {}, "set/MAIN.SCT:2:11: error 4: Syntax Error: a number with no field letter before it"},
        {{main, "INT D3 C5"}, {},
         "set/MAIN.SCT:2:8: error 4: Syntax Error: C cannot follow D: a line names one parameter, variable or real slot"},
        {{main, "INT M1"}, {}, "set/MAIN.SCT:2:5: error 4: Syntax Error: variable M needs bank.offset, such as M1.8"},
        {{main, "INT M0.2000"}, {}, "set/MAIN.SCT:2:5: error 4: Syntax Error: offset 2000 of M is outside 0..1999"},
        {{main, "hex"}, {}, "set/MAIN.SCT:2:1: error 4: Syntax Error: HEX needs a parameter or variable: C or R"},
        {{main, "LIST V0\"a\" C7"}, {},
         "set/MAIN.SCT:2:1: error 4: Syntax Error: a field after the entries: fields stand before the first V"},
        {{main, "0\"a\""}, {}, "set/MAIN.SCT:2:1: error 4: Syntax Error: LIST entries with no LIST before them"},
        {{"DIALOG \"T\""}, {}, "set/MAIN.SCT:1:11: error 4: Syntax Error: DIALOG needs a title and a screen name, each in quotes"},
        {{main, "INIT C5 I-1"}, {}, "set/MAIN.SCT:2:1: error 4: Syntax Error: INIT needs a value I (-1 counts as none)"},
        {{main, "CALC \"sin( 30\" C1"}, {}, "set/MAIN.SCT:2:14: error 4: Syntax Error: CALC formula: \")\" expected"},
        {{main, "CALC \"1 + R2000\" C1"}, {},
         "set/MAIN.SCT:2:11: error 4: Syntax Error: CALC formula: parameter R2000 is outside 0..1999"},
        {{main, "CALC \"1\" \"2 #\" C1"}, {}, "set/MAIN.SCT:2:13: error 4: Syntax Error: CALC condition: unexpected \"#\""},
        {{main, "CALC \"" + std::string(300, '(') + "1\" C1"}, {},
         "set/MAIN.SCT:2:264: error 4: Syntax Error: CALC formula: nesting deeper than 256"},
        {{main, "CALC \"1+2\""}, {}, "set/MAIN.SCT:2:1: error 4: Syntax Error: CALC needs a target: C, R, M or D"},
        {{main, "BITMAP \"MAIN.SCT\""}, {}, "set/MAIN.SCT:2:1: error 4: Syntax Error: BITMAP needs its column X and row Y"},
        // A line past 1,022 characters is read in pieces; its real line is
        // told, and the lines after it keep their numbers.
        {{main, "TEXT \"" + longText + "\""}, {},
         "set/MAIN.SCT:2:1023: error 4: Syntax Error: the line is longer than 1,022 characters"},
        {{main, "//" + longText.substr(0, 1021) + "//rest", "INT C1 Q"}, {},
         "set/MAIN.SCT:3:8: error 4: Syntax Error: unknown field letter Q"},
        {{main, "", "SIGN C3 V+\"p\"", "TEXT \"x\""}, {},
         "set/MAIN.SCT:3:1: error 18: SIGN item have to contain both + and -: SIGN needs both a \"+\" and a \"-\" entry"},
        {{main, "BITMAP \"NONE.BMP\" X1 Y1"}, {},
         "set/MAIN.SCT:2:1: error 1: File opening Error: cannot open the bitmap NONE.BMP: No such file or directory"},
        // REKFILE texts fill their records and are never cut.
        {{"REKFILE \"K\" \"" + std::string(81, 'd') + "\"", main}, {},
         "set/MAIN.SCT:1:13: error 4: Syntax Error: the data file path is longer than 80 bytes"},
        {{"REKFILE \"" + std::string(81, 'k') + "\" \"D.TXT\"", main}, {},
         "set/MAIN.SCT:1:9: error 4: Syntax Error: the initializing word is longer than 80 bytes"},
        {{"REKFILE \"K\" \"\"", main}, {}, "set/MAIN.SCT:1:13: error 4: Syntax Error: REKFILE needs a data file path"},
        {{main, "REKFILE \"K\" \"D.TXT\""}, {},
         "set/MAIN.SCT:2:1: error 23: REKFILE item have to be on first line of file: REKFILE must stand on line 1 of its script file"},
        {{data, main, "SCRIPT \"x\" \"sub/SUB.SCT\""}, {"K", "*"},
         "set/MAIN.SCT:3:1: error 24: Script file with SCRIPT item can not have REKFILE item: "
         "SCRIPT is not allowed in a script file that has a REKFILE"},
        {{"DIALOG \"T\" \"dlg_main\""}, {},
         "set/MAIN.SCT: error 15: DLG_MAIN not found: no DIALOG line names the screen DLG_MAIN (in capitals)"},
        {{"// only a comment"}, {}, "set/MAIN.SCT: error 40: Item is not placed in a dialog: the script file has no DIALOG line"},
        // Script files named by SCRIPT lines: their own errors, and a file
        // that cannot be opened told at the line that names it.
        {{main, "SCRIPT \"Sub\" \"sub/SUB.SCT\""}, {},
         "set/sub/SUB.SCT:3:1: error 4: Syntax Error: INT needs a parameter or variable: C, R or M"},
        {{main, "", "  SCRIPT \"x\" \"NOPE.SCT\""}, {},
         "set/MAIN.SCT:3:3: error 1: File opening Error: cannot open NOPE.SCT: No such file or directory"},
        // Data files.
        {{data, main}, {"head", "K", "1:1", " 2 : 3 x", "*"},
         "set/D.TXT:4:8: error 4: Syntax Error: text after the value: a comment begins with \";\" or a double quote"},
        {{data, main}, {"K", "2", "*"}, "set/D.TXT:2:2: error 4: Syntax Error: \":\" expected after the parameter number"},
        {{data, main}, {"K", "x:2", "*"},
         "set/D.TXT:2:1: error 4: Syntax Error: a parameter line begins with its number: number:value"},
        {{data, main}, {"K", "", "1:", "*"}, "set/D.TXT:3:3: error 4: Syntax Error: no value after \":\""},
        {{data, main}, {"X", "1:1", "*"},
         "set/D.TXT: error 35: Initializing word was not found: no line equals the initializing word \"K\" (blanks aside)"},
    };
    Write("set/sub/SUB.SCT", {"DIALOG \"S\" \"DLG_MAIN\"", "TEXT \"fine\"", "INT"});
    for (const auto &c : cases) {
        Write("set/MAIN.SCT", c.script);
        std::filesystem::remove(dir / "set/D.TXT");
        if (!c.dataFile.empty())
            Write("set/D.TXT", c.dataFile);
        ToolResult r = Run({"check", "set/MAIN.SCT"});
        EXPECT_EQ(r.status, 1) << c.err;
        EXPECT_EQ(r.err, c.err + "\n");
        EXPECT_EQ(r.out, "");
    }
}

// Lines end in LF alone, as Linux editors write them: empty lines between
// them count, which the reader's own numbering loses.
TEST_F(ToolTest, CheckCountsTheLinesOfUnixFiles) {
    std::filesystem::create_directories(dir / "set");
    WriteFile(dir / "set/MAIN.SCT", "REKFILE \"K\" \"D.TXT\"\nDIALOG \"T\" \"DLG_MAIN\"\n\n\nINT C1 N4\n");
    WriteFile(dir / "set/D.TXT", "K\n1:1\n*\n");
    ToolResult r = Run({"check", "set/MAIN.SCT"});
    EXPECT_EQ(r.err, "set/MAIN.SCT:5:1: error 4: Syntax Error: INT needs a whole digit field: L with N or H, or H with N\n");
    WriteFile(dir / "set/MAIN.SCT", "REKFILE \"K\" \"D.TXT\"\nDIALOG \"T\" \"DLG_MAIN\"\nINT C1\n");
    WriteFile(dir / "set/D.TXT", "K\n\n\n7:z\n*\n");
    r = Run({"check", "set/MAIN.SCT"});
    EXPECT_EQ(r.err, "set/D.TXT:4:3: error 4: Syntax Error: no value after \":\"\n");
}

// A data file that an editor began with a UTF-8 byte-order mark reads as
// one without it, and keeps the mark when saved.
TEST_F(ToolTest, ADataFileWithAByteOrderMarkReads) {
    Write("set/MAIN.SCT", {"REKFILE \"K\" \"D.TXT\"", "DIALOG \"T\" \"DLG_MAIN\"", "REAL C1"});
    WriteFile(dir / "set/D.TXT", "\xEF\xBB\xBFK\r\n1:+00001.000\r\n\r\n*\r\n");
    ToolResult r = Run({"check", "set/MAIN.SCT"});
    EXPECT_EQ(r.status, 0) << r.err;
    r = Run({"run", "set/MAIN.SCT", "--keys", "7<enter><finish>"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(dir / "set/D.TXT"), "\xEF\xBB\xBFK\r\n0001:\t+00007.000\r\n\r\n*\r\n");
}

TEST_F(ToolTest, CheckOfScriptsThatCannotBeOpened) {
    ToolResult r = Run({"check", "NOPE.SCT"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "NOPE.SCT: error 1: File opening Error: cannot open NOPE.SCT: No such file or directory\n");
    r = Run({"check", "nofolder/NOPE.SCT"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "nofolder/NOPE.SCT: cannot enter its folder: No such file or directory\n");
}

TEST_F(ToolTest, MessagesFollowTheLanguage) {
    Write("MAIN.SCT", {"DIALOG \"T\" \"DLG_MAIN\"", "?"});
    const std::string czech = "MAIN.SCT:2:1: error 4: Syntaktick\xC3\xA1 chyba: a line begins with a keyword, not \"?\"\n";
    const std::string english = "MAIN.SCT:2:1: error 4: Syntax Error: a line begins with a keyword, not \"?\"\n";
    const struct {
        std::vector<std::string> args, env;
        std::string err;
    } cases[] = {
        {{"check", "MAIN.SCT"}, {}, english},
        {{"check", "MAIN.SCT"}, {"LANG=cs_CZ.UTF-8"}, czech},
        {{"check", "MAIN.SCT"}, {"LC_MESSAGES=cs_CZ.UTF-8", "LANG=en_US.UTF-8"}, czech},
        {{"check", "MAIN.SCT"}, {"LC_ALL=C", "LANG=cs_CZ.UTF-8"}, english},
        {{"check", "MAIN.SCT"}, {"LANG=de_DE.UTF-8"}, english},  // German carries the English texts
        {{"check", "MAIN.SCT", "--lang", "cs"}, {}, czech},
        {{"--lang", "cs", "check", "MAIN.SCT"}, {}, czech},
        {{"check", "MAIN.SCT", "--lang", "en"}, {"LC_ALL=cs_CZ.UTF-8"}, english},
    };
    for (const auto &c : cases) {
        ToolResult r = Run(c.args, c.env);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, c.err) << (c.env.empty() ? "" : c.env[0]);
    }
}

// ------------------------------------------------------------- render

TEST_F(ToolTest, RenderIsWhatTheLibraryDraws) {
    WriteExample();
    const struct {
        std::vector<std::string> args;
        std::string picture;
        uint32_t width, height;
        FrameRect rect;
        std::vector<_DIALOGKEYB_INFO> events;
    } cases[] = {
        {{"render", "set/TAB1.SCT"}, "TAB1.png", 842, 496, FRAME_SCREEN_LARGE, {}},
        {{"render", "set/TAB1.SCT", "--size", "medium", "-o", "m.png"}, "m.png", 842, 496, FRAME_SCREEN_MEDIUM, {}},
        {{"render", "set/TAB1.SCT", "--size", "small", "--output", "out/s.png"}, "out/s.png", 842, 496,
         FRAME_SCREEN_SMALL, {}},
        {{"render", "set/TAB1.SCT", "--size", "300x200", "-o", "w.png"}, "w.png", 352, 250,
         {25, 23, 325, 223}, {}},
        {{"render", "set/TAB1.SCT", "-o", "k.png", "--keys", "3.25<down><right><enter><<"}, "k.png", 842, 496,
         FRAME_SCREEN_LARGE, {{1, '3'}, {1, 43}, {1, '2'}, {1, '5'}, {1, 3}, {1, 2}, {1, -1}, {1, '<'}}},
        {{"render", "set/TAB1.SCT", "-o", "l.png", "--keys", "<down><down><enter>"}, "l.png", 842, 496,
         FRAME_SCREEN_LARGE, {{1, 3}, {1, 3}, {1, -1}}},
        {{"render", "set/TAB1.SCT", "-o", "f.png", "--keys", "<manual>-1<down>"}, "f.png", 842, 496,
         FRAME_SCREEN_LARGE, {{6, 0}, {1, 63}, {1, '1'}, {1, 3}}},
    };
    mkdir((dir / "out").c_str(), 0755);
    for (const auto &c : cases) {
        ToolResult r = Run(c.args);
        EXPECT_EQ(r.status, 0) << c.picture << ": " << r.err;
        EXPECT_EQ(r.out, c.picture + "\n");
        Picture shown = PictureRead(dir / c.picture);
        ASSERT_EQ(shown.width, c.width) << c.picture;
        ASSERT_EQ(shown.height, c.height) << c.picture;
        Picture direct = DirectSession(dir / "set", "TAB1.SCT", c.rect, c.width, c.height, c.events);
        EXPECT_TRUE(shown == direct) << c.picture << " differs from a direct session";
        // The frame's background stays outside the session rectangle only.
        EXPECT_EQ(shown.At(c.rect.left - 1, c.rect.top + 1), FRAME_BACKGROUND) << c.picture;
        EXPECT_NE(shown.At(c.rect.left + 1, c.rect.top + 1), FRAME_BACKGROUND) << c.picture;
        EXPECT_NE(shown.At(c.rect.right - 1, c.rect.bottom - 1), FRAME_BACKGROUND) << c.picture;
        EXPECT_EQ(shown.At(c.rect.right + 1, c.rect.bottom + 1), FRAME_BACKGROUND) << c.picture;
    }
}

TEST_F(ToolTest, RenderOfABrokenScriptShowsTheErrorBox) {
    Write("MAIN.SCT", {"DIALOG \"T\" \"DLG_MAIN\"", "INT C1 N4"});
    ToolResult r = Run({"render", "MAIN.SCT"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "MAIN.png\n");
    EXPECT_EQ(r.err, "MAIN.SCT:2:1: error 4: Syntax Error: INT needs a whole digit field: L with N or H, or H with N\n");
    Picture shown = PictureRead(dir / "MAIN.png");
    EXPECT_TRUE(shown == DirectSession(dir.root(), "MAIN.SCT", FRAME_SCREEN_LARGE, 842, 496, {}));
    EXPECT_NE(std::count(shown.pixels.begin(), shown.pixels.end(), 0xFF0000u), 0) << "red error box";

    r = Run({"render", "MAIN.SCT", "-o", "nofolder/x.png"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "nofolder/x.png: cannot write the picture\n");
}

}  // namespace
