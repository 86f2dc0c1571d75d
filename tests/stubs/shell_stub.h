// Controls of the host stand-in for the message list and the message pump.
#pragma once
#include <functional>
#include <string>
#include <vector>

namespace shellstub {

// Rows as the message list would hold them, each row's text being its column 0: what
// the operator sees.
const std::vector<std::string>& Rows();
int ClearCount();
int PumpCount();
// Nesting depth of HoldListRedraw at this moment, and how many batches were released.
int HoldDepth();
int ReleaseCount();
// Called from PumpMessage, as a window message would run a command there.
void SetPumpHook(std::function<void()> hook);
void Reset();

}  // namespace shellstub
