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

/* A session as the commands drive it. */
struct CommandSession {
    std::vector<KeyEvent> events;
    std::vector<HostResult> results;
    bool finished = false;
};

static std::string CommandKeys(const CommandOptions &options, CommandSession &session) {
    std::string why = KeysParse(options.keys, session.events);
    return why.empty() ? why : "--keys: " + why;
}

/* Warns of the keys that a finish left unsent. */
static void CommandUnsent(const CommandSession &session, size_t sent) {
    if (sent == session.events.size())
        return;
    std::cerr << "tabrix: not sent after the finish:";
    for (size_t i = sent; i < session.events.size(); i++)
        std::cerr << " " << session.events[i].token;
    std::cerr << "\n";
}

/* Starts a session on the script in the script's folder, with the surface
   bound when there is one, sends the events and goes back to the folder
   the tool started in.  Returns "" or why no session could run. */
static std::string CommandDrive(const CommandOptions &options, const FrameRect &rect,
                                HostSurface *surface, CommandSession &session) {
    LocalizationInit(nullptr, options.language);
    HostFolder folder;
    std::string file, why = folder.Enter(options.script, file);
    if (!why.empty())
        return why;
    if (surface != nullptr)
        surface->Bind();
    HostStart(file, rect);
    size_t sent;
    session.results = HostSend(rect, session.events, sent);
    session.finished = !session.results.empty()
                    && session.results.back().result == TABRIX_CONT_FINISHED;
    CommandUnsent(session, sent);
    return folder.Leave();
}

int CommandCheck(const CommandOptions &options) {
    CommandSession session;
    std::string why = CommandDrive(options, FRAME_SCREEN_LARGE, nullptr, session);
    if (!why.empty())
        return CommandFail(why);
    if (TabrixGetErrorLine() != 0)
        return CommandFail(ReportSessionError(options.script));
    std::cout << options.script << ": ok, main screen "
              << std::filesystem::path(options.script).filename().string() << "*DLG_MAIN\n";
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
    HostSurface surface(layout);
    if (!(why = CommandDrive(options, layout.rect, &surface, session)).empty())
        return CommandFail(why);
    std::string output = options.output.empty() ? CommandDefaultPicture(options.script) : options.output;
    if (!PictureWrite(output.c_str(), surface.surface))
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
    /* A session whose image could not be kept is not run. */
    if (!options.memory.empty() && (!(why = ImageCheck(options.memory)).empty() ||
                                    !(why = ImageLoad(options.memory)).empty()))
        return CommandFail(why);
    HostSurface surface(layout);
    if (!(why = CommandDrive(options, layout.rect, &surface, session)).empty())
        return CommandFail(why);
    for (const HostResult &r : session.results)
        std::cout << r.event->token << ": " << r.result << CommandResultName(r.result) << "\n";
    _REKFILEINFO saved{};
    TabrixLastSavedFile(&saved);
    if (saved.path[0] != '\0')
        std::cout << "saved: " << ReportPath(options.script, saved.path) << "\n";
    if (!options.png.empty() && !PictureWrite(options.png.c_str(), surface.surface))
        return CommandFail(options.png + ": cannot write the picture");
    if (TabrixGetErrorLine() != 0)
        return CommandFail(ReportSessionError(options.script));
    if (!session.finished)
        return CommandFail(options.script + ": the session did not finish");
    if (!options.memory.empty() && !(why = ImageSave(options.memory)).empty())
        return CommandFail(why);
    return EXIT_OK;
}
