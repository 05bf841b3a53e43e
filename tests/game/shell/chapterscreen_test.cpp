// The chapter card: the timed fade-in of its captions, moving on by itself after ten seconds or at
// a click, and play time standing still while it is shown.
#include "game/shell/scenefixture.h"

#include "model/game.h"
#include "model/globals.h"
#include "model/highscore.h"
#include "shell/chapterscreen.h"
#include "shell/scenetext.h"
#include "ui/image.h"

using namespace scenetest;

namespace {

class ChapterTest : public SceneTest {
 protected:
  TChapterScreenWindow* OpenCard() {
    Texture("scenes/test/map", 400, 300);
    return KindCast<TChapterScreenWindow>(StartScene(203));
  }
};

TEST_F(ChapterTest, TheCardShowsItsPictureAndCaptionsCentredUnderThePicture) {
  TChapterScreenWindow* card = OpenCard();
  ASSERT_NE(card, nullptr) << Log();
  TImage* picture = KindCast<TImage>(card->FindChild("locationImage", -1));
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->GetRect().left, 100);
  EXPECT_EQ(picture->GetWidth(), 400);
  EXPECT_FLOAT_EQ(picture->GetAlpha(), 0.0f);
  TWindow* place = card->FindChild("locationText", -1);
  EXPECT_EQ(scenetext::GetText(place), "ch_place");
  EXPECT_EQ(place->GetRect().top, 200 + 300 + 8);
  EXPECT_EQ(place->GetRect().left, 300 - place->GetWidth() / 2);
  EXPECT_EQ(card->FindChild("title", -1)->GetRect().left, 628);
  EXPECT_EQ(card->FindChild("subtitle", -1)->GetRect().top, 390);
  // The captions lie over the background and under the fade cover.
  const auto& children = card->GetChildren();
  auto at = [&](const char* name) {
    return std::distance(children.begin(), std::find(children.begin(), children.end(), card->FindChild(name, -1)));
  };
  EXPECT_LT(at("transition"), at("title"));
  EXPECT_LT(at("title"), at("bg"));
}

TEST_F(ChapterTest, CaptionsFadeInOnTheirTimesAndTheCardMovesOnAfterTenSeconds) {
  TChapterScreenWindow* card = OpenCard();
  CHighscoreSystem* score = CHighscoreSystem::GetInstance();
  ASSERT_NE(score, nullptr);
  EXPECT_TRUE(score->IsPaused());
  // Nothing fades in before the scene's own fade-in has ended.
  Frames(20);
  EXPECT_FLOAT_EQ(card->GetLocationTextAlpha(), 0.0f);
  FadeIn();
  Frames(34);
  EXPECT_FLOAT_EQ(card->GetLocationTextAlpha(), 1.0f);
  EXPECT_FLOAT_EQ(card->GetTitleAlpha(), 0.0f);
  // The title from 2 s on, in 34 frames of 0.03.
  Frames(1, 1000);
  EXPECT_FLOAT_EQ(card->GetTitleAlpha(), 0.0f);
  int frames = 0;
  while (card->GetTitleAlpha() == 0.0f && frames++ < 200) Frames(1);
  int rising = 1;
  while (card->GetTitleAlpha() < 1.0f && rising < 100) {
    Frames(1);
    ++rising;
  }
  EXPECT_EQ(rising, 34);
  EXPECT_FLOAT_EQ(card->GetSubtitleAlpha(), 0.0f);
  Frames(250, 10);
  EXPECT_FLOAT_EQ(card->GetSubtitleAlpha(), 1.0f);
  EXPECT_FALSE(card->IsLeaving());
  Frames(600, 10);
  EXPECT_EQ(CGame::GetInstance()->GetCurrentSceneId(), 201);
  Frames(40);
  ASSERT_NE(CurrentScene(), nullptr);
  EXPECT_EQ(CurrentScene()->GetSceneModel()->GetSeqId(), 201);
}

TEST_F(ChapterTest, AClickSkipsTheCardUnlessTheBriefingFlagIsSet) {
  TChapterScreenWindow* card = OpenCard();
  FadeIn();
  CGlobalInformationSystem::GetInstance()->SetGlobalBool("showBriefingWindow", true);
  EXPECT_TRUE(card->OnMouseDown({10, 10}));
  EXPECT_FALSE(card->IsLeaving());
  CGlobalInformationSystem::GetInstance()->SetGlobalBool("showBriefingWindow", false);
  EXPECT_TRUE(card->OnMouseDown({10, 10}));
  EXPECT_TRUE(card->IsLeaving());
  EXPECT_EQ(CGame::GetInstance()->GetCurrentSceneId(), 201);
}

}  // namespace
