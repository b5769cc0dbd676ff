/*
 * layout.cpp - --size choices.
 */
#include "layout.h"

#include <charconv>

static const struct {
    const char *name;
    FrameRect rect;
} layoutPresets[] = {
    {"small", FRAME_SCREEN_SMALL},
    {"medium", FRAME_SCREEN_MEDIUM},
    {"large", FRAME_SCREEN_LARGE},
};

/* A side of WxH: decimal digits only, 1 to LAYOUT_MAX_SIDE. */
static bool LayoutSide(std::string_view text, uint32_t &side) {
    if (text.empty() || text.front() < '0' || text.front() > '9')
        return false;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), side);
    return error == std::errc() && end == text.data() + text.size() && side >= 1
        && side <= LAYOUT_MAX_SIDE;
}

std::string LayoutFromSize(std::string_view size, Layout &layout) {
    for (const auto &preset : layoutPresets)
        if (size == preset.name) {
            layout = {FRAME_WIDTH, FRAME_HEIGHT, preset.rect};
            return "";
        }
    size_t x = size.find('x');
    uint32_t w, h;
    if (x == std::string_view::npos || !LayoutSide(size.substr(0, x), w)
        || !LayoutSide(size.substr(x + 1), h))
        return "\"" + std::string(size) + "\" is not small, medium, large or WxH (W and H from 1 to "
               + std::to_string(LAYOUT_MAX_SIDE) + ")";
    const FrameRect &large = FRAME_SCREEN_LARGE;
    layout.rect = {large.left, large.top, (uint16_t)(large.left + w), (uint16_t)(large.top + h)};
    layout.width = w + FRAME_WIDTH - (large.right - large.left);
    layout.height = h + FRAME_HEIGHT - (large.bottom - large.top);
    return "";
}
