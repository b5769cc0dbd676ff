/*
 * prompts.cpp - the session's own screens.
 */
#include "session/prompts.h"

#include <algorithm>
#include <cstring>

#include "platform/draw/draw.h"
#include "platform/messages/messages.h"
#include "session/session.h"
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
    int32_t columns = ErrorBoxColumns(message, detail);
    int32_t width = columns * GDI_FONT_WIDTH + ERROR_BOX_PADDING;
    int32_t height = ERROR_BOX_HEIGHT + (detail[0] ? ERROR_BOX_DETAIL : 0);
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
    if (detail[0])
        ErrorBoxLine(boxLeft + ERROR_BOX_INDENT, boxTop + ERROR_BOX_MESSAGE_Y + ERROR_BOX_DETAIL,
                     detail, columns);
}
