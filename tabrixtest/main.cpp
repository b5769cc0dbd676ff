/*
 * main.cpp - tabrixtest: runs an editing session of libtabrix in a window.
 * Usage: tabrixtest [--lang cs|de|en|fr|hu|pl|ru] [SCRIPT.SCT]
 */
#include <QApplication>
#include <QTimer>

#include <cstdio>

#include "options.h"
#include "testdlg.h"

int main(int argc, char **argv) {
    /* The command line is read before Qt starts, so that --help and usage
       errors need no display. */
    QStringList args;
    for (int i = 1; i < argc; i++)
        args << QString::fromLocal8Bit(argv[i]);
    const HostOptions options = OptionsParse(args);
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "tabrixtest: %s\n\n%s", qUtf8Printable(options.error),
                     qUtf8Printable(OptionsUsage()));
        return 2;
    }
    if (options.help) {
        std::fputs(qUtf8Printable(OptionsUsage()), stdout);
        return 0;
    }
    LocalizationInit(nullptr, options.language);

    QApplication app(argc, argv);
    TabrixTestDlg window(options.language);
    window.SetCommandLineFile(options.script);
    window.show();
    /* The session starts once the window is up, not inside a paint. */
    QTimer::singleShot(0, &window, &TabrixTestDlg::OpenAndStart);
    return app.exec();
}
