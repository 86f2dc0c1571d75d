// The archive: every run of either job also writes its files into a folder of its
// own, named by the local time of its start and the job, under ArchiveRoot
// ("Tallyglass-archive" in the working directory unless the front end says
// otherwise). A folder is never reused: a run whose name is taken (a second run in
// the same second, a folder left by a crashed run) takes the next suffix. Beside the
// job's files each folder holds manifest.txt (what ran, where, when, how it ended)
// and, once the job has ended, SHA256SUMS over the other files, as `sha256sum -c`
// reads it.
#pragma once
#include <cstdint>

#include "core/program/output_file.h"
#include "core/seams/serial_port.h"

constexpr int kArchiveRootChars = 400;
// Where the run folders go; empty: no archive.
extern char ArchiveRoot[kArchiveRootChars];
constexpr char kDefaultArchiveRoot[] = "Tallyglass-archive";

// Starts a run of `job` ("dump", "log"; `title` as the manifest names it): its folder
// and a manifest that says the run has not ended. When the folder cannot be made, a
// row says so and why, and the run goes on without an archive.
void StartRunArchive(const char* job, const char* title);
// The run's folder; empty when the run has none.
const char* RunArchiveFolder();
// Opens the copies of `file`: `name` in the working directory (when `working`) and in
// the run's folder. False when the working copy cannot be opened; an archive copy
// that cannot be opened shows a row, and the run goes on without it.
bool OpenRunFile(OutputFile& file, const char* name, FileForm form, bool working);
// For the manifest: bytes received from the register, and lines or records written.
void NoteRunCounts(uint64_t bytesReceived, uint64_t itemsWritten);
// For the manifest: the job ended because the line was lost, after this many bytes
// received; and the line errors it met (none: no line in the manifest).
void NoteRunLineLost(uint64_t bytesReceived);
void NoteRunLineErrors(const LineErrorCounts& counts);
// The archive's trouble, shown again after the job has cleared the list.
void ShowArchiveTrouble();
// Ends the run, once the job's files are closed and its last row is shown: the
// manifest with the end and that row, then SHA256SUMS.
void FinishRunArchive(bool completed);
// Once the run has ended: null when its folder holds a copy of every file and its
// SHA256SUMS was written; else what is missing, in a few English words.
const char* RunArchiveMissing();
