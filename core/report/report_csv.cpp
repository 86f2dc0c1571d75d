#include "core/report/report_csv.h"

#include <cstdio>
#include <cstring>

#include "core/program/utf8_text.h"
#include "core/report/report_line.h"

namespace {

constexpr int kNumberField = 3;
constexpr int kField6 = 6;
constexpr int kField8 = 8;
constexpr int kTextField9 = 9;
constexpr int kTextField10 = 10;
// UTF-8 of one field: 199 characters of at most 3 bytes each, and the NUL.
constexpr int kCellSize = kUtf8BytesPerByte * kReplyFieldSize;

constexpr char kHeader[] =
    "\xEF\xBB\xBF"
    "Date;Time;Number;Field 8;Text 9;Field 6;Table 1 matches;Table 0 matches;Table 2 matches;Text 10\r\n";

struct Row {
  char* text;
  int used;
};

void Put(Row& row, char c) {
  if (row.used < kCsvRowSize - 1) row.text[row.used++] = c;
}

void PutSeparator(Row& row) { Put(row, ';'); }

// A text cell: guarded, then quoted when it must be.
void PutText(Row& row, const char* text1253) {
  char cell[kCellSize];
  const int length = Utf8From1253(text1253, static_cast<int>(std::strlen(text1253)), cell);
  cell[length] = '\0';
  const bool quoted = std::strpbrk(cell, ";\"\r\n") != nullptr;
  if (quoted) Put(row, '"');
  if (cell[0] != '\0' && std::strchr("=+-@\t\r", cell[0]) != nullptr) Put(row, '\'');
  for (const char* p = cell; *p != '\0'; ++p) {
    if (*p == '"') Put(row, '"');
    Put(row, *p);
  }
  if (quoted) Put(row, '"');
}

void PutNumber(Row& row, int32_t value) {
  char number[16];
  std::snprintf(number, sizeof number, "%d", static_cast<int>(value));
  for (const char* p = number; *p != '\0'; ++p) Put(row, *p);
}

}  // namespace

int FormatCsvHeader(char* row) {
  std::memcpy(row, kHeader, sizeof kHeader);
  return static_cast<int>(sizeof kHeader - 1);
}

int FormatCsvRow(const ReplyFields& fields, const int32_t matchCounters[3], char* text) {
  Row row{text, 0};
  char stamp[kReportStampSize];
  FormatReportStamp(fields, stamp);
  char date[9], time[5];
  std::memcpy(date, stamp, 8);
  date[8] = '\0';
  std::memcpy(time, stamp + 8, 4);
  time[4] = '\0';
  PutText(row, date);
  PutSeparator(row);
  PutText(row, time);
  const int32_t numbers[] = {ReadDeviceNumber(fields.field[kNumberField]), ReadDeviceNumber(fields.field[kField8])};
  for (int32_t number : numbers) {
    PutSeparator(row);
    PutNumber(row, number);
  }
  PutSeparator(row);
  PutText(row, fields.field[kTextField9]);
  const int32_t counts[] = {ReadDeviceNumber(fields.field[kField6]), matchCounters[1], matchCounters[0],
                            matchCounters[2]};
  for (int32_t count : counts) {
    PutSeparator(row);
    PutNumber(row, count);
  }
  PutSeparator(row);
  PutText(row, fields.field[kTextField10]);
  Put(row, '\r');
  Put(row, '\n');
  text[row.used] = '\0';
  return row.used;
}
