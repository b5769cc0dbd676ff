/*
 * layout.h - the surface and session rectangle of a --size choice.
 */
#ifndef TABRIX_CLI_LAYOUT_H
#define TABRIX_CLI_LAYOUT_H

#include <cstdint>
#include <string>
#include <string_view>

#include "frame.h"

struct Layout {
    uint32_t width, height;     /* the surface */
    FrameRect rect;             /* the session rectangle on it */
};

/* The largest session rectangle WxH takes, in pixels each way. */
constexpr uint32_t LAYOUT_MAX_SIDE = 8000;

/* The layout of a --size text: "small", "medium" or "large" on the host's
   842 x 496 frame, or "WxH": a session rectangle W pixels wide and H high
   (right - left and bottom - top) with the large preset's margins around
   it, so "790x446" is the large preset.  Returns "" or what is wrong. */
std::string LayoutFromSize(std::string_view size, Layout &layout);

#endif
