// The far end of the fuzz targets that speak the command protocol: the register's
// bytes come from the fuzz input, in chunks released by what the program writes.
//
// Each time the program writes ENQ, ETX, ACK or NAK (the ends of its opening try,
// its command frame and its answer to a reply) the next chunk of the input starts on
// its way. A chunk is
//
//   control byte   bits 0-3: delay before its first byte (kChunkDelayMs), counted
//                  from the write that released it; bits 4-6: time between its
//                  bytes (kChunkPaceMs); bit 7: the chunk after it follows at once,
//                  after its last byte, without waiting for a write
//   length         one byte below 0x80, or 0x80 | high bits and a second byte
//   bytes          what the register sends (cut at the end of the input)
//
// The delays sit on both sides of each of the program's limits, so a mutated input
// reaches the 500 ms gap, the 1000, 2000 and 3000 ms waits and the 3000 ms frame
// bound; once the input is used up the line is silent.
//
// With `fixChecksums`, every STX .. ETX of at least three bytes inside a chunk gets
// the right checksum in its last two bytes before ETX: a mutation seldom hits it by
// itself, and without it few inputs get past the checksum to the status fields.
#pragma once
#include <cstddef>
#include <cstdint>

#include "tests/stubs/serial_port_stub.h"

struct ChunkedRegister : simline::Peer {
  const uint8_t* next;
  const uint8_t* end;
  uint32_t lastArrivalMs;  // the latest time a byte was scheduled to arrive
  uint32_t bytesScheduled;
  bool fixChecksums;

  ChunkedRegister(const uint8_t* data, size_t size, bool withRightChecksums = false);
  ~ChunkedRegister() override;
  void OnWrite(uint8_t byte, uint32_t now) override;
};
