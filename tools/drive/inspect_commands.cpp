// The commands that read what the program's window shows, and wait for it.
#include "commands.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>

#include "remote_list.h"
#include "window_find.h"
#include "windows/main_dialog.h"

namespace {

bool ComboItem(HWND combo, int index, std::wstring& text) {
  LRESULT len = 0;
  if (!SendTimed(combo, CB_GETLBTEXTLEN, index, 0, len)) return false;
  if (len < 0) { text.clear(); return true; }
  std::vector<wchar_t> buf((size_t)len + 1, L'\0');
  LRESULT r = 0;
  if (!SendTimed(combo, CB_GETLBTEXT, index, (LPARAM)buf.data(), r)) return false;
  text = buf.data();
  return true;
}

bool DescribeList(HWND list, std::string& line) {
  LRESULT count = 0;
  int width = 0;
  std::wstring header;
  if (!SendTimed(list, LVM_GETITEMCOUNT, 0, 0, count) || !ListHeader(list, header, width)) return false;
  line += "rows=" + std::to_string(count) + " width=" + std::to_string(width) + " header=" + ToUtf8(header);
  return true;
}

bool DescribeCombo(HWND combo, std::string& line) {
  LRESULT sel = 0;
  std::wstring text;
  if (!SendTimed(combo, CB_GETCURSEL, 0, 0, sel)) return false;
  if (sel >= 0 && !ComboItem(combo, (int)sel, text)) return false;
  line += "sel=" + std::to_string(sel) + " " + (sel >= 0 ? ToUtf8(text) : std::string());
  return true;
}

// One line for one control: id, class, enabled, visible, then what it shows.
bool DescribeControl(HWND c, std::string& line) {
  const std::wstring cls = ClassOf(c);
  char head[160];
  std::snprintf(head, sizeof head, "%d %s %s %s ", GetDlgCtrlID(c), ToUtf8(cls).c_str(),
                IsWindowEnabled(c) ? "enabled" : "disabled", IsWindowVisible(c) ? "visible" : "hidden");
  line = head;
  if (cls == L"SysListView32") return DescribeList(c, line);
  if (cls == L"ComboBox") return DescribeCombo(c, line);
  std::wstring text;
  if (!WindowText(c, text)) return false;
  line += ToUtf8(text);
  return true;
}

}  // namespace

HWND Control(HWND main, int id) {
  HWND c = GetDlgItem(main, id);
  if (!c) Failed(kNotFound, "no control %d in the window", id);
  return c;
}

// The window "Tallyglass" shows within the wait; it is the command's whole work.
int CmdWait(HWND, const Args& args) { return WaitMain(args.Ms(0)) ? kDone : kNotFound; }

int CmdState(HWND main, const Args&) {
  std::vector<std::string> lines;
  for (HWND c : ControlsOf(main)) {
    std::string line;
    if (!DescribeControl(c, line)) return Failed(kNoAnswer, "window does not answer");
    lines.push_back(line);
  }
  for (const auto& l : lines) PrintLine(l);
  return kDone;
}

int CmdRows(HWND main, const Args&) {
  std::vector<std::wstring> rows;
  if (!ListRows(Control(main, kIdMessageList), rows)) return Failed(kNoAnswer, "list does not answer");
  for (const auto& r : rows) PrintLine(ToUtf8(r));
  return kDone;
}

int CmdItems(HWND main, const Args& args) {
  const int id = (int)args.Number(0, 0);
  HWND combo = Control(main, id);
  LRESULT count = 0;
  if (!combo) return kNoAnswer;
  if (!SendTimed(combo, CB_GETCOUNT, 0, 0, count)) return Failed(kNoAnswer, "combo box %d does not answer", id);
  for (int i = 0; i < (int)count; ++i) {
    std::wstring text;
    if (!ComboItem(combo, i, text)) return Failed(kNoAnswer, "combo box %d does not answer", id);
    PrintLine(ToUtf8(text));
  }
  return kDone;
}

// The window's place on the screen in pixels, "X Y WIDTH HEIGHT" (for screenshots).
int CmdRect(HWND main, const Args&) {
  RECT r{};
  if (!GetWindowRect(main, &r)) return Failed(kNotFound, "the window's place cannot be read");
  char line[64];
  std::snprintf(line, sizeof line, "%ld %ld %ld %ld", r.left, r.top, r.right - r.left, r.bottom - r.top);
  PrintLine(line);
  return kDone;
}

// The caption as the window shows it now; read without a message, so a busy window
// answers too.
int CmdCaption(HWND main, const Args&) {
  wchar_t title[128] = {};
  GetWindowTextW(main, title, 128);
  PrintLine(ToUtf8(title));
  return kDone;
}

// The control that has the keyboard focus in the program's window: its id, or "none".
int CmdFocus(HWND main, const Args&) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info))
    return Failed(kNoAnswer, "the window's thread does not tell its focus");
  HWND f = info.hwndFocus;
  // A combo box's edit field has the focus for the combo box.
  if (f && GetParent(f) != main && GetParent(GetParent(f)) == main) f = GetParent(f);
  PrintLine(f && GetParent(f) == main ? std::to_string(GetDlgCtrlID(f)) : std::string("none"));
  return kDone;
}

// For SECONDS, asks the window every 50 ms to answer a message (WM_NULL) and prints
// the longest it took; exit 3 as soon as one answer takes longer than MS.
int CmdPingFor(HWND main, const Args& args) {
  const DWORD seconds = (DWORD)args.Number(0, 1), ms = (DWORD)args.Number(1, 200);
  LARGE_INTEGER rate, start, sent, answered;
  QueryPerformanceFrequency(&rate);
  QueryPerformanceCounter(&start);
  double longest = 0;
  int pings = 0;
  char line[96];
  for (;;) {
    QueryPerformanceCounter(&sent);
    if ((sent.QuadPart - start.QuadPart) / rate.QuadPart >= seconds) break;
    DWORD_PTR r = 0;
    const bool ok = SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, ms, &r) != 0;
    QueryPerformanceCounter(&answered);
    const double took = 1000.0 * static_cast<double>(answered.QuadPart - sent.QuadPart) / static_cast<double>(rate.QuadPart);
    if (took > longest) longest = took;
    ++pings;
    if (!ok || took > ms) {
      std::snprintf(line, sizeof line, "no answer within %lu ms (ping %d)", static_cast<unsigned long>(ms), pings);
      PrintLine(line);
      return kNoAnswer;
    }
    Sleep(50);
  }
  std::snprintf(line, sizeof line, "%d pings, the longest answer %.1f ms", pings, longest);
  PrintLine(line);
  return kDone;
}

int CmdWaitRow(HWND main, const Args& args) {
  const std::string& text = args.utf8[0];
  HWND list = Control(main, kIdMessageList);
  std::vector<std::wstring> rows;
  const bool seen = WaitFor(args.Ms(1), [&] {
    if (!ListRows(list, rows)) return false;
    for (const auto& r : rows)
      if (ToUtf8(r) == text) return true;
    return false;
  });
  return seen ? kDone : Failed(kNotFound, "row not seen");
}

int CmdWaitRows(HWND main, const Args& args) {
  const long count = args.Number(0, 0);
  HWND list = Control(main, kIdMessageList);
  const bool seen = WaitFor(args.Ms(1), [&] {
    LRESULT n = 0;
    return SendTimed(list, LVM_GETITEMCOUNT, 0, 0, n) && n >= count;
  });
  return seen ? kDone : Failed(kNotFound, "too few rows");
}

// Waits until one control's state line (as `state` prints it) reads LINE.
int CmdWaitState(HWND main, const Args& args) {
  const std::string& line = args.utf8[0];
  HWND c = Control(main, std::atoi(line.c_str()));
  std::string now;
  if (!c) return kNotFound;
  const bool seen = WaitFor(args.Ms(1), [&] { return DescribeControl(c, now) && now == line; });
  if (seen) return kDone;
  Failed(kNotFound, "state not reached; last seen:");
  PrintLine(now);
  return kNotFound;
}
