/*
 * picture.h - drawing surfaces as PNG files.
 */
#ifndef TABRIX_CLI_PICTURE_H
#define TABRIX_CLI_PICTURE_H

#include "tabrix/tabrix.h"

/* Writes surface to path as an 8-bit RGB PNG, each pixel scale times in
   both directions.  Returns false when the file cannot be written. */
bool PictureWrite(const char *path, const _GDI_SURFACE &surface, int scale = 1);

#endif
