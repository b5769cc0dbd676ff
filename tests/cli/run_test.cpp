// tabrix run: scripted edits with the saved data file checked byte for
// byte, the memory image carried through a file, and the outcome.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <map>

#include "../tempdir.h"
#include "image.h"
#include "tool.h"

namespace {

// A screen of a signed real, a choice of a raw value and a link to a
// second screen of the same data file.
const char *kTab1 =
    "REKFILE \"K\" \"DATA.TXT\" C100 N2\r\n"
    "DIALOG \"Settings\" \"DLG_MAIN\"\r\n"
    "TEXT \"Spindle\" X0\r\n"
    "REAL \"Speed\" C12 S\r\n"
    "LIST \"Mode\" C13 V0\"Off\" V1\"On\"\r\n"
    "SUB \"Limits\" \"LIMITS\" X20 Y5\r\n"
    "DIALOG \"Limits\" \"LIMITS\"\r\n"
    "INT \"Limit\" C14 L1 N4\r\n";
const char *kData = "Machine 7\r\nK\r\n12:1.5 ;speed\r\n13:1L\r\n14:250\r\n*\r\n";

// A menu without a data file that opens a script file with its own.
const char *kMenu =
    "DIALOG \"Menu\" \"DLG_MAIN\"\r\n"
    "SCRIPT \"Other\" \"OTHER.SCT\"\r\n";
const char *kOther =
    "REKFILE \"W\" \"OTHER.TXT\" C10 N2\r\n"
    "DIALOG \"Other\" \"DLG_MAIN\"\r\n"
    "REAL \"X\" C1\r\n";
const char *kOtherData = "W\r\n1:1.5\r\n*\r\n";

// Two variables of the memory image, the second signed.
const char *kVariables =
    "DIALOG \"Variables\" \"DLG_MAIN\"\r\n"
    "INT \"V\" M1.8\r\n"
    "INT \"W\" M1.12 S\r\n";

mode_t FileModeOf(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

class RunTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFile(dir / "TAB1.SCT", kTab1);
        WriteFile(dir / "DATA.TXT", kData);
        WriteFile(dir / "MENU.SCT", kMenu);
        WriteFile(dir / "OTHER.SCT", kOther);
        WriteFile(dir / "OTHER.TXT", kOtherData);
        WriteFile(dir / "VARS.SCT", kVariables);
    }
    ToolResult Run(const std::vector<std::string> &args) { return ToolRun(args, dir.root()); }

    // A memory image with the given 32-bit cells set.
    static std::string Image(const std::map<int, int32_t> &cells) {
        std::string image(10000, '\0');
        for (const auto &[offset, value] : cells)
            std::memcpy(&image[offset], &value, sizeof value);
        return image;
    }
    // The cells of an image file that are not zero; a file of another
    // size than the image gives its size at offset -1.
    std::map<int, int32_t> Cells(const std::string &name) {
        std::string image = ReadFile(dir / name);
        if (image.size() != 10000)
            return {{-1, (int32_t)image.size()}};
        std::map<int, int32_t> cells;
        for (int offset = 0; offset < 10000; offset += 4) {
            int32_t value;
            std::memcpy(&value, &image[offset], sizeof value);
            if (value != 0)
                cells[offset] = value;
        }
        return cells;
    }
    TempDir dir;
};

// Parameter lines as a save writes them: 100 parameters, so three digits;
// two decimals, so the values are sign, six digits, point and two digits;
// the choice is a raw value.
std::string Saved(const std::string &p12, const std::string &p13, const std::string &p14) {
    return "Machine 7\r\nK\r\n012:\t" + p12 + "\t;speed\r\n013:\t" + p13 + "\r\n014:\t" + p14 + "\r\n\r\n*\r\n";
}

TEST_F(RunTest, EditsAreSavedByteForByte) {
    const struct {
        std::string keys, saved;
    } cases[] = {
        {"<finish>", Saved("+000001.50", "1L", "+000250.00")},
        {"3.25<enter><finish>", Saved("+000003.25", "1L", "+000250.00")},
        {"3,25<enter><finish>", Saved("+000003.25", "1L", "+000250.00")},
        {"-3.25<down><finish>", Saved("-000003.25", "1L", "+000250.00")},
        {"3.25<bksp>7<finish>", Saved("+000003.27", "1L", "+000250.00")},
        {"<down><left><finish>", Saved("+000001.50", "0L", "+000250.00")},
        // Limits: the INT field shows digits 1 to 4 of the stored 25000.
        {"<down><down><enter>300<enter><back><finish>", Saved("+000001.50", "1L", "+000203.00")},
        {"<manual>14<down><bksp><bksp><bksp><bksp><bksp><bksp>7.5<down><enter><finish>",
         Saved("+000001.50", "1L", "+000007.50")},
    };
    for (const auto &c : cases) {
        WriteFile(dir / "DATA.TXT", kData);
        ToolResult r = Run({"run", "TAB1.SCT", "--keys", c.keys});
        EXPECT_EQ(r.status, 0) << c.keys << ": " << r.err;
        EXPECT_EQ(r.out, "<finish>: 2 (finished)\nsaved: DATA.TXT\n") << c.keys;
        EXPECT_EQ(r.err, "") << c.keys;
        EXPECT_EQ(ReadFile(dir / "DATA.TXT"), c.saved) << c.keys;
    }
}

TEST_F(RunTest, TheSavePromptOnTheWayBack) {
    const std::string edited = "W\r\n01:\t+000042.00\r\n\r\n*\r\n";
    const struct {
        std::string keys, out, otherData;
    } cases[] = {
        // Yes saves the other file and goes back; the menu has no file.
        {"<enter>42<enter><back><enter><finish>", "<finish>: 2 (finished)\nsaved: OTHER.TXT\n", edited},
        // No goes back without saving.
        {"<enter>42<enter><back><down><enter><finish>", "<finish>: 2 (finished)\n", kOtherData},
        // Cancel stays; the finish saves the other file.
        {"<enter>42<enter><back><down><down><enter><finish>", "<finish>: 2 (finished)\nsaved: OTHER.TXT\n",
         edited},
    };
    for (const auto &c : cases) {
        WriteFile(dir / "OTHER.TXT", kOtherData);
        ToolResult r = Run({"run", "MENU.SCT", "--keys", c.keys});
        EXPECT_EQ(r.status, 0) << c.keys << ": " << r.err;
        EXPECT_EQ(r.out, c.out) << c.keys;
        EXPECT_EQ(ReadFile(dir / "OTHER.TXT"), c.otherData) << c.keys;
    }
}

TEST_F(RunTest, ResultsAndOutcomes) {
    const struct {
        std::vector<std::string> args;
        int status;
        std::string out, err;
    } cases[] = {
        {{"run", "TAB1.SCT", "--keys", ""}, 1, "", "TAB1.SCT: the session did not finish\n"},
        {{"run", "TAB1.SCT", "--keys", "3.25<enter>"}, 1, "", "TAB1.SCT: the session did not finish\n"},
        {{"run", "TAB1.SCT", "--keys", "<forget>"}, 1, "<forget>: 1 (forgotten)\n",
         "TAB1.SCT: the session did not finish\n"},
        {{"run", "TAB1.SCT", "--keys", "<finish><forget>1"}, 0,
         "<finish>: 2 (finished)\nsaved: DATA.TXT\n", "tabrix: not sent after the finish: <forget> 1\n"},
        {{"run", "MENU.SCT", "--keys", "<finish>"}, 0, "<finish>: 2 (finished)\n", ""},
        {{"run", "BROKEN.SCT", "--keys", "<forget><finish>"}, 1, "<forget>: 1 (forgotten)\n",
         "BROKEN.SCT:2:1: error 4: Syntax Error: INT needs a whole digit field: L with N or H, or H with N\n"},
        // A link to a missing screen is told at the button's line.
        {{"run", "LINK.SCT", "--keys", "<enter><finish>"}, 1, "",
         "LINK.SCT:2:3: error 16: Dialog not found: no screen NOPE in LINK.SCT for the button \"Nowhere\"\n"},
        {{"run", "NOPE.SCT", "--keys", "<finish>"}, 1, "",
         "NOPE.SCT: error 1: File opening Error: cannot open NOPE.SCT: No such file or directory\n"},
    };
    WriteFile(dir / "BROKEN.SCT", "DIALOG \"T\" \"DLG_MAIN\"\r\nINT C1 N4\r\n");
    WriteFile(dir / "LINK.SCT", "DIALOG \"T\" \"DLG_MAIN\"\r\n  SUB \"Nowhere\" \"NOPE\"\r\n");
    for (const auto &c : cases) {
        WriteFile(dir / "DATA.TXT", kData);
        ToolResult r = Run(c.args);
        EXPECT_EQ(r.status, c.status) << c.args[3];
        EXPECT_EQ(r.out, c.out) << c.args[3];
        EXPECT_EQ(r.err, c.err) << c.args[3];
        if (c.status != 0) {
            EXPECT_EQ(ReadFile(dir / "DATA.TXT"), kData) << "nothing saved: " << c.args[3];
        }
    }
}

TEST_F(RunTest, SavedFilesAreNamedFromWhereTheToolStarted) {
    ToolResult r = ToolRun({"run", dir / "TAB1.SCT", "--keys", "<finish>"}, "/");
    EXPECT_EQ(r.out, "<finish>: 2 (finished)\nsaved: " + (dir / "DATA.TXT") + "\n");
    TempDir other;
    r = ToolRun({"run", dir / "TAB1.SCT", "--keys", "<finish>", "--png", "after.png"}, other.root());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(PathExists(other / "after.png")) << "the picture goes where the tool started";
}

TEST_F(RunTest, MemoryImageRoundTrips) {
    WriteFile(dir / "MEM.BIN", Image({{8, 1234}, {100, 77}}));
    ToolResult r = Run({"run", "VARS.SCT", "--memory", "MEM.BIN", "--keys", "5678<enter><finish>"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "<finish>: 2 (finished)\n");
    EXPECT_EQ(Cells("MEM.BIN"), (std::map<int, int32_t>{{8, 5678}, {100, 77}}));

    // The next run starts from the image written back.
    r = Run({"run", "VARS.SCT", "--memory", "MEM.BIN", "--keys", "<down>-9<enter><finish>"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Cells("MEM.BIN"), (std::map<int, int32_t>{{8, 5678}, {12, -9}, {100, 77}}));

    // A run that does not finish leaves the file as it was.
    r = Run({"run", "VARS.SCT", "--memory", "MEM.BIN", "--keys", "1<enter>"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Cells("MEM.BIN"), (std::map<int, int32_t>{{8, 5678}, {12, -9}, {100, 77}}));

    // A missing file is a zero image, written at the finish.
    r = Run({"run", "VARS.SCT", "--memory", "NEW.BIN", "--keys", "<down>-12<enter><finish>"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Cells("NEW.BIN"), (std::map<int, int32_t>{{12, -12}}));
}

TEST_F(RunTest, MemoryFilesOfAnotherSizeAreRefused) {
    for (size_t size : {0, 9999, 10001}) {
        WriteFile(dir / "MEM.BIN", std::string(size, 'x'));
        ToolResult r = Run({"run", "VARS.SCT", "--memory", "MEM.BIN", "--keys", "<finish>"});
        EXPECT_EQ(r.status, 1) << size;
        EXPECT_EQ(r.out, "") << size;
        EXPECT_EQ(r.err, "MEM.BIN: a memory image is a file of 10000 bytes\n") << size;
        EXPECT_EQ(ReadFile(dir / "MEM.BIN"), std::string(size, 'x')) << size;
    }
}

// A file the image could not be written back to is refused before the
// session: none runs (nothing is printed for the finish) and no file
// changes.
TEST_F(RunTest, MemoryFilesThatCannotBeKeptAreRefusedFirst) {
    const std::string image = Image({{8, 1234}});
    WriteFile(dir / "RO.BIN", image);
    chmod((dir / "RO.BIN").c_str(), 0444);
    WriteFile(dir / "FILE", image);
    mkdir((dir / "FOLDER").c_str(), 0755);
    mkfifo((dir / "FIFO").c_str(), 0644);
    symlink("FOLDER", (dir / "TOFOLDER").c_str());
    symlink("RO.BIN", (dir / "TORO.BIN").c_str());
    symlink("LOOP2", (dir / "LOOP").c_str());
    symlink("LOOP", (dir / "LOOP2").c_str());
    const struct {
        std::string memory, err;
    } cases[] = {
        {"RO.BIN", "RO.BIN: cannot replace a read-only file"},
        {"TORO.BIN", "TORO.BIN: cannot replace a read-only file"},
        {"FOLDER", "FOLDER: not a regular file"},
        {"TOFOLDER", "TOFOLDER: not a regular file"},
        {"FIFO", "FIFO: not a regular file"},
        {"LOOP", "LOOP: cannot follow the link: Too many levels of symbolic links"},
        {"nofolder/MEM.BIN", "nofolder/MEM.BIN: cannot write in the folder nofolder: No such file or directory"},
        {"FILE/MEM.BIN", "FILE/MEM.BIN: cannot write in the folder FILE: Not a directory"},
    };
    auto files = [this] {
        std::map<std::string, std::string> all;
        std::error_code looped;
        for (const auto &e : std::filesystem::directory_iterator(dir.root()))
            all[e.path().filename()] = e.is_regular_file(looped) ? ReadFile(e.path()) : "";
        return all;
    };
    const auto before = files();
    for (const auto &c : cases) {
        ToolResult r = Run({"run", "VARS.SCT", "--memory", c.memory, "--keys", "<finish>"});
        EXPECT_EQ(r.status, 1) << c.memory;
        EXPECT_EQ(r.out, "") << c.memory;
        EXPECT_EQ(r.err, c.err + "\n");
        EXPECT_EQ(files(), before) << c.memory;
    }
}

// The image replaces the file a link leads to, which keeps its mode; the
// links stay, and no temporary file is left.
TEST_F(RunTest, MemoryFilesAreReplacedThroughLinks) {
    mkdir((dir / "store").c_str(), 0755);
    const struct {
        std::string memory, link, target;   // link: the link's text, "" for none
        mode_t mode;                        // 0: the target does not exist yet
    } cases[] = {
        {"MEM.BIN", "", "MEM.BIN", 0640},
        {"NEW.BIN", "", "NEW.BIN", 0},
        {"LINK.BIN", "store/IMG.BIN", "store/IMG.BIN", 0600},
        {"ABS.BIN", dir / "store/ABS.BIN", "store/ABS.BIN", 0664},
        {"DANGLING.BIN", "store/MADE.BIN", "store/MADE.BIN", 0},
        {"CHAIN.BIN", "LINK.BIN", "store/IMG.BIN", 0600},
    };
    for (const auto &c : cases) {
        if (!c.link.empty() && !PathExists(dir / c.memory)) {
            ASSERT_EQ(symlink(c.link.c_str(), (dir / c.memory).c_str()), 0) << c.memory;
        }
        if (c.mode != 0) {
            WriteFile(dir / c.target, Image({{8, 1234}, {100, 77}}));
            chmod((dir / c.target).c_str(), c.mode);
        }
        ToolResult r = Run({"run", "VARS.SCT", "--memory", c.memory, "--keys", "5678<enter><finish>"});
        EXPECT_EQ(r.status, 0) << c.memory << ": " << r.err;
        std::map<int, int32_t> want{{8, 5678}};
        if (c.mode != 0)
            want[100] = 77;
        EXPECT_EQ(Cells(c.target), want) << c.memory;
        EXPECT_EQ(FileModeOf(dir / c.target), c.mode != 0 ? c.mode : 0644) << c.memory;
        if (!c.link.empty()) {
            EXPECT_EQ(std::filesystem::read_symlink(dir / c.memory).string(), c.link) << c.memory;
        }
    }
    for (const auto &e : std::filesystem::recursive_directory_iterator(dir.root()))
        EXPECT_EQ(e.path().filename().string().find(".BIN."), std::string::npos) << e.path();
}

// A save that fails before the rename removes its temporary file and
// leaves the old file as it was.
TEST_F(RunTest, AFailedImageSaveLeavesNothingBehind) {
    // The rename fails: a folder stands under the name.
    mkdir((dir / "FOLDER").c_str(), 0755);
    WriteFile(dir / "FOLDER/KEEP", "x");
    EXPECT_EQ(ImageSave(dir / "FOLDER"), dir / "FOLDER" + ": cannot replace: Is a directory");
    EXPECT_EQ(ReadFile(dir / "FOLDER/KEEP"), "x");

    // The write fails: the file size limit is below the image's size.
    WriteFile(dir / "MEM.BIN", "old");
    pid_t pid = fork();
    if (pid == 0) {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit{100, 100};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(ImageSave(dir / "MEM.BIN") == dir / "MEM.BIN" + ": cannot write: File too large" ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the write failed as told";
    EXPECT_EQ(ReadFile(dir / "MEM.BIN"), "old");

    std::vector<std::string> names;
    for (const auto &e : std::filesystem::recursive_directory_iterator(dir.root()))
        names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"DATA.TXT", "FOLDER", "KEEP", "MEM.BIN", "MENU.SCT",
                                               "OTHER.SCT", "OTHER.TXT", "TAB1.SCT", "VARS.SCT"}));
}

TEST_F(RunTest, PictureAfterTheKeysIsWhatTheLibraryDraws) {
    ToolResult r = Run({"run", "TAB1.SCT", "--keys", "3.2<down>", "--png", "run.png"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(PictureRead(dir / "run.png") ==
                DirectSession(dir.root(), "TAB1.SCT", FRAME_SCREEN_LARGE, 842, 496, {{1, '3'}, {1, 43}, {1, '2'}, {1, 3}}));
}

}  // namespace
