/*
 * output.cpp - the new data file as it is written: one block gathered in
 * memory and written when full, the canonical parameter lines formatted
 * into the block itself.
 */
#include "datafile/output.h"

#include <cstdio>
#include <cstring>

#include "platform/files/files.h"
#include "text/number.h"
#include "text/str.h"

#define DATAFILE_VALUE_WIDTH 10 /* sign, zeros and digits of a scaled value at least */
/* A scaled value: sign, 19 digits, point and up to 255 decimals. */
#define DATAFILE_VALUE_SIZE (REAL_TEXT_SIZE + 256)

static char outputBlock[OUTPUT_BLOCK_SIZE];

void OutputStart(_OUTPUT *out, uint32_t handle) {
    *out = _OUTPUT{handle, 0, false, true};
}

bool OutputFlush(_OUTPUT *out) {
    if (out->used > 0 && !out->failed && FileWriteBlock(out->handle, outputBlock, out->used) != FILE_OK)
        out->failed = true;
    out->used = 0;
    return !out->failed;
}

/* Where length more bytes go, after a flush when they would not fit. */
static char *OutputRoom(_OUTPUT *out, size_t length) {
    if (out->used + length > sizeof outputBlock)
        OutputFlush(out);
    return outputBlock + out->used;
}

void OutputBytes(_OUTPUT *out, const char *bytes, size_t n) {
    if (n > 0)
        out->ended = bytes[n - 1] == '\n' || bytes[n - 1] == '\r';
    while (n > 0 && !out->failed) {
        size_t k = n < sizeof outputBlock ? n : sizeof outputBlock;
        std::memcpy(OutputRoom(out, k), bytes, k);
        out->used += (uint32_t)k;
        bytes += k;
        n -= k;
    }
}

void OutputLineEnd(_OUTPUT *out) {
    if (!out->ended)
        OutputBytes(out, "\r\n", 2);
}

static const uint32_t dataFilePowers[10] = {
    1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};

static const char dataFilePairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

/* v in decimal with zeros in front up to width digits; returns the end.
   Two digits a step from the right, zeros once v is used up. */
static char *DataFileDigits(char *at, uint32_t v, int width) {
    int n = 1;
    while (n < 10 && v >= dataFilePowers[n])
        n++;
    char *end = at + (width > n ? width : n), *p = end;
    for (; p - at >= 2; v /= 100) {
        p -= 2;
        std::memcpy(p, dataFilePairs + 2 * (v % 100), 2);
    }
    if (p > at)
        *at = (char)('0' + v);
    return end;
}

/* v below 10^8 as exactly eight digits, zeros in front. */
static void DataFileEightDigits(char *at, uint32_t v) {
    std::memcpy(at, dataFilePairs + 2 * (v / 1000000), 2);
    std::memcpy(at + 2, dataFilePairs + 2 * (v / 10000 % 100), 2);
    std::memcpy(at + 4, dataFilePairs + 2 * (v / 100 % 100), 2);
    std::memcpy(at + 6, dataFilePairs + 2 * (v % 100), 2);
}

/* A scaled value: sign, zeros up to ten characters in all, the digits and
   exactly decimals places after the point (12500 with 3 places is
   +00012.500, 5 with none +00000005.); returns the end.  Up to
   DATAFILE_EXACT_DECIMALS places the double arithmetic of RealToText
   yields exactly the digits of a 32-bit value (its rounding errors stay
   far below the half unit it adds), so the text is made from them. */
#define DATAFILE_EXACT_DECIMALS 9

static char *DataFileScaledText(int32_t value, uint8_t decimals, char *out) {
    uint32_t magnitude = value < 0 ? 0u - (uint32_t)value : (uint32_t)value;
    /* The usual case: eight digits in all, at least one before the point. */
    if (decimals < DATAFILE_VALUE_WIDTH - 2 && magnitude < dataFilePowers[DATAFILE_VALUE_WIDTH - 2]) {
        int whole = DATAFILE_VALUE_WIDTH - 2 - decimals;
        char *digits = out + 1;
        out[0] = value < 0 ? '-' : '+';
        DataFileEightDigits(digits, magnitude);
        for (int i = DATAFILE_VALUE_WIDTH - 2; i > whole; i--)
            digits[i] = digits[i - 1];
        digits[whole] = '.';
        return out + DATAFILE_VALUE_WIDTH;
    }
    if (decimals <= DATAFILE_EXACT_DECIMALS) {
        out[0] = value < 0 ? '-' : '+';
        char *at = DataFileDigits(out + 1, magnitude / dataFilePowers[decimals], DATAFILE_VALUE_WIDTH - 2 - decimals);
        *at++ = '.';
        return decimals > 0 ? DataFileDigits(at, magnitude % dataFilePowers[decimals], decimals) : at;
    }
    char t[DATAFILE_VALUE_SIZE];
    RealToText(value / PowInt(10.0, decimals), t, decimals);
    out[0] = t[0] == '-' ? '-' : '+';
    if (out[0] == '-')
        StrDelete(t, 0, 1, nullptr);
    if (std::strchr(t, '.') == nullptr)
        StrAppendN(t, ".", sizeof t);
    size_t length = std::strlen(t), point = StrIndexOf(t, ".");
    while (length - point <= decimals && length + 1 < sizeof t)
        t[length++] = '0';
    size_t zeros = length + 1 < DATAFILE_VALUE_WIDTH ? DATAFILE_VALUE_WIDTH - 1 - length : 0;
    std::memset(out + 1, '0', zeros);
    std::memcpy(out + 1 + zeros, t, length);
    return out + 1 + zeros + length;
}

/* One parameter line at at: the number with zeros to width digits, ":",
   TAB, the value, a TAB and the comment when the old file had one, CR LF;
   returns the end.  It takes at most OUTPUT_LINE_SIZE bytes: a comment
   is the rest of a line that was read. */
static char *OutputFormatLine(const _PARAM *param, uint32_t number, int width, uint8_t decimals,
                                const char *comment, char *at) {
    at = DataFileDigits(at, number, width);
    *at++ = ':';
    *at++ = '\t';
    if (param->flags & PARAM_RAW) {
        at = DataFileDigits(at, (uint32_t)param->value, 0);
        *at++ = 'L';
    } else {
        at = DataFileScaledText(param->value, decimals, at);
    }
    if (comment != nullptr) {
        size_t length = std::strlen(comment);
        *at++ = '\t';
        std::memcpy(at, comment, length);
        at += length;
    }
    *at++ = '\r';
    *at++ = '\n';
    return at;
}

void OutputParameter(_OUTPUT *out, uint32_t number, int width, const _PARAM *param, uint8_t decimals,
                     const char *comment) {
    OutputLineEnd(out);
    char *at = OutputRoom(out, OUTPUT_LINE_SIZE);
    at = OutputFormatLine(param, number, width, decimals, comment, at);
    out->used = (uint32_t)(at - outputBlock);
    out->ended = true;
}
