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

/* Whether ImageSave may keep the image in path, asked before a session
   so that none runs whose image would be lost: the file, when it exists
   (through symbolic links), must be a regular file that may be written
   and has a write bit, and its folder must be one to write in.  Returns
   "" or why not. */
std::string ImageCheck(const std::string &path);

/* Writes the image to path in one step: a new file of a unique name
   beside it, flushed, renamed over it, then the folder flushed.  A
   symbolic link is kept and the file it leads to is replaced; the file
   keeps its mode.  On a failure before the rename the temporary file is
   removed and path is as it was.  Returns "" or what is wrong. */
std::string ImageSave(const std::string &path);

#endif
