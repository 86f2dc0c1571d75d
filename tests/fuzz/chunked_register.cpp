#include "tests/fuzz/chunked_register.h"

#include <vector>

#include "core/line/control_codes.h"

namespace {

constexpr uint32_t kChunkDelayMs[16] = {1, 1, 1, 1, 2, 10, 100, 501, 502, 1001, 1002, 2001, 2002, 3001, 3002, 10000};
constexpr uint32_t kChunkPaceMs[8] = {0, 0, 0, 1, 2, 5, 50, 600};
constexpr uint8_t kChainBit = 0x80;
constexpr uint8_t kLongLengthBit = 0x80;

bool ReleasesChunk(uint8_t byte) { return byte == ENQ || byte == ETX || byte == ACK || byte == NAK; }

// The frame's own rule: the sum modulo 256, then 100, as two digits before ETX.
void RightChecksums(std::vector<uint8_t>& bytes) {
  size_t stx = bytes.size();
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == STX) stx = i;
    if (bytes[i] != ETX || stx == bytes.size() || i < stx + 3) continue;
    unsigned sum = 0;
    for (size_t k = stx + 1; k + 2 < i; ++k) sum += bytes[k];
    bytes[i - 2] = static_cast<uint8_t>('0' + sum % 256 % 100 / 10);
    bytes[i - 1] = static_cast<uint8_t>('0' + sum % 256 % 10);
    stx = bytes.size();
  }
}

}  // namespace

ChunkedRegister::ChunkedRegister(const uint8_t* data, size_t size, bool withRightChecksums)
    : next(data), end(data + size), lastArrivalMs(0), bytesScheduled(0), fixChecksums(withRightChecksums) {
  simline::Attach(this);
}

ChunkedRegister::~ChunkedRegister() { simline::Attach(nullptr); }

void ChunkedRegister::OnWrite(uint8_t byte, uint32_t now) {
  if (!ReleasesChunk(byte)) return;
  uint32_t at = now;
  for (bool chained = true; chained && next < end;) {
    const uint8_t control = *next++;
    chained = (control & kChainBit) != 0;
    size_t length = 0;
    if (next < end) length = *next++;
    if ((length & kLongLengthBit) != 0 && next < end) length = ((length & ~size_t{kLongLengthBit}) << 8) | *next++;
    if (length > static_cast<size_t>(end - next)) length = static_cast<size_t>(end - next);
    at += kChunkDelayMs[control & 0x0F];
    const uint32_t pace = kChunkPaceMs[(control >> 4) & 0x07];
    std::vector<uint8_t> bytes(next, next + length);
    next += length;
    if (fixChecksums) RightChecksums(bytes);
    for (size_t i = 0; i < length; ++i, at += pace) simline::Send(at, bytes[i]);
    if (length > 0) {
      const uint32_t last = at - pace;
      if (last > lastArrivalMs) lastArrivalMs = last;
      bytesScheduled += static_cast<uint32_t>(length);
    }
  }
}
