#include "windows/console/console_shell.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "console/console_text.h"
#include "core/program/state.h"
#include "windows/console/ctrl_handler.h"

namespace {

constexpr UINT kRowCodePage = 1253;
constexpr int kStatusChars = 80;
constexpr int kNoteChars = 8192;

wchar_t Wide[kNoteChars];
char Utf8[kNoteChars * 3];

struct Stream {
  DWORD id;       // STD_OUTPUT_HANDLE, STD_ERROR_HANDLE
  FILE* file;     // the C library's stream, for a file or a pipe
  int isConsole;  // -1 until asked
};
Stream Out{STD_OUTPUT_HANDLE, stdout, -1};
Stream Err{STD_ERROR_HANDLE, stderr, -1};

bool IsConsole(Stream& stream) {
  if (stream.isConsole < 0) {
    DWORD mode = 0;
    stream.isConsole = GetConsoleMode(GetStdHandle(stream.id), &mode) ? 1 : 0;
  }
  return stream.isConsole == 1;
}

bool ProgressActive = false;
char StatusText[kStatusChars];
int StatusShownChars = 0;

void WriteWide(Stream& stream, const wchar_t* wide, int chars) {
  if (chars <= 0) return;
  if (IsConsole(stream)) {
    DWORD written = 0;
    WriteConsoleW(GetStdHandle(stream.id), wide, static_cast<DWORD>(chars), &written, nullptr);
    return;
  }
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, chars, Utf8, sizeof Utf8, nullptr, nullptr);
  std::fwrite(Utf8, 1, static_cast<size_t>(bytes), stream.file);
}

void EraseStatus() {
  if (StatusShownChars == 0) return;
  wchar_t blank[kStatusChars + 32];
  int n = 0;
  blank[n++] = L'\r';
  for (int i = 0; i < StatusShownChars && n < kStatusChars + 30; ++i) blank[n++] = L' ';
  blank[n++] = L'\r';
  WriteWide(Err, blank, n);
  StatusShownChars = 0;
}

// Over the line shown before: what is left of a longer one is blanked.
void DrawStatus() {
  if (!ProgressActive || !IsConsole(Err)) return;
  char line[kStatusChars + 32];
  const int length = std::snprintf(line, sizeof line, "\r%s: %s", ConsoleWords.program, StatusText);
  wchar_t wide[2 * (kStatusChars + 32)];
  const int chars = MultiByteToWideChar(kRowCodePage, 0, line, length, wide, kStatusChars + 32);
  int end = chars;
  while (end - 1 < StatusShownChars) wide[end++] = L' ';
  WriteWide(Err, wide, end);
  if (end > chars) WriteWide(Err, wide, chars);
  StatusShownChars = chars - 1;
}

}  // namespace

void WriteConsoleText(bool toStderr, const char* text, int length, unsigned codePage) {
  // At most half the buffer at a time, so that every piece converts within it.
  for (int start = 0; start < length;) {
    int piece = length - start < kNoteChars / 2 ? length - start : kNoteChars / 2;
    // A UTF-8 character is never cut in two: the piece ends before its first byte.
    while (codePage == CP_UTF8 && piece > 1 && start + piece < length &&
           (static_cast<unsigned char>(text[start + piece]) & 0xC0) == 0x80)
      --piece;
    const int chars = MultiByteToWideChar(codePage, 0, text + start, piece, Wide, kNoteChars);
    WriteWide(toStderr ? Err : Out, Wide, chars);
    start += piece;
  }
}

void PumpMessage() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
  }
  DeliverConsoleStop();
}

void WriteConsoleRow(const char* text, int length) {
  if (IsConsole(Out)) EraseStatus();
  WriteConsoleText(false, text, length, kRowCodePage);
  WriteWide(Out, L"\n", 1);
}

void FlushConsoleRows() {
  std::fflush(stdout);
  if (IsConsole(Out)) DrawStatus();
}

void ShowProgress(const char* text, int64_t, int64_t) {
  std::snprintf(StatusText, sizeof StatusText, "%s", text);
  ProgressActive = true;
  std::fflush(stdout);
  DrawStatus();
}

void ClearProgress() {
  EraseStatus();
  ProgressActive = false;
}

void WriteConsoleNote(const char* line) {
  std::fflush(stdout);
  EraseStatus();
  WriteConsoleText(true, line, static_cast<int>(std::strlen(line)), CP_ACP);
  std::fflush(stderr);
  DrawStatus();
}

void EndConsoleOutput() {
  std::fflush(stdout);
  ClearProgress();
  std::fflush(stderr);
}
