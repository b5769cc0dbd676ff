/*
 * number.h - the parsers and formatters that decide what an operator may
 * type, what a data file may hold and how values look.  Parsers return the
 * number of characters they used; a text not used up to its end is invalid
 * input.  Integer parsers wrap past 32 bits.
 */
#ifndef TABRIX_TEXT_NUMBER_H
#define TABRIX_TEXT_NUMBER_H

#include <cstddef>
#include <cstdint>

/* Size that holds any text of RealToText. */
#define REAL_TEXT_SIZE 48
/* Decimal places RealToText shows at most; more count as this many. */
#define REAL_TEXT_DECIMALS 18

size_t StrParseInt(const char *s, int32_t *out);
size_t StrParseHex(const char *s, int32_t *out);
size_t StrParseReal(const char *s, double *out);

/* Eight upper-case hexadecimal digits; buffer holds 9 bytes. */
char *HexToText8(uint32_t v, char *buffer);

/* x rounded to decimals places, trailing zeros and point removed; buffer
   holds REAL_TEXT_SIZE bytes.  Magnitudes beyond 9.2e18 saturate and a NaN
   shows as 0. */
char *RealToText(double x, char *buffer, int32_t decimals);

double PowInt(double base, int32_t e);

/* Halves away from zero; saturates at the 32-bit range; NaN gives 0. */
int32_t RoundToInt(double x);

#endif
