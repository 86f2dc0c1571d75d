#include "tools/sim/fault_options.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <vector>

namespace regsim {

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + 1)
    parts.push_back(text.substr(start, at - start));
  parts.push_back(text.substr(start));
  return parts;
}

// A whole decimal number within [low, high].
bool ParseNumber(const std::string& text, long low, long high, long& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  value = std::strtol(text.c_str(), &end, 10);
  return errno == 0 && *end == '\0' && value >= low && value <= high;
}

// A count of replies or frames: N >= 0, or -1 for "every time".
bool ParseCount(const std::string& text, int& count) {
  long value = 0;
  if (!ParseNumber(text, -1, 1000000000L, value)) return false;
  count = static_cast<int>(value);
  return true;
}

bool ParseByte(const std::string& hex, int& byte) {
  std::string bytes;
  if (hex.size() != 2 || !ParseHexBytes(hex, bytes)) return false;
  byte = static_cast<uint8_t>(bytes[0]);
  return true;
}

bool ParseGap(const std::string& arg, Faults& f) {
  const std::vector<std::string> parts = Split(arg, ':');
  long after = 0, ms = 0;
  if (parts.size() < 2 || parts.size() > 3 || !ParseNumber(parts[0], 0, 1000000000L, after) ||
      !ParseNumber(parts[1], 1, 3600000L, ms))
    return false;
  if (parts.size() == 3 && !ParseCount(parts[2], f.gapBlocks)) return false;
  f.gapAfterBytes = static_cast<int>(after);
  f.gapMs = static_cast<uint32_t>(ms);
  return true;
}

bool ParseUnplug(const std::string& arg, Faults& f) {
  const std::vector<std::string> parts = Split(arg, ':');
  long after = 0, ms = 0;
  if (parts.size() != 2 || !ParseNumber(parts[0], 0, 1000000000L, after) || !ParseNumber(parts[1], 0, 3600000L, ms))
    return false;
  f.unplugAfterBytes = static_cast<int>(after);
  f.unplugMs = static_cast<uint32_t>(ms);
  return true;
}

bool ParseFrameAnswer(const std::string& arg, Faults& f) {
  const std::vector<std::string> parts = Split(arg, ':');
  if (parts.size() > 2 || !ParseByte(parts[0], f.frameAnswer)) return false;
  return parts.size() == 1 || ParseCount(parts[1], f.frameAnswerCount);
}

bool ApplyFault(const std::string& name, const std::string& arg, bool hasArg, Faults& f) {
  long value = 0;
  if (name == "silent") return !hasArg && (f.silent = true);
  if (name == "can-after-enq") return !hasArg && (f.canAfterEnq = true);
  if (name == "silent-after-nak") return !hasArg && (f.silentAfterNak = true);
  if (name == "byte-before-ack") return ParseByte(arg, f.byteBeforeAck);
  if (name == "frame-answer") return ParseFrameAnswer(arg, f);
  if (name == "bad-checksum") return ParseCount(arg, f.badChecksumReplies);
  if (name == "status14") return ParseCount(arg, f.status14Replies);
  if (name == "short-frames") return ParseCount(arg, f.shortFrameReplies);
  if (name == "stray") return ParseHexBytes(arg, f.strayBeforeStx) && !f.strayBeforeStx.empty();
  if (name == "gap") return ParseGap(arg, f);
  if (name == "unplug") return ParseUnplug(arg, f);
  if (name == "noise") {
    f.noise = true;
    if (!hasArg) return true;
    if (!ParseNumber(arg, 1, 1000000L, value)) return false;
    f.noiseIntervalUs = static_cast<uint32_t>(value);
    return true;
  }
  if (name == "long-line") {
    if (!ParseNumber(arg, 2, 100000000L, value)) return false;
    f.longLineBytes = static_cast<size_t>(value);
    return true;
  }
  return false;
}

}  // namespace

bool ParseHexBytes(const std::string& hex, std::string& bytes) {
  bytes.clear();
  if (hex.size() % 2 != 0) return false;
  for (size_t i = 0; i < hex.size(); i += 2) {
    if (!std::isxdigit(static_cast<unsigned char>(hex[i])) || !std::isxdigit(static_cast<unsigned char>(hex[i + 1])))
      return false;
    bytes += static_cast<char>(std::strtol(hex.substr(i, 2).c_str(), nullptr, 16));
  }
  return true;
}

bool ParseFault(const std::string& option, Faults& faults, std::string* error) {
  const size_t eq = option.find('=');
  const std::string name = option.substr(0, eq);
  const std::string arg = eq == std::string::npos ? std::string() : option.substr(eq + 1);
  Faults changed = faults;
  if (!ApplyFault(name, arg, eq != std::string::npos, changed)) {
    if (error) *error = "bad fault '" + option + "' (see --help)";
    return false;
  }
  faults = changed;
  return true;
}

bool ParseTableSizes(const std::string& text, int sizes[4]) {
  const std::vector<std::string> parts = Split(text, ',');
  if (parts.size() != 4) return false;
  for (int i = 0; i < 4; ++i) {
    long value = 0;
    if (!ParseNumber(parts[static_cast<size_t>(i)], 0, 100000000L, value)) return false;
    sizes[i] = static_cast<int>(value);
  }
  return true;
}

}  // namespace regsim
