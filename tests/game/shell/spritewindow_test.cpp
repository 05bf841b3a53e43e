// Sprite windows: entries found, moved, turned and removed by name (the last of a name is found,
// the first removed, every one changed), the one-pass draw of the root, hit tests through a
// stand-in pixel probe, and the script's texture-mask global dying with its window.
#include "shell/spritewindow.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "render/recordingtexture.h"
#include "render/sprite.h"
#include "ui/widgets_fixture.h"

using render_test::DrawRecord;
using render_test::RecordingTexture;

namespace {

// Answers a fixed alpha per sprite for any pixel inside it.
class AlphaProbe : public ISpriteHitProbe {
 public:
  bool ReadAlpha(TSprite& sprite, const TDrawSpec&, int32_t, uint8_t* alpha) override {
    auto it = alphas.find(&sprite);
    *alpha = it == alphas.end() ? 0 : it->second;
    return true;
  }
  bool IsSixteenBitMode() override { return false; }
  void ReleaseTarget() override {}
  std::map<const TSprite*, uint8_t> alphas;
};

class SpriteWindowTest : public WidgetFixture {
 protected:
  void SetUp() override {
    WidgetFixture::SetUp();
    TSprite::SetHitProbe(&probe_);
  }
  void TearDown() override {
    TSprite::SetHitProbe(nullptr);
    WidgetFixture::TearDown();
  }

  // A sprite placed by its top-left corner, as the screens place theirs.
  std::shared_ptr<TSprite> Sprite(const std::string& tag, float x, float y, int w = 20, int h = 10) {
    auto sprite = TSprite::Create(0, std::make_shared<RecordingTexture>(tag, w, h, draws_));
    sprite->SetSpec(TDrawSpec(TVec2(x, y), 1.0f, 1.0f, kDrawUseAnchor));
    return sprite;
  }
  TSpriteEntry Entry(const char* name, std::shared_ptr<TSprite> sprite, bool clickable, int32_t id = 0) {
    TSpriteEntry e;
    e.sprite = std::move(sprite);
    e.name = name;
    e.clickable = e.active = clickable;
    e.id = id;
    return e;
  }
  std::vector<std::string> Drawn() const {
    std::vector<std::string> tags;
    for (const DrawRecord& r : *draws_) tags.push_back(r.tag);
    return tags;
  }

  std::shared_ptr<std::vector<DrawRecord>> draws_ = std::make_shared<std::vector<DrawRecord>>();
  AlphaProbe probe_;
};

TEST_F(SpriteWindowTest, SameNameFindsTheLastRemovesTheFirstAndSetsEvery) {
  TSpriteWindow window;
  auto first = Sprite("first", 10, 10);
  auto other = Sprite("other", 0, 0);
  auto last = Sprite("last", 30, 40);
  window.AddSpriteEntry(Entry("twin", first, true));
  window.AddSpriteEntry(Entry("other", other, false));
  window.AddSpriteEntry(Entry("twin", last, true));
  EXPECT_EQ(window.GetRootSprite()->GetChildren().size(), 3u);

  int32_t index = -1;
  ASSERT_TRUE(window.FindSprite("twin", &index));
  EXPECT_EQ(index, 2);
  EXPECT_FALSE(window.FindSprite("nobody", &index));
  int32_t x = 0, y = 0;
  window.GetSpritePosition("twin", &x, &y);
  EXPECT_EQ(x, 30);
  EXPECT_EQ(y, 40);
  window.GetSpritePosition("nobody", &x, &y);
  EXPECT_EQ(x, -1);
  EXPECT_EQ(y, -1);

  window.SetSpritePosition("twin", 7, 8);
  window.SetSpriteVisible("twin", false);
  for (const auto& s : {first, last}) {
    EXPECT_EQ(s->GetSpec().transform.GetTranslation().x, 7.0f);
    EXPECT_EQ(s->GetSpec().transform.GetTranslation().y, 8.0f);
    EXPECT_FALSE(s->IsVisible());
  }
  EXPECT_TRUE(other->IsVisible());

  window.RemoveSprite("twin");
  ASSERT_EQ(window.GetSpriteCount(), 2);
  EXPECT_EQ(window.GetSpriteEntry(1).sprite, last);
  EXPECT_EQ(first->GetParent(), nullptr);
  EXPECT_EQ(last->GetParent(), window.GetRootSprite().get());
  EXPECT_EQ(window.GetSpriteEntry(5).sprite, nullptr);  // outside the list: an empty entry
  EXPECT_EQ(window.GetSpriteEntry(-1).name, "");
}

TEST_F(SpriteWindowTest, RotationReplacesTheEarlierAngleInsteadOfAddingToIt) {
  TSpriteWindow window;
  auto sprite = Sprite("s", 15, 25);
  window.AddSpriteEntry(Entry("s", sprite, false));
  window.SetSpriteRotation("s", 0.7f);
  window.SetSpriteRotation("s", 0.2f);
  TMat3 expected;
  expected.Rotate(0.2f);
  const TMat3& m = sprite->GetSpec().transform;
  for (int r = 0; r < 2; ++r) {
    EXPECT_NEAR(m.row[r].x, expected.row[r].x, 1e-5f);
    EXPECT_NEAR(m.row[r].y, expected.row[r].y, 1e-5f);
  }
  EXPECT_EQ(m.GetTranslation().x, 15.0f);  // turning keeps the place
  EXPECT_FLOAT_EQ(window.GetSpriteEntry(0).rotation, 0.2f);
}

TEST_F(SpriteWindowTest, DrawShowsEntriesInOrderAndLeavesDetachedGroupsOut) {
  auto* window = new TSpriteWindow;
  window->MoveTo(100, 50);
  window->SetSize(200, 100);
  screen_->AddChild(window, true);
  window->AddSpriteEntry(Entry("back", Sprite("back", 0, 0), false, 1));
  window->AddSpriteEntry(Entry("middle", Sprite("middle", 5, 5), true, 2));
  window->AddSpriteEntry(Entry("front", Sprite("front", 9, 9), true, 1));
  window->AttachSprite(Sprite("loose", 1, 1));
  manager_->DrawModals(0);
  EXPECT_EQ(Drawn(), (std::vector<std::string>{"back", "middle", "front", "loose"}));
  // Window coordinates: the sprite's own place, composed with the identity root.
  EXPECT_EQ((*draws_)[1].drawSpec.transform.GetTranslation().x, 5.0f);

  draws_->clear();
  window->DetachSpritesWithId(1);
  EXPECT_EQ(window->GetSpriteCount(), 3);  // the entries stay
  manager_->DrawModals(0);
  EXPECT_EQ(Drawn(), (std::vector<std::string>{"middle", "loose"}));
}

TEST_F(SpriteWindowTest, HitTestFindsTheLastClickableSpriteNotCoveredByAnOpaqueOne) {
  TSpriteWindow window;
  auto low = Sprite("low", 0, 0, 100, 100);       // clickable, under everything
  auto glass = Sprite("glass", 0, 0, 100, 50);     // not clickable, translucent
  auto high = Sprite("high", 40, 40, 20, 20);      // clickable
  auto wall = Sprite("wall", 0, 70, 100, 30);      // not clickable, opaque
  probe_.alphas = {{low.get(), 255}, {glass.get(), 100}, {high.get(), 255}, {wall.get(), 255}};
  window.AddSpriteEntry(Entry("low", low, true));
  window.AddSpriteEntry(Entry("glass", glass, false));
  window.AddSpriteEntry(Entry("high", high, true));
  window.AddSpriteEntry(Entry("wall", wall, false));

  struct Case {
    TPoint p;
    int32_t want;  // -1: nothing
  } cases[] = {
      {{10, 10}, 0},   // through the translucent glass
      {{50, 50}, 2},   // the later clickable wins
      {{50, 80}, -1},  // under the opaque wall
      {{40, 45}, 0},   // on the high sprite's left edge: the test is strict
      {{0, 10}, -1},   // on the low sprite's left edge
  };
  for (const Case& c : cases) {
    int32_t index = -1;
    bool hit = window.HitTest(c.p, &index);
    EXPECT_EQ(hit ? index : -1, c.want) << c.p.x << "," << c.p.y;
  }

  // A centred sprite is hit over its whole picture, and a moved root moves what can be hit.
  TSpriteWindow other;
  auto centred = TSprite::Create(0, std::make_shared<RecordingTexture>("centred", 20, 20, draws_));
  centred->GetSpec().transform.SetTranslation(TVec2(100, 100));
  probe_.alphas[centred.get()] = 255;
  other.AddSpriteEntry(Entry("centred", centred, true));
  int32_t found = -1;
  EXPECT_TRUE(other.HitTest({95, 95}, &found));
  EXPECT_FALSE(other.HitTest({115, 100}, &found));
  other.GetRootDrawSpec().transform.SetTranslation(TVec2(20, 0));
  EXPECT_TRUE(other.HitTest({115, 100}, &found));

  probe_.alphas[high.get()] = 4;  // too faint to count as a hit
  int32_t index = -1;
  ASSERT_TRUE(window.HitTest({50, 50}, &index));
  EXPECT_EQ(index, 0);
  // The name lookup takes the first clickable sprite with any ink at all.
  EXPECT_EQ(window.GetSpriteNameAt({50, 50}), "low");
  probe_.alphas[low.get()] = 0;
  EXPECT_EQ(window.GetSpriteNameAt({50, 50}), "high");
  EXPECT_EQ(window.GetSpriteNameAt({50, 80}), "");  // the wall is not clickable
}

TEST_F(SpriteWindowTest, TextureMaskGlobalAnswersTheNewestWindowAndDiesWithIt) {
  auto* first = new TSpriteWindow;
  first->SetCurrentTextureMask("user:a_mask.png");
  ASSERT_EQ(Run("gotMask = GetCurrentTextureMask()"), 0);
  EXPECT_EQ(Global("gotMask"), "user:a_mask.png");
  delete first;
  // The global now belongs to nobody: the call is refused and logged, not made on freed memory.
  ASSERT_EQ(Run("gotMask = GetCurrentTextureMask() or 'none'"), 0);
  EXPECT_EQ(Global("gotMask"), "none");
}

TEST_F(SpriteWindowTest, SpriteTextureIsLookedUpByName) {
  TSpriteWindow window;
  auto sprite = Sprite("s", 0, 0);
  window.AddSpriteEntry(Entry("s", sprite, false));
  auto texture = Texture("images/key.png", 12, 7);
  window.SetSpriteTexture("s", "images/key.png");
  EXPECT_EQ(sprite->GetTexture(), texture);
}

}  // namespace
