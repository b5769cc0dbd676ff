/*
 * expr.h - the arithmetic of CALC items: a recursive-descent parser that
 * evaluates while it parses, one token ahead.
 *
 *   comparison = sum [ ("=" | ">" | "<" | ">=" | "<=" | "<>") sum ]
 *   sum        = term { ("+" | "-") term }
 *   term       = unary { ("*" | "/") unary }
 *   unary      = [ "+" | "-" ] primary
 *   primary    = number | "PI" | C n | R n | D n | M bank "." offset
 *              | "(" comparison ")"
 *              | function "(" comparison [ "," comparison ] ")"
 *
 * Angles are degrees.  Errors go to the session's error code only: 38 for
 * any syntax or reference error, 13 when a new variable finds no room.
 */
#ifndef TABRIX_EXPR_EXPR_H
#define TABRIX_EXPR_EXPR_H

#include <cstddef>
#include <cstdint>

#include "session/session.h"
#include "tabrix/tabrix.h"

/* Token kinds. */
enum {
    EXPR_NONE = 0,              /* the read failed */
    EXPR_PLUS = 1,
    EXPR_MINUS = 2,
    EXPR_TIMES = 3,
    EXPR_DIVIDE = 4,
    EXPR_OPEN = 5,
    EXPR_CLOSE = 6,
    EXPR_FUNCTION = 7,
    EXPR_VARIABLE = 8,
    EXPR_PARAM = 9,
    EXPR_SLOT = 10,
    EXPR_NUMBER = 11,
    EXPR_COMMA = 12,
    EXPR_END = 13,
    EXPR_EQUAL = 14,
    EXPR_GREATER = 15,
    EXPR_LESS = 16,
    EXPR_GREATER_EQUAL = 17,
    EXPR_LESS_EQUAL = 18,
    EXPR_NOT_EQUAL = 19,
};

/* Function codes. */
enum {
    EXPR_SIN = 1,
    EXPR_COS = 2,
    EXPR_TAN = 3,
    EXPR_ASIN = 4,
    EXPR_ACOS = 5,
    EXPR_ATAN = 6,
    EXPR_ATAN2 = 7,
    EXPR_SQRT = 8,
    EXPR_ABS = 9,
    EXPR_INT = 10,
    EXPR_NEG = 11,
    EXPR_ROUND = 12,
};

/* Parentheses and function calls nest at most this deep. */
#define EXPR_DEPTH_MAX 256

struct _EXPR_TOKEN {
    uint32_t kind;
    int32_t integer;            /* parameter or slot index, variable key */
    double real;                /* value of a number */
    uint32_t function;          /* function code */
};

/* The state of one evaluation. */
struct _EXPR_PARSER {
    _EXPR_TOKEN token;          /* the token ahead */
    const char *text;           /* not owned */
    size_t position;            /* next unread character */
    _SESSION *session;          /* the library's session */
    uint32_t depth;             /* open parentheses and calls */
    size_t tokenAt;             /* where the token ahead begins */
    size_t failAt;              /* where the error was met */
};

/* Reads the next token into the parser; records error 38 for a character
   that starts none and for a reference outside its table, and registers a
   variable at its first reference. */
void ExprNextToken(_EXPR_PARSER *parser);

/* The value of text, one comparison; 0.0 when an error stopped it, except
   that a comparison whose second sum failed still compares.  An error code
   set before the call stands, and the result is then 0.0.  info is not
   read. */
double ExprEvaluate(const _TABRIX_INFO *info, _SESSION *session, const char *text);

/* ExprEvaluate that also tells where in text its error was met (the
   index of the token it stopped at), for the caller's message. */
double ExprEvaluateAt(const _TABRIX_INFO *info, _SESSION *session, const char *text, size_t *failAt);

#endif
