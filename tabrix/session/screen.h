/*
 * screen.h - entering a screen: its data file, its start values, its
 * computed values, its fields and its dialog.
 */
#ifndef TABRIX_SESSION_SCREEN_H
#define TABRIX_SESSION_SCREEN_H

#include "session/session.h"

/* Background palette index of a script screen. */
#define SCREEN_BACKGROUND 9

/* Applies the screen's INIT entries in order; modified is set when one
   changes a parameter. */
void ScreenInitApply(_SESSION *session, const _SCREEN *screen);

/* Makes s the current screen and starts its dialog.  By a link, the data
   file is read only when s's differs from the current screen's record;
   otherwise whenever s has one. */
void ScreenEnter(const _TABRIX_INFO *info, _SESSION *session, _SCREEN *s, bool byLink);

#endif
