// The message list and the message pump of the host tests: rows are recorded,
// and the pump runs a hook in place of a window message.
#include "tests/stubs/shell_stub.h"

#include <cstdarg>
#include <cstdio>

#include "core/seams/shell.h"

namespace {
std::vector<std::string> rows;
int clear_count = 0;
int pump_count = 0;
int hold_depth = 0;
int release_count = 0;
std::function<void()> pump_hook;
bool in_hook = false;
char message_buffer[4100];
}  // namespace

void PumpMessage() {
  ++pump_count;
  if (pump_hook && !in_hook) {
    in_hook = true;
    pump_hook();
    in_hook = false;
  }
}

int ListPrintf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(message_buffer, sizeof message_buffer, format, args);
  va_end(args);
  if (n < 0) n = 0;
  if (n > static_cast<int>(sizeof message_buffer) - 1) n = sizeof message_buffer - 1;
  // One row per line, as the list shows them.
  std::string text(message_buffer, static_cast<size_t>(n));
  size_t start = 0;
  for (;;) {
    const size_t lf = text.find('\n', start);
    rows.push_back(text.substr(start, lf == std::string::npos ? std::string::npos : lf - start));
    if (lf == std::string::npos || lf + 1 == text.size()) break;
    start = lf + 1;
  }
  return n;
}

void ClearMessageList() {
  rows.clear();
  ++clear_count;
}

void HoldListRedraw() { ++hold_depth; }

void ReleaseListRedraw() {
  if (hold_depth > 0 && --hold_depth == 0) ++release_count;
}

namespace shellstub {
const std::vector<std::string>& Rows() { return rows; }
int ClearCount() { return clear_count; }
int PumpCount() { return pump_count; }
int HoldDepth() { return hold_depth; }
int ReleaseCount() { return release_count; }
void SetPumpHook(std::function<void()> hook) { pump_hook = std::move(hook); }
void Reset() {
  rows.clear();
  clear_count = pump_count = hold_depth = release_count = 0;
  pump_hook = nullptr;
}
}  // namespace shellstub
