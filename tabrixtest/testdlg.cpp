/*
 * testdlg.cpp - the window of the desktop host.  It owns no editing logic:
 * the library draws the session into the frame's image during its calls,
 * and the window forwards keys and buttons as events.
 */
#include "testdlg.h"

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

#include <algorithm>

#include "editor.h"

namespace {

/* Dialog units to pixels at the base units 6 x 13 of the window's font. */
int DluX(int dlu) {
    return (dlu * 6 + 2) / 4;
}

int DluY(int dlu) {
    return (dlu * 13 + 4) / 8;
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

TabrixTestDlg::TabrixTestDlg(QWidget *parent)
    : QWidget(parent), image(FRAME_WIDTH, FRAME_HEIGHT, QImage::Format_RGB32), info{}, keyb{} {
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

void TabrixTestDlg::ButtonsCreate() {
    struct ButtonSpec {
        const char *caption;
        int x, y, width, height;            /* dialog units */
        void (TabrixTestDlg::*action)();    /* null: the button does nothing */
    };
    static constexpr ButtonSpec buttons[] = {
        {"Uložit", 95, 315, 60, 29, &TabrixTestDlg::Save},
        {"", 160, 315, 60, 29, nullptr},
        {"", 225, 315, 60, 29, nullptr},
        {"Ruční", 290, 315, 60, 29, &TabrixTestDlg::Manual},
        {"Vynořit", 355, 315, 60, 29, &TabrixTestDlg::Back},
        {"", 420, 315, 60, 29, nullptr},
        {"Otevřít", 0, 350, 30, 14, &TabrixTestDlg::Open},
        {"Restart", 30, 350, 30, 14, &TabrixTestDlg::Restart},
        {"Upravit", 60, 350, 30, 14, &TabrixTestDlg::EditScript},
        {"Parametry", 90, 350, 35, 14, &TabrixTestDlg::EditDataFile},
        {"Střední", 500, 350, 30, 14, &TabrixTestDlg::ScreenMedium},
        {"Malé", 530, 350, 20, 14, &TabrixTestDlg::ScreenSmall},
        {"Velké", 550, 350, 25, 14, &TabrixTestDlg::ScreenLarge},
    };
    for (const ButtonSpec &place : buttons) {
        auto *button = new QPushButton(QString::fromUtf8(place.caption), this);
        button->setGeometry(DluX(place.x), DluY(place.y), DluX(place.width), DluY(place.height));
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
    return QFileDialog::getOpenFileName(
        this, QStringLiteral("Open Script File"), folder,
        QStringLiteral("Tables Script Files (TAB*.SCT tab*.sct);;"
                       "ALL Script Files (*.SCT *.sct);;All Files (*)"));
}

void TabrixTestDlg::OpenInEditor(const QString &path) {
    EditorOpen(path);
}

void TabrixTestDlg::Open() {
    running = false;
    OpenAndStart();
}

void TabrixTestDlg::Restart() {
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
    screen = rect;
    if (running)
        Restart();
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
    menu.addAction(QStringLiteral("About TabrixTest..."), this, &TabrixTestDlg::About);
    menu.exec(event->globalPos());
}

void TabrixTestDlg::About() {
    QMessageBox box(this);
    box.setWindowTitle(QStringLiteral("About TabrixTest"));
    box.setText(QStringLiteral("TabrixTest Version 1.0"));
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
}
