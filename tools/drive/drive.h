// What every part of tgdrive shares: its exit codes, its waits, how it talks to a
// window that may be busy, and how it prints. See tgdrive.cpp for what it is.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

constexpr DWORD kDefaultWaitMs = 10000;
constexpr DWORD kPollMs = 50;
// A window that does not answer in this time is busy (an operation that processes no
// messages is running); the waits treat that as "not yet".
constexpr UINT kAnswerWaitMs = 2000;
constexpr int kTextChars = 8192;  // longer than any row the program can show

enum Exit { kDone = 0, kNotFound = 1, kUsage = 2, kNoAnswer = 3 };

// The process whose windows tgdrive works on; 0: any process.
extern DWORD TargetPid;

// A command's arguments (those after its name), as UTF-8 and as given (wide), with
// the readers of numbers the commands take.
struct Args {
  std::vector<std::string> utf8;
  std::vector<std::wstring> wide;
  long Number(size_t k, long fallback) const;
  // A wait in milliseconds: the default wait where the argument is left out.
  DWORD Ms(size_t k) const { return static_cast<DWORD>(Number(k, kDefaultWaitMs)); }
  // A code written in decimal or 0x hex (a system menu command, a virtual key).
  UINT Code(size_t k) const;
};

std::string ToUtf8(const std::wstring& w);
// Prints one line (UTF-8, LF) on stdout.
void PrintLine(const std::string& s);
// Says on stderr why a command failed ("tgdrive: ..."), printf-style, and returns `code`.
int Failed(int code, const char* format, ...) __attribute__((format(printf, 2, 3)));

// SendMessage that gives up on a busy window after kAnswerWaitMs.
bool SendTimed(HWND w, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
bool WindowText(HWND w, std::wstring& out);
std::wstring ClassOf(HWND w);

// Repeats `probe` until it returns true or `ms` pass.
template <typename Probe>
bool WaitFor(DWORD ms, Probe probe) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (probe()) return true;
    if (GetTickCount() - start >= ms) return false;
    Sleep(kPollMs);
  }
}
