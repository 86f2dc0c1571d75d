// Checking a capture: a run folder of the archive (or a whole archive, each run
// folder in it) proves itself. Its SHA256SUMS must match every file it names, name
// every file the folder holds and none that is missing; and the files must agree
// with the bytes the register sent, as the program itself would have written them
// from FMraw.bin (FMout1.txt and FMout2.txt) or from a report line (log.csv beside
// log.txt), with the counts of the manifest. A run that was killed has no SHA256SUMS:
// its files are checked against each other up to where they stop.
//
// Only reads: nothing in the folder is opened for writing. Everything in it is
// treated as untrusted (any name, any size, any bytes); no file outside it is opened.
// The verdict and what was found go to the message list as rows, the verdict first.
#pragma once
#include <cstdint>

// In the order of their weight: checking several folders gives the heaviest.
enum class CaptureVerdict : uint8_t {
  kAgree,         // every file agrees
  kNotRunFolder,  // neither a run folder nor a folder holding any
  kNotEnded,      // the run did not end; its files agree up to where they stop
  kChanged,       // a file changed, is missing or was added
};

// At most this many findings are shown for one run folder; the rest are counted.
constexpr int kFindingsShownMax = 20;

// Checks `folder` and shows its verdict and findings as rows.
CaptureVerdict VerifyCapture(const char* folder);
