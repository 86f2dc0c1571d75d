// LOG while it runs, on the host: the window messages it pumps (Disconnect, Exit,
// nested commands), the rows and the caption it shows as it goes, and the end of a
// run whose register has gone. Window messages arrive at chosen virtual times.
#include <gtest/gtest.h>

#include <set>

#include "core/dump/fiscal_dump.h"
#include "core/line/control_codes.h"
#include "core/program/state.h"
#include "core/seams/serial_port.h"
#include "core/seams/shell.h"
#include "tests/host/record_log_fixture.h"
#include "tests/stubs/clock_stub.h"

namespace {

using namespace logtest;

constexpr char kPortClosedRow[] = "LOG stopped: the port was closed";
constexpr char kRegisterGoneRow[] = "LOG stopped: the register does not answer";
constexpr uint32_t kSlowAnswerUs = 50 * 1000;  // a register that takes its time
constexpr uint32_t kStopWithinMs = 100;

// The register simulator, except that the exchanges numbered in `silent` (0 is "g/")
// get no answer at all: their three ENQs go unheard.
class PatchyRegister : public simline::Peer {
 public:
  PatchyRegister(const regsim::Data& data, std::set<int> silent, bool silentFromThenOn = false)
      : model_(regsim::Mode::Command, data, {},
               [](uint64_t atUs, uint8_t byte) { simline::Send(static_cast<uint32_t>((atUs + 999) / 1000), byte); }),
        silent_(std::move(silent)),
        silentFromThenOn_(silentFromThenOn) {
    simline::Attach(this);
  }
  ~PatchyRegister() override { simline::Attach(nullptr); }
  void OnWrite(uint8_t byte, uint32_t now) override {
    if (byte == ENQ && !inExchange_) {
      ++exchange_;
      inExchange_ = true;
      unheard_ = 0;
    }
    if (byte == ENQ && Silent()) {
      if (++unheard_ == 3) inExchange_ = false;
      return;
    }
    if (byte == ACK) inExchange_ = false;  // the PC accepts a reply only at the end
    model_.Receive(byte, uint64_t{now} * 1000);
  }
  const regsim::Stats& stats() const { return model_.stats(); }

 private:
  bool Silent() const {
    if (silent_.count(exchange_) != 0) return true;
    return silentFromThenOn_ && !silent_.empty() && exchange_ > *silent_.rbegin();
  }
  regsim::Register model_;
  std::set<int> silent_;
  bool silentFromThenOn_;
  int exchange_ = -1;
  bool inExchange_ = false;
  int unheard_ = 0;
};

// What the dialog does for Exit while LOG runs.
void PressExit() {
  ClosePort(kPort);
  StopRunningLog(kStopClosing);
}

// The clock moves only through the waits and the line: a tick read costs no virtual
// time here, so the times measured are those of the line and the waits alone (with
// a step per read, reading a long reply that has arrived whole would seem to take a
// tenth of a second).
class LogRunTest : public RecordLogTest {
 protected:
  void SetUp() override {
    RecordLogTest::SetUp();
    simline::SetTickStep(0);
  }
  // A run with one window message at `at`; returns the commands heard before it.
  size_t RunWithMessage(const regsim::Data& data, uint32_t latencyUs, uint32_t at, void (*press)()) {
    regsim::Faults faults;
    faults.latencyUs = latencyUs;
    SimRegister sim(regsim::Mode::Command, data, faults);
    size_t heardBefore = 0;
    shellstub::PostMessageAt(at, [&] {
      heardBefore = sim.stats().commands.size();
      press();
    });
    BuildRecordLog();
    heard_ = sim.stats().commands.size();
    return heardBefore;
  }
  size_t heard_ = 0;
};

regsim::Data TablesOf(int table0, int lastIndex) {
  regsim::Data data;
  data.info = Info(std::to_string(table0), "0", "0", std::to_string(lastIndex));
  data.tables[0].assign(static_cast<size_t>(table0), Good(EntryText("150324", "42")));
  data.tables[3].assign(static_cast<size_t>(lastIndex + 1), Good(Table3Text("150324", "42", "N")));
  return data;
}

// Disconnect in table 0, in table 3, and inside a wait for a register that has
// gone quiet: no further command, the run over within 100 ms, log.txt closed with
// the lines so far, and the row.
TEST_F(LogRunTest, DisconnectStopsTheRunAtOnce) {
  struct Case {
    const char* where;
    uint32_t at;
    uint32_t latencyUs;
  };
  const Case cases[] = {{"table 0", 500, kSlowAnswerUs}, {"table 3", 2500, kSlowAnswerUs}};
  for (const Case& c : cases) {
    NextCase();
    const size_t before = RunWithMessage(TablesOf(10, 40), c.latencyUs, c.at, PressDisconnect);
    EXPECT_EQ(heard_, before) << c.where;
    EXPECT_LE(simline::Now() - c.at, kStopWithinMs) << c.where;
    const auto& rows = shellstub::Rows();
    ASSERT_GE(rows.size(), 2u);
    EXPECT_EQ(rows.back(), kPortClosedRow);
    EXPECT_EQ(rows[rows.size() - 2], "Closed port COM2");
    EXPECT_EQ(LinesOfFile().size(), rows.size() - 2) << c.where;  // every line shown is in the file
  }
  NextCase();
  PatchyRegister quiet(TablesOf(10, 40), {1, 2, 3});
  shellstub::PostMessageAt(1500, PressDisconnect);  // inside the first record's openings
  BuildRecordLog();
  EXPECT_LE(simline::Now() - 1500, kStopWithinMs);
  EXPECT_EQ(shellstub::Rows().back(), kPortClosedRow);
  EXPECT_EQ(quiet.stats().commands, std::vector<std::string>{"g/"});
}

TEST_F(LogRunTest, ExitStopsTheRunWithoutARow) {
  RunWithMessage(TablesOf(2, 40), kSlowAnswerUs, 1500, PressExit);
  EXPECT_LE(simline::Now() - 1500, kStopWithinMs);
  const auto& rows = shellstub::Rows();
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(LinesOfFile().size(), rows.size());  // report rows only: no stop row
}

// Read Fiscal Memory and LOG pressed while LOG runs start nothing; X empties the
// list and later rows follow.
TEST_F(LogRunTest, NestedCommandsDuringTheRun) {
  const regsim::Data data = TablesOf(2, 9);
  SimRegister sim(regsim::Mode::Command, data, [] {
    regsim::Faults f;
    f.latencyUs = kSlowAnswerUs;
    return f;
  }());
  shellstub::PostMessageAt(400, [] { BuildRecordLog(); });
  shellstub::PostMessageAt(600, [] { ReadFiscalMemory(); });
  shellstub::PostMessageAt(800, [] { ClearMessageList(); });
  BuildRecordLog();
  EXPECT_EQ(sim.stats().commands.size(), 1u + 2u + 10u);
  EXPECT_FALSE(std::filesystem::exists("FMout1.txt"));
  EXPECT_EQ(LinesOfFile().size(), 10u);
  EXPECT_GT(shellstub::Rows().size(), 0u);
  EXPECT_LT(shellstub::Rows().size(), 10u);  // only the rows after X
}

// Rows are drawn in batches as the run goes, at least 250 ms apart; the caption
// counts the records asked so far and those still to ask, and follows a field 19
// that moves the end; at the end the caption is put back.
TEST_F(LogRunTest, RowsInBatchesAndTheCaptionsCounts) {
  regsim::Data data = TablesOf(1, 2);
  // Index 0 of table 3 moves the end to 4 with a field 19 of its own.
  data.tables[3][0] = Good("7/150324/101530/42/X/Y/5/Z/12345/N/TEN/a/b/c/d/e/f/g/h/4");
  data.tables[3].resize(5, Good(Table3Text("150324", "42", "N")));
  regsim::Faults slow;
  slow.latencyUs = 300 * 1000;  // every exchange longer than the 250 ms between showings
  SimRegister sim(regsim::Mode::Command, data, slow);
  BuildRecordLog();

  std::vector<std::string> shown;
  for (const auto& p : shellstub::Progresses()) shown.push_back(p.text);
  EXPECT_EQ(shown, (std::vector<std::string>{"LOG 1 / 5", "LOG 2 / 5", "LOG 3 / 7", "LOG 4 / 7",
                                             "LOG 5 / 7", "LOG 6 / 7", "LOG 7 / 7", "(cleared)"}));
  const auto& releases = shellstub::ReleaseTimes();
  ASSERT_GE(releases.size(), 4u);  // each reported record's batch, then the end
  for (size_t i = 1; i + 1 < releases.size(); ++i) EXPECT_GE(releases[i] - releases[i - 1], 250u);
  EXPECT_EQ(LinesOfFile().size(), 5u);
}

// A register that has gone (cable pulled, out of command mode) ends the run after
// five exchanges in a row without a valid reply, in seconds rather than hours.
TEST_F(LogRunTest, SilenceAfterTheTableInformationStopsAfterFiveExchanges) {
  regsim::Data data;
  data.info = Info("400", "400", "400", "999");
  PatchyRegister gone(data, {1}, true);
  BuildRecordLog();
  EXPECT_EQ(gone.stats().commands, std::vector<std::string>{"g/"});
  EXPECT_EQ(simline::WriteTimes(ENQ).size(), 1u + 5u * 3u);
  EXPECT_LT(simline::Now(), 20000u);
  EXPECT_EQ(shellstub::Rows(), std::vector<std::string>{kRegisterGoneRow});
  EXPECT_TRUE(std::filesystem::exists("log.txt"));
  EXPECT_EQ(FileBytes("log.txt"), "");

  NextCase();  // a wild last index of table 3 against a line gone silent
  data.info = Info("0", "0", "0", "2147483647");
  PatchyRegister wild(data, {1}, true);
  BuildRecordLog();
  EXPECT_EQ(simline::WriteTimes(ENQ).size(), 1u + 5u * 3u);
  EXPECT_EQ(shellstub::Rows(), std::vector<std::string>{kRegisterGoneRow});
}

// Records that the register answers with a status of its own are failed records, not
// a register gone; and an answer between silences starts the count again.
TEST_F(LogRunTest, AnsweredExchangesKeepTheRunGoing) {
  regsim::Data failing = TablesOf(0, 1);
  failing.info = Info("6", "0", "0", "1");
  failing.tables[0].assign(6, Failed(EntryText("150324", "42")));
  EXPECT_EQ(RunLog(failing).size(), 1u + 6u + 2u);
  EXPECT_EQ(LinesOfFile().size(), 2u);

  NextCase();
  PatchyRegister patchy(TablesOf(10, 1), {1, 2, 3, 4, 6, 7, 8, 9});
  BuildRecordLog();
  const auto commands = patchy.stats().commands;
  EXPECT_EQ(CommandsOf(commands, "r/0/"), (std::vector<std::string>{"r/0/0004/", "r/0/0009/"}));
  EXPECT_EQ(CommandsOf(commands, "r/3/").size(), 2u);
  EXPECT_EQ(LinesOfFile().size(), 2u);
  EXPECT_EQ(shellstub::Rows().size(), 2u);  // no stop row
}

}  // namespace
