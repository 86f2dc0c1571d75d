// The console twins' command line (tallyglass on Linux, Tallyglass.com on Windows),
// read into what it asks for without touching anything else: the job and its options,
// the port list, the help text, or a usage error with the text that says what is wrong.
#pragma once
#include <cstdint>

enum class CommandKind { kDump, kLog, kPorts, kHelp, kUsageError, kVerify };

constexpr int kUsageErrorChars = 160;  // NUL included; longer texts are cut

struct Command {
  CommandKind kind;
  const char* port;  // for a job: one of argv's strings (or its end), never empty, as typed
  uint32_t speed;    // for a job: one of SpeedTable
  char error[kUsageErrorChars];  // for a usage error: what is wrong, without the usage
  const char* archive;  // for a job: where the run folders go; null: the default; "" with --no-archive
  char** folders;       // for verify: the folders to check, argv's own
  int folderCount;
  uint32_t waitPortSeconds;  // log: how long a lost port is waited for; 0: not at all
};

constexpr uint32_t kDefaultWaitPortSeconds = 60;
// A day: far beyond any pulled cable, and a bound that keeps the milliseconds in 32 bits.
constexpr uint32_t kLongestWaitPortSeconds = 86400;

// Reads `argc` arguments of `argv` (argv[0] the program) into `command`. Uses
// getopt_long (glibc's, and MinGW-w64's on Windows) and starts it afresh, so it can
// be called more than once. The port text is taken as typed, only its length is
// bounded here (ConsoleWords.portChars); what it names is the twin's to tell.
void ReadCommandLine(int argc, char** argv, Command& command);
