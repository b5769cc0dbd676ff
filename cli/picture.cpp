/*
 * picture.cpp - PNG files through libpng's simplified interface.
 */
#include "picture.h"

#include <png.h>

#include <cstdint>
#include <cstring>
#include <vector>

bool PictureWrite(const char *path, const _GDI_SURFACE &surface, int scale) {
    uint32_t width = surface.width * scale, height = surface.height * scale;
    std::vector<uint8_t> rgb((size_t)width * height * 3);
    for (uint32_t y = 0; y < height; y++) {
        const uint8_t *row = (const uint8_t *)surface.pixels + (size_t)(y / scale) * surface.pitch;
        for (uint32_t x = 0; x < width; x++) {
            uint32_t p;
            std::memcpy(&p, row + (size_t)(x / scale) * 4, 4);
            uint8_t *out = &rgb[((size_t)y * width + x) * 3];
            out[0] = (uint8_t)(p >> 16), out[1] = (uint8_t)(p >> 8), out[2] = (uint8_t)p;
        }
    }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&image, path, 0, rgb.data(), 0, nullptr) != 0;
}
