#include "console/arguments.h"

#include <getopt.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "console/console_text.h"
#include "core/archive/run_archive.h"
#include "core/program/connection.h"
#include "core/seams/shell.h"

namespace {

void UsageError(Command& command, const char* format, ...) TG_PRINTF_LIKE(2, 3);
void UsageError(Command& command, const char* format, ...) {
  va_list values;
  va_start(values, format);
  std::vsnprintf(command.error, sizeof command.error, format, values);
  va_end(values);
  command.kind = CommandKind::kUsageError;
}

bool ParseSpeed(const char* text, uint32_t& speed) {
  char* end = nullptr;
  errno = 0;
  const unsigned long value = std::strtoul(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0') return false;
  for (const uint32_t offered : SpeedTable) {
    if (value == offered) {
      speed = offered;
      return true;
    }
  }
  return false;
}

// Whole seconds, 0 to kLongestWaitPortSeconds.
bool ParseSeconds(const char* text, uint32_t& seconds) {
  char* end = nullptr;
  errno = 0;
  const unsigned long value = std::strtoul(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || text[0] == '-' || value > kLongestWaitPortSeconds) return false;
  seconds = static_cast<uint32_t>(value);
  return true;
}

// argv[0] is the job's name; `command` holds the job already.
void ReadJobOptions(int argc, char** argv, Command& command) {
  static const option kLongOptions[] = {{"port", required_argument, nullptr, 'p'},
                                        {"speed", required_argument, nullptr, 's'},
                                        {"help", no_argument, nullptr, 'h'},
                                        {"archive", required_argument, nullptr, 'a'},
                                        {"no-archive", no_argument, nullptr, 'n'},
                                        {"wait-port", required_argument, nullptr, 'w'},
                                        {nullptr, 0, nullptr, 0}};
  opterr = 0;
  optind = 0;  // 0, not 1: glibc then also forgets an option cluster left half read
  for (int c; (c = getopt_long(argc, argv, ":p:s:h", kLongOptions, nullptr)) != -1;) {
    switch (c) {
      case 'p': command.port = optarg; break;
      case 's':
        if (!ParseSpeed(optarg, command.speed)) return UsageError(command, "speed '%s' is not offered", optarg);
        break;
      case 'h': command.kind = CommandKind::kHelp; return;
      case 'a':
        if (optarg[0] == '\0') return UsageError(command, "--archive needs a folder");
        command.archive = optarg;
        break;
      case 'n': command.archive = ""; break;
      case 'w':
        if (!ParseSeconds(optarg, command.waitPortSeconds))
          return UsageError(command, "--wait-port '%s' is not a number of seconds from 0 to %lu", optarg,
                            static_cast<unsigned long>(kLongestWaitPortSeconds));
        break;
      case ':': return UsageError(command, "%s needs a value", argv[optind - 1]);
      default:
        // A short option may sit inside a cluster ("-xp"): name the letter, not the word.
        if (optopt != 0) return UsageError(command, "unknown option '-%c'", optopt);
        return UsageError(command, "unknown option '%s'", argv[optind - 1]);
    }
  }
  if (optind < argc) return UsageError(command, "unexpected argument '%s'", argv[optind]);
  if (command.port == nullptr || command.port[0] == '\0') return UsageError(command, "no --port given");
  if (std::strlen(command.port) >= static_cast<size_t>(ConsoleWords.portChars))
    return UsageError(command, "%s", ConsoleWords.portTooLong);
  if (command.archive != nullptr && std::strlen(command.archive) >= static_cast<size_t>(kArchiveRootChars))
    UsageError(command, "the archive folder's path is too long");
}

// `verify [--] FOLDER...`: the folders as given; before them only --help.
void ReadVerifyFolders(int argc, char** argv, Command& command) {
  command.kind = CommandKind::kVerify;
  int first = 2;
  for (; first < argc && argv[first][0] == '-'; ++first) {
    if (std::strcmp(argv[first], "--") == 0) {
      ++first;
      break;
    }
    if (std::strcmp(argv[first], "--help") != 0 && std::strcmp(argv[first], "-h") != 0)
      return UsageError(command, "unknown option '%s'", argv[first]);
    command.kind = CommandKind::kHelp;
    return;
  }
  if (first >= argc) return UsageError(command, "verify needs a folder");
  command.folders = argv + first;
  command.folderCount = argc - first;
}

}  // namespace

void ReadCommandLine(int argc, char** argv, Command& command) {
  command = Command{CommandKind::kDump, nullptr, kDefaultSpeed, {}, nullptr, nullptr, 0, kDefaultWaitPortSeconds};
  if (argc < 2) return UsageError(command, "no job given");
  const char* job = argv[1];
  if (std::strcmp(job, "--help") == 0 || std::strcmp(job, "-h") == 0 || std::strcmp(job, "help") == 0) {
    command.kind = CommandKind::kHelp;
  } else if (std::strcmp(job, "ports") == 0) {
    command.kind = CommandKind::kPorts;
    if (argc > 2) UsageError(command, "unexpected argument '%s'", argv[2]);
  } else if (std::strcmp(job, "log") == 0 || std::strcmp(job, "dump") == 0) {
    command.kind = job[0] == 'l' ? CommandKind::kLog : CommandKind::kDump;
    ReadJobOptions(argc - 1, argv + 1, command);
  } else if (std::strcmp(job, "verify") == 0) {
    ReadVerifyFolders(argc, argv, command);
  } else {
    UsageError(command, "unknown job '%s'", job);
  }
}
