/*
 * image.cpp - memory image files.
 */
#include "image.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tabrix/tabrix.h"

static std::string ImageFailure(const std::string &path, const char *what) {
    return path + ": " + what + ": " + std::strerror(errno);
}

/* Reads exactly size bytes, or fewer at the end of the file. */
static ssize_t ImageReadAll(int fd, uint8_t *out, size_t size) {
    size_t done = 0;
    while (done < size) {
        ssize_t n = read(fd, out + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += (size_t)n;
    }
    return (ssize_t)done;
}

std::string ImageLoad(const std::string &path) {
    uint32_t size;
    uint8_t *image = TabrixMemoryImage(&size);
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? "" : ImageFailure(path, "cannot open");
    struct stat st;
    std::string why;
    if (fstat(fd, &st) != 0)
        why = ImageFailure(path, "cannot read");
    else if (!S_ISREG(st.st_mode) || st.st_size != (off_t)size)
        why = path + ": a memory image is a file of " + std::to_string(size) + " bytes";
    else if (ImageReadAll(fd, image, size) != (ssize_t)size)
        why = ImageFailure(path, "cannot read");
    close(fd);
    return why;
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
