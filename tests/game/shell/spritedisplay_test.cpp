// Sprite windows and glows on a real display: a sprite window's entries drawn through the window
// system onto the presented frame and read back, and the glow's mask built from a sprite's pixels
// and hung under it as an effect.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "render/assetmanager.h"
#include "render/windowdisplayfixture.h"
#include "render/sprite.h"
#include "particles/effectsprite.h"
#include "render/texture.h"
#include "shell/spriteanimator.h"
#include "shell/spritewindow.h"
#include "ui/windowdraw.h"

namespace {


// A texture in memory; every row holds pixels of the given alphas, coloured 0xRRGGBB.
std::shared_ptr<TTexture> PixelTexture(const std::vector<uint8_t>& alphas, int height, uint32_t rgb = 0x0A141E) {
  auto texture = TTexture::CreateBlank(static_cast<int>(alphas.size()), height, true);
  if (!texture) return texture;
  uint32_t* pixels = nullptr;
  int row = 0;
  if (!texture->Lock(&pixels, &row)) return nullptr;
  for (int y = 0; y < height; ++y)
    for (size_t x = 0; x < alphas.size(); ++x) pixels[y * row + int(x)] = uint32_t(alphas[x]) << 24 | rgb;
  texture->Unlock();
  return texture;
}

std::shared_ptr<TTexture> Solid(int w, int h, uint32_t rgb) {
  return PixelTexture(std::vector<uint8_t>(static_cast<size_t>(w), 255), h, rgb);
}

bool Near(uint32_t a, uint32_t b, int tolerance = 8) {
  for (int shift = 0; shift < 24; shift += 8)
    if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance) return false;
  return true;
}

class SpriteWindowDisplayTest : public render_test::WindowDisplayFixture {
 protected:
  void SetUp() override {
    WindowDisplayFixture::SetUp();
    if (!TAssetManager::GetInstance()) {
      assets_ = std::make_unique<TAssetManager>();
      TAssetManager::SetInstance(assets_.get());
    }
  }
  void TearDown() override {
    TSpriteAnimator::ReleaseInstance();
    WindowDisplayFixture::TearDown();
    if (assets_) TAssetManager::SetInstance(nullptr);
  }
  void ExpectPixel(int x, int y, uint32_t rgb) {
    uint32_t got = Presented(x, y);
    EXPECT_TRUE(Near(got, rgb)) << "at " << x << "," << y << std::hex << " got " << got << " want " << rgb;
  }
  static TSpriteEntry Entry(const char* name, const std::shared_ptr<TTexture>& texture, float x, float y) {
    TSpriteEntry e;
    e.sprite = TSprite::Create(0, texture);
    e.sprite->SetSpec(TDrawSpec(TVec2(x, y), 1.0f, 1.0f, kDrawUseAnchor));
    e.name = name;
    return e;
  }

  std::unique_ptr<TAssetManager> assets_;
};

TEST_F(SpriteWindowDisplayTest, EntriesAppearAtTheirPlacesInTheWindowLaterOnesOnTop) {
  TSpriteWindow window;
  window.MoveTo(100, 50);
  window.SetSize(200, 150);
  window.AddSpriteEntry(Entry("red", Solid(40, 20, 0xFF0000), 10, 10));
  window.AddSpriteEntry(Entry("green", Solid(10, 10, 0x00FF00), 30, 15));
  TSpriteEntry hidden = Entry("blue", Solid(10, 10, 0x0000FF), 60, 60);
  window.AddSpriteEntry(hidden);
  window.SetSpriteVisible("blue", false);

  ASSERT_TRUE(windowdraw::BeginDraw());
  windowdraw::FillRect(TRect(0, 0, 320, 240), TVec4(0, 0, 0, 1));
  window.DrawTree(0);
  windowdraw::EndDraw();

  ExpectPixel(112, 62, 0xFF0000);  // the red one, offset by the window's place
  ExpectPixel(145, 68, 0xFF0000);
  ExpectPixel(135, 70, 0x00FF00);  // the green one lies on top of it
  ExpectPixel(108, 62, 0x000000);  // left of the red one
  ExpectPixel(165, 115, 0x000000); // the hidden blue one
  EXPECT_EQ(Count("Begin2d"), 0u) << Log();  // drawn inside the frame's own 2D block
}

TEST_F(SpriteWindowDisplayTest, MaskPaintsOnlyPixelsMoreThanHalfOpaque) {
  auto texture = PixelTexture({0, 127, 128, 255}, 2);
  ASSERT_TRUE(texture);
  TSpriteAnimationGlow::PaintMask(*texture);
  uint32_t* pixels = nullptr;
  int row = 0;
  ASSERT_TRUE(texture->Lock(&pixels, &row));
  EXPECT_EQ(pixels[0], 0x000A141Eu);
  EXPECT_EQ(pixels[1], 0x7F0A141Eu);  // 127/255 is below one half: unchanged
  EXPECT_EQ(pixels[2], 0x801868CBu);  // the halo colour, its alpha kept
  EXPECT_EQ(pixels[3], 0xFF1868CBu);
  EXPECT_EQ(pixels[row + 2], 0x801868CBu);
  texture->Unlock();
}

TEST_F(SpriteWindowDisplayTest, GlowHangsOneCentredEffectUnderTheSpriteUntilStopped) {
  auto root = TSprite::Create(0);
  auto texture = PixelTexture({255, 255, 0, 0, 255, 255}, 4);
  ASSERT_TRUE(texture);
  texture->GetData()->mSourceName = "images/lamp.png";
  auto sprite = TSprite::Create(0, texture);
  sprite->GetSpec().flags = kDrawUseAnchor;
  sprite->GetSpec().alpha = 0.5f;
  root->AddChild(sprite);

  TSpriteAnimator* animator = TSpriteAnimator::Instance();
  animator->StartGlow(sprite, root);
  ASSERT_TRUE(animator->IsGlowing(sprite.get()));
  ASSERT_EQ(sprite->GetChildren().size(), 1u);
  const auto& effect = sprite->GetChildren().front();
  EXPECT_NE(KindCast<TFxSprite>(effect), nullptr);
  EXPECT_EQ(effect->GetSpec().transform.GetTranslation().x, 3.0f);
  EXPECT_EQ(effect->GetSpec().transform.GetTranslation().y, 2.0f);
  EXPECT_FLOAT_EQ(effect->GetSpec().alpha, 0.5f);

  // The mask is found by its name, as the effect script asks for it, and holds the sprite's shape.
  const TSpriteAnimationGlow* glow = animator->GetGlow(sprite.get());
  EXPECT_EQ(glow->GetMaskName(), "user:images/lamp_mask.png");
  auto mask = TTexture::Get("user:images/lamp_mask.png", TTexture::kGetAlpha);
  ASSERT_TRUE(mask);
  EXPECT_EQ(mask->GetWidth(), 6);
  EXPECT_EQ(mask->GetHeight(), 4);
  uint32_t* pixels = nullptr;
  int row = 0;
  ASSERT_TRUE(mask->Lock(&pixels, &row));
  EXPECT_EQ(pixels[row + 1], 0xFF1868CBu);
  EXPECT_EQ(pixels[row + 2] >> 24, 0u);  // the sprite's hole stays a hole
  mask->Unlock();

  animator->StartGlow(sprite, root);  // already glowing: nothing new
  EXPECT_EQ(sprite->GetChildren().size(), 1u);
  animator->StopGlow(sprite);
  EXPECT_TRUE(sprite->GetChildren().empty());
  EXPECT_FALSE(animator->IsGlowing(sprite.get()));

  // A sprite without a picture cannot glow.
  auto bare = TSprite::Create(0);
  animator->StartGlow(bare, root);
  EXPECT_FALSE(animator->IsGlowing(bare.get()));
}

}  // namespace
