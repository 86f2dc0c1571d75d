// Millisecond deadlines and input waits on the tick counter. All arithmetic is
// unsigned 32-bit, so a wrap of the tick counter between arming and testing is harmless.
//
// Every wait gives the processor away between its looks (AwaitInput, PauseMs) and
// keeps the window alive meanwhile (one window message pumped per look), and every
// wait ends at once once the running operation has been asked to stop.
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
// What is left of the duration; 0 once it is up. The record is not changed.
uint32_t DeadlineRemainingMs(const Deadline& deadline);
// Waits until a byte waits in the port's input queue (true) or more than ms have
// passed (false), or a stop is asked for (false). Looks at the queue before the
// clock, so a limit of 0 still looks once. Reads nothing.
bool WaitForInput(int port, uint32_t ms);
// Rests ms, keeping the window alive; ends early when a stop is asked for.
void RestMs(uint32_t ms);
