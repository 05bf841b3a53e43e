// The mini-game records: each board set up by game data builds its model, and every kind
// round-trips through the save text; the std values of a lock, colour words, plot-point text
// pairs and the read-only keys behave as the game data expects.
#include "model/minigamemodels.h"
#include "modelfixture.h"

namespace {

// One board of every mini-game (also a seed of the save-text fuzz target).
const char kBoardsFile[] = "fuzz/savetext/boards.lua";

template <class T>
T* Scene(int32_t id) {
  return dynamic_cast<T*>(CGame::GetInstance()->FindScene(id));
}

}  // namespace

using MiniGameRecordTest = ModelTest;

TEST_F(MiniGameRecordTest, BoardsAreBuiltFromGameData) {
  Build(TestData(kBoardsFile));
  auto* jigsaw = Scene<CJigsawPuzzle>(6);
  ASSERT_NE(jigsaw, nullptr);
  EXPECT_FALSE(jigsaw->hookPieces);
  EXPECT_TRUE(jigsaw->stickOnBackground);
  EXPECT_EQ(jigsaw->GetPieces().size(), 3u);
  EXPECT_EQ(jigsaw->FindPiece("jigsawPiece1")->neighbours,
            (std::vector<std::string>{"jigsawPiece2", "jigsawPiece10"}));
  EXPECT_EQ(jigsaw->FindPiece("jigsawPiece2")->currentX, 7);

  auto* lock = Scene<CLock>(9);
  ASSERT_NE(lock, nullptr);
  ASSERT_EQ(lock->GetBolts().size(), 2u);
  const CLockingBolt& first = *lock->GetBolts()[0];
  const CLockingBolt& second = *lock->GetBolts()[1];
  EXPECT_FALSE(first.locked);  // its own
  EXPECT_TRUE(second.locked);  // the lock's std value
  EXPECT_TRUE(first.movesOthers);  // no std value given: moves others
  EXPECT_FALSE(second.movesOthers);  // any word but "true" is false here
  EXPECT_EQ(first.graphic, "bolt.png");
  EXPECT_EQ(second.graphic, "own.png");
  EXPECT_EQ(first.movedIndices, (std::vector<int32_t>{1}));
  EXPECT_EQ(second.index, 1);
  EXPECT_TRUE(lock->hasMoveBoltSoundFile);
  EXPECT_FALSE(lock->hasWonSoundFile);

  auto* potion = Scene<CMixPotionMiniGame>(14);
  ASSERT_NE(potion, nullptr);
  EXPECT_EQ(potion->givenColors, (std::vector<int32_t>{0, 5, 3}));
  EXPECT_EQ(potion->GetPipes().size(), 3u);
  EXPECT_EQ(potion->GetPipes()[0]->links, (std::vector<int32_t>{2, 3}));
  EXPECT_EQ(potion->resetbuttonX, 99);

  auto* mirror = Scene<CMirroredImageGame>(27);
  EXPECT_EQ(mirror->GetAmountSelectedFalseImages(), 3);
  EXPECT_EQ(mirror->GetAmountAllFalseImages(), 0);  // 0 is ignored
  EXPECT_EQ(mirror->positions.size(), 2u);

  auto* placing = Scene<CPlacingObjectGame>(29);
  ASSERT_NE(placing, nullptr);
  EXPECT_EQ(placing->GetInventory().GetHeld(), (std::vector<std::string>{"vase_item"}));
  EXPECT_NE(placing->FindSceneObject("vase"), nullptr);
  EXPECT_TRUE(placing->IsType(kScenePlacingObject));
  EXPECT_FALSE(placing->IsType(kSceneAdventure));

  EXPECT_EQ(Scene<CNineMensMorrisGame>(30)->GetFieldCount(), 2u);
  EXPECT_EQ(Scene<CPlacingPicturesGame>(31)->areas.at(0).y[3], 8);

  auto* plot = Scene<CPlotpoint>(32);
  ASSERT_NE(plot, nullptr);
  EXPECT_EQ(plot->GetDirection(), 3);
  const auto expected = std::vector<std::pair<std::string, int32_t>>{{"LINE_1", 5}, {"7", 0}, {"12", 3}};
  EXPECT_EQ(plot->GetTexts(), expected);
  EXPECT_EQ(plot->GetTotalDuration(), 8);
}

TEST_F(MiniGameRecordTest, EveryBoardRoundTripsThroughTheSaveText) {
  Build(TestData(kBoardsFile));
  ExpectRoundTrip();
  // The mix potion's reset button keeps its place through a save.
  EXPECT_EQ(Scene<CMixPotionMiniGame>(14)->resetbuttonX, 99);
  EXPECT_EQ(Scene<CMixPotionMiniGame>(14)->givenColors, (std::vector<int32_t>{0, 5, 3}));
  EXPECT_EQ(Scene<CLock>(9)->GetBolts()[1]->lowerBoltLockPositionY, -7);
  EXPECT_EQ(Scene<CPlotpoint>(32)->GetTotalDuration(), 8);
}

TEST_F(MiniGameRecordTest, MorrisListsOfDifferentLengthsWriteOnlyWholeFields) {
  CNineMensMorrisGame game;
  game.AddPosition(1, 2);
  game.AddPosition(3, 4);
  game.AddStatusStart(1);
  game.AddStatusEnd(0);
  game.AddNeighbourList({1});
  game.AddNeighbourList({0});
  EXPECT_EQ(game.GetFieldCount(), 1u);
  std::string text;
  game.Serialize(text);
  EXPECT_EQ(text.find("xPos = 3"), std::string::npos);
}

TEST_F(MiniGameRecordTest, PlotDirectionWords) {
  CPlotpoint plot;
  for (auto [word, direction] : {std::pair{"up", 0}, {"right", 1}, {"down", 2}, {"left", 3}, {"sideways", 0}}) {
    plot.SetDirection(word);
    EXPECT_EQ(plot.GetDirection(), direction) << word;
  }
}
