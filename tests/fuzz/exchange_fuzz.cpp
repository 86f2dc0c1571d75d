// One ExchangeCommand against register bytes from the fuzz input (chunked_register.h).
// The first input byte holds options (bit 0: `out` is null; bit 1: frames get their
// right checksums); the rest are chunks.
//
// Properties: the result is a device status (0..255) or one of 257, 258, 259 (100 and
// 104 lie within the statuses); LastExchangeEnd agrees with it and with the last
// byte written; an accepted reply is a frame the register really sent, whole and
// valid by the frame's own rules (checked here independently, with the library's
// sscanf), and gives the result and `out`; `out` is never written past, is left
// alone when nothing was accepted, and is terminated within kReplyDataSize when
// something was; the call ends within the bounds of exchange_bounds.h.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/line/control_codes.h"
#include "core/protocol/exchange.h"
#include "core/seams/serial_port.h"
#include "tests/fuzz/chunked_register.h"
#include "tests/fuzz/exchange_bounds.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/stubs/clock_stub.h"
#include "tests/stubs/serial_port_stub.h"

namespace {

constexpr int kPort = 2;
constexpr uint8_t kUntouched = 0xA5;
constexpr int kFrameMin = 11;
constexpr int kFrameMax = kReplyBufferSize - 1;

bool IsCSpace(uint8_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The frame rules, from the protocol's description: at least 11 bytes; the sum of
// all but the last two, modulo 256 then 100, equals the last two read as decimal
// digits (wrapping like a byte); three fields converted by "%02X" with the
// separators at 2, 5 and 8 taken as spaces, none of them blank. Gives the first
// status and the data text (from 9 up to the closing byte, or to a NUL before it).
bool ValidFrame(const std::string& body, unsigned& status, std::string& data) {
  const int length = static_cast<int>(body.size());
  if (length < kFrameMin || length > kFrameMax) return false;
  unsigned sum = 0;
  for (int i = 0; i < length - 2; ++i) sum += static_cast<uint8_t>(body[static_cast<size_t>(i)]);
  const auto tens = static_cast<uint8_t>(body[static_cast<size_t>(length - 2)]);
  const auto units = static_cast<uint8_t>(body[static_cast<size_t>(length - 1)]);
  if ((sum % 256) % 100 != static_cast<uint8_t>((tens - '0') * 10 + (units - '0'))) return false;
  std::string text = body.substr(0, static_cast<size_t>(length - 3));
  text[2] = text[5] = text[8] = ' ';
  unsigned values[3] = {};
  for (int f = 0; f < 3; ++f) {
    const char* field = text.c_str() + 3 * f;
    const auto first = static_cast<uint8_t>(field[0]);
    if (first == 0 || (IsCSpace(first) && (field[1] == 0 || IsCSpace(static_cast<uint8_t>(field[1]))))) return false;
    if (std::sscanf(field, "%02X", &values[f]) != 1) return false;
  }
  status = values[0];
  data = text.size() > 9 ? std::string(text.c_str() + 9) : std::string();
  return true;
}

// Some STX .. ETX run of what reached the program is a valid frame that gives this
// result and this data text.
bool SomeFrameGives(const std::string& delivered, int result, const char* out) {
  for (size_t stx = delivered.find(static_cast<char>(STX)); stx != std::string::npos;
       stx = delivered.find(static_cast<char>(STX), stx + 1)) {
    const size_t etx = delivered.find(static_cast<char>(ETX), stx + 1);
    if (etx == std::string::npos) return false;
    unsigned status = 0;
    std::string data;
    if (!ValidFrame(delivered.substr(stx + 1, etx - stx - 1), status, data)) continue;
    if (static_cast<int16_t>(static_cast<uint16_t>(status)) != result) continue;
    if (out == nullptr || data == out) return true;
  }
  return false;
}

int Count(const std::string& bytes, uint8_t byte) {
  int n = 0;
  for (char c : bytes) n += static_cast<uint8_t>(c) == byte;
  return n;
}

bool Untouched(const char* out) {
  for (int i = 0; i < kReplyDataSize; ++i)
    if (static_cast<uint8_t>(out[i]) != kUntouched) return false;
  return true;
}

void CheckEnd(int result, uint8_t lastWritten) {
  switch (LastExchangeEnd) {
    case ExchangeEnd::Reply:
      FUZZ_CHECK(result >= 0 && result <= 255, "result %d", result);
      FUZZ_CHECK(result == static_cast<int16_t>(static_cast<uint16_t>(ReplyStatus)), "result %d, status %u", result,
                 ReplyStatus);
      FUZZ_CHECK(lastWritten == ACK, "last byte written %02X", lastWritten);
      break;
    case ExchangeEnd::Cancelled:
      FUZZ_CHECK(result == ResultEnqCancelled, "result %d", result);
      FUZZ_CHECK(lastWritten == ENQ, "last byte written %02X", lastWritten);
      break;
    case ExchangeEnd::NoReply:
      FUZZ_CHECK(result == ResultReplyInvalid || result == ResultReplyTimeout || result == ResultFrameUnacknowledged ||
                     result == ResultEnqUnanswered,
                 "result %d", result);
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static char* const outBuffer = new char[kReplyDataSize];  // on the heap: ASan sees a write past it
  simline::Reset();
  simline::SetTickStep(0);  // time passes in the waits only, as on the real clock
  OpenPort(kPort, 115200, 'N', 8, 1);
  ReplyStatus = 0;
  const uint8_t options = size > 0 ? data[0] : 0;
  char* const out = (options & 1) != 0 ? nullptr : outBuffer;
  std::memset(outBuffer, kUntouched, kReplyDataSize);

  ChunkedRegister far(size > 0 ? data + 1 : data, size > 0 ? size - 1 : 0, (options & 2) != 0);
  const int result = ExchangeCommand(kPort, "r/3/0000/", out);
  const uint32_t end = simline::Now();
  const std::string written = simline::Written();
  if (std::getenv("TG_FUZZ_SHOW") != nullptr)  // what a finding or a seed does, when replayed by hand
    std::fprintf(stderr, "result %d, end %d, at %u ms, %zu bytes written\n", result, static_cast<int>(LastExchangeEnd),
                 end, written.size());

  FUZZ_CHECK((result >= 0 && result <= 255) || result == 257 || result == 258 || result == 259, "result %d", result);
  CheckEnd(result, written.empty() ? 0 : static_cast<uint8_t>(written.back()));
  FUZZ_CHECK(end <= kExchangeBoundMs, "ended at %u ms", end);
  FUZZ_CHECK(end <= far.lastArrivalMs + kSilentTailBoundMs, "ended at %u ms, %u ms after the last byte", end,
             end - far.lastArrivalMs);
  if (LastExchangeEnd == ExchangeEnd::Reply)
    FUZZ_CHECK(SomeFrameGives(simline::Delivered(), result, out), "accepted a reply the register never sent whole");
  if (Count(written, ACK) == 0) {
    FUZZ_CHECK(Untouched(outBuffer), "out written without an accepted reply");
  } else if (out != nullptr) {
    FUZZ_CHECK(std::memchr(out, 0, kReplyDataSize) != nullptr, "out not terminated");
  }
  simline::Reset();  // frees what the run allocated: libFuzzer takes an imbalance for a leak to look for
  return 0;
}
