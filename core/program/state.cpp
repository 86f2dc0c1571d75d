#include "core/program/state.h"

int SelectedPort = 1;
uint8_t OperationRunning = kNoOperation;
volatile std::sig_atomic_t StopRequested = 0;
OperationResult LastOperationResult = OperationResult::kNone;

void StopRunningLog(int cause) {
  if (OperationRunning == kBuildingRecordLog) StopRequested = cause;
}
