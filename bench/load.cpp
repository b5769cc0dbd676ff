// Loading: the largest script set of a typical kind that the session's pool
// holds, loaded by TabrixStart, against reading the same files line by
// line with the line reader alone.
//
// The set is a menu file with one SCRIPT button per machine unit; a unit
// file has a data file, a main screen of four buttons and four screens of
// 16 fields, 3 CALC entries and an INIT each.  The number of units is the
// largest that loads; one more ends the load with error 13.
#include <cstdio>
#include <string>
#include <vector>

#include "bench.h"
#include "common/memory/memory.h"
#include "platform/messages/messages.h"
#include "session/session.h"
#include "text/linereader.h"

namespace {

constexpr int kScreensPerUnit = 4;
constexpr int kParamsPerScreen = 30;
constexpr int kUnitsMax = 2000;     // the search gives up beyond

std::string Unit(int n) {
    char name[16];
    std::snprintf(name, sizeof name, "U%03d", n);
    return name;
}

// The fields of a screen: keyword and label, parameter (from the screen's
// first), the rest of the line.
const struct {
    const char *item;
    int param;
    const char *rest;
} kFields[] = {
    {"REAL \"Rapid feed      \"", 0, " X1 Y2 A   // whole value"},
    {"REAL \"Work feed       \"", 1, ""},
    {"REAL \"Acceleration    \"", 2, " H6 L1"},
    {"INT  \"Pulses/rev      \"", 3, " L4 N5"},
    {"HEX  \"Input mask      \"", 4, ""},
    {"LIST \"Direction       \"", 5, " L4 N1 V0 \"normal\" V1 \"reversed\""},
    {"SIGN \"Offset sign     \"", 6, " V+ \"plus\" V- \"minus\""},
    {"REAL \"Offset          \"", 6, " H6 L1"},
    {"REAL \"Backlash        \"", 7, ""},
    {"REAL \"Max             \"", 8, " S X40 Y2"},
    {"REAL \"Min             \"", 9, " S"},
    {"REAL \"Travel          \"", 10, ""},
    {"INT  \"Pieces          \"", 11, " L3 N4"},
    {"REAL \"Length          \"", 12, ""},
    {"REAL \"Kerf            \"", 13, " H4 N4"},
    {"LIST \"Mode            \"", 14, " L3 N1 V0 \"manual\" V1 \"semiauto\"\r\n  2 \"auto\""},
};

// One field screen of a unit; its parameters start at base.
void UnitScreen(std::vector<std::string> &l, int n, const char *title, const char *name, int base) {
    auto R = [base](int k) {
        char name[16];
        std::snprintf(name, sizeof name, "R%d", base + k);
        return std::string(name);
    };
    l.push_back("DIALOG \"" + Unit(n) + " " + title + "\" \"" + name + "\"");
    l.push_back("TEXT \"" + std::string(title) + " of unit " + Unit(n) +
                ". Lengths in mm, speeds in mm/min.\" X1 Y0");
    for (const auto &f : kFields)
        l.push_back(f.item + std::string(" C") + std::to_string(base + f.param) + f.rest);
    l.push_back("INIT C" + std::to_string(base + 15) + " L3 N1 I0           // jogging off on entry");
    l.push_back("CALC \"" + R(8) + " - " + R(9) + "\" \"" + R(8) + " > " + R(9) + "\" C" +
                std::to_string(base + 10) + " A");
    l.push_back("CALC \"" + R(11) + " / 100 * (" + R(12) + " + " + R(13) + ")\" C" + std::to_string(base + 16) +
                " A");
    l.push_back("CALC \"ROUND(" + R(0) + " / " + R(1) + " * 60)\" \"" + R(1) + " > 0\" D0 A");
}

std::string UnitScript(int n) {
    static const char *const titles[kScreensPerUnit] = {"Axis", "Limits", "Cycle", "Service"};
    static const char *const names[kScreensPerUnit] = {"AXIS", "LIMITS", "CYCLE", "SERVICE"};
    std::vector<std::string> l = {
        "REKFILE \"[UNIT]\" \"" + Unit(n) + ".TXT\" C200 N3",
        "DIALOG \"Unit " + Unit(n) + "\" \"DLG_MAIN\"",
        "TEXT \"Settings of one unit of the machine; Enter opens a screen.\" X1 Y0 A",
    };
    for (int s = 0; s < kScreensPerUnit; s++)
        l.push_back(std::string("SUB \"") + titles[s] + "\" \"" + names[s] + "\"" +
                    (s == 0 ? " X2 Y3 A" : ""));
    for (int s = 0; s < kScreensPerUnit; s++)
        UnitScreen(l, n, titles[s], names[s], s * kParamsPerScreen);
    return BenchLines(l);
}

std::string UnitData(int n) {
    std::vector<std::string> l = {"; Unit " + Unit(n), "; written by: service", "[UNIT]"};
    for (int p = 0; p < kScreensPerUnit * kParamsPerScreen; p++) {
        if (p % kParamsPerScreen > 16)
            continue;
        char line[80];
        std::snprintf(line, sizeof line, "%04d:\t+%05d.%03d\t;parameter %d of the unit", p,
                      100 + 7 * p, p % 1000, p);
        l.push_back(line);
    }
    l.push_back("");
    l.push_back("*");
    return BenchLines(l);
}

std::string Menu(int units) {
    std::vector<std::string> l = {"DIALOG \"Machine\" \"DLG_MAIN\"", "TEXT \"Units of the machine\" X1 Y0"};
    for (int n = 1; n <= units; n++) {
        char line[100];
        std::snprintf(line, sizeof line, "SCRIPT \"Unit %03d\" \"U%03d.SCT\" X%d Y%d%s", n, n,
                      1 + 12 * ((n - 1) / 36), 2 + (n - 1) % 36, n == 1 ? " A" : "");
        l.push_back(line);
    }
    return BenchLines(l);
}

// The generated set: unit files 1..written exist; MAIN.SCT names 1..units.
struct LoadSet {
    int written = 0;
    int units = 0;              // the largest number that loads; 0: none
    std::string failure;
};

bool LoadWriteUnits(LoadSet &set, int units) {
    for (; set.written < units; set.written++) {
        int n = set.written + 1;
        if (!BenchWrite(Unit(n) + ".SCT", UnitScript(n)) || !BenchWrite(Unit(n) + ".TXT", UnitData(n)))
            return false;
    }
    return true;
}

// 1 when a menu of units loads, 0 when it ends with error 13, -1 on any
// other failure (recorded in set.failure).
int LoadTry(LoadSet &set, int units) {
    _TABRIX_INFO info;
    if (!LoadWriteUnits(set, units) || !BenchWrite("MAIN.SCT", Menu(units))) {
        set.failure = "cannot write the script set";
        return -1;
    }
    uint32_t error = BenchStart(&info, "MAIN.SCT");
    if (error == 0)
        return 1;
    if (error == MSG_NO_MEMORY)
        return 0;
    set.failure = "error " + std::to_string(error) + " " + TabrixSession.errorText;
    return -1;
}

// The files a load of the set reads, and whether each is a script.
std::vector<std::pair<std::string, int>> LoadFiles(int units) {
    std::vector<std::pair<std::string, int>> files = {{"MAIN.SCT", 1}};
    for (int n = 1; n <= units; n++) {
        files.push_back({Unit(n) + ".SCT", 1});
        files.push_back({Unit(n) + ".TXT", 0});
    }
    return files;
}

void LoadNoteCapacity(int units) {
    int screens = 0, items = 0, fields = 0, calcs = 0;
    for (const _SCREEN *s = &TabrixSession.screens; s->dialog; s = s->next) {
        screens++;
        for (const _ITEM *i = s->dialog->firstItem; i; i = i->next) {
            items++;
            fields += i->valueRef != nullptr;
        }
        for (const _CALCENTRY *c = s->calcs; c; c = c->next)
            calcs++;
    }
    uint32_t free = 0;
    for (const _MEMORY_BLOCK *b = MemoryPool()->free; b; b = b->next)
        free += b->size;
    size_t bytes = 0;
    for (const auto &file : LoadFiles(units))
        bytes += BenchRead(file.first).size();
    char text[400];
    std::snprintf(text, sizeof text,
                  "pool: %d unit files load (%d+1 ends with error 13): %d screens, %d dialog items, "
                  "%d of them fields, %d CALC entries; %u of %u bytes used, %u free; %zu files of %zu bytes",
                  units, units, screens, items, fields, calcs, POOL_BUFFER_SIZE - free, POOL_BUFFER_SIZE, free,
                  LoadFiles(units).size(), bytes);
    BenchNote(text);
}

// Finds the largest set once: doubling, then halving the interval.
const LoadSet &LoadLargest() {
    static LoadSet set;
    static bool searched = false;
    if (searched)
        return set;
    searched = true;
    BenchBindSurface(false);
    int good = 0, bad = 8;
    for (int r; bad <= kUnitsMax && (r = LoadTry(set, bad)) == 1; bad *= 2)
        good = bad;
    if (!set.failure.empty() || bad > kUnitsMax) {
        set.failure = set.failure.empty() ? "the pool never filled" : set.failure;
        return set;
    }
    while (bad - good > 1) {
        int mid = (good + bad) / 2;
        int r = LoadTry(set, mid);
        if (r < 0)
            return set;
        (r == 1 ? good : bad) = mid;
    }
    set.units = good;
    if (good == 0) {
        set.failure = "not even one unit file fits";
        return set;
    }
    if (LoadTry(set, good) != 1) {
        set.failure = "the largest set no longer loads";
        return set;
    }
    LoadNoteCapacity(good);
    return set;
}

void LoadTabrix(benchmark::State &state) {
    const LoadSet &set = LoadLargest();
    if (!set.failure.empty()) {
        state.SkipWithError(set.failure.c_str());
        return;
    }
    BenchBindSurface(false);
    if (!BenchWrite("MAIN.SCT", Menu(set.units)))
        return state.SkipWithError("cannot write MAIN.SCT");
    _TABRIX_INFO info;
    BenchStart(&info, "MAIN.SCT");
    for (auto _ : state)
        TabrixStart(&info);
    BenchFailed(state, "load");
}

void LoadLineReader(benchmark::State &state) {
    const LoadSet &set = LoadLargest();
    if (!set.failure.empty()) {
        state.SkipWithError(set.failure.c_str());
        return;
    }
    auto files = LoadFiles(set.units);
    static _LINEREADER reader;
    uint64_t lines = 0;
    for (auto _ : state) {
        for (const auto &[name, wide] : files) {
            if (LineReaderOpen(&reader, name.c_str(), wide) != 0)
                return state.SkipWithError(("cannot open " + name).c_str());
            while (LineReaderNextLine(&reader) == 0)
                benchmark::DoNotOptimize(reader.line[0]);
            lines += reader.lineNumber;
            LineReaderClose(&reader);
        }
    }
    state.counters["lines"] = benchmark::Counter((double)lines, benchmark::Counter::kAvgIterations);
}

}  // namespace

BENCHMARK(LoadTabrix)->Name("load/tabrix")->Unit(benchmark::kMillisecond);
BENCHMARK(LoadLineReader)->Name("load/linereader")->Unit(benchmark::kMillisecond);
