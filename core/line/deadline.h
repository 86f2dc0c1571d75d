// Millisecond deadlines and input waits on the tick counter. All arithmetic is
// unsigned 32-bit, so a wrap of the tick counter between arming and testing is harmless.
#pragma once
#include <cstdint>

struct Deadline {
  uint32_t start;     // tick count when armed
  uint32_t duration;  // ms; start 0 with duration 0 is the cleared state
};

void StartDeadline(Deadline& deadline, uint32_t ms);
// Up as soon as the elapsed time reaches the duration; an expired deadline is
// cleared and then tests as expired until it is armed again.
bool DeadlineExpired(Deadline& deadline);
// Polls the port's input queue until a byte waits (true) or more than ms have passed
// (false). Looks at the queue before the clock, so a limit of 0 still looks once.
// Reads nothing.
bool WaitForInput(int port, uint32_t ms);
