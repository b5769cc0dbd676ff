// A session on script files written by the test: a fresh folder as the
// working directory, a bound surface of the desktop host's frame size, and
// events sent the way a host sends them.
#ifndef TABRIX_TESTS_SCRIPTED_H
#define TABRIX_TESTS_SCRIPTED_H

#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <vector>

#include "platform/files/files.h"
#include "script/model.h"
#include "session/session.h"
#include "surface.h"
#include "testfiles.h"

// The large screen of the desktop host.
constexpr uint16_t kLeft = 25, kTop = 23, kRight = 815, kBottom = 469;

class ScriptedTest : public ::testing::Test {
protected:
    void SetUp() override {
        LocalizationInit(nullptr, TABRIX_LANG_ENGLISH);
        FileFaultSet(nullptr);
        surface.Bind();
        ASSERT_NE(getcwd(oldDir, sizeof oldDir), nullptr);
        ASSERT_EQ(chdir(dir.root().c_str()), 0);
        info = {sizeof info, "MAIN.SCT", kLeft, kTop, kRight, kBottom, {0}};
    }
    void TearDown() override {
        FileFaultSet(nullptr);
        EXPECT_EQ(chdir(oldDir), 0);
    }

    // Writes a file of lines ended by CR LF.
    void Write(const std::string &name, const std::vector<std::string> &lines) {
        std::string bytes;
        for (const std::string &l : lines)
            bytes += l + "\r\n";
        WriteFile(dir / name, bytes);
    }

    std::string Read(const std::string &name) { return ReadFile(dir / name); }

    uint32_t Start(const char *script = "MAIN.SCT") {
        info.script = script;
        TabrixStart(&info);
        return TabrixGetErrorLine();
    }

    static std::string ErrorText() { return TabrixSession.errorText; }

    static _SCREEN *Screen(const std::string &name) {
        _SCREEN *s = ScreenFind(name.c_str());
        EXPECT_NE(s->dialog, nullptr) << name;
        return s;
    }

    // Sends events: characters as key codes ("." as 43, "-" as 63), and
    // <up> <down> <left> <right> <enter> <bksp> <back> <finish> <manual>
    // <forget>.  Returns the results of TabrixCont that were not 0.
    std::vector<uint32_t> Send(const std::string &keys) {
        std::vector<uint32_t> results;
        for (size_t i = 0; i < keys.size(); i++) {
            _DIALOGKEYB_INFO keyb{TABRIX_EVENT_KEY, 0};
            if (keys[i] == '<') {
                size_t end = keys.find('>', i);
                std::string name = keys.substr(i + 1, end - i - 1);
                i = end;
                keyb = Named(name);
            } else {
                keyb.key = keys[i] == '.' ? DLG_KEY_POINT : keys[i] == '-' ? DLG_KEY_MINUS : (int8_t)keys[i];
            }
            uint32_t r = TabrixCont(&info, &keyb);
            if (r != 0)
                results.push_back(r);
        }
        return results;
    }

    static _DIALOGKEYB_INFO Named(const std::string &name) {
        struct Key { const char *name; uint8_t event; int8_t key; };
        static const Key keys[] = {
            {"up", TABRIX_EVENT_KEY, DLG_KEY_UP}, {"down", TABRIX_EVENT_KEY, DLG_KEY_DOWN},
            {"left", TABRIX_EVENT_KEY, DLG_KEY_LEFT}, {"right", TABRIX_EVENT_KEY, DLG_KEY_RIGHT},
            {"enter", TABRIX_EVENT_KEY, DLG_KEY_ENTER}, {"bksp", TABRIX_EVENT_KEY, DLG_KEY_BACKSPACE},
            {"back", TABRIX_EVENT_BACK, 0}, {"finish", TABRIX_EVENT_FINISH, 0},
            {"manual", TABRIX_EVENT_MANUAL, 0}, {"forget", TABRIX_EVENT_FORGET, 0},
        };
        for (const Key &k : keys)
            if (name == k.name)
                return {k.event, k.key};
        ADD_FAILURE() << "no key <" << name << ">";
        return {TABRIX_EVENT_NONE, 0};
    }

    // The text of the edit item that has the focus on the current screen.
    static std::string FocusText() {
        const _ITEM *f = TabrixSession.current->dialog->focusItem;
        return f && f->kind == DLG_ITEM_EDIT ? ((const _EDIT_ITEM *)f->data)->text : "";
    }

    TempDir dir;
    TestSurface surface{842, 496};
    _TABRIX_INFO info{};
    char oldDir[4096];
};

#endif
