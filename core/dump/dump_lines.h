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
