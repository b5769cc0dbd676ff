/*
 * draw.cpp - the drawing layer over the host's pixel surface.
 */
#include "platform/draw/draw.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

_GDI_LAYER GDILayer;

static GDICallHook gdiCallHook;

GDICallHook GDICallHookSet(GDICallHook hook) {
    GDICallHook previous = gdiCallHook;
    gdiCallHook = hook;
    return previous;
}

static void GDIReport(const _GDI_CALL &call) {
    if (gdiCallHook)
        gdiCallHook(&call);
}

const uint32_t GDIPalette[GDI_PALETTE_SIZE] = {
    0x000000, 0x008080, 0x0000FF, 0xB4B4FF, 0xA0A0A0, 0xA0A0C8, 0xA0C8C8, 0xFFFFFF,
    0xDCDCDC, 0xC8C8C8, 0x808080, 0xFFFF50, 0xB4FFFF, 0xFF0000, 0x008000, 0x00FF00,
};

/* A pen style: pixel i of a line (0 at its start) is painted when bit
   i mod period of mask is set. */
struct _GDI_PEN {
    uint32_t mask;
    uint32_t period;
};

static const _GDI_PEN penSolid = {0x1, 1};
static const _GDI_PEN penDash = {0x03FFFF, 24};         /* 18 on, 6 off */
static const _GDI_PEN penDot = {0x07, 6};               /* 3 on, 3 off */
static const _GDI_PEN penDashDot = {0x0381FF, 24};      /* 9 on, 6 off, 3 on, 6 off */
static const _GDI_PEN penDashDotDot = {0x1C71FF, 24};   /* 9 on, then 3 off, 3 on twice, 3 off */

/* The whole pointer must have been copied before it can be used. */
#define GDI_HDC_END (offsetof(_GDI_INIT_PARAMS, hdc) + sizeof(_GDI_SURFACE *))

/* Pixels to draw on, in rows that are aligned and do not overlap (a fill
   copies whole rows). */
static bool GDISurfaceUsable(const _GDI_SURFACE *s) {
    return s->pixels != nullptr && s->pitch % sizeof *s->pixels == 0 && s->pitch / sizeof *s->pixels >= s->width;
}

/* A record size that ends inside hdc: it holds part of the pointer. */
static bool GDISplitsHdc(size_t size) {
    return size > offsetof(_GDI_INIT_PARAMS, hdc) && size < GDI_HDC_END;
}

/* Keeps a copy of at most the record's own size; of a record too short for
   the whole hdc no part of the pointer is kept, so none is drawn on. */
static size_t GDIParamsCopy(const _GDI_INIT_PARAMS *params) {
    std::memset(&GDILayer.params, 0, sizeof GDILayer.params);
    size_t size = params ? std::min<size_t>(params->size, GDI_PARAMS_SIZE) : 0;
    if (params)
        std::memcpy(&GDILayer.params, params, size);
    if (size < GDI_HDC_END)
        GDILayer.params.hdc = nullptr;
    GDILayer.params.size = GDI_PARAMS_SIZE;
    return size;
}

extern "C" TABRIX_API int GDIInit(const _GDI_INIT_PARAMS *params) {
    size_t size = GDIParamsCopy(params);
    GDILayer.surface = GDILayer.params.hdc;
    if (params == nullptr || GDISplitsHdc(size))
        return 0;
    if (GDILayer.surface != nullptr && !GDISurfaceUsable(GDILayer.surface)) {
        GDILayer.surface = nullptr;
        return 0;
    }
    return 1;
}

void GDISetColor(uint8_t colour, uint8_t background) {
    GDIReport({.kind = GDI_CALL_SET_COLOR, .colour = colour, .background = background});
    GDILayer.colour = colour;
    GDILayer.background = background;
}

void GDISetClip(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    GDILayer.clipLeft = std::min(left, right);
    GDILayer.clipRight = std::max(left, right);
    GDILayer.clipTop = std::min(top, bottom);
    GDILayer.clipBottom = std::max(top, bottom);
}

void GDIGetClip(int32_t *left, int32_t *top, int32_t *right, int32_t *bottom) {
    *left = GDILayer.clipLeft;
    *top = GDILayer.clipTop;
    *right = GDILayer.clipRight;
    *bottom = GDILayer.clipBottom;
}

void GDISetTextAttr(int32_t x, int32_t y, uint32_t width, uint32_t height,
                    uint8_t colour, uint8_t background, uint8_t spare) {
    GDIReport({.kind = GDI_CALL_SET_TEXT_ATTR, .x1 = (double)x, .y1 = (double)y, .width = width,
               .height = height, .colour = colour, .background = background, .spare = spare});
    GDILayer.textX = x;
    GDILayer.textY = y;
    GDILayer.textWidth = width;
    GDILayer.textHeight = height;
    GDILayer.textColour = colour;
    GDILayer.textBackground = background;
    GDILayer.textSpare = spare;
}

void GDISetXorMode(uint32_t on) {
    GDILayer.xorMode = on;
}

void GDIBeginUpdate(int32_t, int32_t, int32_t, int32_t, void *) {}

void GDIEndUpdate(int32_t, int32_t, int32_t, int32_t, void *) {}

/* The colour of text and text background at a palette index. */
static uint32_t GDITextRGB(uint8_t index) {
    return index < GDI_PALETTE_SIZE ? GDIPalette[index] : GDI_COLOURLESS_RGB;
}

static uint32_t *GDIPixel(int64_t x, int64_t y) {
    const _GDI_SURFACE *s = GDILayer.surface;
    return (uint32_t *)((uint8_t *)s->pixels + (size_t)y * s->pitch) + x;
}

static bool GDIOnSurface(int64_t x, int64_t y) {
    return x >= 0 && y >= 0 && x < GDILayer.surface->width && y < GDILayer.surface->height;
}

/* ---- lines ---- */

static const _GDI_PEN *GDIPenOf(uint16_t pattern) {
    switch (pattern) {
    case GDI_PATTERN_SOLID: return &penSolid;
    case GDI_PATTERN_DASH: return &penDash;
    case GDI_PATTERN_DOT: return &penDot;
    case GDI_PATTERN_DASH_DOT: return &penDashDot;
    default: return &penDashDotDot;
    }
}

static int GDIOutcode(double x, double y) {
    return (x < GDILayer.clipLeft) | (x > GDILayer.clipRight) << 1
         | (y < GDILayer.clipTop) << 2 | (y > GDILayer.clipBottom) << 3;
}

/* A computed coordinate: truncated toward zero for integer lines, kept
   for double lines.  It lies between two end points, so it fits. */
template <typename T>
static T GDIClipCoord(double v) {
    return (T)v;
}

/* Each end point settles in at most two moves; the bound only keeps
   rounding from ever turning the loop endless. */
#define GDI_CLIP_MOVES 64

/* Cohen-Sutherland against the inclusive clip rectangle, moving one end
   point a time; false when the line misses it. */
template <typename T>
static bool GDIClipLine(T *x1, T *y1, T *x2, T *y2) {
    for (int moves = 0; moves < GDI_CLIP_MOVES; moves++) {
        int code1 = GDIOutcode(*x1, *y1), code2 = GDIOutcode(*x2, *y2);
        if ((code1 | code2) == 0)
            return true;
        if (code1 & code2)
            return false;
        double m = ((double)*y2 - *y1) / ((double)*x2 - *x1);
        T *x = code1 ? x1 : x2, *y = code1 ? y1 : y2;
        int code = code1 ? code1 : code2;
        if (code & 3) {
            int32_t edge = code & 1 ? GDILayer.clipLeft : GDILayer.clipRight;
            *y = GDIClipCoord<T>(*y + (edge - (double)*x) * m);
            *x = edge;
        } else {
            int32_t edge = code & 4 ? GDILayer.clipTop : GDILayer.clipBottom;
            *x = GDIClipCoord<T>(*x + (1 / m) * (edge - (double)*y));
            *y = edge;
        }
    }
    return false;
}

/* The steps k in [first, last] at which a coordinate start + k * step
   (step +1 or -1) lies inside 0 .. size - 1, within [0, n - 1]. */
static void GDIStepRange(int64_t start, int step, uint32_t size, int64_t n,
                         int64_t *first, int64_t *last) {
    int64_t lo = step > 0 ? -start : start - ((int64_t)size - 1);
    int64_t hi = step > 0 ? (int64_t)size - 1 - start : start;
    *first = std::max<int64_t>(lo, 0);
    *last = std::min<int64_t>(hi, n - 1);
}

/* Bresenham from (x1, y1) towards (x2, y2), end pixel excluded, in closed
   form so that only the steps over the surface are walked. */
static void GDIStroke(int64_t x1, int64_t y1, int64_t x2, int64_t y2, const _GDI_PEN *pen,
                      uint32_t rgb, bool exclusiveOr) {
    int64_t dx = x2 - x1, dy = y2 - y1;
    int sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
    int64_t ax = dx < 0 ? -dx : dx, ay = dy < 0 ? -dy : dy;
    bool xMajor = ax >= ay;
    int64_t major = xMajor ? ax : ay, minor = xMajor ? ay : ax;
    int64_t first, last;
    GDIStepRange(xMajor ? x1 : y1, xMajor ? sx : sy,
                 xMajor ? GDILayer.surface->width : GDILayer.surface->height, major, &first, &last);
    for (int64_t k = first; k <= last; k++) {
        if (!(pen->mask >> (k % pen->period) & 1))
            continue;
        /* The nearest minor step, halves up; 2 k minor needs more than 64
           bits when the line spans the whole coordinate range. */
        int64_t along = (int64_t)(((__int128)2 * k * minor + major) / (2 * major));
        int64_t x = xMajor ? x1 + k * sx : x1 + along * sx;
        int64_t y = xMajor ? y1 + along * sy : y1 + k * sy;
        if (!GDIOnSurface(x, y))
            continue;
        uint32_t *p = GDIPixel(x, y);
        *p = exclusiveOr ? *p ^ rgb : rgb;
    }
}

void GDILine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint16_t pattern) {
    GDIReport({.kind = GDI_CALL_LINE, .x1 = (double)x1, .y1 = (double)y1, .x2 = (double)x2,
               .y2 = (double)y2, .pattern = pattern});
    if (GDILayer.surface == nullptr || GDILayer.colour >= GDI_PALETTE_SIZE)
        return;
    if (GDIClipLine(&x1, &y1, &x2, &y2))
        GDIStroke(x1, y1, x2, y2, GDIPenOf(pattern), GDIPalette[GDILayer.colour], false);
}

void GDIXorLine(double x1, double y1, double x2, double y2, uint16_t pattern) {
    GDIReport({.kind = GDI_CALL_XOR_LINE, .x1 = x1, .y1 = y1, .x2 = x2, .y2 = y2, .pattern = pattern});
    if (GDILayer.surface == nullptr || GDILayer.colour >= GDI_PALETTE_SIZE)
        return;
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2))
        return;
    if (!GDIClipLine(&x1, &y1, &x2, &y2))
        return;
    /* Clipping of far-off points can overflow to an infinity or NaN, which
       compares as inside; only finite end points are drawn. */
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2))
        return;
    GDIStroke((int32_t)x1, (int32_t)y1, (int32_t)x2, (int32_t)y2, GDIPenOf(pattern),
              GDIPalette[GDILayer.colour], GDILayer.xorMode != 0);
}

/* ---- fills ---- */

static uint32_t GDIHatchRGB(int64_t x, int64_t y) {
    return x % GDI_HATCH_STEP == 0 || y % GDI_HATCH_STEP == 0 ? GDI_COLOURLESS_RGB : 0;
}

static void GDIFillHatch(int64_t l, int64_t t, int64_t r, int64_t b) {
    for (int64_t y = t; y <= b; y++) {
        uint32_t *p = GDIPixel(l, y);
        for (int64_t x = l; x <= r; x++)
            *p++ = GDIHatchRGB(x, y);
    }
}

void GDIFillRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    if (GDILayer.surface == nullptr)
        return;
    int64_t l = std::max(std::min(left, right), GDILayer.clipLeft);
    int64_t r = std::min(std::max(left, right), GDILayer.clipRight);
    int64_t t = std::max(std::min(top, bottom), GDILayer.clipTop);
    int64_t b = std::min(std::max(top, bottom), GDILayer.clipBottom);
    if (l >= r || t >= b)
        return;
    l = std::max<int64_t>(l, 0);
    t = std::max<int64_t>(t, 0);
    r = std::min<int64_t>(r, (int64_t)GDILayer.surface->width - 1);
    b = std::min<int64_t>(b, (int64_t)GDILayer.surface->height - 1);
    if (GDILayer.colour >= GDI_PALETTE_SIZE) {
        GDIFillHatch(l, t, r, b);
        return;
    }
    /* The top row is painted, every row below is a copy of it. */
    uint32_t *row = GDIPixel(l, t);
    std::fill_n(row, r - l + 1, GDIPalette[GDILayer.colour]);
    for (int64_t y = t + 1; y <= b; y++)
        std::memcpy(GDIPixel(l, y), row, (size_t)(r - l + 1) * sizeof *row);
}

/* ---- text ---- */

/* The pixels of every 4-bit run of a character row, in the text's two
   colours: an opaque row is two copies from it. */
typedef uint32_t GDINibbles[16][GDI_FONT_WIDTH / 2];

static void GDINibblesMake(GDINibbles nibbles, uint32_t fore, uint32_t back) {
    for (int n = 0; n < 16; n++)
        for (int col = 0; col < GDI_FONT_WIDTH / 2; col++)
            nibbles[n][col] = n & (8 >> col) ? fore : back;
}

/* One row of a character cell: its columns colFirst..colEnd-1, from p on.
   A transparent row (no nibbles) writes only its ink. */
static void GDIGlyphRow(uint32_t *p, uint8_t bits, int64_t colFirst, int64_t colEnd, uint32_t fore,
                        const GDINibbles nibbles) {
    if (nibbles == nullptr) {
        for (int64_t col = colFirst; col < colEnd; col++, p++)
            if (bits & (0x80 >> col))
                *p = fore;
        return;
    }
    const uint32_t *left = nibbles[bits >> 4], *right = nibbles[bits & 15];
    const int half = GDI_FONT_WIDTH / 2;
    if (colFirst == 0 && colEnd == GDI_FONT_WIDTH) {
        for (int col = 0; col < half; col++) {
            p[col] = left[col];
            p[half + col] = right[col];
        }
        return;
    }
    for (int64_t col = colFirst; col < colEnd; col++)
        *p++ = col < half ? left[col] : right[col - half];
}

/* A text is painted a row of its cells at a time, so the surface is
   written left to right; cells are cut at the surface's edges, and only
   those that reach onto it are visited. */
void GDIText(const char *text) {
    GDIReport({.kind = GDI_CALL_TEXT, .text = text});
    if (GDILayer.surface == nullptr || text == nullptr)
        return;
    const _GDI_SURFACE *s = GDILayer.surface;
    int64_t x = GDILayer.textX, y = GDILayer.textY;
    if (x >= s->width)
        return;
    int64_t count = std::min<int64_t>((int64_t)strnlen(text, GDILayer.textWidth),
                                      (s->width - x + GDI_FONT_WIDTH - 1) / GDI_FONT_WIDTH);
    int64_t first = x < 0 ? -x / GDI_FONT_WIDTH : 0;
    int64_t rowFirst = std::max<int64_t>(0, -y), rowEnd = std::min<int64_t>(GDI_FONT_HEIGHT, s->height - y);
    uint32_t fore = GDITextRGB(GDILayer.textColour);
    GDINibbles nibbles;
    bool opaque = GDILayer.background != GDI_TRANSPARENT;
    if (opaque)
        GDINibblesMake(nibbles, fore, GDITextRGB(GDILayer.textBackground));
    for (int64_t row = rowFirst; row < rowEnd; row++)
        for (int64_t i = first; i < count; i++) {
            int64_t cellX = x + i * GDI_FONT_WIDTH;
            int64_t colFirst = std::max<int64_t>(0, -cellX);
            int64_t colEnd = std::min<int64_t>(GDI_FONT_WIDTH, s->width - cellX);
            GDIGlyphRow(GDIPixel(cellX + colFirst, y + row), GDIFont[(uint8_t)text[i]][row], colFirst,
                        colEnd, fore, opaque ? nibbles : nullptr);
        }
}
