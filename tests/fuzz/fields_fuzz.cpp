// The pieces of LOG that read the register's text: SplitReplyFields,
// ReadDeviceNumber, StoreRecordEntry, CountMatches and FormatReportLine.
//
// Input: 12 bytes of three 32-bit match counters (the count searched is the first),
// then texts separated by NUL bytes. The first three texts are split one over the
// other, as LOG splits "g/" and then its records; every text becomes a record entry.
//
// Properties: the fields and entries are what a plain model of the rules gives, and
// every one is terminated within its slot; numbers read as strtoll reads them,
// clamped to 32 bits; the line is shorter than its buffer, ends in CR LF, carries the
// stamp, and when every value fits its width has its fixed columns in place.
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/report/record_table.h"
#include "core/report/reply_fields.h"
#include "core/report/report_line.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

constexpr int kCounterBytes = 12;
constexpr int kSplitTexts = 3;
constexpr size_t kFieldChars = kReplyFieldSize - 1;
constexpr size_t kEntryChars = kEntryTextSize - 1;
constexpr char kUnwritten[] = "UNSET!";
constexpr int kDateField = 1, kTimeField = 2, kNumberField = 3, kField6 = 6, kField8 = 8, kText9 = 9, kText10 = 10;

int32_t Oracle(const char* text) {
  const long long value = std::strtoll(text, nullptr, 10);
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

bool Terminated(const char* slot, size_t size) { return std::memchr(slot, 0, size) != nullptr; }

// Fields receive the characters between their slashes, at most 199; a field that
// receives none keeps its text; everything past the 25th field is dropped.
void SplitModel(const std::string& text, std::vector<std::string>& model) {
  size_t k = 0;
  std::string received;
  auto close = [&] {
    if (k < model.size() && !received.empty()) model[k] = received;
    received.clear();
  };
  for (char c : text) {
    if (c == '/') {
      close();
      if (k < model.size()) ++k;
    } else if (received.size() < kFieldChars) {
      received += c;
    }
  }
  close();
}

void CheckSplit(const std::vector<std::string>& texts, ReplyFields& fields) {
  ClearReplyFields(fields);
  std::vector<std::string> model(kReplyFieldCount);
  for (size_t t = 0; t < texts.size() && t < kSplitTexts; ++t) {
    SplitReplyFields(texts[t].c_str(), fields);
    SplitModel(texts[t], model);
  }
  for (int k = 0; k < kReplyFieldCount; ++k) {
    FUZZ_CHECK(Terminated(fields.field[k], kReplyFieldSize), "field %d", k);
    FUZZ_CHECK(model[static_cast<size_t>(k)] == fields.field[k], "field %d", k);
    FUZZ_CHECK(ReadDeviceNumber(fields.field[k]) == Oracle(fields.field[k]), "field %d as a number", k);
  }
}

// Key: positions 2..7 (empty below three characters); value: from position 16,
// six at most, written only for a text longer than 16.
void CheckEntry(const std::string& text, RecordEntry& entry) {
  std::memcpy(entry.key, kUnwritten, sizeof kUnwritten);
  std::memcpy(entry.value, kUnwritten, sizeof kUnwritten);
  StoreRecordEntry(entry, text.c_str());
  FUZZ_CHECK(Terminated(entry.key, kEntryTextSize) && Terminated(entry.value, kEntryTextSize), "entry slots");
  const std::string key = text.size() > 2 ? text.substr(2, kEntryChars) : "";
  const std::string value = text.size() > 16 ? text.substr(16, kEntryChars) : kUnwritten;
  FUZZ_CHECK(key == entry.key, "key of a %zu-character text", text.size());
  FUZZ_CHECK(value == entry.value, "value of a %zu-character text", text.size());
}

void CheckMatches(const std::vector<std::string>& texts, const ReplyFields& fields, int32_t count) {
  static RecordTable table;
  std::memset(&table, 0, sizeof table);
  for (size_t i = 0; i < texts.size() && i < kRecordTableEntries; ++i) CheckEntry(texts[i], table.entry[i]);
  const char* key = fields.field[kDateField];
  const int32_t number = ReadDeviceNumber(fields.field[kNumberField]);
  const int32_t searched = count < 0 ? 0 : count > kRecordTableEntries ? kRecordTableEntries : count;
  int32_t expected = 0;
  for (int32_t j = 0; j < searched; ++j) {
    const RecordEntry& entry = table.entry[j];
    expected += std::strcmp(entry.key, key) == 0 && Oracle(entry.value) == number;
  }
  FUZZ_CHECK(CountMatches(table, count, key, number) == expected, "matches among %d", count);
}

std::string Padded(const std::string& text, size_t width) {
  return text.size() < width ? std::string(width - text.size(), ' ') + text : text;
}

bool Fits(int32_t value, int width) {
  int64_t limit = 1;
  for (int i = 0; i < (value < 0 ? width - 1 : width); ++i) limit *= 10;
  return (value < 0 ? -int64_t{value} : int64_t{value}) < limit;
}

// The number in columns [from, from + width): digits with an optional leading minus.
bool ColumnReads(const std::string& line, size_t from, size_t width, int32_t value) {
  const std::string column = line.substr(from, width);
  for (size_t i = 0; i < column.size(); ++i)
    if (!((column[i] >= '0' && column[i] <= '9') || (i == 0 && column[i] == '-'))) return false;
  return Oracle(column.c_str()) == value;
}

char Stamp(const char* text, size_t position) {
  const size_t length = std::strlen(text);
  return position < length ? text[position] : ' ';
}

void CheckFixedColumns(const std::string& line, const ReplyFields& fields, const int32_t counters[3]) {
  FUZZ_CHECK(line.size() == 126, "a line of fitting values has %zu characters", line.size());
  for (size_t space : {12, 17, 26, 67, 71, 75, 79, 83}) FUZZ_CHECK(line[space] == ' ', "column %zu", space + 1);
  FUZZ_CHECK(ColumnReads(line, 13, 4, ReadDeviceNumber(fields.field[kNumberField])), "number column");
  FUZZ_CHECK(ColumnReads(line, 18, 8, ReadDeviceNumber(fields.field[kField8])), "field 8 column");
  FUZZ_CHECK(line.substr(27, 40) == Padded(fields.field[kText9], 40), "field 9 column");
  FUZZ_CHECK(ColumnReads(line, 68, 3, ReadDeviceNumber(fields.field[kField6])), "field 6 column");
  FUZZ_CHECK(ColumnReads(line, 72, 3, counters[1]), "table 1 counter column");
  FUZZ_CHECK(ColumnReads(line, 76, 3, counters[0]), "table 0 counter column");
  FUZZ_CHECK(ColumnReads(line, 80, 3, counters[2]), "table 2 counter column");
  FUZZ_CHECK(line.substr(84, 40) == Padded(fields.field[kText10], 40), "field 10 column");
}

void CheckLine(const ReplyFields& fields, const int32_t counters[3]) {
  static char* const line = new char[kReportLineSize];  // on the heap: ASan sees a write past it
  const int length = FormatReportLine(fields, counters, line);
  FUZZ_CHECK(length >= 0 && length < kReportLineSize, "length %d", length);
  FUZZ_CHECK(std::strlen(line) == static_cast<size_t>(length), "length %d, text %zu", length, std::strlen(line));
  const std::string text(line, static_cast<size_t>(length));
  FUZZ_CHECK(text.size() >= 126 && text.compare(text.size() - 2, 2, "\r\n") == 0, "line end");
  const char* date = fields.field[kDateField];
  const char* time = fields.field[kTimeField];
  const std::string stamp{'2', '0', Stamp(date, 4), Stamp(date, 5), Stamp(date, 2), Stamp(date, 3), Stamp(date, 0),
                          Stamp(date, 1), Stamp(time, 0), Stamp(time, 1), Stamp(time, 2), Stamp(time, 3)};
  FUZZ_CHECK(text.compare(0, stamp.size(), stamp) == 0, "stamp");
  FUZZ_CHECK(text.find(fields.field[kText9]) != std::string::npos, "field 9 whole");
  FUZZ_CHECK(text.find(fields.field[kText10]) != std::string::npos, "field 10 whole");
  const bool fits = std::strlen(fields.field[kText9]) <= 40 && std::strlen(fields.field[kText10]) <= 40 &&
                    Fits(ReadDeviceNumber(fields.field[kNumberField]), 4) &&
                    Fits(ReadDeviceNumber(fields.field[kField8]), 8) && Fits(ReadDeviceNumber(fields.field[kField6]), 3) &&
                    Fits(counters[0], 3) && Fits(counters[1], 3) && Fits(counters[2], 3);
  if (fits) CheckFixedColumns(text, fields, counters);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kCounterBytes) return 0;
  int32_t counters[3];
  std::memcpy(counters, data, sizeof counters);
  std::vector<std::string> texts(1);
  for (size_t i = kCounterBytes; i < size; ++i) {
    if (data[i] == 0)
      texts.emplace_back();
    else
      texts.back() += static_cast<char>(data[i]);
  }
  static ReplyFields fields;
  CheckSplit(texts, fields);
  for (const std::string& text : texts)
    FUZZ_CHECK(ReadDeviceNumber(text.c_str()) == Oracle(text.c_str()), "text as a number");
  CheckMatches(texts, fields, counters[0]);
  CheckLine(fields, counters);
  return 0;
}
