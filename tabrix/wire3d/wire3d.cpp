/*
 * wire3d.cpp - the view, projection, clipping against the pen's box, and
 * the lines, arcs, boxes, markers and labels built on them.
 */
#include "wire3d/wire3d.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "platform/draw/draw.h"

#define WIRE3D_FAR 1.7e308          /* the box of Pen3DInit */
#define WIRE3D_ARC_SPAN 6.0         /* screen units an arc step spans */
#define WIRE3D_STEP_MIN 0.0062831853
#define WIRE3D_STEP_MAX 0.5235987750000001
#define WIRE3D_HALF_TURN 3.14159265
#define WIRE3D_TURN 6.2831853
#define WIRE3D_LABEL_GAP 3          /* pixels from the point to its label */

/* Each end settles on a face in a few moves; the bound only keeps rounding
   from ever turning the loop endless. */
#define WIRE3D_CLIP_MOVES 64

struct _VIEW3D {
    double sinA, cosA, sinB, cosB;
    double distance;
    double scale;
    double offset[3];
    int32_t x0, y0;
};

static _VIEW3D view3D;

/* The two axes of each arc plane: the cosine's and the sine's. */
static const int wire3dPlaneAxes[3][2] = {{0, 1}, {0, 2}, {1, 2}};

static void Vec3Copy(double *to, const double *from) {
    std::memcpy(to, from, 3 * sizeof(double));
}

void View3DSet(double a, double b, double d, double s, const double *t, int32_t x0, int32_t y0) {
    view3D.sinA = std::sin(a);
    view3D.cosA = std::cos(a);
    view3D.sinB = std::sin(b);
    view3D.cosB = std::cos(b);
    view3D.distance = d;
    view3D.scale = s;
    Vec3Copy(view3D.offset, t);
    view3D.x0 = x0;
    view3D.y0 = y0;
}

void Project3D(double *p) {
    const _VIEW3D *v = &view3D;
    double x1 = v->cosA * p[0] - v->sinA * p[1];
    double y1 = v->sinA * p[0] + v->cosA * p[1];
    double z1 = -p[2];
    double y2 = v->cosB * y1 - v->sinB * z1;
    double z2 = v->sinB * y1 + v->cosB * z1;
    /* A point level with the viewer is not divided. */
    double d = -v->distance - z2;
    double q[3] = {x1, y2, z2};
    if (d != 0) {
        q[0] = -v->distance * x1 / d;
        q[1] = -v->distance * y2 / d;
        q[2] = 0;
    }
    for (int k = 0; k < 3; k++)
        p[k] = q[k] * v->scale + v->offset[k];
}

uint8_t Outcode3D(const _PEN3D *pen, const double *p) {
    uint8_t code = 0;
    for (int k = 0; k < 3; k++)
        code |= (p[k] < pen->boxMin[k]) << 2 * k | (p[k] > pen->boxMax[k]) << (2 * k + 1);
    return code;
}

/* Moves p, one end of the line p1-p2, onto the face of the lowest bit of
   its outcode. */
static void Clip3DEnd(const _PEN3D *pen, double *p, const double *p1, const double *p2,
                      uint8_t code) {
    int bit = __builtin_ctz(code);
    int axis = bit / 2;
    double face = bit % 2 ? pen->boxMax[axis] : pen->boxMin[axis];
    for (int k = 0; k < 3; k++) {
        if (k != axis)
            p[k] += (face - p[axis]) * ((p2[k] - p1[k]) / (p2[axis] - p1[axis]));
    }
    p[axis] = face;
}

void Clip3D(const _PEN3D *pen, double *p1, double *p2, uint8_t *code1, uint8_t *code2,
            int *clipped1, int *clipped2) {
    *clipped1 = *clipped2 = 0;
    for (int moves = 0; moves < WIRE3D_CLIP_MOVES; moves++) {
        if ((*code1 | *code2) == 0 || (*code1 & *code2) != 0)
            return;
        bool first = *code1 != 0;
        double *p = first ? p1 : p2;
        uint8_t *code = first ? code1 : code2;
        Clip3DEnd(pen, p, p1, p2, *code);
        *(first ? clipped1 : clipped2) = 1;
        *code = Outcode3D(pen, p);
    }
}

/* ---- pens ---- */

_PEN3D *Pen3DInit(_PEN3D *pen, uint8_t colour, uint8_t background, uint16_t pattern) {
    Pen3DInitBox(pen, colour, colour, background, pattern, -WIRE3D_FAR, -WIRE3D_FAR, -WIRE3D_FAR,
                 WIRE3D_FAR, WIRE3D_FAR, WIRE3D_FAR);
    return pen;
}

void Pen3DInitBox(_PEN3D *pen, uint8_t colour, uint8_t outsideColour, uint8_t background,
                  uint16_t pattern, double minX, double minY, double minZ, double maxX,
                  double maxY, double maxZ) {
    pen->colour = colour;
    pen->outsideColour = outsideColour;
    pen->background = background;
    pen->pattern = pattern;
    const double boxMin[3] = {minX, minY, minZ}, boxMax[3] = {maxX, maxY, maxZ};
    Vec3Copy(pen->boxMin, boxMin);
    Vec3Copy(pen->boxMax, boxMax);
    pen->wasOutside = 0;
}

/* Makes p, projected to projected, the current point. */
static void Pen3DSetPoint(_PEN3D *pen, const double *p, const double *projected, uint8_t code) {
    Vec3Copy(pen->point, p);
    Vec3Copy(pen->projected, projected);
    pen->outcode = code;
    if (code != 0)
        pen->wasOutside = 1;
}

void Pen3DMoveTo(_PEN3D *pen, const double *p) {
    double projected[3];
    Vec3Copy(projected, p);
    Project3D(projected);
    Pen3DSetPoint(pen, p, projected, Outcode3D(pen, p));
}

void Pen3DMoveTo(_PEN3D *pen, double x, double y, double z) {
    const double p[3] = {x, y, z};
    Pen3DMoveTo(pen, p);
}

_PEN3D *Pen3DCopyPoint(_PEN3D *pen, const _PEN3D *other) {
    Pen3DSetPoint(pen, other->point, other->projected, Outcode3D(pen, other->point));
    return pen;
}

static uint8_t Pen3DColourOf(const _PEN3D *pen, uint8_t code) {
    return code ? pen->outsideColour : pen->colour;
}

/* One line between two projected points. */
static void Pen3DDraw(const _PEN3D *pen, uint8_t code, const double *from, const double *to) {
    GDISetColor(Pen3DColourOf(pen, code), pen->background);
    GDIXorLine(view3D.x0 + from[0], view3D.y0 - from[1], view3D.x0 + to[0], view3D.y0 - to[1],
               pen->pattern);
}

void Pen3DLineTo(_PEN3D *pen, const double *t) {
    double s[3], e[3], a[3], b[3], pt[3];
    Vec3Copy(s, pen->point);
    Vec3Copy(e, t);
    uint8_t code1 = pen->outcode, endCode = Outcode3D(pen, t), code2 = endCode;
    int clipped1, clipped2;
    Clip3D(pen, s, e, &code1, &code2, &clipped1, &clipped2);
    Vec3Copy(pt, t);
    Project3D(pt);
    Vec3Copy(a, pen->projected);
    Vec3Copy(b, pt);
    /* The parts beyond the box, then the part the clipping left. */
    if (clipped1) {
        Vec3Copy(a, s);
        Project3D(a);
        Pen3DDraw(pen, pen->outcode, pen->projected, a);
    }
    if (clipped2) {
        Vec3Copy(b, e);
        Project3D(b);
        Pen3DDraw(pen, endCode, b, pt);
    }
    Pen3DDraw(pen, code2, a, b);
    if (GDILayer.xorMode)
        Pen3DDraw(pen, endCode, pt, pt);
    Pen3DSetPoint(pen, t, pt, endCode);
}

void Pen3DLineTo(_PEN3D *pen, double x, double y, double z) {
    const double p[3] = {x, y, z};
    Pen3DLineTo(pen, p);
}

void Pen3DSegment(_PEN3D *pen, const double *p, const double *q) {
    Pen3DMoveTo(pen, p);
    Pen3DLineTo(pen, q);
}

void Pen3DSegment(_PEN3D *pen, double x1, double y1, double z1, double x2, double y2, double z2) {
    const double p[3] = {x1, y1, z1}, q[3] = {x2, y2, z2};
    Pen3DSegment(pen, p, q);
}

/* ---- arcs ---- */

/* The angle of p around c in the plane of axes u and v, on a circle of
   radius r: from the sine, on the far side when p lies before c on u. */
static double Pen3DAngle(const double *p, const double *c, int u, int v, double r) {
    double a = std::asin(std::clamp((p[v] - c[v]) / r, -1.0, 1.0));
    return p[u] < c[u] ? WIRE3D_HALF_TURN - a : a;
}

void Pen3DArc(_PEN3D *pen, int32_t plane, uint32_t flags, const double *c, const double *e) {
    if (plane < PEN3D_PLANE_XY || plane > PEN3D_PLANE_YZ)
        return;
    int u = wire3dPlaneAxes[plane][0], v = wire3dPlaneAxes[plane][1];
    double du = e[u] - c[u], dv = e[v] - c[v];
    double r = std::sqrt(du * du + dv * dv);
    if (r == 0)
        return;
    double step = std::clamp(WIRE3D_ARC_SPAN / r / view3D.scale, WIRE3D_STEP_MIN, WIRE3D_STEP_MAX);
    double turn = WIRE3D_TURN;
    bool clockwise = flags & PEN3D_CLOCKWISE;
    if (clockwise) {
        step = -step;
        turn = -turn;
    }
    double start = Pen3DAngle(pen->point, c, u, v, r), end = Pen3DAngle(e, c, u, v, r);
    if (clockwise ? end > start : end < start)
        end += turn;
    if (start == end || flags & PEN3D_EXTRA_TURN)
        end += turn;
    for (double a = start + step; clockwise ? a > end : a < end; a += step) {
        double q[3];
        Vec3Copy(q, c);
        q[u] = c[u] + r * std::cos(a);
        q[v] = c[v] + r * std::sin(a);
        Pen3DLineTo(pen, q);
    }
    Pen3DLineTo(pen, e);
}

void Pen3DArc(_PEN3D *pen, int32_t plane, uint32_t flags, double cx, double cy, double cz,
              double ex, double ey, double ez) {
    const double c[3] = {cx, cy, cz}, e[3] = {ex, ey, ez};
    Pen3DArc(pen, plane, flags, c, e);
}

void Pen3DBox(_PEN3D *pen, double x1, double y1, double z1, double x2, double y2, double z2) {
    /* The face at z1, then the face at z2, then the three edges between
       them that are not drawn yet. */
    const double path[][3] = {
        {x2, y1, z1}, {x2, y2, z1}, {x1, y2, z1}, {x1, y1, z1},
        {x1, y1, z2}, {x2, y1, z2}, {x2, y2, z2}, {x1, y2, z2}, {x1, y1, z2},
    };
    Pen3DMoveTo(pen, x1, y1, z1);
    for (const double *p : path)
        Pen3DLineTo(pen, p);
    Pen3DSegment(pen, x2, y1, z1, x2, y1, z2);
    Pen3DSegment(pen, x1, y2, z1, x1, y2, z2);
    Pen3DSegment(pen, x2, y2, z1, x2, y2, z2);
}

/* ---- markers and labels ---- */

/* A screen coordinate, truncated toward zero and kept within 32 bits. */
static int32_t Pen3DScreenInt(double v) {
    if (std::isnan(v))
        return 0;
    return (int32_t)std::clamp(v, (double)INT32_MIN, (double)INT32_MAX);
}

/* The current point on the screen, truncated toward zero. */
static void Pen3DScreenPoint(const _PEN3D *pen, double *x, double *y) {
    *x = std::trunc(view3D.x0 + pen->projected[0]);
    *y = std::trunc(view3D.y0 - pen->projected[1]);
}

static void Pen3DStroke(double x1, double y1, double x2, double y2) {
    GDILine(Pen3DScreenInt(x1), Pen3DScreenInt(y1), Pen3DScreenInt(x2), Pen3DScreenInt(y2),
            GDI_PATTERN_SOLID);
}

void Pen3DMarker(_PEN3D *pen, int32_t h) {
    double x, y;
    Pen3DScreenPoint(pen, &x, &y);
    GDISetColor(Pen3DColourOf(pen, pen->outcode), pen->background);
    Pen3DStroke(x - h, y - h, x + h, y + h);
    Pen3DStroke(x - h, y + h, x + h, y - h);
    Pen3DStroke(x - h, y, x + h, y);
    Pen3DStroke(x, y + h, x, y - h);
}

void Pen3DText(_PEN3D *pen, const char *text, uint8_t last) {
    double x, y;
    Pen3DScreenPoint(pen, &x, &y);
    GDISetTextAttr(Pen3DScreenInt(x + WIRE3D_LABEL_GAP), Pen3DScreenInt(y + WIRE3D_LABEL_GAP),
                   (uint32_t)std::strlen(text), 1, Pen3DColourOf(pen, pen->outcode),
                   pen->background, last);
    GDIText(text);
}
