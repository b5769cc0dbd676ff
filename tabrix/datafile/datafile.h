/*
 * datafile.h - the parameter data file: reading it into the session's
 * parameter table, and saving the table back through a temporary file
 * that replaces the data file in one step.
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

/* How DataFileLoad ended. */
#define DATAFILE_LOADED 0       /* read to its end or to a malformed line */
#define DATAFILE_UNOPENED 1     /* the file could not be opened */
#define DATAFILE_CUT 2          /* a read failure or a full pool cut it short */

/* Replaces the parameter table by the values of file; with keep = 1 also
   keeps its header lines and parameter comments for a save.  Errors go to
   the session: 4 for a malformed line, 35 without the initializing word,
   3 for a read failure; a file that cannot be opened is no error and
   leaves every parameter without a value. */
void DataFileRead(_SESSION *session, _REKFILEINFO file, int32_t keep);

/* DataFileRead that tells how the read ended (DATAFILE_*). */
int32_t DataFileLoad(_SESSION *session, _REKFILEINFO file, int32_t keep);

/* Writes the valid parameters below file.count back to file, keeping the
   header and comments that the file holds on disk.  On success sets
   lastSaved and clears modified.  On failure records the error and leaves
   the data file as it was: 3 when an existing file could not be read
   whole, 10 create, 11 write or flush, 12 close, 19 replace (also for a
   data file this process may not write).  Only a failure to flush the
   folder after the replace (19) leaves the new file, whole. */
void DataFileSave(_SESSION *session, _REKFILEINFO file);

/* The writing step of DataFileSave: the valid parameters below
   file->count, with the header and comments that the session keeps, as a
   new file under temp (a file or link of that name is removed first),
   flushed and closed.  0, or the error of the step that failed (the file
   is closed then too): 10 create, 11 write or flush, 12 close. */
uint32_t DataFileWriteTemp(const _SESSION *session, const _REKFILEINFO *file, const char *temp);

#endif
