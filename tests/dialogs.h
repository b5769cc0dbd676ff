// Builds dialogs for tests: items of every kind, linked in the order they
// are added, with storage that outlives the dialog's use.
#ifndef TABRIX_TESTS_DIALOGS_H
#define TABRIX_TESTS_DIALOGS_H

#include <algorithm>
#include <cstring>
#include <deque>
#include <initializer_list>
#include <string>

#include "tabrix/tabrix.h"

class DialogBuilder {
public:
    DialogBuilder(const char *title, uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) {
        dialog = _DIALOG{};
        dialog.title = title;
        dialog.left = left, dialog.top = top, dialog.right = right, dialog.bottom = bottom;
    }

    _ITEM *Button(const char *label, uint16_t col, uint16_t row, uint16_t width,
                  uint16_t result, uint8_t hotKey = 255) {
        buttons.push_back({label, col, row, width, hotKey, result, nullptr});
        return Add(DLG_ITEM_BUTTON, &buttons.back());
    }
    _ITEM *Text(const char *text, uint16_t col, uint16_t row) {
        texts.push_back({text, col, row, 0});
        return Add(DLG_ITEM_TEXT, &texts.back());
    }
    // The edit buffer holds the larger of text and width, and a terminator.
    _ITEM *Edit(const std::string &text, uint16_t col, uint16_t row, uint16_t width) {
        std::string &buffer = buffers.emplace_back(text);
        buffer.resize(std::max<size_t>(text.size(), width) + 1, '\0');
        edits.push_back({buffer.data(), col, row, width});
        return Add(DLG_ITEM_EDIT, &edits.back());
    }
    // A list whose current entry is entry number current.
    _ITEM *List(uint16_t col, uint16_t row, uint16_t width,
                std::initializer_list<const char *> entries, size_t current = 0) {
        _LIST_ENTRY *first = nullptr, *prev = nullptr, *chosen = nullptr;
        int32_t value = 0;
        for (const char *text : entries) {
            _LIST_ENTRY *e = &this->entries.emplace_back(_LIST_ENTRY{text, value++, nullptr, prev});
            if (prev)
                prev->next = e;
            else
                first = e;
            if ((size_t)value - 1 == current)
                chosen = e;
            prev = e;
        }
        lists.push_back({col, row, width, chosen, first});
        return Add(DLG_ITEM_LIST, &lists.back());
    }
    _ITEM *Bitmap(const char *path, uint16_t col, uint16_t row) {
        bitmaps.push_back({path, col, row});
        return Add(DLG_ITEM_BITMAP, &bitmaps.back());
    }
    // An item of a kind the engine does not know.
    _ITEM *Other(uint32_t kind) { return Add(kind, nullptr); }
    // An item of one of the five kinds, to be broken; a button has hot key
    // 'x' and result 8.
    _ITEM *Whole(uint32_t kind, uint16_t col, uint16_t row) {
        switch (kind) {
        case DLG_ITEM_BITMAP: return Bitmap("X.BMP", col, row);
        case DLG_ITEM_BUTTON: return Button("X", col, row, 3, 8, 'x');
        case DLG_ITEM_TEXT: return Text("X", col, row);
        case DLG_ITEM_EDIT: return Edit("1", col, row, 3);
        default: return List(col, row, 1, {"X", "Y"});
        }
    }

    char *EditText(_ITEM *item) { return ((_EDIT_ITEM *)item->data)->text; }
    const char *ListText(_ITEM *item) { return ((_LIST_ITEM *)item->data)->current->text; }

    _DIALOG dialog;

private:
    _ITEM *Add(uint32_t kind, void *data) {
        _ITEM *last = items.empty() ? nullptr : &items.back();
        _ITEM *item = &items.emplace_back(_ITEM{kind, data, nullptr, last, nullptr});
        if (last)
            last->next = item;
        else
            dialog.firstItem = item;
        return item;
    }

    std::deque<_ITEM> items;
    std::deque<_BUTTON_ITEM> buttons;
    std::deque<_TEXT_ITEM> texts;
    std::deque<_EDIT_ITEM> edits;
    std::deque<_LIST_ITEM> lists;
    std::deque<_LIST_ENTRY> entries;
    std::deque<_BITMAP_ITEM> bitmaps;
    std::deque<std::string> buffers;
};

// The ways an item may be unreadable: no data record; no path, label or
// text (for a list: no current entry); a current entry without text.
enum Breakage { BROKEN_DATA, BROKEN_TEXT, BROKEN_ENTRY };
struct BrokenCase {
    uint32_t kind;
    Breakage how;
};
inline const BrokenCase kBrokenCases[] = {
    {DLG_ITEM_BITMAP, BROKEN_DATA}, {DLG_ITEM_BITMAP, BROKEN_TEXT}, {DLG_ITEM_BUTTON, BROKEN_DATA},
    {DLG_ITEM_BUTTON, BROKEN_TEXT}, {DLG_ITEM_TEXT, BROKEN_DATA},   {DLG_ITEM_TEXT, BROKEN_TEXT},
    {DLG_ITEM_EDIT, BROKEN_DATA},   {DLG_ITEM_EDIT, BROKEN_TEXT},   {DLG_ITEM_LIST, BROKEN_DATA},
    {DLG_ITEM_LIST, BROKEN_TEXT},   {DLG_ITEM_LIST, BROKEN_ENTRY},
};

inline void Break(_ITEM *item, Breakage how) {
    if (how == BROKEN_DATA)
        item->data = nullptr;
    else if (item->kind != DLG_ITEM_LIST)
        std::memset(item->data, 0, sizeof(char *));  // every other record starts with its text
    else if (how == BROKEN_TEXT)
        ((_LIST_ITEM *)item->data)->current = nullptr;
    else
        ((_LIST_ITEM *)item->data)->current->text = nullptr;
}

#endif
