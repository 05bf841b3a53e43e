// The bolt-lock and mix-potion boards played by mouse: sprites following the model, sounds,
// lock sprites turning, the flask carried to a funnel, a failed and a winning mix.
#include <cmath>

#include "boardfixture.h"
#include "game/model/mixpotionboard.h"
#include "minigames/lockboard.h"
#include "minigames/mixpotionboard.h"

class LockBoardTest : public BoardTest {
 protected:
  void SetUp() override {
    BoardTest::SetUp();
    Tex("bolt", 40, 100);
    Tex("lock", 20, 20);
  }
  float Rotation(const char* name) {
    int32_t index = -1;
    return sprites_->FindSprite(name, &index) ? sprites_->GetSpriteEntry(index).rotation : -1.0f;
  }
};

TEST_F(LockBoardTest, BoltsSlideLockAndWin) {
  // Bolt 0 locks bolt 1 (which starts locked); bolt 1 drags nothing.
  auto* lock = Load<CLock>(R"(
MakeUnlockingDoorsMiniGame { seqId = 1, stdGraphic = "bolt", stdMovesOthers = "true",
  MakeUnlockingDoorsBolt { movesOthers = "false", downX = 100, downY = 300, upX = 100, upY = 200, {1} },
  MakeUnlockingDoorsBolt { locked = "true", downX = 200, downY = 300, upX = 200, upY = 200,
    boltUpperLockGraphic = "lock", upperBoltLockPositionX = 190, upperBoltLockPositionY = 180,
    upperBoltLockOpenRotAngle = 0, upperBoltLockCloseRotAngle = 90, {} } })");
  Open(std::make_unique<TLockBoard>(*this, *lock));
  EXPECT_EQ(At("bolt1"), (std::pair{100, 300}));
  EXPECT_EQ(At("upperBoltLock2"), (std::pair{190, 180}));
  EXPECT_NEAR(Rotation("upperBoltLock2"), M_PI / 2, 1e-5);

  EXPECT_TRUE(Click(210, 320));  // locked
  EXPECT_EQ(sounds_, (std::vector<std::string>{"LockedSound"}));
  EXPECT_EQ(At("bolt2"), (std::pair{200, 300}));

  EXPECT_TRUE(Click(110, 320));  // up, and unlocks bolt 2
  EXPECT_EQ(At("bolt1"), (std::pair{100, 200}));
  EXPECT_NEAR(Rotation("upperBoltLock2"), 0, 1e-5);
  EXPECT_EQ(skips_, 0);
  EXPECT_FALSE(Click(600, 600));

  EXPECT_TRUE(Click(210, 320));
  EXPECT_EQ(sounds_, (std::vector<std::string>{"LockedSound", "MoveSound", "MoveSound", "WonSound"}));
  EXPECT_EQ(bonus_, 250u);
  EXPECT_EQ(skips_, 1);
}

TEST_F(LockBoardTest, ATenthBoltIsNamedWithAColonAndAllDraggingLocksShowNoLockSprites) {
  std::string bolts;
  for (int i = 0; i < 10; ++i) {
    bolts += "MakeUnlockingDoorsBolt { downX = " + std::to_string(i * 50) +
             ", downY = 300, upX = " + std::to_string(i * 50) + ", upY = 100 },\n";
  }
  auto* lock = Load<CLock>("MakeUnlockingDoorsMiniGame { seqId = 1, stdGraphic = 'bolt',"
                           " stdBoltUpperLockGraphic = 'lock',\n" + bolts + "}");
  Open(std::make_unique<TLockBoard>(*this, *lock));
  EXPECT_EQ(CountKind(TLockBoard::kKindLock), 0);
  EXPECT_EQ(At("bolt:"), (std::pair{450, 300}));
  EXPECT_TRUE(Click(460, 350));
  EXPECT_EQ(At("bolt:"), (std::pair{450, 100}));
  EXPECT_TRUE(lock->GetBolts()[9]->up);
}

using mixpotiontest::kBoard;

class MixPotionBoardTest : public BoardTest {
 protected:
  void SetUp() override {
    BoardTest::SetUp();
    const char* letters = "gobpu";
    for (const char* stem : {"ud", "ur", "funnel", "flask", "target", "carry"}) {
      for (int i = 0; i < 5; ++i) Tex(std::string(stem) + "_" + letters[i], 50, 50);
    }
    for (int a = 0; a < 5; ++a)
      for (int b = 0; b < 5; ++b)
        for (int c = 0; c < 5; ++c) Tex(std::string("udl_") + letters[a] + letters[b] + letters[c], 50, 50);
    for (const char* name : {"mix", "reset", "board"}) Tex(name, 80, 40);
    game_ = Load<CMixPotionMiniGame>(kBoard);
    board_ptr_ = &Open(std::make_unique<TMixPotionBoard>(*this, *game_));
  }
  // Carries the flask of given colour k to funnel i (A at column 1, B at column 0).
  void Pour(int k, int column) {
    const auto [fx, fy] = At(("moveableFlask" + std::string(MixPotionColorLetter(game_->givenColors[k])) +
                              std::to_string(k)).c_str());
    ASSERT_TRUE(Click(fx + 5, fy + 5));
    ASSERT_TRUE(Move(300 + column * 50 + 25, 120 - 67 + 25));
    ASSERT_TRUE(Click(300 + column * 50 + 25, 120 - 67 + 25));
  }
  CMixPotionMiniGame* game_ = nullptr;
  TMixPotionBoard* board_ptr_ = nullptr;
};

TEST_F(MixPotionBoardTest, TheBoardIsLaidOutByCell) {
  EXPECT_EQ(At("pipe1_0"), (std::pair{350, 120}));
  EXPECT_EQ(At("pipe0_1"), (std::pair{300, 170}));
  EXPECT_EQ(At("pipe1_1"), (std::pair{350, 170}));
  EXPECT_EQ(TextureOf("pipe1_1"), "udl_uuu");
  EXPECT_EQ(TextureOf("pipe0_1"), "ur_u");
  EXPECT_EQ(At("funnel0"), (std::pair{350, 53}));  // funnel of pipe A
  EXPECT_EQ(At("funnel1"), (std::pair{300, 53}));
  EXPECT_EQ(At("flask0"), (std::pair{350, 270}));
  EXPECT_EQ(At("targetColoro"), (std::pair{350, 360}));
  EXPECT_EQ(At("moveableFlaskg0"), (std::pair{250, 270}));
  EXPECT_EQ(At("moveableFlaskp2"), (std::pair{150, 270}));
  EXPECT_EQ(At("Cupboard"), (std::pair{20, 100}));
}

TEST_F(MixPotionBoardTest, AWrongMixTriesAgainAndTheRightOneWins) {
  EXPECT_TRUE(Click(710, 510));  // mix with empty funnels: nothing
  EXPECT_TRUE(sounds_.empty());

  Pour(0, 1);  // green into A
  EXPECT_EQ(TextureOf("funnel0"), "funnel_g");
  EXPECT_EQ(At("moveableFlaskg0"), (std::pair{250, 270}));  // back in the cupboard
  Pour(2, 1);  // purple into A, which is full: nothing poured
  EXPECT_EQ(game_->GetSources()[0]->colour, 0);
  Pour(1, 0);  // black into B
  EXPECT_TRUE(Click(710, 510));
  EXPECT_EQ(sounds_, (std::vector<std::string>{"MixSound", "TryAgain"}));
  EXPECT_EQ(TextureOf("flask0"), "flask_p");  // the failed mix stays on show
  EXPECT_EQ(TextureOf("pipe1_1"), "udl_gpb");
  EXPECT_EQ(TextureOf("funnel0"), "funnel_u");
  EXPECT_EQ(skips_, 0);

  Pour(0, 1);
  Pour(2, 0);
  EXPECT_TRUE(Click(710, 510));
  EXPECT_EQ(TextureOf("flask0"), "flask_o");
  EXPECT_EQ(sounds_.back(), "WonSound");
  EXPECT_EQ(bonus_, 250u);
  EXPECT_EQ(skips_, 1);
}

TEST_F(MixPotionBoardTest, ResetEmptiesTheFunnels) {
  Pour(0, 1);
  EXPECT_TRUE(Click(810, 510));
  EXPECT_EQ(TextureOf("funnel0"), "funnel_u");
  EXPECT_EQ(game_->GetSources()[0]->colour, 5);
  EXPECT_EQ(CountKind(TMixPotionBoard::kKindMixButton), 1);
  EXPECT_EQ(CountKind(TMixPotionBoard::kKindMoveableFlask), 3);
}
