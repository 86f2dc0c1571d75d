// What the output files must hold, worked out from the bytes the program was given,
// independently of the program's own code: for the fuzz targets and the soak.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/dump/dump_lines.h"
#include "tests/stubs/temp_dir.h"  // FileBytes

namespace expected {

// As the files are written on Windows in text mode: every LF as CR LF.
inline std::string AsWritten(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  for (char c : bytes) {
    if (c == '\n') out.push_back('\r');
    out.push_back(c);
  }
  return out;
}

// Windows-1253 to DOS-737: Α..Ρ are 0xC1..0xD1 and 0x80..0x90; Σ..Ω are 0xD3..0xD9
// and 0x91..0x97; 0xD2, which 1253 leaves empty, goes with them.
inline std::string To737(std::string bytes) {
  for (char& c : bytes) {
    const auto b = static_cast<uint8_t>(c);
    if (b >= 0xC1 && b <= 0xD1) c = static_cast<char>(b - 0xC1 + 0x80);
    if (b >= 0xD2 && b <= 0xD9) c = static_cast<char>(b - 0xD3 + 0x91);
  }
  return bytes;
}

// Of the dump bytes received, what reaches the files: every complete line, then the
// parts of the unfinished one that its length has pushed out (a part of
// kLinePartBytes goes when the byte after it arrives).
inline std::string DumpBytesInFiles(const std::string& received) {
  const size_t lastLf = received.rfind('\n');
  const size_t complete = lastLf == std::string::npos ? 0 : lastLf + 1;
  const size_t rest = received.size() - complete;
  const size_t spilled = rest == 0 ? 0 : (rest - 1) / kLinePartBytes * kLinePartBytes;
  return received.substr(0, complete + spilled);
}

// The rows of the complete lines: each line less its last two bytes (its CR LF), at
// most kShownLineBytes of it, up to a NUL, and (the list splits cells at TAB) up to
// a TAB.
inline std::vector<std::string> DumpRows(const std::string& received) {
  std::vector<std::string> rows;
  size_t start = 0;
  for (size_t lf = received.find('\n'); lf != std::string::npos; start = lf + 1, lf = received.find('\n', start)) {
    const size_t length = lf + 1 - start;
    std::string row = received.substr(start, length >= 2 ? length - 2 : 0);
    if (row.size() > kShownLineBytes) row.resize(kShownLineBytes);
    rows.push_back(row.substr(0, row.find_first_of(std::string("\0\t", 2))));
  }
  return rows;
}

}  // namespace expected
