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
  // Dump mode: bytes sent after the last line and before ETX, with no line end of
  // their own (an unfinished last line); normally empty.
  std::string dumpTail;
};

// Faults, each chosen per run. Counts of -1 mean "every time".
struct Faults {
  bool silent = false;              // never sends anything
  int byteBeforeAck = -1;           // this byte (0..255) goes out just before each ACK to ENQ
  bool canAfterEnq = false;         // command mode: ENQ is answered with CAN
  int frameAnswer = -1;             // byte sent instead of ACK after command frames (NAK, CAN, other);
                                    // the register then waits for the frame again
  int badChecksumReplies = 0;       // the first N reply frames carry a wrong checksum
  int status14Replies = 0;          // the replies of the first N commands carry status 0E (then the
                                    // real status); repetitions after NAK keep it
  int shortFrameReplies = 0;        // the first N reply frames carry only 10 frame bytes
  std::string strayBeforeStx;       // sent before every reply's STX
  bool silentAfterNak = false;      // a NAK from the PC is answered with nothing; next ENQ opens anew
  int gapAfterBytes = -1;           // after this many bytes of the dump text or of a reply frame
                                    // (counted from its STX) ...
  uint32_t gapMs = 0;               // ... the line stays silent this long
  bool noise = false;               // from the first ENQ on, nothing but an endless stream of bytes
                                    // other than STX ETX ENQ ACK NAK CAN LF (until LineClosed)
  uint32_t noiseIntervalUs = 100;   // one noise byte every this many microseconds (at most what
                                    // a paced line carries)
  size_t longLineBytes = 0;         // dump mode: a line of this many bytes (CR LF included) comes first
  uint32_t baud = 0;                // pacing: 0 sends at once; else each byte takes 10 bits at this speed
  uint32_t latencyUs = 0;           // delay before each answer
  int gapBlocks = -1;               // how many dumps/replies get the gap (-1: every one)
  int frameAnswerCount = -1;        // how many command frames get frameAnswer (-1: every one)
  int unplugAfterBytes = -1;        // the line's front end: after sending this many bytes it closes
  uint32_t unplugMs = 0;            // its end, and opens a new one this much later (an adapter
                                    // pulled and plugged in again); the register itself ignores it
  int faultsFrom = 0;               // the counted faults (frame answer, bad checksum, status 14, short
                                    // frames, gap) leave this many of what they count alone before
                                    // their N begin, and noise starts at the ENQ after this many:
                                    // a fault in the middle of a run rather than at its start
};

// Whether a counted fault of `count` (-1: every time) hits the one numbered `seen`
// (from 0) of the things it counts, given faults.faultsFrom.
bool FaultApplies(const Faults& faults, int count, int seen);

struct Stats {
  int enqs = 0;                       // ENQ bytes received
  int framesGood = 0;                 // command frames with a correct checksum
  int framesBad = 0;                  // command frames with a wrong checksum (answered NAK)
  int replies = 0;                    // reply frames sent (repetitions included)
  int acks = 0;                       // ACKs received for replies
  int naks = 0;                       // NAKs received for replies
  std::vector<std::string> commands;  // command texts of good frames, in order
  struct Acknowledged {
    std::string command;
    int status;
  };
  std::vector<Acknowledged> acknowledged;  // replies the PC took (answered with ACK), in order
  uint64_t dumpBytes = 0;             // dump text bytes sent (line ends included, ETX not)
  int dumps = 0;                      // dumps sent to the end (ETX)
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
  // The PC closed the port: a fresh connection follows (state back to waiting for
  // ENQ, noise stops). Bytes already handed to Output are the front end's to drop.
  void LineClosed(uint64_t nowUs);
  const Stats& stats() const;

 private:
  struct Impl;
  Impl* impl_;
};

// Framing as the register computes it: sum of the bytes modulo 256, then modulo 100.
int Checksum(const std::string& bytes);

// The reply frame's bytes between STX and ETX: three status fields, the data text
// with its closing '/' (none when the text is empty), two checksum digits.
std::string ReplyFrameBody(int status, const std::string& data);
// The "g/" data text made from the tables when Data::info is empty.
std::string InfoText(const Data& data);

// Sample data files (format in tools/sim/data/README.md); false when unreadable or
// malformed, with the reason in *error when given.
bool LoadDump(const std::string& path, Data& data, std::string* error = nullptr);
bool LoadTables(const std::string& path, Data& data, std::string* error = nullptr);
// A data file's text (UTF-8 with \xNN and \\ escapes) in the register's code page,
// Windows-1253; false on a character or escape it has no byte for.
bool ToRegisterText(const std::string& utf8, std::string& out, std::string* error = nullptr);

// Synthetic data for benchmarks: a dump of about `bytes` bytes (line ends included),
// and tables with a, b, c records in tables 0..2 and d records in table 3.
void GenerateDump(uint64_t bytes, Data& data);
void GenerateTables(int a, int b, int c, int d, Data& data);

}  // namespace regsim
