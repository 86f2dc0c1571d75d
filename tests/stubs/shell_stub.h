// Controls of the host stand-in for the message list and the message pump.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace shellstub {

// Rows as the message list would hold them, each row's text being its column 0: what
// the operator sees.
const std::vector<std::string>& Rows();
// Every text given to ListPrintf, whole and in order, as formatted: one message can
// make several rows, and a row does not show a message's later cells.
const std::vector<std::string>& Messages();
int ClearCount();
int PumpCount();
// Nesting depth of HoldListRedraw at this moment, and how many batches were released.
int HoldDepth();
int ReleaseCount();
// Called from PumpMessage, as a window message would run a command there.
void SetPumpHook(std::function<void()> hook);
bool HasPumpHook();
// A window message that arrives at virtual time `at` (ms): PumpMessage dispatches the
// earliest one due, one per call, and the waits (AwaitInput, PauseMs) end when one
// arrives, as the real ones do. NextMessageAt: the earliest one's time, UINT32_MAX
// when none is posted.
void PostMessageAt(uint32_t at, std::function<void()> message);
uint32_t NextMessageAt();

// What ShowProgress was given, in order, with the virtual time; ClearProgress adds
// an entry with the text "(cleared)".
struct Progress {
  std::string text;
  int64_t done;
  int64_t total;
  uint32_t at;
};
const std::vector<Progress>& Progresses();
// The virtual times of the released batches of held rows.
const std::vector<uint32_t>& ReleaseTimes();
void Reset();

}  // namespace shellstub
