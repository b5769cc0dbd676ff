// BMP pictures: files written byte by byte for each depth and encoding and
// checked pixel by pixel, the colour mapping, the result codes, the clip
// rules, the windowed reader, and hostile files that must stay harmless.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
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
    0x000000, 0xFFFFFF, 0xFF0000, 0x0000C8, 0xFAFA0A,
    0x009600, 0x6E6E6E, 0x007800, 0x00FAFA, 0xBEBEBE,
};

std::string Le(uint32_t v, int n) {
    std::string s;
    for (int i = 0; i < n; i++)
        s += (char)(v >> 8 * i);
    return s;
}

std::string Bytes(std::initializer_list<int> bytes) {
    std::string s;
    for (int b : bytes)
        s += (char)b;
    return s;
}

// A BMP file: header, palette (blue, green, red, 0), zeros up to the
// pixel data offset, pixel data.
struct Bmp {
    int32_t width = 1, height = 1;
    uint16_t bits = 8;
    uint32_t compression = 0;
    std::string data;
    std::vector<uint32_t> palette = kPalette;
    int64_t offset = -1;        // default: right behind the palette

    std::string File() const {
        uint32_t at = offset >= 0 ? (uint32_t)offset : 54 + 4 * (uint32_t)palette.size();
        std::string f = "BM" + Le(0, 4) + Le(0, 4) + Le(at, 4) + Le(40, 4) + Le(width, 4) +
                        Le(height, 4) + Le(1, 2) + Le(bits, 2) + Le(compression, 4) +
                        Le((uint32_t)data.size(), 4) + Le(2835, 4) + Le(2835, 4) +
                        Le((uint32_t)palette.size(), 4) + Le(0, 4);
        for (uint32_t rgb : palette)
            f += Le(rgb, 3) + '\0';  // blue, green, red
        // Data follows the palette, at the offset when that lies beyond.
        f.resize(std::max<size_t>(f.size(), at), '\0');
        f += data;
        std::string size = Le((uint32_t)f.size(), 4);
        f.replace(2, 4, size);
        return f;
    }
};

int HexValue(char c) {
    return c <= '9' ? c - '0' : c - 'A' + 10;
}

// Plain pixel data: rows of palette positions in hex, top row first,
// stored bottom row first, high bits first, each row padded to 4 bytes.
std::string PlainRows(int bits, const std::vector<std::string> &rows) {
    std::string data;
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        std::string packed;
        int used = 0;
        for (char c : *row) {
            if (used % 8 == 0)
                packed += '\0';
            packed.back() = (char)(packed.back() | HexValue(c) << (8 - bits - used % 8));
            used += bits;
        }
        packed.resize((packed.size() + 3) / 4 * 4, '\0');
        data += packed;
    }
    return data;
}

// Run-length data of single-colour runs: a row of pixel values in, encoded
// runs and an end-of-line code out; the end-of-bitmap code after the last
// row.  In the 4-bit form both halves of a run's byte hold the colour.
std::string RunRows(int bits, const std::vector<std::vector<uint8_t>> &rowsTopFirst) {
    std::string data;
    for (auto row = rowsTopFirst.rbegin(); row != rowsTopFirst.rend(); ++row) {
        for (size_t i = 0; i < row->size();) {
            size_t n = 1;
            while (i + n < row->size() && (*row)[i + n] == (*row)[i] && n < 255)
                n++;
            uint8_t c = (*row)[i];
            data += Bytes({(int)n, bits == 4 ? c << 4 | c : c});
            i += n;
        }
        data += Bytes({0, 0});
    }
    return data + Bytes({0, 1});
}

// The palette index shown at each pixel as a hex digit; '.' for untouched
// pixels and '?' for anything else.
char Shown(uint32_t rgb) {
    if (rgb == UNTOUCHED)
        return '.';
    for (int i = 0; i < GDI_PALETTE_SIZE; i++)
        if (Rgb((uint8_t)i) == rgb)
            return "0123456789ABCDEF"[i];
    return '?';
}

// The pixels a grid shows painted.
int Painted(const std::vector<std::string> &grid) {
    int n = 0;
    for (const std::string &row : grid)
        n += (int)std::count_if(row.begin(), row.end(), [](char c) { return c != '.'; });
    return n;
}

// Receives the drawing calls: the lines drawn, each with the colour set
// last.
struct LineCall {
    int x1, y1, x2, y2;
    int colour;
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
                  uint32_t transparent = 0, uint32_t transparentIndex = GDI_WHITE) {
        WriteFile(Path(), file);
        return DrawBitmapFile(Path().c_str(), x, y, transparent, transparentIndex, greyOnly);
    }
    std::string Path() const { return dir / "P.BMP"; }

    // The pixels of the box from (x, y), w by h, a row a string.
    std::vector<std::string> Grid(int x, int y, int w, int h) const {
        std::vector<std::string> rows;
        for (int r = 0; r < h; r++) {
            rows.emplace_back();
            for (int c = 0; c < w; c++)
                rows.back() += Shown(s.At(x + c, y + r));
        }
        return rows;
    }
    void SetClip(int l, int t, int r, int b) { GDISetClip(l, t, r, b); }

    TempDir dir;
    TestSurface s{64, 48};
};

// ------------------------------------------------------------ pixel data

TEST_F(BitmapTest, PlainPicturesOfEachDepth) {
    struct Case {
        uint16_t bits;
        std::vector<std::string> rows;      // palette positions, top row first
        std::vector<std::string> shown;     // with a border of one pixel
    };
    const Case cases[] = {
        // The top-right pixel keeps its own colour.
        {1, {"1100110011", "0000011111", "1010101010"},
         {"............", ".7700770077.", ".0000077777.", ".7070707070.", "............"}},
        {4, {"234", "567"}, {".....", ".D2B.", ".FAE.", "....."}},
        {8, {"01234", "56789", "98765"},
         {".......", ".07D2B.", ".FAEC9.", ".9CEAF.", "......."}},
    };
    for (const Case &c : cases) {
        s.Clear();
        Bmp b;
        b.bits = c.bits;
        b.width = (int32_t)c.rows[0].size();
        b.height = (int32_t)c.rows.size();
        b.data = PlainRows(c.bits, c.rows);
        EXPECT_EQ(Draw(b.File(), 2, 3), (uint32_t)BITMAP_DRAWN);
        EXPECT_EQ(Grid(1, 2, b.width + 2, b.height + 2), c.shown) << c.bits << " bits";
    }
}

TEST_F(BitmapTest, FirstPixelFillsTheBoxAndOnlyOtherRunsAreLines) {
    // The bottom-left pixel, painted first, is white: the box is filled
    // white and only the black runs become lines.
    Bmp b;
    b.bits = 1;
    b.width = 8;
    b.height = 2;
    b.data = PlainRows(1, {"11100111", "10000001"});
    GDICallHookSet(RecordLines);
    EXPECT_EQ(Draw(b.File(), 10, 20), (uint32_t)BITMAP_DRAWN);
    EXPECT_EQ(lines, (std::vector<LineCall>{{11, 21, 17, 21, GDI_BLACK}, {13, 20, 15, 20, GDI_BLACK}}));
    EXPECT_EQ(Grid(10, 20, 8, 2), (std::vector<std::string>{"77700777", "70000007"}));
}

TEST_F(BitmapTest, RunLengthPictures) {
    struct Case {
        const char *name;
        uint16_t bits;
        uint32_t compression;
        int32_t width, height;
        std::string data;
        std::vector<std::string> shown;     // top row first
    };
    const Case cases[] = {
        // Three pixels of position 5 on a picture three wide.
        {"three pixels", 8, 1, 3, 1, Bytes({3, 5, 0, 0, 0, 1}), {"FFF"}},
        // An encoded run, an odd absolute run with its pad byte, a delta
        // code that is skipped, end-of-line and end-of-bitmap codes.
        {"8-bit", 8, 1, 6, 3,
         Bytes({3, 2, 0, 3, 4, 5, 6, 0, 0, 0,
                0, 2, 5, 1, 6, 8, 0, 0,
                2, 1, 4, 3, 0, 1}),
         {"772222", "CCCCCC", "DDDBFA"}},
        // Two colours in turn, high half first; an absolute run of three
        // pixels in two bytes.
        {"4-bit", 4, 2, 5, 2,
         Bytes({5, 0x23, 0, 0,
                0, 3, 0x45, 0x60, 2, 0x77, 0, 0, 0, 1}),
         {"BFAEE", "D2D2D"}},
        // A row that ends early takes the colour of its last run; rows
        // after the end-of-bitmap code keep the fill.
        {"short rows", 8, 1, 4, 3, Bytes({1, 2, 1, 3, 0, 0, 1, 4, 0, 1}),
         {"DDDD", "BBBB", "D222"}},
    };
    for (const Case &c : cases) {
        s.Clear();
        Bmp b;
        b.bits = c.bits;
        b.compression = c.compression;
        b.width = c.width;
        b.height = c.height;
        b.data = c.data;
        EXPECT_EQ(Draw(b.File(), 4, 4), (uint32_t)BITMAP_DRAWN) << c.name;
        EXPECT_EQ(Grid(4, 4, c.width, c.height), c.shown) << c.name;
        EXPECT_EQ(s.Count(UNTOUCHED), 64 * 48 - Painted(c.shown)) << c.name;
    }
}

TEST_F(BitmapTest, TransparentPixelsAreSkippedWithoutEndingTheRun) {
    // White is the transparent colour.  The first painted pixel is the
    // first red one, and its fill covers the whole box; the white pixel
    // between two red ones is covered by their run.
    Bmp b;
    b.width = 5;
    b.height = 2;
    b.data = PlainRows(8, {"12123", "11111"});
    EXPECT_EQ(Draw(b.File(), 0, 1, 0, 1, GDI_WHITE), (uint32_t)BITMAP_DRAWN);
    EXPECT_EQ(Grid(0, 1, 5, 2), (std::vector<std::string>{"DDDD2", "DDDDD"}));
    // A picture one row high gets no fill: the transparent pixel at its
    // left stays untouched.
    s.Clear();
    b.height = 1;
    b.data = PlainRows(8, {"12123"});
    EXPECT_EQ(Draw(b.File(), 0, 1, 0, 1, GDI_WHITE), (uint32_t)BITMAP_DRAWN);
    EXPECT_EQ(Grid(0, 1, 5, 1), std::vector<std::string>{".DDD2"});
}

// ------------------------------------------------------------ colours

TEST_F(BitmapTest, ColoursMapToTheNearestReference) {
    struct Case { uint8_t r, g, b; uint32_t grey; uint8_t index; };
    const Case cases[] = {
        {255, 0, 0, 0, 13}, {200, 200, 200, 0, 9}, {255, 0, 0, 1, 10},
        {0, 0, 0, 0, 0}, {255, 255, 255, 0, 7}, {255, 255, 255, 1, 7},
        {0, 42, 42, 0, 0},              // as near to 1 as to 0: the first stays
        {0, 43, 43, 0, 1},
        {84, 168, 252, 1, 4},           // light blue as a grey
        {0, 150, 0, 0, 15}, {0, 130, 0, 0, 14},
    };
    for (const Case &c : cases)
        EXPECT_EQ(BitmapColourOf(c.r, c.g, c.b, c.grey), c.index)
            << int{c.r} << "," << int{c.g} << "," << int{c.b} << " grey " << c.grey;

    // The grey-only flag reaches the mapping.
    Bmp b;
    b.width = 2;
    b.data = PlainRows(8, {"21"});
    EXPECT_EQ(Draw(b.File(), 0, 1, 1), (uint32_t)BITMAP_DRAWN);
    EXPECT_EQ(Grid(0, 1, 2, 1), std::vector<std::string>{"A7"});
}

TEST_F(BitmapTest, PaletteEntriesTheFileLacksAreBlack) {
    // The palette ends after the blue and green bytes of its first entry;
    // the pixel values reach far past it.
    Bmp b;
    b.width = 3;
    b.palette = {};
    b.offset = 56;
    b.data = Bytes({0, 200, 255, 0});
    std::string file = b.File();
    file[54] = file[55] = (char)0xFF;
    EXPECT_EQ(Draw(file, 1, 1), (uint32_t)BITMAP_DRAWN);
    // Blue and green without red: reference 12; then black.
    EXPECT_EQ(Grid(1, 1, 3, 1), std::vector<std::string>{"C00"});
}

// ------------------------------------------------------------ result codes

TEST_F(BitmapTest, ResultCodesAndNothingDrawnOnRefusal) {
    Bmp good;
    good.width = 2;
    good.height = 2;
    good.data = PlainRows(8, {"23", "45"});
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
        {"0 bits", with([](Bmp &b) { b.bits = 0; }), 0, 1, BITMAP_UNSUPPORTED},
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
    };
    for (const Case &c : cases) {
        s.Clear();
        EXPECT_EQ(Draw(c.file, c.x, c.y), c.result) << c.name;
        EXPECT_EQ(s.Count(UNTOUCHED), 64 * 48) << c.name;
    }
    EXPECT_EQ(DrawBitmapFile((dir / "NONE.BMP").c_str(), 0, 0, 0, 7, 0), (uint32_t)BITMAP_UNREADABLE);
    EXPECT_EQ(OpenDescriptors(), descriptors);

    // The limits themselves are accepted.
    std::string widest = with([](Bmp &b) { b.offset = 1078; b.width = 32767; b.height = 32767; });
    EXPECT_EQ(Draw(widest, 0, 1), (uint32_t)BITMAP_DRAWN);
}

// ------------------------------------------------------------ clipping

TEST_F(BitmapTest, OnlyPixelsInsideTheClipArePainted) {
    // Columns from the clip's left edge up to its right edge, which is
    // not painted; rows below its top edge and above its bottom edge.
    Bmp b;
    b.width = 6;
    b.height = 3;
    b.data = PlainRows(8, {"012345", "543210", "012345"});
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
        SetClip(c.l, c.t, c.r, c.bottom);
        EXPECT_EQ(Draw(b.File(), 10, 10), (uint32_t)BITMAP_DRAWN) << c.name;
        EXPECT_EQ(Grid(9, 9, 8, 5), c.shown) << c.name;
        EXPECT_EQ(s.Count(UNTOUCHED), 64 * 48 - Painted(c.shown)) << c.name;
        int32_t l, t, r, bottom;
        GDIGetClip(&l, &t, &r, &bottom);
        EXPECT_EQ((std::vector<int32_t>{l, t, r, bottom}), (std::vector<int32_t>{c.l, c.t, c.r, c.bottom}));
    }
}

TEST_F(BitmapTest, ItemsDrawTheirPictureInTheirCell) {
    Bmp b;
    b.width = 3;
    b.height = 2;
    b.data = PlainRows(8, {"234", "567"});
    const std::string path = Path();
    WriteFile(path, b.File());
    DialogBuilder d{"T", 10, 5, 60, 47};
    _ITEM *item = d.Bitmap(path.c_str(), 1, 0);
    // The cell's top row is the first row below the item clip's top edge.
    int x = 10 + 5 + 8, y = 5 + 21 + 5;
    DialogDrawItem(&d.dialog, item, true, GDI_RED, GDI_RED);
    EXPECT_EQ(Grid(x - 1, y - 1, 5, 4), (std::vector<std::string>{".....", ".D2B.", ".FAE.", "....."}));
}

// ------------------------------------------------------------ the reader

TEST_F(BitmapTest, ReaderSlidesItsWindowAndSeeksOnlyOnJumps) {
    std::string file(5000, '\0');
    for (size_t i = 0; i < file.size(); i++)
        file[i] = (char)(i * 7 + i / 256);
    WriteFile(Path(), file);
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
    BitmapReaderOpen(&reader, Path().c_str());
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
    EXPECT_EQ(faults.asked().back(), FILE_OP_CLOSE);
    EXPECT_EQ(std::count(faults.asked().begin(), faults.asked().end(), FILE_OP_CLOSE), 1);
}

TEST_F(BitmapTest, ReaderFailuresStick) {
    std::string file(3000, 'x');
    WriteFile(Path(), file);
    for (int op : {FILE_OP_SEEK, FILE_OP_READ}) {
        FaultScope faults(op, op == FILE_OP_READ ? 2 : 1);
        _BITMAP_READER reader;
        BitmapReaderOpen(&reader, Path().c_str());
        EXPECT_EQ(BitmapReaderByte(&reader, 0), 'x');
        EXPECT_EQ(BitmapReaderByte(&reader, 2900), 0) << op;
        EXPECT_NE(BitmapReaderError(&reader), 0u) << op;
        EXPECT_EQ(BitmapReaderByte(&reader, 0), 0) << "no byte after a failure";
        BitmapReaderClose(&reader);
    }
    FaultScope faults(FILE_OP_OPEN, 1);
    _BITMAP_READER reader;
    BitmapReaderOpen(&reader, Path().c_str());
    EXPECT_NE(BitmapReaderError(&reader), 0u);
    EXPECT_EQ(reader.handle, 0u);
}

TEST_F(BitmapTest, AFailedReadStopsTheDrawingWithTwo) {
    // 40 rows of 40 pixels: the pixel data runs into a second window.
    Bmp b;
    b.width = 40;
    b.height = 40;
    std::vector<std::string> rows(40, std::string(20, '2') + std::string(20, '3'));
    b.data = PlainRows(8, rows);
    const int descriptors = OpenDescriptors();
    {
        FaultScope faults(FILE_OP_READ, 2);
        EXPECT_EQ(Draw(b.File(), 0, 0), (uint32_t)BITMAP_UNREADABLE);
    }
    EXPECT_EQ(OpenDescriptors(), descriptors);
    // The bottom rows, read from the first window, are drawn; nothing
    // above the box's top row of the window.
    EXPECT_EQ(s.At(0, 39), Rgb(GDI_RED));
    EXPECT_EQ(s.At(39, 39), Rgb(2));
    for (uint32_t op : {FILE_OP_OPEN, FILE_OP_READ}) {
        s.Clear();
        FaultScope faults(op, 1);
        EXPECT_EQ(Draw(b.File(), 0, 0), (uint32_t)BITMAP_UNREADABLE);
        EXPECT_EQ(s.Count(UNTOUCHED), 64 * 48);
    }
}

// ------------------------------------------------------------ hostile files

// Draws file at (6, 5) inside the clip (4, 3, 50, 40) and checks that
// nothing is painted outside the picture's box and the clip, and nothing
// at all when the file is refused.
class HostileTest : public BitmapTest {
protected:
    void Check(const std::string &file, const std::string &name) {
        s.Clear();
        SetClip(4, 3, 50, 40);
        uint32_t result = Draw(file, 6, 5);
        ASSERT_TRUE(result == BITMAP_DRAWN || result == BITMAP_UNREADABLE || result == BITMAP_UNSUPPORTED)
            << name << " gave " << result;
        int32_t width = 0, height = 0;
        if (file.size() >= 26) {
            std::memcpy(&width, file.data() + 18, 4);
            std::memcpy(&height, file.data() + 22, 4);
        }
        for (int y = 0; y < 48; y++)
            for (int x = 0; x < 64; x++) {
                bool inside = result == BITMAP_DRAWN && x >= 6 && x < 50 && y > 3 && y < 40 &&
                              x - 6 < width && y - 5 < height && y >= 5;
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

Bmp Rle8(int32_t width, int32_t height, const std::string &data) {
    Bmp b;
    b.compression = 1;
    b.width = width;
    b.height = height;
    b.data = data;
    return b;
}

TEST_F(HostileTest, MalformedFilesStayInsideTheirBox) {
    Bmp rle4 = Rle8(5, 3, Bytes({200, 0x23, 0, 9, 0x11, 0x22, 0x33, 0x44, 0x55, 0, 0, 0, 0}));
    rle4.bits = 4;
    rle4.compression = 2;
    Bmp ones = Rle8(9, 2, Bytes({0, 12, 0xFF, 0xF0, 0, 0, 20, 1}));
    ones.bits = 1;
    Bmp lowOffset = Rle8(3, 3, Bytes({3, 1}));
    lowOffset.offset = 0;   // pixel data laid over the header
    Bmp oddCompression = Rle8(4, 2, Bytes({4, 2, 0, 0, 4, 3}));
    oddCompression.compression = 7;
    Bmp huge;
    huge.width = 32767;
    huge.height = 32767;
    huge.data = std::string(3000, '\x02');
    const std::pair<const char *, Bmp> cases[] = {
        {"encoded run past the row", Rle8(6, 2, Bytes({255, 2, 0, 0, 3, 3, 0, 1}))},
        {"absolute run past the row", Rle8(4, 2, Bytes({0, 9, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 2, 3}))},
        {"absolute run past the file", Rle8(4, 2, Bytes({0, 200, 1, 2}))},
        {"colour byte missing", Rle8(4, 2, Bytes({0, 0, 5}))},
        {"delta at the end", Rle8(4, 2, Bytes({2, 2, 0, 2}))},
        {"more lines than rows", Rle8(4, 2, Bytes({1, 2, 0, 0, 0, 0, 0, 0, 0, 0, 4, 3}))},
        {"no end codes", Rle8(4, 2, Bytes({1, 2, 1, 3, 1, 4, 1, 5, 1, 6, 1, 7, 1, 8}))},
        {"4-bit runs past the row", rle4},
        {"1-bit absolute run", ones},
        {"pixel data over the header", lowOffset},
        {"unknown compression", oddCompression},
        {"sides far larger than the data", huge},
    };
    for (const auto &[name, bmp] : cases)
        Check(bmp.File(), name);
}

TEST_F(HostileTest, EveryTruncationIsHarmless) {
    Bmp plain;
    plain.bits = 4;
    plain.width = 7;
    plain.height = 5;
    plain.data = PlainRows(4, {"0123456", "6543210", "1111111", "2222222", "9876543"});
    Bmp runs = Rle8(6, 3, Bytes({3, 2, 0, 3, 4, 5, 6, 0, 0, 0, 0, 2, 5, 1, 6, 8, 0, 0, 2, 1, 4, 3, 0, 1}));
    for (const Bmp &b : {plain, runs}) {
        std::string file = b.File();
        for (size_t n = 0; n <= file.size(); n++)
            Check(file.substr(0, n), "cut at " + std::to_string(n));
    }
}

TEST_F(HostileTest, RandomlyDamagedFilesAreHarmless) {
    Bmp plain;
    plain.width = 9;
    plain.height = 6;
    plain.data = PlainRows(8, std::vector<std::string>(6, "012345678"));
    Bmp rle4 = Rle8(7, 4, RunRows(4, {{1, 1, 2, 2, 2, 3, 3}, {4, 4, 4, 4, 4, 4, 4}, {5, 6, 7, 8, 9, 0, 1},
                                      {2, 2, 2, 2, 3, 3, 3}}));
    rle4.bits = 4;
    rle4.compression = 2;
    Bmp rle8 = Rle8(8, 5, RunRows(8, std::vector<std::vector<uint8_t>>(5, {1, 1, 1, 2, 2, 3, 4, 4})));
    uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u, seed >> 16; };
    int round = 0;
    for (const Bmp &b : {plain, rle4, rle8}) {
        const std::string base = b.File();
        for (int i = 0; i < 300; i++, round++) {
            std::string file = base;
            // A few bytes changed, in the header more often than not.
            for (int k = 1 + next() % 4; k > 0; k--) {
                size_t at = next() % 2 ? 10 + next() % 24 : next() % file.size();
                file[at] = (char)next();
            }
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
    Bmp bars;
    bars.bits = 4;
    bars.width = 128;
    bars.height = 24;
    bars.palette = {0x000000, 0x005454, 0x0000C0, 0x54A8FC, 0x989898, 0xA8A8FC, 0xA8FCFC, 0xFCFCFC,
                    0xE8E8E8, 0xC0C0C0, 0x707070, 0xFCFC00, 0x00FCFC, 0xFC0000, 0x007800, 0x009800};
    std::string bar;
    for (int i = 0; i < 128; i++)
        bar += "0123456789ABCDEF"[i / 8];
    bars.data = PlainRows(4, std::vector<std::string>(24, bar));
    // A red disc with a yellow ring on blue, 8 bits run-length encoded.
    std::vector<std::vector<uint8_t>> disc;
    for (int y = 0; y < 48; y++) {
        disc.emplace_back();
        for (int x = 0; x < 64; x++) {
            int d = (x - 32) * (x - 32) + (y - 24) * (y - 24);
            disc.back().push_back(d < 196 ? 2 : d < 400 ? 4 : 3);
        }
    }
    Bmp logo = Rle8(64, 48, RunRows(8, disc));
    // A black cross on white, 1 bit a pixel.
    std::vector<std::string> cross;
    for (int y = 0; y < 32; y++) {
        cross.emplace_back();
        for (int x = 0; x < 32; x++)
            cross.back() += std::abs(x - y) < 3 || std::abs(x + y - 31) < 3 ? '0' : '1';
    }
    Bmp icon;
    icon.bits = 1;
    icon.width = 32;
    icon.height = 32;
    icon.data = PlainRows(1, cross);
    WriteFile(dir / "BARS.BMP", bars.File());
    WriteFile(dir / "LOGO.BMP", logo.File());
    WriteFile(dir / "ICON.BMP", icon.File());
    WriteFile(dir / "MAIN.SCT",
              "DIALOG \"Pictures\" \"DLG_MAIN\"\r\n"
              "TEXT \"Reference colours, 4 bits:\" X0 Y0\r\n"
              "BITMAP \"BARS.BMP\" X0 Y1\r\n"
              "TEXT \"Run-length encoded, 8 bits:\" X0 Y3\r\n"
              "BITMAP \"LOGO.BMP\" X0 Y4\r\n"
              "TEXT \"1 bit:\" X30 Y3\r\n"
              "BITMAP \"ICON.BMP\" X30 Y4\r\n"
              "INT \"Count\" C1 Y8\r\n");
    _TABRIX_INFO info{sizeof info, "MAIN.SCT", 25, 23, 815, 469, {0}};
    TabrixStart(&info);
    EXPECT_EQ(TabrixGetErrorLine(), 0u) << TabrixSession.errorText;
    // Item area: left + 5, top + 21 + 5; rows 18 pixels apart.
    int x = 25 + 5, y = 23 + 26;
    for (int i = 0; i < 16; i++)
        EXPECT_EQ(surface.At(x + i * 8 + 4, y + 18 + 10), Rgb((uint8_t)i)) << "bar " << i;
    EXPECT_EQ(surface.At(x + 32, y + 4 * 18 + 24), Rgb(GDI_RED)) << "the disc's centre";
    EXPECT_EQ(surface.At(x + 2, y + 4 * 18 + 2), Rgb(2)) << "blue around it";
    EXPECT_EQ(surface.At(x + 240 + 16, y + 4 * 18 + 16), Rgb(GDI_BLACK)) << "the cross";
    EXPECT_EQ(surface.At(x + 240 + 16, y + 4 * 18 + 2), Rgb(GDI_WHITE));
    EXPECT_TRUE(surface.SavePicture("bitmap_screen"));
    EXPECT_EQ(chdir(oldDir), 0);
}

}  // namespace
