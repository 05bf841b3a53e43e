// Direct3D device of the graphics stand-in: enumeration and creation, textured quads in each vertex
// format read back from the target, pixel centres, render-to-texture, blending and the texture stage,
// viewports, culling, depth, indexed drawing and scene brackets.
#include <cmath>

#include "gfx_fixture.h"

using namespace gfx_test;

namespace {

using GfxDevice = GfxTest;

HRESULT CountDevice(LPSTR, LPSTR, LPD3DDEVICEDESC7 d, LPVOID context) {
  static_cast<std::vector<D3DDEVICEDESC7>*>(context)->push_back(*d);
  return D3DENUMRET_OK;
}

HRESULT CollectFormat(LPDDPIXELFORMAT f, LPVOID context) {
  static_cast<std::vector<DDPIXELFORMAT>*>(context)->push_back(*f);
  return D3DENUMRET_OK;
}

TEST_F(GfxDevice, EnumeratesOneHardwareDeviceAndHonoursAnInjectedDescription) {
  std::vector<D3DDEVICEDESC7> devices;
  ASSERT_EQ(D3D()->EnumDevices(CountDevice, &devices), D3D_OK);
  ASSERT_EQ(devices.size(), 1u);
  const D3DDEVICEDESC7& d = devices[0];
  EXPECT_TRUE(d.dwDevCaps & D3DDEVCAPS_HWRASTERIZATION);
  EXPECT_TRUE(d.dpcTriCaps.dwShadeCaps & D3DPSHADECAPS_COLORGOURAUDRGB);
  EXPECT_TRUE(d.dwDeviceRenderBitDepth & DDBD_16);
  EXPECT_TRUE(d.dwDeviceRenderBitDepth & DDBD_32);
  EXPECT_GE(d.dwMaxTextureWidth, 1024u);
  EXPECT_FALSE(d.dpcTriCaps.dwTextureCaps & D3DPTEXTURECAPS_SQUAREONLY);

  D3DDEVICEDESC7 small = d;
  small.dwMaxTextureWidth = small.dwMaxTextureHeight = 512;
  small.dpcTriCaps.dwTextureCaps |= D3DPTEXTURECAPS_SQUAREONLY;
  os::TestSetDeviceDesc(&small);
  devices.clear();
  D3D()->EnumDevices(CountDevice, &devices);
  EXPECT_EQ(devices[0].dwMaxTextureWidth, 512u);
  IDirect3DDevice7* device = Device(Target(8, 8));
  D3DDEVICEDESC7 caps{};
  device->GetCaps(&caps);
  EXPECT_TRUE(caps.dpcTriCaps.dwTextureCaps & D3DPTEXTURECAPS_SQUAREONLY);
}

TEST_F(GfxDevice, DepthAndTextureFormatsAreEnumerated) {
  std::vector<DDPIXELFORMAT> z;
  ASSERT_EQ(D3D()->EnumZBufferFormats(IID_IDirect3DHALDevice, CollectFormat, &z), D3D_OK);
  ASSERT_FALSE(z.empty());
  for (const DDPIXELFORMAT& f : z) {
    EXPECT_EQ(f.dwFlags, DDPF_ZBUFFER);
    EXPECT_GE(f.dwZBufferBitDepth, 16u);
  }
  os::TestSetNoZBufferFormats(true);
  z.clear();
  D3D()->EnumZBufferFormats(IID_IDirect3DHALDevice, CollectFormat, &z);
  EXPECT_TRUE(z.empty());

  IDirect3DDevice7* device = Device(Target(8, 8));
  std::vector<DDPIXELFORMAT> formats;
  device->EnumTextureFormats(CollectFormat, &formats);
  bool has4444 = false, hasLuminance = false;
  for (const DDPIXELFORMAT& f : formats) {
    has4444 = has4444 || (f.dwRGBBitCount == 16 && f.dwRGBAlphaBitMask == 0xF000);
    hasLuminance = hasLuminance || (f.dwFlags & DDPF_LUMINANCE);
  }
  EXPECT_TRUE(has4444);
  EXPECT_TRUE(hasLuminance);
  os::TestSetTextureFormats({Rgb565()});
  formats.clear();
  device->EnumTextureFormats(CollectFormat, &formats);
  ASSERT_EQ(formats.size(), 1u);
  EXPECT_EQ(formats[0].dwRBitMask, 0xF800u);
}

TEST_F(GfxDevice, CreationFailuresAreReported) {
  IDirectDrawSurface7* target = Target(8, 8);
  IDirect3DDevice7* device = nullptr;
  for (HRESULT code : {D3DERR_NEEDS_VIDEOMEMORY_TARGET, D3DERR_UNSUPPORTED_DESKTOP, DDERR_OUTOFVIDEOMEMORY}) {
    os::TestFailNextDx("CreateDevice", code);
    EXPECT_EQ(D3D()->CreateDevice(IID_IDirect3DHALDevice, target, &device), code);
    EXPECT_EQ(device, nullptr);
  }
  DDPIXELFORMAT f = Argb8888();
  IDirectDrawSurface7* plain = Make(8, 8, DDSCAPS_OFFSCREENPLAIN, &f);
  EXPECT_EQ(D3D()->CreateDevice(IID_IDirect3DHALDevice, plain, &device), DDERR_INVALIDCAPS);
  GUID unknown{1, 2, 3, {4}};
  EXPECT_EQ(D3D()->CreateDevice(unknown, target, &device), D3DERR_INVALIDDEVICE);
  os::TestFailNextDx("QueryInterface", DDERR_GENERIC);
  IDirect3D7* again = nullptr;
  EXPECT_EQ(dd->QueryInterface(IID_IDirect3D7, reinterpret_cast<void**>(&again)), DDERR_GENERIC);
  EXPECT_EQ(again, nullptr);
}

// A 2x2 texture of four colours, drawn over the whole 16x16 target in each vertex format.
class GfxQuad : public GfxTest {
 protected:
  void SetUp() override {
    GfxTest::SetUp();
    target = Target(16, 16);
    device = Device(target);
    DDPIXELFORMAT f = Argb8888();
    texture = Make(2, 2, DDSCAPS_TEXTURE, &f);
    Write(texture, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF});
    Plain(device);
    device->SetTexture(0, texture);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1, 0);
  }

  void ExpectQuadrants() {
    std::vector<uint32_t> px = Raw(target);
    ASSERT_EQ(px.size(), 256u);
    EXPECT_TRUE(Near(px[3 * 16 + 3], 0xFFFF0000));
    EXPECT_TRUE(Near(px[3 * 16 + 12], 0xFF00FF00));
    EXPECT_TRUE(Near(px[12 * 16 + 3], 0xFF0000FF));
    EXPECT_TRUE(Near(px[12 * 16 + 12], 0xFFFFFFFF));
  }

  void Draw(DWORD fvf, const void* vertices) {
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, fvf, const_cast<void*>(vertices), 4, 0), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
  }

  IDirectDrawSurface7* target = nullptr;
  IDirectDrawSurface7* texture = nullptr;
  IDirect3DDevice7* device = nullptr;
};

TEST_F(GfxQuad, PretransformedVerticesArePixelsOfTheTarget) {
  std::vector<TLVertex> q = TLQuad(-0.5f, -0.5f, 15.5f, 15.5f, 0xFFFFFFFF);
  Draw(D3DFVF_TLVERTEX, q.data());
  ExpectQuadrants();
}

TEST_F(GfxQuad, LitVerticesGoThroughAnOrthographicProjection) {
  D3DMATRIX ortho;
  D3DXMatrixOrthoOffCenterLH(&ortho, 0, 16, 16, 0, 0, 1);
  device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &ortho);
  LVertex q[4] = {{-0.5f, -0.5f, 0.5f, 0, 0xFFFFFFFF, 0, 0, 0}, {15.5f, -0.5f, 0.5f, 0, 0xFFFFFFFF, 0, 1, 0},
                  {15.5f, 15.5f, 0.5f, 0, 0xFFFFFFFF, 0, 1, 1}, {-0.5f, 15.5f, 0.5f, 0, 0xFFFFFFFF, 0, 0, 1}};
  Draw(D3DFVF_LVERTEX, q);
  ExpectQuadrants();
}

TEST_F(GfxQuad, UnlitVerticesTakeTheirColourFromLightingAndMaterial) {
  D3DMATRIX ortho;
  D3DXMatrixOrthoOffCenterLH(&ortho, 0, 16, 16, 0, 0, 1);
  device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &ortho);
  device->SetRenderState(D3DRENDERSTATE_LIGHTING, TRUE);
  device->SetRenderState(D3DRENDERSTATE_AMBIENT, 0xFFFFFFFF);
  D3DMATERIAL7 m{};
  m.ambient = {1, 1, 1, 1};
  m.diffuse = {0, 0, 0, 1};
  device->SetMaterial(&m);
  Vertex q[4] = {{-0.5f, -0.5f, 0.5f, 0, 0, -1, 0, 0}, {15.5f, -0.5f, 0.5f, 0, 0, -1, 1, 0},
                 {15.5f, 15.5f, 0.5f, 0, 0, -1, 1, 1}, {-0.5f, 15.5f, 0.5f, 0, 0, -1, 0, 1}};
  Draw(D3DFVF_VERTEX, q);
  ExpectQuadrants();

  // Half the ambient light halves the colour.
  device->SetRenderState(D3DRENDERSTATE_AMBIENT, 0xFF808080);
  Draw(D3DFVF_VERTEX, q);
  EXPECT_TRUE(Near(Raw(target)[3 * 16 + 3], 0xFF800000, 3));
}

TEST_F(GfxQuad, PixelCentresSitOnIntegerCoordinatesAndRowsRunDown) {
  device->SetTexture(0, nullptr);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
  // A unit square centred on (5, 7) covers that one pixel, in either vertex path.
  std::vector<TLVertex> q = TLQuad(4.5f, 6.5f, 5.5f, 7.5f, 0xFFFFFFFF);
  Draw(D3DFVF_TLVERTEX, q.data());
  D3DMATRIX ortho;
  D3DXMatrixOrthoOffCenterLH(&ortho, 0, 16, 16, 0, 0, 1);
  device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &ortho);
  LVertex l[4] = {{9.5f, 2.5f, 0.5f, 0, 0xFFFFFFFF, 0, 0, 0}, {10.5f, 2.5f, 0.5f, 0, 0xFFFFFFFF, 0, 0, 0},
                  {10.5f, 3.5f, 0.5f, 0, 0xFFFFFFFF, 0, 0, 0}, {9.5f, 3.5f, 0.5f, 0, 0xFFFFFFFF, 0, 0, 0}};
  Draw(D3DFVF_LVERTEX, l);
  std::vector<uint32_t> px = Raw(target);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      bool lit = (x == 5 && y == 7) || (x == 10 && y == 3);
      EXPECT_EQ(px[y * 16 + x] & 0xFFFFFF, lit ? 0xFFFFFFu : 0u) << x << "," << y;
    }
}

TEST_F(GfxQuad, RenderTargetIsDrawnThenSampled) {
  IDirectDrawSurface7* offscreen = Target(8, 8);
  ASSERT_EQ(device->SetRenderTarget(offscreen, 0), D3D_OK);
  D3DVIEWPORT7 vp{};
  device->GetViewport(&vp);
  EXPECT_EQ(vp.dwWidth, 8u);   // the viewport follows the new target
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF202020, 1, 0);
  std::vector<TLVertex> half = TLQuad(-0.5f, -0.5f, 7.5f, 3.5f, 0xFFFFFFFF);
  Draw(D3DFVF_TLVERTEX, half.data());   // the red and green texels over the top half

  ASSERT_EQ(device->SetRenderTarget(target, 0), D3D_OK);
  IDirectDrawSurface7* current = nullptr;
  device->GetRenderTarget(&current);
  EXPECT_EQ(current, target);
  current->Release();
  device->SetTexture(0, offscreen);
  std::vector<TLVertex> q = TLQuad(-0.5f, -0.5f, 15.5f, 15.5f, 0xFFFFFFFF);
  Draw(D3DFVF_TLVERTEX, q.data());
  std::vector<uint32_t> px = Raw(target);
  EXPECT_TRUE(Near(px[2 * 16 + 2], 0xFFFF0000));
  EXPECT_TRUE(Near(px[2 * 16 + 13], 0xFF00FF00));
  EXPECT_TRUE(Near(px[13 * 16 + 8], 0xFF202020));
  // The texture surface itself reads back what was drawn into it.
  EXPECT_TRUE(Near(Raw(offscreen)[0], 0xFFFF0000));
}

struct BlendCase {
  const char* name;
  bool blend;
  DWORD src, dst;
  uint32_t want;
};

TEST_F(GfxQuad, BlendStatesCombineWithTheFrameBuffer) {
  device->SetTexture(0, nullptr);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
  const DWORD source = 0x80FF4000;   // half-transparent orange over a 0x404080 background
  const BlendCase cases[] = {
      {"opaque", false, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, 0xFF4000},
      {"alpha", true, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, 0xA04040},
      {"additive", true, D3DBLEND_SRCALPHA, D3DBLEND_ONE, 0xC06080},
      {"subtractive", true, D3DBLEND_ZERO, D3DBLEND_INVSRCCOLOR, 0x003080},
      {"multiply", true, D3DBLEND_ZERO, D3DBLEND_SRCCOLOR, 0x401000},
      {"one one", true, D3DBLEND_ONE, D3DBLEND_ONE, 0xFF8080},
  };
  for (const BlendCase& c : cases) {
    SCOPED_TRACE(c.name);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF404080, 1, 0);
    device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, c.blend);
    device->SetRenderState(D3DRENDERSTATE_SRCBLEND, c.src);
    device->SetRenderState(D3DRENDERSTATE_DESTBLEND, c.dst);
    std::vector<TLVertex> q = TLQuad(-0.5f, -0.5f, 15.5f, 15.5f, source);
    Draw(D3DFVF_TLVERTEX, q.data());
    EXPECT_TRUE(Near(Raw(target)[8 * 16 + 8], c.want, 3));
  }
}

TEST_F(GfxQuad, TextureStageArgumentsAndAlphaTest) {
  DDPIXELFORMAT f = Argb8888();
  IDirectDrawSurface7* tex = Make(2, 1, DDSCAPS_TEXTURE, &f);
  Write(tex, {0x40FF0000, 0x00FF0000});
  device->SetTexture(0, tex);
  std::vector<TLVertex> q = TLQuad(-0.5f, -0.5f, 15.5f, 15.5f, 0xFF00FF00);

  struct Case { const char* name; DWORD op, arg1, arg2; uint32_t left; };
  const Case cases[] = {
      {"texture alpha replicated", D3DTOP_SELECTARG1, D3DTA_TEXTURE | D3DTA_ALPHAREPLICATE, D3DTA_CURRENT, 0x404040},
      {"texture factor", D3DTOP_SELECTARG1, D3DTA_TFACTOR, D3DTA_CURRENT, 0x336699},
      {"modulate with diffuse", D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0x000000},
      {"second argument", D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0x00FF00},
      {"complement", D3DTOP_SELECTARG1, D3DTA_TEXTURE | D3DTA_COMPLEMENT, D3DTA_CURRENT, 0x00FFFF},
  };
  device->SetRenderState(D3DRENDERSTATE_TEXTUREFACTOR, 0xFF336699);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1, 0);
    device->SetTextureStageState(0, D3DTSS_COLOROP, c.op);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, c.arg1);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, c.arg2);
    Draw(D3DFVF_TLVERTEX, q.data());
    EXPECT_TRUE(Near(Raw(target)[8 * 16 + 3], c.left, 2));
  }

  // Alpha test (greater or equal 1) drops the fully transparent right half.
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  device->SetRenderState(D3DRENDERSTATE_ALPHATESTENABLE, TRUE);
  device->SetRenderState(D3DRENDERSTATE_ALPHAREF, 1);
  device->SetRenderState(D3DRENDERSTATE_ALPHAFUNC, D3DCMP_GREATEREQUAL);
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1, 0);
  Draw(D3DFVF_TLVERTEX, q.data());
  std::vector<uint32_t> px = Raw(target);
  EXPECT_TRUE(Near(px[8 * 16 + 3], 0xFF0000));
  EXPECT_TRUE(Near(px[8 * 16 + 12], 0x000000));
}

TEST_F(GfxQuad, ViewportLimitsClearsAndDrawsAndBadOnesAreRefused) {
  D3DVIEWPORT7 vp{4, 4, 8, 8, 0, 1};
  ASSERT_EQ(device->SetViewport(&vp), D3D_OK);
  for (D3DVIEWPORT7 bad : {D3DVIEWPORT7{0, 0, 0, 8, 0, 1}, D3DVIEWPORT7{10, 0, 8, 8, 0, 1},
                           D3DVIEWPORT7{0, 0, 16, 17, 0, 1}, D3DVIEWPORT7{0, 0, 8, 8, 0.8f, 0.2f}}) {
    EXPECT_EQ(device->SetViewport(&bad), DDERR_INVALIDPARAMS);
  }
  D3DVIEWPORT7 kept{};
  device->GetViewport(&kept);
  EXPECT_EQ(kept.dwX, 4u);
  EXPECT_EQ(kept.dwWidth, 8u);

  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1, 0);
  std::vector<uint32_t> px = Raw(target);
  EXPECT_EQ(px[0] & 0xFFFFFF, 0u);
  EXPECT_EQ(px[4 * 16 + 4] & 0xFFFFFF, 0x00FF00u);
  EXPECT_EQ(px[11 * 16 + 11] & 0xFFFFFF, 0x00FF00u);
  EXPECT_EQ(px[12 * 16 + 12] & 0xFFFFFF, 0u);

  // Pretransformed vertices stay target pixels, clipped to the viewport.
  device->SetTexture(0, nullptr);
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  std::vector<TLVertex> q = TLQuad(-0.5f, -0.5f, 15.5f, 15.5f, 0xFFFF0000);
  Draw(D3DFVF_TLVERTEX, q.data());
  px = Raw(target);
  EXPECT_EQ(px[2 * 16 + 2] & 0xFFFFFF, 0u);
  EXPECT_EQ(px[5 * 16 + 5] & 0xFFFFFF, 0xFF0000u);
  os::TestFailNextDx("SetViewport", DDERR_GENERIC);
  EXPECT_EQ(device->SetViewport(&vp), DDERR_GENERIC);
}

TEST_F(GfxQuad, CullModesFollowScreenWinding) {
  device->SetTexture(0, nullptr);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
  // Clockwise on screen (x right, y down).
  TLVertex tri[3] = {{0, 0, 0.5f, 1, 0xFFFFFFFF, 0, 0, 0}, {15, 0, 0.5f, 1, 0xFFFFFFFF, 0, 0, 0},
                     {0, 15, 0.5f, 1, 0xFFFFFFFF, 0, 0, 0}};
  struct Case { DWORD cull; bool drawn; };
  for (Case c : {Case{D3DCULL_NONE, true}, Case{D3DCULL_CCW, true}, Case{D3DCULL_CW, false}}) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1, 0);
    device->SetRenderState(D3DRENDERSTATE_CULLMODE, c.cull);
    device->BeginScene();
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, tri, 3, 0), D3D_OK);
    device->EndScene();
    EXPECT_EQ((Raw(target)[2 * 16 + 2] & 0xFFFFFF) != 0, c.drawn) << c.cull;
  }
}

TEST_F(GfxDevice, DepthBufferHidesFartherDrawing) {
  IDirectDrawSurface7* target = Target(8, 8, true);
  IDirect3DDevice7* device = Device(target);
  DWORD z = 0;
  device->GetRenderState(D3DRENDERSTATE_ZENABLE, &z);
  EXPECT_EQ(z, DWORD(TRUE));   // on by default with a depth buffer attached
  Plain(device);
  device->SetRenderState(D3DRENDERSTATE_ZENABLE, TRUE);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1, 0);
  std::vector<TLVertex> near = TLQuad(-0.5f, -0.5f, 7.5f, 7.5f, 0xFFFF0000, 0.2f);
  std::vector<TLVertex> far = TLQuad(-0.5f, -0.5f, 7.5f, 7.5f, 0xFF0000FF, 0.8f);
  device->BeginScene();
  device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_TLVERTEX, near.data(), 4, 0);
  device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_TLVERTEX, far.data(), 4, 0);
  device->EndScene();
  EXPECT_EQ(Raw(target)[3 * 8 + 3] & 0xFFFFFF, 0xFF0000u);
  // Without depth writes the far quad wins.
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1, 0);
  device->SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, FALSE);
  device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_TLVERTEX, near.data(), 4, 0);
  device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_TLVERTEX, far.data(), 4, 0);
  EXPECT_EQ(Raw(target)[3 * 8 + 3] & 0xFFFFFF, 0x0000FFu);
}

TEST_F(GfxDevice, IndexedDrawingChecksItsIndices) {
  IDirectDrawSurface7* target = Target(8, 8);
  IDirect3DDevice7* device = Device(target);
  Plain(device);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1, 0);
  std::vector<TLVertex> q = TLQuad(-0.5f, -0.5f, 7.5f, 7.5f, 0xFF00FF00);
  WORD bad[6] = {0, 1, 2, 0, 2, 4};
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, q.data(), 4, bad, 6, 0),
            DDERR_INVALIDPARAMS);
  EXPECT_EQ(Raw(target)[3 * 8 + 3] & 0xFFFFFF, 0u);
  WORD good[6] = {0, 1, 2, 0, 2, 3};
  ASSERT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, q.data(), 4, good, 6, 0), D3D_OK);
  std::vector<uint32_t> px = Raw(target);
  EXPECT_EQ(px[0] & 0xFFFFFF, 0x00FF00u);
  EXPECT_EQ(px[63] & 0xFFFFFF, 0x00FF00u);

  EXPECT_EQ(device->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(9), D3DFVF_TLVERTEX, q.data(), 4, 0),
            D3DERR_INVALIDPRIMITIVETYPE);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_DIFFUSE, q.data(), 4, 0), D3DERR_INVALIDVERTEXFORMAT);
  os::TestFailNextDx("DrawPrimitive", DDERR_OUTOFVIDEOMEMORY);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_TLVERTEX, q.data(), 4, 0), DDERR_OUTOFVIDEOMEMORY);
}

TEST_F(GfxDevice, SceneBracketsAreChecked) {
  IDirect3DDevice7* device = Device(Target(8, 8));
  EXPECT_EQ(device->EndScene(), D3DERR_SCENE_NOT_IN_SCENE);
  ASSERT_EQ(device->BeginScene(), D3D_OK);
  EXPECT_EQ(device->BeginScene(), D3DERR_SCENE_IN_SCENE);
  os::TestFailNextDx("EndScene", D3DERR_SCENE_END_FAILED);
  EXPECT_EQ(device->EndScene(), D3DERR_SCENE_END_FAILED);
  // A failed end still closes the scene.
  EXPECT_EQ(device->BeginScene(), D3D_OK);
  EXPECT_EQ(device->EndScene(), D3D_OK);
  os::TestFailNextDx("BeginScene", DDERR_SURFACELOST);
  EXPECT_EQ(device->BeginScene(), DDERR_SURFACELOST);
  os::TestFailNextDx("SetRenderTarget", DDERR_CURRENTLYNOTAVAIL, 2);
  IDirectDrawSurface7* other = Target(4, 4);
  EXPECT_EQ(device->SetRenderTarget(other, 0), DDERR_CURRENTLYNOTAVAIL);
  EXPECT_EQ(device->SetRenderTarget(other, 0), DDERR_CURRENTLYNOTAVAIL);
  EXPECT_EQ(device->SetRenderTarget(other, 0), D3D_OK);
}

TEST_F(GfxDevice, StatesAndTransformsReadBackAsSet) {
  IDirect3DDevice7* device = Device(Target(8, 8));
  D3DMATRIX m{};
  m._11 = 2;
  m._44 = 3;
  ASSERT_EQ(device->SetTransform(D3DTRANSFORMSTATE_VIEW, &m), D3D_OK);
  D3DMATRIX got{};
  device->GetTransform(D3DTRANSFORMSTATE_VIEW, &got);
  EXPECT_EQ(got._11, 2);
  EXPECT_EQ(got._44, 3);
  EXPECT_EQ(device->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(7), &m), DDERR_INVALIDPARAMS);
  device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
  DWORD v = 0;
  device->GetRenderState(D3DRENDERSTATE_SRCBLEND, &v);
  EXPECT_EQ(v, D3DBLEND_SRCALPHA);
  device->SetTextureStageState(0, D3DTSS_ADDRESS, D3DTADDRESS_CLAMP);
  device->GetTextureStageState(0, D3DTSS_ADDRESSV, &v);
  EXPECT_EQ(v, D3DTADDRESS_CLAMP);
  EXPECT_EQ(device->SetTexture(8, nullptr), DDERR_INVALIDPARAMS);
}

}  // namespace
