/*
 * linereader.h - reads a text file line by line through a 1,024-byte
 * window, without allocating.
 *
 * A line ends at CR or LF; the CR or LF that starts the next line is
 * dropped, so CR LF ends one line and an empty line shows only between
 * two CR LF pairs.  A line keeps at most 1,022 characters: the 1,023rd is
 * skipped and the rest comes as the following line(s).  A last line
 * without an end is delivered too.
 *
 * Opened with wide = 1 (scripts) the reader also takes 16-bit text: a file
 * that begins with the UTF-16LE byte-order mark is read as 16-bit units,
 * each mapped to a display byte.  Any other file is then read as bytes,
 * and a line is decoded from UTF-8 after it is split, when the file began
 * with the UTF-8 byte-order mark or the line is valid UTF-8 with a
 * multi-byte sequence; the byte-order marks are dropped from the first
 * line.  Split first, decode after: for a UTF-8 line the 1,022 limit
 * counts the file's bytes, so the decoded line always fits.  With
 * wide = 0 (data files) every byte is one character, unchanged.
 *
 * Beside the decoded line the reader keeps the raw line: the same piece
 * of the file as it was written, without the byte-order mark, and as
 * UTF-8 for a 16-bit file.  File names are taken from it, so they reach
 * the file system as the script wrote them.  Decoding never makes nor
 * removes a double quote, so the k-th quoted text of one line is the
 * k-th quoted text of the other.
 */
#ifndef TABRIX_TEXT_LINEREADER_H
#define TABRIX_TEXT_LINEREADER_H

#include <cstdint>

#define LINE_WINDOW_SIZE 1024
#define LINE_SIZE 1024
#define LINE_MAX_LENGTH 1022
/* A 16-bit unit takes at most 3 bytes of UTF-8 (a pair of them 4). */
#define LINE_RAW_SIZE (3 * LINE_MAX_LENGTH + 1)

/* How a line read as bytes is decoded. */
#define LINE_UTF8_NONE 0        /* never: the bytes are display bytes */
#define LINE_UTF8_LINES 1       /* lines that are valid UTF-8 */
#define LINE_UTF8_FILE 2        /* every line: the file began with the mark */

struct _LINEREADER {
    uint32_t handle;            /* file layer handle; 0: none */
    uint8_t window[LINE_WINDOW_SIZE];
    uint16_t units[LINE_WINDOW_SIZE / 2];  /* the window's 16-bit units, as read */
    uint32_t size;              /* file size given by the open */
    uint16_t count;             /* characters in window */
    uint16_t pos;               /* next character in window */
    uint32_t length;            /* of the line being built */
    int32_t status;             /* of the open or the last block read */
    uint32_t lineNumber;        /* lines delivered so far */
    uint32_t consumed;          /* characters read after the first block */
    uint32_t started;           /* 1 once the first block is read */
    uint32_t wide;              /* 1 while the file may be 16-bit text */
    char line[LINE_SIZE];       /* the last line, NUL-terminated */
    uint32_t utf8;              /* LINE_UTF8_* */
    /* Where the last line stands in the file as an editor shows it. */
    uint32_t fileLine;          /* the file's line it begins on, from 1 */
    uint32_t fileColumn;        /* characters of that file line before it:
                                   not 0 for the rest of a cut line */
    uint32_t cut;               /* 1 when the line was cut at 1,022 */
    uint32_t nextLine;          /* fileLine and fileColumn of the next line */
    uint32_t nextColumn;
    uint8_t lastEnd;            /* the CR or LF that ended the last line; 0
                                   when it was cut */
    uint16_t lineUnits[LINE_SIZE];  /* the last line's units in a 16-bit file */
    char raw[LINE_RAW_SIZE];    /* the last line as written, NUL-terminated */
};

/* Opens path for reading; returns the file layer's result (0 ok).  A
   null path opens nothing and returns 0.  The reader keeps no copy of
   the name: its owner has it. */
int32_t LineReaderOpen(_LINEREADER *reader, const char *path, int32_t wide);

/* 0 with the next line in reader->line (and reader->raw), 1 at the end
   of the file, any other value a failure of the file layer. */
int32_t LineReaderNextLine(_LINEREADER *reader);

int32_t LineReaderStatus(const _LINEREADER *reader);
uint32_t LineReaderLineNumber(const _LINEREADER *reader);

/* The line of the file the last line begins on, counting every line end
   (CR LF, CR or LF) as an editor does: the reader's own count misses the
   empty lines between single CRs or LFs and counts the pieces of a cut
   line as lines. */
uint32_t LineReaderFileLine(const _LINEREADER *reader);

/* The column (from 1) of the file line where character index of the last
   line stands. */
uint32_t LineReaderFileColumn(const _LINEREADER *reader, uint32_t index);

/* Whether the last line is part of a line longer than 1,022 characters. */
bool LineReaderLong(const _LINEREADER *reader);
void LineReaderClose(_LINEREADER *reader);

#endif
