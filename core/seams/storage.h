// What the output files need of the system beyond the C library: making a folder,
// pushing a file's written bytes through to the disk, the calendar time, and which
// build of the program this is. One link-time seam: windows/storage.cpp,
// posix/storage.cpp, and tests/stubs/storage_stub.cpp for the host tests.
#pragma once
#include <cstdio>

// Creates the folder `path` (its parent must exist). Null when it was created; else
// why not, in a few English words ("it exists", "permission denied", ...). A folder
// that exists already is never taken over: the caller picks another name.
const char* MakeFolder(const char* path);

// Whether `path` names a folder that exists.
bool FolderExists(const char* path);

// Hands what the C library holds of `file` to the system and asks the system to put
// it on the disk (FlushFileBuffers, fsync). False when either fails.
bool SyncFile(FILE* file);
// Why the last SyncFile that failed failed, as the failing call itself told it (a
// few words, one line), or a plain reason where the call tells none. Never empty.
const char* SyncFileFailure();

struct CalendarTime {
  int year, month, day, hour, minute, second;
  int utcOffsetMinutes;  // local time less UTC; 0 for UTC itself
};
// The time now, as the local clock shows it and in UTC.
void ReadCalendarTime(CalendarTime& local, CalendarTime& utc);

// Which build runs, for the archive's manifest: "Windows, 32-bit", "Linux console", ...
const char* ProgramBuildName();
