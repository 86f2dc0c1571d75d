// tgdrive: drives a running Tallyglass window from outside, as an operator would,
// for the end-to-end tests and the demo. A Windows console program: it runs under
// Wine beside Tallyglass.exe, in the same Wine server.
//
// Every command works on the top-level window titled "Tallyglass"; with --pid N (or
// the environment variable TG_PID) only on windows of that process, so that tests
// running side by side in one Wine server never touch each other's window.
// Buttons are pressed by posting WM_COMMAND: on a headless X server there is no
// window manager, so focus and mouse clicks cannot be relied on.
// Everything printed is UTF-8, one item a line (LF), so scripts compare Greek texts
// as they are written in the scripts.
//
// Exit codes: 0 done, 1 not found or not reached in time, 2 usage, 3 not responding.
#include <windows.h>
#include <commctrl.h>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr DWORD kDefaultWaitMs = 10000;
constexpr DWORD kPollMs = 50;
// A window that does not answer in this time is busy (an operation that processes no
// messages is running); the waits treat that as "not yet".
constexpr UINT kAnswerWaitMs = 2000;
constexpr int kTextChars = 8192;  // longer than any row the program can show

enum Exit { kDone = 0, kNotFound = 1, kUsage = 2, kNoAnswer = 3 };

DWORD TargetPid = 0;  // 0: any process

std::string ToUtf8(const std::wstring& w) {
  if (w.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), nullptr, 0, nullptr, nullptr);
  std::string s(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), s.data(), n, nullptr, nullptr);
  return s;
}

void PrintLine(const std::string& s) {
  std::fwrite(s.data(), 1, s.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

void Fail(const char* what) { std::fprintf(stderr, "tgdrive: %s\n", what); }

bool SendTimed(HWND w, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  DWORD_PTR r = 0;
  if (!SendMessageTimeoutW(w, msg, wp, lp, SMTO_NORMAL, kAnswerWaitMs, &r)) return false;
  result = (LRESULT)r;
  return true;
}

bool WindowText(HWND w, std::wstring& out) {
  std::vector<wchar_t> buf(kTextChars, L'\0');
  LRESULT n = 0;
  if (!SendTimed(w, WM_GETTEXT, buf.size(), (LPARAM)buf.data(), n)) return false;
  out.assign(buf.data(), (size_t)n < buf.size() ? (size_t)n : 0);
  return true;
}

std::wstring ClassOf(HWND w) {
  wchar_t buf[128] = {};
  GetClassNameW(w, buf, 128);
  return buf;
}

bool OfTarget(HWND w) {
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  return TargetPid == 0 || pid == TargetPid;
}

struct Search {
  HWND skip;
  bool mainWindow;  // true: the dialog titled "Tallyglass..."; false: any other dialog (a message box)
  HWND found;
};

BOOL CALLBACK MatchTopLevel(HWND w, LPARAM lp) {
  auto* s = reinterpret_cast<Search*>(lp);
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

HWND FindMain() {
  Search s{nullptr, true, nullptr};
  EnumWindows(MatchTopLevel, (LPARAM)&s);
  return s.found;
}

HWND FindBox(HWND main) {
  Search s{main, false, nullptr};
  EnumWindows(MatchTopLevel, (LPARAM)&s);
  return s.found;
}

// Repeats `probe` until it returns true or `ms` pass.
template <typename Probe>
bool WaitFor(DWORD ms, Probe probe) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (probe()) return true;
    if (GetTickCount() - start >= ms) return false;
    Sleep(kPollMs);
  }
}

HWND WaitMain(DWORD ms) {
  HWND w = nullptr;
  WaitFor(ms, [&] { return (w = FindMain()) != nullptr; });
  if (!w) Fail("no window \"Tallyglass\"");
  return w;
}

// Memory inside the program's process: the list view's messages carry pointers that
// it dereferences in its own address space, and Wine marshals none of them.
class RemoteBuffer {
 public:
  RemoteBuffer(HWND w, SIZE_T size) : size_(size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_) base_ = VirtualAllocEx(process_, nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  }
  ~RemoteBuffer() {
    if (base_) VirtualFreeEx(process_, base_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;
  bool ok() const { return base_ != nullptr; }
  char* at(SIZE_T offset) const { return static_cast<char*>(base_) + offset; }
  bool Put(SIZE_T offset, const void* data, SIZE_T n) {
    return offset + n <= size_ && WriteProcessMemory(process_, at(offset), data, n, nullptr);
  }
  bool Get(SIZE_T offset, void* data, SIZE_T n) {
    return offset + n <= size_ && ReadProcessMemory(process_, at(offset), data, n, nullptr);
  }

 private:
  HANDLE process_ = nullptr;
  void* base_ = nullptr;
  SIZE_T size_;
};

constexpr SIZE_T kRecordBytes = 256;  // room for an LVITEMW or LVCOLUMNW
constexpr SIZE_T kRemoteBytes = kRecordBytes + kTextChars * sizeof(wchar_t);

// Sends `record` (whose pszText the caller leaves for us) and reads back the text.
template <typename Record>
bool RemoteTextCall(RemoteBuffer& mem, HWND list, UINT msg, WPARAM wp, Record record, std::wstring& out) {
  record.pszText = reinterpret_cast<LPWSTR>(mem.at(kRecordBytes));
  record.cchTextMax = kTextChars;
  const wchar_t none = 0;
  LRESULT r = 0;
  if (!mem.Put(0, &record, sizeof record) || !mem.Put(kRecordBytes, &none, sizeof none) ||
      !SendTimed(list, msg, wp, (LPARAM)mem.at(0), r))
    return false;
  // LVM_GETITEMTEXTW answers the text's length; LVM_GETCOLUMNW only TRUE.
  const size_t chars = msg == LVM_GETITEMTEXTW && r >= 0 && r < kTextChars ? (size_t)r + 1 : kTextChars;
  std::vector<wchar_t> text(chars, L'\0');
  if (!mem.Get(kRecordBytes, text.data(), text.size() * sizeof(wchar_t))) return false;
  text.back() = 0;
  out = text.data();
  return true;
}

bool ListRows(HWND list, std::vector<std::wstring>& rows) {
  LRESULT count = 0;
  if (!SendTimed(list, LVM_GETITEMCOUNT, 0, 0, count)) return false;
  RemoteBuffer mem(list, kRemoteBytes);
  if (!mem.ok()) return false;
  rows.clear();
  for (int i = 0; i < (int)count; ++i) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = i;
    std::wstring text;
    if (!RemoteTextCall(mem, list, LVM_GETITEMTEXTW, i, item, text)) return false;
    rows.push_back(text);
  }
  return true;
}

bool ListHeader(HWND list, std::wstring& header, int& width) {
  RemoteBuffer mem(list, kRemoteBytes);
  if (!mem.ok()) return false;
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT;
  if (!RemoteTextCall(mem, list, LVM_GETCOLUMNW, 0, column, header)) return false;
  LRESULT w = 0;
  if (!SendTimed(list, LVM_GETCOLUMNWIDTH, 0, 0, w)) return false;
  width = (int)w;
  return true;
}

HWND Control(HWND main, int id) {
  HWND c = GetDlgItem(main, id);
  if (!c) Fail("no such control");
  return c;
}

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

// One line for one control: id, class, enabled, visible, then what it shows.
bool DescribeControl(HWND c, std::string& line) {
  const std::wstring cls = ClassOf(c);
  char head[160];
  std::snprintf(head, sizeof head, "%d %s %s %s ", GetDlgCtrlID(c), ToUtf8(cls).c_str(),
                IsWindowEnabled(c) ? "enabled" : "disabled", IsWindowVisible(c) ? "visible" : "hidden");
  line = head;
  std::wstring text;
  if (cls == L"SysListView32") {
    LRESULT count = 0;
    int width = 0;
    if (!SendTimed(c, LVM_GETITEMCOUNT, 0, 0, count) || !ListHeader(c, text, width)) return false;
    line += "rows=" + std::to_string(count) + " width=" + std::to_string(width) + " header=" + ToUtf8(text);
    return true;
  }
  if (cls == L"ComboBox") {
    LRESULT sel = 0;
    if (!SendTimed(c, CB_GETCURSEL, 0, 0, sel)) return false;
    if (sel >= 0 && !ComboItem(c, (int)sel, text)) return false;
    line += "sel=" + std::to_string(sel) + " " + (sel >= 0 ? ToUtf8(text) : std::string());
    return true;
  }
  if (!WindowText(c, text)) return false;
  line += ToUtf8(text);
  return true;
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

int CmdState(HWND main) {
  Children kids{main, {}};
  EnumChildWindows(main, CollectChild, (LPARAM)&kids);
  std::vector<std::string> lines;
  for (HWND c : kids.list) {
    std::string line;
    if (!DescribeControl(c, line)) { Fail("window does not answer"); return kNoAnswer; }
    lines.push_back(line);
  }
  for (const auto& l : lines) PrintLine(l);
  return kDone;
}

int CmdRows(HWND main) {
  std::vector<std::wstring> rows;
  if (!ListRows(Control(main, 1000), rows)) { Fail("list does not answer"); return kNoAnswer; }
  for (const auto& r : rows) PrintLine(ToUtf8(r));
  return kDone;
}

int CmdItems(HWND main, int id) {
  HWND combo = Control(main, id);
  LRESULT count = 0;
  if (!combo || !SendTimed(combo, CB_GETCOUNT, 0, 0, count)) return kNoAnswer;
  for (int i = 0; i < (int)count; ++i) {
    std::wstring text;
    if (!ComboItem(combo, i, text)) return kNoAnswer;
    PrintLine(ToUtf8(text));
  }
  return kDone;
}

int CmdClick(HWND main, int id) {
  HWND c = GetDlgItem(main, id);  // may be null: a press of an id without a control
  return PostMessageW(main, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)c) ? kDone : kNotFound;
}

// Where keys for control `id` go: a combo box's own edit field, else the control.
HWND KeyTarget(HWND main, int id) {
  HWND c = Control(main, id);
  if (c && ClassOf(c) == L"ComboBox") {
    HWND edit = FindWindowExW(c, nullptr, L"Edit", nullptr);
    if (edit) return edit;
  }
  return c;
}

// Returns once the program has handled every message posted to it so far. Posted
// messages of one thread are handled in order, so a marker posted last is seen last:
// the text limit of the C.F 16 box, which nothing in the program reads, is set to a
// marker value by a posted message and put back once it shows.
bool PostedHandled(HWND main) {
  constexpr LRESULT kMarker = 54321;
  HWND edit = GetDlgItem(main, 1001);
  LRESULT before = 0, now = 0;
  if (!edit || !SendTimed(edit, EM_GETLIMITTEXT, 0, 0, before)) return false;
  PostMessageW(edit, EM_LIMITTEXT, kMarker, 0);
  const bool seen = WaitFor(kDefaultWaitMs, [&] {
    return SendTimed(edit, EM_GETLIMITTEXT, 0, 0, now) && now == kMarker;
  });
  SendTimed(edit, EM_LIMITTEXT, before, 0, now);
  return seen;
}

// Types `text` into a control as the keyboard would deliver it, one WM_CHAR a
// character through the program's message loop.
int CmdType(HWND main, int id, const std::wstring& text) {
  HWND target = KeyTarget(main, id);
  if (!target) return kNotFound;
  for (wchar_t ch : text) PostMessageW(target, WM_CHAR, ch, 1);
  return PostedHandled(main) ? kDone : kNoAnswer;
}

// Presses a key (a virtual-key code) on a control: WM_KEYDOWN, WM_CHAR for the keys
// that have a character, WM_KEYUP, as the message loop would see them.
int CmdKey(HWND main, int id, UINT vk) {
  HWND target = KeyTarget(main, id);
  if (!target) return kNotFound;
  const UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
  const LPARAM down = 1 | (LPARAM)(scan << 16), up = down | (LPARAM)0xC0000000;
  PostMessageW(target, WM_KEYDOWN, vk, down);
  const UINT ch = MapVirtualKeyW(vk, MAPVK_VK_TO_CHAR);
  if (ch) PostMessageW(target, WM_CHAR, ch, down);
  PostMessageW(target, WM_KEYUP, vk, up);
  return PostedHandled(main) ? kDone : kNoAnswer;
}

int CmdSelect(HWND main, int id, int index) {
  HWND combo = Control(main, id);
  LRESULT r = 0;
  if (!combo || !SendTimed(combo, CB_SETCURSEL, index, 0, r)) return kNoAnswer;
  return (r == CB_ERR) == (index < 0) ? kDone : kNotFound;
}

int CmdWaitRow(HWND main, const std::string& text, DWORD ms) {
  HWND list = Control(main, 1000);
  std::vector<std::wstring> rows;
  const bool seen = WaitFor(ms, [&] {
    if (!ListRows(list, rows)) return false;
    for (const auto& r : rows)
      if (ToUtf8(r) == text) return true;
    return false;
  });
  if (!seen) Fail("row not seen");
  return seen ? kDone : kNotFound;
}

int CmdWaitRows(HWND main, long count, DWORD ms) {
  HWND list = Control(main, 1000);
  const bool seen = WaitFor(ms, [&] {
    LRESULT n = 0;
    return SendTimed(list, LVM_GETITEMCOUNT, 0, 0, n) && n >= count;
  });
  if (!seen) Fail("too few rows");
  return seen ? kDone : kNotFound;
}

// Waits until one control's state line (as `state` prints it) reads `line`.
int CmdWaitState(HWND main, const std::string& line, DWORD ms) {
  const int id = std::atoi(line.c_str());
  HWND c = Control(main, id);
  std::string now;
  if (!c) return kNotFound;
  const bool seen = WaitFor(ms, [&] { return DescribeControl(c, now) && now == line; });
  if (!seen) { Fail("state not reached; last seen:"); PrintLine(now); }
  return seen ? kDone : kNotFound;
}

// Waits for a message box of the program, prints its caption and text and, unless
// `keep`, presses OK.
int CmdMsgBox(HWND main, DWORD ms, bool keep) {
  HWND box = nullptr;
  WaitFor(ms, [&] { return (box = FindBox(main)) != nullptr; });
  if (!box) { Fail("no message box"); return kNotFound; }
  std::wstring caption, text;
  HWND label = GetDlgItem(box, 0xFFFF);  // the message text's static control
  if (!WindowText(box, caption) || (label && !WindowText(label, text))) return kNoAnswer;
  PrintLine(ToUtf8(caption));
  PrintLine(ToUtf8(text));
  if (!keep) PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(box, IDOK));
  return kDone;
}

// The control that has the keyboard focus in the program's window: its id, or "none".
int CmdFocus(HWND main) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info)) return kNoAnswer;
  HWND f = info.hwndFocus;
  // A combo box's edit field has the focus for the combo box.
  if (f && GetParent(f) != main && GetParent(GetParent(f)) == main) f = GetParent(f);
  PrintLine(f && GetParent(f) == main ? std::to_string(GetDlgCtrlID(f)) : std::string("none"));
  return kDone;
}

// The window's place on the screen in pixels, "X Y WIDTH HEIGHT" (for screenshots).
int CmdRect(HWND main) {
  RECT r{};
  if (!GetWindowRect(main, &r)) return kNotFound;
  char line[64];
  std::snprintf(line, sizeof line, "%ld %ld %ld %ld", r.left, r.top, r.right - r.left, r.bottom - r.top);
  PrintLine(line);
  return kDone;
}

// The caption as the window shows it now; read without a message, so a busy window
// answers too.
int CmdCaption(HWND main) {
  wchar_t title[128] = {};
  GetWindowTextW(main, title, 128);
  PrintLine(ToUtf8(title));
  return kDone;
}

// For `seconds`, asks the window every 50 ms to answer a message (WM_NULL) and
// prints the longest it took; exit 3 as soon as one answer takes longer than `ms`.
int CmdPingFor(HWND main, DWORD seconds, DWORD ms) {
  LARGE_INTEGER rate, start, sent, answered;
  QueryPerformanceFrequency(&rate);
  QueryPerformanceCounter(&start);
  double longest = 0;
  int pings = 0;
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
      char line[96];
      std::snprintf(line, sizeof line, "no answer within %lu ms (ping %d)", static_cast<unsigned long>(ms), pings);
      PrintLine(line);
      return kNoAnswer;
    }
    Sleep(50);
  }
  char line[96];
  std::snprintf(line, sizeof line, "%d pings, the longest answer %.1f ms", pings, longest);
  PrintLine(line);
  return kDone;
}

// A system menu command (WM_SYSCOMMAND), as choosing it in the window's system menu
// sends it.
int CmdSysCommand(HWND main, UINT command) {
  return PostMessageW(main, WM_SYSCOMMAND, command, 0) ? kDone : kNotFound;
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

// A top-level window of any process (the file manager the program opened), by class
// and title: waits for it and prints its process id; with `close`, also closes it
// (WM_CLOSE) and waits until that process has ended.
int CmdOtherWindow(const std::wstring& cls, const std::wstring& title, DWORD ms, bool close) {
  OtherWindow s{cls, title, nullptr};
  const bool seen = WaitFor(ms, [&] {
    EnumWindows(MatchOther, (LPARAM)&s);
    return s.found != nullptr;
  });
  if (!seen) {
    Fail("no such window");
    return kNotFound;
  }
  DWORD pid = 0;
  GetWindowThreadProcessId(s.found, &pid);
  PrintLine(std::to_string(pid));
  if (!close) return kDone;
  HANDLE p = OpenProcess(SYNCHRONIZE, FALSE, pid);
  PostMessageW(s.found, WM_CLOSE, 0, 0);
  const bool ended = p == nullptr || WaitForSingleObject(p, ms) == WAIT_OBJECT_0;
  if (p) CloseHandle(p);
  if (!ended) Fail("its process did not end");
  return ended ? kDone : kNotFound;
}

int CmdWaitExit(DWORD ms) {
  if (TargetPid) {
    HANDLE p = OpenProcess(SYNCHRONIZE, FALSE, TargetPid);
    if (!p) return kDone;  // already gone
    const DWORD r = WaitForSingleObject(p, ms);
    CloseHandle(p);
    if (r != WAIT_OBJECT_0) Fail("program still running");
    return r == WAIT_OBJECT_0 ? kDone : kNotFound;
  }
  const bool gone = WaitFor(ms, [] { return FindMain() == nullptr; });
  if (!gone) Fail("window still there");
  return gone ? kDone : kNotFound;
}

int CmdKill() {
  if (!TargetPid) { Fail("kill needs --pid"); return kUsage; }
  HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, TargetPid);
  if (!p) return kDone;
  TerminateProcess(p, 99);
  WaitForSingleObject(p, 5000);
  CloseHandle(p);
  return kDone;
}

// Starts a program in the current directory, prints its process id (first line, and
// into `pidFile`), waits for its end and exits with its result. A Windows process id
// is what --pid needs; the Linux pid of a Wine process does not tell it.
int CmdStart(const std::wstring& commandLine, const std::wstring& pidFile) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::wstring cmd = commandLine;
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    Fail("cannot start the program");
    return kNotFound;
  }
  const std::string pid = std::to_string(pi.dwProcessId);
  if (!pidFile.empty()) {
    FILE* f = _wfopen(pidFile.c_str(), L"wb");
    if (f) { std::fprintf(f, "%s\n", pid.c_str()); std::fclose(f); }
  }
  PrintLine(pid);
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return (int)code;
}

void Usage() {
  std::fputs(
      "usage: tgdrive [--pid N] COMMAND [ARGS]\n"
      "  start PIDFILE EXE [ARGS]  run EXE, write its process id, exit with its result\n"
      "  wait [MS]                 wait for the window \"Tallyglass\"\n"
      "  state                     one line a control: id class enabled visible text\n"
      "  rows                      the message list's rows, one a line\n"
      "  items ID                  a combo box's entries\n"
      "  click ID                  press a button (posts WM_COMMAND)\n"
      "  select ID INDEX           select a combo box entry (-1: none)\n"
      "  close                     the close box (WM_CLOSE)\n"
      "  syscommand ID             choose a system menu command (posts WM_SYSCOMMAND)\n"
      "  type ID TEXT              type TEXT into a control (a combo box: its edit field)\n"
      "  key ID VK                 press a key on a control (VK: 13 Enter, 27 Escape, 9 Tab)\n"
      "  rect                      the window's X Y WIDTH HEIGHT on the screen\n"
      "  caption                   the window's caption (with the progress of an operation)\n"
      "  ping-for SECONDS MS       the window answers a message within MS throughout\n"
      "  focus                     the id of the control with the keyboard focus, or none\n"
      "  msgbox [MS]               print a message box's caption and text, press OK\n"
      "  peek-msgbox [MS]          the same, leaving the box open\n"
      "  wait-row TEXT [MS]        until a row reads TEXT\n"
      "  wait-rows N [MS]          until the list has at least N rows\n"
      "  wait-state LINE [MS]      until a control's state line reads LINE\n"
      "  wait-exit [MS]            until the program has ended\n"
      "  kill                      end the program (needs --pid)\n"
      "  window CLASS TITLE [MS]   until a window of any process shows; print its process id\n"
      "  close-window CLASS TITLE [MS]  the same, then close it and wait for its process's end\n"
      "The process id also comes from the environment variable TG_PID.\n",
      stderr);
}

// Arguments as UTF-8, read from the wide command line so that Greek survives
// whatever the system's code page is.
std::vector<std::wstring> WideArgs() {
  int n = 0;
  LPWSTR* w = CommandLineToArgvW(GetCommandLineW(), &n);
  std::vector<std::wstring> args(w, w + n);
  LocalFree(w);
  return args;
}

// The rest of the wide command line from argument `first` on, quoted again.
std::wstring JoinArgs(const std::vector<std::wstring>& w, size_t first) {
  std::wstring out;
  for (size_t i = first; i < w.size(); ++i) out += (i > first ? L" \"" : L"\"") + w[i] + L"\"";
  return out;
}

int Dispatch(const std::vector<std::string>& a, const std::vector<std::wstring>& w, size_t i) {
  const std::string cmd = a[i];
  auto num = [&](size_t k, long dflt) { return k < a.size() ? std::atol(a[k].c_str()) : dflt; };
  auto ms = [&](size_t k) { return (DWORD)num(k, kDefaultWaitMs); };
  if (cmd == "start" && a.size() > i + 2) return CmdStart(JoinArgs(w, i + 2), w[i + 1]);
  if (cmd == "wait-exit") return CmdWaitExit(ms(i + 1));
  if (cmd == "kill") return CmdKill();
  if ((cmd == "window" || cmd == "close-window") && a.size() > i + 2)
    return CmdOtherWindow(w[i + 1], w[i + 2], ms(i + 3), cmd == "close-window");
  const bool hasArg = a.size() > i + 1;
  HWND main = WaitMain(cmd == "wait" ? ms(i + 1) : kDefaultWaitMs);
  if (!main) return kNotFound;
  if (cmd == "wait") return kDone;
  if (cmd == "state") return CmdState(main);
  if (cmd == "rows") return CmdRows(main);
  if (cmd == "rect") return CmdRect(main);
  if (cmd == "caption") return CmdCaption(main);
  if (cmd == "ping-for" && a.size() > i + 2) return CmdPingFor(main, (DWORD)num(i + 1, 1), (DWORD)num(i + 2, 200));
  if (cmd == "focus") return CmdFocus(main);
  if (cmd == "close") return PostMessageW(main, WM_CLOSE, 0, 0) ? kDone : kNotFound;
  if (cmd == "syscommand" && hasArg) return CmdSysCommand(main, (UINT)std::strtoul(a[i + 1].c_str(), nullptr, 0));
  if (cmd == "msgbox") return CmdMsgBox(main, ms(i + 1), false);
  if (cmd == "peek-msgbox") return CmdMsgBox(main, ms(i + 1), true);
  if (cmd == "items" && hasArg) return CmdItems(main, (int)num(i + 1, 0));
  if (cmd == "click" && hasArg) return CmdClick(main, (int)num(i + 1, 0));
  if (cmd == "select" && a.size() > i + 2) return CmdSelect(main, (int)num(i + 1, 0), (int)num(i + 2, 0));
  if (cmd == "type" && a.size() > i + 2) return CmdType(main, (int)num(i + 1, 0), w[i + 2]);
  if (cmd == "key" && a.size() > i + 2) return CmdKey(main, (int)num(i + 1, 0), (UINT)std::strtoul(a[i + 2].c_str(), nullptr, 0));
  if (cmd == "wait-row" && hasArg) return CmdWaitRow(main, a[i + 1], ms(i + 2));
  if (cmd == "wait-rows" && hasArg) return CmdWaitRows(main, num(i + 1, 0), ms(i + 2));
  if (cmd == "wait-state" && hasArg) return CmdWaitState(main, a[i + 1], ms(i + 2));
  Usage();
  return kUsage;
}

}  // namespace

int main() {
  _setmode(_fileno(stdout), _O_BINARY);  // LF only, bytes as written
  const std::vector<std::wstring> w = WideArgs();
  std::vector<std::string> a;
  for (const auto& s : w) a.push_back(ToUtf8(s));
  size_t i = 1;
  if (const char* env = std::getenv("TG_PID")) TargetPid = (DWORD)std::atol(env);
  if (a.size() > 2 && a[1] == "--pid") {
    TargetPid = (DWORD)std::atol(a[2].c_str());
    i = 3;
  }
  if (a.size() <= i) { Usage(); return kUsage; }
  return Dispatch(a, w, i);
}
