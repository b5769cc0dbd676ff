/*
 * editor.h - opening a file in the desktop's text editor.
 */
#ifndef TABRIXTEST_EDITOR_H
#define TABRIXTEST_EDITOR_H

#include <QString>
#include <QStringList>

/* The editor's command line without the file: $VISUAL, else $EDITOR, split
   as a shell would split it; empty when neither names a program. */
QStringList EditorCommand(const QString &visual, const QString &editor);

/* Starts the editor on path, or hands the file to the desktop when no
   editor is named.  A failure to start is ignored. */
void EditorOpen(const QString &path);

#endif
