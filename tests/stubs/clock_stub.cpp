// The virtual clock behind TickCount() and PauseMs() in the host tests.
#include "tests/stubs/clock_stub.h"

#include "core/seams/clock.h"
#include "tests/stubs/shell_stub.h"

namespace {
uint32_t now_ms = 0;
uint32_t step_ms = 1;
std::vector<uint32_t> pauses;
}  // namespace

uint32_t TickCount() {
  now_ms += step_ms;
  return now_ms;
}

// As the real pause, a window message that arrives meanwhile ends it early.
void PauseMs(uint32_t ms) {
  pauses.push_back(ms);
  const uint64_t end = uint64_t{now_ms} + ms;
  const uint32_t message = shellstub::NextMessageAt();
  if (message <= now_ms) return;  // one is waiting already
  now_ms = message < end ? message : static_cast<uint32_t>(end);
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
