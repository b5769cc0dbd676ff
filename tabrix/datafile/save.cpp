/*
 * save.cpp - saving the data file.
 *
 * The data file is never written in place.  The save rereads it for its
 * header and comments, writes a complete new file under a temporary name
 * in the same folder, flushes it to the disk, closes it and renames it
 * over the data file, then flushes the folder: a crash at any moment
 * leaves either the whole old file or the whole new one.
 */
#include <cstdio>
#include <cstring>

#include "datafile/datafile.h"
#include "platform/files/files.h"
#include "platform/messages/messages.h"
#include "text/linereader.h"
#include "text/number.h"
#include "text/str.h"

#define DATAFILE_TEMP_SUFFIX ".tm_"
#define DATAFILE_PATH_KEPT 99   /* characters of the path the temporary name starts from */
#define DATAFILE_TEMP_SIZE (DATAFILE_PATH_KEPT + sizeof DATAFILE_TEMP_SUFFIX)
#define DATAFILE_WORD_KEPT 69   /* characters of the word written as the only header line */
#define DATAFILE_VALUE_WIDTH 10 /* sign, zeros and digits of a scaled value at least */
/* A scaled value: sign, 19 digits, point and up to 255 decimals. */
#define DATAFILE_VALUE_SIZE (REAL_TEXT_SIZE + 256)
#define DATAFILE_LINE_SIZE (16 + DATAFILE_VALUE_SIZE + LINE_SIZE)

/* The temporary name: the path cut before the first "." of its last
   component, then ".tm_", so the file lies in the data file's folder. */
static void DataFileTempName(const char *path, char *temp) {
    StrCopyN(temp, path, DATAFILE_PATH_KEPT + 1);
    char *name = std::strrchr(temp, '/');
    char *point = std::strchr(name != nullptr ? name + 1 : temp, '.');
    if (point != nullptr)
        *point = '\0';
    StrAppendN(temp, DATAFILE_TEMP_SUFFIX, DATAFILE_TEMP_SIZE);
}

/* The new file is gathered in one block, written when it is full and at
   the end: one write call for a usual file (2,000 parameters with short
   comments) rather than one a line.  Parameter lines are formatted into
   the block itself. */
#define DATAFILE_BLOCK_SIZE 131072

static char dataFileBlock[DATAFILE_BLOCK_SIZE];

struct _DATAFILE_WRITER {
    uint32_t handle;
    uint32_t used;              /* bytes waiting in the block */
    bool failed;                /* a write failed: nothing more is written */
};

static void DataFileFlush(_DATAFILE_WRITER *w) {
    if (w->used > 0 && !w->failed && FileWriteBlock(w->handle, dataFileBlock, w->used) != FILE_OK)
        w->failed = true;
    w->used = 0;
}

/* Where length more bytes go, after a flush when they would not fit. */
static char *DataFileRoom(_DATAFILE_WRITER *w, size_t length) {
    if (w->used + length > sizeof dataFileBlock)
        DataFileFlush(w);
    return dataFileBlock + w->used;
}

static void DataFileWriteText(_DATAFILE_WRITER *w, const char *text) {
    for (size_t n = std::strlen(text); n > 0 && !w->failed;) {
        size_t k = n < sizeof dataFileBlock ? n : sizeof dataFileBlock;
        std::memcpy(DataFileRoom(w, k), text, k);
        w->used += (uint32_t)k;
        text += k;
        n -= k;
    }
}

/* The kept header lines, or the initializing word alone when there are
   none. */
static void DataFileWriteHeader(const _SESSION *session, const _REKFILEINFO *file, _DATAFILE_WRITER *w) {
    if (session->headLines.next == nullptr) {
        char line[DATAFILE_WORD_KEPT + 3];
        StrCopyN(line, file->keyword, DATAFILE_WORD_KEPT + 1);
        StrAppendN(line, "\r\n", sizeof line);
        DataFileWriteText(w, line);
        return;
    }
    for (const _HEADLINE *h = &session->headLines; h->next != nullptr; h = h->next)
        DataFileWriteText(w, h->text);
}

static const uint32_t dataFilePowers[10] = {
    1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};

static const char dataFilePairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

/* v in decimal with zeros in front up to width digits; returns the end.
   Two digits a step from the right, zeros once v is used up. */
static char *DataFileDigits(char *at, uint32_t v, int width) {
    int n = 1;
    while (n < 10 && v >= dataFilePowers[n])
        n++;
    char *end = at + (width > n ? width : n), *p = end;
    for (; p - at >= 2; v /= 100) {
        p -= 2;
        std::memcpy(p, dataFilePairs + 2 * (v % 100), 2);
    }
    if (p > at)
        *at = (char)('0' + v);
    return end;
}

/* v below 10^8 as exactly eight digits, zeros in front. */
static void DataFileEightDigits(char *at, uint32_t v) {
    std::memcpy(at, dataFilePairs + 2 * (v / 1000000), 2);
    std::memcpy(at + 2, dataFilePairs + 2 * (v / 10000 % 100), 2);
    std::memcpy(at + 4, dataFilePairs + 2 * (v / 100 % 100), 2);
    std::memcpy(at + 6, dataFilePairs + 2 * (v % 100), 2);
}

/* A scaled value: sign, zeros up to ten characters in all, the digits and
   exactly decimals places after the point (12500 with 3 places is
   +00012.500, 5 with none +00000005.); returns the end.  Up to
   DATAFILE_EXACT_DECIMALS places the double arithmetic of RealToText
   yields exactly the digits of a 32-bit value (its rounding errors stay
   far below the half unit it adds), so the text is made from them. */
#define DATAFILE_EXACT_DECIMALS 9

static char *DataFileScaledText(int32_t value, uint8_t decimals, char *out) {
    uint32_t magnitude = value < 0 ? 0u - (uint32_t)value : (uint32_t)value;
    /* The usual case: eight digits in all, at least one before the point. */
    if (decimals < DATAFILE_VALUE_WIDTH - 2 && magnitude < dataFilePowers[DATAFILE_VALUE_WIDTH - 2]) {
        int whole = DATAFILE_VALUE_WIDTH - 2 - decimals;
        char *digits = out + 1;
        out[0] = value < 0 ? '-' : '+';
        DataFileEightDigits(digits, magnitude);
        for (int i = DATAFILE_VALUE_WIDTH - 2; i > whole; i--)
            digits[i] = digits[i - 1];
        digits[whole] = '.';
        return out + DATAFILE_VALUE_WIDTH;
    }
    if (decimals <= DATAFILE_EXACT_DECIMALS) {
        out[0] = value < 0 ? '-' : '+';
        char *at = DataFileDigits(out + 1, magnitude / dataFilePowers[decimals], DATAFILE_VALUE_WIDTH - 2 - decimals);
        *at++ = '.';
        return decimals > 0 ? DataFileDigits(at, magnitude % dataFilePowers[decimals], decimals) : at;
    }
    char t[DATAFILE_VALUE_SIZE];
    RealToText(value / PowInt(10.0, decimals), t, decimals);
    out[0] = t[0] == '-' ? '-' : '+';
    if (out[0] == '-')
        StrDelete(t, 0, 1, nullptr);
    if (std::strchr(t, '.') == nullptr)
        StrAppendN(t, ".", sizeof t);
    size_t length = std::strlen(t), point = StrIndexOf(t, ".");
    while (length - point <= decimals && length + 1 < sizeof t)
        t[length++] = '0';
    size_t zeros = length + 1 < DATAFILE_VALUE_WIDTH ? DATAFILE_VALUE_WIDTH - 1 - length : 0;
    std::memset(out + 1, '0', zeros);
    std::memcpy(out + 1 + zeros, t, length);
    return out + 1 + zeros + length;
}

/* The first kept comment of each parameter, found in one walk of the
   list. */
static void DataFileCommentIndex(const _SESSION *session, const char **index) {
    std::memset(index, 0, PARAM_COUNT * sizeof *index);
    for (const _COMMENT *c = &session->comments; c->next != nullptr; c = c->next)
        if (c->number < PARAM_COUNT && index[c->number] == nullptr)
            index[c->number] = c->text;
}

/* One parameter line at at: the number with zeros to width digits, ":",
   TAB, the value, a TAB and the comment when the old file had one, CR LF;
   returns the end.  It takes at most DATAFILE_LINE_SIZE bytes: a comment
   is the rest of a line that was read. */
static char *DataFileFormatLine(const _PARAM *param, const char *number, int width, uint8_t decimals,
                                const char *comment, char *at) {
    std::memcpy(at, number, (size_t)width);
    at += width;
    *at++ = ':';
    *at++ = '\t';
    if (param->flags & PARAM_RAW) {
        at = DataFileDigits(at, (uint32_t)param->value, 0);
        *at++ = 'L';
    } else {
        at = DataFileScaledText(param->value, decimals, at);
    }
    if (comment != nullptr) {
        size_t length = std::strlen(comment);
        *at++ = '\t';
        std::memcpy(at, comment, length);
        at += length;
    }
    *at++ = '\r';
    *at++ = '\n';
    return at;
}

/* The next parameter number's text: counts up in place. */
static void DataFileNumberNext(char *number, int width) {
    int i = width - 1;
    for (; i > 0 && number[i] == '9'; i--)
        number[i] = '0';
    number[i]++;
}

static bool DataFileWriteBody(const _SESSION *session, const _REKFILEINFO *file, uint32_t handle) {
    static const char *comments[PARAM_COUNT];
    uint32_t count = file->count < PARAM_COUNT ? file->count : PARAM_COUNT;
    char number[16];
    int width = std::snprintf(number, sizeof number, "%u", (unsigned)count);
    std::memset(number, '0', (size_t)width);
    _DATAFILE_WRITER w = {handle, 0, false};
    DataFileCommentIndex(session, comments);
    DataFileWriteHeader(session, file, &w);
    for (uint32_t n = 0; n < count && !w.failed; n++, DataFileNumberNext(number, width)) {
        const _PARAM *param = &session->params[n];
        if (!(param->flags & PARAM_VALID))
            continue;
        char *at = DataFileRoom(&w, DATAFILE_LINE_SIZE);
        at = DataFileFormatLine(param, number, width, file->decimals, comments[n], at);
        w.used = (uint32_t)(at - dataFileBlock);
    }
    DataFileWriteText(&w, "\r\n*\r\n");
    DataFileFlush(&w);
    return !w.failed;
}

uint32_t DataFileWriteTemp(const _SESSION *session, const _REKFILEINFO *file, const char *temp) {
    /* A link left under this name must not lead the write elsewhere. */
    FileDelete(temp);
    uint32_t handle, size;
    if (FileOpen(temp, FILE_WRITE | FILE_CREATE, &handle, &size) != FILE_OK)
        return MSG_FILE_CREATE_ERROR;
    uint32_t error = 0;
    if (FileModeCopy(file->path, handle) != FILE_OK)
        error = MSG_FILE_CREATE_ERROR;
    else if (!DataFileWriteBody(session, file, handle) || FileSync(handle) != FILE_OK)
        error = MSG_FILE_WRITE_ERROR;
    if (FileClose(handle) != FILE_OK && error == 0)
        error = MSG_FILE_CLOSE_ERROR;
    return error;
}

/* An existing data file is replaced only when it was read and may be
   written; records the error otherwise. */
static bool DataFileReplaceable(_SESSION *session, const _REKFILEINFO *file, int32_t read) {
    if (!FileExists(file->path))
        return true;
    if (read == DATAFILE_UNOPENED) {
        SessionSetError(session, MSG_FILE_READ_ERROR, file->path,
                        "cannot reread the data file: %s", FileErrorText());
        SessionErrorAt(session, file->path, 0, 0);
        return false;
    }
    if (FileAccess(file->path, FILE_READ | FILE_WRITE) != FILE_OK) {
        SessionSetError(session, MSG_FILE_MOVE_ERROR, file->path, "the data file may not be written: %s",
                        FileErrorText());
        SessionErrorAt(session, file->path, 0, 0);
        return false;
    }
    return true;
}

/* What the step that failed with error could not do to the temporary
   file, for its reason. */
static const char *DataFileStep(uint32_t error) {
    switch (error) {
    case MSG_FILE_CREATE_ERROR: return "create";
    case MSG_FILE_WRITE_ERROR: return "write";
    case MSG_FILE_CLOSE_ERROR: return "close";
    default: return "put in place of the data file";
    }
}

/* The file now holds the valid parameters below its count, and nothing
   above it. */
static void DataFileSaved(_SESSION *session, const _REKFILEINFO *file) {
    uint32_t count = file->count < PARAM_COUNT ? file->count : PARAM_COUNT;
    std::memcpy(session->baseline, session->params, count * sizeof(_PARAM));
    std::memset(session->baseline + count, 0, (PARAM_COUNT - count) * sizeof(_PARAM));
    session->tableFile = 1;
}

void DataFileSave(_SESSION *session, _REKFILEINFO file) {
    file.path[sizeof file.path - 1] = '\0';
    file.keyword[sizeof file.keyword - 1] = '\0';
    std::memset(&session->lastSaved, 0, sizeof session->lastSaved);

    /* The reread collects header and comments; the edited values stay. */
    _PARAM edited[PARAM_COUNT];
    std::memcpy(edited, session->params, sizeof edited);
    int32_t read = DataFileLoad(session, file, 1);
    std::memcpy(session->params, edited, sizeof edited);
    if (read == DATAFILE_CUT || !DataFileReplaceable(session, &file, read))
        return;

    char temp[DATAFILE_TEMP_SIZE];
    DataFileTempName(file.path, temp);
    /* A data file named like its own temporary file cannot be saved
       through it: creating the one would empty the other. */
    if (std::strcmp(temp, file.path) == 0) {
        SessionSetError(session, MSG_FILE_CREATE_ERROR, temp,
                        "the data file is named like its own temporary file");
        SessionErrorAt(session, file.path, 0, 0);
        return;
    }
    uint32_t error = DataFileWriteTemp(session, &file, temp);
    if (error == 0 && (FileReplace(temp, file.path) != FILE_OK || DirSync(file.path) != FILE_OK))
        error = MSG_FILE_MOVE_ERROR;
    if (error != 0) {
        SessionSetError(session, error, temp, "cannot %s %s: %s", DataFileStep(error), temp, FileErrorText());
        SessionErrorAt(session, file.path, 0, 0);
        return;
    }
    session->lastSaved = file;
    session->modified = 0;
    DataFileSaved(session, &file);
}
