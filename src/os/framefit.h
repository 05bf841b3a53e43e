// Where the game's frame sits in the window: scaled uniformly to the largest size that fits the
// window's drawable, centred, black bars beside or above and below it. The presenter draws the
// frame there, and the input translation takes pointer positions back through the same placing, so
// the game sees frame pixels whatever the window's size (full screen on another desktop size, a
// resized window, a drawable larger than its window on HiDPI displays).
#pragma once

namespace os::fit {

struct Placement {
  int x = 0, y = 0, width = 0, height = 0;   // in drawable pixels, y downwards
};

// The frame of frameWidth x frameHeight fitted into an area of areaWidth x areaHeight. A frame that
// already has the area's size fills it exactly; an empty frame or area gives the whole area.
Placement Fit(int frameWidth, int frameHeight, int areaWidth, int areaHeight);

// The size of the window on screen (the units SDL gives pointer positions in) and of its drawable.
struct Window {
  int width = 0, height = 0, drawableWidth = 0, drawableHeight = 0;
};

// A point in window units to the frame pixel under it; points over the bars clamp to the frame's
// nearest edge pixel, points outside the window are carried on linearly.
void WindowToFrame(const Window& window, int frameWidth, int frameHeight, int x, int y, int* fx, int* fy);
// A frame pixel to the window point at its centre (for warping the pointer). The inverse of
// WindowToFrame wherever the frame is shown at least at its own size.
void FrameToWindow(const Window& window, int frameWidth, int frameHeight, int fx, int fy, int* x, int* y);

// The size of the frame the main window shows, noted by the presenter; 0 x 0 until a frame is
// presented into the current main window (pointer positions then pass unchanged).
void NoteShownFrame(int width, int height);
void ForgetShownFrame();
bool ShownFrame(int* width, int* height);

}  // namespace os::fit
