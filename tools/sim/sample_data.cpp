// The register's contents: loaded from the data files (format in
// tools/sim/data/README.md) or generated for benchmarks.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/sim/register_model.h"

namespace regsim {

namespace {

bool ReadLines(const std::string& path, std::vector<std::string>& lines) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();  // a file saved with CR LF
    lines.push_back(line);
  }
  return true;
}

// A line that ends in a backslash not itself escaped goes on in the next line with
// no line end between: that is how a bare LF or an unfinished last line is written.
bool EndsInContinuation(const std::string& line) {
  size_t backslashes = 0;
  for (size_t i = line.size(); i > 0 && line[i - 1] == '\\'; --i) ++backslashes;
  return backslashes % 2 == 1;
}

bool Fail(std::string* error, const std::string& path, size_t lineNumber, const std::string& why) {
  if (error) *error = path + (lineNumber > 0 ? ":" + std::to_string(lineNumber) : std::string()) + ": " + why;
  return false;
}

bool ParseStatus(const std::string& hex, int& status) {
  if (hex.empty() || hex.size() > 2) return false;
  char* end = nullptr;
  status = static_cast<int>(std::strtol(hex.c_str(), &end, 16));
  return *end == '\0';
}

}  // namespace

bool LoadDump(const std::string& path, Data& data, std::string* error) {
  std::vector<std::string> lines;
  if (!ReadLines(path, lines)) return Fail(error, path, 0, "cannot be read");
  data.dumpLines.clear();
  data.dumpTail.clear();
  std::string pending;  // continued lines so far, converted
  for (size_t n = 0; n < lines.size(); ++n) {
    std::string text = lines[n];
    const bool continued = EndsInContinuation(text);
    if (continued) text.pop_back();
    std::string converted, why;
    if (!ToRegisterText(text, converted, &why)) return Fail(error, path, n + 1, why);
    pending += converted;
    if (!continued) {
      data.dumpLines.push_back(pending);
      pending.clear();
    }
  }
  data.dumpTail = pending;
  return true;
}

bool LoadTables(const std::string& path, Data& data, std::string* error) {
  std::vector<std::string> lines;
  if (!ReadLines(path, lines)) return Fail(error, path, 0, "cannot be read");
  for (auto& table : data.tables) table.clear();
  data.info.clear();
  for (size_t n = 0; n < lines.size(); ++n) {
    const std::string& line = lines[n];
    if (line.empty() || line[0] == '#') continue;
    std::string why;
    if (line.compare(0, 3, "g/ ") == 0) {
      if (!ToRegisterText(line.substr(3), data.info, &why)) return Fail(error, path, n + 1, why);
      continue;
    }
    // "T SS text": table digit, status in hex, the record's data text.
    int status = 0;
    const size_t textAt = line.find(' ', 2);
    const std::string statusHex = line.substr(2, textAt == std::string::npos ? std::string::npos : textAt - 2);
    if (line.size() < 4 || line[0] < '0' || line[0] > '3' || line[1] != ' ' || !ParseStatus(statusHex, status))
      return Fail(error, path, n + 1, "expected 'g/ TEXT' or 'T SS TEXT' (table 0-3, status in hex)");
    Record record;
    record.status = status;
    const std::string text = textAt == std::string::npos ? std::string() : line.substr(textAt + 1);
    if (!ToRegisterText(text, record.text, &why)) return Fail(error, path, n + 1, why);
    data.tables[line[0] - '0'].push_back(record);
  }
  return true;
}

std::string InfoText(const Data& data) {
  std::ostringstream info;
  // Twenty fields; the PC reads the counts of tables 0..2 from fields 4, 9 and 14
  // and the last index of table 3 from field 19. The others describe the register.
  info << "TGSIM/0001/1.0/" << "T0/" << data.tables[0].size() << "/"
       << "00/00/00/T1/" << data.tables[1].size() << "/"
       << "00/00/00/T2/" << data.tables[2].size() << "/"
       << "00/00/00/T3/" << static_cast<long>(data.tables[3].size()) - 1;
  return info.str();
}

}  // namespace regsim
