// log.csv: the report's lines as a spreadsheet reads them. UTF-8 with a BOM (Excel
// takes a file for UTF-8 only with one), ';' between the cells (the list separator
// of a Greek Windows), CR LF after each row, a cell holding ';', '"' or a line break
// quoted with its quotes doubled (RFC 4180). A header row names the columns; then
// one row per report line, one cell per field of the line. Text from the register
// goes from code page 1253 to UTF-8, and a text cell that begins with '=', '+', '-',
// '@', TAB or CR gets a leading "'", so that no spreadsheet runs it as a formula.
// Number cells are plain numbers.
#pragma once
#include <cstdint>

#include "core/report/reply_fields.h"

// Ten cells of up to 199 characters, each at most 3 bytes of UTF-8 and doubled by
// quoting, with their separators, fit here.
constexpr int kCsvRowSize = 8192;

// The BOM and the header row; returns its length.
int FormatCsvHeader(char* row);
// The row of the record split into `fields`, as FormatReportLine shows it; returns
// its length.
int FormatCsvRow(const ReplyFields& fields, const int32_t matchCounters[3], char* row);
