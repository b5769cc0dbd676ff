/*
 * lang.cpp - choosing the message table.
 */
#include "lang.h"

#include "tabrix/tabrix.h"

static const struct {
    const char *name;
    uint32_t language;
} langTable[] = {
    {"cs", TABRIX_LANG_CZECH},  {"de", TABRIX_LANG_GERMAN},    {"en", TABRIX_LANG_ENGLISH},
    {"fr", TABRIX_LANG_FRENCH}, {"hu", TABRIX_LANG_HUNGARIAN}, {"pl", TABRIX_LANG_POLISH},
    {"ru", TABRIX_LANG_RUSSIAN},
};

std::vector<std::string> LangNames(void) {
    std::vector<std::string> names;
    for (const auto &l : langTable)
        names.push_back(l.name);
    return names;
}

uint32_t LangFromName(std::string_view name) {
    for (const auto &l : langTable)
        if (name == l.name)
            return l.language;
    return 0;
}

uint32_t LangFromLocale(const char *lcAll, const char *lcMessages, const char *lang) {
    for (const char *locale : {lcAll, lcMessages, lang}) {
        if (locale == nullptr || *locale == '\0')
            continue;
        std::string_view text(locale);
        uint32_t language = LangFromName(text.substr(0, text.find_first_of("_.@")));
        return language != 0 ? language : TABRIX_LANG_ENGLISH;
    }
    return TABRIX_LANG_ENGLISH;
}
