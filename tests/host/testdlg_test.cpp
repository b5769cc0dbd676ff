// The host's window against the stand-in library: what reaches the session
// for each key and button, when sessions start, and what the frame shows.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>

#include "fake_tabrix.h"
#include "frame.h"
#include "testwindow.h"

namespace {

class TestDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        FakeReset();
        ASSERT_TRUE(folder.isValid());
        script = folder.filePath("TABDEMO.SCT");
        QFile file(script);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        dlg.SetCommandLineFile(script);
    }

    void Start() {
        dlg.OpenAndStart();
        Fake.log.clear();
    }

    void Click(const char *caption) {
        EXPECT_TRUE(ClickButton(dlg, caption)) << "no button " << caption;
    }

    void Press(int key, const char *text = "", Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers, QString::fromUtf8(text));
        QCoreApplication::sendEvent(&dlg, &event);
    }

    uint32_t Pixel(int x, int y) {
        return dlg.FrameImage().pixel(x, y) & 0xFFFFFFu;
    }

    QTemporaryDir folder;
    QString script;
    TestDlg dlg;
};

using Lines = std::vector<std::string>;

TEST_F(TestDlgTest, FirstStartTakesTheCommandLineScriptInItsFolder) {
    dlg.OpenAndStart();
    EXPECT_EQ(dlg.dialogs, 0);
    EXPECT_EQ(Fake.log, (Lines{"GDIInit 202 842x496 pitch 3368",
                               "TabrixStart 22 TABDEMO.SCT 25 23 815 469 found",
                               "TabrixPAINT"}));
    EXPECT_EQ(QString::fromStdString(Fake.startFolder), QDir(folder.path()).canonicalPath());
    EXPECT_TRUE(dlg.Running());

    Fake.log.clear();
    dlg.chosen = script;
    Click("Otevřít");
    EXPECT_EQ(dlg.dialogs, 1) << "the command line serves the first start only";
    EXPECT_EQ(FakeCalls("TabrixStart").size(), 1u);
}

TEST_F(TestDlgTest, OpenStartsTheChosenScriptOrTheLastOneWhenCancelled) {
    Start();
    QDir(folder.path()).mkdir("sub");
    const QString other = folder.filePath("sub/TABOTHER.SCT");
    QFile(other).open(QIODevice::WriteOnly);
    dlg.chosen = other;
    Click("Otevřít");
    dlg.chosen.clear();
    Click("Otevřít");
    EXPECT_EQ(FakeCalls("TabrixStart"),
              (Lines{"TabrixStart 22 TABOTHER.SCT 25 23 815 469 found",
                     "TabrixStart 22 TABOTHER.SCT 25 23 815 469 found"}));
    EXPECT_EQ(QString::fromStdString(Fake.startFolder),
              QDir(folder.filePath("sub")).canonicalPath());
}

TEST_F(TestDlgTest, KeysReachTheSessionOnlyWhileRunning) {
    Press(Qt::Key_A, "a");
    EXPECT_TRUE(Fake.log.empty());
    Start();
    Press(Qt::Key_A, "a");
    Press(Qt::Key_7, "7", Qt::KeypadModifier);
    Press(Qt::Key_Period, ".", Qt::KeypadModifier);
    Press(Qt::Key_Shift, "", Qt::ShiftModifier);
    Press(Qt::Key_Control, "", Qt::ControlModifier);
    Press(Qt::Key_F1);
    Press(Qt::Key_Plus, "+");
    Press(Qt::Key_Minus, "-", Qt::KeypadModifier);
    Press(Qt::Key_Enter, "\r", Qt::KeypadModifier);
    Press(Qt::Key_F4);
    Press(Qt::Key_Up);
    Press(Qt::Key_F5);
    // The stand-in answers Enter with down, as the library does on a field;
    // a command leaves the key byte as the session left it.
    EXPECT_EQ(Fake.log, (Lines{"TabrixCont 1 65", "TabrixCont 1 55", "TabrixCont 1 43",
                               "TabrixCont 1 63", "TabrixCont 1 -1", "TabrixCont 6 3",
                               "TabrixCont 1 1", "TabrixCont 2 1"}));
}

TEST_F(TestDlgTest, ButtonsSendTheirEventsOnlyWhileRunning) {
    Click("Ruční");
    Click("Vynořit");
    Click("Uložit");
    EXPECT_TRUE(Fake.log.empty());
    Start();
    Click("Ruční");
    Click("Vynořit");
    Click("");
    EXPECT_EQ(Fake.log, (Lines{"TabrixCont 6 0", "TabrixCont 2 0"}));
}

TEST_F(TestDlgTest, SaveClosesTheWindowOnlyWhenTheSessionEnded) {
    dlg.show();
    Start();
    Fake.modified = 1;
    Fake.finishResult = TABRIX_CONT_GOING;  // a refused field, or a failed save
    Click("Uložit");
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_TRUE(dlg.Running());
    Press(Qt::Key_1, "1");

    Fake.finishResult = TABRIX_CONT_FINISHED;
    Click("Uložit");
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_FALSE(dlg.Running());
    EXPECT_EQ(Fake.log, (Lines{"TabrixCont 3 0", "TabrixCont 1 49", "TabrixCont 3 49"}));
    EXPECT_EQ(dlg.questions, 0) << "saving asks nothing";
}

TEST_F(TestDlgTest, ControlSSavesAsTheButtonDoes) {
    dlg.show();
    Press(Qt::Key_S, "\x13", Qt::ControlModifier);
    EXPECT_TRUE(Fake.log.empty()) << "no session to save";
    Start();
    Fake.modified = 1;
    Fake.finishResult = TABRIX_CONT_GOING;
    Press(Qt::Key_S, "\x13", Qt::ControlModifier);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_TRUE(dlg.Running());

    Fake.finishResult = TABRIX_CONT_FINISHED;
    Press(Qt::Key_S, "\x13", Qt::ControlModifier);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_FALSE(dlg.Running());
    EXPECT_EQ(Fake.log, (Lines{"TabrixCont 3 0", "TabrixCont 3 0"}));
    EXPECT_EQ(dlg.questions, 0) << "saving asks nothing";
}

TEST_F(TestDlgTest, ScreenPresetsRestartARunningSession) {
    Click("Malé");
    EXPECT_TRUE(Fake.log.empty()) << "no session to restart";
    Start();
    Click("Střední");
    Click("Velké");
    Click("Malé");
    Click("Malé");
    EXPECT_EQ(FakeCalls("GDIInit").size(), 0u) << "a restart keeps the binding";
    EXPECT_EQ(FakeCalls("TabrixStart"), (Lines{"TabrixStart 22 TABDEMO.SCT 347 23 815 469 found",
                                               "TabrixStart 22 TABDEMO.SCT 25 23 815 469 found",
                                               "TabrixStart 22 TABDEMO.SCT 347 23 655 350 found",
                                               "TabrixStart 22 TABDEMO.SCT 347 23 655 350 found"}));
}

TEST_F(TestDlgTest, APresetChosenBeforeTheStartIsUsedByIt) {
    Click("Střední");
    dlg.OpenAndStart();
    EXPECT_EQ(FakeCalls("TabrixStart"),
              (Lines{"TabrixStart 22 TABDEMO.SCT 347 23 815 469 found"}));
}

TEST_F(TestDlgTest, RestartStartsTheSameScriptAgain) {
    Click("Restart");
    EXPECT_TRUE(Fake.log.empty()) << "no script yet";
    Start();
    Click("Restart");
    EXPECT_EQ(Fake.log,
              (Lines{"TabrixStart 22 TABDEMO.SCT 25 23 815 469 found", "TabrixPAINT"}));
}

TEST_F(TestDlgTest, TheLibraryDrawsIntoTheFrame) {
    dlg.OpenAndStart();
    ASSERT_NE(Fake.surface, nullptr);
    const uint32_t *pixels = Fake.surface->pixels;  // a packed field: copied, not bound
    EXPECT_EQ(pixels, reinterpret_cast<const uint32_t *>(dlg.FrameImage().bits()));
    // The start drew its mark; the repaint that follows filled the frame
    // and let the session paint its screen over it.
    EXPECT_EQ(Pixel(26, 24), FAKE_PAINT_MARK);
    EXPECT_EQ(Pixel(0, 0), FRAME_BACKGROUND);
    EXPECT_EQ(Pixel(FRAME_WIDTH - 1, FRAME_HEIGHT - 1), FRAME_BACKGROUND);
}

TEST_F(TestDlgTest, AFailedStartLeavesTheErrorBoxOnTheFrame) {
    Fake.errorLine = 1;
    dlg.OpenAndStart();
    EXPECT_EQ(Pixel(26, 24), FAKE_START_MARK);
    EXPECT_TRUE(FakeCalls("TabrixPAINT").empty());
}

TEST_F(TestDlgTest, EditorOpensTheScriptAndTheSavedDataFileBesideIt) {
    Click("Upravit");
    Click("Parametry");
    EXPECT_TRUE(dlg.edited.isEmpty()) << "nothing chosen, nothing saved";
    Start();
    Click("Upravit");
    Click("Parametry");
    Fake.lastSaved = "AXIS.TXT";
    QDir::setCurrent(QDir::rootPath());
    Click("Parametry");
    EXPECT_EQ(dlg.edited, (QStringList{script, folder.filePath("AXIS.TXT")}));
}

TEST_F(TestDlgTest, NoButtonTakesTheFocus) {
    const QList<QPushButton *> buttons = dlg.findChildren<QPushButton *>();
    EXPECT_EQ(buttons.size(), 13);
    for (QPushButton *button : buttons)
        EXPECT_EQ(button->focusPolicy(), Qt::NoFocus) << qPrintable(button->text());
}

}  // namespace
