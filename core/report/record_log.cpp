#include "core/report/record_log.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "core/archive/run_archive.h"
#include "core/program/line_errors.h"
#include "core/program/output_file.h"
#include "core/program/progress.h"
#include "core/program/state.h"
#include "core/protocol/exchange.h"
#include "core/report/log_progress.h"
#include "core/report/record_table.h"
#include "core/report/report_csv.h"
#include "core/report/reply_fields.h"
#include "core/report/report_line.h"
#include "core/seams/serial_port.h"
#include "core/seams/shell.h"

namespace {

constexpr char kLogFileName[] = "log.txt";
constexpr char kCsvFileName[] = "log.csv";
constexpr int kRecordTableCount = 3;                         // device tables 0, 1 and 2
constexpr int kCountField[kRecordTableCount] = {4, 9, 14};   // their record counts in the "g/" reply
constexpr int kLastIndexField = 19;                          // last record index of device table 3
constexpr int kKeyField = 1;                                 // a table-3 record's date ...
constexpr int kNumberField = 3;                              // ... and number, matched against the entries
constexpr int kReportedTable = kLogTableCount - 1;
constexpr size_t kReportedMinLength = 51;                    // shorter table-3 records are skipped
constexpr int kCommandSize = 24;                             // "r/T/" and up to 11 digits
constexpr int32_t kCounterMax = 2147483647;

// Everything one run uses. Program-wide rather than on the stack (about 24 KB),
// and cleared at the start of every run, so nothing carries over between runs:
// failed records leave empty entries and a failed "g/" leaves empty fields.
struct RecordLogRun {
  OutputFile file;
  OutputFile csv;
  uint64_t recordsWritten;
  uint64_t bytesAtStart;
  char reply[kReplyDataSize];
  char command[kCommandSize];
  ReplyFields fields;
  int32_t tableCount[kRecordTableCount];
  RecordTable tables[kRecordTableCount];
  int32_t MatchCounters[kRecordTableCount];
  char line[kReportLineSize];
  char csvRow[kCsvRowSize];
};

RecordLogRun Run;

// The reply buffer's text, terminated within the buffer whatever the exchange left.
const char* ReplyText() {
  Run.reply[kReplyDataSize - 1] = '\0';
  return Run.reply;
}

int32_t LastIndex() { return ReadDeviceNumber(Run.fields.field[kLastIndexField]); }

// One exchange into the emptied reply buffer, so that a failed one leaves no text of
// an earlier one behind. An exchange that a lost line cut is asked again once the
// port is back: every exchange begins by cancelling whatever the register was doing,
// so the repetition is safe, and nothing of the cut one is kept or counted. When the
// port does not come back, the run is to end and the exchange counts as failed.
int16_t Exchange(const char* command) {
  for (;;) {
    Run.reply[0] = '\0';
    const int16_t result = ExchangeCommand(SelectedPort, command, Run.reply);
    if (!PortLost(SelectedPort)) return result;
    Run.reply[0] = '\0';
    if (!WaitForLostPort()) return ResultReplyTimeout;
  }
}

int16_t ExchangeRecord(int table, int32_t index) {
  std::snprintf(Run.command, sizeof Run.command, "r/%d/%04d/", table, static_cast<int>(index));
  return Exchange(Run.command);
}

// Records past the entries kept are not asked for: each would cost a full
// exchange only to be dropped, and a wild count must not hold the program for hours.
int32_t RecordsToRead(int table) {
  const int32_t count = Run.tableCount[table];
  return count < kRecordTableEntries ? count : kRecordTableEntries;
}

void ReadTableInfo() {
  Exchange("g/");  // a failure leaves the fields empty: counts 0
  SplitReplyFields(ReplyText(), Run.fields);
  int32_t toRead[kRecordTableCount];
  for (int table = 0; table < kRecordTableCount; ++table) {
    Run.tableCount[table] = ReadDeviceNumber(Run.fields.field[kCountField[table]]);
    toRead[table] = RecordsToRead(table);
  }
  PlanRecordTables(toRead);
  NoteExchange(0, 0, LastIndex());
}

void ReadRecordTable(int table) {
  const int32_t read = RecordsToRead(table);
  for (int32_t i = 0; i < read && LogGoesOn(); ++i) {
    if (ExchangeRecord(table, i) == 0) StoreRecordEntry(Run.tables[table].entry[i], ReplyText());
    NoteExchange(table, int64_t{i} + 1, LastIndex());
  }
}

int32_t AddCapped(int32_t total, int32_t more) {
  return total > kCounterMax - more ? kCounterMax : total + more;
}

void ReportRecord() {
  SplitReplyFields(ReplyText(), Run.fields);
  const char* key = Run.fields.field[kKeyField];
  const int32_t number = ReadDeviceNumber(Run.fields.field[kNumberField]);
  for (int table = 0; table < kRecordTableCount; ++table) {
    const int32_t matches = CountMatches(Run.tables[table], Run.tableCount[table], key, number);
    Run.MatchCounters[table] = AddCapped(Run.MatchCounters[table], matches);
  }
  const int length = FormatReportLine(Run.fields, Run.MatchCounters, Run.line);
  WriteOutput(Run.file, Run.line, static_cast<size_t>(length));
  const int csvLength = FormatCsvRow(Run.fields, Run.MatchCounters, Run.csvRow);
  WriteOutput(Run.csv, Run.csvRow, static_cast<size_t>(csvLength));
  FlushOutputFiles();
  ++Run.recordsWritten;
  ListPrintf("%s", Run.line);
  NoteRowsAdded();
}

// Table 3 up to its last index, read anew before every pass: a reported record
// that carries a field 19 of its own moves the end. The index is 64-bit so that a
// last index of 2147483647 ends the loop instead of overflowing it.
void ReportTable3() {
  for (int64_t i = 0; i <= LastIndex() && LogGoesOn(); ++i) {
    const int16_t result = ExchangeRecord(kReportedTable, static_cast<int32_t>(i));
    if (result == 0 && std::strlen(ReplyText()) >= kReportedMinLength) ReportRecord();
    NoteExchange(kReportedTable, i + 1, LastIndex());
  }
}

// The run pumps window messages in every wait, so the operator can follow it, clear
// the list, or stop it with Disconnect or Exit: no further exchange then starts, and
// the one in flight ends at once. The rows are drawn in batches: a list redrawn for
// every row costs tens of milliseconds a row under Wine.
void RunRecordLog() {
  StartLogProgress();
  StartLineErrors();
  BeginProgress(true);
  PurgePort(SelectedPort);
  ReadTableInfo();
  for (int table = 0; table < kRecordTableCount; ++table) ReadRecordTable(table);
  ReportTable3();
  CloseOutputFile(Run.file);
  CloseOutputFile(Run.csv);
  EndProgress();
  ShowLogStop();
  LastOperationResult = LogResult();
  NoteRunLineErrors(ShowLineErrors());
}

// log.txt, and log.csv beside it with its header row; false when log.txt cannot be
// opened. A log.csv that cannot be opened is left out, with a row.
bool OpenLogFiles() {
  if (!OpenRunFile(Run.file, kLogFileName, FileForm::kText, true)) return false;
  if (!OpenRunFile(Run.csv, kCsvFileName, FileForm::kBinary, true)) {
    ListPrintf("The file 'log.csv' was not opened");
    return true;
  }
  const int length = FormatCsvHeader(Run.csvRow);
  WriteOutput(Run.csv, Run.csvRow, static_cast<size_t>(length));
  return true;
}

void FinishLogArchive() {
  NoteRunCounts(ExchangeBytesReceived - Run.bytesAtStart, Run.recordsWritten);
  if (LastOperationResult == OperationResult::kLineLost) NoteRunLineLost(ExchangeBytesReceived - Run.bytesAtStart);
  FinishRunArchive(LastOperationResult == OperationResult::kCompleted);
}

}  // namespace

void BuildRecordLog() {
  if (OperationRunning != kNoOperation) return;
  std::memset(&Run, 0, sizeof Run);
  Run.bytesAtStart = ExchangeBytesReceived;
  StartRunArchive("log", "LOG");
  if (!OpenLogFiles()) {
    ListPrintf("The file 'log.txt' was not opened");
    LastOperationResult = OperationResult::kFileNotOpened;
    FinishLogArchive();
    return;
  }
  OperationRunning = kBuildingRecordLog;
  StopRequested = 0;
  RunRecordLog();
  OperationRunning = kNoOperation;
  StopRequested = 0;
  FinishLogArchive();
}
