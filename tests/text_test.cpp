// String helpers, number parsers and formatters.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <string>

#include "text/number.h"
#include "text/str.h"

namespace {

TEST(StrTest, BoundedCopyAndAppend) {
    char buf[6];
    StrCopyN(buf, "abcdefgh", sizeof buf);
    EXPECT_STREQ(buf, "abcde");
    StrCopyN(buf, "ab", sizeof buf);
    StrAppendN(buf, "cdefg", sizeof buf);
    EXPECT_STREQ(buf, "abcde");
    StrAppendN(buf, "z", sizeof buf);
    EXPECT_STREQ(buf, "abcde") << "a full buffer is left unchanged";
    char one[1] = {'q'};
    StrCopyN(one, "abc", 1);
    EXPECT_EQ(one[0], '\0');
    StrCopyN(one, "abc", 0);
    StrAppendN(one, "abc", 0);
    EXPECT_EQ(one[0], '\0');
}

TEST(StrTest, Delete) {
    struct Case { const char *s; size_t start, count; const char *rest, *out; };
    const Case cases[] = {
        {"abcdef", 1, 2, "adef", "bc"},
        {"abcdef", 4, 10, "abcd", "ef"},
        {"abcdef", 6, 1, "abcdef", ""},
        {"abcdef", 7, 1, "abcdef", ""},
        {"abcdef", 0, 0, "abcdef", ""},
    };
    for (const Case &c : cases) {
        char s[16], out[16] = "junk";
        std::strcpy(s, c.s);
        StrDelete(s, c.start, c.count, out);
        EXPECT_STREQ(s, c.rest) << c.start << "," << c.count;
        EXPECT_STREQ(out, c.out) << c.start << "," << c.count;
    }
    char s[] = "abc";
    StrDelete(s, 0, 1, nullptr);
    EXPECT_STREQ(s, "bc");
}

TEST(StrTest, IndexOfUpperAndBlanks) {
    EXPECT_EQ(StrIndexOf("ABC", "."), 3u);
    EXPECT_EQ(StrIndexOf("A.B.C", "."), 1u);
    EXPECT_EQ(StrIndexOf("TAB1.SCT*MAIN", "*"), 8u);
    EXPECT_EQ(CharUpper('a'), 'A');
    EXPECT_EQ(CharUpper('z'), 'Z');
    EXPECT_EQ(CharUpper('{'), '{');
    EXPECT_EQ(CharUpper('\xE1'), '\xE1') << "bytes above 0x7F stay";
    struct Case { const char *in, *out; };
    for (Case c : {Case{" 1 2 : 3 . 5 ", "12:3.5"}, Case{"\t8 :1.5 ;a note ", "8:1.5;a note "},
                   Case{"7: 1 \" x ;y", "7:1\" x ;y"}, Case{"   ", ""}}) {
        char s[32];
        std::strcpy(s, c.in);
        LineStripBlanks(s);
        EXPECT_STREQ(s, c.out) << c.in;
    }
}

TEST(NumberTest, ParseInt) {
    struct Case { const char *s; size_t used; int32_t value; };
    const Case cases[] = {
        {"-", 1, 0}, {"+", 1, 0}, {"", 0, 0}, {"x", 0, 0}, {"+12x", 3, 12},
        {"-0042", 5, -42}, {"2147483647", 10, INT_MAX}, {"-2147483648", 11, INT_MIN},
        {"2147483648", 10, INT_MIN}, {"4294967296", 10, 0}, {"99999999999", 11, 1215752191},
        {"1 2", 1, 1}, {"--1", 1, 0},
    };
    for (const Case &c : cases) {
        int32_t v = 12345;
        EXPECT_EQ(StrParseInt(c.s, &v), c.used) << c.s;
        EXPECT_EQ(v, c.value) << c.s;
    }
}

TEST(NumberTest, ParseHex) {
    struct Case { const char *s; size_t used; int32_t value; };
    const Case cases[] = {
        {"1a", 1, 1}, {"FF", 2, 255}, {"ff", 0, 0}, {"7FFFFFFF", 8, INT_MAX},
        {"80000000", 8, INT_MIN}, {"123456789", 9, 0x23456789}, {"-1", 0, 0}, {"0x1", 1, 0},
    };
    for (const Case &c : cases) {
        int32_t v = 7;
        EXPECT_EQ(StrParseHex(c.s, &v), c.used) << c.s;
        EXPECT_EQ(v, c.value) << c.s;
    }
}

TEST(NumberTest, ParseReal) {
    struct Case { const char *s; size_t used; double value; };
    const Case cases[] = {
        {"12.", 3, 12.0}, {"-", 1, 0.0}, {"", 0, 0.0}, {".5", 2, 0.5}, {".", 1, 0.0},
        {"1.2.3", 3, 1.2}, {"+3.25x", 5, 3.25}, {"-1.2346", 7, -1.2346}, {"1e3", 1, 1.0},
        {"0005", 4, 5.0}, {"-.", 2, 0.0},
    };
    for (const Case &c : cases) {
        double v = 99;
        EXPECT_EQ(StrParseReal(c.s, &v), c.used) << c.s;
        EXPECT_DOUBLE_EQ(v, c.value) << c.s;
    }
    std::string digits(300, '1');
    double v;
    EXPECT_EQ(StrParseReal(digits.c_str(), &v), 127u) << "at most 127 characters are examined";
}

TEST(NumberTest, RoundToInt) {
    struct Case { double x; int32_t value; };
    const Case cases[] = {
        {-2.5, -3}, {2.5, 3}, {0.49, 0}, {-0.49, 0}, {-0.5, -1}, {0.0, 0}, {1234.4999, 1234},
        {2147483646.6, INT_MAX}, {1e300, INT_MAX}, {99999999999.0, INT_MAX},
        {-1e300, INT_MIN}, {-2147483648.4, INT_MIN}, {-2147483647.4, -2147483647},
        {INFINITY, INT_MAX}, {-INFINITY, INT_MIN}, {NAN, 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(RoundToInt(c.x), c.value) << c.x;
}

TEST(NumberTest, PowInt) {
    EXPECT_EQ(PowInt(10, 0), 1.0);
    EXPECT_EQ(PowInt(10, 3), 1000.0);
    EXPECT_EQ(PowInt(10, -2), 1.0 / 10 / 10);
    EXPECT_EQ(PowInt(2, 10), 1024.0);
    EXPECT_TRUE(std::isinf(PowInt(10, INT_MAX)));
    EXPECT_EQ(PowInt(10, INT_MIN), 0.0);
}

TEST(NumberTest, HexToText8) {
    char buf[9];
    EXPECT_STREQ(HexToText8(255, buf), "000000FF");
    EXPECT_STREQ(HexToText8(0, buf), "00000000");
    EXPECT_STREQ(HexToText8(0xDEADBEEF, buf), "DEADBEEF");
}

TEST(NumberTest, RealToText) {
    struct Case { double x; int32_t decimals; const char *text; };
    const Case cases[] = {
        {12.5, 3, "12.5"}, {0.001, 3, "0.001"}, {2.0, 3, "2"}, {-1.25, 3, "-1.25"},
        {0.0004, 3, "0"}, {-0.0004, 3, "0"}, {0.0005, 3, "0.001"}, {12.5, 0, "13"},
        {-12.5, 0, "-13"}, {0, 0, "0"}, {1.5, 1, "1.5"}, {-2147483.648, 3, "-2147483.648"},
        {2147483647, 0, "2147483647"}, {-2147483648.0, 0, "-2147483648"},
        {21.47483647, 8, "21.47483647"}, {-0.00000001, 8, "-0.00000001"}, {0.1, 8, "0.1"},
        {123.456, 2, "123.46"}, {123.454, 2, "123.45"}, {1e30, 2, "9200000000000000000"},
        {NAN, 3, "0"}, {1.5, -2, "2"},
    };
    for (const Case &c : cases) {
        char buf[REAL_TEXT_SIZE];
        EXPECT_STREQ(RealToText(c.x, buf, c.decimals), c.text) << c.x << " with " << c.decimals;
    }
}

TEST(NumberTest, RealToTextAcrossDecimals) {
    // Every int32 extreme, scaled by 10^d, shows its digits with the point
    // d places from the right.
    for (int32_t d = 0; d <= 8; d++) {
        for (int32_t v : {INT_MAX, INT_MIN, 1, -1, 100}) {
            char buf[REAL_TEXT_SIZE];
            RealToText(v / PowInt(10, d), buf, d);
            std::string digits = std::to_string(v < 0 ? -(int64_t)v : v);
            if ((int32_t)digits.size() <= d)
                digits.insert(0, d + 1 - digits.size(), '0');
            if (d > 0)
                digits.insert(digits.size() - d, ".");
            while (d > 0 && digits.back() == '0')
                digits.pop_back();
            if (digits.back() == '.')
                digits.pop_back();
            EXPECT_EQ(buf, (v < 0 ? "-" : "") + digits) << v << " with " << d;
        }
    }
}

}  // namespace
