// A pausable millisecond clock on top of the framework timer. It starts paused; while paused it
// shows the time at which it stopped, and the time spent paused is left out once it runs again.
// All arithmetic is unsigned 32-bit and wraps modulo 2^32, like the timer itself.
#pragma once
#include <cstdint>

class TClock {
 public:
  TClock() = default;
  virtual ~TClock() = default;

  // The clock's time: the frozen value while paused.
  uint32_t GetTime() const;
  // The clock shows value from now on, counting on if running; the paused total starts again at 0.
  void SetTime(uint32_t value);
  // Runs a paused clock: the first start ever starts it at 0 and answers 0; a later start answers
  // how long the clock was paused. A running clock answers 0 and nothing changes.
  uint32_t Start();
  // Freezes the clock; answers true when it was paused already.
  bool Pause();
  // Back to 0, paused.
  void Reset();

  bool IsPaused() const { return mPaused; }

 private:
  uint32_t RunningTime(uint32_t now) const { return mBase + now - mPausedTotal - mStart; }

  bool mPaused = true;
  bool mStartedOnce = false;
  uint32_t mStart = 0;        // framework time at the last SetTime
  uint32_t mBase = 0;         // clock value at the last SetTime
  uint32_t mFrozen = 0;       // clock value shown while paused
  uint32_t mPausedTotal = 0;  // ms spent paused since the last SetTime
};
