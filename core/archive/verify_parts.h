// What the checks of one run folder share (core/archive/verify_*.cpp): the folder,
// what its manifest says, the findings so far, and a reader that streams a file.
#pragma once
#include <cstdint>
#include <cstdio>

#include "core/program/output_file.h"
#include "core/seams/shell.h"

constexpr int kFindingChars = 300;
constexpr int kShownNameChars = 120;

enum class RunJob : uint8_t { kUnknown, kDump, kLog };

struct RunCheck {
  char folder[kOutputPathChars];
  RunJob job;
  bool hasManifest;
  bool ended;  // the manifest says the run ended (or, without one, SHA256SUMS is there)
  bool hasBytes, hasItems;
  uint64_t bytesReceived;  // "bytes received"
  uint64_t itemsWritten;   // "lines written" or "records written"
  int findingCount;
};

// A finding: one row under the verdict. The format is the program's own.
void AddFinding(RunCheck& check, const char* format, ...) TG_PRINTF_LIKE(2, 3);
// `name` in the run's folder into `path` of kOutputPathChars; false when too long.
bool RunFilePath(const RunCheck& check, const char* name, char* path);
bool RunFileExists(const RunCheck& check, const char* name);
// A name from the file system or a file as a row may show it: printable ASCII, the
// rest as '?', cut to fit `size`.
void ShownName(const char* name, char* shown, int size);

// A file read in pieces, byte by byte.
struct FileReader {
  FILE* file;
  uint64_t position;  // bytes taken so far
  size_t next, filled;
  bool failed;        // a read error: taken as the file's end
  char buffer[8192];
};
bool OpenReader(FileReader& reader, const RunCheck& check, const char* name);
// The next byte, or -1 at the end.
int NextByte(FileReader& reader);
void CloseReader(FileReader& reader);

// The checks from the bytes themselves, by job.
void CheckDumpFiles(RunCheck& check);
void CheckLogFiles(RunCheck& check);
