// Timing calls over CLOCK_MONOTONIC, with a freezable clock for tests.
#include "os/time.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {
std::atomic<bool> gFrozen{false};
std::atomic<DWORD> gFrozenNow{0};
std::atomic<int> gOpenPeriods{0};

DWORD MonotonicMilliseconds() {
  using namespace std::chrono;
  static const steady_clock::time_point start = steady_clock::now();
  auto ms = duration_cast<milliseconds>(steady_clock::now() - start).count();
  // The original counts from system start; a non-zero base keeps callers from treating 0 as "unset".
  return static_cast<DWORD>(static_cast<uint64_t>(ms) + 10000u);
}
}  // namespace

DWORD timeGetTime() {
  if (gFrozen.load()) return gFrozenNow.load();
  return MonotonicMilliseconds();
}

DWORD GetTickCount() { return timeGetTime(); }

MMRESULT timeBeginPeriod(UINT period) {
  if (period < 1 || period > 1000) return TIMERR_NOCANDO;
  ++gOpenPeriods;
  return TIMERR_NOERROR;
}

MMRESULT timeEndPeriod(UINT period) {
  if (period < 1 || period > 1000) return TIMERR_NOCANDO;
  if (gOpenPeriods.load() <= 0) return TIMERR_NOCANDO;
  --gOpenPeriods;
  return TIMERR_NOERROR;
}

void Sleep(DWORD ms) {
  if (gFrozen.load()) {
    gFrozenNow += ms;
    std::this_thread::yield();
    return;
  }
  if (ms == 0) {
    std::this_thread::yield();
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

namespace os {
void TestFreezeTime(DWORD now) {
  gFrozenNow = now;
  gFrozen = true;
}
void TestAdvanceTime(DWORD ms) { gFrozenNow += ms; }
void TestReleaseTime() { gFrozen = false; }
int TestOpenTimePeriods() { return gOpenPeriods.load(); }
}  // namespace os
