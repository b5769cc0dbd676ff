/*
 * datafile.h - the parameter data file: reading it into the session's
 * parameter table, and saving the session's changes back into it.
 *
 * The file is 8-bit text: a header up to the line that equals the
 * initializing word, then parameter lines "number:value" (an "L" after the
 * value marks a raw 32-bit number; a ";" or double quote starts a
 * comment), ended by a line "*".
 */
#ifndef TABRIX_DATAFILE_DATAFILE_H
#define TABRIX_DATAFILE_DATAFILE_H

#include <cstdint>

#include "session/session.h"

/* How DataFileScan ended. */
#define DATAFILE_LOADED 0       /* read to its end or to a malformed line */
#define DATAFILE_UNOPENED 1     /* the file could not be opened */
#define DATAFILE_CUT 2          /* a read failure cut it short */

/* Reads the values of the data file at path (described by file) into
   table, which it clears first.  A value the table cannot hold (beyond
   32 bits) leaves its parameter marked PARAM_UNHELD, without a value.
   Errors go to the session: 4 for a malformed line, 35 without the
   initializing word, 3 for a read failure; a file that cannot be opened
   is no error and leaves every parameter without a value. */
int32_t DataFileScan(_SESSION *session, const _REKFILEINFO *file, const char *path, _PARAM *table);

/* Replaces the session's parameter table by the values of file; they are
   what the session's changes are told apart from. */
void DataFileRead(_SESSION *session, _REKFILEINFO file);

/* Saves the session's changes into file, changing nothing else of it:
   under the lock of the file's folder it reads the file again, keeps
   every line the session does not own byte for byte, takes the file's
   value of every parameter the session did not change, and replaces the
   file in one step through a unique temporary file beside it.  On success
   sets lastSaved, clears modified, and makes the table and what it was
   read from the file's new values.  On failure records the error and
   leaves the data file as it was: 3 when the file cannot be read again
   whole (or is gone), 4 or 35 when it no longer reads, 10 create, 11
   write, flush, a conflict with a change made on disk, or the lock held
   too long by another save, 12 close, 19 replace (also for a data file
   this process may not write).  Only a failure to flush the folder after
   the replace (19) leaves the new file, whole. */
void DataFileSave(_SESSION *session, _REKFILEINFO file);

#endif
