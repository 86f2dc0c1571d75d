// The console program's command line, read into what it asks for without touching
// anything else: the job and its options, the device list, the help text, or a usage
// error with the text that says what is wrong.
#pragma once
#include <cstdint>

enum class CommandKind { kDump, kLog, kPorts, kHelp, kUsageError };

constexpr int kUsageErrorChars = 160;  // NUL included; longer texts are cut

struct Command {
  CommandKind kind;
  const char* port;  // for a job: one of argv's strings (or its end), never empty
  uint32_t speed;    // for a job: one of SpeedTable
  char error[kUsageErrorChars];  // for a usage error: what is wrong, without the usage
  const char* archive;  // for a job: where the run folders go; null: the default; "" with --no-archive
};

// Reads `argc` arguments of `argv` (argv[0] the program) into `command`. Uses getopt
// and starts it afresh, so it can be called more than once.
void ReadCommandLine(int argc, char** argv, Command& command);
