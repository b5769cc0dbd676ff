/*
 * prompts.h - the session's own screens: the manual setting of any
 * parameter by number.
 */
#ifndef TABRIX_SESSION_PROMPTS_H
#define TABRIX_SESSION_PROMPTS_H

/* Room for any value text the session formats, and its terminator. */
#define MANUAL_TEXT_SIZE 32

/* The manual setting's number and value texts; they survive between
   openings of the dialog. */
extern char ManualNumberText[MANUAL_TEXT_SIZE];
extern char ManualValueText[MANUAL_TEXT_SIZE];

/* Number text "0", value text "": the state at the start of a session. */
void ManualSettingReset(void);

#endif
