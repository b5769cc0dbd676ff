/*
 * files.h - the file layer: every file the library reads or writes goes
 * through these calls.  No state between calls, no buffering.  A handle is
 * the descriptor plus one, so 0 means none.  Results are FILE_OK,
 * FILE_FAILED and, for FileRead only, FILE_SHORT (tabrix/tabrix.h); the
 * callers turn failures into the session's error codes.
 */
#ifndef TABRIX_PLATFORM_FILES_FILES_H
#define TABRIX_PLATFORM_FILES_FILES_H

#include <cstdint>

#include "tabrix/tabrix.h"

/* Opens name as flags say (FILE_READ, FILE_WRITE, FILE_CREATE).  Without
   FILE_CREATE the file must exist; with it an existing file is emptied.
   Only regular files open.  Stores the handle and the size (low 32 bits). */
int8_t FileOpen(const char *name, uint32_t flags, uint32_t *handle, uint32_t *size);

/* Reads count bytes; FILE_SHORT when the end of the file came first (the
   bytes read are stored either way, not on FILE_FAILED). */
int8_t FileRead(uint32_t handle, void *buffer, uint16_t count, uint16_t *read);

/* FILE_OK only when all count bytes were written. */
int8_t FileWrite(uint32_t handle, const void *buffer, uint16_t count);

/* FileWrite for more bytes than its count holds: the save writes its
   whole file with one call. */
int8_t FileWriteBlock(uint32_t handle, const void *buffer, uint32_t count);

/* origin 0 from the start, 1 from the current position, 2 from the end;
   stores the new position.  Positions beyond 32 bits fail. */
int8_t FileSeek(uint32_t handle, int32_t offset, uint32_t origin, uint32_t *position);

int8_t FileClose(uint32_t handle);
int8_t FileDelete(const char *name);

/* Renames; fails when newName exists, never replacing it. */
int8_t FileMove(const char *oldName, const char *newName);

/* Copies source over target, replacing it; a file never copies onto
   itself. */
int8_t FileCopy(const char *source, const char *target);

int8_t DirCreate(const char *path);
int8_t DirRemove(const char *path);

/* What a crash-safe save needs beyond the calls above. */

/* Flushes the file's data to the disk. */
int8_t FileSync(uint32_t handle);

/* Renames oldName over newName in one step, replacing an existing file. */
int8_t FileReplace(const char *oldName, const char *newName);

/* Flushes the folder that holds name, so a rename in it lasts. */
int8_t DirSync(const char *name);

/* Gives the open file the owner and group of the file from, where this
   process may (a failure to do so is no failure), then its permission
   bits; FILE_OK with nothing done when from does not exist. */
int8_t FileOwnerCopy(const char *from, uint32_t handle);

/* Creates a new file for writing whose name is prefix, "." and six
   random letters and digits, then suffix, never replacing one (the name
   is stored in name, which holds size bytes). */
int8_t FileCreateUnique(const char *prefix, const char *suffix, char *name, uint32_t size,
                        uint32_t *handle);

/* Reads up to count bytes at offset without moving the file position;
   read receives how many (fewer only at the end of the file). */
int8_t FileReadAt(uint32_t handle, uint64_t offset, void *buffer, uint32_t count, uint32_t *read);

/* The name a symbolic link leads to, followed to the end (a name that is
   no link is its own target), into target of size bytes.  A link's
   relative target is taken beside the link. */
int8_t FileLinkTarget(const char *name, char *target, uint32_t size);

/* Takes the exclusive lock (flock) of the folder that holds name, waiting
   at most waitMs milliseconds; lock receives what FolderUnlock takes.
   Every save of a data file in that folder holds it, and so may any
   other program that writes there. */
int8_t FolderLock(const char *name, uint32_t waitMs, uint32_t *lock);
void FolderUnlock(uint32_t lock);

/* Calls found with each name in the folder that holds name (not "." and
   ".."), until it returns false. */
int8_t FolderNames(const char *name, bool (*found)(const char *entry, void *context), void *context);

/* The folder part of name (up to its last "/"; "." when it has none),
   into folder of size bytes. */
int8_t FolderOf(const char *name, char *folder, uint32_t size);

/* 1 when something exists under name. */
int FileExists(const char *name);

/* FILE_OK when name is a regular file that this process may open as
   flags (FILE_READ, FILE_WRITE) say. */
int8_t FileAccess(const char *name, uint32_t flags);

/* Why the last failing operation failed, in the system's words ("No such
   file or directory", "Permission denied"); "Input/output error" for a
   failure the test hook asked for. */
const char *FileErrorText(void);

/* The host's parameter record as FSPInit kept it. */
const _FSP_INIT_PARAMS *FileParams(void);

/* Test hook: with a hook installed every operation first asks it, and
   fails without touching the platform when it answers non-zero (a close
   still releases its descriptor, as a failing close does).  The library
   itself never installs one. */
enum {
    FILE_OP_OPEN, FILE_OP_READ, FILE_OP_WRITE, FILE_OP_SEEK, FILE_OP_CLOSE,
    FILE_OP_DELETE, FILE_OP_MOVE, FILE_OP_COPY, FILE_OP_DIR_CREATE,
    FILE_OP_DIR_REMOVE, FILE_OP_SYNC, FILE_OP_REPLACE, FILE_OP_DIR_SYNC,
    FILE_OP_MODE_COPY, FILE_OP_LOCK, FILE_OP_CREATE_UNIQUE, FILE_OP_READ_AT,
};
typedef int (*FileFaultHook)(int operation);

/* Installs hook (null: none); returns the previous one. */
FileFaultHook FileFaultSet(FileFaultHook hook);

#endif
