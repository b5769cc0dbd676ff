/*
 * unicode.h - the display character set as Unicode.  The one mapping from
 * a display byte to its code point: the font is drawn from it, and hosts
 * show the library's texts through it.
 */
#ifndef TABRIX_TEXT_UNICODE_H
#define TABRIX_TEXT_UNICODE_H

#include <cstdint>

/* The code point that display byte c shows.  0x00-0x7F are ASCII (with
   a-grave, e-grave and e-circumflex at 0x03-0x05), 0x80-0xA9 the Kamenicky
   letters, 0xAA-0xBF the library's additions, 0xC0-0xFF Cyrillic A to ya. */
uint32_t CharToUnicode(uint8_t c);

#endif
