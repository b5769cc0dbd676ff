// The window's captions in each language, and that every one of them is
// shown whole on its button after each screen preset.
#include <gtest/gtest.h>

#include <QFile>
#include <QStyleOptionButton>
#include <QTemporaryDir>

#include <algorithm>

#include "fake_tabrix.h"
#include "testwindow.h"

namespace {

const QStringList czech = {"Uložit", "Ruční", "Vynořit", "Otevřít", "Restart", "Upravit",
                           "Parametry", "Střední", "Malé", "Velké"};
const QStringList english = {"Save", "Manual", "Back", "Open", "Restart", "Edit",
                             "Parameters", "Medium", "Small", "Large"};

const struct {
    const char *name;
    uint32_t language;
    const QStringList &captions;
} languages[] = {
    {"cs", TABRIX_LANG_CZECH, czech},      {"de", TABRIX_LANG_GERMAN, english},
    {"en", TABRIX_LANG_ENGLISH, english},  {"fr", TABRIX_LANG_FRENCH, english},
    {"hu", TABRIX_LANG_HUNGARIAN, english}, {"pl", TABRIX_LANG_POLISH, english},
    {"ru", TABRIX_LANG_RUSSIAN, english},
};

/* The captions of the window's buttons, row by row from the left. */
QStringList Captions(const QWidget &window) {
    QList<QPushButton *> buttons = window.findChildren<QPushButton *>();
    std::sort(buttons.begin(), buttons.end(), [](const QPushButton *a, const QPushButton *b) {
        return std::pair(a->y(), a->x()) < std::pair(b->y(), b->x());
    });
    QStringList captions;
    for (const QPushButton *button : buttons)
        if (!button->text().isEmpty())
            captions << button->text();
    return captions;
}

/* The rectangle the style draws a button's caption in. */
QRect CaptionRect(const QPushButton *button) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    return button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
}

/* Every caption fits inside its button, no button overlaps another and
   all lie inside the window. */
void ExpectCaptionsFit(const QWidget &window, const std::string &what) {
    const QList<QPushButton *> buttons = window.findChildren<QPushButton *>();
    for (const QPushButton *button : buttons) {
        const std::string name = what + " " + button->text().toStdString();
        const QFontMetrics metrics(button->font());
        const QRect room = CaptionRect(button);
        EXPECT_LE(metrics.horizontalAdvance(button->text()), room.width()) << name;
        EXPECT_LE(metrics.height(), room.height()) << name;
        EXPECT_TRUE(window.rect().contains(button->geometry())) << name;
        for (const QPushButton *other : buttons)
            EXPECT_TRUE(other == button || !other->geometry().intersects(button->geometry()))
                << name << " overlaps " << other->text().toStdString();
    }
}

TEST(CaptionsTest, EachLanguageHasItsCaptionsAndEveryOneFitsAtEveryPreset) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString script = folder.filePath("TABDEMO.SCT");
    QFile(script).open(QIODevice::WriteOnly);
    for (const auto &l : languages) {
        FakeReset();
        TestDlg window(l.language);
        window.SetCommandLineFile(script);
        window.show();
        window.OpenAndStart();
        EXPECT_EQ(Captions(window), l.captions) << l.name;
        ExpectCaptionsFit(window, l.name);
        for (int preset : {7, 8, 9}) {  // medium, small, large
            EXPECT_TRUE(ClickButton(window, qPrintable(l.captions[preset])));
            ExpectCaptionsFit(window, std::string(l.name) + " after " +
                                          l.captions[preset].toStdString());
        }
        EXPECT_EQ(FakeCalls("TabrixStart").size(), 4u) << l.name << ": each preset restarted";
    }
}

}  // namespace
