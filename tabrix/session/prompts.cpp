/*
 * prompts.cpp - the session's own screens.
 */
#include "session/prompts.h"

#include "text/str.h"

char ManualNumberText[MANUAL_TEXT_SIZE];
char ManualValueText[MANUAL_TEXT_SIZE];

void ManualSettingReset(void) {
    StrCopyN(ManualNumberText, "0", sizeof ManualNumberText);
    ManualValueText[0] = '\0';
}
