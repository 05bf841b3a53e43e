// DirectDraw 7 of the platform stand-in: adapters, display modes, cooperative levels and surfaces.
// Surfaces keep their pixels in the format asked for (32-bit ARGB/XRGB, 16-bit 565/1555/4444) in
// system memory; a GL texture (and a framebuffer object for render surfaces) mirrors them, and
// whichever side changed last is copied over before the other is used. Display depth is logical:
// the GL framebuffer stays 32-bit while the layer reports and converts to the depth that was set.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "os/unknown.h"
#include "os/win32types.h"

// ---- results -------------------------------------------------------------------------------------
constexpr HRESULT DD_OK = S_OK;                                                    // success
constexpr HRESULT DDERR_GENERIC = E_FAIL;                                          // unspecified failure
constexpr HRESULT DDERR_INVALIDPARAMS = E_INVALIDARG;                              // bad argument
constexpr HRESULT DDERR_OUTOFMEMORY = E_OUTOFMEMORY;                               // system memory exhausted
constexpr HRESULT DDERR_CURRENTLYNOTAVAIL = static_cast<HRESULT>(0x88760028u);     // operation not possible now
constexpr HRESULT DDERR_OUTOFVIDEOMEMORY = static_cast<HRESULT>(0x8876017Cu);      // video memory budget exhausted
constexpr HRESULT DDERR_SURFACELOST = static_cast<HRESULT>(0x887601C2u);           // surface lost; Restore it
constexpr HRESULT DDERR_WASSTILLDRAWING = static_cast<HRESULT>(0x8876021Cu);       // previous operation pending
constexpr HRESULT DDERR_UNSUPPORTEDFORMAT = static_cast<HRESULT>(0x8876024Eu);     // pixel format not offered
// Codes below have no fixed number in the framework; they are this layer's own, negative and distinct.
constexpr HRESULT DDERR_WRONGMODE = static_cast<HRESULT>(0x88760F01u);             // display mode changed under us
constexpr HRESULT DDERR_NOEXCLUSIVEMODE = static_cast<HRESULT>(0x88760F02u);       // exclusive mode lost
constexpr HRESULT DDERR_EXCLUSIVEMODEALREADYSET = static_cast<HRESULT>(0x88760F03u);  // another object is exclusive
constexpr HRESULT DDERR_CANTCREATEDC = static_cast<HRESULT>(0x88760F04u);          // no device contexts on surfaces
constexpr HRESULT DDERR_INVALIDMODE = static_cast<HRESULT>(0x88760F05u);           // mode not in the mode list
constexpr HRESULT DDERR_SURFACEBUSY = static_cast<HRESULT>(0x88760F06u);           // surface already locked
constexpr HRESULT DDERR_NOTLOCKED = static_cast<HRESULT>(0x88760F07u);             // Unlock without Lock
constexpr HRESULT DDERR_INVALIDDIRECTDRAWGUID = static_cast<HRESULT>(0x88760F08u);  // unknown adapter GUID
constexpr HRESULT DDERR_INVALIDRECT = static_cast<HRESULT>(0x88760F09u);           // rectangle outside the surface
constexpr HRESULT DDERR_INVALIDCAPS = static_cast<HRESULT>(0x88760F0Au);           // contradictory capabilities
constexpr HRESULT DDERR_INVALIDPIXELFORMAT = static_cast<HRESULT>(0x88760F0Bu);    // unusable pixel format
constexpr HRESULT DDERR_NOCOOPERATIVELEVELSET = static_cast<HRESULT>(0x88760F0Cu);  // SetCooperativeLevel first
constexpr HRESULT DDERR_NOTFLIPPABLE = static_cast<HRESULT>(0x88760F0Du);          // Flip on a surface without back buffer
constexpr HRESULT DDERR_NOTFOUND = static_cast<HRESULT>(0x88760F0Eu);              // no such attached surface
constexpr HRESULT DDERR_SURFACEALREADYATTACHED = static_cast<HRESULT>(0x88760F0Fu);  // attach twice
constexpr HRESULT DDERR_CANNOTATTACHSURFACE = static_cast<HRESULT>(0x88760F10u);   // only depth buffers attach
constexpr HRESULT DDERR_SURFACENOTATTACHED = static_cast<HRESULT>(0x88760F11u);    // detach what is not attached
constexpr HRESULT DDERR_UNSUPPORTED = E_NOTIMPL;                                    // not offered here

// ---- flags ---------------------------------------------------------------------------------------
constexpr DWORD DDSD_CAPS = 0x1;                 // ddsCaps is valid
constexpr DWORD DDSD_HEIGHT = 0x2;               // dwHeight is valid
constexpr DWORD DDSD_WIDTH = 0x4;                // dwWidth is valid
constexpr DWORD DDSD_PITCH = 0x8;                // lPitch is valid
constexpr DWORD DDSD_BACKBUFFERCOUNT = 0x20;     // dwBackBufferCount is valid
constexpr DWORD DDSD_LPSURFACE = 0x800;          // lpSurface is valid
constexpr DWORD DDSD_PIXELFORMAT = 0x1000;       // ddpfPixelFormat is valid
constexpr DWORD DDSD_MIPMAPCOUNT = 0x20000;      // dwMipMapCount is valid
constexpr DWORD DDSD_REFRESHRATE = 0x40000;      // dwRefreshRate is valid
constexpr DWORD DDSD_TEXTURESTAGE = 0x100000;    // dwTextureStage is valid (bookkeeping only)

constexpr DWORD DDSCAPS_BACKBUFFER = 0x4;        // back buffer of a flipping chain
constexpr DWORD DDSCAPS_COMPLEX = 0x8;           // surface with attached surfaces
constexpr DWORD DDSCAPS_FLIP = 0x10;             // part of a flipping chain
constexpr DWORD DDSCAPS_FRONTBUFFER = 0x20;      // front of a flipping chain
constexpr DWORD DDSCAPS_OFFSCREENPLAIN = 0x40;   // plain off-screen surface
constexpr DWORD DDSCAPS_PRIMARYSURFACE = 0x200;  // what the display shows (the window's frame)
constexpr DWORD DDSCAPS_SYSTEMMEMORY = 0x800;    // not counted against the video memory budget
constexpr DWORD DDSCAPS_TEXTURE = 0x1000;        // can be bound as a texture
constexpr DWORD DDSCAPS_3DDEVICE = 0x2000;       // can be a render target (gets a framebuffer object)
constexpr DWORD DDSCAPS_VIDEOMEMORY = 0x4000;    // counted against the video memory budget
constexpr DWORD DDSCAPS_ZBUFFER = 0x20000;       // depth buffer (a GL depth renderbuffer)
constexpr DWORD DDSCAPS_MIPMAP = 0x400000;       // mipmapped texture
constexpr DWORD DDSCAPS_LOCALVIDMEM = 0x10000000;  // same as video memory here
constexpr DWORD DDSCAPS2_TEXTUREMANAGE = 0x10;   // managed texture (bookkeeping only)
constexpr DWORD DDSCAPS2_HINTANTIALIASING = 0x100;  // ask for multisampling; refused (no multisampled context)

constexpr DWORD DDPF_ALPHAPIXELS = 0x1;          // the format has an alpha mask
constexpr DWORD DDPF_ALPHA = 0x2;                // alpha-only format (not offered)
constexpr DWORD DDPF_FOURCC = 0x4;               // compressed format (not offered)
constexpr DWORD DDPF_RGB = 0x40;                 // RGB masks are valid
constexpr DWORD DDPF_ZBUFFER = 0x400;            // depth format
constexpr DWORD DDPF_STENCILBUFFER = 0x4000;     // depth format with stencil
constexpr DWORD DDPF_LUMINANCE = 0x20000;        // luminance format (enumerated, not creatable)

constexpr DWORD DDSCL_FULLSCREEN = 0x1;          // full screen (with exclusive)
constexpr DWORD DDSCL_ALLOWREBOOT = 0x2;         // ignored
constexpr DWORD DDSCL_NOWINDOWCHANGES = 0x4;     // ignored
constexpr DWORD DDSCL_NORMAL = 0x8;              // windowed
constexpr DWORD DDSCL_EXCLUSIVE = 0x10;          // owns the display (with full screen)
constexpr DWORD DDSCL_MULTITHREADED = 0x400;     // ignored
constexpr DWORD DDSCL_FPUSETUP = 0x200;          // ignored (no x87 precision switch on x86-64)
constexpr DWORD DDSCL_FPUPRESERVE = 0x1000;      // ignored (no x87 precision switch on x86-64)

constexpr DWORD DDBLT_ASYNC = 0x200;             // ignored: blits complete at once
constexpr DWORD DDBLT_COLORFILL = 0x400;         // fill the destination with dwFillColor (raw pixel value)
constexpr DWORD DDBLT_DDFX = 0x800;              // dwDDFX of the effects is valid
constexpr DWORD DDBLT_KEYSRC = 0x8000;           // source colour key (not offered; ignored)
constexpr DWORD DDBLT_WAIT = 0x1000000;          // wait instead of WASSTILLDRAWING (never needed)
constexpr DWORD DDBLTFX_NOTEARING = 0x8;         // ignored
constexpr DWORD DDBLTFAST_NOCOLORKEY = 0x0;      // plain copy
constexpr DWORD DDBLTFAST_SRCCOLORKEY = 0x1;     // not offered; ignored
constexpr DWORD DDBLTFAST_WAIT = 0x10;           // wait (never needed)
constexpr DWORD DDLOCK_WAIT = 0x1;               // wait (never needed)
constexpr DWORD DDLOCK_READONLY = 0x10;          // Unlock uploads nothing
constexpr DWORD DDLOCK_WRITEONLY = 0x20;         // no read-back of GPU content before handing out
constexpr DWORD DDLOCK_NOSYSLOCK = 0x800;        // ignored
constexpr DWORD DDFLIP_WAIT = 0x1;               // wait (never needed)
constexpr DWORD DDGFS_CANFLIP = 0x1;             // flip status query: can flip now
constexpr DWORD DDGFS_ISFLIPDONE = 0x2;          // flip status query: last flip done
constexpr DWORD DDWAITVB_BLOCKBEGIN = 0x1;       // wait for the vertical blank (swap interval)
constexpr DWORD DDENUM_ATTACHEDSECONDARYDEVICES = 0x1;  // list the secondary adapters too
constexpr DWORD DDENUM_DETACHEDSECONDARYDEVICES = 0x2;  // list the secondary adapters too
constexpr DWORD DDENUM_NONDISPLAYDEVICES = 0x4;  // ignored
constexpr DWORD DDCKEYCAPS_SRCBLT = 0x200;       // source colour-key blits (reported as supported)
constexpr DWORD DDCAPS_3D = 0x1;                 // 3D acceleration
constexpr DWORD DDCAPS_BLT = 0x40;               // blits
constexpr DWORD DDCAPS_BLTCOLORFILL = 0x4000000; // colour fills
constexpr DWORD DDCAPS_BLTSTRETCH = 0x200;       // stretching blits
constexpr DWORD DDCAPS2_CANRENDERWINDOWED = 0x80000;  // 3D into a window
constexpr DWORD DDEDM_REFRESHRATES = 0x1;        // list modes per refresh rate (the list has one rate)
constexpr HRESULT DDENUMRET_CANCEL = 0;          // callback answer: stop
constexpr HRESULT DDENUMRET_OK = 1;              // callback answer: go on

// ---- structures ----------------------------------------------------------------------------------
struct DDPIXELFORMAT {        // 32 bytes: a pixel layout by masks
  DWORD dwSize;
  DWORD dwFlags;              // DDPF_*
  DWORD dwFourCC;
  union { DWORD dwRGBBitCount; DWORD dwZBufferBitDepth; DWORD dwLuminanceBitCount; };
  union { DWORD dwRBitMask; DWORD dwStencilBitDepth; DWORD dwLuminanceBitMask; };
  union { DWORD dwGBitMask; DWORD dwZBitMask; };
  union { DWORD dwBBitMask; DWORD dwStencilBitMask; };
  union { DWORD dwRGBAlphaBitMask; DWORD dwRGBZBitMask; DWORD dwLuminanceAlphaBitMask; };
};
using LPDDPIXELFORMAT = DDPIXELFORMAT*;

struct DDSCAPS2 {             // capability words of a surface
  DWORD dwCaps;               // DDSCAPS_*
  DWORD dwCaps2;              // DDSCAPS2_*
  DWORD dwCaps3;
  DWORD dwCaps4;
};
using LPDDSCAPS2 = DDSCAPS2*;

struct DDCOLORKEY {           // colour-key range (kept, not applied)
  DWORD dwColorSpaceLowValue;
  DWORD dwColorSpaceHighValue;
};

struct DDSURFACEDESC2 {       // surface description: asked for in CreateSurface, answered by Lock/GetSurfaceDesc
  DWORD dwSize;
  DWORD dwFlags;              // DDSD_*
  DWORD dwHeight;
  DWORD dwWidth;
  union { LONG lPitch; DWORD dwLinearSize; };   // bytes from one row to the next (rows top-down)
  DWORD dwBackBufferCount;
  union { DWORD dwMipMapCount; DWORD dwRefreshRate; };
  DWORD dwAlphaBitDepth;
  DWORD dwReserved;
  void* lpSurface;            // the locked pixels
  DDCOLORKEY ddckCKDestOverlay;
  DDCOLORKEY ddckCKDestBlt;
  DDCOLORKEY ddckCKSrcOverlay;
  DDCOLORKEY ddckCKSrcBlt;
  DDPIXELFORMAT ddpfPixelFormat;
  DDSCAPS2 ddsCaps;
  DWORD dwTextureStage;
};
using LPDDSURFACEDESC2 = DDSURFACEDESC2*;

struct DDBLTFX {              // blit effects: only the fill colour and dwDDFX are read
  DWORD dwSize;
  DWORD dwDDFX;               // DDBLTFX_*
  DWORD dwROP;
  DWORD dwDDROP;
  DWORD dwRotationAngle;
  DWORD dwZBufferOpCode;
  DWORD dwZBufferLow;
  DWORD dwZBufferHigh;
  DWORD dwZBufferBaseDest;
  DWORD dwZDestConstBitDepth;
  DWORD dwZDestConst;
  DWORD dwFillDepth;
  DWORD dwFillColor;          // raw pixel value in the destination's format
  DDCOLORKEY ddckDestColorkey;
  DDCOLORKEY ddckSrcColorkey;
};
using LPDDBLTFX = DDBLTFX*;

struct DDCAPS {               // driver capabilities; video memory from the layer's budget
  DWORD dwSize;
  DWORD dwCaps;               // DDCAPS_*
  DWORD dwCaps2;              // DDCAPS2_*
  DWORD dwCKeyCaps;           // DDCKEYCAPS_*
  DWORD dwFXCaps;
  DWORD dwFXAlphaCaps;
  DWORD dwPalCaps;
  DWORD dwSVCaps;
  DWORD dwVidMemTotal;        // bytes
  DWORD dwVidMemFree;         // bytes
  DWORD dwMaxVisibleOverlays;
  DWORD dwCurrVisibleOverlays;
  DDSCAPS2 ddsCaps;
};
using LPDDCAPS = DDCAPS*;

union LARGE_INTEGER {         // 64-bit value in two halves
  struct { DWORD LowPart; LONG HighPart; };
  int64_t QuadPart;
};

struct DDDEVICEIDENTIFIER2 {  // adapter identity: driver, description (from GL or injected), ids
  char szDriver[512];
  char szDescription[512];
  LARGE_INTEGER liDriverVersion;
  DWORD dwVendorId;
  DWORD dwDeviceId;
  DWORD dwSubSysId;
  DWORD dwRevision;
  GUID guidDeviceIdentifier;
  DWORD dwWHQLLevel;
};


struct IDirectDrawSurface7;
struct IDirectDrawClipper;
using LPDIRECTDRAWSURFACE7 = IDirectDrawSurface7*;
using LPDIRECTDRAWCLIPPER = IDirectDrawClipper*;

using LPDDENUMCALLBACKEXA = BOOL (*)(GUID* guid, LPSTR description, LPSTR driverName, LPVOID context,
                                     HMONITOR monitor);                 // adapter walk; FALSE stops
using LPDDENUMMODESCALLBACK2 = HRESULT (*)(LPDDSURFACEDESC2 mode, LPVOID context);  // DDENUMRET_*

extern const GUID IID_IDirectDraw7;        // DirectDrawCreateEx / QueryInterface: the DirectDraw object
extern const GUID IID_IDirectDrawSurface7; // QueryInterface of a surface

struct IDirectDrawClipper : IUnknown {     // window a primary surface presents into
  virtual HRESULT SetHWnd(DWORD flags, HWND hwnd) = 0;   // remembers the window
  virtual HRESULT GetHWnd(HWND* hwnd) = 0;               // the remembered window
};

struct IDirectDraw7 : IUnknown {           // one adapter over the process's GL context
  virtual HRESULT CreateClipper(DWORD flags, LPDIRECTDRAWCLIPPER* out, IUnknown* outer) = 0;
  // Surfaces: primary (with an attached back buffer when DDSD_BACKBUFFERCOUNT), off-screen, textures,
  // render targets (DDSCAPS_3DDEVICE) and depth buffers; default format is the display's.
  virtual HRESULT CreateSurface(LPDDSURFACEDESC2 desc, LPDIRECTDRAWSURFACE7* out, IUnknown* outer) = 0;
  // Calls back once per mode of the mode list (injected or SDL's plus 16-bit twins).
  virtual HRESULT EnumDisplayModes(DWORD flags, LPDDSURFACEDESC2 filter, LPVOID context,
                                   LPDDENUMMODESCALLBACK2 callback) = 0;
  virtual HRESULT FlipToGDISurface() = 0;                        // nothing to do
  virtual HRESULT GetCaps(LPDDCAPS driverCaps, LPDDCAPS emulationCaps) = 0;
  virtual HRESULT GetDisplayMode(LPDDSURFACEDESC2 desc) = 0;     // the logical mode (565 at 16 bits)
  virtual HRESULT GetMonitorFrequency(DWORD* hertz) = 0;         // SDL's refresh rate, 60 when unknown
  virtual HRESULT RestoreDisplayMode() = 0;                      // back to the desktop mode
  virtual HRESULT SetCooperativeLevel(HWND hwnd, DWORD flags) = 0;  // records the level and window
  virtual HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel, DWORD refreshRate,
                                 DWORD flags) = 0;               // a mode of the list; full screen window
  virtual HRESULT WaitForVerticalBlank(DWORD flags, HANDLE event) = 0;  // turns on the swap interval
  virtual HRESULT GetAvailableVidMem(LPDDSCAPS2 caps, DWORD* total, DWORD* free) = 0;
  virtual HRESULT RestoreAllSurfaces() = 0;                      // clears every lost mark
  virtual HRESULT TestCooperativeLevel() = 0;                    // DD_OK unless injected
  virtual HRESULT GetDeviceIdentifier(DDDEVICEIDENTIFIER2* id, DWORD flags) = 0;
};
using LPDIRECTDRAW7 = IDirectDraw7*;

struct IDirectDrawSurface7 : IUnknown {    // pixels in system memory mirrored by a GL texture
  virtual HRESULT AddAttachedSurface(LPDIRECTDRAWSURFACE7 depth) = 0;   // attach a depth buffer
  // Copy (stretching, nearest) or colour fill (DDBLT_COLORFILL); null rectangles mean whole surfaces.
  virtual HRESULT Blt(RECT* destRect, LPDIRECTDRAWSURFACE7 source, RECT* sourceRect, DWORD flags,
                      LPDDBLTFX fx) = 0;
  virtual HRESULT BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE7 source, RECT* sourceRect,
                          DWORD flags) = 0;                     // unscaled copy to (x, y)
  virtual HRESULT DeleteAttachedSurface(DWORD flags, LPDIRECTDRAWSURFACE7 depth) = 0;
  virtual HRESULT Flip(LPDIRECTDRAWSURFACE7 target, DWORD flags) = 0;  // present the back buffer
  virtual HRESULT GetAttachedSurface(LPDDSCAPS2 caps, LPDIRECTDRAWSURFACE7* out) = 0;  // AddRef'd
  virtual HRESULT GetCaps(LPDDSCAPS2 caps) = 0;
  virtual HRESULT GetDC(HDC* dc) = 0;                           // DDERR_CANTCREATEDC: no GDI on surfaces
  virtual HRESULT ReleaseDC(HDC dc) = 0;
  virtual HRESULT GetFlipStatus(DWORD flags) = 0;               // DD_OK unless injected
  virtual HRESULT GetPixelFormat(LPDDPIXELFORMAT format) = 0;
  virtual HRESULT GetSurfaceDesc(LPDDSURFACEDESC2 desc) = 0;
  virtual HRESULT IsLost() = 0;                                 // DDERR_SURFACELOST after a test loss
  // Hands out the system-memory pixels (read back from GL first when drawing changed them).
  virtual HRESULT Lock(RECT* rect, LPDDSURFACEDESC2 desc, DWORD flags, HANDLE event) = 0;
  virtual HRESULT Unlock(RECT* rect) = 0;                       // uploads the pixels to the texture
  virtual HRESULT Restore() = 0;                                // clears the lost mark
  virtual HRESULT SetClipper(LPDIRECTDRAWCLIPPER clipper) = 0;  // primary: the window to present into
};

// Walks the adapters: the primary display driver (no GUID) and then the secondary ones.
HRESULT DirectDrawEnumerateExA(LPDDENUMCALLBACKEXA callback, LPVOID context, DWORD flags);
// Makes the DirectDraw object of an adapter (null GUID: the primary display driver).
HRESULT DirectDrawCreateEx(GUID* guid, LPVOID* out, REFIID iid, IUnknown* outer);

// ---- test control --------------------------------------------------------------------------------
namespace os {
struct TestAdapter {          // one entry of the adapter walk
  bool hasGuid = true;        // false: enumerated without GUID (like the primary display driver)
  GUID guid{};
  std::string description;
  std::string driver;
};
struct TestDisplayMode {      // one display mode offered by EnumDisplayModes
  DWORD width, height, bitsPerPixel, refreshRate;
};
// Offers exactly these adapters (an empty list offers none); TestResetGraphics goes back to the default.
void TestSetAdapters(const std::vector<TestAdapter>& adapters);
// Offers exactly these display modes.
void TestSetDisplayModes(const std::vector<TestDisplayMode>& modes);
// Video memory budget in bytes: total and free at this moment (surfaces allocated later use it up).
void TestSetVideoMemory(DWORD total, DWORD free);
// Makes the next `count` calls of a kind fail with `code`. Kinds: "DirectDrawCreateEx",
// "SetCooperativeLevel", "SetDisplayMode", "CreateSurface", "GetAttachedSurface", "Blt", "Flip",
// "Lock", "Unlock", "TestCooperativeLevel", "RestoreAllSurfaces", "GetFlipStatus", "QueryInterface",
// "CreateDevice", "BeginScene", "EndScene", "SetRenderTarget", "SetViewport", "DrawPrimitive",
// "D3DXCreateTexture", "D3DXLoadTextureFromMemory".
void TestFailNextDx(const char* kind, HRESULT code, int count = 1);
// Marks one surface, or every live surface, as lost until Restore/RestoreAllSurfaces.
void TestLoseSurface(IDirectDrawSurface7* surface);
void TestLoseAllSurfaces();
// Adapter description answered by GetDeviceIdentifier (empty: the GL renderer's name).
void TestSetAdapterDescription(const std::string& description);
// Desktop colour depth reported while no mode is set (32 by default).
void TestSetDesktopDepth(DWORD bitsPerPixel);
// The last frame presented (Flip, or Blt onto the primary), as 0xAARRGGBB words, rows top-down.
bool TestReadPresentedFrame(std::vector<uint32_t>* pixels, int* width, int* height);
// How many frames were swapped into the real main window so far (unchanged frames are not).
int TestWindowSwapCount();
// How many GL draw calls the Direct3D devices issued so far (benchmarks report it per frame).
long TestDrawCallCount();
// While on, each swap keeps a copy of the whole drawable as it was swapped (bars included), which
// TestReadWindowPixels answers as 0xAARRGGBB words, rows top-down. Off by default: it costs a read.
void TestCaptureWindowPixels(bool on);
bool TestReadWindowPixels(std::vector<uint32_t>* pixels, int* width, int* height);
// How many presented frames repeated the frame on screen, so that their draws were dropped.
int TestRepeatedFrameCount();
// How many times a frame's pixels were copied between surfaces on the GL side to keep a shown
// frame (the present into the window not counted).
int TestFrameCopyCount();
// Frames drawn straight into the window (no copy from a framebuffer object), and frames so drawn
// that had to be drawn again into a surface afterwards (read back, drawn over in part, a texture
// they read changed).
int TestDirectFrameCount();
int TestDeferredFrameDrawCount();
// Off: every present copies from the framebuffer object, as when the window is scaled (on again at
// TestResetGraphics).
void TestAllowDirectPresent(bool allowed);
// Off: the device draws every texture stage through the fixed-function pipeline, never through the
// GLSL programs that stand in for the usual stages (on again at TestResetGraphics).
void TestAllowStagePrograms(bool allowed);
// Draws that went through such a program.
int TestStageProgramDrawCount();
// The adapter GUID the last successful DirectDrawCreateEx was given (false: none, the primary).
bool TestLastCreatedAdapter(GUID* guid);
// Number of live surfaces (tests use it to find leaks).
int TestLiveSurfaceCount();
// Forgets every injected adapter, mode, budget, failure, description and presented frame.
void TestResetGraphics();
// Consulted by the layer: the injected failure of this call, or DD_OK.
HRESULT DxFault(const char* kind);
// Whether a fault of that kind is waiting (without taking it).
bool DxFaultArmed(const char* kind);
}  // namespace os
