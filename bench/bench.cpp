// The benchmarks' shared scratch folder, surface and sessions.
#include "bench.h"

#include <ftw.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "platform/draw/draw.h"
#include "session/session.h"

namespace {

std::string scratch;
std::vector<std::string> notes;
std::vector<uint32_t> pixels((size_t)kSurfaceWidth * kSurfaceHeight);
_GDI_SURFACE surface{kSurfaceWidth, kSurfaceHeight, kSurfaceWidth * 4, pixels.data()};

void BenchRemoveFolder() {
    if (chdir("/") != 0 || scratch.empty())
        return;
    nftw(scratch.c_str(), [](const char *p, const struct stat *, int, FTW *) { return remove(p); }, 16,
         FTW_DEPTH | FTW_PHYS);
}

}  // namespace

const std::string &BenchFolder() {
    if (!scratch.empty())
        return scratch;
    const char *tmp = std::getenv("TMPDIR");
    std::string name = std::string(tmp && *tmp ? tmp : "/tmp") + "/tabrix-bench-XXXXXX";
    if (mkdtemp(name.data()) == nullptr || chdir(name.c_str()) != 0) {
        std::perror(name.c_str());
        std::exit(1);
    }
    scratch = name;
    std::atexit(BenchRemoveFolder);
    return scratch;
}

bool BenchWrite(const std::string &name, const std::string &bytes) {
    std::ofstream out(BenchFolder() + "/" + name, std::ios::binary | std::ios::trunc);
    out << bytes;
    return out.good();
}

std::string BenchRead(const std::string &name) {
    std::ifstream in(BenchFolder() + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string BenchLines(const std::vector<std::string> &lines) {
    std::string bytes;
    for (const std::string &l : lines)
        bytes += l + "\r\n";
    return bytes;
}

void BenchBindSurface(bool bound) {
    _GDI_INIT_PARAMS params{};
    params.size = sizeof params;
    params.hdc = bound ? &surface : nullptr;
    GDIInit(&params);
    GDISetClip(0, 0, kSurfaceWidth - 1, kSurfaceHeight - 1);
}

uint32_t BenchStart(_TABRIX_INFO *info, const char *script) {
    BenchFolder();
    *info = {sizeof *info, script, 0, 0, kSurfaceWidth - 1, kSurfaceHeight - 1, {0}};
    TabrixStart(info);
    return TabrixGetErrorLine();
}

bool BenchFailed(benchmark::State &state, const char *what) {
    if (TabrixSession.errorCode == 0)
        return false;
    char text[200];
    std::snprintf(text, sizeof text, "%s: error %u %s", what, (unsigned)TabrixSession.errorCode,
                  TabrixSession.errorText);
    state.SkipWithError(text);
    return true;
}

void BenchNote(const std::string &line) {
    notes.push_back(line);
}

const std::vector<std::string> &BenchNotes() {
    return notes;
}
