/*
 * tabrix.h - the public interface of libtabrix, the table-driven parameter
 * editor for machine-control operator screens.
 *
 * A host program binds the drawing layer to a pixel surface (GDIInit), starts
 * a session on a screen script (TabrixStart), forwards every key and command
 * as one event (TabrixCont) and every repaint (TabrixPAINT), and reads the
 * error state (TabrixGetErrorLine, TabrixGetErrorText) and the last saved
 * data file (TabrixLastSavedFile).  Before and after a session it may fill
 * and read the memory image that scripts address as variables
 * (TabrixMemoryImage).  The dialog engine is exported too, so a host can
 * run dialogs of its own on the same surface.
 *
 * Every record is byte-packed with native pointers; the host owns every
 * record it passes.  Texts are NUL-terminated strings of the library's 8-bit
 * display character set.  The library is single-threaded: call it from one
 * thread only.
 *
 * This header compiles as C99 and as C++.
 */
#ifndef TABRIX_TABRIX_H
#define TABRIX_TABRIX_H

#include <stdint.h>

#if defined(TABRIX_BUILD)
#define TABRIX_API __attribute__((visibility("default")))
#else
#define TABRIX_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ------------------------------------------------------------------ */
/* Constants                                                           */
/* ------------------------------------------------------------------ */

/* Item kinds of _ITEM.kind.  Other values may stand in a list; they are
   never drawn and never focused. */
#define DLG_ITEM_BITMAP 1
#define DLG_ITEM_BUTTON 2
#define DLG_ITEM_TEXT   3
#define DLG_ITEM_EDIT   4
#define DLG_ITEM_LIST   5

/* Mask bits of DialogRefresh, selecting the item kinds redrawn. */
#define DLG_MASK_BUTTON 1u
#define DLG_MASK_TEXT   2u
#define DLG_MASK_EDIT   4u
#define DLG_MASK_LIST   8u

/* Event kinds (_DIALOGKEYB_INFO.event). */
#define TABRIX_EVENT_NONE   0  /* ignored */
#define TABRIX_EVENT_KEY    1  /* a key; the code is in key */
#define TABRIX_EVENT_BACK   2  /* back to the previous screen (F5) */
#define TABRIX_EVENT_FINISH 3  /* take the edits, save, end */
#define TABRIX_EVENT_FORGET 4  /* forget the last saved file */
#define TABRIX_EVENT_MANUAL 6  /* open the manual setting (F4) */

/* Key codes (_DIALOGKEYB_INFO.key, a signed byte).  Any other code is a
   typed character. */
#define DLG_KEY_ENTER     (-1)
#define DLG_KEY_UP        1
#define DLG_KEY_RIGHT     2
#define DLG_KEY_DOWN      3
#define DLG_KEY_LEFT      4
#define DLG_KEY_POINT     43  /* typed as "." */
#define DLG_KEY_BACKSPACE 46  /* deletes the character before the caret */
#define DLG_KEY_MINUS     63  /* typed as "-" */

/* Results of TabrixCont. */
#define TABRIX_CONT_GOING     0
#define TABRIX_CONT_FORGOTTEN 1  /* after TABRIX_EVENT_FORGET */
#define TABRIX_CONT_FINISHED  2  /* the session saved and ended */

/* File layer results and open flags. */
#define FILE_OK     0
#define FILE_FAILED (-1)
#define FILE_SHORT  1
#define FILE_READ   1u
#define FILE_WRITE  2u
#define FILE_CREATE 4u

/* Language identifiers of the built-in message tables (LocalizationInit). */
#define TABRIX_LANG_CZECH     5
#define TABRIX_LANG_GERMAN    7
#define TABRIX_LANG_ENGLISH   9
#define TABRIX_LANG_FRENCH    12
#define TABRIX_LANG_HUNGARIAN 14
#define TABRIX_LANG_POLISH    21
#define TABRIX_LANG_RUSSIAN   25

/* ------------------------------------------------------------------ */
/* Records                                                             */
/* ------------------------------------------------------------------ */

#pragma pack(push, 1)

/* The host's session record: the script and the session's rectangle on the
   drawing surface.  Hosts set size to sizeof(_TABRIX_INFO).  The script
   path is read only during TabrixStart. */
typedef struct _TABRIX_INFO {
    uint16_t size;
    const char *script;
    uint16_t left;
    uint16_t top;
    uint16_t right;
    uint16_t bottom;
    uint8_t reserved[4];
} _TABRIX_INFO;

/* One data file: its path, initializing word, the number of parameters
   saved and the decimal places of scaled values.  TabrixLastSavedFile
   fills path, keyword and count.  path and keyword hold at most 80 bytes
   and the terminator.  path is the name as the script wrote it, bytes
   for the file system: UTF-8 when the script is UTF-8 or UTF-16LE. */
typedef struct _REKFILEINFO {
    char path[81];
    char keyword[81];
    uint32_t count;
    uint8_t decimals;
} _REKFILEINFO;

/* One event: kind and key code. */
typedef struct _DIALOGKEYB_INFO {
    uint8_t event;
    int8_t key;
} _DIALOGKEYB_INFO;

struct _ITEM;
struct _LIST_ENTRY;

/* A dialog: a rectangle of items drawn on a character grid (8 pixels a
   column, 18 a row).  The engine sets focusItem, background and cursor. */
typedef struct _DIALOG {
    const char *title;          /* null: no title bar */
    uint16_t left;
    uint16_t top;
    uint16_t right;
    uint16_t bottom;
    struct _ITEM *firstItem;
    struct _ITEM *focusItem;
    uint32_t reserved;          /* builders set 0 */
    uint8_t background;         /* palette index */
    uint16_t cursor;            /* caret in the focused edit item */
} _DIALOG;

/* One item of a dialog; data points at the record of its kind. */
typedef struct _ITEM {
    uint32_t kind;
    void *data;
    struct _ITEM *next;
    struct _ITEM *prev;
    void *valueRef;             /* not read by the engine */
} _ITEM;

typedef struct _BITMAP_ITEM {
    const char *path;
    uint16_t col;
    uint16_t row;
} _BITMAP_ITEM;

typedef struct _BUTTON_ITEM {
    const char *label;
    uint16_t col;
    uint16_t row;
    uint16_t width;             /* characters, brackets included */
    uint8_t hotKey;             /* 255: no hot key */
    uint16_t result;            /* returned by DialogCont when pressed */
    const char *target;         /* not read by the engine */
} _BUTTON_ITEM;

typedef struct _TEXT_ITEM {
    const char *text;
    uint16_t col;
    uint16_t row;
    uint32_t reserved;
} _TEXT_ITEM;

typedef struct _EDIT_ITEM {
    char *text;                 /* edited in place; holds width + 1 bytes */
    uint16_t col;
    uint16_t row;
    uint16_t width;
} _EDIT_ITEM;

typedef struct _LIST_ITEM {
    uint16_t col;
    uint16_t row;
    uint16_t width;             /* characters between the angle brackets */
    struct _LIST_ENTRY *current;
    struct _LIST_ENTRY *first;  /* not read by the engine */
} _LIST_ITEM;

typedef struct _LIST_ENTRY {
    const char *text;
    int32_t value;              /* not read by the engine */
    struct _LIST_ENTRY *next;
    struct _LIST_ENTRY *prev;
} _LIST_ENTRY;

/* The host's pixel surface: 0x00RRGGBB pixels, pitch bytes from one row to
   the next (a multiple of 4, at least width * 4; GDIInit leaves the layer
   unbound otherwise).  It must stay valid while bound by GDIInit. */
typedef struct _GDI_SURFACE {
    uint32_t width;
    uint32_t height;
    uint32_t pitch;
    uint32_t *pixels;
} _GDI_SURFACE;

/* Where the session's error happened and why (TabrixGetErrorReason).
   Hosts set size to sizeof(_TABRIX_ERROR). */
#define TABRIX_ERROR_FILE_SIZE 4096
#define TABRIX_ERROR_REASON_SIZE 256
typedef struct _TABRIX_ERROR {
    uint16_t size;
    uint32_t code;              /* as TabrixGetErrorLine; 0: no error */
    uint32_t line;              /* line of file, from 1, as an editor counts
                                   it; 0 when the error concerns no line */
    uint32_t column;            /* column of that line, from 1, in characters;
                                   0 when not known */
    char file[TABRIX_ERROR_FILE_SIZE];      /* the file the error concerns,
                                   as the library opened it (relative to the
                                   working directory); "" when none */
    char reason[TABRIX_ERROR_REASON_SIZE];  /* why, short and in English
                                   ("unknown keyword LABLE", "Permission
                                   denied"); with code 0, why the last key
                                   was not taken, or "" */
} _TABRIX_ERROR;

/* Drawing layer parameters; hosts set size to 202.  With a null hdc the
   layer is unbound and drawing does nothing. */
typedef struct _GDI_INIT_PARAMS {
    uint16_t size;
    _GDI_SURFACE *hdc;
    uint8_t reserved[192];
} _GDI_INIT_PARAMS;

/* File layer parameters; kept by the library, read by nothing. */
typedef struct _FSP_INIT_PARAMS {
    uint16_t size;
    uint8_t rest[60];
} _FSP_INIT_PARAMS;

#pragma pack(pop)

/* ------------------------------------------------------------------ */
/* Session                                                             */
/* ------------------------------------------------------------------ */

/* Starts a session: discards the previous one, shows the loading notice,
   loads the script and shows its main screen, or the error box.  Returns
   0; TabrixGetErrorLine tells whether the session is usable. */
TABRIX_API uint32_t TabrixStart(const _TABRIX_INFO *info);

/* Delivers one event (nothing happens when info or keyb is null).
   Returns TABRIX_CONT_GOING, TABRIX_CONT_FORGOTTEN
   after TABRIX_EVENT_FORGET, or TABRIX_CONT_FINISHED after a successful
   finish.  May rewrite keyb (Enter on a field becomes DLG_KEY_DOWN). */
TABRIX_API uint32_t TabrixCont(const _TABRIX_INFO *info, _DIALOGKEYB_INFO *keyb);

/* Ends the session: later events do nothing and TabrixCont returns 0
   until the next TabrixStart.  A host calls it when it lets a session go;
   a session needs no call of it. */
TABRIX_API uint32_t TabrixStop(const _TABRIX_INFO *info);

/* Redraws the current screen. */
TABRIX_API uint32_t TabrixPAINT(void);

/* The session's error code: 0, or the index of the message that describes
   the error (GetLocString). */
TABRIX_API uint32_t TabrixGetErrorLine(void);

/* Copies the detail text of the session's error (the file, line or dialog
   it concerns; at most 59 characters, "" when there is none) into out,
   at most size - 1 characters and a terminator; nothing with size 0.
   Returns the length of the whole text, so a 60-byte buffer always holds
   it.  The text is in the display character set, like GetLocString's. */
TABRIX_API uint32_t TabrixGetErrorText(char *out, uint32_t size);

/* Fills out with the place and reason of the session's error, beside
   its code and detail text (which keep their own form, "Line:12
   File:TAB1.SCT").  Writes nothing unless out->size is at least
   sizeof(_TABRIX_ERROR).  Returns the error code.  file is the name as
   the library opened it: script and data file names as the script gives
   them, relative to the working directory.  reason may quote a script's
   text in the display character set.  Without an error (code 0) the
   reason tells why the operator's last key was not taken, when a field
   refused it as read-only ("parameter 50 is read-only: DATA.TXT keeps
   parameters 0 to 29"), and is "" otherwise. */
TABRIX_API uint32_t TabrixGetErrorReason(_TABRIX_ERROR *out);

/* 1 when the session holds a parameter or variable whose value differs
   from the one last read from or saved to its file (the data file of the
   screens that show it, or the memory image for a variable), else 0.  A
   pure query: a host asks it before it closes, restarts or starts another
   session, and offers to save (TABRIX_EVENT_FINISH) when it returns 1.
   A text typed into a field or a choice made and not taken yet counts,
   and so do start values (INIT) and computed values (CALC) that changed a
   parameter; edits the operator discarded in the save prompt do not. */
TABRIX_API uint32_t TabrixModified(void);

/* Copies path, keyword and count of the data file saved last, each text
   whole (at most 80 bytes and the terminator); an empty path means
   nothing has been saved.  out->decimals is not written. */
TABRIX_API uint32_t TabrixLastSavedFile(_REKFILEINFO *out);

/* The memory image that scripts address as variables (M bank.offset):
   10,000 bytes of 32-bit signed cells at byte offsets, in the machine's
   byte order, zero when the library is loaded.  Stores its size in *size
   unless size is null.  A session takes its variables' first values from
   the image and writes them back on a successful finish, so a host may
   fill it before TabrixStart and read it after TabrixCont returned
   TABRIX_CONT_FINISHED.  It lives as long as the library is loaded. */
TABRIX_API uint8_t *TabrixMemoryImage(uint32_t *size);

/* ------------------------------------------------------------------ */
/* Dialog engine                                                       */
/* ------------------------------------------------------------------ */

/* The five dialog calls do nothing and return 0 when dialog or keyb is
   null.  An item whose data record is null, whose path, label or text is
   null, or a list item without a current entry or whose current entry has
   no text, counts as an item of an unknown kind: it is never drawn,
   focused, typed into or pressed by its hot key, and the rest of the
   dialog works as usual.  A title of null means no title bar.  Every walk
   over the item list, along next or prev, ends after 65,536 items, so a
   list whose links loop cannot hang a call; items past that many are not
   seen.  No screen the library loads comes near that many. */

/* Draws the dialog with the given background palette index and gives the
   focus to focus, or to the first button, edit or list item when focus is
   null or an item that cannot be read. */
TABRIX_API uint32_t DialogStart(_DIALOG *dialog, uint8_t background, _ITEM *focus);

/* Hands one key to the dialog.  Returns the result of the button pressed,
   or 0.  A list's choice moves along its entries up to the chain's end or
   an entry without a text. */
TABRIX_API uint32_t DialogCont(_DIALOGKEYB_INFO *keyb, _DIALOG *dialog);

/* Ends a dialog; does nothing. */
TABRIX_API uint32_t DialogStop(_DIALOG *dialog);

/* Redraws the items whose kinds the DLG_MASK_* bits select. */
TABRIX_API uint32_t DialogRefresh(_DIALOG *dialog, uint32_t mask);

/* Redraws the whole dialog. */
TABRIX_API uint32_t DialogRedraw(_DIALOG *dialog);

/* ------------------------------------------------------------------ */
/* Platform layers                                                     */
/* ------------------------------------------------------------------ */

/* Binds the drawing layer to params->hdc.  Copies at most 202 bytes of
   params (fewer when params->size is smaller).  Returns 1 when the surface
   is bound, or when the layer is unbound on purpose by a null hdc (a size
   of 2 or less holds no hdc, which counts as null).  Returns 0, and leaves
   the layer unbound, when params is null, when params->size is 3 to 9 (it
   ends inside hdc; no part of the pointer is kept), or when the surface is
   refused: null pixels, or a pitch that is not a multiple of 4 or is less
   than width * 4. */
TABRIX_API int GDIInit(const _GDI_INIT_PARAMS *params);

/* Keeps a copy of the file layer parameters.  Returns 1. */
TABRIX_API int FSPInit(const _FSP_INIT_PARAMS *params);

/* Selects the message table of a language (TABRIX_LANG_*).  module is
   accepted and not read.  Returns 1, or 0 with no table selected when the
   language has none.  The library selects Czech when it is loaded. */
TABRIX_API int LocalizationInit(const void *module, uint32_t language);

/* Message index of the selected table, as display-character text; null
   when no table is selected or the index is out of range. */
TABRIX_API const char *GetLocString(uint32_t index);

/* The Unicode code point that display byte c shows: ASCII below 0x80
   (with a-grave, e-grave and e-circumflex at 0x03 to 0x05), the Czech
   and Slovak letters of the Kamenicky code page at 0x80 to 0xA9, Greek
   alpha and beta, a few signs, the Polish letters and c-cedilla at 0xAA
   to 0xBF,
   Cyrillic A to ya at 0xC0 to 0xFF.  A host shows the library's texts
   (messages, error texts, screen texts) through it. */
TABRIX_API uint32_t TabrixCharToUnicode(uint8_t c);

#ifdef __cplusplus
}
#endif

#endif
