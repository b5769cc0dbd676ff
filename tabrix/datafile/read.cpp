/*
 * read.cpp - reading the data file into a parameter table.
 */
#include <cstdio>
#include <cstring>

#include "datafile/datafile.h"
#include "datafile/line.h"
#include "platform/files/files.h"
#include "platform/messages/messages.h"
#include "text/charset.h"
#include "text/linereader.h"
#include "text/str.h"

/* The UTF-8 byte-order mark. */
#define DATAFILE_UTF8_MARK "\xEF\xBB\xBF"

static void DataFileNoWordError(_SESSION *session, const _REKFILEINFO *file) {
    char text[sizeof file->path + sizeof file->keyword + 64], shown[sizeof file->path];
    std::snprintf(text, sizeof text, "%s:%s %s:%s", MessageText(MSG_FILE),
                  CharShowName(shown, file->path, sizeof shown), MessageText(MSG_WORD), file->keyword);
    SessionSetError(session, MSG_NO_INIT_WORD, text,
                    "no line equals the initializing word \"%s\" (blanks aside)", file->keyword);
    SessionErrorAt(session, file->path, 0, 0);
}

/* The column (from 1) of the stripped line's character index in the line
   as read: blanks were removed only before the first ";" or double
   quote. */
static uint32_t DataFileColumn(const char *read, size_t index) {
    size_t i = 0, kept = 0;
    bool comment = false;
    for (; read[i] != '\0'; i++) {
        comment = comment || read[i] == ';' || read[i] == '"';
        if (!comment && (read[i] == ' ' || read[i] == '\t'))
            continue;
        if (kept++ == index)
            break;
    }
    return (uint32_t)i + 1;
}

static void DataFileSyntaxError(_SESSION *session, const _REKFILEINFO *file, const _LINEREADER *reader,
                                const char *read, const char *line, const _DATALINE *bad) {
    SessionLineError(session, MSG_SYNTAX_ERROR, LineReaderLineNumber(reader), file->path, "%s", bad->why);
    uint32_t column = DataFileColumn(read, (size_t)(bad->at - line));
    SessionErrorAt(session, file->path, LineReaderFileLine(reader), LineReaderFileColumn(reader, column - 1));
}

/* A value the table cannot hold (beyond 32 bits) leaves its parameter
   without one: the line stays as it is written, never clamped. */
static void DataFileStore(_PARAM *table, const _DATALINE *line) {
    if (line->number < 0)
        return;
    if (line->held)
        table[line->number] = line->param;
    else
        table[line->number] = _PARAM{0, PARAM_UNHELD};
}

int32_t DataFileScan(_SESSION *session, const _REKFILEINFO *file, const char *path, _PARAM *table) {
    std::memset(table, 0, PARAM_COUNT * sizeof *table);
    _LINEREADER reader;
    if (LineReaderOpen(&reader, path, 0) != FILE_OK) {
        LineReaderClose(&reader);
        return DATAFILE_UNOPENED;
    }
    _DATASTATE state = {true, false};
    _DATALINE parsed{};
    char read[LINE_SIZE];
    int32_t result, kind = DATALINE_NONE;
    while (kind != DATALINE_BAD && (result = LineReaderNextLine(&reader)) == 0) {
        char *line = reader.line;
        /* A byte-order mark that an editor put in front is no part of
           the first line's text. */
        if (LineReaderLineNumber(&reader) == 1 && std::strncmp(line, DATAFILE_UTF8_MARK, 3) == 0)
            StrDelete(line, 0, 3, nullptr);
        StrCopyN(read, line, sizeof read);
        LineStripBlanks(line);
        kind = DataLineTake(&state, line, file->keyword, file->decimals, &parsed);
        if (kind == DATALINE_PARAM)
            DataFileStore(table, &parsed);
        else if (kind == DATALINE_BAD)
            DataFileSyntaxError(session, file, &reader, read, line, &parsed);
    }
    LineReaderClose(&reader);
    if (kind == DATALINE_BAD)
        return DATAFILE_LOADED;
    /* A failed read is reported as such, also before the word was found. */
    if (result != 1) {
        char shown[sizeof file->path];
        SessionSetError(session, MSG_FILE_READ_ERROR, CharShowName(shown, file->path, sizeof shown),
                        "cannot read the data file: %s", FileErrorText());
        SessionErrorAt(session, file->path, 0, 0);
        return DATAFILE_CUT;
    }
    if (state.header)
        DataFileNoWordError(session, file);
    return DATAFILE_LOADED;
}

/* The table becomes the file's: what the operator changes from then on
   is told apart from it. */
void DataFileRead(_SESSION *session, _REKFILEINFO file) {
    file.path[sizeof file.path - 1] = '\0';
    file.keyword[sizeof file.keyword - 1] = '\0';
    int32_t read = DataFileScan(session, &file, file.path, session->params);
    std::memcpy(session->baseline, session->params, sizeof session->baseline);
    session->tableFile = 1;
    session->tableFileExisted = read != DATAFILE_UNOPENED;
}
