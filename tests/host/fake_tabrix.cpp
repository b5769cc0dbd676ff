/*
 * fake_tabrix.cpp - the stand-in for libtabrix.  With TABRIX_FAKE_LOG set,
 * every line of the log is also appended to that file, for tests that run
 * the host as a program.
 */
#include "fake_tabrix.h"

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>

FakeTabrix Fake{{}, 0, TABRIX_CONT_FINISHED, 0, {}, {}, nullptr};

void FakeReset() {
    Fake = FakeTabrix{{}, 0, TABRIX_CONT_FINISHED, 0, {}, {}, nullptr};
}

std::vector<std::string> FakeCalls(const std::string &prefix) {
    std::vector<std::string> calls;
    for (const std::string &line : Fake.log)
        if (line.rfind(prefix, 0) == 0)
            calls.push_back(line);
    return calls;
}

namespace {

void FakeLog(const std::string &line) {
    Fake.log.push_back(line);
    const char *path = std::getenv("TABRIX_FAKE_LOG");
    if (path == nullptr)
        return;
    if (std::FILE *file = std::fopen(path, "a")) {
        std::fprintf(file, "%s\n", line.c_str());
        std::fclose(file);
    }
}

void FakeMark(const _TABRIX_INFO *info, uint32_t colour) {
    _GDI_SURFACE *s = Fake.surface;
    if (s != nullptr)
        s->pixels[(info->top + 1u) * (s->pitch / 4) + info->left + 1u] = colour;
}

_TABRIX_INFO fakeInfo;  /* the rectangle of the last start */

}  // namespace

extern "C" int GDIInit(const _GDI_INIT_PARAMS *params) {
    Fake.surface = params->hdc;
    FakeLog("GDIInit " + std::to_string(params->size) + " " + std::to_string(Fake.surface->width) +
            "x" + std::to_string(Fake.surface->height) + " pitch " +
            std::to_string(Fake.surface->pitch));
    return 1;
}

extern "C" int LocalizationInit(const void *, uint32_t language) {
    FakeLog("LocalizationInit " + std::to_string(language));
    return 1;
}

extern "C" uint32_t TabrixStart(const _TABRIX_INFO *info) {
    char folder[PATH_MAX];
    Fake.startFolder = getcwd(folder, sizeof folder) ? folder : "";
    const bool found = access(info->script, R_OK) == 0;
    FakeLog("TabrixStart " + std::to_string(info->size) + " " + info->script + " " +
            std::to_string(info->left) + " " + std::to_string(info->top) + " " +
            std::to_string(info->right) + " " + std::to_string(info->bottom) +
            (found ? " found" : " missing"));
    fakeInfo = *info;
    FakeMark(info, FAKE_START_MARK);
    return 0;
}

/* Answers like the library where the host can tell: Enter on a field comes
   back as down, and the finish ends the session or not as configured. */
extern "C" uint32_t TabrixCont(const _TABRIX_INFO *, _DIALOGKEYB_INFO *keyb) {
    FakeLog("TabrixCont " + std::to_string(keyb->event) + " " + std::to_string(keyb->key));
    const uint8_t event = keyb->event;
    keyb->event = TABRIX_EVENT_NONE;
    if (event == TABRIX_EVENT_KEY && keyb->key == DLG_KEY_ENTER)
        keyb->key = DLG_KEY_DOWN;
    return event == TABRIX_EVENT_FINISH ? Fake.finishResult : TABRIX_CONT_GOING;
}

extern "C" uint32_t TabrixPAINT(void) {
    FakeLog("TabrixPAINT");
    FakeMark(&fakeInfo, FAKE_PAINT_MARK);
    return 0;
}

extern "C" uint32_t TabrixGetErrorLine(void) {
    return Fake.errorLine;
}

extern "C" uint32_t TabrixModified(void) {
    return Fake.modified;
}

extern "C" uint32_t TabrixLastSavedFile(_REKFILEINFO *out) {
    snprintf(out->path, sizeof out->path, "%s", Fake.lastSaved.c_str());
    return 0;
}
