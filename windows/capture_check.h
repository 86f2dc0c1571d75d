// "Έλεγχος καταγραφής..." of the system menu: a folder picker opened at the archive,
// and the folder chosen checked as `verify` checks it (core/archive/verify_capture.h),
// its verdict (Greek first) and findings added to the message list as rows, which
// Ctrl+C copies like any other.
#pragma once
#include <windows.h>

// Asks for a folder, starting at `start` (null: the picker's own start), and checks
// it. Nothing while a job runs, or when the picker is cancelled.
void CheckCapture(HWND window, const wchar_t* start);

// Checks `folder` (a full path) and shows the rows.
void CheckCaptureFolder(const wchar_t* folder);
