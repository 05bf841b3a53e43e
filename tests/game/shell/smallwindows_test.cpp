// The small windows made from window scripts: the rollover showing its target while hovered (and
// nothing while the briefing is up), the score sheet fading its lines in one after another with
// play time paused, and the ticker redrawn every frame. Behaviour is driven through the window
// manager's events and frames on a frozen clock.
#include <memory>
#include <string>
#include <vector>

#include "core/config.h"
#include "model/globals.h"
#include "model/highscore.h"
#include "os/time.h"
#include "shell/rolloverwindow.h"
#include "shell/scorewindow.h"
#include "shell/settings.h"
#include "shell/smallwindowtypes.h"
#include "shell/tickerwindow.h"
#include "ui/text.h"
#include "ui/widgets_fixture.h"

namespace {

class SmallWindowsTest : public WidgetFixture {
 protected:
  void SetUp() override {
    WidgetFixture::SetUp();
    RegisterSmallWindowTypes(manager_);
    CGlobalInformationSystem::CreateInstance();
    TSettings::CreateDetachedInstance();
  }
  void TearDown() override {
    TSettings::DestroyInstance();
    CGlobalInformationSystem::DestroyInstance();
    CHighscoreSystem::DestroyInstance();
    WidgetFixture::TearDown();
  }
  template <class T>
  T* Find(const char* name) {
    return KindCast<T>(screen_->FindChild(name, -1));
  }
  void Move(int x, int y) { manager_->HandleEvent(Event(kEventMouseMove, x, y)); }
  // One frame after ms milliseconds.
  void Frame(uint32_t ms) {
    os::TestAdvanceTime(ms);
    manager_->HandleEvent(Event(kEventIdle));
  }
};

const char kRolloverScreen[] =
    "MakeDialog{"
    "  RolloverWindow{ name='gate', x=100, y=100, w=50, h=40, activate='tip', text='Open the gate' },"
    "  RolloverWindow{ name='mute', x=300, y=100, w=50, h=40 },"
    "  Text{ name='tip', x=0, y=0, w=200, h=30, label='#old' } }";

TEST_F(SmallWindowsTest, RolloverShowsItsTargetWithTheCaptionWhileHovered) {
  ASSERT_EQ(Run(kRolloverScreen), 0);
  auto* gate = Find<TRolloverWindow>("gate");
  auto* tip = Find<TText>("tip");
  ASSERT_NE(gate, nullptr);
  ASSERT_NE(tip, nullptr);
  tip->Show(false);

  Move(120, 110);
  EXPECT_TRUE(gate->IsTracking());
  EXPECT_TRUE(tip->IsVisible());
  EXPECT_STREQ(tip->GetText().CStr(), "Open the gate");
  int32_t x = 0, y = 0;
  TSettings::GetInstance()->GetMousePosition(&x, &y);
  EXPECT_EQ(x, 120);  // kept in screen coordinates
  EXPECT_EQ(y, 110);

  Move(149, 139);  // the last pixel inside
  EXPECT_TRUE(tip->IsVisible());
  Move(150, 120);  // just outside: hidden at once
  EXPECT_FALSE(gate->IsTracking());
  EXPECT_FALSE(tip->IsVisible());

  // A rollover without a target tracks the pointer but shows nothing.
  auto* mute = Find<TRolloverWindow>("mute");
  Move(310, 110);
  EXPECT_TRUE(mute->IsTracking());
  EXPECT_FALSE(tip->IsVisible());

  // Gone while tracking: the manager no longer offers it the pointer.
  screen_->RemoveChild(mute);
  delete mute;
  const auto& tracking = manager_->GetTrackingList();
  EXPECT_TRUE(std::find(tracking.begin(), tracking.end(), static_cast<TWindow*>(mute)) == tracking.end());
  Move(320, 120);
}

TEST_F(SmallWindowsTest, RolloverIgnoresThePointerWhileTheBriefingIsUp) {
  ASSERT_EQ(Run(kRolloverScreen), 0);
  auto* gate = Find<TRolloverWindow>("gate");
  auto* tip = Find<TText>("tip");
  tip->Show(false);
  CGlobalInformationSystem::GetInstance()->SetGlobalBool("showBriefingWindow", true);
  Move(120, 110);
  EXPECT_FALSE(gate->IsTracking());
  EXPECT_FALSE(tip->IsVisible());
  int32_t x = 0, y = 0;
  TSettings::GetInstance()->GetMousePosition(&x, &y);
  EXPECT_EQ(x, 120);  // the position is still noted
  CGlobalInformationSystem::GetInstance()->SetGlobalBool("showBriefingWindow", false);
  Move(121, 110);
  EXPECT_TRUE(tip->IsVisible());
}

// A sheet with its six lines (or all but the total) and a close button held back until the lines
// are in.
std::string ScoreSheet(bool withTotal) {
  std::string s = "MakeDialog{ ScoreWindow{ name='sheet', w=400, h=300, rows=3, columns=2, afterlines='close'";
  s += ", Text{ name='close', x=0, y=260, w=100, h=30, label='#The End' }";
  const char* lines[] = {"previouslevelbonus", "bonuspointscore", "bonuscompletelevelscore",
                         "usedhintsbonusscore", "timebonusscore", "scoreedit"};
  for (int i = 0; i < (withTotal ? 6 : 5); ++i)
    s += std::string(", Text{ name='") + lines[i] + "', x=0, y=" + std::to_string(i * 40) + ", w=300, h=30, label='#100' }";
  return s + " } }";
}

TEST_F(SmallWindowsTest, ScoreSheetFadesItsLinesInOneAfterAnotherWithPlayPaused) {
  CHighscoreSystem::CreateInstance();
  ASSERT_EQ(Run(ScoreSheet(true).c_str()), 0);
  auto* sheet = Find<TScoreWindow>("sheet");
  ASSERT_NE(sheet, nullptr);
  EXPECT_TRUE(CHighscoreSystem::GetInstance()->IsPaused());
  EXPECT_EQ(GetConfig("vsync", ""), "1");
  EXPECT_EQ(sheet->GetRows(), 3);
  EXPECT_EQ(sheet->GetColumns(), 2);

  std::vector<TText*> lines;
  for (const char* name : TScoreWindow::kLineNames) {
    lines.push_back(Find<TText>(name));
    ASSERT_NE(lines.back(), nullptr) << name;
    EXPECT_EQ(lines.back()->GetAlpha(), 0.0f) << name;
  }
  // Per line: the simulated time its fade began and the time it was complete.
  std::vector<uint32_t> began(6, 0), done(6, 0);
  int frames = 0;
  uint32_t now = 0;
  TWindow* close = screen_->FindChild("close", -1);
  ASSERT_NE(close, nullptr);
  for (; frames < 1000 && lines[5]->GetAlpha() < 1.0f; ++frames) {
    // Nothing can close the sheet before the total is there.
    ASSERT_FALSE(close->IsVisible()) << now;
    Frame(25);
    now += 25;
    for (size_t i = 0; i < 6; ++i) {
      if (!began[i] && lines[i]->GetAlpha() > 0.0f) began[i] = now;
      if (!done[i] && lines[i]->GetAlpha() >= 1.0f) done[i] = now;
    }
    // Never two lines fading at once, never a later line before an earlier one is complete.
    for (size_t i = 1; i < 6; ++i)
      if (lines[i]->GetAlpha() > 0.0f) ASSERT_EQ(lines[i - 1]->GetAlpha(), 1.0f) << i;
  }
  ASSERT_EQ(lines[5]->GetAlpha(), 1.0f);
  const uint32_t pauses[6] = {1000, 500, 500, 500, 500, 750};
  for (size_t i = 0; i < 6; ++i) {
    uint32_t from = i == 0 ? 0 : done[i - 1];
    // The wait, then the first step of the fade one frame later at most.
    EXPECT_GE(began[i] - from, pauses[i]) << TScoreWindow::kLineNames[i];
    EXPECT_LE(began[i] - from, pauses[i] + 50) << TScoreWindow::kLineNames[i];
    EXPECT_EQ(done[i] - began[i], 28u * 25u) << TScoreWindow::kLineNames[i];  // 29 steps of 0.035
  }
  Frame(25);
  EXPECT_EQ(sheet->GetStage(), 7);
  // After the pause that follows the total, the close button comes.
  for (int i = 0; i < 40 && !close->IsVisible(); ++i) Frame(25);
  EXPECT_TRUE(close->IsVisible());

  screen_->RemoveChild(sheet);
  delete sheet;
  EXPECT_FALSE(CHighscoreSystem::GetInstance()->IsPaused());
}

TEST_F(SmallWindowsTest, ScoreSheetWithoutALineStillReachesTheTotal) {
  ASSERT_EQ(Run(ScoreSheet(false).c_str()), 0);  // no "scoreedit"
  auto* sheet = Find<TScoreWindow>("sheet");
  ASSERT_NE(sheet, nullptr);
  for (int i = 0; i < 400 && sheet->GetStage() < 7; ++i) Frame(25);
  EXPECT_EQ(sheet->GetStage(), 7);
  EXPECT_EQ(Find<TText>("timebonusscore")->GetAlpha(), 1.0f);
  for (int i = 0; i < 40 && !screen_->FindChild("close", -1)->IsVisible(); ++i) Frame(25);
  EXPECT_TRUE(screen_->FindChild("close", -1)->IsVisible());
}

TEST_F(SmallWindowsTest, TickerKeepsItsTextUntilOneIsSetAndAsksForEveryFrame) {
  ASSERT_EQ(Run("MakeDialog{ TickerWindow{ name='tick', x=10, y=10, w=200, h=30, label='#from the style' } }"), 0);
  auto* ticker = Find<TTickerWindow>("tick");
  ASSERT_NE(ticker, nullptr);
  EXPECT_EQ(ticker->GetText(), "");
  EXPECT_EQ(ticker->GetWidth(), 200);

  ticker->SetText("Score 1200");
  EXPECT_EQ(ticker->GetText(), "Score 1200");
  ticker->SetText("Score 1300");
  EXPECT_EQ(ticker->GetText(), "Score 1300");

  for (int i = 0; i < 5; ++i) {
    int before = manager_->mInvalidations;
    Frame(10);
    EXPECT_GT(manager_->mInvalidations, before) << "frame " << i;
  }
}

}  // namespace
