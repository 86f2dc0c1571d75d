// Host-test stand-ins for the program's seams, and their controls.
//
// Virtual clock: TickCount() advances the clock by the tick step (1 ms unless a test
// sets it) at every read, so a polling loop costs one virtual millisecond per pass;
// PauseMs() advances it by the pause and records the pause.
//
// Simulated line: one serial line whose far end is a Peer (normally the register
// simulator). Every port number 1..12 opens onto it unless a test marks the port
// missing. The peer hears each byte the program writes, with its time, and
// schedules bytes towards the program; a scheduled byte reaches the input queue
// when the virtual clock has passed its time. Every byte in both directions is
// logged with its time.
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

// Back to the start: all ports closed and available, queues and logs empty,
// clock at 0 with step 1, no peer, no pump hook, no rows.
void Reset();
void Attach(Peer* peer);

// Far end: this byte arrives at the program's side at `at` (ms).
void Send(uint32_t at, uint8_t byte);
void Send(uint32_t at, const std::string& bytes);

void SetPortMissing(int port, bool missing);
bool IsOpen(int port);
int OpenCount();   // successful OpenPort calls
int PurgeCount();

const std::vector<Traffic>& Log();
// Just the bytes of one direction, in order.
std::string Written();    // program to device
std::string Delivered();  // device to program (those that reached the queue)
// Times (ms) of the program's writes of this byte value.
std::vector<uint32_t> WriteTimes(uint8_t byte);

// Virtual clock.
uint32_t Now();
void SetNow(uint32_t ms);
void SetTickStep(uint32_t ms);
const std::vector<uint32_t>& Pauses();

}  // namespace simline
