/*
 * messages.h - the message tables: every text of the library's own, in
 * seven languages.  Error codes are message indexes.
 */
#ifndef TABRIX_PLATFORM_MESSAGES_MESSAGES_H
#define TABRIX_PLATFORM_MESSAGES_MESSAGES_H

#include <cstddef>
#include <cstdint>

#define MSG_COUNT 41u

enum {
    MSG_NO_ERROR = 0,
    MSG_FILE_OPEN_ERROR = 1,
    MSG_ERROR = 2,
    MSG_FILE_READ_ERROR = 3,
    MSG_SYNTAX_ERROR = 4,
    MSG_FILE = 5,
    MSG_LINE = 6,
    MSG_BITMAP_FORMAT = 7,
    MSG_MENU_NOT_FOUND = 8,
    MSG_MENU = 9,
    MSG_FILE_CREATE_ERROR = 10,
    MSG_FILE_WRITE_ERROR = 11,
    MSG_FILE_CLOSE_ERROR = 12,
    MSG_NO_MEMORY = 13,
    MSG_NO_ENTRY = 14,              /* "???", the entry of no list value */
    MSG_MAIN_NOT_FOUND = 15,
    MSG_DIALOG_NOT_FOUND = 16,
    MSG_DIALOG = 17,
    MSG_SIGN_INCOMPLETE = 18,
    MSG_FILE_MOVE_ERROR = 19,
    MSG_INFORMATION = 20,
    MSG_REKFILE_NOT_FIRST = 23,
    MSG_SCRIPT_WITH_REKFILE = 24,
    MSG_SAVE = 25,
    MSG_SAVE_QUESTION = 26,
    MSG_YES = 27,
    MSG_NO = 28,
    MSG_CANCEL = 29,
    MSG_VALUE = 30,
    MSG_PARAMETER = 31,
    MSG_ENTER_VALUE = 32,
    MSG_MANUAL_SETTING = 33,
    MSG_OK = 34,
    MSG_NO_INIT_WORD = 35,
    MSG_WORD = 36,
    MSG_SEGMENT = 37,
    MSG_PHRASE_ERROR = 38,
    MSG_LOADING = 39,
    MSG_NOT_IN_DIALOG = 40,
};

/* One built-in table: count, offsets, then the NUL-terminated texts, all
   little-endian, as a module resource would hold it. */
struct _MESSAGE_TABLE {
    uint32_t language;
    const uint8_t *data;
    size_t size;
};

extern const _MESSAGE_TABLE MessageTables[];
extern const size_t MessageTableCount;

/* The message of the selected table; "" when none is selected or the index
   is out of range, so that callers always receive a text. */
const char *MessageText(uint32_t index);

#endif
