/*
 * fake_tabrix.h - a stand-in for libtabrix that records every call the
 * host makes, as one line of text each, and answers as configured.
 */
#ifndef TESTS_HOST_FAKE_TABRIX_H
#define TESTS_HOST_FAKE_TABRIX_H

#include <cstdint>
#include <string>
#include <vector>

#include "tabrix/tabrix.h"

/* Pixel colours the stand-in draws at (left + 1, top + 1) of the session
   rectangle: TabrixStart the first, TabrixPAINT the second. */
#define FAKE_START_MARK 0x00123456u
#define FAKE_PAINT_MARK 0x00654321u

struct FakeTabrix {
    std::vector<std::string> log;  /* "TabrixCont 1 65", "TabrixPAINT", ... */
    uint32_t errorLine;            /* TabrixGetErrorLine */
    uint32_t finishResult;         /* TabrixCont for the finish event */
    uint32_t modified;             /* TabrixModified */
    std::string lastSaved;         /* TabrixLastSavedFile's path */
    std::string startFolder;       /* working directory at TabrixStart */
    _GDI_SURFACE *surface;         /* bound by GDIInit */
};

extern FakeTabrix Fake;

void FakeReset();

/* The lines of the log that begin with prefix. */
std::vector<std::string> FakeCalls(const std::string &prefix);

#endif
