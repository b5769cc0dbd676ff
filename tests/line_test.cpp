// Script lines: preparation, kinds, texts and fields, entries.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "common/memory/memory.h"
#include "script/line.h"
#include "session/session.h"

namespace {

constexpr size_t LINE_SIZE = 1023;      // 1,022 characters and the terminator

struct Parsed {
    uint32_t type;
    int ok;                 // ItemParse's result; 0 for a bad line
    _LINEFIELDS f;
    std::string rest;       // the line after parsing
};

struct LineTest : ::testing::Test {
    alignas(8) static inline uint8_t pool[POOL_BUFFER_SIZE];
    char line[LINE_SIZE + 1];
    void SetUp() override {
        std::memset(&TabrixSession, 0, sizeof TabrixSession);
        ASSERT_EQ(MemoryInit(pool, POOL_BUFFER_SIZE), 1);
    }
    // Prepares, classifies and parses a raw line as the loader does.
    Parsed Parse(const std::string &raw) {
        EXPECT_LE(raw.size(), LINE_SIZE - 1);
        std::memset(line, 0, sizeof line);
        std::memcpy(line, raw.data(), raw.size());
        LineClean(line);
        Parsed p{};
        p.type = LineClassify(line);
        if (p.type != LINE_BAD)
            p.ok = ItemParse(line, p.type, &p.f);
        p.rest = line;
        return p;
    }
};

TEST_F(LineTest, Clean) {
    const struct { const char *in, *out; } cases[] = {
        {"text \"A b\" x1 // note", "TEXT\"A b\"X1"},
        {" \tIn t  c5\t", "INTC5"},
        {"int \"Speed v\" c12 s l 1", "INT\"Speed v\"C12SL1"},
        {"  list \"Mode\" r 13 v0 \"Off\" v 1 \"On\"", "LIST\"Mode\"R13V0\"Off\"V1\"On\""},
        {"calc \"sin( 30 )\" \"\" m 1 . 8 a", "CALC\"sin( 30 )\"\"\"M1.8A"},
        {"TEXT \"a//b\" X1", "TEXT\"a"},        // the comment cuts inside a text
        {"// only a comment", ""},
        {"TEXT\"a\" / / x", "TEXT\"a\"//X"},    // cut before blanks go
        {"text \"x\" \"y z\"", "TEXT\"x\"\"y z\""},
        {"text \"ab c", "TEXT\"ab c"},          // an open text runs to the end
        {"a\"b\"c\"d e", "A\"b\"C\"d e"},
        {"\xe9x\x81 y", "\xe9X\x81Y"},          // only a to z change case
        {"", ""},
    };
    for (const auto &c : cases) {
        std::strcpy(line, c.in);
        LineClean(line);
        EXPECT_STREQ(line, c.out) << c.in;
    }
}

TEST_F(LineTest, Classify) {
    const struct { const char *in; uint32_t type; const char *rest; } cases[] = {
        {"", LINE_EMPTY, ""},                   {"DIALOG\"a\"\"b\"", LINE_DIALOG, "\"a\"\"b\""},
        {"SCRIPT\"a\"", LINE_SCRIPT, "\"a\""},  {"BITMAP\"a\"", LINE_BITMAP, "\"a\""},
        {"SUB\"a\"", LINE_SUB, "\"a\""},        {"TEXTX", LINE_TEXT, "X"},  // letters may follow
        {"INITC5I7", LINE_INIT, "C5I7"},        {"INTC5", LINE_INT, "C5"},  // INIT before INT
        {"CALC\"1\"", LINE_CALC, "\"1\""},      {"LISTC1", LINE_LIST, "C1"},
        {"REALC1", LINE_REAL, "C1"},            {"SIGNAL", LINE_SIGN, "AL"},
        {"HEXC1", LINE_HEX, "C1"},              {"REKFILE\"a\"", LINE_REKFILE, "\"a\""},
        {"V0\"a\"", LINE_NUMBER_LINE, "0\"a\""}, {"12\"a\"", LINE_NUMBER_LINE, "12\"a\""},
        {"V+\"a\"", LINE_SIGN_LINE, "+\"a\""},  {"-\"a\"", LINE_SIGN_LINE, "-\"a\""},
        {"VV0\"a\"", LINE_BAD, "VV0\"a\""},     // one V only; a bad line stays whole
        {"V", LINE_BAD, "V"},                   {"\"a\"", LINE_BAD, "\"a\""},
        {"X1", LINE_BAD, "X1"},                 {"INI", LINE_BAD, "INI"},
        {"TEXT\"a", LINE_BAD, "TEXT\"a"},       // odd quotes: nothing removed
        {"0\"a", LINE_BAD, "0\"a"},             {"\"\"\"", LINE_BAD, "\"\"\""},
    };
    for (const auto &c : cases) {
        std::strcpy(line, c.in);
        EXPECT_EQ(LineClassify(line), c.type) << c.in;
        EXPECT_STREQ(line, c.rest) << c.in;
    }
}

// Fields of accepted lines; -1 is "not given".
struct FieldCase {
    const char *line;
    uint32_t type;
    int32_t number, bank, slot, low, count, sign;
};

TEST_F(LineTest, ReferencesAndDigitFields) {
    const FieldCase cases[] = {
        {"int c5", LINE_INT, 5, 0, -1, 1, 8, 0},
        {"INITC5I7", LINE_INIT, 5, 0, -1, 1, 8, 0},
        {"INT C1 L5 N4 S", LINE_INT, 1, 0, -1, 5, 4, 1},
        {"INT C1 L5 N6 S", LINE_INT, 1, 0, -1, 5, 4, 0},  // sign dropped, then cut
        {"INT C1 L2 N3 S", LINE_INT, 1, 0, -1, 2, 3, 0},
        {"INT C1 L3 N4", LINE_INT, 1, 0, -1, 3, 4, 0},
        {"INT C1 H6 N4", LINE_INT, 1, 0, -1, 3, 4, 0},
        {"INT C1 H6 L3", LINE_INT, 1, 0, -1, 3, 4, 0},
        {"INT C1 H6 L3 N9", LINE_INT, 1, 0, -1, 3, 4, 0}, // H and L decide
        {"INT C1 N4", LINE_INT, 1, 0, -1, -1, 4, 0},      // incomplete
        {"INT C1 L3", LINE_INT, 1, 0, -1, 3, -1, 0},
        {"INT C1 H3", LINE_INT, 1, 0, -1, -1, -1, 0},
        {"INT C1 H3 N4", LINE_INT, 1, 0, -1, 1, 4, 0},    // L 0 becomes 1
        {"INT C1 H3 N5", LINE_INT, 1, 0, -1, -1, 5, 0},   // L -1 stays
        {"INT C1 L9 N1", LINE_INT, 1, 0, -1, 9, 0, 0},
        {"INT C1 H10", LINE_INT, 1, 0, -1, -1, -1, 0},
        {"INT C1 H10 L1 S", LINE_INT, 1, 0, -1, 1, 8, 0},
        {"INT M1.8 S", LINE_INT, 8, 1, -1, 1, 10, 1},     // variables have ten digits
        {"INT M1.8 L1 N8 S", LINE_INT, 8, 1, -1, 1, 8, 0},
        {"INT M0.8 S", LINE_INT, 8, 0, -1, 1, 8, 1},      // bank 0: a parameter
        {"INT M.5", LINE_INT, 5, 0, -1, 1, 8, 0},
        {"INT M7.", LINE_INT, 0, 7, -1, 1, 10, 0},
        {"INT M0.8 C9", LINE_INT, 9, 0, -1, 1, 8, 0},
        {"INT M0.2500 C5", LINE_INT, 5, 0, -1, 1, 8, 0},  // the limit is checked last
        {"INT M1.1999", LINE_INT, 1999, 1, -1, 1, 10, 0},
        {"INT C1 C7", LINE_INT, 7, 0, -1, 1, 8, 0},       // the last value counts
        {"INT R7", LINE_INT, 7, 0, -1, 1, 8, 0},
        {"INT C1999", LINE_INT, 1999, 0, -1, 1, 8, 0},
        {"CALC \"1\" D29", LINE_CALC, -1, 0, 29, 1, 8, 0},
        {"CALC \"1\" D3 D4", LINE_CALC, -1, 0, 4, 1, 8, 0},
        {"INT", LINE_INT, -1, 0, -1, 1, 8, 0},             // the loader asks for C
        {"REKFILE \"w\" \"p\" C0", LINE_REKFILE, 0, 0, -1, 1, 8, 0},
        {"REKFILE \"w\" \"p\" N2", LINE_REKFILE, -1, 0, -1, -1, 2, 0},
        {"HEX M3.4", LINE_HEX, 4, 3, -1, 1, 10, 0},
    };
    for (const FieldCase &c : cases) {
        Parsed p = Parse(c.line);
        EXPECT_EQ(p.type, c.type) << c.line;
        ASSERT_EQ(p.ok, 1) << c.line;
        EXPECT_EQ(p.f.number, c.number) << c.line;
        EXPECT_EQ(p.f.bank, c.bank) << c.line;
        EXPECT_EQ(p.f.slot, c.slot) << c.line;
        EXPECT_EQ(p.f.low, c.low) << c.line;
        EXPECT_EQ(p.f.count, c.count) << c.line;
        EXPECT_EQ(p.f.sign, c.sign) << c.line;
    }
}

TEST_F(LineTest, PlainFields) {
    Parsed p = Parse("text \"A b\" x1 y0 a // comment");
    ASSERT_EQ(p.ok, 1);
    EXPECT_STREQ(p.f.first, "A b");
    EXPECT_EQ(p.f.second, LineNoText);
    EXPECT_EQ(p.f.x, 1);
    EXPECT_EQ(p.f.y, 0);
    EXPECT_EQ(p.f.focus, 1);
    EXPECT_EQ(p.f.value, -1);
    EXPECT_EQ(p.rest, "X1Y0A") << "the texts leave the line, the fields stay";

    p = Parse("INT C1 I-2147483648 X2147483647 V V-3 V+ A S");
    ASSERT_EQ(p.ok, 1);
    EXPECT_EQ(p.f.value, INT_MIN);
    EXPECT_EQ(p.f.x, INT_MAX);
    EXPECT_EQ(p.f.y, -1);

    p = Parse("int c5");
    ASSERT_EQ(p.ok, 1);
    EXPECT_EQ(p.f.focus, 0);
    EXPECT_EQ(p.f.high, 8);
}

TEST_F(LineTest, BadLines) {
    const char *bad[] = {
        "INT C2000", "INT C-1", "INT C", "INT C+", "INT C4294967297",  // no wrap to 1
        "INT C1 D3", "INT D3 C1", "INT M0.1 D3", "INT M1.8 C9", "INT C9 M1.8",
        "INT M1.8 M1.9", "INT M0.1 M0.2", "INT M1", "INT M-1.5", "INT M1.-5",
        "INT M1.2000", "INT M99999999999.1", "CALC \"1\" D30", "CALC \"1\" D-1",
        "INT C1 L0", "INT C1 L10", "INT C1 H0", "INT C1 H11", "INT C1 N0", "INT C1 N11",
        "INT C1 X-1", "INT C1 X", "INT C1 Y", "INT C1 Y2147483648",
        "INT C1 I", "INT C1 I2147483648", "INT C1 I4294967297",
        "INT5", "INT+C5", "INT-C5", "INT C1 Q", "INT C1 ,", "INT C1 A5", "INT C1 .",
        "INT C1 \"x", "DIALOG \"T\"", "DIALOG", "DIALOG \"T\" X \"M\"", "SUB \"a\"",
        "SCRIPT \"a\"", "REKFILE \"w\"", "TEXT", "TEXT X1 \"a\"", "BITMAP", "CALC",
        "REKFILE \"w\" \"p\" C2000", "LIST C7 V0 \"OFF\" 1 \"ON\"",
        "VV0\"a\"", "TEXT \"a//b\"",
    };
    for (const char *b : bad)
        EXPECT_EQ(Parse(b).ok, 0) << b;
}

TEST_F(LineTest, RequiredAndOptionalTexts) {
    Parsed p = Parse("DIALOG \"Settings\" \"DLG_MAIN\"");
    ASSERT_EQ(p.ok, 1);
    EXPECT_STREQ(p.f.first, "Settings");
    EXPECT_STREQ(p.f.second, "DLG_MAIN");
    EXPECT_EQ(p.rest, "");

    p = Parse("DIALOG \"\" \"\"");                 // empty texts are given texts
    ASSERT_EQ(p.ok, 1);
    EXPECT_STREQ(p.f.first, "");
    EXPECT_NE(p.f.first, LineNoText);

    p = Parse("BITMAP \"a.bmp\"");                 // X and Y are the loader's
    EXPECT_EQ(p.ok, 1);

    p = Parse("INT C12 \"late\"");                 // not right after the keyword
    ASSERT_EQ(p.ok, 1);
    EXPECT_EQ(p.f.first, LineNoText);
    EXPECT_EQ(p.rest, "C12\"late\"");

    p = Parse("V0 \"Off\"");                       // entry lines read no texts
    EXPECT_EQ(p.type, LINE_NUMBER_LINE);
    ASSERT_EQ(p.ok, 1);
    EXPECT_EQ(p.f.first, nullptr);
    EXPECT_EQ(p.rest, "0\"Off\"");

    p = Parse("  ");
    EXPECT_EQ(p.type, LINE_EMPTY);
    EXPECT_EQ(p.f.first, nullptr);
}

// A rejected line and a full pool leave no text behind.
TEST_F(LineTest, RejectedLinesKeepNoText) {
    Parse("DIALOG \"T\" X \"M\"");
    EXPECT_EQ(MemoryPool()->used, nullptr);
    Parsed p = Parse("DIALOG \"T\" \"M\" C2000");
    EXPECT_EQ(p.ok, 0);
    EXPECT_EQ(p.f.first, nullptr);
    EXPECT_EQ(MemoryPool()->used, nullptr);
    EXPECT_EQ(TabrixSession.errorCode, 0u);
}

TEST_F(LineTest, PoolExhaustion) {
    alignas(8) static uint8_t tiny[sizeof(_MEMORY_POOL) + sizeof(_MEMORY_BLOCK) + 8];
    ASSERT_EQ(MemoryInit(tiny, sizeof tiny), 1);
    Parsed p = Parse("DIALOG \"ab\" \"a longer name\"");   // the first fits, the second not
    EXPECT_EQ(p.ok, 0);
    EXPECT_EQ(TabrixSession.errorCode, 13u);
    EXPECT_EQ(MemoryPool()->used, nullptr) << "the first text is given back";
}

TEST_F(LineTest, Entries) {
    const struct { const char *in; int list, sign; const char *rest; } cases[] = {
        {"0\"a\"", 1, 0, "0\"a\""},
        {"V0\"a\"V12\"b c\"", 1, 0, "0\"a\"12\"b c\""},
        {"0\"aVb\"", 1, 0, "0\"aVb\""},           // a V inside a text stays
        {"0V\"a\"", 1, 0, "0\"a\""},
        {"0\"\"", 1, 0, "0\"\""},
        {"", 1, 1, ""},
        {"2147483647\"a\"", 1, 0, "2147483647\"a\""},
        {"2147483648\"a\"", 0, 0, "2147483648\"a\""},
        {"0\"a\"1", 0, 0, "0\"a\"1"},             // a number without its text
        {"0", 0, 0, "0"},
        {"\"a\"", 0, 0, "\"a\""},                 // a text without its number
        {"0\"a\"\"b\"", 0, 0, "0\"a\"\"b\""},
        {"0\"a", 0, 0, "0\"a"},
        {"0\"a\"C7", 0, 0, "0\"a\"C7"},
        {"-1\"a\"", 0, 0, "-1\"a\""},
        {"+\"a\"-\"b\"", 0, 1, "+\"a\"-\"b\""},
        {"V+\"a\"V-\"b\"", 0, 1, "+\"a\"-\"b\""},
        {"+\"\"", 0, 1, "+\"\""},
        {"+-\"a\"", 0, 0, "+-\"a\""},
        {"+\"a\"-", 0, 0, "+\"a\"-"},
        {"+\"a\"x", 0, 0, "+\"a\"x"},
    };
    for (const auto &c : cases) {
        std::strcpy(line, c.in);
        EXPECT_EQ(ListEntriesCheck(line), c.list) << c.in;
        EXPECT_STREQ(line, c.rest) << c.in;
        std::strcpy(line, c.in);
        EXPECT_EQ(SignEntriesCheck(line), c.sign) << c.in;
    }
}

// Every byte value inside a text stays as it is; after the fields, only
// the flag letters, blanks and digits keep the line good.
TEST_F(LineTest, EveryByteValue) {
    for (int b = 1; b < 256; b++) {
        char c = (char)b;
        Parsed p = Parse(std::string("TEXT \"a") + c + "b\" X1");
        if (c == '"') {
            EXPECT_EQ(p.type, LINE_BAD);
            continue;
        }
        ASSERT_EQ(p.ok, 1) << b;
        EXPECT_EQ(std::string(p.f.first), std::string("a") + c + "b") << b;
        EXPECT_EQ(p.f.x, 1) << b;
    }
    for (int b = 1; b < 256; b++) {
        char c = (char)b;
        bool good = std::strchr("ASVasv \t0123456789", c) != nullptr;
        EXPECT_EQ(Parse(std::string("INT C5") + c).ok, good ? 1 : 0) << b;
    }
}

TEST_F(LineTest, LongestLines) {
    std::string text(1015, 'x');
    Parsed p = Parse("TEXT\"" + text + "\"A");                  // 1,022 characters
    ASSERT_EQ(p.ok, 1);
    EXPECT_EQ(std::string(p.f.first), text);
    EXPECT_EQ(p.f.focus, 1);

    p = Parse(std::string(1020, ' ') + "//");
    EXPECT_EQ(p.type, LINE_EMPTY);

    p = Parse(std::string(1022, 'V'));
    EXPECT_EQ(p.type, LINE_BAD);

    p = Parse("INTC1" + std::string(1017, 'A'));
    EXPECT_EQ(p.ok, 1);

    std::string entries;
    while (entries.size() + 5 <= 1022)
        entries += "7\"ab\"";
    entries.resize(1022, '7');
    std::strcpy(line, entries.c_str());
    EXPECT_EQ(ListEntriesCheck(line), 0) << "a trailing number without its text";
    entries.resize(1020);
    std::strcpy(line, entries.c_str());
    EXPECT_EQ(ListEntriesCheck(line), 1);
}

}  // namespace
