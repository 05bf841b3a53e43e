// ExitProcess with its test hook, and the command line text (see process.h).
#include "os/process.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <mutex>

namespace {
std::atomic<bool> gCatch{false};
std::mutex gLock;
std::vector<UINT> gCalls;
std::atomic<DWORD> gVersion{6 | (1 << 8)};
}  // namespace

DWORD GetVersion() { return gVersion; }

UINT GetSystemDirectoryW(LPWSTR buffer, UINT size) {
  static const char16_t kFolder[] = u"Z:\\usr\\lib";
  constexpr UINT kLength = sizeof(kFolder) / sizeof(kFolder[0]) - 1;
  if (!buffer || size <= kLength) return kLength + 1;
  for (UINT i = 0; i <= kLength; ++i) buffer[i] = kFolder[i];
  return kLength;
}

namespace {
void (*gExitHook)() = nullptr;
}

void ExitProcess(UINT exitCode) {
  if (gCatch) {
    {
      std::lock_guard<std::mutex> g(gLock);
      gCalls.push_back(exitCode);
    }
    throw os::ProcessExit{exitCode};
  }
  if (gExitHook) gExitHook();
  std::fflush(nullptr);
  // No static destructors: other threads (the pointer poller, the mixer) may still be running.
  _exit(static_cast<int>(exitCode & 0xFF));
}

namespace os {

void TestCatchExitProcess(bool on) { gCatch = on; }

void TestOnExitProcess(void (*hook)()) { gExitHook = hook; }

void TestSetWindowsVersion(int major, int minor) {
  gVersion = static_cast<DWORD>((major & 0xFF) | ((minor & 0xFF) << 8));
}

std::vector<UINT> TestExitCalls() {
  std::lock_guard<std::mutex> g(gLock);
  return gCalls;
}

std::string CommandLineFromArgs(int argc, const char* const* argv) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i] ? argv[i] : "";
    if (!line.empty()) line.push_back(' ');
    size_t eq = a.find('=');
    if (a.empty()) {
      line += "\"\"";
    } else if (a.find_first_of(" \t") == std::string::npos || a.find('"') != std::string::npos ||
               a.rfind("options=", 0) == 0) {
      // "options=" pairs take blanks in values themselves, so they go in unquoted.
      line += a;
    } else if (eq != std::string::npos && eq < a.find_first_of(" \t")) {
      line += a.substr(0, eq + 1) + "\"" + a.substr(eq + 1) + "\"";  // -wd="a folder", as typed on Windows
    } else {
      line += "\"" + a + "\"";
    }
  }
  return line;
}

}  // namespace os

HANDLE GetCurrentProcess() { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)); }

BOOL GetProcessMemoryInfo(HANDLE process, PROCESS_MEMORY_COUNTERS* counters, DWORD size) {
  if (process != GetCurrentProcess() || !counters || size < sizeof(PROCESS_MEMORY_COUNTERS)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  FILE* status = std::fopen("/proc/self/status", "r");
  if (!status) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  *counters = PROCESS_MEMORY_COUNTERS{};
  counters->cb = sizeof(PROCESS_MEMORY_COUNTERS);
  char line[256];
  while (std::fgets(line, sizeof(line), status)) {
    unsigned long long kb = 0;
    if (std::sscanf(line, "VmRSS: %llu kB", &kb) == 1) counters->WorkingSetSize = static_cast<SIZE_T>(kb * 1024);
    else if (std::sscanf(line, "VmHWM: %llu kB", &kb) == 1) counters->PeakWorkingSetSize = static_cast<SIZE_T>(kb * 1024);
  }
  std::fclose(status);
  return TRUE;
}
