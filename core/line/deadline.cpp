#include "core/line/deadline.h"

#include "core/seams/clock.h"
#include "core/seams/serial_port.h"

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

bool WaitForInput(int port, uint32_t ms) {
  const uint32_t start = TickCount();
  for (;;) {
    if (BytesWaiting(port) != 0) return true;
    if (TickCount() - start > ms) return false;
  }
}
