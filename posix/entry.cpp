// The console program: `tallyglass dump|log --port DEVICE [--speed N]` runs one job
// of the Windows program against the device and ends with an exit status that says
// how it ended; `tallyglass ports` lists the serial devices present.
//
// The command line, the texts and the job are the two twins' own (console/); here
// the device is bound to the one port slot the console uses, and the stop signals
// are installed. Rows go to stdout; what the Windows program says in a message box,
// and how the job ended, go to stderr.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "console/arguments.h"
#include "console/console_job.h"
#include "console/console_text.h"
#include "console/console_verify.h"
#include "posix/console_shell.h"
#include "posix/port_device.h"
#include "posix/port_list.h"
#include "posix/stop_signal.h"

namespace {

constexpr int kConsolePort = 1;  // the one slot the console uses
constexpr int kShownDeviceChars = 256;

char Help[kHelpChars];

// The device as the rows name it: the rows are the program's 1253 text, and a path
// is bytes of the file system's own encoding, so only its ASCII is shown as it is.
void ShownDevice(const char* device, char* shown) {
  int i = 0;
  for (; device[i] != '\0' && i < kShownDeviceChars - 1; ++i) {
    const auto byte = static_cast<unsigned char>(device[i]);
    shown[i] = byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '?';
  }
  shown[i] = '\0';
}

const char* SignalName(int signal) {
  switch (signal) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    default: return "a signal";
  }
}

void SayNotOpened(const char*) { ConsoleNote("%s", LastPortError()); }

int RunJob(const Command& command) {
  if (!InstallStopSignals()) {
    ConsoleNote("cannot set up the stop signals: %s", std::strerror(errno));
    return kExitOther;
  }
  char shown[kShownDeviceChars];
  ShownDevice(command.port, shown);
  BindPortDevice(kConsolePort, command.port);
  return RunConsoleJob(command, kConsolePort, shown, SayNotOpened);
}

}  // namespace

int StoppedStatus(const char*& cause) {
  const int signal = StopSignal() != 0 ? StopSignal() : SIGINT;
  cause = SignalName(signal);
  return kExitSignalBase + signal;
}

int main(int argc, char** argv) {
  Command command;
  ReadCommandLine(argc, argv, command);
  switch (command.kind) {
    case CommandKind::kUsageError:
      FormatUsageError(Help, command.error);
      std::fputs(Help, stderr);
      return kExitUsage;
    case CommandKind::kHelp:
      FormatHelp(Help);
      std::fputs(Help, stdout);
      return kExitDone;
    case CommandKind::kPorts:
      if (ListSerialDevices(stdout) == 0) std::fprintf(stderr, "tallyglass: no serial devices found\n");
      return kExitDone;
    case CommandKind::kVerify: return RunConsoleVerify(command);
    case CommandKind::kDump:
    case CommandKind::kLog: break;
  }
  return RunJob(command);
}
