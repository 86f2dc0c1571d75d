// Controls of the host tests' virtual clock behind core/seams/clock.h.
//
// TickCount() advances the clock by the tick step (1 ms unless a test sets it) at
// every read; PauseMs() records the pause and advances the clock by it, or only up
// to the next window message (shell_stub.h) that arrives meanwhile, as the real
// pause ends for one.
#pragma once
#include <cstdint>
#include <vector>

namespace simline {

uint32_t Now();
void SetNow(uint32_t ms);
void SetTickStep(uint32_t ms);
const std::vector<uint32_t>& Pauses();
// Clock at 0 with step 1, no pauses recorded.
void ResetClock();

}  // namespace simline
