// Soak: many LOG runs and dumps against the register simulator, each with faults
// drawn at random from those the simulator can inject, at random points of the run.
// Seeded and reproducible: every run draws from its own seed, and a failure names
// the environment that repeats that run alone.
//
//   TG_SOAK_RUNS   runs (default 300: a few seconds; the long form under the label
//                  fuzz runs 100000)
//   TG_SOAK_SEED   the seed of the whole soak (default 1)
//   TG_SOAK_FIRST  the number of the first run (default 0)
//
// Properties, for LOG: every record whose exchange succeeded (the register saw its
// reply acknowledged with status 0) is reported exactly as the fault-free run of the
// same data reports it, with the running counters of the records and entries that
// did succeed; no other record is reported; log.txt and the list hold those lines
// and nothing else; the run ends within its exchanges' bound. For a dump: every
// byte sent before a break, or before ETX, is in both files as the collector's rules
// keep it; the list shows the outcome the faults call for; the capture ends within
// its bound.
//
// None of the faults changes a data byte: a frame is cut short (10 bytes, below
// the shortest valid one), delayed, repeated, preceded by stray bytes that are never
// STX, or given a wrong checksum digit. A changed data byte would pass the frame's
// checksum (a sum modulo 256, then 100) about once in a hundred, and swapped bytes
// or an added NUL always: the protocol cannot tell, so the soak does not ask it to.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/dump/fiscal_dump.h"
#include "core/program/state.h"
#include "core/report/record_log.h"
#include "tests/fuzz/exchange_bounds.h"
#include "tests/fuzz/expected_output.h"
#include "tests/stubs/clock_stub.h"
#include "tests/stubs/operation_test.h"
#include "tests/stubs/sim_register.h"

namespace {

constexpr int kStatusFailed = 0x31;
constexpr int kEntryTables = 3;
const char* const kDates[] = {"150324", "160324", "170324"};
const int kNumbers[] = {7, 42, 43};
// Columns (from 0) of the three counters in a line whose values fit their widths, in
// the line's order: device table 1, 0, 2.
constexpr size_t kCounterColumn[kEntryTables] = {76, 72, 80};

long EnvNumber(const char* name, long fallback) {
  const char* text = std::getenv(name);
  return text != nullptr && *text != '\0' ? std::strtol(text, nullptr, 10) : fallback;
}

struct Tally {
  long logRuns = 0, dumps = 0, faults = 0, checks = 0, lines = 0, failedRecords = 0, brokenDumps = 0;
};

// ---- LOG --------------------------------------------------------------------

// What the data generator knows of each record: its date and number decide the
// matches, so the counters are worked out from them, not from the program.
struct Entry {
  int date = 0, number = 0;
  bool good = true;
};

struct LogCase {
  regsim::Data data;
  std::vector<Entry> entries[kEntryTables];
  std::vector<Entry> table3;
};

std::string Text3(int i, const Entry& e, int lastIndex) {
  char text[200];
  std::snprintf(text, sizeof text, "7/%s/1015%02d/%d/X/Y/%d/Z/%d/NINE %d/TEN %d/a/b/c/d/e/f/g/h/%d", kDates[e.date],
                i % 60, kNumbers[e.number], i % 1000, 12345 + i, i, i, lastIndex);
  return text;
}

LogCase MakeLogCase(std::mt19937& rng) {
  LogCase c;
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  for (int t = 0; t < kEntryTables; ++t) {
    const int count = pick(7);
    for (int i = 0; i < count; ++i) {
      Entry e{pick(3), pick(3), pick(8) != 0};
      char text[64];  // the value from position 16, as wide as the register likes
      std::snprintf(text, sizeof text, "%d/%s/101530/%0*d", t + 1, kDates[e.date], pick(5), kNumbers[e.number]);
      c.entries[t].push_back(e);
      c.data.tables[t].push_back({e.good ? 0 : kStatusFailed, text});
    }
  }
  const int records = 1 + pick(8);
  for (int i = 0; i < records; ++i) {
    Entry e{pick(3), pick(3), pick(6) != 0};
    const bool shortText = pick(8) == 0;  // too short to be reported, like a failed one
    c.data.tables[3].push_back({e.good ? 0 : kStatusFailed, shortText ? "7/short" : Text3(i, e, records - 1)});
    e.good = e.good && !shortText;
    c.table3.push_back(e);
  }
  return c;
}

// Now and then a fault that spoils the whole run (the run must still end, and
// report nothing); otherwise one to three that the exchange's repetitions can
// overcome, or not, from a random point of the run on.
regsim::Faults DrawCommandFaults(std::mt19937& rng, Tally& tally) {
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  regsim::Faults f;
  if (pick(16) == 0) {
    ++tally.faults;
    const int kind = pick(3);
    f.silent = kind == 0;
    f.canAfterEnq = kind == 1;
    f.byteBeforeAck = kind == 2 ? pick(256) : -1;
    return f;
  }
  f.faultsFrom = pick(40);
  for (int k = 1 + pick(3); k > 0; --k) {
    ++tally.faults;
    switch (pick(11)) {
      case 0: f.status14Replies = 1 + pick(25); break;
      case 1: f.status14Replies = 19; break;  // 19 passes of status 14, then the real answer
      case 2: f.badChecksumReplies = 1 + pick(8); break;
      case 3: f.shortFrameReplies = 1 + pick(8); break;
      case 4:  // stray bytes of any value but STX, which would open the frame early
        for (int n = 1 + pick(4); n > 0; --n) f.strayBeforeStx += static_cast<char>(3 + pick(253));
        break;
      case 5:
        f.frameAnswer = pick(3) == 0 ? 0x15 : pick(2) == 0 ? 0x18 : 'x';
        f.frameAnswerCount = 1 + pick(4);
        break;
      case 6:
        f.silentAfterNak = true;
        f.badChecksumReplies = 1 + pick(3);
        break;
      case 7:
        f.gapAfterBytes = pick(40);
        f.gapMs = static_cast<uint32_t>(std::vector<int>{100, 400, 700, 1500, 2500}[static_cast<size_t>(pick(5))]);
        f.gapBlocks = 1 + pick(6);
        break;
      case 8: f.noise = true; break;  // from the ENQ after faultsFrom on: a register gone mad
      case 9: f.baud = static_cast<uint32_t>(std::vector<int>{9600, 19200, 115200}[static_cast<size_t>(pick(3))]); break;
      default: f.latencyUs = static_cast<uint32_t>(pick(300000)); break;
    }
  }
  return f;
}

// The commands whose replies the program took with status 0.
std::map<std::string, bool> Succeeded(const regsim::Stats& stats) {
  std::map<std::string, bool> done;
  for (const auto& a : stats.acknowledged)
    if (a.status == 0) done[a.command] = true;
  return done;
}

std::string Command(int table, int index) {
  char text[24];
  std::snprintf(text, sizeof text, "r/%d/%04d/", table, index);
  return text;
}

// The lines the run must have written: for every table-3 record that succeeded,
// in order, the fault-free run's line with the counters of what succeeded here.
std::vector<std::string> ExpectedLines(const LogCase& c, const std::map<std::string, bool>& done,
                                       const std::map<int, std::string>& faultFree) {
  std::vector<std::string> lines;
  int counters[kEntryTables] = {};
  for (int r = 0; r < static_cast<int>(c.table3.size()); ++r) {
    if (!c.table3[static_cast<size_t>(r)].good || done.count(Command(3, r)) == 0) continue;
    const Entry& record = c.table3[static_cast<size_t>(r)];
    const auto found = faultFree.find(r);
    std::string line = found != faultFree.end() ? found->second : std::string(126, '?');
    for (int t = 0; t < kEntryTables; ++t) {
      for (int i = 0; i < static_cast<int>(c.entries[t].size()); ++i) {
        const Entry& e = c.entries[t][static_cast<size_t>(i)];
        counters[t] += e.good && done.count(Command(t, i)) != 0 && e.date == record.date && e.number == record.number;
      }
      char column[8];
      std::snprintf(column, sizeof column, "%03d", counters[t]);
      line.replace(kCounterColumn[t], 3, column);
    }
    lines.push_back(line);
  }
  return lines;
}

// The report lines of log.txt, each with its CR LF.
std::vector<std::string> LogLines() {
  std::string rest;
  std::vector<std::string> lines = FileLines("log.txt", &rest);
  for (std::string& line : lines) line += "\r\n";
  if (!rest.empty()) lines.push_back("(unfinished) " + rest);
  return lines;
}

// ---- Dumps ------------------------------------------------------------------

std::string DumpLine(std::mt19937& rng) {
  static constexpr char kAlphabet[] = "ABC xyz 0123%\t\xC1\xC5\xD2\xD3\xD9\xDA\xE1\xF9";
  static const std::string kBytes(kAlphabet, sizeof kAlphabet);  // its NUL too
  std::string line;
  for (int n = static_cast<int>(rng() % 90); n > 0; --n) line += kBytes[rng() % kBytes.size()];
  return line;
}

regsim::Faults DrawDumpFaults(std::mt19937& rng, size_t dumpBytes, Tally& tally) {
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  regsim::Faults f;
  if (pick(8) == 0) {
    ++tally.faults;
    (pick(2) == 0 ? f.silent : f.noise) = true;
    return f;
  }
  for (int k = 1 + pick(2); k > 0; --k) {
    ++tally.faults;
    switch (pick(5)) {
      case 0: f.longLineBytes = static_cast<size_t>(2 + pick(9000)); break;
      case 1:  // well inside the capture's 2000 ms between bytes (10000 before the first) or well past it
        f.gapAfterBytes = pick(static_cast<int>(dumpBytes) + 1);
        f.gapMs = static_cast<uint32_t>(std::vector<int>{300, 1500, 2500, 12000}[static_cast<size_t>(pick(4))]);
        break;
      case 2: f.byteBeforeAck = 0x20 + pick(0x60); break;
      case 3: f.baud = static_cast<uint32_t>(std::vector<int>{9600, 115200}[static_cast<size_t>(pick(2))]); break;
      default: f.latencyUs = static_cast<uint32_t>(pick(900000)); break;
    }
  }
  return f;
}

class SoakTest : public OperationTest {
 protected:
  void StartRun() {
    NextCase();
    simline::SetTickStep(0);  // time passes in the waits only, as on the real clock
  }

  void Check(bool holds, const std::string& what) {
    ++tally_.checks;
    EXPECT_TRUE(holds) << what << " (repeat: TG_SOAK_SEED=" << seed_ << " TG_SOAK_FIRST=" << run_
                       << " TG_SOAK_RUNS=1)";
  }

  std::vector<std::string> RunLog(const regsim::Data& data, const regsim::Faults& faults,
                                  std::map<std::string, bool>& done) {
    StartRun();
    SimRegister sim(regsim::Mode::Command, data, faults);
    BuildRecordLog();
    done = Succeeded(sim.stats());
    return LogLines();
  }

  void SoakLog(std::mt19937& rng) {
    ++tally_.logRuns;
    const LogCase c = MakeLogCase(rng);
    std::map<std::string, bool> all;
    const std::vector<std::string> faultFreeLines = RunLog(c.data, {}, all);
    std::map<int, std::string> faultFree;
    for (size_t r = 0, k = 0; r < c.table3.size(); ++r)
      if (c.table3[r].good && k < faultFreeLines.size()) faultFree[static_cast<int>(r)] = faultFreeLines[k++];
    bool allSucceeded = true;
    for (int t = 0; t < kEntryTables; ++t)
      for (size_t i = 0; i < c.entries[t].size(); ++i)
        allSucceeded = allSucceeded && (!c.entries[t][i].good || all.count(Command(t, static_cast<int>(i))) != 0);
    for (size_t r = 0; r < c.table3.size(); ++r)
      allSucceeded = allSucceeded && (!c.table3[r].good || all.count(Command(3, static_cast<int>(r))) != 0);
    Check(allSucceeded, "every good record succeeds without faults");
    Check(faultFreeLines == ExpectedLines(c, all, faultFree), "fault-free lines and their counters");

    const regsim::Faults faults = DrawCommandFaults(rng, tally_);
    std::map<std::string, bool> done;
    const std::vector<std::string> lines = RunLog(c.data, faults, done);
    const uint32_t end = simline::Now();
    const std::vector<std::string> expectedLines = ExpectedLines(c, done, faultFree);
    Check(lines == expectedLines, "log.txt: " + std::to_string(lines.size()) + " lines for " +
                                      std::to_string(expectedLines.size()) + " records that succeeded");
    std::vector<std::string> rows;
    for (const std::string& line : lines) rows.push_back(line.substr(0, line.size() - 1));  // a row keeps the CR
    std::vector<std::string> shown = shellstub::Rows();
    if (!shown.empty() && shown.back() == "LOG stopped: the register does not answer") shown.pop_back();
    Check(shown == rows, "the list shows the lines of log.txt");
    size_t exchanges = 1 + c.table3.size();
    for (const auto& table : c.entries) exchanges += table.size();
    Check(end <= exchanges * uint64_t{kExchangeBoundMs}, "ended at " + std::to_string(end) + " ms");
    tally_.lines += static_cast<long>(lines.size());
    tally_.failedRecords += static_cast<long>(faultFreeLines.size() - lines.size());
  }

  void SoakDump(std::mt19937& rng) {
    ++tally_.dumps;
    regsim::Data data;
    for (int n = static_cast<int>(rng() % 30); n > 0; --n) data.dumpLines.push_back(DumpLine(rng));
    if (rng() % 3 == 0) data.dumpTail = DumpLine(rng);
    std::string sent;  // the dump text as the register sends it
    for (const std::string& line : data.dumpLines) sent += line + "\r\n";
    sent += data.dumpTail;
    const regsim::Faults faults = DrawDumpFaults(rng, sent.size(), tally_);
    StartRun();
    SimRegister sim(regsim::Mode::Dump, data, faults);
    ReadFiscalMemory();
    const uint32_t end = simline::Now();
    CheckDump(faults, sim.stats(), end);
  }

  void CheckDump(const regsim::Faults& faults, const regsim::Stats& stats, uint32_t end) {
    const bool answered = !faults.silent && !faults.noise;
    // What reached the program after its STX: the bytes delivered after that write.
    const std::vector<uint32_t> stx = simline::WriteTimes(0x02);
    std::string received;
    if (!stx.empty()) {
      for (const simline::Traffic& t : simline::Log())
        if (!t.fromProgram && t.time > stx[0]) received += static_cast<char>(t.byte);
    }
    const uint32_t breakingGapMs = faults.gapAfterBytes == 0 ? 10000 : 2000;
    const bool broken = faults.gapMs > breakingGapMs && faults.gapAfterBytes >= 0 &&
                        static_cast<uint64_t>(faults.gapAfterBytes) < stats.dumpBytes;
    std::string beforeBreak = received.substr(0, received.find('\x03'));
    if (broken) beforeBreak = beforeBreak.substr(0, static_cast<size_t>(faults.gapAfterBytes));
    const std::string inFiles = expected::DumpBytesInFiles(beforeBreak);
    Check(answered == (stats.dumps == 1), "the register sent its dump");
    Check(FileBytes("FMout1.txt") == expected::AsWritten(inFiles), "FMout1.txt");
    Check(FileBytes("FMout2.txt") == expected::AsWritten(expected::To737(inFiles)), "FMout2.txt");
    size_t rows = 4;  // the waiting row and the three of no answer
    if (answered) rows = broken ? 3 : expected::DumpRows(beforeBreak).size() + 1;
    Check(shellstub::Rows().size() == rows, "rows of the outcome: " + std::to_string(shellstub::Rows().size()));
    // Handshake: other bytes restart the 1000 ms wait for 20000 ms at most; the first
    // byte within 10000 ms; then every byte within 2000 ms, the last wait runs out.
    const uint64_t wireMs = faults.baud > 0 ? (stats.dumpBytes + 2) * 10000 / faults.baud + 1 : 1;
    const uint64_t bound = 21001 + faults.latencyUs / 1000 + 10001 + wireMs + faults.gapMs + 2001 + 250;
    Check(end <= bound, "the capture ended at " + std::to_string(end) + " ms");
    tally_.brokenDumps += broken;
  }

  Tally tally_;
  long seed_ = 0;
  long run_ = 0;
};

TEST_F(SoakTest, LogRunsAndDumpsWithRandomFaults) {
  seed_ = EnvNumber("TG_SOAK_SEED", 1);
  const long first = EnvNumber("TG_SOAK_FIRST", 0);
  const long runs = EnvNumber("TG_SOAK_RUNS", 300);
  for (run_ = first; run_ < first + runs && !HasFailure(); ++run_) {
    std::mt19937 rng(static_cast<uint32_t>(seed_ * 1000003 + run_));
    if (run_ % 2 == 0)
      SoakLog(rng);
    else
      SoakDump(rng);
  }
  std::printf("soak: seed %ld, runs %ld to %ld: %ld LOG runs (%ld lines, %ld records lost to faults), "
              "%ld dumps (%ld broken), %ld faults drawn, %ld properties checked\n",
              seed_, first, run_ - 1, tally_.logRuns, tally_.lines, tally_.failedRecords, tally_.dumps,
              tally_.brokenDumps, tally_.faults, tally_.checks);
}

}  // namespace
