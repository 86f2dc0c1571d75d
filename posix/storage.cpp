// The output files' needs of the system on Linux: mkdir, fsync, the calendar.
#include "core/seams/storage.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

const char* MakeFolder(const char* path) {
  if (mkdir(path, 0777) == 0) return nullptr;
  if (errno == EEXIST) return FolderExists(path) ? "it exists" : "a file of that name is in the way";
  return std::strerror(errno);
}

bool FolderExists(const char* path) {
  struct stat info;
  return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

namespace {
char SyncReason[128] = "the system did not write it to the disk";
}  // namespace

// The reason is the errno of the call that failed first: a later call may leave
// errno alone or set it for another cause.
bool SyncFile(FILE* file) {
  errno = 0;
  const bool flushed = std::fflush(file) == 0;
  const int flushError = errno;
  errno = 0;
  const bool synced = fsync(fileno(file)) == 0;
  if (flushed && synced) return true;
  const int error = flushed ? errno : flushError;
  std::snprintf(SyncReason, sizeof SyncReason, "%s",
                error != 0 ? std::strerror(error) : "the system did not write it to the disk");
  return false;
}

const char* SyncFileFailure() { return SyncReason; }

namespace {
void FromTm(const std::tm& tm, CalendarTime& time) {
  time.year = tm.tm_year + 1900;
  time.month = tm.tm_mon + 1;
  time.day = tm.tm_mday;
  time.hour = tm.tm_hour;
  time.minute = tm.tm_min;
  time.second = tm.tm_sec;
}
}  // namespace

void ReadCalendarTime(CalendarTime& local, CalendarTime& utc) {
  const std::time_t now = std::time(nullptr);
  std::tm tm;
  localtime_r(&now, &tm);
  FromTm(tm, local);
  local.utcOffsetMinutes = static_cast<int>(tm.tm_gmtoff / 60);
  gmtime_r(&now, &tm);
  FromTm(tm, utc);
  utc.utcOffsetMinutes = 0;
}

const char* ProgramBuildName() { return "Linux console"; }
