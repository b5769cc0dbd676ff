/*
 * number.cpp - number parsers and formatters.
 */
#include "text/number.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#define REAL_PARSE_MAX 127      /* characters StrParseReal examines */

static bool NumberIsDigit(char c) {
    return c >= '0' && c <= '9';
}

size_t StrParseInt(const char *s, int32_t *out) {
    size_t used = 0;
    bool negative = false;
    if (s[0] == '+' || s[0] == '-') {
        negative = s[0] == '-';
        used = 1;
    }
    uint32_t v = 0;
    for (; NumberIsDigit(s[used]); used++)
        v = v * 10u + (uint32_t)(s[used] - '0');
    *out = (int32_t)(negative ? 0u - v : v);
    return used;
}

static int NumberHexDigit(char c) {
    if (NumberIsDigit(c))
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

size_t StrParseHex(const char *s, int32_t *out) {
    uint32_t v = 0;
    size_t used = 0;
    for (int d; (d = NumberHexDigit(s[used])) >= 0; used++)
        v = v << 4 | (uint32_t)d;
    *out = (int32_t)v;
    return used;
}

size_t StrParseReal(const char *s, double *out) {
    size_t limit = strnlen(s, REAL_PARSE_MAX);
    size_t used = 0;
    bool negative = false;
    if (limit > 0 && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        used = 1;
    }
    double value = 0.0;
    int32_t decimals = 0;
    bool point = false;
    for (; used < limit; used++) {
        char c = s[used];
        if (NumberIsDigit(c)) {
            value = value * 10.0 + (c - '0');
            if (point)
                decimals++;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    value /= PowInt(10.0, decimals);
    *out = negative ? -value : value;
    return used;
}

char *HexToText8(uint32_t v, char *buffer) {
    static const char digits[] = "0123456789ABCDEF";
    for (int i = 7; i >= 0; i--, v >>= 4)
        buffer[i] = digits[v & 15u];
    buffer[8] = '\0';
    return buffer;
}

char *RealToText(double x, char *buffer, int32_t decimals) {
    if (decimals < 0)
        decimals = 0;
    if (decimals > REAL_TEXT_DECIMALS)
        decimals = REAL_TEXT_DECIMALS;
    if (std::isnan(x))
        x = 0.0;
    double unit = PowInt(10.0, -decimals);
    x += x < 0 ? -0.5 * unit : 0.5 * unit;
    if (std::fabs(x) < unit)
        x = 0.0;
    const char *sign = "";
    if (x < 0) {
        sign = "-";
        x = -x;
    }
    if (x > 9.2e18)
        x = 9.2e18;
    int64_t whole = (int64_t)x;
    int64_t f = (int64_t)((x - (double)whole) * PowInt(10.0, decimals));
    char frac[32];           /* room for a point and 19 digits */
    std::snprintf(frac, sizeof frac, ".%0*lld", (int)decimals, (long long)f);
    size_t end = std::strlen(frac);
    while (end > 1 && frac[end - 1] == '0')
        end--;
    if (end == 1)
        end = 0;
    frac[end] = '\0';
    std::snprintf(buffer, REAL_TEXT_SIZE, "%s%lld%s", sign, (long long)whole, frac);
    return buffer;
}

double PowInt(double base, int32_t e) {
    double r = 1.0;
    int64_t n = e < 0 ? -(int64_t)e : e;
    for (int64_t i = 0; i < n; i++) {
        r = e < 0 ? r / base : r * base;
        /* Past zero or infinity a positive base changes nothing more. */
        if (base > 0 && (r == 0.0 || std::isinf(r)))
            break;
    }
    return r;
}

int32_t RoundToInt(double x) {
    if (std::isnan(x))
        return 0;
    double t = std::trunc(x > 0 ? x + 0.5 : x - 0.5);
    if (t >= 2147483647.0)
        return INT32_MAX;
    if (t <= -2147483648.0)
        return INT32_MIN;
    return (int32_t)t;
}
