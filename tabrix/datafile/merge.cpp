/*
 * merge.cpp - the new data file from the old one and the session's
 * changes.
 *
 * The old file is read through a window of its bytes, by offset, so that
 * its kept lines are copied from the disk whatever their number or
 * length: nothing of it is held in the session's pool.  The owned lines
 * are found in one pass; writing them in ascending order then reads the
 * window forwards for a file in that order, as a saved file is.
 */
#include "datafile/merge.h"

#include <cstring>

#include "datafile/line.h"
#include "platform/files/files.h"

#define MERGE_WINDOW_SIZE 65536
#define MERGE_UTF8_MARK "\xEF\xBB\xBF"
#define MERGE_END_MARKER "\r\n*\r\n"
#define MERGE_REPEAT (-2)       /* the owner of kept lines after a repeated owned line */

/* The old file's bytes around the last offset asked for. */
static struct {
    uint32_t handle;
    uint64_t at;                /* offset of bytes[0] */
    uint32_t length;
    bool failed;
    char bytes[MERGE_WINDOW_SIZE];
} mergeSource;

/* One physical line of the old file. */
struct _MERGE_LINE {
    uint64_t at;                /* its first byte */
    uint64_t next;              /* after its line end */
    uint64_t comment;           /* where its ";" or double quote is; MERGE_NONE */
    uint64_t end;               /* where its line end is */
    bool isLong;                /* more than 1,022 characters */
    bool unread;                /* the line reader gives no line for it */
    bool endsEmpty;             /* the line reader gives an empty line after it */
    char text[LINE_SIZE];       /* its first 1,022 characters, blanks removed */
};

/* A walk over the old file's lines as the line reader takes them.  The
   reader drops a CR or LF that a line begins with, as the rest of the last
   line's end; fresh tells that it begins one at this physical line's first
   byte.  Empty lines only mean something in the header and after the end
   marker (with an empty word), so a walk that starts in the values needs
   no fresh of its own. */
struct _MERGE_WALK {
    _DATASTATE state;
    bool fresh;
};

static bool MergeOpen(const char *path) {
    uint32_t size;
    mergeSource.at = mergeSource.length = 0;
    mergeSource.failed = false;
    return FileOpen(path, FILE_READ, &mergeSource.handle, &size) == FILE_OK;
}

static void MergeClose(void) {
    FileClose(mergeSource.handle);
}

/* The window moved to offset, when it does not hold it. */
static bool MergeWindow(uint64_t offset) {
    if (offset >= mergeSource.at && offset < mergeSource.at + mergeSource.length)
        return true;
    if (mergeSource.failed)
        return false;
    uint32_t read = 0;
    if (FileReadAt(mergeSource.handle, offset, mergeSource.bytes, MERGE_WINDOW_SIZE, &read) != FILE_OK)
        mergeSource.failed = true;
    mergeSource.at = offset;
    mergeSource.length = mergeSource.failed ? 0 : read;
    return mergeSource.length > 0;
}

/* The byte at offset; -1 at the end of the file or after a failure. */
static int MergeByte(uint64_t offset) {
    return MergeWindow(offset) ? (unsigned char)mergeSource.bytes[offset - mergeSource.at] : -1;
}

/* The bytes of the line from offset in the window up to its end (a CR or
   LF) or the window's end: the length taken, and the end's byte (-1 when
   the window ended first). */
static size_t MergeScan(uint64_t offset, int *end) {
    const char *from = mergeSource.bytes + (offset - mergeSource.at);
    size_t n = mergeSource.length - (size_t)(offset - mergeSource.at);
    const char *lf = (const char *)std::memchr(from, '\n', n);
    const char *cr = (const char *)std::memchr(from, '\r', lf != nullptr ? (size_t)(lf - from) : n);
    const char *p = cr != nullptr ? cr : lf;
    *end = p != nullptr ? (unsigned char)*p : -1;
    return p != nullptr ? (size_t)(p - from) : n;
}

/* Appends n bytes at offset o to the line's text, blanks left out before
   its first ";" or double quote (as the reader removes them), at most
   1,022 characters. */
static void MergeKeep(_MERGE_LINE *line, uint64_t o, const char *bytes, size_t n, size_t *kept) {
    size_t i = 0;
    for (; i < n && line->comment == MERGE_NONE && *kept < LINE_MAX_LENGTH; i++) {
        char c = bytes[i];
        if (c == ';' || c == '"')
            line->comment = o + i;
        if (line->comment != MERGE_NONE || (c != ' ' && c != '\t'))
            line->text[(*kept)++] = c;
    }
    if (line->comment == MERGE_NONE)
        return;
    size_t rest = n - i < LINE_MAX_LENGTH - *kept ? n - i : LINE_MAX_LENGTH - *kept;
    std::memcpy(line->text + *kept, bytes + i, rest);
    *kept += rest;
}

/* The line that begins at offset; false at the end of the file.  Its
   text is cut at 1,022 characters: a longer line is never owned. */
static bool MergeLineAt(uint64_t offset, _MERGE_LINE *line) {
    size_t length = 0, kept = 0;
    uint64_t o = offset;
    int c = -1;
    line->at = offset;
    line->comment = MERGE_NONE;
    while (MergeWindow(o)) {
        size_t n = MergeScan(o, &c);
        /* The byte-order mark an editor put in front is no text. */
        const char *from = mergeSource.bytes + (o - mergeSource.at);
        size_t mark = o == 0 && n >= 3 && std::memcmp(from, MERGE_UTF8_MARK, 3) == 0 ? 3 : 0;
        MergeKeep(line, o + mark, from + mark, n - mark, &kept);
        length += n;
        o += n;
        if (c >= 0)
            break;
    }
    if (c < 0 && o == offset)
        return false;
    line->end = o;
    line->next = c < 0 ? o : c == '\r' && MergeByte(o + 1) == '\n' ? o + 2 : o + 1;
    line->isLong = length > LINE_MAX_LENGTH;
    line->unread = line->endsEmpty = false;
    line->text[kept] = '\0';
    return true;
}

/* How the line reader takes the line at the walk's place, and where it
   stands after it.  An empty line ended by a lone CR or LF where the
   reader begins a line is dropped whole, and the next one is read from
   its first byte; a line of 1,023 characters (or a multiple: the reader
   takes 1,022 and drops one) ends where its end begins, and a CR LF there
   then gives an empty line of its own. */
static void MergeFollow(_MERGE_WALK *w, _MERGE_LINE *line) {
    uint64_t length = line->end - line->at;
    uint64_t ends = line->next - line->end;     /* 0: the file's end; 2: CR LF */
    bool cutAtEnd = line->isLong && length % (LINE_MAX_LENGTH + 1) == 0;
    line->unread = w->fresh && length == 0 && ends == 1;
    line->endsEmpty = cutAtEnd && ends == 2;
    if (line->unread)
        w->fresh = false;
    else if (length == 0)
        w->fresh = ends == 2 ? w->fresh : true;
    else if (cutAtEnd)
        w->fresh = ends == 2;
    else
        w->fresh = ends != 2;
}

/* What the line is to the reader in state: a parameter line of a number
   below count whose value the table holds gives that number (owned);
   -1 otherwise.  kept receives the number of any other parameter line
   (-1 for none), for the kept lines that give way. */
static int32_t MergeTake(_MERGE *m, _MERGE_WALK *w, _MERGE_LINE *line, int32_t *kept) {
    _DATALINE parsed{};
    *kept = -1;
    MergeFollow(w, line);
    if (line->unread)
        return -1;
    int kind = DataLineTake(&w->state, line->text, m->file->keyword, m->file->decimals, &parsed);
    if (line->endsEmpty)
        DataLineTake(&w->state, "", m->file->keyword, m->file->decimals, &parsed);
    if (line->isLong || kind == DATALINE_BAD)
        m->exact = false;
    if (kind != DATALINE_PARAM || parsed.number < 0 || line->isLong)
        return -1;
    if (m->disk != nullptr)
        m->disk[parsed.number] = parsed.held ? parsed.param : _PARAM{0, PARAM_UNHELD};
    if (parsed.held && (uint32_t)parsed.number < m->file->count)
        return parsed.number;
    *kept = parsed.number;
    return -1;
}

/* The comment parameter n's line takes from this line of it. */
static void MergeCommentFrom(_MERGE_LAYOUT *l, int32_t n, const _MERGE_LINE *line) {
    l->commentAt[n] = line->comment;
    l->commentLength[n] = line->comment == MERGE_NONE ? 0 : (uint16_t)(line->end - line->comment);
}

static void MergeSegment(_MERGE_LAYOUT *l, int32_t owner, uint64_t from, uint64_t to) {
    if (owner == -1) {
        l->leadEnd = to;
    } else if (owner >= 0) {
        l->keptFrom[owner] = from;
        l->keptTo[owner] = to;
    }
}

static void MergeLayoutClear(_MERGE_LAYOUT *l) {
    for (uint32_t n = 0; n < PARAM_COUNT; n++) {
        l->ownAt[n] = l->laterAt[n] = l->keptAt[n] = l->commentAt[n] = MERGE_NONE;
        l->commentLength[n] = 0;
        l->keptFrom[n] = l->keptTo[n] = 0;
        l->more[n] = false;
    }
    l->headerEnd = l->leadEnd = l->valuesEnd = 0;
    l->trailerAt = MERGE_NONE;
    l->trailerValues = l->trailerFresh = false;
    l->inOrder = true;
}

/* Whether the kept line of parameter kept, after the owned line of key
   (-1: none), comes after the earlier kept lines of that number once the
   owned lines are sorted. */
static void MergeKeptOrder(_MERGE_LAYOUT *l, int32_t kept, int32_t key, int32_t *keys) {
    if (kept < 0)
        return;
    if (keys[kept] > key)
        l->inOrder = false;
    else
        keys[kept] = key;
}

/* The first values section: owned lines start segments of kept lines;
   the "*" that ends it (with the empty line right before it) is the end
   marker. */
static void MergeValues(_MERGE *m, _MERGE_WALK *walk, uint64_t at) {
    _MERGE_LAYOUT *l = &m->layout;
    static _MERGE_LINE line;
    static int32_t keys[PARAM_COUNT];
    int32_t owner = -1, key = -1, kept;
    uint64_t from = at, empty = MERGE_NONE;
    for (int32_t &k : keys)
        k = -2;
    for (; MergeLineAt(at, &line); at = line.next) {
        /* The first "*" ends the section, also when it is the word itself
           and begins the next one. */
        bool star = std::strcmp(line.text, "*") == 0;
        int32_t n = MergeTake(m, walk, &line, &kept);
        if (star) {
            l->valuesEnd = empty != MERGE_NONE ? empty : line.at;
            MergeSegment(l, owner, from, l->valuesEnd);
            l->trailerAt = line.next;
            l->trailerValues = walk->state.values;
            l->trailerFresh = walk->fresh;
            return;
        }
        MergeKeptOrder(l, kept, key, keys);
        if (n >= 0) {
            MergeSegment(l, owner, from, line.at);
            key = n;
            owner = l->ownAt[n] == MERGE_NONE ? n : MERGE_REPEAT;
            l->more[n] = l->more[n] || owner == MERGE_REPEAT;
            if (owner == n) {
                l->ownAt[n] = line.at;
                MergeCommentFrom(l, n, &line);
            }
            from = line.next;
        }
        if (kept >= 0 && (uint32_t)kept < m->file->count && l->keptAt[kept] == MERGE_NONE) {
            l->keptAt[kept] = line.at;
            if (l->ownAt[kept] == MERGE_NONE)
                MergeCommentFrom(l, kept, &line);
        }
        empty = n < 0 && !line.isLong && line.text[0] == '\0' ? line.at : MERGE_NONE;
    }
    l->valuesEnd = at;
    MergeSegment(l, owner, from, at);
}

/* The later values sections: where each parameter's first owned line
   there lies, for its comment. */
static void MergeLater(_MERGE *m, _MERGE_WALK *walk, uint64_t at) {
    _MERGE_LAYOUT *l = &m->layout;
    static _MERGE_LINE line;
    int32_t kept;
    for (; MergeLineAt(at, &line); at = line.next) {
        int32_t n = MergeTake(m, walk, &line, &kept);
        if (n >= 0 && l->laterAt[n] == MERGE_NONE) {
            l->laterAt[n] = line.at;
            if (l->ownAt[n] == MERGE_NONE)
                MergeCommentFrom(l, n, &line);
        }
    }
}

bool MergeLayout(_MERGE *m) {
    _MERGE_LAYOUT *l = &m->layout;
    MergeLayoutClear(l);
    m->readFailed = false;
    m->exact = m->file->keyword[0] != '\0';
    if (m->disk != nullptr)
        std::memset(m->disk, 0, PARAM_COUNT * sizeof(_PARAM));
    if (m->path == nullptr)
        return true;
    if (!MergeOpen(m->path)) {
        m->readFailed = true;
        return false;
    }
    static _MERGE_LINE line;
    _MERGE_WALK walk = {{true, false}, true};
    int32_t kept;
    uint64_t at = 0;
    for (; walk.state.header && MergeLineAt(at, &line); at = line.next)
        MergeTake(m, &walk, &line, &kept);
    l->headerEnd = l->leadEnd = at;
    m->exact = m->exact && !walk.state.header;
    if (!walk.state.header)
        MergeValues(m, &walk, at);
    if (l->trailerAt != MERGE_NONE)
        MergeLater(m, &walk, l->trailerAt);
    MergeClose();
    m->readFailed = mergeSource.failed;
    return !m->readFailed;
}

/* ------------------------------------------------------------------ */
/* Writing                                                             */
/* ------------------------------------------------------------------ */

/* Bytes from..to of the old file as they are. */
static void MergeCopy(_OUTPUT *out, uint64_t from, uint64_t to) {
    while (from < to && MergeWindow(from)) {
        uint64_t end = mergeSource.at + mergeSource.length;
        uint64_t n = (to < end ? to : end) - from;
        OutputBytes(out, mergeSource.bytes + (from - mergeSource.at), (size_t)n);
        from += n;
    }
}

/* The kept lines from..to in state, but those of parameters that give
   way; with owned set, an owned line ends the copy (repeats start
   copying again at the next one of their number). */
static void MergeCopyKept(_MERGE *m, _OUTPUT *out, _MERGE_WALK *walk, uint64_t from, uint64_t to,
                          int32_t repeat) {
    static _MERGE_LINE line;
    bool copying = repeat < 0;
    int32_t kept;
    for (uint64_t at = from; at < to && MergeLineAt(at, &line); at = line.next) {
        int32_t n = MergeTake(m, walk, &line, &kept);
        if (repeat >= 0 && n >= 0)
            copying = n == repeat && line.at != m->layout.ownAt[repeat];
        if (n >= 0 || !copying || (kept >= 0 && (uint32_t)kept < m->file->count && m->replaced[kept]))
            continue;
        OutputLineEnd(out);
        MergeCopy(out, line.at, line.next);
    }
}

/* The comment of the parameter's first owned line (or, without one, of
   its first kept line, which gives way to it) into text, or null. */
static const char *MergeComment(const _MERGE *m, uint32_t n, char *text) {
    const _MERGE_LAYOUT *l = &m->layout;
    uint64_t at = l->commentAt[n];
    if (at == MERGE_NONE)
        return nullptr;
    size_t length = 0, want = l->commentLength[n];
    while (length < want && MergeWindow(at + length)) {
        size_t from = (size_t)(at + length - mergeSource.at), n = mergeSource.length - from;
        n = n < want - length ? n : want - length;
        std::memcpy(text + length, mergeSource.bytes + from, n);
        length += n;
    }
    text[length] = '\0';
    return text;
}

static int MergeNumberWidth(uint32_t count) {
    int width = 1;
    for (uint32_t v = count; v >= 10; v /= 10)
        width++;
    return width;
}

static uint32_t MergeCount(const _MERGE *m) {
    return m->file->count < PARAM_COUNT ? m->file->count : PARAM_COUNT;
}

static void MergeParameter(_MERGE *m, _OUTPUT *out, uint32_t n) {
    static char comment[LINE_SIZE];
    OutputParameter(out, n, MergeNumberWidth(MergeCount(m)), &m->table[n], m->file->decimals,
                    MergeComment(m, n, comment));
}

/* The owned parameters in ascending order, each with the kept lines that
   followed its lines. */
static void MergeSorted(_MERGE *m, _OUTPUT *out) {
    const _MERGE_LAYOUT *l = &m->layout;
    _MERGE_WALK values = {{false, true}, true};
    MergeCopyKept(m, out, &values, l->headerEnd, l->leadEnd, -1);
    for (uint32_t n = 0; n < MergeCount(m) && !out->failed; n++) {
        if (m->table[n].flags & PARAM_VALID)
            MergeParameter(m, out, n);
        if (l->ownAt[n] != MERGE_NONE)
            MergeCopyKept(m, out, &values, l->keptFrom[n], l->keptTo[n], -1);
        if (l->more[n])
            MergeCopyKept(m, out, &values, l->headerEnd, l->valuesEnd, (int32_t)n);
    }
}

/* The first values section in its own order, each owned line at its
   first place; then the parameters the old file lacked, ascending. */
static void MergeInPlace(_MERGE *m, _OUTPUT *out) {
    static _MERGE_LINE line;
    const _MERGE_LAYOUT *l = &m->layout;
    _MERGE_WALK values = {{false, true}, true};
    int32_t kept;
    for (uint64_t at = l->headerEnd; at < l->valuesEnd && MergeLineAt(at, &line); at = line.next) {
        int32_t n = MergeTake(m, &values, &line, &kept);
        if (n >= 0 && line.at == l->ownAt[n] && (m->table[n].flags & PARAM_VALID))
            MergeParameter(m, out, (uint32_t)n);
        if (n >= 0 || (kept >= 0 && (uint32_t)kept < MergeCount(m) && m->replaced[kept]))
            continue;
        OutputLineEnd(out);
        MergeCopy(out, line.at, line.next);
    }
    for (uint32_t n = 0; n < MergeCount(m) && !out->failed; n++)
        if ((m->table[n].flags & PARAM_VALID) && l->ownAt[n] == MERGE_NONE)
            MergeParameter(m, out, n);
}

/* The header: the old one, or the word alone for a new file. */
static void MergeHeader(_MERGE *m, _OUTPUT *out) {
    if (m->path == nullptr) {
        OutputBytes(out, m->file->keyword, std::strlen(m->file->keyword));
        OutputBytes(out, "\r\n", 2);
        return;
    }
    MergeCopy(out, 0, m->layout.headerEnd);
}

bool MergeWrite(_MERGE *m, _OUTPUT *out) {
    m->readFailed = m->path != nullptr && !MergeOpen(m->path);
    if (m->readFailed)
        return false;
    /* The old file's values were taken by the layout: walking its lines
       again must not take them a second time, in another order. */
    _PARAM *disk = m->disk;
    m->disk = nullptr;
    MergeHeader(m, out);
    if (m->layout.inOrder)
        MergeSorted(m, out);
    else
        MergeInPlace(m, out);
    OutputLineEnd(out);
    OutputBytes(out, MERGE_END_MARKER, sizeof MERGE_END_MARKER - 1);
    if (m->path != nullptr && m->layout.trailerAt != MERGE_NONE) {
        _MERGE_WALK after = {{false, m->layout.trailerValues}, m->layout.trailerFresh};
        MergeCopyKept(m, out, &after, m->layout.trailerAt, UINT64_MAX, -1);
    }
    m->disk = disk;
    if (m->path != nullptr) {
        m->readFailed = mergeSource.failed;
        MergeClose();
    }
    return !m->readFailed && OutputFlush(out);
}
