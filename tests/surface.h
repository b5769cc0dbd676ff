// A drawing surface for tests: bound to the drawing layer, read back pixel
// by pixel or cell by cell.
#ifndef TABRIX_TESTS_SURFACE_H
#define TABRIX_TESTS_SURFACE_H

#include <cstdint>
#include <string>
#include <vector>

#include "tabrix/tabrix.h"

// Palette index as 0x00RRGGBB.
uint32_t Rgb(uint8_t index);

// A colour the library never draws: marks untouched pixels.
#define UNTOUCHED 0x123456u

struct PixelBox {
    int left, top, right, bottom;  // inclusive; left > right when empty
    bool operator==(const PixelBox &) const = default;
};

class TestSurface {
public:
    // Every row has a few guard pixels past width that drawing must not
    // touch.
    TestSurface(uint32_t width, uint32_t height);
    ~TestSurface();
    TestSurface(const TestSurface &) = delete;
    TestSurface &operator=(const TestSurface &) = delete;

    // Clears the surface and the drawing layer's state and binds the layer
    // to this surface, with the clip on the whole surface.
    void Bind();
    void Clear(uint32_t rgb = UNTOUCHED);

    uint32_t At(int x, int y) const;
    void Set(int x, int y, uint32_t rgb);
    // Pixels of colour rgb, and the box around them.
    int Count(uint32_t rgb) const;
    PixelBox Bounds(uint32_t rgb) const;
    // Whether the guard pixels past each row are untouched.
    bool GuardsIntact() const;

    // Whether the cell at (x, y) shows character c in fore on back.
    bool CellShows(int x, int y, uint8_t c, uint32_t fore, uint32_t back) const;
    // The n cells from (x, y) read as text in fore on back; '?' for a cell
    // that shows no character so.
    std::string Text(int x, int y, int n, uint32_t fore, uint32_t back) const;

    bool SavePicture(const std::string &name, int scale = 1) const;

    _GDI_SURFACE surface;
    std::vector<uint32_t> pixels;

private:
    uint32_t stride;  // pixels a row
};

#endif
