/* The public header as a C99 host sees it: sizes and offsets of every
   record, and a call through the shared library. */
#include <stddef.h>
#include <string.h>

#include "tabrix/tabrix.h"

#define CHECK(name, cond) typedef char check_##name[(cond) ? 1 : -1]
#define AT(type, field, offset) CHECK(type##_##field, offsetof(type, field) == (offset))

CHECK(pointer_size, sizeof(void *) == 8);

CHECK(tabrix_info, sizeof(_TABRIX_INFO) == 22);
AT(_TABRIX_INFO, size, 0);
AT(_TABRIX_INFO, script, 2);
AT(_TABRIX_INFO, left, 10);
AT(_TABRIX_INFO, top, 12);
AT(_TABRIX_INFO, right, 14);
AT(_TABRIX_INFO, bottom, 16);
AT(_TABRIX_INFO, reserved, 18);

CHECK(rekfileinfo, sizeof(_REKFILEINFO) == 167);
AT(_REKFILEINFO, path, 0);
AT(_REKFILEINFO, keyword, 81);
AT(_REKFILEINFO, count, 162);
AT(_REKFILEINFO, decimals, 166);

CHECK(keyb_info, sizeof(_DIALOGKEYB_INFO) == 2);
AT(_DIALOGKEYB_INFO, event, 0);
AT(_DIALOGKEYB_INFO, key, 1);

CHECK(dialog, sizeof(_DIALOG) == 39);
AT(_DIALOG, title, 0);
AT(_DIALOG, left, 8);
AT(_DIALOG, top, 10);
AT(_DIALOG, right, 12);
AT(_DIALOG, bottom, 14);
AT(_DIALOG, firstItem, 16);
AT(_DIALOG, focusItem, 24);
AT(_DIALOG, reserved, 32);
AT(_DIALOG, background, 36);
AT(_DIALOG, cursor, 37);

CHECK(item, sizeof(_ITEM) == 36);
AT(_ITEM, kind, 0);
AT(_ITEM, data, 4);
AT(_ITEM, next, 12);
AT(_ITEM, prev, 20);
AT(_ITEM, valueRef, 28);

CHECK(bitmap_item, sizeof(_BITMAP_ITEM) == 12);
AT(_BITMAP_ITEM, path, 0);
AT(_BITMAP_ITEM, col, 8);
AT(_BITMAP_ITEM, row, 10);

CHECK(button_item, sizeof(_BUTTON_ITEM) == 25);
AT(_BUTTON_ITEM, label, 0);
AT(_BUTTON_ITEM, col, 8);
AT(_BUTTON_ITEM, row, 10);
AT(_BUTTON_ITEM, width, 12);
AT(_BUTTON_ITEM, hotKey, 14);
AT(_BUTTON_ITEM, result, 15);
AT(_BUTTON_ITEM, target, 17);

CHECK(text_item, sizeof(_TEXT_ITEM) == 16);
AT(_TEXT_ITEM, text, 0);
AT(_TEXT_ITEM, col, 8);
AT(_TEXT_ITEM, row, 10);
AT(_TEXT_ITEM, reserved, 12);

CHECK(edit_item, sizeof(_EDIT_ITEM) == 14);
AT(_EDIT_ITEM, text, 0);
AT(_EDIT_ITEM, col, 8);
AT(_EDIT_ITEM, row, 10);
AT(_EDIT_ITEM, width, 12);

CHECK(list_item, sizeof(_LIST_ITEM) == 22);
AT(_LIST_ITEM, col, 0);
AT(_LIST_ITEM, row, 2);
AT(_LIST_ITEM, width, 4);
AT(_LIST_ITEM, current, 6);
AT(_LIST_ITEM, first, 14);

CHECK(list_entry, sizeof(_LIST_ENTRY) == 28);
AT(_LIST_ENTRY, text, 0);
AT(_LIST_ENTRY, value, 8);
AT(_LIST_ENTRY, next, 12);
AT(_LIST_ENTRY, prev, 20);

CHECK(gdi_surface, sizeof(_GDI_SURFACE) == 20);
AT(_GDI_SURFACE, width, 0);
AT(_GDI_SURFACE, height, 4);
AT(_GDI_SURFACE, pitch, 8);
AT(_GDI_SURFACE, pixels, 12);

CHECK(gdi_init, sizeof(_GDI_INIT_PARAMS) == 202);
AT(_GDI_INIT_PARAMS, size, 0);
AT(_GDI_INIT_PARAMS, hdc, 2);
AT(_GDI_INIT_PARAMS, reserved, 10);

CHECK(fsp_init, sizeof(_FSP_INIT_PARAMS) == 62);
AT(_FSP_INIT_PARAMS, size, 0);
AT(_FSP_INIT_PARAMS, rest, 2);

CHECK(tabrix_error, sizeof(_TABRIX_ERROR) == 4366);
AT(_TABRIX_ERROR, size, 0);
AT(_TABRIX_ERROR, code, 2);
AT(_TABRIX_ERROR, line, 6);
AT(_TABRIX_ERROR, column, 10);
AT(_TABRIX_ERROR, file, 14);
AT(_TABRIX_ERROR, reason, 4110);

CHECK(key_enter, (uint8_t)DLG_KEY_ENTER == 255);
CHECK(file_failed, (int8_t)FILE_FAILED == -1);

int main(void) {
    _REKFILEINFO saved;
    const char *text;
    char detail[60];
    uint32_t imageSize = 0;
    static _TABRIX_ERROR error;
    if (!LocalizationInit(NULL, TABRIX_LANG_ENGLISH))
        return 1;
    text = GetLocString(38);
    if (text == NULL || strcmp(text, "Phrase error") != 0)
        return 2;
    if (TabrixGetErrorLine() != 0)
        return 3;
    memset(&saved, 'x', sizeof saved);
    TabrixLastSavedFile(&saved);
    if (saved.path[0] != '\0' || saved.count != 0)
        return 4;
    memset(detail, 'x', sizeof detail);
    if (TabrixGetErrorText(detail, sizeof detail) != 0 || detail[0] != '\0')
        return 5;
    if (TabrixMemoryImage(&imageSize) == NULL || imageSize != 10000)
        return 6;
    if (TabrixCharToUnicode(0x80) != 0x010C || TabrixCharToUnicode('A') != 'A')
        return 7;
    error.size = sizeof error;
    error.code = 99;
    if (TabrixGetErrorReason(&error) != 0 || error.code != 0 || error.reason[0] != '\0' ||
        TabrixModified() != 0)
        return 8;
    return 0;
}
