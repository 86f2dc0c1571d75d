// The shell seam on a console. Every row the Windows list would show goes to stdout
// as one line, written by the twin's WriteConsoleRow, so that stdout holds exactly
// the rows. A list can be cleared and redrawn; stdout cannot, so the console's rows
// are the list's whole history, and X has no counterpart.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "console/console_output.h"
#include "console/console_text.h"
#include "core/program/message_text.h"
#include "core/program/row_splitter.h"

namespace {

// A note: the program's name and a message of the program's own, a device path or a
// folder's among them.
constexpr int kNoteChars = 8192;

char MessageBuffer[kMessageBufferChars];
// The rows of the message being split, in the order they were inserted (the
// splitter finishes them from the last up): where each one's cell 0 starts in
// MessageBuffer, and its length (0: an empty row). Every row but the last ends at
// an LF of the message, so there are never more rows than characters.
const char* RowText[kMessageBufferChars];
int RowLength[kMessageBufferChars];
int RowCount = 0;

int HoldDepth = 0;

int InsertRow(void*) {
  RowText[RowCount] = nullptr;
  RowLength[RowCount] = 0;
  return RowCount++;
}

void SetCell(void*, int row, int column, const char* cell, int length) {
  if (column != 0) return;  // the list has one column: later cells are never seen
  RowText[row] = cell;
  RowLength[row] = length;
}

void FinishRow(void*, int) {}

constexpr RowSink kStdoutSink{nullptr, InsertRow, SetCell, FinishRow};

}  // namespace

int ListPrintf(const char* format, ...) {
  va_list values;
  va_start(values, format);
  const int n = FormatMessageText(MessageBuffer, kMessageBufferChars, format, values);
  va_end(values);
  RowCount = 0;
  SplitRows(kStdoutSink, MessageBuffer);
  for (int row = 0; row < RowCount; ++row) {
    // A row's text ends in the CR of its line's CR LF where the line had one (LOG's
    // report lines): a line of stdout ends at its own line end alone.
    int length = RowLength[row];
    if (length > 0 && RowText[row][length - 1] == '\r') --length;
    WriteConsoleRow(RowText[row], length);
  }
  if (HoldDepth == 0) FlushConsoleRows();
  return n;
}

void ClearMessageList() {}

void HoldListRedraw() { ++HoldDepth; }

void ReleaseListRedraw() {
  if (HoldDepth == 0) return;
  if (--HoldDepth == 0) FlushConsoleRows();
}

void ConsoleNote(const char* format, ...) {
  char note[kNoteChars];
  const int head = std::snprintf(note, sizeof note, "%s: ", ConsoleWords.program);
  va_list values;
  va_start(values, format);
  std::vsnprintf(note + head, sizeof note - static_cast<size_t>(head) - 1, format, values);
  va_end(values);
  std::strcat(note, "\n");
  WriteConsoleNote(note);
}
