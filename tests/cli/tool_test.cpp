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
    // A screen of the example: a data file, a text, a signed
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

TEST_F(ToolTest, CheckReportsErrorsAsCompilersDo) {
    const struct {
        std::vector<std::string> main;
        std::string err;
    } cases[] = {
        {{"DIALOG \"T\" \"DLG_MAIN\"", "INT C1 N4"},
         "set/MAIN.SCT:2: error 4: Syntax Error (Line:2 File:MAIN.SCT)"},
        {{"DIALOG \"T\" \"DLG_MAIN\"", "", "SIGN C3 V+\"p\"", "TEXT \"x\""},
         "set/MAIN.SCT:3: error 18: SIGN item have to contain both + and - (Line:3 File:MAIN.SCT)"},
        {{"DIALOG \"T\" \"DLG_MAIN\"", "SCRIPT \"Sub\" \"sub/SUB.SCT\""},
         "set/sub/SUB.SCT:3: error 4: Syntax Error (Line:3 File:sub/SUB.SCT)"},
        {{"REKFILE \"K\" \"BAD.TXT\"", "DIALOG \"T\" \"DLG_MAIN\""},
         "set/BAD.TXT:3: error 4: Syntax Error (Line:3 File:BAD.TXT)"},
        {{"REKFILE \"K\" \"NOWORD.TXT\"", "DIALOG \"T\" \"DLG_MAIN\""},
         "set/MAIN.SCT: error 35: Initializing word was not found (File:NOWORD.TXT Word:K)"},
        {{"DIALOG \"T\" \"dlg_main\""}, "set/MAIN.SCT: error 15: DLG_MAIN not found"},
        {{"DIALOG \"T\" \"DLG_MAIN\"", "REKFILE \"K\" \"D.TXT\""},
         "set/MAIN.SCT: error 23: REKFILE item have to be on first line of file"},
        {{"DIALOG \"T\" \"DLG_MAIN\"", "BITMAP \"NONE.BMP\" X1 Y1"},
         "set/MAIN.SCT: error 1: File opening Error (NONE.BMP)"},
        {{"// only a comment"}, "set/MAIN.SCT:2: error 40: Polo\xC5\xBEka nen\xC3\xAD za\xC5\x99" "azena v dialogu (Line:2 File:MAIN.SCT)"},
    };
    Write("set/sub/SUB.SCT", {"DIALOG \"S\" \"DLG_MAIN\"", "TEXT \"fine\"", "INT"});
    Write("set/BAD.TXT", {"K", "1:1", "2:x", "*"});
    Write("set/NOWORD.TXT", {"1:1"});
    for (const auto &c : cases) {
        Write("set/MAIN.SCT", c.main);
        ToolResult r = Run({"check", "set/MAIN.SCT"});
        EXPECT_EQ(r.status, 1) << c.err;
        EXPECT_EQ(r.err, c.err + "\n");
        EXPECT_EQ(r.out, "");
    }
}

TEST_F(ToolTest, CheckOfScriptsThatCannotBeOpened) {
    ToolResult r = Run({"check", "NOPE.SCT"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "NOPE.SCT: error 1: File opening Error (NOPE.SCT)\n");
    r = Run({"check", "nofolder/NOPE.SCT"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "nofolder/NOPE.SCT: cannot enter its folder: No such file or directory\n");
}

TEST_F(ToolTest, MessagesFollowTheLanguage) {
    Write("MAIN.SCT", {"DIALOG \"T\" \"DLG_MAIN\"", "?"});
    const std::string czech = "MAIN.SCT:2: error 4: Syntaktick\xC3\xA1 chyba (\xC5\x98\xC3\xA1" "dka:2 Soubor:MAIN.SCT)\n";
    const std::string english = "MAIN.SCT:2: error 4: Syntax Error (Line:2 File:MAIN.SCT)\n";
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
    EXPECT_EQ(r.err, "MAIN.SCT:2: error 4: Syntax Error (Line:2 File:MAIN.SCT)\n");
    Picture shown = PictureRead(dir / "MAIN.png");
    EXPECT_TRUE(shown == DirectSession(dir.root(), "MAIN.SCT", FRAME_SCREEN_LARGE, 842, 496, {}));
    EXPECT_NE(std::count(shown.pixels.begin(), shown.pixels.end(), 0xFF0000u), 0) << "red error box";

    r = Run({"render", "MAIN.SCT", "-o", "nofolder/x.png"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "nofolder/x.png: cannot write the picture\n");
}

}  // namespace
