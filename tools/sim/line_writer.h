// The register's sending side: puts answer bytes on the line at the times they
// reach the PC, with the answer latency, the pacing of a real line and the gap
// fault applied.
#pragma once
#include <cstdint>
#include <string>

#include "tools/sim/register_model.h"

namespace regsim {

class LineWriter {
 public:
  LineWriter(const Faults& faults, Register::Output output);

  // Starts an answer to a byte received at nowUs: after the latency, and never
  // before the previous answer has left the line.
  void BeginAnswer(uint64_t nowUs);
  // Starts bytes that answer nothing (noise) at atUs, or when the line is free.
  void BeginUnprompted(uint64_t atUs);
  void Put(uint8_t byte);
  void Put(const std::string& bytes);

  // A dump or a reply frame: the gap fault counts the bytes of one block.
  void BeginBlock();
  void EndBlock();

  // Forgets what is on its way (the PC closed the port).
  void Reset(uint64_t nowUs);

 private:
  const Faults& faults_;
  Register::Output output_;
  uint64_t cursorNs_ = 0;     // when the next byte starts on the line
  uint64_t byteNs_ = 0;       // time one byte takes on the line (0: no pacing)
  bool inBlock_ = false;
  bool gapThisBlock_ = false;
  uint64_t blockBytes_ = 0;
  int blocks_ = 0;
};

}  // namespace regsim
