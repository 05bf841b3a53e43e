// Sprite hit tests through the display: the built-in probe renders the sprite into its small target
// and reads the tested pixel's alpha back, so transparent parts of a texture do not hit.
#include <gtest/gtest.h>

#include <cstdlib>

#include "displayfixture.h"
#include "render/sprite.h"
#include "render/texture.h"

namespace {

class SpriteDisplayTest : public render_test::DisplayFixture {
 protected:
  // The software renderer's worker threads, started by the texture draws here, can still be
  // winding down when the leak checker stops the process at exit; render on the test's thread.
  SpriteDisplayTest() { setenv("LP_NUM_THREADS", "0", 1); }
};

// A 16 x 16 texture whose left half is opaque white and whose right half is fully transparent.
std::shared_ptr<TTexture> HalfOpaque() {
  auto texture = TTexture::CreateBlank(16, 16, true);
  if (!texture) return nullptr;
  uint32_t* pixels = nullptr;
  int rowLength = 0;
  if (!texture->Lock(&pixels, &rowLength)) return nullptr;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) pixels[y * rowLength + x] = x < 8 ? 0xFFFFFFFFu : 0x00FFFFFFu;
  texture->Unlock();
  return texture;
}

}  // namespace

TEST_F(SpriteDisplayTest, PixelProbeSeesTransparentPixelsThatTheRectangleTestIgnores) {
  Window();
  auto texture = HalfOpaque();
  ASSERT_TRUE(texture) << Log();
  auto sprite = TSprite::Create(0, texture);
  sprite->SetSpec(TDrawSpec(TVec2(100, 100), 1.0f, 1.0f, 0));
  ASSERT_EQ(sprite->GetBounds(TDrawSpec(), 0), TRect(92, 92, 108, 108));
  EXPECT_TRUE(sprite->HitTest(95, 100, TDrawSpec(), 128, 0)) << Log();
  EXPECT_FALSE(sprite->HitTest(105, 100, TDrawSpec(), 128, 0));
  EXPECT_TRUE(sprite->HitTest(105, 100, TDrawSpec(), -1, 0));
  // A parent's placement moves the tested pixel with it.
  TDrawSpec parent(TVec2(10, 0), 1.0f, 1.0f, 0);
  EXPECT_TRUE(sprite->HitTest(105, 100, parent, 128, 0));
  EXPECT_FALSE(draw->IsIn2d());
  EXPECT_FALSE(draw->IsDrawing());
}

TEST_F(SpriteDisplayTest, Draw2dScopeClosesOnlyTheBlockItOpened) {
  Window();
  {
    Draw2dScope outside;  // no frame or render target: Begin2d refuses
    EXPECT_FALSE(outside.IsOpen());
  }
  auto target = TTexture::CreateBlank(8, 8, true);
  ASSERT_TRUE(target);
  ASSERT_TRUE(draw->BeginRenderTarget(target, 0));
  {
    Draw2dScope scope;
    ASSERT_TRUE(scope.IsOpen());
    EXPECT_TRUE(draw->IsIn2d());
    scope.End();
    EXPECT_FALSE(draw->IsIn2d());
    EXPECT_FALSE(scope.IsOpen());
  }
  {
    Draw2dScope scope;
    EXPECT_TRUE(draw->IsIn2d());
  }
  EXPECT_FALSE(draw->IsIn2d());
  draw->EndRenderTarget();
}
