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
//
// A device that goes away under an open port (a USB adapter pulled) shows as calls
// that fail with codes only a vanished device gives; some drivers report nothing at
// all, so a port whose line has been silent for a while is also looked at by name
// (LookAtPort). Once lost, a port is left alone: no call goes to its dead handle
// until ClosePort, and waits on it rest their whole time instead of looking.
#include "windows/serial_port.h"

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
// What the layer knows of each port's device beyond its handle.
struct PortHealth {
  bool lost;
  // When the port last showed that its device is there (opened, bytes came, a look
  // found its name): a look is due kPortLookIntervalMs after it.
  DWORD aliveTick;
  // Never reset, so that a count taken before a job and one taken after it differ
  // by what the job saw, also across a reconnect in between.
  LineErrorCounts errors;
};
PortHealth Health[kPortCount];
// The mode text and the device's name are formatted here. The longest is the mode
// text with three 10-digit numbers: 56 characters and the NUL.
char ScratchText[64];

bool InRange(int port) { return port >= 1 && port <= kPortCount; }

HANDLE& Slot(int port) { return PortSlot[port - 1]; }

bool IsOpen(int port) { return InRange(port) && Slot(port) != nullptr; }

ReadAhead& AheadOf(int port) { return Ahead[port - 1]; }

PortHealth& HealthOf(int port) { return Health[port - 1]; }

bool IsLive(int port) { return IsOpen(port) && !HealthOf(port).lost; }

// Codes with which drivers fail the calls on a handle whose device has gone:
// Windows' USB-serial drivers give ERROR_ACCESS_DENIED, ERROR_BAD_COMMAND,
// ERROR_GEN_FAILURE, ERROR_OPERATION_ABORTED (fAbortOnError is off, so no line error
// causes it) or ERROR_DEVICE_REMOVED; Wine gives ERROR_NOT_READY once the pty behind
// the port has closed. Anything else (ERROR_NOT_SUPPORTED for a call the driver
// lacks, say) leaves the port as it was.
bool MeansDeviceGone(DWORD code) {
  switch (code) {
    case ERROR_ACCESS_DENIED:
    case ERROR_NOT_READY:
    case ERROR_BAD_COMMAND:
    case ERROR_GEN_FAILURE:
    case ERROR_OPERATION_ABORTED:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEVICE_REMOVED:
      return true;
    default:
      return false;
  }
}

// After a call on the port failed: the port is lost when the failure says so.
void NoteFailedCall(int port) {
  if (MeansDeviceGone(GetLastError())) HealthOf(port).lost = true;
}

void CountLineErrors(int port, DWORD mask) {
  if (mask == 0) return;
  LineErrorCounts& counts = HealthOf(port).errors;
  if (mask & CE_FRAME) ++counts.framing;
  if (mask & CE_RXPARITY) ++counts.parity;
  if (mask & (CE_OVERRUN | CE_RXOVER)) ++counts.overrun;
  if (mask & CE_BREAK) ++counts.breaks;
}

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

// Takes the line's error state (counted, and cleared so that the port goes on), and
// the queue's state where `status` is given; false when the call failed.
bool TakeLineErrors(int port, COMSTAT* status) {
  DWORD errors = 0;
  if (!ClearCommError(Slot(port), &errors, status)) return false;
  CountLineErrors(port, errors);
  return true;
}

// The queue's count; a failing call counts as an empty queue (and may lose the port).
uint32_t SystemQueueBytes(int port) {
  COMSTAT status = {};
  if (TakeLineErrors(port, &status)) return status.cbInQue;
  NoteFailedCall(port);
  return 0;
}

// After a failed read or write: its cause first, then the line's error state cleared.
void ClearLineError(int port) {
  NoteFailedCall(port);
  if (!HealthOf(port).lost) TakeLineErrors(port, nullptr);
}

// How the port's name opens now. A port held open (by us, on Windows) refuses a
// second open with ERROR_ACCESS_DENIED; Wine opens it a second time. Only a name
// that is not there at all (ERROR_FILE_NOT_FOUND, as Windows and Wine answer for a
// removed device) counts as gone: anything else may be a port that is there.
enum class NameLook { kOpens, kRefused, kGone };
NameLook LookAtName(int port) {
  wsprintfA(ScratchText, "\\\\.\\COM%d", port);
  const HANDLE device = CreateFileA(ScratchText, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (device != INVALID_HANDLE_VALUE) {
    CloseHandle(device);
    return NameLook::kOpens;
  }
  const DWORD code = GetLastError();
  if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return NameLook::kGone;
  return NameLook::kRefused;
}

// A port whose device has not shown itself for kPortLookIntervalMs is asked for its state,
// and its name is looked up: a driver that drops a device without failing the calls
// on its handle still takes its name away.
void LookAtPort(int port) {
  PortHealth& health = HealthOf(port);
  if (health.lost || GetTickCount() - health.aliveTick < kPortLookIntervalMs) return;
  health.aliveTick = GetTickCount();
  if (!TakeLineErrors(port, nullptr)) NoteFailedCall(port);
  if (!health.lost && LookAtName(port) == NameLook::kGone) health.lost = true;
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
  HealthOf(port).lost = false;
  HealthOf(port).aliveTick = GetTickCount();
  StartAnswerPace(AheadOf(port).pace, baud, dataBits, parity != 'N', stopBits);
  return 1;
}

void ClosePort(int port) {
  if (!IsOpen(port)) return;
  PurgePort(port);
  if (!HealthOf(port).lost) SetCommMask(Slot(port), 0);
  CloseHandle(Slot(port));
  Slot(port) = nullptr;
  HealthOf(port).lost = false;
}

bool PortLost(int port) {
  if (!IsOpen(port)) return false;
  LookAtPort(port);
  return HealthOf(port).lost;
}

bool PortPresent(int port) {
  if (!InRange(port)) return false;
  if (IsOpen(port)) return !PortLost(port);
  return LookAtName(port) == NameLook::kOpens;
}

void ReadLineErrors(int port, LineErrorCounts& counts) {
  counts = InRange(port) ? HealthOf(port).errors : LineErrorCounts{};
}

void MarkPortLost(int port) {
  if (IsOpen(port)) HealthOf(port).lost = true;
}

// What the read-ahead holds; an empty one is refilled when the system's queue has
// bytes, with one ReadFile of exactly those (they are there, so it returns at once).
// A look at an empty queue is one call (ClearCommError: a few microseconds under
// Wine, where a ReadFile that finds nothing also asks the Wine server for the port's
// time-outs); the bytes then taken cost nothing more. Bytes taken before the port was
// lost are still handed out.
uint32_t BytesWaiting(int port) {
  if (!IsOpen(port)) return 0;
  ReadAhead& ahead = AheadOf(port);
  if (ahead.next < ahead.end) return ahead.end - ahead.next;
  if (HealthOf(port).lost) return 0;
  DWORD queued = SystemQueueBytes(port);
  if (queued == 0) {
    LookAtPort(port);
    return 0;
  }
  if (queued > kReadAheadBytes) queued = kReadAheadBytes;
  DWORD got = 0;
  if (!ReadFile(Slot(port), ahead.bytes, queued, &got, nullptr)) {
    ClearLineError(port);
    got = 0;
  }
  ahead.next = 0;
  ahead.end = got;
  if (got != 0) LastTrafficTick = HealthOf(port).aliveTick = GetTickCount();
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
  if (!IsLive(port) || count == 0) return;
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
  if (HealthOf(port).lost) return;
  if (!PurgeComm(Slot(port), PURGE_RXABORT | PURGE_RXCLEAR)) NoteFailedCall(port);
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
// bytes (no call at all). A lost port is waited on as a closed one: nothing will come.
bool AwaitInput(int port, uint32_t ms) {
  if (IsOpen(port) && AheadOf(port).next < AheadOf(port).end) return false;
  DWORD wait = ms;
  if (IsLive(port)) {
    const DWORD look = NextLookMs(port);
    if (wait > look) wait = look;
  }
  return MsgWaitForMultipleObjectsEx(0, nullptr, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0;
}
