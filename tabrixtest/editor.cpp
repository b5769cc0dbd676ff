/*
 * editor.cpp - opening a file in the desktop's text editor.
 */
#include "editor.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

QStringList EditorCommand(const QString &visual, const QString &editor) {
    QStringList command = QProcess::splitCommand(visual);
    if (command.isEmpty())
        command = QProcess::splitCommand(editor);
    return command;
}

void EditorOpen(const QString &path) {
    QStringList command = EditorCommand(qEnvironmentVariable("VISUAL"),
                                        qEnvironmentVariable("EDITOR"));
    if (command.isEmpty()) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
        return;
    }
    const QString program = command.takeFirst();
    QProcess::startDetached(program, command << path);
}
