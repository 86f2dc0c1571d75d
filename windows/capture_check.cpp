#include "windows/capture_check.h"

#include <objbase.h>
#include <ole2.h>
#include <shlobj.h>

#include "core/archive/verify_capture.h"
#include "core/program/output_file.h"
#include "core/program/state.h"
#include "core/seams/shell.h"
#include "windows/greek_text.h"
#include "windows/screen_text.h"
#include "windows/system_library.h"

namespace {

using BrowseFunction = PIDLIST_ABSOLUTE(WINAPI*)(LPBROWSEINFOW);
using PathFunction = BOOL(WINAPI*)(PCIDLIST_ABSOLUTE, LPWSTR);

constexpr int kPromptChars = 128;

int CALLBACK StartAt(HWND picker, UINT message, LPARAM, LPARAM start) {
  if (message == BFFM_INITIALIZED && start != 0) SendMessageW(picker, BFFM_SETSELECTIONW, TRUE, start);
  return 0;
}

// The shell's folder picker, which every Windows from 7 on and Wine have. Its
// functions are taken from the system folder's shell32, as every system DLL is.
bool PickFolder(HWND window, const wchar_t* start, wchar_t folder[MAX_PATH]) {
  const HMODULE shell = LoadSystemLibrary(L"shell32.dll");
  const auto browse = SystemFunction<BrowseFunction>(shell, "SHBrowseForFolderW");
  const auto pathOf = SystemFunction<PathFunction>(shell, "SHGetPathFromIDListW");
  if (browse == nullptr || pathOf == nullptr) return false;
  // The picker's resizable form needs OLE on this thread; it stays for the run.
  OleInitialize(nullptr);
  wchar_t prompt[kPromptChars], name[MAX_PATH];
  ScreenText(kTextCheckCapturePrompt, kPromptChars, prompt, kPromptChars);
  BROWSEINFOW info{};
  info.hwndOwner = window;
  info.pszDisplayName = name;
  info.lpszTitle = prompt;
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_NONEWFOLDERBUTTON;
  info.lpfn = StartAt;
  info.lParam = reinterpret_cast<LPARAM>(start);
  const PIDLIST_ABSOLUTE chosen = browse(&info);
  if (chosen == nullptr) return false;
  const bool found = pathOf(chosen, folder) != FALSE;
  CoTaskMemFree(chosen);
  return found;
}

// The path as the C library opens it (the system's ANSI code page); a name that
// code page cannot write goes by its short form, which it can.
bool AnsiPath(const wchar_t* folder, char* path) {
  BOOL lossy = FALSE;
  if (WideCharToMultiByte(CP_ACP, 0, folder, -1, path, kOutputPathChars, nullptr, &lossy) > 0 && !lossy) return true;
  wchar_t shortPath[MAX_PATH];
  const DWORD length = GetShortPathNameW(folder, shortPath, MAX_PATH);
  lossy = FALSE;
  return length > 0 && length < MAX_PATH &&
         WideCharToMultiByte(CP_ACP, 0, shortPath, -1, path, kOutputPathChars, nullptr, &lossy) > 0 && !lossy;
}

}  // namespace

void CheckCaptureFolder(const wchar_t* folder) {
  char path[kOutputPathChars];
  if (!AnsiPath(folder, path)) path[0] = '\0';  // told as no run folder
  HoldListRedraw();
  VerifyCapture(path);
  ReleaseListRedraw();
}

void CheckCapture(HWND window, const wchar_t* start) {
  if (OperationRunning != kNoOperation) return;
  wchar_t folder[MAX_PATH];
  if (PickFolder(window, start, folder)) CheckCaptureFolder(folder);
}
