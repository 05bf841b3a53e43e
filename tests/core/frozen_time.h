// Test fixture: the stand-in timer frozen at a start value given as the test parameter, so every
// timing test also runs with the 32-bit timer wrapping past zero in its middle.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>

#include "os/time.h"

class FrozenTime : public ::testing::TestWithParam<uint32_t> {
 protected:
  void SetUp() override { os::TestFreezeTime(GetParam()); }
  void TearDown() override { os::TestReleaseTime(); }
  static void Advance(uint32_t ms) { os::TestAdvanceTime(ms); }
};

// Far from the wrap, and 300 ms before it.
#define TM_FROZEN_TIME_STARTS ::testing::Values(10000u, 0xFFFFFED4u)
