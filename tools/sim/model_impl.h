// Inside the register model: one state machine per mode over a shared line writer.
#pragma once
#include <cstdint>
#include <string>

#include "tools/sim/line_writer.h"
#include "tools/sim/register_model.h"

namespace regsim {

constexpr uint8_t kStx = 0x02;
constexpr uint8_t kEtx = 0x03;
constexpr uint8_t kEnq = 0x05;
constexpr uint8_t kAck = 0x06;
constexpr uint8_t kLf = 0x0A;
constexpr uint8_t kCr = 0x0D;
constexpr uint8_t kNak = 0x15;
constexpr uint8_t kCan = 0x18;

// Status values of the simulated register (its own choice; the PC only tells 0,
// 14 and the rest apart).
constexpr int kStatusOk = 0x00;
constexpr int kStatusUnknownCommand = 0x01;
constexpr int kStatusNoSuchRecord = 0x02;
constexpr int kStatusBusy = 0x0E;  // "try again": the PC repeats the transaction

struct Register::Impl {
  enum class State {
    Idle,         // waiting for ENQ
    AwaitStx,     // dump: ACK sent, waiting for the PC's STX
    AwaitFrame,   // command: ACK sent, waiting for the command frame's STX
    InFrame,      // command: collecting the frame up to ETX
    AwaitAck,     // command: reply sent, waiting for ACK or NAK
  };

  Impl(Mode mode, Data data, Faults faults, Output output);

  void Receive(uint8_t byte, uint64_t nowUs);
  void Advance(uint64_t nowUs);
  void LineClosed(uint64_t nowUs);

  // Shared.
  void AnswerEnq(uint64_t nowUs);
  void StartNoise(uint64_t nowUs);
  uint64_t NoiseIntervalUs() const;

  // Dump mode (dump_mode.cpp).
  void ReceiveDump(uint8_t byte, uint64_t nowUs);
  void SendDump(uint64_t nowUs);
  void SendDumpText(const std::string& text);

  // Command mode (command_mode.cpp).
  void ReceiveCommand(uint8_t byte, uint64_t nowUs);
  void OpenCommand(uint64_t nowUs);
  void StartFrame();
  void CollectFrame(uint8_t byte, uint64_t nowUs);
  void AcknowledgeReply(uint8_t byte, uint64_t nowUs);
  void EndOfFrame(uint64_t nowUs);
  void Transact(const std::string& command, uint64_t nowUs);
  void SendReply(uint64_t nowUs);

  const Mode mode;
  const Data data;
  const Faults faults;
  LineWriter writer;
  Stats stats;

  State state = State::Idle;
  std::string frame;            // bytes of the command frame so far
  bool frameOverflow = false;   // more than kMaxFrameBytes: rejected at ETX
  int replyStatus = kStatusOk;  // the current transaction's reply
  std::string replyData;
  int transactions = 0;         // replies built (for the status-14 fault)
  std::string transactionCommand;  // the command the current reply answers
  bool noiseOn = false;
  uint64_t noiseNextUs = 0;
  uint32_t noiseSeed = 0x2545F491u;
};

}  // namespace regsim
