// WINMM is no KnownDLL, so it is loaded at the first operation from the system folder
// rather than imported by name. Without it the program runs at the default tick.
#include "windows/fine_timer.h"

#include "windows/system_library.h"

namespace {

constexpr UINT kPeriodMs = 1;
constexpr UINT kTimerNoError = 0;  // TIMERR_NOERROR

using TimePeriodFunction = UINT(WINAPI*)(UINT);

TimePeriodFunction BeginPeriod = nullptr;
TimePeriodFunction EndPeriod = nullptr;
bool Loaded = false;
int Raised = 0;  // granted requests not yet ended; each end matches one begin

void LoadTimer() {
  if (Loaded) return;
  Loaded = true;
  const HMODULE winmm = LoadSystemLibrary(L"winmm.dll");
  BeginPeriod = SystemFunction<TimePeriodFunction>(winmm, "timeBeginPeriod");
  EndPeriod = SystemFunction<TimePeriodFunction>(winmm, "timeEndPeriod");
  if (BeginPeriod == nullptr || EndPeriod == nullptr) BeginPeriod = EndPeriod = nullptr;
}

}  // namespace

void BeginFineTimer() {
  LoadTimer();
  if (BeginPeriod != nullptr && BeginPeriod(kPeriodMs) == kTimerNoError) ++Raised;
}

void EndFineTimer() {
  if (Raised == 0) return;
  EndPeriod(kPeriodMs);
  --Raised;
}
