// Runs the benchmarks and prints each figure as the ratio of its CPU time
// (or, for a figure that waits on the disk, its wall-clock time) to that
// of its reference, both measured in this run: the ratio
// of the medians over the repetitions, the spread of the ratios of the
// repetitions taken pairwise, the target and whether it is met.
#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench.h"

namespace {

struct Figure {
    const char *title;
    const char *subject;
    const char *reference;
    double target;              // the ratio allowed; 0: none
    bool strict;                // the ratio must stay below the target
    bool wall = false;          // wall-clock time: the disk's waits count
};

const Figure kFigures[] = {
    {"1 CALC, one-shot parse and evaluate", "calc/tabrix", "calc/muparser", 0.5, false},
    {"2 load the largest script set", "load/tabrix", "load/linereader", 3.0, false},
    {"3 key: a typed character", "keys/typed", "fill/surface", 0.0, false},
    {"3 key: a focus move", "keys/focus", "fill/surface", 2.0, true},
    {"4 DialogRedraw of a full screen", "redraw/screen", "fill/surface", 5.0, false},
    {"5 save 2,000 parameters, durably", "save/whole", "save/durable", 1.5, false, true},
};

// Keeps the CPU time of every repetition; shows only the aggregates when
// there are several.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override {
        std::vector<Run> shown;
        for (const Run &r : runs) {
            if (r.error_occurred)
                errors[r.benchmark_name()] = r.error_message;
            else if (r.run_type == Run::RT_Iteration) {
                times[r.run_name.function_name].push_back(r.GetAdjustedCPUTime() * Seconds(r.time_unit));
                walls[r.run_name.function_name].push_back(r.GetAdjustedRealTime() * Seconds(r.time_unit));
            }
            if (r.run_type == Run::RT_Aggregate || r.repetitions <= 1 || r.error_occurred)
                shown.push_back(r);
        }
        if (!shown.empty())
            ConsoleReporter::ReportRuns(shown);
    }

    std::map<std::string, std::vector<double>> times;   // CPU seconds, by name
    std::map<std::string, std::vector<double>> walls;   // wall-clock seconds, by name
    std::map<std::string, std::string> errors;

private:
    static double Seconds(benchmark::TimeUnit unit) {
        return 1.0 / benchmark::GetTimeUnitMultiplier(unit);
    }
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::string Duration(double seconds) {
    static const struct { double scale; const char *unit; } units[] = {
        {1, "s"}, {1e3, "ms"}, {1e6, "us"}, {1e9, "ns"}};
    char text[32];
    for (const auto &u : units)
        if (seconds * u.scale >= 1 || u.scale == 1e9) {
            std::snprintf(text, sizeof text, "%.3g %s", seconds * u.scale, u.unit);
            break;
        }
    return text;
}

// One line of the table; false when the figure misses its target or has no
// measurement.
bool PrintFigure(const Figure &f, const RatioReporter &r) {
    const auto &times = f.wall ? r.walls : r.times;
    auto s = times.find(f.subject), ref = times.find(f.reference);
    if (s == times.end() || ref == times.end()) {
        bool filtered = !r.errors.count(f.subject) && !r.errors.count(f.reference);
        std::printf("%-38s not measured%s\n", f.title, filtered ? " (filtered out)" : ": failed");
        return filtered;
    }
    double ratio = Median(s->second) / Median(ref->second);
    double low = 1e300, high = 0;
    for (size_t i = 0; i < std::min(s->second.size(), ref->second.size()); i++) {
        low = std::min(low, s->second[i] / ref->second[i]);
        high = std::max(high, s->second[i] / ref->second[i]);
    }
    bool met = f.target == 0 || (f.strict ? ratio < f.target : ratio <= f.target);
    char target[32] = "-";
    if (f.target != 0)
        std::snprintf(target, sizeof target, "%s %.2g", f.strict ? "<" : "<=", f.target);
    std::printf("%-38s %10s %10s %7.3f  %6.3f-%-6.3f %8s  %s\n", f.title, Duration(Median(s->second)).c_str(),
                Duration(Median(ref->second)).c_str(), ratio, low, high, target,
                f.target == 0 ? "-" : met ? "met" : "MISSED");
    return met;
}

}  // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    LocalizationInit(nullptr, TABRIX_LANG_ENGLISH);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\n%-38s %10s %10s %7s  %-13s %8s  %s\n", "figure", "subject", "reference", "ratio",
                "spread", "target", "verdict");
    int missed = 0;
    for (const Figure &f : kFigures)
        missed += !PrintFigure(f, reporter);
    std::printf(missed ? "%d figure(s) missed their targets\n" : "every measured figure meets its target\n",
                missed);
    for (const std::string &note : BenchNotes())
        std::printf("%s\n", note.c_str());
    for (const auto &[name, message] : reporter.errors)
        std::printf("%s failed: %s\n", name.c_str(), message.c_str());
    return reporter.errors.empty() ? 0 : 1;
}
