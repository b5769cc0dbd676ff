/*
 * commands.h - the tool's commands.  Each returns the exit status: 0
 * done, 1 the script set or the session failed, 2 a usage error.
 */
#ifndef TABRIX_CLI_COMMANDS_H
#define TABRIX_CLI_COMMANDS_H

#include <cstdint>
#include <string>

#define EXIT_OK 0
#define EXIT_FAILED 1
#define EXIT_USAGE 2

struct CommandOptions {
    std::string script;         /* as given */
    uint32_t language;          /* TABRIX_LANG_* */
    std::string size = "large"; /* render: small, medium, large or WxH */
    std::string keys;
    std::string output;         /* render: the PNG; "" for the default */
    std::string memory;         /* run: the memory image file, or "" */
    std::string png;            /* run: the PNG, or "" */
};

/* Loads the script set; prints the main screen or the error. */
int CommandCheck(const CommandOptions &options);

/* Runs a session, sends the keys, writes the surface as a PNG. */
int CommandRender(const CommandOptions &options);

/* Runs a session, sends the keys; prints the results and the outcome. */
int CommandRun(const CommandOptions &options);

#endif
