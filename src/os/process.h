// Ending the process and the command line of the platform stand-in. ExitProcess goes through here so
// that in-process tests can record it and unwind instead of dying.
#pragma once
#include <string>
#include <vector>

#include "os/handles.h"
#include "os/windowerrors.h"

// Ends the process with the low 8 bits of the code (-1 shows as 255); under test, throws
// os::ProcessExit after recording the code.
[[noreturn]] void ExitProcess(UINT exitCode);

// The Windows version the program is told: 6.1 (major in the low byte, minor in the next), since
// the Parts only compare it against XP and Vista. Tests can pretend to be another.
DWORD GetVersion();

// The system folder in the Windows view ("Z:\usr\lib"): its length, or the units needed (NUL
// included) when the buffer is short.
UINT GetSystemDirectoryW(LPWSTR buffer, UINT size);

// Memory of the process: the working set is the resident size, its peak the highest resident size
// so far (from /proc/self/status).
struct PROCESS_MEMORY_COUNTERS {
  DWORD cb;  // size of the record
  DWORD PageFaultCount;
  SIZE_T PeakWorkingSetSize;
  SIZE_T WorkingSetSize;
};
// The pseudo handle of the own process.
HANDLE GetCurrentProcess();
// Only the own process is served; FALSE for another handle or a short record.
BOOL GetProcessMemoryInfo(HANDLE process, PROCESS_MEMORY_COUNTERS* counters, DWORD size);

namespace os {
// Test control: the version GetVersion reports from now on.
void TestSetWindowsVersion(int major, int minor);
// What ExitProcess throws while TestCatchExitProcess is on.
struct ProcessExit {
  UINT code;
};
void TestCatchExitProcess(bool on);
// A function ExitProcess calls just before the process ends (which skips atexit handlers), so a
// test harness inside the program can still write what it recorded.
void TestOnExitProcess(void (*hook)());
std::vector<UINT> TestExitCalls();
// The single command-line text the entry hands on: arguments after the program joined by blanks,
// one with blanks quoted (after its first "=" for key=value switches, as typed on Windows;
// "options=..." goes in as it is, since its pairs allow blanks in values).
std::string CommandLineFromArgs(int argc, const char* const* argv);
}  // namespace os
