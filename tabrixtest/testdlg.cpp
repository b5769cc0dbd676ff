/*
 * testdlg.cpp - the window of the desktop host.  It owns no editing logic:
 * the library draws the session into the frame's image during its calls,
 * and the window forwards keys and buttons as events.
 */
#include "testdlg.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QStyle>

#include <algorithm>
#include <climits>

#include "editor.h"

namespace {

/* Dialog units to pixels at the base units 6 x 13 of the window's font. */
int DluX(int dlu) {
    return (dlu * 6 + 2) / 4;
}

int DluY(int dlu) {
    return (dlu * 13 + 4) / 8;
}

QString Text(const char *utf8) {
    return QString::fromUtf8(utf8);
}

/* The width that shows a button's caption whole: the text, the style's
   margin and its frame on both sides. */
int ButtonWidthNeeded(const QPushButton *button) {
    const QStyle *style = button->style();
    return button->fontMetrics().horizontalAdvance(button->text()) +
           style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button) +
           2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
}

/* The frame control: shows the image as the library left it.  A paint
   event never draws the session again, so an open prompt or the error box
   survives the window being covered. */
class FrameView : public QWidget {
public:
    FrameView(const QImage &image, QWidget *parent) : QWidget(parent), image(image) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter(this).drawImage(0, 0, image);
    }

private:
    const QImage &image;
};

}  // namespace

TabrixTestDlg::TabrixTestDlg(uint32_t language, QWidget *parent)
    : QWidget(parent), texts(CaptionsFor(language)),
      image(FRAME_WIDTH, FRAME_HEIGHT, QImage::Format_RGB32), info{}, keyb{} {
    surface.width = FRAME_WIDTH;
    surface.height = FRAME_HEIGHT;
    surface.pitch = static_cast<uint32_t>(image.bytesPerLine());
    surface.pixels = reinterpret_cast<uint32_t *>(image.bits());
    FrameFill();

    setWindowTitle(QStringLiteral("TabrixTest"));
    setFixedSize(DluX(582), DluY(371));
    /* The template's font, 8 points at 96 dots an inch: the small buttons
       are sized for it. */
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);
    auto *border = new QFrame(this);
    border->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    border->setGeometry(DluX(7) - 2, DluY(7) - 2, FRAME_WIDTH + 4, FRAME_HEIGHT + 4);
    frame = new FrameView(image, this);
    frame->setGeometry(DluX(7), DluY(7), FRAME_WIDTH, FRAME_HEIGHT);
    ButtonsCreate();
    setFocusPolicy(Qt::StrongFocus);
    installEventFilter(this);
}

/* Each button keeps its place unless its caption needs more room: then it
   widens away from its anchor and pushes the buttons beyond it in its row.
   The buttons anchored right are listed from the right. */
void TabrixTestDlg::ButtonsCreate() {
    struct ButtonSpec {
        const char *HostTexts::*caption;    /* null: no caption */
        int x, y, width, height;            /* dialog units */
        bool anchorRight;
        void (TabrixTestDlg::*action)();    /* null: the button does nothing */
    };
    static constexpr ButtonSpec buttons[] = {
        {&HostTexts::save, 95, 315, 60, 29, false, &TabrixTestDlg::Save},
        {nullptr, 160, 315, 60, 29, false, nullptr},
        {nullptr, 225, 315, 60, 29, false, nullptr},
        {&HostTexts::manual, 290, 315, 60, 29, false, &TabrixTestDlg::Manual},
        {&HostTexts::back, 355, 315, 60, 29, false, &TabrixTestDlg::Back},
        {nullptr, 420, 315, 60, 29, false, nullptr},
        {&HostTexts::open, 0, 350, 30, 14, false, &TabrixTestDlg::Open},
        {&HostTexts::restart, 30, 350, 30, 14, false, &TabrixTestDlg::Restart},
        {&HostTexts::edit, 60, 350, 30, 14, false, &TabrixTestDlg::EditScript},
        {&HostTexts::parameters, 90, 350, 35, 14, false, &TabrixTestDlg::EditDataFile},
        {&HostTexts::large, 550, 350, 25, 14, true, &TabrixTestDlg::ScreenLarge},
        {&HostTexts::small, 530, 350, 20, 14, true, &TabrixTestDlg::ScreenSmall},
        {&HostTexts::medium, 500, 350, 30, 14, true, &TabrixTestDlg::ScreenMedium},
    };
    int row = -1, leftEdge = 0, rightEdge = INT_MAX;
    for (const ButtonSpec &place : buttons) {
        if (place.y != row) {
            row = place.y;
            leftEdge = 0;
            rightEdge = INT_MAX;
        }
        auto *button = new QPushButton(place.caption ? Text(texts.*place.caption) : QString(), this);
        QRect rect(DluX(place.x), DluY(place.y), DluX(place.width), DluY(place.height));
        rect.setWidth(std::max(rect.width(), ButtonWidthNeeded(button)));
        if (place.anchorRight) {
            rect.moveRight(std::min(DluX(place.x + place.width) - 1, rightEdge));
            rightEdge = rect.left() - 1;
        } else {
            rect.moveLeft(std::max(rect.left(), leftEdge));
            leftEdge = rect.right() + 1;
        }
        button->setGeometry(rect);
        /* Keys belong to the session: no key may press a button. */
        button->setFocusPolicy(Qt::NoFocus);
        if (place.action != nullptr)
            connect(button, &QPushButton::clicked, this, place.action);
    }
}

void TabrixTestDlg::SetCommandLineFile(const QString &path) {
    commandLineFile = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
}

/* Keys are examined before the window's own processing and always passed
   on afterwards.  The finish key saves as the button does, closing the
   window when the session ended. */
bool TabrixTestDlg::eventFilter(QObject *, QEvent *event) {
    if (event->type() != QEvent::KeyPress || !running)
        return false;
    const KeyAction action = KeyMapEvent(*static_cast<QKeyEvent *>(event));
    if (action.event == TABRIX_EVENT_FINISH)
        Save();
    else
        Send(action);
    return false;
}

/* One event to the session.  Only a key sets the key byte; commands leave
   it as the last event left it. */
uint32_t TabrixTestDlg::Send(KeyAction action) {
    if (!running || action.event == TABRIX_EVENT_NONE)
        return TABRIX_CONT_GOING;
    keyb.event = action.event;
    if (action.event == TABRIX_EVENT_KEY)
        keyb.key = action.key;
    const uint32_t result = TabrixCont(&info, &keyb);
    frame->update();
    return result;
}

void TabrixTestDlg::OpenAndStart() {
    if (running)
        return;
    running = true;
    if (useCommandLine && !commandLineFile.isEmpty()) {
        scriptPath = commandLineFile;
        useCommandLine = false;
    } else {
        const QString chosen = ChooseScript();
        if (!chosen.isEmpty())
            scriptPath = QFileInfo(chosen).absoluteFilePath();
    }
    _GDI_INIT_PARAMS params{};
    params.size = sizeof params;
    params.hdc = &surface;
    GDIInit(&params);
    SessionStart();
}

/* The script's folder becomes the working directory and the library gets
   the bare file name: its relative SCRIPT, REKFILE and BITMAP names
   resolve beside the script, and screen names and error texts stay short. */
void TabrixTestDlg::SessionStart() {
    const QFileInfo script(scriptPath);
    if (!scriptPath.isEmpty())
        QDir::setCurrent(script.absolutePath());
    scriptName = QFile::encodeName(script.fileName());
    info = {};
    info.size = sizeof info;
    info.script = scriptName.constData();
    info.left = screen.left;
    info.top = screen.top;
    info.right = screen.right;
    info.bottom = screen.bottom;
    TabrixStart(&info);
    Repaint();
}

/* Shows the session afresh: the frame's background and the current
   screen.  After a failed start the error box is left on the frame. */
void TabrixTestDlg::Repaint() {
    if (TabrixGetErrorLine() == 0) {
        FrameFill();
        if (running)
            TabrixPAINT();
    }
    frame->update();
}

/* Through the surface, not QImage::fill, which would detach a shared
   image from the pixels the library draws on. */
void TabrixTestDlg::FrameFill() {
    std::fill_n(surface.pixels, surface.pitch / 4 * FRAME_HEIGHT, FRAME_BACKGROUND);
}

QString TabrixTestDlg::ChooseScript() {
    const QString folder = scriptPath.isEmpty() ? QDir::currentPath()
                                                : QFileInfo(scriptPath).absolutePath();
    return QFileDialog::getOpenFileName(this, Text(texts.openTitle), folder,
                                        Text(texts.openFilter));
}

/* Save is the default answer: Enter keeps the values. */
TabrixTestDlg::SaveAnswer TabrixTestDlg::AskToSave() {
    QMessageBox box(QMessageBox::Question, Text(texts.questionTitle), Text(texts.question),
                    QMessageBox::NoButton, this);
    QPushButton *save = box.addButton(Text(texts.save), QMessageBox::AcceptRole);
    QPushButton *discard = box.addButton(Text(texts.discard), QMessageBox::DestructiveRole);
    QPushButton *cancel = box.addButton(Text(texts.cancel), QMessageBox::RejectRole);
    box.setDefaultButton(save);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == save)
        return SaveAnswer::Save;
    return box.clickedButton() == discard ? SaveAnswer::Discard : SaveAnswer::Cancel;
}

void TabrixTestDlg::OpenInEditor(const QString &path) {
    EditorOpen(path);
}

/* Whether the session's values may be let go: nothing is unsaved, or the
   operator discarded it, or saved it and the session finished.  A save
   that failed leaves the red field or the error box on the frame. */
bool TabrixTestDlg::ChangesSettled() {
    if (!running || TabrixModified() == 0)
        return true;
    switch (AskToSave()) {
    case SaveAnswer::Discard:
        return true;
    case SaveAnswer::Cancel:
        return false;
    case SaveAnswer::Save:
        break;
    }
    return Send({TABRIX_EVENT_FINISH, 0}) == TABRIX_CONT_FINISHED;
}

void TabrixTestDlg::closeEvent(QCloseEvent *event) {
    if (ChangesSettled())
        event->accept();
    else
        event->ignore();
}

void TabrixTestDlg::Open() {
    if (!ChangesSettled())
        return;
    running = false;
    OpenAndStart();
}

void TabrixTestDlg::Restart() {
    if (ChangesSettled())
        SessionRestart();
}

void TabrixTestDlg::SessionRestart() {
    if (scriptPath.isEmpty())
        return;
    running = true;
    SessionStart();
}

/* The window closes only when the session saved and ended.  Otherwise a
   field was refused or the save failed and the error box shows: closing
   then would lose the operator's edits or hide the error. */
void TabrixTestDlg::Save() {
    if (Send({TABRIX_EVENT_FINISH, 0}) != TABRIX_CONT_FINISHED)
        return;
    running = false;
    close();
}

void TabrixTestDlg::Back() {
    Send({TABRIX_EVENT_BACK, 0});
}

void TabrixTestDlg::Manual() {
    Send({TABRIX_EVENT_MANUAL, 0});
}

void TabrixTestDlg::EditScript() {
    if (!scriptPath.isEmpty())
        OpenInEditor(scriptPath);
}

/* The data file's path is relative to the script's folder. */
void TabrixTestDlg::EditDataFile() {
    _REKFILEINFO saved{};
    TabrixLastSavedFile(&saved);
    if (saved.path[0] == '\0')
        return;
    const QDir folder = QFileInfo(scriptPath).absoluteDir();
    OpenInEditor(folder.absoluteFilePath(QFile::decodeName(saved.path)));
}

void TabrixTestDlg::SetScreen(const FrameRect &rect) {
    if (!ChangesSettled())
        return;
    screen = rect;
    if (running)
        SessionRestart();
}

void TabrixTestDlg::ScreenLarge() {
    SetScreen(FRAME_SCREEN_LARGE);
}

void TabrixTestDlg::ScreenMedium() {
    SetScreen(FRAME_SCREEN_MEDIUM);
}

void TabrixTestDlg::ScreenSmall() {
    SetScreen(FRAME_SCREEN_SMALL);
}

void TabrixTestDlg::contextMenuEvent(QContextMenuEvent *event) {
    QMenu menu(this);
    menu.addAction(Text(texts.aboutEntry), this, &TabrixTestDlg::About);
    menu.exec(event->globalPos());
}

void TabrixTestDlg::About() {
    QMessageBox box(this);
    box.setWindowTitle(Text(texts.aboutTitle));
    box.setText(Text(texts.aboutText));
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
}
