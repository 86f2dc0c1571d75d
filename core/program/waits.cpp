#include "core/program/waits.h"

#include "core/line/deadline.h"
#include "core/program/progress.h"
#include "core/program/state.h"
#include "core/seams/clock.h"
#include "core/seams/serial_port.h"
#include "core/seams/shell.h"

bool WaitForInput(int port, uint32_t ms) {
  Deadline limit;
  StartDeadline(limit, ms);
  for (;;) {
    if (BytesWaiting(port) != 0) return true;
    if (PortLost(port)) return false;  // nothing more can come: no wait on a dead line
    const uint32_t left = DeadlineRemainingMs(limit);
    if (left == 0) return false;
    RefreshProgress();
    if (StopRequested != 0) return false;
    // A message the wait ended for is pumped at once (a Disconnect or Exit then stops
    // the wait at the next look), before a byte that came meanwhile could end the
    // wait without it.
    if (AwaitInput(port, left)) PumpMessage();
  }
}

void RestMs(uint32_t ms) {
  Deadline rest;
  StartDeadline(rest, ms);
  uint32_t left = ms;
  do {
    KeepWindowAlive();
    if (StopRequested != 0) return;
    PauseMs(left);  // may end early for a window message: then rest on
    left = DeadlineRemainingMs(rest);
  } while (left > 0);
}

void KeepWindowAlive() {
  PumpMessage();
  RefreshProgress();
}
