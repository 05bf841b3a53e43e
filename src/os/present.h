// The least presentation the display needs before the full graphics stand-in takes over: fill the
// main window with one colour and show it. OpenGL on the main SDL window, main thread only.
#pragma once
#include <cstdint>

#include "os/win32types.h"

namespace os {
// Clears the main window's drawable to the colour (0xAARRGGBB) and swaps it to the screen. False
// when the window is not the real main window, there is no GL, or the call is off the SDL thread.
bool PresentClearedFrame(HWND window, uint32_t argb);
// Drops the GL context made for it (before the window goes, or at shutdown).
void ReleaseFramePresenter();
// Frames presented so far (for tests).
int PresentedFrameCount();
}  // namespace os
