// Program-wide state, written and read only on the program's one thread.
#pragma once
#include <csignal>
#include <cstdint>

extern int SelectedPort;  // the port number every operation uses

// Which operation runs. Both pump window messages while they wait, so the dialog can
// be entered again under them; Read Fiscal Memory and LOG pressed meanwhile are
// ignored instead of starting a second operation inside the running one.
constexpr uint8_t kNoOperation = 0;
constexpr uint8_t kReadingFiscalMemory = 1;
constexpr uint8_t kBuildingRecordLog = 2;
extern uint8_t OperationRunning;

// Why the running operation has been asked to stop, 0 while nothing asks. Every wait
// of the line ends at once while it is set. sig_atomic_t: a console front end sets
// it from a signal handler.
constexpr int kStopPortClosed = 1;    // Disconnect
constexpr int kStopClosing = 2;       // Exit or the close box
constexpr int kStopInterrupted = 3;   // Ctrl+C or SIGTERM on a console
constexpr int kStopWriteFailed = 4;   // an output file could not be written (a full disk)
constexpr int kStopLineLost = 5;     // the port's device went away
extern volatile std::sig_atomic_t StopRequested;

// Asks a running LOG to stop, for `cause`. Nothing happens while LOG does not run:
// a dump goes on until its own time limits end it, as it always has. (A dump ends
// at once only for a StopRequested set otherwise: the console's signal handler.)
void StopRunningLog(int cause);

// How the last operation that ran ended, for a front end that reports it beyond the
// rows (the console's exit status); the Windows program does not look at it. Set by
// Read Fiscal Memory and LOG on every way out; kNone until one has run, and left as
// it was by a press that is refused while another operation runs.
enum class OperationResult : uint8_t {
  kNone,
  kCompleted,      // the dump up to its ETX; LOG through its last record
  kFileNotOpened,  // an output file could not be created: the register was not addressed
  kNoAnswer,       // dump: no ACK to the ENQ; LOG: no exchange got any answer at all
  kBroken,         // dump: the line fell silent during the transfer
  kRegisterGone,   // LOG: ended as "the register does not answer"
  kStopped,        // a stop was asked for (StopRequested) and ended it
  kWriteFailed,    // an output file could not be written (a full disk): ended there
  kLineLost,       // the line was lost: the dump ended, or LOG waited longer than it may
};
extern OperationResult LastOperationResult;
