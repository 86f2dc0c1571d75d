// The register simulator's model: the far end of both jobs of Tallyglass, as a
// cash register behaves on the line, faults included. Written from the register's
// side of the line protocol, independently of the program's own code (nothing here
// includes or links the program's sources).
//
// The model is fed the bytes the PC writes, with their times, and answers through
// an Output callback with the times at which its bytes reach the PC. Time is in
// microseconds. Two front ends drive it: tests/stubs/sim_register.h (in-process, on
// the host tests' simulated line and virtual clock) and tools/regsim (a pty).
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace regsim {

enum class Mode {
  Dump,     // "send fiscal memory to PC": ENQ -> ACK, STX -> dump lines, ETX
  Command,  // framed command protocol: "g/" and "r/T/NNNN/"
};

// One record of a device table: the data text of its reply and the status that
// goes with it (0 for a good record; non-zero makes the record fail).
struct Record {
  int status = 0;
  std::string text;
};

struct Data {
  // Dump mode: the dump's lines without their line ends; the model sends each
  // followed by CR LF, then ETX.
  std::vector<std::string> dumpLines;
  // Command mode: tables 0..3 and the data text of the "g/" reply. An empty info
  // text is made from the tables: counts of tables 0..2 in fields 4, 9, 14 and the
  // last index of table 3 in field 19.
  std::vector<Record> tables[4];
  std::string info;
};

// Faults, each chosen per run. Counts of -1 mean "every time".
struct Faults {
  bool silent = false;              // never sends anything
  int byteBeforeAck = -1;           // this byte (0..255) goes out just before each ACK to ENQ
  bool canAfterEnq = false;         // command mode: ENQ is answered with CAN
  int frameAnswer = -1;             // byte sent instead of ACK after every command frame (NAK, CAN, other)
  int badChecksumReplies = 0;       // the first N reply frames carry a wrong checksum
  int status14Replies = 0;          // the first N replies carry status 0E (then the real status)
  int shortFrameReplies = 0;        // the first N reply frames carry only 10 frame bytes
  std::string strayBeforeStx;       // sent before every reply's STX
  bool silentAfterNak = false;      // a NAK from the PC is answered with nothing at all
  int gapAfterBytes = -1;           // after this many bytes of the dump or of a reply ...
  uint32_t gapMs = 0;               // ... the line stays silent this long
  bool noise = false;               // an endless stream of non-control bytes, after the first ENQ
  uint32_t noiseIntervalUs = 100;   // one noise byte every this many microseconds
  size_t longLineBytes = 0;         // dump mode: a line of this many bytes (CR LF included) comes first
  uint32_t baud = 0;                // pacing: 0 sends at once; else each byte takes 10 bits at this speed
  uint32_t latencyUs = 0;           // delay before each answer
};

struct Stats {
  int enqs = 0;                       // ENQ bytes received
  int framesGood = 0;                 // command frames with a correct checksum
  int framesBad = 0;                  // command frames with a wrong checksum (answered NAK)
  int replies = 0;                    // reply frames sent (repetitions included)
  int acks = 0;                       // ACKs received for replies
  int naks = 0;                       // NAKs received for replies
  std::vector<std::string> commands;  // command texts of good frames, in order
  uint64_t dumpBytes = 0;             // dump text bytes sent (line ends included, ETX not)
};

class Register {
 public:
  using Output = std::function<void(uint64_t atUs, uint8_t byte)>;
  Register(Mode mode, Data data, Faults faults, Output output);
  ~Register();
  Register(const Register&) = delete;
  Register& operator=(const Register&) = delete;

  // A byte from the PC at time nowUs.
  void Receive(uint8_t byte, uint64_t nowUs);
  // Time has reached nowUs (lets an endless noise stream go on).
  void Advance(uint64_t nowUs);
  const Stats& stats() const;

 private:
  struct Impl;
  Impl* impl_;
};

// Framing as the register computes it: sum of the bytes modulo 256, then modulo 100.
int Checksum(const std::string& bytes);

// Sample data files (format in tools/sim/data/README); false when unreadable.
bool LoadDump(const std::string& path, Data& data);
bool LoadTables(const std::string& path, Data& data);

}  // namespace regsim
