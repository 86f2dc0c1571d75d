// Synthetic register contents for benchmarks: a dump of a given size and tables of
// given sizes, varied enough to look like a working register's.
#include <cstdio>
#include <string>

#include "tools/sim/register_model.h"

namespace regsim {

namespace {

constexpr uint64_t kLineEndBytes = 2;  // CR LF

// DDMMYY of the n-th day from 1 January 2024 (months of 28 days keep it simple).
std::string DateOf(int day) {
  day = day < 0 ? 0 : day;
  char text[16];
  std::snprintf(text, sizeof text, "%02d%02d%02d", day % 28 + 1, (day / 28) % 12 + 1, 24 + day / 336 % 70);
  return text;
}

std::string TimeOf(int n) {
  n = n < 0 ? 0 : n;
  char text[16];
  std::snprintf(text, sizeof text, "%02d%02d%02d", 8 + n % 12, n * 7 % 60, n * 13 % 60);
  return text;
}

// One line of a daily closing report; Greek in Windows-1253.
std::string DumpLine(uint64_t n) {
  char line[96];
  switch (n % 6) {
    case 0: std::snprintf(line, sizeof line, "\xC1\xD1\xC9\xC8\xCC\xCF\xD3 Z %06llu   %s", static_cast<unsigned long long>(n / 6 + 1), DateOf(static_cast<int>(n / 6)).c_str()); break;
    case 1: std::snprintf(line, sizeof line, "\xD6\xD0\xC1 A  6%%  %12llu.%02llu", static_cast<unsigned long long>(n * 37 % 100000), static_cast<unsigned long long>(n % 100)); break;
    case 2: std::snprintf(line, sizeof line, "\xD6\xD0\xC1 B 13%%  %12llu.%02llu", static_cast<unsigned long long>(n * 53 % 100000), static_cast<unsigned long long>(n % 97)); break;
    case 3: std::snprintf(line, sizeof line, "\xD6\xD0\xC1 \xC3 24%%  %12llu.%02llu", static_cast<unsigned long long>(n * 71 % 100000), static_cast<unsigned long long>(n % 89)); break;
    case 4: std::snprintf(line, sizeof line, "\xD3\xD5\xCD\xCF\xCB\xCF  %12llu.%02llu", static_cast<unsigned long long>(n * 97 % 1000000), static_cast<unsigned long long>(n % 83)); break;
    default: std::snprintf(line, sizeof line, "--------------------------------"); break;
  }
  return line;
}

}  // namespace

void GenerateDump(uint64_t bytes, Data& data) {
  data.dumpLines.clear();
  data.dumpTail.clear();
  uint64_t total = 0;
  for (uint64_t n = 0; total + kLineEndBytes <= bytes; ++n) {
    std::string line = DumpLine(n);
    const uint64_t room = bytes - total - kLineEndBytes;
    if (line.size() > room) line.resize(room);  // the last line fills up to the size asked for
    total += line.size() + kLineEndBytes;
    data.dumpLines.push_back(std::move(line));
  }
}

void GenerateTables(int a, int b, int c, int d, Data& data) {
  const int counts[3] = {a, b, c};
  for (auto& table : data.tables) table.clear();
  data.info.clear();
  for (int t = 0; t < 3; ++t)
    for (int i = 0; i < counts[t]; ++i) {
      // Key (positions 2..7) a date, value (from position 16) a receipt number.
      Record r;
      r.text = std::to_string(t + 1) + "/" + DateOf(i / 4) + "/" + TimeOf(i) + "/" + std::to_string(1000 + i % 50);
      data.tables[t].push_back(r);
    }
  for (int i = 0; i < d; ++i) {
    char text[160];
    std::snprintf(text, sizeof text, "%d/%s/%s/%d/A/B/%d/C/%08d/\xD0\xD9\xCB\xC7\xD3\xC7 %05d/\xD4\xC1\xCC\xC5\xC9\xCF %d",
                  i % 10, DateOf(i / 4).c_str(), TimeOf(i).c_str(), 1000 + i % 50, i % 1000, i * 17 % 100000000, i,
                  i % 4 + 1);
    Record r;
    r.text = text;
    data.tables[3].push_back(r);
  }
}

}  // namespace regsim
