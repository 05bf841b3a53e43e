// The display state of the back end: the device pointers, rectangles, frame and broken flags, the
// render-target and low-video-memory state and the render switches. TDxDisplayHandler owns the one
// instance and does the work on it; the event pump reaches the restore through the static entry.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/math.h"
#include "core/rect.h"

// Kept free of the DirectX declarations, so that the platform's files can include it beside the
// sound headers.
class TDXContext;
class TTexture;
struct IDirectDraw7;
struct IDirect3D7;
struct IDirect3DDevice7;
struct IDirectDrawSurface7;

class TPlatformData {
 public:
  TPlatformData();
  ~TPlatformData();
  TPlatformData(const TPlatformData&) = delete;
  TPlatformData& operator=(const TPlatformData&) = delete;

  // Brings the display's surfaces and assets back (the pump calls it while the display is not
  // ready). Works on the display handler's instance once a display was set up; counts its calls.
  static void Restore();
  static int RestoreCount();

  IDirectDraw7* mDirectDraw = nullptr;     // of the device context, not owned
  IDirect3D7* mDirect3D = nullptr;         // not owned
  IDirect3DDevice7* mDevice = nullptr;     // not owned
  std::unique_ptr<TDXContext> mContext;
  IDirectDrawSurface7* mRenderTarget = nullptr;  // current target, not owned
  std::vector<TRect> mViewportStack;
  TRect mViewport;
  TRect mSurfaceRect;
  TRect mClipRect;
  TRect mDisplayRect;
  TRect mSavedViewport;                    // the viewport a render target began with
  int32_t mBlendMode = -1;
  int32_t mDisplayBitsPerPixel = 0;
  std::atomic<bool> mDisplayReady{false};   // read by the pointer thread
  bool mOutOfVideoMemoryReported = false;
  bool mDepthWrite = false;
  bool mDepthTest = false;
  bool mInScene = false;
  bool mRestoreBusy = false;
  uint32_t mFrameCount = 0;
  int32_t mRenderTargetMode = 0;
  std::shared_ptr<TTexture> mRenderTargetTexture;
  std::atomic<bool> mBroken{false};         // read by the pointer thread
  uint32_t mBrokenTime = 0;
  bool mFallbackInProgress = false;
  bool mFatal = false;
  bool mSeparateTextureMemories = false;
  bool mNoSpecularGouraud = false;
  bool mSquareTexturesOnly = false;
  bool mFullScreenHasWorked = false;
  bool mLowMemoryVideo = false;
  bool mSetDisplayBusy = false;
  bool mProjectionDirty = true;
  float mProjection[16] = {};                // the 2D projection, rows of the Direct3D matrix
  float mNear = 0.1f;
  float mFar = 1000.0f;
  bool mAntialias = false;
  bool mHintAntialias = false;
  bool mNewSubtractive = false;
  bool mNewRenderBlend = false;
  float mPixelCentreOffset = -0.5f;
  bool mCalibrated = false;
  std::vector<uint16_t> mIdentityIndices;  // identity list for "brokenindexedverts"
  uint16_t mIdentityCapacity = 0;
  std::vector<uint8_t> mExpanded;          // indexed draws expanded into plain lists
  bool mViewportScaleSaved = false;
  float mSavedViewportScale = 1.0f;
};
