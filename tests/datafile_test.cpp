// Reading and saving the data file: the format, every malformed line, a
// save that changes only what the session changed, and one that no
// failure or crash can turn into a lost or partial data file.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "common/memory/memory.h"
#include "datafile/datafile.h"
#include "platform/files/files.h"
#include "platform/messages/messages.h"
#include "session/session.h"
#include "testfiles.h"
#include "text/number.h"

namespace {

alignas(8) uint8_t testPool[1 << 20];

const char *const kHeader = "Machine 7\r\n  free text ; \"kept\"\r\nKEY\r\n";

class DataFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        FileFaultSet(nullptr);
        ASSERT_EQ(MemoryInit(testPool, sizeof testPool), 1);
        std::memset(&s, 0, sizeof s);
        LocalizationInit(nullptr, TABRIX_LANG_ENGLISH);
        path = dir / "DATA.TXT";
    }

    _REKFILEINFO Rek(const std::string &p, uint32_t count = 2000, uint8_t decimals = 3,
                     const char *keyword = "KEY") {
        _REKFILEINFO file{};
        std::strncpy(file.path, p.c_str(), sizeof file.path - 1);
        std::strncpy(file.keyword, keyword, sizeof file.keyword - 1);
        file.count = count;
        file.decimals = decimals;
        return file;
    }

    void Read(const std::string &content, uint8_t decimals = 3) {
        WriteFile(path, content);
        DataFileRead(&s, Rek(path, 2000, decimals));
    }

    // The file read as the session reads it, count and decimals as given:
    // what the session's changes are told apart from.
    void Load(const std::string &content, uint32_t count = 2000, uint8_t decimals = 3) {
        std::memset(&s, 0, sizeof s);
        WriteFile(path, content);
        DataFileRead(&s, Rek(path, count, decimals));
        ASSERT_EQ(s.errorCode, 0u) << s.place.reason;
    }

    void Set(uint32_t n, int32_t value, uint32_t flags = PARAM_VALID) { s.params[n] = {value, flags}; }

    // The temporary files in the folder (any name with ".tm_").
    std::vector<std::string> Temporaries() const {
        std::vector<std::string> found;
        for (const auto &e : std::filesystem::directory_iterator(dir.root()))
            if (e.path().filename().string().find(".tm_") != std::string::npos)
                found.push_back(e.path().filename().string());
        return found;
    }

    std::string Cut59(const std::string &text) { return text.substr(0, 59); }

    _SESSION &s = TabrixSession;
    TempDir dir;
    std::string path;
};

// ---------------------------------------------------------------- reading

TEST_F(DataFileTest, ReadsSectionsValuesHeaderAndComments) {
    Read(std::string(kHeader) +
             "0007:\t-00001.250\t;remark\r\n"
             "; a comment line\r\n"
             "\"quoted comment line\r\n"
             "\r\n"
             "0012:\t+00012.500\r\n"
             "0100:\t4294967295L \"raw\r\n"
             "12:1\r\n"
             " * \r\n"
             "13:5\r\n"
             "KEY\r\n"
             "14:2\r\n");
    EXPECT_EQ(s.errorCode, 0u) << s.errorText;
    EXPECT_EQ(s.params[7].value, -1250);
    EXPECT_EQ(s.params[12].value, 1000) << "a later line overwrites";
    EXPECT_EQ(s.params[100].value, -1);
    EXPECT_EQ(s.params[100].flags, PARAM_VALID | PARAM_RAW);
    EXPECT_EQ(s.params[13].flags, 0u) << "after the star the trailer is ignored";
    EXPECT_EQ(s.params[14].value, 2000) << "the word again starts the values again";
    EXPECT_EQ(0, std::memcmp(s.baseline, s.params, sizeof s.params)) << "what changes are told from";
}

TEST_F(DataFileTest, ParameterLines) {
    struct Case { std::string line; uint32_t number; int32_t value; uint32_t flags; };
    const Case cases[] = {
        {"5:+", 5, 0, PARAM_VALID},
        {"5:-", 5, 0, PARAM_VALID},
        {"7:1.2346", 7, 1235, PARAM_VALID},
        {"7:-1.2346", 7, -1235, PARAM_VALID},
        {"7:0.0005", 7, 1, PARAM_VALID},
        {"7:-0.0005", 7, -1, PARAM_VALID},
        {"7:123l", 7, 123, PARAM_VALID | PARAM_RAW},
        {"7:123L;x", 7, 123, PARAM_VALID | PARAM_RAW},
        {"1 2 : 3 . 5", 12, 3500, PARAM_VALID},
        {"\t8 :1.5 ;note", 8, 1500, PARAM_VALID},
        {"8:1.", 8, 1000, PARAM_VALID},
        {"8:.5", 8, 500, PARAM_VALID},
        {"+9:1", 9, 1000, PARAM_VALID},
        {"0009:1", 9, 1000, PARAM_VALID},
        {"1999:1", 1999, 1000, PARAM_VALID},
        // The 32-bit range; a raw value is taken as an unsigned 32-bit
        // number.  Beyond it the parameter has no value: it is never
        // clamped (the save keeps its line as written).
        {"7:2147483.647", 7, INT_MAX, PARAM_VALID},
        {"7:-2147483.648", 7, INT_MIN, PARAM_VALID},
        {"7:2147483.6475", 7, 0, PARAM_UNHELD},
        {"7:99999999999", 7, 0, PARAM_UNHELD},
        {"7:-99999999999", 7, 0, PARAM_UNHELD},
        {"7:4294967295L", 7, -1, PARAM_VALID | PARAM_RAW},
        {"7:2147483648L", 7, INT_MIN, PARAM_VALID | PARAM_RAW},
        {"7:2147483647L", 7, INT_MAX, PARAM_VALID | PARAM_RAW},
        {"7:-5L", 7, -5, PARAM_VALID | PARAM_RAW},
        {"7:4294967296L", 7, 0, PARAM_UNHELD},
        {"7:99999999999L", 7, 0, PARAM_UNHELD},
        // A NUL byte ends the line's text.
        {std::string("7:5\0junk", 8), 7, 5000, PARAM_VALID},
    };
    for (const Case &c : cases) {
        std::memset(&s, 0, sizeof s);
        Read(std::string(kHeader) + c.line + "\r\n*\r\n");
        EXPECT_EQ(s.errorCode, 0u) << c.line << ": " << s.errorText;
        EXPECT_EQ(s.params[c.number].value, c.value) << c.line;
        EXPECT_EQ(s.params[c.number].flags, c.flags) << c.line;
    }
}

TEST_F(DataFileTest, NumbersOutsideTheTableAreSkipped) {
    // Also numbers whose 32-bit wrap would land inside the table.
    for (const char *line : {"2500:1.0", "-1:1.0", "2000:1", "4294967296:1", "4294967297:1",
                             "-4294967296:1", "99999999999:1", "00000000000000000000002000:1"}) {
        std::memset(&s, 0, sizeof s);
        Read(std::string(kHeader) + line + ";c\r\n*\r\n");
        EXPECT_EQ(s.errorCode, 0u) << line;
        for (int n = 0; n < PARAM_COUNT; n++)
            ASSERT_EQ(s.params[n].flags, 0u) << line << " set " << n;
    }
    Read(std::string(kHeader) + "00000000000000000000001999:1\r\n");
    EXPECT_EQ(s.params[1999].value, 1000) << "leading zeros do not count";
}

TEST_F(DataFileTest, MalformedLinesAreSyntaxErrors) {
    const std::string longComment = "7:1;" + std::string(1100, 'c');
    struct Case { std::string line; uint32_t lineNumber; };
    const Case cases[] = {
        {"5:", 5}, {"5", 5}, {":5", 5}, {"5:1.2.3", 5}, {"8:1.5 x", 5}, {"5:1e3", 5},
        {"5:1LL", 5}, {"5;1", 5}, {"5:abc", 5}, {"x", 5}, {"5::1", 5},
        {std::string("\x01\xFF\x80:1"), 5},
        // The end of a line longer than 1,022 characters comes as a line
        // of its own.
        {longComment, 6},
    };
    for (const Case &c : cases) {
        std::memset(&s, 0, sizeof s);
        Read(std::string(kHeader) + "3:1\r\n" + c.line + "\r\n4:2\r\n*\r\n");
        EXPECT_EQ(s.errorCode, (uint32_t)MSG_SYNTAX_ERROR) << c.line;
        EXPECT_STREQ(s.errorText, Cut59("Line:" + std::to_string(c.lineNumber) + " File:" + path).c_str()) << c.line;
        EXPECT_EQ(s.params[3].value, 1000) << "values before the bad line stay";
        EXPECT_EQ(s.params[4].flags, 0u) << "nothing after it is read";
    }
}

TEST_F(DataFileTest, ErrorTextsFollowTheLanguage) {
    LocalizationInit(nullptr, TABRIX_LANG_CZECH);
    Read(std::string(kHeader) + "5:\r\n");
    EXPECT_EQ(s.errorCode, (uint32_t)MSG_SYNTAX_ERROR);
    std::string expected = std::string(MessageText(MSG_LINE)) + ":4 " + MessageText(MSG_FILE) + ":" + path;
    EXPECT_STREQ(s.errorText, Cut59(expected).c_str());
    EXPECT_NE(std::string(MessageText(MSG_LINE)), "Line");
}

TEST_F(DataFileTest, MissingWordTakesNothing) {
    Read("no word here\r\n5:1\r\n*\r\n");
    EXPECT_EQ(s.errorCode, (uint32_t)MSG_NO_INIT_WORD);
    EXPECT_STREQ(s.errorText, Cut59("File:" + path + " Word:KEY").c_str());
    EXPECT_EQ(s.params[5].flags, 0u);

    // Blanks are removed before the comparison, so " K E Y " is the word.
    std::memset(&s, 0, sizeof s);
    Read(" K E Y \r\n5:1\r\n");
    EXPECT_EQ(s.errorCode, 0u);
    EXPECT_EQ(s.params[5].value, 1000);
}

TEST_F(DataFileTest, FilesThatCannotBeOpenedLeaveNoValueAndNoError) {
    std::string unreadable = dir / "unreadable";
    WriteFile(unreadable, std::string(kHeader) + "5:1\r\n");
    ASSERT_EQ(chmod(unreadable.c_str(), 0), 0);
    ASSERT_EQ(chmod(dir.root().c_str(), 0755), 0);
    for (const std::string &p : {dir / "none", dir.root(), unreadable}) {
        std::memset(&s, 0, sizeof s);
        Set(5, 42);
        if (p == unreadable) {
            // Only an unprivileged user is kept from reading.
            EXPECT_EQ(RunUnprivileged([&] {
                          DataFileRead(&s, Rek(p));
                          return s.errorCode == 0 && s.params[5].flags == 0 ? 0 : 1;
                      }),
                      0);
            continue;
        }
        DataFileRead(&s, Rek(p));
        EXPECT_EQ(s.errorCode, 0u) << p;
        EXPECT_EQ(s.params[5].flags, 0u) << p;
        EXPECT_EQ(s.tableFileExisted, 0u) << p;
    }
}

TEST_F(DataFileTest, ReadFailureIsReportedEvenInTheHeader) {
    // The read fails while the word is still to come: a read error, not a
    // missing word.
    WriteFile(path, std::string(3000, 'h') + "\r\n" + kHeader + "5:1\r\n");
    FaultScope fault(FILE_OP_READ, 2);
    DataFileRead(&s, Rek(path));
    EXPECT_EQ(s.errorCode, (uint32_t)MSG_FILE_READ_ERROR);
    EXPECT_STREQ(s.errorText, Cut59(path).c_str());
}

// A read keeps nothing of the file but its values: not a block of the
// pool, however long the header and the comments.
TEST_F(DataFileTest, ReadingTakesNothingFromThePool) {
    alignas(8) static uint8_t small[256];
    ASSERT_EQ(MemoryInit(small, sizeof small), 1);
    std::string content;
    for (int i = 0; i < 2000; i++)
        content += "header line " + std::to_string(i) + " " + std::string(500, 'h') + "\r\n";
    content += "KEY\r\n";
    for (int n = 0; n < 2000; n++)
        content += std::to_string(n) + ":1 ;" + std::string(600, 'c') + "\r\n";
    Read(content);
    EXPECT_EQ(s.errorCode, 0u) << s.place.reason;
    EXPECT_EQ(s.params[1999].value, 1000);
    EXPECT_EQ(MemoryPool()->used, nullptr);
}

TEST_F(DataFileTest, GarbageNeverCrashes) {
    std::mt19937 random(99);
    for (int round = 0; round < 300; round++) {
        std::string bytes;
        size_t size = random() % 4000;
        while (bytes.size() < size) {
            switch (random() % 8) {
            case 0: bytes += "KEY\r\n"; break;
            case 1: bytes += std::to_string((int)(random() % 3000) - 500) + ":"; break;
            case 2: bytes += std::string(random() % 1500, (char)(random() % 256)); break;
            default: bytes += (char)(random() % 256);
            }
        }
        std::memset(&s, 0, sizeof s);
        Read(bytes);
        EXPECT_TRUE(s.errorCode == 0 || s.errorCode == MSG_SYNTAX_ERROR || s.errorCode == MSG_NO_INIT_WORD)
            << s.errorCode;
        for (int n = 0; n < PARAM_COUNT; n++)
            ASSERT_EQ(s.params[n].flags & ~(PARAM_VALID | PARAM_RAW | PARAM_UNHELD), 0u);
    }
}

// ----------------------------------------------------------------- saving

TEST_F(DataFileTest, SavesTheExampleByteForByte) {
    Load(std::string(kHeader) + "0012:\t+00001.000\t;speed\r\n0013:1;gone\r\n; line\r\n*\r\ntrailer\r\n");
    Set(7, -1250);
    Set(12, 12500);
    Set(100, -1, PARAM_VALID | PARAM_RAW);
    s.modified = 1;
    DataFileSave(&s, Rek(path));
    EXPECT_EQ(s.errorCode, 0u) << s.place.reason;
    // The changed parameters in their order; 13, unchanged, in the
    // canonical form with its comment; the kept lines where they stood.
    EXPECT_EQ(ReadFile(path), std::string(kHeader) +
                                  "0007:\t-00001.250\r\n"
                                  "0012:\t+00012.500\t;speed\r\n"
                                  "0013:\t+00001.000\t;gone\r\n"
                                  "; line\r\n"
                                  "0100:\t4294967295L\r\n"
                                  "\r\n*\r\ntrailer\r\n");
    EXPECT_STREQ(s.lastSaved.path, path.c_str());
    EXPECT_STREQ(s.lastSaved.keyword, "KEY");
    EXPECT_EQ(s.modified, 0u);
    EXPECT_EQ(s.params[12].value, 12500);
    EXPECT_EQ(0, std::memcmp(s.baseline, s.params, sizeof s.params)) << "saved is read";
    EXPECT_TRUE(Temporaries().empty());
}

TEST_F(DataFileTest, SavesWithoutAnOldFile) {
    Set(0, 0);
    Set(499, 1);
    Set(500, 2);
    DataFileSave(&s, Rek(path, 500));
    EXPECT_EQ(s.errorCode, 0u);
    EXPECT_EQ(ReadFile(path), "KEY\r\n000:\t+00000.000\r\n499:\t+00000.001\r\n\r\n*\r\n");

    std::remove(path.c_str());
    std::memset(&s, 0, sizeof s);
    DataFileSave(&s, Rek(path, 0));
    EXPECT_EQ(ReadFile(path), "KEY\r\n\r\n*\r\n") << "count 0: header and end only";

    std::string word(80, 'W');
    std::remove(path.c_str());
    std::memset(&s, 0, sizeof s);
    DataFileSave(&s, Rek(path, 0, 3, word.c_str()));
    EXPECT_EQ(ReadFile(path), word + "\r\n\r\n*\r\n") << "the whole word";
}

std::string ExpectedValueText(int32_t value, int decimals) {
    std::string digits = std::to_string(value < 0 ? -(int64_t)value : (int64_t)value);
    if ((int)digits.size() <= decimals)
        digits.insert(0, decimals + 1 - digits.size(), '0');
    digits.insert(digits.size() - decimals, ".");
    std::string text = (value < 0 ? "-" : "+");
    if (digits.size() + 1 < 10)
        text += std::string(10 - 1 - digits.size(), '0');
    return text + digits;
}

TEST_F(DataFileTest, ValueTextsAcrossDecimals) {
    for (int d = 0; d <= 8; d++) {
        for (int32_t v : {INT_MAX, INT_MIN, 0, 1, -1, 5, 12500, -1250, 99999999, 100000000}) {
            std::remove(path.c_str());
            std::memset(&s, 0, sizeof s);
            Set(3, v);
            DataFileSave(&s, Rek(path, 10, (uint8_t)d));
            ASSERT_EQ(s.errorCode, 0u);
            EXPECT_EQ(ReadFile(path), "KEY\r\n03:\t" + ExpectedValueText(v, d) + "\r\n\r\n*\r\n")
                << v << " with " << d;
        }
    }
    EXPECT_EQ(ExpectedValueText(5, 0), "+00000005.");
    EXPECT_EQ(ExpectedValueText(12500, 3), "+00012.500");
}

TEST_F(DataFileTest, RoundTrips) {
    std::mt19937 random(7);
    for (int d = 0; d <= 8; d++) {
        // An old file with a header and comments, a line every seventh
        // parameter.
        std::string header = "first\r\n\tsecond line ;x\r\nKEY\r\n", old = header;
        std::map<uint32_t, std::string> comments;
        for (uint32_t n = 0; n < 300; n += 7) {
            std::string comment = (n % 2 ? ";c" : "\"q ") + std::to_string(n) + " \t;end";
            old += std::to_string(n) + ":1" + comment + "\r\n";
            comments[n] = comment;
        }
        Load(old, 300, (uint8_t)d);
        _PARAM table[PARAM_COUNT];
        std::memcpy(table, s.params, sizeof table);
        for (uint32_t n = 0; n < 300; n++) {
            if (random() % 3 == 0)
                continue;
            int32_t v = (int32_t)random();
            if (n < 10)
                v = std::vector<int32_t>{INT_MAX, INT_MIN, 0, 1, -1, 10, -10, 99999999, -99999999, 7}[n];
            table[n] = {v, random() % 4 == 0 ? PARAM_VALID | PARAM_RAW : PARAM_VALID};
        }
        std::memcpy(s.params, table, sizeof table);
        DataFileSave(&s, Rek(path, 300, (uint8_t)d));
        ASSERT_EQ(s.errorCode, 0u) << s.place.reason;

        std::memset(&s, 0, sizeof s);
        DataFileRead(&s, Rek(path, 300, (uint8_t)d));
        ASSERT_EQ(s.errorCode, 0u) << s.errorText;
        for (uint32_t n = 0; n < PARAM_COUNT; n++) {
            ASSERT_EQ(s.params[n].flags, table[n].flags) << n << " with " << d;
            ASSERT_EQ(s.params[n].value, table[n].value) << n << " with " << d;
        }
        // The header and every comment stay, on the lines of their
        // parameters.
        std::string saved = ReadFile(path);
        EXPECT_EQ(saved.substr(0, header.size()), header);
        for (const auto &[n, text] : comments) {
            char number[8];
            std::snprintf(number, sizeof number, "%03u:", (unsigned)n);
            size_t at = saved.find(std::string("\n") + number);
            ASSERT_NE(at, std::string::npos) << n;
            EXPECT_EQ(saved.substr(saved.find('\t', saved.find('\t', at) + 1) + 1, text.size()), text) << n;
        }
    }
}

// The value text as the double arithmetic of RealToText makes it, which
// the save writes whatever way it takes.
std::string ArithmeticValueText(int32_t value, int decimals) {
    char t[512];
    RealToText(value / PowInt(10.0, decimals), t, decimals);
    std::string text = t;
    char sign = text[0] == '-' ? '-' : '+';
    if (sign == '-')
        text.erase(0, 1);
    if (text.find('.') == std::string::npos)
        text += ".";
    while ((int)(text.size() - text.find('.')) <= decimals)
        text += "0";
    return sign + std::string(text.size() + 1 < 10 ? 9 - text.size() : 0, '0') + text;
}

TEST_F(DataFileTest, LargeFilesKeepTheArithmeticTextsAndTheFirstComments) {
    // Every parameter with a comment, some long, so the file spans several
    // write blocks; parameter 5 has two lines, and the first comment wins.
    std::mt19937 random(11);
    std::string old = "header\r\nKEY\r\n5:1;first\r\n";
    for (uint32_t n = 0; n < PARAM_COUNT; n++)
        old += std::to_string(n) + ":1;c" + std::to_string(n) + std::string(n % 9 ? 10 : 600, 'x') + "\r\n";
    std::vector<int32_t> values = {INT_MAX, INT_MIN, 0, 1, -1, 9, -10};
    for (int32_t p = 1; p <= 100000000; p *= 10)
        for (int32_t v : {p - 1, p, p + 1, 5 * p})
            values.insert(values.end(), {v, -v});
    for (int decimals : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 18, 30}) {
        Load(old, PARAM_COUNT, (uint8_t)decimals);
        std::string expected = "header\r\nKEY\r\n";
        for (uint32_t n = 0; n < PARAM_COUNT; n++) {
            int32_t v = n < values.size() ? values[n] : (int32_t)random();
            Set(n, v, n % 50 == 49 ? PARAM_VALID | PARAM_RAW : PARAM_VALID);
            char number[8];
            std::snprintf(number, sizeof number, "%04u", (unsigned)n);
            expected += std::string(number) + ":\t" +
                        (n % 50 == 49 ? std::to_string((uint32_t)v) + "L" : ArithmeticValueText(v, decimals)) +
                        "\t;" + (n == 5 ? "first" : "c" + std::to_string(n) + std::string(n % 9 ? 10 : 600, 'x')) +
                        "\r\n";
        }
        DataFileSave(&s, Rek(path, PARAM_COUNT, (uint8_t)decimals));
        ASSERT_EQ(s.errorCode, 0u) << s.errorText;
        std::string saved = ReadFile(path);
        ASSERT_GT(saved.size(), 200000u);
        EXPECT_EQ(saved, expected + "\r\n*\r\n") << "with " << decimals;
    }
    EXPECT_EQ(ArithmeticValueText(-1, 30), "+0." + std::string(30, '0')) << "beyond 18 places";
}

TEST_F(DataFileTest, KeepsPermissionBitsAndOwner) {
    Load(std::string(kHeader));
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    // Given away by root, a file keeps its owner after root saves it.
    bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(chown(path.c_str(), 4321, 4322), 0);
    }
    Set(1, 1);
    DataFileSave(&s, Rek(path));
    EXPECT_EQ(s.errorCode, 0u) << s.place.reason;
    EXPECT_EQ(FileModeOf(path), 0640u);
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    if (root) {
        EXPECT_EQ(st.st_uid, 4321u);
        EXPECT_EQ(st.st_gid, 4322u);
    }
}

// The temporary file has a unique name beside the data file, is removed
// when a save fails, and the leftovers of killed saves of this data file
// go with the next save; no other file is ever touched.
TEST_F(DataFileTest, TemporaryFilesAreUniqueAndCleanedUp) {
    Load(std::string(kHeader));
    const std::vector<std::string> others = {"DATA.tm_", "DATA.OLD.abc123.tm_", "DATA.TXT.ABC123.tm_",
                                             "DATA.TXT.abc12.tm_", "DATA.TXT.abc123.tmp", "XDATA.TXT.abc123.tm_"};
    for (const std::string &name : others)
        WriteFile(dir / name, "not ours");
    Set(1, 1);
    {
        FaultScope fault(FILE_OP_REPLACE, 1);
        DataFileSave(&s, Rek(path));
    }
    EXPECT_EQ(s.errorCode, (uint32_t)MSG_FILE_MOVE_ERROR);
    EXPECT_EQ(std::string(s.errorText).find(path + "."), 0u) << "the temporary file is named: " << s.errorText;
    EXPECT_EQ(Temporaries().size(), others.size() - 1) << "the temporary file is removed (.tmp is none)";
    EXPECT_EQ(ReadFile(path), std::string(kHeader));

    // Two saves killed after their temporary files were made.
    WriteFile(dir / "DATA.TXT.k1ll3d.tm_", "left");
    WriteFile(dir / "DATA.TXT.0zz999.tm_", "left");
    s.errorCode = 0;
    DataFileSave(&s, Rek(path));
    EXPECT_EQ(s.errorCode, 0u) << s.place.reason;
    EXPECT_FALSE(PathExists(dir / "DATA.TXT.k1ll3d.tm_"));
    EXPECT_FALSE(PathExists(dir / "DATA.TXT.0zz999.tm_"));
    for (const std::string &name : others)
        EXPECT_EQ(ReadFile(dir / name), "not ours") << name;
}

TEST_F(DataFileTest, RelativeNamesSaveInTheWorkingFolder) {
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    ASSERT_EQ(chdir(dir.root().c_str()), 0);
    for (const char *name : {"./DATA.TXT", "DATA.TXT"}) {
        std::memset(&s, 0, sizeof s);
        WriteFile(name, std::string(kHeader));
        DataFileRead(&s, Rek(name));
        Set(2, 2000);
        DataFileSave(&s, Rek(name));
        EXPECT_EQ(s.errorCode, 0u) << name;
        EXPECT_EQ(ReadFile(name), std::string(kHeader) + "0002:\t+00002.000\r\n\r\n*\r\n");
    }
    ASSERT_EQ(chdir(here), 0);
}

// What a failed save must leave: the old file byte for byte, no
// descriptor open, nothing recorded as saved.
class DataFileFailTest : public DataFileTest {
protected:
    void SetUp() override {
        DataFileTest::SetUp();
        old = std::string(kHeader) + "0001:\t+00000.001\t;one\r\n\r\n*\r\n";
        WriteFile(path, old);
        descriptors = OpenDescriptors();
    }
    // The old file read, parameters 1 and 2 changed.
    void Edit() {
        std::memset(&s, 0, sizeof s);
        DataFileRead(&s, Rek(path));
        Set(1, 5000);
        Set(2, 6000);
        s.modified = 1;
    }
    // Whether the error's reason says part.
    bool ReasonHas(const char *part) const {
        return std::strstr(s.place.reason, part) != nullptr;
    }
    // The old file byte for byte and no temporary file; the detail text
    // names the data file or its temporary file, the reason the system's
    // words.
    void ExpectUntouched(uint32_t code) {
        EXPECT_EQ(s.errorCode, code);
        EXPECT_EQ(std::string(s.errorText).find(Cut59(path)), 0u) << s.errorText;
        EXPECT_EQ(std::string(s.place.file), path);
        EXPECT_TRUE(ReasonHas("Input/output error")) << s.place.reason;
        EXPECT_EQ(ReadFile(path), old);
        EXPECT_TRUE(Temporaries().empty());
        EXPECT_STREQ(s.lastSaved.path, "");
        EXPECT_EQ(s.modified, 1u);
        EXPECT_EQ(OpenDescriptors(), descriptors) << "every file is closed";
    }
    // The file operations of a save that succeeds, in order; the old file
    // is put back after it.
    std::vector<int> RecordSave() {
        Edit();
        FaultScope record;
        DataFileSave(&s, Rek(path));
        EXPECT_EQ(s.errorCode, 0u);
        WriteFile(path, old);
        return record.asked();
    }
    std::string NewContent() {
        return std::string(kHeader) + "0001:\t+00005.000\t;one\r\n0002:\t+00006.000\r\n\r\n*\r\n";
    }
    std::string old;
    int descriptors = 0;
};

TEST_F(DataFileFailTest, EveryOperationOfASaveFailingInTurn) {
    std::vector<int> asked = RecordSave();
    // Locked first; flushed before it is closed, closed before it
    // replaces, the folder flushed after.
    EXPECT_EQ(asked.front(), FILE_OP_LOCK);
    std::vector<int> tail(asked.end() - 4, asked.end());
    EXPECT_EQ(tail, (std::vector<int>{FILE_OP_SYNC, FILE_OP_CLOSE, FILE_OP_REPLACE, FILE_OP_DIR_SYNC}));
    size_t tempClose = asked.size() - 2;
    const std::map<int, uint32_t> codes = {
        {FILE_OP_LOCK, MSG_FILE_WRITE_ERROR},
        {FILE_OP_OPEN, MSG_FILE_READ_ERROR}, {FILE_OP_READ, MSG_FILE_READ_ERROR},
        {FILE_OP_READ_AT, MSG_FILE_READ_ERROR},
        {FILE_OP_CREATE_UNIQUE, MSG_FILE_CREATE_ERROR}, {FILE_OP_MODE_COPY, MSG_FILE_CREATE_ERROR},
        {FILE_OP_WRITE, MSG_FILE_WRITE_ERROR}, {FILE_OP_SYNC, MSG_FILE_WRITE_ERROR},
        {FILE_OP_CLOSE, MSG_FILE_CLOSE_ERROR}, {FILE_OP_REPLACE, MSG_FILE_MOVE_ERROR},
    };
    for (size_t i = 1; i <= asked.size(); i++) {
        int op = asked[i - 1];
        SCOPED_TRACE(testing::Message() << "operation " << i << " (" << op << ")");
        Edit();
        {
            FaultScope fault(-1, (int)i);
            DataFileSave(&s, Rek(path));
        }
        if (op == FILE_OP_CLOSE && i != tempClose) {
            // Closing what was only read changes nothing.
            EXPECT_EQ(s.errorCode, 0u) << s.place.reason;
            EXPECT_EQ(ReadFile(path), NewContent());
        } else if (op == FILE_OP_DIR_SYNC) {
            // Replaced but not known to last: reported, the file whole.
            EXPECT_EQ(s.errorCode, (uint32_t)MSG_FILE_MOVE_ERROR);
            EXPECT_EQ(ReadFile(path), NewContent());
        } else {
            // A data file that was not read whole is never replaced.
            ExpectUntouched(codes.at(op));
        }
        EXPECT_EQ(OpenDescriptors(), descriptors);
        WriteFile(path, old);
    }
}

TEST_F(DataFileFailTest, FolderThatCannotBeWritten) {
    ASSERT_EQ(chmod(path.c_str(), 0666), 0);
    ASSERT_EQ(chmod(dir.root().c_str(), 0555), 0);
    int code = RunUnprivileged([&] {
        Edit();
        DataFileSave(&s, Rek(path));
        return (int)s.errorCode + (ReasonHas("cannot create") && ReasonHas("Permission denied") ? 100 : 0);
    });
    ASSERT_EQ(chmod(dir.root().c_str(), 0700), 0);
    EXPECT_EQ(code, MSG_FILE_CREATE_ERROR + 100);
    EXPECT_EQ(ReadFile(path), old);
    EXPECT_TRUE(Temporaries().empty());
}

TEST_F(DataFileFailTest, WriteRefusedByTheSystem) {
    // A file size limit makes the system refuse the write itself.
    int code = RunInChild([&] {
        struct rlimit limit = {60, 60};
        signal(SIGXFSZ, SIG_IGN);
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return 100;
        Edit();
        DataFileSave(&s, Rek(path));
        return (int)s.errorCode + (ReasonHas("File too large") ? 100 : 0);
    });
    EXPECT_EQ(code, MSG_FILE_WRITE_ERROR + 100);
    EXPECT_EQ(ReadFile(path), old);
    EXPECT_TRUE(Temporaries().empty()) << "a full disk keeps no partial file";
}

TEST_F(DataFileFailTest, DataFilesThatAreNotToBeReplaced) {
    // Read-only, unreadable: an unprivileged user may not replace them,
    // though the folder would let a rename through.
    ASSERT_EQ(chmod(dir.root().c_str(), 0777), 0);
    for (mode_t mode : {0444, 0200}) {
        ASSERT_EQ(chmod(path.c_str(), mode), 0);
        int code = RunUnprivileged([&] {
            Edit();
            DataFileSave(&s, Rek(path));
            return (int)s.errorCode + (ReasonHas("Permission denied") ? 100 : 0);
        });
        EXPECT_EQ(code, (mode == 0444 ? MSG_FILE_MOVE_ERROR : MSG_FILE_READ_ERROR) + 100) << std::oct << mode;
        ASSERT_EQ(chmod(path.c_str(), 0644), 0);
        EXPECT_EQ(ReadFile(path), old);
    }
    // A folder under the data file's name.
    std::string folder = dir / "FOLDER.TXT";
    ASSERT_EQ(DirCreate(folder.c_str()), FILE_OK);
    Edit();
    DataFileSave(&s, Rek(folder));
    EXPECT_EQ(s.errorCode, (uint32_t)MSG_FILE_READ_ERROR);
    EXPECT_TRUE(ReasonHas("Is a directory")) << s.place.reason;
    EXPECT_TRUE(FileExists(folder.c_str()));
    // A data file named like a temporary file saves as any other.
    std::string tm = dir / "PARAMS.tm_";
    WriteFile(tm, old);
    std::memset(&s, 0, sizeof s);
    DataFileRead(&s, Rek(tm));
    Set(2, 6000);
    DataFileSave(&s, Rek(tm));
    EXPECT_EQ(s.errorCode, 0u) << s.place.reason;
    EXPECT_EQ(ReadFile(tm), std::string(kHeader) + "0001:\t+00000.001\t;one\r\n0002:\t+00006.000\r\n\r\n*\r\n");
}

// A data file that is a symbolic link is saved through its target: the
// link stays, the file it leads to gets the new values.
TEST_F(DataFileFailTest, ALinkIsSavedThroughItsTarget) {
    DirCreate((dir / "real").c_str());
    std::string target = dir / "real/DATA.TXT";
    WriteFile(target, old);
    std::remove(path.c_str());
    ASSERT_EQ(symlink("real/DATA.TXT", path.c_str()), 0);
    Edit();
    DataFileSave(&s, Rek(path));
    EXPECT_EQ(s.errorCode, 0u) << s.place.reason;
    char link[256] = {};
    ASSERT_GT(readlink(path.c_str(), link, sizeof link - 1), 0) << "still a link";
    EXPECT_STREQ(link, "real/DATA.TXT");
    EXPECT_EQ(ReadFile(target), NewContent());
    EXPECT_STREQ(s.lastSaved.path, path.c_str());
}

// ------------------------------------------------------------ crash safety

TEST_F(DataFileFailTest, StoppedBetweenAnyTwoSteps) {
    // A save that dies at any of its file operations leaves the old file
    // or the new one, whole.
    std::vector<int> asked = RecordSave();
    size_t replace = std::find(asked.begin(), asked.end(), FILE_OP_REPLACE) - asked.begin() + 1;
    for (size_t i = 1; i <= asked.size(); i++) {
        pid_t pid = fork();
        if (pid == 0) {
            Edit();
            FaultScope stop(-1, (int)i, true);
            DataFileSave(&s, Rek(path));
            _exit(1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "stopped at " << i;
        EXPECT_EQ(ReadFile(path), i <= replace ? old : NewContent()) << "stopped at " << i;
        WriteFile(path, old);
        // What the stopped save left, which the next save would remove
        // (its removals would shift the operations counted here).
        for (const std::string &name : Temporaries())
            std::remove((dir / name).c_str());
    }
}

// The number of kills: TABRIX_KILL_ROUNDS, or a few dozen; scripts/fuzz
// --kills N runs the long mode.
int KillRounds() {
    const char *rounds = std::getenv("TABRIX_KILL_ROUNDS");
    return rounds != nullptr ? std::atoi(rounds) : 30;
}

TEST_F(DataFileFailTest, KilledWhileSavingInALoop) {
    // Two tables saved by turns, each file long enough that a kill lands
    // inside a save; the data file must always be one of them, whole.
    auto fill = [&](int32_t base) {
        for (int n = 0; n < PARAM_COUNT; n++)
            Set(n, base + n);
    };
    ASSERT_EQ(chmod(path.c_str(), 0604), 0);
    std::memset(&s, 0, sizeof s);
    DataFileRead(&s, Rek(path));
    fill(1000);
    DataFileSave(&s, Rek(path));
    std::string first = ReadFile(path);
    fill(-7000);
    DataFileSave(&s, Rek(path));
    std::string second = ReadFile(path);
    ASSERT_NE(first, second);

    std::mt19937 random(42);
    int rounds = KillRounds(), midSave = 0;
    for (int round = 0; round < rounds; round++) {
        pid_t pid = fork();
        if (pid == 0) {
            DataFileRead(&s, Rek(path));
            for (int i = 0;; i++) {
                fill(i % 2 ? -7000 : 1000);
                DataFileSave(&s, Rek(path));
            }
        }
        usleep(1000 + random() % 20000);
        kill(pid, SIGKILL);
        int status;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(PathExists(path)) << "round " << round << ": the data file is missing";
        std::string now = ReadFile(path);
        ASSERT_TRUE(now == first || now == second) << "round " << round << ": " << now.size() << " bytes";
        EXPECT_EQ(FileModeOf(path), 0604u);
        midSave += !Temporaries().empty();
    }
    // How many kills came after a save had created its temporary file:
    // kills that all fell between two saves would prove nothing.
    RecordProperty("killed_mid_save", midSave);
    std::printf("%d of %d kills left a temporary file behind\n", midSave, rounds);
    EXPECT_GT(midSave, 0) << "no kill landed inside a save";
    // The next save removes what the killed ones left.
    DataFileRead(&s, Rek(path));
    fill(5);
    DataFileSave(&s, Rek(path));
    EXPECT_EQ(s.errorCode, 0u) << s.place.reason;
    EXPECT_TRUE(Temporaries().empty());
}

}  // namespace
