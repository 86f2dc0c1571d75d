// Read Fiscal Memory: ENQ -> ACK, STX -> the dump's lines -> ETX.
//
// The capture runs inside the button's command and pumps window messages while
// it waits, so the window stays alive. Each pass reads a batch of bytes (all that
// are waiting), shows the completed lines now and then in one held redraw of the
// list, and pumps one message: a row added with the list redrawing costs tens of
// milliseconds under Wine, and one pumped message per byte would let a
// 115200-baud line overrun the port's queue. Between passes the capture gives the
// processor away: it waits for the first byte, and while the dump streams it
// rests a few milliseconds so that each pass finds a good batch waiting.
#include "core/dump/fiscal_dump.h"

#include <cstdint>
#include <cstdio>

#include "core/archive/run_archive.h"
#include "core/dump/dump_lines.h"
#include "core/line/control_codes.h"
#include "core/line/deadline.h"
#include "core/program/connection.h"
#include "core/program/line_errors.h"
#include "core/program/output_file.h"
#include "core/program/progress.h"
#include "core/program/state.h"
#include "core/seams/clock.h"
#include "core/seams/serial_port.h"
#include "core/seams/shell.h"

namespace {

constexpr uint32_t kAckWaitMs = 10000;           // ENQ to ACK
constexpr uint32_t kAckAfterOtherByteMs = 1000;  // each other byte restarts the wait
// A line that never stops sending other bytes would restart that wait for ever;
// after this long since the ENQ other bytes no longer restart it.
constexpr uint32_t kOtherBytesLimitMs = 20000;
constexpr uint32_t kFirstDumpByteWaitMs = 10000;  // STX to the first dump byte
constexpr uint32_t kDumpByteGapMs = 2000;         // silence that breaks the transfer

// A batch of bytes is read without pumping a window message in between; the bound
// keeps an endless stream from starving the window.
constexpr uint32_t kBatchBytesMax = 4096;
// The rest between two batches while the dump streams. A line at its pace (a batch
// of less than kFastBatchBytes) rests the longer one: 230 bytes of a 115200-baud
// line, far below the port queue's 16 KB (1.4 s of such a line), and short beside
// every deadline. A faster stream (a register that sends as fast as the cable
// takes) rests the shorter one, so that a queue of a few KB never fills between two
// batches. Every pass costs system calls (under Wine tens of microseconds) and
// hands the files what it wrote, so fewer, fuller passes keep the capture's share
// of the processor small.
constexpr uint32_t kStreamRestMs = 20;
constexpr uint32_t kFastStreamRestMs = 5;
constexpr uint32_t kFastBatchBytes = 1024;
// Completed lines wait this long (or until the row queue is full) before they are
// shown: every showing redraws the whole list, which under Wine costs several
// milliseconds, about as much as a few lines take on a 115200-baud wire.
constexpr uint32_t kRowShowIntervalMs = kProgressIntervalMs;
constexpr int kProgressChars = 64;

// Texts of the capture in Windows-1253.
// ΠΑΡΑΚΑΛΩ ΠΕΡΙΜΕΝΕΤΕ......
constexpr char kPleaseWait[] =
    "\xD0\xC1\xD1\xC1\xCA\xC1\xCB\xD9 \xD0\xC5\xD1\xC9\xCC\xC5\xCD\xC5\xD4\xC5......";
constexpr char kRule[] = "-----------------------------------------------------";
// H ΗΤΜ ΔΕΝ ΕΙΝΑΙ ΣΕ ΛΕΙΤΟΥΡΓΙΑ 'ΑΠΟΣΤΟΛΗ ΦΜ Η/Υ'  (a Latin H first, one space last)
constexpr char kNotInSendMode[] =
    "H \xC7\xD4\xCC \xC4\xC5\xCD \xC5\xC9\xCD\xC1\xC9 \xD3\xC5 \xCB\xC5\xC9\xD4\xCF\xD5\xD1\xC3\xC9\xC1"
    " '\xC1\xD0\xCF\xD3\xD4\xCF\xCB\xC7 \xD6\xCC \xC7/\xD5' ";
// ΘΕΣΤΕ ΤΗΝ ΗΤΜ ΣΕ ΑΠΟΣΤΟΛΗ ΔΕΔΟΜΕΝΩΝ ΠΡΟΣΠΑΘΗΣΤΕ ΞΑΝΑ
constexpr char kPutInDataSending[] =
    "\xC8\xC5\xD3\xD4\xC5 \xD4\xC7\xCD \xC7\xD4\xCC \xD3\xC5 \xC1\xD0\xCF\xD3\xD4\xCF\xCB\xC7"
    " \xC4\xC5\xC4\xCF\xCC\xC5\xCD\xD9\xCD \xD0\xD1\xCF\xD3\xD0\xC1\xC8\xC7\xD3\xD4\xC5 \xCE\xC1\xCD\xC1";
// Η ΗΤΜ ΑΠΟΣΥΝΔΕΘΗΚΕ.....
constexpr char kDisconnected[] = "\xC7 \xC7\xD4\xCC \xC1\xD0\xCF\xD3\xD5\xCD\xC4\xC5\xC8\xC7\xCA\xC5.....";
// Η ΔΙΑΔΙΚΑΣΙΑ ΜΕΤΑΦΟΡΑΣ ΔΕΔΟΜΕΝΩΝ ΔΕΝ ΟΛΟΚΛΗΡΩΘΗΚΕ
constexpr char kNotCompleted[] =
    "\xC7 \xC4\xC9\xC1\xC4\xC9\xCA\xC1\xD3\xC9\xC1 \xCC\xC5\xD4\xC1\xD6\xCF\xD1\xC1\xD3"
    " \xC4\xC5\xC4\xCF\xCC\xC5\xCD\xD9\xCD \xC4\xC5\xCD \xCF\xCB\xCF\xCA\xCB\xC7\xD1\xD9\xC8\xC7\xCA\xC5";
// ΘΕΣΤΕ ΤΗ ΗΤΜ ΣΕ ΑΠΟΣΤΟΛΗ ΔΕΔΟΜΕΝΩΝ 'ΑΠΟΣΤΟΛΗ ΦΜ Η/Υ' ΠΡΟΣΠΑΘΗΣΤΕ ΞΑΝΑ  (two spaces last)
constexpr char kPutInSendMode[] =
    "\xC8\xC5\xD3\xD4\xC5 \xD4\xC7 \xC7\xD4\xCC \xD3\xC5 \xC1\xD0\xCF\xD3\xD4\xCF\xCB\xC7"
    " \xC4\xC5\xC4\xCF\xCC\xC5\xCD\xD9\xCD '\xC1\xD0\xCF\xD3\xD4\xCF\xCB\xC7 \xD6\xCC \xC7/\xD5'"
    " \xD0\xD1\xCF\xD3\xD0\xC1\xC8\xC7\xD3\xD4\xC5 \xCE\xC1\xCD\xC1  ";
// Η  ΔΙΑΔΙΚΑΣΙΑ ΜΕΤΑΦΟΡΑΣ ΔΕΔΟΜΕΝΩΝ ΟΛΟΚΛΗΡΩΘΗΚΕ ΕΠΙΤΥΧΩΣ  (two spaces after the Η)
constexpr char kCompleted[] =
    "\xC7  \xC4\xC9\xC1\xC4\xC9\xCA\xC1\xD3\xC9\xC1 \xCC\xC5\xD4\xC1\xD6\xCF\xD1\xC1\xD3"
    " \xC4\xC5\xC4\xCF\xCC\xC5\xCD\xD9\xCD \xCF\xCB\xCF\xCA\xCB\xC7\xD1\xD9\xC8\xC7\xCA\xC5"
    " \xC5\xD0\xC9\xD4\xD5\xD7\xD9\xD3";
constexpr char kFileNotOpened[] = "The file 'FMout.txt' was not opened";
constexpr char kStoppedInterrupted[] = "Read Fiscal Memory stopped: interrupted";
constexpr char kStopped[] = "Read Fiscal Memory stopped";
constexpr char kStoppedWriteFailed[] = "Read Fiscal Memory stopped: a file could not be written";

void ShowNoAnswer() {
  ListPrintf("%s", kRule);
  ListPrintf("%s", kNotInSendMode);
  ListPrintf("%s", kPutInDataSending);
}

// Only a console's signal sets a stop while a dump runs (Disconnect and Exit leave
// the dump to its time limits), but a stop for any other cause still says so.
void ShowDumpStop() {
  if (StopRequested == kStopWriteFailed) ListPrintf("%s", kStoppedWriteFailed);
  else ListPrintf("%s", StopRequested == kStopInterrupted ? kStoppedInterrupted : kStopped);
}

OperationResult DumpStopResult() {
  return StopRequested == kStopWriteFailed ? OperationResult::kWriteFailed : OperationResult::kStopped;
}

// The register's stream goes on while the adapter is out: what it sent meanwhile is
// gone, so the sending has to start again from the beginning ('ΑΠΟΣΤΟΛΗ ΦΜ Η/Υ', the
// register's mode for sending the fiscal memory, in Windows-1253).
void ShowLineLost() {
  ListPrintf("Read Fiscal Memory stopped: the line was lost after %llu bytes; the files keep the %llu complete"
             " lines received. Start the sending again on the register"
             " ('\xC1\xD0\xCF\xD3\xD4\xCF\xCB\xC7 \xD6\xCC \xC7/\xD5')",
             static_cast<unsigned long long>(DumpBytesReceived()),
             static_cast<unsigned long long>(DumpLinesWritten()));
}

void ShowBrokenTransfer() {
  ClearMessageList();
  ListPrintf("%s", kDisconnected);
  ListPrintf("%s", kNotCompleted);
  ListPrintf("%s", kPutInSendMode);
}

enum class Handshake { Acknowledged, Unanswered, Stopped, Lost };

// ENQ has gone out. Acknowledged when the register answers ACK in time; other bytes
// before it are dropped. The queue is looked at before the deadline, so an ACK
// already waiting is taken even when the time ran out meanwhile.
Handshake AwaitAck() {
  Deadline otherBytesRestart;
  StartDeadline(otherBytesRestart, kOtherBytesLimitMs);
  Deadline deadline;
  StartDeadline(deadline, kAckWaitMs);
  for (;;) {
    PumpMessage();
    if (StopRequested != 0) return Handshake::Stopped;
    if (BytesWaiting(SelectedPort) != 0) {
      if (ReadByte(SelectedPort) == ACK) return Handshake::Acknowledged;
      if (!DeadlineExpired(otherBytesRestart)) StartDeadline(deadline, kAckAfterOtherByteMs);
    } else if (PortLost(SelectedPort)) {
      return Handshake::Lost;
    } else {
      AwaitInput(SelectedPort, DeadlineRemainingMs(deadline));
    }
    if (DeadlineExpired(deadline)) return Handshake::Unanswered;
  }
}

enum class BatchEnd { QueueEmpty, BoundReached, Etx };

// Reads the bytes waiting, up to the batch bound. Only the queue status and the
// reads touch the port: no message is pumped in between, so the port cannot be
// closed under the batch.
BatchEnd ReadBatch(uint32_t& bytesRead) {
  bytesRead = 0;
  for (uint32_t waiting = BytesWaiting(SelectedPort); waiting > 0; waiting = BytesWaiting(SelectedPort)) {
    for (; waiting > 0; --waiting) {
      if (bytesRead == kBatchBytesMax || RowQueueFull()) return BatchEnd::BoundReached;
      const uint8_t byte = ReadByte(SelectedPort);
      if (byte == ETX) {
        TakeDumpEtx();
        return BatchEnd::Etx;
      }
      TakeDumpByte(byte);
      ++bytesRead;
    }
  }
  return BatchEnd::QueueEmpty;
}

void NoteDumpProgress(uint64_t bytes) {
  char text[kProgressChars];
  std::snprintf(text, sizeof text, "Read Fiscal Memory %llu bytes", static_cast<unsigned long long>(bytes));
  NoteProgress(text, static_cast<int64_t>(bytes), -1);
}

// Waits for the next byte, but not past the line's deadline, nor past the showing
// of rows that are waiting for it.
void AwaitDumpBytes(const Deadline& deadline, const Deadline& showRows) {
  uint32_t ms = DeadlineRemainingMs(deadline);
  if (QueuedRowCount() > 0) {
    const uint32_t rowsDue = DeadlineRemainingMs(showRows);
    if (rowsDue < ms) ms = rowsDue;
  }
  AwaitInput(SelectedPort, ms);
}

enum class Transfer { Completed, Broken, Stopped, Lost };

// STX has gone out. Completed at ETX; Broken when the line stays silent too long;
// Lost as soon as the port's device has gone and every byte taken before is read.
// The deadline is tested before the queue: a pass that finds the time up ends
// the transfer even when bytes have arrived meanwhile. A stop is tested first.
Transfer ReceiveDump() {
  Deadline deadline;
  StartDeadline(deadline, kFirstDumpByteWaitMs);
  Deadline showRows;
  StartDeadline(showRows, kRowShowIntervalMs);
  uint64_t received = 0;
  for (;;) {
    PumpMessage();
    if (StopRequested != 0) return Transfer::Stopped;
    if (DeadlineExpired(deadline)) return Transfer::Broken;
    uint32_t bytesRead = 0;
    const BatchEnd end = ReadBatch(bytesRead);
    WriteRawBytes();
    FlushOutputFiles();
    SyncOutputFilesWhenDue();
    received += bytesRead;
    if (end == BatchEnd::Etx) {
      ShowQueuedRows();
      return Transfer::Completed;
    }
    if (RowQueueFull() || (QueuedRowCount() > 0 && DeadlineExpired(showRows))) {
      ShowQueuedRows();
      StartDeadline(showRows, kRowShowIntervalMs);
    }
    if (bytesRead > 0) NoteDumpProgress(received);
    RefreshProgress();
    // Armed after the rows are shown: the time spent on the list is not silence
    // of the line.
    if (bytesRead == 0) {
      if (PortLost(SelectedPort)) {
        ShowQueuedRows();
        return Transfer::Lost;
      }
      AwaitDumpBytes(deadline, showRows);
      continue;
    }
    StartDeadline(deadline, kDumpByteGapMs);
    if (end == BatchEnd::QueueEmpty) PauseMs(bytesRead >= kFastBatchBytes ? kFastStreamRestMs : kStreamRestMs);
  }
}

OperationResult CaptureDump() {
  ClearMessageList();
  StartRunArchive("dump", "Read Fiscal Memory");
  if (!OpenDumpFiles()) {
    ListPrintf("%s", kFileNotOpened);
    return OperationResult::kFileNotOpened;
  }
  StartDumpLines();
  ListPrintf("%s", kPleaseWait);
  PurgePort(SelectedPort);
  WriteByte(SelectedPort, ENQ);
  // On every way out the files are closed before the last message appears, so
  // that whoever sees the message finds the files complete.
  StartLineErrors();
  const Handshake handshake = AwaitAck();
  if (handshake != Handshake::Acknowledged) {
    CloseDumpFiles();
    if (handshake == Handshake::Stopped || StopRequested == kStopWriteFailed) {
      ShowDumpStop();
      return DumpStopResult();
    }
    if (handshake == Handshake::Lost) {
      ShowLineLost();
      return OperationResult::kLineLost;
    }
    ShowNoAnswer();
    return OperationResult::kNoAnswer;
  }
  // Anything the register sent after its ACK is stale: purged before the STX, not
  // after it, for a register that answers the STX at once would lose the start of
  // its dump to a purge that comes after.
  PurgePort(SelectedPort);
  WriteByte(SelectedPort, STX);
  ClearMessageList();
  ShowArchiveTrouble();
  const Transfer transfer = ReceiveDump();
  // A stop keeps what has come: the rows of the lines already in the files are shown.
  if (transfer == Transfer::Stopped) ShowQueuedRows();
  CloseDumpFiles();
  // The ETX ends the transfer right after its batch was written, and the last push
  // to the disk comes only with the closing: a write, sync or close that failed
  // there stops the dump as one that failed earlier would, whatever the line did.
  if (transfer == Transfer::Stopped || StopRequested == kStopWriteFailed) {
    ShowDumpStop();
    return DumpStopResult();
  }
  if (transfer == Transfer::Completed) {
    ListPrintf("%s", kCompleted);
    PumpMessage();
    return OperationResult::kCompleted;
  }
  ShowBrokenTransfer();
  if (transfer == Transfer::Lost) {
    ShowLineLost();
    return OperationResult::kLineLost;
  }
  return OperationResult::kBroken;
}

}  // namespace

void ReadFiscalMemory() {
  if (OperationRunning != kNoOperation) return;
  OperationRunning = kReadingFiscalMemory;
  BeginProgress(false);
  NoteDumpProgress(0);
  LastOperationResult = CaptureDump();
  NoteRunLineErrors(ShowLineErrors());
  if (LastOperationResult == OperationResult::kLineLost) NoteRunLineLost(DumpBytesReceived());
  FinishRunArchive(LastOperationResult == OperationResult::kCompleted);
  // The port is closed and waited for once the job's rows and files are complete.
  if (LastOperationResult == OperationResult::kLineLost) NoteLineLost();
  EndProgress();
  OperationRunning = kNoOperation;
  StopRequested = 0;
}
