/*
 * fuzz.cpp - the scratch folder, files and surface of the fuzz targets.
 */
#include "fuzz.h"

#include <fcntl.h>
#include <ftw.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

static std::string scratchRoot;

static void FuzzScratchRemove(void) {
    if (scratchRoot.empty() || chdir("/") != 0)
        return;
    nftw(scratchRoot.c_str(), [](const char *p, const struct stat *, int, FTW *) { return remove(p); },
         16, FTW_DEPTH | FTW_PHYS);
}

void FuzzScratchEnter(void) {
    std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    if (const char *tmp = std::getenv("TABRIX_FUZZ_TMP"))
        base = tmp;
    std::string name = base + "/tabrix-fuzz-XXXXXX";
    if (mkdtemp(name.data()) == nullptr || chdir(name.c_str()) != 0)
        FuzzFail("no scratch folder");
    scratchRoot = name;
    std::atexit(FuzzScratchRemove);
}

void FuzzFileWrite(const char *name, const void *data, size_t size) {
    int fd = open(name, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || write(fd, data, size) != (ssize_t)size || close(fd) != 0)
        FuzzFail(name);
}

std::string FuzzFileRead(const char *path) {
    std::string bytes;
    int fd = open(path, O_RDONLY);
    if (fd < 0)
        FuzzFail(path);
    char buffer[4096];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, (size_t)n);
    close(fd);
    return bytes;
}

static void FuzzPut(std::string &bytes, uint32_t value, int size) {
    for (int i = 0; i < size; i++)
        bytes += (char)(value >> 8 * i & 0xFF);
}

std::string FuzzPicture(void) {
    const uint32_t width = 16, height = 4, colours = 16, offset = 54 + colours * 4;
    std::string bytes = "BM";
    FuzzPut(bytes, offset + width / 2 * height, 4);
    FuzzPut(bytes, 0, 4);
    FuzzPut(bytes, offset, 4);
    FuzzPut(bytes, 40, 4);
    FuzzPut(bytes, width, 4);
    FuzzPut(bytes, height, 4);
    FuzzPut(bytes, 1, 2);
    FuzzPut(bytes, 4, 2);
    for (int i = 0; i < 6; i++)
        FuzzPut(bytes, 0, 4);
    for (uint32_t i = 0; i < colours; i++)
        FuzzPut(bytes, i * 0x0F0F0F, 4);
    for (uint32_t i = 0; i < width / 2 * height; i++)
        bytes += (char)(i * 0x13);
    return bytes;
}

void FuzzFail(const char *what) {
    std::fprintf(stderr, "fuzz finding: %s\n", what);
    std::abort();
}

FuzzSurface::FuzzSurface(uint32_t width, uint32_t height) {
    surface = {width, height, width * 4, new uint32_t[(size_t)width * height]};
    Clear(0);
    _GDI_INIT_PARAMS params{};
    params.size = sizeof params;
    params.hdc = &surface;
    GDIInit(&params);
}

FuzzSurface::~FuzzSurface() {
    _GDI_INIT_PARAMS params{};
    params.size = sizeof params;
    GDIInit(&params);
    delete[] surface.pixels;
}

void FuzzSurface::Clear(uint32_t rgb) {
    std::fill_n(surface.pixels, (size_t)surface.width * surface.height, rgb);
}
