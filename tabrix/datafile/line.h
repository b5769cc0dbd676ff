/*
 * line.h - one line of a data file as the reader takes it: where it
 * stands (header, values, after the end), and what a line of the values
 * means (nothing, a comment, a parameter).  The read and the save share
 * these rules, so they always agree on what a line is.
 */
#ifndef TABRIX_DATAFILE_LINE_H
#define TABRIX_DATAFILE_LINE_H

#include <cstddef>
#include <cstdint>

#include "session/session.h"

/* What a line of the values section is. */
enum {
    DATALINE_NONE,              /* empty or a comment line */
    DATALINE_PARAM,             /* a parameter line */
    DATALINE_BAD,               /* malformed: a syntax error */
};

/* A parameter line read. */
struct _DATALINE {
    int32_t number;             /* -1: a number outside the table */
    bool held;                  /* the table can hold the value */
    _PARAM param;               /* the value as the table holds it */
    const char *comment;        /* from its ";" or double quote; null: none */
    const char *why;            /* a malformed line: why */
    const char *at;             /* and where */
};

/* Where the reader stands in a data file.  Lines are given with their
   blanks removed (LineStripBlanks). */
struct _DATASTATE {
    bool header;                /* before the first initializing word */
    bool values;                /* in a values section */
};

/* The part of the file a line belongs to, and what follows it: a line
   "*" ends the values, a line equal to the word begins them (it is itself
   no value line).  Returns the kind of a values line (DATALINE_*, with
   out filled for a parameter or a malformed line), DATALINE_NONE for any
   other line. */
int DataLineTake(_DATASTATE *state, const char *line, const char *word, uint8_t decimals,
                 _DATALINE *out);

/* Whether the table can hold a value: within 32 bits once scaled (raw:
   any 32-bit pattern, signed or unsigned). */
bool DataLineHeld(double value, bool raw, uint8_t decimals, _PARAM *param);

#endif
