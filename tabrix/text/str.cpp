/*
 * str.cpp - bounded string helpers.
 */
#include "text/str.h"

#include <cstring>

char *StrCopyN(char *dest, const char *src, size_t n) {
    if (n == 0)
        return dest;
    size_t i = 0;
    for (; i + 1 < n && src[i]; i++)
        dest[i] = src[i];
    dest[i] = '\0';
    return dest;
}

char *StrAppendN(char *dest, const char *src, size_t n) {
    if (n == 0)
        return dest;
    size_t len = std::strlen(dest);
    if (len + 1 >= n)
        return dest;
    StrCopyN(dest + len, src, n - len);
    return dest;
}

void StrDelete(char *s, size_t start, size_t count, char *out) {
    size_t len = std::strlen(s);
    if (start > len) {
        if (out)
            out[0] = '\0';
        return;
    }
    if (count > len - start)
        count = len - start;
    if (out) {
        std::memcpy(out, s + start, count);
        out[count] = '\0';
    }
    std::memmove(s + start, s + start + count, len - start - count + 1);
}

size_t StrIndexOf(const char *s, const char *sub) {
    const char *hit = std::strstr(s, sub);
    return hit ? (size_t)(hit - s) : std::strlen(s);
}

char CharUpper(char c) {
    return c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c;
}

void LineStripBlanks(char *s) {
    char *w = s;
    for (; *s && *s != ';' && *s != '"'; s++)
        if (*s != ' ' && *s != '\t')
            *w++ = *s;
    std::memmove(w, s, std::strlen(s) + 1);
}
