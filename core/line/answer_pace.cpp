#include "core/line/answer_pace.h"

#include <cstring>

namespace {

constexpr uint32_t kStartBits = 1;
constexpr uint64_t kNsPerSecond = 1000000000ULL;
constexpr uint32_t kRecordMax = 0xFFFF;  // bytes and milliseconds kept per opener
// The rest before the first byte of an answer: this share of the last pause, so that
// an answer that comes a little sooner than the last is still seen on time.
constexpr uint64_t kPauseShareNumerator = 3;
constexpr uint64_t kPauseShareDenominator = 4;

uint16_t Capped(uint64_t value) { return static_cast<uint16_t>(value > kRecordMax ? kRecordMax : value); }

}  // namespace

void StartAnswerPace(AnswerPace& pace, uint32_t baud, uint32_t dataBits, bool parity, uint32_t stopBits) {
  std::memset(&pace, 0, sizeof pace);
  const uint64_t bits = kStartBits + dataBits + (parity ? 1 : 0) + stopBits;
  pace.charNs = baud == 0 ? 0 : static_cast<uint32_t>(bits * kNsPerSecond / baud);
}

void NoteMessageWritten(AnswerPace& pace, uint8_t opener, uint64_t nowUs) {
  if (pace.written) pace.bytes[pace.opener] = Capped(pace.received);
  pace.written = true;
  pace.opener = opener;
  pace.writtenUs = nowUs;
  pace.received = 0;
}

void NoteBytesReceived(AnswerPace& pace, uint32_t count, uint64_t nowUs) {
  if (count == 0) return;
  if (pace.written && pace.received == 0) pace.firstByteMs[pace.opener] = Capped((nowUs - pace.writtenUs) / 1000 + 1);
  pace.received += count;
}

uint32_t AnswerRestUs(const AnswerPace& pace, uint64_t nowUs) {
  if (!pace.written) return 0;
  if (pace.received == 0) {
    if (pace.firstByteMs[pace.opener] == 0) return 0;
    const uint64_t restUntil =
        pace.writtenUs + (pace.firstByteMs[pace.opener] - 1) * 1000ULL * kPauseShareNumerator / kPauseShareDenominator;
    return nowUs < restUntil ? static_cast<uint32_t>(restUntil - nowUs) : 0;
  }
  const uint32_t expected = pace.bytes[pace.opener];
  if (expected <= pace.received) return 0;
  return static_cast<uint32_t>((expected - pace.received) * static_cast<uint64_t>(pace.charNs) / 1000 + 1);
}
