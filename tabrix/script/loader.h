/*
 * loader.h - loading a script set: the named script file and every script
 * file it names, breadth-first, into screens; then the main screen.
 */
#ifndef TABRIX_SCRIPT_LOADER_H
#define TABRIX_SCRIPT_LOADER_H

#include "session/session.h"

/* Builds the screens of info->script and the files it names, reads their
   data files and enters the first file's "DLG_MAIN"; the first error ends
   the load and stays in the session's errorCode and errorText. */
void ScriptLoad(const _TABRIX_INFO *info, _SESSION *session);

#endif
