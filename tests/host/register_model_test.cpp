// The register simulator's model, driven directly: bytes in with their times, the
// answers recorded with the times they reach the PC. The frames the tests expect
// are written out by hand from the protocol's worked figures, not built with the
// model's own helpers.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/stubs/temp_dir.h"
#include "tools/sim/register_model.h"

namespace {

using regsim::Data;
using regsim::Faults;
using regsim::Mode;
using regsim::Record;

const std::string kStx = "\x02", kEtx = "\x03", kEnq = "\x05", kAck = "\x06", kNak = "\x15", kCan = "\x18";

struct Sent {
  uint64_t atUs;
  uint8_t byte;
};

// A register with a recording line.
class Line {
 public:
  Line(Mode mode, Data data, Faults faults = {})
      : reg_(mode, std::move(data), faults, [this](uint64_t at, uint8_t b) { sent_.push_back({at, b}); }) {}

  // The PC writes these bytes at `atUs`; returns what the register answers to them.
  std::string Write(const std::string& bytes, uint64_t atUs = 0) {
    const size_t before = sent_.size();
    for (char c : bytes) reg_.Receive(static_cast<uint8_t>(c), atUs);
    std::string answer;
    for (size_t i = before; i < sent_.size(); ++i) answer += static_cast<char>(sent_[i].byte);
    return answer;
  }
  // Time passes on the line; returns what the register sent meanwhile unprompted.
  std::string AdvanceTo(uint64_t atUs) {
    const size_t before = sent_.size();
    reg_.Advance(atUs);
    std::string out;
    for (size_t i = before; i < sent_.size(); ++i) out += static_cast<char>(sent_[i].byte);
    return out;
  }
  const std::vector<Sent>& sent() const { return sent_; }
  const regsim::Stats& stats() const { return reg_.stats(); }
  regsim::Register& model() { return reg_; }

 private:
  std::vector<Sent> sent_;
  regsim::Register reg_;
};

std::string Frame(const std::string& text, const std::string& digits) { return kStx + text + digits + kEtx; }
std::string Reply(const std::string& body) { return kStx + body + kEtx; }

Data SmallTables() {
  Data d;
  d.tables[0] = {{0, "1/150324/101530/0042"}, {0, "1/160324/111500/0043"}};
  d.tables[1] = {{0, "2/150324/120000/0007"}};
  d.tables[3] = {{0, "12"}, {0x05, "FAILED"}};
  return d;
}

Data TwoLines() {
  Data d;
  d.dumpLines = {"\xC1\xC2\xC3", ""};
  return d;
}

// ---------------------------------------------------------------- framing

TEST(RegisterFraming, ChecksumsOfTheWorkedFigures) {
  EXPECT_EQ(regsim::Checksum("g/"), 50);          // byte sum 150
  EXPECT_EQ(regsim::Checksum("r/0/0000/"), 39);   // byte sum 495 wraps to 239
  EXPECT_EQ(regsim::Checksum(""), 0);
  EXPECT_EQ(regsim::Checksum("00/00/00/"), 73);
  EXPECT_EQ(regsim::Checksum("\xFF\xFF"), 54);    // 510 wraps to 254
}

TEST(RegisterFraming, ReplyBodiesOfTheWorkedFigures) {
  EXPECT_EQ(regsim::ReplyFrameBody(0, ""), "00/00/00/73");        // 11 frame bytes
  EXPECT_EQ(regsim::ReplyFrameBody(0, "12"), "00/00/00/12/63");   // 14 frame bytes
  EXPECT_EQ(regsim::ReplyFrameBody(14, ""), "0E/00/00/94");
  EXPECT_EQ(regsim::ReplyFrameBody(0x64, "").substr(0, 3), "64/");
}

// ---------------------------------------------------------------- command mode

TEST(RegisterCommands, OneTransactionFromEnqToAck) {
  Line line(Mode::Command, SmallTables());
  EXPECT_EQ(line.Write(kCan + kCan + kCan + kEnq), kAck);
  const std::string reply = line.Write(Frame("r/3/0000/", "09"));
  // r/3/0000/ sums to 498 -> 242 -> 42; a wrong checksum first, then the right one.
  EXPECT_EQ(reply, kNak);
  EXPECT_EQ(line.Write(Frame("r/3/0000/", "42")), kAck + Reply("00/00/00/12/63"));
  EXPECT_EQ(line.Write(kAck), "");
  EXPECT_EQ(line.stats().framesBad, 1);
  EXPECT_EQ(line.stats().framesGood, 1);
  EXPECT_EQ(line.stats().replies, 1);
  EXPECT_EQ(line.stats().acks, 1);
  EXPECT_EQ(line.stats().commands, std::vector<std::string>{"r/3/0000/"});
}

TEST(RegisterCommands, InfoTextCarriesCountsAndLastIndex) {
  Line line(Mode::Command, SmallTables());
  line.Write(kEnq);
  const std::string reply = line.Write(Frame("g/", "50"));
  ASSERT_GE(reply.size(), 1 + 1 + 9 + 3);
  const std::string data = reply.substr(2 + 9, reply.size() - 2 - 9 - 4);
  std::vector<std::string> fields;
  size_t start = 0;
  for (size_t slash; (slash = data.find('/', start)) != std::string::npos; start = slash + 1)
    fields.push_back(data.substr(start, slash - start));
  fields.push_back(data.substr(start));
  ASSERT_GE(fields.size(), 20u);
  EXPECT_EQ(fields[4], "2");
  EXPECT_EQ(fields[9], "1");
  EXPECT_EQ(fields[14], "0");
  EXPECT_EQ(fields[19], "1");

  Data given = SmallTables();
  given.info = "A/B/C/D/12/E/F/G/H/3/I/J/K/L/0/M/N/O/P/25";
  Line fixed(Mode::Command, given);
  fixed.Write(kEnq);
  EXPECT_EQ(fixed.Write(Frame("g/", "50")), kAck + Reply("00/00/00/" + given.info + "/" +
                                                          std::to_string(regsim::Checksum("00/00/00/" + given.info + "/"))));
}

TEST(RegisterCommands, RecordsUnknownCommandsAndIndicesOutOfRange) {
  Line line(Mode::Command, SmallTables());
  auto ask = [&](const std::string& command) {
    line.Write(kEnq);
    const std::string digits = std::to_string(100 + regsim::Checksum(command)).substr(1);
    const std::string answer = line.Write(Frame(command, digits));
    line.Write(kAck);
    return answer.substr(1);  // after the ACK to the frame
  };
  EXPECT_EQ(ask("r/0/0001/"), Reply("00/00/00/1/160324/111500/0043/" +
                                    std::to_string(regsim::Checksum("00/00/00/1/160324/111500/0043/"))));
  EXPECT_EQ(ask("r/3/0001/").substr(0, 17), kStx + "05/00/00/FAILED/");
  EXPECT_EQ(ask("r/0/0002/").substr(0, 10), kStx + "02/00/00/");   // past the end
  EXPECT_EQ(ask("r/2/0000/").substr(0, 10), kStx + "02/00/00/");   // empty table
  EXPECT_EQ(ask("r/4/0000/").substr(0, 10), kStx + "01/00/00/");   // no such table
  EXPECT_EQ(ask("x/"), Reply("01/00/00/74"));
  EXPECT_EQ(ask("").substr(0, 10), kStx + "01/00/00/");
  EXPECT_EQ(ask("r/0/-001/").substr(0, 10), kStx + "01/00/00/");
  EXPECT_EQ(ask("r/0/1/").substr(0, 10), kStx + "00/00/00/");     // fewer digits are still an index
  EXPECT_EQ(line.stats().acks, 9);
}

TEST(RegisterCommands, NakBringsTheSameReplyAgain) {
  Line line(Mode::Command, SmallTables());
  line.Write(kEnq);
  const std::string first = line.Write(Frame("r/3/0000/", "42")).substr(1);
  EXPECT_EQ(line.Write(kNak), first);
  EXPECT_EQ(line.Write(kNak), first);
  EXPECT_EQ(line.Write(kAck), "");
  EXPECT_EQ(line.Write(kNak), "");  // after the ACK there is nothing to repeat
  EXPECT_EQ(line.stats().naks, 2);
  EXPECT_EQ(line.stats().replies, 3);
}

TEST(RegisterCommands, CanAndStrayBytesOutsideAFrame) {
  Line line(Mode::Command, SmallTables());
  EXPECT_EQ(line.Write(Frame("g/", "50")), "");          // no frame before ENQ
  EXPECT_EQ(line.Write(kEnq + "zz" + kAck + kNak), kAck);  // noise before the frame: ignored
  EXPECT_EQ(line.Write(kCan + Frame("g/", "50")), "");   // CAN cancels the opening
  line.Write(kEnq);
  EXPECT_EQ(line.Write(kStx + "g/" + kStx + "g/50" + kEtx).substr(0, 2), kAck + kStx);  // STX restarts a frame
  EXPECT_EQ(line.Write(kEnq), kAck);                      // a new opening instead of ACK
  EXPECT_EQ(line.Write(kStx + "00" + kEtx), kAck + Reply("01/00/00/74"));  // empty command: unknown
  EXPECT_EQ(line.stats().commands.back(), "");
}

TEST(RegisterCommands, OverlongFrameIsRejected) {
  Line line(Mode::Command, SmallTables());
  line.Write(kEnq);
  EXPECT_EQ(line.Write(kStx + std::string(5000, 'a') + "00" + kEtx), kNak);
  EXPECT_EQ(line.Write(kStx + kEtx), kNak);  // not even checksum digits
  EXPECT_EQ(line.stats().framesBad, 2);
}

// ---------------------------------------------------------------- dump mode

TEST(RegisterDump, HandshakeThenLinesThenEtx) {
  Line line(Mode::Dump, TwoLines());
  EXPECT_EQ(line.Write(kStx), "");            // STX before ENQ: not yet
  EXPECT_EQ(line.Write("x" + kEnq), kAck);    // other bytes before ENQ are ignored
  EXPECT_EQ(line.Write(kStx), "\xC1\xC2\xC3\r\n\r\n" + kEtx);
  EXPECT_EQ(line.stats().dumpBytes, 7u);
  EXPECT_EQ(line.stats().dumps, 1);
  EXPECT_EQ(line.Write(kStx), "");            // a new dump needs a new ENQ
  EXPECT_EQ(line.Write(kEnq + kEnq), kAck + kAck);
  EXPECT_EQ(line.Write(kStx), "\xC1\xC2\xC3\r\n\r\n" + kEtx);
  EXPECT_EQ(line.stats().dumps, 2);
  EXPECT_EQ(line.stats().enqs, 3);
}

TEST(RegisterDump, UnfinishedLastLineAndBareLf) {
  Data d;
  d.dumpLines = {"A\nB"};
  d.dumpTail = "REST";
  Line line(Mode::Dump, d);
  line.Write(kEnq);
  EXPECT_EQ(line.Write(kStx), "A\nB\r\nREST" + kEtx);
  EXPECT_EQ(line.stats().dumpBytes, 9u);
}

TEST(RegisterDump, AnswersComeAfterTheBytesTheyAnswer) {
  Line line(Mode::Dump, TwoLines());
  line.Write(kEnq, 5000);
  line.Write(kStx, 9000);
  ASSERT_FALSE(line.sent().empty());
  EXPECT_GT(line.sent().front().atUs, 5000u);
  for (size_t i = 1; i < line.sent().size(); ++i) {
    EXPECT_GT(line.sent()[i].atUs, 9000u);
    EXPECT_GE(line.sent()[i].atUs, line.sent()[i - 1].atUs);
  }
}

}  // namespace
