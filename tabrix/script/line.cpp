/*
 * line.cpp - preparing, classifying and reading script lines.
 *
 * An item line is a keyword, up to two quoted texts and then fields: one
 * letter each, most with a decimal number.  LIST and SIGN lines end with
 * their entries, which the fields reader passes over as "V" fields and
 * skipped texts; the entries checks read them properly.
 */
#include "script/line.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "common/memory/memory.h"
#include "session/session.h"
#include "text/str.h"

#define LINE_INT_CAP (int64_t{1} << 32)     /* beyond every bound */

char LineNoText[] = "";

/* Keywords in the order they are tried, with the texts each requires. */
static const struct {
    const char *word;
    uint32_t type;
    int texts;
    const char *needs;          /* the required texts, for a reason */
} lineKeywords[] = {
    {"DIALOG", LINE_DIALOG, 2, "a title and a screen name"},
    {"SCRIPT", LINE_SCRIPT, 2, "a label and a script file"},
    {"BITMAP", LINE_BITMAP, 1, "a BMP file"},
    {"SUB", LINE_SUB, 2, "a label and a screen name"},
    {"TEXT", LINE_TEXT, 1, "a text"},
    {"INIT", LINE_INIT, 0, ""},
    {"CALC", LINE_CALC, 1, "a formula"},
    {"LIST", LINE_LIST, 0, ""},
    {"INT", LINE_INT, 0, ""},
    {"REAL", LINE_REAL, 0, ""},
    {"SIGN", LINE_SIGN, 0, ""},
    {"HEX", LINE_HEX, 0, ""},
    {"REKFILE", LINE_REKFILE, 2, "an initializing word and a data file"},
};

/* References a field makes. */
#define REF_PARAM 1u
#define REF_SLOT 2u
#define REF_VARIABLE 4u

/* The fields that carry a number, with its bounds. */
static const struct {
    char letter;
    int64_t low, high;
    int32_t _LINEFIELDS::*field;
    uint32_t ref;
    const char *noun;           /* what the number is, for a reason */
} lineFields[] = {
    {'C', 0, PARAM_COUNT - 1, &_LINEFIELDS::number, REF_PARAM, "digit field"},
    {'R', 0, PARAM_COUNT - 1, &_LINEFIELDS::number, REF_PARAM, "digit field"},
    {'D', 0, REAL_SLOTS - 1, &_LINEFIELDS::slot, REF_SLOT, "real slot"},
    {'H', 1, LINE_VAR_TOP, &_LINEFIELDS::high, 0, "highest digit"},
    {'I', INT32_MIN, INT32_MAX, &_LINEFIELDS::value, 0, "value"},
    {'L', 1, LINE_VAR_TOP - 1, &_LINEFIELDS::low, 0, "lowest digit"},
    {'N', 1, LINE_VAR_TOP, &_LINEFIELDS::count, 0, "digit count"},
    {'X', 0, INT32_MAX, &_LINEFIELDS::x, 0, "column"},
    {'Y', 0, INT32_MAX, &_LINEFIELDS::y, 0, "row"},
};

/* Records why the line is bad and where; returns null for the caller to
   pass on. */
__attribute__((format(printf, 3, 4)))
static const char *ItemFault(_LINEFIELDS *f, const char *at, const char *why, ...) {
    va_list args;
    va_start(args, why);
    std::vsnprintf(f->why, sizeof f->why, why, args);
    va_end(args);
    f->badAt = at;
    return nullptr;
}

static bool LineIsDigit(char c) {
    return c >= '0' && c <= '9';
}

size_t LineParseInt(const char *s, int64_t *out) {
    size_t used = 0;
    bool negative = false;
    if (s[0] == '+' || s[0] == '-') {
        negative = s[0] == '-';
        used = 1;
    }
    int64_t v = 0;
    for (; LineIsDigit(s[used]); used++)
        if (v < LINE_INT_CAP)
            v = v * 10 + (s[used] - '0');
    *out = negative ? -v : v;
    return used;
}

void LineClean(char *line, uint16_t *columns) {
    line[StrIndexOf(line, "//")] = '\0';
    bool quoted = false;
    char *w = line;
    for (const char *r = line; *r; r++) {
        char c = *r;
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted) {
            if (c == ' ' || c == '\t')
                continue;
            c = CharUpper(c);
        }
        if (columns != nullptr)
            columns[w - line] = (uint16_t)(r - line);
        *w++ = c;
    }
    *w = '\0';
}

static bool LineQuotesOdd(const char *line) {
    bool odd = false;
    for (; *line; line++)
        odd ^= *line == '"';
    return odd;
}

static int LineKeyword(const char *line) {
    for (int i = 0; i < (int)(sizeof lineKeywords / sizeof lineKeywords[0]); i++)
        if (std::strncmp(line, lineKeywords[i].word, std::strlen(lineKeywords[i].word)) == 0)
            return i;
    return -1;
}

/* The kind of an entry line by its first character after an optional
   "V". */
static uint32_t LineEntryKind(char c) {
    if (c == '+' || c == '-')
        return LINE_SIGN_LINE;
    return LineIsDigit(c) ? LINE_NUMBER_LINE : LINE_BAD;
}

uint32_t LineClassify(char *line) {
    if (LineQuotesOdd(line))
        return LINE_BAD;
    if (line[0] == '\0')
        return LINE_EMPTY;
    int k = LineKeyword(line);
    if (k >= 0) {
        StrDelete(line, 0, std::strlen(lineKeywords[k].word), nullptr);
        return lineKeywords[k].type;
    }
    size_t v = line[0] == 'V' ? 1 : 0;
    uint32_t kind = LineEntryKind(line[v]);
    if (kind != LINE_BAD)
        StrDelete(line, 0, v, nullptr);
    return kind;
}

static bool LineIsLetter(char c) {
    return c >= 'A' && c <= 'Z';
}

void LineBadWhy(const char *line, _LINEFIELDS *f) {
    if (LineQuotesOdd(line)) {
        ItemFault(f, std::strrchr(line, '"'),
                  "a quoted text is not closed (a \"//\" inside a text starts a comment)");
        return;
    }
    size_t n = 0;
    while (LineIsLetter(line[n]))
        n++;
    if (n > 0)
        ItemFault(f, line, "unknown keyword %.*s", (int)(n < 32 ? n : 32), line);
    else
        ItemFault(f, line, "a line begins with a keyword, not \"%c\"", line[0]);
}

static int ItemKeyword(uint32_t type) {
    for (int i = 0; i < (int)(sizeof lineKeywords / sizeof lineKeywords[0]); i++)
        if (lineKeywords[i].type == type)
            return i;
    return -1;
}

/* Moves the quoted text at the front of line into a pool block of its
   length; null when it is not closed or the pool is exhausted. */
static char *ItemText(char *line) {
    const char *end = std::strchr(line + 1, '"');
    if (end == nullptr)
        return nullptr;
    size_t n = (size_t)(end - line - 1);
    char *text = (char *)AllocZeroed((uint32_t)n + 1);
    if (text == nullptr)
        return nullptr;
    std::memcpy(text, line + 1, n);
    StrDelete(line, 0, n + 2, nullptr);
    return text;
}

/* The first text only right after the keyword, the second only right
   after the first. */
static int ItemTexts(char *line, uint32_t type, _LINEFIELDS *f) {
    if (line[0] == '"' && (f->first = ItemText(line)) == nullptr)
        return 0;
    if (f->first && line[0] == '"' && (f->second = ItemText(line)) == nullptr)
        return 0;
    int k = ItemKeyword(type);
    int required = k >= 0 ? lineKeywords[k].texts : 0;
    if ((required >= 1 && f->first == nullptr) || (required >= 2 && f->second == nullptr)) {
        ItemFault(f, line, "%s needs %s, each in quotes", lineKeywords[k].word, lineKeywords[k].needs);
        return 0;
    }
    if (f->first == nullptr)
        f->first = LineNoText;
    if (f->second == nullptr)
        f->second = LineNoText;
    return 1;
}

static void ItemTextFree(char **text) {
    if (*text && *text != LineNoText)
        MemoryFree(*text);
    *text = nullptr;
}

/* The letters of the references seen, for a reason. */
static const char *ItemRefName(uint32_t seen) {
    if (seen & REF_VARIABLE)
        return "M";
    return seen & REF_SLOT ? "D" : "C or R";
}

/* Whether a reference may follow those already seen: C and R not after D
   nor after a variable; D not after any other; M only first. */
static bool ItemRefAllowed(uint32_t ref, uint32_t seen, const _LINEFIELDS *f) {
    switch (ref) {
    case REF_PARAM:
        return !(seen & REF_SLOT) && !((seen & REF_VARIABLE) && f->bank != 0);
    case REF_SLOT:
        return !(seen & (REF_PARAM | REF_VARIABLE));
    case REF_VARIABLE:
        return seen == 0;
    default:
        return true;
    }
}

/* M bank "." offset; the numbers may be missing (they read 0). */
static const char *ItemVariable(const char *s, _LINEFIELDS *f) {
    const char *at = s - 1;
    int64_t bank, offset;
    s += LineParseInt(s, &bank);
    if (*s != '.')
        return ItemFault(f, at, "variable M needs bank.offset, such as M1.8");
    s++;
    s += LineParseInt(s, &offset);
    if (bank < 0 || bank > INT32_MAX || offset < 0 || offset > INT32_MAX)
        return ItemFault(f, at, "variable M%.*s is outside the memory image", (int)(s - at - 1), at + 1);
    f->bank = (int32_t)bank;
    f->number = (int32_t)offset;
    return s;
}

/* A character that is no field: what it is, for a reason. */
static const char *ItemNoField(const char *at, _LINEFIELDS *f) {
    char c = *at;
    if (LineIsDigit(c) || c == '+' || c == '-')
        return ItemFault(f, at, "a number with no field letter before it");
    if (LineIsLetter(c))
        return ItemFault(f, at, "unknown field letter %c", c);
    return ItemFault(f, at, "unexpected \"%c\"", c);
}

/* A letter with a number that must be given and within its bounds. */
static const char *ItemNumber(const char *s, char letter, uint32_t *seen, _LINEFIELDS *f) {
    const char *at = s - 1;
    for (const auto &field : lineFields) {
        if (field.letter != letter)
            continue;
        int64_t v;
        size_t n = LineParseInt(s, &v);
        if (n == 0 || !LineIsDigit(s[n - 1]))
            return ItemFault(f, at, "%s %c needs a number", field.noun, letter);
        if (v < field.low || v > field.high)
            return ItemFault(f, at, "%s %c%.*s is outside %lld..%lld", field.noun, letter, (int)n, s,
                             (long long)field.low, (long long)field.high);
        if (!ItemRefAllowed(field.ref, *seen, f))
            return ItemFault(f, at, "%c cannot follow %s: a line names one parameter, variable or real slot",
                             letter, ItemRefName(*seen));
        f->*field.field = (int32_t)v;
        *seen |= field.ref;
        return s + n;
    }
    return ItemNoField(at, f);
}

static const char *ItemField(const char *s, uint32_t *seen, _LINEFIELDS *f) {
    char c = *s++;
    int64_t ignored;
    switch (c) {
    case '"':                           /* a later text is no text of the item */
        s = std::strchr(s, '"');
        return s ? s + 1 : ItemFault(f, s, "a quoted text is not closed");
    case 'A':
        f->focus = 1;
        return s;
    case 'S':
        f->sign = 1;
        return s;
    case 'V':
        return s + LineParseInt(s, &ignored);
    case 'M':
        if (!ItemRefAllowed(REF_VARIABLE, *seen, f))
            return ItemFault(f, s - 1, "M cannot follow %s: a line names one parameter, variable or real slot",
                             ItemRefName(*seen));
        *seen |= REF_VARIABLE;
        f->refAt = s - 1;
        return ItemVariable(s, f);
    default:
        return ItemNumber(s, c, seen, f);
    }
}

/* Completes the digit field from H, L and N once the line is read. */
static void ItemDigitField(_LINEFIELDS *f) {
    int32_t top = f->bank > 0 ? LINE_VAR_TOP : LINE_PARAM_TOP;
    if (f->high < 0 && f->low < 0 && f->count < 0) {
        f->low = 1;
        f->count = f->high = top;
    }
    if (f->high >= 0 && f->low >= 0)
        f->count = f->high - f->low + 1;
    if (f->high >= 0 && f->count >= 0)
        f->low = f->high - f->count + 1;
    if (f->low == 0)
        f->low = 1;
    if (f->sign && f->low + f->count - 1 != top)
        f->sign = 0;                    /* only a field up to the top is signed */
    if (f->low + f->count - 1 > top)
        f->count = top + 1 - f->low;
}

static int ItemFields(const char *s, _LINEFIELDS *f) {
    uint32_t seen = 0;
    while (*s)
        if ((s = ItemField(s, &seen, f)) == nullptr)
            return 0;
    if (f->number >= PARAM_COUNT) {
        ItemFault(f, f->refAt, "offset %d of M is outside 0..1999", (int)f->number);
        return 0;
    }
    ItemDigitField(f);
    return 1;
}

static void ItemDefaults(_LINEFIELDS *f) {
    *f = _LINEFIELDS{};
    f->x = f->y = f->number = f->slot = -1;
    f->low = f->count = f->high = f->value = -1;
}

int ItemParse(char *line, uint32_t type, _LINEFIELDS *out) {
    ItemDefaults(out);
    if (type == LINE_NUMBER_LINE || type == LINE_SIGN_LINE || type == LINE_EMPTY)
        return 1;
    if (ItemTexts(line, type, out) && ItemFields(line, out))
        return 1;
    ItemTextFree(&out->first);
    ItemTextFree(&out->second);
    return 0;
}

static void EntriesDropV(char *line) {
    bool quoted = false;
    char *w = line;
    for (const char *r = line; *r; r++) {
        quoted ^= *r == '"';
        if (quoted || *r != 'V')
            *w++ = *r;
    }
    *w = '\0';
}

static const char *ListEntryHead(const char *s) {
    if (!LineIsDigit(*s))
        return nullptr;
    int64_t v;
    s += LineParseInt(s, &v);
    return v <= INT32_MAX ? s : nullptr;
}

static const char *SignEntryHead(const char *s) {
    return *s == '+' || *s == '-' ? s + 1 : nullptr;
}

/* Every entry is its head followed directly by a closed quoted text, so
   that reading the entries never runs past the line's end.  A letter
   among the entries is a field written after them. */
static int EntriesCheck(char *line, const char *(*head)(const char *), const char **why,
                        const char *form) {
    EntriesDropV(line);
    for (const char *s = line; *s;) {
        const char *at = s;
        if ((s = head(s)) == nullptr || *s != '"' || (s = std::strchr(s + 1, '"')) == nullptr) {
            if (why != nullptr)
                *why = LineIsLetter(*at) ? "a field after the entries: fields stand before the first V"
                                         : form;
            return 0;
        }
        s++;
    }
    return 1;
}

int ListEntriesCheck(char *line, const char **why) {
    return EntriesCheck(line, ListEntryHead, why,
                        "a LIST entry is a number and a quoted text, such as V0\"Off\"");
}

int SignEntriesCheck(char *line, const char **why) {
    return EntriesCheck(line, SignEntryHead, why,
                        "a SIGN entry is + or - and a quoted text, such as V+\"fwd\"");
}
