// How an operation ends beyond its rows (LastOperationResult, what the console turns
// into its exit status), and a stop asked for during a dump, as the console's Ctrl+C
// asks for it: the dump ends at once, in the handshake, in the stream and in a silent
// stretch of the transfer, its files closed holding the complete lines received.
// Disconnect, as the dialog does it, still leaves the dump to its time limits.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/archive/run_archive.h"
#include "core/dump/fiscal_dump.h"
#include "core/program/state.h"
#include "core/report/record_log.h"
#include "tests/stubs/clock_stub.h"
#include "tests/stubs/operation_test.h"
#include "tests/stubs/sim_register.h"
#include "tests/stubs/storage_stub.h"
#include "tests/stubs/temp_dir.h"

namespace {

constexpr char kDumpStopped[] = "Read Fiscal Memory stopped: interrupted";
constexpr char kLogStopped[] = "LOG stopped: interrupted";
constexpr char kRegisterGone[] = "LOG stopped: the register does not answer";
constexpr uint32_t kStopWithinMs = 20;
constexpr char kCompleted[] =
    "\xC7  \xC4\xC9\xC1\xC4\xC9\xCA\xC1\xD3\xC9\xC1 \xCC\xC5\xD4\xC1\xD6\xCF\xD1\xC1\xD3 \xC4\xC5\xC4\xCF\xCC\xC5\xCD"
    "\xD9\xCD \xCF\xCB\xCF\xCA\xCB\xC7\xD1\xD9\xC8\xC7\xCA\xC5 \xC5\xD0\xC9\xD4\xD5\xD7\xD9\xD3";

regsim::Data DumpOf(int lines) {
  regsim::Data data;
  for (int i = 0; i < lines; ++i) data.dumpLines.push_back("Z " + std::to_string(i) + " \xD6\xCC 12,50");
  return data;
}

regsim::Data TablesOf(int table0, int lastIndex) {
  regsim::Data data;
  data.tables[0].assign(static_cast<size_t>(table0), regsim::Record{0, "1/150324/101530/42"});
  const std::string record = "7/150324/101530/42/X/Y/5/Z/12345/N/TEN/ppppppppppppppppppppppppp";
  data.tables[3].assign(static_cast<size_t>(lastIndex + 1), regsim::Record{0, record});
  return data;
}

regsim::Faults Paced(uint32_t baud) {
  regsim::Faults faults;
  faults.baud = baud;
  return faults;
}

using OperationEndTest = OperationTest;

std::string Manifest() { return FileBytes((std::string(RunArchiveFolder()) + "/manifest.txt").c_str()); }

void AskToStop() { StopRequested = kStopInterrupted; }

// --- Results ----------------------------------------------------------------------

TEST_F(OperationEndTest, EveryEndOfTheDumpIsReported) {
  regsim::Faults silent;
  silent.silent = true;
  regsim::Faults gap;
  gap.gapAfterBytes = 40;
  gap.gapMs = 5000;
  struct Case {
    const char* what;
    regsim::Faults faults;
    bool blockFile;
    OperationResult result;
  };
  const Case cases[] = {{"completed", {}, false, OperationResult::kCompleted},
                        {"no answer", silent, false, OperationResult::kNoAnswer},
                        {"broken", gap, false, OperationResult::kBroken},
                        {"file not opened", {}, true, OperationResult::kFileNotOpened}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    NextCase();
    if (c.blockFile) std::filesystem::create_directory("FMout1.txt");
    SimRegister reg(regsim::Mode::Dump, DumpOf(5), c.faults);
    ReadFiscalMemory();
    EXPECT_EQ(LastOperationResult, c.result);
  }
}

// "Completed" even with failed records; "no answer" only when nothing at all came
// back; "gone" when the register stops answering in the middle.
TEST_F(OperationEndTest, EveryEndOfLogIsReported) {
  regsim::Data failing = TablesOf(3, 1);
  for (regsim::Record& r : failing.tables[0]) r.status = 0x31;
  SimRegister good(regsim::Mode::Command, failing);
  BuildRecordLog();
  EXPECT_EQ(LastOperationResult, OperationResult::kCompleted);

  NextCase();
  regsim::Faults silent;
  silent.silent = true;
  SimRegister mute(regsim::Mode::Command, TablesOf(3, 1), silent);
  BuildRecordLog();
  EXPECT_EQ(LastOperationResult, OperationResult::kNoAnswer);
  EXPECT_TRUE(Rows().empty());

  NextCase();
  SimRegister leaving(regsim::Mode::Command, TablesOf(3, 9), Paced(9600));  // waits that pump
  shellstub::SetPumpHook([&] {
    if (leaving.stats().commands.size() >= 6) simline::Attach(nullptr);  // the cable is pulled
  });
  BuildRecordLog();
  EXPECT_EQ(LastOperationResult, OperationResult::kRegisterGone);
  EXPECT_EQ(Rows().back(), kRegisterGone);

  NextCase();
  std::filesystem::create_directory("log.txt");
  BuildRecordLog();
  EXPECT_EQ(LastOperationResult, OperationResult::kFileNotOpened);
  EXPECT_EQ(simline::Written(), "");

  NextCase();
  SimRegister stopped(regsim::Mode::Command, TablesOf(3, 40), Paced(9600));
  shellstub::PostMessageAt(2000, AskToStop);
  BuildRecordLog();
  EXPECT_EQ(LastOperationResult, OperationResult::kStopped);
  EXPECT_EQ(Rows().back(), kLogStopped);
}

// A press refused while another operation runs leaves the running one's result alone.
TEST_F(OperationEndTest, RefusedPressLeavesTheResult) {
  SimRegister reg(regsim::Mode::Dump, DumpOf(3));
  shellstub::SetPumpHook([] {
    if (LastOperationResult == OperationResult::kNone) {
      LastOperationResult = OperationResult::kBroken;  // a mark the refused presses must keep
      ReadFiscalMemory();
      BuildRecordLog();
      EXPECT_EQ(LastOperationResult, OperationResult::kBroken);
    }
  });
  ReadFiscalMemory();
  EXPECT_EQ(LastOperationResult, OperationResult::kCompleted);
}

// --- A stop during the dump ---------------------------------------------------------

// In the handshake: the files are there and empty, no STX goes out. A stop that was
// asked for before the dump began (a signal while the port opened) ends it at its
// first look.
TEST_F(OperationEndTest, StopInTheHandshakeEndsTheDumpAtOnce) {
  regsim::Faults silent;
  silent.silent = true;
  for (const uint32_t at : {0u, 3000u}) {
    SCOPED_TRACE(at);
    NextCase();
    SimRegister reg(regsim::Mode::Dump, DumpOf(5), silent);
    if (at == 0) {
      AskToStop();
    } else {
      shellstub::PostMessageAt(at, AskToStop);
    }
    ReadFiscalMemory();
    EXPECT_LE(simline::Now(), at + kStopWithinMs);
    EXPECT_EQ(Rows().back(), kDumpStopped);
    EXPECT_EQ(Rows().size(), 2u);  // the waiting message, then the stop
    EXPECT_EQ(simline::Written(), "\x05");
    EXPECT_TRUE(std::filesystem::exists("FMout2.txt"));
    EXPECT_EQ(FileBytes("FMout1.txt"), "");
    EXPECT_EQ(LastOperationResult, OperationResult::kStopped);
  }
}

// In the stream and in a silent stretch of it: over within milliseconds, not after
// the 2 s of silence that breaks a transfer. Every complete line received is in both
// files and shown, in order, before the stop's row.
TEST_F(OperationEndTest, StopInTheTransferKeepsTheCompleteLines) {
  regsim::Faults gap = Paced(115200);
  gap.gapAfterBytes = 3000;
  gap.gapMs = 5000;
  struct Case {
    const char* what;
    regsim::Faults faults;
    uint32_t at;
  };
  const Case cases[] = {{"streaming", Paced(115200), 300}, {"silent", gap, 1500}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    NextCase();
    SimRegister reg(regsim::Mode::Dump, DumpOf(2000), c.faults);
    shellstub::PostMessageAt(c.at, AskToStop);
    ReadFiscalMemory();
    EXPECT_LE(simline::Now(), c.at + kStopWithinMs);
    EXPECT_EQ(LastOperationResult, OperationResult::kStopped);
    const std::vector<std::string> lines = FileLines("FMout1.txt");
    ASSERT_GT(lines.size(), 10u);
    ASSERT_LT(lines.size(), 2000u);
    for (size_t i = 0; i < lines.size(); ++i) ASSERT_EQ(lines[i], DumpOf(2000).dumpLines[i]) << i;
    EXPECT_EQ(FileBytes("FMout1.txt").size(), FileBytes("FMout2.txt").size());
    std::vector<std::string> shown(Rows().begin(), Rows().end() - 1);
    EXPECT_EQ(shown, lines);
    EXPECT_EQ(Rows().back(), kDumpStopped);
  }
}

TEST_F(OperationEndTest, StopForAnotherCauseSaysSoPlainly) {
  SimRegister reg(regsim::Mode::Dump, DumpOf(2000), Paced(115200));
  shellstub::PostMessageAt(300, [] { StopRequested = kStopPortClosed; });
  ReadFiscalMemory();
  EXPECT_EQ(Rows().back(), "Read Fiscal Memory stopped");
  EXPECT_EQ(LastOperationResult, OperationResult::kStopped);
}

// The dialog's Disconnect asks only a running LOG to stop: the dump it closes the port
// under ends 2 s later as a broken transfer, as it always has.
TEST_F(OperationEndTest, DisconnectStillLeavesTheDumpToItsTimeLimits) {
  SimRegister reg(regsim::Mode::Dump, DumpOf(2000), Paced(115200));
  shellstub::PostMessageAt(300, PressDisconnect);
  ReadFiscalMemory();
  EXPECT_GE(simline::Now(), 300u + 1900u);  // 2 s after the last byte before the close
  EXPECT_EQ(LastOperationResult, OperationResult::kBroken);
  EXPECT_NE(Rows().back(), kDumpStopped);
}

// A write or a push to the disk that fails at the dump's very end, in the batch that
// carries the ETX or when the files are closed, stops the dump like any other.
TEST_F(OperationEndTest, AFileThatFailsAtTheDumpsEndIsNoSuccess) {
  const struct {
    const char* what;
    bool fullDisk, refuseSyncs;
    const char* row;
  } cases[] = {{"last batch refused", true, false, "Writing FMout2.txt failed: No space left on device"},
               {"sync at the close refused", false, true, "Writing FMout1.txt failed: the stand-in disk refuses to sync"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    NextCase();
    if (c.fullDisk) std::filesystem::create_symlink("/dev/full", "FMout2.txt");
    storagestub::RefuseSyncs = c.refuseSyncs;
    SimRegister reg(regsim::Mode::Dump, DumpOf(5));
    ReadFiscalMemory();
    storagestub::RefuseSyncs = false;
    EXPECT_EQ(LastOperationResult, OperationResult::kWriteFailed);
    const auto shown = [&](const std::string& row) { return std::count(Rows().begin(), Rows().end(), row); };
    EXPECT_EQ(shown(c.row), 1);
    EXPECT_EQ(shown("Read Fiscal Memory stopped: a file could not be written"), 1);
    EXPECT_EQ(shown(kCompleted), 0);
    EXPECT_NE(Manifest().find("\ncomplete: no"), std::string::npos);
    EXPECT_STREQ(RunArchiveMissing(), c.refuseSyncs ? "SHA256SUMS was not written" : nullptr);
  }
}

// The register's texts reach the manifest's last row, but never as lines of their own.
TEST_F(OperationEndTest, TheLastRowIsOneLineOfTheManifest) {
  regsim::Data data = TablesOf(1, 0);
  std::string& record = data.tables[3][0].text;
  record.replace(record.find("TEN"), 3, "late\ncomplete: yes\\");  // field 10
  SimRegister reg(regsim::Mode::Command, data);
  BuildRecordLog();
  const std::string manifest = Manifest();
  EXPECT_NE(manifest.find("late\\x0Acomplete: yes\\x5C\ncomplete: yes\n"), std::string::npos) << manifest;
  EXPECT_EQ(manifest.find("\ncomplete: yes"), manifest.rfind("\ncomplete:"));
}

}  // namespace
