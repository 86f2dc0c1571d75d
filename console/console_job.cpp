#include "console/console_job.h"

#include <cstdio>

#include "console/console_output.h"
#include "console/console_text.h"
#include "core/archive/run_archive.h"
#include "core/dump/fiscal_dump.h"
#include "core/program/connection.h"
#include "core/program/state.h"
#include "core/report/record_log.h"

namespace {

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
      return kExitWriteFailed;
    case OperationResult::kRegisterGone:
      ConsoleNote("the register stopped answering (log.txt holds the lines so far)");
      return kExitRegisterGone;
    case OperationResult::kLineLost:
      ConsoleNote("%s", dump ? "the line was lost: the port's device went away (the files hold the complete lines"
                               " received; start the sending again on the register)"
                             : "the line was lost: the port's device went away and did not come back in time"
                               " (log.txt holds the lines so far)");
      return kExitLineLost;
    case OperationResult::kStopped: {
      const char* cause = "";
      const int status = StoppedStatus(cause);
      ConsoleNote("stopped by %s (the files hold what was received)", cause);
      return status;
    }
    case OperationResult::kNone: break;
  }
  return kExitOther;
}

// Kept only where the folder holds every file and its checksums; the files of a job
// whose write failed are kept as far as they could be written.
void NoteArchive() {
  const char* folder = RunArchiveFolder();
  const char* missing = RunArchiveMissing();
  if (missing != nullptr) {
    ConsoleNote("this run's files are not all kept in %s: %s", folder, missing);
  } else if (LastOperationResult == OperationResult::kWriteFailed) {
    ConsoleNote("this run's files are kept in %s, as far as they could be written", folder);
  } else {
    ConsoleNote("this run's files are kept in %s", folder);
  }
}

}  // namespace

int RunConsoleJob(const Command& command, int port, const char* shown, void (*sayNotOpened)(const char*)) {
  // A dump cannot go on after a loss (the register's stream is gone meanwhile), so
  // only LOG waits for a lost port; the console's Disconnect is Ctrl+C.
  PortWaitLimitMs = command.kind == CommandKind::kLog ? command.waitPortSeconds * 1000 : 0;
  PortWaitStopWord = "Ctrl+C";
  if (!Connect(port, command.speed, shown, sayNotOpened)) {
    EndConsoleOutput();
    return kExitPortNotOpened;
  }
  if (command.archive != nullptr) std::snprintf(ArchiveRoot, sizeof ArchiveRoot, "%s", command.archive);
  if (command.kind == CommandKind::kDump) {
    ReadFiscalMemory();
  } else {
    BuildRecordLog();
  }
  if (RunArchiveFolder()[0] != '\0') NoteArchive();
  if (PortWaiting != 0) StopWaitingForPort();
  else if (PortIsOpen != 0) Disconnect(shown);
  const int status = JobStatus(command.kind);
  EndConsoleOutput();
  return status;
}
