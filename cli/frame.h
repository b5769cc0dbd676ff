/*
 * frame.h - the drawing frame of the desktop host: the size of its pixel
 * surface, its background and the three screen presets.  The tool draws
 * on the same frame, so that its pictures are what the host shows.
 */
#ifndef TABRIX_CLI_FRAME_H
#define TABRIX_CLI_FRAME_H

#include <cstdint>

/* The frame's client area: 561 x 305 dialog units at the base units 6 x 13
   of the window's font, rounded. */
#define FRAME_WIDTH  842
#define FRAME_HEIGHT 496

/* The frame is filled with this colour (0x00RRGGBB) before the session's
   screen is drawn: RGB(255, 230, 230). */
#define FRAME_BACKGROUND 0x00FFE6E6u

/* A session rectangle on the frame, in pixels. */
struct FrameRect {
    uint16_t left;
    uint16_t top;
    uint16_t right;
    uint16_t bottom;
};

/* The screen presets; a session starts on the large one. */
inline constexpr FrameRect FRAME_SCREEN_LARGE = {25, 23, 815, 469};
inline constexpr FrameRect FRAME_SCREEN_MEDIUM = {347, 23, 815, 469};
inline constexpr FrameRect FRAME_SCREEN_SMALL = {347, 23, 655, 350};

#endif
