// The console's serial layer (posix/serial_port.cpp) on a real pty pair: the byte-wise
// queue the core sees over the read-ahead, whatever the reads bring.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "core/seams/serial_port.h"
#include "posix/port_device.h"
#include "tools/pty/pty_line.h"

namespace {

constexpr int kPort = 7;
constexpr uint32_t kWaitMs = 2000;

class SerialPortTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(OpenPtyLine(far_));
    ASSERT_TRUE(BindPortDevice(kPort, far_.path.c_str()));
    ASSERT_EQ(OpenPort(kPort, 115200, 'N', 8, 1), 1) << LastPortError();
  }
  void TearDown() override {
    ClosePort(kPort);
    ClosePtyLine(far_);
  }

  void Send(const std::vector<uint8_t>& bytes) {
    ASSERT_EQ(write(far_.fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }

  // Until the pty has passed `count` bytes on to the device's side.
  void AwaitArrival(int count) {
    int arrived = 0;
    for (int look = 0; look < 200 && arrived < count; ++look) {
      poll(nullptr, 0, 10);
      ASSERT_EQ(ioctl(far_.slave_fd, FIONREAD, &arrived), 0);
    }
    ASSERT_GE(arrived, count);
  }

  // The bytes as the core takes them: a look at the queue, then that many reads.
  std::vector<uint8_t> Take(size_t count) {
    std::vector<uint8_t> got;
    while (got.size() < count) {
      uint32_t waiting = BytesWaiting(kPort);
      if (waiting == 0) {
        if (AwaitInput(kPort, kWaitMs) || BytesWaiting(kPort) == 0) break;  // nothing came
        continue;
      }
      for (; waiting > 0 && got.size() < count; --waiting) got.push_back(ReadByte(kPort));
    }
    return got;
  }

  PtyLine far_;
};

// More than one read-ahead's worth, every byte value (0x00 among them, which ReadByte
// gives as it gives an empty queue), taken across reads that each bring what has come
// so far, fewer bytes than asked for; then the queue is empty again.
TEST_F(SerialPortTest, BytesComeInOrderAcrossShortReads) {
  std::vector<uint8_t> sent;
  for (int i = 0; i < 5000; ++i) sent.push_back(static_cast<uint8_t>(i * 7));
  Send({sent.begin(), sent.begin() + 3});
  EXPECT_EQ(Take(3), std::vector<uint8_t>(sent.begin(), sent.begin() + 3));
  Send({sent.begin() + 3, sent.end()});
  EXPECT_EQ(Take(sent.size() - 3), std::vector<uint8_t>(sent.begin() + 3, sent.end()));
  EXPECT_EQ(BytesWaiting(kPort), 0u);
  EXPECT_EQ(ReadByte(kPort), 0);
}

// An empty line reads as 0 bytes under VMIN 0 and as EAGAIN under VMIN 1 (set here
// from the far end, as a driver or another program could leave it): both are an empty
// queue, and a byte that comes later is still taken.
TEST_F(SerialPortTest, EmptyLineIsAnEmptyQueueWhateverTheReadSays) {
  for (cc_t vmin : {0, 1}) {
    termios line = {};
    ASSERT_EQ(tcgetattr(far_.fd, &line), 0);
    line.c_cc[VMIN] = vmin;
    ASSERT_EQ(tcsetattr(far_.fd, TCSANOW, &line), 0);
    EXPECT_EQ(BytesWaiting(kPort), 0u) << "VMIN " << int{vmin};
    EXPECT_EQ(ReadByte(kPort), 0) << "VMIN " << int{vmin};
    Send({0x42});
    EXPECT_EQ(Take(1), std::vector<uint8_t>{0x42}) << "VMIN " << int{vmin};
  }
}

// A purge drops what the read-ahead holds as well as what the driver holds: the first
// byte after it is one sent after it.
TEST_F(SerialPortTest, PurgeEmptiesTheReadAhead) {
  Send({'A', 'B', 'C', 'D'});
  AwaitArrival(4);
  ASSERT_EQ(Take(1), std::vector<uint8_t>{'A'});
  ASSERT_GT(BytesWaiting(kPort), 0u);  // B, C, D taken in with A
  PurgePort(kPort);
  EXPECT_EQ(BytesWaiting(kPort), 0u);
  Send({'E'});
  EXPECT_EQ(Take(1), std::vector<uint8_t>{'E'});
}

// The waits rest for as long as the last answer to a write that opened with the same
// byte took; every answer still comes whole and in order when it is as long, shorter,
// longer, or paused half-way (the far end sends it a few bytes at a time, as a paced
// line would).
TEST_F(SerialPortTest, AnswersComeWholeWhateverTheLengthLearned) {
  struct Answer {
    size_t length;
    int pauseAfter;  // bytes sent before a 30 ms pause; 0: none
  };
  const Answer answers[] = {{60, 0}, {60, 0}, {12, 0}, {150, 0}, {60, 25}, {1, 0}};
  for (const Answer& answer : answers) {
    std::vector<uint8_t> sent;
    for (size_t i = 0; i < answer.length; ++i) sent.push_back(static_cast<uint8_t>('a' + i % 26));
    const uint8_t request[] = {0x02, 'Q'};
    WriteBytes(kPort, request, sizeof request);
    std::thread far([&] {
      for (size_t at = 0; at < sent.size(); at += 4) {
        if (answer.pauseAfter != 0 && at == static_cast<size_t>(answer.pauseAfter / 4 * 4))
          std::this_thread::sleep_for(std::chrono::milliseconds(30));
        const size_t piece = sent.size() - at < 4 ? sent.size() - at : 4;
        (void)!write(far_.fd, sent.data() + at, piece);
        std::this_thread::sleep_for(std::chrono::microseconds(350));
      }
    });
    EXPECT_EQ(Take(sent.size()), sent) << answer.length << " bytes";
    far.join();
  }
}

// The device gone: the far end of the pty closed (as a pulled adapter's driver hangs
// up), or, for a line that says nothing, its path removed. The port is lost, what was
// read before is still handed out, and waits on it sleep instead of spinning; a closed
// port whose device is gone is not present.
TEST_F(SerialPortTest, AVanishedDeviceIsLostAndWaitedOnNoMore) {
  Send({'A', 'B'});
  AwaitArrival(2);
  ASSERT_EQ(BytesWaiting(kPort), 2u);
  close(far_.fd);
  far_.fd = -1;
  close(far_.slave_fd);
  far_.slave_fd = -1;
  EXPECT_FALSE(PortLost(kPort));
  EXPECT_EQ(Take(2), (std::vector<uint8_t>{'A', 'B'}));
  AwaitInput(kPort, kWaitMs);
  EXPECT_TRUE(PortLost(kPort));
  const auto before = std::chrono::steady_clock::now();
  AwaitInput(kPort, 100);
  EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(90)) << "a lost port is not polled";
  ClosePort(kPort);
  EXPECT_FALSE(PortLost(kPort));
  EXPECT_FALSE(PortPresent(kPort));

  PtyLine other;
  ASSERT_TRUE(OpenPtyLine(other));
  const std::string link = testing::TempDir() + "tg-port-link";
  unlink(link.c_str());
  ASSERT_EQ(symlink(other.path.c_str(), link.c_str()), 0);
  ASSERT_TRUE(BindPortDevice(kPort, link.c_str()));
  EXPECT_TRUE(PortPresent(kPort));
  ASSERT_EQ(OpenPort(kPort, 115200, 'N', 8, 1), 1) << LastPortError();
  unlink(link.c_str());
  for (int look = 0; look < 4 && !PortLost(kPort); ++look) AwaitInput(kPort, 500);
  EXPECT_TRUE(PortLost(kPort)) << "the path gone is seen within a look or two";
  ClosePort(kPort);
  ClosePtyLine(other);
}

}  // namespace
