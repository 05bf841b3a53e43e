// A test harness plug-in: its hook replaces the command line and names a window for the final quit.
#include <cstdint>

struct HWND__;  // the window handle type of the platform's stand-in

extern "C" HWND__* TestHook(const char** commandLine) {
  static const char kReplaced[] = "--multiple from-the-harness";
  *commandLine = kReplaced;
  return reinterpret_cast<HWND__*>(uintptr_t{0x1234});
}
