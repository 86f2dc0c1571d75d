// The waits of a running operation, each bounded by a Deadline. Every wait gives the
// processor away between its looks (AwaitInput, PauseMs), keeps the window alive
// meanwhile (one window message pumped per look, the progress refreshed when due),
// and ends at once once the running operation has been asked to stop.
#pragma once
#include <cstdint>

// Waits until a byte waits in the port's input queue (true), the time is up
// (false), the port is lost (false), or a stop is asked for (false). Looks at the
// queue before the clock, so a limit of 0 still looks once. Reads nothing.
bool WaitForInput(int port, uint32_t ms);
// Rests ms, keeping the window alive; ends early when a stop is asked for.
void RestMs(uint32_t ms);
// One window message pumped, then whatever progress is due to be shown.
void KeepWindowAlive();
