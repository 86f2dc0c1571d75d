// The commands on processes (the program's start and end) and on the windows of other
// programs (the file manager the program opens).
#include "commands.h"

#include <cstdio>

#include "window_find.h"

namespace {

// The rest of the wide command line from argument `first` on, quoted again.
std::wstring JoinArgs(const std::vector<std::wstring>& w, size_t first) {
  std::wstring out;
  for (size_t i = first; i < w.size(); ++i) out += (i > first ? L" \"" : L"\"") + w[i] + L"\"";
  return out;
}

void WritePidFile(const std::wstring& path, const std::string& pid) {
  FILE* f = _wfopen(path.c_str(), L"wb");
  if (!f) {
    Failed(kNotFound, "the process id cannot be written to %s", ToUtf8(path).c_str());
    return;
  }
  std::fprintf(f, "%s\n", pid.c_str());
  std::fclose(f);
}

// A top-level window of any process, by class and title: waits for it and prints its
// process id; with `close`, also closes it (WM_CLOSE) and waits until that process
// has ended.
int OtherWindow(const Args& args, bool close) {
  const DWORD ms = args.Ms(2);
  HWND found = nullptr;
  WaitFor(ms, [&] { return (found = FindOtherWindow(args.wide[0], args.wide[1])) != nullptr; });
  if (!found) return Failed(kNotFound, "no such window");
  DWORD pid = 0;
  GetWindowThreadProcessId(found, &pid);
  PrintLine(std::to_string(pid));
  if (!close) return kDone;
  HANDLE p = OpenProcess(SYNCHRONIZE, FALSE, pid);
  PostMessageW(found, WM_CLOSE, 0, 0);
  const bool ended = p == nullptr || WaitForSingleObject(p, ms) == WAIT_OBJECT_0;
  if (p) CloseHandle(p);
  return ended ? kDone : Failed(kNotFound, "its process did not end");
}

}  // namespace

// Starts a program in the current directory, prints its process id (first line, and
// into PIDFILE), waits for its end and exits with its result. A Windows process id is
// what --pid needs; the Linux pid of a Wine process does not tell it.
int CmdStart(HWND, const Args& args) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::wstring cmd = JoinArgs(args.wide, 1);
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return Failed(kNotFound, "cannot start the program (error %lu)", GetLastError());
  const std::string pid = std::to_string(pi.dwProcessId);
  if (!args.wide[0].empty()) WritePidFile(args.wide[0], pid);
  PrintLine(pid);
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return (int)code;
}

int CmdWaitExit(HWND, const Args& args) {
  const DWORD ms = args.Ms(0);
  if (TargetPid) {
    HANDLE p = OpenProcess(SYNCHRONIZE, FALSE, TargetPid);
    if (!p) return kDone;  // already gone
    const DWORD r = WaitForSingleObject(p, ms);
    CloseHandle(p);
    return r == WAIT_OBJECT_0 ? kDone : Failed(kNotFound, "program still running");
  }
  const bool gone = WaitFor(ms, [] { return FindMain() == nullptr; });
  return gone ? kDone : Failed(kNotFound, "window still there");
}

int CmdKill(HWND, const Args&) {
  if (!TargetPid) return Failed(kUsage, "kill needs --pid");
  HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, TargetPid);
  if (!p) return kDone;  // already gone
  TerminateProcess(p, 99);
  WaitForSingleObject(p, 5000);
  CloseHandle(p);
  return kDone;
}

int CmdWindow(HWND, const Args& args) { return OtherWindow(args, false); }
int CmdCloseWindow(HWND, const Args& args) { return OtherWindow(args, true); }
