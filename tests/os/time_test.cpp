#include "os/time.h"

#include <gtest/gtest.h>

TEST(Time, MonotonicClockAdvancesAcrossSleep) {
  DWORD a = timeGetTime();
  Sleep(5);
  DWORD b = timeGetTime();
  EXPECT_GE(b - a, 5u);
}

TEST(Time, FrozenClockMovesOnlyByHandAndBySleep) {
  os::TestFreezeTime(1000);
  EXPECT_EQ(timeGetTime(), 1000u);
  os::TestAdvanceTime(16);
  EXPECT_EQ(timeGetTime(), 1016u);
  Sleep(4);
  EXPECT_EQ(timeGetTime(), 1020u);
  os::TestReleaseTime();
  EXPECT_NE(timeGetTime(), 1020u);
}

TEST(Time, PeriodRequestsAreCheckedAndCounted) {
  int before = os::TestOpenTimePeriods();
  EXPECT_EQ(timeBeginPeriod(1), TIMERR_NOERROR);
  EXPECT_EQ(os::TestOpenTimePeriods(), before + 1);
  EXPECT_EQ(timeBeginPeriod(0), TIMERR_NOCANDO);
  EXPECT_EQ(timeEndPeriod(1), TIMERR_NOERROR);
  EXPECT_EQ(os::TestOpenTimePeriods(), before);
}
