// The message tables: binary layout, languages and lookups.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/messages/messages.h"
#include "tabrix/tabrix.h"

namespace {

uint32_t Read32(const uint8_t *p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

struct MessagesTest : ::testing::Test {
    void TearDown() override { LocalizationInit(nullptr, TABRIX_LANG_CZECH); }
};

TEST_F(MessagesTest, CzechIsSelectedWhenLoaded) {
    EXPECT_STREQ(GetLocString(38), "Chyba ve v\x98razu");
}

TEST_F(MessagesTest, TablesHaveTheirBinaryLayout) {
    ASSERT_EQ(MessageTableCount, 7u);
    for (size_t i = 0; i < MessageTableCount; i++) {
        const _MESSAGE_TABLE &t = MessageTables[i];
        EXPECT_EQ(t.size, t.language == TABRIX_LANG_CZECH ? 870u : 811u) << t.language;
        ASSERT_EQ(Read32(t.data), 41u);
        uint32_t at = 4 + 4 * 41;
        for (uint32_t m = 0; m < 41; m++) {
            ASSERT_EQ(Read32(t.data + 4 + 4 * m), at) << "message " << m << " packed in order";
            at += (uint32_t)std::strlen((const char *)t.data + at) + 1;
        }
        EXPECT_EQ(at, t.size) << "the last message ends the table";
    }
}

TEST_F(MessagesTest, LanguagesAndTheirTexts) {
    struct Case { uint32_t language; uint32_t index; const char *text; };
    const Case cases[] = {
        {TABRIX_LANG_ENGLISH, 38, "Phrase error"},
        {TABRIX_LANG_GERMAN, 38, "Phrase error"},
        {TABRIX_LANG_RUSSIAN, 0, "No Error"},
        {TABRIX_LANG_ENGLISH, 13, "Not enought memory"},
        {TABRIX_LANG_CZECH, 6, "\x9E\xA0" "dka"},
        {TABRIX_LANG_CZECH, 31, "Paramter"},
        {TABRIX_LANG_CZECH, 39, "Na\x87\xA1t\xA0n\xA1 skriptu..."},
        {TABRIX_LANG_ENGLISH, 21, ""},
        {TABRIX_LANG_CZECH, 22, ""},
    };
    for (const Case &c : cases) {
        ASSERT_EQ(LocalizationInit(nullptr, c.language), 1) << c.language;
        const char *text = GetLocString(c.index);
        ASSERT_NE(text, nullptr) << c.language << "/" << c.index;
        EXPECT_STREQ(text, c.text) << c.language << "/" << c.index;
    }
}

/* Message 40 was Czech in every table; the English ones now say it in
   English. */
TEST_F(MessagesTest, MessageFortySpeaksEachTablesLanguage) {
    for (uint32_t language : {5u, 7u, 9u, 12u, 14u, 21u, 25u}) {
        ASSERT_EQ(LocalizationInit(nullptr, language), 1);
        EXPECT_STREQ(GetLocString(40), language == TABRIX_LANG_CZECH
                                           ? "Polo\x91ka nen\xA1 za\xA9" "azena v dialogu"
                                           : "Item is not placed in a dialog")
            << language;
    }
}

TEST_F(MessagesTest, MissingTablesAndIndexes) {
    ASSERT_EQ(LocalizationInit(nullptr, TABRIX_LANG_ENGLISH), 1);
    EXPECT_EQ(GetLocString(41), nullptr);
    EXPECT_EQ(GetLocString(UINT32_MAX), nullptr);
    for (uint32_t language : {10u, 0x409u, 0x10005u, 0u}) {
        EXPECT_EQ(LocalizationInit(nullptr, language), 0) << language;
        EXPECT_EQ(GetLocString(0), nullptr) << "no table stays selected";
        EXPECT_STREQ(MessageText(0), "") << "internal callers always get a text";
    }
}

}  // namespace
