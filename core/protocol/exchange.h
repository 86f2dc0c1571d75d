// The framed command protocol, master side: one call of ExchangeCommand is one
// complete transaction with the register (opening, command frame, reply, ACK),
// repeated by itself on status 14 and after three failed reply attempts.
#pragma once
#include <cstdint>

// Results other than the device's own first status value.
constexpr int16_t ResultEnqCancelled = 100;          // ENQ answered with CAN
constexpr int16_t ResultReplyInvalid = 104;          // three failed reply attempts in pass 6 or later
constexpr int16_t ResultReplyTimeout = 257;          // silence while waiting for the reply's STX
constexpr int16_t ResultFrameUnacknowledged = 258;   // no ACK for the command frame in three sends
constexpr int16_t ResultEnqUnanswered = 259;         // three openings without ACK

constexpr int kReplyBufferSize = 1028;               // 1027 frame bytes and a NUL
constexpr int kReplyDataSize = 1016;                 // room `out` must have: 1015 characters and a NUL

extern uint8_t ReplyBuffer[kReplyBufferSize];
extern uint32_t ReplyStatus;

// How the last ExchangeCommand ended, beside its result: with a reply the register
// sent and the PC accepted (the result is then the register's own status), with the
// register's CAN to the opening, or with nothing valid from the register at all
// (no answer to the opening, the frame never acknowledged, no reply, or every reply
// rejected). A device status of 0x64 or 0x68 reads the same as the codes 100 and
// 104, so the result alone cannot tell them apart.
enum class ExchangeEnd : uint8_t { Reply, Cancelled, NoReply };
extern ExchangeEnd LastExchangeEnd;

// STX, text, two checksum digits, ETX; up to three sends. 1 when ACKed, else 0.
uint8_t SendCommandFrame(int port, const char* text);

// Bytes the exchanges have read from the line since the program started.
extern uint64_t ExchangeBytesReceived;
// 0 on success; else the device's first status or one of the Result codes above.
// `out` (null allowed) receives the reply's data text; it must hold kReplyDataSize bytes.
int16_t ExchangeCommand(int port, const char* command, char* out);
