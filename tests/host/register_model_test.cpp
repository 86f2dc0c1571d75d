// The register simulator's model, driven directly: bytes in with their times, the
// answers recorded with the times they reach the PC. The frames the tests expect
// are written out by hand from the protocol's worked figures, not built with the
// model's own helpers.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/stubs/temp_dir.h"
#include "tools/sim/fault_options.h"
#include "tools/sim/register_model.h"

namespace {

using regsim::Data;
using regsim::Faults;
using regsim::Mode;
using regsim::Record;

const std::string kStx = "\x02", kEtx = "\x03", kEnq = "\x05", kAck = "\x06", kNak = "\x15", kCan = "\x18";

constexpr uint64_t kDumpStartUs = 2000;  // the register's pause between STX and the dump

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

// Splits a data text at '/'.
std::vector<std::string> Fields(const std::string& text) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (size_t at; (at = text.find('/', start)) != std::string::npos; start = at + 1)
    fields.push_back(text.substr(start, at - start));
  fields.push_back(text.substr(start));
  return fields;
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
  const std::vector<std::string> fields = Fields(reply.substr(2 + 9, reply.size() - 2 - 9 - 4));
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

// The PC purges its input right after writing STX: the dump must come later.
TEST(RegisterDump, AnswersComeAfterTheBytesTheyAnswer) {
  Line line(Mode::Dump, TwoLines());
  line.Write(kEnq, 5000);
  line.Write(kStx, 9000);
  ASSERT_FALSE(line.sent().empty());
  EXPECT_GT(line.sent().front().atUs, 5000u);
  for (size_t i = 1; i < line.sent().size(); ++i) {
    EXPECT_GE(line.sent()[i].atUs, 9000u + kDumpStartUs);
    EXPECT_GE(line.sent()[i].atUs, line.sent()[i - 1].atUs);
  }
}

// ---------------------------------------------------------------- faults

// Opens a command transaction and sends one good frame; returns the answer to it.
std::string AskG(Line& line, uint64_t atUs = 0) {
  line.Write(kCan + kCan + kCan + kEnq, atUs);
  return line.Write(Frame("g/", "50"), atUs);
}

const std::string kEmptyG = "00/00/00/73";

Data EmptyInfo() {
  Data d;
  d.info = "";
  return d;
}

// Data whose "g/" reply is the shortest there is: status fields and checksum.
Data ShortestReply() {
  Data d;
  d.tables[3].clear();
  d.info = "X";
  return d;
}
const std::string kXReply = "00/00/00/X/" + std::to_string(regsim::Checksum("00/00/00/X/"));
const std::string kBusyReply = "0E/00/00/X/" + std::to_string(regsim::Checksum("0E/00/00/X/"));

TEST(RegisterFaults, SilentRegisterHearsButNeverAnswers) {
  Faults f;
  f.silent = true;
  Line command(Mode::Command, ShortestReply(), f);
  EXPECT_EQ(command.Write(kEnq + Frame("g/", "50") + kNak), "");
  EXPECT_EQ(command.stats().enqs, 1);
  Line dump(Mode::Dump, TwoLines(), f);
  EXPECT_EQ(dump.Write(kEnq + kStx), "");
  EXPECT_EQ(dump.stats().dumpBytes, 0u);
}

TEST(RegisterFaults, ByteBeforeEveryAckToEnq) {
  Faults f;
  f.byteBeforeAck = 0x41;
  Line dump(Mode::Dump, TwoLines(), f);
  EXPECT_EQ(dump.Write(kEnq), "A" + kAck);
  EXPECT_EQ(dump.Write(kEnq), "A" + kAck);
  Line command(Mode::Command, ShortestReply(), f);
  EXPECT_EQ(command.Write(kEnq), "A" + kAck);
  EXPECT_EQ(command.Write(Frame("g/", "50")), kAck + Reply(kXReply));  // only the ENQ's ACK
}

TEST(RegisterFaults, CanAfterEnqLeavesTheRegisterIdle) {
  Faults f;
  f.canAfterEnq = true;
  Line line(Mode::Command, ShortestReply(), f);
  EXPECT_EQ(line.Write(kCan + kCan + kCan + kEnq), kCan);
  EXPECT_EQ(line.Write(Frame("g/", "50")), "");  // no frame without an opening
  EXPECT_EQ(line.Write(kEnq), kCan);
  EXPECT_EQ(line.stats().framesGood, 0);
}

TEST(RegisterFaults, OtherAnswerThanAckToTheCommandFrame) {
  Faults always;
  always.frameAnswer = 0x15;
  Line nak(Mode::Command, ShortestReply(), always);
  EXPECT_EQ(AskG(nak), kNak);
  EXPECT_EQ(nak.Write(Frame("g/", "50")), kNak);  // the PC sends the frame again
  EXPECT_EQ(nak.Write(Frame("g/", "50")), kNak);
  EXPECT_EQ(nak.stats().framesGood, 3);
  EXPECT_EQ(nak.stats().replies, 0);

  Faults once;
  once.frameAnswer = 0x18;
  once.frameAnswerCount = 1;
  Line can(Mode::Command, ShortestReply(), once);
  EXPECT_EQ(AskG(can), kCan);
  EXPECT_EQ(can.Write(Frame("g/", "50")), kAck + Reply(kXReply));
}

TEST(RegisterFaults, WrongChecksumOnTheFirstReplies) {
  Faults f;
  f.badChecksumReplies = 2;
  Line line(Mode::Command, ShortestReply(), f);
  const std::string good = Reply(kXReply);
  const std::string first = AskG(line).substr(1);
  ASSERT_EQ(first.size(), good.size());
  EXPECT_EQ(first.substr(0, first.size() - 3), good.substr(0, good.size() - 3));  // only the digits differ
  EXPECT_NE(first, good);
  EXPECT_NE(line.Write(kNak), good);
  EXPECT_EQ(line.Write(kNak), good);  // the third frame is right
  EXPECT_EQ(line.stats().naks, 2);

  Faults every;
  every.badChecksumReplies = -1;
  Line bad(Mode::Command, ShortestReply(), every);
  AskG(bad);
  for (int i = 0; i < 17; ++i) EXPECT_NE(bad.Write(kNak), good);
}

TEST(RegisterFaults, Status14OnTheFirstTransactionsEvenWhenRepeated) {
  Faults f;
  f.status14Replies = 1;
  Line line(Mode::Command, ShortestReply(), f);
  EXPECT_EQ(AskG(line), kAck + Reply(kBusyReply));
  EXPECT_EQ(line.Write(kNak), Reply(kBusyReply));  // a repetition repeats the same reply
  line.Write(kAck);
  EXPECT_EQ(AskG(line), kAck + Reply(kXReply));
}

// faultsFrom moves every counted fault to the middle of a run; the replies the PC
// took are kept with their commands and statuses.
TEST(RegisterFaults, CountedFaultsCanStartLaterAndTakenRepliesAreKept) {
  Faults f;
  f.status14Replies = f.badChecksumReplies = f.faultsFrom = 1;  // both on the second transaction
  Line line(Mode::Command, ShortestReply(), f);
  EXPECT_EQ(AskG(line), kAck + Reply(kXReply));  // the first transaction is left alone
  line.Write(kAck);
  const std::string second = AskG(line);
  EXPECT_NE(second, kAck + Reply(kBusyReply));  // the second reply frame carries a wrong checksum
  EXPECT_EQ(line.Write(kNak), Reply(kBusyReply));
  line.Write(kAck);
  EXPECT_EQ(AskG(line), kAck + Reply(kXReply));
  line.Write(kAck);
  ASSERT_EQ(line.stats().acknowledged.size(), 3u);
  EXPECT_EQ(line.stats().acknowledged[1].command, "g/");
  EXPECT_EQ(line.stats().acknowledged[0].status, 0);
  EXPECT_EQ(line.stats().acknowledged[1].status, 0x0E);

  Faults noise;
  noise.noise = true;
  noise.faultsFrom = 1;
  Line later(Mode::Command, ShortestReply(), noise);
  EXPECT_EQ(AskG(later), kAck + Reply(kXReply));  // noise from the second ENQ on
  later.Write(kAck);
  EXPECT_EQ(AskG(later, 10000), "");
  EXPECT_FALSE(later.AdvanceTo(20000).empty());
}

TEST(RegisterFaults, ShortFramesCarryTenFrameBytes) {
  Faults f;
  f.shortFrameReplies = 1;
  Line line(Mode::Command, EmptyInfo(), f);
  line.Write(kEnq);
  const std::string shortened = line.Write(Frame("x/", "67"));
  EXPECT_EQ(shortened, kAck + kStx + "01/00/00/7" + kEtx);
  EXPECT_EQ(line.Write(kNak), Reply("01/00/00/74"));
}

TEST(RegisterFaults, StrayBytesBeforeEveryReply) {
  Faults f;
  f.strayBeforeStx = std::string("\x06\x41\x00", 3);
  Line line(Mode::Command, ShortestReply(), f);
  EXPECT_EQ(line.Write(kEnq), kAck);
  EXPECT_EQ(line.Write(Frame("g/", "50")), kAck + f.strayBeforeStx + Reply(kXReply));
  EXPECT_EQ(line.Write(kNak), f.strayBeforeStx + Reply(kXReply));
}

TEST(RegisterFaults, SilenceAfterNakUntilTheNextOpening) {
  Faults f;
  f.silentAfterNak = true;
  Line line(Mode::Command, ShortestReply(), f);
  AskG(line);
  EXPECT_EQ(line.Write(kNak), "");
  EXPECT_EQ(line.Write(kNak), "");
  EXPECT_EQ(AskG(line), kAck + Reply(kXReply));
}

TEST(RegisterFaults, GapInTheDumpAndInReplies) {
  Faults f;
  f.gapAfterBytes = 3;
  f.gapMs = 2500;
  f.gapBlocks = 1;
  Line dump(Mode::Dump, TwoLines(), f);
  dump.Write(kEnq, 1000);
  dump.Write(kStx, 2000);
  const auto& s = dump.sent();  // ACK, then C1 C2 C3 | CR LF CR LF ETX
  ASSERT_EQ(s.size(), 9u);
  EXPECT_LT(s[3].atUs - 2000, kDumpStartUs + 1000);
  EXPECT_GE(s[4].atUs - s[3].atUs, 2500000u);
  EXPECT_LT(s[4].atUs - s[3].atUs, 2501000u);
  dump.Write(kEnq + kStx, 10000000);  // only the first dump has the gap
  EXPECT_LT(dump.sent().back().atUs - 10000000, kDumpStartUs + 1000);

  f.gapAfterBytes = 5;  // counted from the reply's STX
  f.gapBlocks = -1;
  Line command(Mode::Command, ShortestReply(), f);
  AskG(command, 0);
  const auto& r = command.sent();  // ACK, ACK, STX 0 0 / 0 | 0 / ...
  ASSERT_GE(r.size(), 9u);
  EXPECT_LT(r[6].atUs, 1000u);
  EXPECT_GE(r[7].atUs - r[6].atUs, 2500000u);
  command.Write(kNak, 5000000);
  EXPECT_GE(command.sent().back().atUs, 7500000u);  // the repetition has its gap too
}

bool IsControl(uint8_t b) { return b == 0x02 || b == 0x03 || b == 0x05 || b == 0x06 || b == 0x0A || b == 0x15 || b == 0x18; }

TEST(RegisterFaults, EndlessNoiseAfterTheFirstEnq) {
  Faults f;
  f.noise = true;
  f.noiseIntervalUs = 100;
  Line line(Mode::Command, ShortestReply(), f);
  EXPECT_EQ(line.AdvanceTo(5000), "");  // quiet until the PC speaks
  EXPECT_EQ(line.Write(kEnq, 10000), "");
  const std::string burst = line.AdvanceTo(20000);
  EXPECT_GE(burst.size(), 99u);
  EXPECT_LE(burst.size(), 101u);
  for (char c : burst) EXPECT_FALSE(IsControl(static_cast<uint8_t>(c)));
  EXPECT_EQ(line.Write(Frame("g/", "50"), 20000), "");  // nothing but noise any more
  EXPECT_GT(line.AdvanceTo(30000).size(), 90u);
  // A long silence of the PC's clock gives a bounded burst, not hours of bytes.
  EXPECT_LE(line.AdvanceTo(3600000000ull).size(), 4097u);
  line.model().LineClosed(3600000000ull);
  EXPECT_EQ(line.AdvanceTo(3700000000ull), "");
  EXPECT_EQ(line.Write(kEnq, 3700000000ull), "");  // babbles again from the next ENQ
  EXPECT_FALSE(line.AdvanceTo(3700001000ull).empty());

  f.baud = 9600;  // a paced line carries one byte per 1042 us, and noise keeps up with it
  Line paced(Mode::Dump, TwoLines(), f);
  paced.Write(kEnq, 0);
  EXPECT_LE(paced.AdvanceTo(1000000).size(), 961u);
  EXPECT_LE(paced.sent().back().atUs, 1000000u + 1042u);
}

TEST(RegisterFaults, OverlongLineComesFirst) {
  Faults f;
  f.longLineBytes = 300;
  Line line(Mode::Dump, TwoLines(), f);
  line.Write(kEnq);
  const std::string dump = line.Write(kStx);
  ASSERT_EQ(dump.size(), 300u + 7u + 1u);
  EXPECT_EQ(dump.find("\r\n"), 298u);
  EXPECT_EQ(dump.substr(300), "\xC1\xC2\xC3\r\n\r\n" + kEtx);
  EXPECT_EQ(line.stats().dumpBytes, 307u);
}

TEST(RegisterFaults, PacingAtTheLineSpeed) {
  for (uint32_t baud : {9600u, 115200u}) {
    Faults f;
    f.baud = baud;
    Data d;
    d.dumpLines = {std::string(998, 'x')};
    Line line(Mode::Dump, d, f);
    line.Write(kEnq, 0);
    line.Write(kStx, 1000000);
    const auto& s = line.sent();
    ASSERT_EQ(s.size(), 1u + 1000u + 1u);
    const double byteUs = 10.0 * 1e6 / baud;
    EXPECT_NEAR(static_cast<double>(s[0].atUs), byteUs, 2.0);          // the ACK takes a byte's time
    EXPECT_NEAR(static_cast<double>(s.back().atUs - 1000000 - kDumpStartUs), 1001 * byteUs, 3.0);
    for (size_t i = 2; i < s.size(); ++i) EXPECT_NEAR(static_cast<double>(s[i].atUs - s[i - 1].atUs), byteUs, 1.0);
  }
}

TEST(RegisterFaults, LatencyBeforeEachAnswer) {
  Faults f;
  f.latencyUs = 40000;
  Line line(Mode::Command, ShortestReply(), f);
  line.Write(kEnq, 1000000);
  line.Write(Frame("g/", "50"), 2000000);
  const auto& s = line.sent();
  ASSERT_GE(s.size(), 3u);
  EXPECT_GE(s[0].atUs, 1040000u);
  EXPECT_LT(s[0].atUs, 1041000u);
  EXPECT_GE(s[1].atUs, 2040000u);  // ACK to the frame
  EXPECT_GE(s[2].atUs, s[1].atUs);  // the reply follows it (one answer)
}

TEST(RegisterFaults, FaultNamesOfTheCommandLine) {
  Faults f;
  EXPECT_TRUE(regsim::ParseFault("silent", f) && f.silent);
  EXPECT_TRUE(regsim::ParseFault("byte-before-ack=1b", f) && f.byteBeforeAck == 0x1B);
  EXPECT_TRUE(regsim::ParseFault("can-after-enq", f) && f.canAfterEnq);
  EXPECT_TRUE(regsim::ParseFault("frame-answer=15", f) && f.frameAnswer == 0x15 && f.frameAnswerCount == -1);
  EXPECT_TRUE(regsim::ParseFault("frame-answer=18:2", f) && f.frameAnswer == 0x18 && f.frameAnswerCount == 2);
  EXPECT_TRUE(regsim::ParseFault("bad-checksum=-1", f) && f.badChecksumReplies == -1);
  EXPECT_TRUE(regsim::ParseFault("status14=20", f) && f.status14Replies == 20);
  EXPECT_TRUE(regsim::ParseFault("short-frames=3", f) && f.shortFrameReplies == 3);
  EXPECT_TRUE(regsim::ParseFault("stray=06FF00", f) && f.strayBeforeStx == std::string("\x06\xFF\x00", 3));
  EXPECT_TRUE(regsim::ParseFault("silent-after-nak", f) && f.silentAfterNak);
  EXPECT_TRUE(regsim::ParseFault("gap=100:2500", f) && f.gapAfterBytes == 100 && f.gapMs == 2500 && f.gapBlocks == -1);
  EXPECT_TRUE(regsim::ParseFault("gap=0:600:1", f) && f.gapAfterBytes == 0 && f.gapBlocks == 1);
  EXPECT_TRUE(regsim::ParseFault("noise", f) && f.noise && f.noiseIntervalUs == 100);
  EXPECT_TRUE(regsim::ParseFault("noise=20", f) && f.noiseIntervalUs == 20);
  EXPECT_TRUE(regsim::ParseFault("long-line=300", f) && f.longLineBytes == 300);

  const Faults before = f;
  std::string why;
  for (const char* bad : {"loud", "silent=1", "byte-before-ack", "byte-before-ack=1", "byte-before-ack=XY",
                          "frame-answer=15:x", "bad-checksum=", "status14=-2", "stray=0", "stray=", "stray=GG",
                          "gap=100", "gap=x:5", "gap=5:0", "noise=0", "long-line=1", "long-line=abc"}) {
    EXPECT_FALSE(regsim::ParseFault(bad, f, &why)) << bad;
    EXPECT_NE(why.find(bad), std::string::npos);
  }
  EXPECT_EQ(f.byteBeforeAck, before.byteBeforeAck);
  EXPECT_EQ(f.gapAfterBytes, before.gapAfterBytes);

  int sizes[4];
  EXPECT_TRUE(regsim::ParseTableSizes("400,400,400,1000", sizes) && sizes[3] == 1000);
  EXPECT_FALSE(regsim::ParseTableSizes("1,2,3", sizes));
  EXPECT_FALSE(regsim::ParseTableSizes("1,2,-3,4", sizes));
}

// ---------------------------------------------------------------- data

std::string SampleData(const char* name) {
  const std::string here = __FILE__;
  return here.substr(0, here.rfind('/')) + "/../../tools/sim/data/" + name;
}

void WriteFile(const std::string& name, const std::string& bytes) {
  std::ofstream(name, std::ios::binary) << bytes;
}

std::string Converted(const std::string& utf8) {
  std::string out, why;
  EXPECT_TRUE(regsim::ToRegisterText(utf8, out, &why)) << why;
  return out;
}

TEST(RegisterData, GreekToTheRegistersCodePage) {
  EXPECT_EQ(Converted("ΑΒΓ ΡΣΤ Ω"), "\xC1\xC2\xC3 \xD1\xD3\xD4 \xD9");
  EXPECT_EQ(Converted("αως ΆΈΉΊΌΎΏ άέήίόύώ ΪΫϊϋΐΰ"),
            "\xE1\xF9\xF2 \xA2\xB8\xB9\xBA\xBC\xBE\xBF \xDC\xDD\xDE\xDF\xFC\xFD\xFE \xDA\xDB\xFA\xFB\xC0\xE0");
  EXPECT_EQ(Converted("€ «» ° ± · – …"), "\x80 \xAB\xBB \xB0 \xB1 \xB7 \x96 \x85");
  EXPECT_EQ(Converted("6% \\xD2\\x0a\\x00\\\\x"), std::string("6% \xD2\x0A\x00\\x", 8));

  std::string out, why;
  for (const char* bad : {"caf\xC3\xA9", "\\q", "\\x4", "\\xZZ", "tail\\", "\xCE", "\xFF"}) {
    EXPECT_FALSE(regsim::ToRegisterText(bad, out, &why)) << bad;
    EXPECT_NE(why.find("column"), std::string::npos);
  }
  EXPECT_FALSE(regsim::ToRegisterText("\xCE\xA2", out));  // the one gap among the capitals
}

TEST(RegisterData, DumpFileLinesContinuationsAndTail) {
  ScopedTempDir dir;
  WriteFile("dump.txt", "ΖΗΤΑ 6%\r\n\nA\\x0A\\\nB\\\\\nunfinished\\");
  Data d;
  std::string why;
  ASSERT_TRUE(regsim::LoadDump("dump.txt", d, &why)) << why;
  EXPECT_EQ(d.dumpLines, (std::vector<std::string>{"\xC6\xC7\xD4\xC1 6%", "", "A\nB\\"}));
  EXPECT_EQ(d.dumpTail, "unfinished");

  WriteFile("bad.txt", "good\nbad \\q here\n");
  EXPECT_FALSE(regsim::LoadDump("bad.txt", d, &why));
  EXPECT_NE(why.find("bad.txt:2"), std::string::npos) << why;
  EXPECT_FALSE(regsim::LoadDump("missing.txt", d, &why));
}

TEST(RegisterData, TablesFileRecordsInfoAndErrors) {
  ScopedTempDir dir;
  WriteFile("t.txt",
            "# comment\n\n0 00 1/150324/101530/0042\n3 5 failing\n0 00 second\r\n"
            "3 0E \n2 00  lead space\ng/ A/B/Γ\n1 00\n");
  Data d;
  std::string why;
  ASSERT_TRUE(regsim::LoadTables("t.txt", d, &why)) << why;
  ASSERT_EQ(d.tables[0].size(), 2u);
  EXPECT_EQ(d.tables[0][1].text, "second");
  EXPECT_EQ(d.tables[1][0].text, "");
  EXPECT_EQ(d.tables[2][0].text, " lead space");
  ASSERT_EQ(d.tables[3].size(), 2u);
  EXPECT_EQ(d.tables[3][0].status, 5);
  EXPECT_EQ(d.tables[3][1].status, 0x0E);
  EXPECT_EQ(d.info, "A/B/\xC3");

  for (const char* bad : {"4 00 x\n", "0 0G x\n", "0 123 x\n", "0x00 x\n", "g/\n", "0 00 \\q\n"}) {
    WriteFile("bad.txt", std::string("# first\n") + bad);
    EXPECT_FALSE(regsim::LoadTables("bad.txt", d, &why)) << bad;
    EXPECT_NE(why.find("bad.txt:2"), std::string::npos) << why;
  }
}

TEST(RegisterData, SampleFiscalMemoryIsAGreekDumpWithItsOddities) {
  Data d;
  std::string why;
  ASSERT_TRUE(regsim::LoadDump(SampleData("fiscal_memory.txt"), d, &why)) << why;
  EXPECT_GE(d.dumpLines.size(), 300u);
  EXPECT_TRUE(d.dumpTail.empty());
  std::string all;
  int blank = 0;
  for (const std::string& line : d.dumpLines) {
    all += line;
    blank += line.empty();
    EXPECT_LT(line.size(), 256u);
    EXPECT_EQ(line.find_first_of(std::string("\x02\x03\x0A\x0D", 4)), std::string::npos);
  }
  EXPECT_GT(blank, 10);
  auto has = [&](const std::string& bytes) { return all.find(bytes) != std::string::npos; };
  EXPECT_TRUE(has("\xDE")) << "a daily closing report Z";  // Ζ
  EXPECT_TRUE(has("6%") && has("13%") && has("24%"));
  EXPECT_TRUE(has("\xBF")) << "an accented capital (\xCE\x8F)";
  EXPECT_TRUE(has("\xE1")) << "small letters";
  EXPECT_TRUE(has("\xD2")) << "the unassigned byte 0xD2";
}

TEST(RegisterData, SampleTablesGiveWhatTheReportNeeds) {
  Data d;
  std::string why;
  ASSERT_TRUE(regsim::LoadTables(SampleData("tables.txt"), d, &why)) << why;
  for (int t = 0; t < 3; ++t) ASSERT_FALSE(d.tables[t].empty()) << t;
  int reported = 0, shortOnes = 0, failing = 0, matches = 0;
  for (const Record& r : d.tables[3]) {
    if (r.status != 0) ++failing;
    if (r.text.size() <= 50) ++shortOnes;
    if (r.status != 0 || r.text.size() <= 50) continue;
    ++reported;
    const std::vector<std::string> f = Fields(r.text);
    ASSERT_GE(f.size(), 11u) << r.text;
    EXPECT_EQ(f[1].size(), 6u);
    EXPECT_GE(f[2].size(), 4u);
    for (int t = 0; t < 3; ++t)
      for (const Record& e : d.tables[t])
        if (e.text.size() > 16 && e.text.substr(2, 6) == f[1] && std::atoi(e.text.c_str() + 16) == std::atoi(f[3].c_str()))
          ++matches;
  }
  EXPECT_GE(reported, 10);
  EXPECT_GE(shortOnes, 2);
  EXPECT_GE(failing, 2);
  EXPECT_GE(matches, 5);
  bool exactly50 = false, exactly51 = false;
  for (const Record& r : d.tables[3]) {
    exactly50 |= r.text.size() == 50;
    exactly51 |= r.text.size() == 51 && r.status == 0;
  }
  EXPECT_TRUE(exactly50 && exactly51);
}

TEST(RegisterData, GeneratedDataHasTheSizesAsked) {
  for (uint64_t bytes : {0ull, 1ull, 2ull, 57ull, 100000ull, 1000003ull}) {
    Data d;
    regsim::GenerateDump(bytes, d);
    uint64_t total = 0;
    for (const std::string& line : d.dumpLines) {
      total += line.size() + 2;
      ASSERT_EQ(line.find_first_of(std::string("\x02\x03\x0A\x0D", 4)), std::string::npos);
    }
    EXPECT_LE(total, bytes);
    EXPECT_GE(total + 1, bytes);
  }
  Data t;
  regsim::GenerateTables(400, 3, 0, 1000, t);
  EXPECT_EQ(t.tables[0].size(), 400u);
  EXPECT_EQ(t.tables[1].size(), 3u);
  EXPECT_EQ(t.tables[2].size(), 0u);
  ASSERT_EQ(t.tables[3].size(), 1000u);
  for (const Record& r : t.tables[3]) EXPECT_GT(r.text.size(), 50u);
  EXPECT_EQ(t.tables[0][7].text.size(), 20u);
  const std::vector<std::string> info = Fields(regsim::InfoText(t));
  ASSERT_EQ(info.size(), 20u);
  EXPECT_EQ(info[4], "400");
  EXPECT_EQ(info[9], "3");
  EXPECT_EQ(info[14], "0");
  EXPECT_EQ(info[19], "999");
  EXPECT_EQ(Fields(regsim::InfoText(Data{}))[19], "-1");
}

}  // namespace
