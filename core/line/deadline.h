// Millisecond deadlines on the tick counter: the one time rule of every wait. All
// arithmetic is unsigned 32-bit, so a wrap of the tick counter between arming and
// testing is harmless. Looking at a deadline never changes it.
#pragma once
#include <cstdint>

struct Deadline {
  uint32_t start;     // tick count when armed
  uint32_t duration;  // ms
};

// Arms `deadline` from now; arming a running one again restarts it.
void StartDeadline(Deadline& deadline, uint32_t ms);
// Up as soon as the elapsed time reaches the duration.
bool DeadlineExpired(const Deadline& deadline);
// What is left of the duration; 0 once it is up.
uint32_t DeadlineRemainingMs(const Deadline& deadline);
