/*
 * files.cpp - the file layer on POSIX calls.
 */
#include "platform/files/files.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#define FILE_COPY_BLOCK 4096

/* The system's error number of the last failure; FILE_NOT_REGULAR for a
   name that is no regular file. */
#define FILE_NOT_REGULAR (-1)

static _FSP_INIT_PARAMS fileParams;
static FileFaultHook fileFault;
static int fileError;

static int8_t FileFail(int error) {
    fileError = error;
    return FILE_FAILED;
}

/* A failure the test hook asks for reads as an input/output error. */
static bool FileFaulted(int operation) {
    if (fileFault == nullptr || fileFault(operation) == 0)
        return false;
    fileError = EIO;
    return true;
}

const char *FileErrorText(void) {
    return fileError == FILE_NOT_REGULAR ? "not a regular file" : std::strerror(fileError);
}

static int FileDescriptor(uint32_t handle) {
    return (int)(handle - 1u);
}

static int8_t FileResult(int platformResult) {
    return platformResult == 0 ? FILE_OK : FileFail(errno);
}

/* Reads until count bytes or the end of the file; -1 on an error. */
static ssize_t FileReadFull(int fd, char *buffer, size_t count) {
    size_t done = 0;
    while (done < count) {
        ssize_t n = ::read(fd, buffer + done, count - done);
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

static bool FileWriteFull(int fd, const char *buffer, size_t count) {
    size_t done = 0;
    while (done < count) {
        ssize_t n = ::write(fd, buffer + done, count - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            errno = ENOSPC;
        if (n <= 0)
            return false;
        done += (size_t)n;
    }
    return true;
}

extern "C" TABRIX_API int FSPInit(const _FSP_INIT_PARAMS *params) {
    std::memset(&fileParams, 0, sizeof fileParams);
    if (params != nullptr) {
        size_t n = params->size <= sizeof fileParams ? params->size : sizeof fileParams;
        std::memcpy(&fileParams, params, n);
    }
    fileParams.size = sizeof fileParams;
    return 1;
}

const _FSP_INIT_PARAMS *FileParams(void) {
    return &fileParams;
}

FileFaultHook FileFaultSet(FileFaultHook hook) {
    FileFaultHook previous = fileFault;
    fileFault = hook;
    return previous;
}

int8_t FileOpen(const char *name, uint32_t flags, uint32_t *handle, uint32_t *size) {
    if (FileFaulted(FILE_OP_OPEN))
        return FILE_FAILED;
    int mode = O_RDONLY;
    if (flags & FILE_WRITE)
        mode = flags & FILE_READ ? O_RDWR : O_WRONLY;
    if (flags & FILE_CREATE)
        mode |= O_CREAT | O_TRUNC;
    /* Non-blocking so that a FIFO cannot hang the open; it changes nothing
       for the regular files that are kept. */
    int fd = ::open(name, mode | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
    if (fd < 0)
        return FileFail(errno);
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        int error = S_ISDIR(st.st_mode) ? EISDIR : FILE_NOT_REGULAR;
        ::close(fd);
        return FileFail(error);
    }
    *handle = (uint32_t)fd + 1u;
    *size = (uint32_t)st.st_size;
    return FILE_OK;
}

int8_t FileRead(uint32_t handle, void *buffer, uint16_t count, uint16_t *read) {
    if (FileFaulted(FILE_OP_READ))
        return FILE_FAILED;
    ssize_t n = FileReadFull(FileDescriptor(handle), (char *)buffer, count);
    if (n < 0)
        return FileFail(errno);
    *read = (uint16_t)n;
    return n < count ? FILE_SHORT : FILE_OK;
}

int8_t FileWrite(uint32_t handle, const void *buffer, uint16_t count) {
    return FileWriteBlock(handle, buffer, count);
}

int8_t FileWriteBlock(uint32_t handle, const void *buffer, uint32_t count) {
    if (FileFaulted(FILE_OP_WRITE))
        return FILE_FAILED;
    return FileWriteFull(FileDescriptor(handle), (const char *)buffer, count) ? FILE_OK : FileFail(errno);
}

int8_t FileSeek(uint32_t handle, int32_t offset, uint32_t origin, uint32_t *position) {
    static const int whence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    if (FileFaulted(FILE_OP_SEEK))
        return FILE_FAILED;
    if (origin > 2)
        return FileFail(EINVAL);
    off_t at = ::lseek(FileDescriptor(handle), offset, whence[origin]);
    if (at < 0 || at > (off_t)UINT32_MAX)
        return FileFail(at < 0 ? errno : EOVERFLOW);
    *position = (uint32_t)at;
    return FILE_OK;
}

int8_t FileClose(uint32_t handle) {
    bool faulted = FileFaulted(FILE_OP_CLOSE);
    int8_t result = FileResult(::close(FileDescriptor(handle)));
    return faulted ? FILE_FAILED : result;
}

int8_t FileDelete(const char *name) {
    if (FileFaulted(FILE_OP_DELETE))
        return FILE_FAILED;
    return FileResult(::unlink(name));
}

int8_t FileMove(const char *oldName, const char *newName) {
    if (FileFaulted(FILE_OP_MOVE))
        return FILE_FAILED;
    if (::renameat2(AT_FDCWD, oldName, AT_FDCWD, newName, RENAME_NOREPLACE) == 0)
        return FILE_OK;
    if (errno != EINVAL && errno != ENOSYS)
        return FileFail(errno);
    /* The file system cannot refuse to replace in a rename: a hard link
       fails on an existing name just as well. */
    if (::link(oldName, newName) != 0)
        return FileFail(errno);
    if (::unlink(oldName) != 0) {
        int error = errno;
        ::unlink(newName);
        return FileFail(error);
    }
    return FILE_OK;
}

static bool FileCopyData(int in, int out) {
    char block[FILE_COPY_BLOCK];
    for (;;) {
        ssize_t n = FileReadFull(in, block, sizeof block);
        if (n < 0 || !FileWriteFull(out, block, (size_t)n))
            return false;
        if (n < (ssize_t)sizeof block)
            return true;
    }
}

int8_t FileCopy(const char *source, const char *target) {
    if (FileFaulted(FILE_OP_COPY))
        return FILE_FAILED;
    int in = ::open(source, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (in < 0)
        return FileFail(errno);
    struct stat from, to;
    int error = 0;
    if (::fstat(in, &from) != 0 || !S_ISREG(from.st_mode))
        error = FILE_NOT_REGULAR;
    /* Truncating the target would empty the source when both are one. */
    else if (::stat(target, &to) == 0 && from.st_dev == to.st_dev && from.st_ino == to.st_ino)
        error = EINVAL;
    if (error == 0) {
        int out = ::open(target, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY,
                         from.st_mode & 0777);
        if (out < 0 || !FileCopyData(in, out))
            error = errno;
        if (out >= 0 && ::close(out) != 0 && error == 0)
            error = errno;
    }
    ::close(in);
    return error == 0 ? FILE_OK : FileFail(error);
}

int8_t DirCreate(const char *path) {
    if (FileFaulted(FILE_OP_DIR_CREATE))
        return FILE_FAILED;
    return FileResult(::mkdir(path, 0777));
}

int8_t DirRemove(const char *path) {
    if (FileFaulted(FILE_OP_DIR_REMOVE))
        return FILE_FAILED;
    return FileResult(::rmdir(path));
}

int8_t FileSync(uint32_t handle) {
    if (FileFaulted(FILE_OP_SYNC))
        return FILE_FAILED;
    return FileResult(::fsync(FileDescriptor(handle)));
}

int8_t FileReplace(const char *oldName, const char *newName) {
    if (FileFaulted(FILE_OP_REPLACE))
        return FILE_FAILED;
    return FileResult(::rename(oldName, newName));
}

int8_t FolderOf(const char *name, char *folder, uint32_t size) {
    const char *slash = std::strrchr(name, '/');
    /* The root keeps its slash; any other folder loses the last one. */
    size_t length = slash == nullptr ? 1 : slash == name ? 1 : (size_t)(slash - name);
    if (length >= size)
        return FileFail(ENAMETOOLONG);
    std::memcpy(folder, slash == nullptr ? "." : name, length);
    folder[length] = '\0';
    return FILE_OK;
}

/* The folder that holds name, opened to be flushed or locked; -1 with the
   error kept when it cannot be. */
static int FolderOpen(const char *name) {
    char folder[PATH_MAX];
    if (FolderOf(name, folder, sizeof folder) != FILE_OK)
        return -1;
    int fd = ::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        FileFail(errno);
    return fd;
}

int8_t DirSync(const char *name) {
    if (FileFaulted(FILE_OP_DIR_SYNC))
        return FILE_FAILED;
    int fd = FolderOpen(name);
    if (fd < 0)
        return FILE_FAILED;
    /* EINVAL: the file system keeps no folder data to flush. */
    bool ok = ::fsync(fd) == 0 || errno == EINVAL;
    int error = errno;
    ::close(fd);
    return ok ? FILE_OK : FileFail(error);
}

#define FILE_LOCK_POLL_MS 10

int8_t FolderLock(const char *name, uint32_t waitMs, uint32_t *lock) {
    if (FileFaulted(FILE_OP_LOCK))
        return FILE_FAILED;
    int fd = FolderOpen(name);
    if (fd < 0)
        return FILE_FAILED;
    for (uint32_t waited = 0;; waited += FILE_LOCK_POLL_MS) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            *lock = (uint32_t)fd + 1u;
            return FILE_OK;
        }
        if ((errno != EWOULDBLOCK && errno != EINTR) || waited >= waitMs)
            break;
        struct timespec pause = {0, FILE_LOCK_POLL_MS * 1000000L};
        nanosleep(&pause, nullptr);
    }
    int error = errno;
    ::close(fd);
    return FileFail(error);
}

void FolderUnlock(uint32_t lock) {
    if (lock != 0)
        ::close(FileDescriptor(lock));
}

int8_t FolderNames(const char *name, bool (*found)(const char *entry, void *context), void *context) {
    char folder[PATH_MAX];
    if (FolderOf(name, folder, sizeof folder) != FILE_OK)
        return FILE_FAILED;
    DIR *dir = ::opendir(folder);
    if (dir == nullptr)
        return FileFail(errno);
    for (struct dirent *e; (e = ::readdir(dir)) != nullptr;) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
            continue;
        if (!found(e->d_name, context))
            break;
    }
    ::closedir(dir);
    return FILE_OK;
}

/* Six letters and digits that no other save of this process, nor (very
   likely) of another, picks at the same time. */
static void FileRandomTag(char *tag) {
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    static uint64_t counter;
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    uint64_t v = (uint64_t)now.tv_nsec * 2654435761u ^ (uint64_t)::getpid() << 20 ^ ++counter * 40503u ^
                 (uint64_t)now.tv_sec;
    for (int i = 0; i < 6; i++, v /= 36)
        tag[i] = digits[v % 36];
    tag[6] = '\0';
}

#define FILE_UNIQUE_TRIES 100

int8_t FileCreateUnique(const char *prefix, const char *suffix, char *name, uint32_t size,
                        uint32_t *handle) {
    if (FileFaulted(FILE_OP_CREATE_UNIQUE))
        return FILE_FAILED;
    for (int i = 0; i < FILE_UNIQUE_TRIES; i++) {
        char tag[7];
        FileRandomTag(tag);
        if ((uint32_t)std::snprintf(name, size, "%s.%s%s", prefix, tag, suffix) >= size)
            return FileFail(ENAMETOOLONG);
        int fd = ::open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd >= 0) {
            *handle = (uint32_t)fd + 1u;
            return FILE_OK;
        }
        if (errno != EEXIST)
            return FileFail(errno);
    }
    return FileFail(EEXIST);
}

int8_t FileReadAt(uint32_t handle, uint64_t offset, void *buffer, uint32_t count, uint32_t *read) {
    if (FileFaulted(FILE_OP_READ_AT))
        return FILE_FAILED;
    uint32_t done = 0;
    while (done < count) {
        ssize_t n = ::pread(FileDescriptor(handle), (char *)buffer + done, count - done, (off_t)(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return FileFail(errno);
        if (n == 0)
            break;
        done += (uint32_t)n;
    }
    *read = done;
    return FILE_OK;
}

#define FILE_LINKS_MAX 40

int8_t FileLinkTarget(const char *name, char *target, uint32_t size) {
    if (std::strlen(name) >= size)
        return FileFail(ENAMETOOLONG);
    std::strcpy(target, name);
    for (int depth = 0; depth < FILE_LINKS_MAX; depth++) {
        char link[PATH_MAX];
        ssize_t n = ::readlink(target, link, sizeof link - 1);
        if (n < 0)
            return errno == EINVAL || errno == ENOENT ? FILE_OK : FileFail(errno);
        link[n] = '\0';
        /* A relative target lies beside the link. */
        const char *slash = std::strrchr(target, '/');
        size_t keep = link[0] == '/' || slash == nullptr ? 0 : (size_t)(slash - target) + 1;
        if (keep + (size_t)n >= size)
            return FileFail(ENAMETOOLONG);
        std::memcpy(target + keep, link, (size_t)n + 1);
    }
    return FileFail(ELOOP);
}

int8_t FileOwnerCopy(const char *from, uint32_t handle) {
    if (FileFaulted(FILE_OP_MODE_COPY))
        return FILE_FAILED;
    struct stat st;
    if (::stat(from, &st) != 0)
        return errno == ENOENT ? FILE_OK : FileFail(errno);
    /* Only root may give a file away; others keep their own. */
    if (::fchown(FileDescriptor(handle), st.st_uid, st.st_gid) != 0 && errno != EPERM)
        return FileFail(errno);
    return FileResult(::fchmod(FileDescriptor(handle), st.st_mode & 07777));
}

int FileExists(const char *name) {
    struct stat st;
    return ::stat(name, &st) == 0;
}

int8_t FileAccess(const char *name, uint32_t flags) {
    struct stat st;
    if (::stat(name, &st) != 0)
        return FileFail(errno);
    if (!S_ISREG(st.st_mode))
        return FileFail(S_ISDIR(st.st_mode) ? EISDIR : FILE_NOT_REGULAR);
    int mode = (flags & FILE_READ ? R_OK : 0) | (flags & FILE_WRITE ? W_OK : 0);
    return FileResult(::faccessat(AT_FDCWD, name, mode == 0 ? F_OK : mode, AT_EACCESS));
}
