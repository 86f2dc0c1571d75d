// How long one ExchangeCommand may take on the virtual clock, worked out from the
// exchange's limits (core/protocol/exchange.cpp) rather than measured, so that a
// change that lengthens a wait or removes a bound shows up here as a finding.
//
// A wait for input of N ms gives up at its first look once N ms have passed: N + 1 at most.
//
//   opening         3 tries x (1000 + 1)                               3003
//   command frame   3 sends x (3000 + 1)                               9003
//   one attempt     hunt for STX: the 10000 ms hunt bound is tested after each
//                   dropped byte, and the wait for the next byte is 2000 + 1,
//                   so < 10000 + 2001; the frame: its 3000 ms bound is tested
//                   after each byte, the gap is 500 + 1, so < 3000 + 501  15502
//   reply           3 attempts                                        46506
//   pause           before the next pass                                800
//   one pass                                                          59312
//   passes          20 at most (status 14; reply failures allow 6)
//   exchange                                                        1186240
//
// Once the far end has sent its last byte, every later wait runs out. The longest
// that can still follow is the command frame's: after a NAK or other byte to a
// frame, up to three more sends of 3001 ms each; everything else is shorter (a
// reply cut by the silence: 501 + 2001; status 14 or three failed attempts just
// accepted: 800 + 3003).
#pragma once
#include <cstdint>

constexpr uint32_t kOpeningBoundMs = 3 * (1000 + 1);
constexpr uint32_t kCommandBoundMs = 3 * (3000 + 1);
constexpr uint32_t kAttemptBoundMs = (10000 + 2000 + 1) + (3000 + 500 + 1);
constexpr uint32_t kPassBoundMs = kOpeningBoundMs + kCommandBoundMs + 3 * kAttemptBoundMs + 800;
constexpr uint32_t kExchangeBoundMs = 20 * kPassBoundMs;
static_assert(kExchangeBoundMs == 1186240, "the derivation above");
constexpr uint32_t kSilentTailBoundMs = kCommandBoundMs;

// LOG gives up after five exchanges in a row without a valid reply. After the far
// end's last byte: the exchange in flight (it ends without a reply), then four more,
// each three unanswered openings.
constexpr uint32_t kLogSilentTailBoundMs = kSilentTailBoundMs + 4 * kOpeningBoundMs;
