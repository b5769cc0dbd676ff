/*
 * datafile_fuzz.cpp - reading a data file: any bytes, under any
 * initializing word, number of decimals and count of saved parameters.
 * A file that reads without an error must save, read back the same
 * values after the save (a save that changes a value corrupts the
 * machine's data), and a second save must write the same bytes.
 *
 * Input: one byte of settings, the initializing word up to the first
 * line feed, then the data file.
 */
#include <cstring>
#include <string>

#include "common/memory/memory.h"
#include "datafile/datafile.h"
#include "fuzz.h"
#include "session/session.h"

alignas(8) static uint8_t pool[POOL_BUFFER_SIZE];
static _PARAM first[PARAM_COUNT];

/* Counts a REKFILE may give, the default first. */
static const uint32_t counts[] = {2000, 100, 10, 1, 0, 1999, 65535, 7};

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    FuzzScratchEnter();
    LocalizationInit(nullptr, TABRIX_LANG_ENGLISH);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1)
        return 0;
    _REKFILEINFO file{};
    std::strcpy(file.path, "DATA.TXT");
    /* Decimals as a REKFILE gives them: 1 to 10, N8 meaning 3. */
    uint8_t decimals = data[0] % 10 + 1;
    file.decimals = decimals == 8 ? 3 : decimals;
    file.count = counts[data[0] >> 4 & 7];
    const uint8_t *word = data + 1, *end = data + size;
    const uint8_t *feed = (const uint8_t *)std::memchr(word, '\n', (size_t)(end - word));
    const uint8_t *body = feed != nullptr ? feed + 1 : end;
    std::memcpy(file.keyword, word, std::min<size_t>((size_t)(body - word) - (feed != nullptr),
                                                     sizeof file.keyword - 2));
    FuzzFileWrite(file.path, body, (size_t)(end - body));

    _SESSION *s = &TabrixSession;
    std::memset(s, 0, sizeof *s);
    MemoryInit(pool, sizeof pool);
    DataFileRead(s, file);
    if (s->errorCode != 0)
        return 0;
    std::memcpy(first, s->params, sizeof first);
    DataFileSave(s, file);
    if (s->errorCode != 0)
        FuzzFail("a data file that reads cannot be saved");
    std::string once = FuzzFileRead(file.path);
    DataFileRead(s, file);
    if (s->errorCode != 0)
        FuzzFail("a saved data file does not read");
    for (uint32_t n = 0; n < PARAM_COUNT; n++)
        if (s->params[n].value != first[n].value || s->params[n].flags != first[n].flags)
            FuzzFail("a saved data file reads back other values");
    DataFileSave(s, file);
    if (s->errorCode != 0 || FuzzFileRead(file.path) != once)
        FuzzFail("a second save without a change writes other bytes");
    return 0;
}
