/*
 * draw.h - the drawing layer: palette colours, a software clip rectangle,
 * patterned lines, filled rectangles and text in the embedded 8x16 font, on
 * the pixel surface the host binds with GDIInit.
 *
 * Callers set state first and draw second.  Lines and fills never leave the
 * clip rectangle; nothing, text included, is written outside the surface.
 * While no surface is bound the drawing calls do nothing and the state
 * calls still store.
 */
#ifndef TABRIX_PLATFORM_DRAW_DRAW_H
#define TABRIX_PLATFORM_DRAW_DRAW_H

#include <cstdint>

#include "tabrix/tabrix.h"

/* Palette indices the library draws with. */
#define GDI_BLACK 0
#define GDI_TITLE 5             /* title bars */
#define GDI_WHITE 7
#define GDI_GREY 9              /* the loading notice */
#define GDI_RED 13
#define GDI_GREEN 14            /* the prompts' background */
#define GDI_PALETTE_SIZE 16     /* indices from here on are colourless */
#define GDI_TRANSPARENT 255     /* as background: text without background */

/* The colour of text, text background and hatch at colourless indices. */
#define GDI_COLOURLESS_RGB 0xC8FFC8u
#define GDI_HATCH_STEP 8        /* hatch lines on every eighth row and column */

/* Line patterns.  Any other value draws dash-dot-dot. */
#define GDI_PATTERN_SOLID 0xFFFFu
#define GDI_PATTERN_DASH 0xF0F0u
#define GDI_PATTERN_DOT 0xCCCCu
#define GDI_PATTERN_DASH_DOT 0xFAFAu
#define GDI_PATTERN_DASH_DOT_DOT 0x0000u

/* Font cells: every character advances GDI_FONT_WIDTH pixels. */
#define GDI_FONT_WIDTH 8
#define GDI_FONT_HEIGHT 16

#define GDI_PARAMS_SIZE 202

/* The layer's one state. */
struct _GDI_LAYER {
    _GDI_INIT_PARAMS params;    /* the copy GDIInit keeps */
    _GDI_SURFACE *surface;      /* null: unbound */
    int32_t clipLeft, clipTop, clipRight, clipBottom;  /* inclusive */
    uint8_t colour;             /* lines and fills */
    uint8_t background;         /* GDI_TRANSPARENT: transparent text */
    int32_t textX, textY;
    uint32_t textWidth;         /* characters drawn at most */
    uint32_t textHeight;        /* lines */
    uint8_t textColour, textBackground, textSpare;
    uint32_t xorMode;           /* GDIXorLine paints by XOR */
};

extern _GDI_LAYER GDILayer;

/* 0x00RRGGBB of each palette index. */
extern const uint32_t GDIPalette[GDI_PALETTE_SIZE];

/* The glyph of each display byte: rows from the top, leftmost pixel in the
   high bit. */
extern const uint8_t GDIFont[256][GDI_FONT_HEIGHT];

void GDISetColor(uint8_t colour, uint8_t background);
/* Stores the clip rectangle, swapping reversed edges. */
void GDISetClip(int32_t left, int32_t top, int32_t right, int32_t bottom);
void GDIGetClip(int32_t *left, int32_t *top, int32_t *right, int32_t *bottom);
/* A clipped line from (x1, y1) to (x2, y2): the start pixel is painted,
   the end pixel is not. */
void GDILine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint16_t pattern);
/* Fills the clipped rectangle, edges inclusive, unless it is less than two
   pixels wide or high after clipping. */
void GDIFillRect(int32_t left, int32_t top, int32_t right, int32_t bottom);
void GDISetTextAttr(int32_t x, int32_t y, uint32_t width, uint32_t height,
                    uint8_t colour, uint8_t background, uint8_t spare);
/* Draws at most the text width's characters of text; opaque unless the
   background last given to GDISetColor is GDI_TRANSPARENT. */
void GDIText(const char *text);
/* GDILine on doubles, painting by XOR while the XOR mode is on. */
void GDIXorLine(double x1, double y1, double x2, double y2, uint16_t pattern);
void GDISetXorMode(uint32_t on);
/* Hooks around the drawing of a bitmap; they do nothing. */
void GDIBeginUpdate(int32_t left, int32_t top, int32_t right, int32_t bottom, void *scratch);
void GDIEndUpdate(int32_t left, int32_t top, int32_t right, int32_t bottom, void *scratch);

/* Test hook: with a receiver installed, GDISetColor, GDILine, GDIXorLine,
   GDISetTextAttr and GDIText first hand it their arguments, then go on as
   always.  The library itself never installs one. */
enum { GDI_CALL_SET_COLOR, GDI_CALL_LINE, GDI_CALL_XOR_LINE, GDI_CALL_SET_TEXT_ATTR, GDI_CALL_TEXT };
struct _GDI_CALL {
    int kind = 0;               /* GDI_CALL_... */
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;  /* line ends; the text position in x1, y1 */
    uint32_t width = 0, height = 0;         /* text attributes */
    uint16_t pattern = 0;
    uint8_t colour = 0, background = 0, spare = 0;
    const char *text = nullptr;
};
typedef void (*GDICallHook)(const _GDI_CALL *call);

/* Installs hook (null: none); returns the previous one. */
GDICallHook GDICallHookSet(GDICallHook hook);

#endif
