// The one line format of log.txt and of the rows LOG shows.
#pragma once
#include <cstdint>

#include "core/report/reply_fields.h"

// The longest line: two 199-character texts, six numbers of up to 11 characters
// (a sign and ten digits), the stamp and the separators: 486 characters.
constexpr int kReportLineSize = 512;

// Formats the `ReportLine` of the record now split into `fields`, with the running
// `MatchCounters` of device tables 0, 1 and 2 (shown in the order 1, 0, 2). The
// line ends in CR LF. Missing characters of the date (field 1, six) and the time
// (field 2, four) are shown as spaces. Returns the line's length.
int FormatReportLine(const ReplyFields& fields, const int32_t matchCounters[3], char* line);

// The line's stamp: "20" and the ten characters of the date and the time, as the
// line shows them (year, month, day, hour, minute; spaces for missing characters).
constexpr int kReportStampSize = 13;
void FormatReportStamp(const ReplyFields& fields, char stamp[kReportStampSize]);
