/*
 * save_fuzz.cpp - the save's promises under random edits, random changes
 * made on disk by another program, and saves failing at random file
 * operations.  After every step: the data file reads whole; it holds, for
 * every parameter, the value a model of the two writers says; every line
 * the session does not own (comments, text after the end) is still there,
 * in its order; a failed save changed nothing of the file and left no
 * temporary file; a change reported saved is in the file.
 *
 * Input: the first 16 bytes give the parameters' first values; then steps
 * of three bytes: what (an edit, a change on disk, a save, a save that
 * fails at the n-th file operation), a parameter and a value.
 */
#include <dirent.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/memory/memory.h"
#include "datafile/datafile.h"
#include "fuzz.h"
#include "platform/files/files.h"
#include "session/session.h"

#define SAVE_PARAMS 16
#define SAVE_PATH "DATA.TXT"

alignas(8) static uint8_t pool[POOL_BUFFER_SIZE];

/* What each writer holds, as whole values (the data file has 3 places). */
struct _MODEL {
    int32_t disk[SAVE_PARAMS];      /* in the file */
    int32_t mine[SAVE_PARAMS];      /* in the session */
    int32_t base[SAVE_PARAMS];      /* what the session last read or saved */
};

static _MODEL model;
static int faultAt, faultSeen, faultOp;

static int SaveFault(int op) {
    if (++faultSeen != faultAt)
        return 0;
    faultOp = op;
    return 1;
}

static _REKFILEINFO SaveFile(void) {
    _REKFILEINFO file{};
    std::strcpy(file.path, SAVE_PATH);
    std::strcpy(file.keyword, "K");
    file.count = SAVE_PARAMS;
    file.decimals = 3;
    return file;
}

/* The lines no save may change, in their order. */
static const char *const keptLines[] = {"; header", "K", ";first", ";between", "\"quoted", "trailer"};

static void SaveWriteDisk(void) {
    std::string text = "; header\r\nK\r\n;first\r\n";
    for (int n = 0; n < SAVE_PARAMS; n++) {
        char line[40];
        std::snprintf(line, sizeof line, "%d:%d\r\n", n, model.disk[n]);
        text += line;
        if (n == 7)
            text += ";between\r\n\"quoted\r\n";
    }
    text += "* \r\ntrailer\r\n";
    FuzzFileWrite(SAVE_PATH, text.data(), text.size());
}

/* Another program sets a parameter in the file, in place. */
static void SaveChangeDisk(int n, int32_t v) {
    std::string text = FuzzFileRead(SAVE_PATH), out;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find("\r\n", at);
        end = end == std::string::npos ? text.size() : end + 2;
        std::string line = text.substr(at, end - at);
        int number;
        char rest[8];
        if (std::sscanf(line.c_str(), "%d:%7s", &number, rest) == 2 && number == n && rest[0] != '\0') {
            char changed[40];
            std::snprintf(changed, sizeof changed, "%d:%d\r\n", n, v);
            line = changed;
        }
        out += line;
        at = end;
    }
    FuzzFileWrite(SAVE_PATH, out.data(), out.size());
    model.disk[n] = v;
}

static bool SaveTemporaryLeft(void) {
    DIR *dir = opendir(".");
    bool left = false;
    for (struct dirent *e; dir != nullptr && (e = readdir(dir)) != nullptr;)
        left = left || std::strstr(e->d_name, ".tm_") != nullptr;
    if (dir != nullptr)
        closedir(dir);
    return left;
}

/* The file reads whole, holds the model's values and every kept line. */
static void SaveCheckDisk(void) {
    static _PARAM table[PARAM_COUNT];
    _SESSION probe{};
    _REKFILEINFO file = SaveFile();
    DataFileScan(&probe, &file, SAVE_PATH, table);
    if (probe.errorCode != 0)
        FuzzFail("the data file does not read");
    for (int n = 0; n < SAVE_PARAMS; n++)
        if (!(table[n].flags & PARAM_VALID) || table[n].value != model.disk[n] * 1000)
            FuzzFail("the data file does not hold the value it should");
    std::string text = FuzzFileRead(SAVE_PATH);
    size_t at = 0;
    for (const char *kept : keptLines) {
        at = text.find(std::string(kept) + "\r\n", at);
        if (at == std::string::npos)
            FuzzFail("a line the session does not own was changed or moved");
    }
}

/* What the save did to the session and the file, against the model. */
static void SaveStep(int failAt) {
    _SESSION *s = &TabrixSession;
    std::string before = FuzzFileRead(SAVE_PATH);
    int first = -1;
    for (int n = 0; n < SAVE_PARAMS && first < 0; n++)
        if (model.mine[n] != model.base[n] && model.disk[n] != model.base[n] && model.mine[n] != model.disk[n])
            first = n;
    faultAt = failAt;
    faultSeen = 0;
    faultOp = -1;
    FileFaultSet(failAt > 0 ? SaveFault : nullptr);
    s->errorCode = 0;
    DataFileSave(s, SaveFile());
    FileFaultSet(nullptr);
    if (SaveTemporaryLeft())
        FuzzFail("a save left a temporary file");
    /* A conflict is told before anything is written; its disk values
       count as read from then on. */
    if (s->errorCode != 0 && std::strstr(s->place.reason, "was changed to") != nullptr) {
        if (first < 0 || FuzzFileRead(SAVE_PATH) != before)
            FuzzFail("a conflict was told where there is none, or the file was written");
        for (int m = first; m < SAVE_PARAMS; m++)
            if (model.mine[m] != model.base[m] && model.disk[m] != model.base[m])
                model.base[m] = model.disk[m];
        return;
    }
    /* Closing what was only read changes nothing; any other failure is
       told. */
    bool harmless = faultOp == FILE_OP_CLOSE || faultOp < 0;
    if ((s->errorCode != 0 && faultOp < 0) || (s->errorCode == 0 && !harmless))
        FuzzFail("a save failed without a cause, or a failure was not told");
    if (s->errorCode == 0 && first >= 0)
        FuzzFail("a conflict was written over");
    bool replaced = s->errorCode == 0 || faultOp == FILE_OP_DIR_SYNC;
    if (!replaced) {
        if (FuzzFileRead(SAVE_PATH) != before)
            FuzzFail("a failed save changed the data file");
        return;
    }
    for (int n = 0; n < SAVE_PARAMS; n++) {
        if (model.mine[n] != model.base[n])
            model.disk[n] = model.mine[n];
        if (s->errorCode == 0)
            model.mine[n] = model.base[n] = model.disk[n];
    }
}

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    FuzzScratchEnter();
    LocalizationInit(nullptr, TABRIX_LANG_ENGLISH);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < SAVE_PARAMS)
        return 0;
    for (int n = 0; n < SAVE_PARAMS; n++)
        model.disk[n] = model.mine[n] = model.base[n] = data[n];
    SaveWriteDisk();
    _SESSION *s = &TabrixSession;
    std::memset(s, 0, sizeof *s);
    MemoryInit(pool, sizeof pool);
    DataFileRead(s, SaveFile());
    if (s->errorCode != 0)
        FuzzFail("the first file does not read");
    for (size_t at = SAVE_PARAMS; at + 3 <= size; at += 3) {
        int n = data[at + 1] % SAVE_PARAMS;
        int32_t v = data[at + 2];
        switch (data[at] % 4) {
        case 0:
            model.mine[n] = v;
            s->params[n] = {v * 1000, PARAM_VALID};
            break;
        case 1:
            SaveChangeDisk(n, v);
            break;
        case 2:
            SaveStep(0);
            break;
        default:
            SaveStep(1 + data[at + 1] / SAVE_PARAMS + data[at + 2] % 8);
            break;
        }
        SaveCheckDisk();
    }
    return 0;
}
