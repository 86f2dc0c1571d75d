// The dump's line collector (core/dump/dump_lines) on arbitrary dump bytes, fed as
// the capture feeds it: the queued rows are shown whenever the queue is full, and
// once more at the end.
//
// Properties: FMout1.txt holds the input up to its last LF, and of the unfinished
// rest the parts that a line longer than kLinePartBytes has sent ahead, each LF
// written as CR LF; FMout2.txt the same with the Greek capitals moved (table below,
// from the code pages, not from the program); one row per complete line, showing the
// line less its last two bytes, at most kShownLineBytes of it, up to a NUL, and (as
// the list splits cells at TAB) up to a TAB. Not one byte may be lost or added.
//
// The files are written in the working directory: run it in a scratch directory.
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/dump/dump_lines.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/stubs/serial_port_stub.h"
#include "tests/stubs/shell_stub.h"

namespace {

// Windows-1253 to DOS-737: Α..Ρ are 0xC1..0xD1 and 0x80..0x90; Σ..Ω are 0xD3..0xD9
// and 0x91..0x97; 0xD2, which 1253 leaves empty, goes with them.
uint8_t To737(uint8_t byte) {
  if (byte >= 0xC1 && byte <= 0xD1) return static_cast<uint8_t>(byte - 0xC1 + 0x80);
  if (byte >= 0xD2 && byte <= 0xD9) return static_cast<uint8_t>(byte - 0xD3 + 0x91);
  return byte;
}

std::string FileBytes(const char* name) {
  std::ifstream in(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string AsWritten(const std::string& bytes) {
  std::string out;
  for (char c : bytes) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

// What reaches the files: every complete line, then the parts of the unfinished one
// that its length has pushed out (a part goes when the byte after it arrives).
std::string ExpectedInFiles(const std::string& input) {
  const size_t lastLf = input.rfind('\n');
  const size_t complete = lastLf == std::string::npos ? 0 : lastLf + 1;
  const size_t rest = input.size() - complete;
  const size_t spilled = rest == 0 ? 0 : (rest - 1) / kLinePartBytes * kLinePartBytes;
  return input.substr(0, complete + spilled);
}

std::vector<std::string> ExpectedRows(const std::string& input) {
  std::vector<std::string> rows;
  size_t start = 0;
  for (size_t lf = input.find('\n'); lf != std::string::npos; start = lf + 1, lf = input.find('\n', start)) {
    const size_t length = lf + 1 - start;
    std::string row = input.substr(start, length >= 2 ? length - 2 : 0);
    if (row.size() > kShownLineBytes) row.resize(kShownLineBytes);
    row = row.substr(0, row.find_first_of(std::string("\0\t", 2)));
    rows.push_back(row);
  }
  return rows;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  simline::Reset();
  const std::string input(reinterpret_cast<const char*>(data), size);
  FUZZ_CHECK(OpenDumpFiles(), "the files cannot be opened here");
  StartDumpLines();
  for (uint8_t byte : input) {
    if (RowQueueFull()) ShowQueuedRows();
    TakeDumpByte(byte);
  }
  ShowQueuedRows();
  CloseDumpFiles();

  const std::string expected = ExpectedInFiles(input);
  std::string converted = expected;
  for (char& c : converted) c = static_cast<char>(To737(static_cast<uint8_t>(c)));
  FUZZ_CHECK(FileBytes("FMout1.txt") == AsWritten(expected), "FMout1.txt of %zu input bytes", size);
  FUZZ_CHECK(FileBytes("FMout2.txt") == AsWritten(converted), "FMout2.txt of %zu input bytes", size);
  FUZZ_CHECK(shellstub::Rows() == ExpectedRows(input), "%zu rows", shellstub::Rows().size());
  simline::Reset();  // frees what the run allocated: libFuzzer takes an imbalance for a leak to look for
  return 0;
}
