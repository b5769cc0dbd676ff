/*
 * lang.h - the language of the library's messages: a --lang name, or the
 * locale the environment asks for.
 */
#ifndef TABRIX_CLI_LANG_H
#define TABRIX_CLI_LANG_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

/* The --lang names: cs, de, en, fr, hu, pl, ru. */
std::vector<std::string> LangNames(void);

/* The language identifier (TABRIX_LANG_*) of a name, 0 for none. */
uint32_t LangFromName(std::string_view name);

/* The language of a locale as the C library chooses one for messages:
   the first set and non-empty of LC_ALL, LC_MESSAGES and LANG (any may be
   null), by its language part ("cs_CZ.UTF-8" gives Czech); English when
   none names a language of the tables ("C", "POSIX", "es_ES"). */
uint32_t LangFromLocale(const char *lcAll, const char *lcMessages, const char *lang);

#endif
