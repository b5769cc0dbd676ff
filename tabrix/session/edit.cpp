/*
 * edit.cpp - fields to values and back, and CALC entries.
 *
 * Value fields show a digit field of a parameter or variable as INT, REAL
 * (scaled by 10^decimals) or HEX text; the dialog engine lets the operator
 * type any characters, and the rules of each type apply only here, when the
 * text is taken.  Choice fields select the entry of the field's value.
 */
#include "session/edit.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "dialog/dialog.h"
#include "expr/expr.h"
#include "script/line.h"
#include "script/model.h"
#include "text/number.h"

#define EDIT_MAGNITUDE_MAX 2147483647.0
#define CALC_LIMIT 69999999.0   /* a parameter computed beyond it is clamped */

int32_t EditDecimals(const _SESSION *session) {
    const _SCREEN *s = session->current;
    return s && s->dataFile ? s->dataFile->decimals : 3;
}

static bool EditIsVariable(const _VALUEREF *ref) {
    return (ref->flags & VALUEREF_VARIABLE) != 0;
}

static bool EditIsSigned(const _VALUEREF *ref) {
    return (ref->flags & VALUEREF_SIGNED) != 0;
}

/* The field's value; its magnitude unless the field is signed. */
static int64_t EditCurrent(const _VALUEREF *ref) {
    int32_t start = ValueRefStart(ref), count = ValueRefCount(ref);
    int64_t cur = EditIsVariable(ref) ? VarGetDigits(ref->number, start, count)
                                      : ParamGetDigits(ref->number, start, count);
    return cur < 0 && !EditIsSigned(ref) ? -cur : cur;
}

static void EditFormat(const _VALUEREF *ref, int64_t cur, char *text) {
    switch (ValueRefType(ref)) {
    case LINE_REAL: {
        int32_t decimals = EditDecimals(&TabrixSession);
        RealToText((double)cur / PowInt(10.0, decimals), text, decimals);
        break;
    }
    case LINE_HEX:
        HexToText8((uint32_t)cur, text);
        break;
    default:
        std::snprintf(text, EDIT_TEXT_SIZE, "%lld", (long long)cur);
        break;
    }
}

void ItemsRefresh(_DIALOG *dialog) {
    for (_ITEM *item = dialog->firstItem; item; item = item->next) {
        const _VALUEREF *ref = (const _VALUEREF *)item->valueRef;
        if (ref == nullptr)
            continue;
        if (item->kind == DLG_ITEM_EDIT)
            EditFormat(ref, EditCurrent(ref), ((_EDIT_ITEM *)item->data)->text);
        else if (item->kind == DLG_ITEM_LIST)
            ChoiceSelect(item);
    }
}

/* A text read by the field's type: the value and whether every character
   was used. */
struct _EDIT_PARSE {
    int32_t value;
    bool whole;
};

static _EDIT_PARSE EditParse(const _VALUEREF *ref, const char *text) {
    size_t length = std::strlen(text), used;
    int32_t value;
    switch (ValueRefType(ref)) {
    case LINE_REAL: {
        double real;
        used = StrParseReal(text, &real);
        value = RoundToInt(real * PowInt(10.0, EditDecimals(&TabrixSession)));
        break;
    }
    case LINE_HEX:
        used = StrParseHex(text, &value);
        if (value < 0)
            used = 0;           /* the top bit is no digit of a field */
        break;
    default:
        used = StrParseInt(text, &value);
        break;
    }
    return {value, used == length};
}

/* The size of what the text says, as stored, for the overflow test. */
static double EditMagnitude(const _VALUEREF *ref, const char *text) {
    double real;
    StrParseReal(text, &real);
    double m = std::fabs(real);
    if (ValueRefType(ref) == LINE_REAL)
        m *= PowInt(10.0, EditDecimals(&TabrixSession));
    return std::fabs(m * PowInt(10.0, ValueRefStart(ref) - 1));
}

/* Takes one value field; false when it is refused. */
static bool EditCommitField(_ITEM *item) {
    const _VALUEREF *ref = (const _VALUEREF *)item->valueRef;
    const char *text = ((_EDIT_ITEM *)item->data)->text;
    int64_t cur = EditCurrent(ref);
    double magnitude = EditMagnitude(ref, text);
    _EDIT_PARSE parsed = EditParse(ref, text);
    if (parsed.value == cur && parsed.whole)
        return true;
    int32_t start = ValueRefStart(ref), count = ValueRefCount(ref);
    int32_t sign = EditIsSigned(ref) ? 1 : 0;
    int32_t ok = 0;
    if (!EditIsVariable(ref)) {
        TabrixSession.modified = 1;
        ok = ParamSetDigits(ref->number, start, (uint32_t)count, parsed.value, sign);
    } else if (magnitude <= EDIT_MAGNITUDE_MAX) {
        ok = VarSetDigits(ref->number, start, (uint32_t)count, parsed.value, sign);
    }
    return parsed.whole && ok && !(parsed.value < 0 && !sign) && magnitude <= EDIT_MAGNITUDE_MAX;
}

/* Whether taking a field would change its value: a text that is not the
   value's own, or a choice that is not the value's.  Changes nothing. */
static bool EditPending(const _ITEM *item) {
    const _VALUEREF *ref = (const _VALUEREF *)item->valueRef;
    if (item->kind == DLG_ITEM_EDIT) {
        _EDIT_PARSE parsed = EditParse(ref, ((const _EDIT_ITEM *)item->data)->text);
        return !(parsed.whole && parsed.value == EditCurrent(ref));
    }
    const _LIST_ENTRY *chosen = ((const _LIST_ITEM *)item->data)->current;
    if (chosen == nullptr)
        return false;
    if (ValueRefType(ref) == LINE_SIGN) {
        int32_t p = TabrixSession.params[ref->number].value;
        return (chosen->value == 1 && p < 0) || (chosen->value == -1 && p > 0);
    }
    int64_t cur = EditCurrent(ref);
    return chosen->value != -1 && chosen->value != (cur < 0 ? -cur : cur);
}

bool ItemsPending(const _DIALOG *dialog) {
    for (const _ITEM *item = dialog->firstItem; item; item = item->next)
        if (item->valueRef != nullptr && (item->kind == DLG_ITEM_EDIT || item->kind == DLG_ITEM_LIST) &&
            EditPending(item))
            return true;
    return false;
}

/* A SIGN turns the sign of the whole value to the chosen one. */
static void EditCommitSign(const _ITEM *item) {
    const _VALUEREF *ref = (const _VALUEREF *)item->valueRef;
    const _LIST_ENTRY *chosen = ((const _LIST_ITEM *)item->data)->current;
    _PARAM *p = &TabrixSession.params[ref->number];
    if (chosen && ((chosen->value == 1 && p->value < 0) || (chosen->value == -1 && p->value > 0))) {
        p->value = (int32_t)(0u - (uint32_t)p->value);
        TabrixSession.modified = 1;
    }
}

/* A LIST stores the chosen entry's number; the "???" entry changes
   nothing. */
static void EditCommitList(const _ITEM *item) {
    const _VALUEREF *ref = (const _VALUEREF *)item->valueRef;
    const _LIST_ENTRY *chosen = ((const _LIST_ITEM *)item->data)->current;
    if (chosen == nullptr || chosen->value == -1) 
        return;
    int64_t cur = EditCurrent(ref);
    if (chosen->value == (cur < 0 ? -cur : cur))
        return;
    int32_t start = ValueRefStart(ref);
    uint32_t count = (uint32_t)ValueRefCount(ref);
    if (EditIsVariable(ref)) {
        VarSetDigits(ref->number, start, count, chosen->value, 0);
    } else {
        ParamSetDigits(ref->number, start, count, chosen->value, 0);
        TabrixSession.modified = 1;
    }
}

int32_t ItemsCommit(_DIALOG *dialog) {
    int32_t result = 1;
    for (_ITEM *item = dialog->firstItem; item; item = item->next) {
        const _VALUEREF *ref = (const _VALUEREF *)item->valueRef;
        if (ref == nullptr)
            continue;
        if (item->kind == DLG_ITEM_EDIT) {
            if (!EditCommitField(item)) {
                DialogDrawItem(dialog, item, item == dialog->focusItem, EDIT_REFUSED_COLOUR,
                               DIALOG_NO_OVERRIDE);
                result = 0;
            }
        } else if (item->kind == DLG_ITEM_LIST) {
            if (ValueRefType(ref) == LINE_SIGN)
                EditCommitSign(item);
            else
                EditCommitList(item);
        }
    }
    return result;
}

static void CalcStore(_SESSION *session, const _CALCENTRY *c, double x) {
    switch (c->flags & CALC_TARGET_MASK) {
    case CALC_TARGET_PARAM: {
        _PARAM *p = &session->params[c->target];
        if (RoundToInt(x) != p->value) {
            x = x > CALC_LIMIT ? CALC_LIMIT : x < -CALC_LIMIT ? -CALC_LIMIT : x;
            p->value = RoundToInt(x);
            p->flags |= PARAM_VALID;
        }
        break;
    }
    case CALC_TARGET_VARIABLE: {
        _VARIABLE *v = VariableFind(c->target);
        if (v)
            v->value = RoundToInt(x);
        break;
    }
    default:
        session->reals[c->target] = x;
        break;
    }
}

int32_t CalcRun(const _TABRIX_INFO *info, _SESSION *session, _CALCENTRY *list, int32_t onlyMarked) {
    static _PARAM before[PARAM_COUNT];
    std::memcpy(before, session->params, sizeof before);
    for (_CALCENTRY *c = list; c; c = c->next) {
        if (onlyMarked && !(c->flags & CALC_ON_ENTRY))
            continue;
        if (c->condition && ExprEvaluate(info, session, c->condition) == 0.0)
            continue;
        CalcStore(session, c, ExprEvaluate(info, session, c->expression));
    }
    return std::memcmp(before, session->params, sizeof before) != 0;
}
