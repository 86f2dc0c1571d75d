// The message list and the message pump of the host tests: rows are recorded as
// the program's own splitter makes them, and the pump runs a hook in place of a
// window message.
#include "tests/stubs/shell_stub.h"

#include <cstdarg>
#include <cstdio>
#include <map>

#include "core/program/message_text.h"
#include "core/program/row_splitter.h"
#include "core/seams/shell.h"
#include "tests/stubs/clock_stub.h"

namespace {
std::vector<std::string> rows;
std::vector<std::string> messages;
int clear_count = 0;
int pump_count = 0;
int hold_depth = 0;
int release_count = 0;
std::function<void()> pump_hook;
bool in_hook = false;
char message_buffer[kMessageBufferChars];
std::multimap<uint32_t, std::function<void()>> posted;  // by arrival time, in post order
std::vector<shellstub::Progress> progresses;
std::vector<uint32_t> release_times;

// The list as the operator sees it: column 0 of every row. The program's list has
// that one column, so a row's later cells are set but never seen.
int InsertRow(void*) {
  rows.emplace_back();
  return static_cast<int>(rows.size()) - 1;
}
void SetCell(void*, int row, int column, const char* cell, int length) {
  if (column == 0) rows[static_cast<size_t>(row)].assign(cell, static_cast<size_t>(length));
}
void FinishRow(void*, int) {}
constexpr RowSink kListSink{nullptr, InsertRow, SetCell, FinishRow};
}  // namespace

void PumpMessage() {
  ++pump_count;
  if (in_hook) return;
  in_hook = true;
  if (pump_hook) pump_hook();
  if (!posted.empty() && posted.begin()->first <= simline::Now()) {
    std::function<void()> message = std::move(posted.begin()->second);
    posted.erase(posted.begin());
    message();
  }
  in_hook = false;
}

int ListPrintf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = FormatMessageText(message_buffer, kMessageBufferChars, format, args);
  va_end(args);
  messages.emplace_back(message_buffer, static_cast<size_t>(n));
  SplitRows(kListSink, message_buffer);
  return n;
}

void ClearMessageList() {
  rows.clear();
  ++clear_count;
}

void HoldListRedraw() { ++hold_depth; }

void ReleaseListRedraw() {
  if (hold_depth > 0 && --hold_depth == 0) {
    ++release_count;
    release_times.push_back(simline::Now());
  }
}

void ShowProgress(const char* text, int64_t done, int64_t total) {
  progresses.push_back({text, done, total, simline::Now()});
}

void ClearProgress() { progresses.push_back({"(cleared)", 0, 0, simline::Now()}); }

namespace shellstub {
const std::vector<std::string>& Rows() { return rows; }
const std::vector<std::string>& Messages() { return messages; }
int ClearCount() { return clear_count; }
int PumpCount() { return pump_count; }
int HoldDepth() { return hold_depth; }
int ReleaseCount() { return release_count; }
void SetPumpHook(std::function<void()> hook) { pump_hook = std::move(hook); }
bool HasPumpHook() { return static_cast<bool>(pump_hook); }
void PostMessageAt(uint32_t at, std::function<void()> message) {
  posted.emplace(at, std::move(message));
}
uint32_t NextMessageAt() { return posted.empty() ? UINT32_MAX : posted.begin()->first; }
const std::vector<Progress>& Progresses() { return progresses; }
const std::vector<uint32_t>& ReleaseTimes() { return release_times; }
void Reset() {
  rows.clear();
  messages.clear();
  clear_count = pump_count = hold_depth = release_count = 0;
  pump_hook = nullptr;
  posted.clear();
  progresses.clear();
  release_times.clear();
}
}  // namespace shellstub
