/*
 * report.cpp - texts and error lines.
 */
#include "report.h"

#include <cstring>
#include <filesystem>
#include <string_view>

#include "tabrix/tabrix.h"

/* The message table's words of a line part. */
#define REPORT_MSG_FILE 5
#define REPORT_MSG_LINE 6

static void ReportAppendUtf8(std::string &out, uint32_t cp) {
    if (cp < 0x80) {
        out += (char)cp;
    } else if (cp < 0x800) {
        out += (char)(0xC0 | cp >> 6);
        out += (char)(0x80 | (cp & 0x3F));
    } else {
        out += (char)(0xE0 | cp >> 12);
        out += (char)(0x80 | (cp >> 6 & 0x3F));
        out += (char)(0x80 | (cp & 0x3F));
    }
}

std::string ReportUtf8(const char *display) {
    std::string out;
    for (const char *c = display; *c; c++)
        ReportAppendUtf8(out, TabrixCharToUnicode((uint8_t)*c));
    return out;
}

std::string ReportPath(const std::string &script, const std::string &path) {
    std::filesystem::path p(path);
    if (p.is_absolute())
        return path;
    return (std::filesystem::path(script).parent_path() / p).string();
}

/* Takes prefix off the front of text. */
static bool ReportSkip(std::string_view &text, std::string_view prefix) {
    if (!text.starts_with(prefix))
        return false;
    text.remove_prefix(prefix.size());
    return true;
}

/* "FILE:LINE" of a line part, or "" when detail is none. */
static std::string ReportLocation(const std::string &script, std::string_view detail,
                                  const char *lineWord, const char *fileWord) {
    if (detail.size() >= REPORT_DETAIL_MAX || !ReportSkip(detail, lineWord) || !ReportSkip(detail, ":"))
        return "";
    size_t digits = 0;
    while (digits < detail.size() && detail[digits] >= '0' && detail[digits] <= '9')
        digits++;
    std::string_view line = detail.substr(0, digits);
    detail.remove_prefix(digits);
    if (line.empty() || !ReportSkip(detail, " ") || !ReportSkip(detail, fileWord)
        || !ReportSkip(detail, ":") || detail.empty())
        return "";
    return ReportPath(script, std::string(detail)) + ":" + std::string(line);
}

std::string ReportErrorLine(const std::string &script, uint32_t code, const char *message,
                            const char *detail, const char *lineWord, const char *fileWord) {
    std::string where = ReportLocation(script, detail, lineWord, fileWord);
    std::string line = (where.empty() ? script : where) + ": error " + std::to_string(code) + ": "
                       + ReportUtf8(message);
    if (*detail != '\0')
        line += " (" + ReportUtf8(detail) + ")";
    return line;
}

static const char *ReportMessage(uint32_t index) {
    const char *text = GetLocString(index);
    return text != nullptr ? text : "";
}

std::string ReportSessionError(const std::string &script) {
    char detail[REPORT_DETAIL_MAX + 1];
    TabrixGetErrorText(detail, sizeof detail);
    uint32_t code = TabrixGetErrorLine();
    return ReportErrorLine(script, code, ReportMessage(code), detail, ReportMessage(REPORT_MSG_LINE),
                           ReportMessage(REPORT_MSG_FILE));
}
