// The hidden-object screen with its sidebar: hits strike entries from the list and score, misses
// past the limit start the penalty spiral, the hint circles a missing object and refills, and
// finding everything wins the prize.
#include "game/shell/scenefixture.h"

#include "model/game.h"
#include "model/globals.h"
#include "model/hiddenobject.h"
#include "model/highscore.h"
#include "render/sprite.h"
#include "shell/hiddenobjectgame.h"
#include "shell/scenetext.h"
#include "shell/settings.h"
#include "shell/sidebar.h"
#include "shell/spriteanimator.h"
#include "shell/spritewindow.h"

using namespace scenetest;

namespace {

const char kHogScript[] = "MakeDialog { HiddenObjectGame { name = 'scene', x = 0, y = 0, w = 1024, h = 768 } }";

class HiddenObjectTest : public PlayScreenTest {
 protected:
  HiddenObjectTest() : PlayScreenTest("scripts/hiddenobjectgame.lua", kHogScript) {
    Texture("scenes/test/cup", 40, 40);
    Texture("sprites/hint/hintbutton", 60, 60);
    SetConfig("itemlistPosX", "175");
    SetConfig("itemlistPosY", "652");
    SetConfig("itemlistWidth", "210");
    SetConfig("itemlistHeight", "34");
    SetConfig("itemlistPosOffset", "4");
    SetConfig("hintrefilltime", "45");
  }
  THiddenObjectGameWindow* Open() { return PlayScreenTest::Open<THiddenObjectGameWindow>(204); }
  std::vector<std::string> Texts(THiddenObjectGameWindow* scene) {
    std::vector<std::string> texts;
    for (TWindow* w : scene->GetSidebar()->GetItemWindows()) texts.push_back(scenetext::GetText(w).CStr());
    return texts;
  }
};

TEST_F(HiddenObjectTest, TheListShowsEveryItemWithTheGroupCountInColumnsOfThree) {
  THiddenObjectGameWindow* scene = Open();
  ASSERT_NE(scene, nullptr) << Log();
  EXPECT_EQ(Texts(scene), (std::vector<std::string>{"ho_bell", "ho_coins 2/2", "ho_cup"}));
  const auto& windows = scene->GetSidebar()->GetItemWindows();
  EXPECT_EQ(windows[1]->GetRect().top, 652 + 38);
  EXPECT_EQ(windows[2]->GetRect().left, 175);
}

TEST_F(HiddenObjectTest, AHitStrikesTheEntryScoresAndSendsTheObjectFlying) {
  THiddenObjectGameWindow* scene = Open();
  TSettings::GetInstance()->SetCurrentGameMode(0);
  CHighscoreSystem* score = CHighscoreSystem::GetInstance();
  Events().clear();
  EXPECT_TRUE(scene->OnMouseDown({320, 320}));
  EXPECT_EQ(Events(), std::vector<std::string>{"cup found"});
  const int32_t bonus = score->GetHOBonus();
  EXPECT_GT(bonus, 0);
  EXPECT_EQ(scene->GetBonusTextCount(), 1u);
  EXPECT_FALSE(scene->GetModel()->FindHiddenObject("h_cup")->IsVisible());
  int32_t index = -1;
  ASSERT_TRUE(scene->GetSpriteWindow()->FindSprite("h_cup", &index));
  EXPECT_TRUE(TSpriteAnimator::Instance()->IsMoving(scene->GetSpriteWindow()->GetSpriteEntry(index).sprite.get()));
  EXPECT_EQ(Texts(scene)[2], "<u>ho_cup</u>");
  EXPECT_NE(scene->GetSidebar()->GetItemWindows()[2]->GetName().Find("strikeOut"), -1);
  // Again: no second bonus, no miss, and the entry is not struck twice.
  EXPECT_TRUE(scene->OnMouseDown({320, 320}));
  EXPECT_EQ(score->GetHOBonus(), bonus);
  EXPECT_EQ(Texts(scene)[2], "<u>ho_cup</u>");
  // One coin of two: the group line counts down.
  EXPECT_TRUE(scene->OnMouseDown({320, 120}));
  EXPECT_EQ(Texts(scene)[1], "ho_coins 1/2");
}

TEST_F(HiddenObjectTest, MissesPastTheLimitStartTheSpiralButClicksOnTheSidebarNeverCount) {
  SetConfig("hogHintInnerRadius", "10");
  SetConfig("hogHintSpaceSpiral", "20");
  SetConfig("hogHintOuterRadius", "50");
  SetConfig("hogHintDegPerStep", "90");
  THiddenObjectGameWindow* scene = Open();
  CHighscoreSystem* score = CHighscoreSystem::GetInstance();
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(scene->OnMouseDown({100, 200}));
  EXPECT_FALSE(score->IsPenaltyActive());
  for (int i = 0; i < 3; ++i) scene->OnMouseDown({900, 200});
  EXPECT_TRUE(score->IsPenaltyActive());
  TSettings::GetInstance()->SetMousePosition(500, 400);
  Frames(1);
  int32_t x = 0, y = 0;
  TSettings::GetInstance()->GetMousePosition(&x, &y);
  // From 0 to 90 degrees at radius 10 + 20/4: (10,0) to (0,15).
  EXPECT_EQ(x, 500 - 10);
  EXPECT_EQ(y, 400 - 15);
  EXPECT_FLOAT_EQ(scene->GetSpiralDegrees(), 90.0f);
}

TEST_F(HiddenObjectTest, TheHintCirclesAMissingObjectAndRefillsAfterItsTime) {
  THiddenObjectGameWindow* scene = Open();
  // Play runs, as the main menu starts it.
  while (CHighscoreSystem::GetInstance()->IsPaused()) CHighscoreSystem::GetInstance()->StartPlay();
  TSidebarWindow* sidebar = scene->GetSidebar();
  // A new level's hint is ready at once.
  ASSERT_TRUE(sidebar->IsHintAvailable());
  EXPECT_TRUE(sidebar->OnMouseDown({960, 640}));
  ASSERT_TRUE(scene->IsObjectHintActive());
  const TPoint centre = scene->GetObjectHintCentre();
  const bool onAnObject = (centre.x == 320 || centre.x == 520) && (centre.y == 320 || centre.y == 120);
  EXPECT_TRUE(onAnObject) << centre.x << "," << centre.y;
  // Used: refilling, and a click on the button then does nothing.
  EXPECT_FALSE(sidebar->IsHintAvailable());
  Frames(int(TScene::kHintOrbitEnd / TScene::kHintOrbitStep) + 3);
  EXPECT_FALSE(scene->IsObjectHintActive());
  EXPECT_TRUE(sidebar->OnMouseDown({960, 640}));
  EXPECT_FALSE(scene->IsObjectHintActive());
  Frames(1, 46000);
  EXPECT_TRUE(sidebar->IsHintAvailable());
}

TEST_F(HiddenObjectTest, FindingEverythingWinsThePrizeAndOpensThePickUpWindow) {
  THiddenObjectGameWindow* scene = Open();
  CGame::GetInstance()->GetInventory().SetHeld({});
  Events().clear();
  for (TPoint p : {TPoint{320, 320}, TPoint{520, 320}, TPoint{320, 120}, TPoint{520, 120}}) scene->OnMouseDown(p);
  EXPECT_TRUE(scene->GetModel()->AllItemsFound());
  EXPECT_EQ(CGame::GetInstance()->GetInventory().GetHeld(), std::vector<std::string>{"rope"});
  EXPECT_EQ(Events().back(), "pickup window");
  EXPECT_EQ(CGlobalInformationSystem::GetInstance()->GetGlobalString("description"), "item_rope");
  for (TWindow* w : scene->GetSidebar()->GetItemWindows()) EXPECT_NE(w->GetName().Find("strikeOut"), -1);
}

// Saved after the win but before the prize window was closed, the game opens again won: nothing is
// awarded twice, and the prize window, whose close leads on, comes with the first frame.
TEST_F(HiddenObjectTest, AGameWonBeforeItsSaveOwesOnlyThePrizeWindow) {
  THiddenObjectGameWindow* scene = Open();
  CGame::GetInstance()->GetInventory().SetHeld({});
  for (TPoint p : {TPoint{320, 320}, TPoint{520, 320}, TPoint{320, 120}, TPoint{520, 120}}) scene->OnMouseDown(p);
  const int32_t score = CHighscoreSystem::GetInstance()->GetHighscoreAsInt();
  Events().clear();
  TSettings::GetInstance()->OpenCurrentScene();
  auto* again = KindCast<THiddenObjectGameWindow>(CurrentScene());
  ASSERT_NE(again, nullptr);
  ASSERT_NE(again, scene);
  EXPECT_EQ(std::count(Events().begin(), Events().end(), "pickup window"), 0);
  again->GetSidebar()->Animate();
  again->GetSidebar()->Animate();
  EXPECT_EQ(std::count(Events().begin(), Events().end(), "pickup window"), 1);
  EXPECT_EQ(CGame::GetInstance()->GetInventory().GetHeld(), std::vector<std::string>{"rope"});
  EXPECT_EQ(CHighscoreSystem::GetInstance()->GetHighscoreAsInt(), score);
}

TEST_F(HiddenObjectTest, AnUndefinedPrizeIsSkippedWithoutAPickUpWindow) {
  THiddenObjectGameWindow* scene = Open();
  Run("SetInventoryOnWon('no_such_item')");
  CGame::GetInstance()->GetInventory().SetHeld({});
  Events().clear();
  for (TPoint p : {TPoint{320, 320}, TPoint{520, 320}, TPoint{320, 120}, TPoint{520, 120}}) scene->OnMouseDown(p);
  EXPECT_TRUE(CGame::GetInstance()->GetInventory().GetHeld().empty());
  EXPECT_EQ(std::count(Events().begin(), Events().end(), "pickup window"), 0);
  EXPECT_TRUE(Logged("no_such_item"));
}

}  // namespace
