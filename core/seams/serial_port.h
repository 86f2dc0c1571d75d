// Byte I/O on the serial ports, addressed by port number.
//
// One link-time seam: windows/serial_port.cpp implements it on KERNEL32 for the
// program, tests/stubs/serial_port_stub.cpp on a simulated line for the host tests.
//
// Contract the callers rely on:
// - a port number outside 1..kPortCount is refused silently (0 / nothing);
// - nothing waits for input: ReadByte returns 0 both for a received 0x00 and for an
//   empty queue, so a caller asks BytesWaiting (or WaitForInput) first;
// - WriteByte is synchronous, and a PurgePort that follows never takes back a byte
//   already written (PurgePort empties the input side only).
#pragma once
#include <cstdint>

// Slots COM1 to COM256: USB-serial adapters commonly appear as COM13 and above,
// and 256 is as far as Windows' port database numbers them by default (and as
// far as Wine maps ports).
constexpr int kPortCount = 256;

int OpenPort(int port, uint32_t baud, char parity, uint32_t dataBits, uint32_t stopBits);
void ClosePort(int port);
uint32_t BytesWaiting(int port);
uint8_t ReadByte(int port);
void WriteByte(int port, uint8_t byte);
void PurgePort(int port);
