// The output files' needs of the system on Windows: folders and their listing,
// FlushFileBuffers, the calendar.
#include "core/seams/storage.h"

#include <io.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {
char Reason[64];

void FromSystemTime(const SYSTEMTIME& st, CalendarTime& time) {
  time.year = st.wYear;
  time.month = st.wMonth;
  time.day = st.wDay;
  time.hour = st.wHour;
  time.minute = st.wMinute;
  time.second = st.wSecond;
}

int64_t MinutesOf(const SYSTEMTIME& st) {
  FILETIME ft;
  SystemTimeToFileTime(&st, &ft);
  const int64_t ticks = (static_cast<int64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  return ticks / (10000000LL * 60);
}
}  // namespace

const char* MakeFolder(const char* path) {
  if (CreateDirectoryA(path, nullptr)) return nullptr;
  switch (const DWORD error = GetLastError()) {
    case ERROR_ALREADY_EXISTS:
      return FolderExists(path) ? "it exists" : "a file of that name is in the way";
    case ERROR_ACCESS_DENIED: return "access is denied";
    case ERROR_WRITE_PROTECT: return "the disk is write-protected";
    case ERROR_DISK_FULL: return "the disk is full";
    case ERROR_PATH_NOT_FOUND: return "the path does not exist";
    default:
      std::snprintf(Reason, sizeof Reason, "Windows error %lu", static_cast<unsigned long>(error));
      return Reason;
  }
}

bool FolderExists(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool ListFolder(const char* path, FolderVisit visit, void* context) {
  char pattern[MAX_PATH + 4];
  if (std::snprintf(pattern, sizeof pattern, "%s\\*", path) >= static_cast<int>(sizeof pattern)) return false;
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA(pattern, &found);
  if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    if (std::strcmp(found.cFileName, ".") == 0 || std::strcmp(found.cFileName, "..") == 0) continue;
    visit(context, found.cFileName, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return true;
}

bool SyncFile(FILE* file) {
  const bool flushed = std::fflush(file) == 0;
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  return handle != INVALID_HANDLE_VALUE && FlushFileBuffers(handle) && flushed;
}

void ReadCalendarTime(CalendarTime& local, CalendarTime& utc) {
  SYSTEMTIME utcNow, localNow;
  GetSystemTime(&utcNow);
  SystemTimeToTzSpecificLocalTime(nullptr, &utcNow, &localNow);
  FromSystemTime(localNow, local);
  FromSystemTime(utcNow, utc);
  local.utcOffsetMinutes = static_cast<int>(MinutesOf(localNow) - MinutesOf(utcNow));
  utc.utcOffsetMinutes = 0;
}

const char* ProgramBuildName() { return sizeof(void*) == 8 ? "Windows, 64-bit" : "Windows, 32-bit"; }
