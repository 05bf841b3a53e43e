// Indirection from the framework timer to whatever source the platform installs.
#include "core/timer.h"

#include <atomic>

#include "os/time.h"

namespace {
uint32_t DefaultTimer() { return timeGetTime(); }
std::atomic<TTimerSource> gSource{&DefaultTimer};
}  // namespace

uint32_t GetFrameworkTimer() { return gSource.load(std::memory_order_relaxed)(); }

void SetFrameworkTimerSource(TTimerSource source) {
  gSource.store(source ? source : &DefaultTimer, std::memory_order_relaxed);
}
