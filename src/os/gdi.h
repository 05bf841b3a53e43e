// The few GDI calls the display code makes: the screen's device context and its metrics (size from
// the window layer's screen metrics, colour count -1 as on any display above 8 bits per pixel).
// Device contexts on windows and surfaces are not offered; the screen's is a fixed pseudo handle.
#pragma once
#include "os/win32types.h"

constexpr int HORZRES = 8;      // GetDeviceCaps: screen width in pixels
constexpr int VERTRES = 10;     // GetDeviceCaps: screen height in pixels
constexpr int BITSPIXEL = 12;   // GetDeviceCaps: bits per pixel of the desktop (32)
constexpr int NUMCOLORS = 24;   // GetDeviceCaps: palette size, -1 above 8 bits per pixel

HDC GetDC(HWND hwnd);                 // the screen's context for no window; null for a window
int ReleaseDC(HWND hwnd, HDC dc);     // 1 for the screen's context
int GetDeviceCaps(HDC dc, int index); // the metrics above, 0 for other indices

namespace os {
// Colour count GetDeviceCaps(NUMCOLORS) answers from now on (-1 restores the default).
void TestSetDesktopColors(int colors);
}  // namespace os
