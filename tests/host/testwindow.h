// The host's window with its questions answered by the test: the file
// dialog, the editor and the save question.
#ifndef TESTS_HOST_TESTWINDOW_H
#define TESTS_HOST_TESTWINDOW_H

#include <QPushButton>

#include <ostream>

#include "testdlg.h"

class TestDlg : public TabrixTestDlg {
public:
    explicit TestDlg(uint32_t language = TABRIX_LANG_CZECH) : TabrixTestDlg(language) {}

    QString chosen;                /* the file dialog's answer */
    int dialogs = 0;               /* times the file dialog was shown */
    QStringList edited;            /* files opened in the editor */
    SaveAnswer answer = SaveAnswer::Cancel;  /* the save question's answer */
    int questions = 0;             /* times the save question was asked */
    bool realQuestion = false;     /* ask with the window's own message box */

protected:
    QString ChooseScript() override {
        dialogs++;
        return chosen;
    }
    void OpenInEditor(const QString &path) override {
        edited << path;
    }
    SaveAnswer AskToSave() override {
        questions++;
        return realQuestion ? TabrixTestDlg::AskToSave() : answer;
    }
};

/* Clicks the button of window captioned caption (UTF-8); false when there
   is none. */
inline bool ClickButton(QWidget &window, const char *caption) {
    for (QPushButton *button : window.findChildren<QPushButton *>()) {
        if (button->text() == QString::fromUtf8(caption)) {
            button->click();
            return true;
        }
    }
    return false;
}

/* Test messages show texts as text. */
inline void PrintTo(const QString &text, std::ostream *out) {
    *out << '"' << text.toStdString() << '"';
}

#endif
