// Millisecond clock and sleeping of the platform stand-in (WinMM and KERNEL32 timing calls).
// Tests can freeze the clock and step it by hand through os::TestFreezeTime and friends.
#pragma once
#include "os/win32types.h"

// Milliseconds since an arbitrary start, from the monotonic clock; wraps at 2^32 like the original.
DWORD timeGetTime();
// Same clock as timeGetTime (the original's tick counter has coarser resolution; callers don't care).
DWORD GetTickCount();
// Timer resolution requests. The monotonic clock always has 1 ms resolution, so these only check
// the period (1..1000 ms) and keep count of the open requests.
MMRESULT timeBeginPeriod(UINT period);
MMRESULT timeEndPeriod(UINT period);
// Blocks the calling thread for at least ms milliseconds (0 yields). Under a frozen test clock it
// advances the clock instead of waiting.
void Sleep(DWORD ms);

namespace os {
// Test control: freeze timeGetTime at a value, move it forward, let it run again.
void TestFreezeTime(DWORD now);
void TestAdvanceTime(DWORD ms);
void TestReleaseTime();
// Number of timeBeginPeriod calls not yet matched by timeEndPeriod.
int TestOpenTimePeriods();
}  // namespace os
