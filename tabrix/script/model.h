/*
 * model.h - the records a loaded script set is made of: screens, the
 * variables that expressions and fields address.
 */
#ifndef TABRIX_SCRIPT_MODEL_H
#define TABRIX_SCRIPT_MODEL_H

#include <cstdint>

#include "tabrix/tabrix.h"

struct _INITENTRY;
struct _CALCENTRY;

/* One screen: a DIALOG of a script file.  The session's list of screens
   ends in a terminator whose dialog is null. */
struct _SCREEN {
    char *name;                 /* script file name, "*", screen name */
    _DIALOG *dialog;
    _SCREEN *next;
    _REKFILEINFO *dataFile;     /* null: the file has no REKFILE */
    _INITENTRY *inits;
    _CALCENTRY *calcs;
    _ITEM *focusItem;           /* null: the dialog engine chooses */
};

/* One 32-bit cell of the memory image used by expressions or fields.  The
   list ends in a terminal entry whose fields are all zero. */
struct _VARIABLE {
    uint32_t key;               /* byte offset of the cell */
    int32_t value;              /* working copy */
    _VARIABLE *next;
};

/* The entry of the session's variable list whose key is key: the terminal
   entry when none has it, null when the session has no list. */
_VARIABLE *VariableFind(uint32_t key);

#endif
