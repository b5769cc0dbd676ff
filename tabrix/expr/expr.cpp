/*
 * expr.cpp - the expression evaluator.
 *
 * Every grammar rule first tests the session's error code and yields 0.0
 * when it is set, reading nothing more; a rule that meets an error on the
 * way yields 0.0 too.  The token reader has no such test.  A comparison
 * whose second sum failed still compares its two values.
 */
#include "expr/expr.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/messages/messages.h"
#include "script/line.h"
#include "script/model.h"
#include "text/number.h"

#define EXPR_DEG_TO_RAD 0.017453292519943295
#define EXPR_RAD_TO_DEG 57.29577951308232
#define EXPR_PI 3.141592653589793

/* Function names in the order they are recognised: ATAN2 before ATAN. */
static const struct {
    const char *name;
    uint32_t code;
} exprFunctions[] = {
    {"SIN", EXPR_SIN},     {"COS", EXPR_COS},   {"TAN", EXPR_TAN},     {"ASIN", EXPR_ASIN},
    {"ACOS", EXPR_ACOS},   {"ATAN2", EXPR_ATAN2}, {"ATAN", EXPR_ATAN}, {"SQRT", EXPR_SQRT},
    {"ABS", EXPR_ABS},     {"INT", EXPR_INT},   {"ROUND", EXPR_ROUND}, {"NEG", EXPR_NEG},
};

static double ExprComparison(_EXPR_PARSER *p);

static bool ExprFailed(const _EXPR_PARSER *p) {
    return p->session->errorCode != 0;
}

/* Records error 38 with why, at the token being read, unless an error
   already stands; yields 0.0. */
__attribute__((format(printf, 2, 3)))
static double ExprFail(_EXPR_PARSER *p, const char *why, ...) {
    if (ExprFailed(p))
        return 0.0;
    char reason[ERROR_REASON_SIZE];
    va_list args;
    va_start(args, why);
    std::vsnprintf(reason, sizeof reason, why, args);
    va_end(args);
    SessionSetCode(p->session, MSG_PHRASE_ERROR, "%s", reason);
    p->failAt = p->tokenAt;
    return 0.0;
}

static const char *ExprFunctionText(uint32_t code) {
    for (const auto &f : exprFunctions)
        if (f.code == code)
            return f.name;
    return "";
}

static double ExprResult(const _EXPR_PARSER *p, double v) {
    return ExprFailed(p) ? 0.0 : v;
}

/* ---- tokens ---- */

/* Operators and punctuation; advances past them. */
static uint32_t ExprSymbol(_EXPR_PARSER *p) {
    const char *s = p->text + p->position;
    uint32_t kind;
    size_t length = 1;
    switch (s[0]) {
    case '+': kind = EXPR_PLUS; break;
    case '-': kind = EXPR_MINUS; break;
    case '*': kind = EXPR_TIMES; break;
    case '/': kind = EXPR_DIVIDE; break;
    case '(': kind = EXPR_OPEN; break;
    case ')': kind = EXPR_CLOSE; break;
    case ',': kind = EXPR_COMMA; break;
    case '=': kind = EXPR_EQUAL; break;
    case '<':
        kind = s[1] == '=' ? EXPR_LESS_EQUAL : s[1] == '>' ? EXPR_NOT_EQUAL : EXPR_LESS;
        length = kind == EXPR_LESS ? 1 : 2;
        break;
    case '>':
        kind = s[1] == '=' ? EXPR_GREATER_EQUAL : EXPR_GREATER;
        length = kind == EXPR_GREATER ? 1 : 2;
        break;
    default:
        return EXPR_NONE;
    }
    p->position += length;
    return kind;
}

/* A function name at the position, whatever follows it. */
static bool ExprFunctionName(_EXPR_PARSER *p) {
    const char *s = p->text + p->position;
    for (const auto &f : exprFunctions) {
        size_t n = std::strlen(f.name);
        if (std::strncmp(s, f.name, n) == 0) {
            p->token.kind = EXPR_FUNCTION;
            p->token.function = f.code;
            p->position += n;
            return true;
        }
    }
    return false;
}

/* A parameter or real-slot index: an optional sign and digits, none
   reading 0. */
static void ExprIndex(_EXPR_PARSER *p, uint32_t kind, int64_t size) {
    int64_t index;
    const char *digits = p->text + p->position;
    size_t used = LineParseInt(digits, &index);
    p->position += used;
    if (index < 0 || index >= size) {
        ExprFail(p, "%s %c%.*s is outside 0..%lld", kind == EXPR_PARAM ? "parameter" : "real slot",
                 digits[-1], (int)used, digits, (long long)size - 1);
        return;
    }
    p->token.kind = kind;
    p->token.integer = (int32_t)index;
}

/* M bank "." offset: the key is the offset of a cell wholly inside the
   memory image; the bank takes no part. */
static void ExprVariable(_EXPR_PARSER *p) {
    int64_t bank, offset;
    p->position += LineParseInt(p->text + p->position, &bank);
    if (p->text[p->position] != '.') {
        ExprFail(p, "variable M needs bank.offset, such as M1.8");
        return;
    }
    p->position++;
    p->position += LineParseInt(p->text + p->position, &offset);
    if (!ImageCellInside(offset)) {
        ExprFail(p, "variable offset %lld is outside the memory image (0..%d)", (long long)offset,
                 IMAGE_SIZE - 4);
        return;
    }
    VariableRegister((uint32_t)offset);
    p->token.kind = EXPR_VARIABLE;
    p->token.integer = (int32_t)offset;
}

static void ExprNumber(_EXPR_PARSER *p) {
    double v;
    size_t used = StrParseReal(p->text + p->position, &v);
    if (used == 0) {
        ExprFail(p, "unexpected \"%c\"", p->text[p->position]);
        return;
    }
    p->position += used;
    p->token.kind = EXPR_NUMBER;
    p->token.real = v;
}

void ExprNextToken(_EXPR_PARSER *p) {
    p->token = _EXPR_TOKEN{};
    p->tokenAt = p->position;
    const char *s = p->text + p->position;
    if (s[0] == '\0') {
        p->token.kind = EXPR_END;               /* never consumed */
        return;
    }
    if ((p->token.kind = ExprSymbol(p)) != EXPR_NONE || ExprFunctionName(p))
        return;
    if (s[0] == 'P' && s[1] == 'I') {
        p->position += 2;
        p->token.kind = EXPR_NUMBER;
        p->token.real = EXPR_PI;
        return;
    }
    switch (s[0]) {
    case 'C':
    case 'R':
        p->position++;
        ExprIndex(p, EXPR_PARAM, PARAM_COUNT);
        break;
    case 'D':
        p->position++;
        ExprIndex(p, EXPR_SLOT, REAL_SLOTS);
        break;
    case 'M':
        p->position++;
        ExprVariable(p);
        break;
    default:
        ExprNumber(p);
        break;
    }
}

/* ---- grammar ---- */

/* INT: truncation toward zero, saturated at the 32-bit range. */
static double ExprTruncate(double x) {
    if (std::isnan(x))
        return 0.0;
    if (x >= 2147483647.0)
        return INT32_MAX;
    if (x <= -2147483648.0)
        return INT32_MIN;
    return (int32_t)x;
}

static double ExprApply(uint32_t function, double x, double y) {
    switch (function) {
    case EXPR_SIN: return std::sin(x * EXPR_DEG_TO_RAD);
    case EXPR_COS: return std::cos(x * EXPR_DEG_TO_RAD);
    case EXPR_TAN: return std::tan(x * EXPR_DEG_TO_RAD);
    case EXPR_ASIN: return std::asin(x) * EXPR_RAD_TO_DEG;
    case EXPR_ACOS: return std::acos(x) * EXPR_RAD_TO_DEG;
    case EXPR_ATAN: return std::atan2(x, 1.0) * EXPR_RAD_TO_DEG;
    case EXPR_ATAN2: return std::atan2(x, y) * EXPR_RAD_TO_DEG;
    case EXPR_SQRT: return std::sqrt(x);
    case EXPR_ABS: return x < 0 ? -x : x;
    case EXPR_INT: return ExprTruncate(x);
    case EXPR_NEG: return -x;
    case EXPR_ROUND: return RoundToInt(x);
    default: return 0.0;
    }
}

/* A comparison one level deeper, within the nesting bound. */
static double ExprNested(_EXPR_PARSER *p) {
    if (p->depth >= EXPR_DEPTH_MAX)
        return ExprFail(p, "nesting deeper than %d", EXPR_DEPTH_MAX);
    p->depth++;
    double v = ExprComparison(p);
    p->depth--;
    return v;
}

/* ")" closing a parenthesis or an argument list. */
static double ExprClose(_EXPR_PARSER *p, double v) {
    if (ExprFailed(p))
        return 0.0;
    if (p->token.kind != EXPR_CLOSE)
        return ExprFail(p, "\")\" expected");
    ExprNextToken(p);
    return ExprResult(p, v);
}

/* "(" comparison ")", the token being "(". */
static double ExprParenthesis(_EXPR_PARSER *p) {
    ExprNextToken(p);
    double v = ExprNested(p);
    return ExprClose(p, v);
}

/* function "(" comparison [ "," comparison ] ")", the token being the
   name.  Every function takes the second argument; only ATAN2 uses it. */
static double ExprCall(_EXPR_PARSER *p) {
    uint32_t function = p->token.function;
    ExprNextToken(p);
    if (ExprFailed(p))
        return 0.0;
    if (p->token.kind != EXPR_OPEN)
        return ExprFail(p, "\"(\" expected after %s", ExprFunctionText(function));
    ExprNextToken(p);
    double x = ExprNested(p), y = 0.0;
    if (!ExprFailed(p) && p->token.kind == EXPR_COMMA) {
        ExprNextToken(p);
        y = ExprNested(p);
    }
    return ExprClose(p, ExprApply(function, x, y));
}

static double ExprReference(const _EXPR_PARSER *p) {
    const _EXPR_TOKEN *t = &p->token;
    switch (t->kind) {
    case EXPR_PARAM:
        return p->session->params[t->integer].value;
    case EXPR_SLOT:
        return p->session->reals[t->integer];
    default: {
        const _VARIABLE *v = VariableFind((uint32_t)t->integer);
        return v ? v->value : 0;
    }
    }
}

static double ExprPrimary(_EXPR_PARSER *p) {
    if (ExprFailed(p))
        return 0.0;
    double v;
    switch (p->token.kind) {
    case EXPR_NUMBER:
        v = p->token.real;
        break;
    case EXPR_PARAM:
    case EXPR_SLOT:
    case EXPR_VARIABLE:
        v = ExprReference(p);
        break;
    case EXPR_OPEN:
        return ExprParenthesis(p);
    case EXPR_FUNCTION:
        return ExprCall(p);
    case EXPR_END:
        return ExprFail(p, "a value expected at the end");
    default:
        return ExprFail(p, "a value expected, not \"%c\"", p->text[p->tokenAt]);
    }
    ExprNextToken(p);
    return ExprResult(p, v);
}

/* One sign at most: --2 is an error. */
static double ExprUnary(_EXPR_PARSER *p) {
    if (ExprFailed(p))
        return 0.0;
    uint32_t sign = p->token.kind;
    if (sign == EXPR_PLUS || sign == EXPR_MINUS)
        ExprNextToken(p);
    double v = ExprPrimary(p);
    return ExprResult(p, sign == EXPR_MINUS ? -v : v);
}

static double ExprTerm(_EXPR_PARSER *p) {
    if (ExprFailed(p))
        return 0.0;
    double v = ExprUnary(p);
    while (!ExprFailed(p) && (p->token.kind == EXPR_TIMES || p->token.kind == EXPR_DIVIDE)) {
        uint32_t op = p->token.kind;
        ExprNextToken(p);
        double u = ExprUnary(p);
        v = op == EXPR_TIMES ? v * u : v / u;
    }
    return ExprResult(p, v);
}

static double ExprSum(_EXPR_PARSER *p) {
    if (ExprFailed(p))
        return 0.0;
    double v = ExprTerm(p);
    while (!ExprFailed(p) && (p->token.kind == EXPR_PLUS || p->token.kind == EXPR_MINUS)) {
        uint32_t op = p->token.kind;
        ExprNextToken(p);
        double t = ExprTerm(p);
        v = op == EXPR_PLUS ? v + t : v - t;
    }
    return ExprResult(p, v);
}

static bool ExprHolds(uint32_t relation, double a, double b) {
    switch (relation) {
    case EXPR_EQUAL: return a == b;
    case EXPR_GREATER: return a > b;
    case EXPR_LESS: return a < b;
    case EXPR_GREATER_EQUAL: return a >= b;
    case EXPR_LESS_EQUAL: return a <= b;
    default: return a != b;
    }
}

/* One relation at most: 1<2<3 is 1.0 and the rest is not read. */
static double ExprComparison(_EXPR_PARSER *p) {
    if (ExprFailed(p))
        return 0.0;
    double a = ExprSum(p);
    uint32_t relation = p->token.kind;
    if (ExprFailed(p) || relation < EXPR_EQUAL || relation > EXPR_NOT_EQUAL)
        return a;
    ExprNextToken(p);
    double b = ExprSum(p);                  /* compared even when it failed */
    return ExprHolds(relation, a, b) ? 1.0 : 0.0;
}

double ExprEvaluateAt(const _TABRIX_INFO *, _SESSION *session, const char *text, size_t *failAt) {
    _EXPR_PARSER p{};
    p.text = text ? text : "";
    p.session = session;
    ExprNextToken(&p);
    double v = ExprComparison(&p);
    if (failAt != nullptr)
        *failAt = p.failAt;
    return v;
}

double ExprEvaluate(const _TABRIX_INFO *info, _SESSION *session, const char *text) {
    return ExprEvaluateAt(info, session, text, nullptr);
}
