// The language a run takes and the surfaces of --size.
#include <gtest/gtest.h>

#include "lang.h"
#include "layout.h"
#include "tabrix/tabrix.h"

namespace {

TEST(LangTest, NamesAndLocales) {
    EXPECT_EQ(LangNames(), (std::vector<std::string>{"cs", "de", "en", "fr", "hu", "pl", "ru"}));
    for (const std::string &name : LangNames())
        EXPECT_NE(LangFromName(name), 0u) << name;
    EXPECT_EQ(LangFromName("cs"), (uint32_t)TABRIX_LANG_CZECH);
    EXPECT_EQ(LangFromName("xx"), 0u);
    EXPECT_EQ(LangFromName(""), 0u);

    const struct {
        const char *all, *messages, *lang;
        uint32_t want;
    } cases[] = {
        {nullptr, nullptr, nullptr, TABRIX_LANG_ENGLISH},
        {nullptr, nullptr, "cs_CZ.UTF-8", TABRIX_LANG_CZECH},
        {nullptr, nullptr, "de_DE", TABRIX_LANG_GERMAN},
        {nullptr, nullptr, "fr", TABRIX_LANG_FRENCH},
        {nullptr, nullptr, "hu_HU@euro", TABRIX_LANG_HUNGARIAN},
        {nullptr, "pl_PL.UTF-8", "cs_CZ.UTF-8", TABRIX_LANG_POLISH},
        {"ru_RU.KOI8-R", "pl_PL", "cs_CZ", TABRIX_LANG_RUSSIAN},
        {"", "", "cs_CZ.UTF-8", TABRIX_LANG_CZECH},         // empty means unset
        {"C", nullptr, "cs_CZ.UTF-8", TABRIX_LANG_ENGLISH},  // the first set one decides
        {nullptr, nullptr, "C.UTF-8", TABRIX_LANG_ENGLISH},
        {nullptr, nullptr, "POSIX", TABRIX_LANG_ENGLISH},
        {nullptr, nullptr, "es_ES.UTF-8", TABRIX_LANG_ENGLISH},
        {nullptr, nullptr, "csb_PL", TABRIX_LANG_ENGLISH},  // Kashubian is not Czech
    };
    for (const auto &c : cases)
        EXPECT_EQ(LangFromLocale(c.all, c.messages, c.lang), c.want)
            << (c.all ? c.all : "-") << " " << (c.messages ? c.messages : "-") << " "
            << (c.lang ? c.lang : "-");
}

TEST(LayoutTest, PresetsAndSizes) {
    const struct {
        const char *size;
        uint32_t width, height;
        FrameRect rect;
    } cases[] = {
        {"large", 842, 496, {25, 23, 815, 469}},
        {"medium", 842, 496, {347, 23, 815, 469}},
        {"small", 842, 496, {347, 23, 655, 350}},
        {"790x446", 842, 496, {25, 23, 815, 469}},
        {"1x1", 53, 51, {25, 23, 26, 24}},
        {"640x480", 692, 530, {25, 23, 665, 503}},
        {"8000x8000", 8052, 8050, {25, 23, 8025, 8023}},
    };
    for (const auto &c : cases) {
        Layout layout{};
        EXPECT_EQ(LayoutFromSize(c.size, layout), "") << c.size;
        EXPECT_EQ(layout.width, c.width) << c.size;
        EXPECT_EQ(layout.height, c.height) << c.size;
        EXPECT_EQ((std::vector<int>{layout.rect.left, layout.rect.top, layout.rect.right, layout.rect.bottom}),
                  (std::vector<int>{c.rect.left, c.rect.top, c.rect.right, c.rect.bottom}))
            << c.size;
    }
    for (const char *bad : {"", "huge", "Large", "640", "640x", "x480", "0x480", "640x0", "8001x10",
                            "10x8001", "+640x480", "640x-480", "640X480", "640x480x2", " 640x480",
                            "99999999999x1"}) {
        Layout layout{};
        std::string why = LayoutFromSize(bad, layout);
        EXPECT_EQ(why, "\"" + std::string(bad) + "\" is not small, medium, large or WxH (W and H from 1 to 8000)")
            << bad;
    }
}

}  // namespace
