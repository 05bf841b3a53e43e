// The mini-game records: each board set up by game data builds its model, and every kind
// round-trips through the save text; the std values of a lock, colour words, plot-point text
// pairs and the read-only keys behave as the game data expects.
#include "model/minigamemodels.h"
#include "modelfixture.h"

namespace {

const char kBoards[] = R"lua(
MakeGame { currentScene = 6, MakeLevel { seqId = 1,
  MakeJigsawPuzzle { seqId = 6, bg = "jig.png", offsetX = 100, offsetY = 50, hookPieces = "false",
    delta = 12, numberOfGroupsToWin = 2,
    MakeJigsawPiece { id = 1, image = "p1.png", startPosX = 5, startPosY = 6, endPosX = 0, endPosY = 0, {2, 10} },
    MakeJigsawPiece { id = 2, image = "p2.png", startPosX = 7, startPosY = 8, endPosX = 64, endPosY = 0, {1} },
    MakeJigsawPiece { id = 10, image = "p10.png" } },
  MakeUnlockingDoorsMiniGame { seqId = 9, stdLocked = "true", stdGraphic = "bolt.png",
    moveBoltSoundFile = "move.ogg", overlayImage = "over.png", overlayImagePosX = 3, overlayImagePosY = 4,
    MakeUnlockingDoorsBolt { locked = "false", up = "true", downX = 1, downY = 2, upX = 3, upY = 4, {1, 2} },
    MakeUnlockingDoorsBolt { movesOthers = "no", graphic = "own.png", boltUpperLockGraphic = "up.png",
                             upperBoltLockOpenRotAngle = 90, lowerBoltLockPositionY = -7, {} } },
  MakeMixPotionMiniGame { seqId = 14, mixSoundFile = "mix.ogg", kPipe2_dl = "dl.png", flask = "flask.png",
    targetColor = "target", cboard = "board.png", x = 10, y = 20, colorSystem = 1, buttonX = 5, buttonY = 6,
    cboardX = 7, cboardY = 8, resetbuttonX = 99, resetbuttonY = 98,
    MakeMixPotionGivenColors { "green", "teal", "purple" },
    MakeMixPotionNeedColors { "orange" },
    MakeMixPotionPipe { id = 1, x = 0, y = 0, h = 1, {2, 3} },
    MakeMixPotionPipe { id = 2, x = 1, y = 0, h = 2 },
    MakeMixPotionPipe { id = 3, x = 2, y = 0, h = 3, {} } },
  MakeMirroredImageGame { seqId = 27, amountSelectedFalseImages = 3, amountAllFalseImages = 0,
    filepath = "mirror/", nameFalseImage = "false", nameCorrectImage = "right.png",
    { {xPos = 1, yPos = 2}, {xPos = 3, yPos = 4} } },
  MakePlacingObjectGame { seqId = 29, hintImage = "hint.png", title = "ignored",
    MakeSceneObject { id = "vase", timesPickable = 1 },
    MakeInventory { "vase_item" },
    textFont = "f.mvec", textboxHeight = 1, textboxWidth = 2, lineHeight = 3,
    textColor = { red = 1, green = 2, blue = 3, alpha = 4 }, textboxes = { { text = "t", x = 1, y = 2, rotation = 0 } } },
  MakeNineMensMorrisGame { seqId = 30, filepath = "morris/",
    { { xPos = 1, yPos = 2, statusStart = 1, statusEnd = 0, {1, 2} },
      { xPos = 3, yPos = 4, statusStart = 0, statusEnd = 1, {0} } } },
  MakePlacingPicturesGame { seqId = 31, filepath = "pics/", textFont = "f.mvec",
    hotspots = { { id = "0", imageStart = "2", imageEnd = "1", xPos1 = 1, xPos2 = 2, xPos3 = 3, xPos4 = 4,
                   yPos1 = 5, yPos2 = 6, yPos3 = 7, yPos4 = 8 } } },
  MakePlotpoint { seqId = 32, movingTextureDirectory = "strip/", movingTextureName = "s",
    numberOfTextures = 4, direction = "left", beginX = -10, beginY = 20, endX = 30, endY = 40,
    borderTexture = "border.png", offsetStart = 1, offsetEnd = 2, textUpperLeftX = 5, textLowerRightX = 500,
    textColorRed = 255, textHeight = 24,
    MakePlotpointTexts { {"LINE_1", 5}, {7, "LINE_2"}, {12, 3} } },
} }
)lua";

template <class T>
T* Scene(int32_t id) {
  return dynamic_cast<T*>(CGame::GetInstance()->FindScene(id));
}

}  // namespace

using MiniGameRecordTest = ModelTest;

TEST_F(MiniGameRecordTest, BoardsAreBuiltFromGameData) {
  Build(kBoards);
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
  EXPECT_EQ(first.movedIndices, (std::vector<int32_t>{1, 2}));
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
  Build(kBoards);
  ExpectRoundTrip();
  // Read-only keys are not written.
  EXPECT_EQ(Scene<CMixPotionMiniGame>(14)->resetbuttonX, 0);
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
