// The storage seam for the host tests: real folders and files in the test's scratch
// directory, a calendar time that a test can set, and a disk that can be made to refuse syncs.
#include "tests/stubs/storage_stub.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {
CalendarTime LocalNow{2026, 12, 9, 17, 5, 3, 120};
bool SyncsFail = false;
}  // namespace

const char* MakeFolder(const char* path) {
  if (mkdir(path, 0777) == 0) return nullptr;
  if (errno == EEXIST) return FolderExists(path) ? "it exists" : "a file of that name is in the way";
  return std::strerror(errno);
}

bool FolderExists(const char* path) {
  struct stat info;
  return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

bool SyncFile(FILE* file) { return std::fflush(file) == 0 && !SyncsFail; }

// Each read is a second later than the one before (within the day), so that the
// runs of a long test do not all start in the same second.
void ReadCalendarTime(CalendarTime& local, CalendarTime& utc) {
  local = LocalNow;
  const int seconds = LocalNow.hour * 3600 + LocalNow.minute * 60 + LocalNow.second + 1;
  LocalNow.hour = seconds / 3600 % 24;
  LocalNow.minute = seconds / 60 % 60;
  LocalNow.second = seconds % 60;
  utc = local;
  utc.hour -= LocalNow.utcOffsetMinutes / 60;
  utc.utcOffsetMinutes = 0;
}

const char* ProgramBuildName() { return "host test"; }

namespace simline {
void SetCalendarTime(const CalendarTime& local) { LocalNow = local; }
void SetSyncsFail(bool fail) { SyncsFail = fail; }
}  // namespace simline
