/*
 * main.cpp - tabrix: check, render and run screen scripts without a
 * window.
 */
#include <CLI/CLI.hpp>

#include <cstdlib>

#include "commands.h"
#include "lang.h"

static const char *mainKeysHelp =
    "KEYS: characters stand for the keys that type them (\".\" and \",\" the decimal\n"
    "point, \"-\" the minus sign, a letter its capital; no key types \"+\", \"=\", \"/\"\n"
    "or \"?\"); named keys in angle brackets: <up> <down> <left> <right> <enter>\n"
    "<bksp>, and the events <back> <finish> <manual> <forget>; \"<<\" is a \"<\".\n"
    "Example: --keys '<down>12.5<enter><finish>'.";

static const char *mainFooter =
    "The script's folder becomes the working directory, so the script's own file\n"
    "names resolve beside it.  Texts are printed in UTF-8; without --lang the\n"
    "language follows LC_ALL, LC_MESSAGES or LANG (cs_* Czech, de_* German, ...),\n"
    "else English.  Exit status: 0 done, 1 the script set or the session failed,\n"
    "2 usage error.";

static void MainScriptOption(CLI::App *command, CommandOptions &options) {
    command->add_option("SCRIPT", options.script, "The main script file (.SCT)")
        ->required()
        ->type_name("");
}

static void MainKeysOption(CLI::App *command, CommandOptions &options, const char *help) {
    command->add_option("--keys", options.keys, help)->type_name("KEYS");
}

static CLI::App *MainCheck(CLI::App &app, CommandOptions &options) {
    CLI::App *check = app.add_subcommand("check", "Load a script set: print its main screen or its first error");
    MainScriptOption(check, options);
    check->footer("An error is printed as FILE:LINE: error N: message (detail) when the\n"
                  "detail names a line of a file, else as SCRIPT: error N: message (detail).");
    return check;
}

static CLI::App *MainRender(CLI::App &app, CommandOptions &options) {
    CLI::App *render = app.add_subcommand("render", "Run a session, send keys, write the screen as a PNG");
    MainScriptOption(render, options);
    render->add_option("-o,--output", options.output,
                       "The PNG to write [default: the script's name with .png, in the current folder]")
        ->type_name("FILE");
    render->add_option("--size", options.size,
                       "small, medium or large: the desktop host's screen presets on its 842x496 "
                       "frame; or WxH: a session rectangle W by H pixels with the large preset's "
                       "margins around it (790x446 is large)")
        ->type_name("SIZE")
        ->capture_default_str();
    MainKeysOption(render, options, "Keys to send before the picture is taken");
    render->footer(std::string(mainKeysHelp) + "\n"
                   "Prints the PNG's name.  Exit status 1 when the session ends with an error\n"
                   "(the picture then shows the error box).");
    return render;
}

static CLI::App *MainRun(CLI::App &app, CommandOptions &options) {
    CLI::App *run = app.add_subcommand("run", "Run a session, send keys, print the results and the saved file");
    MainScriptOption(run, options);
    MainKeysOption(run, options, "Keys to send");
    run->get_option("--keys")->required();
    run->add_option("--memory", options.memory,
                    "The library's memory image (10000 bytes, the machine's byte order): loaded "
                    "before the session (a missing file is a zero image), written back after a "
                    "successful finish; refused before the session when it could not be written back")
        ->type_name("FILE");
    run->add_option("--png", options.png, "Also write the screen after the keys as a PNG")
        ->type_name("FILE");
    run->footer(std::string(mainKeysHelp) + "\n"
                "Prints each event whose result is not 0 (\"<finish>: 2 (finished)\"), then\n"
                "\"saved: FILE\" for the data file saved last, then the error if any.  The\n"
                "session runs on the large screen.  Exit status 0 only when it finished.");
    return run;
}

int main(int argc, char **argv) {
    CommandOptions options;
    std::string lang;
    CLI::App app("tabrix " TABRIX_VERSION ": check, render and run Tabrix screen scripts without a window");
    app.name("tabrix");
    app.footer(mainFooter);
    app.fallthrough();
    app.require_subcommand(1);
    app.set_version_flag("--version", TABRIX_VERSION);
    app.add_option("--lang", lang, "Language of the library's messages")
        ->check(CLI::IsMember(LangNames()));
    CLI::App *check = MainCheck(app, options);
    CLI::App *render = MainRender(app, options);
    MainRun(app, options);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError &e) {
        int status = app.exit(e);
        return status == 0 ? 0 : EXIT_USAGE;
    }
    options.language = !lang.empty() ? LangFromName(lang)
                     : LangFromLocale(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
    if (check->parsed())
        return CommandCheck(options);
    if (render->parsed())
        return CommandRender(options);
    return CommandRun(options);
}
