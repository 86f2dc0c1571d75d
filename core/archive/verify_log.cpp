// A LOG folder: every row of log.csv must be the row that the program's CSV writer
// makes of the record whose report line stands at the same place in log.txt. A
// report line does not keep everything of its record (a text shorter than its
// column loses its leading spaces to the padding), so the record is taken from the
// row's cells and both writers are run on it: the report line writer must give the
// line of log.txt and the CSV writer the row of log.csv, byte for byte.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "core/archive/verify_parts.h"
#include "core/program/utf8_text.h"
#include "core/report/report_csv.h"
#include "core/report/report_line.h"

namespace {

constexpr int kCells = 10;
constexpr int kLineBytes = 2 * kReportLineSize;  // a report line in its text form
constexpr int kDateCell = 0, kTimeCell = 1, kText9Cell = 4, kText10Cell = 9;
constexpr int kGuarded[] = {kTimeCell, kText9Cell, kText10Cell};  // cells that may carry the "'" guard

enum class Piece : uint8_t { kNone, kWhole, kCut, kTooLong };

FileReader Txt, Csv;
char Line[kLineBytes];
int LineLength;
char Row[kCsvRowSize];
int RowLength;
char Formed[kLineBytes];
char Made[kCsvRowSize];
char Cells[kCells][kReplyFieldSize];  // in code page 1253
ReplyFields Fields;

// The UTF-8 of each byte 0x80..0xFF, from the program's own converter.
char Utf8Of[128][kUtf8BytesPerByte];
int Utf8Length[128];

void LearnUtf8() {
  for (int byte = 0; byte < 128; ++byte) {
    const char one = static_cast<char>(byte + 0x80);
    Utf8Length[byte] = Utf8From1253(&one, 1, Utf8Of[byte]);
  }
}

// log.txt's next line, its LF included.
Piece ReadLine() {
  LineLength = 0;
  for (int byte; (byte = NextByte(Txt)) >= 0;) {
    if (LineLength == kLineBytes) {
      while (byte >= 0 && byte != '\n') byte = NextByte(Txt);
      return Piece::kTooLong;
    }
    Line[LineLength++] = static_cast<char>(byte);
    if (byte == '\n') return Piece::kWhole;
  }
  return LineLength == 0 ? Piece::kNone : Piece::kCut;
}

// log.csv's next row, up to the CR LF outside quotes, that included.
Piece ReadRow() {
  RowLength = 0;
  bool quoted = false;
  for (int byte; (byte = NextByte(Csv)) >= 0;) {
    if (RowLength == kCsvRowSize - 1) {
      while (byte >= 0 && byte != '\n') byte = NextByte(Csv);
      return Piece::kTooLong;
    }
    Row[RowLength++] = static_cast<char>(byte);
    if (byte == '"') quoted = !quoted;
    if (byte == '\n' && !quoted && RowLength >= 2 && Row[RowLength - 2] == '\r') return Piece::kWhole;
  }
  return RowLength == 0 ? Piece::kNone : Piece::kCut;
}

// A cell's UTF-8 back to 1253; false when it is no text the converter gives.
bool Put1253(const char* utf8, int length, char* cell) {
  int used = 0;
  for (int at = 0; at < length;) {
    if (used == kReplyFieldSize - 1) return false;
    int byte = static_cast<unsigned char>(utf8[at]);
    if (byte >= 0x80) {
      for (byte = 0; byte < 128; ++byte) {
        const int n = Utf8Length[byte];
        if (at + n <= length && std::memcmp(utf8 + at, Utf8Of[byte], static_cast<size_t>(n)) == 0) break;
      }
      if (byte == 128) return false;
      cell[used++] = static_cast<char>(byte + 0x80);
      at += Utf8Length[byte];
    } else {
      cell[used++] = static_cast<char>(byte);
      ++at;
    }
  }
  cell[used] = '\0';
  return true;
}

// The row's cells, unquoted, in 1253; false when it has not ten of them.
bool SplitRow() {
  char cell[kCsvRowSize];
  int count = 0, used = 0;
  bool quoted = false;
  for (int at = 0; at < RowLength - 2; ++at) {
    const char c = Row[at];
    if (c == '"') {
      if (quoted && Row[at + 1] == '"') cell[used++] = Row[++at];
      else quoted = !quoted;
    } else if (c == ';' && !quoted) {
      if (count == kCells || !Put1253(cell, used, Cells[count++])) return false;
      used = 0;
    } else {
      cell[used++] = c;
    }
  }
  return count == kCells - 1 && Put1253(cell, used, Cells[count]);
}

bool ReadNumber(const char* text, int32_t& value) {
  char* end = nullptr;
  const long number = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || number < INT32_MIN || number > INT32_MAX) return false;
  value = static_cast<int32_t>(number);
  return true;
}

// The record the cells give, with the guards of the cells in `stripped` taken off.
bool MakeRecord(unsigned stripped, int32_t counters[3]) {
  ClearReplyFields(Fields);
  const char* date = Cells[kDateCell];
  if (std::strlen(date) != 8 || std::strncmp(date, "20", 2) != 0) return false;
  const char dmy[] = {date[6], date[7], date[4], date[5], date[2], date[3], '\0'};
  std::memcpy(Fields.field[1], dmy, sizeof dmy);
  constexpr int kFieldOf[kCells] = {1, 2, 3, 8, 9, 6, -1, -1, -1, 10};
  for (int i = 0; i < 3; ++i) {
    const char* text = Cells[kGuarded[i]];
    if ((stripped >> i & 1) != 0) {
      if (text[0] != '\'' || text[1] == '\0' || std::strchr("=+-@\t\r", text[1]) == nullptr) return false;
      ++text;
    }
    std::snprintf(Fields.field[kFieldOf[kGuarded[i]]], kReplyFieldSize, "%s", text);
  }
  int32_t number;
  for (int cell : {2, 3, 5}) {
    if (!ReadNumber(Cells[cell], number)) return false;
    std::snprintf(Fields.field[kFieldOf[cell]], kReplyFieldSize, "%s", Cells[cell]);
  }
  // The row shows the counters of tables 1, 0, 2.
  return ReadNumber(Cells[6], counters[1]) && ReadNumber(Cells[7], counters[0]) && ReadNumber(Cells[8], counters[2]);
}

// Whether some record gives both this line and this row.
bool RowMatchesLine() {
  if (!SplitRow()) return false;
  for (unsigned stripped = 0; stripped < 8; ++stripped) {
    int32_t counters[3];
    if (!MakeRecord(stripped, counters)) continue;
    char line[kReportLineSize];
    const int length = FormatReportLine(Fields, counters, line);
    const size_t formed = FileFormBytes(FileForm::kText, line, static_cast<size_t>(length), Formed);
    if (formed != static_cast<size_t>(LineLength) || std::memcmp(Formed, Line, formed) != 0) continue;
    const int made = FormatCsvRow(Fields, counters, Made);
    if (made == RowLength && std::memcmp(Made, Row, static_cast<size_t>(made)) == 0) return true;
  }
  return false;
}

bool HeaderMatches() {
  if (ReadRow() != Piece::kWhole) return false;
  const int length = FormatCsvHeader(Made);
  return length == RowLength && std::memcmp(Made, Row, static_cast<size_t>(length)) == 0;
}

// Pairs of lines and rows until either file ends; returns the lines read.
uint64_t ComparePairs(RunCheck& check, bool hasCsv, uint64_t& rows) {
  uint64_t lines = 0;
  for (;;) {
    const Piece line = ReadLine();
    const Piece row = hasCsv ? ReadRow() : Piece::kNone;
    // A killed run's last line or row may be cut: what is whole is compared.
    if (line == Piece::kCut || row == Piece::kCut) {
      if (check.ended) AddFinding(check, "%s: its end is cut", line == Piece::kCut ? "log.txt" : "log.csv");
      return lines;
    }
    if (line == Piece::kTooLong) AddFinding(check, "log.txt line %llu: longer than any report line",
                                            static_cast<unsigned long long>(lines + 1));
    if (row == Piece::kTooLong) AddFinding(check, "log.csv row %llu: longer than any row", static_cast<unsigned long long>(rows + 1));
    lines += line != Piece::kNone ? 1 : 0;
    rows += row != Piece::kNone ? 1 : 0;
    if (line == Piece::kNone || row == Piece::kNone) {
      while (line == Piece::kNone && hasCsv && ReadRow() != Piece::kNone) ++rows;
      while (row == Piece::kNone && ReadLine() != Piece::kNone) ++lines;
      return lines;
    }
    if (line == Piece::kWhole && row == Piece::kWhole && !RowMatchesLine()) {
      AddFinding(check, "log.csv row %llu: not the row of line %llu of log.txt", static_cast<unsigned long long>(rows),
                 static_cast<unsigned long long>(lines));
    }
  }
}

}  // namespace

void CheckLogFiles(RunCheck& check) {
  if (!OpenReader(Txt, check, "log.txt")) return;  // a missing file is told already
  if (Utf8Length[0] == 0) LearnUtf8();
  const bool hasCsv = OpenReader(Csv, check, "log.csv");
  if (hasCsv && !HeaderMatches()) AddFinding(check, "log.csv: its first row is not the header this program writes");
  uint64_t rows = 0;
  const uint64_t lines = ComparePairs(check, hasCsv, rows);
  if (check.ended) {
    if (hasCsv && rows != lines) {
      AddFinding(check, "log.csv: %llu rows for the %llu lines of log.txt", static_cast<unsigned long long>(rows),
                 static_cast<unsigned long long>(lines));
    }
    if (!check.hasItems) AddFinding(check, "manifest.txt: the count of an ended run is missing");
    else if (check.itemsWritten != lines) {
      AddFinding(check, "manifest.txt: %llu records written, log.txt has %llu lines",
                 static_cast<unsigned long long>(check.itemsWritten), static_cast<unsigned long long>(lines));
    }
  }
  CloseReader(Txt);
  CloseReader(Csv);
}
