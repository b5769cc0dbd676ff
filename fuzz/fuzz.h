/*
 * fuzz.h - what the fuzz targets share: a private scratch folder that is
 * the working directory while a target runs, whole files in and out, and a
 * drawing surface of exactly its own size, so that a stray pixel is an
 * AddressSanitizer report.
 */
#ifndef TABRIX_FUZZ_FUZZ_H
#define TABRIX_FUZZ_FUZZ_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "tabrix/tabrix.h"

/* Makes a private folder (under /dev/shm when there is one, so that the
   saves' flushes cost little), makes it the working directory and removes
   it with its files when the process exits. */
void FuzzScratchEnter(void);

/* Writes size bytes to name in the working directory, replacing it. */
void FuzzFileWrite(const char *name, const void *data, size_t size);
std::string FuzzFileRead(const char *path);

/* A small picture, 16 x 4 pixels of 4 bits: it stands in for the demo's
   picture where a session draws one, as decoding a large picture would
   cost most of each run and is the bitmap target's work. */
std::string FuzzPicture(void);

/* Aborts with a message: a finding that no sanitizer reports. */
[[noreturn]] void FuzzFail(const char *what);

/* A pixel surface bound to the drawing layer. */
struct FuzzSurface {
    _GDI_SURFACE surface;

    FuzzSurface(uint32_t width, uint32_t height);
    ~FuzzSurface();
    FuzzSurface(const FuzzSurface &) = delete;
    FuzzSurface &operator=(const FuzzSurface &) = delete;

    uint32_t &At(uint32_t x, uint32_t y) { return surface.pixels[(size_t)y * surface.width + x]; }
    void Clear(uint32_t rgb);
};

#endif
