// The simulated serial line behind the serial seam in the host tests.
#include "tests/stubs/serial_port_stub.h"

#include <algorithm>
#include <cstdio>
#include <deque>

#include "core/program/connection.h"
#include "core/program/state.h"
#include "core/seams/serial_port.h"
#include "tests/stubs/clock_stub.h"
#include "tests/stubs/shell_stub.h"

namespace {

struct Scheduled {
  uint32_t at;
  uint8_t byte;
};

bool open_ports[kPortCount + 1];
bool missing_ports[kPortCount + 1];
int open_count = 0;
int purge_count = 0;
simline::Peer* peer = nullptr;
// By arrival time, in send order. Bytes are nearly always sent in time order, so a
// deque that takes them at its back costs no allocation per byte (a map did, and
// made the fuzz targets several times slower).
std::deque<Scheduled> scheduled;
std::deque<uint8_t> input;
std::vector<simline::Traffic> traffic;
// A loss armed by LoseLine: bytes still to be delivered before it, and when the
// port's name is back.
bool loss_armed = false;
uint32_t loss_after = 0;
uint32_t back_after = 0;
uint32_t lost_at = 0;
bool lost = false;
int loss_count = 0;
LineErrorCounts line_errors = {};

bool Usable(int port) { return port >= 1 && port <= kPortCount && open_ports[port]; }

void Lose() {
  loss_armed = false;
  lost = true;
  lost_at = simline::Now();
  ++loss_count;
  scheduled.clear();
}

// Moves every byte whose time has come into the input queue.
void Deliver() {
  const uint32_t now = simline::Now();
  if (peer != nullptr) peer->OnPoll(now);
  if (loss_armed && loss_after == 0) Lose();
  while (!lost && !scheduled.empty() && scheduled.front().at <= now) {
    const Scheduled first = scheduled.front();
    input.push_back(first.byte);
    traffic.push_back({first.at, false, first.byte});
    scheduled.pop_front();
    if (loss_armed && --loss_after == 0) Lose();
  }
}

}  // namespace

int OpenPort(int port, uint32_t, char, uint32_t, uint32_t) {
  if (port < 1 || port > kPortCount || missing_ports[port] || (lost && !PortPresent(port))) return 0;
  if (lost) {
    lost = false;
    input.clear();
  }
  if (!open_ports[port]) ++open_count;
  open_ports[port] = true;
  return 1;
}

void ClosePort(int port) {
  if (Usable(port)) open_ports[port] = false;
}

uint32_t BytesWaiting(int port) {
  if (!Usable(port)) return 0;
  Deliver();
  return static_cast<uint32_t>(input.size());
}

uint8_t ReadByte(int port) {
  if (!Usable(port) || BytesWaiting(port) == 0) return 0;
  const uint8_t byte = input.front();
  input.pop_front();
  return byte;
}

void WriteByte(int port, uint8_t byte) {
  if (!Usable(port) || lost) return;
  const uint32_t now = simline::Now();
  traffic.push_back({now, true, byte});
  if (peer != nullptr) peer->OnWrite(byte, now);
}

void WriteBytes(int port, const uint8_t* bytes, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) WriteByte(port, bytes[i]);
}

// The clock goes straight to the first thing that ends the wait: the next byte on an
// open port, the next window message, or the end of `ms`.
// A message already due ends the wait at once, as the real wait ends for input that
// is waiting; a pump hook stands for a window with a message every millisecond.
bool AwaitInput(int port, uint32_t ms) {
  uint64_t end = uint64_t{simline::Now()} + ms;
  const uint32_t message = shellstub::NextMessageAt();
  if (message <= simline::Now()) return true;
  if (shellstub::HasPumpHook() && ms > 0) end = uint64_t{simline::Now()} + 1;
  if (Usable(port) && !lost) {
    Deliver();
    if (!input.empty()) return shellstub::HasPumpHook();
    if (!scheduled.empty() && scheduled.front().at < end) end = scheduled.front().at;
  }
  if (message < end) end = message;
  if (end > simline::Now()) simline::SetNow(static_cast<uint32_t>(end));
  return message <= simline::Now() || shellstub::HasPumpHook();
}

void PurgePort(int port) {
  if (!Usable(port)) return;
  ++purge_count;
  Deliver();
  input.clear();
}

bool PortLost(int port) { return Usable(port) && lost; }

bool PortPresent(int port) {
  return port >= 1 && port <= kPortCount && !missing_ports[port] && (!lost || uint64_t{simline::Now()} >= uint64_t{lost_at} + back_after);
}

void ReadLineErrors(int port, LineErrorCounts& counts) { counts = Usable(port) ? line_errors : LineErrorCounts{}; }

namespace simline {

bool ConnectProgram(int port) {
  char name[16];
  std::snprintf(name, sizeof name, "COM%d", port);
  const bool connected = Connect(port, kDefaultSpeed, name, nullptr);
  OperationRunning = kNoOperation;
  shellstub::Reset();
  return connected;
}

void Reset() {
  for (int i = 0; i <= kPortCount; ++i) open_ports[i] = missing_ports[i] = false;
  open_count = purge_count = 0;
  peer = nullptr;
  scheduled.clear();
  input.clear();
  traffic.clear();
  loss_armed = lost = false;
  loss_count = 0;
  line_errors = {};
  ResetClock();
  shellstub::Reset();
}

void Attach(Peer* p) { peer = p; }
void Send(uint32_t at, uint8_t byte) {
  if (scheduled.empty() || scheduled.back().at <= at) {
    scheduled.push_back({at, byte});
    return;
  }
  const auto later = std::upper_bound(scheduled.begin(), scheduled.end(), at,
                                      [](uint32_t time, const Scheduled& s) { return time < s.at; });
  scheduled.insert(later, {at, byte});
}
void Send(uint32_t at, const std::string& bytes) {
  for (char c : bytes) Send(at, static_cast<uint8_t>(c));
}
void SetPortMissing(int port, bool missing) {
  if (port >= 1 && port <= kPortCount) missing_ports[port] = missing;
}
void LoseLine(uint32_t afterBytes, uint32_t backAfterMs) {
  loss_armed = true;
  loss_after = afterBytes;
  back_after = backAfterMs;
}
int LossCount() { return loss_count; }
uint32_t LostAt() { return lost_at; }
void SetLineErrors(uint32_t framing, uint32_t parity, uint32_t overrun, uint32_t breaks) {
  line_errors = {framing, parity, overrun, breaks};
}
bool IsOpen(int port) { return Usable(port); }
int OpenCount() { return open_count; }
int PurgeCount() { return purge_count; }
const std::vector<Traffic>& Log() { return traffic; }

std::string Written() {
  std::string out;
  for (const Traffic& t : traffic)
    if (t.fromProgram) out += static_cast<char>(t.byte);
  return out;
}

std::string Delivered() {
  std::string out;
  for (const Traffic& t : traffic)
    if (!t.fromProgram) out += static_cast<char>(t.byte);
  return out;
}

std::vector<uint32_t> WriteTimes(uint8_t byte) {
  std::vector<uint32_t> times;
  for (const Traffic& t : traffic)
    if (t.fromProgram && t.byte == byte) times.push_back(t.time);
  return times;
}

}  // namespace simline
