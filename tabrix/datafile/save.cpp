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

static bool DataFileWriteText(uint32_t handle, const char *text) {
    size_t length = std::strlen(text);
    return length <= UINT16_MAX && FileWrite(handle, text, (uint16_t)length) == FILE_OK;
}

/* The kept header lines, or the initializing word alone when there are
   none. */
static bool DataFileWriteHeader(const _SESSION *session, const _REKFILEINFO *file, uint32_t handle) {
    if (session->headLines.next == nullptr) {
        char line[DATAFILE_WORD_KEPT + 3];
        StrCopyN(line, file->keyword, DATAFILE_WORD_KEPT + 1);
        StrAppendN(line, "\r\n", sizeof line);
        return DataFileWriteText(handle, line);
    }
    for (const _HEADLINE *h = &session->headLines; h->next != nullptr; h = h->next)
        if (!DataFileWriteText(handle, h->text))
            return false;
    return true;
}

/* A scaled value: sign, zeros up to ten characters in all, the digits and
   exactly decimals places after the point (12500 with 3 places is
   +00012.500, 5 with none +00000005.). */
static void DataFileScaledText(int32_t value, uint8_t decimals, char *out) {
    char t[DATAFILE_VALUE_SIZE];
    RealToText(value / PowInt(10.0, decimals), t, decimals);
    char sign = t[0] == '-' ? '-' : '+';
    if (sign == '-')
        StrDelete(t, 0, 1, nullptr);
    if (std::strchr(t, '.') == nullptr)
        StrAppendN(t, ".", sizeof t);
    size_t length = std::strlen(t), point = StrIndexOf(t, ".");
    while (length - point <= decimals && length + 1 < sizeof t)
        t[length++] = '0';
    t[length] = '\0';
    size_t zeros = length + 1 < DATAFILE_VALUE_WIDTH ? DATAFILE_VALUE_WIDTH - 1 - length : 0;
    out[0] = sign;
    std::memset(out + 1, '0', zeros);
    std::memcpy(out + 1 + zeros, t, length + 1);
}

static const char *DataFileComment(const _SESSION *session, uint32_t number) {
    for (const _COMMENT *c = &session->comments; c->next != nullptr; c = c->next)
        if (c->number == number)
            return c->text;
    return nullptr;
}

/* One parameter line: the number with zeros to width digits, ":", TAB,
   the value, a TAB and the comment when the old file had one, CR LF. */
static void DataFileFormatLine(const _SESSION *session, uint32_t number, int width, uint8_t decimals,
                               char *line) {
    const _PARAM *param = &session->params[number];
    char value[DATAFILE_VALUE_SIZE + 16];
    if (param->flags & PARAM_RAW)
        std::snprintf(value, sizeof value, "%uL", (unsigned)(uint32_t)param->value);
    else
        DataFileScaledText(param->value, decimals, value);
    std::snprintf(line, DATAFILE_LINE_SIZE, "%0*u:\t%s", width, (unsigned)number, value);
    const char *comment = DataFileComment(session, number);
    if (comment != nullptr) {
        StrAppendN(line, "\t", DATAFILE_LINE_SIZE);
        StrAppendN(line, comment, DATAFILE_LINE_SIZE);
    }
    StrAppendN(line, "\r\n", DATAFILE_LINE_SIZE);
}

static bool DataFileWriteBody(const _SESSION *session, const _REKFILEINFO *file, uint32_t handle) {
    uint32_t count = file->count < PARAM_COUNT ? file->count : PARAM_COUNT;
    char digits[16];
    int width = std::snprintf(digits, sizeof digits, "%u", (unsigned)count);
    if (!DataFileWriteHeader(session, file, handle))
        return false;
    for (uint32_t n = 0; n < count; n++) {
        char line[DATAFILE_LINE_SIZE];
        if (!(session->params[n].flags & PARAM_VALID))
            continue;
        DataFileFormatLine(session, n, width, file->decimals, line);
        if (!DataFileWriteText(handle, line))
            return false;
    }
    return DataFileWriteText(handle, "\r\n*\r\n");
}

/* Writes the new file under temp, flushed and closed: 0, or the error of
   the step that failed (the file is closed then too). */
static uint32_t DataFileWriteTemp(const _SESSION *session, const _REKFILEINFO *file, const char *temp) {
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
        SessionSetError(session, MSG_FILE_READ_ERROR, file->path);
        return false;
    }
    if (FileAccess(file->path, FILE_READ | FILE_WRITE) != FILE_OK) {
        SessionSetError(session, MSG_FILE_MOVE_ERROR, file->path);
        return false;
    }
    return true;
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
    uint32_t error = MSG_FILE_CREATE_ERROR;
    if (std::strcmp(temp, file.path) != 0)
        error = DataFileWriteTemp(session, &file, temp);
    if (error == 0 && (FileReplace(temp, file.path) != FILE_OK || DirSync(file.path) != FILE_OK))
        error = MSG_FILE_MOVE_ERROR;
    if (error != 0) {
        SessionSetError(session, error, temp);
        return;
    }
    session->lastSaved = file;
    session->modified = 0;
}
