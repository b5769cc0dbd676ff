// BMP pictures: files written byte by byte for each depth and encoding and
// checked pixel by pixel, the colour mapping, the result codes, the clip
// rules, the windowed reader, and hostile files that must stay harmless.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "dialog/bitmap.h"
#include "dialog/dialog.h"
#include "dialogs.h"
#include "platform/draw/draw.h"
#include "platform/files/files.h"
#include "session/session.h"
#include "surface.h"
#include "testfiles.h"

namespace {

// Palette positions of the test pictures and the palette index each maps
// to: black 0, white 7, red D, blue 2, yellow B, green F, grey A, dark
// green E, cyan C, light grey 9.
const std::vector<uint32_t> kPalette = {
    0x000000, 0xFFFFFF, 0xFF0000, 0x0000C8, 0xFAFA0A, 0x009600, 0x6E6E6E, 0x007800, 0x00FAFA, 0xBEBEBE,
};

// v as n little-endian bytes; bytes past its four are 0.
std::string Le(uint32_t v, int n) {
    std::string s;
    for (int i = 0; i < n; i++)
        s += (char)(i < 4 ? v >> 8 * i : 0);
    return s;
}

std::string Bytes(std::initializer_list<int> bytes) {
    std::string s;
    for (int b : bytes)
        s += (char)b;
    return s;
}

// A BMP file: header, palette, then the pixel data, at the pixel data
// offset when that lies further on.
struct Bmp {
    int32_t width = 1, height = 1;
    uint16_t bits = 8;
    uint32_t compression = 0;
    std::string data;
    std::vector<uint32_t> palette = kPalette;
    int64_t offset = -1;        // default: right behind the palette

    std::string File() const {
        uint32_t at = offset >= 0 ? (uint32_t)offset : 54 + 4 * (uint32_t)palette.size();
        std::string f = "BM" + Le(0, 8) + Le(at, 4) + Le(40, 4) + Le(width, 4) + Le(height, 4) +
                        Le(1, 2) + Le(bits, 2) + Le(compression, 4) + Le(0, 20);
        for (uint32_t rgb : palette)
            f += Le(rgb, 4);    // blue, green, red, 0
        f.resize(std::max<size_t>(f.size(), at), '\0');
        f += data;
        return f.replace(2, 4, Le((uint32_t)f.size(), 4));
    }
};

// Plain pixel data: rows of palette positions in hex, top row first,
// stored bottom row first, high bits first, each row padded to 4 bytes.
std::string PlainRows(int bits, const std::vector<std::string> &rows) {
    std::string data;
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        std::string packed;
        for (size_t i = 0; i < row->size(); i++) {
            int used = (int)i * bits % 8, value = std::stoi(row->substr(i, 1), nullptr, 16);
            if (used == 0)
                packed += '\0';
            packed.back() = (char)(packed.back() | value << (8 - bits - used));
        }
        packed.resize((packed.size() + 3) / 4 * 4, '\0');
        data += packed;
    }
    return data;
}

// Run-length data of single-colour encoded runs, an end-of-line code
// after each row and the end-of-bitmap code after the last.
std::string RunRows(int bits, const std::vector<std::vector<uint8_t>> &rowsTopFirst) {
    std::string data;
    for (auto row = rowsTopFirst.rbegin(); row != rowsTopFirst.rend(); ++row) {
        for (size_t i = 0, n; i < row->size(); i += n) {
            uint8_t c = (*row)[i];
            for (n = 1; i + n < row->size() && (*row)[i + n] == c && n < 255; n++) {}
            data += Bytes({(int)n, bits == 4 ? c << 4 | c : c});
        }
        data += Bytes({0, 0});
    }
    return data + Bytes({0, 1});
}

// The pixels a grid shows painted.
int Painted(const std::vector<std::string> &grid) {
    int n = 0;
    for (const std::string &row : grid)
        n += (int)std::count_if(row.begin(), row.end(), [](char c) { return c != '.'; });
    return n;
}

// The lines drawn, each with the colour set last.
struct LineCall {
    int x1, y1, x2, y2, colour;
    bool operator==(const LineCall &) const = default;
};
std::vector<LineCall> lines;
int colourSet;

void RecordLines(const _GDI_CALL *call) {
    if (call->kind == GDI_CALL_SET_COLOR)
        colourSet = call->colour;
    if (call->kind == GDI_CALL_LINE)
        lines.push_back({(int)call->x1, (int)call->y1, (int)call->x2, (int)call->y2, colourSet});
}

class BitmapTest : public ::testing::Test {
protected:
    void SetUp() override {
        FileFaultSet(nullptr);
        GDICallHookSet(nullptr);
        lines.clear();
        s.Bind();
    }
    void TearDown() override { GDICallHookSet(nullptr); }

    uint32_t Draw(const std::string &file, int32_t x, int32_t y, uint32_t greyOnly = 0,
                  uint32_t transparent = 0) {
        WriteFile(path, file);
        return DrawBitmapFile(path.c_str(), x, y, transparent, GDI_WHITE, greyOnly);
    }

    // The palette index of each pixel of the box from (x, y) as a hex
    // digit, a row a string; '.' untouched, '?' any other colour.
    std::vector<std::string> Grid(int x, int y, int w, int h) const {
        std::vector<std::string> rows(h);
        for (int r = 0; r < h; r++)
            for (int c = 0; c < w; c++) {
                uint32_t rgb = s.At(x + c, y + r);
                char shown = rgb == UNTOUCHED ? '.' : '?';
                for (int i = 0; i < GDI_PALETTE_SIZE; i++)
                    if (Rgb((uint8_t)i) == rgb)
                        shown = "0123456789ABCDEF"[i];
                rows[r] += shown;
            }
        return rows;
    }

    TempDir dir;
    const std::string path = dir / "P.BMP";
    TestSurface s{64, 48};
};

// ------------------------------------------------------------ pixel data

TEST_F(BitmapTest, PicturesOfEachDepthAndEncoding) {
    struct Case {
        const char *name;
        Bmp bmp;
        std::vector<std::string> shown;     // top row first
    };
    const Case cases[] = {
        // The top-right pixel keeps its own colour.
        {"1 bit", {.width = 10, .height = 3, .bits = 1,
                   .data = PlainRows(1, {"1100110011", "0000011111", "1010101010"})},
         {"7700770077", "0000077777", "7070707070"}},
        {"4 bits", {.width = 3, .height = 2, .bits = 4, .data = PlainRows(4, {"234", "567"})},
         {"D2B", "FAE"}},
        {"8 bits", {.width = 5, .height = 3, .data = PlainRows(8, {"01234", "56789", "98765"})},
         {"07D2B", "FAEC9", "9CEAF"}},
        // Three pixels of position 5 on a picture three wide.
        {"three pixels", {.width = 3, .compression = 1, .data = Bytes({3, 5, 0, 0, 0, 1})}, {"FFF"}},
        // An encoded run, an odd absolute run with its pad byte, a delta
        // code that is skipped, end-of-line and end-of-bitmap codes.
        {"8-bit runs", {.width = 6, .height = 3, .compression = 1,
                        .data = Bytes({3, 2, 0, 3, 4, 5, 6, 0, 0, 0, 0, 2, 5, 1, 6, 8, 0, 0,
                                       2, 1, 4, 3, 0, 1})},
         {"772222", "CCCCCC", "DDDBFA"}},
        // Two colours in turn, high half first; an absolute run of three
        // pixels in two bytes.
        {"4-bit runs", {.width = 5, .height = 2, .bits = 4, .compression = 2,
                        .data = Bytes({5, 0x23, 0, 0, 0, 3, 0x45, 0x60, 2, 0x77, 0, 0, 0, 1})},
         {"BFAEE", "D2D2D"}},
        // A row that ends early takes the colour of its last run; rows
        // after the end-of-bitmap code keep the fill.
        {"short rows", {.width = 4, .height = 3, .compression = 1,
                        .data = Bytes({1, 2, 1, 3, 0, 0, 1, 4, 0, 1})},
         {"DDDD", "BBBB", "D222"}},
        // Entries past the palette are black: one entry, values far past it.
        {"short palette", {.width = 3, .data = Bytes({0, 200, 255, 0}), .palette = {0x00FFFF}},
         {"C00"}},
    };
    for (const Case &c : cases) {
        s.Clear();
        EXPECT_EQ(Draw(c.bmp.File(), 4, 4), (uint32_t)BITMAP_DRAWN) << c.name;
        EXPECT_EQ(Grid(4, 4, c.bmp.width, c.bmp.height), c.shown) << c.name;
        EXPECT_EQ(s.Count(UNTOUCHED), 64 * 48 - Painted(c.shown)) << c.name;
    }
}

TEST_F(BitmapTest, FirstPixelFillsTheBoxAndOnlyOtherRunsAreLines) {
    // The bottom-left pixel, painted first, is white: the box is filled
    // white and only the black runs become lines.
    Bmp b{.width = 8, .height = 2, .bits = 1, .data = PlainRows(1, {"11100111", "10000001"})};
    GDICallHookSet(RecordLines);
    EXPECT_EQ(Draw(b.File(), 10, 20), (uint32_t)BITMAP_DRAWN);
    EXPECT_EQ(lines, (std::vector<LineCall>{{11, 21, 17, 21, GDI_BLACK}, {13, 20, 15, 20, GDI_BLACK}}));
    EXPECT_EQ(Grid(10, 20, 8, 2), (std::vector<std::string>{"77700777", "70000007"}));
}

TEST_F(BitmapTest, TransparentPixelsAreSkippedWithoutEndingTheRun) {
    // White is transparent.  The first red pixel fills the whole box; the
    // white pixel between two red ones is covered by their run.
    Bmp b{.width = 5, .height = 2, .data = PlainRows(8, {"12123", "11111"})};
    EXPECT_EQ(Draw(b.File(), 0, 1, 0, 1), (uint32_t)BITMAP_DRAWN);
    EXPECT_EQ(Grid(0, 1, 5, 2), (std::vector<std::string>{"DDDD2", "DDDDD"}));
}

TEST_F(BitmapTest, ColoursMapToTheNearestReference) {
    struct Case { uint8_t r, g, b; uint32_t grey; uint8_t index; };
    const Case cases[] = {
        {255, 0, 0, 0, 13}, {200, 200, 200, 0, 9}, {255, 0, 0, 1, 10}, {0, 0, 0, 0, 0},
        {255, 255, 255, 1, 7}, {84, 168, 252, 1, 4}, {0, 150, 0, 0, 15}, {0, 130, 0, 0, 14},
        {0, 42, 42, 0, 0}, {0, 43, 43, 0, 1},   // a tie keeps the first
    };
    for (const Case &c : cases)
        EXPECT_EQ(BitmapColourOf(c.r, c.g, c.b, c.grey), c.index)
            << int{c.r} << "," << int{c.g} << "," << int{c.b} << " grey " << c.grey;
    Bmp b{.width = 2, .data = PlainRows(8, {"21"})};
    EXPECT_EQ(Draw(b.File(), 0, 1, 1), (uint32_t)BITMAP_DRAWN);
    EXPECT_EQ(Grid(0, 1, 2, 1), std::vector<std::string>{"A7"}) << "grey only";
}

// ------------------------------------------------------------ result codes and clipping

TEST_F(BitmapTest, ResultCodesAndNothingDrawnOnRefusal) {
    const Bmp good{.width = 2, .height = 2, .data = PlainRows(8, {"23", "45"})};
    auto with = [&](auto change) { Bmp b = good; change(b); return b.File(); };
    struct Case {
        const char *name;
        std::string file;
        int32_t x, y;
        uint32_t result;
    };
    const int descriptors = OpenDescriptors();
    const Case cases[] = {
        {"24 bits", with([](Bmp &b) { b.bits = 24; }), 0, 1, BITMAP_UNSUPPORTED},
        {"16 bits", with([](Bmp &b) { b.bits = 16; }), 0, 1, BITMAP_UNSUPPORTED},
        {"2 bits", with([](Bmp &b) { b.bits = 2; }), 0, 1, BITMAP_UNSUPPORTED},
        {"x -1", good.File(), -1, 1, BITMAP_OUTSIDE},
        {"y -1", good.File(), 1, -1, BITMAP_OUTSIDE},
        {"x past the clip", good.File(), 64, 1, BITMAP_OUTSIDE},
        {"y past the clip", good.File(), 1, 48, BITMAP_OUTSIDE},
        {"x on the clip's right edge", good.File(), 63, 1, BITMAP_DRAWN},
        {"y on the clip's bottom edge", good.File(), 1, 47, BITMAP_DRAWN},
        {"offset 1079", with([](Bmp &b) { b.offset = 1079; }), 0, 1, BITMAP_UNREADABLE},
        {"width 0", with([](Bmp &b) { b.width = 0; }), 0, 1, BITMAP_UNREADABLE},
        {"width -2", with([](Bmp &b) { b.width = -2; }), 0, 1, BITMAP_UNREADABLE},
        {"width 32768", with([](Bmp &b) { b.width = 32768; }), 0, 1, BITMAP_UNREADABLE},
        {"height 0", with([](Bmp &b) { b.height = 0; }), 0, 1, BITMAP_UNREADABLE},
        {"height -2", with([](Bmp &b) { b.height = -2; }), 0, 1, BITMAP_UNREADABLE},
        {"height 32768", with([](Bmp &b) { b.height = 32768; }), 0, 1, BITMAP_UNREADABLE},
        {"53 bytes", good.File().substr(0, 53), 0, 1, BITMAP_UNREADABLE},
        {"ends in the palette", good.File().substr(0, 80), 0, 1, BITMAP_UNREADABLE},
        {"the limits", with([](Bmp &b) { b.offset = 1078, b.width = b.height = 32767; }), 0, 1,
         BITMAP_DRAWN},
    };
    for (const Case &c : cases) {
        s.Clear();
        EXPECT_EQ(Draw(c.file, c.x, c.y), c.result) << c.name;
        EXPECT_EQ(s.Count(UNTOUCHED), 64 * 48) << c.name;
    }
    EXPECT_EQ(DrawBitmapFile((dir / "NONE.BMP").c_str(), 0, 0, 0, 7, 0), (uint32_t)BITMAP_UNREADABLE);
    EXPECT_EQ(OpenDescriptors(), descriptors);
}

TEST_F(BitmapTest, OnlyPixelsInsideTheClipArePainted) {
    // Columns from the clip's left edge up to its right edge, which is
    // not painted; rows below its top edge and above its bottom edge.
    Bmp b{.width = 6, .height = 3, .data = PlainRows(8, {"012345", "543210", "012345"})};
    struct Case {
        const char *name;
        int l, t, r, bottom;
        std::vector<std::string> shown;     // pixels (9, 9) to (16, 13)
    };
    const Case cases[] = {
        {"whole", 0, 0, 63, 47, {"........", ".07D2BF.", ".FB2D70.", ".07D2BF.", "........"}},
        {"cut at the right", 0, 0, 13, 47, {"........", ".07D....", ".FB2....", ".07D....", "........"}},
        {"top and bottom edges", 0, 10, 63, 12, {"........", "........", ".FB2D70.", "........", "........"}},
        {"cut at the left", 12, 0, 63, 47, {"........", "...D2BF.", "...2D70.", "...D2BF.", "........"}},
        {"one column", 0, 0, 11, 47, {"........", ".0......", ".F......", ".0......", "........"}},
        {"one row", 0, 0, 63, 11, {"........", ".07D2BF.", "........", "........", "........"}},
    };
    for (const Case &c : cases) {
        s.Clear();
        GDISetClip(c.l, c.t, c.r, c.bottom);
        EXPECT_EQ(Draw(b.File(), 10, 10), (uint32_t)BITMAP_DRAWN) << c.name;
        EXPECT_EQ(Grid(9, 9, 8, 5), c.shown) << c.name;
        EXPECT_EQ(s.Count(UNTOUCHED), 64 * 48 - Painted(c.shown)) << c.name;
        int32_t l, t, r, bottom;
        GDIGetClip(&l, &t, &r, &bottom);
        EXPECT_EQ((std::vector<int32_t>{l, t, r, bottom}), (std::vector<int32_t>{c.l, c.t, c.r, c.bottom}));
    }
    // Far right and low on a large surface.
    TestSurface large{1300, 900};
    large.Bind();
    EXPECT_EQ(Draw(b.File(), 1290, 890), (uint32_t)BITMAP_DRAWN);
    EXPECT_EQ(large.Count(UNTOUCHED), 1300 * 900 - 18);
    EXPECT_EQ(large.At(1295, 892), Rgb(15));
}

TEST_F(BitmapTest, ItemsDrawTheirPictureInTheirCell) {
    WriteFile(path, Bmp{.width = 3, .height = 2, .data = PlainRows(8, {"234", "567"})}.File());
    DialogBuilder d{"T", 10, 5, 60, 47};
    // The cell's top row is the first row below the item clip's top edge.
    DialogDrawItem(&d.dialog, d.Bitmap(path.c_str(), 1, 0), true, GDI_RED, GDI_RED);
    EXPECT_EQ(Grid(10 + 5 + 8 - 1, 5 + 21 + 5 - 1, 5, 4),
              (std::vector<std::string>{".....", ".D2B.", ".FAE.", "....."}));
}

// ------------------------------------------------------------ the reader

TEST_F(BitmapTest, ReaderSlidesItsWindowAndSeeksOnlyOnJumps) {
    std::string file(5000, '\0');
    for (size_t i = 0; i < file.size(); i++)
        file[i] = (char)(i * 7 + i / 256);
    WriteFile(path, file);
    struct Step { uint32_t offset; std::vector<int> ops; };
    const Step steps[] = {
        {0, {}}, {1023, {}},
        {1024, {FILE_OP_READ}},                 // the next window, read on
        {2047, {}}, {2100, {FILE_OP_READ}},
        {4000, {FILE_OP_READ}},                 // within the window after it
        {1500, {FILE_OP_SEEK, FILE_OP_READ}},   // a jump: half a window before
        {988, {}}, {2011, {}},
        {10, {FILE_OP_SEEK, FILE_OP_READ}},
        {4999, {FILE_OP_SEEK, FILE_OP_READ}},
        {5000, {}}, {UINT32_MAX, {}},           // past the end: 0, nothing read
    };
    FaultScope faults;
    _BITMAP_READER reader;
    BitmapReaderOpen(&reader, path.c_str());
    EXPECT_EQ(faults.asked(), (std::vector<int>{FILE_OP_OPEN, FILE_OP_READ}));
    EXPECT_EQ(BitmapReaderSize(&reader), 5000u);
    for (const Step &st : steps) {
        size_t before = faults.asked().size();
        uint8_t expected = st.offset < file.size() ? (uint8_t)file[st.offset] : 0;
        EXPECT_EQ(BitmapReaderByte(&reader, st.offset), expected) << st.offset;
        EXPECT_EQ(std::vector<int>(faults.asked().begin() + before, faults.asked().end()), st.ops)
            << st.offset;
    }
    EXPECT_EQ(BitmapReaderError(&reader), 0u);
    BitmapReaderClose(&reader);
    BitmapReaderClose(&reader);
    EXPECT_EQ(std::count(faults.asked().begin(), faults.asked().end(), FILE_OP_CLOSE), 1);
}

TEST_F(BitmapTest, FailuresStickAndGiveTwo) {
    // A failed seek: no byte after it.
    WriteFile(path, std::string(3000, 'x'));
    {
        FaultScope faults(FILE_OP_SEEK, 1);
        _BITMAP_READER reader;
        BitmapReaderOpen(&reader, path.c_str());
        EXPECT_EQ(BitmapReaderByte(&reader, 2900), 0);
        EXPECT_NE(BitmapReaderError(&reader), 0u);
        EXPECT_EQ(BitmapReaderByte(&reader, 0), 0);
        BitmapReaderClose(&reader);
    }
    // 40 rows of 40 pixels run into a second window, whose read fails:
    // the bottom rows are drawn.
    Bmp b{.width = 40, .height = 40,
          .data = PlainRows(8, std::vector<std::string>(40, std::string(20, '2') + std::string(20, '3')))};
    const int descriptors = OpenDescriptors();
    for (int n : {2, 1}) {
        s.Clear();
        FaultScope faults(FILE_OP_READ, n);
        EXPECT_EQ(Draw(b.File(), 0, 0), (uint32_t)BITMAP_UNREADABLE) << n;
        EXPECT_EQ(s.At(0, 39) == Rgb(GDI_RED) && s.At(39, 39) == Rgb(2), n == 2) << n;
    }
    FaultScope faults(FILE_OP_OPEN, 1);
    EXPECT_EQ(Draw(b.File(), 0, 0), (uint32_t)BITMAP_UNREADABLE);
    EXPECT_EQ(OpenDescriptors(), descriptors);
}

// ------------------------------------------------------------ hostile files

// Draws file at (6, 5) inside the clip (4, 3, 50, 40): nothing may be
// painted outside the picture's box and the clip, nothing at all when the
// file is refused, and the clip stays.
class HostileTest : public BitmapTest {
protected:
    void Check(const std::string &file, const std::string &name) {
        s.Clear();
        GDISetClip(4, 3, 50, 40);
        uint32_t result = Draw(file, 6, 5);
        ASSERT_TRUE(result == BITMAP_DRAWN || result == BITMAP_UNREADABLE || result == BITMAP_UNSUPPORTED)
            << name << " gave " << result;
        int32_t width = 0, height = 0;
        if (result == BITMAP_DRAWN) {
            std::memcpy(&width, file.data() + 18, 4);
            std::memcpy(&height, file.data() + 22, 4);
        }
        for (int y = 0; y < 48; y++)
            for (int x = 0; x < 64; x++) {
                bool inside = x < 50 && y < 40 && x >= 6 && y >= 5 && x < 6 + width && y < 5 + height;
                if (!inside) {
                    ASSERT_EQ(s.At(x, y), UNTOUCHED) << name << " painted " << x << "," << y;
                }
            }
        ASSERT_TRUE(s.GuardsIntact()) << name;
        int32_t l, t, r, b;
        GDIGetClip(&l, &t, &r, &b);
        ASSERT_EQ((std::vector<int32_t>{l, t, r, b}), (std::vector<int32_t>{4, 3, 50, 40})) << name;
    }
};

Bmp Runs(int32_t width, int32_t height, const std::string &data, uint16_t bits = 8,
         uint32_t compression = 1) {
    return {.width = width, .height = height, .bits = bits, .compression = compression, .data = data};
}

TEST_F(HostileTest, MalformedFilesStayInsideTheirBox) {
    Bmp overHeader = Runs(3, 3, Bytes({3, 1}));
    overHeader.offset = 0;
    const std::pair<const char *, Bmp> cases[] = {
        {"encoded run past the row", Runs(6, 2, Bytes({255, 2, 0, 0, 3, 3, 0, 1}))},
        {"absolute run past the row", Runs(4, 2, Bytes({0, 9, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 2, 3}))},
        {"absolute run past the file", Runs(4, 2, Bytes({0, 200, 1, 2}))},
        {"colour byte missing", Runs(4, 2, Bytes({0, 0, 5}))},
        {"delta at the end", Runs(4, 2, Bytes({2, 2, 0, 2}))},
        {"more lines than rows", Runs(4, 2, Bytes({1, 2, 0, 0, 0, 0, 0, 0, 0, 0, 4, 3}))},
        {"no end codes", Runs(4, 2, Bytes({1, 2, 1, 3, 1, 4, 1, 5, 1, 6, 1, 7, 1, 8}))},
        {"4-bit runs past the row", Runs(5, 3, Bytes({200, 0x23, 0, 9, 0x11, 0x22, 0x33, 0x44, 0x55}), 4, 2)},
        {"1-bit absolute run", Runs(9, 2, Bytes({0, 12, 0xFF, 0xF0, 0, 0, 20, 1}), 1)},
        {"unknown compression", Runs(4, 2, Bytes({4, 2, 0, 0, 4, 3}), 8, 7)},
        {"pixel data over the header", overHeader},
        {"sides far larger than the data", Runs(32767, 32767, std::string(3000, '\x02'), 8, 0)},
    };
    for (const auto &[name, bmp] : cases)
        Check(bmp.File(), name);
}

TEST_F(HostileTest, TruncatedAndDamagedFilesAreHarmless) {
    const Bmp bases[] = {
        {.width = 7, .height = 5, .bits = 4,
         .data = PlainRows(4, {"0123456", "6543210", "1111111", "2222222", "9876543"})},
        Runs(7, 4, RunRows(4, {{1, 1, 2, 2, 2, 3, 3}, {4, 4, 4, 4, 4, 4, 4}, {5, 6, 7, 8, 9, 0, 1},
                               {2, 2, 2, 2, 3, 3, 3}}), 4, 2),
        Runs(8, 5, RunRows(8, std::vector<std::vector<uint8_t>>(5, {1, 1, 1, 2, 2, 3, 4, 4}))),
    };
    uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u, seed >> 16; };
    for (const Bmp &b : bases) {
        const std::string base = b.File();
        for (size_t n = 0; n < base.size(); n++)
            Check(base.substr(0, n), "cut at " + std::to_string(n));
        // A few bytes changed, in the header more often than not.
        for (int round = 0; round < 300; round++) {
            std::string file = base;
            for (int k = 1 + next() % 4; k > 0; k--)
                file[next() % 2 ? 10 + next() % 24 : next() % file.size()] = (char)next();
            Check(file, "round " + std::to_string(round));
        }
    }
}

// ------------------------------------------------------------ a script screen

TEST(BitmapScreenTest, ScreenWithPictures) {
    TempDir dir;
    char oldDir[4096];
    ASSERT_NE(getcwd(oldDir, sizeof oldDir), nullptr);
    ASSERT_EQ(chdir(dir.root().c_str()), 0);
    LocalizationInit(nullptr, TABRIX_LANG_ENGLISH);
    FileFaultSet(nullptr);
    TestSurface surface{842, 496};
    surface.Bind();

    // The sixteen reference colours as bars, 4 bits a pixel, plain.
    std::string bar;
    for (int i = 0; i < 128; i++)
        bar += "0123456789ABCDEF"[i / 8];
    Bmp bars{.width = 128, .height = 24, .bits = 4, .data = PlainRows(4, std::vector<std::string>(24, bar)),
             .palette = {0x000000, 0x005454, 0x0000C0, 0x54A8FC, 0x989898, 0xA8A8FC, 0xA8FCFC, 0xFCFCFC,
                         0xE8E8E8, 0xC0C0C0, 0x707070, 0xFCFC00, 0x00FCFC, 0xFC0000, 0x007800, 0x009800}};
    // A red disc with a yellow ring on blue, 8 bits run-length encoded.
    std::vector<std::vector<uint8_t>> disc(48);
    for (int y = 0; y < 48; y++)
        for (int x = 0; x < 64; x++) {
            int d = (x - 32) * (x - 32) + (y - 24) * (y - 24);
            disc[y].push_back(d < 196 ? 2 : d < 400 ? 4 : 3);
        }
    WriteFile(dir / "BARS.BMP", bars.File());
    WriteFile(dir / "DISC.BMP", Runs(64, 48, RunRows(8, disc)).File());
    WriteFile(dir / "MAIN.SCT",
              "DIALOG \"Pictures\" \"DLG_MAIN\"\r\n"
              "TEXT \"Reference colours, 4 bits:\" X0 Y0\r\n"
              "BITMAP \"BARS.BMP\" X0 Y1\r\n"
              "TEXT \"Run-length encoded, 8 bits:\" X0 Y3\r\n"
              "BITMAP \"DISC.BMP\" X0 Y4\r\n"
              "INT \"Count\" C1 X30 Y4\r\n");
    _TABRIX_INFO info{sizeof info, "MAIN.SCT", 25, 23, 815, 469, {0}};
    TabrixStart(&info);
    EXPECT_EQ(TabrixGetErrorLine(), 0u) << TabrixSession.errorText;
    // The item area starts at left + 5, top + 21 + 5; rows 18 pixels apart.
    int x = 25 + 5, y = 23 + 26;
    for (int i = 0; i < 16; i++)
        EXPECT_EQ(surface.At(x + i * 8 + 4, y + 18 + 10), Rgb((uint8_t)i)) << "bar " << i;
    EXPECT_EQ(surface.At(x + 32, y + 4 * 18 + 24), Rgb(GDI_RED)) << "the disc's centre";
    EXPECT_EQ(surface.At(x + 2, y + 4 * 18 + 2), Rgb(2)) << "blue around it";
    EXPECT_TRUE(surface.SavePicture("bitmap_screen", 2));
    EXPECT_EQ(chdir(oldDir), 0);
}

}  // namespace
