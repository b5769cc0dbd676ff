/*
 * read.cpp - reading the data file.
 */
#include <cstdio>
#include <cstring>

#include "common/memory/memory.h"
#include "datafile/datafile.h"
#include "platform/files/files.h"
#include "platform/messages/messages.h"
#include "text/linereader.h"
#include "text/number.h"
#include "text/str.h"

/* The UTF-8 byte-order mark. */
#define DATAFILE_UTF8_MARK "\xEF\xBB\xBF"

/* Significant digits of a parameter number beyond which it names no
   parameter of the table, whatever its 32-bit wrap would give. */
#define DATAFILE_NUMBER_DIGITS 4

/* One parsed parameter line. */
struct _DATAFILE_LINE {
    int32_t number;             /* -1: outside the table */
    double value;
    bool raw;
    const char *comment;        /* null: none */
};

/* The kept header and comment lists share one shape: the embedded head is
   the first node, and the list ends at an empty node whose next is null. */
template <typename Node>
static void DataFileListFree(Node *head) {
    MemoryFree(head->text);
    for (Node *node = head->next, *next; node != nullptr; node = next) {
        next = node->next;
        MemoryFree(node->text);
        MemoryFree(node);
    }
    std::memset(head, 0, sizeof *head);
}

/* Fills the empty last node with number and text followed by suffix, and
   hangs a new empty node after it.  false when the pool is full (it has
   recorded error 13). */
template <typename Node>
static bool DataFileListAppend(Node **last, uint32_t number, const char *text, const char *suffix) {
    uint32_t size = (uint32_t)(std::strlen(text) + std::strlen(suffix) + 1);
    char *copy = (char *)AllocZeroed(size);
    Node *next = (Node *)AllocZeroed(sizeof(Node));
    if (copy == nullptr || next == nullptr) {
        MemoryFree(copy);
        MemoryFree(next);
        return false;
    }
    StrCopyN(copy, text, size);
    StrAppendN(copy, suffix, size);
    (*last)->number = number;
    (*last)->text = copy;
    (*last)->next = next;
    *last = next;
    return true;
}

/* The table index that a number text of used characters names, or -1.
   Too many digits name none, rather than the value the parse wrapped to. */
static int32_t DataFileNumber(const char *text, size_t used, int32_t parsed) {
    size_t i = text[0] == '+' || text[0] == '-' ? 1 : 0;
    while (i < used && text[i] == '0')
        i++;
    if (used - i > DATAFILE_NUMBER_DIGITS || parsed < 0 || parsed >= PARAM_COUNT)
        return -1;
    return parsed;
}

/* Why a parameter line is malformed, and where. */
struct _DATAFILE_FAULT {
    const char *why;
    const char *at;
};

static bool DataFileFault(_DATAFILE_FAULT *fault, const char *at, const char *why) {
    fault->why = why;
    fault->at = at;
    return false;
}

/* Parses a parameter line: number, ":", value, an optional "L", then the
   end or a comment.  false with the fault when the line is malformed. */
static bool DataFileParse(const char *line, _DATAFILE_LINE *out, _DATAFILE_FAULT *fault) {
    int32_t number;
    size_t used = StrParseInt(line, &number);
    if (used == 0)
        return DataFileFault(fault, line, "a parameter line begins with its number: number:value");
    if (line[used] != ':')
        return DataFileFault(fault, line + used, "\":\" expected after the parameter number");
    const char *value = line + used + 1;
    size_t valueUsed = StrParseReal(value, &out->value);
    if (valueUsed == 0)
        return DataFileFault(fault, value, "no value after \":\"");
    const char *rest = value + valueUsed;
    out->raw = *rest == 'L' || *rest == 'l';
    if (out->raw)
        rest++;
    if (*rest != '\0' && *rest != '"' && *rest != ';')
        return DataFileFault(fault, rest, "text after the value: a comment begins with \";\" or a double quote");
    out->number = DataFileNumber(line, used, number);
    out->comment = *rest != '\0' ? rest : nullptr;
    return true;
}

/* A raw value is written as an unsigned 32-bit number, so 2^31 .. 2^32-1
   come back as the negative values they stand for. */
static int32_t DataFileRawValue(double x) {
    if (x >= 2147483647.5 && x < 4294967295.5)
        return (int32_t)(uint32_t)(x + 0.5);
    return RoundToInt(x);
}

static void DataFileStore(_PARAM *param, const _DATAFILE_LINE *line, uint8_t decimals) {
    if (line->raw) {
        param->value = DataFileRawValue(line->value);
        param->flags = PARAM_VALID | PARAM_RAW;
    } else {
        param->value = RoundToInt(line->value * PowInt(10.0, decimals));
        param->flags = PARAM_VALID;
    }
}

static bool DataFileIsComment(const char *line) {
    return line[0] == '"' || line[0] == ';';
}

/* How one line of the values section went. */
enum { DATAFILE_LINE_OK, DATAFILE_LINE_BAD, DATAFILE_LINE_NO_MEMORY };

static void DataFileNoWordError(_SESSION *session, const _REKFILEINFO *file) {
    char text[sizeof file->path + sizeof file->keyword + 64];
    std::snprintf(text, sizeof text, "%s:%s %s:%s", MessageText(MSG_FILE), file->path,
                  MessageText(MSG_WORD), file->keyword);
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
                                const char *read, const char *line, const _DATAFILE_FAULT *fault) {
    SessionLineError(session, MSG_SYNTAX_ERROR, LineReaderLineNumber(reader), file->path, "%s",
                     fault->why);
    uint32_t column = DataFileColumn(read, (size_t)(fault->at - line));
    SessionErrorAt(session, file->path, LineReaderFileLine(reader), LineReaderFileColumn(reader, column - 1));
}

/* A line of the values section, blanks removed: empty, a comment line or
   a parameter line. */
static int DataFileValueLine(_SESSION *session, const _REKFILEINFO *file, const char *line,
                             _COMMENT **comments, int32_t keep, _DATAFILE_FAULT *fault) {
    _DATAFILE_LINE parsed;
    if (line[0] == '\0' || DataFileIsComment(line))
        return DATAFILE_LINE_OK;
    if (!DataFileParse(line, &parsed, fault))
        return DATAFILE_LINE_BAD;
    if (parsed.comment != nullptr && keep &&
        !DataFileListAppend(comments, (uint32_t)parsed.number, parsed.comment, ""))
        return DATAFILE_LINE_NO_MEMORY;
    if (parsed.number >= 0)
        DataFileStore(&session->params[parsed.number], &parsed, file->decimals);
    return DATAFILE_LINE_OK;
}

static int32_t DataFileLoadTable(_SESSION *session, _REKFILEINFO file, int32_t keep) {
    file.path[sizeof file.path - 1] = '\0';
    file.keyword[sizeof file.keyword - 1] = '\0';
    DataFileListFree(&session->comments);
    DataFileListFree(&session->headLines);
    std::memset(session->params, 0, sizeof session->params);

    _LINEREADER reader;
    if (LineReaderOpen(&reader, file.path, 0) != FILE_OK) {
        LineReaderClose(&reader);
        return DATAFILE_UNOPENED;
    }
    _HEADLINE *headLines = &session->headLines;
    _COMMENT *comments = &session->comments;
    bool inHeader = true, inValues = false;
    int step = DATAFILE_LINE_OK;
    int32_t result = 0;
    _DATAFILE_FAULT fault{};
    char read[LINE_SIZE];
    while (step == DATAFILE_LINE_OK && (result = LineReaderNextLine(&reader)) == 0) {
        char *line = reader.line;
        if (inHeader && keep && !DataFileListAppend(&headLines, 0, line, "\r\n")) {
            step = DATAFILE_LINE_NO_MEMORY;
            break;
        }
        /* A byte-order mark that an editor put in front is kept in the
           header, but is no part of the first line's text. */
        if (LineReaderLineNumber(&reader) == 1 && std::strncmp(line, DATAFILE_UTF8_MARK, 3) == 0)
            StrDelete(line, 0, 3, nullptr);
        StrCopyN(read, line, sizeof read);
        LineStripBlanks(line);
        if (std::strcmp(line, "*") == 0)
            inValues = false;
        if (inValues)
            step = DataFileValueLine(session, &file, line, &comments, keep, &fault);
        if (step == DATAFILE_LINE_BAD)
            DataFileSyntaxError(session, &file, &reader, read, line, &fault);
        if (std::strcmp(line, file.keyword) == 0) {
            inValues = true;
            inHeader = false;
        }
    }
    LineReaderClose(&reader);
    if (step == DATAFILE_LINE_BAD)
        return DATAFILE_LOADED;
    if (step == DATAFILE_LINE_NO_MEMORY) {
        SessionErrorAt(session, file.path, LineReaderFileLine(&reader), 0);
        return DATAFILE_CUT;
    }
    /* A failed read is reported as such, also before the word was found. */
    if (result != 1) {
        SessionSetError(session, MSG_FILE_READ_ERROR, file.path, "cannot read the data file: %s",
                        FileErrorText());
        SessionErrorAt(session, file.path, 0, 0);
        return DATAFILE_CUT;
    }
    if (inHeader)
        DataFileNoWordError(session, &file);
    return DATAFILE_LOADED;
}

/* A read for the session (not the save's reread) makes the table the
   file's: what the operator changes from then on is told apart from it. */
int32_t DataFileLoad(_SESSION *session, _REKFILEINFO file, int32_t keep) {
    int32_t result = DataFileLoadTable(session, file, keep);
    if (!keep) {
        std::memcpy(session->baseline, session->params, sizeof session->baseline);
        session->tableFile = 1;
    }
    return result;
}

void DataFileRead(_SESSION *session, _REKFILEINFO file, int32_t keep) {
    DataFileLoad(session, file, keep);
}
