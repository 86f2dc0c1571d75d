// The Linux console: every row (console/console_rows.cpp) goes to stdout as one line
// of UTF-8, converted from Windows-1253 here and nowhere else.
//
// The progress the window shows in its caption becomes a status line on stderr, and
// only where stderr is a terminal. Where stdout is a terminal too, the status line is
// erased before rows are written and drawn again below them, so that the two share
// the screen without mixing.
#include "posix/console_shell.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "console/console_text.h"
#include "core/program/row_splitter.h"
#include "core/program/utf8_text.h"
#include "posix/stop_signal.h"

namespace {

constexpr int kRowBytes = kCellMaxChars * kUtf8BytesPerByte + 2;
constexpr int kStatusChars = 80;


char RowBytes[kRowBytes];

// -1 until asked: whether stderr, and stdout, is a terminal.
int StatusWanted = -1;
int RowsOnTerminal = -1;
bool ProgressActive = false;
char StatusText[kStatusChars];
int StatusShownChars = 0;


bool StatusOnTerminal() {
  if (StatusWanted < 0) StatusWanted = isatty(STDERR_FILENO) ? 1 : 0;
  return StatusWanted == 1;
}

bool RowsShareTheScreen() {
  if (RowsOnTerminal < 0) RowsOnTerminal = isatty(STDOUT_FILENO) ? 1 : 0;
  return RowsOnTerminal == 1;
}

void EraseStatus() {
  if (StatusShownChars == 0) return;
  std::fprintf(stderr, "\r%*s\r", StatusShownChars, "");
  std::fflush(stderr);
  StatusShownChars = 0;
}

// Over the line shown before: what is left of a longer one is blanked.
void DrawStatus() {
  if (!ProgressActive || !StatusOnTerminal()) return;
  char line[kStatusChars * kUtf8BytesPerByte + 1];
  const int bytes = Utf8From1253(StatusText, static_cast<int>(std::strlen(StatusText)), line);
  line[bytes] = '\0';
  const int chars = static_cast<int>(std::strlen(ConsoleWords.program) + 2 + std::strlen(StatusText));
  const int blank = StatusShownChars > chars ? StatusShownChars - chars : 0;
  std::fprintf(stderr, "\r%s: %s%*s", ConsoleWords.program, line, blank, "");
  if (blank > 0) std::fprintf(stderr, "\r%s: %s", ConsoleWords.program, line);
  std::fflush(stderr);
  StatusShownChars = chars;
}

}  // namespace

// A stop signal is the console's one window message.
void PumpMessage() { DeliverStop(); }

void WriteConsoleRow(const char* text, int length) {
  if (RowsShareTheScreen()) EraseStatus();
  const int bytes = Utf8From1253(text, length, RowBytes);
  RowBytes[bytes] = '\n';
  std::fwrite(RowBytes, 1, static_cast<size_t>(bytes) + 1, stdout);
}

// Rows reach the reader (a terminal, a pipe) at once, or with a held batch at its end.
void FlushConsoleRows() {
  std::fflush(stdout);
  if (RowsShareTheScreen()) DrawStatus();
}

void ShowProgress(const char* text, int64_t, int64_t) {
  std::snprintf(StatusText, sizeof StatusText, "%s", text);
  ProgressActive = true;
  std::fflush(stdout);  // rows first: the status line goes below them
  DrawStatus();
}

void ClearProgress() {
  EraseStatus();
  ProgressActive = false;
}

void WriteConsoleNote(const char* line) {
  std::fflush(stdout);
  EraseStatus();
  std::fputs(line, stderr);
  DrawStatus();
}

void EndConsoleOutput() {
  std::fflush(stdout);
  ClearProgress();
}
