// Controls of the host tests' simulated line behind core/seams/serial_port.h.
//
// One serial line whose far end is a Peer (normally the register simulator). Every
// port number 1..kPortCount opens onto it unless a test marks the port missing. The
// peer hears each byte the program writes, with its time, and schedules bytes towards
// the program; a scheduled byte reaches the input queue when the virtual clock
// (clock_stub.h) has passed its time. Every byte in both directions is logged with
// its time.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace simline {

class Peer {
 public:
  virtual ~Peer() = default;
  // A byte written by the program at virtual time `now` (ms).
  virtual void OnWrite(uint8_t byte, uint32_t now) = 0;
  // Called before the program looks at its input queue: time has reached `now`.
  virtual void OnPoll(uint32_t now) { (void)now; }
};

struct Traffic {
  uint32_t time;      // ms
  bool fromProgram;   // true: program to device
  uint8_t byte;
};

// Back to the start: all ports closed and available, queues and logs empty, no
// peer; the clock and the message list are reset as well (ResetClock,
// shellstub::Reset), so one call starts a test afresh.
void Reset();
void Attach(Peer* peer);

// The program as Connect leaves it on `port` of this line at the default speed, no
// operation running, and its list (and every other record of the shell stand-in)
// empty again. False when the port does not open.
bool ConnectProgram(int port);

// Far end: this byte arrives at the program's side at `at` (ms).
void Send(uint32_t at, uint8_t byte);
void Send(uint32_t at, const std::string& bytes);

void SetPortMissing(int port, bool missing);
// The adapter pulled: once `afterBytes` more bytes have reached the program's input
// queue, the open port is lost (the bytes still scheduled never come, the program's
// writes go nowhere), and its name is there again `backAfterMs` after that (UINT32_MAX:
// never). The port opened again is a fresh line to the same peer.
void LoseLine(uint32_t afterBytes, uint32_t backAfterMs);
int LossCount();     // times the line was lost
uint32_t LostAt();   // virtual time of the last loss
// What ReadLineErrors reports from now on.
void SetLineErrors(uint32_t framing, uint32_t parity, uint32_t overrun, uint32_t breaks);
bool IsOpen(int port);
int OpenCount();   // successful OpenPort calls
int PurgeCount();

const std::vector<Traffic>& Log();
// Just the bytes of one direction, in order.
std::string Written();    // program to device
std::string Delivered();  // device to program (those that reached the queue)
// Times (ms) of the program's writes of this byte value.
std::vector<uint32_t> WriteTimes(uint8_t byte);

}  // namespace simline
