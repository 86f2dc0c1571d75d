// `verify FOLDER...` on a console: each folder checked (core/archive/verify_capture.h),
// its verdict and findings as rows on stdout, and an exit status for them all.
#pragma once
#include "console/arguments.h"

constexpr int kExitCaptureChanged = 10;   // a file changed, is missing or was added
constexpr int kExitCaptureNotEnded = 11;  // a run did not end; its files agree up to where they stop

// Checks every folder of `command`; returns the exit status of the heaviest verdict:
// 10 before 11 before 2 (a folder that is no run folder) before 0.
int RunConsoleVerify(const Command& command);
