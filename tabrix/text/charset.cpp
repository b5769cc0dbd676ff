/*
 * charset.cpp - 16-bit characters and UTF-8 to display bytes.
 *
 * Two tables: table A covers the codes below 0x452 (ASCII, Latin-1, Latin
 * Extended-A, Greek, Cyrillic), table B the arrows 0x2190-0x21B5.  The
 * Czech and Slovak letters land on their Kamenicky places (0x80-0xA9);
 * the bytes above 0xA9 are the display font's own additions.
 */
#include "text/charset.h"

#include <array>
#include <cstring>

#include "text/str.h"

#define CHAR_TABLE_A_SIZE 0x452
#define CHAR_TABLE_B_FIRST 0x2190
#define CHAR_TABLE_B_SIZE 38
#define CHAR_UNKNOWN '.'

struct _CHARPAIR {
    uint16_t code;
    uint8_t byte;
};

/* The codes from 0x80 up that the display set holds. */
static constexpr _CHARPAIR charPairs[] = {
    /* Latin-1 */
    {0xA7, 0xAD}, {0xAB, 0xAE}, {0xBB, 0xAF}, {0xBC, 0xAC}, {0xC1, 0x8F}, {0xC4, 0x8E},
    {0xC7, 0xBE}, {0xC9, 0x90}, {0xCD, 0x8B}, {0xD3, 0x95}, {0xD4, 0xA7}, {0xD6, 0x99},
    {0xDA, 0x97}, {0xDC, 0x9A}, {0xDD, 0x9D}, {0xE0, 0x03}, {0xE1, 0xA0}, {0xE4, 0x84},
    {0xE7, 0xBF}, {0xE8, 0x04}, {0xE9, 0x82}, {0xEA, 0x05}, {0xED, 0xA1}, {0xF3, 0xA2},
    {0xF4, 0x93}, {0xF6, 0x94}, {0xFA, 0xA3}, {0xFC, 0x81}, {0xFD, 0x98},
    /* Latin Extended-A */
    {0x104, 0xB4}, {0x105, 0xB5}, {0x106, 0xB8}, {0x107, 0xB9}, {0x10C, 0x80}, {0x10D, 0x87},
    {0x10E, 0x85}, {0x10F, 0x83}, {0x118, 0xB2}, {0x119, 0xB3}, {0x11A, 0x89}, {0x11B, 0x88},
    {0x139, 0x8A}, {0x13A, 0x8D}, {0x13D, 0x9C}, {0x13E, 0x8C}, {0x141, 0xB0}, {0x142, 0xB1},
    {0x147, 0xA5}, {0x148, 0xA4}, {0x154, 0x52}, {0x155, 0x72}, {0x158, 0x9E}, {0x159, 0xA9},
    {0x15A, 0xB6}, {0x15B, 0xB7}, {0x160, 0x9B}, {0x161, 0xA8}, {0x164, 0x86}, {0x165, 0x9F},
    {0x16E, 0xA6}, {0x16F, 0x96}, {0x179, 0xBC}, {0x17A, 0xBD}, {0x17B, 0xBA}, {0x17C, 0xBB},
    {0x17D, 0x92}, {0x17E, 0x91},
    /* Greek */
    {0x3B1, 0xAA}, {0x3B2, 0xAB}, {0x3B3, 0xAC}, {0x3BC, 0xAD},
    /* Cyrillic; 0x410-0x44F follow in CharTableA */
    {0x401, 0xAE}, {0x451, 0xAF},
};

/* ASCII control codes that the display set shows as "."; their bytes
   hold letters of the font. */
static constexpr bool CharIsHiddenControl(unsigned c) {
    return c == 0x01 || (c >= 0x03 && c <= 0x08) || c == 0x0C || (c >= 0x0E && c <= 0x17) ||
           c == 0x1C;
}

static constexpr std::array<uint8_t, CHAR_TABLE_A_SIZE> CharTableA() {
    std::array<uint8_t, CHAR_TABLE_A_SIZE> table{};
    for (unsigned c = 0; c < CHAR_TABLE_A_SIZE; c++)
        table[c] = c < 0x80 && !CharIsHiddenControl(c) ? (uint8_t)c : (uint8_t)CHAR_UNKNOWN;
    for (unsigned c = 0x410; c <= 0x44F; c++)
        table[c] = (uint8_t)(0xC0 + (c - 0x410));
    for (const _CHARPAIR &p : charPairs)
        table[p.code] = p.byte;
    return table;
}

static constexpr std::array<uint8_t, CHAR_TABLE_B_SIZE> CharTableB() {
    std::array<uint8_t, CHAR_TABLE_B_SIZE> table{};
    for (uint8_t &b : table)
        b = CHAR_UNKNOWN;
    table[0x2190 - CHAR_TABLE_B_FIRST] = '<';
    table[0x2191 - CHAR_TABLE_B_FIRST] = '|';
    table[0x2192 - CHAR_TABLE_B_FIRST] = '~';
    table[0x2193 - CHAR_TABLE_B_FIRST] = 0x7F;
    table[0x21B5 - CHAR_TABLE_B_FIRST] = '>';
    return table;
}

static constexpr auto charTableA = CharTableA();
static constexpr auto charTableB = CharTableB();

uint8_t CharFromWide(uint16_t code) {
    if (code < CHAR_TABLE_A_SIZE)
        return charTableA[code];
    if (code >= CHAR_TABLE_B_FIRST && code < CHAR_TABLE_B_FIRST + CHAR_TABLE_B_SIZE)
        return charTableB[code - CHAR_TABLE_B_FIRST];
    return CHAR_UNKNOWN;
}

/* Length of the valid UTF-8 sequence at s (at most end - s bytes), its
   code point in *code; 0 when no valid sequence starts there (overlong
   forms, surrogates and values above U+10FFFF are not valid). */
static size_t CharUtf8Sequence(const uint8_t *s, const uint8_t *end, uint32_t *code) {
    static const uint32_t least[] = {0, 0x80, 0x800, 0x10000};
    uint8_t lead = s[0];
    size_t more;
    if (lead < 0x80) {
        *code = lead;
        return 1;
    }
    if (lead >= 0xC2 && lead < 0xE0)
        more = 1;
    else if (lead >= 0xE0 && lead < 0xF0)
        more = 2;
    else if (lead >= 0xF0 && lead < 0xF5)
        more = 3;
    else
        return 0;
    if ((size_t)(end - s) <= more)
        return 0;
    uint32_t c = lead & (0x3Fu >> more);
    for (size_t i = 1; i <= more; i++) {
        if ((s[i] & 0xC0) != 0x80)
            return 0;
        c = c << 6 | (s[i] & 0x3Fu);
    }
    if (c < least[more] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
        return 0;
    *code = c;
    return more + 1;
}

/* 1 when text is valid UTF-8 with at least one multi-byte sequence. */
static bool CharIsUtf8(const uint8_t *s, const uint8_t *end) {
    bool multi = false;
    for (uint32_t code; s < end;) {
        size_t n = CharUtf8Sequence(s, end, &code);
        if (n == 0)
            return false;
        multi = multi || n > 1;
        s += n;
    }
    return multi;
}

size_t CharFromUtf8(char *text, size_t length, int whole) {
    uint8_t *s = (uint8_t *)text, *end = s + length, *out = s;
    if (!whole && !CharIsUtf8(s, end))
        return length;
    for (uint32_t code; s < end;) {
        size_t n = CharUtf8Sequence(s, end, &code);
        *out++ = n == 0 || code > 0xFFFF ? (uint8_t)CHAR_UNKNOWN : CharFromWide((uint16_t)code);
        s += n == 0 ? 1 : n;
    }
    return (size_t)(out - (uint8_t *)text);
}

static bool CharIsHighSurrogate(uint32_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}

static bool CharIsLowSurrogate(uint32_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

static size_t CharPutUtf8(uint32_t code, uint8_t *out) {
    if (code < 0x80) {
        out[0] = (uint8_t)code;
        return 1;
    }
    if (code < 0x800) {
        out[0] = (uint8_t)(0xC0 | code >> 6);
        out[1] = (uint8_t)(0x80 | (code & 0x3F));
        return 2;
    }
    if (code < 0x10000) {
        out[0] = (uint8_t)(0xE0 | code >> 12);
        out[1] = (uint8_t)(0x80 | (code >> 6 & 0x3F));
        out[2] = (uint8_t)(0x80 | (code & 0x3F));
        return 3;
    }
    out[0] = (uint8_t)(0xF0 | code >> 18);
    out[1] = (uint8_t)(0x80 | (code >> 12 & 0x3F));
    out[2] = (uint8_t)(0x80 | (code >> 6 & 0x3F));
    out[3] = (uint8_t)(0x80 | (code & 0x3F));
    return 4;
}

size_t CharWideToUtf8(const uint16_t *units, size_t count, char *out) {
    uint8_t *o = (uint8_t *)out;
    for (size_t i = 0; i < count; i++) {
        uint32_t code = units[i];
        if (CharIsHighSurrogate(code) && i + 1 < count && CharIsLowSurrogate(units[i + 1]))
            code = 0x10000 + ((code - 0xD800) << 10 | (units[++i] - 0xDC00u));
        else if (CharIsHighSurrogate(code) || CharIsLowSurrogate(code))
            code = CHAR_UNKNOWN;
        o += CharPutUtf8(code, o);
    }
    return (size_t)(o - (uint8_t *)out);
}

char *CharShowName(char *out, const char *name, size_t size) {
    if (size == 0)
        return out;
    StrCopyN(out, name, size);
    out[CharFromUtf8(out, std::strlen(out), 0)] = '\0';
    return out;
}
