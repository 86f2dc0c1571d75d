// Checking a capture on folders that the jobs made on the simulated line: the cases
// the console's end-to-end test does not reach. A dump with a line longer than the
// writer's part, a line holding a bare LF and an unfinished end; a LOG whose cells
// carry the spreadsheet guard, quotes, the separator and leading spaces; a killed
// run's files cut at different points; and files that no run writes.
#include <filesystem>
#include <fstream>
#include <string>

#include "core/archive/run_archive.h"
#include "core/archive/verify_capture.h"
#include "core/dump/fiscal_dump.h"
#include "record_log_fixture.h"

namespace {

using logtest::Good;

namespace fs = std::filesystem;

class VerifyCaptureTest : public logtest::RecordLogTest {
 protected:
  std::string RunDump(const regsim::Data& data) {
    SimRegister sim(regsim::Mode::Dump, data);
    ReadFiscalMemory();
    return RunArchiveFolder();
  }
  // The verdict; Rows() then holds what it showed.
  CaptureVerdict Verify(const std::string& folder) {
    shellstub::Reset();
    return VerifyCapture(folder.c_str());
  }
  static void Write(const std::string& path, const std::string& bytes, std::ios::openmode mode = std::ios::trunc) {
    std::ofstream(path, std::ios::binary | mode) << bytes;
  }
  // The folder as a killed run leaves it: no sums, a manifest that says it did not end.
  static void MakeKilled(const std::string& folder) {
    fs::remove(folder + "/SHA256SUMS");
    Write(folder + "/manifest.txt", "Tallyglass 1.0.0 (host test)\njob: Read Fiscal Memory\nended: no\n");
  }
};

TEST_F(VerifyCaptureTest, ADumpAgreesThenItsFilesCutAndChangedAsAKilledRunLeavesThem) {
  regsim::Data data;
  data.dumpLines = {"\xC1\xC2\xC3 abc", std::string(9000, '\xD3'), "bare\nLF", ""};
  data.dumpTail = "unfinished \xC1";
  const std::string folder = RunDump(data);
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(Verify(folder), CaptureVerdict::kAgree) << ::testing::PrintToString(Rows());

  MakeKilled(folder);
  fs::resize_file(folder + "/FMout1.txt", 5000);  // cut inside the long line
  EXPECT_EQ(Verify(folder), CaptureVerdict::kNotEnded) << ::testing::PrintToString(Rows());
  fs::resize_file(folder + "/FMraw.bin", 3);  // the raw bytes stop first
  fs::resize_file(folder + "/FMout2.txt", 5000);
  EXPECT_EQ(Verify(folder), CaptureVerdict::kNotEnded) << ::testing::PrintToString(Rows());
  // Where FMraw.bin no longer reaches, FMout2.txt must still be FMout1.txt converted.
  std::fstream(folder + "/FMout2.txt", std::ios::in | std::ios::out | std::ios::binary).seekp(4000) << '\xD3';
  EXPECT_EQ(Verify(folder), CaptureVerdict::kChanged);
  EXPECT_EQ(Rows().at(1), "    FMout2.txt: byte 4001 is not FMout1.txt's with the capitals converted");
}

TEST_F(VerifyCaptureTest, ALogWhoseCellsAreGuardedQuotedAndPaddedAgreesAndACountChangedDoesNot) {
  regsim::Data data;
  data.tables[3] = {Good("7/150324/-015/42/X/Y/-5/Z/-12/  =SUM(A1);\"x\"/+ten/" + std::string(30, 'p')),
                    Good("7/160324/0900/43/X/Y/5/Z/7/'=quoted/@" + std::string(60, 'p'))};
  RunLog(data);
  const std::string folder = RunArchiveFolder();
  EXPECT_EQ(Verify(folder), CaptureVerdict::kAgree) << ::testing::PrintToString(Rows());

  std::string manifest = FileBytes((folder + "/manifest.txt").c_str());
  manifest.replace(manifest.find("records written: 2"), 18, "records written: 3");
  Write(folder + "/manifest.txt", manifest);
  EXPECT_EQ(Verify(folder), CaptureVerdict::kChanged);
  EXPECT_EQ(Rows(), (std::vector<std::string>{
                        Rows().at(0), "    manifest.txt: changed (its SHA-256 is not the one in SHA256SUMS)",
                        "    manifest.txt: 3 records written, log.txt has 2 lines"}));
}

TEST_F(VerifyCaptureTest, UntrustedFilesAndNamesAreReadWithinBoundsAndNothingOutsideIsOpened) {
  regsim::Data data;
  data.dumpLines = {"one"};
  const std::string folder = RunDump(data);
  Write(folder + "/SHA256SUMS", std::string(100000, 'a') + "\n" + std::string(64, 'a') + "  /etc/passwd\n",
        std::ios::app);
  Write(folder + "/manifest.txt", std::string(100000, 'm') + "\n", std::ios::app);
  fs::create_directory(folder + "/inner");
  EXPECT_EQ(Verify(folder), CaptureVerdict::kChanged);
  EXPECT_EQ(Rows(), (std::vector<std::string>{
                        Rows().at(0), "    manifest.txt: changed (its SHA-256 is not the one in SHA256SUMS)",
                        "    SHA256SUMS line 5: not a checksum line",
                        "    SHA256SUMS line 6: '/etc/passwd' is no file of this folder (not opened)",
                        "    inner: added (a folder inside the run's folder)"}));
  EXPECT_EQ(Verify("Tallyglass-archive"), CaptureVerdict::kChanged);  // the archive: each run folder in it
  EXPECT_EQ(Verify(folder + "/inner"), CaptureVerdict::kNotRunFolder);
}

}  // namespace
