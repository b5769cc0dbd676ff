// The 3D wireframe module, through a recording of the drawing calls it
// makes: projections, outcodes, clip points and colours, arcs, boxes,
// markers and labels, against values worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/draw/draw.h"
#include "surface.h"
#include "wire3d/wire3d.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr uint8_t kInside = 2, kOutside = 13, kBack = 7;
constexpr int32_t kX0 = 100, kY0 = 200;

std::vector<_GDI_CALL> calls;
std::vector<std::string> texts;

void Record(const _GDI_CALL *call) {
    calls.push_back(*call);
    if (call->kind == GDI_CALL_TEXT)
        texts.push_back(call->text);
}

struct Point { double x, y, z; };

// One line as the module draws it: the colour set, then the line.
struct Stroke {
    uint8_t colour;
    double x1, y1, x2, y2;
};

class Wire3DTest : public ::testing::Test {
protected:
    void SetUp() override {
        s.Bind();
        calls.clear();
        texts.clear();
        GDICallHookSet(Record);
        View(0, 0, 100, 1, {0, 0, 0});
    }
    void TearDown() override {
        GDICallHookSet(nullptr);
        GDISetXorMode(0);
    }

    static void View(double a, double b, double d, double scale, Point t) {
        const double offset[3] = {t.x, t.y, t.z};
        View3DSet(a, b, d, scale, offset, kX0, kY0);
    }

    // The pen of most tests: its box is 0..10 on x and y, -10..10 on z,
    // so points at z = 0 project to themselves.
    void BoxPen() {
        Pen3DInitBox(&pen, kInside, kOutside, kBack, GDI_PATTERN_DASH, 0, 0, -10, 10, 10, 10);
    }

    // Where a world point lands on the screen.
    static Stroke Line(uint8_t colour, Point a, Point b) {
        double p[3] = {a.x, a.y, a.z}, q[3] = {b.x, b.y, b.z};
        Project3D(p);
        Project3D(q);
        return {colour, kX0 + p[0], kY0 - p[1], kX0 + q[0], kY0 - q[1]};
    }

    // The recorded calls as strokes; every line must follow its colour.
    static std::vector<Stroke> Strokes() {
        std::vector<Stroke> out;
        for (size_t i = 0; i < calls.size(); i++) {
            if (calls[i].kind != GDI_CALL_XOR_LINE)
                continue;
            EXPECT_TRUE(i > 0 && calls[i - 1].kind == GDI_CALL_SET_COLOR) << "call " << i;
            if (i == 0)
                continue;
            EXPECT_EQ(calls[i - 1].background, kBack);
            EXPECT_EQ(calls[i].pattern, GDI_PATTERN_DASH);
            out.push_back({calls[i - 1].colour, calls[i].x1, calls[i].y1, calls[i].x2, calls[i].y2});
        }
        return out;
    }

    static void ExpectStroke(const Stroke &got, const Stroke &want, double tolerance,
                             const std::string &what) {
        EXPECT_EQ(got.colour, want.colour) << what;
        const double g[] = {got.x1, got.y1, got.x2, got.y2}, w[] = {want.x1, want.y1, want.x2, want.y2};
        for (int k = 0; k < 4; k++)
            EXPECT_NEAR(g[k], w[k], tolerance) << what << " coordinate " << k;
    }

    static void ExpectStrokes(const std::vector<Stroke> &expected, const std::string &name) {
        std::vector<Stroke> got = Strokes();
        ASSERT_EQ(got.size(), expected.size()) << name;
        for (size_t i = 0; i < got.size(); i++)
            ExpectStroke(got[i], expected[i], 1e-9, name + " stroke " + std::to_string(i));
    }

    // The recorded calls of the integer drawing calls, one text each.
    static std::vector<std::string> Shown() {
        std::vector<std::string> out;
        size_t text = 0;
        for (const _GDI_CALL &c : calls) {
            char line[96];
            if (c.kind == GDI_CALL_SET_COLOR)
                snprintf(line, sizeof line, "colour %d/%d", c.colour, c.background);
            else if (c.kind == GDI_CALL_LINE)
                snprintf(line, sizeof line, "line %.0f,%.0f-%.0f,%.0f %x", c.x1, c.y1, c.x2, c.y2, c.pattern);
            else if (c.kind == GDI_CALL_SET_TEXT_ATTR)
                snprintf(line, sizeof line, "attr %.0f,%.0f w%u h%u %d/%d %d", c.x1, c.y1, c.width,
                         c.height, c.colour, c.background, c.spare);
            else
                snprintf(line, sizeof line, "text %s", texts[text++].c_str());
            out.push_back(line);
        }
        return out;
    }

    TestSurface s{320, 240};
    _PEN3D pen{};
};

// ------------------------------------------------------------ projection

TEST_F(Wire3DTest, ProjectionRotatesTiltsAndDividesByTheDistance) {
    struct Case {
        double a, b, d, scale;
        Point t, p, expected;
    };
    const Case cases[] = {
        {0, 0, 100, 1, {0, 0, 0}, {10, 20, 0}, {10, 20, 0}},
        {0, 0, 100, 1, {0, 0, 0}, {10, 20, 50}, {20, 40, 0}},       // nearer: larger
        {0, 0, 100, 1, {0, 0, 0}, {10, 20, -100}, {5, 10, 0}},
        {kPi / 2, 0, 100, 1, {0, 0, 0}, {10, 0, 0}, {0, 10, 0}},    // x turns into y
        {0, kPi / 2, 100, 1, {0, 0, 0}, {0, 10, 5}, {0, 500.0 / 110, 0}},  // z tilts into y
        {0, 0, 100, 2, {1, 2, 3}, {10, 20, 0}, {21, 42, 3}},
        // Level with the viewer: not divided, z kept.
        {0, 0, 100, 1, {0, 0, 0}, {10, 20, 100}, {10, 20, -100}},
        {0, 0, 100, 2, {1, 2, 3}, {10, 20, 100}, {21, 42, -197}},
    };
    for (const Case &c : cases) {
        View(c.a, c.b, c.d, c.scale, c.t);
        double p[3] = {c.p.x, c.p.y, c.p.z}, expected[3] = {c.expected.x, c.expected.y, c.expected.z};
        Project3D(p);
        for (int k = 0; k < 3; k++)
            EXPECT_NEAR(p[k], expected[k], 1e-12) << c.p.x << "," << c.p.y << "," << c.p.z;
    }
}

// ------------------------------------------------------------ lines

TEST_F(Wire3DTest, WithoutABoxLinesAreWholeInColour) {
    EXPECT_EQ(Pen3DInit(&pen, kInside, kBack, GDI_PATTERN_DASH), &pen);
    Pen3DMoveTo(&pen, 0, 0, 0);
    EXPECT_TRUE(calls.empty()) << "moving draws nothing";
    Pen3DLineTo(&pen, 10, 20, 0);
    Pen3DLineTo(&pen, 1e300, 0, 0);
    ExpectStrokes({Line(kInside, {0, 0, 0}, {10, 20, 0}), Line(kInside, {10, 20, 0}, {1e300, 0, 0})},
                  "no box");
    EXPECT_EQ(pen.outcode, 0);
    EXPECT_EQ(pen.wasOutside, 0u);
    EXPECT_EQ(pen.point[0], 1e300);
}

TEST_F(Wire3DTest, LinesAreClippedAtTheBoxFaces) {
    struct Case {
        const char *name;
        Point from, to;
        std::vector<Stroke> strokes;    // the parts outside first, then the rest
        uint8_t outcode;
    };
    const Case cases[] = {
        {"out through x max", {5, 5, 0}, {15, 5, 0},
         {Line(kOutside, {10, 5, 0}, {15, 5, 0}), Line(kInside, {5, 5, 0}, {10, 5, 0})}, 2},
        {"beyond one face", {12, 1, 0}, {15, 8, 0}, {Line(kOutside, {12, 1, 0}, {15, 8, 0})}, 2},
        {"right through", {-5, 5, 0}, {15, 5, 0},
         {Line(kOutside, {-5, 5, 0}, {0, 5, 0}), Line(kOutside, {10, 5, 0}, {15, 5, 0}),
          Line(kInside, {0, 5, 0}, {10, 5, 0})}, 2},
        {"in from x min", {-5, 5, 0}, {5, 5, 0},
         {Line(kOutside, {-5, 5, 0}, {0, 5, 0}), Line(kInside, {0, 5, 0}, {5, 5, 0})}, 0},
        {"slanted through y max", {5, 5, 0}, {9, 13, 0},
         {Line(kOutside, {7.5, 10, 0}, {9, 13, 0}), Line(kInside, {5, 5, 0}, {7.5, 10, 0})}, 8},
        {"past a corner", {-5, 8, 0}, {8, 21, 0},
         {Line(kOutside, {-5, 8, 0}, {0, 13, 0}), Line(kOutside, {0, 13, 0}, {8, 21, 0})}, 8},
        {"out through z max", {5, 5, 0}, {5, 5, 20},
         {Line(kOutside, {5, 5, 10}, {5, 5, 20}), Line(kInside, {5, 5, 0}, {5, 5, 10})}, 32},
        {"slanted through z min", {2, 4, 0}, {8, 1, -30},
         {Line(kOutside, {4, 3, -10}, {8, 1, -30}), Line(kInside, {2, 4, 0}, {4, 3, -10})}, 16},
    };
    for (const Case &c : cases) {
        BoxPen();
        Pen3DMoveTo(&pen, c.from.x, c.from.y, c.from.z);
        calls.clear();
        Pen3DLineTo(&pen, c.to.x, c.to.y, c.to.z);
        ExpectStrokes(c.strokes, c.name);
        EXPECT_EQ(pen.outcode, c.outcode) << c.name;
        EXPECT_EQ(pen.wasOutside, 1u) << c.name;
        EXPECT_EQ((std::vector<double>{pen.point[0], pen.point[1], pen.point[2]}),
                  (std::vector<double>{c.to.x, c.to.y, c.to.z})) << c.name;
    }
    // A line that stays inside leaves wasOutside alone; the initialiser
    // clears it.
    BoxPen();
    Pen3DSegment(&pen, 1, 1, 0, 2, 2, 0);
    EXPECT_EQ(pen.wasOutside, 0u);
}

TEST_F(Wire3DTest, XorModeMarksTheEndPoint) {
    GDISetXorMode(1);
    BoxPen();
    Pen3DMoveTo(&pen, 5, 5, 0);
    calls.clear();
    Pen3DLineTo(&pen, 15, 5, 0);
    ExpectStrokes({Line(kOutside, {10, 5, 0}, {15, 5, 0}), Line(kInside, {5, 5, 0}, {10, 5, 0}),
                   Line(kOutside, {15, 5, 0}, {15, 5, 0})},
                  "xor");
}

TEST_F(Wire3DTest, CopyPointTakesThePointAgainstItsOwnBox) {
    _PEN3D other{};
    Pen3DInit(&other, kInside, kBack, GDI_PATTERN_DASH);
    Pen3DMoveTo(&other, 20, 5, 0);
    EXPECT_EQ(other.outcode, 0);
    BoxPen();
    EXPECT_EQ(Pen3DCopyPoint(&pen, &other), &pen);
    EXPECT_EQ(pen.outcode, 2);
    EXPECT_EQ(pen.wasOutside, 1u);
    EXPECT_EQ(pen.projected[0], other.projected[0]);
    Pen3DLineTo(&pen, 5, 5, 0);
    ExpectStrokes({Line(kOutside, {20, 5, 0}, {10, 5, 0}), Line(kInside, {10, 5, 0}, {5, 5, 0})}, "copied");
}

// ------------------------------------------------------------ arcs

TEST_F(Wire3DTest, ArcsStepAroundTheirCentre) {
    struct Case {
        const char *name;
        int32_t plane;
        uint32_t flags;
        double scale;
        Point c, start, end;
        int lines;          // -1: not counted
        Point first;        // the first point stepped to
    };
    const double a = 0.06;  // 6 / 100 / 1
    const double big = 0.0062831853, small = 0.5235987750000001;
    const Case cases[] = {
        {"quarter", PEN3D_PLANE_XY, 0, 1, {0, 0, 0}, {100, 0, 0}, {0, 100, 0}, 27,
         {100 * std::cos(a), 100 * std::sin(a), 0}},
        {"clockwise", PEN3D_PLANE_XY, PEN3D_CLOCKWISE, 1, {0, 0, 0}, {100, 0, 0}, {0, 100, 0}, 79,
         {100 * std::cos(a), -100 * std::sin(a), 0}},
        {"full turn", PEN3D_PLANE_XY, 0, 1, {0, 0, 0}, {100, 0, 0}, {100, 0, 0}, 105,
         {100 * std::cos(a), 100 * std::sin(a), 0}},
        // The extra turn is the one a closed arc gets anyway.
        {"full turn, flag too", PEN3D_PLANE_XY, PEN3D_EXTRA_TURN, 1, {0, 0, 0}, {100, 0, 0},
         {100, 0, 0}, 105,
         {100 * std::cos(a), 100 * std::sin(a), 0}},
        {"quarter and a turn", PEN3D_PLANE_XY, PEN3D_EXTRA_TURN, 1, {0, 0, 0}, {100, 0, 0},
         {0, 100, 0}, 131, {100 * std::cos(a), 100 * std::sin(a), 0}},
        {"from the far side", PEN3D_PLANE_XY, 0, 1, {0, 0, 0}, {-100, 0, 0}, {0, -100, 0}, 27,
         {100 * std::cos(3.14159265 + a), 100 * std::sin(3.14159265 + a), 0}},
        {"scaled", PEN3D_PLANE_XY, 0, 2, {0, 0, 0}, {50, 0, 0}, {0, 50, 0}, 27,
         {50 * std::cos(a), 50 * std::sin(a), 0}},
        {"xz", PEN3D_PLANE_XZ, 0, 1, {0, 7, 0}, {20, 7, 0}, {0, 7, 20}, 6,
         {20 * std::cos(0.3), 7, 20 * std::sin(0.3)}},
        {"yz", PEN3D_PLANE_YZ, 0, 1, {3, 0, 0}, {3, 20, 0}, {3, 0, 20}, 6,
         {3, 20 * std::cos(0.3), 20 * std::sin(0.3)}},
        {"large radius", PEN3D_PLANE_XY, 0, 1, {0, 0, 0}, {1e6, 0, 0}, {0, 1e6, 0}, -1,
         {1e6 * std::cos(big), 1e6 * std::sin(big), 0}},
        {"small radius", PEN3D_PLANE_XY, 0, 1, {0, 0, 0}, {0.5, 0, 0}, {0, 0.5, 0}, -1,
         {0.5 * std::cos(small), 0.5 * std::sin(small), 0}},
    };
    for (const Case &c : cases) {
        View(0, 0, 1e9, c.scale, {0, 0, 0});
        Pen3DInit(&pen, kInside, kBack, GDI_PATTERN_DASH);
        Pen3DMoveTo(&pen, c.start.x, c.start.y, c.start.z);
        calls.clear();
        Pen3DArc(&pen, c.plane, c.flags, c.c.x, c.c.y, c.c.z, c.end.x, c.end.y, c.end.z);
        std::vector<Stroke> got = Strokes();
        ASSERT_FALSE(got.empty()) << c.name;
        if (c.lines >= 0) {
            EXPECT_EQ((int)got.size(), c.lines) << c.name;
        }
        ExpectStroke(got[0], Line(kInside, c.start, c.first), 1e-6, c.name);
        Stroke last = Line(kInside, c.start, c.end);
        EXPECT_NEAR(got.back().x2, last.x2, 1e-9) << c.name;
        EXPECT_NEAR(got.back().y2, last.y2, 1e-9) << c.name;
        EXPECT_EQ((std::vector<double>{pen.point[0], pen.point[1], pen.point[2]}),
                  (std::vector<double>{c.end.x, c.end.y, c.end.z})) << c.name;
    }
}

TEST_F(Wire3DTest, ArcsWithoutACircleDrawNothing) {
    struct Case { int32_t plane; Point end; };
    const Case cases[] = {
        {3, {0, 100, 0}}, {-1, {0, 100, 0}},
        {PEN3D_PLANE_XY, {1, 2, 9}},    // the end is the centre in the plane: radius 0
        {PEN3D_PLANE_YZ, {5, 2, 3}},
    };
    for (const Case &c : cases) {
        Pen3DInit(&pen, kInside, kBack, GDI_PATTERN_DASH);
        Pen3DMoveTo(&pen, 100, 0, 0);
        calls.clear();
        Pen3DArc(&pen, c.plane, 0, 1, 2, 3, c.end.x, c.end.y, c.end.z);
        EXPECT_TRUE(calls.empty()) << c.plane;
        EXPECT_EQ((std::vector<double>{pen.point[0], pen.point[1], pen.point[2], pen.projected[0],
                                       pen.projected[1]}),
                  (std::vector<double>{100, 0, 0, 100, 0})) << c.plane;
    }
}

// ------------------------------------------------------------ boxes, markers, labels

TEST_F(Wire3DTest, BoxDrawsItsTwelveEdges) {
    View(0.3, 0.2, 200, 1.5, {1, 2, 0});
    Pen3DInit(&pen, kInside, kBack, GDI_PATTERN_DASH);
    Pen3DBox(&pen, 0, 0, 0, 10, 20, 30);
    const Point edges[][2] = {
        {{0, 0, 0}, {10, 0, 0}}, {{10, 0, 0}, {10, 20, 0}}, {{10, 20, 0}, {0, 20, 0}},
        {{0, 20, 0}, {0, 0, 0}}, {{0, 0, 0}, {0, 0, 30}}, {{0, 0, 30}, {10, 0, 30}},
        {{10, 0, 30}, {10, 20, 30}}, {{10, 20, 30}, {0, 20, 30}}, {{0, 20, 30}, {0, 0, 30}},
        {{10, 0, 0}, {10, 0, 30}}, {{0, 20, 0}, {0, 20, 30}}, {{10, 20, 0}, {10, 20, 30}},
    };
    std::vector<Stroke> expected;
    for (const auto &e : edges)
        expected.push_back(Line(kInside, e[0], e[1]));
    ExpectStrokes(expected, "box");
    EXPECT_EQ((std::vector<double>{pen.point[0], pen.point[1], pen.point[2]}),
              (std::vector<double>{10, 20, 30}));
}

TEST_F(Wire3DTest, MarkersAndLabelsStandOnTheTruncatedScreenPoint) {
    BoxPen();
    Pen3DMoveTo(&pen, 9.7, 9.3, 0);     // on the screen (109.7, 190.7)
    Pen3DMarker(&pen, 3);
    Pen3DText(&pen, "P1", 9);
    // Outside the box and left of the screen's origin: truncated toward
    // zero, in the outside colour.
    Pen3DMoveTo(&pen, -110.7, 9.3, 0);  // on the screen (-10.7, 190.7)
    Pen3DText(&pen, "Q", 0);
    // Far off the screen: kept within 32 bits.
    Pen3DMoveTo(&pen, 1e30, -1e30, 0);
    Pen3DMarker(&pen, 0);
    EXPECT_EQ(Shown(), (std::vector<std::string>{
        "colour 2/7", "line 106,187-112,193 ffff", "line 106,193-112,187 ffff",
        "line 106,190-112,190 ffff", "line 109,193-109,187 ffff",
        "attr 112,193 w2 h1 2/7 9", "text P1",
        "attr -7,193 w1 h1 13/7 0", "text Q",
        "colour 13/7", "line 2147483647,2147483647-2147483647,2147483647 ffff",
        "line 2147483647,2147483647-2147483647,2147483647 ffff",
        "line 2147483647,2147483647-2147483647,2147483647 ffff",
        "line 2147483647,2147483647-2147483647,2147483647 ffff",
    }));
}

// ------------------------------------------------------------ a picture

TEST_F(Wire3DTest, Picture) {
    GDICallHookSet(nullptr);
    s.Clear(Rgb(GDI_BLACK));
    const double offset[3] = {0, 0, 0};
    View3DSet(0.6, -1.0, 400, 1.8, offset, 160, 125);
    // The clip box, dotted grey.
    _PEN3D frame{};
    Pen3DInit(&frame, GDI_GREY, GDI_BLACK, GDI_PATTERN_DOT);
    Pen3DBox(&frame, -30, -30, -20, 30, 30, 20);
    // A box larger than the clip box: green inside it, red outside.
    Pen3DInitBox(&pen, 15, GDI_RED, GDI_BLACK, GDI_PATTERN_SOLID, -30, -30, -20, 30, 30, 20);
    Pen3DBox(&pen, -20, -20, -35, 40, 20, 15);
    // A half circle that enters the clip box and leaves it: yellow
    // inside, cyan outside.
    _PEN3D arc{};
    Pen3DInitBox(&arc, 11, 12, GDI_BLACK, GDI_PATTERN_SOLID, -30, -30, -20, 30, 30, 20);
    Pen3DMoveTo(&arc, 0, -33, 0);
    Pen3DArc(&arc, PEN3D_PLANE_XY, 0, 0, 0, 0, 0, 33, 0);
    EXPECT_EQ(arc.wasOutside, 1u);
    Pen3DMarker(&arc, 3);
    Pen3DText(&arc, "end", 0);
    EXPECT_GT(s.Count(Rgb(15)), 0);
    EXPECT_GT(s.Count(Rgb(GDI_RED)), 0);
    EXPECT_GT(s.Count(Rgb(11)), 0);
    EXPECT_GT(s.Count(Rgb(12)), 0);
    EXPECT_TRUE(s.GuardsIntact());
    EXPECT_TRUE(s.SavePicture("wire3d_box", 2));
}

}  // namespace
