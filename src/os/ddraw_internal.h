// Shared internals of the DirectDraw, Direct3D and utility stand-ins: the surface object with its
// system-memory pixels and GL mirror, pixel format conversion, the display state that a DirectDraw
// object and its surfaces share, and the test configuration. Not for callers outside src/os.
#pragma once
#include <atomic>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "os/d3d.h"
#include "os/gl.h"

namespace os::dd {

// ---- pixel formats -------------------------------------------------------------------------------
DDPIXELFORMAT MakeRgbFormat(DWORD bits, DWORD a, DWORD r, DWORD g, DWORD b);
DDPIXELFORMAT FormatOfDepth(DWORD bits);    // 16: R5G6B5, else X8R8G8B8
int BytesPerPixel(const DDPIXELFORMAT& f);  // 0 for formats without a byte size we handle
bool IsArgb8888(const DDPIXELFORMAT& f);
uint32_t ToArgb(const DDPIXELFORMAT& f, uint32_t raw);    // missing alpha reads as 255
uint32_t FromArgb(const DDPIXELFORMAT& f, uint32_t argb);
uint32_t ReadPixel(const uint8_t* p, int bytes);
void WritePixel(uint8_t* p, int bytes, uint32_t value);

// ---- display state shared by a DirectDraw object and its surfaces ---------------------------------
struct Display {
  HWND window = nullptr;       // cooperative-level window
  DWORD level = 0;             // DDSCL_* last set
  bool modeSet = false;        // a SetDisplayMode is in force
  DWORD width = 0, height = 0, bits = 0, refresh = 0;
  bool vsync = false;          // WaitForVerticalBlank was asked for
};

// ---- test configuration --------------------------------------------------------------------------
struct TestConfig {
  std::optional<std::vector<TestAdapter>> adapters;
  std::optional<std::vector<TestDisplayMode>> modes;
  bool memorySet = false;
  DWORD memoryTotal = 256u << 20;
  int64_t memoryBudget = 256ll << 20;  // bytes still free for video-memory surfaces
  std::string description;
  DWORD desktopBits = 32;
  std::optional<D3DDEVICEDESC7> deviceDesc;
  std::vector<DDPIXELFORMAT> textureFormats;
  bool noZFormats = false;
};
TestConfig& Config();          // caller holds Lock()
std::recursive_mutex& Mutex();

// ---- reference counting ----------------------------------------------------------------------------
// AddRef/Release of every object of the layer; Release deletes at zero.
template <class Interface>
class ComObject : public Interface {
 public:
  ULONG AddRef() override { return ++mRefs; }
  ULONG Release() override {
    ULONG n = --mRefs;
    if (n == 0) delete this;
    return n;
  }

 private:
  std::atomic<ULONG> mRefs{1};
};

struct DeferredFrame;

// ---- surfaces ------------------------------------------------------------------------------------
class Surface final : public ComObject<IDirectDrawSurface7> {
 public:
  Surface(std::shared_ptr<Display> display, const DDSURFACEDESC2& desc, int64_t budgetBytes);

  HRESULT QueryInterface(REFIID iid, void** out) override;
  HRESULT AddAttachedSurface(LPDIRECTDRAWSURFACE7 depth) override;
  HRESULT Blt(RECT* destRect, LPDIRECTDRAWSURFACE7 source, RECT* sourceRect, DWORD flags, LPDDBLTFX fx) override;
  HRESULT BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE7 source, RECT* sourceRect, DWORD flags) override;
  HRESULT DeleteAttachedSurface(DWORD flags, LPDIRECTDRAWSURFACE7 depth) override;
  HRESULT Flip(LPDIRECTDRAWSURFACE7 target, DWORD flags) override;
  HRESULT GetAttachedSurface(LPDDSCAPS2 caps, LPDIRECTDRAWSURFACE7* out) override;
  HRESULT GetCaps(LPDDSCAPS2 caps) override;
  HRESULT GetDC(HDC* dc) override;
  HRESULT ReleaseDC(HDC dc) override;
  HRESULT GetFlipStatus(DWORD flags) override;
  HRESULT GetPixelFormat(LPDDPIXELFORMAT format) override;
  HRESULT GetSurfaceDesc(LPDDSURFACEDESC2 desc) override;
  HRESULT IsLost() override;
  HRESULT Lock(RECT* rect, LPDDSURFACEDESC2 desc, DWORD flags, HANDLE event) override;
  HRESULT Unlock(RECT* rect) override;
  HRESULT Restore() override;
  HRESULT SetClipper(LPDIRECTDRAWCLIPPER clipper) override;

  // For the device and the utility functions.
  int Width() const { return static_cast<int>(mDesc.dwWidth); }
  int Height() const { return static_cast<int>(mDesc.dwHeight); }
  const DDPIXELFORMAT& Format() const { return mDesc.ddpfPixelFormat; }
  DWORD Caps() const { return mDesc.ddsCaps.dwCaps; }
  bool IsDepth() const { return (Caps() & DDSCAPS_ZBUFFER) != 0; }
  bool IsRenderable() const;     // may be a render target
  bool Lost() const { return mLost; }
  void SetLost(bool lost) { mLost = lost; }
  void SetBackBuffer(Surface* back);   // takes a reference
  bool HasDepth() const { return mZ != nullptr; }
  Surface* DepthBuffer() const { return mZ; }
  // Depth buffers: a clear of the whole buffer waits until a draw tests depth (most frames draw in
  // 2D only); ApplyDepthClear does it into the bound framebuffer.
  void NoteDepthClear(float z) {
    mDepthClearPending = true;
    mDepthClearValue = z;
  }
  void ApplyDepthClear();
  // Changes with every change of the pixels (a number no other surface state shares).
  uint64_t Generation() const { return mGeneration; }
  // The texture's alpha is 1 everywhere: its pixels were last uploaded from a format without
  // alpha (anything drawn or copied into it since makes a new generation).
  bool OpaqueTexels() const { return mOpaqueGeneration != 0 && mOpaqueGeneration == mGeneration; }
  void SetWantMipmaps(bool on) { mMipmaps = on; }
  uint8_t* Row(int y) {
    mUntouched = false;
    return mPixels.get() + static_cast<size_t>(y) * mPitch;
  }
  int Pitch() const { return mPitch; }

  // GL mirror. Each prepares the side it names: the texture current (uploads pending pixels), the
  // framebuffer object bound for drawing, or the system-memory pixels current (reads back drawing).
  // BindAsTarget says how much of the colour the caller is about to change.
  enum class Change { None, Part, Whole };
  GLuint Texture();
  bool BindAsTarget(Change change = Change::Part);
  void SyncToMemory();
  void SyncRectToMemory(const RECT& rect);   // reads back that part only (GL stays newer)
  void MarkDrawn() { mGpuNewer = true; }   // GL drew into the framebuffer object
  void MarkWritten();                      // the pixels changed; upload now or before the next use
  GLuint Framebuffer();                    // made on demand, with the attached depth buffer
  // Whether draws into this surface may wait in a frame log (it has a framebuffer object, or will:
  // a deferred frame's pixels are not needed for that).
  bool CanLogDraws() { return mDeferred ? os::gl::OnGlThread() : Framebuffer() != 0; }
  // A fill of the whole surface waits until its GL side is next used: a cleared frame that is only
  // presented costs no pass over its pixels.
  bool ClearPending() const { return mClearPending; }
  // Fills a rectangle with a colour on the GL side (false when there is no framebuffer to fill).
  bool FillArgb(const RECT& rect, uint32_t argb);
  uint32_t SolidArgb() const { return mSolidArgb; }
  GLuint DepthRenderbuffer();              // depth buffers only
  // A deferred frame (see d3d_frame.h) this surface or its overlay holds draws itself into the
  // pixels now.
  void ResolveDeferred();
  void ResolveDeferredOverlay() { CopyInOverlay(); }
  bool HoldsDeferred(const DeferredFrame* frame) const { return frame && mDeferred.get() == frame; }
  bool ShowsDeferred(const DeferredFrame* frame) const { return frame && mOverlay.deferred.get() == frame; }

 private:
  ~Surface() override;
  // Blt and Flip themselves, after a repeated frame's draws were dropped (see d3d_frame.h).
  HRESULT BltNow(RECT* destRect, LPDIRECTDRAWSURFACE7 source, RECT* sourceRect, DWORD flags, LPDDBLTFX fx);
  HRESULT FlipNow(LPDIRECTDRAWSURFACE7 target, DWORD flags);
  // Shows a region of `from` in the window; the frame is remembered in `kept` (same pixels) if given.
  HRESULT Present(Surface* from, const RECT& region, Surface* kept = nullptr, const RECT& keptRegion = RECT{});
  // Frames drawn straight into the window (ddraw_direct.cpp). On this primary, shows the whole of
  // `from` at `dst` by drawing its logged frame into the window; false when the frame or the window
  // does not allow it (nothing changed then).
  bool PresentDirect(Surface* from, const RECT& dst);
  // The same for a Blt to this primary with those arguments: only a whole, unclipped, unscaled one.
  bool PresentDirectBlt(Surface* from, const RECT* dst, const RECT* src, DWORD flags);
  // A present of `from` at `dst` again, with nothing drawn since the deferred frame this primary
  // shows of it: true when handled (the window already shows it, or it is drawn there again).
  bool PresentDeferredAgain(Surface* from, const RECT& dst);
  // A frame of `from` that repeats the draws of the one the window shows, drawn over pixels that
  // changed since (a hit test drew into the back buffer, say) but covering them all: the window is
  // right already, so the frame is only kept as deferred pixels of `from` and this primary.
  bool KeepRepeatedFrame(Surface* from, const RECT& dst, uint64_t key);
  // The whole of `from` shown at `dst` of this primary unclipped and unscaled, as a Blt with those
  // arguments asks: false when it does not.
  bool WholeUnscaledBlt(Surface* from, const RECT* dst, const RECT* src, DWORD flags, RECT* at);
  void AdoptFrame(Surface* from, const std::shared_ptr<DeferredFrame>& frame, const RECT& dst);
  bool CanAdoptFrameOf(const Surface* from) const;   // on the GL thread, neither lost nor locked
  // Draws a kept frame of `from` into the window and swaps; false when the window cannot take it.
  bool DrawFrameIntoWindow(DeferredFrame& frame, Surface* from);
  // The window presents go to: the display's, or the clipper's when it has one.
  HWND PresentWindow() const {
    HWND window = mDisplay->window;
    if (mClipper) mClipper->GetHWnd(&window);
    return window;
  }
  void DropDeferred();   // this surface's pixels are about to be replaced whole
  void ShowDeferredOverlay(Surface* from, const std::shared_ptr<DeferredFrame>& frame, const RECT& dst);
  HRESULT CopyFrom(Surface* src, const RECT& dst, const RECT& srcRect);
  HRESULT Fill(const RECT& rect, DWORD raw);
  GLuint BindFramebufferOf(GLuint texture);   // this surface's framebuffer object around `texture`
  void ClearNow();                            // carries out a pending fill
  void UploadZeros();
  void Upload();
  // Called before this surface's GL pixels change: the frame remembered for the tests and a
  // surface showing this one's texture (see Overlay) are taken care of first.
  void BeforeGlChange(Change change);
  // Shows `src` of another surface's texture at `dst` here, without copying (yet).
  void ShowOverlay(Surface* from, const RECT& src, const RECT& dst);
  void CopyInOverlay();   // the copy, done when this surface is next used
  void DropOverlay();

  // The windowed primary after a present holds the presented region of the back buffer as an
  // overlay: the back buffer's texture itself, copied in only when the primary is next used or
  // the back buffer is about to change. When the back buffer is about to be overwritten whole, it
  // hands its texture over, with the framebuffer object around it, and takes a spare pair instead,
  // so a frame that starts afresh copies nothing. Pairs keep their attachments: changing those
  // under a framebuffer every frame stalls the software renderer.
  // An overlay may also be a colour: the frame of a source with a fill still pending.
  struct Overlay {
    Surface* from = nullptr;   // the surface whose texture it is, while that one still has it
    GLuint texture = 0;        // 0: no overlay, or a colour
    bool owned = false;        // handed over: goes back to the spares with the overlay
    int width = 0, height = 0;
    RECT src{}, dst{};
    bool solid = false;        // the colour `argb` over dst
    uint32_t argb = 0;
    GLuint framebuffer = 0;    // owned: the framebuffer object around the texture
    GLuint attachedDepth = ~0u;
    uint64_t depthEpoch = 0;   // of that attachment (see the spares)
    // A frame not drawn anywhere but the window: `from`, while it still holds it, draws it first.
    std::shared_ptr<DeferredFrame> deferred;
  };
  Overlay mOverlay;
  bool HasOverlay() const { return mOverlay.texture || mOverlay.solid || mOverlay.deferred; }
  std::shared_ptr<DeferredFrame> mDeferred;   // this surface's pixels are that frame, not yet drawn
  void Touch();                  // the pixels changed: a new generation
  uint64_t mGeneration = 0;
  uint64_t mOpaqueGeneration = 0;  // the generation OpaqueTexels holds for
  bool mSolid = false;           // filled whole with mSolidArgb since the last other change
  bool mClearPending = false;    // that fill is not yet done on the GL side
  bool mDepthClearPending = false;
  float mDepthClearValue = 1;
  uint32_t mSolidArgb = 0;
  Surface* mShownIn = nullptr;   // the surface holding an overlay of this one's texture
  GLuint mAttachedDepth = ~0u;   // the depth renderbuffer attached to the framebuffer object
  std::shared_ptr<Display> mDisplay;
  DDSURFACEDESC2 mDesc{};
  int mPitch = 0;
  // Zeroed by the allocator: a large surface's memory comes as fresh pages that cost nothing until
  // touched, where filling it here would write every byte of every surface made.
  std::unique_ptr<uint8_t, void (*)(void*)> mPixels{nullptr, std::free};
  int64_t mBudgetBytes = 0;      // taken from the video memory budget, given back on release
  bool mLocked = false;
  DWORD mLockFlags = 0;
  bool mLost = false;
  bool mMipmaps = false;
  bool mCpuNewer = true;         // the pixels changed since the last upload
  bool mUntouched = true;        // the memory still holds the zeros it was made with
  bool mGpuNewer = false;        // GL drew since the last read-back
  GLuint mTexture = 0, mFramebuffer = 0, mDepth = 0;
  Surface* mBack = nullptr;      // attached back buffer (primary of a flipping chain)
  Surface* mZ = nullptr;         // attached depth buffer
  IDirectDrawClipper* mClipper = nullptr;
};

Surface* AsSurface(IDirectDrawSurface7* s);   // our own surfaces only (all are)
// Live surfaces, for the lost marks and the leak count. Caller of ForEach holds Mutex().
void Register(Surface* s);
void Unregister(Surface* s);
template <class F> void ForEachSurface(F f);
std::vector<Surface*>& Registry();
template <class F> void ForEachSurface(F f) { for (Surface* s : Registry()) f(s); }
// The frame TestReadPresentedFrame reads: presenting remembers the region of the surface shown;
// a surface calls PresentedSurfaceChanging before its pixels change or it goes, which copies the
// frame aside when that surface holds it.
void RememberPresentedFrame(Surface* source, int x, int y, int width, int height);
void ForgetPresentedFrame();
void PresentedSurfaceChanging(Surface* surface);
// Counts a GL-side copy of a frame kept for showing (the test interface's TestFrameCopyCount).
void CountFrameCopy();
bool PresentedFrameIn(const Surface* surface);
// Draws a deferred frame, its fill first, into a framebuffer object of its size.
void DrawDeferredOffscreen(DeferredFrame& frame, GLuint framebuffer);
// Draws the primitives a device has gathered but not yet handed to GL. Everything that reads or
// changes a surface's pixels calls it first, so batched drawing keeps its order with the rest.
void FlushPendingDraws();
// Video memory budget: takes bytes (false when they do not fit), gives them back.
bool TakeVideoMemory(int64_t bytes);
void GiveVideoMemory(int64_t bytes);
// A white 1x1 texture bound when a stage has none, so texture arguments read as white.
GLuint WhiteTexture();
// The Direct3D object of a DirectDraw object (holds a reference to it).
IDirect3D7* NewDirect3D(IDirectDraw7* dd);
// A Direct3D device drawing into `target` (d3d.cpp).
IDirect3DDevice7* NewDevice(IDirect3D7* d3d, Surface* target);
// The DirectDraw object behind a device (not AddRef'd), null for none.
IDirectDraw7* DirectDrawOfDevice(IDirect3DDevice7* device);
// The default device description (GL limits) unless a test set one.
D3DDEVICEDESC7 DeviceDesc();
extern const GUID kHalDeviceGuid;

}  // namespace os::dd
