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

static bool LoaderLineError(_LOADER *L, uint32_t code, uint32_t line) {
    SessionLineError(L->session, code, line, LineReaderPath(&L->reader));
    return false;
}

/* A line of the wrong form; the load ends with a syntax error. */
static bool LoaderBad(_LOADER *L) {
    L->bad = true;
    return true;
}

/* ------------------------------------------------------------------ */
/* Items                                                               */
/* ------------------------------------------------------------------ */

/* Fills the empty item at the end of the screen and puts a new empty one
   behind it. */
static bool LoaderAppend(_LOADER *L, uint32_t kind, void *data, _VALUEREF *ref) {
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

static bool LoaderButton(_LOADER *L, const char *target) {
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
    return LoaderAppend(L, DLG_ITEM_BUTTON, b, nullptr);
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
    char *name = LoaderJoin(LineReaderPath(&L->reader), "*", L->f.second);
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

/* The picture must exist when the script is loaded. */
static bool LoaderBitmap(_LOADER *L) {
    uint32_t handle = 0, size = 0;
    if (FileOpen(L->f.first, FILE_READ, &handle, &size) != FILE_OK) {
        SessionSetError(L->session, MSG_FILE_OPEN_ERROR, L->f.first);
        return false;
    }
    FileClose(handle);
    if (L->f.x < 0 || L->f.y < 0)
        return LoaderBad(L);
    _BITMAP_ITEM *b = LoaderNew<_BITMAP_ITEM>();
    if (b) {
        b->path = L->f.first;
        b->col = LoaderCell(L->f.x);
        b->row = LoaderCell(L->f.y);
    }
    return LoaderAppend(L, DLG_ITEM_BITMAP, b, nullptr);
}

/* A button to a screen of this file. */
static bool LoaderSub(_LOADER *L) {
    LoaderMarkFocus(L);
    char *target = LoaderJoin(LineReaderPath(&L->reader), "*", L->f.second);
    MemoryFree(L->f.second);
    return LoaderButton(L, target);
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
    L->queueTail->next = node;
    L->queueTail = node;
    return true;
}

/* A button to the main screen of another script file, read in this load. */
static bool LoaderScript(_LOADER *L) {
    LoaderMarkFocus(L);
    if (L->dataFile) {
        SessionSetError(L->session, MSG_SCRIPT_WITH_REKFILE, LineReaderPath(&L->reader));
        return false;
    }
    char *target = LoaderJoin(L->f.second, "*", LOADER_MAIN);
    return target && LoaderQueue(L, L->f.second) && LoaderButton(L, target);
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
    if (L->openList == nullptr || !ListEntriesCheck(L->reader.line))
        return LoaderBad(L);
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
        return LoaderBad(L);
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
    if (L->openSign == nullptr || !SignEntriesCheck(L->reader.line))
        return LoaderBad(L);
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
        return LoaderBad(L);
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
    return LoaderEntriesFrom(L, LoaderSignEntries);
}

/* Characters a value field shows: its digits, a sign when it takes one,
   and for REAL the decimal point. */
static uint16_t LoaderEditWidth(uint32_t type, const _LINEFIELDS *f) {
    int32_t width = f->count + (type == LINE_HEX ? 0 : f->sign) + (type == LINE_REAL ? 1 : 0);
    return (uint16_t)width;
}

/* INT, REAL and HEX fields; HEX always names a parameter. */
static bool LoaderEdit(_LOADER *L) {
    if (!LoaderLabel(L))
        return false;
    LoaderMarkFocus(L);
    if (L->f.number < 0 || L->f.count < 0 || L->f.low < 0)
        return LoaderBad(L);
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
    if (f->number < 0 || f->count < 0 || f->low < 0 || f->value == -1)
        return LoaderBad(L);
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
        return LoaderBad(L);
    }
    return true;
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
    ExprEvaluate(L->info, L->session, c->expression);
    if (c->condition)
        ExprEvaluate(L->info, L->session, c->condition);
    /* A full pool stays what it is; any other error is the line's. */
    if (L->session->errorCode == MSG_NO_MEMORY)
        return false;
    if (L->session->errorCode != 0)
        return LoaderBad(L);
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
        return LoaderBad(L);    /* only on line 1, before any DIALOG */
    default:
        return true;
    }
}

/* The data file of this script file; REKFILE must stand on line 1. */
static bool LoaderRekfile(_LOADER *L) {
    const _LINEFIELDS *f = &L->f;
    if (LineReaderLineNumber(&L->reader) != 1) {
        SessionSetError(L->session, MSG_REKFILE_NOT_FIRST, "");
        return false;
    }
    _REKFILEINFO *r = LoaderNew<_REKFILEINFO>();
    if (r == nullptr)
        return false;
    StrCopyN(r->path, f->second, sizeof r->path - 1);
    StrCopyN(r->keyword, f->first, sizeof r->keyword - 1);
    r->count = f->number < 0 ? PARAM_COUNT : (uint32_t)f->number;
    r->decimals = (uint8_t)(f->count < 0 || f->count == 8 ? 3 : f->count);
    L->dataFile = r;
    DataFileRead(L->session, *r, 0);
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
        if (!LoaderSignComplete(L->openChoice))
            return LoaderLineError(L, MSG_SIGN_INCOMPLETE, LineReaderLineNumber(&L->reader) - 1);
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
    if (r == 0) {
        LineClean(line);
        L->type = LineClassify(line);
        if (L->type != LINE_BAD && !ItemParse(line, L->type, &L->f))
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
        return LoaderLineError(L, MSG_SYNTAX_ERROR, LineReaderLineNumber(&L->reader));
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

/* Reads one script file; the caller closes the reader. */
static bool LoaderFile(_LOADER *L, const _SCRIPTNODE *node) {
    LoaderFileReset(L);
    if (LineReaderOpen(&L->reader, node->path, 1) != 0) {
        SessionSetError(L->session, MSG_FILE_OPEN_ERROR, node->path);
        return false;
    }
    int32_t r = LineReaderNextLine(&L->reader);
    while (r == 0 || L->openList || L->openSign) {
        if (!LoaderLine(L, r))
            return false;
        if (r != 0)
            break;
        r = LineReaderNextLine(&L->reader);
    }
    if (r != 1) {
        SessionSetError(L->session, MSG_FILE_READ_ERROR, LineReaderPath(&L->reader));
        return false;
    }
    if (L->curItem == nullptr)
        return LoaderLineError(L, MSG_NOT_IN_DIALOG, LineReaderLineNumber(&L->reader));
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
        SessionSetError(L->session, MSG_MAIN_NOT_FOUND, "");
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

void ScriptLoad(const _TABRIX_INFO *info, _SESSION *session) {
    static _LOADER L;
    L = _LOADER{};
    L.info = info;
    L.session = session;
    const char *script = info->script ? info->script : "";
    session->screens = _SCREEN{};
    L.screenTail = &session->screens;
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
