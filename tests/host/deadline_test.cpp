#include "core/line/deadline.h"

#include <gtest/gtest.h>

#include "core/line/answer_pace.h"
#include "core/program/state.h"
#include "core/program/waits.h"
#include "core/seams/serial_port.h"
#include "tests/stubs/clock_stub.h"
#include "tests/stubs/serial_port_stub.h"
#include "tests/stubs/shell_stub.h"

namespace {

class DeadlineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    simline::Reset();
    simline::SetTickStep(0);
  }
};

TEST_F(DeadlineTest, ElapsedTimeSurvivesTickWrap) {
  Deadline d;
  simline::SetNow(4294967040u);  // 2^32 - 256
  StartDeadline(d, 273);
  simline::SetNow(16);  // 272 ms later
  EXPECT_FALSE(DeadlineExpired(d));
  StartDeadline(d, 272);
  simline::SetNow(4294967040u);
  d.start = 4294967040u;
  simline::SetNow(16);
  EXPECT_TRUE(DeadlineExpired(d));
}

TEST_F(DeadlineTest, ZeroDurationIsUpAtOnceAndLookingChangesNothing) {
  Deadline d;
  simline::SetNow(500);
  StartDeadline(d, 0);
  EXPECT_TRUE(DeadlineExpired(d));
  StartDeadline(d, 10);
  simline::SetNow(504);
  EXPECT_EQ(DeadlineRemainingMs(d), 6u);
  EXPECT_EQ(DeadlineRemainingMs(d), 6u);
  simline::SetNow(600);
  EXPECT_TRUE(DeadlineExpired(d));
  EXPECT_EQ(DeadlineRemainingMs(d), 0u);
  simline::SetNow(505);
  EXPECT_FALSE(DeadlineExpired(d)) << "a look at an expired deadline must not rearm or clear it";
}

TEST_F(DeadlineTest, UpWhenElapsedReachesDurationAndRearmRestarts) {
  Deadline d;
  simline::SetNow(1000);
  StartDeadline(d, 100);
  simline::SetNow(1099);
  EXPECT_FALSE(DeadlineExpired(d));
  StartDeadline(d, 100);  // restart from 1099
  simline::SetNow(1198);
  EXPECT_FALSE(DeadlineExpired(d));
  simline::SetNow(1199);
  EXPECT_TRUE(DeadlineExpired(d));
}

TEST_F(DeadlineTest, WaitForInputGivesUpAtTheFirstLookPastTheLimit) {
  simline::SetTickStep(1);
  ASSERT_EQ(OpenPort(2, 115200, 'N', 8, 1), 1);
  simline::SetNow(0);
  EXPECT_FALSE(WaitForInput(2, 50));
  // Armed at tick 1; the wait runs to tick 51, and the look after it finds the time up.
  EXPECT_EQ(simline::Now(), 52u);
}

TEST_F(DeadlineTest, WaitForInputLooksOnceEvenWithLimitZero) {
  ASSERT_EQ(OpenPort(2, 115200, 'N', 8, 1), 1);
  simline::Send(0, 0x41);
  EXPECT_TRUE(WaitForInput(2, 0));
  EXPECT_EQ(BytesWaiting(2), 1u);  // nothing was read
  (void)ReadByte(2);
  simline::SetTickStep(1);
  EXPECT_FALSE(WaitForInput(2, 0));
}

TEST_F(DeadlineTest, WaitForInputOnClosedPortPollsTheWholeLimit) {
  simline::SetTickStep(1);
  simline::Send(0, 0x41);  // queued on the line, but port 3 is not open
  EXPECT_FALSE(WaitForInput(3, 1000));
  EXPECT_GE(simline::Now(), 1001u);
  EXPECT_FALSE(WaitForInput(0, 10));
}

// A wait gives the time away in one step to whatever ends it, pumps a window message
// when it arrives, and ends at once when that message asks for a stop; a rest does
// the same.
TEST_F(DeadlineTest, WaitsPumpMessagesAsTheyArriveAndEndOnAStop) {
  ASSERT_EQ(OpenPort(2, 115200, 'N', 8, 1), 1);
  simline::Send(700, 0x41);
  uint32_t pumpedAt = 0;
  shellstub::PostMessageAt(300, [&] { pumpedAt = simline::Now(); });
  EXPECT_TRUE(WaitForInput(2, 1000));
  EXPECT_EQ(pumpedAt, 300u);
  EXPECT_EQ(simline::Now(), 700u);
  EXPECT_LT(shellstub::PumpCount(), 5);
  (void)ReadByte(2);

  OperationRunning = kBuildingRecordLog;
  shellstub::PostMessageAt(1200, [] { StopRunningLog(kStopPortClosed); });
  EXPECT_FALSE(WaitForInput(2, 3000));
  EXPECT_EQ(simline::Now(), 1200u);
  RestMs(800);  // the stop stands: no rest
  EXPECT_EQ(simline::Now(), 1200u);
  StopRequested = 0;
  RestMs(800);
  EXPECT_EQ(simline::Now(), 2000u);
  OperationRunning = kNoOperation;
}

}  // namespace

// What a reader learns of a port's answers, at 115200 baud 8N1 (86.8 us a character).
TEST(AnswerPace, RestsAsLongAsTheLastAnswerOfItsKindTook) {
  AnswerPace pace;
  StartAnswerPace(pace, 115200, 8, false, 1);
  EXPECT_EQ(AnswerRestUs(pace, 0), 0u);  // nothing written yet
  NoteMessageWritten(pace, 0x02, 1000);
  EXPECT_EQ(AnswerRestUs(pace, 1000), 0u);  // a kind not seen before
  NoteBytesReceived(pace, 2, 8000);         // its first bytes 7 ms after it
  NoteBytesReceived(pace, 38, 11000);
  NoteMessageWritten(pace, 0x06, 11100);   // 40 bytes answered the frame
  EXPECT_EQ(AnswerRestUs(pace, 11200), 0u);  // nothing ever answered this one

  NoteMessageWritten(pace, 0x02, 20000);
  EXPECT_EQ(AnswerRestUs(pace, 21000), 4250u);  // to 3/4 of the last pause, 7 ms
  EXPECT_EQ(AnswerRestUs(pace, 27000), 0u);     // past it: looks as always
  NoteBytesReceived(pace, 2, 27000);
  EXPECT_EQ(AnswerRestUs(pace, 27000), 38 * 86805u / 1000 + 1);  // the other 38 bytes' time
  NoteBytesReceived(pace, 38, 30000);
  EXPECT_EQ(AnswerRestUs(pace, 30000), 0u);  // as long as the last: nothing more to expect
  NoteBytesReceived(pace, 5, 30500);
  EXPECT_EQ(AnswerRestUs(pace, 30500), 0u);  // longer than the last
}
