/*
 * edit.h - taking values into a screen's fields and the fields' texts and
 * choices back into values, and the computed values of a screen.
 */
#ifndef TABRIX_SESSION_EDIT_H
#define TABRIX_SESSION_EDIT_H

#include <cstdint>

#include "platform/draw/draw.h"
#include "session/session.h"

/* The text buffer of every value field of a script screen: room for any
   text ItemsRefresh writes and for any text the field's width lets the
   operator type. */
#define EDIT_TEXT_SIZE 48

/* The text colour of a field whose text was refused. */
#define EDIT_REFUSED_COLOUR GDI_RED

/* Decimal places of scaled values on the current screen: its data file's,
   or 3 without one. */
int32_t EditDecimals(const _SESSION *session);

/* Writes the current values into the value fields and choice fields. */
void ItemsRefresh(_DIALOG *dialog);

/* Takes the fields back into the values: 1 when every field was taken, 0
   when a field was refused (it is redrawn in red and keeps its text). */
int32_t ItemsCommit(_DIALOG *dialog);

/* Whether a field holds a text or choice that taking it would store:
   what the operator typed or chose and did not take yet. */
bool ItemsPending(const _DIALOG *dialog);

/* Runs the CALC entries of list, only those marked to run on entry when
   onlyMarked is 1.  Returns 1 when the parameter table changed. */
int32_t CalcRun(const _TABRIX_INFO *info, _SESSION *session, _CALCENTRY *list, int32_t onlyMarked);

#endif
