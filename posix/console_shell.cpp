// The Linux console: every row (console/console_rows.cpp) goes to stdout as one line
// of UTF-8, converted from Windows-1253 here and nowhere else.
//
// The progress the window shows in its caption becomes a status line on stderr, and
// only where stderr is a terminal. Where stdout is a terminal too, the status line is
// erased before rows are written and drawn again below them, so that the two share
// the screen without mixing.
#include "posix/console_shell.h"

#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "console/console_text.h"
#include "core/program/row_splitter.h"
#include "posix/stop_signal.h"

namespace {

constexpr int kUtf8BytesMax = 3;  // code page 1253 reaches no further than U+FFFF
constexpr int kRowBytes = kCellMaxChars * kUtf8BytesMax + 2;
constexpr int kStatusChars = 80;
constexpr int kNoteChars = 8192;

// Code page 1253 from 0x80 up, as Windows converts it (MultiByteToWideChar): the
// bytes without a character become C1 controls, and 0xAA, 0xD2 and 0xFF the private
// characters U+F8F9 to U+F8FB, so the console shows what the list shows.
constexpr uint16_t kUpperHalf[128] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x0088, 0x2030, 0x008A, 0x2039, 0x008C, 0x008D, 0x008E, 0x008F,  // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x009A, 0x203A, 0x009C, 0x009D, 0x009E, 0x009F,  // 98
    0x00A0, 0x0385, 0x0386, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,  // A0
    0x00A8, 0x00A9, 0xF8F9, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x2015,  // A8
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x0384, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0388, 0x0389, 0x038A, 0x00BB, 0x038C, 0x00BD, 0x038E, 0x038F,  // B8
    0x0390, 0x0391, 0x0392, 0x0393, 0x0394, 0x0395, 0x0396, 0x0397,  // C0
    0x0398, 0x0399, 0x039A, 0x039B, 0x039C, 0x039D, 0x039E, 0x039F,  // C8
    0x03A0, 0x03A1, 0xF8FA, 0x03A3, 0x03A4, 0x03A5, 0x03A6, 0x03A7,  // D0
    0x03A8, 0x03A9, 0x03AA, 0x03AB, 0x03AC, 0x03AD, 0x03AE, 0x03AF,  // D8
    0x03B0, 0x03B1, 0x03B2, 0x03B3, 0x03B4, 0x03B5, 0x03B6, 0x03B7,  // E0
    0x03B8, 0x03B9, 0x03BA, 0x03BB, 0x03BC, 0x03BD, 0x03BE, 0x03BF,  // E8
    0x03C0, 0x03C1, 0x03C2, 0x03C3, 0x03C4, 0x03C5, 0x03C6, 0x03C7,  // F0
    0x03C8, 0x03C9, 0x03CA, 0x03CB, 0x03CC, 0x03CD, 0x03CE, 0xF8FB,  // F8
};

char RowBytes[kRowBytes];

// -1 until asked: whether stderr, and stdout, is a terminal.
int StatusWanted = -1;
int RowsOnTerminal = -1;
bool ProgressActive = false;
char StatusText[kStatusChars];
int StatusShownChars = 0;

// `length` bytes of 1253 text as UTF-8 into `out`; returns the bytes written.
int ToUtf8(const char* text, int length, char* out) {
  int used = 0;
  for (int i = 0; i < length; ++i) {
    const auto byte = static_cast<uint8_t>(text[i]);
    const uint32_t code = byte < 0x80 ? byte : kUpperHalf[byte - 0x80];
    if (code < 0x80) {
      out[used++] = static_cast<char>(code);
    } else if (code < 0x800) {
      out[used++] = static_cast<char>(0xC0 | (code >> 6));
      out[used++] = static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out[used++] = static_cast<char>(0xE0 | (code >> 12));
      out[used++] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out[used++] = static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return used;
}

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
  char line[kStatusChars * kUtf8BytesMax + 1];
  const int bytes = ToUtf8(StatusText, static_cast<int>(std::strlen(StatusText)), line);
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
  const int bytes = ToUtf8(text, length, RowBytes);
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

void ConsoleNote(const char* format, ...) {
  char note[kNoteChars];
  va_list values;
  va_start(values, format);
  std::vsnprintf(note, sizeof note, format, values);
  va_end(values);
  std::fflush(stdout);
  EraseStatus();
  std::fprintf(stderr, "%s: %s\n", ConsoleWords.program, note);
  DrawStatus();
}

void EndConsoleOutput() {
  std::fflush(stdout);
  ClearProgress();
}
