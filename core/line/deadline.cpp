#include "core/line/deadline.h"

#include "core/seams/clock.h"

void StartDeadline(Deadline& deadline, uint32_t ms) {
  deadline.start = TickCount();
  deadline.duration = ms;
}

bool DeadlineExpired(const Deadline& deadline) { return DeadlineRemainingMs(deadline) == 0; }

uint32_t DeadlineRemainingMs(const Deadline& deadline) {
  const uint32_t elapsed = TickCount() - deadline.start;
  return elapsed < deadline.duration ? deadline.duration - elapsed : 0;
}
