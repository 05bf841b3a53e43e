// The cutscene: lines shown one per click with the speaker lit and the other dimmed, narration in
// the bottom bar, letters, empty speaker lines passed over, unknown speakers skipped, the end
// moving on and rewinding, and the play-state functions.
#include "game/shell/scenefixture.h"

#include "model/game.h"
#include "model/globals.h"
#include "model/scenekinds.h"
#include "render/sprite.h"
#include "shell/cutscene.h"
#include "shell/scenetext.h"
#include "ui/image.h"

using namespace scenetest;

namespace {

const char kCutsceneScript[] = "MakeDialog { CutsceneWindow { name = 'scene', x = 0, y = 0, w = 1024, h = 768 } }";

class CutsceneTest : public SceneTest {
 protected:
  CutsceneTest() {
    RegisterMemoryFile("scripts/cutscene.lua", kCutsceneScript, sizeof kCutsceneScript - 1);
    Texture("scenes/test/warden", 300, 400);
    Texture("scenes/test/heroine", 280, 400);
    Texture("scenes/test/letter", 500, 400);
    Texture("scenes/letters/bg_text_left", 700, 260);
    Texture("scenes/letters/bg_text_right", 700, 260);
    Texture("scenes/letters/bg_name", 300, 60);
  }
  TCutsceneWindow* Open() {
    auto* scene = KindCast<TCutsceneWindow>(StartScene(205));
    FadeIn();
    return scene;
  }
  std::string Text(TCutsceneWindow* scene, const char* part) { return scenetext::GetText(scene->GetPart(part)).CStr(); }
  float Alpha(TCutsceneWindow* scene, const char* part) { return KindCast<TImage>(scene->GetPart(part))->GetAlpha(); }
  float Tint(TCutsceneWindow* scene, int32_t key) {
    auto sprite = scene->GetCharacterWindow()->GetSprite(key);
    return sprite ? sprite->GetSpec().color.x : -1.0f;
  }
  int32_t Line() { return static_cast<CCutscene*>(CGame::GetInstance()->FindScene(205))->GetScript()->GetCurrent(); }
};

TEST_F(CutsceneTest, LinesPlayOnePerClickWithTheSpeakerLitAndTheOtherDimmed) {
  TCutsceneWindow* scene = Open();
  ASSERT_NE(scene, nullptr) << Log();
  EXPECT_EQ(scene->GetPlayState(), 0);
  // The stage's own bars, not the scene base's hidden ones.
  EXPECT_EQ(scene->GetPart("borderTop")->GetRect().top, 0);
  EXPECT_EQ(scene->GetPart("borderTop")->GetHeight(), 90);
  // Line 1: narration in the bottom bar; both speakers stand lit.
  EXPECT_EQ(Text(scene, "envText"), "cs_l1");
  EXPECT_FLOAT_EQ(Alpha(scene, "nameBg"), 0.0f);
  EXPECT_FLOAT_EQ(Tint(scene, 1), 1.0f);
  EXPECT_FLOAT_EQ(Tint(scene, 2), 1.0f);
  // Line 2: the warden speaks on the left.
  EXPECT_TRUE(scene->OnMouseDown({500, 400}));
  EXPECT_EQ(Text(scene, "textTextLeft"), "cs_l2");
  EXPECT_EQ(Text(scene, "nameText"), "cs_warden");
  EXPECT_EQ(Text(scene, "envText"), "");
  EXPECT_FLOAT_EQ(Alpha(scene, "textBgLeft"), 1.0f);
  EXPECT_FLOAT_EQ(Alpha(scene, "textBgRight"), 0.0f);
  EXPECT_FLOAT_EQ(Tint(scene, 1), 1.0f);
  EXPECT_FLOAT_EQ(Tint(scene, 2), 0.72f);
  // Line 3 is an empty heroine line: line 4 follows without a click.
  EXPECT_TRUE(scene->OnMouseDown({500, 400}));
  EXPECT_EQ(Line(), 4);
  EXPECT_EQ(Text(scene, "textTextRight"), "cs_l4");
  EXPECT_EQ(Text(scene, "textTextLeft"), "");
  EXPECT_FLOAT_EQ(Tint(scene, 2), 1.0f);
  EXPECT_FLOAT_EQ(Tint(scene, 1), 0.72f);
  auto heroine = scene->GetCharacterWindow()->GetSprite(2);
  EXPECT_FLOAT_EQ(heroine->GetSpec().transform.GetTranslation().x, 1024.0f - 280.0f);
}

TEST_F(CutsceneTest, ALetterIsWrittenOnItsPictureAndAnUnknownSpeakerIsPassedOver) {
  TCutsceneWindow* scene = Open();
  for (int i = 0; i < 3; ++i) scene->OnMouseDown({500, 400});
  EXPECT_EQ(Line(), 5);
  auto letter = scene->GetCharacterWindow()->GetSprite(3);
  ASSERT_NE(letter, nullptr);
  EXPECT_FLOAT_EQ(letter->GetSpec().transform.GetTranslation().x, (1024 - 500) / 2);
  TWindow* text = scene->GetPart("letterText");
  EXPECT_EQ(scenetext::GetText(text), "cs_l5");
  EXPECT_EQ(text->GetRect().left, (1024 - 500) / 2 + 30);
  EXPECT_EQ(text->GetWidth(), 440);
  // Line 6 names no character: it is skipped and line 7 shows.
  scene->OnMouseDown({500, 400});
  EXPECT_EQ(Line(), 7);
  EXPECT_EQ(Text(scene, "envText"), "cs_l7");
}

TEST_F(CutsceneTest, TheLastLineMovesOnOnceAndTheCutsceneStartsAgainAtLineOne) {
  TCutsceneWindow* scene = Open();
  for (int i = 0; i < 4; ++i) scene->OnMouseDown({500, 400});
  EXPECT_FALSE(scene->IsLeaving());
  EXPECT_TRUE(scene->OnMouseDown({500, 400}));
  EXPECT_TRUE(scene->IsLeaving());
  EXPECT_TRUE(scene->OnMouseDown({500, 400}));
  EXPECT_EQ(CGame::GetInstance()->GetCurrentSceneId(), 201);
  Frames(40);
  EXPECT_EQ(CurrentScene()->GetSceneModel()->GetSeqId(), 201);
  EXPECT_EQ(Line(), 1);
}

TEST_F(CutsceneTest, TheBriefingFlagHoldsTheLineAndThePlayStateFunctionsOnlyChangeTheState) {
  TCutsceneWindow* scene = Open();
  CGlobalInformationSystem::GetInstance()->SetGlobalBool("showBriefingWindow", true);
  EXPECT_TRUE(scene->OnMouseDown({500, 400}));
  EXPECT_EQ(Line(), 1);
  CGlobalInformationSystem::GetInstance()->SetGlobalBool("showBriefingWindow", false);
  Run("StopCutscene() PauseCutscene()");
  EXPECT_EQ(scene->GetPlayState(), 2);
  Run("ResumeCutscene()");
  EXPECT_EQ(scene->GetPlayState(), 1);
  Run("ResumeCutscene()");
  EXPECT_EQ(scene->GetPlayState(), 2);
  Run("StartCutscene()");
  EXPECT_EQ(scene->GetPlayState(), 0);
  EXPECT_EQ(Line(), 1);
}

TEST_F(CutsceneTest, ACutsceneWithoutAScriptMovesOnInsteadOfCrashing) {
  TSettings* settings = Start();
  Run("CreateNewUser('Anna')");
  static_cast<CCutscene*>(CGame::GetInstance()->FindScene(205))->SetScript(nullptr);
  TWindow* menu = mStack.NewModalWindow();
  mStack.PushModal(menu);
  CGame::GetInstance()->SetCurrentScene(205);
  settings->OpenCurrentScene();
  TScene* scene = CurrentScene();
  ASSERT_NE(scene, nullptr);
  FadeIn();
  EXPECT_TRUE(scene->IsLeaving());
}

}  // namespace
