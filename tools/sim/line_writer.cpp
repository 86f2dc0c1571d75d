#include "tools/sim/line_writer.h"

#include <algorithm>

namespace regsim {

namespace {
constexpr uint64_t kBitsPerByte = 10;  // start bit, 8 data bits, stop bit
// Even an immediate answer reaches the PC a moment after the byte it answers: a
// register needs time to react, and the PC may purge right after writing.
constexpr uint64_t kMinTurnaroundNs = 1000;
constexpr uint64_t kNsPerUs = 1000;
constexpr uint64_t kNsPerMs = 1000 * 1000;
constexpr uint64_t kNsPerS = 1000 * 1000 * 1000;
}  // namespace

LineWriter::LineWriter(const Faults& faults, Register::Output output)
    : faults_(faults), output_(std::move(output)) {
  if (faults_.baud > 0) byteNs_ = kBitsPerByte * kNsPerS / faults_.baud;
}

void LineWriter::BeginAnswer(uint64_t nowUs) {
  const uint64_t delay = std::max<uint64_t>(uint64_t{faults_.latencyUs} * kNsPerUs, kMinTurnaroundNs);
  cursorNs_ = std::max(cursorNs_, nowUs * kNsPerUs + delay);
}

void LineWriter::BeginUnprompted(uint64_t atUs) { cursorNs_ = std::max(cursorNs_, atUs * kNsPerUs); }

void LineWriter::Put(uint8_t byte) {
  if (inBlock_ && gapThisBlock_ && blockBytes_ == static_cast<uint64_t>(faults_.gapAfterBytes))
    cursorNs_ += uint64_t{faults_.gapMs} * kNsPerMs;
  ++blockBytes_;
  cursorNs_ += byteNs_;
  // Rounded up: a byte is there only once its last bit is.
  output_((cursorNs_ + kNsPerUs - 1) / kNsPerUs, byte);
}

void LineWriter::Put(const std::string& bytes) {
  for (char c : bytes) Put(static_cast<uint8_t>(c));
}

void LineWriter::BeginBlock() {
  inBlock_ = true;
  blockBytes_ = 0;
  gapThisBlock_ = faults_.gapAfterBytes >= 0 && faults_.gapMs > 0 && FaultApplies(faults_, faults_.gapBlocks, blocks_);
  ++blocks_;
}

void LineWriter::EndBlock() { inBlock_ = false; }

void LineWriter::Reset(uint64_t nowUs) {
  cursorNs_ = nowUs * kNsPerUs;
  inBlock_ = false;
}

}  // namespace regsim
