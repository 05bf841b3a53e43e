// TClock arithmetic; every difference is taken modulo 2^32 so the timer may wrap underneath.
#include "core/clock.h"

#include "core/timer.h"

uint32_t TClock::GetTime() const {
  if (mPaused) return mFrozen;
  return RunningTime(GetFrameworkTimer());
}

void TClock::SetTime(uint32_t value) {
  mStart = GetFrameworkTimer();
  mBase = value;
  mFrozen = value;
  mPausedTotal = 0;
}

uint32_t TClock::Start() {
  if (!mPaused) return 0;
  mPaused = false;
  if (!mStartedOnce) {
    mStartedOnce = true;
    SetTime(0);
    return 0;
  }
  uint32_t pause = RunningTime(GetFrameworkTimer()) - mFrozen;
  mPausedTotal += pause;
  return pause;
}

bool TClock::Pause() {
  if (mPaused) return true;
  mFrozen = GetTime();
  mPaused = true;
  return false;
}

void TClock::Reset() {
  SetTime(0);
  mPaused = true;
}
