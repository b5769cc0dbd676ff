/*
 * options.cpp - the command line of the desktop host: an optional script,
 * --lang to pick the library's message table, --help.
 */
#include "options.h"

#include "tabrix/tabrix.h"

namespace {

struct LanguageName {
    const char *name;
    uint32_t language;
};

constexpr LanguageName languages[] = {
    {"cs", TABRIX_LANG_CZECH},   {"de", TABRIX_LANG_GERMAN},
    {"en", TABRIX_LANG_ENGLISH}, {"fr", TABRIX_LANG_FRENCH},
    {"hu", TABRIX_LANG_HUNGARIAN}, {"pl", TABRIX_LANG_POLISH},
    {"ru", TABRIX_LANG_RUSSIAN},
};

void OptionsSetLanguage(HostOptions &options, const QString &name) {
    for (const LanguageName &l : languages) {
        if (name == QLatin1String(l.name)) {
            options.language = l.language;
            return;
        }
    }
    options.error = QStringLiteral("unknown language '%1' (use cs, de, en, fr, hu, pl or ru)")
                        .arg(name);
}

}  // namespace

HostOptions OptionsParse(const QStringList &args) {
    HostOptions options{TABRIX_LANG_CZECH, QString(), false, QString()};
    bool optionsEnd = false;
    for (qsizetype i = 0; i < args.size() && options.error.isEmpty(); i++) {
        const QString &arg = args[i];
        if (optionsEnd || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
            if (options.script.isEmpty())
                options.script = arg;
        } else if (arg == QLatin1String("--")) {
            optionsEnd = true;
        } else if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            options.help = true;
        } else if (arg.startsWith(QLatin1String("--lang="))) {
            OptionsSetLanguage(options, arg.mid(7));
        } else if (arg == QLatin1String("--lang")) {
            if (i + 1 < args.size())
                OptionsSetLanguage(options, args[++i]);
            else
                options.error = QStringLiteral("--lang needs a language");
        } else {
            options.error = QStringLiteral("unknown option '%1'").arg(arg);
        }
    }
    return options;
}

QString OptionsUsage() {
    return QStringLiteral(
        "Usage: tabrixtest [--lang cs|de|en|fr|hu|pl|ru] [SCRIPT.SCT]\n"
        "Runs an editing session of libtabrix on a screen script in a window.\n"
        "Without a script, a file dialog asks for one.\n"
        "\n"
        "  --lang LANG  language of the window and its messages (default cs)\n"
        "  -h, --help   print this help and end\n"
        "\n"
        "Keys: arrows move, Enter takes a value, Backspace and Delete erase,\n"
        "F4 opens the manual setting, F5 goes back; Ctrl+S or the button \"Uložit\"\n"
        "saves.  Keys count by the character they type: \"-\" is the minus sign,\n"
        "\".\" and \",\" the decimal point; \"+\", \"=\", \"/\" and \"?\" type nothing.\n");
}
