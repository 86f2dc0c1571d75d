// The console programs' command line (console/arguments) on arbitrary arguments.
//
// Input: the arguments after the program's name, separated by NUL bytes (at most
// kMostArguments of them).
//
// Properties: a job is asked for only by "dump" or "log", its port is a non-empty
// part of one of the arguments and shorter than a device path, its speed one of
// those offered; "ports" and help only by their words; a usage error says something,
// ends within its buffer, and an unknown option it names begins with '-'. Reading
// the same arguments again gives the same command (getopt starts afresh).
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/program/connection.h"
#include "console/arguments.h"
#include "posix/port_device.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

constexpr size_t kMostArguments = 24;

std::vector<std::string> ArgumentsOf(const uint8_t* data, size_t size) {
  std::vector<std::string> arguments{"tallyglass"};
  std::string current;
  for (size_t i = 0; i < size && arguments.size() < kMostArguments + 1; ++i) {
    if (data[i] == 0) {
      arguments.push_back(current);
      current.clear();
    } else {
      current.push_back(static_cast<char>(data[i]));
    }
  }
  if (arguments.size() < kMostArguments + 1 && (size == 0 || data[size - 1] != 0)) arguments.push_back(current);
  return arguments;
}

bool InsideOneOf(const char* text, const std::vector<std::string>& arguments) {
  for (const auto& argument : arguments)
    if (text >= argument.data() && text < argument.data() + argument.size()) return true;
  return false;
}

bool Offered(uint32_t speed) {
  for (const uint32_t offered : SpeedTable)
    if (speed == offered) return true;
  return false;
}

Command Read(std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (auto& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  Command command;
  ReadCommandLine(static_cast<int>(arguments.size()), argv.data(), command);
  return command;
}

void CheckUsageError(const Command& command) {
  FUZZ_CHECK(std::memchr(command.error, 0, sizeof command.error) != nullptr, "the text ends within its buffer");
  FUZZ_CHECK(command.error[0] != '\0', "a usage error says what is wrong");
  constexpr char kUnknown[] = "unknown option '";
  if (std::strncmp(command.error, kUnknown, sizeof kUnknown - 1) == 0)
    FUZZ_CHECK(command.error[sizeof kUnknown - 1] == '-', "named: %s", command.error);
}

void CheckJob(const Command& command, const std::string& job, const std::vector<std::string>& arguments) {
  FUZZ_CHECK(job == (command.kind == CommandKind::kLog ? "log" : "dump"), "job word '%s'", job.c_str());
  FUZZ_CHECK(command.port != nullptr && command.port[0] != '\0', "a job has a port");
  FUZZ_CHECK(InsideOneOf(command.port, arguments), "the port comes from the arguments");
  FUZZ_CHECK(std::strlen(command.port) < static_cast<size_t>(kDevicePathChars), "the port fits a device path");
  FUZZ_CHECK(Offered(command.speed), "speed %u", static_cast<unsigned>(command.speed));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> arguments = ArgumentsOf(data, size);
  const std::string job = arguments.size() > 1 ? arguments[1] : std::string();
  const Command command = Read(arguments);
  switch (command.kind) {
    case CommandKind::kUsageError: CheckUsageError(command); break;
    case CommandKind::kPorts: FUZZ_CHECK(job == "ports" && arguments.size() == 2, "ports"); break;
    case CommandKind::kHelp:
      FUZZ_CHECK(job == "help" || job == "--help" || job == "-h" || job == "dump" || job == "log" || job == "verify",
                 "help");
      break;
    case CommandKind::kVerify:
      FUZZ_CHECK(job == "verify" && command.folderCount >= 1 &&
                     static_cast<size_t>(command.folderCount) <= arguments.size() - 2,
                 "verify's folders are among its arguments");
      break;
    case CommandKind::kDump:
    case CommandKind::kLog: CheckJob(command, job, arguments); break;
    default: FUZZ_CHECK(false, "kind %d", static_cast<int>(command.kind));
  }

  std::vector<std::string> again = ArgumentsOf(data, size);
  const Command second = Read(again);
  FUZZ_CHECK(second.kind == command.kind && second.speed == command.speed &&
                 std::strcmp(second.error, command.error) == 0 &&
                 (command.port == nullptr) == (second.port == nullptr) &&
                 (command.port == nullptr || std::strcmp(second.port, command.port) == 0),
             "read again: %s / %s", command.error, second.error);
  return 0;
}
