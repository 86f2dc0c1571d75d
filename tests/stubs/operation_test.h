// The fixture of the host tests that run an operation (Read Fiscal Memory, LOG) on the
// simulated line. Every test, and every case that a test begins with NextCase(),
// starts with the stand-ins reset, the program connected on kPort and an empty working
// directory, and ends with the checks that hold however an operation ended.
#pragma once
#include <dirent.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/program/connection.h"
#include "core/program/state.h"
#include "tests/stubs/serial_port_stub.h"
#include "tests/stubs/shell_stub.h"
#include "tests/stubs/temp_dir.h"

constexpr int kPort = 2;

// The dialog's Disconnect, for a window message that arrives while an operation runs.
inline void PressDisconnect() { Disconnect("COM2"); }

class OperationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    simline::Reset();
    dir_.Empty();
    ASSERT_TRUE(simline::ConnectProgram(kPort));
    StopRequested = 0;
    LastOperationResult = OperationResult::kNone;
    fdsBefore_ = OpenFdCount();
  }
  void TearDown() override {
    EXPECT_EQ(OperationRunning, kNoOperation) << "the flag must be cleared on every way out";
    EXPECT_EQ(StopRequested, 0) << "a stop must end with the operation it stopped";
    EXPECT_EQ(shellstub::HoldDepth(), 0) << "list redraw left held";
    EXPECT_EQ(OpenFdCount(), fdsBefore_) << "an output file was left open";
  }
  // One case of a test ends as a test ends, and the next begins as a test begins.
  void NextCase() {
    TearDown();
    SetUp();
  }
  static const std::vector<std::string>& Rows() { return shellstub::Rows(); }

 private:
  static int OpenFdCount() {
    int count = 0;
    DIR* dir = opendir("/proc/self/fd");
    while (dir != nullptr && readdir(dir) != nullptr) ++count;
    if (dir != nullptr) closedir(dir);
    return count;
  }

  ScopedTempDir dir_;
  int fdsBefore_ = 0;
};
