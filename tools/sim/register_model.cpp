// The register model: dispatch to the chosen mode, the faults that concern both
// modes (silence, byte before ACK, noise) and the public API.
#include "tools/sim/register_model.h"

#include <algorithm>

#include "tools/sim/model_impl.h"

namespace regsim {

namespace {
// A burst of noise is bounded per call: a real PC's input queue would overflow
// long before, and a large jump of a virtual clock must not build a huge burst.
constexpr uint64_t kMaxNoiseBytesPerAdvance = 4096;
constexpr uint64_t kUsPerS = 1000 * 1000;

bool IsProtocolByte(uint8_t b) {
  return b == kStx || b == kEtx || b == kEnq || b == kAck || b == kNak || b == kCan || b == kLf;
}
}  // namespace

Register::Impl::Impl(Mode m, Data d, Faults f, Output output)
    : mode(m), data(std::move(d)), faults(f), writer(faults, std::move(output)) {}

void Register::Impl::Receive(uint8_t byte, uint64_t nowUs) {
  if (byte == kEnq) ++stats.enqs;
  if (noiseOn) return;  // a register that only babbles hears nothing
  if (faults.noise && byte == kEnq && stats.enqs > faults.faultsFrom) {
    StartNoise(nowUs);
    return;
  }
  if (mode == Mode::Dump)
    ReceiveDump(byte, nowUs);
  else
    ReceiveCommand(byte, nowUs);
}

void Register::Impl::AnswerEnq(uint64_t nowUs) {
  if (faults.silent) return;
  writer.BeginAnswer(nowUs);
  if (faults.byteBeforeAck >= 0) writer.Put(static_cast<uint8_t>(faults.byteBeforeAck));
  writer.Put(kAck);
}

void Register::Impl::StartNoise(uint64_t nowUs) {
  if (faults.silent) return;
  noiseOn = true;
  noiseNextUs = nowUs + NoiseIntervalUs();
}

// Never faster than the paced line can carry, or the backlog would grow forever.
uint64_t Register::Impl::NoiseIntervalUs() const {
  const uint64_t lineUs = faults.baud > 0 ? (kUsPerS * 10 + faults.baud - 1) / faults.baud : 0;
  return std::max<uint64_t>({faults.noiseIntervalUs, lineUs, 1});
}

void Register::Impl::Advance(uint64_t nowUs) {
  if (!noiseOn) return;
  const uint64_t interval = NoiseIntervalUs();
  if (noiseNextUs + kMaxNoiseBytesPerAdvance * interval < nowUs)
    noiseNextUs = nowUs - kMaxNoiseBytesPerAdvance * interval;
  std::string burst;
  for (; noiseNextUs <= nowUs; noiseNextUs += interval) {
    uint8_t b;
    do {  // xorshift: varied, repeatable bytes
      noiseSeed ^= noiseSeed << 13;
      noiseSeed ^= noiseSeed >> 17;
      noiseSeed ^= noiseSeed << 5;
      b = static_cast<uint8_t>(noiseSeed);
    } while (IsProtocolByte(b));
    writer.BeginUnprompted(noiseNextUs);
    writer.Put(b);
  }
}

void Register::Impl::LineClosed(uint64_t nowUs) {
  state = State::Idle;
  frame.clear();
  noiseOn = false;
  writer.Reset(nowUs);
}

bool FaultApplies(const Faults& faults, int count, int seen) {
  return seen >= faults.faultsFrom && (count < 0 || seen - faults.faultsFrom < count);
}

Register::Register(Mode mode, Data data, Faults faults, Output output)
    : impl_(new Impl(mode, std::move(data), faults, std::move(output))) {}

Register::~Register() { delete impl_; }

void Register::Receive(uint8_t byte, uint64_t nowUs) { impl_->Receive(byte, nowUs); }
void Register::Advance(uint64_t nowUs) { impl_->Advance(nowUs); }
void Register::LineClosed(uint64_t nowUs) { impl_->LineClosed(nowUs); }
const Stats& Register::stats() const { return impl_->stats; }

}  // namespace regsim
