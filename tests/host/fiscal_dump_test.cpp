#include "core/dump/fiscal_dump.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "core/dump/dump_lines.h"
#include "core/program/state.h"
#include "core/report/record_log.h"
#include "tests/stubs/clock_stub.h"
#include "tests/stubs/operation_test.h"
#include "tests/stubs/sim_register.h"

namespace {

constexpr uint8_t STX = 0x02;
constexpr uint8_t ETX = 0x03;
constexpr uint8_t ENQ = 0x05;
constexpr char kAck[] = "\x06";

// Greek capitals written here in UTF-8, turned into Windows-1253 bytes (Α U+0391
// is 0xC1, Ω U+03A9 is 0xD9): the expected texts do not repeat the program's escapes.
std::string Cp1253(const std::string& utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size(); ++i) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80) {
      out += utf8[i];
      continue;
    }
    const unsigned code = ((lead & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3Fu);
    EXPECT_TRUE(code >= 0x391 && code <= 0x3A9) << "not a Greek capital: " << code;
    out += static_cast<char>(0xC1 + (code - 0x391));
  }
  return out;
}

const std::string kPleaseWait = Cp1253("ΠΑΡΑΚΑΛΩ ΠΕΡΙΜΕΝΕΤΕ......");
const std::vector<std::string> kNoAnswer = {
    std::string(53, '-'),
    Cp1253("H ΗΤΜ ΔΕΝ ΕΙΝΑΙ ΣΕ ΛΕΙΤΟΥΡΓΙΑ 'ΑΠΟΣΤΟΛΗ ΦΜ Η/Υ' "),
    Cp1253("ΘΕΣΤΕ ΤΗΝ ΗΤΜ ΣΕ ΑΠΟΣΤΟΛΗ ΔΕΔΟΜΕΝΩΝ ΠΡΟΣΠΑΘΗΣΤΕ ΞΑΝΑ")};
const std::vector<std::string> kBroken = {
    Cp1253("Η ΗΤΜ ΑΠΟΣΥΝΔΕΘΗΚΕ....."),
    Cp1253("Η ΔΙΑΔΙΚΑΣΙΑ ΜΕΤΑΦΟΡΑΣ ΔΕΔΟΜΕΝΩΝ ΔΕΝ ΟΛΟΚΛΗΡΩΘΗΚΕ"),
    Cp1253("ΘΕΣΤΕ ΤΗ ΗΤΜ ΣΕ ΑΠΟΣΤΟΛΗ ΔΕΔΟΜΕΝΩΝ 'ΑΠΟΣΤΟΛΗ ΦΜ Η/Υ' ΠΡΟΣΠΑΘΗΣΤΕ ΞΑΝΑ  ")};
const std::string kCompleted = Cp1253("Η  ΔΙΑΔΙΚΑΣΙΑ ΜΕΤΑΦΟΡΑΣ ΔΕΔΟΜΕΝΩΝ ΟΛΟΚΛΗΡΩΘΗΚΕ ΕΠΙΤΥΧΩΣ");
const std::string kFileNotOpened = "The file 'FMout.txt' was not opened";

// What text mode makes of the bytes on Windows: every LF becomes CR LF.
std::string AsWritten(const std::string& bytes) {
  std::string out;
  for (char c : bytes) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

std::string Converted(const std::string& bytes) {
  std::string out;
  for (char c : bytes) out += static_cast<char>(ConvertCapital(static_cast<uint8_t>(c)));
  return out;
}

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// A register for odd byte sequences: answers ENQ with `enqAnswer` after
// `enqDelayMs`, and STX with each timed piece of `dump` (ms after the STX).
class ScriptedRegister : public simline::Peer {
 public:
  ScriptedRegister() { simline::Attach(this); }
  ~ScriptedRegister() override { simline::Attach(nullptr); }

  void OnWrite(uint8_t byte, uint32_t now) override {
    if (byte == ENQ) {
      simline::Send(now + enqDelayMs, enqAnswer);
      enqTime = now;
    }
    if (byte == STX) {
      for (const auto& [delay, bytes] : dump) simline::Send(now + delay, bytes);
    }
  }
  // Every millisecond after the ENQ one more non-control byte, for ever.
  void OnPoll(uint32_t now) override {
    if (!noise || enqTime == kNever) return;
    if (nextNoise == kNever) nextNoise = enqTime + 1;
    for (; nextNoise <= now; ++nextNoise) simline::Send(nextNoise, 'N');
  }

  // The whole dump 1 ms after STX, then ETX.
  void SendsDump(const std::string& bytes) { dump = {{1, bytes + static_cast<char>(ETX)}}; }

  static constexpr uint32_t kNever = 0xFFFFFFFF;
  std::string enqAnswer = kAck;
  uint32_t enqDelayMs = 1;
  std::vector<std::pair<uint32_t, std::string>> dump;
  bool noise = false;
  uint32_t enqTime = kNever;
  uint32_t nextNoise = kNever;
};

class FiscalDumpTest : public OperationTest {
 protected:
  uint32_t EnqTime() { return simline::WriteTimes(ENQ).at(0); }
};

// --- Success ------------------------------------------------------------------

TEST_F(FiscalDumpTest, GreekLineReachesBothFilesAndTheList) {
  ScriptedRegister reg;
  reg.SendsDump("\xC1\xC2\xC3\r\n");
  std::string fileWhenCompleted;  // the message appears only once the files are complete
  shellstub::SetPumpHook([&] {
    if (!Rows().empty() && Rows().back() == kCompleted) fileWhenCompleted = FileBytes("FMout2.txt");
  });
  ReadFiscalMemory();
  EXPECT_EQ(fileWhenCompleted, "\x80\x81\x82\r\r\n");
  EXPECT_EQ(FileBytes("FMout1.txt"), "\xC1\xC2\xC3\r\r\n");
  EXPECT_EQ(FileBytes("FMout2.txt"), "\x80\x81\x82\r\r\n");
  EXPECT_EQ(Rows(), (std::vector<std::string>{Cp1253("ΑΒΓ"), kCompleted}));
  EXPECT_EQ(simline::Written(), "\x05\x02");  // one ENQ, one STX, nothing else
}

TEST_F(FiscalDumpTest, HandshakeOrderWaitingMessageThenListClearedAtStx) {
  ScriptedRegister reg;
  std::vector<std::string> rowsAtStx;
  shellstub::SetPumpHook([&] {
    if (rowsAtStx.empty() && simline::Written().size() == 1) rowsAtStx = Rows();
  });
  reg.SendsDump("A\r\n");
  ReadFiscalMemory();
  EXPECT_EQ(rowsAtStx, std::vector<std::string>{kPleaseWait});
  EXPECT_EQ(Rows(), (std::vector<std::string>{"A", kCompleted}));
  EXPECT_EQ(shellstub::ClearCount(), 2);  // at the start and at the STX
  EXPECT_GE(simline::PurgeCount(), 2);    // before the ENQ and after the STX
}

TEST_F(FiscalDumpTest, ShortLinesShowEmptyRowsAndKeepTheirBytes) {
  ScriptedRegister reg;
  // A blank line, a bare LF, one byte and LF, then a line ending in LF alone.
  reg.SendsDump(std::string("\r\n") + "\n" + "x\n" + "abc\n");
  ReadFiscalMemory();
  const std::string expected = std::string("\r\r\n") + "\r\n" + "x\r\n" + "abc\r\n";
  EXPECT_EQ(FileBytes("FMout1.txt"), expected);
  EXPECT_EQ(FileBytes("FMout2.txt"), expected);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"", "", "", "ab", kCompleted}));
}

TEST_F(FiscalDumpTest, OnlyCapitalsAreConverted) {
  const std::pair<int, int> table[] = {{0xC0, 0xC0}, {0xC1, 0x80}, {0xD1, 0x90}, {0xD2, 0x90},
                                       {0xD3, 0x91}, {0xD9, 0x97}, {0xDA, 0xDA}, {0x0A, 0x0A}};
  for (const auto& [from, to] : table) EXPECT_EQ(ConvertCapital(static_cast<uint8_t>(from)), to) << from;
  ScriptedRegister reg;
  // Small letters, accented capitals (Ά 0xA2, Ϊ 0xDA, Ϋ 0xDB), Latin, 0xD2, Σ, Ω.
  const std::string line = "\xE1\xE2\xF9 \xA2\xDA\xDB Latin \xD2\xD3\xD9\r\n";
  reg.SendsDump(line);
  ReadFiscalMemory();
  EXPECT_EQ(FileBytes("FMout1.txt"), AsWritten(line));
  EXPECT_EQ(FileBytes("FMout2.txt"), AsWritten("\xE1\xE2\xF9 \xA2\xDA\xDB Latin \x90\x91\x97\r\n"));
}

// A TAB starts the row's next cell, which the list's one column does not show; the
// files keep the whole line.
TEST_F(FiscalDumpTest, LineTextIsShownPlainAndCutAtNulOrTab) {
  ScriptedRegister reg;
  const std::string withNul("AB\0CD\r\n", 7);
  reg.SendsDump("100% %s %n %d\r\n" + withNul + "EF\tGH\r\n");
  ReadFiscalMemory();
  EXPECT_EQ(Rows(), (std::vector<std::string>{"100% %s %n %d", "AB", "EF", kCompleted}));
  EXPECT_EQ(FileBytes("FMout1.txt"), AsWritten("100% %s %n %d\r\n" + withNul + "EF\tGH\r\n"));
}

TEST_F(FiscalDumpTest, UnfinishedTailIsDropped) {
  ScriptedRegister reg;
  reg.SendsDump("L1\r\nL2\r\nTAIL WITHOUT LF");
  ReadFiscalMemory();
  EXPECT_EQ(FileBytes("FMout1.txt"), "L1\r\r\nL2\r\r\n");
  EXPECT_EQ(FileBytes("FMout2.txt"), "L1\r\r\nL2\r\r\n");
  EXPECT_EQ(Rows(), (std::vector<std::string>{"L1", "L2", kCompleted}));
}

TEST_F(FiscalDumpTest, BytesBeforeTheAckAndAfterItAreIgnored) {
  ScriptedRegister reg;
  reg.enqAnswer = "xyz\x15\x06" "STALE\r\n";  // stale text before the STX is purged
  reg.SendsDump("FRESH\r\n");
  ReadFiscalMemory();
  EXPECT_EQ(Rows(), (std::vector<std::string>{"FRESH", kCompleted}));
  EXPECT_EQ(FileBytes("FMout1.txt"), "FRESH\r\r\n");
}

// The dump starts the moment the STX is written: none of it may be purged.
TEST_F(FiscalDumpTest, DumpAnsweringTheStxAtOnceIsKeptWhole) {
  ScriptedRegister reg;
  reg.dump = {{0, "FIRST\r\nSECOND\r\n\x03"}};
  ReadFiscalMemory();
  EXPECT_EQ(Rows(), (std::vector<std::string>{"FIRST", "SECOND", kCompleted}));
  EXPECT_EQ(FileBytes("FMout1.txt"), "FIRST\r\r\nSECOND\r\r\n");
}

// Lines of any length reach both files whole; the row shows the start.
TEST_F(FiscalDumpTest, LongLinesAreNeverCut) {
  for (size_t length : std::vector<size_t>{255, 256, 257, 300, kLinePartBytes, kLinePartBytes + 1, 10000}) {
    SCOPED_TRACE(length);
    NextCase();
    std::string line;
    for (size_t i = 0; line.size() + 2 < length; ++i) line += "0123456789\xC1\xD9 "[i % 13];
    line += "\r\n";
    ScriptedRegister reg;
    reg.SendsDump("before\r\n" + line + "after\r\n");
    ReadFiscalMemory();
    const std::string all = "before\r\n" + line + "after\r\n";
    EXPECT_EQ(FileBytes("FMout1.txt"), AsWritten(all));
    EXPECT_EQ(FileBytes("FMout2.txt"), AsWritten(Converted(all)));
    ASSERT_EQ(Rows().size(), 4u);
    EXPECT_EQ(Rows()[1], line.substr(0, std::min(length - 2, kShownLineBytes)));
    EXPECT_EQ(Rows()[2], "after");
  }
}

TEST_F(FiscalDumpTest, SimulatedRegisterDumpArrivesWhole) {
  regsim::Data data;
  for (int i = 0; i < 300; ++i) data.dumpLines.push_back("Z " + std::to_string(i) + " \xD6\xCC 12,50%");
  std::vector<std::string> expectedRows;
  std::string sent;
  for (const std::string& line : data.dumpLines) {
    sent += line + "\r\n";
    expectedRows.push_back(line);
  }
  expectedRows.push_back(kCompleted);
  SimRegister reg(regsim::Mode::Dump, data);
  ReadFiscalMemory();
  EXPECT_EQ(FileBytes("FMout1.txt"), AsWritten(sent));
  EXPECT_EQ(FileBytes("FMout2.txt"), AsWritten(Converted(sent)));
  EXPECT_EQ(Rows(), expectedRows);
  EXPECT_EQ(reg.stats().dumpBytes, sent.size());
}

// --- No answer ------------------------------------------------------------------

TEST_F(FiscalDumpTest, SilentRegisterGivesNoAnswerAfterTenSeconds) {
  ScriptedRegister reg;
  reg.enqAnswer = "";
  ReadFiscalMemory();
  EXPECT_EQ(Rows(), Concat({kPleaseWait}, kNoAnswer));
  EXPECT_EQ(simline::Written(), "\x05");
  EXPECT_LT(shellstub::PumpCount(), 50) << "the wait must give the time away, not spin";
  EXPECT_GE(simline::Now() - EnqTime(), 10000u);
  EXPECT_LE(simline::Now() - EnqTime(), 10010u);
  EXPECT_TRUE(std::filesystem::exists("FMout1.txt"));
  EXPECT_EQ(FileBytes("FMout1.txt"), "");
  EXPECT_EQ(FileBytes("FMout2.txt"), "");
}

TEST_F(FiscalDumpTest, OtherByteThenSilenceEndsOneSecondAfterIt) {
  ScriptedRegister reg;
  reg.enqAnswer = "?";
  reg.enqDelayMs = 3000;
  ReadFiscalMemory();
  EXPECT_EQ(Rows(), Concat({kPleaseWait}, kNoAnswer));
  const uint32_t afterByte = simline::Now() - (EnqTime() + 3000);
  EXPECT_GE(afterByte, 1000u);
  EXPECT_LE(afterByte, 1010u);
}

// A line that never stops sending other bytes must not hold the handshake for ever.
TEST_F(FiscalDumpTest, EndlessOtherBytesEndTheHandshake) {
  ScriptedRegister reg;
  reg.enqAnswer = "";
  reg.noise = true;
  ReadFiscalMemory();
  EXPECT_EQ(Rows(), Concat({kPleaseWait}, kNoAnswer));
  EXPECT_LE(simline::Now() - EnqTime(), 21010u);
  EXPECT_EQ(simline::Written(), "\x05");
}

// --- Broken transfer ---------------------------------------------------------------

TEST_F(FiscalDumpTest, SilenceInTheDumpBreaksTheTransferAndKeepsCompleteLines) {
  ScriptedRegister reg;
  reg.dump = {{1, "L1\r\nL2\r\nPART"}, {5000, "REST\r\n\x03"}};
  ReadFiscalMemory();
  EXPECT_EQ(Rows(), kBroken);
  EXPECT_EQ(FileBytes("FMout1.txt"), "L1\r\r\nL2\r\r\n");
  EXPECT_EQ(FileBytes("FMout2.txt"), "L1\r\r\nL2\r\r\n");
  const uint32_t stx = simline::WriteTimes(STX).at(0);
  EXPECT_GE(simline::Now() - (stx + 1), 2000u);
  EXPECT_LE(simline::Now() - (stx + 1), 2010u);
}

TEST_F(FiscalDumpTest, NoDumpByteAfterStxBreaksAfterTenSeconds) {
  ScriptedRegister reg;
  ReadFiscalMemory();
  EXPECT_EQ(Rows(), kBroken);
  const uint32_t stx = simline::WriteTimes(STX).at(0);
  EXPECT_GE(simline::Now() - stx, 10000u);
  EXPECT_LT(shellstub::PumpCount(), 50) << "the wait must give the time away, not spin";
  EXPECT_LE(simline::Now() - stx, 10010u);
  EXPECT_EQ(FileBytes("FMout1.txt"), "");
}

// --- Files ---------------------------------------------------------------------------

// FMout2.txt failing closes FMout1.txt again; either way the register is not addressed.
TEST_F(FiscalDumpTest, FileNotOpenedLeavesTheRegisterAlone) {
  for (const char* blocked : {"FMout2.txt", "FMout1.txt"}) {
    SCOPED_TRACE(blocked);
    NextCase();
    std::filesystem::create_directory(blocked);
    ScriptedRegister reg;
    ReadFiscalMemory();
    EXPECT_EQ(Rows(), std::vector<std::string>{kFileNotOpened});
    EXPECT_EQ(simline::Written(), "");
    EXPECT_EQ(simline::PurgeCount(), 0);
    if (std::string(blocked) == "FMout2.txt") {
      EXPECT_TRUE(std::filesystem::is_regular_file("FMout1.txt"));  // created, closed again
      EXPECT_EQ(FileBytes("FMout1.txt"), "");
    }
  }
  // The second file is not tried once the first has failed.
  EXPECT_FALSE(std::filesystem::exists("FMout2.txt"));
}

// --- The window during a capture ------------------------------------------------------

// Many short lines in one burst: the rows come in order, and the list work
// between two pumped messages stays bounded.
TEST_F(FiscalDumpTest, BurstOfLinesIsShownInBoundedBatches) {
  ScriptedRegister reg;
  std::string dump;
  std::vector<std::string> expected;
  // Short lines, and every 50th one longer than a row shows (the row texts' pool
  // fills before the row count does).
  for (int i = 0; i < 5000; ++i) {
    std::string text = std::to_string(i);
    if (i % 50 == 49) text += std::string(1500, static_cast<char>('A' + i % 26));
    dump += text + "\r\n";
    expected.push_back(text.substr(0, kShownLineBytes));
  }
  reg.SendsDump(dump);
  size_t lastRows = 0;
  size_t mostRowsBetweenPumps = 0;
  shellstub::SetPumpHook([&] {
    const size_t rows = Rows().size();
    if (rows > lastRows) mostRowsBetweenPumps = std::max(mostRowsBetweenPumps, rows - lastRows);
    lastRows = rows;
  });
  ReadFiscalMemory();
  expected.push_back(kCompleted);
  EXPECT_EQ(Rows(), expected);
  EXPECT_LE(mostRowsBetweenPumps, static_cast<size_t>(kQueuedRowsMax) + 1);
  EXPECT_GT(shellstub::ReleaseCount(), 5000 / kQueuedRowsMax - 1);
  EXPECT_EQ(FileBytes("FMout1.txt"), AsWritten(dump));
}

// An endless stream of dump bytes keeps the window pumped: the operator can
// disconnect, and the capture then ends as a broken transfer.
TEST_F(FiscalDumpTest, EndlessDumpStillPumpsAndDisconnectEndsIt) {
  ScriptedRegister reg;
  reg.SendsDump("START\r\n");
  reg.dump.back().second.pop_back();  // no ETX
  int pumpsInTransfer = 0;
  bool transferStarted = false;
  shellstub::SetPumpHook([&] {
    transferStarted = transferStarted || simline::Written().size() == 2;
    if (!transferStarted) return;
    // After the first row: a new line every pass, then Disconnect.
    simline::Send(simline::Now(), "more\r\n");
    if (++pumpsInTransfer == 200) PressDisconnect();
  });
  ReadFiscalMemory();
  EXPECT_EQ(Rows(), kBroken);
  EXPECT_GE(pumpsInTransfer, 200);
  const std::string file = FileBytes("FMout1.txt");
  EXPECT_EQ(file.substr(0, 8), "START\r\r\n");
  EXPECT_GE(std::count(file.begin(), file.end(), '\n'), 150);
}

// A steady stream (a byte every millisecond, as from a busy line) is read in
// batches, but the window still gets a message at least every few tens of ms.
TEST_F(FiscalDumpTest, SteadyStreamStillPumpsTheWindowOften) {
  ScriptedRegister reg;
  std::string dump;
  for (int i = 0; i < 3000; ++i) dump += i % 40 == 39 ? '\n' : 'x';
  for (size_t i = 0; i < dump.size(); ++i) reg.dump.push_back({static_cast<uint32_t>(1 + i), dump.substr(i, 1)});
  reg.dump.push_back({static_cast<uint32_t>(dump.size() + 1), "\x03"});
  std::vector<uint32_t> pumpTimes;
  shellstub::SetPumpHook([&] {
    if (simline::Written().size() == 2) pumpTimes.push_back(simline::Now());
  });
  ReadFiscalMemory();
  ASSERT_EQ(Rows().size(), 3000u / 40 + 1);
  EXPECT_EQ(Rows().back(), kCompleted);
  uint32_t longestGap = 0;
  for (size_t i = 1; i < pumpTimes.size(); ++i) longestGap = std::max(longestGap, pumpTimes[i] - pumpTimes[i - 1]);
  EXPECT_LE(longestGap, 30u);
  EXPECT_LT(pumpTimes.size(), dump.size() / 4) << "a message pumped for every few bytes";
  EXPECT_EQ(FileBytes("FMout1.txt"), AsWritten(dump));
}

TEST_F(FiscalDumpTest, DisconnectDuringTheDumpEndsAsBrokenTransfer) {
  ScriptedRegister reg;
  reg.dump = {{1, "L1\r\nL2\r\n"}, {500, "L3\r\n"}, {4000, "L4\r\n\x03"}};
  shellstub::SetPumpHook([&] {
    if (PortIsOpen && Rows().size() == 3) PressDisconnect();  // L1 L2 L3 shown
  });
  ReadFiscalMemory();
  EXPECT_EQ(Rows(), kBroken);
  EXPECT_EQ(FileBytes("FMout1.txt"), "L1\r\r\nL2\r\r\nL3\r\r\n");
  EXPECT_EQ(simline::Written(), "\x05\x02");
}

TEST_F(FiscalDumpTest, DisconnectDuringTheHandshakeEndsAsNoAnswer) {
  ScriptedRegister reg;
  reg.enqDelayMs = 5000;
  shellstub::SetPumpHook([] {
    if (PortIsOpen) PressDisconnect();
  });
  ReadFiscalMemory();
  EXPECT_EQ(Rows(), Concat({kPleaseWait, "Closed port COM2"}, kNoAnswer));
}

TEST_F(FiscalDumpTest, NestedReadFiscalMemoryAndLogAreRefused) {
  ScriptedRegister reg;
  reg.dump = {{1, "L1\r\n"}, {300, "L2\r\n\x03"}};
  int nested = 0;
  shellstub::SetPumpHook([&] {
    if (Rows().size() != 1 || nested > 0) return;  // while L1 is shown
    ++nested;
    ReadFiscalMemory();
    BuildRecordLog();
    EXPECT_EQ(OperationRunning, 1);
  });
  ReadFiscalMemory();
  EXPECT_EQ(nested, 1);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"L1", "L2", kCompleted}));
  EXPECT_EQ(simline::Written(), "\x05\x02");  // no second ENQ, no CAN of a LOG opening
  EXPECT_FALSE(std::filesystem::exists("log.txt"));
  EXPECT_EQ(FileBytes("FMout1.txt"), "L1\r\r\nL2\r\r\n");
}

}  // namespace
