#include "core/line/deadline.h"

#include "core/program/progress.h"
#include "core/program/state.h"
#include "core/seams/clock.h"
#include "core/seams/serial_port.h"
#include "core/seams/shell.h"

void StartDeadline(Deadline& deadline, uint32_t ms) {
  deadline.start = TickCount();
  deadline.duration = ms;
}

bool DeadlineExpired(Deadline& deadline) {
  const uint32_t elapsed = TickCount() - deadline.start;
  if (elapsed < deadline.duration) return false;
  deadline.start = 0;
  deadline.duration = 0;
  return true;
}

uint32_t DeadlineRemainingMs(const Deadline& deadline) {
  const uint32_t elapsed = TickCount() - deadline.start;
  return elapsed < deadline.duration ? deadline.duration - elapsed : 0;
}

bool WaitForInput(int port, uint32_t ms) {
  const uint32_t start = TickCount();
  for (;;) {
    if (BytesWaiting(port) != 0) return true;
    const uint32_t elapsed = TickCount() - start;
    if (elapsed > ms) return false;
    RefreshProgress();
    if (StopRequested != 0) return false;
    // At least a millisecond: the limit is passed only strictly, and a tick counter
    // that has not moved yet must not make this a spin. A message the wait ended for
    // is pumped at once (a Disconnect or Exit then stops the wait at the next look),
    // before a byte that came meanwhile could end the wait without it.
    const uint32_t left = ms - elapsed;
    if (AwaitInput(port, left > 0 ? left : 1)) PumpMessage();
  }
}

void RestMs(uint32_t ms) {
  const uint32_t start = TickCount();
  uint32_t left = ms;
  for (;;) {
    KeepWindowAlive();
    if (StopRequested != 0) return;
    PauseMs(left);  // may end early for a window message: then rest on
    const uint32_t elapsed = TickCount() - start;
    if (elapsed >= ms) return;
    left = ms - elapsed;
  }
}
