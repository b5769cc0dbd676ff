/*
 * line.h - one script line: preparing it, telling its kind and reading its
 * texts, fields and entries.  Every function works in place on a line
 * buffer of at most 1,022 characters and the terminator.
 */
#ifndef TABRIX_SCRIPT_LINE_H
#define TABRIX_SCRIPT_LINE_H

#include <cstddef>
#include <cstdint>

/* Kinds of line.  The choice and value kinds are also the type codes of a
   field's binding (_VALUEREF). */
enum {
    LINE_BAD = 0,
    LINE_DIALOG = 1,
    LINE_BITMAP = 2,
    LINE_SUB = 3,
    LINE_TEXT = 4,
    LINE_LIST = 5,
    LINE_NUMBER_LINE = 6,       /* more entries of a LIST */
    LINE_INT = 7,
    LINE_REAL = 8,
    LINE_SIGN = 9,
    LINE_SIGN_LINE = 10,        /* more entries of a SIGN */
    LINE_HEX = 11,
    LINE_EMPTY = 12,
    LINE_SCRIPT = 13,
    LINE_REKFILE = 14,
    LINE_INIT = 15,
    LINE_CALC = 16,
};

/* The top digit of a digit field. */
#define LINE_PARAM_TOP 8
#define LINE_VAR_TOP 10

/* Room for the reason of a bad line. */
#define LINE_WHY_SIZE 128

/* What an item line holds.  Numbers are -1 when not given. */
struct _LINEFIELDS {
    char *first;        /* first quoted text: a pool block of its exact length,
                           or LineNoText when missing; null on entry lines */
    char *second;       /* second quoted text, the same way */
    int32_t x;          /* X: column */
    int32_t y;          /* Y: row */
    int32_t number;     /* C, R, or the offset of M */
    int32_t bank;       /* bank of M, 0 when none: a parameter */
    int32_t slot;       /* D: real slot */
    int32_t low;        /* L: lowest digit of the field, 1 = units */
    int32_t count;      /* N: digits of the field */
    int32_t high;       /* H as given; the top digit when no digit letter is */
    int32_t value;      /* I */
    int32_t sign;       /* S: 1 when given and the field reaches the top digit */
    int32_t focus;      /* A: 1 when given */
    const char *refAt;  /* where M stands, when given */
    /* Why a line is bad, and where in the line buffer (null: not known). */
    const char *badAt;
    char why[LINE_WHY_SIZE];
};

/* The empty text of a missing quoted text; never freed. */
extern char LineNoText[];

/* Cuts the comment at the first "//"; outside quoted texts makes letters
   upper case and removes blanks and tabs.  With columns, columns[i] then
   tells where character i of the cleaned line stood before. */
void LineClean(char *line, uint16_t *columns = nullptr);

/* The kind of a cleaned line.  Removes the keyword of an item line or the
   leading "V" of an entry line; leaves a bad line as it was. */
uint32_t LineClassify(char *line);

/* Why a cleaned line that LineClassify found bad is bad, into f->why and
   f->badAt. */
void LineBadWhy(const char *line, _LINEFIELDS *f);

/* Reads a classified line of kind type into out: 1 accepted, 0 bad.  Takes
   the quoted texts at the front of the line out of it; on a bad line, or
   when the pool is exhausted (error 13), no text is kept.  Entry lines and
   empty lines are accepted at once with the texts null. */
int ItemParse(char *line, uint32_t type, _LINEFIELDS *out);

/* Check the entries of a LIST (number, quoted text, ...) or of a SIGN
   ("+" or "-", quoted text, ...): 1 when the line holds nothing else.
   Remove every "V" outside the quoted texts first.  With why, a bad line
   gets its reason there. */
int ListEntriesCheck(char *line, const char **why = nullptr);
int SignEntriesCheck(char *line, const char **why = nullptr);

/* An optional sign and decimal digits as StrParseInt reads them, without
   its wrap: magnitudes past 32 bits read as at least 2^32, so every range
   check sees them outside.  Returns the characters used. */
size_t LineParseInt(const char *s, int64_t *out);

#endif
