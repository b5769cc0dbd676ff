// The expression evaluator: tokens, grammar, errors, variables, hostile text.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "common/memory/memory.h"
#include "expr/expr.h"
#include "script/model.h"
#include "session/session.h"

namespace {

constexpr double INF = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double PI = 3.141592653589793;

struct ExprTest : ::testing::Test {
    alignas(8) static inline uint8_t pool[POOL_BUFFER_SIZE];
    void SetUp() override {
        std::memset(&TabrixSession, 0, sizeof TabrixSession);
        ASSERT_EQ(MemoryInit(pool, POOL_BUFFER_SIZE), 1);
        TabrixSession.variables = (_VARIABLE *)AllocZeroed(sizeof(_VARIABLE));
        TabrixSession.params[0] = {11, PARAM_VALID};
        TabrixSession.params[5] = {12345, PARAM_VALID};
        TabrixSession.params[7] = {-3, PARAM_VALID};
        TabrixSession.params[1999] = {8, PARAM_VALID};
        TabrixSession.reals[2] = 1.5;
        TabrixSession.reals[29] = -2.0;
        for (int64_t offset = 0; offset < 32; offset += 4)
            ImageCellWrite(offset, 0);
        ImageCellWrite(8, 42);
    }
    static double Eval(const std::string &text) {
        return ExprEvaluate(nullptr, &TabrixSession, text.c_str());
    }
    static bool Registered(uint32_t key) {
        for (_VARIABLE *v = TabrixSession.variables; v->next; v = v->next)
            if (v->key == key)
                return true;
        return false;
    }
};

// Equal to the last bit; NaN matches NaN.
::testing::AssertionResult Same(double got, double want) {
    if (std::isnan(want) ? std::isnan(got)
                         : std::bit_cast<uint64_t>(got) == std::bit_cast<uint64_t>(want))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << std::hexfloat << got << " is not " << want;
}

struct EvalCase {
    const char *text;
    double value;
    uint32_t error;
};

template <size_t N>
void ExpectEvaluations(const EvalCase (&cases)[N]) {
    for (const EvalCase &c : cases) {
        TabrixSession.errorCode = 0;
        EXPECT_TRUE(Same(ExprEvaluate(nullptr, &TabrixSession, c.text), c.value)) << c.text;
        EXPECT_EQ(TabrixSession.errorCode, c.error) << c.text;
    }
}

// A parser on text after its first token, with no error before it.
_EXPR_PARSER FirstToken(const char *text) {
    TabrixSession.errorCode = 0;
    _EXPR_PARSER p{};
    p.text = text;
    p.session = &TabrixSession;
    ExprNextToken(&p);
    return p;
}

TEST_F(ExprTest, Values) {
    const EvalCase cases[] = {
        {"2+3*4", 14, 0}, {"(2+3)*4", 20, 0}, {"10/4/5", 0.5, 0}, {"7-2-1", 4, 0},
        {"SIN(90)", 1, 0}, {"SIN(30)", 0x1.fffffffffffffp-2, 0},   // 0.5 within the last bit
        {"SIN(30,1)", 0x1.fffffffffffffp-2, 0}, {"COS(0)", 1, 0}, {"TAN(0)", 0, 0},
        {"ATAN(1)", 45, 0}, {"ATAN2(1,1)", 45, 0}, {"ATAN2(1)", 90, 0}, {"ACOS(0)", 90, 0},
        {"ASIN(1)", 90, 0}, {"SQRT(16)", 4, 0},
        {"INT(-2.7)", -2, 0}, {"ROUND(2.5)", 3, 0}, {"ROUND(-2.5)", -3, 0},
        {"ROUND(-0.4)", 0, 0}, {"ABS(-3)", 3, 0}, {"NEG(4)", -4, 0}, {"ABS(-3)*2", 6, 0},
        {"PI", PI, 0}, {"PI2", PI, 0}, {"-PI", -PI, 0}, {"+5", 5, 0}, {"-(2)", -2, 0},
        {"R+5", 12345, 0}, {"R", 11, 0}, {"C7", -3, 0}, {"R7", -3, 0}, {"R1999", 8, 0},
        {"D29", -2, 0}, {"D2*2", 3, 0}, {"R5/1000", 12.345, 0},
        {"1=1", 1, 0}, {"1<>1", 0, 0}, {"2>=2", 1, 0}, {"3<=2", 0, 0}, {"2>1", 1, 0},
        {"1>2", 0, 0}, {"1<2", 1, 0}, {"1<2<3", 1, 0}, {"(1<2)+(3<4)", 2, 0},
        {"2*-3", -6, 0}, {"2--3", 5, 0}, {"2(3)", 2, 0}, {"1+2)", 3, 0}, {"1,2", 1, 0},
        {"(1))", 1, 0}, {".", 0, 0}, {".5", 0.5, 0}, {"1.2.3", 1.2, 0},
        {"1/0", INF, 0}, {"-1/0", -INF, 0}, {"0/0", NaN, 0}, {"SQRT(-1)", NaN, 0},
        {"ASIN(2)", NaN, 0}, {"ACOS(-2)", NaN, 0},
        // INT and ROUND saturate at the 32-bit range; NaN gives 0.
        {"INT(3000000000)", INT_MAX, 0}, {"INT(-3000000000)", INT_MIN, 0},
        {"INT(1/0)", INT_MAX, 0}, {"INT(SQRT(-1))", 0, 0}, {"INT(-2147483648.9)", INT_MIN, 0},
        {"ROUND(9999999999)", INT_MAX, 0}, {"ROUND(-9999999999)", INT_MIN, 0},
        {"ROUND(0/0)", 0, 0},
    };
    ExpectEvaluations(cases);
}

TEST_F(ExprTest, Errors) {
    const EvalCase cases[] = {
        {"COSPI", 0, 38}, {"R-1", 0, 38}, {"D30", 0, 38}, {"R2000", 0, 38},
        {"R4294967296", 0, 38},                 // would wrap to parameter 0
        {"M5", 0, 38}, {"M1.9997", 0, 38}, {"M1.-4", 0, 38}, {"M1.4294967304", 0, 38},
        {"sin(30)", 0, 38}, {"1 + 2", 0, 38}, {"1e3", 0, 38}, {"(1", 0, 38},
        {"SIN(30", 0, 38}, {"SIN()", 0, 38}, {"SIN(30,1,2)", 0, 38}, {"SIN(1,)", 0, 38},
        {"ABS-3", 0, 38}, {"ROUN(1)", 0, 38}, {"--2", 0, 38}, {"1+2#", 0, 38},
        {"2*", 0, 38}, {"", 0, 38}, {"3*(2", 0, 38}, {"((1)", 0, 38}, {")", 0, 38},
        // A comparison still compares when its second sum failed.
        {"0=R9999", 1, 38}, {"1=R9999", 0, 38}, {"0=", 1, 38}, {"1<>#", 1, 38},
        {"1+(0=R9999)", 0, 38}, {"ATAN2(1,0=R9999)", 0, 38}, {"R9999=0", 0, 38},
    };
    ExpectEvaluations(cases);
}

// Why a text does not evaluate, and where the evaluator stopped.
TEST_F(ExprTest, ReasonsAndWhereTheyStand) {
    const struct { const char *text, *reason; size_t at; } cases[] = {
        {"(1", "\")\" expected", 2},
        {"SIN3", "\"(\" expected after SIN", 3},
        {"COSPI", "\"(\" expected after COS", 3},
        {"1+R2000", "parameter R2000 is outside 0..1999", 2},
        {"D-1*2", "real slot D-1 is outside 0..29", 0},
        {"M5", "variable M needs bank.offset, such as M1.8", 0},
        {"M1.9997", "variable offset 9997 is outside the memory image (0..9996)", 0},
        {"2*#", "unexpected \"#\"", 2},
        {"2*", "a value expected at the end", 2},
        {"1+)", "a value expected, not \")\"", 2},
        {"", "a value expected at the end", 0},
        {"1+1E3", "unexpected \"E\"", 3},
    };
    for (const auto &c : cases) {
        SetUp();
        size_t at = 99;
        ExprEvaluateAt(nullptr, &TabrixSession, c.text, &at);
        EXPECT_EQ(TabrixSession.errorCode, 38u) << c.text;
        EXPECT_STREQ(TabrixSession.place.reason, c.reason) << c.text;
        EXPECT_EQ(at, c.at) << c.text;
    }
    SetUp();
    ExprEvaluate(nullptr, &TabrixSession, (std::string(300, '(') + "1").c_str());
    EXPECT_STREQ(TabrixSession.place.reason, "nesting deeper than 256");
    EXPECT_STREQ(TabrixSession.errorText, "") << "the evaluator writes no detail text";
}

TEST_F(ExprTest, Tokens) {
    const struct {
        const char *text;
        uint32_t kind;
        int32_t integer;
        uint32_t function;
        double real;
        size_t position;
    } cases[] = {
        {"<=", EXPR_LESS_EQUAL, 0, 0, 0, 2},  {"<>", EXPR_NOT_EQUAL, 0, 0, 0, 2},
        {"<5", EXPR_LESS, 0, 0, 0, 1},        {">=", EXPR_GREATER_EQUAL, 0, 0, 0, 2},
        {">5", EXPR_GREATER, 0, 0, 0, 1},     {",", EXPR_COMMA, 0, 0, 0, 1},
        {"ATAN2(", EXPR_FUNCTION, 0, EXPR_ATAN2, 0, 5},
        {"ATAN3", EXPR_FUNCTION, 0, EXPR_ATAN, 0, 4},
        {"INTX", EXPR_FUNCTION, 0, EXPR_INT, 0, 3},
        {"PI2", EXPR_NUMBER, 0, 0, PI, 2},    {"12.5.3", EXPR_NUMBER, 0, 0, 12.5, 4},
        {"R+5", EXPR_PARAM, 5, 0, 0, 3},      {"C", EXPR_PARAM, 0, 0, 0, 1},
        {"D-0", EXPR_SLOT, 0, 0, 0, 3},       {"M7.12", EXPR_VARIABLE, 12, 0, 0, 5},
        {"M.", EXPR_VARIABLE, 0, 0, 0, 2},    {"", EXPR_END, 0, 0, 0, 0},
    };
    for (const auto &c : cases) {
        _EXPR_PARSER p = FirstToken(c.text);
        EXPECT_EQ(p.token.kind, c.kind) << c.text;
        EXPECT_EQ(p.token.integer, c.integer) << c.text;
        EXPECT_EQ(p.token.function, c.function) << c.text;
        EXPECT_TRUE(Same(p.token.real, c.real)) << c.text;
        EXPECT_EQ(p.position, c.position) << c.text;
        EXPECT_EQ(TabrixSession.errorCode, 0u) << c.text;
    }
}

TEST_F(ExprTest, FailedTokens) {
    const struct { const char *text; size_t position; } cases[] = {
        {"M7", 2},      // nothing read after the bank
        {"D30", 3}, {"R-1", 3}, {"x", 0}, {" ", 0}, {"#", 0},
    };
    for (const auto &c : cases) {
        _EXPR_PARSER p = FirstToken(c.text);
        EXPECT_EQ(p.token.kind, (uint32_t)EXPR_NONE) << c.text;
        EXPECT_EQ(p.position, c.position) << c.text;
        EXPECT_EQ(TabrixSession.errorCode, 38u) << c.text;
    }
    _EXPR_PARSER p = FirstToken("");
    ExprNextToken(&p);
    EXPECT_EQ(p.token.kind, (uint32_t)EXPR_END) << "the end is never consumed";
    EXPECT_EQ(p.position, 0u);
}

TEST_F(ExprTest, VariablesRegisterOnFirstReference) {
    EXPECT_EQ(Eval("M1.8"), 42);
    EXPECT_TRUE(Registered(8));
    ImageCellWrite(8, 5);
    EXPECT_EQ(Eval("M2.8+M0.8"), 84) << "any bank; the entry keeps its first value";
    size_t n = 0;
    for (_VARIABLE *v = TabrixSession.variables; v->next; v = v->next)
        n++;
    EXPECT_EQ(n, 1u);
    EXPECT_EQ(Eval("M1.9996"), 0);
    EXPECT_TRUE(Registered(9996));

    EXPECT_EQ(Eval("M1.20+#"), 0);
    EXPECT_EQ(TabrixSession.errorCode, 38u);
    EXPECT_TRUE(Registered(20)) << "entries stay after a failed evaluation";
}

// An error set before the call stands; only the first token is read.
TEST_F(ExprTest, AnEarlierErrorStands) {
    TabrixSession.errorCode = 4;
    EXPECT_EQ(Eval("M1.12"), 0);
    EXPECT_TRUE(Registered(12));
    EXPECT_EQ(Eval("1+M1.16"), 0);
    EXPECT_FALSE(Registered(16));
    EXPECT_EQ(Eval("R9999"), 0);
    EXPECT_EQ(TabrixSession.errorCode, 4u);
}

TEST_F(ExprTest, NoRoomForAVariable) {
    alignas(8) static uint8_t tiny[sizeof(_MEMORY_POOL) + sizeof(_MEMORY_BLOCK) + 16];
    ASSERT_EQ(MemoryInit(tiny, sizeof tiny), 1);
    TabrixSession.variables = (_VARIABLE *)AllocZeroed(sizeof(_VARIABLE));
    ASSERT_NE(TabrixSession.variables, nullptr);
    EXPECT_EQ(Eval("1+M1.8"), 0);
    EXPECT_EQ(TabrixSession.errorCode, 13u);
    EXPECT_EQ(TabrixSession.variables->next, nullptr);
}

// open repeated times times around 1, each of its "(" closed.
std::string Nest(int times, const std::string &open) {
    std::string s, close;
    for (int i = 0; i < times; i++) {
        s += open;
        close.append((size_t)std::count(open.begin(), open.end(), '('), ')');
    }
    return s + "1" + close;
}

TEST_F(ExprTest, NestingIsBounded) {
    const struct { std::string text; uint32_t error; } cases[] = {
        {Nest(256, "("), 0}, {Nest(257, "("), 38},
        {Nest(256, "ABS("), 0}, {Nest(257, "NEG("), 38},
        {Nest(128, "(ABS("), 0}, {Nest(129, "(INT("), 38},
        {Nest(600, "("), 38}, {std::string(1022, '('), 38},
    };
    for (const auto &c : cases) {
        TabrixSession.errorCode = 0;
        EXPECT_EQ(Eval(c.text), c.error ? 0 : 1) << c.text.size();
        EXPECT_EQ(TabrixSession.errorCode, c.error) << c.text.size();
    }
}

TEST_F(ExprTest, LongestTexts) {
    std::string sum = "1";
    while (sum.size() + 2 <= 1022)
        sum += "+1";
    EXPECT_EQ(Eval(sum), 511);
    EXPECT_EQ(TabrixSession.errorCode, 0u);

    // A number is read from 127 characters; the rest forms another number,
    // which is not read as part of the comparison.
    double v = Eval(std::string(1022, '1'));
    EXPECT_EQ(TabrixSession.errorCode, 0u);
    EXPECT_GT(v, 1.1e126);
    EXPECT_LT(v, 1.2e126);
}

// A text of one byte: digits, ".", and the references C, R and D evaluate;
// every other byte is an error.
TEST_F(ExprTest, EveryByteValue) {
    for (int b = 1; b < 256; b++) {
        char c = (char)b;
        TabrixSession.errorCode = 0;
        double v = Eval(std::string(1, c));
        if (c >= '0' && c <= '9') {
            EXPECT_EQ(v, c - '0');
            EXPECT_EQ(TabrixSession.errorCode, 0u) << b;
        } else if (std::strchr(".CRD", c)) {
            EXPECT_EQ(v, c == 'C' || c == 'R' ? 11 : 0) << b;
            EXPECT_EQ(TabrixSession.errorCode, 0u) << b;
        } else {
            EXPECT_EQ(v, 0) << b;
            EXPECT_EQ(TabrixSession.errorCode, 38u) << b;
        }
    }
}

}  // namespace
