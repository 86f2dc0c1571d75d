#include "windows/file_manager.h"

#include <objbase.h>
#include <shellapi.h>

void ShowFolder(HWND owner, const wchar_t* folder) {
  // The shell may hand the verb to a shell extension, which needs COM on this
  // thread; it stays initialised for the rest of the run.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  ShellExecuteW(owner, L"open", folder, nullptr, nullptr, SW_SHOWNORMAL);
}
