// A whole LOG run (BuildRecordLog) against register bytes from the fuzz input
// (chunked_register.h), in the working directory: run it in a scratch directory.
// The first input byte holds options (bit 1: frames get their right checksums).
//
// Properties: the run ends, within kLogSilentTailBoundMs of the register's last byte
// and within its exchanges' bound (LOG stops after five exchanges in a row without a
// valid reply, and every exchange that keeps it going reads at least one byte of the
// input, so at most 5 x (bytes + 1) exchanges of kExchangeBoundMs each); every
// message is a well-formed report line or the stop row, at most one stop row and that
// one last; log.txt holds exactly the report lines; no more lines than replies the
// program acknowledged.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/line/control_codes.h"
#include "core/program/state.h"
#include "core/report/record_log.h"
#include "core/report/report_line.h"
#include "core/seams/serial_port.h"
#include "tests/fuzz/chunked_register.h"
#include "tests/fuzz/exchange_bounds.h"
#include "tests/fuzz/expected_output.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/stubs/clock_stub.h"
#include "tests/stubs/serial_port_stub.h"
#include "tests/stubs/shell_stub.h"

namespace {

constexpr int kPort = 2;
constexpr char kStopRow[] = "LOG stopped: the register does not answer";
constexpr size_t kShortestLine = 126;  // every value at its narrowest width, CR LF included

// The shape every line has whatever the fields hold: "20", ten stamp characters
// (none a NUL or a '/', which no field holds), a space, and the CR LF.
void CheckReportLine(const std::string& line) {
  FUZZ_CHECK(line.size() >= kShortestLine && line.size() < static_cast<size_t>(kReportLineSize), "%zu characters",
             line.size());
  FUZZ_CHECK(line.compare(0, 2, "20") == 0 && line[12] == ' ', "stamp");
  for (size_t i = 2; i < 12; ++i) FUZZ_CHECK(line[i] != '\0' && line[i] != '/', "stamp character %zu", i);
  FUZZ_CHECK(line.compare(line.size() - 2, 2, "\r\n") == 0, "line end");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  simline::Reset();
  simline::SetTickStep(0);
  simline::ConnectProgram(kPort);
  const uint8_t options = size > 0 ? data[0] : 0;
  ChunkedRegister far(size > 0 ? data + 1 : data, size > 0 ? size - 1 : 0, (options & 2) != 0);
  BuildRecordLog();
  const uint64_t end = simline::Now();
  if (std::getenv("TG_FUZZ_SHOW") != nullptr)  // what a finding or a seed does, when replayed by hand
    for (const std::string& message : shellstub::Messages()) std::fprintf(stderr, "%s\n", message.c_str());

  FUZZ_CHECK(end <= far.lastArrivalMs + uint64_t{kLogSilentTailBoundMs}, "ended %llu ms after the last byte",
             static_cast<unsigned long long>(end - far.lastArrivalMs));
  FUZZ_CHECK(end <= 5 * (uint64_t{far.bytesScheduled} + 1) * kExchangeBoundMs, "ended at %llu ms",
             static_cast<unsigned long long>(end));
  std::string lines;
  int reported = 0;
  const auto& messages = shellstub::Messages();
  for (size_t i = 0; i < messages.size(); ++i) {
    if (messages[i] == kStopRow) {
      FUZZ_CHECK(i + 1 == messages.size(), "the stop row is not last");
      continue;
    }
    CheckReportLine(messages[i]);
    lines += messages[i];
    ++reported;
  }
  FUZZ_CHECK(FileBytes("log.txt") == expected::AsWritten(lines), "log.txt is not the %d lines shown", reported);
  int acknowledged = 0;
  for (char c : simline::Written()) acknowledged += c == static_cast<char>(ACK);
  FUZZ_CHECK(reported <= acknowledged, "%d lines from %d acknowledged replies", reported, acknowledged);
  simline::Reset();  // frees what the run allocated: libFuzzer takes an imbalance for a leak to look for
  return 0;
}
