/*
 * captions.cpp - the host's texts in Czech and English.
 */
#include "captions.h"

#include "tabrix/tabrix.h"

namespace {

constexpr HostTexts czech = {
    "Uložit", "Ruční", "Vynořit", "Otevřít", "Restart", "Upravit", "Parametry",
    "Střední", "Malé", "Velké",
    "Neuložené změny", "Změněné hodnoty nejsou uloženy. Uložit je?", "Zahodit", "Zrušit",
    "O programu TabrixTest...", "O programu TabrixTest", "TabrixTest verze 1.0",
    "Otevřít soubor skriptu",
    "Skripty tabulek (TAB*.SCT tab*.sct);;Všechny skripty (*.SCT *.sct);;"
    "Všechny soubory (*)",
};

constexpr HostTexts english = {
    "Save", "Manual", "Back", "Open", "Restart", "Edit", "Parameters",
    "Medium", "Small", "Large",
    "Unsaved changes", "The changed values are not saved. Save them?", "Discard", "Cancel",
    "About TabrixTest...", "About TabrixTest", "TabrixTest Version 1.0",
    "Open Script File",
    "Tables Script Files (TAB*.SCT tab*.sct);;ALL Script Files (*.SCT *.sct);;"
    "All Files (*)",
};

}  // namespace

const HostTexts &CaptionsFor(uint32_t language) {
    return language == TABRIX_LANG_CZECH ? czech : english;
}
