// A save changes only what the session changed: kept lines of hostile
// files byte for byte, changes made on disk kept or told as conflicts,
// files that no longer read never written, and savers at once, in other
// processes, each keeping the other's change.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "common/memory/memory.h"
#include "datafile/datafile.h"
#include "platform/files/files.h"
#include "platform/messages/messages.h"
#include "session/session.h"
#include "testfiles.h"

namespace {

class SaveTest : public ::testing::Test {
protected:
    void SetUp() override {
        FileFaultSet(nullptr);
        LocalizationInit(nullptr, TABRIX_LANG_ENGLISH);
        std::memset(&s, 0, sizeof s);
        path = dir / "DATA.TXT";
    }

    _REKFILEINFO Rek(const std::string &p, uint32_t count = 2000, uint8_t decimals = 3) {
        _REKFILEINFO file{};
        std::strncpy(file.path, p.c_str(), sizeof file.path - 1);
        std::strcpy(file.keyword, word.c_str());
        file.count = count;
        file.decimals = decimals;
        return file;
    }

    // Reads file as a session does (what its changes are told from).
    void Load(const std::string &p, uint32_t count = 2000, uint8_t decimals = 3) {
        std::memset(&s, 0, sizeof s);
        DataFileRead(&s, Rek(p, count, decimals));
    }

    uint32_t Save(const std::string &p, uint32_t count = 2000, uint8_t decimals = 3) {
        s.errorCode = 0;
        DataFileSave(&s, Rek(p, count, decimals));
        return s.errorCode;
    }

    std::string Reason() const { return s.place.reason; }

    _SESSION &s = TabrixSession;
    TempDir dir;
    std::string path;
    std::string word = "K";     // the initializing word
};

// Open and finish without a change: every line the session does not own
// stays byte for byte, the owned ones take the canonical form once, and a
// second save writes the same bytes.
TEST_F(SaveTest, HostileFilesKeepWhatTheSessionDoesNotOwn) {
    const std::string longLine(1500, 'h'), nul("a\0b", 3);
    struct Case {
        const char *name;
        std::string before, after;
        uint32_t count;
        uint8_t decimals;
        const char *word = "K";
    };
    const Case cases[] = {
        {"comments everywhere", ";top\r\nK\r\n;lead\r\n1:1 ;one\r\n\"quoted\r\n2:2\r\n;last\r\n\r\n*\r\n;after\r\n",
         ";top\r\nK\r\n;lead\r\n0001:\t+00001.000\t;one\r\n\"quoted\r\n0002:\t+00002.000\r\n;last\r\n\r\n*\r\n;after\r\n",
         2000, 3},
        {"text after the end", "K\r\n1:1\r\n*\r\nfree text\r\n  more  \r\n",
         "K\r\n0001:\t+00001.000\r\n\r\n*\r\nfree text\r\n  more  \r\n", 2000, 3},
        {"a second values section", "K\r\n1:1\r\n*\r\nK\r\n2:2 ;two\r\n;c\r\n*\r\nend\r\n",
         "K\r\n0001:\t+00001.000\r\n0002:\t+00002.000\t;two\r\n\r\n*\r\nK\r\n;c\r\n*\r\nend\r\n", 2000, 3},
        {"the same number twice", "K\r\n5:1;first\r\n;a\r\n6:6\r\n5:2;second\r\n;b\r\n*\r\n",
         "K\r\n0005:\t+00002.000\t;first\r\n;a\r\n;b\r\n0006:\t+00006.000\r\n\r\n*\r\n", 2000, 3},
        {"numbers outside the table and the count", "K\r\n2500:1\r\n-1:2\r\n00012345:3\r\n12:4\r\n1:5\r\n*\r\n",
         "K\r\n2500:1\r\n-1:2\r\n00012345:3\r\n12:4\r\n01:\t+00005.000\r\n\r\n*\r\n", 10, 3},
        {"values the table cannot hold", "K\r\n7:30000000.00\r\n8:4294967296L\r\n9:-5L\r\n*\r\n",
         "K\r\n7:30000000.00\r\n8:4294967296L\r\n0009:\t4294967291L\r\n\r\n*\r\n", 2000, 2},
        {"a header line of 1,500 characters", longLine + "\r\nK\r\n1:1\r\n*\r\n" + longLine,
         longLine + "\r\nK\r\n0001:\t+00001.000\r\n\r\n*\r\n" + longLine, 2000, 3},
        {"NUL bytes", nul + "\r\nK\r\n1:1\r\n*\r\n" + nul, nul + "\r\nK\r\n0001:\t+00001.000\r\n\r\n*\r\n" + nul,
         2000, 3},
        {"no final line end", "K\r\n1:1", "K\r\n0001:\t+00001.000\r\n\r\n*\r\n", 2000, 3},
        {"a comment ends the file", "K\r\n1:1\r\n;c", "K\r\n0001:\t+00001.000\r\n;c\r\n\r\n*\r\n", 2000, 3},
        {"a byte-order mark", "\xEF\xBB\xBFK\r\n1:1\r\n*\r\n", "\xEF\xBB\xBFK\r\n0001:\t+00001.000\r\n\r\n*\r\n",
         2000, 3},
        {"LF line ends", "top\nK\n1:1\n;c\n*\nt\n", "top\nK\n0001:\t+00001.000\r\n;c\n\r\n*\r\nt\n", 2000, 3},
        {"empty lines", "K\r\n\r\n1:1\r\n\r\n\r\n2:2\r\n\r\n*\r\n",
         "K\r\n\r\n0001:\t+00001.000\r\n\r\n\r\n0002:\t+00002.000\r\n\r\n*\r\n", 2000, 3},
        {"no end marker", "K\r\n1:1\r\n;c\r\n", "K\r\n0001:\t+00001.000\r\n;c\r\n\r\n*\r\n", 2000, 3},
        {"blanks and an odd star", "K\r\n 1 : 1 \r\n * \r\n", "K\r\n0001:\t+00001.000\r\n\r\n*\r\n", 2000, 3},
        {"the word is a star", "*\r\n1:1\r\n*\r\n2:2\r\n", "*\r\n0001:\t+00001.000\r\n0002:\t+00002.000\r\n\r\n*\r\n",
         2000, 3, "*"},
        {"kept lines that sorting would turn round", "K\r\n3:3\r\n9:1\r\n1:1\r\n9:2\r\n*\r\n",
         "K\r\n3:\t+00003.000\r\n9:1\r\n1:\t+00001.000\r\n9:2\r\n\r\n*\r\n", 5, 3},
        {"a value too large, then one that reads", "K\r\n3:3\r\n2:9999999999\r\n1:1\r\n2:2\r\n*\r\n",
         "K\r\n0001:\t+00001.000\r\n0002:\t+00002.000\r\n0003:\t+00003.000\r\n\r\n*\r\n", 2000, 3},
        // The reader drops the first LF-only empty line, so the word is the
        // CR LF one and "1:1" is header.
        {"an empty word after an empty line the reader drops", "\n1:1\n\r\n2:2\n",
         "\n1:1\n\r\n0002:\t+00002.000\r\n\r\n*\r\n", 2000, 3, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        word = c.word;
        WriteFile(path, c.before);
        Load(path, c.count, c.decimals);
        ASSERT_EQ(s.errorCode, 0u) << Reason();
        ASSERT_EQ(Save(path, c.count, c.decimals), 0u) << Reason();
        EXPECT_EQ(ReadFile(path), c.after);
        ASSERT_EQ(Save(path, c.count, c.decimals), 0u) << Reason();
        EXPECT_EQ(ReadFile(path), c.after) << "a second save writes the same bytes";
    }
}

// A change made on disk by another program while the session runs (the
// machine control updating a counter) survives the session's save.
TEST_F(SaveTest, AChangeMadeOnDiskSurvives) {
    WriteFile(path, "K\r\n1:1\r\n2:2 ;counter\r\n*\r\n");
    Load(path);
    s.params[1].value = 7000;
    WriteFile(path, "K\r\n1:1\r\n2:3 ;counter\r\n3:9\r\n*\r\n");
    ASSERT_EQ(Save(path), 0u) << Reason();
    EXPECT_EQ(ReadFile(path), "K\r\n0001:\t+00007.000\r\n0002:\t+00003.000\t;counter\r\n0003:\t+00009.000\r\n\r\n*\r\n");
    EXPECT_EQ(s.params[2].value, 3000) << "the session now holds what the file does";
    EXPECT_EQ(s.params[3].value, 9000);
    // A parameter another program removed stays removed.
    WriteFile(path, "K\r\n1:7\r\n*\r\n");
    ASSERT_EQ(Save(path), 0u) << Reason();
    EXPECT_EQ(ReadFile(path), "K\r\n0001:\t+00007.000\r\n\r\n*\r\n");
}

// The same parameter changed on disk and in the session, differently: the
// save is refused and says so; a second finish writes the operator's
// value.  The same value on both sides is no conflict.
TEST_F(SaveTest, AConflictIsToldNotOverwritten) {
    WriteFile(path, "K\r\n1:1\r\n2:2\r\n*\r\n");
    Load(path);
    s.params[1].value = 5000;
    s.params[2].value = 6000;
    const std::string theirs = "K\r\n1:3\r\n2:6\r\n*\r\n";
    WriteFile(path, theirs);
    EXPECT_EQ(Save(path), (uint32_t)MSG_FILE_WRITE_ERROR);
    EXPECT_EQ(Reason(), "parameter 1 was changed to 3 in the file and to 5 here: finish again to write 5");
    EXPECT_EQ(ReadFile(path), theirs) << "nothing is written";
    EXPECT_STREQ(s.lastSaved.path, "");
    EXPECT_EQ(TabrixModified(), 1u);
    ASSERT_EQ(Save(path), 0u) << Reason();
    EXPECT_EQ(ReadFile(path), "K\r\n0001:\t+00005.000\r\n0002:\t+00006.000\r\n\r\n*\r\n");

    // Several at once are told at once; a second finish writes them all.
    s.params[1].value = 1000;
    s.params[2].value = 1000;
    WriteFile(path, "K\r\n1:3\r\n2:4\r\n*\r\n");
    EXPECT_EQ(Save(path), (uint32_t)MSG_FILE_WRITE_ERROR);
    EXPECT_EQ(Reason(), "parameter 1 was changed to 3 in the file and to 1 here, and 1 more: finish again to write yours");
    ASSERT_EQ(Save(path), 0u) << Reason();
    EXPECT_EQ(ReadFile(path), "K\r\n0001:\t+00001.000\r\n0002:\t+00001.000\r\n\r\n*\r\n");

    // A later change on disk is a new conflict.
    s.params[1].value = 8000;
    WriteFile(path, "K\r\n1:4\r\n2:6\r\n*\r\n");
    EXPECT_EQ(Save(path), (uint32_t)MSG_FILE_WRITE_ERROR);
    EXPECT_NE(Reason().find("parameter 1 was changed to 4"), std::string::npos) << Reason();
}

// When the file on disk cannot be read whole the save writes nothing and
// says why; a data file the session found missing is created.
TEST_F(SaveTest, AFailedRereadNeverWrites) {
    const std::string good = "K\r\n1:1\r\n*\r\n";
    struct Case { const char *name; std::string now; uint32_t code; const char *reason; };
    const Case cases[] = {
        {"the word is gone", "X\r\n1:1\r\n*\r\n", MSG_NO_INIT_WORD, "no line equals the initializing word"},
        {"a malformed line", "K\r\n1:1\r\n2:x\r\n*\r\n", MSG_SYNTAX_ERROR, "no value after"},
        {"the file is gone", "", MSG_FILE_READ_ERROR, "the data file is gone since it was read"},
        {"a folder in its place", "", MSG_FILE_READ_ERROR, "Is a directory"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(path);
        WriteFile(path, good);
        Load(path);
        s.params[1].value = 5000;
        std::filesystem::remove(path);
        if (std::string(c.name) == "a folder in its place")
            std::filesystem::create_directory(path);
        else if (!c.now.empty())
            WriteFile(path, c.now);
        EXPECT_EQ(Save(path), c.code);
        EXPECT_NE(Reason().find(c.reason), std::string::npos) << Reason();
        if (!c.now.empty())
            EXPECT_EQ(ReadFile(path), c.now);
        else
            EXPECT_TRUE(!PathExists(path) || std::filesystem::is_directory(path));
    }
    // Missing when it was read: created.
    std::filesystem::remove_all(path);
    Load(path);
    s.params[1] = {5000, PARAM_VALID};
    ASSERT_EQ(Save(path), 0u) << Reason();
    EXPECT_EQ(ReadFile(path), "K\r\n0001:\t+00005.000\r\n\r\n*\r\n");
}

// A value the table cannot hold is kept as written, and gives way to the
// parameter's own line once the session sets that parameter.
TEST_F(SaveTest, ValuesTheTableCannotHoldAreKept) {
    WriteFile(path, "K\r\n7:30000000.00 ;big\r\n*\r\n");
    Load(path, 2000, 2);
    EXPECT_EQ(s.params[7].flags, (uint32_t)PARAM_UNHELD);
    ASSERT_EQ(Save(path, 2000, 2), 0u);
    EXPECT_EQ(ReadFile(path), "K\r\n7:30000000.00 ;big\r\n\r\n*\r\n");
    s.params[7] = {150, PARAM_VALID};
    ASSERT_EQ(Save(path, 2000, 2), 0u);
    EXPECT_EQ(ReadFile(path), "K\r\n0007:\t+000001.50\t;big\r\n\r\n*\r\n");
}

// The reader takes a line over 1,022 characters in pieces.  Where a piece
// reads as a value that would undo the session's change, the save says so
// and writes nothing; without a change the line is kept.
TEST_F(SaveTest, APieceOfALongLineThatWouldUndoAChangeIsRefused) {
    const std::string piece = ";" + std::string(1022, 'c') + "5:7";
    const std::string before = "K\r\n5:1\r\n" + piece + "\r\n*\r\n";
    WriteFile(path, before);
    Load(path);
    ASSERT_EQ(s.params[5].value, 7000) << "the piece is the last line of 5";
    s.params[5].value = 9000;
    EXPECT_EQ(Save(path), 11u);
    EXPECT_NE(Reason().find("parameter 5 would read back as 7, not 9"), std::string::npos) << Reason();
    EXPECT_EQ(ReadFile(path), before);
    s.params[5].value = 7000;
    ASSERT_EQ(Save(path), 0u) << Reason();
    EXPECT_EQ(ReadFile(path), "K\r\n0005:\t+00007.000\r\n" + piece + "\r\n\r\n*\r\n");
    for (const auto &e : std::filesystem::directory_iterator(dir.root()))
        EXPECT_EQ(e.path().filename().string().find(".tm_"), std::string::npos) << e.path();
}

// Whatever loads can be saved: the lines a save keeps are copied from the
// disk, not held in the session's pool, so a file of 2.7 MB of comments
// saves with a pool of a few bytes.
TEST_F(SaveTest, LargeCommentsSaveWithoutThePool) {
    std::string text = "K\r\n", expected = "K\r\n";
    for (int n = 0; n < 2000; n++) {
        std::string comment = ";" + std::string(600, 'c'), kept = ";" + std::string(750, 'k') + "\r\n";
        char number[8];
        std::snprintf(number, sizeof number, "%04d", n);
        text += std::to_string(n) + ":1 " + comment + "\r\n" + kept;
        expected += std::string(number) + ":\t+0000" + (n == 1999 ? "7" : "1") + ".000\t" + comment + "\r\n" + kept;
    }
    text += "*\r\n";
    ASSERT_GT(text.size(), 2700000u);
    WriteFile(path, text);
    alignas(8) static uint8_t small[256];
    ASSERT_EQ(MemoryInit(small, sizeof small), 1);
    Load(path);
    s.params[1999].value = 7000;
    ASSERT_EQ(Save(path), 0u) << Reason();
    EXPECT_TRUE(ReadFile(path) == expected + "\r\n*\r\n");
}

// The folder's lock: a save waits for another that holds it, at most five
// seconds, then fails and says why; it never writes without it.
TEST_F(SaveTest, TheLockIsWaitedForAndBounded) {
    WriteFile(path, "K\r\n1:1\r\n*\r\n");
    Load(path);
    s.params[1].value = 5000;
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t holder = fork();
    if (holder == 0) {
        int folder = open(dir.root().c_str(), O_RDONLY | O_DIRECTORY);
        flock(folder, LOCK_EX);
        (void)!write(ready[1], "x", 1);
        sleep(7);
        _exit(0);
    }
    char c;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    EXPECT_EQ(Save(path), (uint32_t)MSG_FILE_WRITE_ERROR);
    EXPECT_NE(Reason().find("locked by another save for 5 s"), std::string::npos) << Reason();
    EXPECT_EQ(ReadFile(path), "K\r\n1:1\r\n*\r\n");
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    EXPECT_EQ(Save(path), 0u) << Reason();
    EXPECT_EQ(ReadFile(path), "K\r\n0001:\t+00005.000\r\n\r\n*\r\n");
}

// ------------------------------------------------------------ at once

// Rounds of the concurrent tests: TABRIX_SAVE_ROUNDS, or a few dozen;
// scripts/fuzz --savers N runs the long mode.
int SaveRounds() {
    const char *rounds = std::getenv("TABRIX_SAVE_ROUNDS");
    return rounds != nullptr ? std::atoi(rounds) : 40;
}

// One saver process: rounds saves of its own parameter, each checked in
// the file right after it succeeded.  Exit status 0, or 1 for a save that
// failed or reported a change the file does not hold.
int Saver(const _REKFILEINFO &file, uint32_t mine, int rounds) {
    _SESSION &s = TabrixSession;
    std::memset(&s, 0, sizeof s);
    DataFileRead(&s, file);
    for (int r = 1; r <= rounds; r++) {
        s.params[mine] = {r * 1000, PARAM_VALID};
        s.errorCode = 0;
        DataFileSave(&s, file);
        if (s.errorCode != 0)
            return 1;
        char line[40];
        std::snprintf(line, sizeof line, "%04u:\t+%05d.000", (unsigned)mine, r);
        if (ReadFile(file.path).find(line) == std::string::npos)
            return 1;
    }
    return 0;
}

// A reader in a loop until killed: exits 1 the moment it finds the file
// missing, empty or without its end.
[[noreturn]] void Reader(const std::string &p) {
    for (;;) {
        std::string now = ReadFile(p);
        if (now.size() < 8 || now.compare(0, 3, "K\r\n") != 0 || now.compare(now.size() - 5, 5, "\r\n*\r\n") != 0)
            _exit(1);
    }
}

// Saver processes, one a data file and parameter, run at once; each must
// end with every save it made found in the file.
void ExpectSaversKeepTheirChanges(const std::vector<std::pair<_REKFILEINFO, uint32_t>> &jobs, int rounds) {
    std::vector<pid_t> savers;
    for (const auto &[file, mine] : jobs) {
        pid_t pid = fork();
        if (pid == 0)
            _exit(Saver(file, mine, rounds));
        savers.push_back(pid);
    }
    for (pid_t pid : savers) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a saver lost a change";
    }
}

// Two processes save their own changes of one data file at once while a
// third reads it: both last changes are in the file, no save claimed a
// change the file lacks, and the reader never saw the file missing, empty
// or partial.
TEST_F(SaveTest, TwoSaversAtOnceKeepBothChanges) {
    WriteFile(path, "K\r\n1:0\r\n2:0\r\n*\r\n");
    int rounds = SaveRounds();
    pid_t reader = fork();
    if (reader == 0)
        Reader(path);
    ExpectSaversKeepTheirChanges({{Rek(path), 1}, {Rek(path), 2}}, rounds);
    int status = 0;
    EXPECT_EQ(waitpid(reader, &status, WNOHANG), 0) << "the reader saw a broken file";
    kill(reader, SIGKILL);
    waitpid(reader, nullptr, 0);
    char both[80];
    std::snprintf(both, sizeof both, "K\r\n0001:\t+%05d.000\r\n0002:\t+%05d.000\r\n\r\n*\r\n", rounds, rounds);
    EXPECT_EQ(ReadFile(path), both);
    for (const auto &e : std::filesystem::directory_iterator(dir.root()))
        EXPECT_EQ(e.path().filename().string().find(".tm_"), std::string::npos) << "left: " << e.path();
}

// Two data files whose names share the part before the first point, saved
// at once: each only ever holds its own content.
TEST_F(SaveTest, FilesOfOnePrefixKeepTheirOwnContent) {
    const std::string other = dir / "DATA.OLD";
    WriteFile(path, "K\r\n1:0\r\n*\r\n");
    WriteFile(other, "K\r\n2:0\r\n*\r\n");
    int rounds = SaveRounds();
    ExpectSaversKeepTheirChanges({{Rek(path), 1}, {Rek(other), 2}}, rounds);
    char mine[64];
    std::snprintf(mine, sizeof mine, "K\r\n0001:\t+%05d.000\r\n\r\n*\r\n", rounds);
    EXPECT_EQ(ReadFile(path), mine);
    std::snprintf(mine, sizeof mine, "K\r\n0002:\t+%05d.000\r\n\r\n*\r\n", rounds);
    EXPECT_EQ(ReadFile(other), mine);
}

// Two savers killed at random moments: the data file is always one whole
// version, and the next save removes what the killed ones left.
TEST_F(SaveTest, KilledSaversLeaveAWholeFile) {
    WriteFile(path, "K\r\n1:0\r\n2:0\r\n*\r\n");
    std::mt19937 random(5);
    int rounds = SaveRounds() / 4 + 1;
    for (int round = 0; round < rounds; round++) {
        std::vector<pid_t> savers;
        for (uint32_t mine : {1u, 2u}) {
            pid_t pid = fork();
            if (pid == 0)
                _exit(Saver(Rek(path), mine, 1000000));
            savers.push_back(pid);
        }
        usleep(2000 + random() % 30000);
        for (pid_t pid : savers) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        std::memset(&s, 0, sizeof s);
        Load(path);
        ASSERT_EQ(s.errorCode, 0u) << "round " << round << ": " << Reason();
        std::string now = ReadFile(path);
        ASSERT_EQ(now.compare(now.size() - 5, 5, "\r\n*\r\n"), 0) << "round " << round;
    }
    s.params[1].value = 42;
    ASSERT_EQ(Save(path), 0u) << Reason();
    for (const auto &e : std::filesystem::directory_iterator(dir.root()))
        EXPECT_EQ(e.path().filename().string().find(".tm_"), std::string::npos) << e.path();
}

}  // namespace
