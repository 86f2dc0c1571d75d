#include "core/program/output_file.h"

#include <cerrno>
#include <cstring>

#include "core/program/state.h"
#include "core/seams/clock.h"
#include "core/seams/shell.h"
#include "core/seams/storage.h"

namespace {

// The jobs write at most five files at once: FMout1.txt, FMout2.txt, FMraw.bin, or
// log.txt and log.csv.
constexpr int kOpenFilesMax = 8;
OutputFile* OpenFiles[kOpenFilesMax];
uint32_t LastSyncTick = 0;

void Register(OutputFile* file) {
  for (OutputFile*& slot : OpenFiles) {
    if (slot == file) return;
    if (slot == nullptr) {
      slot = file;
      return;
    }
  }
}

void Unregister(const OutputFile* file) {
  for (OutputFile*& slot : OpenFiles) {
    if (slot == file) slot = nullptr;
  }
}

void Fail(OutputFile& file, int which, const char* why) {
  if (file.failed) return;
  file.failed = true;
  ListPrintf("Writing %s failed: %s", file.path[which], why);
  StopRequested = kStopWriteFailed;
}

const char* WriteError() { return errno != 0 ? std::strerror(errno) : "the disk may be full"; }

bool WriteBytes(FILE* out, const char* bytes, size_t count) {
  return std::fwrite(bytes, 1, count, out) == count;
}

bool WriteText(FILE* out, const char* bytes, size_t count) {
  size_t start = 0;
  for (size_t i = 0; i < count; ++i) {
    if (bytes[i] != '\n') continue;
    if (!WriteBytes(out, bytes + start, i - start) || !WriteBytes(out, "\r\n", 2)) return false;
    start = i + 1;
  }
  return WriteBytes(out, bytes + start, count - start);
}

void SyncCopies(OutputFile& file) {
  for (int which = 0; which < kOutputCopies; ++which) {
    if (file.copy[which] != nullptr && !SyncFile(file.copy[which])) {
      Fail(file, which, SyncFileFailure());
    }
  }
}

}  // namespace

void StartOutputFile(OutputFile& file, FileForm form) {
  std::memset(&file, 0, sizeof file);
  file.form = form;
}

bool OpenOutputCopy(OutputFile& file, int which, const char* path) {
  std::snprintf(file.path[which], kOutputPathChars, "%s", path);
  file.copy[which] = std::fopen(path, "wb");
  if (file.copy[which] == nullptr) return false;
  Register(&file);
  return true;
}

void WriteOutput(OutputFile& file, const char* bytes, size_t count) {
  for (int which = 0; which < kOutputCopies && !file.failed; ++which) {
    FILE* out = file.copy[which];
    if (out == nullptr) continue;
    errno = 0;
    const bool written = file.form == FileForm::kText ? WriteText(out, bytes, count)
                                                      : WriteBytes(out, bytes, count);
    if (!written) Fail(file, which, WriteError());
  }
}

void FlushOutputFiles() {
  for (OutputFile* file : OpenFiles) {
    for (int which = 0; file != nullptr && which < kOutputCopies && !file->failed; ++which) {
      errno = 0;
      if (file->copy[which] != nullptr && std::fflush(file->copy[which]) != 0) Fail(*file, which, WriteError());
    }
  }
}

void CloseOutputFile(OutputFile& file) {
  SyncCopies(file);
  for (int which = 0; which < kOutputCopies; ++which) {
    errno = 0;
    if (file.copy[which] != nullptr && std::fclose(file.copy[which]) != 0) Fail(file, which, WriteError());
    file.copy[which] = nullptr;
  }
  Unregister(&file);
}

bool OutputFileOpen(const OutputFile& file) {
  return file.copy[kWorkingCopy] != nullptr || file.copy[kArchiveCopy] != nullptr;
}

void SyncOutputFilesWhenDue() {
  const uint32_t now = TickCount();
  if (now - LastSyncTick < kSyncIntervalMs) return;
  LastSyncTick = now;
  for (OutputFile* file : OpenFiles) {
    if (file != nullptr) SyncCopies(*file);
  }
}
