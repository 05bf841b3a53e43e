// The mini-game windows in the game flow: a scene of a mini-game kind opens its window type from
// its screen script, builds its board, serves its script functions, and a winning click moves the
// game on to the next scene.
#include "game/shell/scenefixture.h"
#include "minigames/lockboard.h"
#include "minigames/minigamewindow.h"
#include "render/sprite.h"
#include "shell/spritewindow.h"

using namespace scenetest;

namespace {

const char kLockGame[] = R"(
MakeGame { name = "locktest", startScene = 1,
  MakeLevel { seqId = 1, name = "one",
    MakeUnlockingDoorsMiniGame { seqId = 1, nextScene = 2, stdGraphic = "bolt", stdLocked = "false",
      MakeUnlockingDoorsBolt { downX = 100, downY = 300, upX = 100, upY = 200, {1} },
      MakeUnlockingDoorsBolt { downX = 200, downY = 300, upX = 200, upY = 200, {0} } },
    MakeAdventureScreen { seqId = 2, nextScene = 1 } } }
)";
const char kLockScript[] = "MakeDialog { UnlockingDoors { name = 'scene', x = 0, y = 0, w = 1024, h = 768 } }";

class MiniGameWindowTest : public SceneTest {
 protected:
  MiniGameWindowTest() {
    RegisterMiniGameWindowTypes();
    RegisterMemoryFile("scripts/game/game.lua", kLockGame, sizeof kLockGame - 1);
    RegisterMemoryFile("scripts/unlockingdoors.lua", kLockScript, sizeof kLockScript - 1);
    Texture("bolt", 40, 100);
  }
  // Every pixel of a textured sprite counts as opaque.
  struct OpaqueProbe : ISpriteHitProbe {
    bool ReadAlpha(TSprite& sprite, const TDrawSpec&, int32_t, uint8_t* alpha) override {
      *alpha = sprite.GetTexture() ? 255 : 0;
      return true;
    }
    bool IsSixteenBitMode() override { return false; }
    void ReleaseTarget() override {}
  } mProbe;
  std::pair<int32_t, int32_t> BoltAt(TScene* scene, const char* name) {
    int32_t x = 0, y = 0;
    scene->GetSpriteWindow()->GetSpritePosition(name, &x, &y);
    return {x, y};
  }
};

}  // namespace

TEST_F(MiniGameWindowTest, TheLockOpensInItsWindowAndAnswersItsScriptFunctions) {
  TScene* scene = StartScene(1);
  auto* window = KindCast<TUnlockingDoorsWindow>(scene);
  ASSERT_NE(window, nullptr);
  ASSERT_NE(window->GetBoard(), nullptr);
  EXPECT_EQ(BoltAt(scene, "bolt2"), (std::pair{200, 300}));

  Run("won = IsWon()");
  EXPECT_EQ(GlobalNumber("won"), 0);
  Run("ResetPosition(true); won = IsWon() and 1 or 0");
  EXPECT_EQ(GlobalNumber("won"), 1);
  EXPECT_EQ(BoltAt(scene, "bolt1"), (std::pair{100, 200}));
  EXPECT_EQ(BoltAt(scene, "bolt2"), (std::pair{200, 200}));
}

TEST_F(MiniGameWindowTest, AWinningClickLeavesForTheNextScene) {
  TScene* scene = StartScene(1);
  ASSERT_NE(KindCast<TUnlockingDoorsWindow>(scene), nullptr);
  FadeIn();
  TSprite::SetHitProbe(&mProbe);
  // Bolt 1 drags bolt 2: clicking bolt 1 raises both.
  EXPECT_TRUE(scene->OnMouseDown(TPoint{110, 320}));
  // The solved board stays in view, saying so, and takes no more clicks; then the room is left.
  auto* window = KindCast<TMiniGameWindow>(scene);
  EXPECT_TRUE(window->IsShowingSolved());
  EXPECT_FALSE(scene->IsLeaving());
  EXPECT_TRUE(scene->OnMouseDown(TPoint{110, 320}));
  Frames(TMiniGameWindow::kSolvedFrames + 1);
  EXPECT_TRUE(scene->IsLeaving());
  Frames(60);
  TSprite::SetHitProbe(nullptr);
  EXPECT_EQ(CGame::GetInstance()->GetCurrentSceneId(), 2);
}
