// The virtual clock behind TickCount() and PauseMs() in the host tests.
#include "tests/stubs/clock_stub.h"

#include "core/seams/clock.h"

namespace {
uint32_t now_ms = 0;
uint32_t step_ms = 1;
std::vector<uint32_t> pauses;
}  // namespace

uint32_t TickCount() {
  now_ms += step_ms;
  return now_ms;
}

void PauseMs(uint32_t ms) {
  pauses.push_back(ms);
  now_ms += ms;
}

namespace simline {
uint32_t Now() { return now_ms; }
void SetNow(uint32_t ms) { now_ms = ms; }
void SetTickStep(uint32_t ms) { step_ms = ms; }
const std::vector<uint32_t>& Pauses() { return pauses; }
void ResetClock() {
  now_ms = 0;
  step_ms = 1;
  pauses.clear();
}
}  // namespace simline
