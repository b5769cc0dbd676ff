// Error lines in the form compilers print them, paths relative to where
// the tool started, and the library's texts as UTF-8.
#include <gtest/gtest.h>

#include <cstdio>

#include "report.h"

namespace {

TEST(ReportTest, TextsBecomeUtf8) {
    EXPECT_EQ(ReportUtf8(""), "");
    EXPECT_EQ(ReportUtf8("Syntax Error"), "Syntax Error");
    EXPECT_EQ(ReportUtf8("\x9E\xA0" "dka"), "Řádka");
    EXPECT_EQ(ReportUtf8("\x03\x04\x05"), "àèê");
    EXPECT_EQ(ReportUtf8("\xAA\xAD\xB0\xC0\xFF"), "α§ŁАя");
}

TEST(ReportTest, PathsRelativeToTheStart) {
    EXPECT_EQ(ReportPath("MAIN.SCT", "DATA.TXT"), "DATA.TXT");
    EXPECT_EQ(ReportPath("sets/MAIN.SCT", "DATA.TXT"), "sets/DATA.TXT");
    EXPECT_EQ(ReportPath("sets/MAIN.SCT", "sub/A.SCT"), "sets/sub/A.SCT");
    EXPECT_EQ(ReportPath("/m/sets/MAIN.SCT", "../DATA.TXT"), "/m/sets/../DATA.TXT");
    EXPECT_EQ(ReportPath("sets/MAIN.SCT", "/var/DATA.TXT"), "/var/DATA.TXT");
}

_TABRIX_ERROR Error(uint32_t code, const char *file, uint32_t line, uint32_t column, const char *reason) {
    _TABRIX_ERROR e{};
    e.size = sizeof e;
    e.code = code;
    e.line = line;
    e.column = column;
    std::snprintf(e.file, sizeof e.file, "%s", file);
    std::snprintf(e.reason, sizeof e.reason, "%s", reason);
    return e;
}

TEST(ReportTest, ErrorLines) {
    const struct {
        const char *script;
        _TABRIX_ERROR error;
        const char *message;
        std::string want;
    } cases[] = {
        {"TAB1.SCT", Error(4, "TAB1.SCT", 12, 5, "unknown keyword LABLE"), "Syntax Error",
         "TAB1.SCT:12:5: error 4: Syntax Error: unknown keyword LABLE"},
        {"sets/MAIN.SCT", Error(4, "sub/A.SCT", 3, 0, "why"), "Syntax Error",
         "sets/sub/A.SCT:3: error 4: Syntax Error: why"},
        {"MAIN.SCT", Error(4, "DATA.TXT", 7, 2, "no value"), "Syntaktick\xA0 chyba",
         "DATA.TXT:7:2: error 4: Syntaktická chyba: no value"},
        // No file: the script; no line: no column either.
        {"sets/MAIN.SCT", Error(15, "", 0, 0, "no DLG_MAIN"), "DLG_MAIN not found",
         "sets/MAIN.SCT: error 15: DLG_MAIN not found: no DLG_MAIN"},
        {"MAIN.SCT", Error(35, "D.TXT", 0, 9, "no word"), "Initializing word was not found",
         "D.TXT: error 35: Initializing word was not found: no word"},
        {"MAIN.SCT", Error(13, "MAIN.SCT", 4, 0, ""), "Not enought memory",
         "MAIN.SCT:4: error 13: Not enought memory"},
        // A reason quoting a script's text in display bytes.
        {"MAIN.SCT", Error(4, "/abs/MAIN.SCT", 1, 1, "unknown keyword \x9E"), "Syntax Error",
         "/abs/MAIN.SCT:1:1: error 4: Syntax Error: unknown keyword Ř"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ReportErrorLine(c.script, c.error, c.message), c.want) << c.error.reason;
}

}  // namespace
