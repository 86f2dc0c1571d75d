// The pieces of LOG that need no line: field splitting, number reading, the
// record entries and their search, and the report line.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/report/record_table.h"
#include "core/report/reply_fields.h"
#include "core/report/report_line.h"

namespace {

ReplyFields Split(const char* text) {
  ReplyFields fields;
  ClearReplyFields(fields);
  SplitReplyFields(text, fields);
  return fields;
}

std::string FormatLine(const ReplyFields& fields, int32_t t0, int32_t t1, int32_t t2) {
  const int32_t counters[3] = {t0, t1, t2};
  char line[kReportLineSize];
  const int length = FormatReportLine(fields, counters, line);
  EXPECT_EQ(static_cast<size_t>(length), std::strlen(line));
  return std::string(line, static_cast<size_t>(length));
}

TEST(SplitReplyFields, FieldsAreNumberedFromTheFirstSlash) {
  ReplyFields f = Split("a/b");
  EXPECT_STREQ(f.field[0], "a");
  EXPECT_STREQ(f.field[1], "b");
  f = Split("/\xc1\xff");  // every byte value passes unchanged
  EXPECT_STREQ(f.field[0], "");
  EXPECT_STREQ(f.field[1], "\xc1\xff");
}

TEST(SplitReplyFields, FieldsWithoutCharactersKeepTheirText) {
  ReplyFields f = Split("A/B/C/D");
  SplitReplyFields("x//y/", f);
  EXPECT_STREQ(f.field[0], "x");
  EXPECT_STREQ(f.field[1], "B");
  EXPECT_STREQ(f.field[2], "y");
  EXPECT_STREQ(f.field[3], "D");
  // A shorter text replaces a longer one whole, not just its first characters.
  SplitReplyFields("long/z", f);
  SplitReplyFields("ab", f);
  EXPECT_STREQ(f.field[0], "ab");
}

TEST(SplitReplyFields, ExtraFieldsAndCharactersAreDropped) {
  std::string text;
  for (int k = 0; k < 40; ++k) text += "f" + std::to_string(k) + "/";
  ReplyFields f = Split(text.c_str());
  EXPECT_STREQ(f.field[24], "f24");
  const std::string longField(1000, 'L');
  f = Split(("x/" + longField + "/y").c_str());
  EXPECT_EQ(std::string(f.field[1]), std::string(199, 'L'));
  EXPECT_STREQ(f.field[2], "y");
}

TEST(ReadDeviceNumber, ReadsAsAtoiAndSaturates) {
  EXPECT_EQ(ReadDeviceNumber("\t\n+9x"), 9);
  EXPECT_EQ(ReadDeviceNumber("- 3"), 0);
  EXPECT_EQ(ReadDeviceNumber("2147483647"), 2147483647);
  EXPECT_EQ(ReadDeviceNumber("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(ReadDeviceNumber("2147483648"), 2147483647);
  EXPECT_EQ(ReadDeviceNumber("-2147483649"), -2147483647 - 1);
  EXPECT_EQ(ReadDeviceNumber(std::string(300, '9').c_str()), 2147483647);
  EXPECT_EQ(ReadDeviceNumber(("-" + std::string(300, '9')).c_str()), -2147483647 - 1);
  EXPECT_EQ(ReadDeviceNumber("00000000000000000000005"), 5);
}

TEST(StoreRecordEntry, KeyAndValueByPosition) {
  RecordEntry e{};
  StoreRecordEntry(e, "1/150324/101530/0042");
  EXPECT_STREQ(e.key, "150324");
  EXPECT_STREQ(e.value, "0042");
  StoreRecordEntry(e, "1/150324/101530/123456");  // 22 characters
  EXPECT_STREQ(e.value, "123456");
  StoreRecordEntry(e, "1/150324/101530/1");  // 17 characters
  EXPECT_STREQ(e.value, "1");
  StoreRecordEntry(e, "1/150324/101530/123456789012345");  // longer than 22
  EXPECT_STREQ(e.value, "123456");
}

TEST(StoreRecordEntry, ShortTextsGiveShortKeysAndLeaveTheValue) {
  RecordEntry e{};
  StoreRecordEntry(e, "1/1503");
  EXPECT_STREQ(e.key, "1503");
  EXPECT_STREQ(e.value, "");
  StoreRecordEntry(e, "1/");
  EXPECT_STREQ(e.key, "");
  std::strcpy(e.key, "old");
  StoreRecordEntry(e, "1");
  EXPECT_STREQ(e.key, "");
  std::strcpy(e.value, "77");
  StoreRecordEntry(e, "1/150324/101530/");  // 16 characters: value not written
  EXPECT_STREQ(e.value, "77");
}

TEST(CountMatches, ComparesWholeKeysAndNumericValues) {
  static RecordTable table{};
  StoreRecordEntry(table.entry[0], "1/150324/101530/042");
  StoreRecordEntry(table.entry[1], "1/150324/101530/42");
  StoreRecordEntry(table.entry[2], "1/150324/101530/43");
  StoreRecordEntry(table.entry[3], "1/160324/101530/42");
  EXPECT_EQ(CountMatches(table, 4, "150324", 42), 2);
  EXPECT_EQ(CountMatches(table, 4, "150324 ", 42), 0);
  EXPECT_EQ(CountMatches(table, 4, "15032", 42), 0);
  EXPECT_EQ(CountMatches(table, 1, "150324", 42), 1);  // only entries below the count
  EXPECT_EQ(CountMatches(table, 0, "150324", 42), 0);
  EXPECT_EQ(CountMatches(table, -5, "150324", 42), 0);
}

TEST(FormatReportLine, WideValuesWidenTheirColumns) {
  const ReplyFields f = Split("7/150324/1015/-5/X/Y/-2147483648/Z/2147483647/nine/ten");
  const std::string line = FormatLine(f, 1000, 2, 3);
  EXPECT_EQ(line.substr(0, 40), "202403151015 -005 2147483647 " + std::string(11, ' '));
  EXPECT_NE(line.find(" nine -2147483648 002 1000 003 "), std::string::npos);
}

TEST(FormatReportLine, ShortDateAndTimeGiveSpaces) {
  ReplyFields f = Split("7/1503/10/1/X/Y/1/Z/1/a/b");
  EXPECT_EQ(FormatLine(f, 0, 0, 0).substr(0, 13), "20  031510   ");
  f = Split("7//");  // nothing at all in fields 1 and 2
  const std::string line = FormatLine(f, 0, 0, 0);
  EXPECT_EQ(line.substr(0, 13), "20           ");
  EXPECT_EQ(line.size(), 126u);
}

TEST(FormatReportLine, LongestLineFitsItsBuffer) {
  const std::string text199(199, 'T');
  const std::string min = "-2147483648";
  const std::string record = "7/150324/101530/" + min + "/X/Y/" + min + "/Z/" + min + "/" + text199 +
                             "/" + text199;
  const ReplyFields f = Split(record.c_str());
  const int32_t lowest = -2147483647 - 1;
  const std::string line = FormatLine(f, lowest, lowest, lowest);
  EXPECT_EQ(line.size(), 486u);
  EXPECT_EQ(line.substr(line.size() - 2), "\r\n");
}

}  // namespace
