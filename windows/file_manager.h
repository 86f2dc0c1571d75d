// The file manager: showing a folder to the operator. Its own link-time seam
// (windows/file_manager.cpp in the program, a recorder in the Windows tests), so that
// the tests see the folder asked for without a file manager window opening: under
// Wine one would start explorer.exe, which keeps the test's output pipe open.
#pragma once
#include <windows.h>

// Opens `folder` (a full path) in the file manager; `owner` is the window asking.
void ShowFolder(HWND owner, const wchar_t* folder);
