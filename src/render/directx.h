// The device context behind the display handler: the DirectDraw display (CDisplay), the Direct3D
// object and device, the depth buffer, the desktop metrics and the adapter description. Create
// builds a complete device for one display mode, with the requirements (a hardware renderer,
// 1024 x 1024 textures) and the adapter quirks; a mutex serialises drawing with the pointer thread.
#pragma once
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "core/string.h"
#include "core/task.h"
#include "os/d3d.h"
#include "render/ddutil.h"

class MouseTextureListener;

class TDXContext {
 public:
  // One run of cursor-image pixels on a row, already in the screen's format: pre-multiplied colour
  // channels in their masks and 255 - alpha in the top byte.
  struct PixelRun {
    int16_t x;
    int16_t row;
    std::vector<uint32_t> pixels;
  };

  // Creation flags.
  static constexpr int kCreateAlways = 1;
  static constexpr int kCreateChild = 2;       // the window is a child of a host window
  static constexpr int kCreateAntialias = 4;   // ask for anti-aliasing

  // What the context needs to know of the platform (the display handler fills it in).
  struct PlatformView {
    bool hosted = false;    // the platform runs inside a host window
    bool scaling = false;   // the window shows the game scaled
    float scale = 1.0f;     // viewport scale while scaling
    bool movieMode = false; // the window manager shows a movie: the image is not drawn
    // Adds a task to the platform's task list (the cursor listener); none: the task is dropped.
    std::function<void(std::unique_ptr<TTask>)> addTask;
  };

  TDXContext();
  virtual ~TDXContext();
  TDXContext(const TDXContext&) = delete;
  TDXContext& operator=(const TDXContext&) = delete;

  bool Create(HWND window, bool fullScreen, int width, int height, int bitsPerPixel, int flags);
  // Releases the device, the Direct3D object and the display's objects; the desktop is repainted.
  void ReleaseDevice();
  // Window mode: copies the front buffer's window region into the back buffer before drawing.
  bool PrepareBackBuffer();
  // Shows the back buffer (waiting for the vertical blank in full screen when that option is on).
  HRESULT Present();
  // Reads HORZRES, VERTRES and NUMCOLORS of the screen.
  void RefreshDesktopMetrics();
  // True when a window of this client size (plus its frame) does not fit the desktop.
  bool WindowDoesNotFit(int width, int height) const;
  // Waiting for the vertical blank before a full-screen present (configuration "vsync").
  void SetCursorOption(int waitForVerticalBlank) { mWaitForVerticalBlank = waitForVerticalBlank != 0; }

  // Cursor image, composited into every presented frame and taken out of the back buffer again.
  // The image is a 32-bit ARGB picture (rows `pitch` pixels apart): a hardware image keeps the pixels
  // with alpha, a software image drops near-white pixels and makes the rest opaque.
  bool SetMouseImage(const uint32_t* argb, int width, int height, int pitch, int hotX, int hotY, bool hardware);
  // Where the image goes, in window pixels; (-1, -1) reads the pointer. Answers where the image now
  // is, or (-1, -1) when the point is outside the window. Safe from the pointer thread: it only
  // records the position (the image moves with the next presented frame), so it never waits.
  POINT SetMouseImagePosition(int x, int y);
  POINT GetMouseImagePosition() const { return POINT{mImageX.load(), mImageY.load()}; }
  void HideMouseImage() { mImageX = mImageY = -1; }
  // Builds the image again for the current device (after a device change, or at the listener's
  // turn). A call while another runs logs "Second concurrent call to RestoreMouseImage" and returns.
  void RestoreMouseImage();
  void ShowHardwareCursor(bool on) { mImageMode = on; }
  bool IsImageMode() const { return mImageMode; }

  CDisplay& GetDisplay() { return mDisplay; }
  IDirectDraw7* GetDirectDraw() const { return mDisplay.GetDirectDraw(); }
  IDirect3D7* GetDirect3D() const { return mDirect3D.get(); }
  IDirect3DDevice7* GetDevice() const { return mDevice.get(); }
  // A surface like the back buffer, with its depth buffer, that render targets are drawn in: a
  // render target drawn in the back buffer would spoil the frame kept there (made on first use;
  // the back buffer itself when it cannot be made).
  IDirectDrawSurface7* GetRenderTargetSurface();
  const TString& GetDeviceInfo() const { return mDeviceInfo; }
  const DDSURFACEDESC2& GetDisplayModeDesc() const { return mDisplayMode; }
  DWORD GetColorMask() const { return mColorMask; }
  HANDLE GetMouseMutex() const { return mMouseMutex; }

  void SetClipperWindow(HWND window) { mClipperWindow = window; }
  PlatformView mPlatform;

  // Flags read and set by the display handler.
  bool mHardwareDevice = false;
  bool mSixteenColors = false;            // the desktop has 16 colours or fewer
  bool mWindowedOutOfMemory = false;      // the last windowed creation ran out of video memory
  bool mBackBufferInVideoMemory = false;  // the device wants its target in video memory
  bool mRenderTargets16BitFail = false;
  bool mSourceColorKeyBlits = true;
  bool mLowMemoryVideo = false;           // set by the adapter quirk; the handler keeps the mode
  bool mExpandIndexedDraws = false;       // draw indexed lists as plain vertex lists
  int mDesktopColors = -1;
  int mDesktopWidth = 0;
  int mDesktopHeight = 0;

 private:
  bool CreateDevice(HWND window, bool fullScreen, int width, int height, int bitsPerPixel, int flags);
  void AdapterQuirks(const DDDEVICEIDENTIFIER2& id, HWND window, bool fullScreen, int width, int height,
                     int bitsPerPixel, int flags, bool* recreated, bool* result);

  TString mDeviceInfo;
  HWND mClipperWindow = nullptr;
  CDisplay mDisplay;
  ComOwned<IDirect3D7> mDirect3D;
  ComOwned<IDirect3DDevice7> mDevice;
  ComOwned<IDirectDrawSurface7> mDepthBuffer;
  ComOwned<IDirectDrawSurface7> mTargetSurface;
  D3DDEVICEDESC7 mDeviceDesc{};
  DDSURFACEDESC2 mDisplayMode{};
  DDPIXELFORMAT mDepthFormat{};
  DWORD mColorMask = 0;
  bool mWaitForVerticalBlank = false;
  bool mImageDrawn = false;
  HANDLE mMouseMutex = nullptr;

  // Cursor image state.
  void CacheWindow();   // the window's place, for the pointer thread
  bool DrawImageIntoBackBuffer();
  void TakeImageOutOfBackBuffer();
  void HideDrawnImage();   // puts the background back on the front buffer
  std::vector<PixelRun> mRuns;
  std::vector<uint32_t> mImagePixels;   // the image as set, to rebuild the runs for a new device
  int mImageWidth = 0, mImageHeight = 0, mImagePitch = 0;
  bool mImageHardware = false;
  int mHotX = 0, mHotY = 0;             // negated hot spot
  DDPIXELFORMAT mRunFormat{};
  bool mImageMode = true;
  ComOwned<IDirectDrawSurface7> mImageSurface, mSavedSurface;
  RECT mShownRect{0, 0, 0, 0};          // where the image was composited (back buffer pixels)
  RECT mShownSource{0, 0, 0, 0};        // the part of the image surfaces it used
  std::atomic<int> mImageX{-1}, mImageY{-1};
  std::atomic<int> mWindowLeft{0}, mWindowTop{0}, mClientWidth{0}, mClientHeight{0};
  bool mImageNeedsRestore = false;
  MouseTextureListener* mListener = nullptr;   // owned by the platform's task list
  friend class MouseTextureListener;
};

// Runs TDXContext::RestoreMouseImage with the platform's tasks; ends when its context goes.
class MouseTextureListener : public TTask {
 public:
  explicit MouseTextureListener(TDXContext* context) : mContext(context) {}
  ~MouseTextureListener() override;
  bool Run() override;

 private:
  friend class TDXContext;
  TDXContext* mContext;
};

// Builds the runs of a cursor image for a screen format (see TDXContext::SetMouseImage).
std::vector<TDXContext::PixelRun> BuildPixelRuns(const uint32_t* argb, int width, int height, int pitch,
                                                 bool hardware, const DDPIXELFORMAT& screen);
// Blends runs into locked pixels of the screen format, the image's top-left at (x, y): each channel
// becomes background * (255 - alpha) / 256 + the pre-multiplied value. Pixels outside are skipped.
void DrawPixelRuns(const std::vector<TDXContext::PixelRun>& runs, uint8_t* bits, int pitch, int width, int height,
                   const DDPIXELFORMAT& screen, int x, int y);
