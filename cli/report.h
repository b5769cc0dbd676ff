/*
 * report.h - what the tool prints: the library's texts as UTF-8, paths
 * relative to where the tool was started, and errors in the form
 * compilers give them.
 */
#ifndef TABRIX_CLI_REPORT_H
#define TABRIX_CLI_REPORT_H

#include <cstdint>
#include <string>

/* Characters a detail text keeps; a longer one was cut. */
#define REPORT_DETAIL_MAX 59

/* A text of display bytes as UTF-8, each byte through TabrixCharToUnicode. */
std::string ReportUtf8(const char *display);

/* A path that the library names relative to the script's folder (the
   working directory of the session), relative to where the tool was
   started: script (as given) with its file name replaced by path.  An
   absolute path stays as it is. */
std::string ReportPath(const std::string &script, const std::string &path);

/* One line for an error of the session, in UTF-8:
     FILE:LINE: error CODE: MESSAGE (DETAIL)
   when the detail text is a line part, lineWord ":" number " " fileWord
   ":" file, in the words of the message table (messages 6 and 5), and
   was not cut; otherwise
     SCRIPT: error CODE: MESSAGE (DETAIL)
   without " (DETAIL)" when the detail is empty.  message, detail and the
   words are display bytes; FILE is a path (ReportPath) and stays bytes. */
std::string ReportErrorLine(const std::string &script, uint32_t code, const char *message,
                            const char *detail, const char *lineWord, const char *fileWord);

/* ReportErrorLine for the session's current error. */
std::string ReportSessionError(const std::string &script);

#endif
