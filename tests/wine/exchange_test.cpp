// ExchangeCommand through the real serial layer: a COM port under Wine that leads
// over a pty to the register simulator, which spoils its first reply's checksum
// (one NAK) and answers its first transaction with status 14 (one repeated pass).
#include "core/protocol/exchange.h"

#include <gtest/gtest.h>

#include <string>

#include "core/seams/serial_port.h"
#include "tests/wine/far_end.h"

namespace {

// Its own port in each build, since the 32- and 64-bit tests share one prefix.
const int kCom = sizeof(void*) == 4 ? 11 : 12;

// key=value lines of the simulator's stats file; -1 when the key is missing.
int StatValue(const std::string& stats, const std::string& key) {
  const std::string wanted = key + "=";
  size_t at = 0;
  while (at < stats.size()) {
    const size_t end = stats.find('\n', at);
    const std::string line = stats.substr(at, end == std::string::npos ? std::string::npos : end - at);
    if (line.compare(0, wanted.size(), wanted) == 0) return std::atoi(line.c_str() + wanted.size());
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return -1;
}

// The simulator rewrites its stats after every completed transaction; the last ACK
// may still be on its way when the exchange returns.
std::string WaitForStat(const std::string& statsDos, const std::string& key, int value) {
  constexpr DWORD kStatsWaitMs = 5000;
  constexpr DWORD kPollMs = 10;
  const DWORD start = GetTickCount();
  for (;;) {
    const std::string stats = far_end::ReadWholeFile(statsDos);
    if (StatValue(stats, key) == value || GetTickCount() - start > kStatsWaitMs) return stats;
    Sleep(kPollMs);
  }
}

TEST(ExchangeOverSerial, RepeatsAfterNakAndStatus14ThenServesRecords) {
  char temp[MAX_PATH];
  ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
  const std::string statsDos =
      std::string(temp) + "tg-exchange-stats-" + std::to_string(GetCurrentProcessId());
  const std::string statsUnix = far_end::UnixPath(statsDos);
  ASSERT_FALSE(statsUnix.empty());
  std::string stats;
  {
    FarEnd regsim("regsim --mode command --generate-tables 2,1,1,1 --fault bad-checksum=1 "
                  "--fault status14=1 --stats '" + statsUnix + "'",
                  kCom);
    ASSERT_TRUE(regsim.Ready());
    ASSERT_EQ(OpenPort(kCom, 115200, 'N', 8, 1), 1);

    char info[kReplyDataSize] = "unset";
    EXPECT_EQ(ExchangeCommand(kCom, "g/", info), 0);
    EXPECT_NE(std::string(info), "unset");
    char record[kReplyDataSize] = "unset";
    EXPECT_EQ(ExchangeCommand(kCom, "r/0/0001/", record), 0);
    EXPECT_NE(std::string(record), "unset");
    // A record past the end of the table: the device's own status, not a line failure.
    const int16_t missing = ExchangeCommand(kCom, "r/0/0009/", record);
    EXPECT_GT(missing, 0);
    EXPECT_LT(missing, 256);

    stats = WaitForStat(statsDos, "acks", 4);
    ClosePort(kCom);
    regsim.Stop();
  }
  DeleteFileA(statsDos.c_str());
  EXPECT_EQ(StatValue(stats, "naks"), 1) << stats;
  EXPECT_EQ(StatValue(stats, "acks"), 4) << stats;      // status 14 acknowledged, then 3 replies
  EXPECT_EQ(StatValue(stats, "enqs"), 4) << stats;      // the repeated pass opens again
  EXPECT_EQ(StatValue(stats, "frames_good"), 4) << stats;
  EXPECT_EQ(StatValue(stats, "frames_bad"), 0) << stats;
}

}  // namespace
