/*
 * model.h - the records a loaded script set is made of: screens, the
 * bindings of fields to values, INIT and CALC entries, the variables that
 * expressions and fields address, and the memory image behind them.
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

/* The binding of a value or choice field (_ITEM.valueRef) to a digit field
   of a parameter or variable.  flags packs the start digit, the digit
   count and the type code (the line kind: LINE_LIST, LINE_INT, LINE_REAL,
   LINE_SIGN, LINE_HEX). */
struct _VALUEREF {
    uint32_t number;            /* parameter number or variable key */
    uint32_t flags;
};

#define VALUEREF_VARIABLE 1u    /* number is a variable key */
#define VALUEREF_SIGNED 2u      /* the field shows and takes a sign */
#define VALUEREF_START_SHIFT 2
#define VALUEREF_COUNT_SHIFT 6
#define VALUEREF_TYPE_SHIFT 10
#define VALUEREF_DIGITS_MASK 15u
#define VALUEREF_TYPE_MASK 31u

/* Flags of a binding.  A start or count outside 0..15 (an incomplete
   field) is stored as 0, a field of no digits. */
uint32_t ValueRefFlags(uint32_t type, int32_t start, int32_t count, int32_t sign);

inline int32_t ValueRefStart(const _VALUEREF *ref) {
    return (int32_t)(ref->flags >> VALUEREF_START_SHIFT & VALUEREF_DIGITS_MASK);
}

inline int32_t ValueRefCount(const _VALUEREF *ref) {
    return (int32_t)(ref->flags >> VALUEREF_COUNT_SHIFT & VALUEREF_DIGITS_MASK);
}

inline uint32_t ValueRefType(const _VALUEREF *ref) {
    return ref->flags >> VALUEREF_TYPE_SHIFT & VALUEREF_TYPE_MASK;
}

/* A start value of a screen, set when the screen is entered. */
struct _INITENTRY {
    uint32_t target;            /* parameter number or variable key */
    int32_t start;
    int32_t count;
    uint32_t flags;             /* INIT_VARIABLE */
    int32_t value;
    _INITENTRY *next;
};

#define INIT_VARIABLE 1u        /* target is a variable key */

/* A computed value of a screen. */
struct _CALCENTRY {
    char *expression;           /* upper case, no blanks or tabs */
    char *condition;            /* the same; null: none */
    uint32_t target;            /* parameter number, variable key or real slot */
    uint32_t flags;             /* target kind and CALC_ON_ENTRY */
    _CALCENTRY *next;
};

#define CALC_TARGET_MASK 3u
#define CALC_TARGET_PARAM 0u
#define CALC_TARGET_VARIABLE 1u
#define CALC_TARGET_SLOT 2u
#define CALC_ON_ENTRY 4u        /* also on entering the screen and after edits */

/* The loader's queue of script files, each with the SCRIPT line that
   named it (none for the first). */
struct _SCRIPTNODE {
    char *path;
    _SCRIPTNODE *next;
    const char *from;           /* the file of that line; null for the first */
    uint32_t line;
    uint32_t column;
};

/* Where a link button (SUB) stands in its script file, in its
   _ITEM.valueRef: a link to a missing screen is reported there. */
struct _LINKSOURCE {
    uint32_t line;
    uint32_t column;
};

/* One 32-bit cell of the memory image used by expressions or fields.  The
   list ends in a terminal entry whose fields are all zero. */
struct _VARIABLE {
    uint32_t key;               /* byte offset of the cell, whatever the bank */
    int32_t value;              /* working copy */
    _VARIABLE *next;
};

/* The memory image: 32-bit signed cells at byte offsets, zero when the
   library is loaded, kept from session to session. */
#define IMAGE_SIZE 10000

/* Whether the 4-byte cell at offset lies wholly inside the image. */
bool ImageCellInside(int64_t offset);

/* The cell at offset; 0 for a cell not wholly inside. */
int32_t ImageCellRead(int64_t offset);

/* Stores value in the cell at offset: 1, or 0 when it is not wholly
   inside (nothing is written). */
int ImageCellWrite(int64_t offset, int32_t value);

/* The screen named name (exact case), or the list's terminator (dialog
   null) when none is; the first of equal names wins. */
_SCREEN *ScreenFind(const char *name);

/* Adds the cell with key to the session's variable list unless it is
   there, with the cell's value.  On pool exhaustion (error 13) the list is
   unchanged. */
void VariableRegister(uint32_t key);

/* The entry of the session's variable list whose key is key: the terminal
   entry when none has it, null when the session has no list. */
_VARIABLE *VariableFind(uint32_t key);

/* Chooses the current entry of a choice item (LIST or SIGN) from the value
   its binding reads; other items are left alone. */
void ChoiceSelect(_ITEM *item);

#endif
