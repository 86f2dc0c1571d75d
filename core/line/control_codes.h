// The control codes of the line, by their ASCII names: the dump handshake and the
// command protocol both speak them.
#pragma once
#include <cstdint>

constexpr uint8_t STX = 0x02;
constexpr uint8_t ETX = 0x03;
constexpr uint8_t ENQ = 0x05;
constexpr uint8_t ACK = 0x06;
constexpr uint8_t LF = 0x0A;
constexpr uint8_t NAK = 0x15;
constexpr uint8_t CAN = 0x18;
