// Finding windows from outside: the program's dialog, a message box of the program,
// its controls, and a window of any other process.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// The program's dialog: titled "Tallyglass", or "Tallyglass - ..." while an operation
// shows its progress there. Null when there is none (yet).
HWND FindMain();
// Waits up to `ms` for it; says so when it does not come.
HWND WaitMain(DWORD ms);
// A message box of the program: another dialog of its process, beside `main`.
HWND FindBox(HWND main);
// The dialog's own controls in template order (not the parts of its combo boxes).
std::vector<HWND> ControlsOf(HWND main);
// A visible top-level window of any process, by class and exact title.
HWND FindOtherWindow(const std::wstring& cls, const std::wstring& title);
