// Byte I/O on serial devices through termios, for the console program.
//
// A device is opened non-blocking, so a read never waits: only AwaitInput does, in
// poll() on the device and on the stop pipe (stop_signal.h). It is held exclusively
// against other programs in two ways: flock, which other serial programs honour and
// which binds root as well, and TIOCEXCL, which the kernel enforces on every later
// open except a privileged one. Every written byte is handed to the driver before
// the write returns; a purge of the input first waits (tcdrain) until they have gone
// out, so that it cannot race a byte still leaving, and an answer provoked by them
// is not taken back.
//
// Input comes in blocks: the queue is answered from the slot's read-ahead, and only
// an empty read-ahead asks the system, with one read of all that has arrived. While
// an answer streams in, a wait rests until the rest of it should be there instead of
// waking for every byte, as long as the last answer of its kind took (answer_pace.h;
// see AwaitInput).
//
// A device that goes away (a USB adapter pulled, its driver gone, the far end of a
// pty closed) is known as lost: by a hang-up or an error that poll() reports, by
// EIO, ENXIO or ENODEV from a call on it, or, while the line is silent, by a look
// every kPortLookIntervalMs at its path (gone, or another device behind it). A lost
// port asks the system nothing more: its waits sleep.
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#if defined(__linux__)
#include <linux/serial.h>
#endif

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "core/line/answer_pace.h"
#include "core/seams/serial_port.h"
#include "core/seams/shell.h"
#include "posix/port_device.h"
#include "posix/stop_signal.h"

namespace {

// Bytes already taken from the driver with one read and not yet handed out: one
// read() for all that has arrived instead of one per byte.
constexpr uint32_t kReadAheadBytes = 4096;
// While an answer streams in longer than the one remembered (or with none to go by),
// a wait rests this many characters' time before it reads again: under a millisecond
// at 115200 baud. This much is what it can add to the moment the last byte is seen;
// a wait that woke for every byte would find it at once, for three to four times the
// processor time and system calls.
constexpr uint32_t kStreamRestChars = 8;
// No rest is longer than this, so that a slow line's rest never nears the time the
// driver's buffer lasts, and the console's status line is kept up to date.
constexpr uint32_t kLongestRestUs = 20000;
// A look at an empty read-ahead this soon after the last read (or purge) answers 0
// without asking the system, unless that read brought half a read-ahead or more (a
// stream faster than the waits: more is waiting): the caller then waits, and the
// wait reads. Bytes that came in the
// meantime are not lost, only found by the wait instead of the look.
constexpr uint64_t kLookAgainNs = 1000000;
// A write that finds the driver's output queue full waits this long for room before
// the rest of the bytes is dropped (a line that does not drain is as good as gone).
constexpr uint32_t kWriteStallMs = 2000;
constexpr int kErrorChars = kDevicePathChars + 512;
constexpr int kGroupNameChars = 64;

struct PortSlot {
  bool open;
  int fd;
  char device[kDevicePathChars];
  uint8_t ahead[kReadAheadBytes];
  uint32_t next;
  uint32_t end;
  uint64_t lastReadNs;  // when the system was last asked for input (or purged)
  AnswerPace pace;
  // Nothing has come since the last write, purge or fruitless rest: the next wait
  // waits for the line itself.
  bool quiet;
  // Bytes written since the last tcdrain.
  bool undrained;
  // The device went away; the descriptor stays until ClosePort.
  bool lost;
  dev_t rdev;            // the device behind the path when it was opened
  uint64_t lastLookNs;   // when the path was last looked at
  LineErrorCounts base;  // the driver's counts when the port was opened
  LineErrorCounts seen;  // since then, as last read
};

PortSlot Slots[kPortCount];
PortFailure Failure = PortFailure::kNone;
char ErrorText[kErrorChars];

bool InRange(int port) { return port >= 1 && port <= kPortCount; }

PortSlot& Slot(int port) { return Slots[port - 1]; }

bool IsOpen(int port) { return InRange(port) && Slot(port).open; }

int Refuse(PortFailure failure, const char* format, ...) TG_PRINTF_LIKE(2, 3);
int Refuse(PortFailure failure, const char* format, ...) {
  va_list values;
  va_start(values, format);
  std::vsnprintf(ErrorText, sizeof ErrorText, format, values);
  va_end(values);
  Failure = failure;
  return 0;
}

// Closes the half-opened device again; the message was set by the step that failed.
int Abandon(int fd, int result) {
  close(fd);
  return result;
}

bool SpeedConstant(uint32_t baud, speed_t& speed) {
  switch (baud) {
    case 1200: speed = B1200; return true;
    case 2400: speed = B2400; return true;
    case 4800: speed = B4800; return true;
    case 9600: speed = B9600; return true;
    case 19200: speed = B19200; return true;
    case 38400: speed = B38400; return true;
    case 57600: speed = B57600; return true;
    case 115200: speed = B115200; return true;
    case 230400: speed = B230400; return true;
    default: return false;
  }
}

// The character frame as termios control flags: size, parity, stop bits.
bool FrameFlags(char parity, uint32_t dataBits, uint32_t stopBits, tcflag_t& flags) {
  static const tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  if (dataBits < 5 || dataBits > 8 || (stopBits != 1 && stopBits != 2)) return false;
  flags = kSizes[dataBits - 5] | (stopBits == 2 ? CSTOPB : 0);
  switch (parity) {
    case 'N': return true;
    case 'E': flags |= PARENB; return true;
    case 'O': flags |= PARENB | PARODD; return true;
    default: return false;
  }
}

constexpr tcflag_t kFrameMask = CSIZE | CSTOPB | PARENB | PARODD | CRTSCTS;

int RefuseOpen(const char* device, int error) {
  const char* reason = std::strerror(error);
  switch (error) {
    case ENOENT:
      return Refuse(PortFailure::kMissing,
                    "open %s: %s (is the adapter plugged in? 'tallyglass ports' lists the serial devices present)",
                    device, reason);
    case ENXIO:
    case ENODEV:
    case EIO:
      return Refuse(PortFailure::kMissing, "open %s: %s (no serial hardware behind this device)", device, reason);
    case EACCES:
    case EPERM: {
      char group[kGroupNameChars];
      DeviceGroup(device, group, kGroupNameChars);
      return Refuse(PortFailure::kPermission,
                    "open %s: %s (the device belongs to the group '%s': add yourself to it with"
                    " 'sudo usermod -aG %s $USER', then log in again)",
                    device, reason, group, group);
    }
    case EBUSY:
      return Refuse(PortFailure::kInUse, "open %s: %s (another program holds the device exclusively)", device,
                    reason);
    default:
      return Refuse(PortFailure::kOther, "open %s: %s", device, reason);
  }
}

// Another program that holds the lock has the port; so does one that opened it with
// TIOCEXCL (open then fails with EBUSY, above).
int HoldExclusively(int fd, const char* device) {
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK)
      return Refuse(PortFailure::kInUse, "flock %s: the device is in use by another program", device);
    return Refuse(PortFailure::kOther, "flock %s: %s", device, std::strerror(errno));
  }
  if (ioctl(fd, TIOCEXCL) != 0)
    return Refuse(PortFailure::kOther, "ioctl(TIOCEXCL) %s: %s", device, std::strerror(errno));
  return 1;
}

// Raw bytes both ways: no flow control of either kind, no line editing, no
// translation; breaks are no data. Reads return at once (VMIN 0, VTIME 0).
int SetLine(int fd, const char* device, speed_t speed, tcflag_t frame) {
  termios line = {};
  if (tcgetattr(fd, &line) != 0)
    return Refuse(PortFailure::kOther, "tcgetattr %s: %s", device, std::strerror(errno));
  cfmakeraw(&line);
  line.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
  line.c_iflag |= IGNBRK;
  line.c_cflag &= ~kFrameMask;
  line.c_cflag |= frame | CLOCAL | CREAD;
  line.c_cc[VMIN] = 0;
  line.c_cc[VTIME] = 0;
  if (cfsetispeed(&line, speed) != 0 || cfsetospeed(&line, speed) != 0 || tcsetattr(fd, TCSANOW, &line) != 0)
    return Refuse(PortFailure::kSettings, "tcsetattr %s: %s", device, std::strerror(errno));
  // tcsetattr succeeds when any one of the changes was made: read them back.
  termios applied = {};
  if (tcgetattr(fd, &applied) != 0 || cfgetospeed(&applied) != speed || (applied.c_cflag & kFrameMask) != frame)
    return Refuse(PortFailure::kSettings, "tcsetattr %s: the device did not take the line settings", device);
  return 1;
}

// DTR and RTS up, as the Windows program has them. A pty has no modem lines.
int RaiseModemLines(int fd, const char* device) {
  int lines = TIOCM_DTR | TIOCM_RTS;
  if (ioctl(fd, TIOCMBIS, &lines) == 0 || errno == ENOTTY || errno == EINVAL) return 1;
  return Refuse(PortFailure::kOther, "ioctl(TIOCMBIS) %s: %s", device, std::strerror(errno));
}

uint64_t NowNs() {
  timespec now = {};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint64_t>(now.tv_sec) * 1000000000ULL + static_cast<uint64_t>(now.tv_nsec);
}

// The errors by which a call tells that the device itself is gone.
bool VanishedError(int error) { return error == EIO || error == ENXIO || error == ENODEV; }

void NoteLostOn(PortSlot& slot, int error) {
  if (VanishedError(error)) slot.lost = true;
}

// The path still leads to the device that was opened. A symlink removed, or one
// that now leads to another device (a replugged adapter given the same name) says
// that the device opened is gone.
bool PathStillThere(const PortSlot& slot) {
  struct stat info = {};
  return stat(slot.device, &info) == 0 && S_ISCHR(info.st_mode) && info.st_rdev == slot.rdev;
}

void DropReadAhead(PortSlot& slot) {
  slot.next = slot.end = 0;
  slot.lastReadNs = NowNs();
  slot.quiet = true;
}

// One read of all that has arrived, up to the read-ahead's size, into the empty
// read-ahead. 0 when nothing has (a read of 0 bytes, as VMIN 0 gives it, or EAGAIN),
// and when the device has gone (EIO after a hang-up).
uint32_t ReadLine(PortSlot& slot) {
  ssize_t got = 0;
  do {
    got = read(slot.fd, slot.ahead, sizeof slot.ahead);
  } while (got < 0 && errno == EINTR);
  if (got < 0) NoteLostOn(slot, errno);
  slot.lastReadNs = NowNs();
  slot.next = 0;
  slot.end = got > 0 ? static_cast<uint32_t>(got) : 0;
  NoteBytesReceived(slot.pace, slot.end, slot.lastReadNs / 1000);
  if (got > 0) slot.quiet = false;
  return slot.end;
}

// The bytes the read-ahead holds; an empty one is refilled, unless the system was
// asked a moment ago (kLookAgainNs).
uint32_t Refill(PortSlot& slot) {
  if (slot.next < slot.end) return slot.end - slot.next;
  if (slot.lost) return 0;
  if (slot.end < kReadAheadBytes / 2 && NowNs() - slot.lastReadNs < kLookAgainNs) return 0;
  return ReadLine(slot);
}

// How long to rest before the next read while an answer streams in: until the rest
// of it can have come, or a short while where there is nothing to go by.
uint32_t StreamRestUs(const PortSlot& slot, uint32_t ms) {
  uint64_t us = AnswerRestUs(slot.pace, NowNs() / 1000);
  if (us == 0) us = static_cast<uint64_t>(kStreamRestChars) * slot.pace.charNs / 1000 + 1;
  if (us > kLongestRestUs) us = kLongestRestUs;
  if (us > static_cast<uint64_t>(ms) * 1000) us = static_cast<uint64_t>(ms) * 1000;
  return static_cast<uint32_t>(us);
}

void Drain(PortSlot& slot) {
  if (!slot.undrained || slot.lost) return;
  tcdrain(slot.fd);
  slot.undrained = false;
}

// Some drivers report nothing when their device goes: a silent line's path is looked
// at every kPortLookIntervalMs.
void LookAtPath(PortSlot& slot) {
  const uint64_t now = NowNs();
  if (now - slot.lastLookNs < uint64_t{kPortLookIntervalMs} * 1000000ULL) return;
  slot.lastLookNs = now;
  if (!PathStillThere(slot)) slot.lost = true;
}

// The driver's counts of line errors, where it keeps them (a UART's driver and most
// USB-serial ones); false where it does not (a pty).
bool DriverLineErrors(int fd, LineErrorCounts& counts) {
#if defined(TIOCGICOUNT)
  serial_icounter_struct icount = {};
  if (ioctl(fd, TIOCGICOUNT, &icount) != 0) return false;
  counts = {static_cast<uint32_t>(icount.frame), static_cast<uint32_t>(icount.parity),
            static_cast<uint32_t>(icount.overrun + icount.buf_overrun), static_cast<uint32_t>(icount.brk)};
  return true;
#else
  (void)fd;
  (void)counts;
  return false;
#endif
}

}  // namespace

void DeviceGroup(const char* device, char* name, int size) {
  std::snprintf(name, static_cast<size_t>(size), "dialout");
  struct stat info = {};
  if (stat(device, &info) != 0) return;
  const group* entry = getgrgid(info.st_gid);
  if (entry != nullptr) std::snprintf(name, static_cast<size_t>(size), "%s", entry->gr_name);
}

bool BindPortDevice(int port, const char* device) {
  if (!InRange(port) || IsOpen(port) || std::strlen(device) >= sizeof Slot(port).device) return false;
  std::snprintf(Slot(port).device, sizeof Slot(port).device, "%s", device);
  return true;
}

PortFailure LastPortFailure() { return Failure; }

const char* LastPortError() { return ErrorText; }

int OpenPort(int port, uint32_t baud, char parity, uint32_t dataBits, uint32_t stopBits) {
  if (!InRange(port)) return 0;
  if (IsOpen(port)) return 1;
  PortSlot& slot = Slot(port);
  if (slot.device[0] == '\0') return Refuse(PortFailure::kMissing, "port %d: no device given", port);
  speed_t speed = B0;
  tcflag_t frame = 0;
  if (!SpeedConstant(baud, speed) || !FrameFlags(parity, dataBits, stopBits, frame))
    return Refuse(PortFailure::kSettings, "%s: %lu bit/s, %lu data bits, parity %c, %lu stop bits: not offered",
                  slot.device, static_cast<unsigned long>(baud), static_cast<unsigned long>(dataBits), parity,
                  static_cast<unsigned long>(stopBits));
  // O_NOCTTY: a serial device must never become the program's controlling terminal.
  const int fd = open(slot.device, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return RefuseOpen(slot.device, errno);
  if (!isatty(fd)) return Abandon(fd, Refuse(PortFailure::kNotATerminal, "open %s: not a serial device", slot.device));
  if (HoldExclusively(fd, slot.device) == 0) return Abandon(fd, 0);
  if (SetLine(fd, slot.device, speed, frame) == 0 || RaiseModemLines(fd, slot.device) == 0) {
    ioctl(fd, TIOCNXCL);
    return Abandon(fd, 0);
  }
  struct stat info = {};
  fstat(fd, &info);
  slot.fd = fd;
  slot.open = true;
  slot.undrained = false;
  slot.lost = false;
  slot.rdev = info.st_rdev;
  slot.lastLookNs = NowNs();
  slot.base = slot.seen = {};
  DriverLineErrors(fd, slot.base);
  StartAnswerPace(slot.pace, baud, dataBits, parity != 'N', stopBits);
  DropReadAhead(slot);
  Failure = PortFailure::kNone;
  return 1;
}

// TIOCNXCL first: a pty keeps its exclusive mark while its far end stays open, and
// the next program to open it would find it still set.
void ClosePort(int port) {
  if (!IsOpen(port)) return;
  PortSlot& slot = Slot(port);
  PurgePort(port);
  if (!slot.lost) ioctl(slot.fd, TIOCNXCL);
  close(slot.fd);  // the lock goes with it
  slot.open = false;
  slot.fd = -1;
}

uint32_t BytesWaiting(int port) { return IsOpen(port) ? Refill(Slot(port)) : 0; }

uint8_t ReadByte(int port) {
  if (!IsOpen(port)) return 0;
  PortSlot& slot = Slot(port);
  if (Refill(slot) == 0) return 0;
  return slot.ahead[slot.next++];
}

void WriteByte(int port, uint8_t byte) { WriteBytes(port, &byte, 1); }

void WriteBytes(int port, const uint8_t* bytes, uint32_t count) {
  if (!IsOpen(port) || count == 0 || Slot(port).lost) return;
  PortSlot& slot = Slot(port);
  const int fd = slot.fd;
  NoteMessageWritten(slot.pace, bytes[0], NowNs() / 1000);
  slot.quiet = true;
  slot.undrained = true;
  uint32_t done = 0;
  while (done < count) {
    const ssize_t put = write(fd, bytes + done, count - done);
    if (put > 0) {
      done += static_cast<uint32_t>(put);
    } else if (put < 0 && errno == EINTR) {
      continue;
    } else if (put < 0 && errno == EAGAIN && WaitForFdOrStop(fd, POLLOUT, kWriteStallMs) == WaitEnd::kReady) {
      continue;
    } else {
      if (put < 0) NoteLostOn(slot, errno);
      return;  // gone (EIO after a hang-up), stalled, or stopped: the rest is dropped
    }
  }
}

// Input side only (TCIFLUSH): TCOFLUSH could discard bytes written but not yet on
// the wire.
void PurgePort(int port) {
  if (!IsOpen(port)) return;
  PortSlot& slot = Slot(port);
  Drain(slot);
  DropReadAhead(slot);
  if (!slot.lost && tcflush(slot.fd, TCIFLUSH) != 0) NoteLostOn(slot, errno);
}

// Rests while an answer streams in, then reads what came meanwhile. True when bytes
// came; false when the line has fallen quiet (or a stop came: the caller sees it).
bool RestWhileStreaming(PortSlot& slot, uint32_t& ms) {
  if (slot.quiet) return false;
  const uint32_t us = StreamRestUs(slot, ms);
  if (us == 0 || RestOrStop(us) == WaitEnd::kStopped) return false;
  ms -= us / 1000;
  if (ReadLine(slot) != 0) return true;
  slot.quiet = true;
  return false;
}

// A look at the queue is the caller's (BytesWaiting); this one looks at the device
// only when the read-ahead is empty, and reads as soon as poll() says a byte came,
// so the caller's next look costs nothing.
// A device that has hung up (a USB adapter pulled out, a pty whose far end closed)
// reports itself ready at once and for ever without a byte to read: it is lost, and
// the wait returns for the caller to see so. A lost port is never waited on again:
// the time passes on the stop pipe alone, so nothing spins on a dead descriptor.
// A silent line is waited on for at most kPortLookIntervalMs at a time, and its path
// looked at in between.
// A stop signal is the console's window message: true then, so the caller pumps it.
bool AwaitInput(int port, uint32_t ms) {
  if (!IsOpen(port)) return WaitForFdOrStop(-1, POLLIN, ms) == WaitEnd::kStopped;
  PortSlot& slot = Slot(port);
  if (slot.next < slot.end || (!slot.lost && RestWhileStreaming(slot, ms))) return StopSignal() != 0;
  if (StopSignal() != 0) return true;
  if (slot.lost) return WaitForFdOrStop(-1, POLLIN, ms) == WaitEnd::kStopped;
  LookAtPath(slot);
  if (slot.lost) return false;
  const uint32_t wait = ms < kPortLookIntervalMs ? ms : kPortLookIntervalMs;
  WaitEnd end = WaitForFdOrStop(slot.fd, POLLIN, wait);
  if (end == WaitEnd::kHungUp) {
    slot.lost = true;
    return false;
  }
  if (end == WaitEnd::kReady && ReadLine(slot) == 0 && !slot.lost) end = WaitForFdOrStop(-1, POLLIN, wait);
  return end == WaitEnd::kStopped;
}

bool PortLost(int port) { return IsOpen(port) && Slot(port).lost; }

bool PortPresent(int port) {
  if (!InRange(port) || Slot(port).device[0] == '\0') return false;
  struct stat info = {};
  return stat(Slot(port).device, &info) == 0 && S_ISCHR(info.st_mode);
}

void ReadLineErrors(int port, LineErrorCounts& counts) {
  counts = {};
  if (!IsOpen(port)) return;
  PortSlot& slot = Slot(port);
  LineErrorCounts now = {};
  if (!slot.lost && DriverLineErrors(slot.fd, now))
    slot.seen = {now.framing - slot.base.framing, now.parity - slot.base.parity, now.overrun - slot.base.overrun,
                 now.breaks - slot.base.breaks};
  counts = slot.seen;
}
