/*
 * image.cpp - memory image files.
 *
 * The file is kept as the library keeps its data file: it is checked
 * before the session, so a session never runs whose image could not be
 * written back, and it is never written in place.  A symbolic link is
 * followed to the file it names, which is the one replaced.
 */
#include "image.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "tabrix/tabrix.h"

#define IMAGE_LINKS_MAX 40      /* links followed before giving up, as the kernel does */
#define IMAGE_NEW_MODE 0644     /* of a file made anew */

static std::string ImageFailure(const std::string &path, const std::string &what) {
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

/* The folder of a file name: "." for a bare name, "/" for one in the
   root. */
static std::string ImageFolder(const std::string &name) {
    size_t slash = name.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : name.substr(0, slash);
}

/* A link's text read where the link stands: a relative one is relative
   to the link's folder. */
static std::string ImageLinkTarget(const std::string &link, const std::string &text) {
    size_t slash = link.rfind('/');
    if (text[0] == '/' || slash == std::string::npos)
        return text;
    return link.substr(0, slash + 1) + text;
}

/* Follows symbolic links from name to the file they lead to, which need
   not exist.  false, with errno, when a link cannot be read or they loop. */
static bool ImageResolve(std::string &name) {
    for (int hops = 0; hops <= IMAGE_LINKS_MAX; hops++) {
        struct stat st;
        if (lstat(name.c_str(), &st) != 0)
            return errno == ENOENT || errno == ENOTDIR;
        if (!S_ISLNK(st.st_mode))
            return true;
        char text[PATH_MAX];
        ssize_t n = readlink(name.c_str(), text, sizeof text);
        if (n < 0)
            return false;
        if ((size_t)n == sizeof text) {
            errno = ENAMETOOLONG;
            return false;
        }
        name = ImageLinkTarget(name, std::string(text, (size_t)n));
    }
    errno = ELOOP;
    return false;
}

/* Whether the existing file target may be replaced: a regular file this
   process may write.  Root may write any file, but one without a write
   bit is read-only all the same. */
static std::string ImageReplaceable(const std::string &path, const std::string &target,
                                    const struct stat &st) {
    if (!S_ISREG(st.st_mode))
        return path + ": not a regular file";
    if ((st.st_mode & 0222) == 0)
        return path + ": cannot replace a read-only file";
    if (faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
        return ImageFailure(path, "cannot replace");
    return "";
}

/* Whether folder is a folder this process may make and rename files in;
   false with errno when not. */
static bool ImageFolderWritable(const std::string &folder) {
    struct stat st;
    if (stat(folder.c_str(), &st) != 0)
        return false;
    if (!S_ISDIR(st.st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    return faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

std::string ImageCheck(const std::string &path) {
    std::string target = path;
    if (!ImageResolve(target))
        return ImageFailure(path, "cannot follow the link");
    struct stat st;
    if (stat(target.c_str(), &st) == 0) {
        std::string why = ImageReplaceable(path, target, st);
        if (!why.empty())
            return why;
    } else if (errno != ENOENT && errno != ENOTDIR) {
        return ImageFailure(path, "cannot read");
    }
    std::string folder = ImageFolder(target);
    if (!ImageFolderWritable(folder))
        return ImageFailure(path, "cannot write in the folder " + folder);
    return "";
}

static bool ImageWriteAll(int fd, const uint8_t *data, size_t size) {
    while (size > 0) {
        ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            errno = ENOSPC;
        if (n <= 0)
            return false;
        data += n;
        size -= (size_t)n;
    }
    return true;
}

/* Flushes the folder of name, so that a rename in it lasts.  EINVAL: the
   file system keeps no folder data to flush. */
static bool ImageSyncFolder(const std::string &name) {
    int fd = open(ImageFolder(name).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = fsync(fd) == 0 || errno == EINVAL;
    int error = errno;
    close(fd);
    errno = error;
    return ok;
}

/* The image as a new file temp (opened as fd) with the mode of the file
   target it replaces: written, flushed and closed.  "" or why not. */
static std::string ImageWriteTemp(const std::string &path, const std::string &target, int fd) {
    uint32_t size;
    const uint8_t *image = TabrixMemoryImage(&size);
    struct stat old;
    mode_t mode = stat(target.c_str(), &old) == 0 ? old.st_mode & 07777 : IMAGE_NEW_MODE;
    bool written = fchmod(fd, mode) == 0 && ImageWriteAll(fd, image, size) && fsync(fd) == 0;
    std::string why = written ? "" : ImageFailure(path, "cannot write");
    if (close(fd) != 0 && why.empty())
        why = ImageFailure(path, "cannot write");
    return why;
}

std::string ImageSave(const std::string &path) {
    std::string target = path;
    if (!ImageResolve(target))
        return ImageFailure(path, "cannot follow the link");
    std::string temp = target + ".XXXXXX";
    int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return ImageFailure(path, "cannot create a file beside it");
    std::string why = ImageWriteTemp(path, target, fd);
    if (why.empty() && std::rename(temp.c_str(), target.c_str()) != 0)
        why = ImageFailure(path, "cannot replace");
    if (!why.empty()) {
        unlink(temp.c_str());
        return why;
    }
    /* The new image is in place; only its lasting is in doubt. */
    if (!ImageSyncFolder(target))
        return ImageFailure(path, "cannot flush its folder");
    return "";
}
