/*
 * prompts.h - the session's own screens: the loading notice, the error box
 * and the manual setting of any parameter by number.
 */
#ifndef TABRIX_SESSION_PROMPTS_H
#define TABRIX_SESSION_PROMPTS_H

#include <cstdint>

#include "tabrix/tabrix.h"

struct _SESSION;

/* Room for any value text the session formats, and its terminator. */
#define MANUAL_TEXT_SIZE 32

/* The error box: its text column is at most this many characters wide. */
#define ERROR_BOX_COLUMNS 70

/* The manual setting's number and value texts; they survive between
   openings of the dialog. */
extern char ManualNumberText[MANUAL_TEXT_SIZE];
extern char ManualValueText[MANUAL_TEXT_SIZE];

/* Number text "0", value text "": the state at the start of a session. */
void ManualSettingReset(void);

/* "Loading script..." in the top left corner of the session rectangle,
   filled grey. */
void LoadingNoticeShow(const _TABRIX_INFO *info);

/* The width in characters of the error box's text: the longer of message
   and text, at most ERROR_BOX_COLUMNS, at least the title's length. */
int32_t ErrorBoxColumns(const char *message, const char *text);

/* A red box centred in the session rectangle: the title "Error", the
   message of the session's error code and, when there are any, its detail
   text and the reason why. */
void ErrorScreenShow(const _TABRIX_INFO *info, const _SESSION *session);

/* Asks whether to save file before leaving the screen: "Yes", "No",
   "Cancel".  The caller sets the save-prompt mode. */
void SavePromptOpen(const _TABRIX_INFO *info, const _REKFILEINFO *file);

/* An event while the save prompt is open. */
void SavePromptCont(const _TABRIX_INFO *info, _DIALOGKEYB_INFO *keyb);

/* Opens the manual setting of any parameter by number, showing the value
   of the parameter its number text names.  The caller sets the mode. */
void ManualSettingOpen(const _TABRIX_INFO *info);

/* An event while the manual setting is open. */
void ManualSettingCont(const _TABRIX_INFO *info, _DIALOGKEYB_INFO *keyb);

#endif
