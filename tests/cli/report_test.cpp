// Error lines in the form compilers print them, paths relative to where
// the tool started, and the library's texts as UTF-8.
#include <gtest/gtest.h>

#include "report.h"

namespace {

const char *kLine = "Line", *kFile = "File";
const char *kCzechLine = "\x9E\xA0" "dka", *kCzechFile = "Soubor";  // Řádka, Soubor

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

TEST(ReportTest, ErrorLines) {
    const std::string cut = "Line:2 File:" + std::string(47, 'N');  // 59 characters
    const struct {
        const char *script;
        uint32_t code;
        const char *message, *detail, *line, *file;
        std::string want;
    } cases[] = {
        {"TAB1.SCT", 4, "Syntax Error", "Line:12 File:TAB1.SCT", kLine, kFile,
         "TAB1.SCT:12: error 4: Syntax Error (Line:12 File:TAB1.SCT)"},
        {"sets/MAIN.SCT", 4, "Syntax Error", "Line:3 File:sub/A.SCT", kLine, kFile,
         "sets/sub/A.SCT:3: error 4: Syntax Error (Line:3 File:sub/A.SCT)"},
        {"MAIN.SCT", 4, "Syntaktick\xA0 chyba", "\x9E\xA0" "dka:7 Soubor:DATA.TXT", kCzechLine, kCzechFile,
         "DATA.TXT:7: error 4: Syntaktická chyba (Řádka:7 Soubor:DATA.TXT)"},
        {"MAIN.SCT", 15, "DLG_MAIN not found", "", kLine, kFile, "MAIN.SCT: error 15: DLG_MAIN not found"},
        {"MAIN.SCT", 35, "Initializing word was not found", "File:D.TXT Word:K", kLine, kFile,
         "MAIN.SCT: error 35: Initializing word was not found (File:D.TXT Word:K)"},
        {"MAIN.SCT", 1, "File opening Error", "NONE.BMP", kLine, kFile,
         "MAIN.SCT: error 1: File opening Error (NONE.BMP)"},
        // Not a line part: the words of another language, no number, no file.
        {"MAIN.SCT", 4, "Syntax Error", "Line:2 File:MAIN.SCT", kCzechLine, kCzechFile,
         "MAIN.SCT: error 4: Syntax Error (Line:2 File:MAIN.SCT)"},
        {"MAIN.SCT", 4, "Syntax Error", "Line: File:MAIN.SCT", kLine, kFile,
         "MAIN.SCT: error 4: Syntax Error (Line: File:MAIN.SCT)"},
        {"MAIN.SCT", 4, "Syntax Error", "Line:2 File:", kLine, kFile,
         "MAIN.SCT: error 4: Syntax Error (Line:2 File:)"},
        {"MAIN.SCT", 4, "Syntax Error", "Line:2x File:A", kLine, kFile,
         "MAIN.SCT: error 4: Syntax Error (Line:2x File:A)"},
        // A cut text may name a cut file: the script is named instead.
        {"MAIN.SCT", 4, "Syntax Error", cut.c_str(), kLine, kFile,
         "MAIN.SCT: error 4: Syntax Error (" + cut + ")"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ReportErrorLine(c.script, c.code, c.message, c.detail, c.line, c.file), c.want)
            << c.detail;
}

}  // namespace
