// Test surfaces over a vector of pixels.
#include "surface.h"

#include <algorithm>
#include <cstring>

#include "platform/draw/draw.h"
#include "png.h"

#define GUARD_PIXELS 3
#define GUARD 0xFEEDFEu

uint32_t Rgb(uint8_t index) {
    return GDIPalette[index];
}

TestSurface::TestSurface(uint32_t width, uint32_t height)
    : pixels((size_t)(width + GUARD_PIXELS) * height, GUARD), stride(width + GUARD_PIXELS) {
    surface = {width, height, stride * 4, pixels.data()};
    Clear();
}

// A surface that goes leaves the layer unbound, so that a later test that
// binds none draws on no freed pixels.
TestSurface::~TestSurface() {
    if (GDILayer.surface != &surface)
        return;
    _GDI_INIT_PARAMS params{};
    params.size = sizeof params;
    GDIInit(&params);
}

void TestSurface::Bind() {
    Clear();
    GDILayer = _GDI_LAYER{};
    _GDI_INIT_PARAMS params{};
    params.size = sizeof params;
    params.hdc = &surface;
    GDIInit(&params);
    GDISetClip(0, 0, (int32_t)surface.width - 1, (int32_t)surface.height - 1);
}

void TestSurface::Clear(uint32_t rgb) {
    for (uint32_t y = 0; y < surface.height; y++)
        std::fill_n(&pixels[(size_t)y * stride], surface.width, rgb);
}

uint32_t TestSurface::At(int x, int y) const {
    return pixels[(size_t)y * stride + x];
}

void TestSurface::Set(int x, int y, uint32_t rgb) {
    pixels[(size_t)y * stride + x] = rgb;
}

int TestSurface::Count(uint32_t rgb) const {
    int n = 0;
    for (uint32_t y = 0; y < surface.height; y++)
        for (uint32_t x = 0; x < surface.width; x++)
            n += At(x, y) == rgb;
    return n;
}

PixelBox TestSurface::Bounds(uint32_t rgb) const {
    PixelBox box{(int)surface.width, (int)surface.height, -1, -1};
    for (int y = 0; y < (int)surface.height; y++)
        for (int x = 0; x < (int)surface.width; x++)
            if (At(x, y) == rgb)
                box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x),
                       std::max(box.bottom, y)};
    return box;
}

bool TestSurface::GuardsIntact() const {
    for (uint32_t y = 0; y < surface.height; y++)
        for (uint32_t x = surface.width; x < stride; x++)
            if (pixels[(size_t)y * stride + x] != GUARD)
                return false;
    return true;
}

bool TestSurface::CellShows(int x, int y, uint8_t c, uint32_t fore, uint32_t back) const {
    if (x < 0 || y < 0 || x + GDI_FONT_WIDTH > (int)surface.width
        || y + GDI_FONT_HEIGHT > (int)surface.height)
        return false;
    for (int row = 0; row < GDI_FONT_HEIGHT; row++)
        for (int col = 0; col < GDI_FONT_WIDTH; col++)
            if (At(x + col, y + row) != (GDIFont[c][row] & (0x80 >> col) ? fore : back))
                return false;
    return true;
}

std::string TestSurface::Text(int x, int y, int n, uint32_t fore, uint32_t back) const {
    std::string text;
    for (int i = 0; i < n; i++) {
        int cx = x + i * GDI_FONT_WIDTH;
        char shown = '?';
        // Printable characters first: a blank cell reads as a space.
        for (int k = 0; k < 256; k++) {
            uint8_t c = (uint8_t)((k + 0x20) & 0xFF);
            if (CellShows(cx, y, c, fore, back)) {
                shown = (char)c;
                break;
            }
        }
        text += shown;
    }
    return text;
}

bool TestSurface::SavePicture(const std::string &name, int scale) const {
    return PngWritePicture(name, surface, scale);
}
