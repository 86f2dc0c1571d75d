// Exchanges per second through the real serial layer under Wine, over a pty, against
// the register simulator; and what the program (with Wine and the pty) adds to each
// exchange beyond the wire time of its bytes at 115200 baud.
//
//   exchange_bench [COUNT [REGSIM OPTIONS...]]    e.g. exchange_bench 500 --pace 115200
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/program/waits.h"
#include "core/protocol/exchange.h"
#include "core/seams/serial_port.h"
#include "tests/wine/far_end.h"

namespace {

const int kCom = sizeof(void*) == 4 ? 9 : 10;
constexpr int kDefaultCount = 500;
constexpr int kWarmUpExchanges = 10;
constexpr int kTableRecords = 1000;
constexpr DWORD kLogSettleMs = 200;
constexpr int kQueueLooks = 2000;
constexpr DWORD kIdleWaitMs = 3000;
constexpr double kBitsPerByte = 10.0;
constexpr double kReferenceBaud = 115200.0;

// Bytes on the line for one exchange that succeeds at once: CAN CAN CAN ENQ, the
// command frame (STX, text, two digits, ETX) and the final ACK one way; ACK, ACK and
// the reply frame (STX, status fields, data, its closing byte, two digits, ETX) back.
int WireBytes(const char* command, const char* data) {
  const int toDevice = 4 + 1 + static_cast<int>(std::strlen(command)) + 2 + 1 + 1;
  const int dataLength = static_cast<int>(std::strlen(data));
  const int frame = 9 + dataLength + (dataLength > 0 ? 1 : 0) + 2;
  return toDevice + 2 + 1 + frame + 1;
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to, const LARGE_INTEGER& rate) {
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(rate.QuadPart);
}

double CpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  const auto ticks = [](const FILETIME& t) {
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
}

// Who held the line, from the register's log ("<us> rx XX": from the PC, "<us> tx XX":
// to the PC). A stretch of the PC's bytes runs from the register's last byte before
// it to the PC's last byte in it: the PC's reaction time, Wine and the pty included,
// since its own bytes cost no wire time on a pty. The other way round for the register.
struct LineShares {
  double pcUs = 0;
  double registerUs = 0;
  double pcByteGapUs = 0;  // between two bytes of one PC stretch: the cost of one write
  int pcByteGaps = 0;
};

LineShares SplitLineTime(const std::string& log) {
  LineShares shares;
  bool started = false;
  bool fromPc = false;
  unsigned long long stretchStart = 0, last = 0;
  size_t at = 0;
  while (at < log.size()) {
    size_t end = log.find('\n', at);
    if (end == std::string::npos) end = log.size();
    const std::string line = log.substr(at, end - at);
    at = end + 1;
    unsigned long long us = 0;
    char direction[8] = {};
    unsigned byte = 0;
    if (std::sscanf(line.c_str(), "%llu %7s %x", &us, direction, &byte) != 3) continue;
    const bool pc = std::strcmp(direction, "rx") == 0;
    if (!started) {
      started = true;
      fromPc = pc;
      stretchStart = us;
    } else if (pc && fromPc) {
      shares.pcByteGapUs += static_cast<double>(us - last);
      ++shares.pcByteGaps;
    } else if (pc != fromPc) {
      (fromPc ? shares.pcUs : shares.registerUs) += static_cast<double>(last - stretchStart);
      stretchStart = last;
      fromPc = pc;
    }
    last = us;
  }
  if (started) (fromPc ? shares.pcUs : shares.registerUs) += static_cast<double>(last - stretchStart);
  return shares;
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : kDefaultCount;
  std::string options;
  for (int i = 2; i < argc; ++i) options += std::string(" ") + argv[i];

  FarEnd regsim("regsim --mode command --generate-tables " + std::to_string(kTableRecords) +
                    ",1,1,1" + options,
                kCom);
  if (!regsim.Ready() || OpenPort(kCom, 115200, 'N', 8, 1) != 1) {
    std::printf("bench: the simulator did not start on COM%d\n", kCom);
    return 2;
  }
  // The cost of one look at the input queue: every pass of the protocol's input
  // waits is one such look (and one tick read).
  LARGE_INTEGER rate, start, end;
  QueryPerformanceFrequency(&rate);
  QueryPerformanceCounter(&start);
  for (int i = 0; i < kQueueLooks; ++i) BytesWaiting(kCom);
  QueryPerformanceCounter(&end);
  const double lookUs = Seconds(start, end, rate) * 1e6 / kQueueLooks;
  // What a wait costs while nothing comes: the processor time of one silent wait,
  // per millisecond waited (the register answers nothing before an ENQ).
  const double idleCpuStart = CpuSeconds();
  WaitForInput(kCom, kIdleWaitMs);
  const double idleCpuUsPerMs = (CpuSeconds() - idleCpuStart) * 1e6 / kIdleWaitMs;

  char command[32];
  char data[kReplyDataSize];
  for (int i = 0; i < kWarmUpExchanges; ++i) ExchangeCommand(kCom, "g/", data);

  const double cpuStart = CpuSeconds();
  QueryPerformanceCounter(&start);
  long long wireBytes = 0;
  int failures = 0;
  for (int i = 0; i < count; ++i) {
    std::snprintf(command, sizeof command, "r/0/%04d/", i % kTableRecords);
    if (ExchangeCommand(kCom, command, data) != 0) ++failures;
    wireBytes += WireBytes(command, data);
  }
  QueryPerformanceCounter(&end);
  const double cpu = CpuSeconds() - cpuStart;
  Sleep(kLogSettleMs);  // the register flushes its log after each batch
  const LineShares shares = SplitLineTime(regsim.LogText());
  const int logged = count + kWarmUpExchanges;
  ClosePort(kCom);
  regsim.Stop();

  const double elapsed = Seconds(start, end, rate);
  const double perExchangeMs = elapsed * 1000.0 / count;
  const double wireMs = static_cast<double>(wireBytes) * kBitsPerByte / kReferenceBaud * 1000.0 / count;
  std::printf("regsim options:%s\n", options.empty() ? " (none)" : options.c_str());
  std::printf("exchanges: %d in %.3f s, %d failed\n", count, elapsed, failures);
  std::printf("exchanges per second: %.1f\n", count / elapsed);
  std::printf("per exchange: %.3f ms; wire time at 115200 baud: %.3f ms (%.1f bytes)\n", perExchangeMs,
              wireMs, static_cast<double>(wireBytes) / count);
  std::printf("beyond the wire time: %.3f ms per exchange\n", perExchangeMs - wireMs);
  std::printf("line held by the PC: %.3f ms per exchange; by the register: %.3f ms\n",
              shares.pcUs / 1000.0 / logged, shares.registerUs / 1000.0 / logged);
  if (shares.pcByteGaps > 0)
    std::printf("between two bytes the PC writes: %.3f ms on average\n",
                shares.pcByteGapUs / 1000.0 / shares.pcByteGaps);
  // The rest of the PC's share: from the register's last byte to the PC's first,
  // i.e. noticing the input, reading it and deciding (three turns an exchange).
  std::printf("PC reaction to the register: %.3f ms per exchange\n",
              (shares.pcUs - shares.pcByteGapUs) / 1000.0 / logged);
  std::printf("one look at the input queue (BytesWaiting): %.1f us\n", lookUs);
  std::printf("a silent wait: %.1f us of processor time per ms waited (%.1f%% of a core)\n", idleCpuUsPerMs,
              idleCpuUsPerMs / 10.0);
  std::printf("CPU: %.3f ms per exchange (%.0f%% of the elapsed time)\n", cpu * 1000.0 / count,
              100.0 * cpu / elapsed);
  return failures == 0 ? 0 : 1;
}
