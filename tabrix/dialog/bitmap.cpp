/*
 * bitmap.cpp - BMP pictures: the windowed reader, the header checks, the
 * colour mapping, the decoding of plain and run-length encoded pixel data
 * and the painting in runs over a background fill.
 */
#include "dialog/bitmap.h"

#include <algorithm>
#include <cstring>

#include "platform/draw/draw.h"
#include "platform/files/files.h"

/* Header fields: offsets from the start of the file. */
#define BITMAP_AT_PIXEL_OFFSET 10
#define BITMAP_AT_WIDTH 18
#define BITMAP_AT_HEIGHT 22
#define BITMAP_AT_BITS 28
#define BITMAP_AT_COMPRESSION 30
#define BITMAP_HEADER_SIZE 54   /* the palette follows it */

#define BITMAP_PALETTE_ENTRIES 256
#define BITMAP_ENTRY_SIZE 4     /* blue, green, red, reserved */
#define BITMAP_PIXEL_OFFSET_MAX (BITMAP_HEADER_SIZE + BITMAP_PALETTE_ENTRIES * BITMAP_ENTRY_SIZE)
#define BITMAP_SIDE_MAX 32767
#define BITMAP_ROW_ALIGN 4      /* plain rows start at multiples of 4 bytes */

#define BITMAP_COMPRESSION_NONE 0
#define BITMAP_COMPRESSION_RLE4 2   /* encoded runs alternate two 4-bit colours */

/* Codes that follow a 0 in run-length data; higher ones start absolute runs. */
#define BITMAP_RLE_END_OF_LINE 0
#define BITMAP_RLE_END_OF_BITMAP 1
#define BITMAP_RLE_DELTA 2      /* two offset bytes follow; skipped */

#define BITMAP_REFERENCES 16
#define BITMAP_NO_BACKGROUND -1 /* the fill painted nothing: every run is drawn */

/* ---- reader ---- */

/* Reads the window at windowStart. */
static void BitmapReaderFill(_BITMAP_READER *reader) {
    uint16_t read = 0;
    if (FileRead(reader->handle, reader->window, BITMAP_WINDOW_SIZE, &read) == FILE_FAILED) {
        reader->error = 1;
        read = 0;
    }
    reader->windowCount = read;
}

void BitmapReaderOpen(_BITMAP_READER *reader, const char *path) {
    std::memset(reader, 0, sizeof *reader);
    if (FileOpen(path, FILE_READ, &reader->handle, &reader->size) != FILE_OK) {
        reader->handle = 0;
        reader->error = 1;
        return;
    }
    BitmapReaderFill(reader);
}

/* Puts the window at a byte outside it: reading on when the byte follows
   the window, else seeking to half a window before it. */
static void BitmapReaderMove(_BITMAP_READER *reader, uint32_t offset) {
    uint64_t end = (uint64_t)reader->windowStart + reader->windowCount;
    if (offset >= end && offset < end + BITMAP_WINDOW_SIZE) {
        reader->windowStart = (uint32_t)end;
    } else {
        uint32_t target = offset > BITMAP_WINDOW_SIZE / 2 ? offset - BITMAP_WINDOW_SIZE / 2 : 0;
        uint32_t position;
        if (target > INT32_MAX || FileSeek(reader->handle, (int32_t)target, 0, &position) != FILE_OK) {
            reader->error = 1;
            return;
        }
        reader->windowStart = position;
    }
    BitmapReaderFill(reader);
}

uint8_t BitmapReaderByte(_BITMAP_READER *reader, uint32_t offset) {
    if (reader->error || offset >= reader->size)
        return 0;
    /* Only the bytes the last read delivered count as the window. */
    if (offset < reader->windowStart || offset - reader->windowStart >= reader->windowCount)
        BitmapReaderMove(reader, offset);
    if (reader->error || offset < reader->windowStart)
        return 0;
    uint32_t at = offset - reader->windowStart;
    return at < reader->windowCount ? reader->window[at] : 0;
}

uint32_t BitmapReaderError(const _BITMAP_READER *reader) {
    return reader->error;
}

uint32_t BitmapReaderSize(const _BITMAP_READER *reader) {
    return reader->size;
}

void BitmapReaderClose(_BITMAP_READER *reader) {
    if (reader->handle != 0)
        FileClose(reader->handle);
    reader->handle = 0;
}

/* ---- colours ---- */

/* Red, green, blue of the colour each palette index is chosen for. */
static const uint8_t bitmapReferences[BITMAP_REFERENCES][3] = {
    {0, 0, 0},       {0, 84, 84},     {0, 0, 192},     {84, 168, 252},
    {152, 152, 152}, {168, 168, 252}, {168, 252, 252}, {252, 252, 252},
    {232, 232, 232}, {192, 192, 192}, {112, 112, 112}, {252, 252, 0},
    {0, 252, 252},   {252, 0, 0},     {0, 120, 0},     {0, 152, 0},
};

static int32_t BitmapDistance(const uint8_t *reference, uint8_t red, uint8_t green, uint8_t blue) {
    int32_t r = reference[0] - red, g = reference[1] - green, b = reference[2] - blue;
    return r * r + g * g + b * b;
}

uint8_t BitmapColourOf(uint8_t red, uint8_t green, uint8_t blue, uint32_t greyOnly) {
    uint8_t best = 0;
    int32_t bestDistance = BitmapDistance(bitmapReferences[0], red, green, blue);
    for (uint8_t i = 1; i < BITMAP_REFERENCES; i++) {
        const uint8_t *ref = bitmapReferences[i];
        if (greyOnly && (ref[0] != ref[1] || ref[1] != ref[2]))
            continue;
        int32_t distance = BitmapDistance(ref, red, green, blue);
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

/* ---- header ---- */

struct _BITMAP_HEADER {
    uint32_t pixelOffset;       /* where pixel data begins */
    int32_t width, height;      /* rows stored bottom row first */
    uint16_t bitsPerPixel;
    uint32_t compression;
};

/* The little-endian number of size bytes at offset. */
static uint32_t BitmapField(_BITMAP_READER *reader, uint32_t offset, int size) {
    uint32_t value = 0;
    for (int i = size - 1; i >= 0; i--)
        value = value << 8 | BitmapReaderByte(reader, offset + i);
    return value;
}

static bool BitmapSideValid(int32_t side) {
    return side >= 1 && side <= BITMAP_SIDE_MAX;
}

/* Reads the header and rejects what cannot be a picture of the subset:
   BITMAP_DRAWN when the pixel data can be decoded. */
static uint32_t BitmapHeaderRead(_BITMAP_READER *reader, _BITMAP_HEADER *header) {
    header->pixelOffset = BitmapField(reader, BITMAP_AT_PIXEL_OFFSET, 4);
    header->width = (int32_t)BitmapField(reader, BITMAP_AT_WIDTH, 4);
    header->height = (int32_t)BitmapField(reader, BITMAP_AT_HEIGHT, 4);
    header->bitsPerPixel = (uint16_t)BitmapField(reader, BITMAP_AT_BITS, 2);
    header->compression = BitmapField(reader, BITMAP_AT_COMPRESSION, 4);
    uint32_t size = BitmapReaderSize(reader);
    if (BitmapReaderError(reader) || size < BITMAP_HEADER_SIZE)
        return BITMAP_UNREADABLE;
    uint16_t bits = header->bitsPerPixel;
    if (bits != 1 && bits != 4 && bits != 8)
        return BITMAP_UNSUPPORTED;
    /* The palette holds at most 256 entries, and ends where the pixel data
       begins. */
    if (header->pixelOffset > BITMAP_PIXEL_OFFSET_MAX || size < header->pixelOffset
        || !BitmapSideValid(header->width) || !BitmapSideValid(header->height))
        return BITMAP_UNREADABLE;
    return BITMAP_DRAWN;
}

/* ---- painting ---- */

/* Paints pixels as runs of one colour on a row over a fill in the first
   pixel's colour.  Only pixels inside the clip rectangle are painted, and
   a run never reaches past the picture's visible width. */
struct _BITMAP_PAINTER {
    int64_t x, y;               /* the picture's top-left pixel */
    int64_t w, h;               /* its visible size */
    int32_t clipLeft, clipTop, clipRight, clipBottom;
    uint32_t transparent, transparentIndex;
    bool filled;                /* the first pixel has been painted */
    int background;             /* the fill's colour, or BITMAP_NO_BACKGROUND */
    bool pending;               /* a run waits to be drawn */
    int64_t runColumn, runRow;
    uint8_t runColour;
};

/* Draws the pending run up to x end, the end itself not painted. */
static void BitmapRunDraw(_BITMAP_PAINTER *p, int64_t end) {
    p->pending = false;
    GDISetColor(p->runColour, p->runColour);
    if (p->runColour == p->background)
        return;
    int32_t row = (int32_t)(p->y + p->runRow);
    GDILine((int32_t)(p->x + p->runColumn), row, (int32_t)end, row, GDI_PATTERN_SOLID);
}

/* Fills the visible part of the picture's box.  A fill less than two
   pixels wide or high paints nothing in the drawing layer, so then no
   run is left to the fill. */
static void BitmapFill(_BITMAP_PAINTER *p, uint8_t colour) {
    int64_t left = std::max<int64_t>(p->x, p->clipLeft);
    int64_t top = std::max<int64_t>(p->y, (int64_t)p->clipTop + 1);
    int64_t right = p->x + p->w - 1, bottom = p->y + p->h - 1;
    p->filled = true;
    GDISetColor(colour, colour);
    if (left >= right || top >= bottom) {
        p->background = BITMAP_NO_BACKGROUND;
        return;
    }
    p->background = colour;
    GDIFillRect((int32_t)left, (int32_t)top, (int32_t)right, (int32_t)bottom);
}

static void BitmapPaint(_BITMAP_PAINTER *p, int64_t column, int64_t row, uint8_t colour) {
    if (p->transparent && colour == p->transparentIndex)
        return;
    int64_t px = p->x + column, py = p->y + row;
    if (px < p->clipLeft || px >= p->clipRight || py <= p->clipTop || py >= p->clipBottom)
        return;
    if (!p->filled)
        BitmapFill(p, colour);
    if (p->pending && row != p->runRow)
        BitmapRunDraw(p, p->x + p->w);
    else if (p->pending && colour != p->runColour)
        BitmapRunDraw(p, px);
    if (!p->pending) {
        p->pending = true;
        p->runColumn = column;
        p->runRow = row;
        p->runColour = colour;
    }
}

/* ---- decoding ---- */

struct _BITMAP_DECODER {
    _BITMAP_READER *reader;
    _BITMAP_HEADER header;
    uint8_t colours[BITMAP_PALETTE_ENTRIES];   /* palette position to palette index */
    _BITMAP_PAINTER painter;
    uint64_t offset;            /* of the next byte */
    int64_t row, column;
    uint32_t result;
};

/* Maps every palette entry to its colour; entries the file does not hold
   are black. */
static uint32_t BitmapPaletteRead(_BITMAP_DECODER *d, uint32_t greyOnly) {
    for (uint32_t i = 0; i < BITMAP_PALETTE_ENTRIES; i++) {
        uint8_t bgr[3] = {0, 0, 0};
        for (uint32_t k = 0; k < 3; k++) {
            uint32_t at = BITMAP_HEADER_SIZE + i * BITMAP_ENTRY_SIZE + k;
            if (at < d->header.pixelOffset)
                bgr[k] = BitmapReaderByte(d->reader, at);
        }
        d->colours[i] = BitmapColourOf(bgr[2], bgr[1], bgr[0], greyOnly);
    }
    return BitmapReaderError(d->reader) ? BITMAP_UNREADABLE : BITMAP_DRAWN;
}

/* The next byte of pixel data: false at the end of the file, or after a
   failed read, which makes the result BITMAP_UNREADABLE. */
static bool BitmapNext(_BITMAP_DECODER *d, uint8_t *byte) {
    if (d->offset >= BitmapReaderSize(d->reader))
        return false;
    *byte = BitmapReaderByte(d->reader, (uint32_t)d->offset++);
    if (BitmapReaderError(d->reader)) {
        d->result = BITMAP_UNREADABLE;
        return false;
    }
    return true;
}

static void BitmapPixel(_BITMAP_DECODER *d, uint8_t position) {
    BitmapPaint(&d->painter, d->column++, d->row, d->colours[position]);
}

/* Paints up to count pixels of byte, from its high bits down, while the
   row lasts. */
static void BitmapBytePixels(_BITMAP_DECODER *d, uint8_t byte, int count) {
    int bits = d->header.bitsPerPixel, shift = 8 - bits;
    for (int i = 0; i < count && d->column < d->header.width; i++, shift -= bits)
        BitmapPixel(d, (uint8_t)(byte >> shift & ((1 << bits) - 1)));
}

static int BitmapPixelsPerByte(const _BITMAP_DECODER *d) {
    return 8 / d->header.bitsPerPixel;
}

static void BitmapDecodePlain(_BITMAP_DECODER *d) {
    uint8_t byte;
    while (d->row >= 0 && BitmapNext(d, &byte)) {
        BitmapBytePixels(d, byte, BitmapPixelsPerByte(d));
        if (d->column < d->header.width)
            continue;
        uint64_t used = d->offset - d->header.pixelOffset;
        d->offset += (BITMAP_ROW_ALIGN - used % BITMAP_ROW_ALIGN) % BITMAP_ROW_ALIGN;
        d->column = 0;
        d->row--;
    }
}

/* n pixels of one colour, or of two 4-bit colours taken in turn. */
static void BitmapEncodedRun(_BITMAP_DECODER *d, int n, uint8_t value) {
    bool halves = d->header.compression == BITMAP_COMPRESSION_RLE4;
    for (int i = 0; i < n && d->column < d->header.width; i++)
        BitmapPixel(d, halves ? (i % 2 ? value & 0x0F : value >> 4) : value);
}

/* n pixels taken from the following bytes as in plain data; pixels past
   the row are read and dropped.  False at the end of the data. */
static bool BitmapAbsoluteRun(_BITMAP_DECODER *d, int n) {
    int perByte = BitmapPixelsPerByte(d);
    uint8_t byte;
    for (int left = n; left > 0; left -= perByte) {
        if (!BitmapNext(d, &byte))
            return false;
        BitmapBytePixels(d, byte, std::min(left, perByte));
    }
    return true;
}

static void BitmapDecodeRuns(_BITMAP_DECODER *d) {
    uint8_t code, value;
    while (d->row >= 0) {
        /* Every code starts at an even distance from the pixel data. */
        d->offset += (d->offset - d->header.pixelOffset) % 2;
        if (!BitmapNext(d, &code) || !BitmapNext(d, &value))
            return;
        if (code != 0) {
            BitmapEncodedRun(d, code, value);
        } else if (value == BITMAP_RLE_END_OF_LINE) {
            d->row--;
            d->column = 0;
        } else if (value == BITMAP_RLE_END_OF_BITMAP) {
            return;
        } else if (value == BITMAP_RLE_DELTA) {
            d->offset += 2;
        } else if (!BitmapAbsoluteRun(d, value)) {
            return;
        }
    }
}

/* Keeps the clip and the visible size; BITMAP_OUTSIDE when the top-left
   corner lies off the clip rectangle. */
static uint32_t BitmapPlace(_BITMAP_DECODER *d, int32_t x, int32_t y) {
    _BITMAP_PAINTER *p = &d->painter;
    GDIGetClip(&p->clipLeft, &p->clipTop, &p->clipRight, &p->clipBottom);
    if (x < 0 || y < 0 || x > p->clipRight || y > p->clipBottom)
        return BITMAP_OUTSIDE;
    p->x = x;
    p->y = y;
    p->w = std::min<int64_t>(d->header.width, (int64_t)p->clipRight - x);
    p->h = std::min<int64_t>(d->header.height, (int64_t)p->clipBottom - y);
    return BITMAP_DRAWN;
}

static uint32_t BitmapDecode(_BITMAP_DECODER *d) {
    const _BITMAP_PAINTER *p = &d->painter;
    int32_t left = (int32_t)(p->x / 8 * 8), right = (int32_t)((p->x + p->w + 7) / 8 * 8 - 1);
    int32_t top = (int32_t)p->y, bottom = (int32_t)(p->y + p->h - 1);
    GDIBeginUpdate(left, top, right, bottom, nullptr);
    d->offset = d->header.pixelOffset;
    d->row = d->header.height - 1;
    d->column = 0;
    d->result = BITMAP_DRAWN;
    if (d->header.compression == BITMAP_COMPRESSION_NONE)
        BitmapDecodePlain(d);
    else
        BitmapDecodeRuns(d);
    if (d->painter.pending)
        BitmapRunDraw(&d->painter, p->x + p->w);
    GDIEndUpdate(left, top, right, bottom, nullptr);
    return d->result;
}

uint32_t DrawBitmapFile(const char *path, int32_t x, int32_t y, uint32_t transparent,
                        uint32_t transparentIndex, uint32_t greyOnly) {
    _BITMAP_READER reader;
    _BITMAP_DECODER d{};
    d.reader = &reader;
    d.painter.transparent = transparent;
    d.painter.transparentIndex = transparentIndex;
    BitmapReaderOpen(&reader, path);
    uint32_t result = BitmapHeaderRead(&reader, &d.header);
    if (result == BITMAP_DRAWN)
        result = BitmapPaletteRead(&d, greyOnly);
    if (result == BITMAP_DRAWN)
        result = BitmapPlace(&d, x, y);
    if (result == BITMAP_DRAWN)
        result = BitmapDecode(&d);
    BitmapReaderClose(&reader);
    return result;
}
