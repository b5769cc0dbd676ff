/*
 * commands.cpp - check, render and run.
 */
#include "commands.h"

#include <filesystem>
#include <iostream>

#include "host.h"
#include "image.h"
#include "picture.h"
#include "report.h"
#include "tabrix/tabrix.h"

static int CommandUsage(const std::string &what) {
    std::cerr << "tabrix: " << what << "\n";
    return EXIT_USAGE;
}

static int CommandFail(const std::string &what) {
    std::cerr << what << "\n";
    return EXIT_FAILED;
}

/* A path given relative to where the tool started, made absolute before
   the session changes the working directory. */
static std::string CommandAbsolute(const std::string &path) {
    return path.empty() ? path : std::filesystem::absolute(path).string();
}

/* A session as render and run drive it. */
struct CommandSession {
    std::vector<KeyEvent> events;
    std::vector<HostResult> results;
    bool finished = false;
};

/* Starts a session on the script with the surface bound and sends the
   events.  Returns "" or why no session could start. */
static std::string CommandDrive(const CommandOptions &options, const Layout &layout,
                                HostSurface &surface, CommandSession &session) {
    LocalizationInit(nullptr, options.language);
    std::string file, why = HostEnterFolder(options.script, file);
    if (!why.empty())
        return why;
    surface.Bind();
    HostStart(file, layout.rect);
    size_t sent;
    session.results = HostSend(layout.rect, session.events, sent);
    session.finished = !session.results.empty()
                    && session.results.back().result == TABRIX_CONT_FINISHED;
    if (sent < session.events.size())
        std::cerr << "tabrix: " << session.events.size() - sent
                  << " keys after the finish were not sent\n";
    return "";
}

static std::string CommandKeys(const CommandOptions &options, CommandSession &session) {
    std::string why = KeysParse(options.keys, session.events);
    return why.empty() ? why : "--keys: " + why;
}

int CommandCheck(const CommandOptions &options) {
    LocalizationInit(nullptr, options.language);
    std::string file, why = HostEnterFolder(options.script, file);
    if (!why.empty())
        return CommandFail(why);
    if (HostStart(file, FRAME_LARGE) != 0)
        return CommandFail(ReportSessionError(options.script));
    std::cout << options.script << ": ok, main screen " << file << "*DLG_MAIN\n";
    return EXIT_OK;
}

/* The script's file name with .png, in the current folder. */
static std::string CommandDefaultPicture(const std::string &script) {
    return std::filesystem::path(script).filename().replace_extension(".png").string();
}

int CommandRender(const CommandOptions &options) {
    Layout layout;
    CommandSession session;
    std::string why = LayoutFromSize(options.size, layout);
    if (!why.empty())
        return CommandUsage("--size: " + why);
    if (!(why = CommandKeys(options, session)).empty())
        return CommandUsage(why);
    std::string output = options.output.empty() ? CommandDefaultPicture(options.script) : options.output;
    std::string outputPath = CommandAbsolute(output);
    HostSurface surface(layout);
    if (!(why = CommandDrive(options, layout, surface, session)).empty())
        return CommandFail(why);
    if (!PictureWrite(outputPath.c_str(), surface.surface))
        return CommandFail(output + ": cannot write the picture");
    std::cout << output << "\n";
    if (TabrixGetErrorLine() != 0)
        return CommandFail(ReportSessionError(options.script));
    return EXIT_OK;
}

static const char *CommandResultName(uint32_t result) {
    switch (result) {
    case TABRIX_CONT_FORGOTTEN: return " (forgotten)";
    case TABRIX_CONT_FINISHED: return " (finished)";
    default: return "";
    }
}

int CommandRun(const CommandOptions &options) {
    Layout layout;
    CommandSession session;
    LayoutFromSize("large", layout);
    std::string why = CommandKeys(options, session);
    if (!why.empty())
        return CommandUsage(why);
    std::string memory = CommandAbsolute(options.memory), png = CommandAbsolute(options.png);
    if (!memory.empty() && !(why = ImageLoad(memory)).empty())
        return CommandFail(why);
    HostSurface surface(layout);
    if (!(why = CommandDrive(options, layout, surface, session)).empty())
        return CommandFail(why);
    for (const HostResult &r : session.results)
        std::cout << r.event->token << ": " << r.result << CommandResultName(r.result) << "\n";
    _REKFILEINFO saved{};
    TabrixLastSavedFile(&saved);
    if (saved.path[0] != '\0')
        std::cout << "saved: " << ReportPath(options.script, saved.path) << "\n";
    if (!png.empty() && !PictureWrite(png.c_str(), surface.surface))
        return CommandFail(options.png + ": cannot write the picture");
    if (TabrixGetErrorLine() != 0)
        return CommandFail(ReportSessionError(options.script));
    if (!session.finished)
        return CommandFail(options.script + ": the session did not finish");
    if (!memory.empty() && !(why = ImageSave(memory)).empty())
        return CommandFail(why);
    return EXIT_OK;
}
