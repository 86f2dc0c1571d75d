// What the host tests of LOG share: texts of "g/" replies and records, and a fixture
// that runs BuildRecordLog against the register simulator on the simulated line,
// under the virtual clock, in a fresh working directory.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/report/record_log.h"
#include "tests/stubs/operation_test.h"
#include "tests/stubs/sim_register.h"

namespace logtest {

constexpr int kStatusRecordFailed = 0x31;

inline regsim::Record Good(const std::string& text) { return regsim::Record{0, text}; }
inline regsim::Record Failed(const std::string& text) { return regsim::Record{kStatusRecordFailed, text}; }

// A "g/" reply with these fields 4, 9, 14 and 19 and filler everywhere else.
inline std::string Info(const std::string& count0, const std::string& count1, const std::string& count2,
                 const std::string& lastIndex) {
  return "A/B/C/D/" + count0 + "/E/F/G/H/" + count1 + "/I/J/K/L/" + count2 + "/M/N/O/P/" + lastIndex;
}

// A table-3 record with the fields the line uses, padded to `length` characters
// with an eleventh field when shorter.
inline std::string Table3Text(const std::string& date, const std::string& number, const std::string& nine,
                       size_t length = 60) {
  std::string text = "7/" + date + "/101530/" + number + "/X/Y/5/Z/12345/" + nine + "/TEN";
  if (text.size() < length) text += "/" + std::string(length - text.size() - 1, 'p');
  return text;
}

// A table-0..2 record whose key and value are `date` and `value`.
inline std::string EntryText(const std::string& date, const std::string& value) {
  return "1/" + date + "/101530/" + value;
}

inline std::vector<std::string> CommandsOf(const std::vector<std::string>& commands, const std::string& prefix) {
  std::vector<std::string> out;
  for (const auto& c : commands)
    if (c.compare(0, prefix.size(), prefix) == 0) out.push_back(c);
  return out;
}

inline std::vector<std::string> Numbered(const std::string& prefix, int first, int last) {
  std::vector<std::string> out;
  char text[32];
  for (int i = first; i <= last; ++i) {
    std::snprintf(text, sizeof text, "%s%04d/", prefix.c_str(), i);
    out.push_back(text);
  }
  return out;
}

class RecordLogTest : public OperationTest {
 protected:
  // One LOG run against a register holding `data`; returns the commands it heard.
  std::vector<std::string> RunLog(const regsim::Data& data, regsim::Faults faults = {}) {
    SimRegister sim(regsim::Mode::Command, data, faults);
    BuildRecordLog();
    return sim.stats().commands;
  }

  // Report lines as the list shows them: each ends with the CR before its LF.
  std::vector<std::string> LinesOfFile() {
    std::string rest;
    std::vector<std::string> lines = FileLines("log.txt", &rest);
    for (std::string& line : lines) line += '\r';
    EXPECT_EQ(rest, "") << "log.txt ends inside a line";
    return lines;
  }
};

}  // namespace logtest
