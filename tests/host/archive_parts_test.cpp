// The pieces behind the archive and log.csv that need no line: SHA-256 against the
// standard's test vectors, the spreadsheet rows, and a write that the disk refuses.
#include <gtest/gtest.h>

#include <string>

#include "core/archive/sha256.h"
#include "core/program/output_file.h"
#include "core/program/state.h"
#include "core/report/reply_fields.h"
#include "core/report/report_csv.h"
#include "tests/stubs/shell_stub.h"

namespace {

std::string Sha256Of(const std::string& text, size_t piece) {
  Sha256 sha;
  StartSha256(sha);
  for (size_t at = 0; at < text.size(); at += piece) AddSha256(sha, text.data() + at, std::min(piece, text.size() - at));
  char hex[kSha256HexChars];
  FinishSha256(sha, hex);
  return hex;
}

TEST(Sha256, StandardVectorsInPiecesOfAnySize) {
  const std::string million(1000000, 'a');
  for (size_t piece : {1, 63, 64, 65, 4096}) {
    EXPECT_EQ(Sha256Of("", piece), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Of("abc", piece), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Sha256Of("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", piece),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(Sha256Of(million, piece * 7), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
  }
}

std::string CsvRow(const char* record, int32_t t0, int32_t t1, int32_t t2) {
  ReplyFields fields;
  ClearReplyFields(fields);
  SplitReplyFields(record, fields);
  const int32_t counters[3] = {t0, t1, t2};
  char row[kCsvRowSize];
  const int length = FormatCsvRow(fields, counters, row);
  return std::string(row, static_cast<size_t>(length));
}

TEST(CsvRow, CellsQuotedGuardedAndInUtf8) {
  // Field 9 looks like a formula, field 10 holds a quote and the separator, field 8
  // is negative; \xC1\xD0\xCF is "ΑΠΟ" in code page 1253.
  EXPECT_EQ(CsvRow("x/150324/1015/42/x/x/-5/x/-12/=SUM(A1)/say \"hi\"; \xC1\xD0\xCF", 1, 2, 3),
            "20240315;1015;42;-12;'=SUM(A1);-5;2;1;3;\"say \"\"hi\"\"; \xCE\x91\xCE\xA0\xCE\x9F\"\r\n");
  EXPECT_EQ(CsvRow("x/1503/9/7/x/x/0/x/0/+1/@x", 0, 0, 0), "20  0315;9   ;7;0;'+1;0;0;0;0;'@x\r\n");
  char header[kCsvRowSize];
  EXPECT_EQ(std::string(header, static_cast<size_t>(FormatCsvHeader(header))).substr(0, 9), "\xEF\xBB\xBF" "Date;T");
}

TEST(OutputFile, AFullDiskShowsARowAndStopsTheJob) {
  shellstub::Reset();
  StopRequested = 0;
  OutputFile file;
  StartOutputFile(file, FileForm::kText);
  ASSERT_TRUE(OpenOutputCopy(file, kWorkingCopy, "/dev/full"));
  WriteOutput(file, "line\n", 5);
  WriteOutput(file, "next\n", 5);
  CloseOutputFile(file);
  ASSERT_EQ(shellstub::Rows().size(), 1u);
  EXPECT_EQ(shellstub::Rows()[0], "Writing /dev/full failed: No space left on device");
  EXPECT_EQ(StopRequested, kStopWriteFailed);
  StopRequested = 0;
}

}  // namespace
