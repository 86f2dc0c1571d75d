// Helpers of the Wine tests of the main dialog: a fresh dialog per test, built from
// the real resource, its list rows read back, and the error box read and closed.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/program/connection.h"
#include "core/program/state.h"
#include "core/seams/serial_port.h"
#include "windows/main_dialog.h"
#include "windows/message_list.h"

using Lines = std::vector<std::wstring>;

// A combo box's entries, in order.
inline Lines ComboEntries(HWND combo) {
  Lines entries;
  const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    wchar_t text[64] = L"";
    SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    entries.push_back(text);
  }
  return entries;
}

// A fresh, empty working directory for the test's lifetime, where the program
// writes its files and whose path its folder commands name; the previous one is
// restored, and the folder removed with the program's files in it.
class TempWorkingDirectory {
 public:
  TempWorkingDirectory() {
    GetCurrentDirectoryW(MAX_PATH, previous_);
    wchar_t temp[MAX_PATH] = L"";
    GetTempPathW(MAX_PATH, temp);
    for (unsigned n = 0; n < 1000 && path_.empty(); ++n) {
      const std::wstring candidate = std::wstring(temp) + L"tg-work-" +
                                     std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(n);
      if (CreateDirectoryW(candidate.c_str(), nullptr)) path_ = candidate;
    }
    if (!path_.empty()) SetCurrentDirectoryW(path_.c_str());
  }
  ~TempWorkingDirectory() {
    SetCurrentDirectoryW(previous_);
    for (const wchar_t* name : {L"FMout1.txt", L"FMout2.txt", L"log.txt"})
      DeleteFileW((path_ + L"\\" + name).c_str());
    RemoveDirectoryW(path_.c_str());
  }
  TempWorkingDirectory(const TempWorkingDirectory&) = delete;
  TempWorkingDirectory& operator=(const TempWorkingDirectory&) = delete;

  // The full path, as GetCurrentDirectoryW gives it; empty when none could be made.
  const std::wstring& Path() const { return path_; }

 private:
  wchar_t previous_[MAX_PATH] = L"";
  std::wstring path_;
};

class MainDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    InitCommonControls();
    dialog_ = CreateDialogParamW(GetModuleHandleW(nullptr), L"kestrel", nullptr, MainDialogProc, 0);
    ASSERT_NE(dialog_, nullptr);
    list_ = GetDlgItem(dialog_, kIdMessageList);
  }
  void TearDown() override {
    if (PortIsOpen != 0) ClosePort(SelectedPort);
    PortIsOpen = 0;
    if (PortWaiting != 0) StopWaitingForPort();
    DestroyWindow(dialog_);
    MainDialog = nullptr;
  }

  HWND Control(int id) const { return GetDlgItem(dialog_, id); }
  std::wstring Text(HWND window) const {
    wchar_t text[256] = L"";
    GetWindowTextW(window, text, 256);
    return text;
  }
  int RowCount() const { return static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0)); }
  std::wstring Row(int row) const {
    static wchar_t text[kMessageBufferChars];
    LVITEMW item{};
    item.pszText = text;
    item.cchTextMax = kMessageBufferChars;
    text[0] = L'\0';
    SendMessageW(list_, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
  }
  Lines Rows() const {
    Lines rows;
    for (int i = 0; i < RowCount(); ++i) rows.push_back(Row(i));
    return rows;
  }

  HWND dialog_ = nullptr;
  HWND list_ = nullptr;
};

// An error box as the operator saw it. The box is modal: the test arms a thread
// timer, which the box's own message loop runs; the timer reads the box and presses OK.
struct SeenBox {
  bool seen = false;
  std::wstring caption;
  std::wstring text;
  int buttons = 0;
  bool icon = false;
  int rowsMeanwhile = -1;  // rows of the message list while the box was open
};

namespace dialog_helpers {

inline SeenBox& Box() {
  static SeenBox box;
  return box;
}

inline BOOL CALLBACK ReadBoxChild(HWND child, LPARAM) {
  wchar_t name[64] = L"";
  GetClassNameW(child, name, 64);
  if (lstrcmpiW(name, L"Button") == 0) {
    ++Box().buttons;
  } else if (lstrcmpiW(name, L"Static") == 0) {
    if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
      Box().icon = true;
    } else {
      static wchar_t text[2048];
      text[0] = L'\0';
      GetWindowTextW(child, text, 2048);
      if (text[0] != L'\0') Box().text = text;
    }
  }
  return TRUE;
}

inline BOOL CALLBACK FindBox(HWND window, LPARAM) {
  wchar_t name[64] = L"";
  GetClassNameW(window, name, 64);
  if (window == MainDialog || lstrcmpW(name, L"#32770") != 0) return TRUE;
  wchar_t caption[64] = L"";
  GetWindowTextW(window, caption, 64);
  Box().caption = caption;
  EnumChildWindows(window, ReadBoxChild, 0);
  Box().rowsMeanwhile =
      static_cast<int>(SendDlgItemMessageW(MainDialog, kIdMessageList, LVM_GETITEMCOUNT, 0, 0));
  Box().seen = true;
  PostMessageW(window, WM_COMMAND, IDOK, 0);
  return FALSE;
}

inline void CALLBACK PressOk(HWND, UINT, UINT_PTR timer, DWORD) {
  if (!Box().seen) EnumThreadWindows(GetCurrentThreadId(), FindBox, 0);
  if (Box().seen) KillTimer(nullptr, timer);
}

}  // namespace dialog_helpers

constexpr UINT kBoxLookMs = 20;

// Call before the code that raises the box; read Box() after it returned.
inline void WatchForErrorBox() {
  dialog_helpers::Box() = SeenBox{};
  SetTimer(nullptr, 0, kBoxLookMs, dialog_helpers::PressOk);
}
inline const SeenBox& WatchedBox() { return dialog_helpers::Box(); }
