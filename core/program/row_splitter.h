// How a message becomes rows and cells of the message list: rows at LF, cells at
// TAB. Kept apart from the list itself so that the Windows list and the host
// tests' stand-in split alike, and a host test sees the rows the operator sees.
#pragma once

// A longer cell is not shown and ends its row.
constexpr int kCellMaxChars = 4090;

// Where the rows go; each call gets `context` first.
struct RowSink {
  void* context;
  // Appends an empty row and returns the index that the other two calls are given.
  int (*insertRow)(void* context);
  // `length` (1..kCellMaxChars) characters at `cell`, not NUL-terminated, for
  // column `column` of `row`.
  void (*setCell)(void* context, int row, int column, const char* cell, int length);
  // Every cell of `row` that will be set has been.
  void (*finishRow)(void* context, int row);
};

// Appends `text` as rows, one per LF-separated line; a line's TAB-separated cells go
// to columns 0, 1, ... A CR stays in its cell; an LF at the very end adds no row, and
// an empty text still adds one empty row.
//
// The lines below a line are split when the scan reaches its LF, so a line's last
// cell is set only after them (the cells before a TAB come first): rows are inserted
// top to bottom but finished bottom to top.
//
// An empty or over-long cell ends its row: neither it nor the later cells of its line
// are set. Met before its line's LF, it also drops the rest of the message.
//
// Every LF reached becomes a NUL in `text`.
void SplitRows(const RowSink& sink, char* text);
