/*
 * digits.cpp - digit fields of parameter and variable values.
 *
 * A field is count decimal digits from digit start (1 = units).  Fields
 * below the top digit work on the magnitude; a field that reaches it
 * carries the sign.  Arguments beyond the sensible range keep a defined
 * meaning: a start below 1 counts as 1, and a field of 19 digits or more
 * holds any 32-bit value whole.
 */
#include <cstdint>

#include "session/session.h"

#define PARAM_TOP_DIGIT 8
#define VAR_TOP_DIGIT 10
#define DIGITS_MAX 18           /* 10^18 is the largest power in 64 bits */

static int64_t DigitsPow10(int64_t e) {
    int64_t p = 1;
    for (int64_t i = 0; i < e && i < DIGITS_MAX; i++)
        p *= 10;
    return p;
}

static int64_t DigitsAbs(int64_t v) {
    return v < 0 ? -v : v;
}

static int32_t DigitsGet(int32_t value, int32_t start, int32_t count, int32_t top) {
    int64_t v = value;
    if ((int64_t)start + count - 1 < top)
        v = DigitsAbs(v);
    /* Wraps only for a magnitude of 2^31 read as a field wider than a
       parameter; C++20 defines the conversion. */
    return (int32_t)(v / DigitsPow10((int64_t)start - 1) % DigitsPow10(count));
}

/* The field is too small when |newValue| > 10^count - 0.5. */
static bool DigitsFit(int32_t newValue, int32_t count) {
    return count >= 10 || DigitsAbs(newValue) < DigitsPow10(count);
}

/* old with the field (start, count), which now reads field, replaced by
   newValue.  Computed modulo 2^64 and stored modulo 2^32, so a field beyond
   the 32 bits of a value wraps as the value's own arithmetic would. */
static int32_t DigitsSet(int32_t old, int32_t field, int32_t start, int32_t count,
                         int32_t newValue, int32_t sign, int32_t top) {
    uint64_t scale = (uint64_t)DigitsPow10((int64_t)start - 1);
    uint64_t result = (uint64_t)DigitsAbs(old) - (uint64_t)DigitsAbs(field) * scale +
                      (uint64_t)DigitsAbs(newValue) * scale;
    bool signFromNew = sign != 0 && (int64_t)start + count - 1 >= top;
    if ((old < 0 && !signFromNew) || (newValue < 0 && signFromNew))
        result = 0 - result;
    return (int32_t)(uint32_t)result;
}

static int32_t DigitsCount(uint32_t count) {
    return count > DIGITS_MAX + 1 ? DIGITS_MAX + 1 : (int32_t)count;
}

int32_t ParamGetDigits(uint32_t number, int32_t start, int32_t count) {
    if (number >= PARAM_COUNT)
        return 0;
    const _PARAM *p = &TabrixSession.params[number];
    if (p->flags & PARAM_RAW)
        return p->value;
    return DigitsGet(p->value, start, count, PARAM_TOP_DIGIT);
}

int32_t ParamSetDigits(uint32_t number, int32_t start, uint32_t count, int32_t newValue, int32_t sign) {
    int32_t c = DigitsCount(count);
    if (number >= PARAM_COUNT || !DigitsFit(newValue, c))
        return 0;
    _PARAM *p = &TabrixSession.params[number];
    if (p->flags & PARAM_RAW) {
        p->value = newValue;
        return 1;
    }
    int32_t field = ParamGetDigits(number, start, c);
    p->value = DigitsSet(p->value, field, start, c, newValue, sign, PARAM_TOP_DIGIT);
    return 1;
}

int32_t VarGetDigits(uint32_t key, int32_t start, int32_t count) {
    _VARIABLE *v = VariableFind(key);
    return v ? DigitsGet(v->value, start, count, VAR_TOP_DIGIT) : 0;
}

int32_t VarSetDigits(uint32_t key, int32_t start, uint32_t count, int32_t newValue, int32_t sign) {
    int32_t c = DigitsCount(count);
    _VARIABLE *v = VariableFind(key);
    if (v == nullptr || !DigitsFit(newValue, c))
        return 0;
    int32_t field = DigitsGet(v->value, start, c, VAR_TOP_DIGIT);
    v->value = DigitsSet(v->value, field, start, c, newValue, sign, VAR_TOP_DIGIT);
    return 1;
}
