// The adventure screen: cursors over hotspots, objects and exits; looking at and picking up
// objects into the sidebar's strip; carrying an item onto a hotspot; fading objects out; the
// free text boxes; and the scripts' object functions.
#include "game/shell/scenefixture.h"

#include "model/game.h"
#include "model/globals.h"
#include "model/highscore.h"
#include "model/scenekinds.h"
#include "render/sprite.h"
#include "shell/adventurescreen.h"
#include "shell/scenetext.h"
#include "shell/sidebar.h"
#include "shell/sidebarinventory.h"
#include "shell/spritewindow.h"

using namespace scenetest;

namespace {

const char kAdventureScript[] =
    "MakeDialog { AdventureScreenWindow { name = 'scene', x = 0, y = 0, w = 1024, h = 768 } }";

class AdventureTest : public PlayScreenTest {
 protected:
  AdventureTest() : PlayScreenTest("scripts/adventurescreen.lua", kAdventureScript) {
    Texture("scenes/test/rope", 50, 50);
    Texture("scenes/test/statue", 80, 120);
    Texture("sprites/inventory/rope", 60, 60);
    SetConfig("inventoryStartPosX", "200");
    SetConfig("inventoryStartPosY", "680");
    SetConfig("inventoryPosOffsetX", "70");
  }
  TAdventureScreenWindow* Open() { return PlayScreenTest::Open<TAdventureScreenWindow>(); }
  CSceneObject* Object(const char* id) {
    return static_cast<CAdventureScreen*>(CGame::GetInstance()->FindScene(201))->FindSceneObject(id);
  }
  std::vector<std::string> Held() { return CGame::GetInstance()->GetInventory().GetHeld(); }
};

TEST_F(AdventureTest, TheCursorFollowsWhatIsUnderThePointer) {
  TAdventureScreenWindow* scene = Open();
  ASSERT_NE(scene, nullptr) << Log();
  const struct {
    TPoint at;
    int32_t kind;
  } cases[] = {
      {{650, 350}, kCursorHotspot},  // the hotspot
      {{830, 350}, kCursorLook},     // an object to look at
      {{320, 520}, kCursorUse},      // an object that can be picked up
      {{830, 350}, kCursorUse},      // the look cursor never replaces the use cursor
      {{50, 50}, kCursorExit},       // an open exit
      {{900, 100}, kCursorActive},   // nothing
  };
  for (const auto& c : cases) {
    scene->OnMouseMove(c.at);
    EXPECT_EQ(scene->GetCursorKind(), c.kind) << c.at.x << "," << c.at.y;
  }
}

TEST_F(AdventureTest, PickingAnObjectUpPutsItInTheStripOnceAndThenShowsItsText) {
  TAdventureScreenWindow* scene = Open();
  Events().clear();
  EXPECT_TRUE(scene->OnMouseDown({320, 520}));
  EXPECT_EQ(Held(), std::vector<std::string>{"rope"});
  EXPECT_EQ(Object("o_rope")->GetTimesPickable(), 0);
  EXPECT_EQ(Events(), (std::vector<std::string>{"rope picked", "pickup window"}));
  CGlobalInformationSystem* globals = CGlobalInformationSystem::GetInstance();
  EXPECT_EQ(globals->GetGlobalString("description"), "item_rope");
  EXPECT_EQ(globals->GetGlobalString("pickupImage"), "sprites/inventory/rope_big");
  TSidebarInventoryWindow* strip = scene->GetSidebar()->GetItemsWindow();
  ASSERT_NE(strip, nullptr);
  ASSERT_NE(strip->GetItemSprite(0), nullptr);
  EXPECT_FLOAT_EQ(strip->GetItemSprite(0)->GetSpec().transform.GetTranslation().x, 200.0f);
  // No longer pickable: the next click shows its text.
  Events().clear();
  EXPECT_TRUE(scene->OnMouseDown({320, 520}));
  EXPECT_EQ(Held(), std::vector<std::string>{"rope"});
  EXPECT_TRUE(Events().empty());
  EXPECT_EQ(scenetext::GetText(scene->FindChild("shorttextText", -1)), "rope_text");
}

TEST_F(AdventureTest, AHotspotOverAnObjectRunsItsScriptAndTheObjectIsHandledToo) {
  TAdventureScreenWindow* scene = Open();
  Object("o_statue")->SetPositionX(620);
  Object("o_statue")->SetPositionY(320);
  GetWindowManager()->DeleteClosedWindows();
  // The sprite keeps its place from the set-up; move it where the hotspot lies.
  scene->GetSpriteWindow()->SetSpritePosition("o_statue", 620, 320);
  Events().clear();
  EXPECT_TRUE(scene->OnMouseDown({650, 350}));
  EXPECT_EQ(Events(), std::vector<std::string>{"well clicked"});
  EXPECT_EQ(scenetext::GetText(scene->FindChild("shorttextText", -1)), "statue_text");
}

TEST_F(AdventureTest, AnItemCarriedOntoItsHotspotIsUsedAndTheSaveRecordsIt) {
  TAdventureScreenWindow* scene = Open();
  scene->OnMouseDown({320, 520});
  TSidebarInventoryWindow* strip = scene->GetSidebar()->GetItemsWindow();
  // Dropped on empty space it goes back to its slot, silently.
  EXPECT_TRUE(strip->OnMouseDown({210, 690}));
  EXPECT_EQ(strip->GetDraggedIndex(), 0);
  EXPECT_TRUE(strip->OnMouseMove({650, 350}));
  EXPECT_EQ(scene->GetCursorKind(), kCursorUse);
  EXPECT_TRUE(strip->OnMouseDown({900, 100}));
  EXPECT_EQ(strip->GetDraggedIndex(), -1);
  EXPECT_EQ(Held(), std::vector<std::string>{"rope"});
  // Onto the well: the item's action for that hotspot runs.
  Events().clear();
  EXPECT_TRUE(strip->OnMouseDown({210, 690}));
  EXPECT_TRUE(strip->OnMouseDown({650, 350}));
  EXPECT_EQ(Events(), std::vector<std::string>{"rope into well"});
  EXPECT_TRUE(Held().empty());
  EXPECT_EQ(strip->GetItemSprite(0), nullptr);
  TSettings::GetInstance()->SaveGame();
  const TString saved = Prefs().GetString("gamedata", "", TSettings::GetInstance()->GetCurrentUser());
  EXPECT_NE(saved.Find("timesPickable = 0"), -1) << saved.CStr();
}

TEST_F(AdventureTest, AnItemDroppedOnTheWrongTargetIsRefusedWithTheGamesText) {
  TAdventureScreenWindow* scene = Open();
  scene->OnMouseDown({320, 520});
  CGame::GetInstance()->SetCanNotUseItemText("cannot_use");
  TSidebarInventoryWindow* strip = scene->GetSidebar()->GetItemsWindow();
  strip->OnMouseDown({210, 690});
  EXPECT_TRUE(strip->OnMouseDown({830, 350}));
  EXPECT_EQ(Held(), std::vector<std::string>{"rope"});
  EXPECT_EQ(scenetext::GetText(scene->FindChild("shorttextText", -1)), "cannot_use");
}

TEST_F(AdventureTest, FadeOutHidesTheObjectInTheModelAtOnceWhileThePictureFades) {
  SetConfig("sceneObjFadeSpeed", "0.1");
  TAdventureScreenWindow* scene = Open();
  int32_t index = -1;
  ASSERT_TRUE(scene->GetSpriteWindow()->FindSprite("o_statue", &index));
  const std::shared_ptr<TSprite> sprite = scene->GetSpriteWindow()->GetSpriteEntry(index).sprite;
  Run("FadeOut('o_statue') FadeOut('nothing')");
  // A save taken before the fade has run (a window holding the scene still) has it gone.
  EXPECT_FALSE(Object("o_statue")->IsVisible());
  TSettings::GetInstance()->SaveGame();
  const TString saved = Prefs().GetString("gamedata", "", TSettings::GetInstance()->GetCurrentUser());
  const ptrdiff_t record = saved.Find("id = \"o_statue\"");
  ASSERT_NE(record, -1) << saved.CStr();
  const std::string after(saved.CStr() + record);
  EXPECT_LT(after.find("isVisible = \"false\""), after.find("MakeSceneObject end")) << after;
  // The picture still fades out over the frames, then hides; the model's alpha stays whole.
  Frames(1);
  EXPECT_NEAR(sprite->GetSpec().alpha, 0.9f, 1e-5);
  Frames(7);
  EXPECT_TRUE(sprite->IsVisible());
  EXPECT_NEAR(sprite->GetSpec().alpha, 0.2f, 1e-5);
  Frames(2);
  EXPECT_FALSE(sprite->IsVisible());
  EXPECT_FLOAT_EQ(Object("o_statue")->GetAlpha(), 1.0f);
  // Shown again later, it is whole.
  Run("SetVisible('o_statue', true)");
  EXPECT_TRUE(sprite->IsVisible());
  EXPECT_FLOAT_EQ(sprite->GetSpec().alpha, 1.0f);
  // Shown again while it fades, the fade gives way.
  Run("FadeOut('o_statue')");
  Frames(2);
  Run("SetVisible('o_statue', true)");
  Frames(1);
  EXPECT_TRUE(sprite->IsVisible());
  EXPECT_FLOAT_EQ(sprite->GetSpec().alpha, 1.0f);
  Frames(10);
  EXPECT_TRUE(sprite->IsVisible());
}

TEST_F(AdventureTest, ObjectFunctionsAndTheModelsFlagsReachTheSprites) {
  TAdventureScreenWindow* scene = Open();
  Run("SetTimesPickable('o_statue', 2) SetTextForSceneObject('o_statue', 'new_text') SetTimesPickable('x', 1)");
  EXPECT_EQ(Object("o_statue")->GetTimesPickable(), 2);
  EXPECT_STREQ(Object("o_statue")->GetText(), "new_text");
  Run("SetActive('o_statue', false)");
  int32_t index = -1;
  ASSERT_TRUE(scene->GetSpriteWindow()->FindSprite("o_statue", &index));
  EXPECT_FALSE(scene->GetSpriteWindow()->GetSpriteEntry(index).clickable);
  // An inactive object is no longer hit: the click falls through to the scene.
  EXPECT_FALSE(scene->OnMouseDown({830, 350}));
  // The free text box of the model.
  TWindow* sign = scene->FindChild("textbox0", -1);
  ASSERT_NE(sign, nullptr);
  EXPECT_EQ(scenetext::GetText(sign), "sign_text");
  EXPECT_EQ(sign->GetRect().left, 420);
  // The game text gives its colour in 0-255 components; the box takes them as 0-1.
  EXPECT_FLOAT_EQ(scenetext::GetTextAlpha(sign), 1.0f);
}

}  // namespace
