/*
 * image.h - the library's memory image in a file: the raw bytes of the
 * image (TabrixMemoryImage), 10,000 bytes of 32-bit cells in the
 * machine's byte order.
 */
#ifndef TABRIX_CLI_IMAGE_H
#define TABRIX_CLI_IMAGE_H

#include <string>

/* Loads the image from path; a file that does not exist leaves the image
   as it is (zero in a fresh process).  Returns "" or what is wrong: a
   file that cannot be read, or one of another size than the image. */
std::string ImageLoad(const std::string &path);

/* Writes the image to path through a temporary file in the same folder
   that replaces it whole.  Returns "" or what is wrong. */
std::string ImageSave(const std::string &path);

#endif
