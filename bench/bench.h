// What the benchmarks share: a scratch folder as the working directory,
// files written whole, a bound drawing surface, sessions started on
// generated scripts, and notes printed after the figures.
#ifndef TABRIX_BENCH_BENCH_H
#define TABRIX_BENCH_BENCH_H

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tabrix/tabrix.h"

// The surface of the key and redraw figures.
constexpr uint32_t kSurfaceWidth = 1024, kSurfaceHeight = 768;

// The scratch folder: made on first use under $TMPDIR (or /tmp), made the
// working directory, removed with its files when the program ends.
const std::string &BenchFolder();

// Writes a file of the scratch folder whole; false on failure.
bool BenchWrite(const std::string &name, const std::string &bytes);
std::string BenchRead(const std::string &name);

// Lines joined with CR LF, each ended by it.
std::string BenchLines(const std::vector<std::string> &lines);

// Binds the drawing layer to a kSurfaceWidth x kSurfaceHeight surface
// (bound = true) or to none.
void BenchBindSurface(bool bound);

// Starts a session on script with the whole surface as screen rectangle;
// the session's error code (0: loaded).
uint32_t BenchStart(_TABRIX_INFO *info, const char *script);

// Marks the run failed when the session holds an error; true when it does.
bool BenchFailed(benchmark::State &state, const char *what);

// A line printed under the figures (pool capacity and the like).
void BenchNote(const std::string &line);
const std::vector<std::string> &BenchNotes();

#endif
