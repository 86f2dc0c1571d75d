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
#include <string>
#include <vector>

#include "core/dump/dump_lines.h"
#include "tests/fuzz/expected_output.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/stubs/serial_port_stub.h"
#include "tests/stubs/shell_stub.h"

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

  const std::string inFiles = expected::DumpBytesInFiles(input);
  FUZZ_CHECK(FileBytes("FMout1.txt") == expected::AsWritten(inFiles), "FMout1.txt of %zu input bytes", size);
  FUZZ_CHECK(FileBytes("FMout2.txt") == expected::AsWritten(expected::To737(inFiles)),
             "FMout2.txt of %zu input bytes", size);
  FUZZ_CHECK(shellstub::Rows() == expected::DumpRows(input), "%zu rows", shellstub::Rows().size());
  simline::Reset();  // frees what the run allocated: libFuzzer takes an imbalance for a leak to look for
  return 0;
}
