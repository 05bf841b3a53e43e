// Textures and their data: loading with options, extensions and alpha masks, surface sizes and
// borders, the size limit, 16-bit locks, drawing with mirroring, saving and restoring.
#include "render/texture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "displayfixture.h"
#include "render/assetmanager.h"
#include "render/imagecodecs.h"
#include "render/texturememory.h"
#include "core/config.h"
#include "../os/gfx_fixture.h"

namespace {

using render_test::DisplayFixture;

class TextureTest : public DisplayFixture {
 protected:
  void SetUp() override {
    DisplayFixture::SetUp();
    TAssetManager::SetInstance(&mAssets);
    Window();
  }
  void TearDown() override {
    TAssetManager::SetInstance(nullptr);
    DisplayFixture::TearDown();
  }
  // Writes an image of one colour (ARGB) as "user:<name>".
  void Image(const char* name, int w, int h, uint32_t argb) {
    std::vector<uint32_t> pixels(static_cast<size_t>(w) * h, argb);
    TString path = TString("user:") + name;
    bool ok = std::strstr(name, ".jpg") ? SaveJpeg(path, 1.0f, w, h, w * 4, pixels.data())
                                        : SavePng(path, pixels.data(), w, h, w * 4);
    ASSERT_TRUE(ok) << name;
  }
  uint32_t PixelAt(TTexture& t, int x, int y) {
    uint32_t* pixels = nullptr;
    int row = 0;
    EXPECT_TRUE(t.Lock(&pixels, &row));
    uint32_t p = pixels ? pixels[y * row + x] : 0;
    t.Unlock();
    return p;
  }
  TAssetManager mAssets;
};

TEST_F(TextureTest, AJpegTakesItsMergedMaskOnlyWhenAsked) {
  Image("pic.jpg", 8, 8, 0xFF808080u);
  Image("pic.mask.png", 8, 8, 0xFF40FFFFu);
  {
    auto plain = TTexture::Get("user:pic", 0);
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->HasAlpha());
    EXPECT_EQ(PixelAt(*plain, 3, 3) >> 24, 0xFFu);
  }
  SetConfig("automergemask", "1");
  auto masked = TTexture::Get("user:pic", 0);
  ASSERT_TRUE(masked);
  EXPECT_TRUE(masked->HasAlpha());
  uint32_t p = PixelAt(*masked, 3, 3);
  EXPECT_EQ(p >> 24, 0x40u);
  EXPECT_TRUE(gfx_test::Near(p, 0x808080u, 3));
  // Shared while alive.
  EXPECT_EQ(TTexture::Get("user:pic", 0), masked);
}

TEST_F(TextureTest, AnExplicitMaskGivesAlphaFromItsRedChannel) {
  Image("a.png", 4, 4, 0xFF00FF00u);
  Image("m.png", 4, 4, 0xFF7F0000u);
  auto t = TTexture::GetWithMask("user:a.png", "user:m", 0);
  ASSERT_TRUE(t);
  EXPECT_TRUE(t->HasAlpha());
  EXPECT_EQ(PixelAt(*t, 1, 1), 0x7F00FF00u);
  EXPECT_FALSE(TTexture::GetWithMask("user:a.png", "user:missing", 0));
}

TEST_F(TextureTest, OptionsAfterABareNameApplyToTheFileFound) {
  Image("opt.png", 4, 4, 0x80112233u);
  auto t = TTexture::Get("user:opt?alpha,mipmap", 0);
  ASSERT_TRUE(t);
  EXPECT_TRUE(t->HasAlpha());
  EXPECT_TRUE(t->GetData()->mFlags & kTexMipmap);
  EXPECT_EQ(t->GetData()->mSourceName, "user:opt.png?alpha,mipmap");
  EXPECT_FALSE(TTexture::Get("user:none", 0));
  EXPECT_FALSE(TTexture::Get("user:none.png", 0));
}

TEST_F(TextureTest, SurfaceSizesBordersAndTheSizeLimit) {
  Image("wide.png", 700, 300, 0xFF000000u);
  {
    auto t = TTexture::Get("user:wide", 0);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->GetData()->mSurfaceWidth, 1024);
    EXPECT_EQ(t->GetData()->mSurfaceHeight, 512);
    EXPECT_EQ(t->GetData()->mBorderX, 162);
    EXPECT_EQ(t->GetData()->mBorderY, 106);
    EXPECT_EQ(t->GetWidth(), 700);
    EXPECT_EQ(t->GetHeight(), 300);
  }
  Data().mSquareTexturesOnly = true;
  {
    auto t = TTexture::Get("user:wide", 0);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->GetData()->mSurfaceHeight, 1024);
  }
  auto blank = TTexture::CreateBlank(100, 50, false);
  ASSERT_TRUE(blank);
  EXPECT_EQ(blank->GetData()->mSurfaceWidth, 128);
  EXPECT_EQ(blank->GetData()->mSurfaceHeight, 128);
  EXPECT_EQ(blank->GetData()->mBorderX, 14);
  EXPECT_EQ(blank->GetData()->mBorderY, 39);
  Data().mSquareTexturesOnly = false;

  Image("long.png", 2000, 100, 0xFF000000u);
  EXPECT_FALSE(TTexture::Get("user:long", 0));
  EXPECT_TRUE(TTexture::Get("user:long?slow", 0));
}

// Every surface adds its height x pitch bytes to the texture-memory figures while it exists; the
// highest figure stays.
TEST_F(TextureTest, SurfacesAreCountedAsTextureMemory) {
  ResetTextureMemory();
  auto figure = [](const char* key) { return std::atoll(GetConfig(key, "").CStr()); };
  auto first = TTexture::CreateBlank(100, 50, false);
  ASSERT_TRUE(first && first->GetSurface());
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  ASSERT_EQ(first->GetSurface()->GetSurfaceDesc(&desc), DD_OK);
  const int64_t bytes = int64_t(desc.dwHeight) * desc.lPitch;
  ASSERT_GT(bytes, 0);
  EXPECT_EQ(GetTextureMemory(), bytes);
  auto second = TTexture::CreateBlank(100, 50, false);
  ASSERT_TRUE(second);
  EXPECT_EQ(GetTextureMemory(), 2 * bytes);
  EXPECT_EQ(figure("texture_ram_allocated"), 2 * bytes);
  first.reset();
  second->GetData()->ReleaseSurface();  // device loss gives the surface back
  EXPECT_EQ(GetTextureMemory(), 0);
  EXPECT_EQ(figure("texture_ram_allocated"), 0);
  EXPECT_EQ(figure("max_texture_ram_allocated"), 2 * bytes);
  second.reset();  // a released surface is not taken away twice
  EXPECT_EQ(GetTextureMemory(), 0);
}

// A refused fast copy is redone by the fallback path, so the pixels still arrive.
TEST_F(TextureTest, RefusedFastCopyTakesTheFallback) {
  Image("red.png", 16, 16, 0xFFFF0000u);
  auto source = TTexture::Get("user:red", 0);
  auto target = TTexture::CreateBlank(16, 16, false);
  ASSERT_TRUE(source && target);
  ASSERT_EQ(PixelAt(*target, 4, 4) & 0xFFFFFFu, 0u);
  os::TestFailNextDx("Blt", DDERR_GENERIC);
  TRect part(0, 0, 8, 8);
  source->CopyRect(2, 2, &part, target.get());
  EXPECT_EQ(PixelAt(*target, 4, 4) & 0xFFFFFFu, 0xFF0000u);
  EXPECT_EQ(PixelAt(*target, 12, 12) & 0xFFFFFFu, 0u);  // only the part was copied
}

// Under a scaled window view a copy to the back buffer lands where the view shows it: the part's
// own rectangle times the scale, whatever x and y say; a refused stretching copy is redone.
TEST_F(TextureTest, CopiesToAScaledWindowAreStretched) {
  Image("red.png", 16, 16, 0xFFFF0000u);
  auto source = TTexture::Get("user:red", 0);
  ASSERT_TRUE(source);
  auto backBufferAt = [&](int x, int y) {
    IDirectDrawSurface7* back = handler->GetBackBuffer();
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    EXPECT_EQ(back->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_READONLY, nullptr), DD_OK);
    uint32_t p = static_cast<const uint32_t*>(desc.lpSurface)[y * (desc.lPitch / 4) + x] & 0xFFFFFFu;
    back->Unlock(nullptr);
    return p;
  };
  for (bool refused : {false, true}) {
    SCOPED_TRACE(refused ? "stretching copy refused" : "stretching copy");
    IDirectDrawSurface7* back = handler->GetBackBuffer();
    ASSERT_NE(back, nullptr);
    DDBLTFX fill{};
    fill.dwSize = sizeof fill;
    fill.dwFillColor = 0;
    ASSERT_EQ(back->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fill), DD_OK);
    Impl().mViewportScale[0] = Impl().mViewportScale[1] = 2.0f;
    if (refused) os::TestFailNextDx("Blt", DDERR_GENERIC);
    TRect part(4, 4, 8, 8);
    source->CopyRect(100, 100, &part, nullptr);
    Impl().mViewportScale[0] = Impl().mViewportScale[1] = 1.0f;
    EXPECT_EQ(backBufferAt(8, 8), 0xFF0000u);
    EXPECT_EQ(backBufferAt(15, 15), 0xFF0000u);
    EXPECT_EQ(backBufferAt(16, 16), 0u);
    EXPECT_EQ(backBufferAt(7, 7), 0u);
    EXPECT_EQ(backBufferAt(101, 101), 0u);  // not at x and y
  }
}

TEST_F(TextureTest, LockingASixteenBitSurfaceGivesAnOpaqueCopyThatIsWrittenBack) {
  Data().mLowMemoryVideo = true;
  handler->SetDisplay(320, 240, true, true, false, false);
  ASSERT_EQ(Data().mDisplayBitsPerPixel, 16);
  auto t = TTexture::CreateBlank(8, 8, false);
  ASSERT_TRUE(t);
  uint32_t* pixels = nullptr;
  int row = 0;
  ASSERT_TRUE(t->Lock(&pixels, &row));
  EXPECT_EQ(pixels[0], 0xFF000000u);
  pixels[2 * row + 3] = 0xFFFF0000u;
  t->Unlock();
  EXPECT_EQ(PixelAt(*t, 3, 2), 0xFFFF0000u);
  EXPECT_EQ(PixelAt(*t, 4, 2), 0xFF000000u);
}

TEST_F(TextureTest, MirroringFlipsTheQuadAboutItsCentre) {
  auto t = TTexture::CreateBlank(32, 32, true);
  ASSERT_TRUE(t);
  uint32_t* pixels = nullptr;
  int row = 0;
  ASSERT_TRUE(t->Lock(&pixels, &row));
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) pixels[y * row + x] = x < 16 ? 0xFFFF0000u : 0xFF0000FFu;
  t->Unlock();
  for (uint32_t flags : {0u, kDrawMirrorX}) {
    SCOPED_TRACE(flags);
    ASSERT_TRUE(draw->BeginDraw(0));
    ASSERT_TRUE(draw->Begin2d());
    draw->SetTextureFilter(0);
    t->DrawAt(100, 100, 1.0f, 1.0f, 0.0f, flags);
    draw->End2d();
    draw->EndDraw(1);
    bool mirrored = flags & kDrawMirrorX;
    EXPECT_TRUE(gfx_test::Near(Presented(90, 100), mirrored ? 0x0000FFu : 0xFF0000u));
    EXPECT_TRUE(gfx_test::Near(Presented(110, 100), mirrored ? 0xFF0000u : 0x0000FFu));
    EXPECT_TRUE(gfx_test::Near(Presented(120, 100), 0x000000u));
  }
  // Outside a 2D block nothing is drawn and nothing is logged as misuse.
  t->DrawAt(100, 100, 1.0f, 1.0f, 0.0f, 0);
  EXPECT_FALSE(Logged("DrawVertices called when not in Begin2d or Begin3d state"));
}

TEST_F(TextureTest, SavingWritesPngAndJpegOnly) {
  auto t = TTexture::CreateBlank(4, 4, true);
  ASSERT_TRUE(t);
  EXPECT_FALSE(t->Save("user:out.bmp", 1.0f));
  EXPECT_TRUE(Logged("TTexture::Save only supports .jpg and .png files"));
  uint32_t* pixels = nullptr;
  int row = 0;
  ASSERT_TRUE(t->Lock(&pixels, &row));
  pixels[0] = 0x80FF0000u;
  t->Unlock();
  ASSERT_TRUE(t->Save("user:out.png", 1.0f));
  TImageBuffer back;
  ASSERT_TRUE(LoadPng("user:out.png", &back));
  EXPECT_EQ(back.width, 4);
  EXPECT_EQ(back.Pixel(0, 0)[2], 0xFF);
  EXPECT_EQ(back.Pixel(0, 0)[3], 0x80);
  EXPECT_TRUE(t->Save("user:out.jpg", 0.9f));
}

TEST_F(TextureTest, RestoringAfterTheFileWentAwayFailsWithoutMarkingBroken) {
  Image("gone.png", 4, 4, 0xFF123456u);
  auto t = TTexture::Get("user:gone.png", 0);
  ASSERT_TRUE(t);
  t->Unload();
  EXPECT_EQ(t->GetSurface(), nullptr);
  t->Restore();
  EXPECT_NE(t->GetSurface(), nullptr);
  std::filesystem::remove(mFiles / "user/gone.png");
  t->Unload();
  EXPECT_FALSE(t->GetData()->Restore());
  EXPECT_TRUE(Logged("TDxTextureData::Restore: Failed to restore from file user:gone.png."));
  EXPECT_FALSE(Data().mBroken);
  // A texture made in memory comes back cleared.
  auto blank = TTexture::CreateBlank(8, 8, true);
  blank->Unload();
  EXPECT_TRUE(blank->GetData()->Restore());
  EXPECT_NE(blank->GetSurface(), nullptr);
}

TEST(TextureKeys, CacheKeysAndUniqueNames) {
  EXPECT_EQ(TTexture::MakeCacheKey("Images\\a.png", true, true, false), "Images/a.png:a:m:tex");
  EXPECT_EQ(TTexture::MakeCacheKey("b", false, false, true), "b:s:tex");
  EXPECT_EQ(TTexture::MakeMaskedCacheKey("i\\x", "m", true, false), "i\\x:m:m:tex");
  TTexture t;
  std::string unique = t.MakeUniqueName().CStr();
  EXPECT_EQ(unique.substr(unique.size() - 6), ":tex:r");
}

}  // namespace
