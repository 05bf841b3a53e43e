// The mirrored-image, nine men's morris, placing-pictures and plot-point boards played by mouse,
// keys and clock.
#include "boardfixture.h"
#include "minigames/mirroredimageboard.h"
#include "minigames/morrisboard.h"
#include "minigames/picturesboard.h"
#include "minigames/plotpointboard.h"
#include "shell/textbox.h"

using OtherBoardTest = BoardTest;

namespace {

const char kMirror[] = R"(
MakeMirroredImageGame { seqId = 1, amountSelectedFalseImages = 2, amountAllFalseImages = 3,
  filepath = "mi/", nameFalseImage = "false", nameCorrectImage = "right",
  { {xPos = 100, yPos = 100}, {xPos = 300, yPos = 100}, {xPos = 500, yPos = 100} } }
)";

}  // namespace

TEST_F(OtherBoardTest, MirroredImageOneClickDecides) {
  for (const char* name : {"mi/false1", "mi/false2", "mi/false3", "mi/right", "sprites/mi_right", "sprites/mi_wrong"}) {
    Tex(name, 100, 100);
  }
  for (bool pickCorrect : {true, false}) {
    skips_ = 0, bonus_ = 0, sounds_.clear();
    board_.reset();
    while (sprites_->GetSpriteCount()) sprites_->RemoveSprite(sprites_->GetSpriteEntry(0).name);
    auto* game = Load<CMirroredImageGame>(kMirror);
    Open(std::make_unique<TMirroredImageBoard>(*this, *game, pickCorrect ? 7u : 8u));
    EXPECT_EQ(CountKind(TMirroredImageBoard::kKindPicture), 3);
    EXPECT_FALSE(Click(50, 50));  // beside every picture
    int32_t index = -1;
    ASSERT_TRUE(sprites_->FindSprite(pickCorrect ? "correct" : "false", &index));
    const auto [x, y] = At(pickCorrect ? "correct" : "false");
    EXPECT_TRUE(Click(x + 50, y + 50));
    EXPECT_EQ(skips_, 1);
    EXPECT_EQ(bonus_, pickCorrect ? 250u : 0u);
    EXPECT_EQ(sounds_, (std::vector<std::string>{pickCorrect ? "win" : "lose"}));
    ASSERT_TRUE(sprites_->FindSprite(pickCorrect ? "won" : "lose", &index));
    EXPECT_TRUE(sprites_->GetSpriteEntry(index).sprite->IsVisible());
  }
}

TEST_F(OtherBoardTest, MorrisStonesMoveByClicksAndTheWordSolves) {
  for (const char* name : {"m/0", "m/1", "m/1a", "m/2", "m/2a"}) Tex(name, 60, 60);
  const char* text = R"(
MakeNineMensMorrisGame { seqId = 1, filepath = "m/",
  { { xPos = 100, yPos = 100, statusStart = 1, statusEnd = 0, {1} },
    { xPos = 200, yPos = 100, statusStart = 0, statusEnd = 1, {0, 2} },
    { xPos = 300, yPos = 100, statusStart = 2, statusEnd = 2, {1} },
    { xPos = 100, yPos = 200, statusStart = 0, statusEnd = 0, {} } } })";
  auto* game = Load<CNineMensMorrisGame>(text);
  Open(std::make_unique<TNineMensMorrisBoard>(*this, *game));
  EXPECT_EQ(TextureOf("0"), "m/1");
  EXPECT_TRUE(Click(110, 110));
  EXPECT_EQ(TextureOf("0"), "m/1a");
  EXPECT_TRUE(Click(310, 110));  // not linked
  EXPECT_EQ(sounds_, (std::vector<std::string>{"lose"}));
  EXPECT_EQ(TextureOf("0"), "m/1");
  EXPECT_TRUE(Click(110, 110));
  EXPECT_TRUE(Click(210, 110));
  EXPECT_EQ(TextureOf("0"), "m/0");
  EXPECT_EQ(TextureOf("1"), "m/1");
  EXPECT_EQ(skips_, 1);
  EXPECT_EQ(bonus_, 0u);  // no score for this puzzle
  EXPECT_TRUE(CGlobalInformationSystem::GetInstance()->GetGlobalBool("ShiftingTilesWon"));

  // The typed word solves a fresh board at once; keys are never reported as used.
  board_.reset();
  while (sprites_->GetSpriteCount()) sprites_->RemoveSprite(sprites_->GetSpriteEntry(0).name);
  skips_ = 0;
  game = Load<CNineMensMorrisGame>(text);
  Open(std::make_unique<TNineMensMorrisBoard>(*this, *game));
  for (char c : std::string("mill")) EXPECT_FALSE(board_->OnChar(c));
  EXPECT_EQ(skips_, 1);
  EXPECT_EQ(TextureOf("1"), "m/1");
}

TEST_F(OtherBoardTest, PicturesAreCarriedToFreeAreas) {
  for (const char* name : {"pics/1", "pics/2"}) Tex(name, 80, 80);
  auto* game = Load<CPlacingPicturesGame>(R"(
MakePlacingPicturesGame { seqId = 1, filepath = "pics/", textFont = "fonts/default.mvec", textboxWidth = 200,
  textboxHeight = 40, lineHeight = 20, textboxes = { { text = "NOTE", x = 10, y = 600, rotation = 0 } },
  hotspots = {
    { id = "1", imageStart = "2", imageEnd = "1", xPos1 = 0, xPos2 = 100, xPos3 = 100, xPos4 = 0,
      yPos1 = 0, yPos2 = 0, yPos3 = 100, yPos4 = 100 },
    { id = "2", imageStart = "1", imageEnd = "2", xPos1 = 200, xPos2 = 300, xPos3 = 300, xPos4 = 200,
      yPos1 = 0, yPos2 = 0, yPos3 = 100, yPos4 = 100 },
    { id = "4", imageStart = "", imageEnd = "", xPos1 = 400, xPos2 = 500, xPos3 = 500, xPos4 = 400,
      yPos1 = 0, yPos2 = 0, yPos3 = 100, yPos4 = 100 } } })");
  Open(std::make_unique<TPlacingPicturesBoard>(*this, *game));
  EXPECT_EQ(At("2"), (std::pair{10, 10}));
  EXPECT_EQ(game->GetTextboxCount(), 1);
  EXPECT_NE(game->GetTextboxWindow(0), nullptr);

  EXPECT_TRUE(Click(20, 20));  // lift picture 2
  EXPECT_TRUE(Move(450, 60));
  EXPECT_EQ(At("2"), (std::pair{420, 30}));
  EXPECT_EQ(cursor_, kCursorDrop);
  EXPECT_FALSE(Click(250, 50));  // occupied: still held
  EXPECT_EQ(game->GetHeld(), "2");
  EXPECT_TRUE(Click(450, 60));
  EXPECT_EQ(At("2"), (std::pair{410, 10}));
  for (auto [from, to] : {std::pair{TPoint{220, 20}, TPoint{50, 50}}, {TPoint{420, 20}, TPoint{250, 50}}}) {
    EXPECT_TRUE(Click(from.x, from.y));
    EXPECT_TRUE(Click(to.x, to.y));
  }
  EXPECT_EQ(At("1"), (std::pair{10, 10}));
  EXPECT_EQ(sounds_, (std::vector<std::string>{"win"}));
  EXPECT_EQ(bonus_, 250u);
  EXPECT_EQ(skips_, 1);
}

TEST_F(OtherBoardTest, PlotStripTravelsWithThePlayClockAndLeavesAtTheEnd) {
  for (const char* name : {"strip/s0", "strip/s1"}) Tex(name, 400, 100);
  Tex("border", 1024, 768);
  auto* plot = Load<CPlotpoint>(R"(
MakePlotpoint { seqId = 1, movingTextureDirectory = "strip/", movingTextureName = "s", numberOfTextures = 2,
  direction = "left", beginX = 800, beginY = 200, endX = 0, endY = 200, borderTexture = "border",
  textUpperLeftX = 100, textUpperLeftY = 600, textLowerRightX = 700, textLowerRightY = 660, textHeight = 24,
  MakePlotpointTexts { {"A", 2}, {"B", 2} } })");
  clock_ = 5000;
  TPlotpointBoard& board = Open(std::make_unique<TPlotpointBoard>(*this, *plot));
  EXPECT_EQ(At("strip0"), (std::pair{800, 200}));
  EXPECT_EQ(At("strip1"), (std::pair{1200, 200}));
  ASSERT_NE(board.GetTextbox(), nullptr);
  EXPECT_EQ(board.GetTextbox()->GetRect().bottom - board.GetTextbox()->GetRect().top, 60);

  clock_ = 7000;  // half way
  board.Animate();
  EXPECT_EQ(At("strip0"), (std::pair{0, 200}));  // 1600 to travel: 800 done
  EXPECT_EQ(skips_, 0);
  EXPECT_FALSE(Click(500, 500));
  clock_ = 9000;
  board.Animate();
  EXPECT_EQ(At("strip1"), (std::pair{-400, 200}));  // its right edge has reached endX
  EXPECT_EQ(skips_, 1);
}

TEST_F(OtherBoardTest, PlotSkipCorner) {
  auto* plot = Load<CPlotpoint>("MakePlotpoint { seqId = 1, direction = 'up', endY = -5000,"
                                " MakePlotpointTexts { {'A', 60} } }");
  Open(std::make_unique<TPlotpointBoard>(*this, *plot));
  EXPECT_TRUE(Move(900, 50));
  EXPECT_EQ(cursor_, kCursorHand);
  EXPECT_FALSE(Click(865, 6));
  EXPECT_EQ(skips_, 0);
  EXPECT_TRUE(Click(866, 6));
  EXPECT_EQ(skips_, 1);
}
