#include "tests/fuzz/chunked_register.h"

#include "core/line/control_codes.h"

namespace {

constexpr uint32_t kChunkDelayMs[16] = {1, 1, 1, 1, 2, 10, 100, 501, 502, 1001, 1002, 2001, 2002, 3001, 3002, 10000};
constexpr uint32_t kChunkPaceMs[8] = {0, 0, 0, 1, 2, 5, 50, 600};
constexpr uint8_t kChainBit = 0x80;
constexpr uint8_t kLongLengthBit = 0x80;

bool ReleasesChunk(uint8_t byte) { return byte == ENQ || byte == ETX || byte == ACK || byte == NAK; }

}  // namespace

ChunkedRegister::ChunkedRegister(const uint8_t* data, size_t size)
    : next(data), end(data + size), lastArrivalMs(0), bytesScheduled(0) {
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
    for (size_t i = 0; i < length; ++i, at += pace) simline::Send(at, *next++);
    if (length > 0) {
      const uint32_t last = at - pace;
      if (last > lastArrivalMs) lastArrivalMs = last;
      bytesScheduled += static_cast<uint32_t>(length);
    }
  }
}
