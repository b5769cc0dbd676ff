/*
 * model.cpp - lookups in the loaded script model.
 */
#include "script/model.h"

#include "session/session.h"

_VARIABLE *VariableFind(uint32_t key) {
    _VARIABLE *v = TabrixSession.variables;
    while (v && v->next && v->key != key)
        v = v->next;
    return v;
}
