// PNG pictures of drawing surfaces, written by the command-line tool's
// picture writer.
#include "png.h"

#include <filesystem>

#include "picture.h"

bool PngWritePicture(const std::string &name, const _GDI_SURFACE &surface, int scale) {
    std::filesystem::path dir(TABRIX_PICTURES_DIR);
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    return PictureWrite((dir / (name + ".png")).c_str(), surface, scale);
}
