// How far the running operation has come: in the window caption, and on the taskbar
// button where the system offers progress there (ITaskbarList3, Windows 7 and later).
// Without it (an older Windows, or Wine without a taskbar) the caption alone shows it.
#include <windows.h>
#include <shobjidl.h>

#include <cstdio>

#include "core/seams/shell.h"
#include "windows/main_dialog.h"
#include "windows/screen_text.h"

namespace {

constexpr char kProgramName[] = "Tallyglass";
constexpr int kCaptionChars = 128;

// Asked for once, at the first progress; null when the system has none.
ITaskbarList3* Taskbar = nullptr;
bool TaskbarAsked = false;

ITaskbarList3* TaskbarButtons() {
  if (TaskbarAsked) return Taskbar;
  TaskbarAsked = true;
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(com)) return nullptr;
  void* list = nullptr;
  if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3, &list)))
    return nullptr;
  Taskbar = static_cast<ITaskbarList3*>(list);
  if (FAILED(Taskbar->HrInit())) {
    Taskbar->Release();
    Taskbar = nullptr;
  }
  return Taskbar;
}

void ShowOnTaskbar(int64_t done, int64_t total) {
  ITaskbarList3* taskbar = TaskbarButtons();
  if (taskbar == nullptr || MainDialog == nullptr) return;
  if (total < 0) {
    taskbar->SetProgressState(MainDialog, TBPF_INDETERMINATE);
    return;
  }
  const ULONGLONG whole = total > 0 ? static_cast<ULONGLONG>(total) : 1;
  const ULONGLONG part = done < 0 ? 0 : static_cast<ULONGLONG>(done);
  taskbar->SetProgressValue(MainDialog, part < whole ? part : whole, whole);
}

}  // namespace

void ShowProgress(const char* text, int64_t done, int64_t total) {
  if (MainDialog == nullptr) return;
  char caption[kCaptionChars];
  std::snprintf(caption, sizeof caption, "%s - %s", kProgramName, text);
  SetScreenText(MainDialog, caption);
  ShowOnTaskbar(done, total);
}

void ClearProgress() {
  if (MainDialog == nullptr) return;
  SetScreenText(MainDialog, kProgramName);
  if (TaskbarButtons() != nullptr) Taskbar->SetProgressState(MainDialog, TBPF_NOPROGRESS);
}
