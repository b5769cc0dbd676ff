/*
 * report.cpp - texts and error lines.
 */
#include "report.h"

#include <cstring>
#include <filesystem>

#include "tabrix/tabrix.h"

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

std::string ReportErrorLine(const std::string &script, const _TABRIX_ERROR &error, const char *message) {
    std::string line = error.file[0] != '\0' ? ReportPath(script, error.file) : script;
    if (error.line != 0)
        line += ":" + std::to_string(error.line);
    if (error.line != 0 && error.column != 0)
        line += ":" + std::to_string(error.column);
    line += ": error " + std::to_string(error.code) + ": " + ReportUtf8(message);
    if (error.reason[0] != '\0')
        line += ": " + ReportUtf8(error.reason);
    return line;
}

static const char *ReportMessage(uint32_t index) {
    const char *text = GetLocString(index);
    return text != nullptr ? text : "";
}

std::string ReportSessionError(const std::string &script) {
    static _TABRIX_ERROR error;
    error = _TABRIX_ERROR{};
    error.size = sizeof error;
    TabrixGetErrorReason(&error);
    return ReportErrorLine(script, error, ReportMessage(error.code));
}
