/*
 * frame.h - the desktop host's drawing frame and its screen presets: the
 * frame is 842 x 496 pixels (561 x 305 dialog units at base units 6 x 13),
 * and each preset is the session rectangle the host passes to TabrixStart.
 */
#ifndef TABRIX_CLI_FRAME_H
#define TABRIX_CLI_FRAME_H

#include <cstdint>

struct FrameRect {
    uint16_t left, top, right, bottom;
};

constexpr uint32_t FRAME_WIDTH = 842;
constexpr uint32_t FRAME_HEIGHT = 496;

constexpr FrameRect FRAME_LARGE{25, 23, 815, 469};   /* the host starts with it */
constexpr FrameRect FRAME_MEDIUM{347, 23, 815, 469};
constexpr FrameRect FRAME_SMALL{347, 23, 655, 350};

/* The host's frame background, RGB(255, 230, 230). */
constexpr uint32_t FRAME_BACKGROUND = 0xFFE6E6;

#endif
