// Finding windows from outside. With a target process (--pid, TG_PID) only its windows
// count, so that tests running side by side in one Wine server never touch each
// other's window.
#include "window_find.h"

#include <cwchar>

#include "drive.h"

namespace {

bool OfTarget(HWND w) {
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  return TargetPid == 0 || pid == TargetPid;
}

struct DialogSearch {
  HWND skip;
  bool mainWindow;  // true: the dialog titled "Tallyglass..."; false: any other dialog (a message box)
  HWND found;
};

BOOL CALLBACK MatchDialog(HWND w, LPARAM lp) {
  auto* s = reinterpret_cast<DialogSearch*>(lp);
  if (w == s->skip || !OfTarget(w) || ClassOf(w) != L"#32770") return TRUE;
  wchar_t title[64] = {};
  // GetWindowTextW reads the caption without a message, so a busy window is found too.
  GetWindowTextW(w, title, 64);
  // While an operation runs, its progress follows the name: "Tallyglass - LOG 3 / 9".
  const bool isMain = std::wcscmp(title, L"Tallyglass") == 0 || std::wcsncmp(title, L"Tallyglass - ", 13) == 0;
  if (isMain != s->mainWindow || !IsWindowVisible(w)) return TRUE;
  s->found = w;
  return FALSE;
}

struct Children {
  HWND parent;
  std::vector<HWND> list;
};

BOOL CALLBACK CollectChild(HWND w, LPARAM lp) {
  auto* c = reinterpret_cast<Children*>(lp);
  // Direct children only: the combo boxes' own edit and list windows are not controls.
  if (GetParent(w) == c->parent) c->list.push_back(w);
  return TRUE;
}

struct OtherWindow {
  std::wstring cls, title;
  HWND found;
};

BOOL CALLBACK MatchOther(HWND w, LPARAM lp) {
  auto* s = reinterpret_cast<OtherWindow*>(lp);
  wchar_t title[256] = {};
  GetWindowTextW(w, title, 256);
  if (!IsWindowVisible(w) || ClassOf(w) != s->cls || s->title != title) return TRUE;
  s->found = w;
  return FALSE;
}

}  // namespace

HWND FindMain() {
  DialogSearch s{nullptr, true, nullptr};
  EnumWindows(MatchDialog, (LPARAM)&s);
  return s.found;
}

HWND WaitMain(DWORD ms) {
  HWND w = nullptr;
  WaitFor(ms, [&] { return (w = FindMain()) != nullptr; });
  if (!w) Failed(kNotFound, "no window \"Tallyglass\"");
  return w;
}

HWND FindBox(HWND main) {
  DialogSearch s{main, false, nullptr};
  EnumWindows(MatchDialog, (LPARAM)&s);
  return s.found;
}

std::vector<HWND> ControlsOf(HWND main) {
  Children kids{main, {}};
  EnumChildWindows(main, CollectChild, (LPARAM)&kids);
  return kids.list;
}

HWND FindOtherWindow(const std::wstring& cls, const std::wstring& title) {
  OtherWindow s{cls, title, nullptr};
  EnumWindows(MatchOther, (LPARAM)&s);
  return s.found;
}
