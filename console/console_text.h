// What the two console twins (tallyglass on Linux, Tallyglass.com on Windows) say
// alike: the usage, the help and the exit statuses. The words that differ (the
// program's name, how a port is named, how a job is stopped) are the one table
// ConsoleWords that each twin defines in its own folder. The texts are formatted
// into the caller's buffer (UTF-8): each twin writes them out as its console wants.
#pragma once

constexpr int kExitDone = 0;
constexpr int kExitOther = 1;
constexpr int kExitUsage = 2;
constexpr int kExitPortNotOpened = 3;
constexpr int kExitNoAnswer = 4;
constexpr int kExitBroken = 5;
constexpr int kExitRegisterGone = 6;
constexpr int kExitFileNotOpened = 7;
constexpr int kExitWriteFailed = 8;
constexpr int kExitLineLost = 9;
constexpr int kExitSignalBase = 128;  // 128 + N: stopped as signal N would have stopped it

struct ConsoleWordSet {
  const char* program;      // as it is typed, and before every note on stderr
  const char* portWord;     // the --port value in the usage lines
  int portChars;            // the longest port text taken, NUL included
  const char* portTooLong;  // the usage error for a longer one
  // The help's platform lines, each ending in a line feed.
  const char* portsJob;      // what `ports` lists
  const char* portOption;    // the --port option and its examples
  const char* sumsCheck;     // how SHA256SUMS is checked (one sentence, no line feed)
  const char* output;        // where rows and the status line go, how the port is held
  const char* stopping;      // what stops a job
  const char* setup;         // what status 1's set-up is (no line feed)
  const char* portFailures;  // why status 3 (no line feed)
  const char* stopStatuses;  // the statuses of a stopped job
};
extern const ConsoleWordSet ConsoleWords;

// Large enough for the help with any twin's words; longer text is cut.
constexpr int kHelpChars = 8192;
// The whole help, usage first, into `text` of kHelpChars.
void FormatHelp(char* text);
// "program: ERROR", the usage, and where to read more, into `text` of kHelpChars.
void FormatUsageError(char* text, const char* error);
