// The utility subset of the graphics stand-in: textures in named formats, uploads converted from
// 32-bit memory into those formats, and the orthographic off-centre matrix.
#include "gfx_fixture.h"

using namespace gfx_test;

namespace {

class GfxUtility : public GfxTest {
 protected:
  void SetUp() override {
    GfxTest::SetUp();
    ASSERT_EQ(D3DXInitialize(), S_OK);
    target = Target(8, 8);
    device = Device(target);
  }
  void TearDown() override {
    EXPECT_EQ(D3DXUninitialize(), S_OK);
    GfxTest::TearDown();
  }

  IDirectDrawSurface7* Create(D3DX_SURFACEFORMAT* format, DWORD w, DWORD h, DWORD flags, DWORD* mips = nullptr) {
    IDirectDrawSurface7* s = nullptr;
    DWORD levels = 0;
    EXPECT_EQ(D3DXCreateTexture(device, &flags, &w, &h, format, nullptr, &s, mips ? mips : &levels), S_OK);
    return Hold(s);
  }

  IDirectDrawSurface7* target = nullptr;
  IDirect3DDevice7* device = nullptr;
};

TEST_F(GfxUtility, TexturesGetTheNamedFormatSizeAndLevels) {
  struct Case { D3DX_SURFACEFORMAT format; DWORD bits, alpha, red; };
  const Case cases[] = {
      {D3DX_SF_A8R8G8B8, 32, 0xFF000000u, 0xFF0000},
      {D3DX_SF_X8R8G8B8, 32, 0, 0xFF0000},
      {D3DX_SF_R5G6B5, 16, 0, 0xF800},
      {D3DX_SF_A4R4G4B4, 16, 0xF000, 0x0F00},
      {D3DX_SF_A1R5G5B5, 16, 0x8000, 0x7C00},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    D3DX_SURFACEFORMAT format = c.format;
    DWORD mips = 0;
    IDirectDrawSurface7* s = Create(&format, 100, 50, 0, &mips);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(format, c.format);
    EXPECT_EQ(mips, 7u);   // 100 -> 50 -> 25 -> 12 -> 6 -> 3 -> 1
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    s->GetSurfaceDesc(&d);
    EXPECT_EQ(d.dwWidth, 100u);
    EXPECT_EQ(d.dwHeight, 50u);
    EXPECT_EQ(d.ddpfPixelFormat.dwRGBBitCount, c.bits);
    EXPECT_EQ(d.ddpfPixelFormat.dwRGBAlphaBitMask, c.alpha);
    EXPECT_EQ(d.ddpfPixelFormat.dwRBitMask, c.red);
    EXPECT_TRUE(d.ddsCaps.dwCaps & DDSCAPS_TEXTURE);
  }
  D3DX_SURFACEFORMAT format = D3DX_SF_A8R8G8B8;
  DWORD mips = 0;
  Create(&format, 16, 16, D3DX_TEXTURE_NOMIPMAP, &mips);
  EXPECT_EQ(mips, 1u);
}

TEST_F(GfxUtility, CreationFailuresAndBadArgumentsAreReported) {
  DWORD flags = 0, w = 8, h = 8;
  D3DX_SURFACEFORMAT format = D3DX_SF_A8R8G8B8;
  IDirectDrawSurface7* s = nullptr;
  os::TestFailNextDx("D3DXCreateTexture", DDERR_OUTOFVIDEOMEMORY);
  EXPECT_EQ(D3DXCreateTexture(device, &flags, &w, &h, &format, nullptr, &s, nullptr), DDERR_OUTOFVIDEOMEMORY);
  EXPECT_EQ(s, nullptr);
  EXPECT_EQ(D3DXCreateTexture(nullptr, &flags, &w, &h, &format, nullptr, &s, nullptr), D3DXERR_INVALIDPARAMS);
  os::TestSetVideoMemory(1u << 20, 100);
  EXPECT_EQ(D3DXCreateTexture(device, &flags, &w, &h, &format, nullptr, &s, nullptr), DDERR_OUTOFVIDEOMEMORY);
}

TEST_F(GfxUtility, UploadsAreConvertedIntoTheTextureFormat) {
  D3DX_SURFACEFORMAT format = D3DX_SF_A4R4G4B4;
  IDirectDrawSurface7* s = Create(&format, 2, 2, D3DX_TEXTURE_NOMIPMAP);
  const uint32_t source[4] = {0xFFFF0000, 0x8000FF00, 0x000000FF, 0xFFFFFFFF};
  ASSERT_EQ(D3DXLoadTextureFromMemory(device, s, 0, const_cast<uint32_t*>(source), nullptr, D3DX_SF_A8R8G8B8,
                                      D3DX_DEFAULT, nullptr, D3DX_FT_POINT),
            S_OK);
  EXPECT_EQ(Raw(s), (std::vector<uint32_t>{0xFF00, 0x80F0, 0x000F, 0xFFFF}));

  // A destination rectangle with a wider source pitch writes only that rectangle.
  const uint32_t wide[3] = {0xFF000000, 0xDEADBEEF, 0xFF112233};
  RECT r{1, 0, 2, 2};
  ASSERT_EQ(D3DXLoadTextureFromMemory(device, s, D3DX_DEFAULT, const_cast<uint32_t*>(wide), nullptr,
                                      D3DX_SF_X8R8G8B8, 8, &r, D3DX_FT_LINEAR),
            S_OK);
  EXPECT_EQ(Raw(s), (std::vector<uint32_t>{0xFF00, 0xF000, 0x000F, 0xF123}));

  RECT outside{0, 0, 3, 1};
  EXPECT_EQ(D3DXLoadTextureFromMemory(device, s, 0, const_cast<uint32_t*>(source), nullptr, D3DX_SF_A8R8G8B8,
                                      D3DX_DEFAULT, &outside, D3DX_FT_POINT),
            D3DXERR_INVALIDPARAMS);
  EXPECT_EQ(D3DXLoadTextureFromMemory(device, s, 0, const_cast<uint32_t*>(source), nullptr, D3DX_SF_R5G6B5,
                                      D3DX_DEFAULT, nullptr, D3DX_FT_POINT),
            DDERR_UNSUPPORTEDFORMAT);
  os::TestFailNextDx("D3DXLoadTextureFromMemory", DDERR_SURFACELOST);
  EXPECT_EQ(D3DXLoadTextureFromMemory(device, s, 0, const_cast<uint32_t*>(source), nullptr, D3DX_SF_A8R8G8B8,
                                      D3DX_DEFAULT, nullptr, D3DX_FT_POINT),
            DDERR_SURFACELOST);
}

TEST_F(GfxUtility, UploadedMipmappedTextureDrawsAtEveryScale) {
  D3DX_SURFACEFORMAT format = D3DX_SF_R5G6B5;
  IDirectDrawSurface7* s = Create(&format, 16, 16, 0);
  std::vector<uint32_t> pixels(256, 0xFF00FF00);
  ASSERT_EQ(D3DXLoadTextureFromMemory(device, s, D3DX_DEFAULT, pixels.data(), nullptr, D3DX_SF_A8R8G8B8,
                                      D3DX_DEFAULT, nullptr, D3DX_FT_LINEAR),
            S_OK);
  Plain(device);
  device->SetTexture(0, s);
  device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);
  device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTFP_LINEAR);
  // 16 texels onto 2 pixels samples a small level, which must hold the same colour.
  std::vector<TLVertex> q = TLQuad(-0.5f, -0.5f, 1.5f, 1.5f, 0xFFFFFFFF);
  device->BeginScene();
  ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_TLVERTEX, q.data(), 4, 0), D3D_OK);
  device->EndScene();
  EXPECT_TRUE(Near(Raw(target)[0], 0xFF00FF00, 4));
}

TEST(GfxOrtho, OffCentreMatrixMapsTheBoxOntoClipSpace) {
  D3DMATRIX m;
  ASSERT_EQ(D3DXMatrixOrthoOffCenterLH(&m, 10, 810, 620, 20, 0.5f, 100.5f), &m);
  struct Case { float x, y, z; float wx, wy, wz; };
  const Case cases[] = {
      {10, 20, 0.5f, -1, 1, 0},      // left, top, near
      {810, 620, 100.5f, 1, -1, 1},  // right, bottom, far
      {410, 320, 50.5f, 0, 0, 0.5f},
  };
  for (const Case& c : cases) {
    // Row vector times matrix.
    float x = c.x * m._11 + c.y * m._21 + c.z * m._31 + m._41;
    float y = c.x * m._12 + c.y * m._22 + c.z * m._32 + m._42;
    float z = c.x * m._13 + c.y * m._23 + c.z * m._33 + m._43;
    float w = c.x * m._14 + c.y * m._24 + c.z * m._34 + m._44;
    EXPECT_NEAR(x, c.wx, 1e-5);
    EXPECT_NEAR(y, c.wy, 1e-5);
    EXPECT_NEAR(z, c.wz, 1e-5);
    EXPECT_FLOAT_EQ(w, 1);
  }
}

}  // namespace
