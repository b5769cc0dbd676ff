// The line reader and the mapping of 16-bit and UTF-8 text to display
// bytes.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/files/files.h"
#include "testfiles.h"
#include "text/charset.h"
#include "text/linereader.h"

namespace {

using Lines = std::vector<std::string>;

class LineReaderTest : public ::testing::Test {
protected:
    void SetUp() override { FileFaultSet(nullptr); }

    // Every line of a file holding bytes, read with wide; the lines are
    // taken whole (NUL bytes included) up to the reader's length.  raws
    // receives the raw lines.
    Lines ReadAll(const std::string &bytes, int32_t wide = 0, int32_t *last = nullptr,
                  Lines *raws = nullptr) {
        std::string path = dir / "file";
        WriteFile(path, bytes);
        _LINEREADER reader;
        EXPECT_EQ(LineReaderOpen(&reader, path.c_str(), wide), 0);
        Lines lines;
        int32_t result;
        while ((result = LineReaderNextLine(&reader)) == 0) {
            lines.emplace_back(reader.line, reader.length);
            if (raws)
                raws->emplace_back(reader.raw);
            EXPECT_EQ(LineReaderLineNumber(&reader), lines.size());
            EXPECT_LE(reader.length, 1022u);
            EXPECT_EQ(reader.line[reader.length], '\0');
        }
        if (last)
            *last = result;
        EXPECT_EQ(LineReaderNextLine(&reader), result) << "the end stays the end";
        LineReaderClose(&reader);
        return lines;
    }

    TempDir dir;
};

// The splitting rules over one flat string: what the reader must deliver
// wherever its 1,024-byte windows happen to fall; starts receives where
// each line's first character stands (npos for an empty line).
Lines SplitLikeTheReader(const std::string &s, std::vector<size_t> *starts = nullptr) {
    Lines lines;
    size_t i = 0;
    auto isEnd = [](char c) { return c == '\r' || c == '\n'; };
    while (i < s.size()) {
        std::string line;
        size_t start = std::string::npos;
        if (!isEnd(s[i])) {
            line += s[i];
            start = i;
        }
        i++;
        bool ended = false;
        while (i < s.size() && !ended) {
            char c = s[i++];
            ended = isEnd(c) || line.size() == 1022;
            if (!ended && line.empty())
                start = i - 1;
            if (!ended)
                line += c;
        }
        if (!ended && line.empty())
            break;      // a line end dropped at the very end makes no line
        lines.push_back(line);
        if (starts != nullptr)
            starts->push_back(start);
    }
    return lines;
}

std::string Utf16(const std::u16string &text, bool mark = true) {
    std::string bytes = mark ? "\xFF\xFE" : "";
    for (char16_t c : text) {
        bytes += (char)(c & 0xFF);
        bytes += (char)(c >> 8);
    }
    return bytes;
}

TEST_F(LineReaderTest, LineEnds) {
    struct Case { std::string bytes; Lines lines; };
    const std::string x1022(1022, 'x');
    const Case cases[] = {
        {"A\r\n\r\nB\r\n", {"A", "", "B"}},
        {"A\n\nB\n", {"A", "B"}},
        {"A\r\rB", {"A", "B"}},
        {"A\r\n\r\n", {"A", ""}},
        {"A\r\n\r\n\r\n", {"A", "", ""}},
        {"A", {"A"}},
        {"", {}},
        {"\r\n", {""}},
        {"\n", {}},
        {"A\n", {"A"}},
        {"A\r\n\n", {"A", ""}},
        {"\r\nA", {"", "A"}},
        {"A\n\r\nB", {"A", "", "B"}},
        {std::string("A\0B\r\n", 5), {std::string("A\0B", 3)}},
        {x1022 + "\r\nB\r\n", {x1022, "B"}},
        {x1022 + "y\r\nB", {x1022, "", "B"}},
        {x1022 + "yz\nB", {x1022, "z", "B"}},
        {x1022 + "y" + x1022 + "\r\n", {x1022, x1022}},
        {std::string(3000, 'q'), {std::string(1022, 'q'), std::string(1022, 'q'), std::string(954, 'q')}},
    };
    for (const Case &c : cases) {
        int32_t last = 0;
        EXPECT_EQ(ReadAll(c.bytes, 0, &last), c.lines) << testing::PrintToString(c.bytes.substr(0, 20));
        EXPECT_EQ(last, 1);
    }
}

TEST_F(LineReaderTest, LinesEndingAtWindowEdges) {
    // A line end that is the first or last byte of a window ends the line
    // like anywhere else: lines never merge across windows.
    for (std::string end : {"\n", "\r\n", "\r"}) {
        for (size_t at : {1022, 1023, 1024, 1025, 2047, 2048, 2049}) {
            // Lines of 600 characters, then one that makes the next line
            // end begin at byte at.
            std::string bytes;
            while (at - bytes.size() > 1000)
                bytes += std::string(600, 'a') + end;
            bytes += std::string(at - bytes.size(), 'b');
            bytes += end + "NEXT" + end + "LAST";
            Lines lines = ReadAll(bytes);
            EXPECT_EQ(lines, SplitLikeTheReader(bytes)) << at;
            ASSERT_GE(lines.size(), 3u);
            EXPECT_EQ(lines[lines.size() - 3], std::string(lines[lines.size() - 3].size(), 'b')) << at;
            EXPECT_EQ(lines[lines.size() - 2], "NEXT") << at;
            EXPECT_EQ(lines.back(), "LAST") << at;
        }
    }
}

TEST_F(LineReaderTest, RandomFilesSplitAsOneString) {
    std::mt19937 random(1234);
    const char alphabet[] = {'a', 'b', '\r', '\n', '\0', (char)0xE9};
    for (int round = 0; round < 200; round++) {
        std::string bytes;
        size_t size = random() % 5000;
        while (bytes.size() < size) {
            char c = alphabet[random() % sizeof alphabet];
            size_t run = random() % 3 == 0 ? random() % 1100 : 1;
            bytes.append(run, c);
        }
        EXPECT_EQ(ReadAll(bytes), SplitLikeTheReader(bytes)) << "round " << round;
    }
}

// Where each line stands as an editor counts: a line end is CR LF, CR or
// LF, and the pieces of a long line keep its number and count on its
// columns (the character at a cut is skipped).
TEST_F(LineReaderTest, FileLinesAsAnEditorCountsThem) {
    struct Place { std::string line; uint32_t fileLine, column; };
    struct Case { std::string bytes; std::vector<Place> places; };
    const std::string x1022(1022, 'x');
    const Case cases[] = {
        {"A\r\n\r\nB\r\n", {{"A", 1, 1}, {"", 2, 1}, {"B", 3, 1}}},
        {"A\n\nB\n", {{"A", 1, 1}, {"B", 3, 1}}},                 // the empty line is lost, not its number
        {"A\n\n\nB", {{"A", 1, 1}, {"", 3, 1}, {"B", 4, 1}}},
        {"A\r\rB", {{"A", 1, 1}, {"B", 3, 1}}},
        {"A\r\r\nB", {{"A", 1, 1}, {"", 2, 1}, {"B", 3, 1}}},
        {"A\n\r\nB", {{"A", 1, 1}, {"", 2, 1}, {"B", 3, 1}}},
        {"\nA", {{"A", 2, 1}}},
        {x1022 + "yz\nB", {{x1022, 1, 1}, {"z", 1, 1024}, {"B", 2, 1}}},
        {x1022 + "y\r\nB", {{x1022, 1, 1}, {"", 1, 1}, {"B", 2, 1}}},
        {x1022 + "y" + x1022 + "abc\r\nB",
         {{x1022, 1, 1}, {x1022, 1, 1024}, {"bc", 1, 2047}, {"B", 2, 1}}},
    };
    for (const Case &c : cases) {
        std::string path = dir / "file";
        WriteFile(path, c.bytes);
        _LINEREADER reader;
        ASSERT_EQ(LineReaderOpen(&reader, path.c_str(), 0), 0);
        for (const Place &p : c.places) {
            SCOPED_TRACE(testing::PrintToString(c.bytes.substr(0, 12)) + " line " + p.line.substr(0, 8));
            ASSERT_EQ(LineReaderNextLine(&reader), 0);
            EXPECT_EQ(std::string(reader.line), p.line);
            EXPECT_EQ(LineReaderFileLine(&reader), p.fileLine);
            if (!p.line.empty()) {
                EXPECT_EQ(LineReaderFileColumn(&reader, 0), p.column);
            }
            EXPECT_EQ(LineReaderLong(&reader), p.line.size() == 1022 || p.column > 1);
        }
        EXPECT_EQ(LineReaderNextLine(&reader), 1);
        LineReaderClose(&reader);
    }
}

// The same over random files: every line that has a character begins
// where the editor's count of that byte says.
TEST_F(LineReaderTest, RandomFilesKeepTheEditorsLineNumbers) {
    std::mt19937 random(99);
    const char alphabet[] = {'a', 'b', '\r', '\n'};
    for (int round = 0; round < 200; round++) {
        std::string bytes;
        size_t size = random() % 5000;
        while (bytes.size() < size)
            bytes.append(random() % 3 == 0 ? random() % 1100 : 1, alphabet[random() % sizeof alphabet]);
        // The editor's line and column of every byte.
        std::vector<uint32_t> lineOf(bytes.size()), columnOf(bytes.size());
        for (uint32_t i = 0, line = 1, column = 1; i < bytes.size(); i++) {
            lineOf[i] = line;
            columnOf[i] = column++;
            if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n'))) {
                line++;
                column = 1;
            }
        }
        std::vector<size_t> starts;
        SplitLikeTheReader(bytes, &starts);
        std::string path = dir / "file";
        WriteFile(path, bytes);
        _LINEREADER reader;
        ASSERT_EQ(LineReaderOpen(&reader, path.c_str(), 0), 0);
        for (size_t at : starts) {
            ASSERT_EQ(LineReaderNextLine(&reader), 0);
            if (at == std::string::npos)
                continue;
            EXPECT_EQ(LineReaderFileLine(&reader), lineOf[at]) << "round " << round << " byte " << at;
            EXPECT_EQ(LineReaderFileColumn(&reader, 0), columnOf[at]) << "round " << round << " byte " << at;
        }
        LineReaderClose(&reader);
    }
}

TEST_F(LineReaderTest, SixteenBitFilesReadLikeEightBit) {
    std::u16string text = u"A\r\n\r\nB\x010C\x0161\r\nlast";
    Lines expected = {"A", "", "B\x80\xA8", "last"};
    EXPECT_EQ(ReadAll(Utf16(text), 1), expected);

    // Long 16-bit lines span windows (512 characters each) and are cut
    // at 1,022 characters like 8-bit ones; the mark counts in the first.
    std::u16string longLine(1500, u'\x0159');
    Lines lines = ReadAll(Utf16(longLine + u"\r\n" + longLine), 1);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], std::string(1021, '\xA9'));
    EXPECT_EQ(lines[1], std::string(478, '\xA9'));
    EXPECT_EQ(lines[2], std::string(1022, '\xA9'));
    EXPECT_EQ(lines[3], std::string(477, '\xA9'));

    // Read with wide = 0 the same file is bytes.
    lines = ReadAll(Utf16(u"AB\r\nC"), 0);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], std::string("\xFF\xFE" "A\0B\0", 6));
    EXPECT_EQ(lines[1], std::string("\0", 1)) << "the NUL after CR starts the next line";
    EXPECT_EQ(lines[2], std::string("\0C\0", 3));

    // Without the mark wide = 1 reads bytes too.
    EXPECT_EQ(ReadAll(Utf16(u"AB", false), 1), Lines{std::string("A\0B\0", 4)});
    // A mark alone is one empty line; an odd last byte is dropped.
    EXPECT_EQ(ReadAll("\xFF\xFE", 1), Lines{""});
    EXPECT_EQ(ReadAll(Utf16(u"AB") + "C", 1), Lines{"AB"});
}

TEST_F(LineReaderTest, Utf8ScriptLines) {
    struct Case { std::string bytes; int32_t wide; Lines lines; };
    const Case cases[] = {
        // Valid UTF-8 with a multi-byte sequence is decoded line by line.
        {"\xC4\x8C\x65\r\nplain\r\n\xD0\x96", 1, {"\x80" "e", "plain", "\xC6"}},
        // Kamenicky bytes are no valid UTF-8 and stay.
        {"\x80\xA0\r\n\xC4\x8C", 1, {"\x80\xA0", "\x80"}},
        // Beyond U+FFFF, and a character the set lacks, become ".".
        {"\xF0\x9F\x98\x80x\xE2\x82\xAC", 1, {".x."}},
        // Overlong forms and surrogates are no UTF-8: the line stays bytes.
        {"\xC0\xAF\xC4\x8C", 1, {"\xC0\xAF\xC4\x8C"}},
        {"\xED\xA0\x80\xC4\x8C", 1, {"\xED\xA0\x80\xC4\x8C"}},
        {"\xC4", 1, {"\xC4"}},
        // After the UTF-8 mark every line is UTF-8; broken bytes become ".".
        {"\xEF\xBB\xBF\xC4\x8C\r\n\x80z\r\nA", 1, {"\x80", ".z", "A"}},
        {"\xEF\xBB\xBF", 1, {""}},
        // Data files (wide = 0) stay bytes.
        {"\xEF\xBB\xBF\xC4\x8C", 0, {"\xEF\xBB\xBF\xC4\x8C"}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ReadAll(c.bytes, c.wide), c.lines) << testing::PrintToString(c.bytes);

    // The split comes first: 1,022 bytes of a UTF-8 line, decoded.
    std::string czech;
    for (int i = 0; i < 600; i++)
        czech += "\xC5\xA1";            // s-caron, two bytes
    Lines lines = ReadAll(czech, 1);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], std::string(511, '\xA8'));
    // The skipped 1,023rd byte began a character: its second half leaves
    // the rest invalid, so the rest stays bytes.
    std::string rest = "\xA1";
    for (int i = 0; i < 88; i++)
        rest += "\xC5\xA1";
    EXPECT_EQ(lines[1], rest);
}

// The raw line is the file's text of the line: bytes as written, UTF-8
// for 16-bit text; the marks are dropped, and quotes stand where the
// decoded line has them.
TEST_F(LineReaderTest, RawLinesAreWhatTheFileSays) {
    struct Case { std::string bytes; Lines lines, raws; };
    const Case cases[] = {
        {"\x97" "daje \"a\"\r\nx", {"\x97" "daje \"a\"", "x"}, {"\x97" "daje \"a\"", "x"}},
        {"\"\xC3\x9A" "daje\"\r\n", {"\"\x97" "daje\""}, {"\"\xC3\x9A" "daje\""}},
        {"\xEF\xBB\xBF\xC3\x9A\r\n\"\xFF\"", {"\x97", "\".\""}, {"\xC3\x9A", "\"\xFF\""}},
        // A pair of surrogates is one character of four bytes; a lone
        // one is none.
        {Utf16(u"\"\x00DA\x4E2D\"\r\n\xD83D\xDE00=\xD800x\xDC00"),
         {"\"\x97.\"", "..=.x."}, {"\"\xC3\x9A\xE4\xB8\xAD\"", "\xF0\x9F\x98\x80=.x."}},
    };
    for (const Case &c : cases) {
        Lines raws;
        EXPECT_EQ(ReadAll(c.bytes, 1, nullptr, &raws), c.lines) << testing::PrintToString(c.bytes);
        EXPECT_EQ(raws, c.raws) << testing::PrintToString(c.bytes);
    }

    // A cut 16-bit line: each piece's raw line is its own characters.
    Lines raws;
    std::u16string longLine(1500, u'\x4E2D');
    Lines lines = ReadAll(Utf16(longLine), 1, nullptr, &raws);
    ASSERT_EQ(raws.size(), 2u);
    std::string three;
    for (int i = 0; i < 1021; i++)
        three += "\xE4\xB8\xAD";
    EXPECT_EQ(raws[0], three) << "1,022 characters, the mark among them";
    EXPECT_EQ(raws[1].size(), 478u * 3);
}

TEST_F(LineReaderTest, OpenPathAndFailures) {
    _LINEREADER reader;
    EXPECT_EQ(LineReaderOpen(&reader, nullptr, 0), 0);
    EXPECT_EQ(LineReaderNextLine(&reader), FILE_FAILED) << "nothing open";
    LineReaderClose(&reader);

    EXPECT_EQ(LineReaderOpen(&reader, (dir / "none").c_str(), 0), FILE_FAILED);
    EXPECT_EQ(LineReaderStatus(&reader), FILE_FAILED);
    LineReaderClose(&reader);

    // A long name opens whole.
    std::string sub = dir / std::string(120, 's');
    ASSERT_EQ(DirCreate(sub.c_str()), FILE_OK);
    std::string path = sub + "/f.txt";
    WriteFile(path, "one\r\ntwo");
    ASSERT_EQ(LineReaderOpen(&reader, path.c_str(), 0), FILE_OK);
    EXPECT_EQ(reader.size, 8u);
    ASSERT_EQ(LineReaderNextLine(&reader), 0);
    EXPECT_STREQ(reader.line, "one");
    LineReaderClose(&reader);
    EXPECT_EQ(reader.handle, 0u) << "closing twice closes nothing else";
    LineReaderClose(&reader);

    // A read that fails in the second window is reported, not taken as
    // the end of the file.
    WriteFile(path, std::string(1500, 'a') + "\r\n");
    ASSERT_EQ(LineReaderOpen(&reader, path.c_str(), 0), FILE_OK);
    {
        FaultScope fault(FILE_OP_READ, 2);
        EXPECT_EQ(LineReaderNextLine(&reader), 0);
        EXPECT_EQ(LineReaderNextLine(&reader), FILE_FAILED);
        EXPECT_EQ(LineReaderStatus(&reader), FILE_FAILED);
    }
    LineReaderClose(&reader);
}

TEST(CharsetTest, FromWide) {
    struct Case { uint16_t code; uint8_t byte; };
    const Case cases[] = {
        {'A', 'A'}, {0x00, 0x00}, {0x0D, 0x0D}, {0x0A, 0x0A}, {0x09, 0x09}, {0x7F, 0x7F},
        {0x01, '.'}, {0x03, '.'}, {0x08, '.'}, {0x0C, '.'}, {0x0E, '.'}, {0x17, '.'},
        {0x1C, '.'}, {0x02, 0x02}, {0x1B, 0x1B}, {0x80, '.'}, {0xA0, '.'},
        {0xE0, 0x03}, {0xE8, 0x04}, {0xEA, 0x05}, {0xA7, 0xAD}, {0xFD, 0x98},
        {0x10C, 0x80}, {0x154, 0x52}, {0x155, 0x72}, {0x17E, 0x91}, {0x3BC, 0xAD},
        {0x401, 0xAE}, {0x410, 0xC0}, {0x44F, 0xFF}, {0x450, '.'}, {0x451, 0xAF},
        {0x452, '.'}, {0x218F, '.'}, {0x2190, '<'}, {0x2191, '|'}, {0x2192, '~'},
        {0x2193, 0x7F}, {0x2194, '.'}, {0x21B5, '>'}, {0x21B6, '.'}, {0xFEFF, '.'},
        {0xFFFF, '.'},
    };
    for (const Case &c : cases)
        EXPECT_EQ(CharFromWide(c.code), c.byte) << std::hex << c.code;
}

TEST(CharsetTest, ShowName) {
    struct Case { std::string name; size_t size; std::string shown; };
    const Case cases[] = {
        {"\xC3\x9A" "daje.TXT", 64, "\x97" "daje.TXT"},
        {"\x97" "daje.TXT", 64, "\x97" "daje.TXT"},          // 8-bit: as it is
        {"plain/name.txt", 64, "plain/name.txt"},
        {"\xC3\x9A" "daje.TXT", 4, "\x97" "d"},               // cut before decoding
        {"\xC3\x9A" "daje.TXT", 2, "\xC3"},                   // a cut sequence stays bytes
    };
    for (const Case &c : cases) {
        char out[64];
        EXPECT_EQ(std::string(CharShowName(out, c.name.c_str(), c.size)), c.shown) << c.name << " " << c.size;
    }
}

TEST(CharsetTest, EveryHighDisplayByteHasOneLetter) {
    // Each byte 0x80-0xFF is reached, and by one code only, except the
    // four bytes that Greek and Latin-1 share (0xAC-0xAF).
    std::vector<std::vector<uint16_t>> codes(256);
    for (uint32_t c = 0x80; c < 0x10000; c++) {
        uint8_t b = CharFromWide((uint16_t)c);
        if (b >= 0x80)
            codes[b].push_back((uint16_t)c);
    }
    for (int b = 0x80; b < 0x100; b++) {
        size_t expected = b >= 0xAC && b <= 0xAF ? 2 : 1;
        EXPECT_EQ(codes[b].size(), expected) << std::hex << b;
    }
}

}  // namespace
