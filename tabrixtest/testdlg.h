/*
 * testdlg.h - the window of the desktop host: a frame that the library
 * draws on, the buttons that send session commands, and the keyboard.
 */
#ifndef TABRIXTEST_TESTDLG_H
#define TABRIXTEST_TESTDLG_H

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QWidget>

#include "captions.h"
#include "frame.h"
#include "keymap.h"
#include "tabrix/tabrix.h"

class TabrixTestDlg : public QWidget {
    Q_OBJECT

public:
    /* The window speaks language (TABRIX_LANG_*). */
    explicit TabrixTestDlg(uint32_t language = TABRIX_LANG_CZECH, QWidget *parent = nullptr);

    /* The operator's answer to the save question. */
    enum class SaveAnswer { Save, Discard, Cancel };

    /* The script named on the command line; the first open-and-start
       takes it instead of asking. */
    void SetCommandLineFile(const QString &path);

    /* Open-and-start: binds the drawing layer to the frame and starts a
       session on the command-line file or a chosen script.  Does nothing
       while a session runs. */
    void OpenAndStart();

    /* The frame as the library drew it. */
    const QImage &FrameImage() const { return image; }
    bool Running() const { return running; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

    /* Asks for a script; empty when cancelled. */
    virtual QString ChooseScript();
    /* Asks whether to save the session's unsaved values before they are
       let go. */
    virtual SaveAnswer AskToSave();
    /* Opens a file in the text editor. */
    virtual void OpenInEditor(const QString &path);

private:
    void ButtonsCreate();
    uint32_t Send(KeyAction action);
    bool ChangesSettled();
    void SessionStart();
    void SessionRestart();
    void Repaint();
    void FrameFill();
    void Open();
    void Restart();
    void Save();
    void Back();
    void Manual();
    void EditScript();
    void EditDataFile();
    void SetScreen(const FrameRect &rect);
    void ScreenLarge();
    void ScreenMedium();
    void ScreenSmall();
    void About();

    const HostTexts &texts;
    QImage image;                   /* the frame's client area */
    _GDI_SURFACE surface;           /* the library's view of image */
    QWidget *frame;
    _TABRIX_INFO info;              /* passed to every session call */
    _DIALOGKEYB_INFO keyb;          /* reused for every event */
    QByteArray scriptName;          /* the bytes info.script points to */
    bool running = false;
    bool useCommandLine = true;
    QString scriptPath;             /* absolute; the script chosen last */
    QString commandLineFile;
    FrameRect screen = FRAME_SCREEN_LARGE;
};

#endif
