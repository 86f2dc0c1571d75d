// Byte I/O on the serial ports through KERNEL32. Every call is synchronous; no
// overlapped I/O. Reads never wait (ReadIntervalTimeout = MAXDWORD with zero
// totals returns at once with what has arrived).
#include <windows.h>

#include "core/seams/serial_port.h"

namespace {

constexpr DWORD kQueueBytes = 16384;
constexpr char kXonChar = 0x11;   // DC1
constexpr char kXoffChar = 0x13;  // DC3

// A closed slot holds no handle (null): CreateFile reports failure as
// INVALID_HANDLE_VALUE, never as null, and 256 slots then start closed without an
// initialiser.
HANDLE PortSlot[kPortCount] = {};
COMMTIMEOUTS PortTimeouts;
// The longest text formatted here is the mode text with three 10-digit numbers:
// 56 characters and the NUL.
char ScratchText[64];

bool InRange(int port) { return port >= 1 && port <= kPortCount; }

HANDLE& Slot(int port) { return PortSlot[port - 1]; }

bool IsOpen(int port) { return InRange(port) && Slot(port) != nullptr; }

// Releases the device after a failed setting step; the slot is closed again.
int AbandonOpen(int port) {
  CloseHandle(Slot(port));
  Slot(port) = nullptr;
  return 0;
}

void SetLineFields(DCB& dcb) {
  dcb.DCBlength = sizeof(DCB);
  dcb.fBinary = 1;
  dcb.fOutxCtsFlow = 0;
  dcb.fOutxDsrFlow = 0;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;
  dcb.fDsrSensitivity = 0;
  dcb.fOutX = 0;
  dcb.fInX = 0;
  dcb.fErrorChar = 0;
  dcb.fNull = 0;
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
  dcb.fAbortOnError = 0;
  dcb.XonLim = 0;
  dcb.XoffLim = 0;
}

}  // namespace

int OpenPort(int port, uint32_t baud, char parity, uint32_t dataBits, uint32_t stopBits) {
  if (!InRange(port)) return 0;
  if (IsOpen(port)) return 1;

  // Fields that neither the mode text nor SetLineFields sets start from zero rather
  // than from stack garbage, except the XON/XOFF characters: a serial driver refuses
  // a state in which they are equal (SetCommState fails although flow control is
  // off), so they get their usual values DC1 and DC3.
  DCB dcb = {};
  dcb.DCBlength = sizeof(DCB);
  dcb.XonChar = kXonChar;
  dcb.XoffChar = kXoffChar;
  wsprintfA(ScratchText, "baud=%lu parity=%c data=%lu stop=%lu", static_cast<unsigned long>(baud),
            parity, static_cast<unsigned long>(dataBits), static_cast<unsigned long>(stopBits));
  if (!BuildCommDCBA(ScratchText, &dcb)) return 0;

  // "\\.\" before the name: without it COM10 and above cannot be opened.
  wsprintfA(ScratchText, "\\\\.\\COM%d", port);
  const HANDLE device = CreateFileA(ScratchText, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (device == INVALID_HANDLE_VALUE) return 0;
  Slot(port) = device;

  SetLineFields(dcb);
  if (!SetCommState(Slot(port), &dcb)) return AbandonOpen(port);
  if (!SetupComm(Slot(port), kQueueBytes, kQueueBytes)) return AbandonOpen(port);
  PortTimeouts.ReadIntervalTimeout = MAXDWORD;
  PortTimeouts.ReadTotalTimeoutMultiplier = 0;
  PortTimeouts.ReadTotalTimeoutConstant = 0;
  PortTimeouts.WriteTotalTimeoutMultiplier = 0;
  PortTimeouts.WriteTotalTimeoutConstant = 0;
  SetCommTimeouts(Slot(port), &PortTimeouts);
  if (!ClearCommBreak(Slot(port))) return AbandonOpen(port);
  return 1;
}

void ClosePort(int port) {
  if (!IsOpen(port)) return;
  PurgePort(port);
  SetCommMask(Slot(port), 0);
  CloseHandle(Slot(port));
  Slot(port) = nullptr;
}

uint32_t BytesWaiting(int port) {
  if (!IsOpen(port)) return 0;
  DWORD errors = 0;
  COMSTAT status = {};
  if (!ClearCommError(Slot(port), &errors, &status)) return 0;
  return status.cbInQue;
}

uint8_t ReadByte(int port) {
  if (!IsOpen(port) || BytesWaiting(port) == 0) return 0;
  uint8_t byte = 0;
  DWORD got = 0;
  if (!ReadFile(Slot(port), &byte, 1, &got, nullptr) || got != 1) {
    DWORD errors = 0;
    ClearCommError(Slot(port), &errors, nullptr);
    return 0;
  }
  return byte;
}

void WriteByte(int port, uint8_t byte) {
  if (!IsOpen(port)) return;
  DWORD put = 0;
  if (!WriteFile(Slot(port), &byte, 1, &put, nullptr)) {
    DWORD errors = 0;
    ClearCommError(Slot(port), &errors, nullptr);
  }
}

// Input side only. Every write is synchronous, so there is never output to
// abandon; and PURGE_TXABORT/PURGE_TXCLEAR can discard bytes already written but
// not yet on the wire (Wine turns them into tcflush(TCOFLUSH); some USB-serial
// drivers complete writes into their own buffer), which would lose the CAN bytes
// of a command opening or the STX that starts a dump.
void PurgePort(int port) {
  if (!IsOpen(port)) return;
  PurgeComm(Slot(port), PURGE_RXABORT | PURGE_RXCLEAR);
}
