// The framework timer: unsigned 32-bit milliseconds that wrap modulo 2^32. Clocks and timed tasks
// read it here. Until the platform facade installs its own timer this answers timeGetTime().
#pragma once
#include <cstdint>

using TTimerSource = uint32_t (*)();

// Milliseconds of the framework timer.
uint32_t GetFrameworkTimer();
// Makes the framework timer answer source(); null goes back to timeGetTime().
void SetFrameworkTimerSource(TTimerSource source);
