// The seven mini-games in the real program: a new game whose first scene is the mini-game is
// played through the program's mouse input to the win, and the game moves on to the scene after
// it (the next scene's autosave records it and the mini-game's score). The skip button leaves a
// mini-game unscored; a board left half-done and loaded again shows the same pieces.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

#include "e2e/gamedriver.h"

namespace fs = std::filesystem;
using e2e::Frame;
using e2e::GameDriver;

namespace {

// A game text holding the mini-game as scene 1 (its next scene 2), scene 2, and scene 3, which
// has an exit back to scene 1. The exits lie in the strip at the bottom of the screen.
std::string GameText(const std::string& miniGame) {
  return R"(
require("scripts/game/init.lua")
require("scripts/game/objectives.lua")
local function Exit(id, scene)
  return MakeSceneExit { id = id, name = id, text = "", isActive = "true", cursorstyleid = 5, nextScene = scene,
    positionX1 = 300, positionY1 = 720, positionX2 = 700, positionY2 = 720,
    positionX3 = 700, positionY3 = 768, positionX4 = 300, positionY4 = 768 }
end
MakeGame { name = "e2e", startScene = 1, currentScene = 1,
  miniGameSkipButtonPosX = 20, miniGameSkipButtonPosY = 700, miniGameSkipButtonGraphic = "images/button_skip.png",
  MakeLevel { seqId = 1, name = "LEVEL_1",
)" + miniGame + R"(,
    MakeNineMensMorrisGame { seqId = 2, bg = "images/puzzle_bg.jpg", nextScene = 3, filepath = "images/morris/",
      { { xPos = 100, yPos = 100, statusStart = 1, statusEnd = 1, {} } } },
    MakeNineMensMorrisGame { seqId = 3, bg = "images/puzzle_bg.jpg", nextScene = 1, filepath = "images/morris/",
      Exit("back", 1),
      { { xPos = 100, yPos = 100, statusStart = 2, statusEnd = 2, {} } } },
  } }
)";
}

const char kJigsaw[] = R"(
MakeJigsawPuzzle { seqId = 1, bg = "images/puzzle_bg.jpg", nextScene = 2, offsetX = 272, offsetY = 172,
  hookPieces = "true", delta = 12, numberOfGroupsToWin = 1,
  MakeJigsawPiece { id = 1, image = "images/jigsaw_1.png", startPosX = 40, startPosY = 60, endPosX = 0, endPosY = 0, {2, 3} },
  MakeJigsawPiece { id = 2, image = "images/jigsaw_2.png", startPosX = 620, startPosY = 80, endPosX = 128, endPosY = 0, {1, 4} },
  MakeJigsawPiece { id = 3, image = "images/jigsaw_3.png", startPosX = 60, startPosY = 400, endPosX = 0, endPosY = 128, {1, 4} },
  MakeJigsawPiece { id = 4, image = "images/jigsaw_4.png", startPosX = 600, startPosY = 380, endPosX = 128, endPosY = 128, {2, 3} } })";

class MiniGamesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static int serial = 0;
    root_ = fs::temp_directory_path() / ("minigames-e2e-" + std::to_string(getpid()) + "-" + std::to_string(++serial));
    game_ = std::make_unique<GameDriver>(root_);
  }
  void TearDown() override { game_.reset(); }

  // Puts the game text in place, starts the program, makes a player and opens the first scene.
  void Play(const std::string& miniGame) {
    std::ofstream(game_->AppFolder() / "assets/scripts/game/game.lua") << GameText(miniGame);
    StartAndPlay(true);
  }
  void StartAndPlay(bool newPlayer) {
    ASSERT_TRUE(game_->Start());
    if (newPlayer) {
      ASSERT_TRUE(game_->WaitFor("visible nameedit", "yes")) << game_->ReadLog();
      game_->Send("text Ada");
      game_->Settle();
      ASSERT_TRUE(game_->ClickWindow("ok"));
    }
    ASSERT_TRUE(game_->WaitFor("visible play", "yes")) << game_->ReadLog();
    ASSERT_TRUE(game_->ClickWindow("play"));
    ASSERT_TRUE(game_->WaitFor("visible spriteWindow", "yes")) << game_->ReadLog();
    game_->Settle(40);  // the scene has faded in
  }
  void Click(int x, int y) {
    game_->Send("move " + std::to_string(x) + " " + std::to_string(y));
    game_->Settle(2);
    game_->Send("click " + std::to_string(x) + " " + std::to_string(y));
    game_->Settle(2);
  }
  // The saved game (each scene saves as it opens).
  std::string SavedGame() {
    e2e::Prefs prefs(game_->DataFolder());
    return prefs.GetString("gamedata", 0);
  }
  // Waits until the saved game's current scene is `scene`.
  bool WaitForScene(int scene) {
    const std::string want = "currentScene = " + std::to_string(scene);
    for (int i = 0; i < 300; ++i) {
      if (SavedGame().find(want) != std::string::npos) return true;
      game_->Settle(5);
    }
    return false;
  }
  int MiniGameTasks() {
    e2e::Prefs prefs(game_->DataFolder());
    return prefs.GetInt("HighscoreCurrentUser_MiniGameTaskCompleteSave", 0, 0);
  }
  void ExpectWonAndMovedOn() {
    EXPECT_TRUE(WaitForScene(2)) << SavedGame() << game_->ReadLog();
    EXPECT_EQ(MiniGameTasks(), 1);
  }

  fs::path root_;
  std::unique_ptr<GameDriver> game_;
};

}  // namespace

TEST_F(MiniGamesTest, JigsawPlayedToTheWin) {
  Play(kJigsaw);
  // Each piece is taken at its middle and laid on its place (the picture starts at 272, 172).
  const int moves[4][4] = {{104, 124, 336, 236}, {684, 144, 464, 236}, {124, 464, 336, 364}, {664, 444, 464, 364}};
  for (const auto& m : moves) {
    EXPECT_TRUE(SavedGame().find("currentScene = 1") != std::string::npos);
    Click(m[0], m[1]);
    Click(m[2], m[3]);
  }
  ExpectWonAndMovedOn();
}

TEST_F(MiniGamesTest, TheSkipButtonLeavesUnscored) {
  Play(kJigsaw);
  Click(60, 720);
  EXPECT_TRUE(WaitForScene(2)) << game_->ReadLog();
  EXPECT_EQ(MiniGameTasks(), 0);
}

TEST_F(MiniGamesTest, UnlockingDoorsPlayedToTheWin) {
  Play(R"(
MakeUnlockingDoorsMiniGame { seqId = 1, bg = "images/puzzle_bg.jpg", nextScene = 2, stdLocked = "false",
  stdMovesOthers = "true", stdGraphic = "images/bolt.png", moveBoltSoundFile = "sounds/click.ogg",
  missSoundFile = "sounds/click.ogg", wonSoundFile = "sounds/pickup.ogg",
  MakeUnlockingDoorsBolt { downX = 250, downY = 280, upX = 250, upY = 160, {1} },
  MakeUnlockingDoorsBolt { downX = 350, downY = 280, upX = 350, upY = 160, locked = "true",
    boltUpperLockGraphic = "images/lock/padlock.png", upperBoltLockPositionX = 350, upperBoltLockPositionY = 150,
    upperBoltLockOpenRotAngle = 90, upperBoltLockCloseRotAngle = 0, {0, 2} },
  MakeUnlockingDoorsBolt { downX = 450, downY = 280, upX = 450, upY = 160, {1, 3} },
  MakeUnlockingDoorsBolt { downX = 550, downY = 280, upX = 550, upY = 160, {2} },
  MakeUnlockingDoorsBolt { downX = 680, downY = 280, upX = 680, upY = 160, movesOthers = "false", {1} } })");
  // The lever opens the padlock; the two outer bolts then drag the inner ones up.
  for (auto [x, y] : {std::pair{700, 330}, {270, 330}, {570, 330}}) Click(x, y);
  ExpectWonAndMovedOn();
}

TEST_F(MiniGamesTest, MixPotionPlayedToTheWin) {
  Play(R"(
MakeMixPotionMiniGame { seqId = 1, bg = "images/puzzle_bg.jpg", nextScene = 2,
  kPipe2_ud = "images/potion/pipe_ud", kPipe2_ur = "images/potion/pipe_ur",
  kPipe3_udl_d = "images/potion/pipe_udl_d", funnel = "images/potion/funnel", flask = "images/potion/flask",
  targetColor = "images/potion/target", moveableflask = "images/potion/carry",
  button = "images/potion/mix", resetbutton = "images/potion/reset", cboard = "images/potion/cupboard",
  x = 560, y = 200, colorSystem = 1, buttonX = 700, buttonY = 420, cboardX = 340, cboardY = 364,
  resetbuttonX = 700, resetbuttonY = 480,
  MakeMixPotionGivenColors { "green", "black", "purple" },
  MakeMixPotionNeedColors { "orange" },
  MakeMixPotionPipe { id = 1, x = 1, y = 0, h = 1, {3} },
  MakeMixPotionPipe { id = 2, x = 0, y = 0, h = 1, {4} },
  MakeMixPotionPipe { id = 4, x = 0, y = 1, h = 2, {3} },
  MakeMixPotionPipe { id = 3, x = 1, y = 1, h = 3, {5} },
  MakeMixPotionPipe { id = 5, x = 1, y = 2, h = 4 } })");
  // Green (first flask in the cupboard) into the right funnel, purple (third) into the left one.
  Click(528, 424);
  Click(656, 165);
  Click(400, 424);
  Click(592, 165);
  Click(760, 444);
  ExpectWonAndMovedOn();
}

TEST_F(MiniGamesTest, MirroredImagePlayedToTheWin) {
  // With no false images the right one stands on the first place.
  Play(R"(
MakeMirroredImageGame { seqId = 1, bg = "images/puzzle_bg.jpg", nextScene = 2, amountSelectedFalseImages = 0,
  amountAllFalseImages = 5, filepath = "images/mirror/", nameFalseImage = "false", nameCorrectImage = "right",
  { {xPos = 150, yPos = 150}, {xPos = 400, yPos = 150} } })");
  Click(214, 214);
  ExpectWonAndMovedOn();
}

TEST_F(MiniGamesTest, NineMensMorrisPlayedToTheWin) {
  Play(R"(
MakeNineMensMorrisGame { seqId = 1, bg = "images/puzzle_bg.jpg", nextScene = 2, filepath = "images/morris/",
  { { xPos = 250, yPos = 150, statusStart = 1, statusEnd = 0, {1, 3} },
    { xPos = 400, yPos = 150, statusStart = 0, statusEnd = 1, {0, 2} },
    { xPos = 550, yPos = 150, statusStart = 1, statusEnd = 1, {1} },
    { xPos = 250, yPos = 300, statusStart = 0, statusEnd = 0, {0} } } })");
  Click(282, 182);
  Click(432, 182);
  EXPECT_TRUE(WaitForScene(2)) << game_->ReadLog();
  EXPECT_EQ(MiniGameTasks(), 0);  // this puzzle gives no score
}

TEST_F(MiniGamesTest, PlacingPicturesPlayedToTheWin) {
  Play(R"(
MakePlacingPicturesGame { seqId = 1, bg = "images/puzzle_bg.jpg", nextScene = 2, filepath = "images/pictures/",
  textFont = "fonts/default.mvec",
  hotspots = {
    { id = "0", imageStart = "2", imageEnd = "1", xPos1 = 100, xPos2 = 280, xPos3 = 280, xPos4 = 100,
      yPos1 = 100, yPos2 = 100, yPos3 = 280, yPos4 = 280 },
    { id = "1", imageStart = "1", imageEnd = "2", xPos1 = 400, xPos2 = 580, xPos3 = 580, xPos4 = 400,
      yPos1 = 100, yPos2 = 100, yPos3 = 280, yPos4 = 280 },
    { id = "2", imageStart = "", imageEnd = "", xPos1 = 250, xPos2 = 430, xPos3 = 430, xPos4 = 250,
      yPos1 = 320, yPos2 = 320, yPos3 = 500, yPos4 = 500 } } })");
  for (auto [x, y] : {std::pair{190, 190}, {340, 410}, {490, 190}, {190, 190}, {340, 410}, {490, 190}}) Click(x, y);
  ExpectWonAndMovedOn();
}

TEST_F(MiniGamesTest, PlotPointRunsItsCourseAndMovesOn) {
  Play(R"(
MakePlotpoint { seqId = 1, bg = "images/puzzle_bg.jpg", nextScene = 2, movingTextureDirectory = "images/strip/",
  movingTextureName = "strip", numberOfTextures = 2, direction = "left", beginX = 800, beginY = 200,
  endX = 300, endY = 200, borderTexture = "images/border.png", textUpperLeftX = 100, textUpperLeftY = 440,
  textLowerRightX = 700, textLowerRightY = 520, textColorRed = 240, textHeight = 24,
  MakePlotpointTexts { {"PLOT_1", 2} } })");
  EXPECT_EQ(game_->Send("visible text"), "yes");
  EXPECT_TRUE(WaitForScene(2)) << game_->ReadLog();
}

TEST_F(MiniGamesTest, AHalfDoneBoardIsShownAgainAfterALoad) {
  // Two stones to move; one is moved, the player walks out and the game is closed.
  Play(R"(
MakeNineMensMorrisGame { seqId = 1, bg = "images/puzzle_bg.jpg", nextScene = 2, filepath = "images/morris/",
  Exit("out", 3),
  { { xPos = 250, yPos = 150, statusStart = 1, statusEnd = 0, {1} },
    { xPos = 400, yPos = 150, statusStart = 0, statusEnd = 1, {0, 2} },
    { xPos = 550, yPos = 150, statusStart = 0, statusEnd = 0, {1, 3} },
    { xPos = 700, yPos = 150, statusStart = 2, statusEnd = 0, {2, 4} },
    { xPos = 700, yPos = 300, statusStart = 0, statusEnd = 2, {3} } } })");
  Click(282, 182);
  Click(432, 182);
  game_->Settle(10);
  const Frame before = game_->Shot();
  Click(500, 740);  // the exit to scene 3, which saves the game as it opens
  ASSERT_TRUE(WaitForScene(3)) << game_->ReadLog();
  EXPECT_NE(SavedGame().find("statusStart = 1, statusEnd = 1"), std::string::npos) << SavedGame();
  game_->Kill();

  // Loaded again: back through the exit to the board.
  StartAndPlay(false);
  Click(500, 740);
  ASSERT_TRUE(WaitForScene(1)) << game_->ReadLog();
  game_->Settle(40);
  const Frame after = game_->Shot();
  ASSERT_EQ(after.width, before.width);
  for (int field = 0; field < 4; ++field) {
    const int x = 250 + field * 150;
    EXPECT_EQ(after.CountDiffering(x, 150, x + 64, 214, after.At(x + 32, 182), 0),
              before.CountDiffering(x, 150, x + 64, 214, after.At(x + 32, 182), 0))
        << "field " << field;
    EXPECT_EQ(after.At(x + 32, 182), before.At(x + 32, 182)) << "field " << field;
  }
  // Play goes on: the second stone reaches its place.
  Click(732, 182);
  Click(732, 332);
  EXPECT_TRUE(WaitForScene(2)) << game_->ReadLog();
}
