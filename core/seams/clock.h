// The millisecond tick counter and the pause: one link-time seam.
// windows/clock.cpp: GetTickCount and a wait on the message queue.
// tests/stubs/clock_stub.cpp: a virtual clock, so that the host tests replay
// minutes of protocol time in milliseconds.
#pragma once
#include <cstdint>

// Milliseconds since an arbitrary start; wraps modulo 2^32.
uint32_t TickCount();
// Gives the processor away for `ms`, or less when the window has a message to
// handle first: the caller pumps it and pauses again for what is left.
void PauseMs(uint32_t ms);
