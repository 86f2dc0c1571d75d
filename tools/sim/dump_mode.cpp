// Dump mode: the register set to send its fiscal memory to a PC. ENQ is answered
// with ACK; the STX that follows starts the dump: every line with CR LF, then ETX.
// No checksum, no acknowledgement, no repetition; the register is ready again for
// the next ENQ afterwards.
#include <string>

#include "tools/sim/model_impl.h"

namespace regsim {

namespace {
// The register takes a moment to start the dump after STX. The PC purges its input
// right after writing STX, so a dump that began at once could lose its first bytes
// on a fast host (a real register at 115200 baud needs 87 us for a byte anyway).
constexpr uint64_t kDumpStartDelayUs = 2000;

// Content of the over-long line: Latin and Greek capitals (Windows-1253) and digits,
// so that a cut or wrapped line shows where it was cut.
std::string LongLine(size_t bytesWithLineEnd) {
  static const char kPattern[] = "LONG LINE \xC1\xC2\xC3\xC4 0123456789 ";
  const size_t patternLength = sizeof kPattern - 1;
  std::string line;
  const size_t textBytes = bytesWithLineEnd >= 2 ? bytesWithLineEnd - 2 : 0;
  for (size_t i = 0; i < textBytes; ++i) line += kPattern[i % patternLength];
  return line;
}
}  // namespace

void Register::Impl::ReceiveDump(uint8_t byte, uint64_t nowUs) {
  if (byte == kEnq) {
    AnswerEnq(nowUs);
    state = State::AwaitStx;
  } else if (byte == kStx && state == State::AwaitStx) {
    SendDump(nowUs);
    state = State::Idle;
  }
  // Anything else is not for a register in this mode: ignored.
}

void Register::Impl::SendDumpText(const std::string& text) {
  writer.Put(text);
  stats.dumpBytes += text.size();
}

void Register::Impl::SendDump(uint64_t nowUs) {
  if (faults.silent) return;
  writer.BeginAnswer(nowUs + kDumpStartDelayUs);
  writer.BeginBlock();
  static const std::string kLineEnd = "\r\n";
  if (faults.longLineBytes > 0) SendDumpText(LongLine(faults.longLineBytes) + kLineEnd);
  for (const std::string& line : data.dumpLines) SendDumpText(line + kLineEnd);
  SendDumpText(data.dumpTail);
  writer.EndBlock();
  writer.Put(kEtx);
  ++stats.dumps;
}

}  // namespace regsim
