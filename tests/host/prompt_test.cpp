// The save question before each action that lets the session's values go:
// closing the window, "Restart", "Otevřít" and the screen presets.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include "fake_tabrix.h"
#include "testwindow.h"

namespace {

using Answer = TabrixTestDlg::SaveAnswer;
using Lines = std::vector<std::string>;

class PromptTest : public ::testing::Test {
protected:
    void SetUp() override {
        FakeReset();
        ASSERT_TRUE(folder.isValid());
        script = folder.filePath("TABDEMO.SCT");
        QFile file(script);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    /* A shown window with a running session and a clean log. */
    void Start(TestDlg &window) {
        window.SetCommandLineFile(script);
        window.chosen = script;
        window.show();
        window.OpenAndStart();
        Fake.log.clear();
    }

    QTemporaryDir folder;
    QString script;
};

/* An action that would let the session go: "close" or a button. */
void Act(TestDlg &window, const char *action) {
    if (std::string(action) == "close")
        window.close();
    else
        EXPECT_TRUE(ClickButton(window, action)) << action;
}

/* Whether the action went on: the window closed, or a session started. */
bool Acted(const TestDlg &window, const char *action) {
    if (std::string(action) == "close")
        return !window.isVisible();
    return FakeCalls("TabrixStart").size() == 1;
}

const char *const actions[] = {"close", "Restart", "Otevřít", "Velké", "Střední", "Malé"};

TEST_F(PromptTest, EachActionAsksOnlyWhenValuesAreUnsavedAndObeysTheAnswer) {
    const struct {
        const char *name;
        uint32_t modified;
        Answer answer;
        uint32_t finishResult;
        int questions;
        bool finishSent, acts;
    } cases[] = {
        {"nothing modified", 0, Answer::Cancel, TABRIX_CONT_FINISHED, 0, false, true},
        {"discard", 1, Answer::Discard, TABRIX_CONT_FINISHED, 1, false, true},
        {"cancel", 1, Answer::Cancel, TABRIX_CONT_FINISHED, 1, false, false},
        {"save that finishes", 1, Answer::Save, TABRIX_CONT_FINISHED, 1, true, true},
        {"save that fails", 1, Answer::Save, TABRIX_CONT_GOING, 1, true, false},
    };
    for (const char *action : actions) {
        for (const auto &c : cases) {
            const std::string what = std::string(action) + ", " + c.name;
            TestDlg window;
            Start(window);
            Fake.modified = c.modified;
            Fake.finishResult = c.finishResult;
            window.answer = c.answer;
            Act(window, action);
            EXPECT_EQ(window.questions, c.questions) << what;
            EXPECT_EQ(FakeCalls("TabrixCont 3").size(), c.finishSent ? 1u : 0u) << what;
            EXPECT_EQ(Acted(window, action), c.acts) << what;
            if (!c.acts) {
                EXPECT_TRUE(window.isVisible()) << what;
                EXPECT_TRUE(window.Running()) << what;
            }
        }
    }
}

TEST_F(PromptTest, NoQuestionWithoutASession) {
    Fake.modified = 1;
    for (const char *action : actions) {
        TestDlg window;
        window.show();
        Act(window, action);
        EXPECT_EQ(window.questions, 0) << action;
    }
}

TEST_F(PromptTest, APresetThatWasNotLetGoKeepsTheScreen) {
    TestDlg window;
    Start(window);
    Fake.modified = 1;
    for (Answer answer : {Answer::Cancel, Answer::Save}) {
        window.answer = answer;
        Fake.finishResult = TABRIX_CONT_GOING;
        EXPECT_TRUE(ClickButton(window, "Malé"));
    }
    Fake.modified = 0;
    EXPECT_TRUE(ClickButton(window, "Restart"));
    EXPECT_EQ(FakeCalls("TabrixStart"), (Lines{"TabrixStart 22 TABDEMO.SCT 25 23 815 469 found"}));
}

// The window's own message box: its texts in the window's language, and
// the answer its buttons give.
TEST_F(PromptTest, TheQuestionBoxSpeaksTheLanguageAndAnswers) {
    const struct {
        uint32_t language;
        const char *press;      // a button's caption, or "Escape"
        bool finishSent, closed;
    } cases[] = {
        {TABRIX_LANG_CZECH, "Uložit", true, true},
        {TABRIX_LANG_CZECH, "Zahodit", false, true},
        {TABRIX_LANG_CZECH, "Zrušit", false, false},
        {TABRIX_LANG_ENGLISH, "Save", true, true},
        {TABRIX_LANG_ENGLISH, "Discard", false, true},
        {TABRIX_LANG_ENGLISH, "Cancel", false, false},
        {TABRIX_LANG_ENGLISH, "Escape", false, false},
        {TABRIX_LANG_RUSSIAN, "Discard", false, true},
    };
    for (const auto &c : cases) {
        const std::string what = std::to_string(c.language) + " " + c.press;
        TestDlg window(c.language);
        window.realQuestion = true;
        Start(window);
        Fake.modified = 1;
        QString title, text;
        QStringList buttons;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr) << what;
            title = box->windowTitle();
            text = box->text();
            for (QAbstractButton *button : box->buttons())
                buttons << button->text();
            if (std::string(c.press) == "Escape") {
                QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QApplication::sendEvent(box, &escape);
            } else if (!ClickButton(*box, c.press)) {
                ADD_FAILURE() << "no button " << what;
                box->reject();
            }
        });
        window.close();
        const bool czech = c.language == TABRIX_LANG_CZECH;
        EXPECT_EQ(title, czech ? "Neuložené změny" : "Unsaved changes") << what;
        EXPECT_EQ(text, czech ? "Změněné hodnoty nejsou uloženy. Uložit je?"
                              : "The changed values are not saved. Save them?")
            << what;
        buttons.sort();
        EXPECT_EQ(buttons, czech ? (QStringList{"Uložit", "Zahodit", "Zrušit"})
                                 : (QStringList{"Cancel", "Discard", "Save"}))
            << what;
        EXPECT_EQ(FakeCalls("TabrixCont 3").size(), c.finishSent ? 1u : 0u) << what;
        EXPECT_EQ(!window.isVisible(), c.closed) << what;
    }
}

}  // namespace
