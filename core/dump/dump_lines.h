// The lines of a fiscal memory dump: collected byte by byte, written to FMout1.txt
// (as received) and FMout2.txt (capitals converted) when their LF comes, and
// queued as rows of the message list until the capture shows them.
#pragma once
#include <cstddef>
#include <cstdint>

// Rows queued between two showings. Every showing redraws the list, so rows are
// shown in batches; a batch of bytes stops early when the queue is full, so that
// the list work done between two pumped window messages stays short.
constexpr int kQueuedRowsMax = 256;
// At most this much of a line is shown in its row (the files get the whole line).
constexpr size_t kShownLineBytes = 1024;
// The texts of the queued rows; typical rows are a few dozen bytes.
constexpr size_t kRowPoolBytes = 32768;
// A line longer than this goes to the files in parts of this size as it comes.
constexpr size_t kLinePartBytes = 4096;

// Creates or empties FMout1.txt and FMout2.txt, with their copies and FMraw.bin in
// the run's archive folder; false (and nothing left open) when either working file
// cannot be opened.
bool OpenDumpFiles();
void CloseDumpFiles();
// Hands the bytes received since the last call to FMraw.bin: once a batch.
void WriteRawBytes();

// A new capture: no line collected, no row queued.
void StartDumpLines();
// One dump byte other than ETX. An LF ends the line: it is written to both files
// and its row is queued.
void TakeDumpByte(uint8_t byte);
// The ETX that ends the dump: kept in FMraw.bin only.
void TakeDumpEtx();
int QueuedRowCount();
// Of this capture: bytes received after STX (the ETX included), and lines written.
uint64_t DumpBytesReceived();
uint64_t DumpLinesWritten();
// True when one more row might not fit: the capture shows the queue first.
bool RowQueueFull();
// Adds the queued rows to the message list in one held redraw, then empties the queue.
void ShowQueuedRows();
// The capital-letter conversion 1253 -> 737 of one byte.
uint8_t ConvertCapital(uint8_t byte);

// The line writer's rule without its files, for the capture and for a check of its
// files against FMraw.bin alike: the part of the current line not yet written, as
// received and as converted. Before each byte, a full part goes to the files (a
// line of any length reaches them whole); at its LF the line's last part does.
struct DumpLine {
  char received[kLinePartBytes];
  char converted[kLinePartBytes];
  size_t length;
  bool spilled;  // a part of this line went to the files before its LF
};
void StartDumpLine(DumpLine& line);
// True when the part is full: it goes to the files before the next byte is added.
bool DumpLinePartFull(const DumpLine& line);
// Adds a dump byte other than ETX; true when it ended the line (its LF).
bool AddDumpLineByte(DumpLine& line, uint8_t byte);
// The part has gone to the files: empty it. `lineEnded`: it held the line's end.
void EmptyDumpLinePart(DumpLine& line, bool lineEnded);
