// Running the tabrix program as a shell would, and what a test compares
// its pictures with: a session driven directly through the library.
#ifndef TABRIX_TESTS_CLI_TOOL_H
#define TABRIX_TESTS_CLI_TOOL_H

#include <cstdint>
#include <string>
#include <vector>

#include "frame.h"
#include "tabrix/tabrix.h"

struct ToolResult {
    int status;                 // exit status, -1 when it did not exit
    std::string out, err;
};

// Runs tabrix with args in folder cwd.  The locale variables LC_ALL,
// LC_MESSAGES and LANG are removed first, then env ("NAME=value") is set.
ToolResult ToolRun(const std::vector<std::string> &args, const std::string &cwd,
                   const std::vector<std::string> &env = {});

// A picture: width, height and 0x00RRGGBB pixels, row by row.
struct Picture {
    uint32_t width = 0, height = 0;
    std::vector<uint32_t> pixels;
    uint32_t At(uint32_t x, uint32_t y) const { return pixels[(size_t)y * width + x]; }
    bool operator==(const Picture &) const = default;
};

// Reads a PNG file; an empty picture when it cannot.
Picture PictureRead(const std::string &path);

// What the library draws for a session on script (in folder dir) in rect
// on a surface of width x height filled with the frame's background, after
// the events in order, with the English messages.
Picture DirectSession(const std::string &dir, const char *script, const FrameRect &rect,
                      uint32_t width, uint32_t height, const std::vector<_DIALOGKEYB_INFO> &events);

#endif
