// Digit fields of parameters and variables.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "session/session.h"

namespace {

struct DigitsTest : ::testing::Test {
    _VARIABLE cell{}, terminal{};
    void SetUp() override {
        std::memset(&TabrixSession, 0, sizeof TabrixSession);
        cell = {8, 0, &terminal};
        terminal = {};
        TabrixSession.variables = &cell;
    }
    void Param(int32_t value, uint32_t flags = PARAM_VALID) {
        TabrixSession.params[5] = {value, flags};
    }
};

struct GetCase { int32_t value; int32_t start, count; int32_t want; };

TEST_F(DigitsTest, ParamGet) {
    const GetCase cases[] = {
        {-12345678, 1, 8, -12345678},   // the eighth digit carries the sign
        {-12345678, 1, 3, 678},         // below it, the magnitude
        {-12345678, 4, 5, -12345},
        {12345678, 3, 2, 56},
        {12345678, 7, 4, 12},           // digits beyond the value read 0
        {-123, 9, 2, 0},
        {INT_MIN, 1, 8, -47483648},     // digits past the eighth are cut
        {INT_MIN, 1, 10, INT_MIN},
        {INT_MIN, 1, 7, 7483648},       // |INT_MIN| without overflow
        {987, 1, 0, 0},                 // an empty field
        {987, 1, -4, 0},
        {987, 0, 2, 87},                // a start below 1 counts as 1
        {987, INT_MIN, 2, 87},
        {-987, 2, INT_MAX, -98},
        {-987, INT_MAX, INT_MAX, 0},
    };
    for (const GetCase &c : cases) {
        Param(c.value);
        EXPECT_EQ(ParamGetDigits(5, c.start, c.count), c.want)
            << c.value << " start " << c.start << " count " << c.count;
    }
}

struct SetCase { int32_t old; int32_t start; uint32_t count; int32_t newValue; int32_t sign;
                 int32_t ok; int32_t want; };

TEST_F(DigitsTest, ParamSet) {
    const SetCase cases[] = {
        {12345, 1, 2, 100, 0, 0, 12345},        // too small a field
        {12345, 1, 2, 99, 0, 1, 12399},
        {-12345, 1, 2, 99, 0, 1, -12399},       // the sign stays
        {-12345, 1, 2, -99, 1, 1, -12399},      // a short field takes no sign
        {12345, 1, 8, -5, 1, 1, -5},            // a signed full field does
        {-12345, 1, 8, 5, 1, 1, 5},
        {-12345, 1, 8, 5, 0, 1, -5},            // unsigned: the old sign stays
        {12345, 5, 4, -7, 1, 1, -72345},
        {12345, 3, 2, 9, 0, 1, 10945},
        {0, 1, 0, 0, 0, 1, 0},
        {0, 1, 0, 1, 0, 0, 0},
        {7, 1, UINT32_MAX, INT_MIN, 1, 1, INT_MIN},
        {7, 1, 10, INT_MAX, 0, 1, INT_MAX},
        {7, 12, 2, 99, 0, 1, (int32_t)(uint32_t)(99'000'000'000'00ull + 7)},  // wraps
        {7, INT_MIN, 1, 3, 0, 1, 3},
    };
    for (const SetCase &c : cases) {
        Param(c.old);
        EXPECT_EQ(ParamSetDigits(5, c.start, c.count, c.newValue, c.sign), c.ok)
            << c.old << " start " << c.start << " count " << c.count << " new " << c.newValue;
        EXPECT_EQ(TabrixSession.params[5].value, c.want)
            << c.old << " start " << c.start << " count " << c.count << " new " << c.newValue;
    }
}

TEST_F(DigitsTest, RawParametersAreWhole) {
    Param(-5, PARAM_VALID | PARAM_RAW);
    EXPECT_EQ(ParamGetDigits(5, 3, 2), -5);
    EXPECT_EQ(ParamSetDigits(5, 3, 2, 77, 0), 1);
    EXPECT_EQ(TabrixSession.params[5].value, 77);
    EXPECT_EQ(ParamSetDigits(5, 3, 2, 100, 0), 0) << "the field size still counts";
}

TEST_F(DigitsTest, NumbersOutsideTheTable) {
    EXPECT_EQ(ParamGetDigits(2000, 1, 8), 0);
    EXPECT_EQ(ParamGetDigits(UINT32_MAX, 1, 8), 0);
    EXPECT_EQ(ParamSetDigits(2000, 1, 8, 1, 0), 0);
}

TEST_F(DigitsTest, VariablesHaveTenDigits) {
    cell.value = -1234567890;
    EXPECT_EQ(VarGetDigits(8, 1, 10), -1234567890);
    EXPECT_EQ(VarGetDigits(8, 1, 8), 34567890) << "the sign belongs to the tenth digit";
    EXPECT_EQ(VarGetDigits(8, 9, 2), -12);
    EXPECT_EQ(VarSetDigits(8, 1, 10, 2000000000, 1), 1);
    EXPECT_EQ(cell.value, 2000000000);
    EXPECT_EQ(VarSetDigits(8, 1, 25, -1, 1), 1) << "10^25 is beyond 64 bits";
    EXPECT_EQ(cell.value, -1);
    EXPECT_EQ(VarSetDigits(8, 1, 3, 1000, 0), 0);
    EXPECT_EQ(cell.value, -1);
}

TEST_F(DigitsTest, UnknownVariablesUseTheTerminalEntry) {
    EXPECT_EQ(VarSetDigits(12, 1, 2, 42, 0), 1);
    EXPECT_EQ(terminal.value, 42);
    EXPECT_EQ(VarGetDigits(12, 1, 2), 42);
    EXPECT_EQ(cell.value, 0);
    TabrixSession.variables = nullptr;
    EXPECT_EQ(VarSetDigits(8, 1, 2, 1, 0), 0);
    EXPECT_EQ(VarGetDigits(8, 1, 2), 0);
}

}  // namespace
