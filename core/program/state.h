// Program-wide state, written and read only on the program's one thread.
#pragma once
#include <csignal>
#include <cstdint>

extern int SelectedPort;            // the port number every operation uses
extern uint8_t PortIsOpen;          // 1 while Connect has SelectedPort open
extern uint8_t QuitFlag;            // 1 ends the main loop
extern int BusyFlag;                // non-zero: close and connect requests are refused

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
extern volatile std::sig_atomic_t StopRequested;

// Asks a running LOG to stop, for `cause`. Nothing happens while LOG does not run:
// a dump goes on until its own time limits end it, as it always has.
void StopRunningLog(int cause);
