#include "windows/console/ctrl_handler.h"

#include <windows.h>

#include "console/console_output.h"
#include "console/console_text.h"
#include "core/program/state.h"

namespace {

constexpr LONG kNoEvent = -1;
// The system ends the process some 5 s after a close, logoff or shutdown event
// whatever the handler does; the job's end is awaited a little less than that.
constexpr DWORD kCloseWaitMs = 4500;

volatile LONG StopEvent = kNoEvent;  // the CTRL_* event that asked for the stop
DWORD MainThread = 0;
HANDLE JobEnded = nullptr;

// A second Ctrl+C or Ctrl+Break while the first stop is being carried out ends the
// program at once: the way out of a stop that hangs (a driver that never drains).
BOOL WINAPI OnConsoleControl(DWORD event) {
  if (InterlockedCompareExchange(&StopEvent, static_cast<LONG>(event), kNoEvent) != kNoEvent) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
      const char* cause = "";
      TerminateProcess(GetCurrentProcess(), static_cast<UINT>(StoppedStatus(cause)));
    }
  } else {
    StopRequested = kStopInterrupted;
    PostThreadMessageW(MainThread, WM_NULL, 0, 0);
  }
  // After a close, logoff or shutdown event returns, the system ends the process:
  // the files are first closed holding what was received.
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) WaitForSingleObject(JobEnded, kCloseWaitMs);
  return TRUE;
}

}  // namespace

bool InstallConsoleStop() {
  MSG message;
  PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);  // the thread's message queue, for the handler's post
  MainThread = GetCurrentThreadId();
  JobEnded = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  return JobEnded != nullptr && SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

void DeliverConsoleStop() {
  if (StopEvent != kNoEvent && StopRequested == 0) StopRequested = kStopInterrupted;
}

void ConsoleJobEnded() {
  if (JobEnded != nullptr) SetEvent(JobEnded);
}

int StoppedStatus(const char*& cause) {
  switch (StopEvent) {
    case CTRL_BREAK_EVENT: cause = "Ctrl+Break"; return kExitSignalBase + 3;
    case CTRL_CLOSE_EVENT: cause = "the console window closing"; return kExitSignalBase + 1;
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT: cause = "logoff or shutdown"; return kExitSignalBase + 15;
    default: cause = "Ctrl+C"; return kExitSignalBase + 2;
  }
}
