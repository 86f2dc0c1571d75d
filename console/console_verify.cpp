#include "console/console_verify.h"

#include "console/console_output.h"
#include "console/console_text.h"
#include "core/archive/verify_capture.h"

int RunConsoleVerify(const Command& command) {
  CaptureVerdict heaviest = CaptureVerdict::kAgree;
  for (int i = 0; i < command.folderCount; ++i) {
    const CaptureVerdict verdict = VerifyCapture(command.folders[i]);
    if (verdict > heaviest) heaviest = verdict;
  }
  EndConsoleOutput();
  switch (heaviest) {
    case CaptureVerdict::kAgree: return kExitDone;
    case CaptureVerdict::kNotRunFolder: return kExitUsage;
    case CaptureVerdict::kNotEnded: return kExitCaptureNotEnded;
    case CaptureVerdict::kChanged: return kExitCaptureChanged;
  }
  return kExitOther;
}
