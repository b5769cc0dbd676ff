// The script model: bindings, the memory image, screens, variables and the
// current entry of choice fields.
#include <gtest/gtest.h>

#include <cstring>

#include "common/memory/memory.h"
#include "script/line.h"
#include "script/model.h"
#include "session/session.h"

namespace {

struct ModelTest : ::testing::Test {
    alignas(8) static inline uint8_t pool[POOL_BUFFER_SIZE];
    void SetUp() override {
        std::memset(&TabrixSession, 0, sizeof TabrixSession);
        ASSERT_EQ(MemoryInit(pool, POOL_BUFFER_SIZE), 1);
        for (int64_t offset = 0; offset < 64; offset += 4)
            ImageCellWrite(offset, 0);
    }
    static size_t VariableCount() {
        size_t n = 0;
        for (_VARIABLE *v = TabrixSession.variables; v && v->next; v = v->next)
            n++;
        return n;
    }
    static void ExpectTerminal() {
        _VARIABLE *v = TabrixSession.variables;
        ASSERT_NE(v, nullptr);
        while (v->next)
            v = v->next;
        EXPECT_EQ(v->key, 0u);
        EXPECT_EQ(v->value, 0);
    }
};

TEST_F(ModelTest, ValueRefLayout) {
    _VALUEREF ref{12, ValueRefFlags(LINE_REAL, 5, 4, 1)};
    EXPECT_EQ(ref.flags, 0x2116u) << "type in bits 10-14, count 6-9, start 2-5, signed 1";
    EXPECT_EQ(ValueRefStart(&ref), 5);
    EXPECT_EQ(ValueRefCount(&ref), 4);
    EXPECT_EQ(ValueRefType(&ref), (uint32_t)LINE_REAL);

    ref.flags = ValueRefFlags(LINE_HEX, 9, 10, 0) | VALUEREF_VARIABLE;
    EXPECT_EQ(ValueRefStart(&ref), 9);
    EXPECT_EQ(ValueRefCount(&ref), 10);
    EXPECT_EQ(ValueRefType(&ref), (uint32_t)LINE_HEX);
    EXPECT_EQ(ref.flags & (VALUEREF_VARIABLE | VALUEREF_SIGNED), VALUEREF_VARIABLE);

    // An incomplete field spills into no other bits.
    EXPECT_EQ(ValueRefFlags(LINE_LIST, -1, -1, 0), 5u << 10);
    EXPECT_EQ(ValueRefFlags(LINE_SIGN, 0, 0, 0), 9u << 10);
}

TEST_F(ModelTest, ImageCells) {
    const struct { int64_t offset; bool inside; } cases[] = {
        {0, true}, {1, true}, {9996, true}, {9997, false}, {10000, false},
        {-1, false}, {-4, false}, {INT64_MAX, false}, {INT64_MIN, false},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(ImageCellInside(c.offset), c.inside) << c.offset;
        EXPECT_EQ(ImageCellWrite(c.offset, -7), c.inside ? 1 : 0) << c.offset;
        EXPECT_EQ(ImageCellRead(c.offset), c.inside ? -7 : 0) << c.offset;
        ImageCellWrite(c.offset, 0);
    }
    // Cells overlap: they are bytes of one area.
    ImageCellWrite(0, 0x04030201);
    EXPECT_EQ(ImageCellRead(1), 0x00040302);
    ImageCellWrite(0, 0);
}

TEST_F(ModelTest, HostsReachTheImageThroughItsExport) {
    uint32_t size = 0;
    uint8_t *image = TabrixMemoryImage(&size);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(size, 10000u);
    EXPECT_EQ(TabrixMemoryImage(nullptr), image);
    const int32_t value = -123456;
    std::memcpy(image + 9996, &value, sizeof value);
    EXPECT_EQ(ImageCellRead(9996), value) << "a host's value is the cell's";
    VariableRegister(9996);
    EXPECT_EQ(VariableFind(9996)->value, value) << "and a variable's first value";
    ImageCellWrite(8, 77);
    int32_t read;
    std::memcpy(&read, image + 8, sizeof read);
    EXPECT_EQ(read, 77);
    ImageCellWrite(9996, 0);
}

TEST_F(ModelTest, ScreenFind) {
    EXPECT_EQ(ScreenFind("A.SCT*DLG_MAIN"), &TabrixSession.screens) << "an empty list";

    _DIALOG dialogs[3]{};
    _SCREEN screens[3]{};
    char a[] = "A.SCT*DLG_MAIN", b[] = "A.SCT*LIMITS", c[] = "A.SCT*LIMITS";
    char *names[] = {a, b, c};
    _SCREEN *s = &TabrixSession.screens;
    for (int i = 0; i < 3; i++) {
        s->name = names[i];
        s->dialog = &dialogs[i];
        s->next = &screens[i];
        s = &screens[i];
    }
    EXPECT_EQ(ScreenFind("A.SCT*DLG_MAIN"), &TabrixSession.screens);
    EXPECT_EQ(ScreenFind("A.SCT*LIMITS"), &screens[0]) << "the first of equal names";
    _SCREEN *miss = ScreenFind("A.SCT*dlg_main");
    EXPECT_EQ(miss, &screens[2]);
    EXPECT_EQ(miss->dialog, nullptr);
    EXPECT_EQ(ScreenFind("")->dialog, nullptr);
}

TEST_F(ModelTest, VariablesTakeTheirCellOnce) {
    ImageCellWrite(8, 42);
    ImageCellWrite(0, -5);
    VariableRegister(8);
    ASSERT_EQ(VariableCount(), 1u) << "a missing list is created";
    EXPECT_EQ(VariableFind(8)->value, 42);
    ImageCellWrite(8, 99);
    VariableFind(8)->value = 7;
    VariableRegister(8);
    EXPECT_EQ(VariableCount(), 1u);
    EXPECT_EQ(VariableFind(8)->value, 7) << "the entry, not the image, holds the value";
    VariableRegister(0);                     // the key of the terminal entry
    EXPECT_EQ(VariableCount(), 2u);
    EXPECT_EQ(VariableFind(0)->value, -5);
    VariableRegister(0);
    EXPECT_EQ(VariableCount(), 2u);
    ExpectTerminal();
    EXPECT_EQ(VariableFind(4)->next, nullptr) << "an unknown key finds the terminal entry";
}

TEST_F(ModelTest, FullPoolLeavesTheListWhole) {
    alignas(8) static uint8_t tiny[sizeof(_MEMORY_POOL) + sizeof(_MEMORY_BLOCK) + 16];
    ASSERT_EQ(MemoryInit(tiny, sizeof tiny), 1);
    TabrixSession.variables = (_VARIABLE *)AllocZeroed(sizeof(_VARIABLE));
    ASSERT_NE(TabrixSession.variables, nullptr);
    ImageCellWrite(12, 3);
    VariableRegister(12);
    EXPECT_EQ(TabrixSession.errorCode, 13u);
    EXPECT_EQ(VariableCount(), 0u);
    ExpectTerminal();
}

struct ChoiceTest : ModelTest {
    _LIST_ENTRY entries[5]{};
    _LIST_ITEM list{};
    _VALUEREF ref{};
    _ITEM item{};
    // Links texts/values into a chain; prevOfSecond says whether the second
    // entry links back (a LIST's first script entry does not).
    void Chain(int n, const int32_t *values, bool prevOfSecond) {
        for (int i = 0; i < n; i++) {
            entries[i].value = values[i];
            entries[i].next = i + 1 < n ? &entries[i + 1] : nullptr;
            entries[i].prev = i > 0 && (i > 1 || prevOfSecond) ? &entries[i - 1] : nullptr;
        }
        item.kind = DLG_ITEM_LIST;
        item.data = &list;
        item.valueRef = &ref;
    }
    _LIST_ENTRY *Current() const { return list.current; }
};

TEST_F(ChoiceTest, ListTakesTheLastMatchingEntry) {
    const int32_t values[] = {-1, 0, 45, 7, 45};         // "???" first
    Chain(5, values, false);
    list.first = list.current = &entries[0];
    ref = {3, ValueRefFlags(LINE_LIST, 1, 2, 0)};
    const struct { int32_t value; int want; } cases[] = {
        {12345, 4},     // digits 1-2 read 45: the later of two
        {-12345, 4},    // the magnitude of the field
        {100, 1},
        {7, 3},
        {12, 0},        // no match: "???"
        {-1, 0},        // never the "???" entry's own value
    };
    for (const auto &c : cases) {
        TabrixSession.params[3] = {c.value, PARAM_VALID};
        list.current = &entries[2];
        ChoiceSelect(&item);
        EXPECT_EQ(Current(), &entries[c.want]) << c.value;
    }
}

TEST_F(ChoiceTest, ListOnAVariable) {
    const int32_t values[] = {-1, 1, 2};
    Chain(3, values, false);
    list.first = list.current = &entries[0];
    ImageCellWrite(16, -1000000002);
    VariableRegister(16);
    ref = {16, ValueRefFlags(LINE_LIST, 1, 10, 0) | VALUEREF_VARIABLE};
    ChoiceSelect(&item);
    EXPECT_EQ(Current(), &entries[0]) << "the whole ten digits read 1000000002";
    ref.flags = ValueRefFlags(LINE_LIST, 1, 1, 0) | VALUEREF_VARIABLE;
    ChoiceSelect(&item);
    EXPECT_EQ(Current(), &entries[2]);
    TabrixSession.params[16] = {1, PARAM_VALID};
    ref.flags = ValueRefFlags(LINE_LIST, 1, 1, 0);
    ChoiceSelect(&item);
    EXPECT_EQ(Current(), &entries[1]) << "without the flag, parameter 16";
}

TEST_F(ChoiceTest, SignTakesTheLastEntryOfTheSign) {
    const int32_t values[] = {1, -1, 1, -1};
    Chain(4, values, true);
    entries[2].next = nullptr;          // the unwritten entry the loader leaves
    list.first = nullptr;
    ref = {3, ValueRefFlags(LINE_SIGN, 0, 0, 0)};
    const struct { int32_t value; int from, want; } cases[] = {
        {-5, 0, 1}, {5, 1, 2}, {0, 2, 0}, {-99999999, 2, 1},
        {-100000000, 1, 0},             // digits 1 to 8 of it are 0
    };
    for (const auto &c : cases) {
        TabrixSession.params[3] = {c.value, PARAM_VALID};
        list.current = &entries[c.from];
        ChoiceSelect(&item);
        EXPECT_EQ(Current(), &entries[c.want]) << c.value;
    }
}

TEST_F(ChoiceTest, OtherItemsAreLeftAlone) {
    const int32_t values[] = {-1, 5};
    Chain(2, values, false);
    list.first = &entries[0];
    list.current = &entries[1];
    ref = {3, ValueRefFlags(LINE_INT, 1, 8, 0)};
    ChoiceSelect(&item);
    EXPECT_EQ(Current(), &entries[1]);
    ref.flags = ValueRefFlags(LINE_LIST, 1, 8, 0);
    item.kind = DLG_ITEM_EDIT;
    ChoiceSelect(&item);
    EXPECT_EQ(Current(), &entries[1]);
    item.kind = DLG_ITEM_LIST;
    item.valueRef = nullptr;
    ChoiceSelect(&item);
    EXPECT_EQ(Current(), &entries[1]);
}

}  // namespace
