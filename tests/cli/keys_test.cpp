// KEYS texts: what each token sends, and the errors that name it.
#include <gtest/gtest.h>

#include "keys.h"

namespace {

struct Sent {
    int event, key;
    std::string token;
    bool operator==(const Sent &) const = default;
};

std::vector<Sent> Parse(const std::string &text, std::string *why = nullptr) {
    std::vector<KeyEvent> events;
    std::string error = KeysParse(text, events);
    if (why)
        *why = error;
    else
        EXPECT_EQ(error, "") << text;
    std::vector<Sent> sent;
    for (const KeyEvent &e : events)
        sent.push_back({e.keyb.event, e.keyb.key, e.token});
    return sent;
}

TEST(KeysTest, CharactersAndNamedKeys) {
    const struct {
        std::string text;
        std::vector<Sent> want;
    } cases[] = {
        {"", {}},
        {"12.5", {{1, '1', "1"}, {1, '2', "2"}, {1, 43, "."}, {1, '5', "5"}}},
        {"12,5", {{1, '1', "1"}, {1, '2', "2"}, {1, 43, ","}, {1, '5', "5"}}},
        {"-", {{1, 63, "-"}}},
        {"aZ >", {{1, 'A', "a"}, {1, 'Z', "Z"}, {1, ' ', " "}, {1, '>', ">"}}},
        {"az`{~", {{1, 'A', "a"}, {1, 'Z', "z"}, {1, '`', "`"}, {1, '{', "{"}, {1, '~', "~"}}},
        {"*@0", {{1, '*', "*"}, {1, '@', "@"}, {1, '0', "0"}}},
        {"<up><down><left><right>", {{1, 1, "<up>"}, {1, 3, "<down>"}, {1, 4, "<left>"}, {1, 2, "<right>"}}},
        {"<enter><bksp>", {{1, -1, "<enter>"}, {1, 46, "<bksp>"}}},
        {"<back><finish><manual><forget>",
         {{2, 0, "<back>"}, {3, 0, "<finish>"}, {6, 0, "<manual>"}, {4, 0, "<forget>"}}},
        {"<ENTER><Finish>", {{1, -1, "<ENTER>"}, {3, 0, "<Finish>"}}},
        {"<<", {{1, '<', "<<"}}},
        {"<<<up>", {{1, '<', "<<"}, {1, 1, "<up>"}}},
        {"<<up>", {{1, '<', "<<"}, {1, 'U', "u"}, {1, 'P', "p"}, {1, '>', ">"}}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Parse(c.text), c.want) << c.text;
}

TEST(KeysTest, BadTokensAreNamed) {
    const struct {
        std::string text, why;
        size_t before;          // events parsed before the bad token
    } cases[] = {
        {"1<up", "unterminated key name \"<up\" (write \"<<\" for a \"<\")", 1},
        {"<", "unterminated key name \"<\" (write \"<<\" for a \"<\")", 0},
        {"<home>", "unknown key name \"<home>\"", 0},
        {"<>", "unknown key name \"<>\"", 0},
        {"<up<down>", "unknown key name \"<up<down>\"", 0},
        {"1+", "\"+\" cannot be typed: no key of the panel types it", 1},
        {"=", "\"=\" cannot be typed: no key of the panel types it", 0},
        {"12/", "\"/\" cannot be typed: no key of the panel types it", 2},
        {"?", "\"?\" cannot be typed: no key of the panel types it", 0},
        {"\t", "\"\t\" cannot be typed: only printable ASCII characters and named keys", 0},
        {"a\xC4\x8D" "b", "\"\xC4\x8D\" cannot be typed: only printable ASCII characters and named keys", 1},
        {"\x7F", "\"\x7F\" cannot be typed: only printable ASCII characters and named keys", 0},
    };
    for (const auto &c : cases) {
        std::string why;
        EXPECT_EQ(Parse(c.text, &why).size(), c.before) << c.text;
        EXPECT_EQ(why, c.why) << c.text;
    }
}

}  // namespace
