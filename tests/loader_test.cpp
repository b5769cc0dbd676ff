// Loading script sets through TabrixStart: what each line builds, every
// error with its code and text, the order files are read in, encodings,
// and the main screen shown with its data file's values.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "scripted.h"

namespace {

class LoaderTest : public ScriptedTest {
protected:
    // The items of a screen, one short text each.
    static std::vector<std::string> Items(const std::string &name) {
        std::vector<std::string> out;
        _SCREEN *s = Screen(name);
        if (s->dialog == nullptr)
            return out;
        for (const _ITEM *i = s->dialog->firstItem; i; i = i->next)
            out.push_back(Describe(i));
        return out;
    }

    static std::string Cell(int col, int row) {
        return "@" + std::to_string(col) + "," + std::to_string(row);
    }

    static std::string Describe(const _ITEM *i) {
        switch (i->kind) {
        case DLG_ITEM_BITMAP: {
            auto *b = (const _BITMAP_ITEM *)i->data;
            return "B " + std::string(b->path) + Cell(b->col, b->row);
        }
        case DLG_ITEM_BUTTON: {
            auto *b = (const _BUTTON_ITEM *)i->data;
            return "[" + std::string(b->label) + "]" + Cell(b->col, b->row) + ">" + b->target;
        }
        case DLG_ITEM_TEXT: {
            auto *t = (const _TEXT_ITEM *)i->data;
            return "T " + std::string(t->text) + Cell(t->col, t->row);
        }
        case DLG_ITEM_EDIT: {
            auto *e = (const _EDIT_ITEM *)i->data;
            return "E " + std::string(e->text) + Cell(e->col, e->row) + " w" + std::to_string(e->width);
        }
        case DLG_ITEM_LIST: {
            auto *l = (const _LIST_ITEM *)i->data;
            return "L <" + std::string(l->current->text) + ">" + Cell(l->col, l->row) + " w" +
                   std::to_string(l->width);
        }
        default:
            return "-";
        }
    }

    static const _VALUEREF *Ref(const std::string &screen, int index) {
        const _ITEM *i = Screen(screen)->dialog->firstItem;
        while (index-- > 0 && i)
            i = i->next;
        return i ? (const _VALUEREF *)i->valueRef : nullptr;
    }

};

// ------------------------------------------------------------ what lines build

TEST_F(LoaderTest, EveryItemKindWithLabelsAndPlacement) {
    Write("PIC.BMP", {"x"});
    Write("MAIN.SCT", {
        "DIALOG \"Settings\" \"DLG_MAIN\"",
        "text \"Spindle\" x0",
        "REAL \"Speed\" C12 S",
        "LIST \"Mode\" C13 V0\"Off\" V1\"On\"",
        "HEX \"Mask\" C14 X2",
        "INT C15 L1 N4",
        "SIGN \"Dir\" C16 V+\"fwd\" V-\"rev\"",
        "SUB \"Limits\" \"LIMITS\" X20 Y7",
        "BITMAP \"PIC.BMP\" X30 Y1",
        "SCRIPT \"Other\" \"OTHER.SCT\"",
        "DIALOG \"Limits\" \"LIMITS\"",
    });
    Write("OTHER.SCT", {"DIALOG \"Other\" \"DLG_MAIN\""});
    ASSERT_EQ(Start(), 0u) << ErrorText();
    EXPECT_EQ(Items("MAIN.SCT*DLG_MAIN"), (std::vector<std::string>{
        "T Spindle@0,0",
        "T Speed@0,1", "E 0@6,1 w10",
        "T Mode@0,2", "L <Off>@5,2 w3",
        "T Mask@2,3", "E 00000000@7,3 w8",
        "E 0@2,4 w4",
        "T Dir@2,5", "L <fwd>@6,5 w3",
        "[Limits]@20,7>MAIN.SCT*LIMITS",
        "B PIC.BMP@30,1",
        "[Other]@20,8>OTHER.SCT*DLG_MAIN",
    }));
    EXPECT_EQ(Screen("MAIN.SCT*DLG_MAIN")->dialog->title, std::string("Settings"));
    EXPECT_EQ(Items("MAIN.SCT*LIMITS"), std::vector<std::string>{"-"}) << "a screen without items";
    EXPECT_EQ(Items("OTHER.SCT*DLG_MAIN"), std::vector<std::string>{"-"});
}

TEST_F(LoaderTest, ValueBindings) {
    Write("MAIN.SCT", {
        "DIALOG \"T\" \"DLG_MAIN\"",
        "INT C1 L5 N4 S",       // digits 5 to 8 with the sign
        "INT C1 L5 N6 S",       // the sign is dropped before the count is cut
        "INT C1 L2 N3 S",
        "INT C1 L3 N4",
        "INT C1 H6 N4",
        "REAL M1.8 S",          // a variable: ten digits
        "HEX M1.9",             // HEX takes the offset as a parameter
        "LIST M0.7 V1\"a\"",    // bank 0 names a parameter
        "SIGN C3 V+\"p\" V-\"m\"",
    });
    ASSERT_EQ(Start(), 0u) << ErrorText();
    struct Want { uint32_t number; uint32_t flags; };
    auto flags = [](uint32_t type, uint32_t start, uint32_t count, uint32_t extra) {
        return type << VALUEREF_TYPE_SHIFT | start << VALUEREF_START_SHIFT |
               count << VALUEREF_COUNT_SHIFT | extra;
    };
    const Want want[] = {
        {1, flags(7, 5, 4, VALUEREF_SIGNED)},
        {1, flags(7, 5, 4, 0)},
        {1, flags(7, 2, 3, 0)},
        {1, flags(7, 3, 4, 0)},
        {1, flags(7, 3, 4, 0)},
        {8, flags(8, 1, 10, VALUEREF_SIGNED | VALUEREF_VARIABLE)},
        {9, flags(11, 1, 10, 0)},
        {7, flags(5, 1, 8, 0)},
        {3, flags(9, 0, 0, 0)},
    };
    for (int i = 0; i < (int)std::size(want); i++) {
        const _VALUEREF *ref = Ref("MAIN.SCT*DLG_MAIN", i);
        ASSERT_NE(ref, nullptr) << i;
        EXPECT_EQ(ref->number, want[i].number) << i;
        EXPECT_EQ(ref->flags, want[i].flags) << i;
    }
    EXPECT_EQ(VariableFind(8)->key, 8u) << "the variable is registered";
}

TEST_F(LoaderTest, SpellingAndKeywordOrder) {
    Write("MAIN.SCT", {
        "  dialog  \"Mixed Case\"   \"DLG_MAIN\"  // a comment",
        "  int \"  a b \"  c 5 l 1 n 2 // blanks anywhere",
        "INITC5I7",             // INIT before INT
        "INTC6",                // INT, digits 1 to 8
    });
    ASSERT_EQ(Start(), 0u) << ErrorText();
    _SCREEN *s = Screen("MAIN.SCT*DLG_MAIN");
    EXPECT_STREQ(s->dialog->title, "Mixed Case");
    EXPECT_EQ(Items("MAIN.SCT*DLG_MAIN"),
              (std::vector<std::string>{"T   a b @0,0", "E 7@7,0 w2", "E 0@0,1 w8"}));
    ASSERT_NE(s->inits, nullptr);
    EXPECT_EQ(s->inits->target, 5u);
    EXPECT_EQ(s->inits->value, 7);
    EXPECT_EQ(s->inits->start, 1);
    EXPECT_EQ(s->inits->count, 8);
}

TEST_F(LoaderTest, TextWraps) {
    // 50 pixels leave (50 - 10) / 8 = 5 characters a row.  The field after
    // the text takes its column and the row below the last piece.
    struct Case { std::string line; std::vector<std::string> items; };
    const Case cases[] = {
        {"TEXT \"ABC DEF\" X0", {"T ABC@0,0", "E 0@0,1 w8"}},
        {"TEXT \"ABC DEF\" X0 A", {"T ABC@0,0", "T DEF@0,1", "E 0@0,2 w8"}},
        {"TEXT \"ABCDEFGH\" X0 A", {"T ABCDE@0,0", "T FGH@0,1", "E 0@0,2 w8"}},
        {"TEXT \"ABCDE\" X0 A", {"T ABCDE@0,0", "E 0@0,1 w8"}},
        {"TEXT \"AB CD EF\" X1 A Y2", {"T AB@1,2", "T CD@1,3", "T EF@1,4", "E 0@1,5 w8"}},
        {"TEXT \"ABC\" X5 A", {"T @5,0", "E 0@5,1 w8"}},  // no room: one empty piece
        {"TEXT \"ABC\" X6 A", {"E 0@6,1 w8"}},            // less than none: nothing
    };
    for (const Case &c : cases) {
        Write("MAIN.SCT", {"DIALOG \"T\" \"DLG_MAIN\"", c.line, "INT C1"});
        info.right = kLeft + 50;
        ASSERT_EQ(Start(), 0u) << c.line << ": " << ErrorText();
        EXPECT_EQ(Items("MAIN.SCT*DLG_MAIN"), c.items) << c.line;
    }
}

TEST_F(LoaderTest, ListAndSignEntries) {
    Write("MAIN.SCT", {
        "DIALOG \"T\" \"DLG_MAIN\"",
        "LIST C7 V0\"OFF\" V1\"ON\"",
        "LIST C8 V1\"one\"",
        "",
        "2\"two\"V3\"three long\"",
        "SIGN C3 V+\"plus\"",
        "V-\"minus\"",
        "LIST C9 V4\"four\"",
    });
    ASSERT_EQ(Start(), 0u) << ErrorText();
    auto entries = [](int index) {
        const _ITEM *i = Screen("MAIN.SCT*DLG_MAIN")->dialog->firstItem;
        while (index-- > 0)
            i = i->next;
        const _LIST_ITEM *l = (const _LIST_ITEM *)i->data;
        std::vector<std::string> out;
        const _LIST_ENTRY *e = l->first ? l->first : l->current;
        for (; e; e = e->next)
            out.push_back(std::string(e->text) + "=" + std::to_string(e->value) +
                          (e->prev ? "" : " first"));
        return out;
    };
    EXPECT_EQ(entries(0), (std::vector<std::string>{"?\?\?=-1 first", "OFF=0 first", "ON=1"}));
    EXPECT_EQ(entries(1), (std::vector<std::string>{"?\?\?=-1 first", "one=1 first", "two=2",
                                                    "three long=3"}));
    EXPECT_EQ(entries(2), (std::vector<std::string>{"plus=1 first", "minus=-1"}));
    EXPECT_EQ(entries(3), (std::vector<std::string>{"?\?\?=-1 first", "four=4 first"}));
    EXPECT_EQ(Items("MAIN.SCT*DLG_MAIN")[1], "L <?\?\?>@0,1 w10");
    EXPECT_EQ(Items("MAIN.SCT*DLG_MAIN")[2], "L <plus>@0,2 w5");
}

TEST_F(LoaderTest, FocusAndChains) {
    Write("MAIN.SCT", {
        "INIT C1 I5",                           // before the first DIALOG: ignored
        "CALC \"1/0\" C2",
        "TEXT \"ignored too\"",
        "DIALOG \"T\" \"DLG_MAIN\"",
        "SUB \"a\" \"X\" A",
        "INT C1 A",
        "INT C2",
        "DIALOG \"X\" \"X\"",
    });
    ASSERT_EQ(Start(), 0u) << ErrorText();
    _SCREEN *s = Screen("MAIN.SCT*DLG_MAIN");
    EXPECT_EQ(s->inits, nullptr);
    EXPECT_EQ(s->calcs, nullptr);
    const _ITEM *second = s->dialog->firstItem->next;
    EXPECT_EQ(s->focusItem, second) << "the later A wins";
    EXPECT_EQ((const _ITEM *){s->dialog->focusItem}, second);
    EXPECT_EQ((const _ITEM *){second->next->next}, nullptr) << "no empty item at the end of a screen";
    EXPECT_EQ(TabrixSession.current, s);
    ASSERT_NE(TabrixSession.stack, nullptr);
    EXPECT_EQ(TabrixSession.stack->screen, s);
    EXPECT_EQ(TabrixSession.stack->below, nullptr);
}

TEST_F(LoaderTest, CalcEntries) {
    Write("MAIN.SCT", {
        "DIALOG \"T\" \"DLG_MAIN\"",
        "CALC \"sin( 30 ) + r1\" \"\" C4 A",
        "CALC \"m1.40*2\" \"d3 > 1\" D5",
        "CALC \"1\" M2.44",
    });
    ASSERT_EQ(Start(), 0u) << ErrorText();
    const _CALCENTRY *c = Screen("MAIN.SCT*DLG_MAIN")->calcs;
    ASSERT_NE(c, nullptr);
    EXPECT_STREQ(c->expression, "SIN(30)+R1");
    EXPECT_EQ(c->condition, nullptr);
    EXPECT_EQ(c->target, 4u);
    EXPECT_EQ(c->flags, CALC_TARGET_PARAM | CALC_ON_ENTRY);
    c = c->next;
    EXPECT_STREQ(c->expression, "M1.40*2");
    EXPECT_STREQ(c->condition, "D3>1");
    EXPECT_EQ(c->flags, CALC_TARGET_SLOT);
    EXPECT_EQ(c->target, 5u);
    c = c->next;
    EXPECT_EQ(c->flags, CALC_TARGET_VARIABLE);
    EXPECT_EQ(c->target, 44u);
    EXPECT_EQ(c->next, nullptr);
    EXPECT_EQ(VariableFind(40)->key, 40u) << "registered by the check at load time";
    EXPECT_EQ(VariableFind(44)->key, 44u);
}

// -------------------------------------------------------------------- errors

struct ErrorCase {
    std::vector<std::string> lines;
    uint32_t code;
    std::string text;
};

TEST_F(LoaderTest, Errors) {
    const ErrorCase cases[] = {
        {{"DIALOG \"T\" \"DLG_MAIN\"", "INT C1 N4"}, 4, "Line:2 File:MAIN.SCT"},
        {{"DIALOG \"T\" \"DLG_MAIN\"", "INT L3"}, 4, "Line:2 File:MAIN.SCT"},
        {{"DIALOG \"T\" \"DLG_MAIN\"", "TEXT \"a // b\""}, 4, "Line:2 File:MAIN.SCT"},
        {{"DIALOG \"T\" \"DLG_MAIN\"", "INIT C5 I-1"}, 4, "Line:2 File:MAIN.SCT"},
        {{"DIALOG \"T\" \"DLG_MAIN\"", "LIST C7 V0\"OFF\" 1\"ON\""}, 4, "Line:2 File:MAIN.SCT"},
        {{"DIALOG \"T\" \"DLG_MAIN\"", "LIST V0\"OFF\" C7"}, 4, "Line:2 File:MAIN.SCT"},
        {{"DIALOG \"T\" \"DLG_MAIN\"", "LIST V0\"OFF\""}, 4, "Line:2 File:MAIN.SCT"},
        {{"DIALOG \"T\" \"DLG_MAIN\"", "SIGN V+\"p\"V-\"m\""}, 4, "Line:2 File:MAIN.SCT"},
        {{"DIALOG \"T\" \"DLG_MAIN\"", "", "", "5\"x\""}, 4, "Line:4 File:MAIN.SCT"},
        {{"DIALOG \"T\" \"DLG_MAIN\"", "CALC \"COSPI\" C1"}, 4, "Line:2 File:MAIN.SCT"},
        {{"DIALOG \"T\" \"DLG_MAIN\"", "CALC \"M1.9998\" C1"}, 4, "Line:2 File:MAIN.SCT"},
        {{"DIALOG \"T\" \"DLG_MAIN\"", "CALC \"1\""}, 4, "Line:2 File:MAIN.SCT"},
        {{"DIALOG \"T\" \"DLG_MAIN\"", "BITMAP \"MAIN.SCT\" X1"}, 4, "Line:2 File:MAIN.SCT"},
        {{"bad line", "DIALOG \"T\" \"DLG_MAIN\""}, 4, "Line:1 File:MAIN.SCT"},
        {{"DIALOG \"T\" \"DLG_MAIN\"", "SIGN C3 V+\"p\"", "TEXT \"x\""}, 18, "Line:2 File:MAIN.SCT"},
        {{"DIALOG \"T\" \"DLG_MAIN\"", "SIGN C3 V-\"m\"", "", "-\"n\""}, 18, "Line:4 File:MAIN.SCT"},
        {{"", "REKFILE \"K\" \"D.TXT\""}, 23, ""},
        {{"// only a comment", "REKFILE \"K\" \"D.TXT\""}, 23, ""},
        {{"DIALOG \"T\" \"DLG_MAIN\"", "REKFILE \"K\" \"D.TXT\""}, 23, ""},
        {{"REKFILE \"K\" \"D.TXT\" C2000", "DIALOG \"T\" \"DLG_MAIN\""}, 4, "Line:1 File:MAIN.SCT"},
        {{"REKFILE \"K\" \"NONE.TXT\"", "DIALOG \"T\" \"DLG_MAIN\"", "SCRIPT \"a\" \"A.SCT\""}, 24, "MAIN.SCT"},
        {{"DIALOG \"T\" \"DLG_MAIN\"", "BITMAP \"NONE.BMP\""}, 1, "NONE.BMP"},
        {{"DIALOG \"T\" \"DLG_MAIN\"", "SCRIPT \"a\" \"NONE.SCT\""}, 1, "NONE.SCT"},
        {{"// only", "// comments"}, 40, "Line:3 File:MAIN.SCT"},
        {{}, 40, "Line:1 File:MAIN.SCT"},
        {{"DIALOG \"T\" \"dlg_main\""}, 15, ""},
        {{"REKFILE \"K\" \"D.TXT\"", "DIALOG \"T\" \"DLG_MAIN\""}, 35, "File:D.TXT Word:K"},
    };
    for (const ErrorCase &c : cases) {
        Write("MAIN.SCT", c.lines);
        Write("D.TXT", {"no word here", "*"});
        std::string joined;
        for (const std::string &l : c.lines)
            joined += l + " | ";
        EXPECT_EQ(Start(), c.code) << joined;
        EXPECT_EQ(ErrorText(), c.text) << joined;
        EXPECT_NE(surface.Count(Rgb(13)), 0) << "the error box is shown: " << joined;
    }
}

TEST_F(LoaderTest, MissingScriptAndReadErrors) {
    EXPECT_EQ(Start("NOPE.SCT"), 1u);
    EXPECT_EQ(ErrorText(), "NOPE.SCT");
    info.script = nullptr;
    TabrixStart(&info);
    EXPECT_EQ(TabrixGetErrorLine(), 1u);

    Write("MAIN.SCT", {"DIALOG \"T\" \"DLG_MAIN\""});
    FileFaultSet([](int op) { return op == FILE_OP_READ ? 1 : 0; });
    EXPECT_EQ(Start(), 3u);
    EXPECT_EQ(ErrorText(), "MAIN.SCT");
}

TEST_F(LoaderTest, ErrorTextsAreInTheSelectedLanguage) {
    LocalizationInit(nullptr, TABRIX_LANG_CZECH);
    Write("MAIN.SCT", {"DIALOG \"T\" \"DLG_MAIN\"", "XYZ"});
    EXPECT_EQ(Start(), 4u);
    EXPECT_EQ(ErrorText(), "\x9E\xA0" "dka:2 Soubor:MAIN.SCT");
}

TEST_F(LoaderTest, ErrorTextsAreCut) {
    std::string name(70, 'N');
    Write(name, {"DIALOG \"T\" \"DLG_MAIN\"", "?"});
    EXPECT_EQ(Start(name.c_str()), 4u);
    EXPECT_EQ(ErrorText(), ("Line:2 File:" + name).substr(0, 59));
}

// --------------------------------------------------------------- script sets

TEST_F(LoaderTest, ScriptFilesAreReadBreadthFirst) {
    Write("MAIN.SCT", {"DIALOG \"Menu\" \"DLG_MAIN\"", "SCRIPT \"A\" \"A.SCT\"", "SCRIPT \"B\" \"B.SCT\""});
    Write("A.SCT", {"DIALOG \"A\" \"DLG_MAIN\"", "SCRIPT \"C\" \"C.SCT\"", "SCRIPT \"Menu\" \"MAIN.SCT\""});
    Write("B.SCT", {"REKFILE \"K\" \"B.TXT\" N2", "DIALOG \"B\" \"DLG_MAIN\"", "SUB \"s\" \"SUB\"",
                    "DIALOG \"B2\" \"SUB\""});
    Write("B.TXT", {"K", "*"});
    Write("C.SCT", {"DIALOG \"C\" \"DLG_MAIN\"", "SCRIPT \"A again\" \"A.SCT\"", "SUB \"x\" \"SUB\""});
    ASSERT_EQ(Start(), 0u) << ErrorText();
    std::vector<std::string> names;
    for (const _SCREEN *s = &TabrixSession.screens; s->dialog; s = s->next)
        names.push_back(s->name);
    EXPECT_EQ(names, (std::vector<std::string>{"MAIN.SCT*DLG_MAIN", "A.SCT*DLG_MAIN", "B.SCT*DLG_MAIN",
                                               "B.SCT*SUB", "C.SCT*DLG_MAIN"}))
        << "each file once, in the order named, cycles included";
    EXPECT_EQ(Screen("MAIN.SCT*DLG_MAIN")->dataFile, nullptr) << "a menu has no data file";
    const _REKFILEINFO *b = Screen("B.SCT*SUB")->dataFile;
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b, Screen("B.SCT*DLG_MAIN")->dataFile) << "one record for the file's screens";
    EXPECT_STREQ(b->path, "B.TXT");
    EXPECT_EQ(uint8_t{b->decimals}, 2);
    EXPECT_EQ(uint32_t{b->count}, 2000u);
    EXPECT_EQ(Items("C.SCT*DLG_MAIN")[1], "[x]@0,1>C.SCT*SUB") << "a SUB names a screen of its own file";
    EXPECT_EQ(ScreenFind("C.SCT*SUB")->dialog, nullptr);
}

TEST_F(LoaderTest, RekfileFields) {
    struct Case { std::string line; uint32_t count; uint8_t decimals; };
    const Case cases[] = {
        {"REKFILE \"K\" \"D.TXT\"", 2000, 3},
        {"REKFILE \"K\" \"D.TXT\" N8", 2000, 3},
        {"REKFILE \"K\" \"D.TXT\" C0 N1", 0, 1},
        {"REKFILE \"K\" \"D.TXT\" C1999 N10", 1999, 10},
    };
    for (const Case &c : cases) {
        Write("MAIN.SCT", {c.line, "DIALOG \"T\" \"DLG_MAIN\""});
        Write("D.TXT", {"K", "*"});
        ASSERT_EQ(Start(), 0u) << c.line << ": " << ErrorText();
        const _REKFILEINFO *r = Screen("MAIN.SCT*DLG_MAIN")->dataFile;
        EXPECT_EQ(uint32_t{r->count}, c.count) << c.line;
        EXPECT_EQ(uint8_t{r->decimals}, c.decimals) << c.line;
    }
}

TEST_F(LoaderTest, EncodingsLoadAlike) {
    // Czech labels as display bytes, as UTF-8 and as UTF-16LE.
    const std::string eightBit = "DIALOG \"Nastaven\xA1\" \"DLG_MAIN\"\r\nTEXT \"\x9E\xA0" "dek\"\r\n";
    const std::string utf8 = "DIALOG \"Nastavení\" \"DLG_MAIN\"\r\nTEXT \"Řádek\"\r\n";
    std::string utf16 = "\xFF\xFE";
    std::u16string wide = u"DIALOG \"Nastavení\" \"DLG_MAIN\"\r\nTEXT \"Řádek\"\r\n";
    for (char16_t c : wide) {
        utf16 += (char)(c & 0xFF);
        utf16 += (char)(c >> 8);
    }
    for (const std::string &bytes : {eightBit, utf8, "\xEF\xBB\xBF" + utf8, utf16}) {
        WriteFile(dir / "MAIN.SCT", bytes);
        ASSERT_EQ(Start(), 0u) << ErrorText();
        EXPECT_STREQ(Screen("MAIN.SCT*DLG_MAIN")->dialog->title, "Nastaven\xA1");
        EXPECT_EQ(Items("MAIN.SCT*DLG_MAIN"), std::vector<std::string>{"T \x9E\xA0" "dek@0,0"});
    }
}

// --------------------------------------------------------------- file names

// UTF-16LE bytes with the byte-order mark of UTF-8 text (no code point
// above U+FFFF).
std::string Utf16FromUtf8(const std::string &utf8) {
    std::string out = "\xFF\xFE";
    for (size_t i = 0; i < utf8.size();) {
        uint8_t c = (uint8_t)utf8[i];
        uint32_t code = c, more = c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        if (more)
            code = c & (0x3F >> more);
        for (i++; more > 0; more--, i++)
            code = code << 6 | ((uint8_t)utf8[i] & 0x3F);
        out += (char)(code & 0xFF);
        out += (char)(code >> 8);
    }
    return out;
}

class FileNameTest : public LoaderTest {
protected:
    // Where and why the session's error stands.
    static _TABRIX_ERROR Reason() {
        _TABRIX_ERROR e{};
        e.size = sizeof e;
        TabrixGetErrorReason(&e);
        return e;
    }
    // The names in the test's folder.
    std::set<std::string> Files() const {
        std::set<std::string> names;
        for (const auto &entry : std::filesystem::directory_iterator(dir.root()))
            names.insert(entry.path().filename().string());
        return names;
    }
    void Clear() const {
        for (const std::string &f : Files())
            std::filesystem::remove(dir / f);
    }
    // Starts on MAIN.SCT, types 7 into the focused REAL field and
    // finishes: the data file must then hold parameter 1 as 7.
    void EditAndSave(const std::string &why) {
        ASSERT_EQ(Start(), 0u) << why << ": " << ErrorText();
        EXPECT_EQ(FocusText(), "2") << why << ": the data file's value is shown";
        EXPECT_EQ(Send("7<enter><finish>"), std::vector<uint32_t>{TABRIX_CONT_FINISHED}) << why;
    }
};

// Both texts of a REKFILE fill their 81-byte fields, 80 bytes and the
// terminator; nothing is cut.  A path counts the bytes the script wrote:
// U with an acute accent is two in UTF-8.
TEST_F(FileNameTest, EightyBytesOfPathAndWordLoadAndSave) {
    const std::string word(80, 'W');
    for (const std::string &path : {std::string(76, 'd') + ".TXT", "\xC3\x9A" + std::string(78, 'd')}) {
        Clear();
        Write("MAIN.SCT", {"REKFILE \"" + word + "\" \"" + path + "\"", "DIALOG \"T\" \"DLG_MAIN\"", "REAL C1"});
        Write(path, {word, "1:2", "*"});
        EditAndSave(path);
        EXPECT_EQ(Read(path), word + "\r\n0001:\t+00007.000\r\n\r\n*\r\n");
        _REKFILEINFO saved{};
        TabrixLastSavedFile(&saved);
        EXPECT_EQ(std::string(saved.path), path);
        EXPECT_EQ(std::string(saved.keyword), word);
        EXPECT_EQ(Files(), (std::set<std::string>{"MAIN.SCT", path}));
    }
}

// A text that does not fit fails the load at its line and column, before
// any data file is read or made.
TEST_F(FileNameTest, TextsThatDoNotFitTheRecordFail) {
    const std::string word80(80, 'W'), path80(80, 'd');
    struct Case { std::string line, reason; uint32_t column; };
    const Case cases[] = {
        {"REKFILE \"K\" \"" + path80 + "x\"", "the data file path is longer than 80 bytes", 13},
        {"  REKFILE \"" + word80 + "x\" \"D.TXT\"", "the initializing word is longer than 80 bytes", 11},
        {"REKFILE \"K\" \"\"", "REKFILE needs a data file path", 13},
        {"REKFILE \"K\" \"\xC3\x9A" + std::string(79, 'd') + "\"",
         "the data file path is longer than 80 bytes", 13},
    };
    for (const Case &c : cases) {
        Write("MAIN.SCT", {c.line, "DIALOG \"T\" \"DLG_MAIN\"", "REAL C1"});
        EXPECT_EQ(Start(), 4u) << c.line;
        EXPECT_EQ(ErrorText(), "Line:1 File:MAIN.SCT") << c.line;
        _TABRIX_ERROR e = Reason();
        EXPECT_STREQ(e.reason, c.reason.c_str()) << c.line;
        EXPECT_STREQ(e.file, "MAIN.SCT") << c.line;
        EXPECT_EQ(uint32_t{e.line}, 1u) << c.line;
        EXPECT_EQ(uint32_t{e.column}, c.column) << c.line;
        EXPECT_EQ(Files(), std::set<std::string>{"MAIN.SCT"}) << c.line;
    }
}

// Names reach the file system as the script wrote them: UTF-8 in a UTF-8
// script with or without the mark, UTF-8 from a UTF-16LE one, the bytes
// themselves in an 8-bit script.  Labels are decoded as ever.
TEST_F(FileNameTest, NamesKeepTheScriptsBytes) {
    const std::string menu = "DIALOG \"Menu\" \"DLG_MAIN\"\r\nSCRIPT \"Údaje\" \"Údaje.SCT\"\r\n";
    const std::string data = "REKFILE \"K\" \"Údaje.TXT\"\r\n"
                             "DIALOG \"Údaje\" \"DLG_MAIN\"\r\n"
                             "REAL \"Délka\" C1 A\r\n"
                             "BITMAP \"Obrázek.BMP\" X20 Y0\r\n";
    struct Case {
        std::string how, menu, data;
        std::string script, dataFile, bitmap;   // the names as the file system has them
    };
    const Case cases[] = {
        {"UTF-8", menu, data, "Údaje.SCT", "Údaje.TXT", "Obrázek.BMP"},
        {"UTF-8 with the mark", "\xEF\xBB\xBF" + menu, "\xEF\xBB\xBF" + data, "Údaje.SCT", "Údaje.TXT",
         "Obrázek.BMP"},
        {"UTF-16LE", Utf16FromUtf8(menu), Utf16FromUtf8(data), "Údaje.SCT", "Údaje.TXT", "Obrázek.BMP"},
        {"8-bit", "DIALOG \"Menu\" \"DLG_MAIN\"\r\nSCRIPT \"x\" \"\x97" "daje.SCT\"\r\n",
         "REKFILE \"K\" \"\x97" "daje.TXT\"\r\nDIALOG \"x\" \"DLG_MAIN\"\r\nREAL \"D\x82lka\" C1 A\r\n"
         "BITMAP \"Obr\xA0zek.BMP\" X20 Y0\r\n",
         "\x97" "daje.SCT", "\x97" "daje.TXT", "Obr\xA0zek.BMP"},
    };
    for (const Case &c : cases) {
        Clear();
        WriteFile(dir / "MAIN.SCT", c.menu);
        WriteFile(dir / c.script, c.data);
        Write(c.bitmap, {"x"});
        Write(c.dataFile, {"K", "1:2", "*"});
        ASSERT_EQ(Start(), 0u) << c.how << ": " << ErrorText();
        EXPECT_EQ(Send("<enter>"), std::vector<uint32_t>{}) << c.how;
        ASSERT_EQ(TabrixSession.current, Screen(c.script + "*DLG_MAIN")) << c.how;
        EXPECT_EQ(Items(c.script + "*DLG_MAIN"), (std::vector<std::string>{
                      "T D\x82lka@0,0", "E 2@6,0 w9", "B " + c.bitmap + "@20,0"})) << c.how;
        EXPECT_EQ(Send("7<enter><finish>"), std::vector<uint32_t>{TABRIX_CONT_FINISHED}) << c.how;
        EXPECT_EQ(Read(c.dataFile), "K\r\n0001:\t+00007.000\r\n\r\n*\r\n") << c.how;
        EXPECT_EQ(Files(), (std::set<std::string>{"MAIN.SCT", c.script, c.dataFile, c.bitmap})) << c.how;
        _REKFILEINFO saved{};
        TabrixLastSavedFile(&saved);
        EXPECT_EQ(std::string(saved.path), c.dataFile) << c.how;
    }
}

// A name that cannot be opened is told as the line shows it: in display
// bytes, like the script's other texts; the place keeps the name opened.
TEST_F(FileNameTest, NamesInMessagesAreShownDecoded) {
    Write("MAIN.SCT", {"DIALOG \"Menu\" \"DLG_MAIN\"", "SCRIPT \"x\" \"Údaje.SCT\""});
    EXPECT_EQ(Start(), 1u);
    EXPECT_EQ(ErrorText(), "\x97" "daje.SCT");
    _TABRIX_ERROR e = Reason();
    EXPECT_STREQ(e.reason, "cannot open \x97" "daje.SCT: No such file or directory");
    EXPECT_STREQ(e.file, "MAIN.SCT");

    Write("Údaje.SCT", {"DIALOG \"x\" \"DLG_MAIN\"", "TEXT"});
    EXPECT_EQ(Start(), 4u);
    EXPECT_EQ(ErrorText(), "Line:2 File:\x97" "daje.SCT");
    EXPECT_STREQ(Reason().file, "Údaje.SCT");
}

// Screen names and link targets hold the whole file name, however long.
TEST_F(FileNameTest, LongScriptNamesLink) {
    const std::string name = std::string(146, 'n') + ".SCT";
    Write("MAIN.SCT", {"DIALOG \"Menu\" \"DLG_MAIN\"", "SCRIPT \"Go\" \"" + name + "\""});
    Write(name, {"DIALOG \"Long\" \"DLG_MAIN\"", "SUB \"Sub\" \"SUB\"", "DIALOG \"Sub\" \"SUB\"", "INT C1"});
    ASSERT_EQ(Start(), 0u) << ErrorText();
    EXPECT_EQ(Send("<enter>"), std::vector<uint32_t>{});
    EXPECT_EQ(TabrixSession.current, Screen(name + "*DLG_MAIN")) << ErrorText();
    EXPECT_EQ(Send("<enter>"), std::vector<uint32_t>{});
    EXPECT_EQ(TabrixSession.current, Screen(name + "*SUB")) << ErrorText();
    EXPECT_EQ(TabrixGetErrorLine(), 0u);

    ASSERT_EQ(Start(name.c_str()), 0u) << "the host's script: " << ErrorText();
    EXPECT_EQ(TabrixSession.current, Screen(name + "*DLG_MAIN"));
}

// The host's path is refused past what the platform takes; a SCRIPT target
// that long stands on a line that is too long.
TEST_F(FileNameTest, PathsBeyondThePlatformsLimit) {
    for (size_t length : {(size_t)PATH_MAX - 1, (size_t)PATH_MAX}) {
        std::string path;
        while (path.size() < length)
            path += "d/";
        path.resize(length);
        EXPECT_EQ(Start(path.c_str()), 1u) << length;
        std::string reason = Reason().reason;
        if (length < PATH_MAX)
            EXPECT_EQ(reason.find("cannot open "), 0u) << "the platform's refusal: " << reason;
        else
            EXPECT_EQ(reason, "the script path is longer than " + std::to_string(PATH_MAX - 1) + " bytes");
        EXPECT_EQ(ErrorText(), path.substr(0, 59)) << length;
    }

    Write("MAIN.SCT", {"DIALOG \"Menu\" \"DLG_MAIN\"", "SCRIPT \"x\" \"" + std::string(PATH_MAX, 's') + "\""});
    EXPECT_EQ(Start(), 4u);
    _TABRIX_ERROR e = Reason();
    EXPECT_EQ(uint32_t{e.line}, 2u);
    EXPECT_STREQ(e.reason, "the line is longer than 1,022 characters");
}

TEST_F(LoaderTest, ExhaustedPoolFailsCleanlyAndTheNextStartWorks) {
    // Each wrapped TEXT keeps about 2,500 bytes of pieces and items: the
    // pool runs out long before the file does.
    std::vector<std::string> lines{"DIALOG \"T\" \"DLG_MAIN\""};
    std::string text(1000, 'x');
    for (int i = 0; i < 3000; i++)
        lines.push_back("TEXT \"" + text + "\" A");
    Write("BIG.SCT", lines);
    EXPECT_EQ(Start("BIG.SCT"), 13u);
    EXPECT_EQ(ErrorText(), "");
    Write("MAIN.SCT", {"DIALOG \"T\" \"DLG_MAIN\"", "TEXT \"fine\""});
    EXPECT_EQ(Start(), 0u);
    EXPECT_EQ(Items("MAIN.SCT*DLG_MAIN"), std::vector<std::string>{"T fine@0,0"});
}

// --------------------------------------------------------------- main screen

TEST_F(LoaderTest, MainScreenShowsTheDataFile) {
    Write("MAIN.SCT", {
        "REKFILE \"PARAMS\" \"DATA.TXT\" N2",
        "DIALOG \"Settings\" \"DLG_MAIN\"",
        "REAL \"Speed\" C12 S",
        "LIST \"Mode\" C13 V0\"Off\" V100\"On\"",
        "HEX \"Mask\" C14",
        "INT \"Count\" C15 L1 N4",
        "INT \"Raw\" C17",
        "SIGN \"Dir\" C16 V+\"fwd\" V-\"rev\"",
        "SIGN \"Zero\" C18 V-\"neg\" V+\"pos\"",
        "INT \"Missing\" C19",
    });
    Write("DATA.TXT", {"Header line", "PARAMS", "0012:\t-00012.50", "0013:\t1", "0014:\t2.55",
                       "0015:\t-42", "0016:\t-7", "0017:\t123456789L", "0018:\t0", "*"});
    ASSERT_EQ(Start(), 0u) << ErrorText();
    EXPECT_EQ(Items("MAIN.SCT*DLG_MAIN"), (std::vector<std::string>{
        "T Speed@0,0", "E -12.5@6,0 w10",
        "T Mode@0,1", "L <On>@5,1 w3",
        "T Mask@0,2", "E 000000FF@5,2 w8",
        "T Count@0,3", "E 4200@6,3 w4",
        "T Raw@0,4", "E 123456789@4,4 w8",
        "T Dir@0,5", "L <rev>@4,5 w3",
        "T Zero@0,6", "L <neg>@5,6 w3",
        "T Missing@0,7", "E 0@8,7 w8",
    }));
    EXPECT_EQ(TabrixSession.params[19].flags, 0u);
    // The main screen's dialog is drawn: its title bar and the focused
    // first field, white on black.
    int x = kLeft + 5 + 6 * 8, y = kTop + 21 + 5;
    EXPECT_EQ(surface.Text(x, y, 5, Rgb(7), Rgb(0)), "-12.5");
    EXPECT_EQ(surface.At(kLeft + 1, kTop + 1), Rgb(9));
    surface.SavePicture("main_screen");
}

TEST_F(LoaderTest, InitAndMarkedCalcOnEntry) {
    Write("MAIN.SCT", {
        "REKFILE \"K\" \"DATA.TXT\"",
        "DIALOG \"T\" \"DLG_MAIN\"",
        "INIT C1 I5",           // changes parameter 1
        "INIT C2 I7",           // writes what is there
        "INIT M1.8 I9",
        "CALC \"R1*2\" C3 A",
        "CALC \"R1*3\" C4",     // not marked: not run on entry
        "INT C3",
    });
    Write("DATA.TXT", {"K", "2:0.007", "*"});
    ASSERT_EQ(Start(), 0u) << ErrorText();
    EXPECT_EQ(TabrixSession.params[1].value, 5);
    EXPECT_EQ(TabrixSession.params[1].flags, PARAM_VALID);
    EXPECT_EQ(TabrixSession.params[3].value, 10);
    EXPECT_EQ(TabrixSession.params[4].flags, 0u);
    EXPECT_EQ(VariableFind(8)->value, 9);
    EXPECT_EQ(TabrixSession.modified, 1u);
    EXPECT_EQ(Items("MAIN.SCT*DLG_MAIN"), std::vector<std::string>{"E 10@0,0 w8"});

    // The same start values on a table that already holds them change
    // nothing.
    Write("MAIN.SCT", {"REKFILE \"K\" \"DATA.TXT\"", "DIALOG \"T\" \"DLG_MAIN\"", "INIT C2 I7",
                       "INIT M1.8 I3"});
    ASSERT_EQ(Start(), 0u);
    EXPECT_EQ(TabrixSession.modified, 0u);
}

TEST_F(LoaderTest, DataFileIsReadWhileLoadingAndOnEntry) {
    Write("MAIN.SCT", {"REKFILE \"K\" \"DATA.TXT\"", "DIALOG \"T\" \"DLG_MAIN\"", "INT C1"});
    Write("DATA.TXT", {"K", "1:3", "*"});
    FaultScope faults;
    ASSERT_EQ(Start(), 0u);
    int opens = 0;
    for (int op : faults.asked())
        opens += op == FILE_OP_OPEN;
    EXPECT_EQ(opens, 3) << "the script once, the data file twice";
    EXPECT_EQ(Items("MAIN.SCT*DLG_MAIN"), std::vector<std::string>{"E 3000@0,0 w8"});
}

TEST_F(LoaderTest, SampleScreenPicture) {
    Write("MAIN.SCT", {
        "REKFILE \"PARAMS\" \"DATA.TXT\" C100 N2",
        "DIALOG \"Spindle settings\" \"DLG_MAIN\"",
        "TEXT \"Values are read from DATA.TXT; the field with the focus is white on black.\" X0 A",
        "REAL \"Speed [rpm]     \" C12 S Y2",
        "REAL \"Acceleration    \" C20",
        "INT  \"Tool number     \" C15 L1 N3",
        "HEX  \"Input mask      \" C14",
        "LIST \"Mode            \" C13 V0\"Off\" V100\"Manual\" V200\"Automatic\"",
        "SIGN \"Direction       \" C16 V+\"Clockwise\" V-\"Counter-clockwise\"",
        "SUB \"Limits\" \"LIMITS\" X0 Y10",
        "SUB \"Service\" \"SERVICE\" X12 Y10",
        "DIALOG \"Limits\" \"LIMITS\"",
        "DIALOG \"Service\" \"SERVICE\"",
    });
    Write("DATA.TXT", {"Spindle data", "PARAMS", "0012:\t+01500.00", "0013:\t2", "0014:\t2.55",
                       "0015:\t7", "0016:\t-1", "0020:\t12.75", "*"});
    ASSERT_EQ(Start(), 0u) << ErrorText();
    EXPECT_TRUE(surface.SavePicture("sample_screen"));
}

}  // namespace
