// tgdrive: drives a running Tallyglass window from outside, as an operator would,
// for the end-to-end tests and the demo. A Windows console program: it runs under
// Wine beside Tallyglass.exe, in the same Wine server.
//
// Every command works on the top-level window titled "Tallyglass"; with --pid N (or
// the environment variable TG_PID) only on windows of that process, so that tests
// running side by side in one Wine server never touch each other's window.
// Everything printed is UTF-8, one item a line (LF), so scripts compare Greek texts
// as they are written in the scripts. A command that fails says why on stderr.
//
// Exit codes: 0 done, 1 not found or not reached in time, 2 usage, 3 not responding.
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "commands.h"
#include "window_find.h"

namespace {

struct Command {
  const char* name;
  const char* arguments;  // as the usage shows them; those not in [brackets] must be given
  bool onWindow;          // works on the program's window, found before the handler runs
  int (*handler)(HWND main, const Args& args);
  const char* help;
};

// In the order of the usage text.
constexpr Command kCommands[] = {
    {"start", "PIDFILE EXE [ARGS]", false, CmdStart, "run EXE, write its process id, exit with its result"},
    {"wait", "[MS]", false, CmdWait, "wait for the window \"Tallyglass\""},
    {"state", "", true, CmdState, "one line a control: id class enabled visible text"},
    {"rows", "", true, CmdRows, "the message list's rows, one a line"},
    {"items", "ID", true, CmdItems, "a combo box's entries"},
    {"click", "ID", true, CmdClick, "press a button (posts WM_COMMAND)"},
    {"select", "ID INDEX", true, CmdSelect, "select a combo box entry (-1: none)"},
    {"close", "", true, CmdClose, "the close box (WM_CLOSE)"},
    {"syscommand", "ID", true, CmdSysCommand, "choose a system menu command (posts WM_SYSCOMMAND)"},
    {"type", "ID TEXT", true, CmdType, "type TEXT into a control (a combo box: its edit field)"},
    {"key", "ID VK", true, CmdKey, "press a key on a control (VK: 13 Enter, 27 Escape, 9 Tab)"},
    {"rect", "", true, CmdRect, "the window's X Y WIDTH HEIGHT on the screen"},
    {"caption", "", true, CmdCaption, "the window's caption (with the progress of an operation)"},
    {"ping-for", "SECONDS MS", true, CmdPingFor, "the window answers a message within MS throughout"},
    {"focus", "", true, CmdFocus, "the id of the control with the keyboard focus, or none"},
    {"msgbox", "[MS]", true, CmdMsgBox, "print a message box's caption and text, press OK"},
    {"peek-msgbox", "[MS]", true, CmdPeekMsgBox, "the same, leaving the box open"},
    {"wait-row", "TEXT [MS]", true, CmdWaitRow, "until a row reads TEXT"},
    {"wait-rows", "N [MS]", true, CmdWaitRows, "until the list has at least N rows"},
    {"wait-state", "LINE [MS]", true, CmdWaitState, "until a control's state line reads LINE"},
    {"wait-exit", "[MS]", false, CmdWaitExit, "until the program has ended"},
    {"kill", "", false, CmdKill, "end the program (needs --pid)"},
    {"window", "CLASS TITLE [MS]", false, CmdWindow, "until a window of any process shows; print its process id"},
    {"close-window", "CLASS TITLE [MS]", false, CmdCloseWindow,
     "the same, then close it and wait for its process's end"},
};

int Usage() {
  std::fputs("usage: tgdrive [--pid N] COMMAND [ARGS]\n", stderr);
  for (const Command& c : kCommands) {
    char synopsis[64];
    std::snprintf(synopsis, sizeof synopsis, "%s%s%s", c.name, *c.arguments ? " " : "", c.arguments);
    std::fprintf(stderr, "  %-24s  %s\n", synopsis, c.help);
  }
  std::fputs("The process id also comes from the environment variable TG_PID.\n", stderr);
  return kUsage;
}

// How many arguments a command cannot do without: the words of its synopsis that
// are not in brackets.
size_t Required(const Command& c) {
  size_t n = 0;
  bool inWord = false, optional = false;
  for (const char* p = c.arguments; *p; ++p) {
    if (*p == '[') optional = true;
    if (*p == ']') optional = false;
    if (*p != ' ' && !inWord && !optional) ++n;
    inWord = *p != ' ';
  }
  return n;
}

int Dispatch(const std::string& name, const Args& args) {
  for (const Command& c : kCommands) {
    if (name != c.name) continue;
    if (args.utf8.size() < Required(c)) {
      Failed(kUsage, "%s needs %s", c.name, c.arguments);
      return Usage();
    }
    HWND main = nullptr;
    if (c.onWindow && !(main = WaitMain(kDefaultWaitMs))) return kNotFound;
    return c.handler(main, args);
  }
  Failed(kUsage, "no command '%s'", name.c_str());
  return Usage();
}

// The arguments as given on the wide command line, so that Greek survives whatever
// the system's code page is.
std::vector<std::wstring> WideArgs() {
  int n = 0;
  LPWSTR* w = CommandLineToArgvW(GetCommandLineW(), &n);
  std::vector<std::wstring> args(w, w + n);
  LocalFree(w);
  return args;
}

}  // namespace

int main() {
  _setmode(_fileno(stdout), _O_BINARY);  // LF only, bytes as written
  std::vector<std::wstring> wide = WideArgs();
  size_t first = 1;
  if (const char* env = std::getenv("TG_PID")) TargetPid = (DWORD)std::atol(env);
  if (wide.size() > 2 && wide[1] == L"--pid") {
    TargetPid = (DWORD)std::wcstol(wide[2].c_str(), nullptr, 10);
    first = 3;
  }
  if (wide.size() <= first) {
    Failed(kUsage, "no command given");
    return Usage();
  }
  Args args;
  args.wide.assign(wide.begin() + (long)first + 1, wide.end());
  for (const auto& w : args.wide) args.utf8.push_back(ToUtf8(w));
  return Dispatch(ToUtf8(wide[first]), args);
}
