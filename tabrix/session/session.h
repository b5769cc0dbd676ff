/*
 * session.h - the one editing session: parameter table, data-file text,
 * error state, screens and the screen stack.
 */
#ifndef TABRIX_SESSION_SESSION_H
#define TABRIX_SESSION_SESSION_H

#include <cstdint>

#include "script/model.h"
#include "tabrix/tabrix.h"

#define PARAM_COUNT 2000
#define PARAM_VALID 1u          /* the parameter has a value */
#define PARAM_RAW   2u          /* a raw 32-bit value, never scaled */
#define PARAM_UNHELD 4u         /* the data file's value does not fit 32 bits: no value */

#define REAL_SLOTS 30
#define ERROR_TEXT_SIZE 60      /* 59 characters and the terminator */
#define ERROR_FILE_SIZE TABRIX_ERROR_FILE_SIZE
#define ERROR_REASON_SIZE TABRIX_ERROR_REASON_SIZE

/* Input modes. */
#define MODE_SCREEN 0
#define MODE_SAVE_PROMPT 1
#define MODE_MANUAL 2

struct _PARAM {
    int32_t value;
    uint32_t flags;
};

/* A comment of a parameter line of the data file, kept for saving. */
struct _COMMENT {
    uint32_t number;
    char *text;
    _COMMENT *next;
};

/* A header line of the data file with its "\r\n", kept for saving. */
struct _HEADLINE {
    uint32_t number;            /* always 0 */
    char *text;
    _HEADLINE *next;
};

/* Where the session's error happened and why: the file it concerns, its
   line and column as an editor counts them (0 when not known), and a
   short reason in English. */
struct _ERRORPLACE {
    char file[ERROR_FILE_SIZE];
    uint32_t line;
    uint32_t column;
    char reason[ERROR_REASON_SIZE];
};

struct _SCREENLINK {
    _SCREEN *screen;
    _SCREENLINK *below;         /* null at the main screen */
};

struct _SESSION {
    _PARAM params[PARAM_COUNT];
    _COMMENT comments;          /* head node; unused: a save copies comments from the disk */
    uint32_t errorCode;         /* message index; 0: no error */
    char errorText[ERROR_TEXT_SIZE];
    _SCREEN screens;            /* head of the screen list */
    _SCREEN *current;
    _SCREENLINK *stack;
    uint32_t mode;
    uint32_t modified;
    uint32_t firstKey;          /* the next character replaces a field's text */
    _REKFILEINFO lastSaved;
    _HEADLINE headLines;        /* head node; unused: a save copies the header from the disk */
    _VARIABLE *variables;
    double reals[REAL_SLOTS];
    /* Beyond the record's original fields: what the data file held. */
    _PARAM baseline[PARAM_COUNT];   /* the table as last read from or saved to its file */
    uint32_t tableFile;         /* 1 while the table holds a data file's values */
    uint32_t tableFileExisted;  /* 1 when that file existed when it was read */
    uint32_t stopped;           /* 1 after TabrixStop: events do nothing */
    uint32_t saveFailed;        /* 1 while the error box shows a failed save */
    _ERRORPLACE place;          /* where and why the error happened */
};

extern _SESSION TabrixSession;

/* Records an error: a message index, a detail text cut to 59 characters,
   and why it happened, formatted as printf does.  The place is cleared;
   SessionErrorAt sets it. */
void SessionSetError(_SESSION *session, uint32_t code, const char *text, const char *why, ...)
    __attribute__((format(printf, 4, 5)));

/* Records an error code and why, leaving the detail text as it is (the
   evaluator's errors carry none). */
void SessionSetCode(_SESSION *session, uint32_t code, const char *why, ...)
    __attribute__((format(printf, 3, 4)));

/* Records an error whose detail text names a line of a file:
   "Line:12 File:TAB1.SCT" in the selected language, the file name shown
   as CharShowName shows it; why as above. */
void SessionLineError(_SESSION *session, uint32_t code, uint32_t line, const char *file,
                      const char *why, ...) __attribute__((format(printf, 5, 6)));

/* Tells why a key was not taken, in the reason of a session without an
   error ("" forgets it); nothing while an error stands. */
void SessionSetHint(_SESSION *session, const char *why, ...) __attribute__((format(printf, 2, 3)));

/* Sets where the recorded error happened: file (null keeps the one set),
   line and column (0: not known). */
void SessionErrorAt(_SESSION *session, const char *file, uint32_t line, uint32_t column);

/* Whether the recorded error has a file yet. */
bool SessionErrorPlaced(const _SESSION *session);

/* Handles an event on the current screen; returns 0, 1 or 2. */
uint32_t SessionDispatch(const _TABRIX_INFO *info, _DIALOGKEYB_INFO *keyb);

/* Runs every CALC entry of the current screen and saves its data file,
   when it has one.  Returns false, with the error box shown, when the
   save failed; the next event then only dismisses the box and the
   session goes on with every edit, so a finish can try again. */
bool SessionSave(const _TABRIX_INFO *info, _SESSION *session);

/* Whether the session holds a parameter or variable whose value differs
   from the one last read from or saved to its file (the data file, or
   the memory image for a variable), or a field of the current screen
   that holds a text or choice not taken yet. */
bool SessionModified(const _SESSION *session);

/* Whether key moves or deletes (Enter, the arrows, backspace) rather than
   types a character. */
bool SessionIsMoveKey(int8_t key);

/* Digit fields: count decimal digits of a value from digit start (1 = the
   units digit).  The sign belongs to a field that reaches the top digit,
   the eighth for a parameter and the tenth for a variable. */
int32_t ParamGetDigits(uint32_t number, int32_t start, int32_t count);
int32_t ParamSetDigits(uint32_t number, int32_t start, uint32_t count, int32_t newValue, int32_t sign);
int32_t VarGetDigits(uint32_t key, int32_t start, int32_t count);
int32_t VarSetDigits(uint32_t key, int32_t start, uint32_t count, int32_t newValue, int32_t sign);

#endif
