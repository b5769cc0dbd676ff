/*
 * host.h - the tool as a host of the library: the script's folder as the
 * working directory, a pixel surface like the desktop host's frame, a
 * session on it, and keys sent as events.
 */
#ifndef TABRIX_CLI_HOST_H
#define TABRIX_CLI_HOST_H

#include <cstdint>
#include <string>
#include <vector>

#include "keys.h"
#include "layout.h"
#include "tabrix/tabrix.h"

/* The script's folder as the working directory while a session runs,
   and back to the folder the tool started in afterwards, so that the
   paths a user gives keep their meaning. */
class HostFolder {
public:
    HostFolder() = default;
    HostFolder(const HostFolder &) = delete;
    HostFolder &operator=(const HostFolder &) = delete;
    ~HostFolder() { Leave(); }
    /* Enters the folder of script.  Returns "" or what is wrong; file
       receives the script's file name. */
    std::string Enter(const std::string &script, std::string &file);
    /* Back to the folder the tool started in.  Returns "" or what is
       wrong. */
    std::string Leave();

private:
    int start = -1;             /* descriptor of the starting folder */
};

/* A surface of layout's size, filled with the frame's background. */
struct HostSurface {
    explicit HostSurface(const Layout &layout);
    HostSurface(const HostSurface &) = delete;
    HostSurface &operator=(const HostSurface &) = delete;
    /* Binds the drawing layer to the surface. */
    void Bind();
    std::vector<uint32_t> pixels;
    _GDI_SURFACE surface;
};

/* Starts a session on file (in the working directory) in rect.  Returns
   the error code (TabrixGetErrorLine). */
uint32_t HostStart(const std::string &file, const FrameRect &rect);

/* One event sent and what TabrixCont returned. */
struct HostResult {
    const KeyEvent *event;
    uint32_t result;
};

/* Sends the events in order, as the desktop host does, until the session
   has finished (TABRIX_CONT_FINISHED): the events after that one are not
   sent.  Returns the results that are not 0; sent receives how many
   events were sent. */
std::vector<HostResult> HostSend(const FrameRect &rect, const std::vector<KeyEvent> &events,
                                 size_t &sent);

#endif
