// The shared skip and menu buttons, the briefing guard, and the jigsaw board played by mouse.
#include "boardfixture.h"
#include "minigames/jigsawboard.h"

namespace {

const char kButtons[] =
    "miniGameSkipButtonGraphic = 'skip', miniGameSkipButtonPosX = 20, miniGameSkipButtonPosY = 700,"
    "miniGameMenuButtonGraphic = 'menu', miniGameMenuButtonPosX = 900, miniGameMenuButtonPosY = 700,";

const char kPuzzle[] = R"(
MakeJigsawPuzzle { seqId = 1, offsetX = 200, offsetY = 100, hookPieces = "true", delta = 10,
  MakeJigsawPiece { id = 1, image = "p1", startPosX = 10, startPosY = 10, endPosX = 0, endPosY = 0, {2} },
  MakeJigsawPiece { id = 2, image = "p2", startPosX = 600, startPosY = 10, endPosX = 100, endPosY = 0, {1} } }
)";

}  // namespace

class JigsawBoardTest : public BoardTest {
 protected:
  void SetUp() override {
    BoardTest::SetUp();
    Tex("skip", 80, 40);
    Tex("menu", 80, 40);
    Tex("p1", 100, 100);
    Tex("p2", 100, 100);
  }
  TJigsawBoard& OpenPuzzle(const std::string& keys = kButtons, const char* text = kPuzzle) {
    puzzle_ = Load<CJigsawPuzzle>(text, keys);
    return Open(std::make_unique<TJigsawBoard>(*this, *puzzle_));
  }
  CJigsawPuzzle* puzzle_ = nullptr;
};

TEST_F(JigsawBoardTest, SkipAndMenuButtons) {
  OpenPuzzle();
  EXPECT_EQ(At("skipButton"), (std::pair{20, 700}));
  EXPECT_EQ(At("menuButton"), (std::pair{900, 700}));
  EXPECT_TRUE(Click(950, 710));
  EXPECT_EQ(scripts_, (std::vector<std::string>{"DoModal('scripts/pause.lua')"}));
  EXPECT_EQ(skips_, 0);
  EXPECT_FALSE(Click(500, 500));  // nothing there: left to the scene window
  EXPECT_TRUE(Click(30, 710));
  EXPECT_EQ(skips_, 1);
  EXPECT_EQ(bonus_, 0u);
}

TEST_F(JigsawBoardTest, ASceneWithTheNoButtonsIdShowsNone) {
  std::string text = kPuzzle;
  text.replace(text.find("seqId = 1,"), 10, "seqId = 1, dummy = 0,");
  puzzle_ = Load<CJigsawPuzzle>(text, kButtons);
  puzzle_->SetSeqId(TMiniGameBoard::kNoButtonsSeqId);
  Open(std::make_unique<TJigsawBoard>(*this, *puzzle_));
  EXPECT_EQ(At("skipButton"), (std::pair{-1, -1}));
  EXPECT_EQ(At("menuButton"), (std::pair{-1, -1}));
  EXPECT_EQ(CountKind(TJigsawBoard::kKindPiece), 2);
}

TEST_F(JigsawBoardTest, TheBriefingSwallowsTheMouseButTheMouseIsStillStored) {
  OpenPuzzle();
  CGlobalInformationSystem::GetInstance()->SetGlobalBool("showBriefingWindow", true);
  EXPECT_TRUE(Click(30, 710));
  EXPECT_TRUE(Click(50, 50));
  EXPECT_TRUE(Move(123, 45));
  EXPECT_EQ(skips_, 0);
  EXPECT_TRUE(static_cast<TJigsawBoard&>(*board_).GetHeld().empty());
  int32_t x = 0, y = 0;
  TSettings::GetInstance()->GetMousePosition(&x, &y);
  EXPECT_EQ(std::pair(x, y), (std::pair{123, 45}));
}

TEST_F(JigsawBoardTest, PiecesArePickedCarriedDroppedAndTheWinScoresAndLeaves) {
  TJigsawBoard& board = OpenPuzzle();
  EXPECT_EQ(At("jigsawPiece1"), (std::pair{10, 10}));
  Move(50, 50);
  EXPECT_EQ(cursor_, kCursorHand);

  // Picked up at (50, 50): 40 pixels into the piece; carried; dropped on its place.
  EXPECT_TRUE(Click(50, 50));
  EXPECT_EQ(board.GetHeld(), "jigsawPiece1");
  EXPECT_TRUE(Move(300, 300));
  EXPECT_EQ(At("jigsawPiece1"), (std::pair{260, 260}));
  EXPECT_TRUE(Click(243, 138));
  EXPECT_EQ(At("jigsawPiece1"), (std::pair{200, 100}));  // snapped
  EXPECT_TRUE(board.GetHeld().empty());
  EXPECT_EQ(skips_, 0);

  // A fixed piece cannot be picked up again.
  Move(250, 150);
  EXPECT_EQ(cursor_, kCursorNormal);
  EXPECT_FALSE(Click(250, 150));
  EXPECT_TRUE(board.GetHeld().empty());

  EXPECT_TRUE(Click(610, 20));
  EXPECT_TRUE(Click(312, 104));  // the piece lands at (302, 94): near enough
  EXPECT_EQ(At("jigsawPiece2"), (std::pair{300, 100}));
  EXPECT_EQ(bonus_, 250u);
  EXPECT_EQ(skips_, 1);
}

TEST_F(JigsawBoardTest, BlockedInputLeavesPiecesAlone) {
  TJigsawBoard& board = OpenPuzzle("");
  blocked_ = true;
  EXPECT_FALSE(Click(50, 50));
  EXPECT_TRUE(board.GetHeld().empty());
}
