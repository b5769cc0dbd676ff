/*
 * save.cpp - saving the data file.
 *
 * A save changes only what the session changed.  Under the lock of the
 * data file's folder it reads the file as it is on disk: a parameter the
 * session did not change keeps the disk's value, one it changed takes the
 * session's, and one both changed, differently, is a conflict that is
 * told and not overwritten.  The new file is written beside the old one
 * under a unique temporary name, flushed to the disk, renamed over the
 * data file and the folder flushed: a crash at any moment leaves either
 * the whole old file or the whole new one.  A file that cannot be read
 * whole is never replaced, and a failed save leaves no temporary file.
 */
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "datafile/datafile.h"
#include "datafile/merge.h"
#include "datafile/output.h"
#include "platform/files/files.h"
#include "platform/messages/messages.h"
#include "text/charset.h"
#include "text/number.h"
#include "text/str.h"

#define SAVE_TEMP_SUFFIX ".tm_"
#define SAVE_TAG_LENGTH 6       /* the random part of a temporary name */
#define SAVE_LOCK_WAIT_MS 5000

/* The state of one save. */
struct _SAVE {
    _SESSION *session;
    _REKFILEINFO file;
    char target[PATH_MAX];      /* the data file, its links followed */
    char temp[PATH_MAX];        /* the temporary file; "" while none */
    uint32_t lock;
    bool exists;
    _PARAM disk[PARAM_COUNT];   /* the file's values as they are now */
    _PARAM merged[PARAM_COUNT]; /* what the new file holds */
    bool changed[PARAM_COUNT];  /* the session changed the parameter */
    bool held[PARAM_COUNT];     /* the new file holds a value of it */
    _PARAM check[PARAM_COUNT];  /* the new file's values, read back */
    _MERGE merge;
};

static bool SaveSame(const _PARAM *a, const _PARAM *b) {
    const uint32_t kept = PARAM_VALID | PARAM_RAW | PARAM_UNHELD;
    if ((a->flags & kept) != (b->flags & kept))
        return false;
    return !(a->flags & PARAM_VALID) || a->value == b->value;
}

/* Fails the save with code and why; the data file is untouched. */
__attribute__((format(printf, 3, 4)))
static bool SaveFail(_SAVE *s, uint32_t code, const char *why, ...) {
    char reason[ERROR_REASON_SIZE];
    va_list args;
    va_start(args, why);
    std::vsnprintf(reason, sizeof reason, why, args);
    va_end(args);
    char shown[ERROR_TEXT_SIZE];
    CharShowName(shown, s->temp[0] ? s->temp : s->file.path, sizeof shown);
    SessionSetError(s->session, code, shown, "%s", reason);
    SessionErrorAt(s->session, s->file.path, 0, 0);
    return false;
}

/* ------------------------------------------------------------------ */
/* The lock and the leftovers of killed saves                          */
/* ------------------------------------------------------------------ */

static bool SaveLock(_SAVE *s) {
    if (FileLinkTarget(s->file.path, s->target, sizeof s->target) != FILE_OK)
        return SaveFail(s, MSG_FILE_READ_ERROR, "cannot follow the data file's link: %s", FileErrorText());
    if (FolderLock(s->target, SAVE_LOCK_WAIT_MS, &s->lock) != FILE_OK)
        return SaveFail(s, MSG_FILE_WRITE_ERROR, "the data file's folder stayed locked by another save for %d s: %s",
                        SAVE_LOCK_WAIT_MS / 1000, FileErrorText());
    return true;
}

/* Whether entry is a temporary file of the data file named base: base,
   ".", six letters or digits, ".tm_". */
static bool SaveIsLeftover(const char *entry, const char *base) {
    size_t n = std::strlen(base);
    if (std::strncmp(entry, base, n) != 0 || entry[n] != '.')
        return false;
    const char *tag = entry + n + 1;
    for (int i = 0; i < SAVE_TAG_LENGTH; i++)
        if (!((tag[i] >= '0' && tag[i] <= '9') || (tag[i] >= 'a' && tag[i] <= 'z')))
            return false;
    return std::strcmp(tag + SAVE_TAG_LENGTH, SAVE_TEMP_SUFFIX) == 0;
}

struct _SAVE_LEFTOVERS {
    const char *target;
    const char *base;
};

static bool SaveRemoveLeftover(const char *entry, void *context) {
    const _SAVE_LEFTOVERS *l = (const _SAVE_LEFTOVERS *)context;
    if (SaveIsLeftover(entry, l->base)) {
        char path[PATH_MAX];
        size_t folder = (size_t)(l->base - l->target);
        if (folder + std::strlen(entry) < sizeof path) {
            std::memcpy(path, l->target, folder);
            std::strcpy(path + folder, entry);
            FileDelete(path);
        }
    }
    return true;
}

/* The temporary files that killed saves of this data file left; only a
   save that holds the lock removes them, so none is in use. */
static void SaveRemoveLeftovers(_SAVE *s) {
    const char *slash = std::strrchr(s->target, '/');
    _SAVE_LEFTOVERS l = {s->target, slash ? slash + 1 : s->target};
    FolderNames(s->target, SaveRemoveLeftover, &l);
}

/* ------------------------------------------------------------------ */
/* The file on disk, and what changed where                            */
/* ------------------------------------------------------------------ */

/* The data file as it is now, and where its parts lie: it must be read
   whole, or nothing is written.  The reader reads it again when its lines
   hold what only the reader can tell (a malformed line, a line longer
   than it takes whole). */
static bool SaveReread(_SAVE *s) {
    s->exists = FileExists(s->target);
    s->merge = _MERGE{&s->file, s->exists ? s->target : nullptr, s->merged, s->held, s->disk, {}, false, true};
    if (!s->exists) {
        if (s->session->tableFileExisted)
            return SaveFail(s, MSG_FILE_READ_ERROR, "the data file is gone since it was read");
        return MergeLayout(&s->merge);
    }
    if (FileAccess(s->target, FILE_READ) != FILE_OK)
        return SaveFail(s, MSG_FILE_READ_ERROR, "cannot read the data file again: %s", FileErrorText());
    if (FileAccess(s->target, FILE_READ | FILE_WRITE) != FILE_OK)
        return SaveFail(s, MSG_FILE_MOVE_ERROR, "the data file may not be written: %s", FileErrorText());
    if (!MergeLayout(&s->merge))
        return SaveFail(s, MSG_FILE_READ_ERROR, "cannot read the data file again: %s", FileErrorText());
    if (s->merge.exact)
        return true;
    if (DataFileScan(s->session, &s->file, s->target, s->disk) != DATAFILE_LOADED || s->session->errorCode != 0) {
        if (s->session->errorCode == 0)
            SaveFail(s, MSG_FILE_READ_ERROR, "cannot read the data file again: %s", FileErrorText());
        return false;
    }
    return true;
}

/* A value as the operator sees it, for a reason. */
static void SaveValueText(const _SAVE *s, const _PARAM *p, char *text) {
    if (!(p->flags & PARAM_VALID))
        StrCopyN(text, "no value", REAL_TEXT_SIZE);
    else if (p->flags & PARAM_RAW)
        std::snprintf(text, REAL_TEXT_SIZE, "%u", (uint32_t)p->value);
    else
        RealToText(p->value / PowInt(10.0, s->file.decimals), text, s->file.decimals);
}

/* A parameter changed on disk and in the session, differently: the save
   stops and tells it, with how many more there are.  The disk's values of
   them all count as read from then on, so a second finish writes the
   operator's values. */
static bool SaveConflict(_SAVE *s, uint32_t n) {
    char disk[REAL_TEXT_SIZE], mine[REAL_TEXT_SIZE];
    SaveValueText(s, &s->disk[n], disk);
    SaveValueText(s, &s->session->params[n], mine);
    const _PARAM *params = s->session->params;
    _PARAM *base = s->session->baseline;
    uint32_t more = 0;
    for (uint32_t m = n; m < PARAM_COUNT; m++) {
        if (SaveSame(&params[m], &base[m]) || SaveSame(&s->disk[m], &base[m]))
            continue;
        more += m > n && !SaveSame(&params[m], &s->disk[m]);
        base[m] = s->disk[m];
    }
    if (more > 0)
        return SaveFail(s, MSG_FILE_WRITE_ERROR,
                        "parameter %u was changed to %s in the file and to %s here, and %u more: "
                        "finish again to write yours",
                        (unsigned)n, disk, mine, (unsigned)more);
    return SaveFail(s, MSG_FILE_WRITE_ERROR,
                    "parameter %u was changed to %s in the file and to %s here: finish again to write %s",
                    (unsigned)n, disk, mine, mine);
}

/* What the new file holds: the disk's value where the session changed
   nothing, the session's where it did. */
static bool SaveMerge(_SAVE *s) {
    const _PARAM *mine = s->session->params, *base = s->session->baseline;
    for (uint32_t n = 0; n < PARAM_COUNT; n++) {
        s->changed[n] = !SaveSame(&mine[n], &base[n]);
        bool diskChanged = !SaveSame(&s->disk[n], &base[n]);
        if (s->changed[n] && diskChanged && !SaveSame(&mine[n], &s->disk[n]))
            return SaveConflict(s, n);
        s->merged[n] = s->changed[n] ? mine[n] : s->disk[n];
        s->held[n] = (s->merged[n].flags & PARAM_VALID) != 0;
    }
    return true;
}

/* ------------------------------------------------------------------ */
/* Writing and replacing                                               */
/* ------------------------------------------------------------------ */

static bool SaveWrite(_SAVE *s) {
    uint32_t handle;
    if (FileCreateUnique(s->target, SAVE_TEMP_SUFFIX, s->temp, sizeof s->temp, &handle) != FILE_OK) {
        s->temp[0] = '\0';
        return SaveFail(s, MSG_FILE_CREATE_ERROR, "cannot create a temporary file beside the data file: %s",
                        FileErrorText());
    }
    _OUTPUT out;
    OutputStart(&out, handle);
    bool ok = true;
    if (s->exists && FileOwnerCopy(s->target, handle) != FILE_OK)
        ok = SaveFail(s, MSG_FILE_CREATE_ERROR, "cannot give %s the data file's owner and mode: %s", s->temp,
                      FileErrorText());
    else if (!MergeWrite(&s->merge, &out))
        ok = s->merge.readFailed
                 ? SaveFail(s, MSG_FILE_READ_ERROR, "cannot read the data file again: %s", FileErrorText())
                 : SaveFail(s, MSG_FILE_WRITE_ERROR, "cannot write %s: %s", s->temp, FileErrorText());
    else if (FileSync(handle) != FILE_OK)
        ok = SaveFail(s, MSG_FILE_WRITE_ERROR, "cannot write %s: %s", s->temp, FileErrorText());
    if (FileClose(handle) != FILE_OK && ok)
        ok = SaveFail(s, MSG_FILE_CLOSE_ERROR, "cannot close %s: %s", s->temp, FileErrorText());
    return ok;
}

/* The new file read back, when its old lines could not all be taken as
   the reader takes them (a line over 1,022 characters is read in pieces):
   it must hold exactly the values it was written with. */
static bool SaveCheck(_SAVE *s) {
    if (s->merge.exact)
        return true;
    uint32_t count = s->file.count < PARAM_COUNT ? s->file.count : PARAM_COUNT;
    if (DataFileScan(s->session, &s->file, s->temp, s->check) != DATAFILE_LOADED || s->session->errorCode != 0)
        return SaveFail(s, MSG_FILE_WRITE_ERROR, "the new file does not read back: %s",
                        s->session->errorCode != 0 ? s->session->place.reason : FileErrorText());
    for (uint32_t n = 0; n < PARAM_COUNT; n++) {
        const _PARAM *want = n < count ? &s->merged[n] : &s->disk[n];
        if (SaveSame(&s->check[n], want))
            continue;
        char now[REAL_TEXT_SIZE], then[REAL_TEXT_SIZE];
        SaveValueText(s, &s->check[n], now);
        SaveValueText(s, want, then);
        return SaveFail(s, MSG_FILE_WRITE_ERROR,
                        "parameter %u would read back as %s, not %s: a line over 1,022 characters is read "
                        "in pieces and one reads as a value; shorten it and finish again",
                        (unsigned)n, now, then);
    }
    return true;
}

static bool SaveReplace(_SAVE *s) {
    if (FileReplace(s->temp, s->target) != FILE_OK)
        return SaveFail(s, MSG_FILE_MOVE_ERROR, "cannot put %s in place of the data file: %s", s->temp,
                        FileErrorText());
    s->temp[0] = '\0';
    /* Replaced, but not known to last: told, the new file whole. */
    if (DirSync(s->target) != FILE_OK)
        return SaveFail(s, MSG_FILE_MOVE_ERROR, "cannot flush the data file's folder: %s", FileErrorText());
    return true;
}

/* The session's table and what it was read from are the file's now: the
   parameters below count as written, the others as the file keeps them. */
static void SaveDone(_SAVE *s) {
    _SESSION *session = s->session;
    uint32_t count = s->file.count < PARAM_COUNT ? s->file.count : PARAM_COUNT;
    std::memcpy(session->params, s->merged, count * sizeof(_PARAM));
    std::memcpy(session->params + count, s->disk + count, (PARAM_COUNT - count) * sizeof(_PARAM));
    std::memcpy(session->baseline, session->params, sizeof session->baseline);
    session->tableFile = 1;
    session->tableFileExisted = 1;
    session->lastSaved = s->file;
    session->modified = 0;
}

void DataFileSave(_SESSION *session, _REKFILEINFO file) {
    static _SAVE s;
    s.session = session;
    s.file = file;
    s.file.path[sizeof s.file.path - 1] = '\0';
    s.file.keyword[sizeof s.file.keyword - 1] = '\0';
    s.temp[0] = '\0';
    s.lock = 0;
    std::memset(&session->lastSaved, 0, sizeof session->lastSaved);
    if (!SaveLock(&s))
        return;
    SaveRemoveLeftovers(&s);
    bool ok = SaveReread(&s) && SaveMerge(&s) && SaveWrite(&s) && SaveCheck(&s) && SaveReplace(&s);
    if (s.temp[0] != '\0')
        FileDelete(s.temp);
    FolderUnlock(s.lock);
    if (ok)
        SaveDone(&s);
}
