// LOG end to end on the host: BuildRecordLog against the register simulator on the
// simulated line, under the virtual clock.
#include "core/report/record_log.h"

#include "tests/host/record_log_fixture.h"

namespace {

using namespace logtest;

TEST_F(RecordLogTest, TableInformationDecidesTheCommands) {
  regsim::Data data;
  data.info = "A/B/C/D/12/E/F/G/H/3/I/J/K/L/0/M/N/O/P/25";
  data.tables[0].assign(20, Good(EntryText("010124", "1")));
  data.tables[1].assign(20, Good(EntryText("010124", "1")));
  data.tables[2].assign(20, Good(EntryText("010124", "1")));
  data.tables[3].assign(40, Good("7/010124/1015/1"));  // short: nothing reported
  const auto commands = RunLog(data);

  std::vector<std::string> expected{"g/"};
  for (const auto& c : Numbered("r/0/", 0, 11)) expected.push_back(c);
  for (const auto& c : Numbered("r/1/", 0, 2)) expected.push_back(c);
  for (const auto& c : Numbered("r/3/", 0, 25)) expected.push_back(c);
  EXPECT_EQ(commands, expected);
  EXPECT_EQ(simline::PurgeCount(), 1 + static_cast<int>(expected.size()));  // one of LOG's own
  EXPECT_EQ(FileBytes("log.txt"), "");
  EXPECT_TRUE(shellstub::Rows().empty());
}

TEST_F(RecordLogTest, CountFieldsReadAsAtoi) {
  regsim::Data data;
  data.info = Info("12abc", " 7", "abc", "-1");
  for (auto& table : data.tables) table.assign(20, Good(EntryText("010124", "1")));
  auto commands = RunLog(data);
  EXPECT_EQ(CommandsOf(commands, "r/0/"), Numbered("r/0/", 0, 11));
  EXPECT_EQ(CommandsOf(commands, "r/1/"), Numbered("r/1/", 0, 6));
  EXPECT_TRUE(CommandsOf(commands, "r/2/").empty());
  EXPECT_TRUE(CommandsOf(commands, "r/3/").empty());

  data.info = Info("-3", "0", "-2147483649", "-99999999999");
  commands = RunLog(data);
  EXPECT_EQ(commands, std::vector<std::string>{"g/"});
}

TEST_F(RecordLogTest, LastIndexOfTable3) {
  regsim::Data data;
  data.tables[3].assign(5, Good("7/010124/1015/1"));
  const std::pair<const char*, size_t> cases[] = {{"0", 1}, {"-1", 0}, {"none", 1}, {"3", 4}};
  for (const auto& [lastIndex, asked] : cases) {
    data.info = Info("0", "0", "0", lastIndex);
    EXPECT_EQ(CommandsOf(RunLog(data), "r/3/"), Numbered("r/3/", 0, static_cast<int>(asked) - 1))
        << "field 19 '" << lastIndex << "'";
  }
}

TEST_F(RecordLogTest, ReportedRecordCanMoveTheLastIndex) {
  regsim::Data data;
  data.info = Info("0", "0", "0", "10");
  data.tables[3].assign(12, Good("7/010124/1015/1"));
  // Index 1 carries 20 fields, its field 19 being '3'.
  data.tables[3][1] = Good("7/010124/101530/1/X/Y/5/Z/12345/NINE/TEN/k/l/m/n/o/p/q/r/3");
  EXPECT_EQ(CommandsOf(RunLog(data), "r/3/"), Numbered("r/3/", 0, 3));
  EXPECT_EQ(LinesOfFile().size(), 1u);
}

TEST_F(RecordLogTest, WorkedExampleAndRunningTotals) {
  regsim::Data data;
  data.info = Info("2", "2", "3", "1");
  data.tables[0] = {Good("1/150324/101530/0042"), Good(EntryText("160324", "42"))};
  data.tables[1] = {Good(EntryText("150325", "42")), Good(EntryText("160324", "43"))};
  data.tables[2] = {Good(EntryText("150324", "42")), Good(EntryText("150324", "042")),
                    Good(EntryText("150324", "43"))};
  data.tables[3] = {Good("7/150324/101530/42/X/Y/5/Z/12345/TEXT NINE/TEXT TEN"),
                    Good("7/160324/111500/43/X/Y/2/Z/678/TEXT NINE B/TEXT TEN B")};
  RunLog(data);

  const std::string first = "202403151015 0042 00012345 " + std::string(31, ' ') + "TEXT NINE" +
                            " 005 000 001 002 " + std::string(32, ' ') + "TEXT TEN\r";
  const std::string second = "202403161115 0043 00000678 " + std::string(29, ' ') + "TEXT NINE B" +
                             " 002 001 001 002 " + std::string(30, ' ') + "TEXT TEN B\r";
  EXPECT_EQ(FileBytes("log.txt"), first + "\r\n" + second + "\r\n");
  EXPECT_EQ(first.size() + 2, 127u);
  EXPECT_EQ(shellstub::Rows(), (std::vector<std::string>{first, second}));
  EXPECT_EQ(shellstub::HoldDepth(), 0);
  EXPECT_GE(shellstub::ReleaseCount(), 1);  // in batches as the run goes, and at its end
  EXPECT_EQ(OperationRunning, 0);
}

TEST_F(RecordLogTest, FailedRecordsAreSkippedAndLeaveEmptyEntries) {
  regsim::Data data;
  data.info = Info("3", "0", "0", "3");
  // The failed record's text would match; an entry it left unwritten must not.
  data.tables[0] = {Good(EntryText("150324", "42")), Failed(EntryText("150324", "42")),
                    Good(EntryText("150324", "42"))};
  data.tables[3] = {Good(Table3Text("150324", "42", "A")), Failed(Table3Text("150324", "42", "B", 300)),
                    Good(Table3Text("150324", "42", "C", 50)), Good(Table3Text("150324", "42", "D", 51))};
  const auto commands = RunLog(data);
  EXPECT_EQ(CommandsOf(commands, "r/0/"), Numbered("r/0/", 0, 2));  // goes on after the failure
  const auto lines = LinesOfFile();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].substr(72, 11), "000 002 000");
  EXPECT_NE(lines[0].find(" A "), std::string::npos);
  EXPECT_EQ(lines[1].substr(72, 11), "000 004 000");
  EXPECT_NE(lines[1].find(" D "), std::string::npos);
}

TEST_F(RecordLogTest, EmptyFieldsShowTheTextBefore) {
  regsim::Data data;
  data.tables[3] = {Good(Table3Text("150324", "1", "")), Good(Table3Text("150324", "1", "OWN NINE")),
                    Good(Table3Text("150324", "1", ""))};
  data.info = Info("0", "INFO NINE", "0", "2");
  RunLog(data);
  const auto lines = LinesOfFile();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].substr(27, 40), std::string(31, ' ') + "INFO NINE");
  EXPECT_EQ(lines[1].substr(27, 40), std::string(32, ' ') + "OWN NINE");
  EXPECT_EQ(lines[2].substr(27, 40), std::string(32, ' ') + "OWN NINE");
}

TEST_F(RecordLogTest, DeviceTextIsShownAsPlainText) {
  regsim::Data data;
  data.info = Info("0", "0", "0", "0");
  data.tables[3] = {Good(Table3Text("150324", "1", "%s%n%d 100%"))};
  RunLog(data);
  ASSERT_EQ(shellstub::Rows().size(), 1u);
  EXPECT_NE(shellstub::Rows()[0].find(" %s%n%d 100% "), std::string::npos);
  EXPECT_EQ(LinesOfFile(), shellstub::Rows());
}

TEST_F(RecordLogTest, TablesKeepAndSearchAtMost400Entries) {
  regsim::Data data;
  data.info = Info("1000", "401", "2147483647", "0");
  for (int t = 0; t < 3; ++t) data.tables[t].assign(1000, Good(EntryText("150324", "42")));
  data.tables[3] = {Good(Table3Text("150324", "42", "N"))};
  const auto commands = RunLog(data);
  EXPECT_EQ(CommandsOf(commands, "r/0/"), Numbered("r/0/", 0, 399));
  EXPECT_EQ(CommandsOf(commands, "r/1/"), Numbered("r/1/", 0, 399));
  EXPECT_EQ(CommandsOf(commands, "r/2/"), Numbered("r/2/", 0, 399));
  const auto lines = LinesOfFile();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].substr(72, 11), "400 400 400");
}

TEST_F(RecordLogTest, OversizedRecordTextsStayWithinTheirSlots) {
  regsim::Data data;
  // 40 fields, the 20th of which would move the last index if it were kept.
  std::string info = Info("1", "0", "0", "0");
  for (int k = 20; k < 40; ++k) info += "/" + std::to_string(k);
  data.info = info;
  data.tables[0] = {Good("1/150324/101530/42" + std::string(900, '9'))};
  const std::string long9(300, 'N');
  const std::string long10(300, 'T');
  data.tables[3] = {Good("7/15032411111/1015/42/X/Y/99999999999/Z/-99999999999/" + long9 + "/" + long10)};
  const auto commands = RunLog(data);
  EXPECT_EQ(CommandsOf(commands, "r/3/"), Numbered("r/3/", 0, 0));
  const auto lines = LinesOfFile();
  ASSERT_EQ(lines.size(), 1u);
  // '42' followed by four nines: the value keeps six characters, so no match.
  const std::string expected = "202403151015 0042 -2147483648 " + std::string(199, 'N') +
                               " 2147483647 000 000 000 " + std::string(199, 'T') + "\r";
  EXPECT_EQ(lines[0], expected);
}

TEST_F(RecordLogTest, FailedTableInformationLeavesNothingStale) {
  regsim::Data data;
  data.info = Info("1", "0", "0", "2");
  data.tables[0] = {Good(EntryText("150324", "42"))};
  data.tables[3].assign(3, Good(Table3Text("150324", "42", "N")));
  RunLog(data);
  EXPECT_EQ(LinesOfFile().size(), 3u);

  // Second run: the register stays silent; every exchange fails.
  regsim::Faults silent;
  silent.silent = true;
  const size_t enqsBefore = simline::WriteTimes(0x05).size();
  RunLog(data, silent);
  EXPECT_EQ(FileBytes("log.txt"), "");  // replaced, and empty
  // "g/" and table-3 index 0: three openings each.
  EXPECT_EQ(simline::WriteTimes(0x05).size() - enqsBefore, 6u);
  EXPECT_EQ(shellstub::Rows().size(), 3u);  // the first run's lines only
}

TEST_F(RecordLogTest, TwoRunsInARowGiveTheSameReport) {
  regsim::Data data;
  data.info = Info("1", "1", "1", "1");
  for (int t = 0; t < 3; ++t) data.tables[t] = {Good(EntryText("150324", "42"))};
  data.tables[3].assign(2, Good(Table3Text("150324", "42", "N")));
  RunLog(data);
  const std::string first = FileBytes("log.txt");
  RunLog(data);
  EXPECT_EQ(FileBytes("log.txt"), first);  // counters start from 0 again
  const auto lines = LinesOfFile();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1].substr(72, 11), "002 002 002");
  EXPECT_EQ(shellstub::Rows().size(), 4u);
}

TEST_F(RecordLogTest, NothingHappensWhileAnotherOperationRuns) {
  regsim::Data data;
  data.info = Info("1", "0", "0", "0");
  OperationRunning = 1;
  EXPECT_TRUE(RunLog(data).empty());
  EXPECT_FALSE(std::filesystem::exists("log.txt"));
  EXPECT_EQ(simline::Written(), "");
  EXPECT_EQ(OperationRunning, 1);
  OperationRunning = 0;
}

TEST_F(RecordLogTest, UnopenableReportFileStopsBeforeTheLine) {
  std::filesystem::create_directory("log.txt");
  regsim::Data data;
  data.info = Info("1", "0", "0", "0");
  EXPECT_TRUE(RunLog(data).empty());
  EXPECT_EQ(shellstub::Rows(), std::vector<std::string>{"The file 'log.txt' was not opened"});
  EXPECT_EQ(simline::Written(), "");
  EXPECT_EQ(simline::PurgeCount(), 0);
  EXPECT_EQ(OperationRunning, 0);
}

}  // namespace
