/*
 * captions.h - the host's own texts (button captions, the save question,
 * the About box, the file dialog) in the language chosen with --lang.
 */
#ifndef TABRIXTEST_CAPTIONS_H
#define TABRIXTEST_CAPTIONS_H

#include <cstdint>

/* UTF-8 texts of one language. */
struct HostTexts {
    /* Buttons. */
    const char *save;
    const char *manual;
    const char *back;
    const char *open;
    const char *restart;
    const char *edit;
    const char *parameters;
    const char *medium;
    const char *small;
    const char *large;
    /* The save question; its Save button is captioned save. */
    const char *questionTitle;
    const char *question;
    const char *discard;
    const char *cancel;
    /* The context menu's entry and the About box. */
    const char *aboutEntry;
    const char *aboutTitle;
    const char *aboutText;
    /* The file dialog. */
    const char *openTitle;
    const char *openFilter;
};

/* The texts of a language (TABRIX_LANG_*): Czech for Czech, English for
   every other one, as the library's own message tables have them. */
const HostTexts &CaptionsFor(uint32_t language);

#endif
