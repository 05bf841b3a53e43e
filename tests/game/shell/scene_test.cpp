// The scene window base: opening through the game flow, the fade with its once-only messages,
// clicks on exits, the briefing flag, the input block, the cursor, and the globals dying with the
// window.
#include "game/shell/scenefixture.h"

#include "model/game.h"
#include "model/globals.h"
#include "shell/scenetext.h"
#include "ui/image.h"

using namespace scenetest;

namespace {

// Counts the fade messages instead of acting on them.
class TCountingScene : public TScene {
 public:
  void OnFadeInCompleted() override { ++fadeIns; }
  void OnFadeOutCompleted() override { ++fadeOuts; }
  int fadeIns = 0, fadeOuts = 0;
};

TEST_F(SceneTest, TheStartSceneOpensAsAFadingWindowWithItsStandardChildren) {
  TScene* scene = StartScene();
  ASSERT_NE(scene, nullptr) << Log();
  EXPECT_EQ(scene->GetSceneModel(), CGame::GetInstance()->GetCurrentScene());
  EXPECT_EQ(scene->GetSceneModel()->GetSeqId(), 201);
  for (const char* child : {"bg", "shorttextBg", "shorttextText", "briefingWindowBg", "briefingWindowText", "borderTop",
                            "borderBottom", "tutorial", "tutorialtextText", "transition"})
    EXPECT_NE(scene->FindChild(child, -1), nullptr) << child;
  EXPECT_EQ(scene->FindChild("borderTop", -1)->GetRect().top, -125);
  EXPECT_EQ(scene->FindChild("borderBottom", -1)->GetRect().top, 768);
  EXPECT_EQ(GetConfig("vsync"), "1");
  EXPECT_FLOAT_EQ(scene->GetTransitionAlpha(), 1.0f);
}

TEST_F(SceneTest, TheFadeInSendsItsMessageOnceOnTheFrameAfterTheCoverClears) {
  StartScene();
  TCountingScene scene;
  int frames = 0;
  while (scene.fadeIns == 0 && frames < 100) {
    scene.Animate();
    ++frames;
  }
  // 1.0 falls by 0.03 a frame: below 0 after 34 frames, reported on the 35th.
  EXPECT_EQ(frames, 35);
  for (int i = 0; i < 50; ++i) scene.Animate();
  EXPECT_EQ(scene.fadeIns, 1);
  EXPECT_EQ(scene.fadeOuts, 0);

  scene.SetFadeStep(0.03f);
  for (int i = 0; i < 100; ++i) scene.Animate();
  EXPECT_EQ(scene.fadeOuts, 1);
  EXPECT_EQ(scene.fadeIns, 1);
}

TEST_F(SceneTest, TheUpdateRunsOnceAFrameHoweverOftenTheIdleLoopComesRound) {
  // The idle loop turns about every millisecond; the fade's steps are per frame.
  TScene* scene = StartScene();
  ASSERT_NE(scene, nullptr) << Log();
  TPlatformEvent idle{};
  idle.type = kEventIdle;
  auto turns = [&](int count) {
    for (int i = 0; i < count; ++i) GetWindowManager()->HandleEvent(idle);
  };
  turns(20);
  EXPECT_FLOAT_EQ(scene->GetTransitionAlpha(), 1.0f);
  os::TestAdvanceTime(16);
  turns(20);
  EXPECT_FLOAT_EQ(scene->GetTransitionAlpha(), 0.97f);
  os::TestAdvanceTime(16);
  turns(20);
  EXPECT_FLOAT_EQ(scene->GetTransitionAlpha(), 0.94f);
}

TEST_F(SceneTest, AnActiveExitChangesTheSceneOnceAfterTheFadeOut) {
  TScene* scene = StartScene();
  FadeIn();
  EXPECT_TRUE(scene->OnMouseDown({50, 50}));
  EXPECT_TRUE(scene->IsLeaving());
  EXPECT_FLOAT_EQ(scene->GetFadeStep(), 0.03f);
  EXPECT_EQ(CGame::GetInstance()->GetCurrentSceneId(), 202);
  // A second click while leaving starts nothing more.
  CGame::GetInstance()->SetCurrentScene(201);
  EXPECT_FALSE(scene->OnMouseDown({50, 50}));
  EXPECT_EQ(CGame::GetInstance()->GetCurrentSceneId(), 201);
  CGame::GetInstance()->SetCurrentScene(202);

  Frames(40);
  TScene* next = CurrentScene();
  ASSERT_NE(next, nullptr);
  EXPECT_NE(next, scene);
  EXPECT_EQ(next->GetSceneModel()->GetSeqId(), 202);
  EXPECT_EQ(GetWindowManager()->GetModalStack().size(), 2u);
}

TEST_F(SceneTest, AClosedExitShowsItsLabelAndAnUnlabelledOneShowsNothing) {
  TScene* scene = StartScene();
  FadeIn();
  TImage* box = KindCast<TImage>(scene->FindChild("shorttextBg", -1));
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(scene->OnMouseDown({450, 50}));
  EXPECT_FLOAT_EQ(box->GetAlpha(), 0.0f);
  EXPECT_TRUE(scene->OnMouseDown({250, 50}));
  EXPECT_FALSE(scene->IsLeaving());
  EXPECT_FLOAT_EQ(box->GetAlpha(), 1.0f);
  EXPECT_EQ(scenetext::GetText(scene->FindChild("shorttextText", -1)), "door_locked");
  // Empty space is not consumed by the base.
  EXPECT_FALSE(scene->OnMouseDown({800, 600}));
}

TEST_F(SceneTest, TheShortTextFadesAfterItsDisplayTime) {
  SetConfig("infoboxDisplayTime", "1000");
  SetConfig("infoboxTransModifier", "0.25");
  TScene* scene = StartScene();
  FadeIn();
  scene->ShowShortText("hello");
  TImage* box = KindCast<TImage>(scene->FindChild("shorttextBg", -1));
  Frames(50);
  EXPECT_FLOAT_EQ(box->GetAlpha(), 1.0f);
  Frames(60);
  EXPECT_FLOAT_EQ(box->GetAlpha(), 0.0f);
  EXPECT_FLOAT_EQ(scenetext::GetTextAlpha(scene->FindChild("shorttextText", -1)), 0.0f);
}

// A puzzle's long instruction is laid out inside the panel's rim, not over its edges.
TEST_F(SceneTest, ALongShortTextStaysInsideItsPanel) {
  TScene* scene = StartScene();
  FadeIn();
  scene->ShowShortText("Mend the torn painting: click a piece to lift it, click again to lay it against its "
                       "neighbour. Pieces that fit join. When all four are one picture, the room opens.");
  TWindow* panel = scene->FindChild("shorttextBg", -1);
  TWindow* text = scene->FindChild("shorttextText", -1);
  ASSERT_NE(panel, nullptr);
  ASSERT_NE(text, nullptr);
  const TRect outer = panel->GetRect(), box = text->GetRect(), ink = scenetext::GetTextRect(text);
  ASSERT_GT(ink.right, ink.left) << "nothing laid out";
  EXPECT_GE(box.left + ink.left, outer.left + 16);
  EXPECT_LE(box.left + ink.right, outer.right - 16);
  EXPECT_GE(box.top + ink.top, outer.top);
  EXPECT_LE(box.top + ink.bottom, outer.bottom);
}

TEST_F(SceneTest, TheBriefingFlagSwallowsClicksAndMovesButTheMousePositionIsKept) {
  TScene* scene = StartScene();
  FadeIn();
  CGlobalInformationSystem::GetInstance()->SetGlobalBool("showBriefingWindow", true);
  EXPECT_TRUE(scene->OnMouseDown({50, 50}));
  EXPECT_TRUE(scene->OnMouseMove({51, 52}));
  EXPECT_FALSE(scene->IsLeaving());
  int32_t x = 0, y = 0;
  TSettings::GetInstance()->GetMousePosition(&x, &y);
  EXPECT_EQ(x, 51);
  EXPECT_EQ(y, 52);
}

TEST_F(SceneTest, AClickWhileTheLetterboxIsInDisablesExitsForTheWindowsLife) {
  TScene* scene = StartScene();
  FadeIn();
  Run("StartInGameCutscene(0, 200)");
  int frames = 0;
  while (!scene->IsLetterboxIn() && frames++ < 200) Frames(1);
  ASSERT_TRUE(scene->IsLetterboxIn());
  // Each bar moves by 2 % of its 125 pixels, truncated: 2 pixels a frame until in place.
  EXPECT_EQ(scene->FindChild("borderTop", -1)->GetRect().top, 1);
  EXPECT_EQ(scene->FindChild("borderBottom", -1)->GetRect().bottom, 767);
  EXPECT_TRUE(scene->OnMouseDown({900, 500}));
  // Held for 200 ms, then out again.
  Frames(300);
  EXPECT_FALSE(scene->IsLetterboxIn());
  EXPECT_LE(scene->FindChild("borderTop", -1)->GetRect().top, -125);
  EXPECT_FALSE(scene->OnMouseDown({50, 50}));
  EXPECT_FALSE(scene->IsLeaving());
}

TEST_F(SceneTest, BlockedInputShowsTheInactiveCursorUntilTheBlockEnds) {
  TScene* scene = StartScene();
  FadeIn();
  EXPECT_TRUE(scene->OnMouseMove({50, 50}));
  EXPECT_EQ(scene->GetCursorKind(), kCursorExit);
  Run("BlockInput(0, 500)");
  EXPECT_TRUE(scene->OnMouseDown({50, 50}));
  EXPECT_FALSE(scene->IsLeaving());
  EXPECT_EQ(scene->GetCursorKind(), kCursorInactive);
  EXPECT_TRUE(scene->OnMouseMove({60, 60}));
  Frames(70);
  EXPECT_FALSE(scene->IsInputBlocked());
  // The next move chooses the cursor anew.
  EXPECT_EQ(scene->GetCursorKind(), kCursorReset);
  EXPECT_TRUE(scene->OnMouseMove({50, 50}));
  EXPECT_EQ(scene->GetCursorKind(), kCursorExit);
}

TEST_F(SceneTest, EscapeOpensThePauseScreenAndSpaceGlowsOnlyActiveExitsWithAnImage) {
  const char pause[] = "Note('pause')";
  RegisterMemoryFile("scripts/pause.lua", pause, sizeof pause - 1);
  TScene* scene = StartScene();
  FadeIn();
  CSceneExit* open = CGame::GetInstance()->FindSceneExit("e_open");
  CSceneExit* shut = CGame::GetInstance()->FindSceneExit("e_shut");
  open->SetImage("scenes/test/door");
  shut->SetImage("scenes/test/door");
  EXPECT_TRUE(scene->OnChar(' '));
  EXPECT_TRUE(open->IsGlowing());
  EXPECT_FALSE(shut->IsGlowing());
  EXPECT_FALSE(CGame::GetInstance()->FindSceneExit("e_mute")->IsGlowing());
  EXPECT_FALSE(scene->OnChar('x'));
  Events().clear();
  EXPECT_TRUE(scene->OnChar(27));
  EXPECT_EQ(scene->GetCursorKind(), kCursorActive);
  EXPECT_EQ(Events(), std::vector<std::string>{"pause"});
}

TEST_F(SceneTest, SendGameMessageQuitReturnsToTheMenuAndOtherNamesDoNothing) {
  StartScene();
  FadeIn();
  Run("SendGameMessage('nonsense')");
  EXPECT_EQ(GetWindowManager()->GetModalStack().size(), 2u);
  Run("SendGameMessage('quit')");
  GetWindowManager()->DeleteClosedWindows();
  EXPECT_EQ(GetWindowManager()->GetModalStack().size(), 1u);
  EXPECT_EQ(CurrentScene(), nullptr);
}

TEST_F(SceneTest, EndGameReturnsToTheMenuWhenTheFadeInCompletes) {
  StartScene();
  CGlobalInformationSystem::GetInstance()->SetGlobalBool("endGame", true);
  FadeIn();
  EXPECT_EQ(GetWindowManager()->GetModalStack().size(), 1u);
}

TEST_F(SceneTest, TheGlobalsOfAClosedSceneWindowLogInsteadOfReachingIt) {
  StartScene();
  FadeIn();
  Run("SendGameMessage('quit')");
  GetWindowManager()->DeleteClosedWindows();
  ASSERT_EQ(CurrentScene(), nullptr);
  // Each of these would act on the deleted window.
  Run("Skip() ShowInfoText('x') BlockInput(1, 2) AddInventoryItem('rope') SendGameMessage('quit')");
  EXPECT_TRUE(CGame::GetInstance()->GetInventory().GetHeld().empty());
}

}  // namespace
