// The jobs' output files. Each is written in up to two copies at once, the working
// directory's and the run's archive folder's, so that a crash leaves both as
// complete as the other. What is written is handed to the system by FlushOutputFiles,
// which the jobs call before they show what they wrote and after every batch they
// take from the line (a crash of the program loses nothing shown, and nothing the
// system had given it but the batch in hand), and every open file is pushed to the
// disk at least every kSyncIntervalMs and when it is closed (a power cut loses at
// most that much).
//
// Text files are written as the C library's text mode writes them on Windows: every
// LF byte reaches the file as CR LF, every other byte unchanged. Done explicitly, so
// that every build writes the same bytes (a line ending in CR LF ends in 0D 0D 0A).
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

enum class FileForm : uint8_t { kText, kBinary };

constexpr int kWorkingCopy = 0;
constexpr int kArchiveCopy = 1;
constexpr int kOutputCopies = 2;
constexpr int kOutputPathChars = 600;
constexpr uint32_t kSyncIntervalMs = 2000;

struct OutputFile {
  FILE* copy[kOutputCopies];  // either may be null
  char path[kOutputCopies][kOutputPathChars];
  FileForm form;
  bool failed;  // a write failed: the job was asked to stop and nothing more is written
};

// The bytes a file of `form` holds for `count` bytes written to it (a text file's
// LF as CR LF), into `out` of 2 * count bytes; returns how many. What a check of the
// files expects is made by the same rule as what the jobs write.
size_t FileFormBytes(FileForm form, const char* bytes, size_t count, char* out);

// No copy open yet.
void StartOutputFile(OutputFile& file, FileForm form);
// Creates or empties `path` as copy `which`; false when it cannot be opened.
bool OpenOutputCopy(OutputFile& file, int which, const char* path);
// Writes to every open copy. A failure, here or when the bytes are handed on, shows a
// row naming the file and why, and asks the running job to stop (kStopWriteFailed).
void WriteOutput(OutputFile& file, const char* bytes, size_t count);
// Hands what has been written to every open output file to the system.
void FlushOutputFiles();
// Pushes every copy to the disk and closes it. Closing a closed file does nothing.
void CloseOutputFile(OutputFile& file);
bool OutputFileOpen(const OutputFile& file);
// Pushes every open output file to the disk when kSyncIntervalMs have passed since
// the last time; the jobs call it in every pass of their waits.
void SyncOutputFilesWhenDue();
