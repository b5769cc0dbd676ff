/*
 * prompts.cpp - the session's own screens.
 */
#include "session/prompts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "dialog/dialog.h"
#include "platform/draw/draw.h"
#include "platform/messages/messages.h"
#include "session/edit.h"
#include "session/session.h"
#include "text/charset.h"
#include "text/number.h"
#include "text/str.h"

#define LOADING_TEXT_COLUMNS 50
#define ERROR_BOX_PADDING 32    /* pixels beside the text column */
#define ERROR_BOX_HEIGHT 64     /* title and message */
#define ERROR_BOX_DETAIL 16     /* a line more for the detail text */
#define ERROR_BOX_INDENT 16
#define ERROR_BOX_MESSAGE_Y 32

char ManualNumberText[MANUAL_TEXT_SIZE];
char ManualValueText[MANUAL_TEXT_SIZE];

void ManualSettingReset(void) {
    StrCopyN(ManualNumberText, "0", sizeof ManualNumberText);
    ManualValueText[0] = '\0';
}

void LoadingNoticeShow(const _TABRIX_INFO *info) {
    GDISetClip(info->left, info->top, info->right, info->bottom);
    GDISetColor(GDI_GREY, GDI_GREY);
    GDIFillRect(info->left, info->top, info->right, info->bottom);
    GDISetTextAttr(info->left + 1, info->top, LOADING_TEXT_COLUMNS, 1, GDI_BLACK, GDI_GREY, 0);
    GDIText(MessageText(MSG_LOADING));
}

int32_t ErrorBoxColumns(const char *message, const char *text) {
    size_t longest = std::max(std::strlen(message), std::strlen(text));
    size_t columns = std::min<size_t>(longest, ERROR_BOX_COLUMNS);
    return (int32_t)std::max(columns, std::strlen(MessageText(MSG_ERROR)));
}

/* One line of the box, white on red, cut to columns characters. */
static void ErrorBoxLine(int32_t x, int32_t y, const char *text, int32_t columns) {
    uint32_t width = (uint32_t)std::min<size_t>(std::strlen(text), (size_t)columns);
    GDISetTextAttr(x, y, width, 1, GDI_WHITE, GDI_RED, 0);
    GDIText(text);
}

void ErrorScreenShow(const _TABRIX_INFO *info, const _SESSION *session) {
    const char *title = MessageText(MSG_ERROR);
    const char *message = MessageText(session->errorCode);
    const char *detail = session->errorText;
    const char *reason = session->place.reason;
    int32_t columns = std::max(ErrorBoxColumns(message, detail), ErrorBoxColumns(message, reason));
    int32_t width = columns * GDI_FONT_WIDTH + ERROR_BOX_PADDING;
    int32_t height = ERROR_BOX_HEIGHT + (detail[0] ? ERROR_BOX_DETAIL : 0) +
                     (reason[0] ? ERROR_BOX_DETAIL : 0);
    int32_t left = info->left, top = info->top, right = info->right, bottom = info->bottom;
    int32_t boxLeft = left + (right - left - width) / 2;
    int32_t boxTop = top + (bottom - top - height) / 2;

    /* The box belongs to the whole session rectangle, not to the dialog
       that may have set the clip last. */
    GDISetClip(left, top, right, bottom);
    GDISetColor(GDI_RED, GDI_RED);
    GDIFillRect(boxLeft, boxTop, boxLeft + width - 1, boxTop + height - 1);
    int32_t titleLength = (int32_t)std::strlen(title);
    ErrorBoxLine(left + (right - left - GDI_FONT_WIDTH * titleLength) / 2, boxTop, title, titleLength);
    ErrorBoxLine(boxLeft + ERROR_BOX_INDENT, boxTop + ERROR_BOX_MESSAGE_Y, message, columns);
    int32_t y = boxTop + ERROR_BOX_MESSAGE_Y + ERROR_BOX_DETAIL;
    if (detail[0]) {
        ErrorBoxLine(boxLeft + ERROR_BOX_INDENT, y, detail, columns);
        y += ERROR_BOX_DETAIL;
    }
    /* Why, under the detail text, in the words of the reason record. */
    if (reason[0])
        ErrorBoxLine(boxLeft + ERROR_BOX_INDENT, y, reason, columns);
}

/* ------------------------------------------------------------------ */
/* The save prompt and the manual setting                              */
/* ------------------------------------------------------------------ */

#define PROMPT_BACKGROUND 14
#define PROMPT_HEIGHT 120
#define PROMPT_BUTTON_WIDTH 10
#define PROMPT_FIELD_WIDTH 10
#define PROMPT_FIELD_COLUMN 12

/* Results of the prompts' buttons. */
#define SAVE_YES 2
#define SAVE_NO 1
#define SAVE_CANCEL 3
#define MANUAL_OK 1
#define MANUAL_CANCEL 2

/* Tags of the manual setting's fields, in their valueRef words. */
#define MANUAL_NUMBER_TAG 1
#define MANUAL_VALUE_TAG 2

/* A prompt: its dialog, items and their data, built afresh at each
   opening. */
struct _PROMPT {
    _DIALOG dialog;
    _ITEM items[7];
    _TEXT_ITEM texts[3];
    _BUTTON_ITEM buttons[3];
    _EDIT_ITEM edits[2];
    int count;
};

static _PROMPT savePrompt;
static _PROMPT manualPrompt;

/* 1 when the number field has just taken the focus: the next character
   replaces its text. */
static uint32_t fieldEntered;

static _ITEM *PromptAdd(_PROMPT *p, uint32_t kind, void *data, uintptr_t tag) {
    _ITEM *item = &p->items[p->count];
    *item = _ITEM{kind, data, nullptr, nullptr, (void *)tag};
    if (p->count > 0) {
        item->prev = &p->items[p->count - 1];
        item->prev->next = item;
    }
    p->count++;
    return item;
}

static void PromptText(_PROMPT *p, int index, const char *text, uint16_t col, uint16_t row) {
    p->texts[index] = _TEXT_ITEM{text, col, row, 0};
    PromptAdd(p, DLG_ITEM_TEXT, &p->texts[index], 0);
}

static void PromptButton(_PROMPT *p, int index, uint32_t message, uint16_t col, uint16_t row,
                         uint16_t result) {
    p->buttons[index] = _BUTTON_ITEM{MessageText(message), col, row, PROMPT_BUTTON_WIDTH, 0, result,
                                     (const char *)(uintptr_t)result};
    PromptAdd(p, DLG_ITEM_BUTTON, &p->buttons[index], 0);
}

static void PromptField(_PROMPT *p, int index, char *text, uint16_t row, uintptr_t tag) {
    p->edits[index] = _EDIT_ITEM{text, PROMPT_FIELD_COLUMN, row, PROMPT_FIELD_WIDTH};
    PromptAdd(p, DLG_ITEM_EDIT, &p->edits[index], tag);
}

/* Centres the prompt, columns characters wide (at most 70), in the session
   rectangle and starts it; the engine chooses the focus. */
static void PromptStart(_PROMPT *p, const _TABRIX_INFO *info, uint32_t title, size_t columns) {
    int32_t width = (int32_t)std::min<size_t>(columns, ERROR_BOX_COLUMNS) * GDI_FONT_WIDTH +
                    ERROR_BOX_PADDING;
    int32_t left = info->left + (info->right - info->left - width) / 2;
    int32_t top = info->top + (info->bottom - info->top - PROMPT_HEIGHT) / 2;
    _DIALOG *d = &p->dialog;
    *d = _DIALOG{};
    d->title = MessageText(title);
    d->left = (uint16_t)left;
    d->top = (uint16_t)top;
    d->right = (uint16_t)(left + width);
    d->bottom = (uint16_t)(top + PROMPT_HEIGHT);
    d->firstItem = &p->items[0];
    DialogStart(d, PROMPT_BACKGROUND, nullptr);
}

/* The data file's name as the prompt shows it: a UTF-8 name decoded. */
static char savePromptPath[sizeof ((_REKFILEINFO *)nullptr)->path];

void SavePromptOpen(const _TABRIX_INFO *info, const _REKFILEINFO *file) {
    _PROMPT *p = &savePrompt;
    p->count = 0;
    CharShowName(savePromptPath, file->path, sizeof savePromptPath);
    PromptText(p, 0, MessageText(MSG_SAVE_QUESTION), 1, 0);
    PromptText(p, 1, savePromptPath, 1, 1);
    PromptButton(p, 0, MSG_YES, 1, 2, SAVE_YES);
    PromptButton(p, 1, MSG_NO, 1, 3, SAVE_NO);
    PromptButton(p, 2, MSG_CANCEL, 1, 4, SAVE_CANCEL);
    PromptStart(p, info, MSG_SAVE, std::max(std::strlen(MessageText(MSG_SAVE_QUESTION)),
                                            std::strlen(savePromptPath)));
}

/* Goes back as the back command does, now that the prompt has its
   answer. */
static void SavePromptLeave(const _TABRIX_INFO *info, _DIALOGKEYB_INFO *keyb) {
    keyb->event = TABRIX_EVENT_BACK;
    SessionDispatch(info, keyb);
}

void SavePromptCont(const _TABRIX_INFO *info, _DIALOGKEYB_INFO *keyb) {
    _SESSION *s = &TabrixSession;
    switch (DialogCont(keyb, &savePrompt.dialog)) {
    case SAVE_NO:
        /* The edits are discarded: the table no longer stands for the
           file's unsaved changes. */
        s->modified = 0;
        s->tableFile = 0;
        s->mode = MODE_SCREEN;
        SavePromptLeave(info, keyb);
        break;
    case SAVE_YES:
        s->mode = MODE_SCREEN;
        ItemsCommit(s->current->dialog);
        /* A failed save shows why; the next event takes the box away. */
        if (SessionSave(info, s))
            SavePromptLeave(info, keyb);
        break;
    case SAVE_CANCEL:
        s->mode = MODE_SCREEN;
        DialogRedraw(s->current->dialog);
        break;
    default:
        break;
    }
}

/* Whether the number text names a parameter of the table, and which. */
static bool ManualNumber(uint32_t *number) {
    int32_t n;
    if (StrParseInt(ManualNumberText, &n) != std::strlen(ManualNumberText) || n < 0 || n >= PARAM_COUNT)
        return false;
    *number = (uint32_t)n;
    return true;
}

/* The value text of parameter n: the raw value unsigned, or the scaled
   value with exactly decimals places. */
static void ManualValueShow(uint32_t n) {
    int32_t value = ParamGetDigits(n, 1, 8);
    if (TabrixSession.params[n].flags & PARAM_RAW) {
        std::snprintf(ManualValueText, sizeof ManualValueText, "%u", (uint32_t)value);
        return;
    }
    int32_t decimals = EditDecimals(&TabrixSession);
    char text[REAL_TEXT_SIZE];
    RealToText(value / PowInt(10.0, decimals), text, decimals);
    if (std::strchr(text, '.') == nullptr)
        StrAppendN(text, ".", sizeof text);
    while ((int32_t)(std::strlen(text) - StrIndexOf(text, ".") - 1) < decimals)
        StrAppendN(text, "0", sizeof text);
    StrCopyN(ManualValueText, text, sizeof ManualValueText);
}

void ManualSettingOpen(const _TABRIX_INFO *info) {
    uint32_t n;
    if (ManualNumber(&n))
        ManualValueShow(n);
    fieldEntered = 1;
    _PROMPT *p = &manualPrompt;
    p->count = 0;
    PromptField(p, 0, ManualNumberText, 1, MANUAL_NUMBER_TAG);
    PromptField(p, 1, ManualValueText, 2, MANUAL_VALUE_TAG);
    PromptText(p, 0, MessageText(MSG_VALUE), 1, 2);
    PromptText(p, 1, MessageText(MSG_PARAMETER), 1, 1);
    PromptText(p, 2, MessageText(MSG_ENTER_VALUE), 1, 0);
    PromptButton(p, 0, MSG_OK, PROMPT_FIELD_COLUMN, 3, MANUAL_OK);
    PromptButton(p, 1, MSG_CANCEL, PROMPT_FIELD_COLUMN, 4, MANUAL_CANCEL);
    PromptStart(p, info, MSG_MANUAL_SETTING, std::strlen(MessageText(MSG_ENTER_VALUE)));
}

static uintptr_t ManualTag(const _ITEM *item) {
    return item ? (uintptr_t)item->valueRef : 0;
}

static bool ManualIsField(const _ITEM *item) {
    return item != nullptr && item->kind == DLG_ITEM_EDIT;
}

static bool ManualHasDigit(const char *text) {
    return std::strpbrk(text, "0123456789") != nullptr;
}

/* The parameter the number text names, when the data file of the screen
   holds it: 0 .. count - 1.  An empty text names none. */
static bool ManualParameter(uint32_t *number) {
    const _REKFILEINFO *file = TabrixSession.current->dataFile;
    return ManualHasDigit(ManualNumberText) && ManualNumber(number) && file != nullptr &&
           *number < file->count;
}

/* A whole number text: an optional sign, digits and at most one point;
   an empty text or a sign alone is none. */
static bool ManualReal(const char *text, double *real) {
    return ManualHasDigit(text) && StrParseReal(text, real) == std::strlen(text);
}

/* The value text as parameter n stores it: a raw parameter takes any
   whole 32-bit pattern, signed or unsigned (so the text it shows comes
   back unchanged); any other the scaled value, rounded, within 32 bits. */
static bool ManualValue(uint32_t n, int32_t *value) {
    double real;
    if (!ManualReal(ManualValueText, &real))
        return false;
    if (TabrixSession.params[n].flags & PARAM_RAW) {
        if (real != std::floor(real) || real < -2147483648.0 || real > 4294967295.0)
            return false;
        *value = real < 0 ? (int32_t)real : (int32_t)(uint32_t)real;
        return true;
    }
    double scaled = real * PowInt(10.0, EditDecimals(&TabrixSession));
    if (!(scaled > -2147483648.5 && scaled < 2147483647.5))
        return false;
    *value = RoundToInt(scaled);
    return true;
}

/* The refused field turns red and takes the focus, so the operator mends
   it; the first character typed then replaces it, as on a screen. */
static void ManualRefuse(uint32_t tag) {
    _DIALOG *d = &manualPrompt.dialog;
    _ITEM *field = &manualPrompt.items[tag == MANUAL_NUMBER_TAG ? 0 : 1];
    _ITEM *before = d->focusItem;
    d->focusItem = field;
    d->cursor = (uint16_t)std::strlen(((const _EDIT_ITEM *)field->data)->text);
    if (before != nullptr && before != field)
        DialogDrawItem(d, before, 0, DIALOG_NO_OVERRIDE, DIALOG_NO_OVERRIDE);
    DialogDrawItem(d, field, 1, EDIT_REFUSED_COLOUR, DIALOG_NO_OVERRIDE);
    fieldEntered = 1;
}

/* Stores the value text into the parameter the number text names; a
   number the data file does not hold or a value that does not fit is
   refused and keeps the dialog open. */
static bool ManualStore(void) {
    _SESSION *s = &TabrixSession;
    uint32_t n;
    int32_t value;
    if (!ManualParameter(&n)) {
        ManualRefuse(MANUAL_NUMBER_TAG);
        return false;
    }
    if (!ManualValue(n, &value)) {
        ManualRefuse(MANUAL_VALUE_TAG);
        return false;
    }
    _PARAM *p = &s->params[n];
    p->value = value;
    p->flags |= PARAM_VALID;
    s->modified = 1;
    return true;
}

/* Back to the screen below, with its marked CALC entries run. */
static void ManualClose(const _TABRIX_INFO *info) {
    _SESSION *s = &TabrixSession;
    s->mode = MODE_SCREEN;
    if (CalcRun(info, s, s->current->calcs, 1))
        s->modified = 1;
    ItemsRefresh(s->current->dialog);
    DialogRedraw(s->current->dialog);
}

/* Moving from the number field to the value field shows the value of the
   parameter just named.  A field the focus moves onto is replaced by the
   first character typed into it. */
static void ManualFocusMoved(const _ITEM *before) {
    _DIALOG *d = &manualPrompt.dialog;
    if (d->focusItem == before)
        return;
    if (ManualTag(before) == MANUAL_NUMBER_TAG && ManualTag(d->focusItem) == MANUAL_VALUE_TAG) {
        uint32_t n;
        if (ManualNumber(&n))
            ManualValueShow(n);
        d->cursor = (uint16_t)std::strlen(ManualValueText);
        DialogDrawItem(d, d->focusItem, 1, DIALOG_NO_OVERRIDE, DIALOG_NO_OVERRIDE);
    }
    fieldEntered = ManualIsField(d->focusItem);
}

void ManualSettingCont(const _TABRIX_INFO *info, _DIALOGKEYB_INFO *keyb) {
    _DIALOG *d = &manualPrompt.dialog;
    _ITEM *before = d->focusItem;
    bool key = keyb->event == TABRIX_EVENT_KEY;
    /* Enter in a field moves on: number, value, "Ok". */
    if (key && keyb->key == DLG_KEY_ENTER && ManualIsField(before))
        keyb->key = DLG_KEY_DOWN;
    /* The first character typed into a field replaces it; events other
       than keys leave it alone. */
    if (key && ManualIsField(before) && fieldEntered && !SessionIsMoveKey(keyb->key))
        ((_EDIT_ITEM *)before->data)->text[0] = '\0';
    if (key)
        fieldEntered = 0;
    switch (DialogCont(keyb, d)) {
    case MANUAL_OK:
        if (ManualStore())
            ManualClose(info);
        break;
    case MANUAL_CANCEL:
        ManualClose(info);
        break;
    default:
        ManualFocusMoved(before);
        break;
    }
}
