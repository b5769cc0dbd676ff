/*
 * messages.cpp - selecting a message table and looking messages up.
 */
#include "platform/messages/messages.h"

#include "tabrix/tabrix.h"

/* The selected table; none until LocalizationInit finds one. */
static const _MESSAGE_TABLE *selected;

static uint32_t MessageRead32(const uint8_t *p) {
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

/* The built-in tables stand where a module's resources would; the module
   is not read.  The identifier is compared whole: 0x409 is not 9. */
extern "C" TABRIX_API int LocalizationInit(const void *, uint32_t language) {
    selected = nullptr;
    for (size_t i = 0; i < MessageTableCount; i++) {
        if (MessageTables[i].language == language) {
            selected = &MessageTables[i];
            return 1;
        }
    }
    return 0;
}

extern "C" TABRIX_API const char *GetLocString(uint32_t index) {
    if (selected == nullptr || index >= MessageRead32(selected->data))
        return nullptr;
    return (const char *)selected->data + MessageRead32(selected->data + 4 + 4 * (size_t)index);
}

const char *MessageText(uint32_t index) {
    const char *text = GetLocString(index);
    return text ? text : "";
}

/* Selects Czech when the library is loaded. */
__attribute__((constructor)) static void MessagesLoad(void) {
    LocalizationInit(nullptr, TABRIX_LANG_CZECH);
}
