// The pausable clock over the framework timer, also across the timer's 32-bit wrap.
#include "core/clock.h"

#include <gtest/gtest.h>

#include "core/frozen_time.h"
#include "core/timer.h"

using ClockTest = FrozenTime;
INSTANTIATE_TEST_SUITE_P(Starts, ClockTest, TM_FROZEN_TIME_STARTS);

TEST_P(ClockTest, NewClockIsPausedAtZeroAndFirstStartRunsFromZero) {
  TClock c;
  EXPECT_TRUE(c.IsPaused());
  Advance(700);
  EXPECT_EQ(c.GetTime(), 0u);
  EXPECT_EQ(c.Start(), 0u);
  EXPECT_EQ(c.GetTime(), 0u);
  Advance(250);
  EXPECT_EQ(c.GetTime(), 250u);
}

TEST_P(ClockTest, PauseFreezesAndStartReportsThePauseLength) {
  TClock c;
  c.Start();
  Advance(120);
  EXPECT_FALSE(c.Pause());
  EXPECT_TRUE(c.Pause());  // already paused
  Advance(500);
  EXPECT_EQ(c.GetTime(), 120u);
  EXPECT_EQ(c.Start(), 500u);
  EXPECT_EQ(c.GetTime(), 120u);
  Advance(30);
  EXPECT_EQ(c.GetTime(), 150u);

  // A second pause adds to the first.
  c.Pause();
  Advance(1000);
  EXPECT_EQ(c.Start(), 1000u);
  Advance(5);
  EXPECT_EQ(c.GetTime(), 155u);
}

TEST_P(ClockTest, StartOnARunningClockChangesNothing) {
  TClock c;
  c.Start();
  Advance(40);
  EXPECT_EQ(c.Start(), 0u);
  EXPECT_EQ(c.GetTime(), 40u);
  Advance(10);
  EXPECT_EQ(c.GetTime(), 50u);
}

TEST_P(ClockTest, SetTimeAndReset) {
  TClock c;
  c.Start();
  Advance(80);
  c.SetTime(0xFFFFFFF0u);  // the clock itself may wrap too
  Advance(0x20);
  EXPECT_EQ(c.GetTime(), 0x10u);

  c.Pause();
  c.SetTime(5000);  // while paused it shows the new value at once
  EXPECT_EQ(c.GetTime(), 5000u);
  Advance(200);
  EXPECT_EQ(c.Start(), 200u);
  Advance(1);
  EXPECT_EQ(c.GetTime(), 5001u);

  c.Reset();
  EXPECT_TRUE(c.IsPaused());
  EXPECT_EQ(c.GetTime(), 0u);
  Advance(70);
  EXPECT_EQ(c.Start(), 70u);  // started before, so this is a resume from 0
  Advance(9);
  EXPECT_EQ(c.GetTime(), 9u);
}

namespace {
uint32_t FixedTimer() { return 123456u; }
}  // namespace

TEST_P(ClockTest, TheFrameworkTimerSourceCanBeReplaced) {
  EXPECT_EQ(GetFrameworkTimer(), GetParam());
  SetFrameworkTimerSource(&FixedTimer);
  EXPECT_EQ(GetFrameworkTimer(), 123456u);
  TClock c;
  c.Start();
  Advance(50);
  EXPECT_EQ(c.GetTime(), 0u);  // the stand-in's clock no longer matters
  SetFrameworkTimerSource(nullptr);
  EXPECT_EQ(GetFrameworkTimer(), GetParam() + 50u);
}
