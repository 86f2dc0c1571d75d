// Tallyglass.com, the console twin of Tallyglass.exe: `Tallyglass dump|log --port
// COM5 [--speed N]` runs one job of the window against the port and ends with an
// exit status that says how it ended; `Tallyglass ports` lists the COM ports. A
// console looks for the .com before the .exe, so the name typed runs this twin, and
// a double-click still opens the window.
//
// The command line, the texts and the job are the two twins' own (console/); here
// the port is read as Windows names it and the Ctrl handler installed.
#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstring>

#include "console/arguments.h"
#include "console/console_job.h"
#include "console/console_text.h"
#include "console/console_verify.h"
#include "core/program/port_names.h"
#include "windows/console/console_shell.h"
#include "windows/console/ctrl_handler.h"
#include "windows/console/port_listing.h"
#include "windows/system_library.h"

namespace {

constexpr int kPortTextChars = 16;
constexpr char kDevicePrefix[] = "\\\\.\\";

char Text[kHelpChars];

// The port that `text` names: "COM5", "com5", "5" or "\\.\COM5", 1 to kPortCount;
// else 0.
int PortOfArgument(const char* text) {
  if (std::strncmp(text, kDevicePrefix, sizeof kDevicePrefix - 1) == 0) text += sizeof kDevicePrefix - 1;
  char name[kPortTextChars];
  if (std::isdigit(static_cast<unsigned char>(text[0]))) {
    std::snprintf(name, sizeof name, "COM%s", text);
  } else {
    std::snprintf(name, sizeof name, "%s", text);
    for (int i = 0; i < 3 && name[i] != '\0'; ++i)
      name[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[i])));
  }
  return PortOfName(name, static_cast<int>(std::strlen(name)));
}

// Why the port did not open, from the open's own error.
void SayNotOpened(const char* name) {
  const DWORD error = GetLastError();
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: ConsoleNote("cannot open %s: the system has no such port", name); return;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION: ConsoleNote("cannot open %s: it is in use by another program", name); return;
    default: ConsoleNote("cannot open %s: it is no serial port, or refuses its settings (error %lu)", name, error);
  }
}

void Write(bool toStderr, const char* text) {
  WriteConsoleText(toStderr, text, static_cast<int>(std::strlen(text)), CP_UTF8);
}

int UsageError(const char* error) {
  FormatUsageError(Text, error);
  Write(true, Text);
  std::fflush(stderr);
  return kExitUsage;
}

int RunJob(const Command& command) {
  const int port = PortOfArgument(command.port);
  if (port == 0) {
    char error[kUsageErrorChars];
    std::snprintf(error, sizeof error, "port '%s' is not one of COM1 to COM256", command.port);
    return UsageError(error);
  }
  if (!InstallConsoleStop()) {
    ConsoleNote("cannot set up the Ctrl+C handler (error %lu)", GetLastError());
    return kExitOther;
  }
  char shown[kPortTextChars];
  std::snprintf(shown, sizeof shown, "COM%d", port);
  const int status = RunConsoleJob(command, port, shown, SayNotOpened);
  ConsoleJobEnded();
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  RestrictDllSearch();
  Command command;
  ReadCommandLine(argc, argv, command);
  switch (command.kind) {
    case CommandKind::kUsageError: return UsageError(command.error);
    case CommandKind::kHelp:
      FormatHelp(Text);
      Write(false, Text);
      std::fflush(stdout);
      return kExitDone;
    case CommandKind::kPorts:
      if (ListComPorts() == 0) ConsoleNote("no COM ports found");
      return kExitDone;
    case CommandKind::kVerify: return RunConsoleVerify(command);
    case CommandKind::kDump:
    case CommandKind::kLog: break;
  }
  return RunJob(command);
}
