/*
 * dialog.h - the dialog engine's inside: the character grid, the item
 * records' cells and the drawing of one item.
 *
 * Items stand on a grid of 8-pixel columns and 18-pixel rows that starts 5
 * pixels inside the dialog, below the title bar when there is one.
 */
#ifndef TABRIX_DIALOG_DIALOG_H
#define TABRIX_DIALOG_DIALOG_H

#include <cstdint>

#include "tabrix/tabrix.h"

#define DIALOG_TITLE_HEIGHT 21
#define DIALOG_MARGIN 5
#define DIALOG_COLUMN 8
#define DIALOG_ROW 18
#define DIALOG_NO_OVERRIDE 255  /* DialogDrawItem keeps its own colour */
#define DIALOG_WORK_SIZE 500    /* the text of one item, terminator included */

/* A walk over a caller's item list visits at most this many items, so a
   list whose next or prev links loop still ends.  No loaded screen comes
   near it: at 64 bytes or more an item block, the 2,700,000-byte pool
   holds fewer than 42,200 items. */
#define DIALOG_MAX_ITEMS 65536u

/* The height of the title bar: 0 without a title. */
int32_t DialogTitleHeight(const _DIALOG *dialog);

/* Whether the item's records can be read: an item of kinds 1 to 5 with its
   data record, its path, label or text, and for a list a current entry
   with a text.  The engine treats any other item as one of an unknown
   kind: never drawn, focused, typed into or pressed. */
bool DialogItemReadable(const _ITEM *item);

/* Whether the item can take the focus: readable buttons, edit and list
   items. */
bool DialogFocusable(const _ITEM *item);

/* The grid cell of an item of kinds 1 to 5. */
void DialogItemCell(const _ITEM *item, int32_t *col, int32_t *row);

/* Keeps the caret within the text of a focused edit item. */
void DialogClampCursor(_DIALOG *dialog);

/* Draws one item in its current state: white on black when focused, black
   on white when not.  An override other than DIALOG_NO_OVERRIDE gives the
   text colour or the background (its low byte).  Text items are always
   black on the dialog's background.  Draws nothing for a null dialog or
   item, or an item that is not readable. */
void DialogDrawItem(_DIALOG *dialog, _ITEM *item, uint32_t focused, uint16_t colour,
                    uint16_t background);

#endif
