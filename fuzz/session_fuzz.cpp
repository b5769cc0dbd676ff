/*
 * session_fuzz.cpp - an operator session on the bundled demo, driven by a
 * stream of events and keys: moving, typing, opening screens, going back
 * through the save prompt, the manual setting, finishing with a save,
 * repaints and restarts.  The demo is copied into the scratch folder once,
 * with a small picture in place of its own; its data files are put back
 * before every input.  Whatever the session saved must read back without
 * an error.
 *
 * Input: byte 0 picks the screen preset and the language; then two bytes
 * an event (at most EVENTS_MAX):
 *   a & 7 = 0..3  a key: with a & 8 one of the keys below by b, else b itself
 *   a & 7 = 4     back          a & 7 = 5  finish       a & 7 = 6  manual
 *   a & 7 = 7     by a >> 3 & 3: forget, repaint, event kind b with key
 *                 a >> 5; a = 255 restarts the session instead, once an
 *                 input (a start costs more than all its events)
 */
#include <cstring>
#include <string>

#include "datafile/datafile.h"
#include "frame.h"
#include "fuzz.h"
#include "platform/files/files.h"
#include "session/session.h"

#define EVENTS_MAX 128

static const char *const demoFiles[] = {"TABMENU.SCT", "TABAXIS.SCT", "TABCYCLE.SCT"};
/* The data files as the demo's REKFILE items describe them. */
static const _REKFILEINFO dataFiles[] = {{"AXIS.TXT", "[AXIS]", 2000, 3}, {"CYCLE.TXT", "[CYCLE]", 100, 2}};
static const char *const tempFiles[] = {"AXIS.tm_", "CYCLE.tm_"};
static std::string dataBytes[2];

static const int8_t keys[] = {DLG_KEY_ENTER, DLG_KEY_UP, DLG_KEY_RIGHT, DLG_KEY_DOWN,
                              DLG_KEY_LEFT, DLG_KEY_BACKSPACE, DLG_KEY_POINT, DLG_KEY_MINUS,
                              '0', '1', '5', '9', 'A', 'F', ' ', '+'};

static const FrameRect presets[] = {FRAME_SCREEN_LARGE, FRAME_SCREEN_MEDIUM, FRAME_SCREEN_SMALL,
                                    {0, 0, FRAME_WIDTH - 1, FRAME_HEIGHT - 1}};

static std::string DemoFile(const char *name) {
    return FuzzFileRead((std::string(TABRIX_DEMO_DIR) + "/" + name).c_str());
}

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    std::string demo[3];
    for (int i = 0; i < 3; i++)
        demo[i] = DemoFile(demoFiles[i]);
    for (int i = 0; i < 2; i++)
        dataBytes[i] = DemoFile(dataFiles[i].path);
    FuzzScratchEnter();
    for (int i = 0; i < 3; i++)
        FuzzFileWrite(demoFiles[i], demo[i].data(), demo[i].size());
    std::string picture = FuzzPicture();
    FuzzFileWrite("SAW.BMP", picture.data(), picture.size());
    static FuzzSurface surface(FRAME_WIDTH, FRAME_HEIGHT);
    return 0;
}

static void Start(const _TABRIX_INFO *info) {
    for (int i = 0; i < 2; i++) {
        FuzzFileWrite(dataFiles[i].path, dataBytes[i].data(), dataBytes[i].size());
        FileDelete(tempFiles[i]);
    }
    uint32_t imageSize;
    uint8_t *image = TabrixMemoryImage(&imageSize);
    std::memset(image, 0, imageSize);
    TabrixStart(info);
}

static bool restarted;

static void Event(const _TABRIX_INFO *info, uint8_t a, uint8_t b) {
    _DIALOGKEYB_INFO keyb{TABRIX_EVENT_KEY, (int8_t)b};
    switch (a & 7) {
    case 4: keyb.event = TABRIX_EVENT_BACK; break;
    case 5: keyb.event = TABRIX_EVENT_FINISH; break;
    case 6: keyb.event = TABRIX_EVENT_MANUAL; break;
    case 7:
        if (a == 255) {
            if (!restarted)
                TabrixStart(info);
            restarted = true;
            return;
        }
        switch (a >> 3 & 3) {
        case 0: keyb.event = TABRIX_EVENT_FORGET; break;
        case 1: TabrixPAINT(); return;
        default: keyb = {b, (int8_t)(a >> 5)};
        }
        break;
    default:
        if (a & 8)
            keyb.key = keys[b % sizeof keys];
    }
    TabrixCont(info, &keyb);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1)
        return 0;
    FrameRect rect = presets[data[0] & 3];
    LocalizationInit(nullptr, data[0] & 4 ? TABRIX_LANG_CZECH : TABRIX_LANG_ENGLISH);
    _TABRIX_INFO info{sizeof info, "TABMENU.SCT", rect.left, rect.top, rect.right, rect.bottom, {0}};
    Start(&info);
    restarted = false;
    for (size_t i = 1; i + 1 < size && i < 1 + 2 * EVENTS_MAX; i += 2)
        Event(&info, data[i], data[i + 1]);
    for (const _REKFILEINFO &file : dataFiles) {
        TabrixSession.errorCode = 0;
        DataFileRead(&TabrixSession, file);
        if (TabrixSession.errorCode != 0)
            FuzzFail("a saved data file does not read back");
    }
    return 0;
}
