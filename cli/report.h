/*
 * report.h - what the tool prints: the library's texts as UTF-8, paths
 * relative to where the tool was started, and errors in the form
 * compilers give them.
 */
#ifndef TABRIX_CLI_REPORT_H
#define TABRIX_CLI_REPORT_H

#include <cstdint>
#include <string>

#include "tabrix/tabrix.h"

/* A text of display bytes as UTF-8, each byte through TabrixCharToUnicode. */
std::string ReportUtf8(const char *display);

/* A path that the library names relative to the script's folder (the
   working directory of the session), relative to where the tool was
   started: script (as given) with its file name replaced by path.  An
   absolute path stays as it is. */
std::string ReportPath(const std::string &script, const std::string &path);

/* One line for an error of the session, in UTF-8, as compilers write
   them:
     FILE:LINE:COLUMN: error CODE: MESSAGE: REASON
   FILE is the error's file (ReportPath; the script when it names none),
   ":LINE" and ":COLUMN" stand only when known, ": REASON" only when there
   is one.  message and the reason are display bytes; FILE stays bytes. */
std::string ReportErrorLine(const std::string &script, const _TABRIX_ERROR &error, const char *message);

/* ReportErrorLine for the session's current error. */
std::string ReportSessionError(const std::string &script);

#endif
