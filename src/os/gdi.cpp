// The screen's device context and its metrics for the display code.
#include "os/gdi.h"

#include <atomic>

#include "os/winuser.h"

namespace {
std::atomic<int> gColors{-1};
HDC ScreenDc() { return reinterpret_cast<HDC>(static_cast<uintptr_t>(0x5C0)); }
}  // namespace

HDC GetDC(HWND hwnd) { return hwnd ? nullptr : ScreenDc(); }

int ReleaseDC(HWND, HDC dc) { return dc == ScreenDc() ? 1 : 0; }

int GetDeviceCaps(HDC dc, int index) {
  if (dc != ScreenDc()) return 0;
  switch (index) {
    case HORZRES: return GetSystemMetrics(SM_CXSCREEN);
    case VERTRES: return GetSystemMetrics(SM_CYSCREEN);
    case BITSPIXEL: return 32;
    case NUMCOLORS: return gColors;
    default: return 0;
  }
}

namespace os {
void TestSetDesktopColors(int colors) { gColors = colors; }
}  // namespace os
