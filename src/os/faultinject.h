// Test control for failures of stand-in calls: a test names a call and the Win32 error it should
// fail with, for the next n calls. Calls that support it ask os::ShouldFail at their start.
#pragma once
#include "os/win32types.h"

namespace os {
// Makes the next `count` calls of the named function (e.g. "MapViewOfFile") fail with `error`.
void TestFailCall(const char* function, DWORD error, int count = 1);
// Forgets every pending injected failure.
void TestClearFailures();
// Called by the stand-in: true (and the last error set) when this call is to fail.
bool ShouldFail(const char* function);
}  // namespace os
