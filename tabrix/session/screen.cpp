/*
 * screen.cpp - entering a screen.
 */
#include "session/screen.h"

#include "datafile/datafile.h"
#include "script/model.h"
#include "session/edit.h"

void ScreenInitApply(_SESSION *session, const _SCREEN *screen) {
    for (const _INITENTRY *e = screen->inits; e; e = e->next) {
        if (e->flags & INIT_VARIABLE) {
            VarSetDigits(e->target, e->start, (uint32_t)e->count, e->value, 1);
            continue;
        }
        if (ParamGetDigits(e->target, e->start, e->count) != e->value)
            session->modified = 1;
        ParamSetDigits(e->target, e->start, (uint32_t)e->count, e->value, 1);
        session->params[e->target].flags |= PARAM_VALID;
    }
}

void ScreenEnter(const _TABRIX_INFO *info, _SESSION *session, _SCREEN *s, bool byLink) {
    const _REKFILEINFO *shown = session->current ? session->current->dataFile : nullptr;
    if (s->dataFile && !(byLink && s->dataFile == shown))
        DataFileRead(session, *s->dataFile);
    ScreenInitApply(session, s);
    session->current = s;
    if (CalcRun(info, session, s->calcs, 1))
        session->modified = 1;
    ItemsRefresh(s->dialog);
    DialogStart(s->dialog, SCREEN_BACKGROUND, s->focusItem);
    session->firstKey = 1;
}
