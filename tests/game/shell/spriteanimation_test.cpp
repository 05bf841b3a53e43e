// Sprite animations: the straight-line move (step sizes, landing, never moving at speed 0, the
// out-of-bounds end, the switch to centred placement, re-parenting), the animator's frame that
// detaches finished sprites. The glow needs pixels, so its tests draw on a display
// (spritedisplay_test.cpp).
#include "shell/spriteanimator.h"

#include <memory>
#include <utility>
#include <vector>

#include "ui/widgets_fixture.h"

namespace {

class SpriteAnimationTest : public WidgetFixture {
 protected:
  void TearDown() override {
    TSpriteAnimator::ReleaseInstance();
    WidgetFixture::TearDown();
  }
  std::shared_ptr<TSprite> At(float x, float y, int w = 10, int h = 10) {
    auto sprite = TSprite::Create(0, Anonymous(w, h));
    sprite->GetSpec().transform.SetTranslation(TVec2(x, y));
    root_->AddChild(sprite);
    return sprite;
  }
  static std::pair<int, int> Position(const TSprite& s) {
    TVec2 p = s.GetSpec().transform.GetTranslation();
    return {static_cast<int>(p.x), static_cast<int>(p.y)};
  }

  std::shared_ptr<TSprite> root_ = TSprite::Create(0);
};

TEST_F(SpriteAnimationTest, MoveStepsTowardTheTargetAndEndsThere) {
  struct Case {
    const char* what;
    std::pair<int, int> from, to;
    uint32_t speed;
    std::vector<std::pair<int, int>> path;  // positions after each step that reported "going on"
  } cases[] = {
      {"straight, whole steps", {0, 0}, {100, 0}, 30, {{30, 0}, {60, 0}, {90, 0}, {100, 0}}},
      {"closer than one step", {10, 10}, {13, 14}, 50, {{13, 14}}},
      {"diagonal, integer division", {0, 0}, {-30, 40}, 10, {{-6, 8}, {-12, 16}, {-18, 24}, {-24, 32}, {-30, 40}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto sprite = At(float(c.from.first), float(c.from.second));
    TSpriteAnimationMove move(sprite, root_, c.to.first, c.to.second, c.speed, false, false);
    move.Start();
    EXPECT_EQ(move.GetStartX(), c.from.first);
    EXPECT_EQ(move.GetStartY(), c.from.second);
    std::vector<std::pair<int, int>> path;
    for (int i = 0; i < 20 && move.Step(); ++i) path.push_back(Position(*sprite));
    EXPECT_EQ(path, c.path);
  }
}

TEST_F(SpriteAnimationTest, MoveAtSpeedZeroNeverArrivesAndOneLeavingTheAreaEnds) {
  auto still = At(5, 5);
  TSpriteAnimationMove stuck(still, root_, 50, 50, 0, false, false);
  stuck.Start();
  for (int i = 0; i < 50; ++i) ASSERT_TRUE(stuck.Step());
  EXPECT_EQ(Position(*still), std::make_pair(5, 5));

  // Aimed far outside: it ends as soon as it has left the area.
  auto away = At(1300, 0);
  TSpriteAnimationMove out(away, root_, 5000, 0, 20, false, false);
  out.Start();
  EXPECT_TRUE(out.Step());  // 1320: still inside
  EXPECT_TRUE(out.Step());  // 1340: outside now
  EXPECT_FALSE(out.Step());
}

TEST_F(SpriteAnimationTest, CornerPlacedSpriteSwitchesToCentredPlacementOnce) {
  auto sprite = At(100, 100, 40, 20);
  sprite->GetSpec().flags = kDrawUseAnchor;  // placed by its top-left corner
  TSpriteAnimationMove move(sprite, root_, 500, 110, 10, false, false);
  move.Start();
  ASSERT_TRUE(move.Step());
  EXPECT_EQ(sprite->GetSpec().flags & kDrawUseAnchor, 0u);
  // Its centre (120, 110) now holds the position, then one step of 10 toward the target.
  EXPECT_EQ(Position(*sprite), std::make_pair(130, 110));
  // The sprite turns a little with every step.
  EXPECT_NE(sprite->GetSpec().transform.row[0].y, 0.0f);
}

TEST_F(SpriteAnimationTest, ReparentedMoveKeepsTheSpriteWhereItWasOnScreen) {
  auto group = TSprite::Create(0);
  group->GetSpec().transform.SetTranslation(TVec2(200, 300));
  root_->AddChild(group);
  auto sprite = TSprite::Create(0, Anonymous(8, 8));
  sprite->GetSpec().transform.SetTranslation(TVec2(5, 6));
  group->AddChild(sprite);

  TSpriteAnimator::Instance()->StartMove(sprite, root_, 0, 0, 10, true, false);
  EXPECT_EQ(sprite->GetParent(), root_.get());
  EXPECT_EQ(Position(*sprite), std::make_pair(205, 306));
}

TEST_F(SpriteAnimationTest, AnimatorDetachesArrivedSpritesAndReplacesMoves) {
  TSpriteAnimator* animator = TSpriteAnimator::Instance();
  auto near = At(0, 0);
  auto far = At(0, 0);
  animator->StartMove(near, root_, 5, 0, 100, false, false);
  animator->StartMove(far, root_, 1000, 0, 1, false, false);
  animator->StartMove(far, root_, 0, 300, 10, false, false);  // replaces the first move
  EXPECT_EQ(animator->GetMoveCount(), 2u);

  animator->Update();  // near lands, far goes down
  EXPECT_EQ(Position(*near), std::make_pair(5, 0));
  EXPECT_EQ(Position(*far), std::make_pair(0, 10));
  EXPECT_EQ(near->GetParent(), root_.get());
  animator->Update();  // near reports the end and leaves the tree
  EXPECT_EQ(near->GetParent(), nullptr);
  EXPECT_FALSE(animator->IsMoving(near.get()));
  EXPECT_TRUE(animator->IsMoving(far.get()));
  animator->StopAll();
  EXPECT_EQ(animator->GetMoveCount(), 0u);
  EXPECT_EQ(far->GetParent(), root_.get());  // stopping leaves it where it is
}

}  // namespace
