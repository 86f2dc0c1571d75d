// Controls of the host tests' virtual clock behind core/seams/clock.h.
//
// TickCount() advances the clock by the tick step (1 ms unless a test sets it) at
// every read, so a polling loop costs one virtual millisecond per pass; PauseMs()
// advances it by the pause and records the pause.
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
