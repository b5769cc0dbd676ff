// Saving a data file of 2,000 parameters without the fsync calls, against
// writing the same bytes to a new file with one write call (the old file
// of that name removed, the new one created, written and closed).
//
// The figure is the formatting and writing: DataFileWriteTemp, the step of
// the save that creates the temporary file, writes the header, the
// parameter lines and the comments, and closes it.  Timed beside it: the
// file calls of that step alone with the bytes already made, which tells
// formatting from calls, and the whole save, which also rereads the old
// file for its header and comments and renames the new file over it.
//
// The flushes to the disk are left out: this program defines fsync
// itself, and the library's objects, linked into it, call that one, which
// counts the call and returns success.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench.h"
#include "datafile/datafile.h"
#include "platform/files/files.h"
#include "platform/messages/messages.h"
#include "session/session.h"

namespace {

long syncs;                     // fsync calls skipped

constexpr int kParams = 2000;

std::string SaveData() {
    std::vector<std::string> l = {"; Machine BP-250 no. 0417", "; all parameters of the control",
                                  "; written by: service", "[SAVE]"};
    for (int p = 0; p < kParams; p++) {
        char line[100];
        if (p % 50 == 49)
            std::snprintf(line, sizeof line, "%04d:\t%uL\t;mask", p, 0xF00Fu + (unsigned)p);
        else
            std::snprintf(line, sizeof line, "%04d:\t%c%05d.%03d%s", p, p % 7 ? '+' : '-', (p * 37) % 99999,
                          (p * 13) % 1000, p % 4 == 3 ? "" : "\t;mm/min, feed of the axis");
        l.push_back(line);
    }
    l.push_back("");
    l.push_back("*");
    return BenchLines(l);
}

// The session on SAVE.TXT, saved once so that every later save writes the
// same bytes; false when that fails.
bool SaveStart(benchmark::State &state, _TABRIX_INFO *info) {
    BenchBindSurface(false);
    std::vector<std::string> script = {"REKFILE \"[SAVE]\" \"SAVE.TXT\" N3",
                                       "DIALOG \"Save\" \"DLG_MAIN\"", "REAL \"Feed\" C0"};
    if (!BenchWrite("SAVE.SCT", BenchLines(script)) || !BenchWrite("SAVE.TXT", SaveData())) {
        state.SkipWithError("cannot write SAVE.SCT");
        return false;
    }
    BenchStart(info, "SAVE.SCT");
    if (BenchFailed(state, "SAVE.SCT"))
        return false;
    DataFileSave(&TabrixSession, *TabrixSession.current->dataFile);
    std::string once = BenchRead("SAVE.TXT");
    DataFileSave(&TabrixSession, *TabrixSession.current->dataFile);
    if (BenchFailed(state, "save"))
        return false;
    if (BenchRead("SAVE.TXT") != once) {
        state.SkipWithError("a second save wrote other bytes");
        return false;
    }
    return true;
}

// Runs save on the session's data file; checks that every run flushed
// flushes times and that the file written holds the bytes of SAVE.TXT.
template <typename Save>
void SaveRun(benchmark::State &state, const char *written, long flushes, Save save) {
    _TABRIX_INFO info;
    if (!SaveStart(state, &info))
        return;
    const _REKFILEINFO file = *TabrixSession.current->dataFile;
    long before = syncs;
    for (auto _ : state)
        save(file);
    if (BenchFailed(state, "save"))
        return;
    std::string bytes = BenchRead("SAVE.TXT");
    if (syncs - before != flushes * (long)state.iterations())
        state.SkipWithError("the fsync calls are not the ones expected");
    else if (BenchRead(written) != bytes)
        state.SkipWithError("the file written is not the data file");
    state.SetBytesProcessed(state.iterations() * (int64_t)bytes.size());
}

void SaveWrite(benchmark::State &state) {
    SaveRun(state, "SAVE.tm_", 1, [](const _REKFILEINFO &file) {
        if (DataFileWriteTemp(&TabrixSession, &file, "SAVE.tm_") != 0)
            SessionSetError(&TabrixSession, MSG_FILE_WRITE_ERROR, "SAVE.tm_", "the benchmark's write failed");
    });
}

void SaveWhole(benchmark::State &state) {
    SaveRun(state, "SAVE.TXT", 2, [](const _REKFILEINFO &file) { DataFileSave(&TabrixSession, file); });
}

void SaveOneWrite(benchmark::State &state) {
    _TABRIX_INFO info;
    if (!SaveStart(state, &info))
        return;
    std::string bytes = BenchRead("SAVE.TXT");
    for (auto _ : state) {
        unlink("COPY.TXT");
        int fd = open("COPY.TXT", O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0 || write(fd, bytes.data(), bytes.size()) != (ssize_t)bytes.size() || close(fd) != 0)
            return state.SkipWithError("cannot write COPY.TXT");
    }
    state.SetBytesProcessed(state.iterations() * (int64_t)bytes.size());
}

// The file calls of DataFileWriteTemp with the bytes already made: what
// the writing step costs without its formatting.
void SaveCalls(benchmark::State &state) {
    _TABRIX_INFO info;
    if (!SaveStart(state, &info))
        return;
    std::string bytes = BenchRead("SAVE.TXT");
    for (auto _ : state) {
        uint32_t handle, size;
        FileDelete("COPY.TXT");
        if (FileOpen("COPY.TXT", FILE_WRITE | FILE_CREATE, &handle, &size) != FILE_OK)
            return state.SkipWithError("cannot create COPY.TXT");
        bool ok = FileModeCopy("SAVE.TXT", handle) == FILE_OK;
        ok = ok && FileWriteBlock(handle, bytes.data(), (uint32_t)bytes.size()) == FILE_OK;
        ok = ok && FileSync(handle) == FILE_OK;
        if (FileClose(handle) != FILE_OK || !ok)
            return state.SkipWithError("cannot write COPY.TXT");
    }
    if (BenchRead("COPY.TXT") != bytes)
        state.SkipWithError("COPY.TXT is not the data file");
    state.SetBytesProcessed(state.iterations() * (int64_t)bytes.size());
}

}  // namespace

extern "C" int fsync(int) {
    syncs++;
    return 0;
}

BENCHMARK(SaveWrite)->Name("save/write")->Unit(benchmark::kMicrosecond);
BENCHMARK(SaveWhole)->Name("save/whole")->Unit(benchmark::kMicrosecond);
BENCHMARK(SaveCalls)->Name("save/calls")->Unit(benchmark::kMicrosecond);
BENCHMARK(SaveOneWrite)->Name("save/onewrite")->Unit(benchmark::kMicrosecond);
