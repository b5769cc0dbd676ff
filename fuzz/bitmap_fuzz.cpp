/*
 * bitmap_fuzz.cpp - drawing a BMP file: any bytes, at any place, with or
 * without transparency and grey mapping.  Nothing may be painted outside
 * the picture's box or the clip rectangle.
 *
 * The file's bytes 2 to 9 (file size and reserved words, which the reader
 * never looks at) choose the drawing: byte 2 the flags and transparent
 * colour, bytes 6-7 and 8-9 the signed x and y.
 */
#include <algorithm>

#include "dialog/bitmap.h"
#include "fuzz.h"
#include "platform/draw/draw.h"

#define SURFACE_WIDTH 160
#define SURFACE_HEIGHT 120
#define UNTOUCHED 0x123456u     /* never a palette colour */

/* The clip rectangle: columns left .. right - 1, rows top + 1 .. bottom - 1
   are inside, as the picture's painter reads it. */
static const int32_t clipLeft = 9, clipTop = 5, clipRight = 150, clipBottom = 111;

static FuzzSurface &Surface(void) {
    static FuzzSurface surface(SURFACE_WIDTH, SURFACE_HEIGHT);
    return surface;
}

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    FuzzScratchEnter();
    Surface();
    return 0;
}

static int32_t Int16At(const uint8_t *data, size_t size, size_t at) {
    return at + 1 < size ? (int16_t)(data[at] | data[at + 1] << 8) : 0;
}

static int64_t Int32At(const uint8_t *data, size_t size, size_t at) {
    if (at + 3 >= size)
        return 0;
    return (int32_t)(data[at] | data[at + 1] << 8 | data[at + 2] << 16 | (uint32_t)data[at + 3] << 24);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzFileWrite("PICTURE.BMP", data, size);
    uint8_t flags = size > 2 ? data[2] : 0;
    int32_t x = Int16At(data, size, 6), y = Int16At(data, size, 8);
    FuzzSurface &surface = Surface();
    surface.Clear(UNTOUCHED);
    GDISetClip(clipLeft, clipTop, clipRight, clipBottom);
    DrawBitmapFile("PICTURE.BMP", x, y, flags & 1, flags >> 4, flags >> 1 & 1);

    /* The box a picture of the header's size may cover, inside the clip. */
    int64_t width = Int32At(data, size, 18), height = Int32At(data, size, 22);
    int64_t left = std::max<int64_t>(x, clipLeft), top = std::max<int64_t>(y, clipTop + 1);
    int64_t right = std::min<int64_t>(x + width, clipRight);
    int64_t bottom = std::min<int64_t>(y + height, clipBottom);
    for (int64_t py = 0; py < SURFACE_HEIGHT; py++)
        for (int64_t px = 0; px < SURFACE_WIDTH; px++) {
            bool inside = px >= left && px < right && py >= top && py < bottom;
            if (!inside && surface.At((uint32_t)px, (uint32_t)py) != UNTOUCHED)
                FuzzFail("a pixel painted outside the picture or the clip");
        }
    int32_t l, t, r, b;
    GDIGetClip(&l, &t, &r, &b);
    if (l != clipLeft || t != clipTop || r != clipRight || b != clipBottom)
        FuzzFail("the clip rectangle is not restored");
    return 0;
}
