/*
 * linereader.cpp - the buffered line reader.
 */
#include "text/linereader.h"

#include <cstring>

#include "platform/files/files.h"
#include "text/charset.h"

#define LINE_CR '\r'
#define LINE_LF '\n'
#define LINE_END_OF_FILE 1

int32_t LineReaderOpen(_LINEREADER *reader, const char *path, int32_t wide) {
    std::memset(reader, 0, sizeof *reader);
    if (path == nullptr)
        return 0;
    reader->wide = wide != 0;
    reader->utf8 = wide != 0 ? LINE_UTF8_LINES : LINE_UTF8_NONE;
    reader->status = FileOpen(path, FILE_READ, &reader->handle, &reader->size);
    return reader->status;
}

/* On the first block: which byte-order mark, if any, the file begins with. */
static void LineReaderDetect(_LINEREADER *reader) {
    const uint8_t *w = reader->window;
    bool utf16 = reader->count >= 2 && w[0] == 0xFF && w[1] == 0xFE;
    bool utf8 = reader->count >= 3 && w[0] == 0xEF && w[1] == 0xBB && w[2] == 0xBF;
    if (!utf16)
        reader->wide = 0;
    if (utf16)
        reader->utf8 = LINE_UTF8_NONE;
    else if (utf8 && reader->utf8 != LINE_UTF8_NONE)
        reader->utf8 = LINE_UTF8_FILE;
}

/* Maps each 16-bit unit of the window to a display byte, in place; the
   units are kept for the raw line. */
static void LineReaderNarrow(_LINEREADER *reader) {
    uint8_t *w = reader->window;
    reader->count /= 2;
    for (uint16_t i = 0; i < reader->count; i++) {
        reader->units[i] = (uint16_t)(w[2 * i] | w[2 * i + 1] << 8);
        w[i] = CharFromWide(reader->units[i]);
    }
}

/* Reads the next block into the window: 0 with characters to take,
   LINE_END_OF_FILE, or the file layer's failure. */
static int32_t LineReaderFill(_LINEREADER *reader) {
    uint16_t read = 0;
    reader->status = FileRead(reader->handle, reader->window, LINE_WINDOW_SIZE, &read);
    reader->count = reader->status == FILE_FAILED ? 0 : read;
    reader->pos = 0;
    if (reader->status == FILE_FAILED)
        return FILE_FAILED;
    if (!reader->started)
        LineReaderDetect(reader);
    if (reader->wide)
        LineReaderNarrow(reader);
    if (reader->started)
        reader->consumed += reader->count;
    reader->started = 1;
    return reader->count == 0 ? LINE_END_OF_FILE : 0;
}

/* Makes sure a character waits at pos: 0, LINE_END_OF_FILE or a failure. */
static int32_t LineReaderPeek(_LINEREADER *reader) {
    return reader->pos < reader->count ? 0 : LineReaderFill(reader);
}

static bool LineReaderIsEnd(uint8_t c) {
    return c == LINE_CR || c == LINE_LF;
}

/* Takes the character at index of the window into the line. */
static void LineReaderKeep(_LINEREADER *reader, uint16_t index) {
    if (reader->wide)
        reader->lineUnits[reader->length] = reader->units[index];
    reader->line[reader->length++] = (char)reader->window[index];
}

/* Drops the byte-order mark that the first line begins with. */
static void LineReaderDropMark(_LINEREADER *reader) {
    size_t mark = reader->wide ? 1 : reader->utf8 == LINE_UTF8_FILE ? 3 : 0;
    if (mark > reader->length)
        mark = reader->length;
    std::memmove(reader->line, reader->line + mark, reader->length - mark);
    std::memmove(reader->lineUnits, reader->lineUnits + mark, (reader->length - mark) * sizeof(uint16_t));
    reader->length -= (uint32_t)mark;
    std::memset(reader->line + reader->length, 0, mark);
}

/* The raw line, before the line is decoded. */
static void LineReaderKeepRaw(_LINEREADER *reader) {
    size_t length = reader->length;
    if (reader->wide)
        length = CharWideToUtf8(reader->lineUnits, reader->length, reader->raw);
    else
        std::memcpy(reader->raw, reader->line, length);
    reader->raw[length] = '\0';
}

static void LineReaderDecode(_LINEREADER *reader) {
    if (reader->utf8 == LINE_UTF8_NONE)
        return;
    size_t length = CharFromUtf8(reader->line, reader->length, reader->utf8 == LINE_UTF8_FILE);
    std::memset(reader->line + length, 0, reader->length - length);
    reader->length = (uint32_t)length;
}

/* A CR or LF dropped at the start of a line: the LF of a CR LF pair ends
   nothing more, any other ends a line of the file (an empty one, or the
   rest of a cut one). */
static void LineReaderDroppedEnd(_LINEREADER *reader, uint8_t c) {
    if (!(reader->lastEnd == LINE_CR && c == LINE_LF)) {
        reader->nextLine++;
        reader->nextColumn = 0;
    }
    reader->lastEnd = c;
}

/* Where the next line starts once this one ended with c (0: cut). */
static void LineReaderEnded(_LINEREADER *reader, uint8_t c) {
    reader->lastEnd = c;
    reader->cut = c == 0;
    if (c == 0) {
        /* The character at the cut is skipped. */
        reader->nextColumn = reader->fileColumn + reader->length + 1;
    } else {
        reader->nextLine++;
        reader->nextColumn = 0;
    }
}

int32_t LineReaderNextLine(_LINEREADER *reader) {
    std::memset(reader->line, 0, sizeof reader->line);
    reader->raw[0] = '\0';
    reader->lineNumber++;
    reader->length = 0;
    if (reader->nextLine == 0)
        reader->nextLine = 1;
    bool first = reader->started == 0;
    int32_t result = LineReaderPeek(reader);
    if (result != 0)
        return result;
    /* The first character is taken whatever it is: a CR or LF there is
       the rest of the previous line's end and is dropped. */
    uint8_t c = reader->window[reader->pos++];
    bool droppedCR = c == LINE_CR;
    if (LineReaderIsEnd(c))
        LineReaderDroppedEnd(reader, c);
    reader->fileLine = reader->nextLine;
    reader->fileColumn = reader->nextColumn;
    if (!LineReaderIsEnd(c))
        LineReaderKeep(reader, (uint16_t)(reader->pos - 1));
    uint8_t end = 0;
    while ((result = LineReaderPeek(reader)) == 0) {
        c = reader->window[reader->pos++];
        if (LineReaderIsEnd(c) || reader->length == LINE_MAX_LENGTH) {
            end = LineReaderIsEnd(c) ? c : 0;
            break;
        }
        LineReaderKeep(reader, (uint16_t)(reader->pos - 1));
    }
    /* At the end of the file a line needs a character: a dropped CR or LF
       alone makes none. */
    if (result != 0 && (result != LINE_END_OF_FILE || reader->length == 0))
        return result;
    if (first)
        LineReaderDropMark(reader);
    LineReaderKeepRaw(reader);
    LineReaderDecode(reader);
    /* An empty line made of the LF of a CR LF whose CR was dropped: it is
       the line that CR ended. */
    if (droppedCR && reader->length == 0 && end == LINE_LF) {
        reader->fileLine--;
        reader->lastEnd = LINE_LF;
        reader->cut = 0;
        return 0;
    }
    LineReaderEnded(reader, result == 0 ? end : LINE_LF);
    return 0;
}

int32_t LineReaderStatus(const _LINEREADER *reader) {
    return reader->status;
}

uint32_t LineReaderLineNumber(const _LINEREADER *reader) {
    return reader->lineNumber;
}

uint32_t LineReaderFileLine(const _LINEREADER *reader) {
    return reader->fileLine;
}

uint32_t LineReaderFileColumn(const _LINEREADER *reader, uint32_t index) {
    return reader->fileColumn + index + 1;
}

bool LineReaderLong(const _LINEREADER *reader) {
    return reader->cut || reader->fileColumn > 0;
}

void LineReaderClose(_LINEREADER *reader) {
    if (reader->handle != 0)
        FileClose(reader->handle);
    reader->handle = 0;
}
