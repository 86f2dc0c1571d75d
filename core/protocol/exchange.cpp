// One transaction with the register, as a sequence of its states:
//
//   pass start -> opening -> command -> (awaiting STX -> receiving -> verifying) x3
//
// ExchangeCommand holds the pass loop; each state is one small function below whose
// returns are the rows of that state. Every wait is WaitForInput (or RestMs before a
// repeated pass): it gives the processor away between its looks at the input queue,
// keeps the window alive, and ends at once when the running LOG is asked to stop;
// the same code runs on the virtual clock of the host tests.
#include "core/protocol/exchange.h"

#include "core/line/control_codes.h"
#include "core/line/deadline.h"
#include "core/program/waits.h"
#include "core/protocol/frame_fields.h"
#include "core/seams/serial_port.h"

uint8_t ReplyBuffer[kReplyBufferSize];
uint32_t ReplyStatus = 0;
ExchangeEnd LastExchangeEnd = ExchangeEnd::NoReply;
uint64_t ExchangeBytesReceived = 0;

namespace {

// Every byte the exchange takes from the line goes through here, counted.
uint8_t ReceiveByte(int port) {
  ++ExchangeBytesReceived;
  return ReadByte(port);
}

constexpr uint32_t kEnqAnswerWaitMs = 1000;   // each opening try
constexpr uint32_t kFrameAckWaitMs = 3000;    // each send of the command frame
constexpr uint32_t kReplyStxWaitMs = 2000;    // silence before the reply's STX: 257
constexpr uint32_t kReplyGapWaitMs = 500;     // silence inside a reply: NAK
constexpr uint32_t kRepeatPauseMs = 800;      // before a repeated pass

constexpr int kOpeningTries = 3;
constexpr int kCancelBytes = 3;               // CANs that end whatever the register was doing
constexpr int kFrameSends = 3;
constexpr int kReplyAttempts = 3;
constexpr int kStatusRetryPasses = 20;        // passes in all while the register asks to try again
constexpr int kReplyRetryPasses = 6;          // passes in all while replies keep failing
constexpr uint32_t kStatusTryAgain = 0x0E;    // the register asks for the transaction again

constexpr int kReplyFrameMax = kReplyBufferSize - 1;  // frame bytes kept; a longer frame is cut
constexpr int kFrameChunkBytes = 64;          // the command frame goes out in writes of this size
constexpr int kReplyFrameMin = 11;            // three status fields, separators, closing byte, checksum
constexpr int kChecksumDigits = 2;
constexpr int kClosingByteOffset = 3;         // from the end: closing byte, then the two digits
constexpr int kStatusFieldCount = 3;
constexpr int kStatusFieldStride = 3;         // two hex digits and a separator
constexpr int kReplyDataStart = 9;
constexpr uint8_t kDigitZero = '0';
constexpr uint32_t kStatusFieldMax = 0xFF;

// Bounds on a line that never stops chattering. Stray bytes before STX restart the
// wait for it, and a reception ends only on ETX or a gap, so a wrong
// device or a noisy cable could otherwise hold the program for ever. A register
// sends at most a few stray bytes before a reply, and its longest frame (1029 bytes
// with STX and ETX) takes 1.07 s at 9600 baud, the slowest speed offered; these
// limits sit far beyond both, and end the wait as its silence would.
constexpr int kStrayBytesMax = 2048;          // dropped before STX: 257
constexpr uint32_t kStxHuntLimitMs = 10000;   // since the wait for STX began: 257
constexpr uint32_t kReplyFrameLimitMs = 3000; // since STX, without ETX: NAK

enum class Opening { Acknowledged, Cancelled, Unanswered };
enum class Reply { Accepted, Rejected, Silent };

// One try: CAN CAN CAN to stop whatever the register is doing, a purge so that the
// first byte after ENQ is its answer to ENQ (the CANs are not taken back).
Opening OpenLine(int port) {
  for (int attempt = 1; attempt <= kOpeningTries; ++attempt) {
    const uint8_t cancels[kCancelBytes] = {CAN, CAN, CAN};
    WriteBytes(port, cancels, kCancelBytes);
    PurgePort(port);
    WriteByte(port, ENQ);
    if (!WaitForInput(port, kEnqAnswerWaitMs)) continue;
    const uint8_t answer = ReceiveByte(port);
    if (answer == ACK) return Opening::Acknowledged;
    if (answer == CAN) return Opening::Cancelled;
  }
  return Opening::Unanswered;
}

// Drops everything up to the reply's STX. False when the line falls silent, or
// when it chatters past the bounds above.
bool AwaitReplyStx(int port) {
  Deadline hunt;
  StartDeadline(hunt, kStxHuntLimitMs);
  int dropped = 0;
  for (;;) {
    if (!WaitForInput(port, kReplyStxWaitMs)) return false;
    if (ReceiveByte(port) == STX) return true;
    ++dropped;
    if (dropped >= kStrayBytesMax || DeadlineExpired(hunt)) return false;
  }
}

// Collects the frame bytes up to ETX into ReplyBuffer. False on a gap, on a frame
// that runs past its time bound, and on a frame longer than the buffer: the bytes
// past it are read and dropped until ETX, and a cut frame is never accepted, whatever
// its last two bytes happen to read as. `length` is what was stored either way.
bool ReceiveReplyFrame(int port, int& length) {
  Deadline frame;
  StartDeadline(frame, kReplyFrameLimitMs);
  length = 0;
  bool cut = false;
  for (;;) {
    if (!WaitForInput(port, kReplyGapWaitMs)) break;
    const uint8_t byte = ReceiveByte(port);
    if (byte == ETX) {
      ReplyBuffer[length] = 0;
      return !cut;
    }
    if (length < kReplyFrameMax) {
      ReplyBuffer[length++] = byte;
    } else {
      cut = true;
    }
    if (DeadlineExpired(frame)) break;
  }
  ReplyBuffer[length] = 0;
  return false;
}

bool ChecksumMatches(int length) {
  const uint8_t tens = ReplyBuffer[length - kChecksumDigits];
  const uint8_t units = ReplyBuffer[length - 1];
  // The digits are not tested for being digits: whatever they are, the expected
  // value wraps like the register's 8-bit arithmetic.
  const uint8_t expected = static_cast<uint8_t>((tens - kDigitZero) * 10 + (units - kDigitZero));
  return FrameChecksum(ReplyBuffer, length - kChecksumDigits) == expected;
}

bool IsBlank(uint8_t c) { return c == 0 || c == ' ' || (c >= '\t' && c <= '\r'); }

// A field of nothing but white space or a NUL is refused outright: the library's
// conversion would either report end of text (and leave a stale status standing)
// or skip ahead and read the next field's digits as this one's. So is a minus sign
// before a digit other than 0: the conversion wraps "-F" to 0xFFFFFFF1, no status of
// two hex digits, and its low 16 bits would make the result a negative number
// outside every result the exchange has.
bool ConvertStatusField(const uint8_t* field, uint32_t& value) {
  if (IsBlank(field[0]) && (field[0] == 0 || IsBlank(field[1]))) return false;
  uint32_t converted = 0;
  if (ScanHexField(field, converted) != 1 || converted > kStatusFieldMax) return false;
  value = converted;
  return true;
}

// Length, checksum, cut, status fields. The first field goes straight into
// ReplyStatus; the other two only decide whether the reply is accepted.
bool VerifyReplyFrame(int length) {
  if (length < kReplyFrameMin) return false;
  if (!ChecksumMatches(length)) return false;
  ReplyBuffer[length - kClosingByteOffset] = 0;
  for (int i = 1; i <= kStatusFieldCount; ++i) ReplyBuffer[i * kStatusFieldStride - 1] = ' ';

  uint32_t second = 0;
  uint32_t third = 0;
  uint32_t* const targets[kStatusFieldCount] = {&ReplyStatus, &second, &third};
  for (int i = 0; i < kStatusFieldCount; ++i)
    if (!ConvertStatusField(ReplyBuffer + i * kStatusFieldStride, *targets[i])) return false;
  return true;
}

// The data text runs from position 9 to the cut (or to a NUL inside it); 1015
// characters and a NUL at most, which is the room `out` must have.
void CopyReplyData(int length, char* out) {
  if (out == nullptr) return;
  if (length - kClosingByteOffset <= kReplyDataStart - 1) {
    out[0] = 0;
    return;
  }
  int i = 0;
  do {
    out[i] = static_cast<char>(ReplyBuffer[kReplyDataStart + i]);
  } while (out[i++] != 0);
}

// Up to three attempts at the reply; each failed one is answered with one NAK.
// The data goes into `out` before the ACK, whatever the status.
Reply ReceiveReply(int port, char* out) {
  for (int attempt = 1; attempt <= kReplyAttempts; ++attempt) {
    if (!AwaitReplyStx(port)) return Reply::Silent;
    int length = 0;
    if (!ReceiveReplyFrame(port, length) || !VerifyReplyFrame(length)) {
      WriteByte(port, NAK);
      continue;
    }
    CopyReplyData(length, out);
    WriteByte(port, ACK);
    return Reply::Accepted;
  }
  return Reply::Rejected;
}

// The frame's bytes gathered into writes of kFrameChunkBytes: a write costs about
// as much for one byte as for many.
struct FrameWriter {
  int port;
  uint8_t chunk[kFrameChunkBytes];
  int used;
};

void PutFrameByte(FrameWriter& writer, uint8_t byte) {
  if (writer.used == kFrameChunkBytes) {
    WriteBytes(writer.port, writer.chunk, kFrameChunkBytes);
    writer.used = 0;
  }
  writer.chunk[writer.used++] = byte;
}

void SendFrameOnce(int port, const char* text, const uint8_t digits[kChecksumDigits]) {
  FrameWriter writer{port, {}, 0};
  PutFrameByte(writer, STX);
  for (const char* p = text; *p != 0; ++p) PutFrameByte(writer, static_cast<uint8_t>(*p));
  for (int i = 0; i < kChecksumDigits; ++i) PutFrameByte(writer, digits[i]);
  PutFrameByte(writer, ETX);
  WriteBytes(port, writer.chunk, static_cast<uint32_t>(writer.used));
}

int16_t Ended(ExchangeEnd end, int16_t result) {
  LastExchangeEnd = end;
  return result;
}

}  // namespace

uint8_t SendCommandFrame(int port, const char* text) {
  int length = 0;
  while (text[length] != 0) ++length;
  // The two digits as "%02d" gives them, tens first.
  const int checksum = FrameChecksum(reinterpret_cast<const uint8_t*>(text), length);
  const uint8_t digits[kChecksumDigits] = {static_cast<uint8_t>(kDigitZero + checksum / 10),
                                           static_cast<uint8_t>(kDigitZero + checksum % 10)};
  for (int send = 1; send <= kFrameSends; ++send) {
    SendFrameOnce(port, text, digits);
    if (!WaitForInput(port, kFrameAckWaitMs)) continue;
    if (ReceiveByte(port) == ACK) return 1;  // NAK, CAN or anything else: send again
  }
  return 0;
}

int16_t ExchangeCommand(int port, const char* command, char* out) {
  for (int pass = 1;; ++pass) {
    const Opening opening = OpenLine(port);
    if (opening == Opening::Cancelled) return Ended(ExchangeEnd::Cancelled, ResultEnqCancelled);
    if (opening == Opening::Unanswered) return Ended(ExchangeEnd::NoReply, ResultEnqUnanswered);

    if (SendCommandFrame(port, command) == 0) return Ended(ExchangeEnd::NoReply, ResultFrameUnacknowledged);

    const Reply reply = ReceiveReply(port, out);
    if (reply == Reply::Silent) return Ended(ExchangeEnd::NoReply, ResultReplyTimeout);
    if (reply == Reply::Accepted) {
      if (ReplyStatus != kStatusTryAgain || pass >= kStatusRetryPasses)
        return Ended(ExchangeEnd::Reply, static_cast<int16_t>(static_cast<uint16_t>(ReplyStatus)));
    } else if (pass >= kReplyRetryPasses) {
      return Ended(ExchangeEnd::NoReply, ResultReplyInvalid);
    }
    // A lost line gets no second pass: the caller knows what to do about it.
    if (PortLost(port)) return Ended(ExchangeEnd::NoReply, ResultReplyInvalid);
    // Rests with the window kept alive; a stop asked for meanwhile ends every wait
    // of the next pass at once.
    RestMs(kRepeatPauseMs);
  }
}
