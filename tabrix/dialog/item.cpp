/*
 * item.cpp - drawing one dialog item on the character grid: buttons in
 * square brackets, list choices in angle brackets, edit fields padded to
 * their width with a caret, labels as plain text, bitmaps from their
 * files.
 */
#include <cstring>

#include "dialog/bitmap.h"
#include "dialog/dialog.h"
#include "platform/draw/draw.h"
#include "text/str.h"

#define ITEM_CARET_TOP 1
#define ITEM_CARET_BOTTOM 14

/* The text of the item being drawn.  Every append is bounded: a text that
   would not fit is cut. */
static char itemWork[DIALOG_WORK_SIZE];

static void ItemWorkAppend(const char *s) {
    StrAppendN(itemWork, s, sizeof itemWork);
}

/* Appends spaces until the text is length characters long. */
static void ItemWorkPad(int64_t length) {
    size_t n = std::strlen(itemWork);
    while ((int64_t)n < length && n + 1 < sizeof itemWork)
        itemWork[n++] = ' ';
    itemWork[n] = '\0';
}

int32_t DialogTitleHeight(const _DIALOG *dialog) {
    return dialog->title ? DIALOG_TITLE_HEIGHT : 0;
}

/* The path, label or text of an item of kinds 1 to 5 with a data record;
   for a list, the current entry's text.  Null when there is none. */
static const char *ItemTextOf(const _ITEM *item) {
    switch (item->kind) {
    case DLG_ITEM_BITMAP: return ((const _BITMAP_ITEM *)item->data)->path;
    case DLG_ITEM_BUTTON: return ((const _BUTTON_ITEM *)item->data)->label;
    case DLG_ITEM_TEXT: return ((const _TEXT_ITEM *)item->data)->text;
    case DLG_ITEM_EDIT: return ((const _EDIT_ITEM *)item->data)->text;
    default: {
        const _LIST_ENTRY *current = ((const _LIST_ITEM *)item->data)->current;
        return current ? current->text : nullptr;
    }
    }
}

bool DialogItemReadable(const _ITEM *item) {
    return item != nullptr && item->kind >= DLG_ITEM_BITMAP && item->kind <= DLG_ITEM_LIST
        && item->data != nullptr && ItemTextOf(item) != nullptr;
}

bool DialogFocusable(const _ITEM *item) {
    return DialogItemReadable(item) && (item->kind == DLG_ITEM_BUTTON
        || item->kind == DLG_ITEM_EDIT || item->kind == DLG_ITEM_LIST);
}

template <typename T>
static void ItemCellOf(const void *data, int32_t *col, int32_t *row) {
    const T *record = (const T *)data;
    *col = record->col;
    *row = record->row;
}

void DialogItemCell(const _ITEM *item, int32_t *col, int32_t *row) {
    switch (item->kind) {
    case DLG_ITEM_BITMAP: return ItemCellOf<_BITMAP_ITEM>(item->data, col, row);
    case DLG_ITEM_BUTTON: return ItemCellOf<_BUTTON_ITEM>(item->data, col, row);
    case DLG_ITEM_TEXT: return ItemCellOf<_TEXT_ITEM>(item->data, col, row);
    case DLG_ITEM_EDIT: return ItemCellOf<_EDIT_ITEM>(item->data, col, row);
    default: return ItemCellOf<_LIST_ITEM>(item->data, col, row);
    }
}

void DialogClampCursor(_DIALOG *dialog) {
    const _ITEM *focus = dialog->focusItem;
    if (!DialogItemReadable(focus) || focus->kind != DLG_ITEM_EDIT)
        return;
    size_t length = std::strlen(((const _EDIT_ITEM *)focus->data)->text);
    if (dialog->cursor > length)
        dialog->cursor = (uint16_t)length;
}

/* The work text at (x, y), one line of width characters. */
static void ItemText(int32_t x, int32_t y, const char *text, uint32_t width, uint8_t colour,
                     uint8_t background) {
    GDISetTextAttr(x, y, width, 1, colour, background, 0);
    GDIText(text);
}

static void ItemDrawButton(const _BUTTON_ITEM *button, int32_t x, int32_t y, uint8_t colour,
                           uint8_t background) {
    int64_t width = button->width, label = (int64_t)std::strlen(button->label);
    StrCopyN(itemWork, "[", sizeof itemWork);
    ItemWorkPad((width - label) / 2);
    ItemWorkAppend(button->label);
    ItemWorkPad(width - 1);
    ItemWorkAppend("]");
    GDISetColor(background, background);
    ItemText(x, y, itemWork, (uint32_t)std::strlen(itemWork), colour, background);
}

static void ItemDrawEdit(const _DIALOG *dialog, const _EDIT_ITEM *edit, uint32_t focused,
                         int32_t x, int32_t y, uint8_t colour, uint8_t background) {
    uint16_t width = edit->width;
    StrCopyN(itemWork, edit->text, sizeof itemWork);
    GDISetColor(background, background);
    ItemWorkPad(width);
    ItemText(x, y, itemWork, width, colour, background);
    if (!focused)
        return;
    GDISetColor(GDI_WHITE, GDI_WHITE);
    if (dialog->cursor < width) {
        int32_t caret = x + dialog->cursor * DIALOG_COLUMN;
        GDILine(caret, y + ITEM_CARET_TOP, caret, y + ITEM_CARET_BOTTOM, GDI_PATTERN_SOLID);
    }
}

static void ItemDrawList(const _LIST_ITEM *list, int32_t x, int32_t y, uint8_t colour,
                         uint8_t background) {
    int64_t width = list->width;
    const char *text = list->current->text;
    int64_t spaces = (width - (int64_t)std::strlen(text)) / 2;
    StrCopyN(itemWork, "<", sizeof itemWork);
    ItemWorkPad(1 + (spaces > 0 ? spaces : 0));
    ItemWorkAppend(text);
    ItemWorkPad(width + 1);
    ItemWorkAppend(">");
    ItemText(x, y, itemWork, (uint32_t)std::strlen(itemWork), colour, background);
}

void DialogDrawItem(_DIALOG *dialog, _ITEM *item, uint32_t focused, uint16_t colour,
                    uint16_t background) {
    if (dialog == nullptr || item == nullptr || item->kind == 0)
        return;
    DialogClampCursor(dialog);
    int32_t t = DialogTitleHeight(dialog);
    GDISetClip(dialog->left, dialog->top + t + DIALOG_MARGIN - 1, dialog->right, dialog->bottom);
    uint8_t fore = focused ? GDI_WHITE : GDI_BLACK;
    uint8_t back = focused ? GDI_BLACK : GDI_WHITE;
    if (colour != DIALOG_NO_OVERRIDE)
        fore = (uint8_t)colour;
    if (background != DIALOG_NO_OVERRIDE)
        back = (uint8_t)background;
    if (!DialogItemReadable(item))
        return;

    int32_t col, row;
    DialogItemCell(item, &col, &row);
    int32_t x = dialog->left + DIALOG_MARGIN + col * DIALOG_COLUMN;
    int32_t y = dialog->top + t + DIALOG_MARGIN + row * DIALOG_ROW;
    switch (item->kind) {
    case DLG_ITEM_BITMAP:
        /* Opaque, in full colour; a picture that cannot be drawn is left
           out without a word. */
        DrawBitmapFile(((const _BITMAP_ITEM *)item->data)->path, x, y, 0, GDI_WHITE, 0);
        break;
    case DLG_ITEM_BUTTON:
        ItemDrawButton((const _BUTTON_ITEM *)item->data, x, y, fore, back);
        break;
    case DLG_ITEM_TEXT: {
        const char *text = ((const _TEXT_ITEM *)item->data)->text;
        ItemText(x, y, text, (uint32_t)std::strlen(text), GDI_BLACK, dialog->background);
        break;
    }
    case DLG_ITEM_EDIT:
        ItemDrawEdit(dialog, (const _EDIT_ITEM *)item->data, focused, x, y, fore, back);
        break;
    default:
        ItemDrawList((const _LIST_ITEM *)item->data, x, y, fore, back);
        break;
    }
}
