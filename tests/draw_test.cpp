// The drawing layer on a pixel surface: binding, clipping, lines, fills,
// text and the font.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <set>
#include <vector>
#include <string>

#include "platform/draw/draw.h"
#include "surface.h"
#include "text/unicode.h"

namespace {

constexpr uint8_t kBlue = 2, kYellow = 11;

class DrawTest : public ::testing::Test {
protected:
    void SetUp() override { s.Bind(); }
    TestSurface s{64, 48};
};

TEST_F(DrawTest, InitCopiesAtMostItsOwnRecord) {
    struct Case { uint16_t size; bool bound; size_t copied; int result; };
    const Case cases[] = {
        {300, true, 202, 1}, {202, true, 202, 1}, {100, true, 100, 1}, {10, true, 10, 1},
        // Part of the surface pointer only: none of it is kept.
        {9, false, 2, 0}, {8, false, 2, 0}, {7, false, 2, 0}, {6, false, 2, 0},
        {5, false, 2, 0}, {4, false, 2, 0}, {3, false, 2, 0},
        // No pointer at all: a null hdc.
        {2, false, 2, 1}, {1, false, 1, 1}, {0, false, 0, 1},
    };
    for (const Case &c : cases) {
        uint8_t record[300];
        std::memset(record, 0xA5, sizeof record);
        _GDI_INIT_PARAMS params;
        std::memset(&params, 0xA5, sizeof params);
        params.size = c.size;
        params.hdc = &s.surface;
        std::memcpy(record, &params, sizeof params);
        GDILayer.params.reserved[191] = 0x77;
        EXPECT_EQ(GDIInit((const _GDI_INIT_PARAMS *)record), c.result) << c.size;
        EXPECT_EQ(uint16_t{GDILayer.params.size}, 202) << c.size;
        EXPECT_EQ(GDILayer.surface != nullptr, c.bound) << c.size;
        const uint8_t *copy = (const uint8_t *)&GDILayer.params;
        for (size_t i = 2; i < sizeof GDILayer.params; i++)
            ASSERT_EQ(copy[i], i < c.copied ? record[i] : 0) << "size " << c.size << " byte " << i;
    }
}

TEST_F(DrawTest, UnboundLayerStoresStateAndDrawsNothing) {
    _GDI_INIT_PARAMS params{};
    params.size = 2;
    params.hdc = &s.surface;
    GDIInit(&params);
    GDISetClip(0, 0, 63, 47);
    GDISetColor(GDI_RED, GDI_RED);
    GDISetTextAttr(1, 2, 3, 4, 5, 6, 7);
    GDIFillRect(0, 0, 63, 47);
    GDILine(0, 0, 63, 47, GDI_PATTERN_SOLID);
    GDIXorLine(0, 0, 63, 47, GDI_PATTERN_SOLID);
    GDIText("abc");
    EXPECT_EQ(s.Count(UNTOUCHED), 64 * 48);
    EXPECT_EQ(GDILayer.colour, GDI_RED);
    EXPECT_EQ(GDILayer.textX, 1);
    EXPECT_EQ(GDILayer.textSpare, 7);
    s.Bind();
    EXPECT_EQ(GDIInit(nullptr), 0) << "no record";
    EXPECT_EQ(GDILayer.surface, nullptr);
    s.Bind();
    params = {};
    params.size = sizeof params;
    EXPECT_EQ(GDIInit(&params), 1) << "a null hdc unbinds on purpose";
    EXPECT_EQ(GDILayer.surface, nullptr);
}

TEST_F(DrawTest, SurfacesWithOverlappingOrMisalignedRowsAreNotBound) {
    struct Case { uint32_t pitch; bool pixels; bool bound; };
    const Case cases[] = {{64, true, true}, {72, true, true}, {60, true, false},
                          {66, true, false}, {0, true, false}, {64, false, false}};
    for (const Case &c : cases) {
        std::vector<uint32_t> pixels(16 * 8, UNTOUCHED);
        _GDI_SURFACE surface{16, 4, c.pitch, c.pixels ? pixels.data() : nullptr};
        _GDI_INIT_PARAMS params{};
        params.size = sizeof params;
        params.hdc = &surface;
        EXPECT_EQ(GDIInit(&params), c.bound ? 1 : 0) << "pitch " << c.pitch;
        EXPECT_EQ(GDILayer.surface != nullptr, c.bound) << "pitch " << c.pitch;
        GDISetClip(0, 0, 15, 3);
        GDISetColor(GDI_WHITE, GDI_WHITE);
        GDIFillRect(0, 0, 15, 3);
        EXPECT_EQ(pixels[0] == Rgb(GDI_WHITE), c.bound) << "pitch " << c.pitch;
    }
    s.Bind();
}

TEST_F(DrawTest, ClipIsKeptNormalised) {
    GDISetClip(100, 50, 10, 5);
    int32_t l, t, r, b;
    GDIGetClip(&l, &t, &r, &b);
    EXPECT_EQ((std::vector<int32_t>{l, t, r, b}), (std::vector<int32_t>{10, 5, 100, 50}));
}

TEST_F(DrawTest, FillEdgesAreInclusiveAndOnePixelIsNothing) {
    struct Case { int32_t l, t, r, b; PixelBox painted; };
    const Case cases[] = {
        {5, 5, 6, 20, {5, 5, 6, 20}},
        {6, 20, 5, 5, {5, 5, 6, 20}},           // reversed corners
        {5, 5, 5, 20, {64, 48, -1, -1}},        // one column
        {5, 5, 20, 5, {64, 48, -1, -1}},        // one row
        {-5, -5, 2, 2, {0, 0, 2, 2}},
        {60, 40, 100, 100, {60, 40, 63, 47}},   // cut at the surface
    };
    for (const Case &c : cases) {
        s.Bind();
        GDISetColor(GDI_RED, GDI_RED);
        GDIFillRect(c.l, c.t, c.r, c.b);
        PixelBox box = s.Bounds(Rgb(GDI_RED));
        EXPECT_EQ(box, c.painted) << c.l << "," << c.t << "," << c.r << "," << c.b;
        int area = (box.right - box.left + 1) * (box.bottom - box.top + 1);
        EXPECT_EQ(s.Count(Rgb(GDI_RED)), box.right < 0 ? 0 : area);
    }
}

TEST_F(DrawTest, FillIsCutByTheClipAndTheOnePixelRuleAppliesAfterIt) {
    GDISetClip(10, 10, 20, 30);
    GDISetColor(GDI_GREEN, GDI_GREEN);
    GDIFillRect(0, 0, 63, 47);
    EXPECT_EQ(s.Bounds(Rgb(GDI_GREEN)), (PixelBox{10, 10, 20, 30}));
    s.Clear();
    GDIFillRect(20, 0, 40, 47);     // only column 20 is left inside
    EXPECT_EQ(s.Count(Rgb(GDI_GREEN)), 0);
}

TEST_F(DrawTest, ColourlessFillIsAHatch) {
    GDISetColor(16, 16);
    GDIFillRect(3, 3, 20, 20);
    for (int y = 3; y <= 20; y++)
        for (int x = 3; x <= 20; x++)
            ASSERT_EQ(s.At(x, y), x % 8 == 0 || y % 8 == 0 ? 0xC8FFC8u : 0u) << x << "," << y;
    GDISetColor(16, 16);
    GDILine(0, 30, 60, 30, GDI_PATTERN_SOLID);
    EXPECT_EQ(s.Count(UNTOUCHED), 64 * 48 - 18 * 18) << "a colourless line is invisible";
}

// The painted pixels of row y from x = 0, as 1 and 0.
std::string Row(const TestSurface &s, int y, int n, uint32_t rgb) {
    std::string row;
    for (int x = 0; x < n; x++)
        row += s.At(x, y) == rgb ? '1' : '0';
    return row;
}

std::string Repeat(const std::string &unit, int times) {
    std::string out;
    while (times--)
        out += unit;
    return out;
}

TEST_F(DrawTest, PenPatternsWalkFromTheStart) {
    struct Case { uint16_t pattern; std::string painted; };
    const Case cases[] = {
        {GDI_PATTERN_SOLID, Repeat("1", 48)},
        {GDI_PATTERN_DASH, Repeat(Repeat("1", 18) + Repeat("0", 6), 2)},
        {GDI_PATTERN_DOT, Repeat("111000", 8)},
        {GDI_PATTERN_DASH_DOT, Repeat(Repeat("1", 9) + "000000111000000", 2)},
        {GDI_PATTERN_DASH_DOT_DOT, Repeat(Repeat("1", 9) + "000111000111000", 2)},
        {0x1234, Repeat(Repeat("1", 9) + "000111000111000", 2)},
    };
    for (const Case &c : cases) {
        s.Bind();
        GDISetColor(kBlue, kBlue);
        GDILine(0, 5, 48, 5, c.pattern);
        EXPECT_EQ(Row(s, 5, 48, Rgb(kBlue)), c.painted) << std::hex << c.pattern;
        EXPECT_EQ(s.At(48, 5), UNTOUCHED) << "the end pixel is not painted";
    }
}

TEST_F(DrawTest, LinesAreClippedWithTruncation) {
    struct Case {
        int32_t l, t, r, b;             // clip
        int32_t x1, y1, x2, y2;         // line
        int startX, startY;             // first pixel painted
        int count;                      // pixels painted
    };
    const Case cases[] = {
        {0, 0, 63, 47, -10, 10, 10, 10, 0, 10, 10},
        {0, 0, 63, 47, -3, 0, 7, 5, 0, 1, 7},       // y 1.5 is cut to 1
        {0, 10, 63, 47, 0, 0, 5, 20, 2, 10, 10},    // x 2.5 is cut to 2
        {0, 0, 40, 47, -10, 20, 100, 20, 0, 20, 40},  // end at the right edge: not painted
        {10, 10, 30, 30, 0, 0, 5, 40, -1, -1, 0},   // wholly left
        {10, 10, 30, 30, 20, 20, 20, 20, -1, -1, 0},  // no length
    };
    for (const Case &c : cases) {
        s.Bind();
        GDISetClip(c.l, c.t, c.r, c.b);
        GDISetColor(GDI_RED, GDI_RED);
        GDILine(c.x1, c.y1, c.x2, c.y2, GDI_PATTERN_SOLID);
        SCOPED_TRACE(testing::Message() << c.x1 << "," << c.y1 << " " << c.x2 << "," << c.y2);
        EXPECT_EQ(s.Count(Rgb(GDI_RED)), c.count);
        if (c.startX >= 0) {
            EXPECT_EQ(s.At(c.startX, c.startY), Rgb(GDI_RED));
        }
    }
}

TEST_F(DrawTest, LineEndPixelIsNotPaintedInAnyDirection) {
    const int ends[][2] = {{20, 3}, {37, 20}, {20, 37}, {3, 20}, {30, 30}, {10, 35}};
    for (const auto &e : ends) {
        s.Bind();
        GDISetColor(GDI_WHITE, GDI_WHITE);
        GDILine(20, 20, e[0], e[1], GDI_PATTERN_SOLID);
        EXPECT_EQ(s.At(20, 20), Rgb(GDI_WHITE));
        EXPECT_EQ(s.At(e[0], e[1]), UNTOUCHED);
        EXPECT_EQ(s.Count(Rgb(GDI_WHITE)), std::max(std::abs(e[0] - 20), std::abs(e[1] - 20)));
    }
}

TEST_F(DrawTest, NothingIsWrittenOutsideTheSurface) {
    GDISetClip(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
    GDISetColor(GDI_RED, GDI_RED);
    GDIFillRect(-1000, -1000, 1000, 1000);
    GDILine(INT32_MIN, INT32_MIN + 7, INT32_MAX, INT32_MAX - 3, GDI_PATTERN_SOLID);
    GDILine(-5, 20, 200, 20, GDI_PATTERN_DOT);
    GDIXorLine(-1e300, 3, 1e300, 40, GDI_PATTERN_SOLID);
    GDIXorLine(NAN, 3, 10, INFINITY, GDI_PATTERN_SOLID);
    GDISetTextAttr(60, 40, 10, 1, GDI_WHITE, GDI_BLACK, 0);
    GDIText("ABCDEFGHIJ");
    GDISetTextAttr(-20, -10, 10, 1, GDI_WHITE, GDI_BLACK, 0);
    GDIText("ABCDEFGHIJ");
    EXPECT_TRUE(s.GuardsIntact());
}

TEST_F(DrawTest, DiagonalAcrossTheWholeRangeCrossesTheSurface) {
    GDISetClip(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
    GDISetColor(GDI_RED, GDI_RED);
    GDILine(-1000000000, -1000000000, 1000000000, 1000000000, GDI_PATTERN_SOLID);
    EXPECT_EQ(s.Count(Rgb(GDI_RED)), 48);
    EXPECT_EQ(s.Bounds(Rgb(GDI_RED)), (PixelBox{0, 0, 47, 47}));
}

TEST_F(DrawTest, XorTwiceRestoresThePicture) {
    for (int y = 0; y < 48; y++)
        for (int x = 0; x < 64; x++)
            s.Set(x, y, (uint32_t)(x * 0x010203 + y * 0x030201) & 0xFFFFFF);
    std::vector<uint32_t> before = s.pixels;
    uint32_t start = s.At(2, 3);
    GDISetColor(kYellow, kYellow);
    GDISetXorMode(1);
    GDIXorLine(2.7, 3.2, 60.9, 40.5, GDI_PATTERN_DASH);
    EXPECT_NE(s.pixels, before);
    EXPECT_EQ(s.At(2, 3), start ^ Rgb(kYellow))
        << "the start is truncated toward zero";
    GDIXorLine(2.7, 3.2, 60.9, 40.5, GDI_PATTERN_DASH);
    EXPECT_EQ(s.pixels, before);
    GDISetXorMode(0);
    GDIXorLine(2.7, 3.2, 60.9, 40.5, GDI_PATTERN_SOLID);
    EXPECT_EQ(s.At(2, 3), Rgb(kYellow)) << "without XOR the pen is copied";
}

TEST_F(DrawTest, XorLineClipsInDoubles) {
    // Two moves: to x = 0 gives y = -2.5, then to y = 0 gives x = 5.  Cut
    // to an integer between the moves, y = -2 would give x = 4.
    GDISetColor(GDI_WHITE, GDI_WHITE);
    GDIXorLine(-1.0, -3.0, 9.0, 2.0, GDI_PATTERN_SOLID);
    EXPECT_EQ(s.Bounds(Rgb(GDI_WHITE)).left, 5);
    EXPECT_EQ(s.Count(Rgb(GDI_WHITE)), 4);
    s.Clear();
    GDILine(-1, -3, 9, 2, GDI_PATTERN_SOLID);
    EXPECT_EQ(s.Bounds(Rgb(GDI_WHITE)).left, 4);
    EXPECT_EQ(s.Count(Rgb(GDI_WHITE)), 5);
}

TEST_F(DrawTest, TextIsOpaqueUnlessTheBackgroundIsTransparent) {
    s.Clear(Rgb(GDI_GREEN));
    GDISetClip(0, 0, 5, 5);                 // text ignores the clip
    GDISetColor(GDI_WHITE, GDI_WHITE);
    GDISetTextAttr(4, 2, 3, 1, GDI_BLACK, GDI_WHITE, 0);
    GDIText("ABCDE");
    EXPECT_EQ(s.Text(4, 2, 4, Rgb(GDI_BLACK), Rgb(GDI_WHITE)), "ABC?");
    EXPECT_EQ(s.Bounds(Rgb(GDI_WHITE)), (PixelBox{4, 2, 27, 17})) << "three cells, no more";

    s.Clear(Rgb(GDI_GREEN));
    GDISetColor(GDI_WHITE, GDI_TRANSPARENT);
    GDIText("ABCDE");
    EXPECT_EQ(s.Text(4, 2, 3, Rgb(GDI_BLACK), Rgb(GDI_GREEN)), "ABC");
    EXPECT_EQ(s.Count(Rgb(GDI_WHITE)), 0);
}

TEST_F(DrawTest, CellsCutAtTheSurfaceEdgesKeepTheirVisiblePart) {
    // Texts across each corner, some of their cells wholly off the surface,
    // opaque and transparent: every pixel of a cell that lies on the surface
    // shows its glyph, nothing else changes.
    const int w = 64, h = 48;
    const char *const texts[] = {"A", "AMW@"};
    const std::pair<int, int> corners[] = {{-3, -5}, {w - 5, -9}, {-6, h - 9}, {w - 4, h - 10},
                                           {-19, -2}, {w - 13, h - 7}, {-27, 40}};
    for (uint8_t background : {GDI_WHITE, GDI_TRANSPARENT}) {
        for (const char *text : texts) {
            for (auto [x, y] : corners) {
                if (x + (int)strlen(text) * GDI_FONT_WIDTH <= 0)
                    continue;  // wholly off the surface
                s.Clear();
                GDISetColor(GDI_WHITE, background);
                GDISetTextAttr(x, y, (uint16_t)strlen(text), 1, GDI_BLACK, GDI_WHITE, 0);
                GDIText(text);
                int painted = 0;
                for (size_t i = 0; text[i] != 0; i++) {
                    const int cx = x + (int)i * GDI_FONT_WIDTH;
                    for (int r = 0; r < GDI_FONT_HEIGHT; r++) {
                        for (int c = 0; c < GDI_FONT_WIDTH; c++) {
                            bool ink = GDIFont[(uint8_t)text[i]][r] & (0x80 >> c);
                            if (cx + c < 0 || y + r < 0 || cx + c >= w || y + r >= h ||
                                (!ink && background != GDI_WHITE))
                                continue;
                            EXPECT_EQ(s.At(cx + c, y + r), Rgb(ink ? GDI_BLACK : GDI_WHITE))
                                << text << " at " << x << "," << y;
                            painted++;
                        }
                    }
                }
                EXPECT_GT(painted, 0) << text << " at " << x << "," << y;
                EXPECT_EQ(s.Count(UNTOUCHED), w * h - painted) << text << " at " << x << "," << y;
                EXPECT_TRUE(s.GuardsIntact());
            }
        }
    }
}

TEST_F(DrawTest, ColourlessTextIsPaleGreen) {
    GDISetColor(0, 0);
    GDISetTextAttr(0, 0, 1, 1, 16, 200, 0);
    GDIText("H");
    EXPECT_TRUE(s.CellShows(0, 0, 'H', 0xC8FFC8, 0xC8FFC8));
    EXPECT_EQ(s.Count(0xC8FFC8), 8 * 16);
}

TEST(FontTest, DisplayBytesMapToUnicode) {
    struct Case { uint8_t c; uint32_t u; };
    // Bytes shared by two code points show the lower one.
    const Case cases[] = {
        {'A', 'A'}, {0x03, 0xE0}, {0x05, 0xEA}, {0x80, 0x10C}, {0xA9, 0x159},
        {0xAC, 0xBC}, {0xAD, 0xA7}, {0xAE, 0xAB}, {0xAF, 0xBB}, {0xC0, 0x410}, {0xFF, 0x44F},
    };
    for (const Case &c : cases)
        EXPECT_EQ(CharToUnicode(c.c), c.u) << std::hex << (int)c.c;
    std::set<uint32_t> seen;
    for (int c = 0; c < 256; c++)
        seen.insert(CharToUnicode((uint8_t)c));
    EXPECT_EQ(seen.size(), 256u) << "no two bytes show the same character";
}

TEST(FontTest, EveryPrintableByteHasItsOwnGlyph) {
    std::set<std::string> glyphs;
    for (int c = 0; c < 256; c++) {
        uint32_t u = CharToUnicode((uint8_t)c);
        std::string rows((const char *)GDIFont[c], GDI_FONT_HEIGHT);
        bool blank = rows == std::string(GDI_FONT_HEIGHT, '\0');
        if (u < 0x20 || u == 0x7F) {
            EXPECT_TRUE(blank) << std::hex << c;
            continue;
        }
        EXPECT_EQ(blank, u == ' ') << std::hex << c;
        glyphs.insert(rows);
    }
    // Cyrillic A, E, O ... look like their Latin twins; the rest differ.
    EXPECT_GT(glyphs.size(), 200u);
}

TEST(DrawPictureTest, FontAndPrimitives) {
    // Left: the 256 display bytes, 16 a row.  Right: the five pen patterns,
    // clipped lines, a hatch fill and a line drawn by XOR over a fill.
    TestSurface s(480, 300);
    s.Bind();
    GDISetColor(GDI_WHITE, GDI_WHITE);
    GDIFillRect(0, 0, 479, 299);
    for (int c = 0; c < 256; c++) {
        char text[2] = {(char)(c ? c : ' '), 0};
        GDISetTextAttr(8 + (c % 16) * 12, 8 + (c / 16) * 18, 1, 1, GDI_BLACK, GDI_WHITE, 0);
        GDIText(text);
    }
    const uint16_t patterns[] = {GDI_PATTERN_SOLID, GDI_PATTERN_DASH, GDI_PATTERN_DOT,
                                 GDI_PATTERN_DASH_DOT, GDI_PATTERN_DASH_DOT_DOT};
    GDISetColor(kBlue, kBlue);
    for (int i = 0; i < 5; i++)
        GDILine(220, 12 + i * 8, 470, 12 + i * 8, patterns[i]);
    GDISetClip(240, 60, 460, 140);
    GDISetColor(GDI_GREY, GDI_GREY);
    GDIFillRect(0, 0, 479, 299);
    GDISetColor(GDI_RED, GDI_RED);
    for (int i = 0; i < 12; i++)
        GDILine(350, 100, 350 + (int)(200 * std::cos(i * 0.5236)), 100 + (int)(200 * std::sin(i * 0.5236)),
                GDI_PATTERN_SOLID);
    GDISetClip(0, 0, 479, 299);
    GDISetColor(16, 16);
    GDIFillRect(230, 160, 330, 290);
    GDISetColor(GDI_GREEN, GDI_GREEN);
    GDIFillRect(350, 160, 470, 290);
    GDISetColor(kYellow, kYellow);
    GDISetXorMode(1);
    GDIXorLine(340.5, 150.5, 475.5, 295.5, GDI_PATTERN_SOLID);
    GDISetXorMode(0);
    EXPECT_TRUE(s.SavePicture("draw", 2));
    EXPECT_TRUE(s.GuardsIntact());
}

}  // namespace
