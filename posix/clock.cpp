#include <poll.h>
#include <time.h>

#include "core/seams/clock.h"
#include "posix/stop_signal.h"

uint32_t TickCount() {
  timespec now = {};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u +
                               static_cast<uint64_t>(now.tv_nsec) / 1000000u);
}

// A stop signal is the console's window message: it ends the pause early.
void PauseMs(uint32_t ms) { WaitForFdOrStop(-1, POLLIN, ms); }
