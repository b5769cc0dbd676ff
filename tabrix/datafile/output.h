/*
 * output.h - writing the new data file: bytes copied from the old one and
 * parameter lines in their canonical form ("0012:<TAB>+00012.500", a TAB
 * and the comment, CR LF), gathered in one block of memory so that a
 * usual file is written with one call.
 */
#ifndef TABRIX_DATAFILE_OUTPUT_H
#define TABRIX_DATAFILE_OUTPUT_H

#include <cstddef>
#include <cstdint>

#include "session/session.h"
#include "text/linereader.h"
#include "text/number.h"

#define OUTPUT_BLOCK_SIZE 131072
/* A parameter line at most: number, value with up to 255 decimals, a
   comment of a line that was read. */
#define OUTPUT_LINE_SIZE (16 + REAL_TEXT_SIZE + 256 + LINE_SIZE)

struct _OUTPUT {
    uint32_t handle;
    uint32_t used;              /* bytes waiting in the block */
    bool failed;                /* a write failed: nothing more is written */
    bool ended;                 /* what was written last ends a line */
};

void OutputStart(_OUTPUT *out, uint32_t handle);

/* Bytes as they are (a kept line of the old file). */
void OutputBytes(_OUTPUT *out, const char *bytes, size_t n);

/* CR LF unless what was written last ends a line: a kept line that ended
   the old file without a line end gets one before more follows. */
void OutputLineEnd(_OUTPUT *out);

/* Parameter number's line, its number with zeros to width digits, its
   value as param holds it with decimals places (raw: unsigned and "L"),
   and comment (from its ";" or double quote) when not null. */
void OutputParameter(_OUTPUT *out, uint32_t number, int width, const _PARAM *param, uint8_t decimals,
                     const char *comment);

/* Writes what waits; false when any write failed. */
bool OutputFlush(_OUTPUT *out);

#endif
