// Direct3D 7 of the platform stand-in: one hardware-style device over the process's GL 2.1
// compatibility context. Render states, texture stage 0, transforms, viewports and the three vertex
// formats map onto fixed-function GL; render targets are framebuffer objects whose rows run top-down
// like DirectDraw memory, and pixel centres sit on integer coordinates as Direct3D places them.
#pragma once
#include "os/ddraw.h"

using D3DVALUE = float;     // coordinate or factor
using D3DCOLOR = DWORD;     // packed 0xAARRGGBB

constexpr HRESULT D3D_OK = S_OK;                                                   // success
constexpr HRESULT D3DERR_NEEDS_VIDEOMEMORY_TARGET = static_cast<HRESULT>(0x887602EBu);  // CreateDevice: target must be in video memory
constexpr HRESULT D3DERR_UNSUPPORTED_DESKTOP = static_cast<HRESULT>(0x8876023Cu);  // CreateDevice: desktop depth unusable
constexpr HRESULT D3DERR_SCENE_END_FAILED = static_cast<HRESULT>(0x887602FBu);     // EndScene failed
// No fixed number in the framework: this layer's own.
constexpr HRESULT D3DERR_SCENE_IN_SCENE = static_cast<HRESULT>(0x88760F40u);       // BeginScene twice
constexpr HRESULT D3DERR_SCENE_NOT_IN_SCENE = static_cast<HRESULT>(0x88760F41u);   // EndScene without BeginScene
constexpr HRESULT D3DERR_VIEWPORTHASNODEVICE = static_cast<HRESULT>(0x88760F42u);  // viewport outside the target
constexpr HRESULT D3DERR_INVALIDPRIMITIVETYPE = static_cast<HRESULT>(0x88760F43u); // unknown primitive
constexpr HRESULT D3DERR_INVALIDVERTEXFORMAT = static_cast<HRESULT>(0x88760F44u);  // FVF without position
constexpr HRESULT D3DERR_INVALIDDEVICE = static_cast<HRESULT>(0x88760F45u);        // unknown device GUID
constexpr HRESULT D3DENUMRET_CANCEL = 0;   // callback answer: stop
constexpr HRESULT D3DENUMRET_OK = 1;       // callback answer: go on

// Flexible vertex format bits (the framework uses exactly the three layouts below).
constexpr DWORD D3DFVF_XYZ = 0x2;          // x, y, z
constexpr DWORD D3DFVF_XYZRHW = 0x4;       // x, y, z, rhw: pixel coordinates of the target
constexpr DWORD D3DFVF_NORMAL = 0x10;      // nx, ny, nz
constexpr DWORD D3DFVF_RESERVED1 = 0x20;   // 4 unused bytes after the position
constexpr DWORD D3DFVF_DIFFUSE = 0x40;     // D3DCOLOR
constexpr DWORD D3DFVF_SPECULAR = 0x80;    // D3DCOLOR
constexpr DWORD D3DFVF_TEX1 = 0x100;       // u, v
constexpr DWORD D3DFVF_TEXCOUNT_MASK = 0xF00;
constexpr DWORD D3DFVF_TEXCOUNT_SHIFT = 8;
constexpr DWORD D3DFVF_VERTEX = 0x112;     // position, normal, u, v: lit by the device
constexpr DWORD D3DFVF_LVERTEX = 0x1E2;    // position, reserved, diffuse, specular, u, v
constexpr DWORD D3DFVF_TLVERTEX = 0x1C4;   // pixel position, rhw, diffuse, specular, u, v

enum D3DPRIMITIVETYPE : DWORD {            // GL primitive of the same name
  D3DPT_POINTLIST = 1, D3DPT_LINELIST = 2, D3DPT_LINESTRIP = 3,
  D3DPT_TRIANGLELIST = 4, D3DPT_TRIANGLESTRIP = 5, D3DPT_TRIANGLEFAN = 6,
};
enum D3DTRANSFORMSTATETYPE : DWORD {       // matrix slots (row vectors, as Direct3D multiplies)
  D3DTRANSFORMSTATE_WORLD = 1, D3DTRANSFORMSTATE_VIEW = 2, D3DTRANSFORMSTATE_PROJECTION = 3,
};
enum D3DRENDERSTATETYPE : DWORD {          // render states the layer maps to GL (others are kept only)
  D3DRENDERSTATE_ANTIALIAS = 2,            // GL_MULTISAMPLE when the context has samples
  D3DRENDERSTATE_TEXTUREPERSPECTIVE = 4,   // always on
  D3DRENDERSTATE_ZENABLE = 7,              // GL_DEPTH_TEST
  D3DRENDERSTATE_FILLMODE = 8,             // kept only
  D3DRENDERSTATE_SHADEMODE = 9,            // glShadeModel
  D3DRENDERSTATE_ZWRITEENABLE = 14,        // glDepthMask
  D3DRENDERSTATE_ALPHATESTENABLE = 15,     // GL_ALPHA_TEST
  D3DRENDERSTATE_SRCBLEND = 19,            // glBlendFunc source
  D3DRENDERSTATE_DESTBLEND = 20,           // glBlendFunc destination
  D3DRENDERSTATE_CULLMODE = 22,            // GL_CULL_FACE and winding
  D3DRENDERSTATE_ZFUNC = 23,               // glDepthFunc
  D3DRENDERSTATE_ALPHAREF = 24,            // glAlphaFunc reference (0..255)
  D3DRENDERSTATE_ALPHAFUNC = 25,           // glAlphaFunc comparison
  D3DRENDERSTATE_DITHERENABLE = 26,        // kept only
  D3DRENDERSTATE_ALPHABLENDENABLE = 27,    // GL_BLEND
  D3DRENDERSTATE_FOGENABLE = 28,           // kept only
  D3DRENDERSTATE_SPECULARENABLE = 29,      // GL_COLOR_SUM with the vertex specular colour
  D3DRENDERSTATE_TEXTUREFACTOR = 60,       // GL_TEXTURE_ENV_COLOR
  D3DRENDERSTATE_WRAP0 = 128,              // kept only
  D3DRENDERSTATE_LIGHTING = 137,           // GL_LIGHTING
  D3DRENDERSTATE_AMBIENT = 139,            // GL_LIGHT_MODEL_AMBIENT
  D3DRENDERSTATE_COLORVERTEX = 141,        // kept only (material sources decide)
  D3DRENDERSTATE_NORMALIZENORMALS = 143,   // GL_NORMALIZE
  D3DRENDERSTATE_DIFFUSEMATERIALSOURCE = 145,   // material or vertex colour
  D3DRENDERSTATE_SPECULARMATERIALSOURCE = 146,  // kept only
  D3DRENDERSTATE_AMBIENTMATERIALSOURCE = 147,   // kept only
  D3DRENDERSTATE_EMISSIVEMATERIALSOURCE = 148,  // kept only
};
enum D3DTEXTURESTAGESTATETYPE : DWORD {    // texture stage states (stage 0 is mapped to GL_COMBINE)
  D3DTSS_COLOROP = 1, D3DTSS_COLORARG1 = 2, D3DTSS_COLORARG2 = 3,
  D3DTSS_ALPHAOP = 4, D3DTSS_ALPHAARG1 = 5, D3DTSS_ALPHAARG2 = 6,
  D3DTSS_ADDRESS = 12, D3DTSS_ADDRESSU = 13, D3DTSS_ADDRESSV = 14,
  D3DTSS_MAGFILTER = 16, D3DTSS_MINFILTER = 17, D3DTSS_MIPFILTER = 18,
};
constexpr DWORD D3DTOP_DISABLE = 1, D3DTOP_SELECTARG1 = 2, D3DTOP_SELECTARG2 = 3,   // stage operations
    D3DTOP_MODULATE = 4, D3DTOP_MODULATE2X = 5, D3DTOP_MODULATE4X = 6, D3DTOP_ADD = 7;
constexpr DWORD D3DTA_DIFFUSE = 0, D3DTA_CURRENT = 1, D3DTA_TEXTURE = 2, D3DTA_TFACTOR = 3,   // stage arguments
    D3DTA_SPECULAR = 4, D3DTA_SELECTMASK = 0xF, D3DTA_COMPLEMENT = 0x10, D3DTA_ALPHAREPLICATE = 0x20;
constexpr DWORD D3DTFG_POINT = 1, D3DTFG_LINEAR = 2;                          // magnification filter
constexpr DWORD D3DTFN_POINT = 1, D3DTFN_LINEAR = 2;                          // minification filter
constexpr DWORD D3DTFP_NONE = 1, D3DTFP_POINT = 2, D3DTFP_LINEAR = 3;         // mip filter
constexpr DWORD D3DTADDRESS_WRAP = 1, D3DTADDRESS_MIRROR = 2, D3DTADDRESS_CLAMP = 3;   // addressing
constexpr DWORD D3DBLEND_ZERO = 1, D3DBLEND_ONE = 2, D3DBLEND_SRCCOLOR = 3, D3DBLEND_INVSRCCOLOR = 4,
    D3DBLEND_SRCALPHA = 5, D3DBLEND_INVSRCALPHA = 6, D3DBLEND_DESTALPHA = 7, D3DBLEND_INVDESTALPHA = 8,
    D3DBLEND_DESTCOLOR = 9, D3DBLEND_INVDESTCOLOR = 10;                       // blend factors
constexpr DWORD D3DCULL_NONE = 1, D3DCULL_CW = 2, D3DCULL_CCW = 3;            // cull screen-clockwise / -counter-clockwise
constexpr DWORD D3DCMP_NEVER = 1, D3DCMP_LESS = 2, D3DCMP_EQUAL = 3, D3DCMP_LESSEQUAL = 4,
    D3DCMP_GREATER = 5, D3DCMP_NOTEQUAL = 6, D3DCMP_GREATEREQUAL = 7, D3DCMP_ALWAYS = 8;   // comparisons
constexpr DWORD D3DSHADE_FLAT = 1, D3DSHADE_GOURAUD = 2;                      // shade modes
constexpr DWORD D3DMCS_MATERIAL = 0, D3DMCS_COLOR1 = 1, D3DMCS_COLOR2 = 2;    // material sources
constexpr DWORD D3DANTIALIAS_NONE = 0, D3DANTIALIAS_SORTINDEPENDENT = 2;      // antialias values
constexpr DWORD D3DCLEAR_TARGET = 0x1, D3DCLEAR_ZBUFFER = 0x2, D3DCLEAR_STENCIL = 0x4;   // Clear flags

// Device capability bits the framework reads.
constexpr DWORD D3DDEVCAPS_SEPARATETEXTUREMEMORIES = 0x4000;   // off here
constexpr DWORD D3DDEVCAPS_HWRASTERIZATION = 0x80000;          // on (also for Mesa's software renderer)
constexpr DWORD D3DPSHADECAPS_COLORGOURAUDRGB = 0x8;           // on
constexpr DWORD D3DPSHADECAPS_SPECULARGOURAUDRGB = 0x200;      // on
constexpr DWORD D3DPTEXTURECAPS_SQUAREONLY = 0x20;             // off
constexpr DWORD DDBD_8 = 0x800, DDBD_16 = 0x400, DDBD_24 = 0x200, DDBD_32 = 0x100;   // render depths

struct D3DMATRIX {          // 4x4 matrix, row-major, for row vectors (v' = v * M)
  D3DVALUE _11, _12, _13, _14;
  D3DVALUE _21, _22, _23, _24;
  D3DVALUE _31, _32, _33, _34;
  D3DVALUE _41, _42, _43, _44;
};
using LPD3DMATRIX = D3DMATRIX*;

struct D3DVIEWPORT7 {       // drawing rectangle of the target in pixels, depth range
  DWORD dwX, dwY, dwWidth, dwHeight;
  D3DVALUE dvMinZ, dvMaxZ;
};
using LPD3DVIEWPORT7 = D3DVIEWPORT7*;

struct D3DRECT { LONG x1, y1, x2, y2; };   // rectangle for Clear

struct D3DCOLORVALUE { D3DVALUE r, g, b, a; };   // colour as floats 0..1

struct D3DMATERIAL7 {       // GL material of lit vertices
  D3DCOLORVALUE diffuse, ambient, specular, emissive;
  D3DVALUE power;
};
using LPD3DMATERIAL7 = D3DMATERIAL7*;

struct D3DPRIMCAPS {        // per-primitive capabilities
  DWORD dwSize, dwMiscCaps, dwRasterCaps, dwZCmpCaps, dwSrcBlendCaps, dwDestBlendCaps, dwAlphaCmpCaps;
  DWORD dwShadeCaps;        // D3DPSHADECAPS_*
  DWORD dwTextureCaps;      // D3DPTEXTURECAPS_*
  DWORD dwTextureFilterCaps, dwTextureBlendCaps, dwTextureAddressCaps, dwStippleWidth, dwStippleHeight;
};

struct D3DDEVICEDESC7 {     // the device's description (EnumDevices, GetCaps); injectable for tests
  DWORD dwDevCaps;          // D3DDEVCAPS_*
  D3DPRIMCAPS dpcLineCaps;
  D3DPRIMCAPS dpcTriCaps;
  DWORD dwDeviceRenderBitDepth;    // DDBD_*
  DWORD dwDeviceZBufferBitDepth;   // DDBD_*
  DWORD dwMinTextureWidth, dwMinTextureHeight, dwMaxTextureWidth, dwMaxTextureHeight;
  DWORD dwMaxTextureRepeat, dwMaxTextureAspectRatio, dwMaxAnisotropy;
  D3DVALUE dvGuardBandLeft, dvGuardBandTop, dvGuardBandRight, dvGuardBandBottom;
  D3DVALUE dvExtentsAdjust;
  DWORD dwStencilCaps, dwFVFCaps, dwTextureOpCaps;
  WORD wMaxTextureBlendStages, wMaxSimultaneousTextures;
  DWORD dwMaxActiveLights;
  D3DVALUE dvMaxVertexW;
  GUID deviceGUID;
  WORD wMaxUserClipPlanes, wMaxVertexBlendMatrices;
  DWORD dwVertexProcessingCaps;
  DWORD dwReserved1, dwReserved2, dwReserved3, dwReserved4;
};
using LPD3DDEVICEDESC7 = D3DDEVICEDESC7*;

using LPD3DENUMDEVICESCALLBACK7 = HRESULT (*)(LPSTR description, LPSTR name, LPD3DDEVICEDESC7 desc,
                                              LPVOID context);        // D3DENUMRET_*
using LPD3DENUMPIXELFORMATSCALLBACK = HRESULT (*)(LPDDPIXELFORMAT format, LPVOID context);  // D3DENUMRET_*

extern const GUID IID_IDirect3D7;           // QueryInterface of the DirectDraw object
extern const GUID IID_IDirect3DHALDevice;   // the one device offered
extern const GUID IID_IDirect3DTnLHalDevice;  // accepted by CreateDevice as the same device
extern const GUID IID_IDirect3DRGBDevice;   // accepted by CreateDevice as the same device

struct IDirect3DDevice7;
using LPDIRECT3DDEVICE7 = IDirect3DDevice7*;

struct IDirect3D7 : IUnknown {              // device factory of a DirectDraw object
  virtual HRESULT EnumDevices(LPD3DENUMDEVICESCALLBACK7 callback, LPVOID context) = 0;
  // A device drawing into a surface made with DDSCAPS_3DDEVICE.
  virtual HRESULT CreateDevice(REFCLSID device, LPDIRECTDRAWSURFACE7 target, LPDIRECT3DDEVICE7* out) = 0;
  virtual HRESULT EnumZBufferFormats(REFCLSID device, LPD3DENUMPIXELFORMATSCALLBACK callback,
                                     LPVOID context) = 0;   // 16 and 24 bits of depth
  virtual HRESULT EvictManagedTextures() = 0;               // nothing to do
};
using LPDIRECT3D7 = IDirect3D7*;

struct IDirect3DDevice7 : IUnknown {        // the fixed-function pipeline of the GL context
  virtual HRESULT GetCaps(LPD3DDEVICEDESC7 desc) = 0;
  virtual HRESULT EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK callback, LPVOID context) = 0;
  virtual HRESULT BeginScene() = 0;
  virtual HRESULT EndScene() = 0;
  virtual HRESULT GetDirect3D(LPDIRECT3D7* out) = 0;
  virtual HRESULT SetRenderTarget(LPDIRECTDRAWSURFACE7 target, DWORD flags) = 0;  // resets the viewport
  virtual HRESULT GetRenderTarget(LPDIRECTDRAWSURFACE7* out) = 0;                  // AddRef'd
  // Clears rectangles (none: the viewport) of the target and/or depth buffer.
  virtual HRESULT Clear(DWORD count, D3DRECT* rects, DWORD flags, D3DCOLOR color, D3DVALUE z,
                        DWORD stencil) = 0;
  virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE which, LPD3DMATRIX matrix) = 0;
  virtual HRESULT GetTransform(D3DTRANSFORMSTATETYPE which, LPD3DMATRIX matrix) = 0;
  virtual HRESULT SetViewport(LPD3DVIEWPORT7 viewport) = 0;  // rejects empty or out-of-target rectangles
  virtual HRESULT GetViewport(LPD3DVIEWPORT7 viewport) = 0;
  virtual HRESULT SetMaterial(LPD3DMATERIAL7 material) = 0;
  virtual HRESULT GetMaterial(LPD3DMATERIAL7 material) = 0;
  virtual HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) = 0;
  virtual HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) = 0;
  virtual HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, LPVOID vertices, DWORD vertexCount,
                                DWORD flags) = 0;
  virtual HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, LPVOID vertices,
                                       DWORD vertexCount, WORD* indices, DWORD indexCount,
                                       DWORD flags) = 0;
  virtual HRESULT GetTexture(DWORD stage, LPDIRECTDRAWSURFACE7* out) = 0;          // AddRef'd
  virtual HRESULT SetTexture(DWORD stage, LPDIRECTDRAWSURFACE7 texture) = 0;       // stage 0 draws
  virtual HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD* value) = 0;
  virtual HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD value) = 0;
};

namespace os {
// Device description answered by EnumDevices and GetCaps (null: the default from GL's limits).
void TestSetDeviceDesc(const D3DDEVICEDESC7* desc);
// Texture formats answered by EnumTextureFormats (empty restores the default list).
void TestSetTextureFormats(const std::vector<DDPIXELFORMAT>& formats);
// Depth formats answered by EnumZBufferFormats; `none` offers none.
void TestSetNoZBufferFormats(bool none);
}  // namespace os
