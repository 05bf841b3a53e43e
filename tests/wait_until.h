// Waiting in a test for what another thread or process does: the wait ends as soon as it has
// happened; only a generous guard against a hang ends it otherwise. Tests never measure speed, so
// a loaded machine makes them slower, never red.
#pragma once

#include <chrono>
#include <thread>

namespace testwait {

// Long enough that only a hang reaches it, short enough to stay inside the test runner's limit.
inline constexpr std::chrono::seconds kHangGuard{120};

// Polls `done' until it answers true (true) or the hang guard runs out (false).
template <class Done>
bool WaitUntil(Done done, std::chrono::milliseconds step = std::chrono::milliseconds(2)) {
  const auto deadline = std::chrono::steady_clock::now() + kHangGuard;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return done();
    std::this_thread::sleep_for(step);
  }
  return true;
}

}  // namespace testwait
