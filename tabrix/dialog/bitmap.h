/*
 * bitmap.h - BMP pictures of bitmap items: the palette-based subset (1, 4
 * and 8 bits per pixel, uncompressed or run-length encoded), each pixel
 * mapped to the nearest of 16 reference colours, painted as one background
 * fill plus one line per run of another colour.
 *
 * The file is read through a 1024-byte window that slides forward while
 * the data is read in order.  Nothing in the file is trusted: no byte
 * outside it is read, and nothing is painted outside the picture's box and
 * the clip rectangle.
 */
#ifndef TABRIX_DIALOG_BITMAP_H
#define TABRIX_DIALOG_BITMAP_H

#include <cstdint>

/* Results of DrawBitmapFile. */
#define BITMAP_DRAWN 0          /* up to the end-of-bitmap code or the end of the data */
#define BITMAP_UNREADABLE 2     /* no such file, a failed read, or a header that lies */
#define BITMAP_UNSUPPORTED 3    /* bits per pixel other than 1, 4 and 8 */
#define BITMAP_OUTSIDE 4        /* top-left corner off the clip rectangle */

#define BITMAP_WINDOW_SIZE 1024

/* The windowed reader of one file, on the caller's stack. */
struct _BITMAP_READER {
    uint32_t handle;                    /* 0: not open */
    uint8_t window[BITMAP_WINDOW_SIZE];
    uint32_t size;                      /* of the file */
    uint32_t error;                     /* non-zero once an open, seek or read failed */
    uint32_t windowStart;               /* file offset of window[0] */
    uint32_t windowCount;               /* bytes last read into the window */
};

/* Opens path and reads the first window; a failure is kept in error. */
void BitmapReaderOpen(_BITMAP_READER *reader, const char *path);
/* The byte at offset; 0 at or past the end of the file or after an
   error. */
uint8_t BitmapReaderByte(_BITMAP_READER *reader, uint32_t offset);
uint32_t BitmapReaderError(const _BITMAP_READER *reader);
uint32_t BitmapReaderSize(const _BITMAP_READER *reader);
void BitmapReaderClose(_BITMAP_READER *reader);

/* The palette index of the reference colour nearest to (red, green,
   blue); with greyOnly, the nearest grey. */
uint8_t BitmapColourOf(uint8_t red, uint8_t green, uint8_t blue, uint32_t greyOnly);

/* Draws the BMP file at path with its top-left pixel at (x, y), inside the
   drawing layer's clip rectangle: columns from its left edge up to but not
   including its right edge, rows below its top edge and above its bottom
   edge.  With transparent set, pixels of colour transparentIndex are not
   painted.  Returns a BITMAP_ result. */
uint32_t DrawBitmapFile(const char *path, int32_t x, int32_t y, uint32_t transparent,
                        uint32_t transparentIndex, uint32_t greyOnly);

#endif
