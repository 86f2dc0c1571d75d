// The command protocol against a far end on the simulated line, under the virtual
// clock: results, `out`, and the exact bytes and times on the line.
#include "core/protocol/exchange.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "core/protocol/frame_fields.h"
#include "core/seams/serial_port.h"
#include "tests/stubs/clock_stub.h"
#include "tests/stubs/serial_port_stub.h"
#include "tests/stubs/sim_register.h"

namespace {

constexpr int kPort = 2;
constexpr char STX = 0x02, ETX = 0x03, ENQ = 0x05, ACK = 0x06, NAK = 0x15, CAN = 0x18;

// STX, the frame bytes with their checksum digits, ETX.
std::string Framed(const std::string& body) {
  char digits[3];
  std::snprintf(digits, sizeof digits, "%02d", regsim::Checksum(body));
  return STX + body + digits + ETX;
}

int Count(const std::string& bytes, char c) {
  int n = 0;
  for (char b : bytes) n += b == c;
  return n;
}

// A far end that plays a script: each ENQ is answered with `enqAnswer`, each
// complete command frame with `frameAnswer` and, when that is ACK, with the next
// reply; each NAK from the program brings the next reply too. Replies go on the
// line exactly as given (the last one repeats); `onReply` replaces them when set.
class ScriptedRegister : public simline::Peer {
 public:
  std::string enqAnswer{ACK};
  std::string frameAnswer{ACK};
  std::vector<std::string> replies;
  std::function<void(uint32_t now)> onReply;
  int repliesSent = 0;
  uint32_t frameEnd = 0;  // time of the last command frame's ETX

  ScriptedRegister() { simline::Attach(this); }
  ~ScriptedRegister() override { simline::Attach(nullptr); }

  void OnWrite(uint8_t byte, uint32_t now) override {
    if (inFrame_) {
      if (byte != ETX) return;
      inFrame_ = false;
      frameEnd = now;
      simline::Send(now + 1, frameAnswer);
      if (frameAnswer == std::string{ACK}) Reply(now);
      return;
    }
    if (byte == ENQ) simline::Send(now + 1, enqAnswer);
    if (byte == STX) inFrame_ = true;
    if (byte == NAK) Reply(now);
  }

 private:
  void Reply(uint32_t now) {
    if (onReply) {
      onReply(now);
    } else if (!replies.empty()) {
      const size_t sent = static_cast<size_t>(repliesSent);
      const size_t i = sent < replies.size() ? sent : replies.size() - 1;
      simline::Send(now + 2, replies[i]);
    }
    ++repliesSent;
  }
  bool inFrame_ = false;
};

class ExchangeTest : public ::testing::Test {
 protected:
  void SetUp() override { Restart(); }
  // A fresh line, clock and port, for each case of a table-driven test.
  void Restart() {
    simline::Reset();
    ASSERT_EQ(OpenPort(kPort, 115200, 'N', 8, 1), 1);
    ReplyStatus = 0;
    std::memset(out_, '#', sizeof out_);
  }
  // Room for the data text and a guard beyond it.
  char out_[kReplyDataSize + 16];
};

// ---- The frame and its checksum ----

TEST_F(ExchangeTest, CommandFrameCarriesTwoDigitChecksumAfterTheByteWrap) {
  ScriptedRegister peer;
  EXPECT_EQ(SendCommandFrame(kPort, ""), 1);
  EXPECT_EQ(SendCommandFrame(kPort, "g/"), 1);
  EXPECT_EQ(SendCommandFrame(kPort, "r/0/0000/"), 1);  // sum 495 wraps to 239: 39, not 95
  EXPECT_EQ(simline::Written(), std::string{STX} + "00" + ETX + STX + "g/50" + ETX + STX + "r/0/0000/39" + ETX);

  const uint8_t high[] = {0xFF, 0xFF, 0x02};  // 0x200 wraps to 0
  EXPECT_EQ(FrameChecksum(high, 3), 0);
}

TEST_F(ExchangeTest, FrameWithoutAckIsSentThreeTimesThen258) {
  for (const char answer : {NAK, CAN, 'x'}) {
    Restart();
    ScriptedRegister peer;
    peer.frameAnswer = std::string{answer};
    EXPECT_EQ(ExchangeCommand(kPort, "g/", out_), ResultFrameUnacknowledged) << int(answer);
    const std::string frame = std::string{STX} + "g/50" + ETX;
    EXPECT_EQ(simline::Written(), (std::string{CAN, CAN, CAN, ENQ} + frame + frame + frame));
    EXPECT_LT(simline::Now(), 100u);  // each answer ends its wait at once
  }
  // No answer at all: three full waits of 3000 ms.
  Restart();
  ScriptedRegister silent;
  silent.frameAnswer.clear();
  EXPECT_EQ(ExchangeCommand(kPort, "g/", out_), ResultFrameUnacknowledged);
  const std::vector<uint32_t> sends = simline::WriteTimes(STX);
  ASSERT_EQ(sends.size(), 3u);
  EXPECT_GE(sends[1] - sends[0], 3000u);
  EXPECT_LE(sends[2] - sends[1], 3010u);
  EXPECT_LE(simline::Now(), 9040u);
  EXPECT_TRUE(simline::Pauses().empty());
}

// ---- Opening ----

TEST_F(ExchangeTest, OpeningCancelsPurgesThenSendsEnq) {
  simline::Send(0, std::string{ACK});  // stale: must not pass for the answer to ENQ
  ScriptedRegister peer;
  peer.enqAnswer.clear();
  EXPECT_EQ(ExchangeCommand(kPort, "g/", out_), ResultEnqUnanswered);
  const std::string opening{CAN, CAN, CAN, ENQ};
  EXPECT_EQ(simline::Written(), opening + opening + opening);
  EXPECT_EQ(simline::PurgeCount(), 3);
  const std::vector<uint32_t> enqs = simline::WriteTimes(ENQ);
  ASSERT_EQ(enqs.size(), 3u);
  for (size_t i = 1; i < enqs.size(); ++i) {
    EXPECT_GE(enqs[i] - enqs[i - 1], 1000u);
    EXPECT_LE(enqs[i] - enqs[i - 1], 1010u);
  }
  EXPECT_LE(simline::Now(), 3030u);
  EXPECT_TRUE(simline::Pauses().empty());
}

TEST_F(ExchangeTest, CanAfterEnqEndsAtOnceButOtherBytesOnlyFailTheTry) {
  {
    ScriptedRegister peer;
    peer.enqAnswer = std::string{CAN};
    EXPECT_EQ(ExchangeCommand(kPort, "g/", out_), ResultEnqCancelled);
    EXPECT_EQ(simline::Written(), (std::string{CAN, CAN, CAN, ENQ}));
    EXPECT_LT(simline::Now(), 20u);
  }
  Restart();
  ScriptedRegister peer;
  peer.enqAnswer = std::string{NAK};
  EXPECT_EQ(ExchangeCommand(kPort, "g/", out_), ResultEnqUnanswered);
  EXPECT_EQ(Count(simline::Written(), ENQ), 3);
}

// ---- Reply shapes ----

TEST_F(ExchangeTest, SuccessfulTransactionOnTheLine) {
  ScriptedRegister peer;
  peer.replies = {Framed("00/00/00/12/")};
  EXPECT_EQ(ExchangeCommand(kPort, "g/", out_), 0);
  EXPECT_STREQ(out_, "12");
  EXPECT_EQ(simline::Written(), (std::string{CAN, CAN, CAN, ENQ, STX} + "g/50" + ETX + ACK));
  EXPECT_EQ(simline::Delivered(), (std::string{ACK, ACK} + Framed("00/00/00/12/")));
  EXPECT_EQ(Framed("00/00/00/12/"), std::string{STX} + "00/00/00/12/63" + ETX);
}

TEST_F(ExchangeTest, ShortestRepliesGiveEmptyOrOneCharacterData) {
  struct Case {
    std::string body;  // frame bytes before the checksum digits
    const char* data;
  };
  const Case cases[] = {
      {"00/00/00/", ""},     // 11 frame bytes, checksum 73
      {"00/00/00//", ""},    // 12
      {"00/00/00/7/", "7"},  // 13
  };
  for (const Case& c : cases) {
    Restart();
    ScriptedRegister peer;
    peer.replies = {Framed(c.body)};
    EXPECT_EQ(ExchangeCommand(kPort, "g/", out_), 0) << c.body;
    EXPECT_STREQ(out_, c.data) << c.body;
    EXPECT_EQ(simline::Written().back(), ACK);
    EXPECT_EQ(Count(simline::Written(), NAK), 0);
  }
  EXPECT_EQ(Framed("00/00/00/"), std::string{STX} + "00/00/00/73" + ETX);
}

TEST_F(ExchangeTest, TenByteReplyIsRefusedAndTheNextStxAwaited) {
  ScriptedRegister peer;
  peer.replies = {Framed("00/00/00"), Framed("00/00/00/5/")};
  EXPECT_EQ(ExchangeCommand(kPort, "g/", out_), 0);
  EXPECT_STREQ(out_, "5");
  EXPECT_EQ(simline::Written(), (std::string{CAN, CAN, CAN, ENQ, STX} + "g/50" + ETX + NAK + ACK));
  EXPECT_EQ(peer.repliesSent, 2);
}

TEST_F(ExchangeTest, NulInsideDataCountsInChecksumAndEndsTheText) {
  ScriptedRegister peer;
  peer.replies = {Framed(std::string("00/00/00/ab\0cd/", 15))};
  EXPECT_EQ(ExchangeCommand(kPort, "g/", out_), 0);
  EXPECT_STREQ(out_, "ab");
  EXPECT_EQ(simline::Written().back(), ACK);
}

TEST_F(ExchangeTest, DeviceStatusIsTheResult) {
  ScriptedRegister peer;
  peer.replies = {Framed("64/00/00/x/")};
  EXPECT_EQ(ExchangeCommand(kPort, "g/", out_), 100);  // same value as a CAN after ENQ
  EXPECT_EQ(ReplyStatus, 0x64u);
  EXPECT_STREQ(out_, "x");  // copied whatever the status
  EXPECT_EQ(simline::Written().back(), ACK);
}

TEST_F(ExchangeTest, NullOutChangesNothingButTheCopy) {
  std::string withOut;
  {
    ScriptedRegister peer;
    peer.replies = {Framed("0E/00/00/1/"), Framed("03/00/00/2/")};
    EXPECT_EQ(ExchangeCommand(kPort, "g/", out_), 3);
    withOut = simline::Written();
  }
  Restart();
  ScriptedRegister peer;
  peer.replies = {Framed("0E/00/00/1/"), Framed("03/00/00/2/")};
  EXPECT_EQ(ExchangeCommand(kPort, "g/", nullptr), 3);
  EXPECT_EQ(simline::Written(), withOut);
}

// Checksum digits that are no digits, bad field contents: one NAK each, and the
// good reply that follows is taken.
TEST_F(ExchangeTest, BadChecksumOrStatusFieldIsAnsweredWithNak) {
  const std::string body = "00/00/00/9/";
  const std::string good = Framed(body);
  const std::string bad[] = {
      STX + body + "7:" + ETX,                // wrong digits
      STX + body + "AB" + ETX,                // not digits at all
      Framed("zz/00/00/9/"),                   // first field does not convert
      Framed("00/g0/00/9/"),                   // second field: 'g' is no hex digit
      Framed("00/00/+ /9/"),                   // a sign alone converts nothing
      Framed("-F/00/00/9/"),                   // "%02X" wraps it to 0xFFFFFFF1: the result would be -15
      Framed("00/-1/00/9/"),
  };
  for (const std::string& reply : bad) {
    Restart();
    ScriptedRegister peer;
    peer.replies = {reply, good};
    EXPECT_EQ(ExchangeCommand(kPort, "g/", out_), 0) << reply;
    EXPECT_EQ(simline::Written().substr(simline::Written().size() - 2), (std::string{NAK, ACK})) << reply;
  }
}

TEST_F(ExchangeTest, BlankStatusFieldIsRefusedAndLeavesNoStaleStatus) {
  const std::string blanks[] = {
      Framed("  /00/00/9/"),                       // would borrow the second field's digits
      Framed("00/  /00/9/"),
      Framed("00/00/  /"),                         // would borrow the checksum digits
      Framed(std::string("\0\0/00/00/9/", 11)),
      Framed(std::string("00/00/\0 /9/", 11)),
      Framed("\t\r/00/00/9/"),
  };
  for (const std::string& reply : blanks) {
    Restart();
    ScriptedRegister peer;
    peer.replies = {reply, Framed("05/00/00/9/")};
    ReplyStatus = 0x33;
    EXPECT_EQ(ExchangeCommand(kPort, "g/", out_), 5) << reply;
    EXPECT_EQ(Count(simline::Written(), NAK), 1) << reply;
  }
  // A single digit with a blank is still a field: " 7" and "7 " both give 7.
  Restart();
  ScriptedRegister peer;
  peer.replies = {Framed(" 7/7 /00/9/")};
  EXPECT_EQ(ExchangeCommand(kPort, "g/", out_), 7);
  // A sign that leaves the value within two hex digits is the library's reading still.
  Restart();
  ScriptedRegister signs;
  signs.replies = {Framed("+7/-0/00/9/")};
  EXPECT_EQ(ExchangeCommand(kPort, "g/", out_), 7);
}

TEST_F(ExchangeTest, LongestReplyFillsOutAndLongerOnesAreCutAndRefused) {
  const std::string data(1015, 'd');
  {
    ScriptedRegister peer;
    peer.replies = {Framed("00/00/00/" + data + "/")};  // 1027 frame bytes
    EXPECT_EQ(ExchangeCommand(kPort, "g/", out_), 0);
    EXPECT_EQ(std::string(out_), data);
    EXPECT_EQ(out_[kReplyDataSize], '#');  // nothing written past the room promised
  }
  Restart();
  ScriptedRegister peer;
  peer.replies = {Framed("00/00/00/" + data + "xxxxxxxxxx/"), Framed("00/00/00/ok/")};
  EXPECT_EQ(ExchangeCommand(kPort, "g/", out_), 0);
  EXPECT_STREQ(out_, "ok");
  EXPECT_EQ(Count(simline::Written(), NAK), 1);
}

// A frame cut at the buffer's end must never pass, even when the two bytes that end
// up last happen to be the right checksum digits of what was kept.
TEST_F(ExchangeTest, CutReplyIsRefusedWhateverItsLastKeptBytesRead) {
  std::string kept = "00/00/00/" + std::string(1016, 'd');  // positions 0 to 1024
  char digits[3];
  std::snprintf(digits, sizeof digits, "%02d", regsim::Checksum(kept));
  const std::string overlong = STX + kept + digits + std::string(1100 - 1027, 'e') + ETX;
  ScriptedRegister peer;
  peer.replies = {overlong, Framed("00/00/00/ok/")};
  EXPECT_EQ(ExchangeCommand(kPort, "g/", out_), 0);
  EXPECT_STREQ(out_, "ok");
  EXPECT_EQ(Count(simline::Written(), NAK), 1);
  EXPECT_EQ(peer.repliesSent, 2);
}

// The result alone cannot tell a register's status 0x64 from CAN after ENQ, nor 0x68
// from three failed attempts: LastExchangeEnd can.
TEST_F(ExchangeTest, HowTheExchangeEndedTellsTheRegistersStatusFromTheCodes) {
  struct Case {
    std::string enqAnswer;
    std::string reply;
    int16_t result;
    ExchangeEnd end;
  };
  const Case cases[] = {
      {std::string{ACK}, Framed("64/00/00/"), 100, ExchangeEnd::Reply},
      {std::string{CAN}, "", ResultEnqCancelled, ExchangeEnd::Cancelled},
      {std::string{ACK}, Framed("68/00/00/"), 104, ExchangeEnd::Reply},
      {"", "", ResultEnqUnanswered, ExchangeEnd::NoReply},
  };
  for (const Case& c : cases) {
    Restart();
    ScriptedRegister peer;
    peer.enqAnswer = c.enqAnswer;
    if (!c.reply.empty()) peer.replies = {c.reply};
    EXPECT_EQ(ExchangeCommand(kPort, "g/", out_), c.result);
    EXPECT_EQ(LastExchangeEnd, c.end) << "result " << c.result;
  }
  Restart();
  ScriptedRegister nakking;
  nakking.replies = {STX + std::string("00/00/00/99") + ETX};  // a wrong checksum, for ever
  EXPECT_EQ(ExchangeCommand(kPort, "g/", out_), ResultReplyInvalid);
  EXPECT_EQ(LastExchangeEnd, ExchangeEnd::NoReply);
}

TEST_F(ExchangeTest, StrayBytesBeforeStxAreDroppedWithoutNak) {
  ScriptedRegister peer;
  peer.replies = {std::string{ACK, CAN, NAK, '\0', '\xFF', 'z'} + Framed("00/00/00/1/")};
  EXPECT_EQ(ExchangeCommand(kPort, "g/", out_), 0);
  EXPECT_STREQ(out_, "1");
  EXPECT_EQ(Count(simline::Written(), NAK), 0);
}

TEST_F(ExchangeTest, GapInsideReplyIsAnsweredWithNak) {
  ScriptedRegister peer;
  peer.onReply = [&peer](uint32_t now) {
    const std::string frame = Framed("00/00/00/1/");
    if (peer.repliesSent == 0) {
      simline::Send(now + 2, frame.substr(0, 5));
      simline::Send(now + 600, frame.substr(5));  // 598 ms of silence after 5 bytes
    } else {
      simline::Send(now + 2, frame);
    }
  };
  EXPECT_EQ(ExchangeCommand(kPort, "g/", out_), 0);
  const std::vector<uint32_t> naks = simline::WriteTimes(NAK);
  ASSERT_EQ(naks.size(), 1u);
  EXPECT_GE(naks[0] - peer.frameEnd, 500u);
  EXPECT_LT(naks[0] - peer.frameEnd, 600u);
}

// ---- Repetition ----

TEST_F(ExchangeTest, StatusFourteenForEverGivesTwentyTransactions) {
  ScriptedRegister peer;
  for (int i = 1; i <= 25; ++i) peer.replies.push_back(Framed("0E/00/00/" + std::to_string(i) + "/"));
  EXPECT_EQ(ExchangeCommand(kPort, "g/", out_), 14);
  EXPECT_STREQ(out_, "20");  // the 20th reply's data
  EXPECT_EQ(Count(simline::Written(), ENQ), 20);
  EXPECT_EQ(Count(simline::Written(), ACK), 20);
  EXPECT_EQ(simline::Pauses(), std::vector<uint32_t>(19, 800));
}

TEST_F(ExchangeTest, StatusFourteenThenZeroOpensTwice) {
  regsim::Data data;
  data.tables[0] = {regsim::Record{0, "rec0"}};
  regsim::Faults faults;
  faults.status14Replies = 1;
  SimRegister sim(regsim::Mode::Command, data, faults);
  EXPECT_EQ(ExchangeCommand(kPort, "r/0/0000/", out_), 0);
  EXPECT_STREQ(out_, "rec0");
  EXPECT_EQ(sim.stats().enqs, 2);
  EXPECT_EQ(sim.stats().framesGood, 2);
  EXPECT_EQ(sim.stats().acks, 2);
  EXPECT_EQ(simline::Pauses(), std::vector<uint32_t>(1, 800));
}

TEST_F(ExchangeTest, WrongChecksumForEverGivesSixPassesThen104) {
  regsim::Faults faults;
  faults.badChecksumReplies = -1;
  SimRegister sim(regsim::Mode::Command, regsim::Data{}, faults);
  std::strcpy(out_, "untouched");
  EXPECT_EQ(ExchangeCommand(kPort, "g/", out_), ResultReplyInvalid);
  EXPECT_EQ(sim.stats().naks, 18);
  EXPECT_EQ(sim.stats().enqs, 6);
  EXPECT_EQ(sim.stats().acks, 0);
  EXPECT_EQ(simline::Pauses(), std::vector<uint32_t>(5, 800));
  EXPECT_STREQ(out_, "untouched");
}

TEST_F(ExchangeTest, ReplyFailuresAfterStatusFourteenPassesEndAt104) {
  // Passes 1 to 6 answer status 14; the sixth pass's failures may not repeat.
  ScriptedRegister peer;
  const std::string busy = Framed("0E/00/00/b/");
  const std::string broken = STX + std::string("00/00/00/x/00") + ETX;
  peer.replies = {busy, busy, busy, busy, busy, broken};
  EXPECT_EQ(ExchangeCommand(kPort, "g/", out_), ResultReplyInvalid);
  EXPECT_EQ(Count(simline::Written(), ENQ), 6);
  EXPECT_EQ(Count(simline::Written(), NAK), 3);
  EXPECT_STREQ(out_, "b");  // from pass 5, kept when pass 6 failed
}

TEST_F(ExchangeTest, SilenceAfterNakGives257WithoutNewPass) {
  regsim::Faults faults;
  faults.badChecksumReplies = -1;
  faults.silentAfterNak = true;
  SimRegister sim(regsim::Mode::Command, regsim::Data{}, faults);
  EXPECT_EQ(ExchangeCommand(kPort, "g/", out_), ResultReplyTimeout);
  EXPECT_EQ(sim.stats().naks, 1);
  EXPECT_EQ(sim.stats().enqs, 1);
  EXPECT_TRUE(simline::Pauses().empty());
}

TEST_F(ExchangeTest, SimulatorStrayBytesAndShortFrames) {
  regsim::Data data;
  data.tables[2] = {regsim::Record{0, "a"}, regsim::Record{0, "b/c"}};
  regsim::Faults faults;
  faults.strayBeforeStx = std::string{ACK, 'q', '\0'};
  faults.shortFrameReplies = 2;
  SimRegister sim(regsim::Mode::Command, data, faults);
  EXPECT_EQ(ExchangeCommand(kPort, "r/2/0001/", out_), 0);
  EXPECT_STREQ(out_, "b/c");
  EXPECT_EQ(sim.stats().naks, 2);
  EXPECT_EQ(sim.stats().acks, 1);
}

// ---- Bounds on a chattering line ----

TEST_F(ExchangeTest, StrayBytesBeforeStxAreBoundedByCount) {
  for (const int strays : {2047, 2048}) {
    Restart();
    ScriptedRegister peer;
    peer.replies = {std::string(static_cast<size_t>(strays), 'x') + Framed("00/00/00/")};
    EXPECT_EQ(ExchangeCommand(kPort, "g/", out_), strays < 2048 ? 0 : ResultReplyTimeout) << strays;
  }
}

TEST_F(ExchangeTest, StrayBytesBeforeStxAreBoundedByTime) {
  ScriptedRegister peer;
  peer.onReply = [](uint32_t now) {  // one byte every 1.5 s: never a 2 s silence
    for (uint32_t t = 1500; t <= 60000; t += 1500) simline::Send(now + t, 'x');
  };
  EXPECT_EQ(ExchangeCommand(kPort, "g/", out_), ResultReplyTimeout);
  EXPECT_GE(simline::Now() - peer.frameEnd, 10000u);
  EXPECT_LT(simline::Now() - peer.frameEnd, 10600u);
  EXPECT_EQ(Count(simline::Written(), NAK), 0);
}

TEST_F(ExchangeTest, ReplyWithoutEtxIsBoundedByTime) {
  ScriptedRegister peer;
  peer.onReply = [&peer](uint32_t now) {  // STX, then a byte every 100 ms for a minute
    if (peer.repliesSent > 0) return;
    simline::Send(now + 2, std::string{STX});
    for (uint32_t t = 100; t <= 60000; t += 100) simline::Send(now + 2 + t, 'y');
  };
  EXPECT_EQ(ExchangeCommand(kPort, "g/", out_), ResultReplyTimeout);
  const std::vector<uint32_t> naks = simline::WriteTimes(NAK);
  ASSERT_EQ(naks.size(), 1u);
  EXPECT_GE(naks[0] - peer.frameEnd, 3000u);
  EXPECT_LT(naks[0] - peer.frameEnd, 3200u);
  // The next attempt finds no STX in the chatter and gives up on its own bound.
  EXPECT_LT(simline::Now() - naks[0], 10600u);
}

// ---- The status field conversion, byte for byte like the C library's ----

TEST(ScanHexField, AgreesWithSscanfOnEveryShortText) {
  const char alphabet[] = {'0', '7', '9', 'a', 'F', 'g', 'x', 'X', '+', '-', ' ', '\t', '\n', '/', '\xB5'};
  char text[4] = {};
  int checked = 0;
  for (char a : alphabet)
    for (char b : alphabet)
      for (char c : alphabet) {
        text[0] = a, text[1] = b, text[2] = c;
        for (int len = 0; len <= 3; ++len) {
          char probe[4] = {};
          std::memcpy(probe, text, static_cast<size_t>(len));
          unsigned expected = 0xABCD;
          uint32_t got = 0xABCD;
          const int expectedCount = std::sscanf(probe, "%02X", &expected);
          const int count = ScanHexField(reinterpret_cast<const uint8_t*>(probe), got);
          ASSERT_EQ(count, expectedCount) << '[' << probe << ']';
          ASSERT_EQ(got, expected) << '[' << probe << ']';
          ++checked;
        }
      }
  EXPECT_GT(checked, 10000);
}

}  // namespace
