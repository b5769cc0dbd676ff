/* A tiny host built against an installed Tabrix: it starts a session on a
   script that does not exist and checks the error the library reports. */
#include <stdio.h>
#include <string.h>

#include <tabrix/tabrix.h>

int main(void) {
    _TABRIX_INFO info;
    char detail[60];
    uint32_t size = 0;
    memset(&info, 0, sizeof info);
    info.size = sizeof info;
    info.script = "NONE.SCT";
    info.right = 640;
    info.bottom = 480;
    LocalizationInit(NULL, TABRIX_LANG_ENGLISH);
    TabrixStart(&info);
    TabrixGetErrorText(detail, sizeof detail);
    if (TabrixGetErrorLine() != 1 || strcmp(detail, "NONE.SCT") != 0)
        return 1;
    if (TabrixMemoryImage(&size) == NULL || size != 10000 || TabrixCharToUnicode(0xC0) != 0x0410)
        return 2;
    printf("%s: %s\n", GetLocString(TabrixGetErrorLine()), detail);
    return 0;
}
