/*
 * tables.cpp - the built-in message tables in their binary layout: a
 * little-endian count, the offset of every message from the start of the
 * table, then the messages, each ending in a NUL.  The Czech texts are in
 * the Kamenicky code page of the display character set.
 */
#include <array>

#include "platform/messages/messages.h"

namespace {

using Texts = const char *const[MSG_COUNT];

constexpr size_t TableTextLength(const char *s) {
    size_t n = 0;
    while (s[n])
        n++;
    return n;
}

constexpr size_t TableSize(Texts &texts) {
    size_t n = 4 + 4 * MSG_COUNT;
    for (const char *t : texts)
        n += TableTextLength(t) + 1;
    return n;
}

template <size_t N>
constexpr std::array<uint8_t, N> TableBuild(Texts &texts) {
    std::array<uint8_t, N> table{};
    auto put32 = [&table](size_t at, size_t v) {
        for (size_t i = 0; i < 4; i++)
            table[at + i] = (uint8_t)(v >> (8 * i));
    };
    put32(0, MSG_COUNT);
    size_t at = 4 + 4 * MSG_COUNT;
    for (size_t i = 0; i < MSG_COUNT; i++) {
        put32(4 + 4 * i, at);
        for (const char *c = texts[i]; *c; c++)
            table[at++] = (uint8_t)*c;
        table[at++] = 0;
    }
    return table;
}

constexpr Texts english = {
    "No Error",
    "File opening Error",
    "Error",
    "File reading Error",
    "Syntax Error",
    "File",
    "Line",
    "Bitmap format Unsupported",
    "Menu was not found in file",
    "Menu",
    "File can not be created",
    "File writing Error",
    "File closing Error",
    "Not enought memory",
    "???",
    "DLG_MAIN not found",
    "Dialog not found",
    "Dialog",
    "SIGN item have to contain both + and -",
    "File moving Error",
    "Information",
    "",
    "",
    "REKFILE item have to be on first line of file",
    "Script file with SCRIPT item can not have REKFILE item",
    "Save",
    "Save file before pop menu?",
    "Yes",
    "No",
    "Cancel",
    "Value",
    "Parameter",
    "Enter parameter value",
    "Manual setting",
    "Ok",
    "Initializing word was not found",
    "Word",
    "Segment",
    "Phrase error",
    "Loading script...",
    "Item is not placed in a dialog",
};

constexpr Texts czech = {
    "Bez chyby",
    "Chyba p\xA9i otev\xA1r\xA0n\xA1 souboru",  // Chyba při otevírání souboru
    "Chyba",
    "Chyba p\xA9i \x87ten\xA1 ze souboru",  // Chyba při čtení ze souboru
    "Syntaktick\xA0 chyba",  // Syntaktická chyba
    "Soubor",
    "\x9E\xA0" "dka",  // Řádka
    "Chyba form\xA0tu BMP souboru",  // Chyba formátu BMP souboru
    "Menu nebylo v souboru nalezeno",
    "Menu",
    "Soubor nelze vytvo\xA9it",  // Soubor nelze vytvořit
    "Chyba p\xA9i z\xA0pisu do souboru",  // Chyba při zápisu do souboru
    "Chyba p\xA9i zav\xA1r\xA0n\xA1 souboru",  // Chyba při zavírání souboru
    "Nen\xA1 dostatek pam\x88ti",  // Není dostatek paměti
    "???",
    "DLG_MAIN nenalezeno",
    "Dialog nenalezen",
    "Dialog",
    "Polo\x91ka SIGN mus\xA1 obsahovat + i -",  // Položka SIGN musí obsahovat + i -
    "Chyba p\xA9i p\xA9" "esouv\xA0n\xA1 souboru",  // Chyba při přesouvání souboru
    "Informace",
    "",
    "",
    "polo\x91ka REKFILE mus\xA1 b\x98t definovan\xA0 v 1.\xA9\xA0" "dce scriptu",  // položka REKFILE musí být definovaná v 1.řádce scriptu
    "Script se scriptem nesm\xA1 m\xA1t REKFILE",  // Script se scriptem nesmí mít REKFILE
    "Ulo\x91it",  // Uložit
    "Ulo\x91it soubor p\xA9" "ed vyno\xA9" "en\xA1m?",  // Uložit soubor před vynořením?
    "Ano",
    "Ne",
    "Storno",
    "Hodnota",
    "Paramter",
    "Zadejte hodnotu parametru",
    "Ru\x87n\xA1 nastaven\xA1",  // Ruční nastavení
    "Ok",
    "Nenalezeno inicializa\x87n\xA1 slovo",  // Nenalezeno inicializační slovo
    "Slovo",
    "Segment",
    "Chyba ve v\x98razu",  // Chyba ve výrazu
    "Na\x87\xA1t\xA0n\xA1 skriptu...",  // Načítání skriptu...
    "Polo\x91ka nen\xA1 za\xA9" "azena v dialogu",  // Položka není zařazena v dialogu
};

constexpr auto englishTable = TableBuild<TableSize(english)>(english);
constexpr auto czechTable = TableBuild<TableSize(czech)>(czech);

static_assert(englishTable.size() == 811, "the English table is 811 bytes");
static_assert(czechTable.size() == 870, "the Czech table is 870 bytes");

}  // namespace

/* German, French, Hungarian, Polish and Russian carry the English table. */
const _MESSAGE_TABLE MessageTables[] = {
    {5, czechTable.data(), czechTable.size()},
    {7, englishTable.data(), englishTable.size()},
    {9, englishTable.data(), englishTable.size()},
    {12, englishTable.data(), englishTable.size()},
    {14, englishTable.data(), englishTable.size()},
    {21, englishTable.data(), englishTable.size()},
    {25, englishTable.data(), englishTable.size()},
};

const size_t MessageTableCount = sizeof MessageTables / sizeof MessageTables[0];
