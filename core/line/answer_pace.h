// What a port's reader has learned of the answers it gets, and how long it may
// therefore rest before it looks at the line again.
//
// A register answers a message of a kind (an ENQ, a command frame) after about the
// same pause and with about as many bytes as it did the last time: a reader that
// waits for an answer need not look every millisecond, nor wake for every byte of it.
// The memory is keyed by the first byte of the message the program wrote, and the
// serial layers of both platforms keep one per open port. Times are microseconds on
// any clock that does not go back.
#pragma once
#include <cstdint>

struct AnswerPace {
  uint32_t charNs;           // one character on the line: start, data, parity, stop bits
  bool written;              // the program has written since the port was opened
  uint8_t opener;            // the first byte it last wrote
  uint64_t writtenUs;        // when
  uint32_t received;         // bytes received since
  uint16_t bytes[256];       // per opener: the bytes that followed it the last time
  uint16_t firstByteMs[256]; // per opener: how long after it the first one came, + 1 (0: unknown)
};

void StartAnswerPace(AnswerPace& pace, uint32_t baud, uint32_t dataBits, bool parity, uint32_t stopBits);
// The program writes a message that begins with `opener`.
void NoteMessageWritten(AnswerPace& pace, uint8_t opener, uint64_t nowUs);
// `count` bytes came from the line.
void NoteBytesReceived(AnswerPace& pace, uint32_t count, uint64_t nowUs);
// How long a reader that finds nothing new may rest before it looks again without
// seeing the answer later than it would by looking all the time, were this answer
// like the last one of its kind: until three quarters of the last pause before it
// have passed, or until the rest of its bytes can have come. 0 when nothing is
// known (no message yet, a kind not seen before, an answer already longer than the
// last or later than its pause): the reader then looks as it always did.
uint32_t AnswerRestUs(const AnswerPace& pace, uint64_t nowUs);
