// The millisecond tick counter and the pause: one link-time seam.
// windows/clock.cpp: GetTickCount and Sleep. tests/stubs/clock_stub.cpp: a virtual
// clock, so that the host tests replay minutes of protocol time in milliseconds.
#pragma once
#include <cstdint>

// Milliseconds since an arbitrary start; wraps modulo 2^32.
uint32_t TickCount();
void PauseMs(uint32_t ms);
