/*
 * dispatch.cpp - what each event does on the current screen.
 */
#include <cstring>

#include "session/session.h"

/* Forgets the last saved file; handled even after an error. */
static uint32_t SessionForget(void) {
    std::memset(&TabrixSession.lastSaved, 0, sizeof TabrixSession.lastSaved);
    return TABRIX_CONT_FORGOTTEN;
}

uint32_t SessionDispatch(const _TABRIX_INFO *, _DIALOGKEYB_INFO *keyb) {
    if (TabrixSession.errorCode != 0 && keyb->event != TABRIX_EVENT_FORGET)
        return 0;
    switch (keyb->event) {
    case TABRIX_EVENT_FORGET:
        return SessionForget();
    default:
        return 0;
    }
}
