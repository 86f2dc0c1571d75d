// The storage seam for the host tests: real folders and files in the test's scratch
// directory, and a calendar that starts at a fixed time.
#include "core/seams/storage.h"
#include "tests/stubs/storage_stub.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

bool storagestub::RefuseSyncs = false;

namespace {
CalendarTime LocalNow{2026, 12, 9, 17, 5, 3, 120};
std::string Reason;
}  // namespace

const char* MakeFolder(const char* path) {
  std::error_code error;
  if (std::filesystem::create_directory(path, error)) return nullptr;
  if (!error || FolderExists(path)) return "it exists";
  if (std::filesystem::exists(path)) return "a file of that name is in the way";
  Reason = error.message();
  return Reason.c_str();
}

bool FolderExists(const char* path) {
  std::error_code error;
  return std::filesystem::is_directory(path, error);
}

bool SyncFile(FILE* file) {
  const bool flushed = std::fflush(file) == 0;
  Reason = flushed ? "the stand-in disk refuses to sync" : std::strerror(errno);
  return flushed && !storagestub::RefuseSyncs;
}

const char* SyncFileFailure() { return Reason.c_str(); }

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
