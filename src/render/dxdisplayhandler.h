// The display back end: one global handler that owns the display state (TPlatformData) and through
// it the device context. SetDisplay chooses and (re)creates the display with its fallbacks between
// full screen and a window; the frame, viewport, render-target, vertex and device-loss operations
// run on the device it made. The cursor-image position is kept here for the pump and pointer thread.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "core/rect.h"
#include "core/string.h"
#include "os/win32types.h"
#include "render/platformdata.h"

class TTexture;
class TTextureData;
struct TVertexSet;

class TDxDisplayHandler {
 public:
  TDxDisplayHandler();
  ~TDxDisplayHandler();
  TDxDisplayHandler(const TDxDisplayHandler&) = delete;
  TDxDisplayHandler& operator=(const TDxDisplayHandler&) = delete;

  // The drawing context's handler, or null while there is no drawing context.
  static TDxDisplayHandler* GetInstance();
  // The drawing context's handler takes the out-of-video-memory reports of the DirectX calls and
  // knows the main thread; called by the context when it makes and ends its handler.
  void BecomeProcessDisplay();
  void LeaveProcessDisplay();

  // Chooses and (re)creates the display (see the .cpp for the order of checks and fallbacks).
  void SetDisplay(int32_t width, int32_t height, bool fullScreen, bool force, bool silent, bool child);
  // Whether the device can draw: the device exists and is not broken (a missing part marks it
  // broken). Before the first SetDisplay there is nothing to lose: ready unless mReady says no.
  bool IsReady();
  // Whether the last flip has completed (the facade's display-ready test).
  bool IsFlipDone();
  bool IsFullScreen() const { return mFullScreen; }
  void GetDisplaySize(int32_t* width, int32_t* height, bool* fullScreen) const;
  // Switches between full screen and a window; false when a window cannot be had here.
  bool SetFullScreen(bool fullScreen);
  // Forgets the frames counted since the last reset (the window went inactive).
  void ResetStateFlag() {
    mStateFlag = false;
    mData->mFrameCount = 0;
  }
  // Display ready and not broken (the polling thread moves the cursor image only then).
  bool CanRender() const {
    if (!mReady) return false;
    return !mSetUp || (mData->mDisplayReady && !mData->mBroken);
  }
  // Where the cursor image stands, in window pixels (safe from the polling thread).
  POINT GetMouseImagePosition() const {
    std::lock_guard<std::mutex> guard(mMouseLock);
    return mMouseImage;
  }
  // Moves the cursor image to a point (-1, -1: where the pointer is) and answers the point it took.
  POINT SetMouseImagePosition(int x, int y);
  void HideMouseImage();
  bool IsMouseImageVisible() const { return mMouseImageVisible; }
  // The screen rectangle the cursor image maps to (the window's client area).
  RECT GetCursorRect() const {
    std::lock_guard<std::mutex> guard(mMouseLock);
    return mCursorRect;
  }
  void RefreshCursorRect();
  // Sets the system pointer for the client area; true when it did so (a hardware cursor is shown).
  // With a colour cursor made from the hardware cursor's texture, the pointer shows that.
  bool UpdateSystemCursor();
  // Reads the desktop's size and depth again.
  void RefreshDesktopMetrics();
  // Shows a frame cleared to the colour (0xAARRGGBB): through the device when there is one, else
  // straight into the window.
  bool PresentFrame(uint32_t argb);
  // The cursor's texture and hot spot: the system pointer's image (hardware) or the drawn one.
  void SetMouseTexture(const std::shared_ptr<TTexture>& texture, int32_t hotX, int32_t hotY, bool hardware);
  void ShowHardwareCursor(bool show) { mHardwareCursor = show; }
  // Waiting for the vertical blank before a full-screen present ("vsync").
  void SetCursorOption(bool vsync);
  // Asks DirectDraw to show the desktop's surface (a movie window opened).
  void NotifyWindowChanged();
  // DirectX is broken until the next restore: draws stop, "dxbroken" is "1".
  void MarkBroken();
  // MarkBroken unless the last mark is at most 250 ms old (texture data marks in bursts).
  void MarkBrokenThrottled();
  // The pixel storage of a new texture.
  std::unique_ptr<TTextureData> CreateTextureData();
  // Whether a SetDisplay ever made a device (the pump's restore works only then).
  bool WasSetUp() const { return mSetUp; }

  // Frames.
  bool BeginDraw(bool prepare);
  HRESULT EndDraw(bool present);
  void SetViewport(int left, int top, int right, int bottom);
  void PushViewport(int left, int top, int right, int bottom);
  void PopViewport();
  void GetViewport(int* left, int* top, int* right, int* bottom) const;
  void SetClipRect(const TRect& clip);
  bool SwitchRenderTarget(IDirectDrawSurface7* current, IDirectDrawSurface7* target);
  // After a render target: the device draws into the back buffer again.
  void LeaveRenderTargetSurface();
  bool BeginRenderTarget(const std::shared_ptr<TTexture>& texture, int mode);
  void EndRenderTarget();
  // Render-target mode 4 (the texture's alpha is rendered into the colour channels) is active.
  bool IsAlphaMode() const { return mData->mRenderTargetTexture && mData->mRenderTargetMode == 4; }
  void DrawVertices(int primitive, const TVertexSet& set);
  void DrawIndexedVertices(int primitive, const TVertexSet& set, const uint16_t* indices, int count);
  void SetTexture(const std::shared_ptr<TTexture>& texture);
  // Device loss: the pump's restore, the assets' restore and the low-video-memory switch.
  void RestoreDisplay();
  void RestoreAssets();
  void OutOfVideoMemory();
  // Any thread may report running out of video memory; the main thread acts on it here (the
  // event pump's restore and every frame begin call it).
  static void ReportOutOfVideoMemory();
  void HandleOutOfVideoMemoryReports();
  void WaitForFlip();
  // Finds the pixel-centre offset at which textures land pixel-exact, by drawing a marked 16 x 16
  // texture into a render target at ten offsets from -0.5 to 0.4 (-0.5 when none hits). Runs once;
  // the platform calls it after the first SetDisplay.
  void TestRenderTargets();

  // Blocks and states for the drawing context.
  bool Begin2d();
  void End2d();
  bool Begin3d();
  void End3d();
  void SetBlendMode(int kind);
  void SetCullMode(int kind);
  void SetTextureFilter(int filter);
  void SetRenderOption(const TString& name, const TString& value);
  TString GetRenderOption(const TString& name) const;
  bool NeedsSquareTextures() const { return mData->mSquareTexturesOnly; }
  // Fills a rectangle of a surface with a colour (red, green, blue, alpha 0..1) through a colour
  // fill blit, the fill value built from the surface's channel masks.
  HRESULT ColorFill(IDirectDrawSurface7* surface, const TRect& rect, const TVec4& color);
  // The back buffer (the target of frames) or null.
  IDirectDrawSurface7* GetBackBuffer() const;
  float GetPixelCentreOffset() const { return mData->mPixelCentreOffset; }

  TPlatformData* GetData() { return mData.get(); }
  const TPlatformData* GetData() const { return mData.get(); }

  // State the pump and its tests read and set: mReady false holds the display not ready whatever
  // the device says; mFullScreen is the current full-screen flag. Read by the polling thread.
  std::atomic<bool> mReady{true};
  std::atomic<bool> mFullScreen{false};
  bool mStateFlag = true;
  std::atomic<bool> mHardwareCursor{false};
  bool mMouseImageVisible = true;
  bool mVsync = false;
  POINT mMouseImage{0, 0};
  RECT mCursorRect{0, 0, 0, 0};
  HWND mWindow = nullptr;  // the window whose client area the cursor rectangle follows
  int32_t mWidth = 0, mHeight = 0;  // the display rectangle's size
  int mDesktopRefreshes = 0;
  int mImageUpdates = 0;   // SetMouseImagePosition calls
  int mOutOfVideoMemoryCalls = 0;
  // The cursor textures handed over: [0] drawn, [1] hardware.
  std::shared_ptr<TTexture> mMouseTexture[2];
  POINT mMouseHotSpot[2]{};
  HCURSOR mColorCursor = nullptr;  // the hardware cursor as the pointer's own image, when the back end has one

 private:
  bool ApplyViewport();
  void ApplyTextureStage();
  void BuildProjection();
  void SetLighting(int format);
  void SetDisplayFailed(int width, int height, bool fullScreen, bool silent, bool active);
  HRESULT Check(HRESULT result, int line);

  std::unique_ptr<TPlatformData> mData;
  std::shared_ptr<TTexture> mTexture;   // bound on stage 0
  bool mSetUp = false;
  bool mIn2d = false;
  bool mIn3d = false;
  mutable std::mutex mMouseLock;
};
