// The game from a player's first start through its main menu, options, profiles, high scores,
// credits and quitting, driven through the real program's input.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "e2e/gamedriver.h"

namespace fs = std::filesystem;
using e2e::Frame;
using e2e::GameDriver;
using e2e::Prefs;

namespace {

// Pixels with a channel above 150: the menus' texts and button frames are light, their
// backgrounds dark.
int LightPixels(const Frame& frame, const int r[4]) { return frame.CountDiffering(r[0], r[1], r[2], r[3], 0, 150); }

class MenusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static int serial = 0;
    root_ = fs::temp_directory_path() / ("menus-e2e-" + std::to_string(getpid()) + "-" + std::to_string(++serial));
    game_ = std::make_unique<GameDriver>(root_);
  }
  void TearDown() override {
    if (HasFailure()) std::cerr << "---- the game's log ----\n" << game_->ReadLog() << "\n";
    game_.reset();
  }

  // The first start asks for a name; typing one and pressing OK leads to the main menu.
  void CreateFirstPlayer(const std::string& name, bool single = false) {
    ASSERT_TRUE(game_->Start({}, single));
    ASSERT_TRUE(game_->WaitFor("visible nameedit", "yes"));
    EXPECT_EQ(game_->Send("visible ok"), "no");  // nothing typed yet
    TypeName(name);
    ASSERT_TRUE(game_->WaitFor("visible play", "yes"));
  }
  void TypeName(const std::string& name) {
    game_->Send("text " + name);
    game_->Settle();
    ASSERT_EQ(game_->Send("visible ok"), "yes");
    ASSERT_TRUE(game_->ClickUntil("ok", "visible nameedit", "no"));
  }
  // Quit from the main menu and its question; the process ends with 0.
  void QuitFromMenu() {
    ASSERT_TRUE(game_->ClickUntil("quit", "visible yes", "yes"));
    ASSERT_TRUE(game_->ClickUntil("yes", "visible yes", ""));  // no answer: the program has ended
    EXPECT_EQ(game_->WaitForExit(60000), 0);
  }
  // Presses on a slider's thumb (placed at the slider's value) and drags it to `to`: while
  // dragging, the pointer's place along the whole slider is the value.
  void DragSlider(const std::string& name, float from, float to) {
    int r[4];
    ASSERT_TRUE(game_->Rect(name, r));
    const int thumb = 22, width = r[2] - r[0];
    const int y = (r[1] + r[3]) / 2;
    const int onThumb = r[0] + int(from * float(width - thumb)) + thumb / 2;
    auto x = [&](float v) { return r[0] + int(v * float(width)); };
    game_->Send("activate");
    game_->Settle(3);
    game_->Send("move " + std::to_string(onThumb) + " " + std::to_string(y));
    game_->Settle(3);
    game_->Send("down");
    for (int step = 1; step <= 4; ++step) {
      game_->Send("move " + std::to_string(x(from + (to - from) * float(step) / 4)) + " " + std::to_string(y));
      game_->Settle(2);
    }
    game_->Send("up");
    game_->Settle(3);
  }

  fs::path root_;
  std::unique_ptr<GameDriver> game_;
};

TEST_F(MenusTest, FirstStartAsksForAPlayerAndShowsTheMainMenuWithTextsButtonsAndWelcome) {
  ASSERT_TRUE(game_->Start());
  ASSERT_TRUE(game_->WaitFor("visible nameedit", "yes"));
  EXPECT_EQ(game_->Send("visible ok"), "no");
  EXPECT_EQ(game_->Send("visible cancel"), "no");  // the first player cannot skip the question
  game_->Send("text Ada");
  game_->Send("move 512 700");  // the drawn cursor stays clear of the places looked at
  game_->Settle();
  {
    // The screen around the dialog is dark: the start-up's line calibration left nothing behind.
    const Frame frame = game_->Shot();
    ASSERT_EQ(frame.width, 1024);
    const int topEdge[4] = {0, 0, 1024, 8};
    EXPECT_EQ(LightPixels(frame, topEdge), 0);
    // OK shows on the dialog's panel once a name is typed.
    int ok[4], panel[4];
    ASSERT_TRUE(game_->Rect("ok", ok));
    ASSERT_TRUE(game_->Rect("panel", panel));
    EXPECT_TRUE(ok[0] >= panel[0] && ok[1] >= panel[1] && ok[2] <= panel[2] && ok[3] <= panel[3]);
    EXPECT_GT(LightPixels(frame, ok), 100);
  }
  ASSERT_TRUE(game_->ClickUntil("ok", "visible nameedit", "no"));
  ASSERT_TRUE(game_->WaitFor("visible play", "yes"));
  EXPECT_TRUE(fs::exists(game_->DataFolder() / "prefsdb.dat"));
  EXPECT_EQ(game_->Send("text? welcome"), "Welcome, Ada!");
  EXPECT_EQ(game_->Send("visible changeplayer"), "yes");
  // The cover fades away; then the texts and buttons stand out from the dark background.
  ASSERT_TRUE(game_->WaitFor("alpha transition", "0.00", 60000));
  game_->Settle(5);
  const Frame frame = game_->Shot();
  ASSERT_EQ(frame.width, 1024);
  ASSERT_EQ(frame.height, 768);
  int r[4];
  for (const char* name : {"title", "welcome", "play", "options", "changeplayer", "hiscores", "credits", "quit"}) {
    ASSERT_TRUE(game_->Rect(name, r)) << name;
    EXPECT_GT(LightPixels(frame, r), 100) << name;
  }
  const int sky[4] = {20, 200, 110, 360};
  EXPECT_EQ(LightPixels(frame, sky), 0);
  QuitFromMenu();
}

TEST_F(MenusTest, OptionsMoveTheSoundLevelsAndMuteAndKeepThemAcrossARestart) {
  CreateFirstPlayer("Ada");
  // A new player starts at the configured default level.
  EXPECT_EQ(game_->Send("volume 1000"), "0.800");
  EXPECT_EQ(game_->Send("volume 1001"), "0.800");
  ASSERT_TRUE(game_->ClickUntil("options", "visible sfxlevelslider", "yes"));
  DragSlider("sfxlevelslider", 0.8f, 0.0f);
  EXPECT_EQ(game_->Send("volume 1000"), "0.000");
  EXPECT_EQ(game_->Send("volume 0"), "0.000");
  DragSlider("musiclevelslider", 0.8f, 1.0f);
  EXPECT_EQ(game_->Send("volume 1001"), "1.000");
  EXPECT_EQ(game_->Send("master"), "1.000");
  ASSERT_TRUE(game_->ClickUntil("mutebox", "master", "0.000"));
  ASSERT_TRUE(game_->ClickUntil("ok", "visible sfxlevelslider", "no"));
  QuitFromMenu();
  {
    Prefs prefs(game_->DataFolder());
    EXPECT_EQ(prefs.GetInt("soundlevel", -1, 0), 0);
    EXPECT_EQ(prefs.GetInt("musiclevel", -1, 0), 1000);
    EXPECT_EQ(prefs.GetInt("soundoff", -1, 0), 1);
  }
  // The next start applies them before any menu is opened, and the options show them again.
  ASSERT_TRUE(game_->Start());
  ASSERT_TRUE(game_->WaitFor("visible play", "yes"));
  EXPECT_EQ(game_->Send("master"), "0.000");
  EXPECT_EQ(game_->Send("volume 1001"), "0.000");  // a group's volume is scaled by the master volume
  ASSERT_TRUE(game_->ClickUntil("options", "visible mutebox", "yes"));
  EXPECT_EQ(game_->Send("selected mutebox"), "yes");
  EXPECT_EQ(game_->Send("value musiclevelslider"), "1.000");
  EXPECT_EQ(game_->Send("value sfxlevelslider"), "0.000");
  // Unmuting brings the sound back at once, at the stored levels.
  EXPECT_TRUE(game_->ClickUntil("mutebox", "master", "1.000"));
  EXPECT_EQ(game_->Send("volume 1001"), "1.000");
  EXPECT_EQ(game_->Send("volume 1000"), "0.000");
}

TEST_F(MenusTest, ProfilesAreCreatedRenamedSelectedAndDeletedAndTheChoiceSurvivesARestart) {
  CreateFirstPlayer("Ada");
  ASSERT_TRUE(game_->ClickUntil("changeplayer", "visible button0", "yes"));
  EXPECT_EQ(game_->Send("label button0"), "Ada");
  EXPECT_EQ(game_->Send("visible button1"), "no");
  int panel[4], r[4];
  ASSERT_TRUE(game_->Rect("panel", panel));
  for (const char* name : {"button0", "new", "rename", "delete", "ok"}) {
    ASSERT_TRUE(game_->Rect(name, r)) << name;
    EXPECT_TRUE(r[0] >= panel[0] && r[1] >= panel[1] && r[2] <= panel[2] && r[3] <= panel[3]) << name;
  }

  ASSERT_TRUE(game_->ClickUntil("new", "visible nameedit", "yes"));
  EXPECT_EQ(game_->Send("visible newplayer"), "yes");
  EXPECT_EQ(game_->Send("visible cancel"), "yes");  // a further player may be skipped: Escape does it
  game_->Send("key 27");
  ASSERT_TRUE(game_->WaitFor("visible nameedit", "no"));
  EXPECT_EQ(game_->Send("visible button1"), "no");
  ASSERT_TRUE(game_->ClickUntil("new", "visible nameedit", "yes"));
  TypeName("Bea");
  ASSERT_TRUE(game_->WaitFor("label button1", "Bea"));
  EXPECT_EQ(game_->Send("selected button1"), "yes");  // the new player is the current one

  ASSERT_TRUE(game_->ClickUntil("button0", "selected button0", "yes"));
  ASSERT_TRUE(game_->ClickUntil("rename", "visible nameedit", "yes"));
  EXPECT_EQ(game_->Send("visible renameplayer"), "yes");
  EXPECT_EQ(game_->Send("visible cancel"), "yes");
  // Enter takes the typed name as OK does.
  game_->Send("text Cy");
  game_->Settle();
  game_->Send("key 13");
  ASSERT_TRUE(game_->WaitFor("label button0", "Cy"));

  ASSERT_TRUE(game_->ClickUntil("button1", "selected button1", "yes"));
  ASSERT_TRUE(game_->ClickUntil("delete", "visible button1", "no"));
  EXPECT_EQ(game_->Send("label button0"), "Cy");

  ASSERT_TRUE(game_->ClickUntil("new", "visible nameedit", "yes"));
  TypeName("Dee");
  ASSERT_TRUE(game_->WaitFor("label button1", "Dee"));
  ASSERT_TRUE(game_->ClickUntil("button1", "selected button1", "yes"));
  // Escape closes the chooser as OK does, with the chosen player.
  game_->Send("key 27");
  ASSERT_TRUE(game_->WaitFor("text? welcome", "Welcome, Dee!"));
  QuitFromMenu();
  {
    Prefs prefs(game_->DataFolder());
    EXPECT_EQ(prefs.UserCount(), 2);
    EXPECT_EQ(prefs.GetString("name", 0), "Cy");
    EXPECT_EQ(prefs.GetString("name", 1), "Dee");
    EXPECT_EQ(prefs.GetInt("curuser", -9, -1), 1);
  }
  ASSERT_TRUE(game_->Start());
  ASSERT_TRUE(game_->WaitFor("text? welcome", "Welcome, Dee!"));
}

TEST_F(MenusTest, ADamagedPreferenceFileIsSetAsideAndTheGameStartsAfresh) {
  CreateFirstPlayer("Ada");
  QuitFromMenu();
  const fs::path file = game_->DataFolder() / "prefsdb.dat";
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << "this is not a preference database, just damaged bytes";
  }
  ASSERT_TRUE(game_->Start());
  ASSERT_TRUE(game_->WaitFor("visible nameedit", "yes"));  // no players: a new one is asked for
  EXPECT_TRUE(fs::exists(game_->DataFolder() / "prefsdb.dat.damaged"));
  TypeName("Eve");
  ASSERT_TRUE(game_->WaitFor("text? welcome", "Welcome, Eve!"));
}

TEST_F(MenusTest, HighScoresShowTheBestPlayersRowsAndCloseBackToTheMenu) {
  CreateFirstPlayer("Ada");
  // The agent answers with the outcome of a script check: a failed one, or one that cannot run, fails.
  EXPECT_EQ(game_->Send("lua assert(LogHighScore ~= nil)"), "ok");
  EXPECT_EQ(game_->Send("lua assert(1 == 2, 'probe')").substr(0, 6), "failed");
  EXPECT_EQ(game_->Send("lua this is no script").substr(0, 6), "failed");
  ASSERT_EQ(game_->Send("lua SetCurrentGameMode(0); LogHighScore(5000)"), "ok");
  ASSERT_EQ(game_->Send("lua CreateNewUser('Bea'); SetCurrentGameMode(0); LogHighScore(7000)"), "ok");
  ASSERT_TRUE(game_->ClickUntil("hiscores", "visible name1", "yes"));
  EXPECT_EQ(game_->Send("text? name1"), "Bea");
  EXPECT_EQ(game_->Send("text? score1"), "7000");
  EXPECT_EQ(game_->Send("text? 1"), "1.");
  EXPECT_EQ(game_->Send("text? name2"), "Ada");
  EXPECT_EQ(game_->Send("text? score2"), "5000");
  EXPECT_EQ(game_->Send("visible name3"), "no");
  EXPECT_EQ(game_->Send("visible p1_1"), "no");  // only this computer's players are listed
  EXPECT_EQ(game_->Send("visible topplayers"), "yes");
  game_->Settle(5);
  const Frame frame = game_->Shot();
  int r[4];
  for (const char* name : {"name1", "score1", "name2", "score2", "gamemode"}) {
    ASSERT_TRUE(game_->Rect(name, r)) << name;
    EXPECT_GT(LightPixels(frame, r), 30) << name;
  }
  ASSERT_TRUE(game_->ClickUntil("back", "top", "scripts/mainmenu.lua"));
  EXPECT_EQ(game_->Send("visible name1"), "no");
}

TEST_F(MenusTest, CreditsRollTheirTextAndCloseBackToTheMenu) {
  CreateFirstPlayer("Ada");
  ASSERT_TRUE(game_->ClickUntil("credits", "top", "creditswindow"));
  game_->Settle(10);
  const Frame frame = game_->Shot();
  int r[4];
  ASSERT_TRUE(game_->Rect("roll", r));
  EXPECT_GT(LightPixels(frame, r), 300);
  // Escape closes them as Back does.
  game_->Send("key 27");
  ASSERT_TRUE(game_->WaitFor("top", "scripts/mainmenu.lua"));
  EXPECT_EQ(game_->Send("visible roll"), "no");
}

TEST_F(MenusTest, QuittingFromTheMenuEndsWithZeroAndLeavesNoLockBehind) {
  CreateFirstPlayer("Ada", true);
  auto lockFiles = [&] {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(game_->RuntimeFolder()))
      if (entry.path().extension() == ".lock") names.push_back(entry.path().filename().string());
    return names;
  };
  EXPECT_FALSE(lockFiles().empty());  // the single-instance lock is held
  QuitFromMenu();
  EXPECT_EQ(lockFiles(), std::vector<std::string>());
}

TEST_F(MenusTest, TwoCopiesFromDifferentFoldersRunSideBySide) {
  // Each copy holds the single-instance lock of its own folder; both share the runtime folder.
  GameDriver other(root_.string() + "-other");
  other.SetRuntimeFolder(game_->RuntimeFolder());
  CreateFirstPlayer("Ada", true);
  ASSERT_TRUE(other.Start({}, true));
  ASSERT_TRUE(other.WaitFor("visible nameedit", "yes"));
  EXPECT_EQ(game_->Send("visible play"), "yes");  // the first copy runs on, untouched
  other.Kill();
  QuitFromMenu();
}

TEST_F(MenusTest, TheGameCursorIsDrawnWhereThePointerIsAndFollowsIt) {
  ASSERT_TRUE(game_->Start());
  ASSERT_TRUE(game_->WaitFor("visible nameedit", "yes"));  // a still screen, dark around the dialog
  const int first[4] = {100, 600, 132, 632}, second[4] = {900, 120, 932, 152};
  game_->Send("move 100 600");
  game_->Settle();
  Frame frame = game_->Shot();
  EXPECT_GT(LightPixels(frame, first), 50);
  EXPECT_EQ(LightPixels(frame, second), 0);
  game_->Send("move 900 120");
  game_->Settle();
  frame = game_->Shot();
  EXPECT_EQ(LightPixels(frame, first), 0);  // nothing is left behind at the old place
  EXPECT_GT(LightPixels(frame, second), 50);
}

TEST_F(MenusTest, AltF1ShowsTheOverlayTextAndHidesItAgain) {
  ASSERT_TRUE(game_->Start());
  ASSERT_TRUE(game_->WaitFor("visible nameedit", "yes"));
  game_->Send("move 512 700");
  game_->Send("activate");
  game_->Settle(3);
  const int corner[4] = {0, 0, 300, 64};
  auto altF1 = [&] {
    game_->Send("keydown 18");
    game_->Send("key 112");
    game_->Send("keyup 18");
    game_->Settle();
  };
  // A loaded machine may present the change a few frames late.
  auto lightAfterFrames = [&](bool wantText) {
    int light = 0;
    for (int tries = 0; tries < 50; ++tries) {
      light = LightPixels(game_->Shot(), corner);
      if (wantText ? light > 300 : light == 0) break;
      game_->Settle(2);
    }
    return light;
  };
  EXPECT_EQ(LightPixels(game_->Shot(), corner), 0);
  altF1();
  EXPECT_GT(lightAfterFrames(true), 300);
  altF1();
  EXPECT_EQ(lightAfterFrames(false), 0);
}

}  // namespace
