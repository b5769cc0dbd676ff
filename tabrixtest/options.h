/*
 * options.h - the command line of the desktop host.
 */
#ifndef TABRIXTEST_OPTIONS_H
#define TABRIXTEST_OPTIONS_H

#include <QString>
#include <QStringList>

#include <cstdint>

struct HostOptions {
    uint32_t language;  /* TABRIX_LANG_* of the message table */
    QString script;     /* the script to open at start; empty: ask */
    bool help;          /* --help: print the usage and end */
    QString error;      /* not empty: a usage error, to be reported */
};

/* Reads the arguments that follow the program's name. */
HostOptions OptionsParse(const QStringList &args);

/* The usage text printed by --help and after a usage error. */
QString OptionsUsage();

#endif
