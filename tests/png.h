// Writes a drawing surface to a PNG file in the build's pictures folder,
// so that a person can look at what the library draws.
#ifndef TABRIX_TESTS_PNG_H
#define TABRIX_TESTS_PNG_H

#include <string>

#include "tabrix/tabrix.h"

// Writes surface as NAME.png into the build's pictures folder, creating
// it, each pixel scale times in both directions.  Returns false when the
// file cannot be written.
bool PngWritePicture(const std::string &name, const _GDI_SURFACE &surface, int scale = 1);

#endif
