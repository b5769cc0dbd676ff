/*
 * line.cpp - preparing, classifying and reading script lines.
 *
 * An item line is a keyword, up to two quoted texts and then fields: one
 * letter each, most with a decimal number.  LIST and SIGN lines end with
 * their entries, which the fields reader passes over as "V" fields and
 * skipped texts; the entries checks read them properly.
 */
#include "script/line.h"

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
} lineKeywords[] = {
    {"DIALOG", LINE_DIALOG, 2}, {"SCRIPT", LINE_SCRIPT, 2}, {"BITMAP", LINE_BITMAP, 1},
    {"SUB", LINE_SUB, 2},       {"TEXT", LINE_TEXT, 1},     {"INIT", LINE_INIT, 0},
    {"CALC", LINE_CALC, 1},     {"LIST", LINE_LIST, 0},     {"INT", LINE_INT, 0},
    {"REAL", LINE_REAL, 0},     {"SIGN", LINE_SIGN, 0},     {"HEX", LINE_HEX, 0},
    {"REKFILE", LINE_REKFILE, 2},
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
} lineFields[] = {
    {'C', 0, PARAM_COUNT - 1, &_LINEFIELDS::number, REF_PARAM},
    {'R', 0, PARAM_COUNT - 1, &_LINEFIELDS::number, REF_PARAM},
    {'D', 0, REAL_SLOTS - 1, &_LINEFIELDS::slot, REF_SLOT},
    {'H', 1, LINE_VAR_TOP, &_LINEFIELDS::high, 0},
    {'I', INT32_MIN, INT32_MAX, &_LINEFIELDS::value, 0},
    {'L', 1, LINE_VAR_TOP - 1, &_LINEFIELDS::low, 0},
    {'N', 1, LINE_VAR_TOP, &_LINEFIELDS::count, 0},
    {'X', 0, INT32_MAX, &_LINEFIELDS::x, 0},
    {'Y', 0, INT32_MAX, &_LINEFIELDS::y, 0},
};

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

void LineClean(char *line) {
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
    if (line[0] == 'V')
        StrDelete(line, 0, 1, nullptr);
    if (line[0] == '+' || line[0] == '-')
        return LINE_SIGN_LINE;
    if (LineIsDigit(line[0]))
        return LINE_NUMBER_LINE;
    return LINE_BAD;
}

static int ItemTextsRequired(uint32_t type) {
    for (const auto &k : lineKeywords)
        if (k.type == type)
            return k.texts;
    return 0;
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
    int required = ItemTextsRequired(type);
    if ((required >= 1 && f->first == nullptr) || (required >= 2 && f->second == nullptr))
        return 0;
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
    int64_t bank, offset;
    s += LineParseInt(s, &bank);
    if (*s != '.')
        return nullptr;
    s++;
    s += LineParseInt(s, &offset);
    if (bank < 0 || bank > INT32_MAX || offset < 0 || offset > INT32_MAX)
        return nullptr;
    f->bank = (int32_t)bank;
    f->number = (int32_t)offset;
    return s;
}

/* A letter with a number that must be given and within its bounds. */
static const char *ItemNumber(const char *s, char letter, uint32_t *seen, _LINEFIELDS *f) {
    for (const auto &field : lineFields) {
        if (field.letter != letter)
            continue;
        int64_t v;
        size_t n = LineParseInt(s, &v);
        if (n == 0 || !LineIsDigit(s[n - 1]) || v < field.low || v > field.high ||
            !ItemRefAllowed(field.ref, *seen, f))
            return nullptr;
        f->*field.field = (int32_t)v;
        *seen |= field.ref;
        return s + n;
    }
    return nullptr;
}

static const char *ItemField(const char *s, uint32_t *seen, _LINEFIELDS *f) {
    char c = *s++;
    int64_t ignored;
    switch (c) {
    case '"':                           /* a later text is no text of the item */
        s = std::strchr(s, '"');
        return s ? s + 1 : nullptr;
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
            return nullptr;
        *seen |= REF_VARIABLE;
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
    if (f->number >= PARAM_COUNT)
        return 0;
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
   that reading the entries never runs past the line's end. */
static int EntriesCheck(char *line, const char *(*head)(const char *)) {
    EntriesDropV(line);
    for (const char *s = line; *s;) {
        if ((s = head(s)) == nullptr || *s != '"' || (s = std::strchr(s + 1, '"')) == nullptr)
            return 0;
        s++;
    }
    return 1;
}

int ListEntriesCheck(char *line) {
    return EntriesCheck(line, ListEntryHead);
}

int SignEntriesCheck(char *line) {
    return EntriesCheck(line, SignEntryHead);
}
