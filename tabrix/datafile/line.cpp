/*
 * line.cpp - the rules of a data file's lines.
 */
#include "datafile/line.h"

#include <cstring>

#include "text/number.h"

/* Significant digits of a parameter number beyond which it names no
   parameter of the table, whatever its 32-bit wrap would give. */
#define DATALINE_NUMBER_DIGITS 4

/* The table index that a number text of used characters names, or -1. */
static int32_t DataLineNumber(const char *text, size_t used, int32_t parsed) {
    size_t i = text[0] == '+' || text[0] == '-' ? 1 : 0;
    while (i < used && text[i] == '0')
        i++;
    if (used - i > DATALINE_NUMBER_DIGITS || parsed < 0 || parsed >= PARAM_COUNT)
        return -1;
    return parsed;
}

static int DataLineFault(_DATALINE *out, const char *at, const char *why) {
    out->why = why;
    out->at = at;
    return DATALINE_BAD;
}

bool DataLineHeld(double value, bool raw, uint8_t decimals, _PARAM *param) {
    if (raw) {
        /* A raw value is written as an unsigned 32-bit number, so 2^31 ..
           2^32-1 stand for the negative values of their pattern. */
        if (!(value > -2147483648.5 && value < 4294967295.5))
            return false;
        param->value = value >= 2147483647.5 ? (int32_t)(uint32_t)(value + 0.5) : RoundToInt(value);
        param->flags = PARAM_VALID | PARAM_RAW;
        return true;
    }
    double scaled = value * PowInt(10.0, decimals);
    if (!(scaled > -2147483648.5 && scaled < 2147483647.5))
        return false;
    param->value = RoundToInt(scaled);
    param->flags = PARAM_VALID;
    return true;
}

/* A parameter line: number, ":", value, an optional "L", then the end or
   a comment. */
static int DataLineParameter(const char *line, uint8_t decimals, _DATALINE *out) {
    int32_t number;
    size_t used = StrParseInt(line, &number);
    if (used == 0)
        return DataLineFault(out, line, "a parameter line begins with its number: number:value");
    if (line[used] != ':')
        return DataLineFault(out, line + used, "\":\" expected after the parameter number");
    const char *text = line + used + 1;
    double value;
    size_t valueUsed = StrParseReal(text, &value);
    if (valueUsed == 0)
        return DataLineFault(out, text, "no value after \":\"");
    const char *rest = text + valueUsed;
    bool raw = *rest == 'L' || *rest == 'l';
    if (raw)
        rest++;
    if (*rest != '\0' && *rest != '"' && *rest != ';')
        return DataLineFault(out, rest, "text after the value: a comment begins with \";\" or a double quote");
    out->number = DataLineNumber(line, used, number);
    out->held = DataLineHeld(value, raw, decimals, &out->param);
    out->comment = *rest != '\0' ? rest : nullptr;
    return DATALINE_PARAM;
}

int DataLineTake(_DATASTATE *state, const char *line, const char *word, uint8_t decimals,
                 _DATALINE *out) {
    int kind = DATALINE_NONE;
    if (std::strcmp(line, "*") == 0)
        state->values = false;
    if (state->values && line[0] != '\0' && line[0] != '"' && line[0] != ';')
        kind = DataLineParameter(line, decimals, out);
    /* The word is tested after the line was taken as a value line, so
       the word's own line is never one. */
    if (std::strcmp(line, word) == 0) {
        state->values = true;
        state->header = false;
    }
    return kind;
}
