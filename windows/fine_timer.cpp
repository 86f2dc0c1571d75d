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
bool Raised = false;

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
  if (BeginPeriod != nullptr && !Raised) Raised = BeginPeriod(kPeriodMs) == kTimerNoError;
}

void EndFineTimer() {
  if (!Raised) return;
  EndPeriod(kPeriodMs);
  Raised = false;
}
