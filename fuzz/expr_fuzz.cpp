/*
 * expr_fuzz.cpp - evaluating an expression: any text, with parameters,
 * real slots and memory-image cells holding values, as a CALC formula or
 * condition meets them.
 */
#include <cstring>
#include <string>

#include "common/memory/memory.h"
#include "expr/expr.h"
#include "platform/messages/messages.h"
#include "script/model.h"
#include "session/session.h"

alignas(8) static uint8_t pool[POOL_BUFFER_SIZE];

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    _SESSION *s = &TabrixSession;
    std::memset(s, 0, sizeof *s);
    MemoryInit(pool, sizeof pool);
    s->variables = (_VARIABLE *)AllocZeroed(sizeof(_VARIABLE));
    s->params[0] = {1, PARAM_VALID};
    s->params[12] = {-12500, PARAM_VALID};
    s->params[1999] = {INT32_MIN, PARAM_VALID | PARAM_RAW};
    s->reals[0] = 0.5;
    s->reals[29] = -1e300;
    ImageCellWrite(0, INT32_MAX);
    ImageCellWrite(8, -3);

    std::string text((const char *)data, size);
    double value = ExprEvaluate(nullptr, s, text.c_str());
    (void)value;
    if (s->errorCode != 0 && s->errorCode != MSG_PHRASE_ERROR && s->errorCode != MSG_NO_MEMORY)
        __builtin_trap();
    return 0;
}
