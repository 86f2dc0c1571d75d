#include "core/report/report_line.h"

#include <cstdio>

namespace {

constexpr int kDateField = 1;     // DDMMYY
constexpr int kTimeField = 2;     // HHMM...
constexpr int kNumberField = 3;
constexpr int kField6 = 6;
constexpr int kField8 = 8;
constexpr int kTextField9 = 9;
constexpr int kTextField10 = 10;
constexpr char kMissingCharacter = ' ';

// Character `position` of `text`, or a space past its end: a short date or time
// gives a line of the same shape instead of one cut at a NUL.
char StampCharacter(const char* text, int position) {
  for (int i = 0; i < position; ++i) {
    if (text[i] == '\0') return kMissingCharacter;
  }
  return text[position] == '\0' ? kMissingCharacter : text[position];
}

}  // namespace

void FormatReportStamp(const ReplyFields& fields, char stamp[kReportStampSize]) {
  const char* date = fields.field[kDateField];
  const char* time = fields.field[kTimeField];
  constexpr int kOrder[] = {4, 5, 2, 3, 0, 1};  // DDMMYY read as YYMMDD
  stamp[0] = '2';
  stamp[1] = '0';
  for (int i = 0; i < 6; ++i) stamp[2 + i] = StampCharacter(date, kOrder[i]);
  for (int i = 0; i < 4; ++i) stamp[8 + i] = StampCharacter(time, i);
  stamp[12] = '\0';
}

int FormatReportLine(const ReplyFields& fields, const int32_t matchCounters[3], char* line) {
  const char* date = fields.field[kDateField];
  const char* time = fields.field[kTimeField];
  // Year, month, day from DDMMYY, then the time as it stands.
  const int length = std::snprintf(
      line, kReportLineSize,
      "20%c%c%c%c%c%c%c%c%c%c %04d %08ld %40s %03d %03d %03d %03d %40s\r\n",
      StampCharacter(date, 4), StampCharacter(date, 5), StampCharacter(date, 2),
      StampCharacter(date, 3), StampCharacter(date, 0), StampCharacter(date, 1),
      StampCharacter(time, 0), StampCharacter(time, 1), StampCharacter(time, 2),
      StampCharacter(time, 3), static_cast<int>(ReadDeviceNumber(fields.field[kNumberField])),
      static_cast<long>(ReadDeviceNumber(fields.field[kField8])), fields.field[kTextField9],
      static_cast<int>(ReadDeviceNumber(fields.field[kField6])),
      static_cast<int>(matchCounters[1]), static_cast<int>(matchCounters[0]),
      static_cast<int>(matchCounters[2]), fields.field[kTextField10]);
  // Cannot exceed the buffer with fields of at most 199 characters; bounded anyway.
  if (length < 0) {
    line[0] = '\0';
    return 0;
  }
  return length < kReportLineSize ? length : kReportLineSize - 1;
}
