// The serial layer on KERNEL32 under Wine, against a pty peer (tools/pty/ptypeer)
// on a COM port mapped for the test. Each test uses its own COM number.
#include <windows.h>
#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <string>
#include <vector>

#include "core/program/waits.h"
#include "core/seams/serial_port.h"
#include "tests/wine/far_end.h"

namespace {

constexpr DWORD kPeerWaitMs = 5000;      // the peer logs what it sees within this
constexpr DWORD kArrivalWaitMs = 5000;   // bytes through Wine and the pty
constexpr uint8_t CAN = 0x18;
constexpr uint8_t ENQ = 0x05;

int OpenAtDefaults(int port) { return OpenPort(port, 115200, 'N', 8, 1); }

// Polls BytesWaiting until it reaches count (true) or the time is up (false).
bool WaitForQueued(int port, uint32_t count, DWORD ms) {
  const DWORD start = GetTickCount();
  while (BytesWaiting(port) < count) {
    if (GetTickCount() - start > ms) return false;
    Sleep(1);
  }
  return true;
}

size_t CountOf(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

std::set<std::string> WordsOf(const std::string& text) {
  std::set<std::string> words;
  std::string word;
  for (char c : text + " ") {
    if (c == ' ' || c == '\n' || c == ';') {
      if (!word.empty()) words.insert(word);
      word.clear();
    } else {
      word += c;
    }
  }
  return words;
}

// Opens the port's device directly, as another program holding the line would.
HANDLE HoldDevice(int port) {
  const std::string name = "\\\\.\\COM" + std::to_string(port);
  return CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

TEST(SerialPortWine, OpensAndClosesMappedPort) {
  FarEnd peer("ptypeer", 5);
  ASSERT_TRUE(peer.Ready()) << peer.Output();

  ASSERT_EQ(OpenAtDefaults(5), 1);
  EXPECT_TRUE(peer.WaitForLog("open", kPeerWaitMs));
  EXPECT_EQ(BytesWaiting(5), 0u);

  ClosePort(5);
  EXPECT_TRUE(peer.WaitForLog("close", kPeerWaitMs)) << peer.LogText();
  // Closed for good: a second close does nothing, and nothing is read or written.
  ClosePort(5);
  WriteByte(5, 0x41);
  PurgePort(5);
  EXPECT_EQ(BytesWaiting(5), 0u);
  EXPECT_EQ(ReadByte(5), 0);

  // The slot opens again from the start.
  ASSERT_EQ(OpenAtDefaults(5), 1);
  WriteByte(5, 0x42);
  ClosePort(5);
  const std::vector<uint8_t> got = peer.WaitForReceived(1, kArrivalWaitMs);
  EXPECT_EQ(got, std::vector<uint8_t>{0x42}) << "0x41 was written while closed";
  EXPECT_TRUE(peer.WaitForLog("close", kPeerWaitMs));
  EXPECT_EQ(CountOf(peer.LogText(), " open"), 2u) << peer.LogText();
}

// What the program applied, as the pty's termios shows it: the speed, 8 data bits,
// no parity, 1 stop bit, no flow control of either kind, and distinct XON/XOFF
// characters (a real serial driver refuses a state in which they are equal).
TEST(SerialPortWine, AppliesLineSettingsAndKeepsThemWhileOpen) {
  FarEnd peer("ptypeer", 6);
  ASSERT_TRUE(peer.Ready()) << peer.Output();

  ASSERT_EQ(OpenPort(6, 9600, 'N', 8, 1), 1);
  EXPECT_TRUE(peer.WaitForLog("settings 9600 8 N 1", kPeerWaitMs)) << peer.LogText();
  const std::string stty = far_end::ShellOutput("stty -a -F '" + peer.PtyPath() + "'", kPeerWaitMs);
  const std::set<std::string> words = WordsOf(stty);
  for (const char* word : {"cs8", "-parenb", "-cstopb", "-crtscts", "-ixon", "-ixoff"})
    EXPECT_EQ(words.count(word), 1u) << word << " not in:\n" << stty;
  for (const char* text : {"speed 9600 baud", "start = ^Q;", "stop = ^S;"})
    EXPECT_NE(stty.find(text), std::string::npos) << text << " not in:\n" << stty;

  // Already open: success, and the settings of the first open stay in force.
  EXPECT_EQ(OpenPort(6, 19200, 'N', 8, 1), 1);
  EXPECT_EQ(OpenPort(6, 115200, 'E', 7, 2), 1);
  Sleep(100);  // the peer looks at the settings every few ms
  const std::string log = peer.LogText();
  EXPECT_EQ(CountOf(log, "settings "), 1u) << log;
  EXPECT_EQ(CountOf(log, " open"), 1u) << log;
  ClosePort(6);
}

TEST(SerialPortWine, PortWithoutDeviceIsNotOpenedUntilItAppears) {
  // COM11 leads nowhere (whatever an earlier run left behind).
  far_end::ShellOutput("rm -f '" + far_end::PrefixPath() + "/dosdevices/com11'", kPeerWaitMs);
  EXPECT_EQ(OpenAtDefaults(11), 0);
  EXPECT_EQ(BytesWaiting(11), 0u);
  EXPECT_EQ(ReadByte(11), 0);
  WriteByte(11, 0x41);
  PurgePort(11);
  ClosePort(11);

  // The failed open left the slot closed: once the device is there, a later open
  // starts again from the beginning.
  FarEnd peer("ptypeer", 11);
  ASSERT_TRUE(peer.Ready()) << peer.Output();
  ASSERT_EQ(OpenAtDefaults(11), 1);
  WriteByte(11, 0x43);
  EXPECT_EQ(peer.WaitForReceived(1, kArrivalWaitMs), std::vector<uint8_t>{0x43});
  ClosePort(11);
}

// Line settings the platform cannot build are refused before the device is opened.
TEST(SerialPortWine, RefusedModeTextLeavesTheDeviceUntouched) {
  FarEnd peer("ptypeer", 7);
  ASSERT_TRUE(peer.Ready()) << peer.Output();
  EXPECT_EQ(OpenPort(7, 9600, 'X', 8, 1), 0);
  EXPECT_EQ(OpenPort(7, 9600, 'N', 9, 1), 0);
  EXPECT_EQ(OpenPort(7, 9600, 'N', 8, 3), 0);
  EXPECT_EQ(BytesWaiting(7), 0u);
  Sleep(100);  // the peer would have seen an open by now
  EXPECT_EQ(peer.LogText().find("open"), std::string::npos) << peer.LogText();

  ASSERT_EQ(OpenAtDefaults(7), 1);
  EXPECT_TRUE(peer.WaitForLog("settings 115200 8 N 1", kPeerWaitMs)) << peer.LogText();
  ClosePort(7);
}

// Numbers outside 1..256 never reach the platform, even when such a device exists:
// COM257 is linked to the same pty as COM256, the top slot, which opens.
TEST(SerialPortWine, RefusesPortNumbersOutsideTheTable) {
  FarEnd peer("ptypeer", 256);
  ASSERT_TRUE(peer.Ready()) << peer.Output();
  const std::string beyond = far_end::PrefixPath() + "/dosdevices/com257";
  far_end::ShellOutput("ln -sfn '" + peer.PtyPath() + "' '" + beyond + "'", kPeerWaitMs);
  // COM257 itself is reachable: a byte written on it directly arrives.
  const HANDLE direct = HoldDevice(257);
  const uint8_t marker = 0x7E;
  DWORD put = 0;
  if (direct != INVALID_HANDLE_VALUE) {
    WriteFile(direct, &marker, 1, &put, nullptr);
    CloseHandle(direct);
  }
  const std::vector<uint8_t> directBytes = peer.WaitForReceived(1, kArrivalWaitMs);

  for (int port : {0, -1, 257, 258, INT_MIN, INT_MAX}) {
    EXPECT_EQ(OpenAtDefaults(port), 0) << port;
    EXPECT_EQ(BytesWaiting(port), 0u) << port;
    EXPECT_EQ(ReadByte(port), 0) << port;
    WriteByte(port, 0x41);
    PurgePort(port);
    ClosePort(port);
  }
  Sleep(100);
  const std::vector<uint8_t> refusedBytes = peer.Received();
  const size_t opens = CountOf(peer.LogText(), " open");

  ASSERT_EQ(OpenAtDefaults(256), 1);
  WriteByte(256, 0x42);
  ClosePort(256);
  const std::vector<uint8_t> all = peer.WaitForReceived(2, kArrivalWaitMs);
  far_end::ShellOutput("rm -f '" + beyond + "'", kPeerWaitMs);

  ASSERT_NE(direct, INVALID_HANDLE_VALUE) << "COM257 is not reachable at all";
  ASSERT_EQ(directBytes, std::vector<uint8_t>{marker});
  EXPECT_EQ(refusedBytes, std::vector<uint8_t>{marker});
  EXPECT_EQ(opens, 1u) << peer.LogText();
  EXPECT_EQ(all, (std::vector<uint8_t>{marker, 0x42}));
}

// Every byte value both ways, in order; 0x00 is a byte like any other, and only
// BytesWaiting tells it from an empty queue.
TEST(SerialPortWine, MovesEveryByteValueBothWaysInOrder) {
  FarEnd peer("ptypeer --echo", 8);
  ASSERT_TRUE(peer.Ready()) << peer.Output();
  ASSERT_EQ(OpenAtDefaults(8), 1);

  std::vector<uint8_t> sent;
  for (int i = 0; i < 256; ++i) sent.push_back(static_cast<uint8_t>(i));
  for (uint8_t b : sent) WriteByte(8, b);
  EXPECT_EQ(peer.WaitForReceived(sent.size(), kArrivalWaitMs), sent);

  ASSERT_TRUE(WaitForQueued(8, 256, kArrivalWaitMs)) << BytesWaiting(8);
  for (uint32_t i = 0; i < 256; ++i) {
    ASSERT_EQ(BytesWaiting(8), 256 - i);
    ASSERT_EQ(ReadByte(8), sent[i]) << "byte " << i;
  }
  EXPECT_EQ(BytesWaiting(8), 0u);

  // An empty queue gives 0 at once, however often it is asked; a read that waited
  // for input would hold the test here.
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(ReadByte(8), 0);
  EXPECT_EQ(BytesWaiting(8), 0u);
  ClosePort(8);
}

// More than the pty (and a small UART queue) holds at once: the peer can only go on
// sending as the program reads, and nothing is lost or reordered on the way.
TEST(SerialPortWine, ReceivesALongBurstWithoutLoss) {
  constexpr size_t kBurstBytes = 6000;  // its hex text must fit a Windows command line
  std::vector<uint8_t> burst;
  std::string hex;
  for (size_t i = 0; i < kBurstBytes; ++i) {
    burst.push_back(static_cast<uint8_t>(i * 7 + 3));
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02X", burst.back());
    hex += pair;
  }
  FarEnd peer("ptypeer --send " + hex, 8);
  ASSERT_TRUE(peer.Ready()) << peer.Output();
  ASSERT_EQ(OpenAtDefaults(8), 1);

  std::vector<uint8_t> got;
  while (got.size() < kBurstBytes && WaitForInput(8, kArrivalWaitMs)) got.push_back(ReadByte(8));
  EXPECT_EQ(got.size(), kBurstBytes);
  EXPECT_TRUE(got == burst) << "bytes lost or out of order";
  ClosePort(8);
}

TEST(SerialPortWine, PurgeEmptiesTheInputButKeepsWhatWasWritten) {
  FarEnd peer("ptypeer --send 0102030405060708090A", 9);
  ASSERT_TRUE(peer.Ready()) << peer.Output();
  ASSERT_EQ(OpenAtDefaults(9), 1);
  ASSERT_TRUE(WaitForQueued(9, 10, kArrivalWaitMs)) << BytesWaiting(9);

  WriteByte(9, 0x42);  // written just before the purge: it must still arrive
  PurgePort(9);
  EXPECT_EQ(BytesWaiting(9), 0u);
  EXPECT_EQ(ReadByte(9), 0);
  EXPECT_EQ(peer.WaitForReceived(1, kArrivalWaitMs), std::vector<uint8_t>{0x42});

  // Input that comes after the purge is received as usual.
  WriteByte(9, 0x43);
  ClosePort(9);
  EXPECT_EQ(peer.WaitForReceived(2, kArrivalWaitMs), (std::vector<uint8_t>{0x42, 0x43}));
}

// The opening of every command exchange: CAN CAN CAN, purge, ENQ. The purge must
// never take back the CANs (Wine turns an output purge into tcflush(TCOFLUSH),
// which drops bytes written but not yet delivered).
TEST(SerialPortWine, PurgeNeverTakesBackTheBytesOfAThousandOpenings) {
  constexpr int kOpenings = 1000;
  FarEnd peer("ptypeer", 12);
  ASSERT_TRUE(peer.Ready()) << peer.Output();
  ASSERT_EQ(OpenAtDefaults(12), 1);

  std::vector<uint8_t> expected;
  for (int i = 0; i < kOpenings; ++i) {
    for (uint8_t b : {CAN, CAN, CAN}) WriteByte(12, b);
    PurgePort(12);
    WriteByte(12, ENQ);
    expected.insert(expected.end(), {CAN, CAN, CAN, ENQ});
  }
  const std::vector<uint8_t> got = peer.WaitForReceived(expected.size(), 4 * kArrivalWaitMs);
  EXPECT_EQ(got.size(), expected.size());
  EXPECT_TRUE(got == expected) << "bytes lost or out of order";
  ClosePort(12);
}

TEST(SerialPortWine, WaitForInputSeesBytesFromTheLine) {
  FarEnd peer("ptypeer --echo", 10);
  ASSERT_TRUE(peer.Ready()) << peer.Output();
  ASSERT_EQ(OpenAtDefaults(10), 1);

  EXPECT_FALSE(WaitForInput(10, 0));
  const DWORD before = GetTickCount();
  EXPECT_FALSE(WaitForInput(10, 200));
  EXPECT_GT(GetTickCount() - before, 199u) << "gave up before its limit";

  WriteByte(10, 0x31);
  EXPECT_TRUE(WaitForInput(10, kArrivalWaitMs));
  EXPECT_TRUE(WaitForInput(10, 0)) << "the waiting byte was taken";
  EXPECT_EQ(ReadByte(10), 0x31);
  EXPECT_EQ(BytesWaiting(10), 0u);
  ClosePort(10);
  // A closed port never has input: the full limit passes.
  EXPECT_FALSE(WaitForInput(10, 50));
}

// The far end going away under an open port (the peer ends and COM5's link goes, as
// an adapter pulled) must not hang or break anything: the first call that fails
// marks the port lost, writes are dropped, nothing is read, the port closes, and
// its name opens again once a device is behind it. A port whose name alone goes
// (a driver that fails no call) is found by the look at a silent port.
TEST(SerialPortWine, KnowsAPortWhoseDeviceWentAwayAndSeesItComeBack) {
  FarEnd peer("ptypeer", 5);
  ASSERT_TRUE(peer.Ready()) << peer.Output();
  ASSERT_EQ(OpenAtDefaults(5), 1);
  EXPECT_FALSE(PortLost(5));
  EXPECT_TRUE(PortPresent(5));
  peer.Stop();

  for (int i = 0; i < 100; ++i) WriteByte(5, 0x41);
  EXPECT_EQ(BytesWaiting(5), 0u);
  EXPECT_TRUE(PortLost(5));
  EXPECT_EQ(ReadByte(5), 0);
  EXPECT_FALSE(WaitForInput(5, 50));
  PurgePort(5);
  ClosePort(5);
  EXPECT_FALSE(PortLost(5));
  EXPECT_FALSE(PortPresent(5));
  EXPECT_EQ(BytesWaiting(5), 0u);

  FarEnd back("ptypeer", 5);
  ASSERT_TRUE(back.Ready()) << back.Output();
  EXPECT_TRUE(PortPresent(5));
  ASSERT_EQ(OpenAtDefaults(5), 1);
  EXPECT_FALSE(PortLost(5));
  WriteByte(5, 0x43);
  EXPECT_EQ(back.WaitForReceived(1, kArrivalWaitMs), std::vector<uint8_t>{0x43});

  far_end::ShellOutput("rm -f '" + far_end::PrefixPath() + "/dosdevices/com5'", kPeerWaitMs);
  const DWORD start = GetTickCount();
  while (!PortLost(5) && GetTickCount() - start < kPeerWaitMs) Sleep(20);
  EXPECT_TRUE(PortLost(5));
  LineErrorCounts errors = {1, 1, 1, 1};
  ReadLineErrors(5, errors);
  EXPECT_EQ(errors.framing + errors.parity + errors.overrun + errors.breaks, 0u) << "a pty has none";
  ClosePort(5);
}
