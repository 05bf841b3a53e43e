// The seven mini-games in the real program: a new game whose first scene is the mini-game is
// played through the program's mouse input to the win, and the game moves on to the scene after
// it, which the saved game keeps (started again, the program opens that scene). The skip button
// leaves a mini-game too; a board left half-done and loaded again shows the same pieces.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "e2e/gamedriver.h"
#include "e2e/gametest.h"

namespace fs = std::filesystem;
using e2e::Frame;
using e2e::GameDriver;

namespace {

// A game text holding the mini-game as scene 1 (its next scene 2), scene 2, and scene 3, which
// has an exit back to scene 1. Scenes 2 and 3 are story screens that stay open, each known by
// where its text box lies. The exits lie in the strip at the bottom of the screen.
std::string GameText(const std::string& miniGame) {
  return R"(
local function Exit(id, scene)
  return MakeSceneExit { id = id, name = id, text = "", isActive = "true", cursorstyleid = 5, nextScene = scene,
    positionX1 = 300, positionY1 = 720, positionX2 = 700, positionY2 = 720,
    positionX3 = 700, positionY3 = 768, positionX4 = 300, positionY4 = 768 }
end
MakeGame { name = "e2e", startScene = 1, currentScene = 1,
  miniGameSkipButtonPosX = 20, miniGameSkipButtonPosY = 700, miniGameSkipButtonGraphic = "images/button_skip.png",
  MakeLevel { seqId = 1, name = "LEVEL_1",
)" + miniGame + R"(,
    MakePlotpoint { seqId = 2, bg = "images/puzzle_bg.jpg", nextScene = 3, direction = "up", endY = -100000,
      textUpperLeftX = 11, textUpperLeftY = 22, textLowerRightX = 111, textLowerRightY = 72,
      MakePlotpointTexts { {"PLOT_1", 600} } },
    MakePlotpoint { seqId = 3, bg = "images/puzzle_bg.jpg", nextScene = 1, direction = "up", endY = -100000,
      textUpperLeftX = 33, textUpperLeftY = 44, textLowerRightX = 133, textLowerRightY = 94,
      Exit("back", 1),
      MakePlotpointTexts { {"PLOT_1", 600} } },
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

class MiniGamesTest : public e2e::GameTest {
 protected:
  MiniGamesTest() : GameTest("minigames") {}

  // Puts the game text in place, starts the program, makes a player and opens the first scene.
  void Play(const std::string& miniGame) {
    std::ofstream(game_->AppFolder() / "assets/scripts/game/game.lua") << GameText(miniGame);
    StartAndPlay(true);
  }
  // The demo's own game text, begun in one of its rooms instead of at the chapter card.
  void PlayDemoFrom(int scene) {
    const fs::path text = game_->AppFolder() / "assets/scripts/game/game.lua";
    std::ifstream in(text);
    std::string game((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    for (const std::string key : {"startScene = ", "currentScene = "}) {
      const size_t at = game.find(key + "100,");
      ASSERT_NE(at, std::string::npos) << key;
      game.replace(at, key.size() + 3, key + std::to_string(scene));
    }
    std::ofstream(text) << game;
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
  // The saved game (each scene saves as it opens), read once the program has ended: the running
  // program keeps its preference file to itself.
  // Waits for scene 2 or 3 to open (it saves the game as it opens), and ends the program.
  bool ReachedAndStopped(int scene) {
    const bool reached = game_->WaitFor("rect text", TextRect(scene), 60000);
    game_->Settle(5);
    game_->Kill();
    return reached;
  }
  static std::string TextRect(int scene) { return scene == 2 ? "11 22 111 72" : "33 44 133 94"; }
  // The mini-game has moved on to scene 2, and the saved game says so: started again, the
  // program opens scene 2.
  void ExpectMovedOn() {
    ASSERT_TRUE(ReachedAndStopped(2)) << game_->ReadLog();
    StartAndPlay(false);
    EXPECT_TRUE(game_->WaitFor("rect text", TextRect(2))) << game_->ReadLog();
  }

};

}  // namespace

TEST_F(MiniGamesTest, JigsawPlayedToTheWin) {
  Play(kJigsaw);
  // Each piece is taken at its middle and laid on its place (the picture starts at 272, 172).
  const int moves[4][4] = {{104, 124, 336, 236}, {684, 144, 464, 236}, {124, 464, 336, 364}, {664, 444, 464, 364}};
  for (const auto& m : moves) {
    ASSERT_EQ(game_->Send("rect text"), "missing");
    Click(m[0], m[1]);
    Click(m[2], m[3]);
  }
  ExpectMovedOn();
}

TEST_F(MiniGamesTest, TheSkipButtonLeaves) {
  Play(kJigsaw);
  Click(60, 720);
  ExpectMovedOn();
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
  ExpectMovedOn();
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
  ExpectMovedOn();
}

TEST_F(MiniGamesTest, MirroredImagePlayedToTheWin) {
  // With no false images the right one stands on the first place.
  Play(R"(
MakeMirroredImageGame { seqId = 1, bg = "images/puzzle_bg.jpg", nextScene = 2, amountSelectedFalseImages = 0,
  amountAllFalseImages = 5, filepath = "images/mirror/", nameFalseImage = "false", nameCorrectImage = "right",
  { {xPos = 150, yPos = 150}, {xPos = 400, yPos = 150} } })");
  Click(214, 214);
  ExpectMovedOn();
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
  ExpectMovedOn();
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
  ExpectMovedOn();
}

TEST_F(MiniGamesTest, PlotPointRunsItsCourseAndMovesOn) {
  Play(R"(
MakePlotpoint { seqId = 1, bg = "images/puzzle_bg.jpg", nextScene = 2, movingTextureDirectory = "images/strip/",
  movingTextureName = "strip", numberOfTextures = 2, direction = "left", beginX = 800, beginY = 200,
  endX = 300, endY = 200, borderTexture = "images/border.png", textUpperLeftX = 100, textUpperLeftY = 440,
  textLowerRightX = 700, textLowerRightY = 520, textColorRed = 240, textHeight = 24,
  MakePlotpointTexts { {"PLOT_1", 2} } })");
  // Nothing is clicked: the strip runs its two seconds and the story screen leaves by itself.
  ExpectMovedOn();
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
  // The drawn cursor stands where the next shot will have it too, clear of the board.
  game_->Send("move 500 740");
  game_->Settle(10);
  const Frame before = game_->Shot();
  Click(500, 740);  // the exit to scene 3, which saves the game as it opens
  ASSERT_TRUE(ReachedAndStopped(3)) << game_->ReadLog();

  // Loaded again: the game opens in scene 3; back through its exit to the board.
  StartAndPlay(false);
  ASSERT_TRUE(game_->WaitFor("rect text", "33 44 133 94"));
  Click(500, 740);
  ASSERT_TRUE(game_->WaitFor("rect text", "missing")) << game_->ReadLog();
  game_->Settle(40);
  const Frame after = game_->Shot();
  ASSERT_EQ(after.width, before.width);
  ASSERT_EQ(after.height, before.height);
  for (int field = 0; field < 5; ++field) {
    const int x = field < 4 ? 250 + field * 150 : 700, y = field < 4 ? 150 : 300;
    EXPECT_EQ(after.CountDiffering(x, y, x + 64, y + 64, before.At(x + 32, y + 32), 8),
              before.CountDiffering(x, y, x + 64, y + 64, before.At(x + 32, y + 32), 8))
        << "field " << field;
    EXPECT_EQ(after.At(x + 32, y + 32), before.At(x + 32, y + 32)) << "field " << field;
  }
  // Play goes on: the second stone reaches its place.
  Click(732, 182);
  Click(732, 332);
  ExpectMovedOn();
}

TEST_F(MiniGamesTest, TheDemoPortraitIsWonByJoiningItsPiecesAsItsWordsSay) {
  PlayDemoFrom(301);
  // The words say to join the pieces; they say nothing of a place in a frame.
  const std::string words = game_->Send("box? shorttextText");
  EXPECT_NE(words.find("lay it against its"), std::string::npos) << words;
  // The four pieces lie where the room shows them (top-left corners 60,150; 720,160; 60,400;
  // 600,380, each 128 wide). The player keeps the first one where it lies and lays the others
  // against it, each a few pixels off, as a hand does: the second to its right, the third below
  // it, the fourth below the second. The joined portrait lies well away from any frame.
  const int moves[3][4] = {{784, 224, 64 + 188 + 4, 64 + 150 - 3},
                           {124, 464, 64 + 60 - 5, 64 + 278 + 2},
                           {664, 444, 64 + 188 + 3, 64 + 278 + 4}};
  for (const auto& m : moves) {
    EXPECT_EQ(game_->Send("scene"), "301");
    Click(m[0], m[1]);
    Click(m[2], m[3]);
  }
  // Solved: the room says so, the portrait stays in view a moment, and the next room opens.
  EXPECT_TRUE(game_->WaitFor("box? shorttextText", "Solved! A door opens to the next room...", 5000));
  EXPECT_EQ(game_->Send("scene"), "301");
  EXPECT_TRUE(game_->WaitFor("scene", "302", 30000)) << game_->ReadLog();
}

TEST_F(MiniGamesTest, APuzzleRoomsWordsComeBackOnAClickAndAWrongMixIsAnswered) {
  PlayDemoFrom(303);
  const std::string words = game_->Send("box? shorttextText");
  EXPECT_NE(words.find("orange"), std::string::npos) << words;
  // The words fade; a click on their box brings them back.
  ASSERT_TRUE(game_->WaitFor("alpha shorttextBg", "0.00", 60000)) << game_->Send("alpha shorttextBg");
  Click(500, 50);
  EXPECT_EQ(game_->Send("alpha shorttextBg"), "1.00");
  EXPECT_EQ(game_->Send("box? shorttextText"), words);
  // Faded again, they come back on a click anywhere the board has no use for.
  ASSERT_TRUE(game_->WaitFor("alpha shorttextBg", "0.00", 60000)) << game_->Send("alpha shorttextBg");
  Click(60, 700);
  EXPECT_EQ(game_->Send("alpha shorttextBg"), "1.00");
  EXPECT_EQ(game_->Send("box? shorttextText"), words);
  // The mix button with empty funnels asks for them to be filled.
  Click(760, 444);
  EXPECT_EQ(game_->Send("box? shorttextText"), "Fill both funnels first, then press the green button.");
  // Green into both funnels mixes green, not orange: the room says so and points at the note.
  Click(528, 424);
  Click(656, 165);
  Click(528, 424);
  Click(592, 165);
  Click(760, 444);
  EXPECT_NE(game_->Send("box? shorttextText").find("Not orange"), std::string::npos);
  EXPECT_EQ(game_->Send("scene"), "303");
  // Following the note (green and purple, the first and third flasks) wins.
  Click(528, 424);
  Click(656, 165);
  Click(400, 424);
  Click(592, 165);
  Click(760, 444);
  EXPECT_TRUE(game_->WaitFor("scene", "304", 30000)) << game_->ReadLog();
}
