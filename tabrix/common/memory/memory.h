/*
 * memory.h - the session's memory pool.
 *
 * All memory of a session comes from one fixed buffer, rebound by every
 * TabrixStart.  Allocation is first fit over an address-ordered free list;
 * release merges neighbouring free blocks.  Block sizes are rounded up to 8
 * bytes and both headers are 8-byte multiples, so every block is 8-byte
 * aligned.  The pool checks its own lists and reports a failed check with
 * the source name "common/memory/memory" and a line number, then goes on.
 */
#ifndef TABRIX_COMMON_MEMORY_MEMORY_H
#define TABRIX_COMMON_MEMORY_MEMORY_H

#include <cstdint>

#define POOL_BUFFER_SIZE 2700000u

#define MEMORY_TAG_FREE 0x11AFFA11u
#define MEMORY_TAG_USED 0x33AFFA33u

struct _MEMORY_BLOCK {
    uint32_t size;          /* bytes, header included */
    uint32_t tag;           /* MEMORY_TAG_FREE or MEMORY_TAG_USED */
    _MEMORY_BLOCK *prev;
    _MEMORY_BLOCK *next;
};

struct _MEMORY_POOL {
    uint32_t size;          /* the whole buffer */
    _MEMORY_BLOCK *free;    /* ascending addresses, never touching */
    _MEMORY_BLOCK *used;    /* newest first */
};

/* Receives a failed consistency check. */
typedef void (*MemoryReportFn)(const char *source, int line);

/* Binds the pool to buffer (8-byte aligned, room for the pool header and
   one block header).  Returns 1, or 0 with nothing bound. */
int MemoryInit(void *buffer, uint32_t size);
void *MemoryAlloc(uint32_t n);
void MemoryFree(void *p);

/* MemoryAlloc with the bytes cleared; records error 13 with an empty text
   in the session when the pool has no room. */
void *AllocZeroed(uint32_t n);

/* Installs the receiver of consistency reports (null: the default, a line
   on stderr).  Returns the previous receiver. */
MemoryReportFn MemorySetReport(MemoryReportFn fn);

/* The bound pool, for inspection; null when none is bound. */
_MEMORY_POOL *MemoryPool(void);

#endif
