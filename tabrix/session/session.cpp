/*
 * session.cpp - the session exports and the session record.
 */
#include "session/session.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "common/memory/memory.h"
#include "platform/draw/draw.h"
#include "platform/messages/messages.h"
#include "script/loader.h"
#include "session/edit.h"
#include "session/prompts.h"
#include "text/charset.h"
#include "text/str.h"

_SESSION TabrixSession;

/* The pool's buffer: every record of a session lives here until the next
   TabrixStart rebinds it. */
alignas(8) static uint8_t sessionPool[POOL_BUFFER_SIZE];

static void SessionRecord(_SESSION *session, uint32_t code, const char *text, const char *why,
                          va_list args) {
    session->errorCode = code;
    if (text != nullptr)
        StrCopyN(session->errorText, text, sizeof session->errorText);
    std::memset(&session->place, 0, sizeof session->place);
    std::vsnprintf(session->place.reason, sizeof session->place.reason, why, args);
}

void SessionSetCode(_SESSION *session, uint32_t code, const char *why, ...) {
    va_list args;
    va_start(args, why);
    SessionRecord(session, code, nullptr, why, args);
    va_end(args);
}

void SessionSetError(_SESSION *session, uint32_t code, const char *text, const char *why, ...) {
    va_list args;
    va_start(args, why);
    SessionRecord(session, code, text, why, args);
    va_end(args);
}

void SessionLineError(_SESSION *session, uint32_t code, uint32_t line, const char *file,
                      const char *why, ...) {
    char text[ERROR_TEXT_SIZE], shown[ERROR_FILE_SIZE];
    std::snprintf(text, sizeof text, "%s:%u %s:%s", MessageText(MSG_LINE), (unsigned)line,
                  MessageText(MSG_FILE), CharShowName(shown, file, sizeof shown));
    va_list args;
    va_start(args, why);
    SessionRecord(session, code, text, why, args);
    va_end(args);
}

void SessionSetHint(_SESSION *session, const char *why, ...) {
    if (session->errorCode != 0)
        return;
    va_list args;
    va_start(args, why);
    SessionRecord(session, 0, nullptr, why, args);
    va_end(args);
}

void SessionErrorAt(_SESSION *session, const char *file, uint32_t line, uint32_t column) {
    _ERRORPLACE *place = &session->place;
    if (file != nullptr)
        StrCopyN(place->file, file, sizeof place->file);
    place->line = line;
    place->column = column;
}

bool SessionErrorPlaced(const _SESSION *session) {
    return session->place.file[0] != '\0';
}

extern "C" TABRIX_API uint32_t TabrixStart(const _TABRIX_INFO *info) {
    MemoryInit(sessionPool, POOL_BUFFER_SIZE);
    std::memset(&TabrixSession, 0, sizeof TabrixSession);
    if (info == nullptr)
        return 0;
    GDISetClip(info->left, info->top, info->right, info->bottom);
    ManualSettingReset();
    TabrixSession.firstKey = 1;
    LoadingNoticeShow(info);
    ScriptLoad(info, &TabrixSession);
    if (TabrixSession.errorCode != 0)
        ErrorScreenShow(info, &TabrixSession);
    return 0;
}

extern "C" TABRIX_API uint32_t TabrixCont(const _TABRIX_INFO *info, _DIALOGKEYB_INFO *keyb) {
    if (info == nullptr || keyb == nullptr || keyb->event == TABRIX_EVENT_NONE ||
        TabrixSession.stopped)
        return 0;
    switch (TabrixSession.mode) {
    case MODE_SCREEN:
        return SessionDispatch(info, keyb);
    case MODE_SAVE_PROMPT:
        SavePromptCont(info, keyb);
        return 0;
    case MODE_MANUAL:
        ManualSettingCont(info, keyb);
        return 0;
    default:
        return 0;
    }
}

/* The session is let go: a finish sent after it must not save. */
extern "C" TABRIX_API uint32_t TabrixStop(const _TABRIX_INFO *) {
    TabrixSession.stopped = 1;
    return 0;
}

extern "C" TABRIX_API uint32_t TabrixPAINT(void) {
    const _SCREEN *screen = TabrixSession.current;
    if (screen != nullptr && screen->dialog != nullptr)
        DialogRedraw(screen->dialog);
    return 0;
}

extern "C" TABRIX_API uint32_t TabrixGetErrorLine(void) {
    return TabrixSession.errorCode;
}

extern "C" TABRIX_API uint32_t TabrixGetErrorText(char *out, uint32_t size) {
    if (out != nullptr && size > 0)
        StrCopyN(out, TabrixSession.errorText, size);
    return (uint32_t)std::strlen(TabrixSession.errorText);
}

/* A parameter as a file holds it: whether it has a value, whether raw,
   and the value only when it has one. */
static bool SessionParamSame(const _PARAM *a, const _PARAM *b) {
    const uint32_t kept = PARAM_VALID | PARAM_RAW | PARAM_UNHELD;
    if ((a->flags & kept) != (b->flags & kept))
        return false;
    return !(a->flags & PARAM_VALID) || a->value == b->value;
}

bool SessionModified(const _SESSION *s) {
    const _SCREEN *screen = s->current;
    if (screen != nullptr && screen->dialog != nullptr && ItemsPending(screen->dialog))
        return true;
    if (s->tableFile)
        for (uint32_t n = 0; n < PARAM_COUNT; n++)
            if (!SessionParamSame(&s->params[n], &s->baseline[n]))
                return true;
    for (const _VARIABLE *v = s->variables; v && v->next; v = v->next)
        if (v->value != ImageCellRead(v->key))
            return true;
    return false;
}

extern "C" TABRIX_API uint32_t TabrixModified(void) {
    return SessionModified(&TabrixSession) ? 1 : 0;
}

extern "C" TABRIX_API uint32_t TabrixGetErrorReason(_TABRIX_ERROR *out) {
    const _SESSION *s = &TabrixSession;
    if (out == nullptr || out->size < sizeof *out)
        return s->errorCode;
    out->code = s->errorCode;
    out->line = s->place.line;
    out->column = s->place.column;
    StrCopyN(out->file, s->place.file, sizeof out->file);
    StrCopyN(out->reason, s->place.reason, sizeof out->reason);
    return s->errorCode;
}

extern "C" TABRIX_API uint32_t TabrixLastSavedFile(_REKFILEINFO *out) {
    if (out == nullptr)
        return 0;
    const _REKFILEINFO *saved = &TabrixSession.lastSaved;
    StrCopyN(out->path, saved->path, sizeof out->path);
    StrCopyN(out->keyword, saved->keyword, sizeof out->keyword);
    out->count = saved->count;
    return 0;
}
