/*
 * model.cpp - the memory image, the variable list, screen lookup and the
 * current entry of choice fields.
 */
#include "script/model.h"

#include <cstring>

#include "common/memory/memory.h"
#include "script/line.h"
#include "session/session.h"

static uint8_t memoryImage[IMAGE_SIZE];

bool ImageCellInside(int64_t offset) {
    return offset >= 0 && offset <= IMAGE_SIZE - (int64_t)sizeof(int32_t);
}

int32_t ImageCellRead(int64_t offset) {
    int32_t value = 0;
    if (ImageCellInside(offset))
        std::memcpy(&value, memoryImage + offset, sizeof value);
    return value;
}

int ImageCellWrite(int64_t offset, int32_t value) {
    if (!ImageCellInside(offset))
        return 0;
    std::memcpy(memoryImage + offset, &value, sizeof value);
    return 1;
}

extern "C" TABRIX_API uint8_t *TabrixMemoryImage(uint32_t *size) {
    if (size != nullptr)
        *size = IMAGE_SIZE;
    return memoryImage;
}

static uint32_t ValueRefDigits(int32_t digits, int shift) {
    return digits < 0 || (uint32_t)digits > VALUEREF_DIGITS_MASK ? 0u : (uint32_t)digits << shift;
}

uint32_t ValueRefFlags(uint32_t type, int32_t start, int32_t count, int32_t sign) {
    return (type & VALUEREF_TYPE_MASK) << VALUEREF_TYPE_SHIFT |
           ValueRefDigits(start, VALUEREF_START_SHIFT) |
           ValueRefDigits(count, VALUEREF_COUNT_SHIFT) | (sign ? VALUEREF_SIGNED : 0u);
}

_SCREEN *ScreenFind(const char *name) {
    _SCREEN *s = &TabrixSession.screens;
    while (s->dialog && std::strcmp(s->name, name) != 0)
        s = s->next;
    return s;
}

/* The terminal entry is allocated before the old one takes the key, so a
   full pool leaves the list ending in an all-zero entry. */
void VariableRegister(uint32_t key) {
    _VARIABLE *v = TabrixSession.variables;
    if (v == nullptr) {
        if ((v = (_VARIABLE *)AllocZeroed(sizeof *v)) == nullptr)
            return;
        TabrixSession.variables = v;
    }
    while (v->next && v->key != key)
        v = v->next;
    if (v->next)
        return;
    _VARIABLE *terminal = (_VARIABLE *)AllocZeroed(sizeof *terminal);
    if (terminal == nullptr)
        return;
    v->key = key;
    v->value = ImageCellRead(key);
    v->next = terminal;
}

_VARIABLE *VariableFind(uint32_t key) {
    _VARIABLE *v = TabrixSession.variables;
    while (v && v->next && v->key != key)
        v = v->next;
    return v;
}

/* LIST: the last entry whose value is the magnitude of the digit field;
   the first entry ("???") when none is. */
static void ChoiceSelectList(_LIST_ITEM *list, const _VALUEREF *ref) {
    int32_t start = ValueRefStart(ref), count = ValueRefCount(ref);
    int64_t v = ref->flags & VALUEREF_VARIABLE ? VarGetDigits(ref->number, start, count)
                                               : ParamGetDigits(ref->number, start, count);
    if (v < 0)
        v = -v;
    list->current = list->first;
    for (_LIST_ENTRY *e = list->first; e; e = e->next)
        if (e->value == v)
            list->current = e;
}

/* SIGN: the last entry of the whole value's sign; the first entry for 0.
   The chain keeps no first, so it is found from the current entry. */
static void ChoiceSelectSign(_LIST_ITEM *list, const _VALUEREF *ref) {
    _LIST_ENTRY *e = list->current;
    if (e == nullptr)
        return;
    while (e->prev)
        e = e->prev;
    list->current = e;
    int32_t v = ParamGetDigits(ref->number, 1, LINE_PARAM_TOP);
    if (v == 0)
        return;
    for (; e; e = e->next)
        if (e->value == (v < 0 ? -1 : 1))
            list->current = e;
}

void ChoiceSelect(_ITEM *item) {
    const _VALUEREF *ref = (const _VALUEREF *)item->valueRef;
    if (item->kind != DLG_ITEM_LIST || ref == nullptr)
        return;
    _LIST_ITEM *list = (_LIST_ITEM *)item->data;
    if (ValueRefType(ref) == LINE_LIST)
        ChoiceSelectList(list, ref);
    else if (ValueRefType(ref) == LINE_SIGN)
        ChoiceSelectSign(list, ref);
}
