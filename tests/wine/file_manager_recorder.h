// The Windows tests' stand-in for windows/file_manager.cpp: it records the folders
// the program asks to show instead of opening a file manager.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

struct ShownFolder {
  HWND owner;
  std::wstring folder;
};

// Every ShowFolder call since the last ForgetShownFolders, in order.
const std::vector<ShownFolder>& ShownFolders();
void ForgetShownFolders();
