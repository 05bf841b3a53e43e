// DirectDraw set-up of the display: the DirectDraw object and the two screen surfaces, made for a
// full-screen mode (walking the enumerated display devices until one accepts it) or for a window.
// The device context builds Direct3D on top of the back buffer made here.
#pragma once
#include <memory>

#include "os/ddraw.h"

// Releases a COM-style object when its owner goes.
struct ComRelease {
  void operator()(IUnknown* object) const {
    if (object) object->Release();
  }
};
template <class T>
using ComOwned = std::unique_ptr<T, ComRelease>;

// Logs a failed DirectX call as "DX Error: %s (0x%x), File %s, Line %d" (empty text) and, for
// DDERR_OUTOFVIDEOMEMORY, calls the out-of-video-memory hook.
void DxError(HRESULT result, const char* sourceFile, int line);
// The platform's out-of-video-memory reaction (the display back end installs it); none by default.
void SetOutOfVideoMemoryHook(void (*hook)());

// A surface made by CDisplay::MakeSurface with its description as read back after creation.
class CDisplaySurface {
 public:
  ComOwned<IDirectDrawSurface7> mSurface;
  DDSURFACEDESC2 mDesc{};
};

class CDisplay {
 public:
  CDisplay() = default;
  virtual ~CDisplay();
  CDisplay(const CDisplay&) = delete;
  CDisplay& operator=(const CDisplay&) = delete;

  // Releases the back buffer, the front buffer and the DirectDraw object (back to normal level first).
  virtual void ReleaseObjects();

  // Full screen at width x height; the mode word's low 16 bits are creation flags (4: anti-aliasing
  // hint), its high 16 bits the number of the device attempt.
  HRESULT CreateFullScreenMode(HWND window, DWORD width, DWORD height, DWORD bitsPerPixel, DWORD modeWord);
  // A window whose client area is width x height (flags 2: child of a host window, 4: anti-aliasing).
  // Failures are logged and returned; running out of video memory is the caller's to handle.
  HRESULT CreateWindowMode(HWND window, HWND clipperWindow, DWORD width, DWORD height, bool videoMemory,
                           DWORD flags);
  // Shows the back buffer: a blit into the window, or a flip.
  HRESULT PresentFrame();
  // Re-reads the window rectangle (client area in screen pixels, or the whole screen).
  void RefreshBounds();
  POINT GetWindowOrigin();
  // A plain surface (default caps DDSCAPS_OFFSCREENPLAIN) of the size and, when given, format.
  HRESULT MakeSurface(CDisplaySurface** out, DWORD width, DWORD height, const DDPIXELFORMAT* format,
                      const DDSCAPS2* caps);

  IDirectDraw7* GetDirectDraw() const { return mDirectDraw.get(); }
  IDirectDrawSurface7* GetFrontBuffer() const { return mFrontBuffer.get(); }
  IDirectDrawSurface7* GetBackBuffer() const { return mBackBuffer.get(); }
  HWND GetWindow() const { return mWindow; }
  const RECT& GetWindowRect() const { return mWindowRect; }
  bool IsWindowed() const { return mWindowed; }
  bool WasCreatedBefore() const { return mCreatedBefore; }

 private:
  HRESULT CreateFullScreenAttempt(HWND window, DWORD width, DWORD height, DWORD bitsPerPixel, DWORD flags,
                                  DWORD attempt, bool* exhausted);
  void FillBlack(IDirectDrawSurface7* surface);

  ComOwned<IDirectDraw7> mDirectDraw;
  ComOwned<IDirectDrawSurface7> mFrontBuffer;
  ComOwned<IDirectDrawSurface7> mBackBuffer;
  HWND mWindow = nullptr;
  RECT mWindowRect{0, 0, 0, 0};
  bool mWindowed = false;
  bool mCreatedBefore = false;
};
