// Byte I/O on the serial ports through KERNEL32. Every call is synchronous; no
// overlapped I/O. Reads never wait (ReadIntervalTimeout = MAXDWORD with zero
// totals returns at once with what has arrived).
//
// Waiting for input looks at the port again every millisecond while the line is
// busy (less often once it has been quiet a while, see LookIntervalMs), waiting on
// the message queue in between, instead of waiting on the port itself: the
// event-driven waits (an overlapped WaitCommEvent, or a read with a time-out) cost
// Wine 3 to 13 ms to notice a byte, while a look at the queue costs 3 us. With the
// system timer at 1 ms (timeBeginPeriod while an operation runs) a wait on a busy
// line notices a byte at most about 2 ms after it came on Windows as well. Where the
// port has had an answer of the same kind before, a wait rests as long as that one
// took instead (answer_pace.h): through most of the register's pause before it, and
// until the rest of its bytes can have come.
#include <windows.h>

#include "core/line/answer_pace.h"
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
constexpr DWORD kLookIntervalMs = 1;
constexpr DWORD kQuietLookIntervalMs = 4;    // after kBriskLineMs without traffic
constexpr DWORD kSilentLookIntervalMs = 16;  // after kQuietLineMs without traffic
constexpr DWORD kBriskLineMs = 20;
constexpr DWORD kQuietLineMs = 200;
// The longest rest that a learned answer earns: no longer than the back-off's own
// longest look.
constexpr DWORD kLongestRestMs = kSilentLookIntervalMs;
// When the program last wrote a byte or took one in.
DWORD LastTrafficTick = 0;
// Bytes already taken from the system's queue with one read and not yet handed out:
// one ReadFile for all that has arrived instead of one per byte.
constexpr DWORD kReadAheadBytes = 1024;
struct ReadAhead {
  uint8_t bytes[kReadAheadBytes];
  DWORD next;
  DWORD end;
  AnswerPace pace;
};
ReadAhead Ahead[kPortCount];
// The longest text formatted here is the mode text with three 10-digit numbers:
// 56 characters and the NUL.
char ScratchText[64];

bool InRange(int port) { return port >= 1 && port <= kPortCount; }

HANDLE& Slot(int port) { return PortSlot[port - 1]; }

bool IsOpen(int port) { return InRange(port) && Slot(port) != nullptr; }

ReadAhead& AheadOf(int port) { return Ahead[port - 1]; }

void DropReadAhead(int port) { AheadOf(port).next = AheadOf(port).end = 0; }

uint64_t NowUs() {
  LARGE_INTEGER count = {};
  LARGE_INTEGER frequency = {};
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  if (frequency.QuadPart <= 0) return static_cast<uint64_t>(GetTickCount()) * 1000;
  const uint64_t ticks = static_cast<uint64_t>(count.QuadPart);
  const uint64_t perSecond = static_cast<uint64_t>(frequency.QuadPart);
  return ticks / perSecond * 1000000 + ticks % perSecond * 1000000 / perSecond;
}

uint32_t SystemQueueBytes(int port) {
  DWORD errors = 0;
  COMSTAT status = {};
  if (!ClearCommError(Slot(port), &errors, &status)) return 0;
  return status.cbInQue;
}

void ClearLineError(int port) {
  DWORD errors = 0;
  ClearCommError(Slot(port), &errors, nullptr);
}

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
  DropReadAhead(port);
  StartAnswerPace(AheadOf(port).pace, baud, dataBits, parity != 'N', stopBits);
  return 1;
}

void ClosePort(int port) {
  if (!IsOpen(port)) return;
  PurgePort(port);
  SetCommMask(Slot(port), 0);
  CloseHandle(Slot(port));
  Slot(port) = nullptr;
}

// What the read-ahead holds; an empty one is refilled when the system's queue has
// bytes, with one ReadFile of exactly those (they are there, so it returns at once).
// A look at an empty queue is one call (ClearCommError: a few microseconds under
// Wine, where a ReadFile that finds nothing also asks the Wine server for the port's
// time-outs); the bytes then taken cost nothing more.
uint32_t BytesWaiting(int port) {
  if (!IsOpen(port)) return 0;
  ReadAhead& ahead = AheadOf(port);
  if (ahead.next < ahead.end) return ahead.end - ahead.next;
  DWORD queued = SystemQueueBytes(port);
  if (queued == 0) return 0;
  if (queued > kReadAheadBytes) queued = kReadAheadBytes;
  DWORD got = 0;
  if (!ReadFile(Slot(port), ahead.bytes, queued, &got, nullptr)) {
    ClearLineError(port);
    got = 0;
  }
  ahead.next = 0;
  ahead.end = got;
  if (got != 0) LastTrafficTick = GetTickCount();
  NoteBytesReceived(ahead.pace, got, NowUs());
  return got;
}

uint8_t ReadByte(int port) {
  if (BytesWaiting(port) == 0) return 0;
  ReadAhead& ahead = AheadOf(port);
  return ahead.bytes[ahead.next++];
}

void WriteByte(int port, uint8_t byte) { WriteBytes(port, &byte, 1); }

void WriteBytes(int port, const uint8_t* bytes, uint32_t count) {
  if (!IsOpen(port) || count == 0) return;
  DWORD put = 0;
  if (!WriteFile(Slot(port), bytes, count, &put, nullptr)) ClearLineError(port);
  LastTrafficTick = GetTickCount();
  NoteMessageWritten(AheadOf(port).pace, bytes[0], NowUs());
}

// Input side only. Every write is synchronous, so there is never output to
// abandon; and PURGE_TXABORT/PURGE_TXCLEAR can discard bytes already written but
// not yet on the wire (Wine turns them into tcflush(TCOFLUSH); some USB-serial
// drivers complete writes into their own buffer), which would lose the CAN bytes
// of a command opening or the STX that starts a dump.
void PurgePort(int port) {
  if (!IsOpen(port)) return;
  DropReadAhead(port);
  PurgeComm(Slot(port), PURGE_RXABORT | PURGE_RXCLEAR);
}

// How long to wait before the next look. An answer is expected soon after the
// program wrote or a byte came, so the looks start a millisecond apart; a line that
// stays quiet is looked at less and less often. Each look costs Wine some 60 us of
// processor time (a timed wait 45, a look at the message queue 15), so a register
// that has gone silent for seconds would otherwise keep 6% of a core busy.
static DWORD LookIntervalMs() {
  const DWORD quiet = GetTickCount() - LastTrafficTick;
  if (quiet < kBriskLineMs) return kLookIntervalMs;
  return quiet < kQuietLineMs ? kQuietLookIntervalMs : kSilentLookIntervalMs;
}

// How long to wait before the next look at an open port: the rest the answer under
// way has earned, else LookIntervalMs.
DWORD NextLookMs(int port) {
  const uint32_t restUs = AnswerRestUs(AheadOf(port).pace, NowUs());
  if (restUs == 0) return LookIntervalMs();
  const DWORD restMs = (restUs + 999) / 1000;
  return restMs < kLongestRestMs ? restMs : kLongestRestMs;
}

// A port that cannot be waited on is looked at again after NextLookMs; a window
// message ends the wait at once (see the top of this file). The look is the caller's,
// made just before: the wait itself is one call, unless the read-ahead still holds
// bytes (no call at all).
bool AwaitInput(int port, uint32_t ms) {
  if (IsOpen(port) && AheadOf(port).next < AheadOf(port).end) return false;
  DWORD wait = ms;
  if (IsOpen(port)) {
    const DWORD look = NextLookMs(port);
    if (wait > look) wait = look;
  }
  return MsgWaitForMultipleObjectsEx(0, nullptr, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0;
}
