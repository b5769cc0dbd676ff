// The memory pool: first fit, splitting, merging, and the checks it reports.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "common/memory/memory.h"
#include "session/session.h"

namespace {

constexpr uint32_t H = sizeof(_MEMORY_BLOCK);
constexpr uint32_t P = sizeof(_MEMORY_POOL);

std::vector<int> reports;

void Record(const char *source, int line) {
    EXPECT_STREQ(source, "common/memory/memory");
    reports.push_back(line);
}

struct MemoryTest : ::testing::Test {
    alignas(8) static inline uint8_t buffer[POOL_BUFFER_SIZE];
    MemoryReportFn old = nullptr;
    void SetUp() override {
        reports.clear();
        old = MemorySetReport(Record);
        ASSERT_EQ(MemoryInit(buffer, POOL_BUFFER_SIZE), 1);
    }
    void TearDown() override { MemorySetReport(old); }

    static std::vector<std::pair<uint8_t *, uint32_t>> FreeList() {
        std::vector<std::pair<uint8_t *, uint32_t>> list;
        for (_MEMORY_BLOCK *b = MemoryPool()->free; b; b = b->next)
            list.push_back({(uint8_t *)b, b->size});
        return list;
    }
    static uint8_t *Header(void *p) { return (uint8_t *)p - H; }
};

TEST_F(MemoryTest, HeadersKeepBlocksAligned) {
    EXPECT_EQ(H, 24u);
    EXPECT_EQ(P, 24u);
    void *a = MemoryAlloc(1);
    void *b = MemoryAlloc(13);
    EXPECT_EQ((uint8_t *)a, buffer + P + H);
    EXPECT_EQ((uint8_t *)b - (uint8_t *)a, 8 + H);
    EXPECT_EQ((uintptr_t)b % 8, 0u);
}

TEST_F(MemoryTest, LargestRequestFillsTheBuffer) {
    const uint32_t largest = POOL_BUFFER_SIZE - P - H;
    EXPECT_EQ(MemoryAlloc(largest + 1), nullptr);
    void *p = MemoryAlloc(largest);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(MemoryPool()->free, nullptr);
    EXPECT_EQ(MemoryAlloc(0), nullptr);
}

TEST_F(MemoryTest, RequestsBeyond32BitsFail) {
    for (uint32_t n : {UINT32_MAX, UINT32_MAX - H + 1, UINT32_MAX - 7})
        EXPECT_EQ(MemoryAlloc(n), nullptr) << n;
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(FreeList().size(), 1u);
}

TEST_F(MemoryTest, ZeroBytesGiveABlockWithNoRoom) {
    void *a = MemoryAlloc(0);
    void *b = MemoryAlloc(0);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ((uint8_t *)b - (uint8_t *)a, H);
}

TEST_F(MemoryTest, SplitOnlyWhenTheRestExceedsAHeader) {
    // Carve a free block of a chosen size between two used blocks.
    struct Case { uint32_t extra; bool split; };
    for (Case c : {Case{H, false}, Case{H + 8, true}}) {
        ASSERT_EQ(MemoryInit(buffer, POOL_BUFFER_SIZE), 1);
        void *hole = MemoryAlloc(64 + c.extra);
        void *wall = MemoryAlloc(8);
        ASSERT_NE(wall, nullptr);
        MemoryFree(hole);
        void *p = MemoryAlloc(64);
        ASSERT_EQ(p, hole);
        auto list = FreeList();
        if (c.split) {
            ASSERT_EQ(list.size(), 2u);
            EXPECT_EQ(list[0].first, Header(p) + 64 + H);
            EXPECT_EQ(list[0].second, H + 8);
            EXPECT_EQ(((_MEMORY_BLOCK *)Header(p))->size, 64 + H);
        } else {
            ASSERT_EQ(list.size(), 1u) << "taken whole";
            EXPECT_EQ(((_MEMORY_BLOCK *)Header(p))->size, 64 + 2 * H);
        }
    }
    EXPECT_TRUE(reports.empty());
}

TEST_F(MemoryTest, FreeingEverythingLeavesOneBlock) {
    void *a = MemoryAlloc(10);
    void *b = MemoryAlloc(20);
    void *c = MemoryAlloc(30);
    MemoryFree(b);
    MemoryFree(a);
    MemoryFree(c);
    auto list = FreeList();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].first, buffer + P);
    EXPECT_EQ(list[0].second, POOL_BUFFER_SIZE - P);
    EXPECT_EQ(MemoryPool()->used, nullptr);
    EXPECT_TRUE(reports.empty());
}

TEST_F(MemoryTest, FreedNeighboursMergeInAddressOrder) {
    void *blocks[7];
    for (void *&p : blocks)
        p = MemoryAlloc(40);
    enum { A, B, C, D, E, F, G };
    MemoryFree(blocks[A]);
    MemoryFree(blocks[C]);
    MemoryFree(blocks[E]);
    MemoryFree(blocks[D]);
    auto list = FreeList();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].first, Header(blocks[A]));
    EXPECT_EQ(list[0].second, 40 + H);
    EXPECT_EQ(list[1].first, Header(blocks[C]));
    EXPECT_EQ(list[1].second, 3 * (40 + H));
    EXPECT_EQ(list[2].first, Header(blocks[G]) + 40 + H);
    EXPECT_TRUE(reports.empty());
}

TEST_F(MemoryTest, BadFreesAreReportedAndChangeNothing) {
    void *a = MemoryAlloc(32);
    MemoryAlloc(32);
    MemoryFree(a);
    auto before = FreeList();
    int onStack = 0;
    alignas(8) static uint8_t elsewhere[64];
    void *bad[] = {a, &onStack, elsewhere + 32, (uint8_t *)a + 4, buffer,
                   buffer + POOL_BUFFER_SIZE - 8};
    for (void *p : bad)
        MemoryFree(p);
    EXPECT_EQ(reports, std::vector<int>(std::size(bad), 199));
    EXPECT_EQ(FreeList(), before);
    MemoryFree(nullptr);
    EXPECT_EQ(reports.size(), std::size(bad));
}

TEST_F(MemoryTest, ChecksReportTheirLines) {
    // Freeing the only block empties both lists, which the checks after the
    // used list is relinked count as one head.
    void *all = MemoryAlloc(POOL_BUFFER_SIZE - P - H);
    MemoryFree(all);
    EXPECT_EQ(reports, (std::vector<int>{209, 212}));

    // A free head that claims a predecessor is reported by an allocation
    // further down the free list, split or taken whole.
    struct Case { uint32_t hole; int line; };
    for (Case c : {Case{64 + H + 8, 143}, Case{64, 169}}) {
        reports.clear();
        ASSERT_EQ(MemoryInit(buffer, POOL_BUFFER_SIZE), 1);
        void *x = MemoryAlloc(8);
        MemoryAlloc(8);
        void *y = MemoryAlloc(c.hole);
        MemoryAlloc(8);
        MemoryFree(x);
        MemoryFree(y);
        _MEMORY_BLOCK bogus{};
        MemoryPool()->free->prev = &bogus;
        EXPECT_EQ(MemoryAlloc(64), y);
        EXPECT_EQ(reports, std::vector<int>{c.line}) << c.hole;
    }
}

TEST_F(MemoryTest, TooSmallBufferBindsNothing) {
    void *p = MemoryAlloc(8);
    alignas(8) static uint8_t small[P + H];
    EXPECT_EQ(MemoryInit(small, P + H - 1), 0);
    EXPECT_EQ(MemoryInit(nullptr, 4096), 0);
    EXPECT_EQ(MemoryInit(buffer + 4, 4096), 0) << "misaligned";
    EXPECT_EQ(MemoryPool(), (_MEMORY_POOL *)buffer);
    MemoryFree(p);
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(MemoryInit(small, P + H), 1);
    EXPECT_NE(MemoryAlloc(0), nullptr);
    EXPECT_EQ(MemoryAlloc(0), nullptr);
}

TEST_F(MemoryTest, AllocZeroedClearsReusedMemoryAndRecordsExhaustion) {
    std::memset(&TabrixSession, 0, sizeof TabrixSession);
    uint8_t *a = (uint8_t *)MemoryAlloc(100);
    std::memset(a, 0xAB, 100);
    MemoryFree(a);
    uint8_t *b = (uint8_t *)AllocZeroed(100);
    ASSERT_EQ(b, a);
    for (int i = 0; i < 100; i++)
        ASSERT_EQ(b[i], 0) << i;
    EXPECT_EQ(TabrixSession.errorCode, 0u);

    std::strcpy(TabrixSession.errorText, "stale");
    EXPECT_EQ(AllocZeroed(POOL_BUFFER_SIZE), nullptr);
    EXPECT_EQ(TabrixSession.errorCode, 13u);
    EXPECT_STREQ(TabrixSession.errorText, "");
}

TEST_F(MemoryTest, ChurnKeepsTheListsSound) {
    std::vector<void *> live;
    uint32_t seed = 12345;
    for (int i = 0; i < 20000; i++) {
        seed = seed * 1103515245u + 12345u;
        if (live.empty() || seed % 3 != 0) {
            void *p = MemoryAlloc(seed % 700);
            if (p)
                live.push_back(p);
        } else {
            size_t k = seed / 7 % live.size();
            MemoryFree(live[k]);
            live[k] = live.back();
            live.pop_back();
        }
    }
    for (void *p : live)
        MemoryFree(p);
    EXPECT_TRUE(reports.empty());
    ASSERT_EQ(FreeList().size(), 1u);
    EXPECT_EQ(FreeList()[0].second, POOL_BUFFER_SIZE - P);
}

// Under AddressSanitizer the pool fences off the slack after each request
// and all free memory, so a stray access inside the pool is reported like
// one on the heap.
TEST_F(MemoryTest, AccessOutsideARequestIsReportedUnderAddressSanitizer) {
#ifndef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "needs AddressSanitizer";
#else
    volatile uint8_t *p = (uint8_t *)MemoryAlloc(5);
    volatile uint8_t *freed = (uint8_t *)MemoryAlloc(16);
    MemoryFree((void *)freed);
    p[4] = 1;
    EXPECT_EQ(p[4], 1);
    EXPECT_DEATH(p[5] = 1, "AddressSanitizer");
    EXPECT_DEATH((void)freed[0], "use-after-poison");
    EXPECT_DEATH((void)p[64], "use-after-poison") << "the pool's untouched rest";
    // Memory given out again is open again.
    volatile uint8_t *again = (uint8_t *)MemoryAlloc(16);
    again[15] = 2;
    EXPECT_EQ(again[15], 2);
#endif
}

}  // namespace
