/*
 * dialog.cpp - the exported dialog engine: starting a dialog, handing it
 * keys, redrawing it.  The caller owns every record; the engine changes
 * only the focus, the caret, list choices and edit texts in place.
 *
 * Records are not trusted: an item it cannot read counts as one of an
 * unknown kind, and every walk of the item list is bounded.
 */
#include <cstring>
#include <initializer_list>

#include "dialog/dialog.h"
#include "platform/draw/draw.h"

/* The virtual best point of a sideways focus move: only a candidate
   nearer than it can win. */
#define DIALOG_FAR 32000

static void DialogDraw(_DIALOG *dialog, _ITEM *item, bool focused) {
    DialogDrawItem(dialog, item, focused, DIALOG_NO_OVERRIDE, DIALOG_NO_OVERRIDE);
}

static char *DialogEditText(const _ITEM *item) {
    return ((const _EDIT_ITEM *)item->data)->text;
}

static bool DialogIsEdit(const _ITEM *item) {
    return DialogItemReadable(item) && item->kind == DLG_ITEM_EDIT;
}

/* An item of a known kind whose records cannot be read. */
static bool DialogIsBroken(const _ITEM *item) {
    return item->kind >= DLG_ITEM_BITMAP && item->kind <= DLG_ITEM_LIST
        && !DialogItemReadable(item);
}

static bool DialogIsButton(const _ITEM *item) {
    return DialogItemReadable(item) && item->kind == DLG_ITEM_BUTTON;
}

/* The item after item on a walk of the list, back along prev or on along
   next; null at the list's end and when *walked, the items walked so far,
   reaches DIALOG_MAX_ITEMS. */
static _ITEM *DialogWalk(const _ITEM *item, bool back, uint32_t *walked) {
    if (++*walked >= DIALOG_MAX_ITEMS)
        return nullptr;
    return back ? item->prev : item->next;
}

/* Puts the caret after the text of a focused edit item. */
static void DialogCaretToEnd(_DIALOG *dialog) {
    if (DialogIsEdit(dialog->focusItem))
        dialog->cursor = (uint16_t)std::strlen(DialogEditText(dialog->focusItem));
}

static void DialogClipItems(const _DIALOG *dialog) {
    GDISetClip(dialog->left, dialog->top + DialogTitleHeight(dialog) + DIALOG_MARGIN,
               dialog->right, dialog->bottom);
}

/* The background over the whole rectangle and the title bar; leaves the
   clip on the item area. */
static void DialogDrawFrame(const _DIALOG *dialog) {
    GDISetClip(dialog->left, dialog->top, dialog->right, dialog->bottom);
    GDISetColor(dialog->background, dialog->background);
    GDIFillRect(dialog->left, dialog->top, dialog->right, dialog->bottom);
    if (dialog->title) {
        int32_t x = dialog->left + DIALOG_MARGIN, y = dialog->top + DIALOG_MARGIN;
        GDISetColor(GDI_TITLE, dialog->background);
        GDIFillRect(x, y, dialog->right - DIALOG_MARGIN, dialog->top + DIALOG_TITLE_HEIGHT);
        GDISetTextAttr(x, y, (uint32_t)std::strlen(dialog->title), 1, GDI_BLACK, GDI_TITLE, 0);
        GDIText(dialog->title);
    }
    DialogClipItems(dialog);
}

/* Bitmaps, then texts: the items that never take the focus. */
static void DialogDrawPassive(_DIALOG *dialog) {
    for (uint32_t kind : {DLG_ITEM_BITMAP, DLG_ITEM_TEXT}) {
        uint32_t walked = 0;
        for (_ITEM *item = dialog->firstItem; item; item = DialogWalk(item, false, &walked))
            if (item->kind == kind)
                DialogDraw(dialog, item, false);
    }
}

static bool DialogIsPassive(const _ITEM *item) {
    return item->kind == DLG_ITEM_BITMAP || item->kind == DLG_ITEM_TEXT;
}

extern "C" TABRIX_API uint32_t DialogStart(_DIALOG *dialog, uint8_t background, _ITEM *focus) {
    if (dialog == nullptr)
        return 0;
    dialog->background = background;
    DialogDrawFrame(dialog);
    dialog->cursor = 0;
    dialog->focusItem = nullptr;
    DialogDrawPassive(dialog);
    /* A given item that cannot be read is never focused: the engine
       chooses instead. */
    if (focus && DialogIsBroken(focus))
        focus = nullptr;
    if (focus) {
        dialog->focusItem = focus;
        DialogCaretToEnd(dialog);
        DialogDraw(dialog, focus, true);
    }
    uint32_t walked = 0;
    for (_ITEM *item = dialog->firstItem; item; item = DialogWalk(item, false, &walked)) {
        if (DialogIsPassive(item))
            continue;
        bool first = dialog->focusItem == nullptr;
        if (first && DialogIsEdit(item))
            dialog->cursor = (uint16_t)std::strlen(DialogEditText(item));
        if (item != focus)
            DialogDraw(dialog, item, first);
        if (first && DialogFocusable(item))
            dialog->focusItem = item;
    }
    DialogCaretToEnd(dialog);
    return 0;
}

/* Gives the focus to item (none: keeps it), puts the caret at the end of
   an edit text and draws the focus. */
static void DialogFocusTo(_DIALOG *dialog, _ITEM *item) {
    if (item) {
        DialogDraw(dialog, dialog->focusItem, false);
        dialog->focusItem = item;
    }
    DialogCaretToEnd(dialog);
    DialogDraw(dialog, dialog->focusItem, true);
}

/* Up and down: the previous or next focusable item in list order. */
static void DialogFocusStep(_DIALOG *dialog, bool up) {
    _ITEM *item = dialog->focusItem;
    uint32_t walked = 0;
    do
        item = DialogWalk(item, up, &walked);
    while (item && !DialogFocusable(item));
    DialogFocusTo(dialog, item);
}

static int64_t DialogDistance(int64_t col, int64_t row, int64_t c, int64_t r) {
    return (col - c) * (col - c) + (row - r) * (row - r);
}

/* From a button to the nearest focusable item on the side dir (1 right,
   -1 left); the first in list order wins a tie. */
static void DialogFocusSideways(_DIALOG *dialog, int dir) {
    int32_t c, r;
    DialogItemCell(dialog->focusItem, &c, &r);
    int64_t best = DialogDistance(dir * DIALOG_FAR, dir * DIALOG_FAR, c, r);
    _ITEM *winner = nullptr;
    uint32_t walked = 0;
    for (_ITEM *item = dialog->firstItem; item; item = DialogWalk(item, false, &walked)) {
        if (!DialogFocusable(item))
            continue;
        int32_t col, row;
        DialogItemCell(item, &col, &row);
        int64_t d = DialogDistance(col, row, c, r);
        if ((dir > 0 ? col > c : col < c) && d < best)
            best = d, winner = item;
    }
    if (winner)
        DialogFocusTo(dialog, winner);
}

/* Right and left: the next or previous list entry, the caret, or the
   focus of a button.  An entry without a text ends the chain, so the list
   stays readable. */
static void DialogSideways(_DIALOG *dialog, int dir) {
    _ITEM *focus = dialog->focusItem;
    if (!DialogItemReadable(focus))
        return;
    if (focus->kind == DLG_ITEM_LIST) {
        _LIST_ITEM *list = (_LIST_ITEM *)focus->data;
        _LIST_ENTRY *entry = dir > 0 ? list->current->next : list->current->prev;
        if (entry && entry->text) {
            list->current = entry;
            DialogDraw(dialog, focus, true);
        }
    } else if (focus->kind == DLG_ITEM_EDIT) {
        size_t length = std::strlen(DialogEditText(focus));
        if (dir > 0 ? dialog->cursor < length : dialog->cursor > 0) {
            dialog->cursor = (uint16_t)(dialog->cursor + dir);
            DialogDraw(dialog, focus, true);
        }
    } else if (focus->kind == DLG_ITEM_BUTTON) {
        DialogFocusSideways(dialog, dir);
    }
}

static void DialogBackspace(_DIALOG *dialog) {
    _ITEM *focus = dialog->focusItem;
    if (DialogIsEdit(focus) && dialog->cursor > 0) {
        char *text = DialogEditText(focus);
        size_t at = dialog->cursor;
        std::memmove(text + at - 1, text + at, std::strlen(text + at) + 1);
        dialog->cursor = (uint16_t)(at - 1);
    }
    DialogDraw(dialog, focus, true);
}

/* A character: the button whose hot key it is, else typed at the caret of
   a focused edit item that has room. */
static uint32_t DialogChar(_DIALOGKEYB_INFO *keyb, _DIALOG *dialog) {
    if (keyb->key == DLG_KEY_POINT)
        keyb->key = '.';
    else if (keyb->key == DLG_KEY_MINUS)
        keyb->key = '-';
    int8_t key = keyb->key;
    uint32_t walked = 0;
    for (_ITEM *item = dialog->firstItem; item; item = DialogWalk(item, false, &walked)) {
        const _BUTTON_ITEM *button = (const _BUTTON_ITEM *)item->data;
        if (DialogIsButton(item) && button->hotKey == key)
            return button->result;
    }
    _ITEM *focus = dialog->focusItem;
    if (!DialogIsEdit(focus) || key == '\0')
        return 0;
    char *text = DialogEditText(focus);
    size_t length = std::strlen(text), at = dialog->cursor;
    if (length >= ((const _EDIT_ITEM *)focus->data)->width)
        return 0;
    std::memmove(text + at + 1, text + at, length - at + 1);
    text[at] = (char)key;
    dialog->cursor = (uint16_t)(at + 1);
    DialogDraw(dialog, focus, true);
    return 0;
}

extern "C" TABRIX_API uint32_t DialogCont(_DIALOGKEYB_INFO *keyb, _DIALOG *dialog) {
    if (keyb == nullptr || dialog == nullptr)
        return 0;
    _ITEM *focus = dialog->focusItem;
    if (focus == nullptr)
        return 0;
    DialogClampCursor(dialog);
    DialogClipItems(dialog);
    if (keyb->event != TABRIX_EVENT_KEY)
        return 0;
    keyb->event = TABRIX_EVENT_NONE;
    switch (keyb->key) {
    case DLG_KEY_ENTER:
        return DialogIsButton(focus) ? ((const _BUTTON_ITEM *)focus->data)->result : 0;
    case DLG_KEY_UP:
    case DLG_KEY_DOWN:
        DialogFocusStep(dialog, keyb->key == DLG_KEY_UP);
        return 0;
    case DLG_KEY_RIGHT:
    case DLG_KEY_LEFT:
        DialogSideways(dialog, keyb->key == DLG_KEY_RIGHT ? 1 : -1);
        return 0;
    case DLG_KEY_BACKSPACE:
        DialogBackspace(dialog);
        return 0;
    default:
        return DialogChar(keyb, dialog);
    }
}

extern "C" TABRIX_API uint32_t DialogStop(_DIALOG *) {
    return 0;
}

extern "C" TABRIX_API uint32_t DialogRefresh(_DIALOG *dialog, uint32_t mask) {
    if (dialog == nullptr)
        return 0;
    DialogClipItems(dialog);
    uint32_t walked = 0;
    for (_ITEM *item = dialog->firstItem; item; item = DialogWalk(item, false, &walked)) {
        bool selected = item->kind >= DLG_ITEM_BUTTON && item->kind <= DLG_ITEM_LIST
                     && (mask >> (item->kind - DLG_ITEM_BUTTON) & 1);
        if (selected)
            DialogDraw(dialog, item, item == dialog->focusItem);
    }
    return 0;
}

extern "C" TABRIX_API uint32_t DialogRedraw(_DIALOG *dialog) {
    if (dialog == nullptr)
        return 0;
    DialogDrawFrame(dialog);
    DialogDrawPassive(dialog);
    uint32_t walked = 0;
    for (_ITEM *item = dialog->firstItem; item; item = DialogWalk(item, false, &walked))
        if (!DialogIsPassive(item))
            DialogDraw(dialog, item, item == dialog->focusItem);
    return 0;
}
