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

// How often the device of an open port whose line is silent is looked at, and a lost
// port looked for.
constexpr uint32_t kPortLookIntervalMs = 500;

// The port's device went away while it was open: an adapter pulled, a driver that
// dropped it, the far end of a pty closed. The layer sees it when a call on the port
// fails as only a vanished device fails it, or when a look finds the port's name
// gone. From then on the port reads nothing and writes nothing; its handle stays
// until ClosePort. False for a port that is not open.
bool PortLost(int port);
// Whether `port`, while it is not open, could be opened now: its name is there
// again. Used while a lost port is waited for, at most every kPortLookIntervalMs.
bool PortPresent(int port);

// Line errors the system reported on the port since it was opened: a register at
// another speed shows as framing errors and breaks.
struct LineErrorCounts {
  uint32_t framing;
  uint32_t parity;
  uint32_t overrun;
  uint32_t breaks;
};
void ReadLineErrors(int port, LineErrorCounts& counts);
