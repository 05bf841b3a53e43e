// The diary window: the watched sites' items as pictures and texts, the page buttons parked or
// placed, turning pages with their sound, and the diary measuring entries by their real size.
#include "game/shell/scenefixture.h"

#include "model/diary.h"
#include "shell/diarywindow.h"
#include "shell/scenetext.h"
#include "ui/image.h"
#include "ui/message.h"

using namespace scenetest;

namespace {

const char kDiaryScript[] =
    "MakeDialog { DiaryWindow { name = 'diary', x = 0, y = 0, w = 1024, h = 768,"
    " Button { name = 'goBack', x = 0, y = 0, w = 40, h = 40 },"
    " Button { name = 'goForward', x = 0, y = 0, w = 40, h = 40 } } }";

class DiaryWindowTest : public SceneTest {
 protected:
  DiaryWindowTest() {
    Texture("diary/picture", 120, 90);
    RegisterMemoryFile("scripts/diary.lua", kDiaryScript, sizeof kDiaryScript - 1);
  }
  // One area per site, so a spread is one page.
  TDiary* MakeDiary() {
    StartScene();
    FadeIn();
    TDiary* diary = TDiary::CreateInstance();
    diary->AddArea(100, 100, 400, 500);
    diary->SetGoBackButtonPosition(119, 530);
    diary->SetGoForwardButtonPosition(823, 536);
    return diary;
  }
  TDiaryWindow* OpenDiary() {
    // As DoModal does, without waiting for it to close.
    TWindow* modal = mStack.NewModalWindow();
    mStack.DoScriptFile(modal, "scripts/diary.lua");
    mStack.PushModal(modal);
    TModalWindow* top = GetWindowManager()->GetTopModal();
    return KindCast<TDiaryWindow>(top ? top->FindChild("diary", -1) : nullptr);
  }
  void Press(TDiaryWindow* window, const char* button) {
    TMessage message(kButtonPress, button);
    EXPECT_TRUE(window->OnMessage(message));
  }
};

TEST_F(DiaryWindowTest, EntriesAreMeasuredByTheirRealPictureAndTextSize) {
  TDiary* diary = MakeDiary();
  Run("AddDiaryImage('diary/picture', -1, -1) AddDiaryText('d_short', 20, 'fonts/kingthings.mvec', -1, -1)");
  ASSERT_EQ(diary->GetItemCount(), 2);
  EXPECT_EQ(diary->GetItem(0)->height, 90);
  EXPECT_EQ(diary->GetItem(1)->y, diary->GetItem(0)->y + 90);
  EXPECT_GT(diary->GetItem(1)->height, 0);
  EXPECT_LE(diary->GetItem(1)->height, 40);
}

TEST_F(DiaryWindowTest, TheWindowShowsTheWatchedSiteAndTurnsPagesBackAndForward) {
  TDiary* diary = MakeDiary();
  Run("AddDiaryText('d_one', 20, 'fonts/kingthings.mvec', -1, -1) AddDiarySiteEnd()"
      " AddDiaryImage('diary/picture', -1, -1) AddDiarySiteEnd()"
      " AddDiaryText('d_three', 20, 'fonts/kingthings.mvec', -1, -1) AddDiarySiteEnd()"
      " AddDiaryText('d_four', 20, 'fonts/kingthings.mvec', -1, -1)");
  ASSERT_EQ(diary->GetCurrentInsertSite(), 3u);
  diary->PageBack();
  ASSERT_EQ(diary->GetCurrentWatchedSite(), 2u);
  TDiaryWindow* window = OpenDiary();
  ASSERT_NE(window, nullptr) << Log();
  ASSERT_EQ(window->GetPageWindows().size(), 1u);
  EXPECT_EQ(scenetext::GetText(window->GetPageWindows()[0]), "d_three");
  EXPECT_EQ(window->FindChild("goBack", -1)->GetRect().left, 119);
  EXPECT_EQ(window->FindChild("goForward", -1)->GetRect().left, 823);
  Press(window, "goForward");
  EXPECT_EQ(diary->GetCurrentWatchedSite(), 3u);
  EXPECT_EQ(scenetext::GetText(window->GetPageWindows()[0]), "d_four");
  EXPECT_EQ(window->FindChild("goForward", -1)->GetRect().left, -2000);
  Press(window, "goBack");
  Press(window, "goBack");
  EXPECT_EQ(diary->GetCurrentWatchedSite(), 1u);
  ASSERT_EQ(window->GetPageWindows().size(), 1u);
  EXPECT_NE(KindCast<TImage>(window->GetPageWindows()[0]), nullptr);
  Press(window, "goBack");
  // The first page: no way back.
  EXPECT_EQ(diary->GetCurrentWatchedSite(), 0u);
  EXPECT_EQ(window->FindChild("goBack", -1)->GetRect().left, -2000);
  TMessage other(kButtonPress, "back");
  EXPECT_FALSE(window->OnMessage(other));
}

}  // namespace
