/*
 * merge.h - the new data file made from the old one on disk and the
 * session's changes.
 *
 * The old file is read as its physical lines (a line ends at CR LF, CR or
 * LF, as an editor counts them), each taken as the line reader takes it
 * (it drops some empty lines and cuts long ones).  A line is owned when
 * the reader takes it as a parameter line of a number 0 .. count - 1 whose
 * value the table can hold; every other line is kept.  The new file holds the header (every
 * line up to and with the initializing word) byte for byte; the owned
 * parameters in ascending order, each once, in the canonical form with the
 * comment of their first line; each kept line of the first values section
 * after the owned line it followed (or after the header when none did);
 * the end marker once; and the lines after the old end marker in their
 * order, without the owned lines a later values section repeats.  Where
 * sorting would turn round two kept lines of one number, the first values
 * section keeps its order instead, each owned line at its first place and
 * new parameters after it.  A kept line of a parameter the new file holds
 * a value of gives way to that parameter's owned line.
 */
#ifndef TABRIX_DATAFILE_MERGE_H
#define TABRIX_DATAFILE_MERGE_H

#include <cstdint>

#include "datafile/output.h"
#include "session/session.h"

#define MERGE_NONE UINT64_MAX

/* Where the parts of the old file lie, as byte offsets. */
struct _MERGE_LAYOUT {
    uint64_t headerEnd;                 /* after the line of the word */
    uint64_t leadEnd;                   /* kept lines before the first owned one */
    uint64_t ownAt[PARAM_COUNT];        /* the first owned line of a parameter */
    uint64_t laterAt[PARAM_COUNT];      /* or its first in a later values section */
    uint64_t keptAt[PARAM_COUNT];       /* its first kept parameter line (a value
                                           the table cannot hold) */
    uint64_t commentAt[PARAM_COUNT];    /* the comment its line takes: the one of */
    uint16_t commentLength[PARAM_COUNT];/* the first of those lines that has one */
    uint64_t keptFrom[PARAM_COUNT];     /* the kept lines after it */
    uint64_t keptTo[PARAM_COUNT];
    bool more[PARAM_COUNT];             /* owned again later in the section */
    uint64_t valuesEnd;                 /* where the end marker begins */
    uint64_t trailerAt;                 /* after the end marker; MERGE_NONE: none */
    bool inOrder;                       /* the kept lines of one parameter number
                                           keep their order when the owned lines
                                           are sorted */
    bool trailerValues;                 /* values begin again there: the word is "*" */
    bool trailerFresh;                  /* the line reader begins a line there */
};

/* What the new file is made of. */
struct _MERGE {
    const _REKFILEINFO *file;           /* count, decimals, the word */
    const char *path;                   /* the old file; null when there is none */
    const _PARAM *table;                /* the values to write */
    const bool *replaced;               /* parameters whose kept lines give way:
                                           those the new file holds a value of */
    _PARAM *disk;                       /* receives the old file's values */
    _MERGE_LAYOUT layout;
    bool readFailed;                    /* the old file could not be read (again) */
    bool exact;                         /* disk is what the reader reads: no
                                           malformed line, no line longer than
                                           the reader takes whole, the word found */
};

/* Reads where the parts of the old file lie, and its values into disk;
   exact tells whether they are the reader's (otherwise the reader must
   read the file to tell them, or its error).  false when the file cannot
   be read (the error is the file layer's). */
bool MergeLayout(_MERGE *merge);

/* Writes the new file to out.  false when the old file could not be read
   again (readFailed) or a write failed. */
bool MergeWrite(_MERGE *merge, _OUTPUT *out);

#endif
