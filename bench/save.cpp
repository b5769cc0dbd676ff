// Saving a data file of 2,000 parameters as an operator feels it, against
// the physical limit of replacing a file durably, both in wall-clock time.
//
// The whole save takes the lock of the folder, reads the data file again,
// merges the session's changes, writes the new file, flushes it, renames
// it over the data file and flushes the folder.  The limit writes the same
// bytes to a new file with one write call, flushes it, renames it over the
// old one and flushes the folder: no save that must survive a crash can
// do with less.
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

// The whole save on the session's data file, a parameter changed each
// time so that every save has something to write.
void SaveWhole(benchmark::State &state) {
    _TABRIX_INFO info;
    if (!SaveStart(state, &info))
        return;
    const _REKFILEINFO file = *TabrixSession.current->dataFile;
    int32_t value = 0;
    for (auto _ : state) {
        TabrixSession.params[0].value = ++value % 2 ? 1000 : 2000;
        DataFileSave(&TabrixSession, file);
    }
    if (BenchFailed(state, "save"))
        return;
    state.SetBytesProcessed(state.iterations() * (int64_t)BenchRead("SAVE.TXT").size());
}

// The same bytes replaced durably with the fewest calls.
void SaveDurable(benchmark::State &state) {
    _TABRIX_INFO info;
    if (!SaveStart(state, &info))
        return;
    std::string bytes = BenchRead("SAVE.TXT");
    for (auto _ : state) {
        int fd = open("COPY.TXT", O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        bool ok = fd >= 0 && write(fd, bytes.data(), bytes.size()) == (ssize_t)bytes.size() && fsync(fd) == 0;
        ok = fd >= 0 && close(fd) == 0 && ok && rename("COPY.TXT", "SAVE.TXT") == 0;
        int folder = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ok = ok && folder >= 0 && fsync(folder) == 0;
        if (folder >= 0)
            close(folder);
        if (!ok)
            return state.SkipWithError("cannot replace SAVE.TXT");
    }
    state.SetBytesProcessed(state.iterations() * (int64_t)bytes.size());
}

}  // namespace

BENCHMARK(SaveWhole)->Name("save/whole")->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(SaveDurable)->Name("save/durable")->Unit(benchmark::kMicrosecond)->UseRealTime();
