/*
 * charset.h - the mapping of 16-bit characters and of UTF-8 text to the
 * library's 8-bit display character set, and of 16-bit text to UTF-8.
 */
#ifndef TABRIX_TEXT_CHARSET_H
#define TABRIX_TEXT_CHARSET_H

#include <cstddef>
#include <cstdint>

/* The display byte of a 16-bit character; "." for one the set lacks. */
uint8_t CharFromWide(uint16_t code);

/* Decodes length bytes of UTF-8 in place into display bytes and returns
   the new length.  With whole = 0 only text that is valid UTF-8 and holds
   a multi-byte sequence is decoded, other text is left as it is; with
   whole = 1 every byte that starts no valid sequence becomes ".".  Code
   points above U+FFFF become ".". */
size_t CharFromUtf8(char *text, size_t length, int whole);

/* Writes count 16-bit units (UTF-16LE text) as UTF-8 to out, which holds
   3 * count bytes, and returns the bytes written.  A surrogate that is
   not half of a pair becomes ".". */
size_t CharWideToUtf8(const uint16_t *units, size_t count, char *out);

/* The display bytes that show a file name: a name that is valid UTF-8
   with a multi-byte sequence decoded, any other as it is.  At most
   size - 1 bytes and the terminator go to out; returns out. */
char *CharShowName(char *out, const char *name, size_t size);

#endif
