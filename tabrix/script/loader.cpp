/*
 * loader.cpp - reading a script set into screens.
 *
 * Files are read in queue order, each once, line by line; SCRIPT items
 * append to the queue, so nested files are read breadth-first.  Every item
 * is built into the empty item at the end of its screen's chain, which a
 * DIALOG or the end of the file unlinks again.  The first error ends the
 * load and leaves what was built in the pool.
 */
#include "script/loader.h"

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "common/memory/memory.h"
#include "datafile/datafile.h"
#include "expr/expr.h"
#include "platform/files/files.h"
#include "platform/messages/messages.h"
#include "script/line.h"
#include "script/model.h"
#include "session/edit.h"
#include "session/screen.h"
#include "text/charset.h"
#include "text/linereader.h"
#include "text/number.h"
#include "text/str.h"

#define LOADER_MAIN "DLG_MAIN"
#define LOADER_CELL_MAX 65535   /* columns and rows beyond it are cut to it */

/* The working state of one load, of the file being read and of its line. */
struct _LOADER {
    const _TABRIX_INFO *info;
    _SESSION *session;
    _SCRIPTNODE *queue;         /* every file queued by this load */
    _SCRIPTNODE *queueTail;
    _SCREEN *screenTail;        /* filled by the next DIALOG */
    _LINEREADER reader;
    _SCREEN *curScreen;
    _ITEM *curItem;             /* the empty item filled next; null before a DIALOG */
    _REKFILEINFO *dataFile;
    int32_t lastX;              /* placement defaults */
    int32_t nextY;
    _LIST_ENTRY *openList;      /* last entry of a LIST whose entries may go on */
    _LIST_ENTRY *openSign;      /* entry of a SIGN filled next */
    _ITEM *openChoice;          /* the LIST or SIGN they belong to */
    _INITENTRY *initTail;
    _CALCENTRY *calcTail;
    uint32_t type;
    _LINEFIELDS f;
    bool bad;
    /* Where things are, for the reasons of errors. */
    const char *file;           /* the file being read, as opened */
    char original[LINE_SIZE];   /* the line as read, before cleaning */
    uint16_t columns[LINE_SIZE];/* cleaned index -> index in original */
    size_t cleanLength;
    uint32_t signLine;          /* where the open SIGN stands */
    uint32_t signColumn;
    uint32_t badColumn;         /* where a quoted text went wrong; 0: none */
};

template <class T>
static T *LoaderNew(void) {
    return (T *)AllocZeroed(sizeof(T));
}

static char *LoaderJoin(const char *a, const char *b, const char *c) {
    size_t la = std::strlen(a), lb = std::strlen(b), lc = std::strlen(c);
    char *s = (char *)AllocZeroed((uint32_t)(la + lb + lc + 1));
    if (s) {
        std::memcpy(s, a, la);
        std::memcpy(s + la, b, lb);
        std::memcpy(s + la + lb, c, lc);
    }
    return s;
}

static char *LoaderCopy(const char *text, size_t n) {
    char *s = (char *)AllocZeroed((uint32_t)n + 1);
    if (s)
        std::memcpy(s, text, n);
    return s;
}

static uint16_t LoaderCell(int64_t v) {
    return v > LOADER_CELL_MAX ? LOADER_CELL_MAX : (uint16_t)v;
}

/* The column (from 1) of the file line where at stands in the line
   buffer: the buffer loses characters only at its front once cleaned, so
   its index plus what was lost is the cleaned index.  0 when at is null. */
static uint32_t LoaderColumn(const _LOADER *L, const char *at) {
    if (at == nullptr)
        return 0;
    const char *line = L->reader.line;
    size_t index = L->cleanLength - std::strlen(line) + (size_t)(at - line);
    size_t original = index < L->cleanLength ? L->columns[index]
                      : L->cleanLength > 0 ? L->columns[L->cleanLength - 1] + 1u : 0;
    return LineReaderFileColumn(&L->reader, (uint32_t)original);
}

/* The column of the first character of the line: its keyword. */
static uint32_t LoaderLineColumn(const _LOADER *L) {
    return L->cleanLength > 0 ? LineReaderFileColumn(&L->reader, L->columns[0]) : 0;
}

/* The opening quote of quoted text number text (from 0) of line; null
   when the line has no such text. */
static const char *LoaderTextAt(const char *line, int text) {
    const char *s = line;
    for (int quote = 0; quote < 2 * text; quote++)
        if ((s = std::strchr(s, '"')) == nullptr)
            return nullptr;
        else
            s++;
    return std::strchr(s, '"');
}

/* The column of quoted text number text of the line: its opening quote. */
static uint32_t LoaderTextColumn(const _LOADER *L, int text) {
    const char *at = LoaderTextAt(L->original, text);
    return at ? LineReaderFileColumn(&L->reader, (uint32_t)(at - L->original)) : LoaderLineColumn(L);
}

/* Quoted text number text of a parsed line as the file has it, for a
   file name: the raw line holds every text that the parsed line had (see
   linereader.h).  Its length goes to *length. */
static const char *LoaderRawText(const _LOADER *L, int text, size_t *length) {
    const char *at = LoaderTextAt(L->reader.raw, text) + 1;
    *length = (size_t)(std::strchr(at, '"') - at);
    return at;
}

static void LoaderErrorAt(_LOADER *L, uint32_t column) {
    SessionErrorAt(L->session, L->file, LineReaderFileLine(&L->reader), column);
}

/* An error whose detail text is the line part "Line:N File:X". */
__attribute__((format(printf, 5, 6)))
static bool LoaderLineError(_LOADER *L, uint32_t code, uint32_t line, uint32_t column, const char *why,
                            ...) {
    char reason[ERROR_REASON_SIZE];
    va_list args;
    va_start(args, why);
    std::vsnprintf(reason, sizeof reason, why, args);
    va_end(args);
    SessionLineError(L->session, code, line, L->file, "%s", reason);
    LoaderErrorAt(L, column);
    return false;
}

/* A line of the wrong form; the load ends with a syntax error. */
__attribute__((format(printf, 3, 4)))
static bool LoaderBad(_LOADER *L, const char *at, const char *why, ...) {
    va_list args;
    va_start(args, why);
    std::vsnprintf(L->f.why, sizeof L->f.why, why, args);
    va_end(args);
    L->f.badAt = at;
    L->bad = true;
    return true;
}

/* The syntax error of a bad line.  A line past 1,022 characters is read
   in pieces, and what goes wrong in them is that length. */
static bool LoaderSyntaxError(_LOADER *L) {
    uint32_t line = LineReaderLineNumber(&L->reader);
    if (LineReaderLong(&L->reader))
        return LoaderLineError(L, MSG_SYNTAX_ERROR, line, LINE_MAX_LENGTH + 1,
                               "the line is longer than 1,022 characters");
    uint32_t column = L->badColumn         ? L->badColumn
                      : L->f.badAt != nullptr ? LoaderColumn(L, L->f.badAt)
                                              : LoaderLineColumn(L);
    return LoaderLineError(L, MSG_SYNTAX_ERROR, line, column, "%s", L->f.why);
}

/* ------------------------------------------------------------------ */
/* Items                                                               */
/* ------------------------------------------------------------------ */

/* Fills the empty item at the end of the screen and puts a new empty one
   behind it. */
static bool LoaderAppend(_LOADER *L, uint32_t kind, void *data, void *ref) {
    _ITEM *next = LoaderNew<_ITEM>();
    if (data == nullptr || next == nullptr)
        return false;
    _ITEM *item = L->curItem;
    item->kind = kind;
    item->data = data;
    item->valueRef = ref;
    item->next = next;
    next->prev = item;
    L->curItem = next;
    return true;
}

/* An item marked A gets the focus when the screen opens. */
static void LoaderMarkFocus(_LOADER *L) {
    if (L->f.focus)
        L->curScreen->focusItem = L->curItem;
}

static bool LoaderTextItem(_LOADER *L, const char *text, int64_t col, int64_t row) {
    _TEXT_ITEM *t = LoaderNew<_TEXT_ITEM>();
    if (t) {
        t->text = text;
        t->col = LoaderCell(col);
        t->row = LoaderCell(row);
    }
    return LoaderAppend(L, DLG_ITEM_TEXT, t, nullptr);
}

static bool LoaderButton(_LOADER *L, const char *target, _LINKSOURCE *source) {
    _BUTTON_ITEM *b = LoaderNew<_BUTTON_ITEM>();
    if (target == nullptr || b == nullptr)
        return false;
    b->label = L->f.first;
    b->col = LoaderCell(L->f.x);
    b->row = LoaderCell(L->f.y);
    b->width = (uint16_t)std::strlen(L->f.first);
    b->hotKey = 0xFF;
    b->result = 1;
    b->target = target;
    return LoaderAppend(L, DLG_ITEM_BUTTON, b, source);
}

/* The label of a value or choice item stands at (X, Y); the item itself
   moves right of it. */
static bool LoaderLabel(_LOADER *L) {
    const char *label = L->f.first;
    if (label[0] == '\0')
        return true;
    if (!LoaderTextItem(L, label, L->f.x, L->f.y))
        return false;
    int64_t x = (int64_t)L->f.x + (int64_t)std::strlen(label) + 1;
    L->f.x = x > INT32_MAX ? INT32_MAX : (int32_t)x;
    return true;
}

/* The binding of a field to its parameter or, with a bank, its variable. */
static _VALUEREF *LoaderValueRef(_LOADER *L, uint32_t flags, bool variables) {
    _VALUEREF *ref = LoaderNew<_VALUEREF>();
    if (ref == nullptr)
        return nullptr;
    ref->number = (uint32_t)L->f.number;
    ref->flags = flags;
    if (variables && L->f.bank >= 1) {
        ref->flags |= VALUEREF_VARIABLE;
        VariableRegister(ref->number);
        if (L->session->errorCode != 0)
            return nullptr;
    }
    return ref;
}

/* Removes everything before the entries of a LIST or SIGN line and reads
   them, if any remain. */
static bool LoaderEntriesFrom(_LOADER *L, bool (*entries)(_LOADER *)) {
    char *line = L->reader.line;
    StrDelete(line, 0, StrIndexOf(line, "V"), nullptr);
    return line[0] == '\0' || entries(L);
}

/* The quoted text at s, moved into a new block; s moves past it. */
static char *LoaderEntryText(const char **s, uint16_t *width) {
    const char *start = *s + 1;
    const char *end = std::strchr(start, '"');
    size_t n = (size_t)(end - start);
    if (n > *width)
        *width = (uint16_t)n;
    *s = end + 1;
    return LoaderCopy(start, n);
}

/* ------------------------------------------------------------------ */
/* Building by type                                                    */
/* ------------------------------------------------------------------ */

static bool LoaderDialog(_LOADER *L) {
    L->lastX = 0;
    L->nextY = 0;
    char *name = LoaderJoin(L->file, "*", L->f.second);
    MemoryFree(L->f.second);
    if (name == nullptr)
        return false;
    if (L->curItem && L->curItem->prev)
        L->curItem->prev->next = nullptr;
    _DIALOG *d = LoaderNew<_DIALOG>();
    _ITEM *first = LoaderNew<_ITEM>();
    _SCREEN *next = LoaderNew<_SCREEN>();
    if (d == nullptr || first == nullptr || next == nullptr)
        return false;
    d->title = L->f.first;
    d->left = L->info->left;
    d->top = L->info->top;
    d->right = L->info->right;
    d->bottom = L->info->bottom;
    d->firstItem = first;
    _SCREEN *s = L->screenTail;
    s->name = name;
    s->dialog = d;
    s->dataFile = L->dataFile;
    s->next = next;
    L->curItem = first;
    L->curScreen = s;
    L->screenTail = next;
    L->initTail = nullptr;
    L->calcTail = nullptr;
    return true;
}

/* Quoted text number text as the file has it, in a new block. */
static char *LoaderRawCopy(const _LOADER *L, int text) {
    size_t length;
    const char *raw = LoaderRawText(L, text, &length);
    return LoaderCopy(raw, length);
}

/* The picture must exist when the script is loaded.  It is opened by the
   name the script wrote, and named in messages as the line shows it. */
static bool LoaderBitmap(_LOADER *L) {
    char *path = LoaderRawCopy(L, 0);
    uint32_t handle = 0, size = 0;
    if (path == nullptr)
        return false;
    if (FileOpen(path, FILE_READ, &handle, &size) != FILE_OK) {
        SessionSetError(L->session, MSG_FILE_OPEN_ERROR, L->f.first, "cannot open the bitmap %s: %s",
                        L->f.first, FileErrorText());
        LoaderErrorAt(L, LoaderLineColumn(L));
        return false;
    }
    FileClose(handle);
    MemoryFree(L->f.first);
    if (L->f.x < 0 || L->f.y < 0)
        return LoaderBad(L, nullptr, "BITMAP needs its column X and row Y");
    _BITMAP_ITEM *b = LoaderNew<_BITMAP_ITEM>();
    if (b) {
        b->path = path;
        b->col = LoaderCell(L->f.x);
        b->row = LoaderCell(L->f.y);
    }
    return LoaderAppend(L, DLG_ITEM_BITMAP, b, nullptr);
}

/* A button to a screen of this file; where it stands is kept, to report
   a screen that is missing when it is pressed. */
static bool LoaderSub(_LOADER *L) {
    LoaderMarkFocus(L);
    char *target = LoaderJoin(L->file, "*", L->f.second);
    MemoryFree(L->f.second);
    _LINKSOURCE *source = LoaderNew<_LINKSOURCE>();
    if (source == nullptr)
        return false;
    source->line = LineReaderFileLine(&L->reader);
    source->column = LoaderLineColumn(L);
    return LoaderButton(L, target, source);
}

/* Queues a script file unless this load has queued it already, which also
   ends SCRIPT cycles.  The path is kept, or freed when not needed. */
static bool LoaderQueue(_LOADER *L, char *path) {
    for (_SCRIPTNODE *n = L->queue; n; n = n->next) {
        if (std::strcmp(n->path, path) == 0) {
            MemoryFree(path);
            return true;
        }
    }
    _SCRIPTNODE *node = LoaderNew<_SCRIPTNODE>();
    if (node == nullptr)
        return false;
    node->path = path;
    node->from = L->file;
    node->line = LineReaderFileLine(&L->reader);
    node->column = LoaderLineColumn(L);
    L->queueTail->next = node;
    L->queueTail = node;
    return true;
}

/* A SCRIPT target is a quoted text of one line, at most 3 bytes a
   character: the platform takes it whatever its length.  A longer name
   stands on a line longer than 1,022 characters, which fails the load. */
static_assert(LINE_RAW_SIZE <= PATH_MAX, "a SCRIPT target always fits a path");

/* A button to the main screen of another script file, read in this load.
   The file is named as the script wrote it. */
static bool LoaderScript(_LOADER *L) {
    LoaderMarkFocus(L);
    if (L->dataFile) {
        char shown[ERROR_FILE_SIZE];
        SessionSetError(L->session, MSG_SCRIPT_WITH_REKFILE, CharShowName(shown, L->file, sizeof shown),
                        "SCRIPT is not allowed in a script file that has a REKFILE");
        LoaderErrorAt(L, LoaderLineColumn(L));
        return false;
    }
    MemoryFree(L->f.second);
    char *path = LoaderRawCopy(L, 1);
    char *target = path ? LoaderJoin(path, "*", LOADER_MAIN) : nullptr;
    return target && LoaderQueue(L, path) && LoaderButton(L, target, nullptr);
}

/* Where a text is cut for a row of width characters: the piece's length,
   and how far the rest begins (past a blank that ends the piece). */
static void LoaderWrapCut(const char *text, int32_t width, size_t *piece, size_t *skip) {
    size_t length = std::strlen(text), w = (size_t)width;
    *piece = *skip = length < w ? length : w;
    if (length < w)
        return;
    for (size_t k = w; k >= 1; k--) {
        if (text[k] == ' ') {
            *piece = k;
            *skip = k + 1;
            return;
        }
    }
}

/* Static text, wrapped at the right edge of the session rectangle: without
   A only the first piece is shown. */
static bool LoaderText(_LOADER *L) {
    int64_t width = ((int32_t)L->info->right - (int32_t)L->info->left - 10) / 8 - (int64_t)L->f.x;
    const char *text = L->f.first;
    int64_t row = L->f.y;
    while (width >= 0 && *text) {
        size_t piece, skip;
        LoaderWrapCut(text, (int32_t)(width > INT32_MAX ? INT32_MAX : width), &piece, &skip);
        char *copy = LoaderCopy(text, piece);
        if (copy == nullptr || !LoaderTextItem(L, copy, L->f.x, row))
            return false;
        text += skip;
        row++;
        L->nextY = row > INT32_MAX ? INT32_MAX : (int32_t)row;
        /* A row of no width would never use up the text. */
        if (!L->f.focus || width == 0)
            break;
    }
    MemoryFree(L->f.first);
    return true;
}

static bool LoaderListEntries(_LOADER *L) {
    const char *s = L->reader.line;
    const char *why = "";
    if (L->openList == nullptr)
        return LoaderBad(L, s, "LIST entries with no LIST before them");
    if (!ListEntriesCheck(L->reader.line, &why))
        return LoaderBad(L, nullptr, "%s", why);
    _LIST_ITEM *list = (_LIST_ITEM *)L->openChoice->data;
    while (*s) {
        int32_t value;
        s += StrParseInt(s, &value);
        _LIST_ENTRY *e = LoaderNew<_LIST_ENTRY>();
        if (e == nullptr || (e->text = LoaderEntryText(&s, &list->width)) == nullptr)
            return false;
        e->value = value;
        /* Moving back never reaches the "???" entry. */
        e->prev = L->openList == list->first ? nullptr : L->openList;
        L->openList->next = e;
        L->openList = e;
    }
    return true;
}

static bool LoaderList(_LOADER *L) {
    if (!LoaderLabel(L))
        return false;
    LoaderMarkFocus(L);
    if (L->f.number < 0)
        return LoaderBad(L, nullptr, "LIST needs a parameter or variable: C, R or M");
    _VALUEREF *ref = LoaderValueRef(L, ValueRefFlags(LINE_LIST, L->f.low, L->f.count, L->f.sign), true);
    _LIST_ITEM *list = LoaderNew<_LIST_ITEM>();
    _LIST_ENTRY *none = LoaderNew<_LIST_ENTRY>();
    if (ref == nullptr || list == nullptr || none == nullptr)
        return false;
    none->text = MessageText(MSG_NO_ENTRY);
    none->value = -1;
    list->col = LoaderCell(L->f.x);
    list->row = LoaderCell(L->f.y);
    list->width = (uint16_t)std::strlen(none->text);
    list->current = list->first = none;
    _ITEM *item = L->curItem;
    if (!LoaderAppend(L, DLG_ITEM_LIST, list, ref))
        return false;
    L->openChoice = item;
    L->openList = none;
    return LoaderEntriesFrom(L, LoaderListEntries);
}

/* Each entry is written into the waiting entry, which is linked into the
   chain only then, so the chain ends at the last written entry. */
static bool LoaderSignEntries(_LOADER *L) {
    const char *s = L->reader.line;
    const char *why = "";
    if (L->openSign == nullptr)
        return LoaderBad(L, s, "SIGN entries with no SIGN before them");
    if (!SignEntriesCheck(L->reader.line, &why))
        return LoaderBad(L, nullptr, "%s", why);
    _LIST_ITEM *list = (_LIST_ITEM *)L->openChoice->data;
    while (*s) {
        _LIST_ENTRY *e = L->openSign;
        e->value = *s++ == '+' ? 1 : -1;
        if ((e->text = LoaderEntryText(&s, &list->width)) == nullptr)
            return false;
        if (e->prev)
            e->prev->next = e;
        _LIST_ENTRY *waiting = LoaderNew<_LIST_ENTRY>();
        if (waiting == nullptr)
            return false;
        waiting->text = LineNoText;
        waiting->prev = e;
        L->openSign = waiting;
    }
    return true;
}

static bool LoaderSign(_LOADER *L) {
    if (!LoaderLabel(L))
        return false;
    LoaderMarkFocus(L);
    if (L->f.number < 0)
        return LoaderBad(L, nullptr, "SIGN needs a parameter: C or R");
    _VALUEREF *ref = LoaderValueRef(L, ValueRefFlags(LINE_SIGN, 0, 0, 0), false);
    _LIST_ITEM *list = LoaderNew<_LIST_ITEM>();
    _LIST_ENTRY *first = LoaderNew<_LIST_ENTRY>();
    if (ref == nullptr || list == nullptr || first == nullptr)
        return false;
    first->text = LineNoText;
    first->value = -1;
    list->col = LoaderCell(L->f.x);
    list->row = LoaderCell(L->f.y);
    list->current = first;
    _ITEM *item = L->curItem;
    if (!LoaderAppend(L, DLG_ITEM_LIST, list, ref))
        return false;
    L->openChoice = item;
    L->openSign = first;
    L->signLine = LineReaderFileLine(&L->reader);
    L->signColumn = LoaderLineColumn(L);
    return LoaderEntriesFrom(L, LoaderSignEntries);
}

/* Characters a value field shows: its digits, a sign when it takes one,
   and for REAL the decimal point. */
static uint16_t LoaderEditWidth(uint32_t type, const _LINEFIELDS *f) {
    int32_t width = f->count + (type == LINE_HEX ? 0 : f->sign) + (type == LINE_REAL ? 1 : 0);
    return (uint16_t)width;
}

static const char *LoaderKeyword(uint32_t type) {
    switch (type) {
    case LINE_INT: return "INT";
    case LINE_REAL: return "REAL";
    case LINE_HEX: return "HEX";
    default: return "INIT";
    }
}

/* A value item and an INIT need a reference and a whole digit field;
   false when the line is bad for lack of one. */
static bool LoaderDigitFieldGiven(_LOADER *L, const char *keyword, const char *references) {
    if (L->f.number < 0)
        return !LoaderBad(L, nullptr, "%s needs a parameter or variable: %s", keyword, references);
    if (L->f.count < 0 || L->f.low < 0)
        return !LoaderBad(L, nullptr, "%s needs a whole digit field: L with N or H, or H with N",
                          keyword);
    return true;
}

/* INT, REAL and HEX fields; HEX always names a parameter. */
static bool LoaderEdit(_LOADER *L) {
    if (!LoaderLabel(L))
        return false;
    LoaderMarkFocus(L);
    if (!LoaderDigitFieldGiven(L, LoaderKeyword(L->type), L->type == LINE_HEX ? "C or R" : "C, R or M"))
        return true;
    _VALUEREF *ref = LoaderValueRef(L, ValueRefFlags(L->type, L->f.low, L->f.count, L->f.sign),
                                    L->type != LINE_HEX);
    _EDIT_ITEM *e = LoaderNew<_EDIT_ITEM>();
    if (ref == nullptr || e == nullptr)
        return false;
    e->width = LoaderEditWidth(L->type, &L->f);
    e->col = LoaderCell(L->f.x);
    e->row = LoaderCell(L->f.y);
    e->text = (char *)AllocZeroed(EDIT_TEXT_SIZE);
    return e->text && LoaderAppend(L, DLG_ITEM_EDIT, e, ref);
}

/* A start value; I -1 counts as missing. */
static bool LoaderInit(_LOADER *L) {
    const _LINEFIELDS *f = &L->f;
    if (!LoaderDigitFieldGiven(L, "INIT", "C, R or M"))
        return true;
    if (f->value == -1)
        return LoaderBad(L, nullptr, "INIT needs a value I (-1 counts as none)");
    _INITENTRY *e = LoaderNew<_INITENTRY>();
    if (e == nullptr)
        return false;
    e->target = (uint32_t)f->number;
    e->start = f->low;
    e->count = f->count;
    e->value = f->value;
    if (f->bank >= 1) {
        e->flags = INIT_VARIABLE;
        VariableRegister(e->target);
    }
    if (L->initTail)
        L->initTail->next = e;
    else
        L->curScreen->inits = e;
    L->initTail = e;
    return L->session->errorCode == 0;
}

/* Formulas are kept in upper case without blanks and tabs. */
static void LoaderFormula(char *text) {
    char *w = text;
    for (const char *r = text; *r; r++)
        if (*r != ' ' && *r != '\t')
            *w++ = CharUpper(*r);
    *w = '\0';
}

/* Where a CALC result goes: a parameter, a real slot or a variable. */
static bool LoaderCalcTarget(_LOADER *L, _CALCENTRY *c) {
    const _LINEFIELDS *f = &L->f;
    if (f->bank != 0) {
        c->flags |= CALC_TARGET_VARIABLE;
        c->target = (uint32_t)f->number;
        VariableRegister(c->target);
        return L->session->errorCode == 0;
    }
    if (f->number >= 0) {
        c->flags |= CALC_TARGET_PARAM;
        c->target = (uint32_t)f->number;
    } else if (f->slot >= 0) {
        c->flags |= CALC_TARGET_SLOT;
        c->target = (uint32_t)f->slot;
    } else {
        return LoaderBad(L, nullptr, "CALC needs a target: C, R, M or D");
    }
    return true;
}

/* Where character index of the formula or condition stands: the loader
   keeps them without blanks and tabs, the line has them.  text is the
   text's index among the quoted texts of the line (0 or 1). */
static const char *LoaderFormulaAt(_LOADER *L, int text, size_t index) {
    const char *s = LoaderTextAt(L->original, text);
    if (s == nullptr)
        return nullptr;
    for (s++; *s && *s != '"'; s++)
        if (*s != ' ' && *s != '\t' && index-- == 0)
            break;
    return s;
}

/* The column of a formula's fault: the evaluator counts in the text it
   was given. */
static uint32_t LoaderFormulaColumn(_LOADER *L, int text, size_t index) {
    const char *at = LoaderFormulaAt(L, text, index);
    return at ? LineReaderFileColumn(&L->reader, (uint32_t)(at - L->original)) : LoaderLineColumn(L);
}

/* Evaluates a CALC text once; false with the line bad when it does not
   evaluate. */
static bool LoaderFormulaCheck(_LOADER *L, int text, const char *expression) {
    size_t at = 0;
    ExprEvaluateAt(L->info, L->session, expression, &at);
    if (L->session->errorCode == 0 || L->session->errorCode == MSG_NO_MEMORY)
        return L->session->errorCode == 0;
    char why[ERROR_REASON_SIZE];
    StrCopyN(why, L->session->place.reason, sizeof why);
    L->session->errorCode = 0;
    LoaderBad(L, nullptr, "CALC %s: %s", text == 0 ? "formula" : "condition", why);
    L->badColumn = LoaderFormulaColumn(L, text, at);
    return false;
}

/* A computed value; both texts are evaluated once to find their errors and
   to register the variables they name. */
static bool LoaderCalc(_LOADER *L) {
    LoaderFormula(L->f.first);
    LoaderFormula(L->f.second);
    _CALCENTRY *c = LoaderNew<_CALCENTRY>();
    if (c == nullptr)
        return false;
    c->flags = L->f.focus ? CALC_ON_ENTRY : 0;
    c->expression = L->f.first;
    c->condition = L->f.second[0] ? L->f.second : nullptr;
    if (L->calcTail)
        L->calcTail->next = c;
    else
        L->curScreen->calcs = c;
    L->calcTail = c;
    /* A full pool stays what it is; any other error is the line's. */
    if (!LoaderFormulaCheck(L, 0, c->expression) ||
        (c->condition && !LoaderFormulaCheck(L, 1, c->condition)))
        return L->session->errorCode == 0;
    return LoaderCalcTarget(L, c);
}

static bool LoaderBuild(_LOADER *L) {
    switch (L->type) {
    case LINE_DIALOG:
        return LoaderDialog(L);
    case LINE_BITMAP:
        return LoaderBitmap(L);
    case LINE_SUB:
        return LoaderSub(L);
    case LINE_SCRIPT:
        return LoaderScript(L);
    case LINE_TEXT:
        return LoaderText(L);
    case LINE_LIST:
        return LoaderList(L);
    case LINE_NUMBER_LINE:
        return LoaderListEntries(L);
    case LINE_INT:
    case LINE_REAL:
    case LINE_HEX:
        return LoaderEdit(L);
    case LINE_SIGN:
        return LoaderSign(L);
    case LINE_SIGN_LINE:
        return LoaderSignEntries(L);
    case LINE_INIT:
        return LoaderInit(L);
    case LINE_CALC:
        return LoaderCalc(L);
    case LINE_REKFILE:
        return LoaderBad(L, nullptr, "REKFILE must stand on line 1");    /* before any DIALOG */
    default:
        return true;
    }
}

/* Whether the word and the path (of pathLength bytes) of a REKFILE fit
   its record, which never cuts them; else the line is bad at the text. */
static bool LoaderRekfileFits(_LOADER *L, size_t pathLength) {
    const size_t room = sizeof(_REKFILEINFO::path) - 1;
    static_assert(sizeof(_REKFILEINFO::keyword) == sizeof(_REKFILEINFO::path));
    int text = 1;
    if (std::strlen(L->f.first) > room) {
        text = 0;
        LoaderBad(L, nullptr, "the initializing word is longer than %zu bytes", room);
    } else if (pathLength == 0) {
        LoaderBad(L, nullptr, "REKFILE needs a data file path");
    } else if (pathLength > room) {
        LoaderBad(L, nullptr, "the data file path is longer than %zu bytes", room);
    } else {
        return true;
    }
    L->badColumn = LoaderTextColumn(L, text);
    return false;
}

/* The data file of this script file; REKFILE must stand on line 1.  The
   path is the name the script wrote. */
static bool LoaderRekfile(_LOADER *L) {
    const _LINEFIELDS *f = &L->f;
    if (LineReaderLineNumber(&L->reader) != 1) {
        SessionSetError(L->session, MSG_REKFILE_NOT_FIRST, "",
                        "REKFILE must stand on line 1 of its script file");
        LoaderErrorAt(L, LoaderLineColumn(L));
        return false;
    }
    size_t length;
    const char *path = LoaderRawText(L, 1, &length);
    if (!LoaderRekfileFits(L, length))
        return true;
    _REKFILEINFO *r = LoaderNew<_REKFILEINFO>();
    if (r == nullptr)
        return false;
    std::memcpy(r->path, path, length);
    StrCopyN(r->keyword, f->first, sizeof r->keyword);
    r->count = f->number < 0 ? PARAM_COUNT : (uint32_t)f->number;
    r->decimals = (uint8_t)(f->count < 0 || f->count == 8 ? 3 : f->count);
    L->dataFile = r;
    DataFileRead(L->session, *r);
    return L->session->errorCode == 0;
}

/* ------------------------------------------------------------------ */
/* Lines and files                                                     */
/* ------------------------------------------------------------------ */

static bool LoaderPlaced(uint32_t type) {
    switch (type) {
    case LINE_SUB: case LINE_SCRIPT: case LINE_TEXT: case LINE_LIST:
    case LINE_INT: case LINE_REAL: case LINE_SIGN: case LINE_HEX:
        return true;
    default:
        return false;
    }
}

/* A missing X takes the previous item's column, a missing Y the row after
   the previous item's. */
static void LoaderPlace(_LOADER *L) {
    _LINEFIELDS *f = &L->f;
    if (f->x < 0)
        f->x = L->lastX;
    L->lastX = f->x;
    if (f->y < 0)
        f->y = L->nextY;
    L->nextY = f->y == INT32_MAX ? INT32_MAX : f->y + 1;
}

static bool LoaderSignComplete(const _ITEM *item) {
    bool plus = false, minus = false;
    for (const _LIST_ENTRY *e = ((const _LIST_ITEM *)item->data)->current; e; e = e->next) {
        plus |= e->value == 1;
        minus |= e->value == -1;
    }
    return plus && minus;
}

/* A LIST or SIGN ends at the first line that does not continue it. */
static bool LoaderCloseChoices(_LOADER *L) {
    if (L->openList && L->type != LINE_NUMBER_LINE && L->type != LINE_EMPTY) {
        ChoiceSelect(L->openChoice);
        L->openList = nullptr;
    }
    if (L->openSign && L->type != LINE_SIGN_LINE && L->type != LINE_EMPTY) {
        if (!LoaderSignComplete(L->openChoice)) {
            LoaderLineError(L, MSG_SIGN_INCOMPLETE, LineReaderLineNumber(&L->reader) - 1, 0,
                            "SIGN needs both a \"+\" and a \"-\" entry");
            SessionErrorAt(L->session, nullptr, L->signLine, L->signColumn);
            return false;
        }
        ChoiceSelect(L->openChoice);
        L->openSign = nullptr;
    }
    return true;
}

/* One line; r is what reading it gave (0: a line, else the end). */
static bool LoaderLine(_LOADER *L, int32_t r) {
    char *line = L->reader.line;
    L->type = LINE_BAD;
    L->bad = false;
    L->f = _LINEFIELDS{};
    L->badColumn = 0;
    if (r == 0) {
        StrCopyN(L->original, line, sizeof L->original);
        LineClean(line, L->columns);
        L->cleanLength = std::strlen(line);
        L->type = LineClassify(line);
        if (L->type == LINE_BAD)
            LineBadWhy(line, &L->f);
        else if (!ItemParse(line, L->type, &L->f))
            L->type = LINE_BAD;
        if (LoaderPlaced(L->type))
            LoaderPlace(L);
    }
    if (!LoaderCloseChoices(L))
        return false;
    if (r != 0)
        return true;
    if (L->session->errorCode != 0)
        return false;
    if ((L->curItem || L->type == LINE_DIALOG) && !LoaderBuild(L))
        return false;
    if (L->type == LINE_REKFILE && !LoaderRekfile(L))
        return false;
    if (L->bad || L->type == LINE_BAD)
        return LoaderSyntaxError(L);
    return true;
}

static void LoaderFileReset(_LOADER *L) {
    L->curScreen = nullptr;
    L->curItem = nullptr;
    L->dataFile = nullptr;
    L->openList = L->openSign = nullptr;
    L->openChoice = nullptr;
    L->lastX = L->nextY = 0;
}

/* A script file that cannot be opened: a file named by a SCRIPT line is
   reported at that line. */
static bool LoaderOpenError(_LOADER *L, const _SCRIPTNODE *node) {
    char shown[ERROR_FILE_SIZE];
    CharShowName(shown, node->path, sizeof shown);
    SessionSetError(L->session, MSG_FILE_OPEN_ERROR, shown, "cannot open %s: %s", shown, FileErrorText());
    if (node->from != nullptr)
        SessionErrorAt(L->session, node->from, node->line, node->column);
    else
        SessionErrorAt(L->session, node->path, 0, 0);
    return false;
}

/* One line and what it built; an error that no one placed (a full pool)
   is placed at the line. */
static bool LoaderLineRead(_LOADER *L, int32_t r) {
    if (LoaderLine(L, r))
        return true;
    if (!SessionErrorPlaced(L->session))
        LoaderErrorAt(L, 0);
    return false;
}

/* Reads one script file; the caller closes the reader. */
static bool LoaderFile(_LOADER *L, const _SCRIPTNODE *node) {
    LoaderFileReset(L);
    L->file = node->path;
    if (LineReaderOpen(&L->reader, node->path, 1) != 0)
        return LoaderOpenError(L, node);
    int32_t r = LineReaderNextLine(&L->reader);
    while (r == 0 || L->openList || L->openSign) {
        if (!LoaderLineRead(L, r))
            return false;
        if (r != 0)
            break;
        r = LineReaderNextLine(&L->reader);
    }
    if (r != 1) {
        char shown[ERROR_FILE_SIZE];
        CharShowName(shown, node->path, sizeof shown);
        SessionSetError(L->session, MSG_FILE_READ_ERROR, shown, "cannot read %s: %s", shown,
                        FileErrorText());
        SessionErrorAt(L->session, node->path, 0, 0);
        return false;
    }
    if (L->curItem == nullptr) {
        LoaderLineError(L, MSG_NOT_IN_DIALOG, LineReaderLineNumber(&L->reader), 0,
                        "the script file has no DIALOG line");
        SessionErrorAt(L->session, nullptr, 0, 0);
        return false;
    }
    if (L->curItem->prev)
        L->curItem->prev->next = nullptr;
    return true;
}

static void LoaderQueueFree(_LOADER *L) {
    for (_SCRIPTNODE *n = L->queue, *next; n; n = next) {
        next = n->next;
        MemoryFree(n->path);
        MemoryFree(n);
    }
    L->queue = nullptr;
}

/* Makes "DLG_MAIN" of the first file current and shows it, its data file
   always read. */
static void LoaderEnterMain(_LOADER *L, const char *script) {
    char *name = LoaderJoin(script, "*", LOADER_MAIN);
    if (name == nullptr)
        return;
    _SCREEN *s = ScreenFind(name);
    MemoryFree(name);
    if (s->dialog == nullptr) {
        SessionSetError(L->session, MSG_MAIN_NOT_FOUND, "",
                        "no DIALOG line names the screen DLG_MAIN (in capitals)");
        SessionErrorAt(L->session, script, 0, 0);
        return;
    }
    _SCREENLINK *link = LoaderNew<_SCREENLINK>();
    if (link == nullptr)
        return;
    link->screen = s;
    L->session->current = s;
    L->session->stack = link;
    ScreenEnter(L->info, L->session, s, false);
}

/* The host's script path must be one the platform can open. */
static bool LoaderScriptFits(_LOADER *L, const char *script) {
    if (std::strlen(script) < PATH_MAX)
        return true;
    SessionSetError(L->session, MSG_FILE_OPEN_ERROR, script, "the script path is longer than %d bytes",
                    PATH_MAX - 1);
    return false;
}

void ScriptLoad(const _TABRIX_INFO *info, _SESSION *session) {
    static _LOADER L;
    L = _LOADER{};
    L.info = info;
    L.session = session;
    const char *script = info->script ? info->script : "";
    session->screens = _SCREEN{};
    L.screenTail = &session->screens;
    if (!LoaderScriptFits(&L, script))
        return;
    L.queue = L.queueTail = LoaderNew<_SCRIPTNODE>();
    session->variables = LoaderNew<_VARIABLE>();
    if (L.queue == nullptr || session->variables == nullptr ||
        (L.queue->path = LoaderCopy(script, std::strlen(script))) == nullptr)
        return;
    bool ok = true;
    for (const _SCRIPTNODE *n = L.queue; n && ok; n = n->next) {
        ok = LoaderFile(&L, n);
        LineReaderClose(&L.reader);
    }
    LoaderQueueFree(&L);
    if (ok)
        LoaderEnterMain(&L, script);
}
