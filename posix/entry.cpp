// The console program: `tallyglass dump|log --port DEVICE [--speed N]` runs one job
// of the Windows program against the device and ends with an exit status that says
// how it ended; `tallyglass ports` lists the serial devices present.
//
// The job runs as it does under the dialog's buttons: the device bound to one port
// slot, Connect's row, the operation, Disconnect's row. Rows go to stdout; what the
// Windows program says in a message box, and how the job ended, go to stderr.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/archive/run_archive.h"
#include "core/dump/fiscal_dump.h"
#include "core/program/connection.h"
#include "core/program/state.h"
#include "core/report/record_log.h"
#include "core/seams/shell.h"
#include "posix/arguments.h"
#include "posix/console_shell.h"
#include "posix/port_device.h"
#include "posix/port_list.h"
#include "posix/stop_signal.h"

namespace {

constexpr int kExitDone = 0;
constexpr int kExitOther = 1;
constexpr int kExitUsage = 2;
constexpr int kExitPortNotOpened = 3;
constexpr int kExitNoAnswer = 4;
constexpr int kExitBroken = 5;
constexpr int kExitRegisterGone = 6;
constexpr int kExitFileNotOpened = 7;
constexpr int kExitSignalBase = 128;

constexpr int kConsolePort = 1;  // the one slot the console uses
constexpr int kShownDeviceChars = 256;

constexpr char kUsage[] =
    "usage: tallyglass dump --port DEVICE [--speed N]\n"
    "       tallyglass log --port DEVICE [--speed N]\n"
    "       tallyglass ports\n"
    "       tallyglass --help\n";

constexpr char kHelp[] =
    "\n"
    "Tallyglass on a console: the two jobs of the Windows program, over a serial line to\n"
    "a Greek electronic cash register (ΗΤΜ), with the same output files.\n"
    "\n"
    "  dump    Read Fiscal Memory. With the register in its mode for sending the fiscal\n"
    "          memory to a PC ('ΑΠΟΣΤΟΛΗ ΦΜ Η/Υ'), its dump goes line by line into\n"
    "          FMout1.txt (as received, code page 1253) and FMout2.txt (the Greek\n"
    "          capitals in code page 737).\n"
    "  log     LOG. With the register in its command mode, its record tables are read\n"
    "          and the report is written to log.txt.\n"
    "  ports   Lists the serial devices present: /dev/ttyS* with a UART behind them,\n"
    "          /dev/ttyUSB*, /dev/ttyACM*, each with its /dev/serial/by-id names.\n"
    "\n"
    "Options:\n"
    "  -p, --port DEVICE  the serial device, e.g. /dev/ttyUSB0 or a /dev/serial/by-id name\n"
    "  -s, --speed N      9600, 19200, 38400, 57600 or 115200 bit/s (default 115200);\n"
    "                     always 8 data bits, no parity, 1 stop bit, no flow control\n"
    "  --archive DIR      keep each run's files in a folder of its own under DIR\n"
    "                     (default: Tallyglass-archive in the working directory)\n"
    "  --no-archive       keep no archive\n"
    "  -h, --help         this text\n"
    "\n"
    "The files go to the working directory: FMout1.txt and FMout2.txt, or log.txt and\n"
    "log.csv (the report for a spreadsheet). Each run also keeps its files, the bytes\n"
    "received (FMraw.bin), a manifest.txt and their SHA256SUMS in its own folder of the\n"
    "archive, named by its start (2026-12-09_170503_dump); the folder is named on\n"
    "stderr at the end. 'sha256sum -c SHA256SUMS' in it checks the files. Every row that the Windows program shows in\n"
    "its list goes to stdout, in UTF-8; while a job runs, a status line goes to stderr\n"
    "when that is a terminal. The device is held exclusively (flock and TIOCEXCL).\n"
    "Opening it needs membership of its group (usually 'dialout').\n"
    "\n"
    "Ctrl+C, SIGTERM or SIGHUP stops a job as Disconnect does: the files are closed\n"
    "holding what was received, a row says it stopped. A second Ctrl+C ends the program\n"
    "at once.\n"
    "\n"
    "Exit status:\n"
    "  0    done\n"
    "  1    the program could not set itself up (signal handlers)\n"
    "  2    usage error\n"
    "  3    the port cannot be opened (missing, no permission, in use, not a serial device)\n"
    "  4    no answer from the register: dump, no ACK to its ENQ; log, no reply at all\n"
    "  5    dump: the transfer broke off, the register fell silent\n"
    "  6    log: the register stopped answering\n"
    "  7    an output file cannot be created in the working directory\n"
    "  128+N  stopped by signal N: 130 Ctrl+C (SIGINT), 143 SIGTERM, 129 SIGHUP\n";

void PrintUsageError(const char* error) {
  std::fprintf(stderr, "tallyglass: %s\n%s(tallyglass --help tells more)\n", error, kUsage);
}

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

// How the job ended, as its exit status, with a line on stderr for every end but success.
int JobStatus(CommandKind job) {
  const bool dump = job == CommandKind::kDump;
  switch (LastOperationResult) {
    case OperationResult::kCompleted: return kExitDone;
    case OperationResult::kFileNotOpened:
      ConsoleNote("cannot create %s in the working directory", dump ? "FMout1.txt and FMout2.txt" : "log.txt");
      return kExitFileNotOpened;
    case OperationResult::kNoAnswer:
      ConsoleNote("%s", dump ? "no answer from the register: is it in its mode for sending the fiscal memory to a PC?"
                             : "no answer from the register: is it in its command mode?");
      return kExitNoAnswer;
    case OperationResult::kBroken:
      ConsoleNote("the transfer broke off: the register fell silent (the files hold the complete lines received)");
      return kExitBroken;
    case OperationResult::kWriteFailed:
      ConsoleNote("a file could not be written (the rows above say which; the files hold what was written)");
      return kExitBroken;
    case OperationResult::kRegisterGone:
      ConsoleNote("the register stopped answering (log.txt holds the lines so far)");
      return kExitRegisterGone;
    case OperationResult::kStopped: {
      const int signal = StopSignal() != 0 ? StopSignal() : SIGINT;
      ConsoleNote("stopped by %s (the files hold what was received)", SignalName(signal));
      return kExitSignalBase + signal;
    }
    case OperationResult::kNone: break;
  }
  return kExitOther;
}

void SayNotOpened(const char*) { ConsoleNote("%s", LastPortError()); }

int RunJob(const Command& options) {
  if (!InstallStopSignals()) {
    ConsoleNote("cannot set up the stop signals: %s", std::strerror(errno));
    return kExitOther;
  }
  char shown[kShownDeviceChars];
  ShownDevice(options.port, shown);
  BindPortDevice(kConsolePort, options.port);
  if (!Connect(kConsolePort, options.speed, shown, SayNotOpened)) {
    EndConsoleOutput();
    return kExitPortNotOpened;
  }
  if (options.archive != nullptr) std::snprintf(ArchiveRoot, sizeof ArchiveRoot, "%s", options.archive);
  if (options.kind == CommandKind::kDump) {
    ReadFiscalMemory();
  } else {
    BuildRecordLog();
  }
  if (RunArchiveFolder()[0] != '\0') ConsoleNote("this run's files are kept in %s", RunArchiveFolder());
  Disconnect(shown);
  const int status = JobStatus(options.kind);
  EndConsoleOutput();
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  Command command;
  ReadCommandLine(argc, argv, command);
  switch (command.kind) {
    case CommandKind::kUsageError: PrintUsageError(command.error); return kExitUsage;
    case CommandKind::kHelp: std::printf("%s%s", kUsage, kHelp); return kExitDone;
    case CommandKind::kPorts:
      if (ListSerialDevices(stdout) == 0) std::fprintf(stderr, "tallyglass: no serial devices found\n");
      return kExitDone;
    case CommandKind::kDump:
    case CommandKind::kLog: break;
  }
  return RunJob(command);
}
