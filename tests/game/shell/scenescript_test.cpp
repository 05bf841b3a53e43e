// The scene window's script functions called from Lua as the scene scripts call them, and the
// queued presentations they start: briefing texts, in-game objects, bonus texts, the hint sparkle
// and its route search, the tutorial overlay and the diary entries.
#include "game/shell/scenefixture.h"

#include "model/diary.h"
#include "model/game.h"
#include "render/sprite.h"
#include "shell/scenetext.h"
#include "shell/spritewindow.h"
#include "ui/image.h"

using namespace scenetest;

namespace {

class SceneScriptTest : public SceneTest {
 protected:
  TScene* Open() {
    TScene* scene = StartScene();
    FadeIn();
    return scene;
  }
  CGame& Game() { return *CGame::GetInstance(); }
  std::vector<std::string> Held() { return Game().GetInventory().GetHeld(); }
};

TEST_F(SceneScriptTest, ModelFunctionsChangeTheNamedExitsHotspotsItemsAndSceneAndIgnoreUnknownNames) {
  TScene* scene = Open();
  Run("SetActiveExit('e_shut', true) SetExit('e_shut', 201) SetTextForExit('e_open', 'go_text')"
      " SetActiveHotspot('h_well', false) SetTextForHotspot('h_well', 'deep')"
      " SetNextScene(202) SetDiaryButtonVisibleInModel(false) SetHintButtonVisibleInModel(false)"
      " SetTextForInventoryItem('rope', 'a rope') SetTextForInventoryItem('nothing', 'x')"
      " SetActiveExit('nowhere', true) SetTextForHotspot('nowhere', 'x') SetExit('nowhere', 1)");
  EXPECT_TRUE(Game().FindSceneExit("e_shut")->IsActive());
  EXPECT_EQ(Game().FindSceneExit("e_shut")->GetNextScene(), 201);
  EXPECT_STREQ(Game().FindSceneExit("e_open")->GetText(), "go_text");
  EXPECT_FALSE(Game().FindSceneHotspot("h_well")->IsActive());
  EXPECT_STREQ(Game().FindSceneHotspot("h_well")->GetText(), "deep");
  EXPECT_EQ(scene->GetSceneModel()->GetNextScene(), 202);
  EXPECT_FALSE(scene->GetSceneModel()->GetShowDiaryButton());
  EXPECT_FALSE(scene->GetSceneModel()->GetShowHintButton());
  EXPECT_STREQ(Game().GetInventoryItem("rope")->GetDescription(), "a rope");
  EXPECT_EQ(Game().GetInventoryItem("nothing"), nullptr);
}

TEST_F(SceneScriptTest, InventoryFunctionsAddRemoveAndResetTheHeldItems) {
  Open();
  Run("ResetInventory()");
  EXPECT_TRUE(Held().empty());
  Run("AddInventoryItem('rope') AddInventoryItem('lamp') AddInventoryItem('rope')");
  EXPECT_EQ(Held(), (std::vector<std::string>{"rope", "lamp", "rope"}));
  Run("RemoveInventoryItem('lamp')");
  EXPECT_EQ(Held(), (std::vector<std::string>{"rope", "rope"}));
  Run("ResetInventory()");
  EXPECT_TRUE(Held().empty());
}

TEST_F(SceneScriptTest, SkipGoesToTheNextSceneOnceAndOnlyAfterTheSetUp) {
  TScene* scene = Open();
  Run("Skip() Skip()");
  EXPECT_TRUE(scene->IsLeaving());
  EXPECT_EQ(Game().GetCurrentSceneId(), 202);
  Frames(40);
  EXPECT_EQ(CurrentScene()->GetSceneModel()->GetSeqId(), 202);
}

TEST_F(SceneScriptTest, TheTutorialOverlayTakesItsImageTextPlaceAndColour) {
  Texture("sprites/tutorial/step1", 300, 200);
  TScene* scene = Open();
  Run("SetTutorialImage('sprites/tutorial/step1') SetTutorialText('tut_1') SetTutorialVisible(true)"
      " SetTutorialTextPosition(10, 20, 300, 60) SetTutorialTextColor(255, 0, 0, 255)");
  TImage* image = KindCast<TImage>(scene->FindChild("tutorial", -1));
  TWindow* text = scene->FindChild("tutorialtextText", -1);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->GetTexture().get(), mTextures.back().get());
  EXPECT_FLOAT_EQ(image->GetAlpha(), 1.0f);
  EXPECT_EQ(scenetext::GetText(text), "tut_1");
  EXPECT_FLOAT_EQ(scenetext::GetTextAlpha(text), 1.0f);
  EXPECT_EQ(text->GetRect().left, 10);
  EXPECT_EQ(text->GetRect().top, 20);
  EXPECT_EQ(text->GetWidth(), 300);
  Run("SetTutorialVisible(false) SetTransitionAlpha(0.5)");
  EXPECT_FLOAT_EQ(image->GetAlpha(), 0.0f);
  EXPECT_FLOAT_EQ(KindCast<TImage>(scene->FindChild("transition", -1))->GetAlpha(), 0.5f);
}

TEST_F(SceneScriptTest, ABriefingTextShowsAfterItsDelayAndIgnoresClicksForItsFirstHalfSecond) {
  TScene* scene = Open();
  Run("ShowBriefingWindow('brief_1', 100, -1, false)");
  TImage* box = KindCast<TImage>(scene->FindChild("briefingWindowBg", -1));
  TWindow* text = scene->FindChild("briefingWindowText", -1);
  Frames(5);
  EXPECT_FLOAT_EQ(box->GetAlpha(), 0.0f);
  Frames(10);
  EXPECT_FLOAT_EQ(box->GetAlpha(), 1.0f);
  EXPECT_EQ(scenetext::GetText(text), "brief_1");
  // A click inside the box is taken but the text stays during its first 500 ms.
  EXPECT_TRUE(scene->OnMouseDown({300, 600}));
  Frames(10);
  EXPECT_FLOAT_EQ(box->GetAlpha(), 1.0f);
  // Display time -1: only the click ends it, once 500 ms have passed.
  Frames(50);
  EXPECT_LT(box->GetAlpha(), 1.0f);
  Frames(40);
  EXPECT_FLOAT_EQ(box->GetAlpha(), 0.0f);
}

TEST_F(SceneScriptTest, AdvanceOnClickMovesToTheNextTextAndTheLastTextFadesInstead) {
  TScene* scene = Open();
  Run("ShowBriefingWindow('brief_1', 0, -1, true) ShowBriefingWindow('brief_2', 100000, -1, true)");
  TImage* box = KindCast<TImage>(scene->FindChild("briefingWindowBg", -1));
  TWindow* text = scene->FindChild("briefingWindowText", -1);
  Frames(60);
  EXPECT_EQ(scenetext::GetText(text), "brief_1");
  EXPECT_TRUE(scene->OnMouseDown({300, 600}));
  Frames(1);
  EXPECT_EQ(scenetext::GetText(text), "brief_2");
  EXPECT_FLOAT_EQ(box->GetAlpha(), 1.0f);
  // No text follows the last one: its click fades it as without the flag.
  Frames(60);
  EXPECT_TRUE(scene->OnMouseDown({300, 600}));
  Frames(40);
  EXPECT_FLOAT_EQ(box->GetAlpha(), 0.0f);
}

TEST_F(SceneScriptTest, AnInGameObjectShowsAtItsTimeFadesAfterItsDurationAndNeverReturns) {
  Texture("sprites/ingame/letter", 100, 80);
  TScene* scene = Open();
  // The second part before any first part has no object to time.
  Run("ShowInGameObjectPartTwo(0, 10, true, false, false)");
  EXPECT_TRUE(scene->GetInGameObjects().empty());
  Run("ShowInGameObjectPartOne('letter_caption', 200, 150, 'sprites/ingame/letter')"
      " ShowInGameObjectPartTwo(50, 3000, true, true, true)");
  ASSERT_EQ(scene->GetInGameObjects().size(), 1u);
  const TSceneTimedText& object = scene->GetInGameObjects()[0];
  EXPECT_EQ(object.name, "InGameObject0");
  EXPECT_EQ(object.width, 100);
  TWindow* caption = scene->FindChild("InGameObject0", -1);
  ASSERT_NE(caption, nullptr);
  EXPECT_EQ(scenetext::GetText(caption), "letter_caption");
  TSpriteWindow* sprites = scene->GetSpriteWindow();
  int32_t index = -1;
  ASSERT_TRUE(sprites->FindSprite("InGameObject0", &index));
  std::shared_ptr<TSprite> sprite = sprites->GetSpriteEntry(index).sprite;
  EXPECT_FALSE(sprite->IsVisible());
  Frames(6);
  EXPECT_TRUE(sprite->IsVisible());
  EXPECT_FLOAT_EQ(scenetext::GetTextAlpha(caption), 1.0f);
  // Keep on click: a click inside does not shorten it.
  EXPECT_TRUE(scene->OnMouseDown({250, 190}));
  Frames(290);
  EXPECT_FLOAT_EQ(sprite->GetSpec().alpha, 1.0f);
  // Then 0.025 a frame: finished on the 41st fade frame.
  Frames(20);
  int frames = 0;
  while (!scene->GetInGameObjects()[0].finished && frames < 100) {
    Frames(1);
    ++frames;
  }
  EXPECT_TRUE(scene->GetInGameObjects()[0].finished);
  EXPECT_FLOAT_EQ(sprite->GetSpec().alpha, 0.0f);
  Frames(100);
  EXPECT_FLOAT_EQ(sprite->GetSpec().alpha, 0.0f);
}

TEST_F(SceneScriptTest, BonusTextsRiseOnePixelAFrameAndGoOnThe34thFrameOnlyInTheNormalMode) {
  TScene* scene = Open();
  TSettings::GetInstance()->SetCurrentGameMode(1);
  Run("ShowBonusAsTextInSidebar(50)");
  EXPECT_EQ(scene->GetBonusTextCount(), 0u);
  TSettings::GetInstance()->SetCurrentGameMode(0);
  TSettings::GetInstance()->SetMousePosition(500, 400);
  Run("ShowBonusAsTextOnMousePos(75)");
  ASSERT_EQ(scene->GetBonusTextCount(), 1u);
  TWindow* bonus = scene->FindChild("bonus", -1);
  ASSERT_NE(bonus, nullptr);
  EXPECT_EQ(bonus->GetRect().left, 500 - 78);
  EXPECT_EQ(bonus->GetRect().top, 400 - 30);
  EXPECT_NE(scenetext::GetText(bonus).Find("75"), -1);
  Frames(33);
  ASSERT_EQ(scene->GetBonusTextCount(), 1u);
  EXPECT_EQ(bonus->GetRect().top, 400 - 30 - 33);
  Frames(1);
  EXPECT_EQ(scene->GetBonusTextCount(), 0u);
  EXPECT_EQ(scene->FindChild("bonus", -1), nullptr);
}

TEST_F(SceneScriptTest, DiaryFunctionsLayOutEntriesAndANewChapterStartsASpread) {
  Open();
  // The profile's diary, made when the profile was chosen.
  TDiary* diary = TDiary::CreateInstance();
  diary->AddArea(100, 50, 300, 600);
  diary->AddArea(500, 50, 300, 600);
  Run("AddDiaryText('d_1', 20, 'fonts/kingthings.mvec', -1, -1) AddDiaryImage('diary/pic', -1, -1)");
  EXPECT_EQ(diary->GetItemCount(), 2);
  EXPECT_EQ(diary->GetItem(0)->kind, kDiaryText);
  EXPECT_EQ(diary->GetItem(0)->text, "d_1");
  EXPECT_EQ(diary->GetItem(1)->kind, kDiaryImage);
  // A site end closes the page: the next entry starts on the next area.
  Run("AddDiarySiteEnd()");
  EXPECT_EQ(diary->GetItemCount(), 2);
  Run("site = GetDiaryInsertSite() x = GetDiaryCurrentSitePosX()");
  EXPECT_EQ(GlobalNumber("site"), 1);
  EXPECT_EQ(GlobalNumber("x"), 500);
  Run("AddDiaryConstantText(2, 'd_head', 20, 'fonts/kingthings.mvec', -1, -1) AddDiaryNewChapter()");
  EXPECT_EQ(diary->GetConstantCount(), 0);
  EXPECT_EQ(diary->GetCurrentInsertSite() % 2, 0u);
  // Already on the first area of a spread: no site end is added.
  const int32_t items = diary->GetItemCount();
  Run("AddDiaryNewChapter()");
  EXPECT_EQ(diary->GetItemCount(), items);
}

TEST_F(SceneScriptTest, TheHintRouteSearchFollowsRoutesAndStopsAtVisitedScenes) {
  Open();
  const auto& routes = Game().GetHintRoutes();
  ASSERT_FALSE(routes.empty());
  // Any direct route of the fixed table is found from its own start.
  const auto& [start, pairs] = *routes.begin();
  ASSERT_FALSE(pairs.empty());
  EXPECT_EQ(TScene::FindHintTarget({}, start, pairs[0].targetScene), pairs[0].exitId);
  // A start already visited gives nothing, and so does an unknown target (the table has cycles).
  EXPECT_EQ(TScene::FindHintTarget({start}, start, pairs[0].targetScene), "");
  EXPECT_EQ(TScene::FindHintTarget({}, start, "no such location"), "");
}

TEST_F(SceneScriptTest, TheHintSparkleCirclesTheExitCentreOrTheGivenPointAndEnds) {
  TScene* scene = Open();
  CSceneExit exit;
  exit.SetPosition(0, 0, 0);
  exit.SetPosition(1, 100, 0);
  exit.SetPosition(2, 100, 50);
  exit.SetPosition(3, 0, 50);
  EXPECT_EQ(TScene::ExitCentre(exit).x, 50);
  EXPECT_EQ(TScene::ExitCentre(exit).y, 25);
  // A vertical diagonal has no slope: the corners' mean.
  exit.SetPosition(2, 0, 50);
  exit.SetPosition(3, 0, 50);
  EXPECT_EQ(TScene::ExitCentre(exit).x, 25);
  // No route from this scene (it has no location): the scripted point.
  Run("ShowHint('nowhere', 321, 123)");
  EXPECT_TRUE(scene->IsHintActive());
  EXPECT_EQ(scene->GetHintCentre().x, 321);
  EXPECT_EQ(scene->GetHintCentre().y, 123);
  // The sparkle runs its whole orbit round the point (two turns), then is gone.
  const int orbit = int(TScene::kHintOrbitEnd / TScene::kHintOrbitStep);
  Frames(orbit - 3);
  EXPECT_TRUE(scene->IsHintActive());
  // A quarter turn on, it stands a quarter of the circle further round, at the same distance.
  const TVec2 a = TScene::HintOrbitPoint(321, 123, 80, 0.25f), b = TScene::HintOrbitPoint(321, 123, 80, 0.5f);
  EXPECT_NEAR(a.x, 321, 0.5);
  EXPECT_NEAR(a.y, 203, 0.5);
  EXPECT_NEAR(b.x, 241, 0.5);
  EXPECT_NEAR(b.y, 123, 0.5);
  Frames(6);
  EXPECT_FALSE(scene->IsHintActive());
}

}  // namespace
