// Image windows: sizing from the texture, the covering flag, what a draw hands the texture, style
// tables through the window script, and the sound key.
#include "ui/image.h"

#include "ui/windowstyle.h"
#include "widgets_fixture.h"

namespace {

class ImageTest : public WidgetFixture {};

TEST_F(ImageTest, TextureSizesTheWindowWithScaleAndQuarterTurn) {
  struct Case {
    int w, h;
    float scale;
    bool rotated;
    int wantW, wantH;
  } cases[] = {
      {200, 100, 1.5f, false, 300, 150},
      {200, 100, 1.5f, true, 150, 300},
      {3, 3, 0.5f, false, 2, 2},  // 1.5 rounds up
      {10, 20, 1.0f, false, 10, 20},
  };
  for (const Case& c : cases) {
    TImage image(true);
    image.SetRotated(c.rotated);
    image.SetTexture(Anonymous(c.w, c.h), c.scale);
    EXPECT_EQ(image.GetWidth(), c.wantW) << c.w << "x" << c.h << " rotated " << c.rotated;
    EXPECT_EQ(image.GetHeight(), c.wantH) << c.w << "x" << c.h << " rotated " << c.rotated;
  }
  TImage image(false);
  image.SetTexture(Anonymous(200, 100), 1.5f);
  image.SetRotated(true);  // turning an already sized window swaps its sides
  EXPECT_EQ(image.GetWidth(), 150);
  EXPECT_EQ(image.GetHeight(), 300);
  image.SetTexture(nullptr, 1.0f);  // no texture keeps the size
  EXPECT_EQ(image.GetWidth(), 150);
}

TEST_F(ImageTest, CoveringFollowsAlphaAndTheTexturesOwnAlpha) {
  TImage image(true);
  EXPECT_TRUE(image.GetFlags() & kWindowCovers);
  EXPECT_TRUE(image.GetFlags() & kWindowRedrawWithParent);
  EXPECT_FALSE(TImage(false).GetFlags() & kWindowRedrawWithParent);
  image.SetTexture(Anonymous(8, 8), 1.0f);
  image.SetAlpha(0.5f);
  EXPECT_FALSE(image.GetFlags() & kWindowCovers);
  image.SetAlpha(1.0f);
  EXPECT_TRUE(image.GetFlags() & kWindowCovers);
  image.SetTexture(Anonymous(8, 8, true), 1.0f);
  image.SetAlpha(1.0f);
  EXPECT_FALSE(image.GetFlags() & kWindowCovers);
  image.SetTexture(nullptr, 1.0f);
  image.SetAlpha(1.0f);
  EXPECT_FALSE(image.GetFlags() & kWindowCovers);
}

TEST_F(ImageTest, DrawHandsTheTextureScaleAlphaAndFlags) {
  TImage image(true);
  image.Draw();  // nothing without a texture
  EXPECT_TRUE(textures_.empty());

  auto texture = Anonymous(40, 30);
  image.SetTexture(texture, 2.0f);
  image.SetAlpha(0.25f);
  image.SetDrawFlags(1);
  image.Draw();
  ASSERT_EQ(textures_.size(), 1u);
  EXPECT_EQ(textures_[0].texture, texture.get());
  EXPECT_FLOAT_EQ(textures_[0].drawSpec.alpha, 0.25f);
  EXPECT_EQ(textures_[0].drawSpec.flags, 1u | 8u);
  EXPECT_FLOAT_EQ(textures_[0].drawSpec.transform.row[0].x, 2.0f);
  EXPECT_FLOAT_EQ(textures_[0].drawSpec.transform.row[1].y, 2.0f);
  EXPECT_FLOAT_EQ(textures_[0].drawSpec.transform.GetTranslation().y, 0.0f);

  image.SetRotated(true);
  image.Draw();
  ASSERT_EQ(textures_.size(), 2u);
  EXPECT_FLOAT_EQ(textures_[1].drawSpec.transform.GetTranslation().y, 30.0f);
  EXPECT_NEAR(textures_[1].drawSpec.transform.row[0].x, 0.0f, 1e-5);  // a quarter turn
}

TEST_F(ImageTest, StyleTableLoadsTheImageAndItsOptions) {
  auto plain = Texture("pic.png", 200, 100);
  auto alpha = Texture("glass.png", 20, 10, true);
  ASSERT_EQ(Run("MakeDialog{ Bitmap{ name='a', image='pic.png', w=50, scale=1.5, hflip=true, vflip=true },"
                "  Bitmap{ name='b', image='pic.png', rotate=true },"
                "  Bitmap{ name='c', image='glass.png', alpha=true },"
                "  Bitmap{ name='d', w=30, h=40 } }"),
            0);
  auto* a = KindCast<TImage>(screen_->FindChild("a", -1));
  auto* b = KindCast<TImage>(screen_->FindChild("b", -1));
  auto* c = KindCast<TImage>(screen_->FindChild("c", -1));
  auto* d = KindCast<TImage>(screen_->FindChild("d", -1));
  ASSERT_TRUE(a && b && c && d);
  EXPECT_EQ(a->GetTexture(), plain);
  EXPECT_EQ(a->GetWidth(), 300);  // the texture sized it before "w" was read
  EXPECT_EQ(a->GetHeight(), 150);
  EXPECT_EQ(a->GetDrawFlags(), 3u);
  EXPECT_TRUE(b->IsRotated());
  EXPECT_EQ(b->GetWidth(), 100);
  EXPECT_EQ(b->GetHeight(), 200);
  EXPECT_EQ(c->GetTexture(), alpha);
  EXPECT_FALSE(c->GetFlags() & kWindowCovers);
  EXPECT_EQ(d->GetTexture(), nullptr);
  EXPECT_EQ(d->GetWidth(), 30);
  EXPECT_EQ(d->GetHeight(), 40);
}

TEST(AutoScaleTest, FactorFitsTheDisplay) {
  struct Case {
    int32_t dw, dh, w, h;
    float want;
  } cases[] = {
      {800, 600, 400, 400, 1.5f},    // the vertical factor enlarges: it wins
      {800, 600, 1000, 1000, 0.8f},  // vertical 0.6 does not: the horizontal factor
      {800, 600, 0, 300, 2.0f},      // a zero width counts as factor 1 horizontally
      {800, 600, 1600, 0, 0.5f},     // a zero height: vertical 1 does not enlarge, horizontal 0.5
      {0, 0, 400, 400, 1.0f},        // no display: the scale stays
  };
  for (const Case& c : cases)
    EXPECT_FLOAT_EQ(AutoScaleFactor(c.dw, c.dh, c.w, c.h), c.want) << c.w << "x" << c.h;
}

TEST_F(ImageTest, AutoscaleOnlyWithTheDefaultScale) {
  Texture("big.png", 1600, 1200);
  ASSERT_EQ(Run("MakeDialog{ Bitmap{ name='g', image='big.png', autoscale=true },"
                "  Bitmap{ name='k', image='big.png', autoscale=true, scale=0.75 } }"),
            0);
  // The fixture's display has no size yet, so autoscale keeps the image whole.
  EXPECT_FLOAT_EQ(KindCast<TImage>(screen_->FindChild("g", -1))->GetScale(), 1.0f);
  EXPECT_EQ(screen_->FindChild("g", -1)->GetWidth(), 1600);
  EXPECT_FLOAT_EQ(KindCast<TImage>(screen_->FindChild("k", -1))->GetScale(), 0.75f);
}

TEST(SoundIdTest, GroupComesFromTheOptionsText) {
  struct Case {
    const char* name;
    const char* options;
    const char* want;
  } cases[] = {
      {"click", "", "click;0;0"},
      {"click", "volume=3 group=1001", "click;0;1001"},
      {"click", "group=", "click;0;0"},
      {"a/b.ogg", "group=-2x", "a/b.ogg;0;-2"},
  };
  for (const Case& c : cases) EXPECT_STREQ(MakeSoundId(c.name, c.options).CStr(), c.want) << c.options;
}

}  // namespace
