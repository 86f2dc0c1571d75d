#include "core/report/log_progress.h"

#include <cstdio>

#include "core/line/deadline.h"
#include "core/program/connection.h"
#include "core/program/output_file.h"
#include "core/program/progress.h"
#include "core/program/state.h"
#include "core/program/waits.h"
#include "core/protocol/exchange.h"
#include "core/seams/serial_port.h"
#include "core/seams/shell.h"

namespace {

constexpr int kReportedTable = kLogTableCount - 1;
constexpr int kProgressChars = 64;

int64_t Asked = 0;
int Unanswered = 0;
int64_t Answered = 0;
int32_t ToRead[kReportedTable];

// Records still to ask for from index `next` of `table` on; table 3's end is its
// last index, so it holds lastIndex + 1 records.
int64_t StillToAsk(int table, int64_t next, int32_t lastIndex) {
  int64_t left = 0;
  for (int t = table; t < kReportedTable; ++t) left += t == table ? ToRead[t] - next : ToRead[t];
  const int64_t reportedFrom = table == kReportedTable ? next : 0;
  const int64_t reported = int64_t{lastIndex} + 1 - reportedFrom;
  return left + (reported > 0 ? reported : 0);
}

}  // namespace

void StartLogProgress() {
  Asked = 0;
  Unanswered = 0;
  Answered = 0;
  for (int32_t& n : ToRead) n = 0;
}

void PlanRecordTables(const int32_t toRead[kReportedTable]) {
  for (int t = 0; t < kReportedTable; ++t) ToRead[t] = toRead[t] > 0 ? toRead[t] : 0;
}

void NoteExchange(int table, int64_t next, int32_t lastIndex) {
  ++Asked;
  Unanswered = LastExchangeEnd == ExchangeEnd::NoReply ? Unanswered + 1 : 0;
  if (LastExchangeEnd != ExchangeEnd::NoReply) ++Answered;
  char text[kProgressChars];
  const int64_t total = Asked + StillToAsk(table, next, lastIndex);
  std::snprintf(text, sizeof text, "LOG %lld / %lld", static_cast<long long>(Asked),
                static_cast<long long>(total));
  NoteProgress(text, Asked, total);
  RefreshProgress();
  SyncOutputFilesWhenDue();
}

bool LogGoesOn() { return StopRequested == 0 && Unanswered < kUnansweredLimit; }

bool WaitForLostPort() {
  NoteLineLost();
  Deadline limit;
  StartDeadline(limit, PortWaitLimitMs);
  while (PortWaiting != 0 && StopRequested == 0) {
    if (ReconnectWhenBack()) {
      ListPrintf("LOG goes on: the exchange that the loss cut is asked again");
      return true;
    }
    const uint32_t left = DeadlineRemainingMs(limit);
    if (left == 0) break;
    RestMs(left < kPortLookIntervalMs ? left : kPortLookIntervalMs);
  }
  if (StopRequested == 0) StopRequested = kStopLineLost;
  return false;
}

void ShowLogStop() {
  if (StopRequested == kStopLineLost) {
    ListPrintf("LOG stopped: the line was lost");
  } else if (StopRequested == kStopPortClosed) {
    ListPrintf("LOG stopped: the port was closed");
  } else if (StopRequested == kStopInterrupted) {
    ListPrintf("LOG stopped: interrupted");
  } else if (StopRequested == kStopWriteFailed) {
    ListPrintf("LOG stopped: a file could not be written");
  } else if (StopRequested == 0 && Unanswered >= kUnansweredLimit) {
    ListPrintf("LOG stopped: the register does not answer");
  }
}

OperationResult LogResult() {
  if (StopRequested == kStopWriteFailed) return OperationResult::kWriteFailed;
  if (StopRequested == kStopLineLost) return OperationResult::kLineLost;
  if (StopRequested != 0) return OperationResult::kStopped;
  if (Unanswered >= kUnansweredLimit) return OperationResult::kRegisterGone;
  if (Answered == 0) return OperationResult::kNoAnswer;
  return OperationResult::kCompleted;
}
