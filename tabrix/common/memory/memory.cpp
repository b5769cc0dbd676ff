/*
 * memory.cpp - the session's memory pool: first fit, merging release,
 * consistency checks reported by line.
 */
#include "common/memory/memory.h"

#include <cstdio>
#include <cstring>

#include "platform/messages/messages.h"
#include "session/session.h"

static_assert(sizeof(_MEMORY_BLOCK) % 8 == 0, "block header must keep blocks aligned");
static_assert(sizeof(_MEMORY_POOL) % 8 == 0, "pool header must keep blocks aligned");

#define H ((uint32_t)sizeof(_MEMORY_BLOCK))
#define P ((uint32_t)sizeof(_MEMORY_POOL))
#define MEMORY_ALIGN 8u

static _MEMORY_POOL *pool;

/* Under AddressSanitizer the pool fences off what no caller may touch: the
   memory of free blocks and the slack after each request.  A stray read or
   write inside the pool is then reported as one on the heap would be.  The
   headers stay open: the pool's own checks read them. */
#if defined(__SANITIZE_ADDRESS__)
#define MEMORY_FENCED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MEMORY_FENCED 1
#endif
#endif

#ifdef MEMORY_FENCED
#include <sanitizer/asan_interface.h>

static void MemoryFence(void *p, size_t n) {
    ASAN_POISON_MEMORY_REGION(p, n);
}

static void MemoryOpen(void *p, size_t n) {
    ASAN_UNPOISON_MEMORY_REGION(p, n);
}

/* A header that is fenced off lies inside a free block: no block starts
   there. */
static bool MemoryFenced(const void *p, size_t n) {
    return __asan_region_is_poisoned((void *)p, n) != nullptr;
}
#else
static void MemoryFence(void *, size_t) {}
static void MemoryOpen(void *, size_t) {}
static bool MemoryFenced(const void *, size_t) { return false; }
#endif

static void MemoryReportDefault(const char *source, int line) {
    std::fprintf(stderr, "%s(%d): pool check failed\n", source, line);
}

static MemoryReportFn memoryReport = MemoryReportDefault;

MemoryReportFn MemorySetReport(MemoryReportFn fn) {
    MemoryReportFn old = memoryReport;
    memoryReport = fn ? fn : MemoryReportDefault;
    return old;
}

_MEMORY_POOL *MemoryPool(void) {
    return pool;
}

static void MemoryCheck(bool holds, int line) {
    if (!holds)
        memoryReport("common/memory/memory", line);
}

static bool MemoryUsedHeadSound(void) {
    return pool->used == nullptr || pool->used->prev == nullptr;
}

static bool MemoryFreeHeadSound(void) {
    return pool->free == nullptr || pool->free->prev == nullptr;
}

/* Two empty lists count as the same head. */
static bool MemoryHeadsDiffer(void) {
    return pool->free != pool->used;
}

static uint8_t *MemoryEnd(_MEMORY_BLOCK *b) {
    return (uint8_t *)b + b->size;
}

int MemoryInit(void *buffer, uint32_t size) {
    if (buffer == nullptr || size < P + H || (uintptr_t)buffer % MEMORY_ALIGN != 0)
        return 0;
    MemoryOpen(buffer, size);
    pool = (_MEMORY_POOL *)buffer;
    pool->size = size;
    pool->used = nullptr;
    _MEMORY_BLOCK *b = (_MEMORY_BLOCK *)((uint8_t *)buffer + P);
    /* Keep every block size a multiple of the alignment. */
    b->size = (size - P) & ~(MEMORY_ALIGN - 1);
    b->tag = MEMORY_TAG_FREE;
    b->prev = b->next = nullptr;
    pool->free = b;
    MemoryFence((uint8_t *)b + H, b->size - H);
    return 1;
}

/* Replaces block b of the free list by its rest r (same neighbours). */
static void MemoryFreeReplace(_MEMORY_BLOCK *b, _MEMORY_BLOCK *r) {
    r->prev = b->prev;
    r->next = b->next;
    if (r->prev) r->prev->next = r; else pool->free = r;
    if (r->next) r->next->prev = r;
}

static void MemoryFreeUnlink(_MEMORY_BLOCK *b) {
    if (b->prev) b->prev->next = b->next; else pool->free = b->next;
    if (b->next) b->next->prev = b->prev;
}

static void MemoryUsedPush(_MEMORY_BLOCK *b) {
    b->prev = nullptr;
    b->next = pool->used;
    if (pool->used) pool->used->prev = b;
    pool->used = b;
    b->tag = MEMORY_TAG_USED;
}

void *MemoryAlloc(uint32_t n) {
    if (pool == nullptr)
        return nullptr;
    uint64_t want = ((uint64_t)n + MEMORY_ALIGN - 1) / MEMORY_ALIGN * MEMORY_ALIGN + H;
    if (want > UINT32_MAX)
        return nullptr;
    uint32_t need = (uint32_t)want;
    _MEMORY_BLOCK *b = pool->free;
    while (b && b->size < need)
        b = b->next;
    if (b == nullptr)
        return nullptr;
    if ((uint64_t)b->size <= (uint64_t)need + H) {
        MemoryFreeUnlink(b);
        MemoryUsedPush(b);
        MemoryCheck(b->prev != nullptr || pool->used == b, 167);
        MemoryCheck(MemoryUsedHeadSound(), 168);
        MemoryCheck(MemoryFreeHeadSound(), 169);
    } else {
        _MEMORY_BLOCK *rest = (_MEMORY_BLOCK *)((uint8_t *)b + need);
        MemoryOpen(rest, H);
        rest->size = b->size - need;
        rest->tag = MEMORY_TAG_FREE;
        MemoryFreeReplace(b, rest);
        b->size = need;
        MemoryUsedPush(b);
        MemoryCheck(b->prev != nullptr || pool->used == b, 140);
        MemoryCheck(rest->prev != nullptr || pool->free == rest, 141);
        MemoryCheck(MemoryUsedHeadSound(), 142);
        MemoryCheck(MemoryFreeHeadSound(), 143);
    }
    MemoryOpen((uint8_t *)b + H, n);
    MemoryFence((uint8_t *)b + H + n, b->size - H - n);
    return (uint8_t *)b + H;
}

/* The header of the block that p is the memory of, or null when p cannot
   be one: outside the pool's blocks, misaligned, or with a size that does
   not fit.  Guards against freeing pointers the pool never gave. */
static _MEMORY_BLOCK *MemoryBlockOf(void *p) {
    uint8_t *base = (uint8_t *)pool;
    uint8_t *q = (uint8_t *)p;
    if (pool == nullptr || q < base + P + H || q >= base + pool->size)
        return nullptr;
    if ((uintptr_t)(q - base) % MEMORY_ALIGN != 0)
        return nullptr;
    _MEMORY_BLOCK *b = (_MEMORY_BLOCK *)(q - H);
    if (MemoryFenced(b, H))
        return nullptr;
    if (b->size < H || b->size > (uint32_t)(base + pool->size - (uint8_t *)b))
        return nullptr;
    return b;
}

/* Merges b's free-list successor into b when the two touch. */
static void MemoryMergeNext(_MEMORY_BLOCK *b) {
    _MEMORY_BLOCK *n = b->next;
    if (n && MemoryEnd(b) == (uint8_t *)n) {
        b->size += n->size;
        b->next = n->next;
        if (b->next) b->next->prev = b;
        MemoryFence(n, H);
    }
}

static void MemoryUsedUnlink(_MEMORY_BLOCK *b) {
    if (b->prev) b->prev->next = b->next; else pool->used = b->next;
    MemoryCheck(MemoryHeadsDiffer(), 209);
    if (b->next) b->next->prev = b->prev;
    MemoryCheck(MemoryHeadsDiffer(), 212);
}

void MemoryFree(void *p) {
    if (p == nullptr)
        return;
    _MEMORY_BLOCK *b = MemoryBlockOf(p);
    if (b == nullptr || b->tag != MEMORY_TAG_USED) {
        MemoryCheck(false, 199);
        return;
    }
    b->tag = MEMORY_TAG_FREE;
    MemoryFence((uint8_t *)b + H, b->size - H);
    MemoryCheck(MemoryHeadsDiffer(), 203);
    MemoryUsedUnlink(b);

    if (pool->free == nullptr || b < pool->free) {
        b->prev = nullptr;
        b->next = pool->free;
        if (b->next) b->next->prev = b;
        pool->free = b;
        MemoryMergeNext(b);
        MemoryCheck(MemoryUsedHeadSound(), 237);
        MemoryCheck(MemoryFreeHeadSound(), 238);
        return;
    }
    MemoryCheck(MemoryHeadsDiffer(), 241);
    _MEMORY_BLOCK *f = pool->free;
    while (f->next && f->next < b)
        f = f->next;
    if (MemoryEnd(f) == (uint8_t *)b) {
        f->size += b->size;
        MemoryFence(b, H);
        MemoryMergeNext(f);
        MemoryCheck(MemoryUsedHeadSound(), 261);
        MemoryCheck(MemoryFreeHeadSound(), 262);
        return;
    }
    b->prev = f;
    b->next = f->next;
    if (b->next) b->next->prev = b;
    f->next = b;
    MemoryMergeNext(b);
    MemoryCheck(MemoryHeadsDiffer(), 283);
    MemoryCheck(MemoryUsedHeadSound(), 284);
    MemoryCheck(MemoryFreeHeadSound(), 285);
}

void *AllocZeroed(uint32_t n) {
    void *p = MemoryAlloc(n);
    if (p == nullptr) {
        SessionSetError(&TabrixSession, MSG_NO_MEMORY, "",
                        "the session's memory pool of %u bytes has no room for %u more",
                        POOL_BUFFER_SIZE, n);
        return nullptr;
    }
    std::memset(p, 0, n);
    return p;
}
