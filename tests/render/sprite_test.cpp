// Sprite trees: child order by layer, draw records composed down the tree, bounds, visibility, moving
// children between parents, the live-sprite count and hit tests through a stand-in pixel probe.
#include "render/sprite.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/config.h"
#include "recordingtexture.h"

using render_test::DrawRecord;
using render_test::RecordingTexture;

namespace {

class SpriteTest : public testing::Test {
 protected:
  ~SpriteTest() override {
    SetConfig("hittestchildren", "");
    TSprite::SetHitProbe(nullptr);
  }

  std::shared_ptr<RecordingTexture> Texture(const std::string& tag, int32_t w = 10, int32_t h = 10) {
    return std::make_shared<RecordingTexture>(tag, w, h, mDraws);
  }
  std::vector<std::string> DrawnTags() const {
    std::vector<std::string> tags;
    for (const DrawRecord& r : *mDraws) tags.push_back(r.tag);
    return tags;
  }

  std::shared_ptr<std::vector<DrawRecord>> mDraws = std::make_shared<std::vector<DrawRecord>>();
};

TDrawSpec At(float x, float y) { return TDrawSpec(TVec2(x, y), 1.0f, 1.0f, 0); }

// A probe that answers a fixed alpha and remembers what it was asked to draw.
class FixedProbe : public ISpriteHitProbe {
 public:
  bool ReadAlpha(TSprite& sprite, const TDrawSpec& drawSpec, int32_t depth, uint8_t* alpha) override {
    lastSprite = &sprite;
    lastSpec = drawSpec;
    lastDepth = depth;
    *alpha = value;
    return renders;
  }
  bool IsSixteenBitMode() override { return sixteenBit; }
  void ReleaseTarget() override { ++releases; }

  uint8_t value = 0;
  bool renders = true;
  bool sixteenBit = false;
  int releases = 0;
  TSprite* lastSprite = nullptr;
  TDrawSpec lastSpec;
  int32_t lastDepth = 0;
};

}  // namespace

TEST_F(SpriteTest, NegativeLayersDrawBehindTheParentAndEqualLayersKeepTheirOrder) {
  auto parent = TSprite::Create(0, Texture("parent"));
  parent->AddChild(TSprite::Create(0, Texture("zero-a")));
  parent->AddChild(TSprite::Create(-1, Texture("minus-one")));
  parent->AddChild(TSprite::Create(0, Texture("zero-b")));
  parent->AddChild(TSprite::Create(2, Texture("two")));
  parent->AddChild(TSprite::Create(-3, Texture("minus-three")));
  parent->Draw(TDrawSpec(), -1);
  EXPECT_EQ(DrawnTags(), (std::vector<std::string>{"minus-three", "minus-one", "parent", "zero-a",
                                                   "zero-b", "two"}));
}

TEST_F(SpriteTest, DepthLimitsHowManyLevelsAreDrawn) {
  auto root = TSprite::Create(0, Texture("root"));
  auto child = TSprite::Create(1, Texture("child"));
  child->AddChild(TSprite::Create(1, Texture("grandchild")));
  root->AddChild(child);
  struct Case {
    int32_t depth;
    std::vector<std::string> tags;
  };
  for (const Case& c : {Case{0, {"root"}}, Case{1, {"root", "child"}},
                        Case{2, {"root", "child", "grandchild"}},
                        Case{-1, {"root", "child", "grandchild"}}}) {
    mDraws->clear();
    root->Draw(TDrawSpec(), c.depth);
    EXPECT_EQ(DrawnTags(), c.tags) << "depth " << c.depth;
  }
}

TEST_F(SpriteTest, InvisibleSpriteHidesItsWholeSubtree) {
  auto root = TSprite::Create(0, Texture("root"));
  auto hidden = TSprite::Create(0, Texture("hidden"));
  hidden->AddChild(TSprite::Create(0, Texture("under-hidden")));
  root->AddChild(hidden);
  hidden->SetVisible(false);
  root->Draw(TDrawSpec(), -1);
  EXPECT_EQ(DrawnTags(), (std::vector<std::string>{"root"}));
}

TEST_F(SpriteTest, SpecsComposeDownTheTree) {
  auto root = TSprite::Create(0);
  root->SetSpec(TDrawSpec(TVec2(100, 50), 0.5f, 2.0f, kDrawMirrorX));
  root->GetSpec().blendMode = 3;
  auto child = TSprite::Create(0, Texture("child"));
  child->SetSpec(TDrawSpec(TVec2(10, 20), 0.5f, 1.0f, kDrawMirrorX | kDrawMirrorY));
  root->AddChild(child);
  root->Draw(At(1, 2), -1);
  ASSERT_EQ(mDraws->size(), 1u);
  const TDrawSpec& s = (*mDraws)[0].drawSpec;
  // Child translation scaled by the root, then the root's and the caller's translations.
  TVec2 origin = TransformPoint(s.transform, TVec2(0, 0));
  EXPECT_FLOAT_EQ(origin.x, 10 * 2 + 100 + 1);
  EXPECT_FLOAT_EQ(origin.y, 20 * 2 + 50 + 2);
  EXPECT_FLOAT_EQ(s.alpha, 0.25f);
  EXPECT_EQ(s.flags & kDrawMirrorBits, kDrawMirrorY);  // mirror x twice cancels
  EXPECT_EQ(s.blendMode, 3);                           // the child keeps the parent's mode
}

TEST_F(SpriteTest, AddingAChildElsewhereMovesItAndAddingItAgainChangesNothing) {
  auto a = TSprite::Create(0);
  auto b = TSprite::Create(0);
  auto child = TSprite::Create(0, Texture("child"));
  auto other = TSprite::Create(0, Texture("other"));
  a->AddChild(child);
  a->AddChild(other);
  a->AddChild(child);
  EXPECT_EQ(a->GetChildren().size(), 2u);
  EXPECT_EQ(a->GetChildren().front(), child);  // re-adding does not move it to the back
  b->AddChild(child);
  EXPECT_EQ(child->GetParent(), b.get());
  EXPECT_EQ(a->GetChildren().size(), 1u);
  EXPECT_EQ(b->GetChildren().size(), 1u);
  EXPECT_FALSE(a->RemoveChild(child));
  EXPECT_TRUE(b->RemoveChild(child));
  EXPECT_EQ(child->GetParent(), nullptr);
}

TEST_F(SpriteTest, AnAncestorCannotBecomeAChild) {
  // root -> mid -> leaf; handing root or mid to leaf would close a loop that draws without end
  auto root = TSprite::Create(0);
  auto mid = TSprite::Create(0);
  auto leaf = TSprite::Create(0, Texture("leaf"));
  root->AddChild(mid);
  mid->AddChild(leaf);
  leaf->AddChild(root);
  leaf->AddChild(mid);
  EXPECT_TRUE(leaf->GetChildren().empty());
  EXPECT_EQ(root->GetParent(), nullptr);
  EXPECT_EQ(mid->GetParent(), root.get());
  root->Draw(TDrawSpec(), -1);
  EXPECT_EQ(DrawnTags(), (std::vector<std::string>{"leaf"}));
}

TEST_F(SpriteTest, AChildHeldOnlyByItsParentSurvivesBeingMoved) {
  auto a = TSprite::Create(0);
  auto b = TSprite::Create(0);
  a->AddChild(TSprite::Create(0, Texture("only")));
  std::weak_ptr<TSprite> weak = a->GetChildren().front();
  b->AddChild(a->GetChildren().front());
  ASSERT_FALSE(weak.expired());
  EXPECT_EQ(weak.lock()->GetParent(), b.get());
  EXPECT_TRUE(a->GetChildren().empty());
}

TEST_F(SpriteTest, DestroyingAParentOrphansItsChildren) {
  auto child = TSprite::Create(0);
  {
    auto parent = TSprite::Create(0);
    parent->AddChild(child);
    ASSERT_EQ(child->GetParent(), parent.get());
  }
  EXPECT_EQ(child->GetParent(), nullptr);
  auto parent = TSprite::Create(0);
  parent->AddChild(child);
  parent->RemoveAllChildren();
  EXPECT_EQ(child->GetParent(), nullptr);
  EXPECT_TRUE(parent->GetChildren().empty());
}

TEST_F(SpriteTest, LiveCountFollowsConstructionAndDestructionAndReleasesTheProbeAtZero) {
  FixedProbe probe;
  TSprite::SetHitProbe(&probe);
  int32_t before = TSprite::GetLiveCount();
  {
    auto a = TSprite::Create(0);
    a->AddChild(TSprite::Create(0));
    EXPECT_EQ(TSprite::GetLiveCount(), before + 2);
    EXPECT_EQ(GetConfig("current_sprite_count"), TString::Format("%d", before + 2));
  }
  EXPECT_EQ(TSprite::GetLiveCount(), before);
  EXPECT_EQ(GetConfig("current_sprite_count"), TString::Format("%d", before));
  EXPECT_EQ(probe.releases, before == 0 ? 1 : 0);
}

TEST_F(SpriteTest, BoundsComeFromTheTextureSizeAnchorOrSourceRect) {
  struct Case {
    const char* what;
    TDrawSpec drawSpec;
    TRect expected;
  };
  TDrawSpec anchored = At(100, 100);
  anchored.flags |= kDrawUseAnchor;
  anchored.anchor = TVec2(5, 2);
  TDrawSpec source = At(100, 100);
  source.flags |= kDrawUseSourceRect;
  source.sourceRect = TRect(0, 0, 4, 6);
  TDrawSpec scaled = TDrawSpec(TVec2(100, 100), 1.0f, 2.0f, 0);
  TDrawSpec rotated = At(100, 100);
  rotated.transform = TMat3(0, 1, 0, -1, 0, 0, 100, 100, 1);  // a quarter turn
  TDrawSpec fractional = At(0.75f, -0.75f);
  for (const Case& c : {Case{"centred", At(100, 100), TRect(90, 95, 110, 105)},
                        Case{"anchored", anchored, TRect(95, 98, 115, 108)},
                        Case{"source rect", source, TRect(98, 97, 102, 103)},
                        Case{"scaled", scaled, TRect(80, 90, 120, 110)},
                        Case{"rotated", rotated, TRect(95, 90, 105, 110)},
                        Case{"truncated toward zero", fractional, TRect(-9, -5, 10, 4)}}) {
    auto sprite = TSprite::Create(0, Texture("t", 20, 10));
    sprite->SetSpec(c.drawSpec);
    EXPECT_EQ(sprite->GetBounds(TDrawSpec(), 0), c.expected) << c.what;
  }
}

TEST_F(SpriteTest, BoundsWithoutTextureAreNeutralAndGrowWithChildren) {
  auto root = TSprite::Create(0);
  EXPECT_EQ(root->GetBounds(TDrawSpec(), -1), TRect::Neutral());
  auto child = TSprite::Create(0, Texture("c", 20, 10));
  child->SetSpec(At(100, 100));
  root->AddChild(child);
  EXPECT_EQ(root->GetBounds(TDrawSpec(), -1), TRect(90, 95, 110, 105));
  EXPECT_EQ(root->GetBounds(TDrawSpec(), 0), TRect::Neutral());
  auto second = TSprite::Create(0, Texture("d", 2, 2));
  second->SetSpec(At(200, 0));
  root->AddChild(second);
  EXPECT_EQ(root->GetBounds(At(1, 1), -1), TRect(91, 0, 202, 106));
  // Hidden sprites still count: bounds ignore visibility.
  second->SetVisible(false);
  EXPECT_EQ(root->GetBounds(At(1, 1), -1), TRect(91, 0, 202, 106));
}

TEST_F(SpriteTest, ADegenerateTransformGivesSaturatedBoundsNotUndefinedOnes) {
  auto sprite = TSprite::Create(0, Texture("t", 20, 10));
  TDrawSpec huge = TDrawSpec(TVec2(0, 0), 1.0f, 1e30f, 0);
  sprite->SetSpec(huge);
  TRect r = sprite->GetBounds(TDrawSpec(), 0);
  EXPECT_EQ(r.left, INT32_MIN);
  EXPECT_EQ(r.right, INT32_MAX);
}

TEST_F(SpriteTest, RectangleHitTestIncludesLeftTopAndExcludesRightBottom) {
  auto sprite = TSprite::Create(0, Texture("t", 20, 10));
  sprite->SetSpec(At(100, 100));
  struct Case {
    int32_t x, y;
    bool hit;
  };
  for (const Case& c : {Case{90, 95, true}, Case{109, 104, true}, Case{110, 100, false},
                        Case{100, 105, false}, Case{89, 100, false}, Case{100, 94, false}}) {
    EXPECT_EQ(sprite->HitTest(c.x, c.y, TDrawSpec(), -1, 0), c.hit) << c.x << "," << c.y;
  }
  sprite->SetVisible(false);
  EXPECT_FALSE(sprite->HitTest(100, 100, TDrawSpec(), -1, 0));
}

TEST_F(SpriteTest, SpriteWithoutTextureHitsOnlyWhenChildrenAreHitTested) {
  auto root = TSprite::Create(0);
  auto child = TSprite::Create(0, Texture("c", 20, 10));
  child->SetSpec(At(100, 100));
  root->AddChild(child);
  EXPECT_FALSE(root->HitTest(100, 100, TDrawSpec(), -1, -1));
  SetConfig("hittestchildren", "1");
  EXPECT_TRUE(root->HitTest(100, 100, TDrawSpec(), -1, -1));
}

TEST_F(SpriteTest, PixelHitTestComparesTheProbedAlphaWithTheThreshold) {
  FixedProbe probe;
  TSprite::SetHitProbe(&probe);
  auto sprite = TSprite::Create(0, Texture("t", 20, 10));
  sprite->SetSpec(At(100, 100));
  struct Case {
    uint8_t alpha;
    int32_t threshold;
    bool sixteenBit;
    bool hit;
  };
  for (const Case& c : {Case{0, -1, false, true},     // rectangle only: transparent pixels hit
                        Case{0, 128, false, false},   // transparent pixel misses
                        Case{128, 128, false, true},  // at the threshold
                        Case{127, 128, false, false},
                        Case{240, 255, false, false},
                        Case{240, 255, true, true},   // 16-bit mode compares 255 as 240
                        Case{239, 255, true, false},
                        Case{232, 240, true, false}}) {  // 240 itself is left as it is
    probe.value = c.alpha;
    probe.sixteenBit = c.sixteenBit;
    EXPECT_EQ(sprite->HitTest(95, 97, TDrawSpec(), c.threshold, 0), c.hit)
        << int(c.alpha) << " vs " << c.threshold << (c.sixteenBit ? " in 16-bit mode" : "");
  }
  // The probe draws the sprite moved so that the tested point lands on pixel (1, 1).
  EXPECT_EQ(probe.lastSprite, sprite.get());
  EXPECT_EQ(probe.lastSpec.transform.GetTranslation(), TVec2(1 - 95, 1 - 97));
}

TEST_F(SpriteTest, PixelHitTestFailsWithoutAUsableProbe) {
  FixedProbe probe;
  auto sprite = TSprite::Create(0, Texture("t", 20, 10));
  sprite->SetSpec(At(100, 100));
  EXPECT_FALSE(sprite->HitTest(100, 100, TDrawSpec(), 1, 0));  // built-in probe, no drawing context
  probe.value = 255;
  probe.renders = false;
  TSprite::SetHitProbe(&probe);
  EXPECT_FALSE(sprite->HitTest(100, 100, TDrawSpec(), 1, 0));
  probe.lastSprite = nullptr;
  probe.renders = true;
  EXPECT_FALSE(sprite->HitTest(500, 500, TDrawSpec(), 1, 0));
  EXPECT_EQ(probe.lastSprite, nullptr);  // outside the bounds nothing is rendered
}
