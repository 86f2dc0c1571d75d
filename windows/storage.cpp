// The output files' needs of the system on Windows: folders, FlushFileBuffers, the
// calendar.
#include "core/seams/storage.h"

#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {
char Reason[64];
char SyncReason[256] = "the system did not write it to the disk";

// The system's own text for `error`, without the line end FormatMessage puts after it.
void SayWindowsError(DWORD error) {
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                      SyncReason, sizeof SyncReason, nullptr);
  DWORD end = length < sizeof SyncReason ? length : 0;
  while (end > 0 && (SyncReason[end - 1] == '\r' || SyncReason[end - 1] == '\n' || SyncReason[end - 1] == ' ')) --end;
  if (end > 0) SyncReason[end] = '\0';
  else std::snprintf(SyncReason, sizeof SyncReason, "Windows error %lu", static_cast<unsigned long>(error));
}

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

// FlushFileBuffers sets no errno, and the C library's flush sets no last error: the
// reason is taken from the call that failed first, each in its own way.
bool SyncFile(FILE* file) {
  errno = 0;
  const bool flushed = std::fflush(file) == 0;
  const int flushError = errno;
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  DWORD error = ERROR_INVALID_HANDLE;
  if (handle != INVALID_HANDLE_VALUE) error = FlushFileBuffers(handle) ? ERROR_SUCCESS : GetLastError();
  if (flushed && error == ERROR_SUCCESS) return true;
  if (!flushed && flushError != 0) {
    std::snprintf(SyncReason, sizeof SyncReason, "%s", std::strerror(flushError));
  } else if (!flushed || error == ERROR_SUCCESS) {
    std::snprintf(SyncReason, sizeof SyncReason, "%s", "the system did not write it to the disk");
  } else {
    SayWindowsError(error);
  }
  return false;
}

const char* SyncFileFailure() { return SyncReason; }

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
