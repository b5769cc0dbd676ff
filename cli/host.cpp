/*
 * host.cpp - driving a session.
 */
#include "host.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "frame.h"

std::string HostFolder::Enter(const std::string &script, std::string &file) {
    std::filesystem::path path(script);
    file = path.filename().string();
    std::string folder = path.parent_path().string();
    if (file.empty())
        return script + ": not a file name";
    if (folder.empty())
        return "";
    start = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (start < 0)
        return std::string("cannot keep the current folder: ") + std::strerror(errno);
    if (chdir(folder.c_str()) != 0)
        return script + ": cannot enter its folder: " + std::strerror(errno);
    return "";
}

std::string HostFolder::Leave() {
    if (start < 0)
        return "";
    std::string why = fchdir(start) == 0 ? "" : std::string("cannot go back to the starting folder: ")
                                                + std::strerror(errno);
    close(start);
    start = -1;
    return why;
}

HostSurface::HostSurface(const Layout &layout)
    : pixels((size_t)layout.width * layout.height, FRAME_BACKGROUND),
      surface{layout.width, layout.height, layout.width * 4, pixels.data()} {}

void HostSurface::Bind() {
    _GDI_INIT_PARAMS params;
    std::memset(&params, 0, sizeof params);
    params.size = sizeof params;
    params.hdc = &surface;
    GDIInit(&params);
}

static _TABRIX_INFO HostInfo(const char *script, const FrameRect &rect) {
    _TABRIX_INFO info;
    std::memset(&info, 0, sizeof info);
    info.size = sizeof info;
    info.script = script;
    info.left = rect.left;
    info.top = rect.top;
    info.right = rect.right;
    info.bottom = rect.bottom;
    return info;
}

uint32_t HostStart(const std::string &file, const FrameRect &rect) {
    _TABRIX_INFO info = HostInfo(file.c_str(), rect);
    TabrixStart(&info);
    return TabrixGetErrorLine();
}

std::vector<HostResult> HostSend(const FrameRect &rect, const std::vector<KeyEvent> &events,
                                 size_t &sent) {
    _TABRIX_INFO info = HostInfo(nullptr, rect);
    std::vector<HostResult> results;
    for (sent = 0; sent < events.size();) {
        const KeyEvent &e = events[sent++];
        _DIALOGKEYB_INFO keyb = e.keyb;
        uint32_t result = TabrixCont(&info, &keyb);
        if (result != 0)
            results.push_back({&e, result});
        if (result == TABRIX_CONT_FINISHED)
            break;
    }
    return results;
}
