// The host's command line and the choice of its text editor.
#include <gtest/gtest.h>

#include "editor.h"
#include "options.h"
#include "tabrix/tabrix.h"

namespace {

struct OptionsCase {
    QStringList args;
    uint32_t language;
    const char *script;
    bool help;
    bool error;
};

TEST(OptionsTest, ParsesTheCommandLine) {
    const OptionsCase cases[] = {
        {{}, TABRIX_LANG_CZECH, "", false, false},
        {{"MENU.SCT"}, TABRIX_LANG_CZECH, "MENU.SCT", false, false},
        {{"--lang", "en", "A.SCT"}, TABRIX_LANG_ENGLISH, "A.SCT", false, false},
        {{"A.SCT", "--lang=de"}, TABRIX_LANG_GERMAN, "A.SCT", false, false},
        {{"--lang", "cs"}, TABRIX_LANG_CZECH, "", false, false},
        {{"--lang", "fr"}, TABRIX_LANG_FRENCH, "", false, false},
        {{"--lang", "hu"}, TABRIX_LANG_HUNGARIAN, "", false, false},
        {{"--lang", "pl"}, TABRIX_LANG_POLISH, "", false, false},
        {{"--lang", "ru"}, TABRIX_LANG_RUSSIAN, "", false, false},
        {{"FIRST.SCT", "SECOND.SCT"}, TABRIX_LANG_CZECH, "FIRST.SCT", false, false},
        {{"--", "-odd.SCT"}, TABRIX_LANG_CZECH, "-odd.SCT", false, false},
        {{"--help"}, TABRIX_LANG_CZECH, "", true, false},
        {{"-h", "A.SCT"}, TABRIX_LANG_CZECH, "A.SCT", true, false},
        {{"--lang", "xx"}, 0, "", false, true},
        {{"--lang", "EN"}, 0, "", false, true},
        {{"--lang"}, 0, "", false, true},
        {{"--lang="}, 0, "", false, true},
        {{"--verbose", "A.SCT"}, 0, "", false, true},
        {{"-platform", "xcb"}, 0, "", false, true},
    };
    for (const OptionsCase &c : cases) {
        const HostOptions o = OptionsParse(c.args);
        const QString args = c.args.join(' ');
        EXPECT_EQ(!o.error.isEmpty(), c.error) << qPrintable(args);
        if (c.error)
            continue;
        EXPECT_EQ(o.language, c.language) << qPrintable(args);
        EXPECT_EQ(o.script, QString::fromUtf8(c.script)) << qPrintable(args);
        EXPECT_EQ(o.help, c.help) << qPrintable(args);
    }
}

TEST(OptionsTest, AnUnknownLanguageIsNamedInTheError) {
    const HostOptions o = OptionsParse({"--lang", "xx"});
    EXPECT_TRUE(o.error.contains("'xx'")) << qPrintable(o.error);
}

TEST(OptionsTest, EditorCommandPrefersVisualThenEditor) {
    EXPECT_EQ(EditorCommand("", ""), QStringList());
    EXPECT_EQ(EditorCommand("  ", ""), QStringList());
    EXPECT_EQ(EditorCommand("", "vi"), QStringList{"vi"});
    EXPECT_EQ(EditorCommand("  ", "nano"), QStringList{"nano"});
    EXPECT_EQ(EditorCommand("code --wait", "vi"), (QStringList{"code", "--wait"}));
    EXPECT_EQ(EditorCommand("\"/opt/my editor/ed\" -n", ""),
              (QStringList{"/opt/my editor/ed", "-n"}));
}

}  // namespace
