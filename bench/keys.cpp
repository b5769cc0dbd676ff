// Key latency and redraw on a screen of 100 fields and 50 CALC entries that
// run after each accepted edit, on a 1024x768 surface, against one fill of
// the whole surface.
//
// A typed character: '5' typed at the end of the focused field's text
// (the text is set back to "1" before each key).  A focus move: down or up
// between the eleventh and twelfth field, which takes every field, runs the
// CALC entries, rewrites the fields and redraws them.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench.h"
#include "platform/draw/draw.h"
#include "session/session.h"

namespace {

constexpr int kFields = 100;
constexpr int kCalcs = 50;
constexpr int kRows = 34;       // fields a column
constexpr int kColumnWidth = 40;

// Fields show parameters 0..99 (the last 30 are CALC results); CALC
// entries read the first 70 and write 70..119.
std::string KeysScript() {
    std::vector<std::string> l = {"REKFILE \"[KEYS]\" \"KEYS.TXT\" C200 N3",
                                  "DIALOG \"Key latency: 100 fields, 50 CALC entries\" \"DLG_MAIN\""};
    for (int n = 0; n < kFields; n++) {
        char line[120];
        int x = (n / kRows) * kColumnWidth, y = n % kRows;
        const char *p = n < 5 ? "HEX " : n % 10 == 5 ? "LIST" : n % 10 == 7 ? "INT " : "REAL";
        std::snprintf(line, sizeof line, "%s \"Parameter %04d\" C%d X%d Y%d%s%s", p, n, n, x, y,
                      n % 10 == 5 ? " L1 N1 V0\"off\" V1\"on\" V2\"auto\"" : n % 10 == 7 ? " L1 N6" : " S",
                      n == 10 ? " A" : "");
        l.push_back(line);
    }
    static const char *const forms[] = {
        "R%d/100*(R%d+R%d)", "ROUND(R%d/R%d*60+R%d)", "R%d-R%d+R%d*0", "SQRT(R%d*R%d+R%d*R%d)",
        "ABS(R%d-R%d)*1.25+R%d/1000",
    };
    for (int c = 0; c < kCalcs; c++) {
        int a = 10 + c % 60, b = 11 + (c * 7) % 59, d = 12 + (c * 13) % 58;
        char formula[80], line[160];
        std::snprintf(formula, sizeof formula, forms[c % 5], a, b, d, b, d);
        std::snprintf(line, sizeof line, "CALC \"%s\"%s C%d A", formula,
                      c % 4 == 0 ? " \"R10 > 0\"" : "", 70 + c);
        l.push_back(line);
    }
    return BenchLines(l);
}

std::string KeysData() {
    std::vector<std::string> l = {"; key latency", "[KEYS]"};
    for (int p = 0; p < 120; p++) {
        char line[60];
        if (p % 10 == 5)        // a LIST entry: the units digit
            std::snprintf(line, sizeof line, "%04d:\t+00000.%03d", p, p % 3);
        else
            std::snprintf(line, sizeof line, "%04d:\t%s%05d.%03d", p, p % 3 ? "+" : "-", 10 + 37 * p, p);
        l.push_back(p < 5 ? std::to_string(p) + ":\t" + std::to_string(4096 + p) + "L" : line);
    }
    l.push_back("*");
    return BenchLines(l);
}

// Starts the session on the screen, the surface bound; false when it fails.
bool KeysStart(benchmark::State &state, _TABRIX_INFO *info) {
    BenchBindSurface(true);
    if (!BenchWrite("KEYS.SCT", KeysScript()) || !BenchWrite("KEYS.TXT", KeysData())) {
        state.SkipWithError("cannot write KEYS.SCT");
        return false;
    }
    BenchStart(info, "KEYS.SCT");
    return !BenchFailed(state, "KEYS.SCT");
}

void KeysTyped(benchmark::State &state) {
    _TABRIX_INFO info;
    if (!KeysStart(state, &info))
        return;
    _DIALOG *d = TabrixSession.current->dialog;
    char *text = ((_EDIT_ITEM *)d->focusItem->data)->text;
    for (auto _ : state) {
        std::strcpy(text, "1");
        d->cursor = 1;
        TabrixSession.firstKey = 0;
        _DIALOGKEYB_INFO key{TABRIX_EVENT_KEY, '5'};
        TabrixCont(&info, &key);
    }
    if (std::strcmp(text, "15") != 0)
        state.SkipWithError(("the field shows " + std::string(text) + ", not 15").c_str());
    BenchFailed(state, "typing");
}

void KeysFocus(benchmark::State &state) {
    _TABRIX_INFO info;
    if (!KeysStart(state, &info))
        return;
    _DIALOG *d = TabrixSession.current->dialog;
    _ITEM *first = d->focusItem;
    bool down = true;
    for (auto _ : state) {
        _DIALOGKEYB_INFO key{TABRIX_EVENT_KEY, (int8_t)(down ? DLG_KEY_DOWN : DLG_KEY_UP)};
        TabrixCont(&info, &key);
        down = !down;
    }
    if (d->focusItem != (down ? first : first->next->next))
        state.SkipWithError("the focus did not move between two fields");
    BenchFailed(state, "focus move");
}

void KeysRedraw(benchmark::State &state) {
    _TABRIX_INFO info;
    if (!KeysStart(state, &info))
        return;
    for (auto _ : state)
        DialogRedraw(TabrixSession.current->dialog);
}

void KeysFill(benchmark::State &state) {
    BenchBindSurface(true);
    for (auto _ : state) {
        GDISetClip(0, 0, kSurfaceWidth - 1, kSurfaceHeight - 1);
        GDISetColor(GDI_WHITE, GDI_WHITE);
        GDIFillRect(0, 0, kSurfaceWidth - 1, kSurfaceHeight - 1);
    }
}

}  // namespace

BENCHMARK(KeysTyped)->Name("keys/typed")->Unit(benchmark::kMicrosecond);
BENCHMARK(KeysFocus)->Name("keys/focus")->Unit(benchmark::kMicrosecond);
BENCHMARK(KeysRedraw)->Name("redraw/screen")->Unit(benchmark::kMicrosecond);
BENCHMARK(KeysFill)->Name("fill/surface")->Unit(benchmark::kMicrosecond);
