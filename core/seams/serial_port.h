// Byte I/O on the serial ports, addressed by port number.
//
// One link-time seam: windows/serial_port.cpp implements it on KERNEL32 for the
// program, tests/stubs/serial_port_stub.cpp on a simulated line for the host tests.
//
// Contract the callers rely on:
// - a port number outside 1..kPortCount is refused silently (0 / nothing);
// - nothing but AwaitInput waits for input: ReadByte returns 0 both for a received
//   0x00 and for an empty queue, so a caller asks BytesWaiting (or WaitForInput) first;
// - WriteByte and WriteBytes are synchronous, and a PurgePort that follows never
//   takes back a byte already written (PurgePort empties the input side only).
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
// The bytes in order, as that many WriteByte calls would send them, in one transfer.
void WriteBytes(int port, const uint8_t* bytes, uint32_t count);
void PurgePort(int port);
// Gives the processor away until a byte may be waiting on `port`, the window has a
// message to handle, or `ms` have passed. It may return sooner than any of these (a
// platform that cannot wait on its port looks again after a short rest), so the
// caller looks at the queue and the clock again. A port that is not open waits for
// the window and the time alone. True when the window has a message to handle: only
// then does the caller pump one (a look at the message queue is not free).
bool AwaitInput(int port, uint32_t ms);
