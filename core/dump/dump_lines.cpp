#include "core/dump/dump_lines.h"

#include <cstdio>
#include <cstring>

#include "core/archive/run_archive.h"
#include "core/line/control_codes.h"
#include "core/program/output_file.h"
#include "core/seams/shell.h"

namespace {

// Code page 1253 -> 737: Α..Ρ (0xC1..0xD1) become 0x80..0x90, Σ..Ω (0xD3..0xD9)
// become 0x91..0x97. 0xD2, unassigned in 1253 (it would be the final sigma's
// capital), lands on 0x90 like Ρ.
constexpr uint8_t kFirstCapital = 0xC1;
constexpr uint8_t kLastCapitalBeforeGap = 0xD1;
constexpr uint8_t kLastCapital = 0xD9;
constexpr uint8_t kShiftBeforeGap = 65;
constexpr uint8_t kShiftAfterGap = 66;

// Every row shows its line less the line's last two bytes (the CR LF).
constexpr size_t kLineEndBytes = 2;
static_assert(kShownLineBytes <= kLinePartBytes, "a row's text comes from the first part");

constexpr char kReceivedFileName[] = "FMout1.txt";   // the bytes as received
constexpr char kConvertedFileName[] = "FMout2.txt";  // capitals moved to 737
constexpr char kRawFileName[] = "FMraw.bin";         // every byte after STX, in the archive only
constexpr size_t kRawPendingBytes = 4096;

OutputFile ReceivedFile;
OutputFile ConvertedFile;
OutputFile RawFile;
// Bytes received and not yet in FMraw.bin: written at the end of every batch.
char RawPending[kRawPendingBytes];
size_t RawPendingLength = 0;
uint64_t RawBytes = 0;
uint64_t LinesWritten = 0;

// The current line; once a part of it has gone to the files before its LF, its row
// comes from LineStart.
DumpLine Line;
char LineStart[kShownLineBytes];

// Rows of completed lines waiting to be shown: their texts one after another in
// the pool, each NUL-terminated, and where each starts.
char RowPool[kRowPoolBytes];
size_t RowPoolUsed = 0;
size_t RowStart[kQueuedRowsMax];
int QueuedCount = 0;
static_assert(kRowPoolBytes >= kShownLineBytes + 1, "the pool holds at least one full row");

void WritePart(bool lineEnded) {
  WriteOutput(ReceivedFile, Line.received, Line.length);
  WriteOutput(ConvertedFile, Line.converted, Line.length);
  EmptyDumpLinePart(Line, lineEnded);
}

// The line buffer is full and no LF yet: the part goes to the files now, so a
// line of any length reaches them whole. Its start is kept for the row. (A line
// that the dump then never finishes leaves these parts in the files; shorter
// unfinished lines reach neither file.)
void SpillPart() {
  if (!Line.spilled) std::memcpy(LineStart, Line.received, kShownLineBytes);
  WritePart(false);
}

// A line of 0 or 1 bytes (a bare LF) has no text to show: its row is empty.
void QueueRow() {
  // A spilled line is longer than a part, so its row is always full.
  size_t length = kShownLineBytes;
  if (!Line.spilled) length = Line.length >= kLineEndBytes ? Line.length - kLineEndBytes : 0;
  if (length > kShownLineBytes) length = kShownLineBytes;
  const char* source = Line.spilled ? LineStart : Line.received;
  char* row = RowPool + RowPoolUsed;
  std::memcpy(row, source, length);
  row[length] = '\0';  // a 0x00 inside the line ends the shown text earlier
  RowStart[QueuedCount++] = RowPoolUsed;
  RowPoolUsed += length + 1;
}

void CompleteLine() {
  // The capture shows the queue before it fills; a full queue here would mean a
  // batch that did not stop, so the row is shown at once rather than dropped.
  if (RowQueueFull()) ShowQueuedRows();
  QueueRow();
  WritePart(true);
  ++LinesWritten;
}

void KeepRawByte(uint8_t byte) {
  if (RawPendingLength == kRawPendingBytes) WriteRawBytes();
  RawPending[RawPendingLength++] = static_cast<char>(byte);
  ++RawBytes;
}

}  // namespace

uint8_t ConvertCapital(uint8_t byte) {
  if (byte >= kFirstCapital && byte <= kLastCapitalBeforeGap) return byte - kShiftBeforeGap;
  if (byte > kLastCapitalBeforeGap && byte <= kLastCapital) return byte - kShiftAfterGap;
  return byte;
}

bool OpenDumpFiles() {
  if (!OpenRunFile(ReceivedFile, kReceivedFileName, FileForm::kText, true)) return false;
  if (OpenRunFile(ConvertedFile, kConvertedFileName, FileForm::kText, true)) {
    OpenRunFile(RawFile, kRawFileName, FileForm::kBinary, false);
    return true;
  }
  CloseOutputFile(ReceivedFile);
  return false;
}

void CloseDumpFiles() {
  WriteRawBytes();
  CloseOutputFile(ReceivedFile);
  CloseOutputFile(ConvertedFile);
  CloseOutputFile(RawFile);
  NoteRunCounts(RawBytes, LinesWritten);
}

void WriteRawBytes() {
  WriteOutput(RawFile, RawPending, RawPendingLength);
  RawPendingLength = 0;
}

void TakeDumpEtx() { KeepRawByte(ETX); }

void StartDumpLine(DumpLine& line) {
  line.length = 0;
  line.spilled = false;
}

bool DumpLinePartFull(const DumpLine& line) { return line.length == kLinePartBytes; }

bool AddDumpLineByte(DumpLine& line, uint8_t byte) {
  const uint8_t converted = ConvertCapital(byte);
  line.received[line.length] = static_cast<char>(byte);
  line.converted[line.length] = static_cast<char>(converted);
  ++line.length;
  return converted == LF;
}

void EmptyDumpLinePart(DumpLine& line, bool lineEnded) {
  line.length = 0;
  line.spilled = !lineEnded;
}

void StartDumpLines() {
  StartDumpLine(Line);
  RawPendingLength = 0;
  RawBytes = 0;
  LinesWritten = 0;
  QueuedCount = 0;
  RowPoolUsed = 0;
}

void TakeDumpByte(uint8_t byte) {
  KeepRawByte(byte);
  if (DumpLinePartFull(Line)) SpillPart();
  if (AddDumpLineByte(Line, byte)) CompleteLine();
}

int QueuedRowCount() { return QueuedCount; }

uint64_t DumpBytesReceived() { return RawBytes; }

uint64_t DumpLinesWritten() { return LinesWritten; }

bool RowQueueFull() {
  return QueuedCount == kQueuedRowsMax || kRowPoolBytes - RowPoolUsed < kShownLineBytes + 1;
}

void ShowQueuedRows() {
  if (QueuedCount == 0) return;
  FlushOutputFiles();
  HoldListRedraw();
  for (int i = 0; i < QueuedCount; ++i) ListPrintf("%s", RowPool + RowStart[i]);
  ReleaseListRedraw();
  QueuedCount = 0;
  RowPoolUsed = 0;
}
