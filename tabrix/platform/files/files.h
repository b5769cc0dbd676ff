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

/* Gives the open file the permission bits of the file from; FILE_OK with
   nothing done when from does not exist. */
int8_t FileModeCopy(const char *from, uint32_t handle);

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
    FILE_OP_MODE_COPY,
};
typedef int (*FileFaultHook)(int operation);

/* Installs hook (null: none); returns the previous one. */
FileFaultHook FileFaultSet(FileFaultHook hook);

#endif
