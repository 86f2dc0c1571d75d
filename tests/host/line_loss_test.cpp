// A line lost under a job (the adapter pulled, brought back later), on the simulated
// line: the dump ends at once keeping every complete line; LOG waits for the port and
// goes on, its report byte for byte that of a run that was never cut, or ends with its
// row when the port stays away; line errors the system counted are told at the end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "core/archive/run_archive.h"
#include "core/dump/fiscal_dump.h"
#include "core/program/connection.h"
#include "core/program/state.h"
#include "core/report/record_log.h"
#include "tests/host/record_log_fixture.h"
#include "tests/stubs/clock_stub.h"

namespace {

using namespace logtest;

constexpr char kLost[] = "Lost port COM2: its device went away (the cable or the adapter was pulled)";
// Αποσύνδεση in Windows-1253
constexpr char kWaiting[] = "Waiting for COM2 to come back; \xC1\xF0\xEF\xF3\xFD\xED\xE4\xE5\xF3\xE7 stops";
constexpr char kOpened[] = "Opened port COM2, 115200, Parity NONE, Data 8, Stop 1";
constexpr char kLogGoesOn[] = "LOG goes on: the exchange that the loss cut is asked again";
constexpr char kLogLineLost[] = "LOG stopped: the line was lost";
constexpr uint32_t kNever = UINT32_MAX;

regsim::Data Tables() {
  regsim::Data data;
  data.info = Info("12", "3", "0", "30");
  for (int i = 0; i < 12; ++i) data.tables[0].push_back(Good(EntryText(i % 2 ? "150324" : "160324", "4")));
  data.tables[1].assign(3, Good(EntryText("150324", "7")));
  for (int i = 0; i <= 30; ++i) data.tables[3].push_back(Good(Table3Text(i % 3 ? "150324" : "160324", "4", "N")));
  return data;
}

class LineLossTest : public RecordLogTest {
 protected:
  void SetUp() override {
    RecordLogTest::SetUp();
    PortWaitLimitMs = 60000;
  }
  void TearDown() override {
    RecordLogTest::TearDown();
    StopWaitingForPort();
  }
};

// Lost after 25 bytes of the fifth line: the rows of today's broken transfer, the
// kept lines, the loss; no wait for the dump's silence limit; then the port comes
// back by itself.
TEST_F(LineLossTest, DumpEndsAtOnceKeepingTheLinesAndThePortIsOpenedAgain) {
  regsim::Data data;
  std::string kept;
  for (int i = 0; i < 20; ++i) data.dumpLines.push_back("LINE " + std::to_string(100 + i) + " \xD6\xCC 12,50");
  for (int i = 0; i < 4; ++i) kept += data.dumpLines[static_cast<size_t>(i)] + "\r\n";
  SimRegister reg(regsim::Mode::Dump, data);
  simline::LoseLine(1 + static_cast<uint32_t>(kept.size()) + 10, 8000);  // the ACK, 4 lines, 10 bytes
  ReadFiscalMemory();
  const uint32_t ended = simline::Now();
  EXPECT_EQ(LastOperationResult, OperationResult::kLineLost);
  std::string inFile;
  for (char c : kept) inFile += c == '\n' ? std::string("\r\n") : std::string(1, c);
  EXPECT_EQ(FileBytes("FMout1.txt"), inFile);
  const std::vector<std::string>& rows = Rows();
  ASSERT_EQ(rows.size(), 6u);
  EXPECT_EQ(rows[3], "Read Fiscal Memory stopped: the line was lost after " + std::to_string(kept.size() + 10) +
                         " bytes; the files keep the 4 complete lines received. Start the sending again on the"
                         " register ('\xC1\xD0\xCF\xD3\xD4\xCF\xCB\xC7 \xD6\xCC \xC7/\xD5')");
  EXPECT_NE(FileBytes((std::string(RunArchiveFolder()) + "/manifest.txt").c_str())
                .find("\ncomplete: no: the line was lost after " + std::to_string(kept.size() + 10) + " bytes\n"),
            std::string::npos);
  EXPECT_EQ(rows[4], kLost);
  EXPECT_EQ(rows[5], kWaiting);
  EXPECT_FALSE(simline::IsOpen(kPort)) << "the dead handle is closed";
  EXPECT_EQ(PortWaiting, 1);
  EXPECT_LT(ended, 2000u) << "the line's silence limit is not waited for";

  EXPECT_FALSE(ReconnectWhenBack());
  simline::SetNow(simline::LostAt() + 8000);
  ASSERT_TRUE(ReconnectWhenBack());
  EXPECT_EQ(Rows().back(), kOpened);
  EXPECT_TRUE(simline::IsOpen(kPort));
  EXPECT_EQ(PortIsOpen, 1);
  EXPECT_EQ(PortWaiting, 0);

  // Disconnect while it waits ends the wait as a Disconnect.
  NextCase();
  simline::LoseLine(0, kNever);
  ReadFiscalMemory();
  EXPECT_EQ(LastOperationResult, OperationResult::kLineLost);
  StopWaitingForPort();
  EXPECT_EQ(Rows().back(), "Closed port COM2");
  EXPECT_EQ(PortWaiting, 0);
  EXPECT_FALSE(ReconnectWhenBack());
}

// Cut in "g/", in table 0, in table 1 and in table 3 (in a command, in a reply), back
// after 5 s: the report and every row but the four of the loss are those of the run
// that was not cut, and the counters went on as if nothing had happened.
TEST_F(LineLossTest, LogGoesOnWhereItStoppedAsIfNeverCut) {
  RunLog(Tables());
  ASSERT_EQ(LastOperationResult, OperationResult::kCompleted);
  const std::string report = FileBytes("log.txt");
  const std::string csv = FileBytes("log.csv");
  const std::vector<std::string> rows = Rows();
  ASSERT_GT(report.size(), 0u);
  for (const uint32_t afterBytes : {20u, 250u, 503u, 1000u, 2001u, 2801u}) {
    NextCase();
    SimRegister sim(regsim::Mode::Command, Tables());
    simline::LoseLine(afterBytes, 5000);
    BuildRecordLog();
    const std::string where = "lost after " + std::to_string(afterBytes) + " bytes";
    ASSERT_EQ(simline::LossCount(), 1) << where;
    EXPECT_EQ(LastOperationResult, OperationResult::kCompleted) << where;
    EXPECT_EQ(FileBytes("log.txt"), report) << where;
    EXPECT_EQ(FileBytes("log.csv"), csv) << where;
    const auto at = std::find(Rows().begin(), Rows().end(), kLost) - Rows().begin();
    ASSERT_LE(static_cast<size_t>(at), rows.size()) << where;
    std::vector<std::string> expected = rows;
    expected.insert(expected.begin() + at, {kLost, kWaiting, kOpened, kLogGoesOn});
    EXPECT_EQ(Rows(), expected) << where;
  }
}

// A port that stays away: LOG ends after the wait with its row, the lines so far in
// log.txt; without a wait at once; Disconnect while it waits stops it as Disconnect
// stops LOG.
TEST_F(LineLossTest, LogEndsWhenThePortStaysAway) {
  RunLog(Tables());
  const std::string report = FileBytes("log.txt");
  struct Case {
    uint32_t waitMs;
    bool disconnect;
    const char* lastRow;
    OperationResult result;
  };
  const Case cases[] = {{60000, false, kLogLineLost, OperationResult::kLineLost},
                        {0, false, kLogLineLost, OperationResult::kLineLost},
                        {60000, true, "LOG stopped: the port was closed", OperationResult::kStopped}};
  for (const Case& c : cases) {
    NextCase();
    PortWaitLimitMs = c.waitMs;
    SimRegister sim(regsim::Mode::Command, Tables());
    simline::LoseLine(2001, kNever);
    if (c.disconnect) shellstub::PostMessageAt(20000, StopWaitingForPort);
    BuildRecordLog();
    const uint32_t waited = simline::Now() - simline::LostAt();
    EXPECT_EQ(LastOperationResult, c.result);
    EXPECT_EQ(Rows().back(), c.lastRow);
    EXPECT_EQ(report.compare(0, FileBytes("log.txt").size(), FileBytes("log.txt")), 0) << "not the report's start";
    EXPECT_EQ(std::count(Rows().begin(), Rows().end(), kWaiting), c.waitMs > 0 ? 1 : 0);
    EXPECT_GE(waited, c.disconnect ? 20000 - simline::LostAt() : c.waitMs);
    EXPECT_LE(waited, (c.disconnect ? 20000 - simline::LostAt() : c.waitMs) + 600);
  }
}

// Counted by the system while the job ran (those before it are not the job's).
TEST_F(LineLossTest, LineErrorsAreToldAtTheJobsEnd) {
  simline::SetTickStep(0);
  simline::SetLineErrors(1, 1, 1, 1);
  shellstub::PostMessageAt(30, [] { simline::SetLineErrors(4, 1, 2, 3); });
  RunLog(Tables());
  EXPECT_EQ(LastOperationResult, OperationResult::kCompleted);
  EXPECT_NE(FileBytes((std::string(RunArchiveFolder()) + "/manifest.txt").c_str())
                .find("\nline errors: 3 framing, 0 parity, 1 overrun, 2 breaks\ncomplete: yes\n"),
            std::string::npos);
  EXPECT_EQ(Rows().back(),
            "Line errors during the job: 3 framing, 0 parity, 1 overrun, 2 breaks; check that the register sends at"
            " 115200");
}

}  // namespace
