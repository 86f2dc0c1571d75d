// Command mode: the framed command protocol from the register's side.
//
//   PC: (CAN CAN CAN) ENQ          register: ACK
//   PC: STX text cc ETX            register: ACK (NAK on a wrong checksum)
//                                  register: STX reply-frame ETX
//   PC: ACK (done) or NAK          register: the same reply again, from its STX
//
// CAN from the PC cancels whatever is going on; an ENQ outside a frame opens anew.
#include <cstdlib>
#include <string>

#include "tools/sim/framing.h"
#include "tools/sim/model_impl.h"

namespace regsim {

namespace {
// Longest command frame the register takes; the PC's commands are a few bytes.
constexpr size_t kMaxFrameBytes = 1024;
constexpr int kShortFrameBytes = 10;  // one less than the shortest usable reply
constexpr int kTableCount = 4;

// "r/T/NNNN/": table T (one digit), index NNNN (decimal digits); false otherwise.
bool ParseRecordCommand(const std::string& command, int& table, long& index) {
  if (command.size() < 6 || command.compare(0, 2, "r/") != 0 || command[3] != '/' ||
      command.back() != '/')
    return false;
  if (command[2] < '0' || command[2] > '9') return false;
  table = command[2] - '0';
  const std::string digits = command.substr(4, command.size() - 5);
  if (digits.empty() || digits.size() > 9) return false;
  for (char c : digits)
    if (c < '0' || c > '9') return false;
  index = std::strtol(digits.c_str(), nullptr, 10);
  return true;
}
}  // namespace

void Register::Impl::ReceiveCommand(uint8_t byte, uint64_t nowUs) {
  if (byte == kCan) {
    state = State::Idle;
    return;
  }
  switch (state) {
    case State::Idle:
    case State::AwaitStx:
    case State::AwaitFrame:
      if (byte == kEnq)
        OpenCommand(nowUs);
      else if (byte == kStx && state == State::AwaitFrame)
        StartFrame();
      break;
    case State::InFrame:
      CollectFrame(byte, nowUs);
      break;
    case State::AwaitAck:
      AcknowledgeReply(byte, nowUs);
      break;
  }
}

void Register::Impl::OpenCommand(uint64_t nowUs) {
  if (!faults.canAfterEnq) {
    AnswerEnq(nowUs);
    state = State::AwaitFrame;
    return;
  }
  if (!faults.silent) {
    writer.BeginAnswer(nowUs);
    writer.Put(kCan);
  }
  state = State::Idle;
}

void Register::Impl::StartFrame() {
  frame.clear();
  frameOverflow = false;
  state = State::InFrame;
}

void Register::Impl::CollectFrame(uint8_t byte, uint64_t nowUs) {
  if (byte == kEtx)
    EndOfFrame(nowUs);
  else if (byte == kStx)  // the PC started the frame again
    StartFrame();
  else if (frame.size() < kMaxFrameBytes)
    frame += static_cast<char>(byte);
  else
    frameOverflow = true;
}

void Register::Impl::AcknowledgeReply(uint8_t byte, uint64_t nowUs) {
  if (byte == kAck) {
    ++stats.acks;
    stats.acknowledged.push_back({transactionCommand, replyStatus});
    state = State::Idle;
  } else if (byte == kNak) {
    ++stats.naks;
    if (faults.silentAfterNak)
      state = State::Idle;
    else
      SendReply(nowUs);
  } else if (byte == kEnq) {  // the PC gave up on this reply and opens anew
    OpenCommand(nowUs);
  }
}

void Register::Impl::EndOfFrame(uint64_t nowUs) {
  std::string command;
  if (frameOverflow || !CheckCommandFrame(frame, command)) {
    ++stats.framesBad;
    if (!faults.silent) {
      writer.BeginAnswer(nowUs);
      writer.Put(kNak);
    }
    state = State::AwaitFrame;
    return;
  }
  ++stats.framesGood;
  stats.commands.push_back(command);
  if (faults.frameAnswer >= 0 && FaultApplies(faults, faults.frameAnswerCount, stats.framesGood - 1)) {
    if (!faults.silent) {
      writer.BeginAnswer(nowUs);
      writer.Put(static_cast<uint8_t>(faults.frameAnswer));
    }
    state = State::AwaitFrame;  // the PC sends the frame again
    return;
  }
  if (!faults.silent) {
    writer.BeginAnswer(nowUs);
    writer.Put(kAck);
  }
  Transact(command, nowUs);
}

void Register::Impl::Transact(const std::string& command, uint64_t nowUs) {
  int table = 0;
  long index = 0;
  if (command == "g/") {
    replyStatus = kStatusOk;
    replyData = data.info.empty() ? InfoText(data) : data.info;
  } else if (ParseRecordCommand(command, table, index) && table < kTableCount) {
    const auto& records = data.tables[table];
    if (index < static_cast<long>(records.size())) {
      replyStatus = records[static_cast<size_t>(index)].status;
      replyData = records[static_cast<size_t>(index)].text;
    } else {
      replyStatus = kStatusNoSuchRecord;
      replyData.clear();
    }
  } else {
    replyStatus = kStatusUnknownCommand;
    replyData.clear();
  }
  if (FaultApplies(faults, faults.status14Replies, transactions)) replyStatus = kStatusBusy;
  transactionCommand = command;
  ++transactions;
  state = State::AwaitAck;
  SendReply(nowUs);
}

// One reply frame on the line; a repetition after NAK is built again from the same
// status and data, so the faults that count frames apply to repetitions too.
void Register::Impl::SendReply(uint64_t nowUs) {
  if (faults.silent) return;
  const int sent = stats.replies++;
  std::string body = ReplyFrameBody(replyStatus, replyData);
  if (FaultApplies(faults, faults.badChecksumReplies, sent)) {
    char& units = body.back();
    units = units == '9' ? '0' : static_cast<char>(units + 1);
  }
  if (FaultApplies(faults, faults.shortFrameReplies, sent)) body.resize(kShortFrameBytes);
  writer.BeginAnswer(nowUs);
  writer.Put(faults.strayBeforeStx);
  writer.BeginBlock();
  writer.Put(kStx);
  writer.Put(body);
  writer.Put(kEtx);
  writer.EndBlock();
}

}  // namespace regsim
