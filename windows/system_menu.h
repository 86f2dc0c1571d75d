// The window's system menu (the caption's icon, Alt+Space): below its own items, a
// separator, "Άνοιγμα φακέλου αρχείων" (the folder of FMout1.txt, FMout2.txt and
// log.txt, the working directory, in the file manager), "Άνοιγμα αρχειοθήκης" (the
// archive of every run under it, made when missing), "Έλεγχος καταγραφής..." (a run
// folder or the archive checked, windows/capture_check.h) and "Σχετικά με το
// Tallyglass..." (the program's name, version, 32- or 64-bit build and both folders).
#pragma once
#include <windows.h>

// System command ids: below 0xF000, where the system's own begin, and with the low
// four bits clear, which the system uses itself.
constexpr UINT kSysCommandOpenFolder = 0x0010;
constexpr UINT kSysCommandAbout = 0x0020;
constexpr UINT kSysCommandOpenArchive = 0x0030;
constexpr UINT kSysCommandCheckCapture = 0x0040;

// Appends the items to the system menu of `window`.
void AddSystemMenuItems(HWND window);

// WM_SYSCOMMAND: runs one of the items and returns TRUE; FALSE for every other
// command, which the default handling then gets.
BOOL RunSystemCommand(HWND window, WPARAM command);
