/*
 * dispatch.cpp - what each event does on the current screen: keys and the
 * focus, links to other screens, back, finish, forget and the manual
 * setting.  Typing inside a field is the dialog engine's; what happens
 * around it is decided here.
 */
#include <algorithm>
#include <cstring>

#include "common/memory/memory.h"
#include "datafile/datafile.h"
#include "dialog/dialog.h"
#include "platform/messages/messages.h"
#include "script/model.h"
#include "session/edit.h"
#include "session/prompts.h"
#include "session/screen.h"
#include "session/session.h"
#include "text/str.h"

/* DialogRefresh mask of the fields whose values the session rewrites. */
#define SESSION_VALUE_ITEMS (DLG_MASK_EDIT | DLG_MASK_LIST)

bool SessionIsMoveKey(int8_t key) {
    switch (key) {
    case DLG_KEY_ENTER: case DLG_KEY_UP: case DLG_KEY_RIGHT: case DLG_KEY_DOWN:
    case DLG_KEY_LEFT: case DLG_KEY_BACKSPACE:
        return true;
    default:
        return false;
    }
}

static bool SessionIsField(const _ITEM *item) {
    return item->kind == DLG_ITEM_EDIT || item->kind == DLG_ITEM_LIST;
}

static void SessionCalc(const _TABRIX_INFO *info, _SESSION *s, int32_t onlyMarked) {
    if (CalcRun(info, s, s->current->calcs, onlyMarked))
        s->modified = 1;
}

bool SessionSave(const _TABRIX_INFO *info, _SESSION *session) {
    SessionCalc(info, session, 0);
    if (session->current->dataFile)
        DataFileSave(session, *session->current->dataFile);
    if (session->errorCode == 0)
        return true;
    session->saveFailed = 1;
    ErrorScreenShow(info, session);
    return false;
}

/* The event after a failed save takes the error box away: the session
   goes on where it was, every edit still there. */
static uint32_t SessionDismiss(_SESSION *s) {
    s->errorCode = 0;
    s->errorText[0] = '\0';
    std::memset(&s->place, 0, sizeof s->place);
    s->saveFailed = 0;
    DialogRedraw(s->current->dialog);
    return 0;
}

/* A field whose parameter has no value, or one its data file does not
   keep (at or above its count), takes only up and down; the reason tells
   the operator why. */
static bool SessionFieldLocked(_SESSION *s, const _ITEM *item, int8_t key) {
    const _VALUEREF *ref = (const _VALUEREF *)item->valueRef;
    if (!SessionIsField(item) || key == DLG_KEY_DOWN || key == DLG_KEY_UP || ref == nullptr ||
        (ref->flags & VALUEREF_VARIABLE))
        return false;
    const _REKFILEINFO *file = s->current->dataFile;
    if (file != nullptr && ref->number >= file->count) {
        SessionSetHint(s, "parameter %u is read-only: %s keeps parameters 0 to %u", (unsigned)ref->number,
                       file->path, (unsigned)file->count - 1);
        return true;
    }
    uint32_t flags = s->params[ref->number].flags;
    if (flags & PARAM_VALID)
        return false;
    if (flags & PARAM_UNHELD)
        SessionSetHint(s, "parameter %u is read-only: its value in the data file does not fit 32 bits",
                       (unsigned)ref->number);
    else
        SessionSetHint(s, "parameter %u has no value in the data file", (unsigned)ref->number);
    return true;
}

/* The error text of a link to a missing screen: "File:" and the link's
   file part, " Dialog:" and its screen part; the place is the button's
   line. */
static void SessionLinkError(_SESSION *s, const _ITEM *button) {
    const char *target = ((const _BUTTON_ITEM *)button->data)->target;
    const char *star = std::strchr(target, '*');
    size_t fileLength = star ? (size_t)(star - target) : std::strlen(target);
    char text[ERROR_TEXT_SIZE];
    StrCopyN(text, MessageText(MSG_FILE), sizeof text);
    StrAppendN(text, ":", sizeof text);
    size_t used = std::strlen(text);
    StrCopyN(text + used, target, std::min(fileLength + 1, sizeof text - used));
    StrAppendN(text, " ", sizeof text);
    StrAppendN(text, MessageText(MSG_DIALOG), sizeof text);
    StrAppendN(text, ":", sizeof text);
    StrAppendN(text, star ? star + 1 : "", sizeof text);
    SessionSetError(s, MSG_DIALOG_NOT_FOUND, text, "no screen %s in %.*s for the button \"%s\"",
                    star ? star + 1 : target, (int)fileLength, target,
                    ((const _BUTTON_ITEM *)button->data)->label);
    const _LINKSOURCE *source = (const _LINKSOURCE *)button->valueRef;
    char file[ERROR_FILE_SIZE];
    StrCopyN(file, target, std::min(fileLength + 1, sizeof file));
    SessionErrorAt(s, file, source ? source->line : 0, source ? source->column : 0);
}

/* A button was pressed: take the screen's fields and open the screen it
   names, pushed on the stack. */
static uint32_t SessionLink(const _TABRIX_INFO *info, _SESSION *s, const _ITEM *button) {
    if (!ItemsCommit(s->current->dialog))
        return 0;
    SessionCalc(info, s, 0);
    const char *target = ((const _BUTTON_ITEM *)button->data)->target;
    _SCREEN *found = ScreenFind(target);
    if (found->dialog == nullptr) {
        SessionLinkError(s, button);
        ErrorScreenShow(info, s);
        return 0;
    }
    _SCREENLINK *link = (_SCREENLINK *)AllocZeroed(sizeof *link);
    if (link == nullptr)
        return 0;
    link->screen = found;
    link->below = s->stack;
    if (s->current->dataFile == nullptr)
        s->modified = 0;
    s->stack = link;
    ScreenEnter(info, s, found, true);
    /* A data file that cannot be read stops the session: say why. */
    if (s->errorCode != 0)
        ErrorScreenShow(info, s);
    return 0;
}

static uint32_t SessionKey(const _TABRIX_INFO *info, _SESSION *s, _DIALOGKEYB_INFO *keyb) {
    _DIALOG *d = s->current->dialog;
    _ITEM *cur = d->focusItem;
    if (cur == nullptr)
        return 0;
    SessionSetHint(s, "%s", "");
    /* Enter on a field moves to the next item, taking the field. */
    bool enterPressed = false;
    if (keyb->key == DLG_KEY_ENTER && cur->kind != DLG_ITEM_BUTTON) {
        keyb->key = DLG_KEY_DOWN;
        enterPressed = true;
    }
    if (SessionFieldLocked(s, cur, keyb->key))
        return 0;
    /* The first character typed after the focus arrives replaces the
       field's text. */
    if (cur->kind == DLG_ITEM_EDIT && s->firstKey && !SessionIsMoveKey(keyb->key))
        ((_EDIT_ITEM *)cur->data)->text[0] = '\0';
    s->firstKey = 0;
    uint32_t r = DialogCont(keyb, d);
    if (r != 0 && cur->kind == DLG_ITEM_BUTTON)
        return SessionLink(info, s, cur);
    if (d->focusItem != cur || enterPressed) {
        s->firstKey = 1;
        if (ItemsCommit(d)) {
            SessionCalc(info, s, 1);
            ItemsRefresh(d);
            DialogRefresh(d, SESSION_VALUE_ITEMS);
        }
    }
    return 0;
}

/* Back to the screen below, through the save prompt when another data
   file has unsaved changes. */
static uint32_t SessionBack(const _TABRIX_INFO *info, _SESSION *s) {
    if (!ItemsCommit(s->current->dialog) || s->stack == nullptr || s->stack->below == nullptr)
        return 0;
    SessionCalc(info, s, 0);
    _SCREENLINK *top = s->stack;
    _SCREEN *below = top->below->screen;
    if (s->current->dataFile && s->current->dataFile != below->dataFile && s->modified) {
        SavePromptOpen(info, s->current->dataFile);
        s->mode = MODE_SAVE_PROMPT;
        return 0;
    }
    s->current = below;
    s->stack = top->below;
    MemoryFree(top);
    ScreenInitApply(s, below);
    SessionCalc(info, s, 1);
    ItemsRefresh(below->dialog);
    DialogRedraw(below->dialog);
    return 0;
}

/* Takes the edits, saves, and ends the session; the variables go back to
   the memory image. */
static uint32_t SessionFinish(const _TABRIX_INFO *info, _SESSION *s) {
    if (!ItemsCommit(s->current->dialog) || !SessionSave(info, s))
        return 0;
    for (const _VARIABLE *v = s->variables; v && v->next; v = v->next)
        ImageCellWrite(v->key, v->value);
    return TABRIX_CONT_FINISHED;
}

/* Forgets the last saved file; handled even after an error. */
static uint32_t SessionForget(_SESSION *s) {
    std::memset(&s->lastSaved, 0, sizeof s->lastSaved);
    return TABRIX_CONT_FORGOTTEN;
}

static uint32_t SessionManual(const _TABRIX_INFO *info, _SESSION *s) {
    if (s->current->dataFile == nullptr)
        return 0;
    s->mode = MODE_MANUAL;
    ItemsCommit(s->current->dialog);
    SessionCalc(info, s, 1);
    ManualSettingOpen(info);
    return 0;
}

uint32_t SessionDispatch(const _TABRIX_INFO *info, _DIALOGKEYB_INFO *keyb) {
    _SESSION *s = &TabrixSession;
    if (s->saveFailed)
        return SessionDismiss(s);
    if (keyb->event == TABRIX_EVENT_FORGET)
        return SessionForget(s);
    if (s->errorCode != 0 || s->current == nullptr)
        return 0;
    switch (keyb->event) {
    case TABRIX_EVENT_KEY:
        return SessionKey(info, s, keyb);
    case TABRIX_EVENT_BACK:
        return SessionBack(info, s);
    case TABRIX_EVENT_FINISH:
        return SessionFinish(info, s);
    case TABRIX_EVENT_MANUAL:
        return SessionManual(info, s);
    default:
        return 0;
    }
}
