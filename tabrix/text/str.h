/*
 * str.h - bounded string helpers on NUL-terminated 8-bit texts.  A size n
 * is the size of the destination buffer: at most n - 1 characters and the
 * terminator are written.
 */
#ifndef TABRIX_TEXT_STR_H
#define TABRIX_TEXT_STR_H

#include <cstddef>

char *StrCopyN(char *dest, const char *src, size_t n);
char *StrAppendN(char *dest, const char *src, size_t n);

/* Removes count characters of s from start (cut at the end of s); copies
   them to out when out is not null.  A start beyond the end removes
   nothing and leaves out empty. */
void StrDelete(char *s, size_t start, size_t count, char *out);

/* Index of the first occurrence of sub in s; the length of s when none. */
size_t StrIndexOf(const char *s, const char *sub);

char CharUpper(char c);

/* Removes every blank and tab before the first ";" or double quote. */
void LineStripBlanks(char *s);

#endif
