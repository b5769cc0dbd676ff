/*
 * image.cpp - memory image files.
 */
#include "image.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "tabrix/tabrix.h"

static std::string ImageFailure(const std::string &path, const char *what) {
    return path + ": " + what + ": " + std::strerror(errno);
}

std::string ImageLoad(const std::string &path) {
    uint32_t size;
    uint8_t *image = TabrixMemoryImage(&size);
    std::error_code error;
    if (!std::filesystem::exists(path, error))
        return error ? path + ": cannot read: " + error.message() : "";
    uintmax_t length = std::filesystem::file_size(path, error);
    if (error)
        return path + ": cannot read: " + error.message();
    if (length != size)
        return path + ": a memory image is a file of " + std::to_string(size) + " bytes";
    std::ifstream in(path, std::ios::binary);
    if (!in.read((char *)image, size))
        return path + ": cannot read";
    return "";
}

static bool ImageWriteAll(int fd, const uint8_t *data, size_t size) {
    while (size > 0) {
        ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= (size_t)n;
    }
    return true;
}

std::string ImageSave(const std::string &path) {
    uint32_t size;
    const uint8_t *image = TabrixMemoryImage(&size);
    std::string temp = path + ".XXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0)
        return ImageFailure(path, "cannot create a file beside it");
    /* The new file keeps the mode of the one it replaces. */
    struct stat old;
    mode_t mode = stat(path.c_str(), &old) == 0 ? old.st_mode & 07777 : 0644;
    bool written = fchmod(fd, mode) == 0 && ImageWriteAll(fd, image, size) && fsync(fd) == 0;
    std::string why = written ? "" : ImageFailure(path, "cannot write");
    if (close(fd) != 0 && why.empty())
        why = ImageFailure(path, "cannot write");
    if (why.empty() && std::rename(temp.c_str(), path.c_str()) != 0)
        why = ImageFailure(path, "cannot replace");
    if (!why.empty())
        unlink(temp.c_str());
    return why;
}
