#include <windows.h>
#include <gtest/gtest.h>

TEST(WineSmoke, TickCounterRuns) { EXPECT_NE(GetTickCount(), 0u); }
