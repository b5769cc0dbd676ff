/*
 * script_fuzz.cpp - loading a script set: one script file and the data
 * file it may name, both fuzzed, in a folder that also holds a picture.
 * A set that loads is painted, edited a little and finished, which saves
 * its data file, unless a data file lies outside the scratch folder: a
 * fuzzed REKFILE may name any path.  The session has the host's small
 * screen: drawing costs most of a run, and a narrow screen wraps texts
 * sooner.
 *
 * Input: the script file S.SCT, then optionally the separator line below
 * and the data file DATA.TXT.  The folder holds a small picture SAW.BMP.
 */
#include <cstring>
#include <string>

#include "frame.h"
#include "fuzz.h"
#include "platform/files/files.h"
#include "session/session.h"

static const char separator[] = "\n=====DATA.TXT=====\n";

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    std::string picture = FuzzPicture();
    FuzzScratchEnter();
    FuzzFileWrite("SAW.BMP", picture.data(), picture.size());
    static FuzzSurface surface(FRAME_WIDTH, FRAME_HEIGHT);
    LocalizationInit(nullptr, TABRIX_LANG_ENGLISH);
    return 0;
}

/* Whether every data file of the set lies in the working directory, where
   a save may write. */
static bool SavesStayHere(void) {
    for (const _SCREEN *s = &TabrixSession.screens; s != nullptr; s = s->next)
        if (s->dataFile != nullptr && std::strchr(s->dataFile->path, '/') != nullptr)
            return false;
    return true;
}

static void Send(const _TABRIX_INFO *info, uint8_t event, int8_t key) {
    _DIALOGKEYB_INFO keyb{event, key};
    TabrixCont(info, &keyb);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string input((const char *)data, size);
    size_t cut = input.find(separator);
    std::string script = input.substr(0, cut), dataFile;
    FuzzFileWrite("S.SCT", script.data(), script.size());
    FileDelete("DATA.TXT");
    if (cut != std::string::npos) {
        dataFile = input.substr(cut + sizeof separator - 1);
        FuzzFileWrite("DATA.TXT", dataFile.data(), dataFile.size());
    }
    uint32_t imageSize;
    uint8_t *image = TabrixMemoryImage(&imageSize);
    std::memset(image, 0, imageSize);

    _TABRIX_INFO info{sizeof info, "S.SCT", FRAME_SCREEN_SMALL.left, FRAME_SCREEN_SMALL.top,
                      FRAME_SCREEN_SMALL.right, FRAME_SCREEN_SMALL.bottom, {0}};
    TabrixStart(&info);
    if (TabrixGetErrorLine() != 0)
        return 0;
    TabrixPAINT();
    Send(&info, TABRIX_EVENT_KEY, DLG_KEY_DOWN);
    Send(&info, TABRIX_EVENT_KEY, '7');
    Send(&info, TABRIX_EVENT_KEY, DLG_KEY_ENTER);
    if (SavesStayHere())
        Send(&info, TABRIX_EVENT_FINISH, 0);
    return 0;
}
