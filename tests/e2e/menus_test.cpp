// The game from a player's first start through its main menu, options, profiles, high scores,
// credits and quitting, driven through the real program's input.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "e2e/gamedriver.h"
#include "e2e/gametest.h"

namespace fs = std::filesystem;
using e2e::Frame;
using e2e::GameDriver;
using e2e::Prefs;

namespace {

// Pixels with a channel above 150: the menus' texts and button frames are light, their
// backgrounds dark.
int LightPixels(const Frame& frame, const int r[4]) { return frame.CountDiffering(r[0], r[1], r[2], r[3], 0, 150); }

class MenusTest : public e2e::GameTest {
 protected:
  MenusTest() : GameTest("menus") {}

  // The first start asks for a name; typing one and pressing OK leads to the main menu.
  void CreateFirstPlayer(const std::string& name, bool single = false) {
    ASSERT_TRUE(game_->Start({}, single));
    ASSERT_TRUE(game_->WaitFor("visible nameedit", "yes"));
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

};

TEST_F(MenusTest, FirstStartAsksForAPlayerAndShowsTheMainMenuWithTextsButtonsAndWelcome) {
  ASSERT_TRUE(game_->Start());
  ASSERT_TRUE(game_->WaitFor("visible nameedit", "yes"));
  EXPECT_EQ(game_->Send("visible cancel"), "no");  // the first player cannot skip the question
  game_->Send("move 512 700");
  // Before anything is typed the field shows its caret, as light as the text, and OK is there;
  // OK without a name asks for one.
  {
    int edit[4], ok[4];
    ASSERT_TRUE(game_->Rect("nameedit", edit));
    int caret = 0;
    for (int tries = 0; tries < 20 && caret == 0; ++tries) {
      game_->Settle(2);
      caret = LightPixels(game_->Shot(), edit);
    }
    EXPECT_GT(caret, 20);
    EXPECT_EQ(game_->Send("visible ok"), "yes");
    ASSERT_TRUE(game_->Rect("ok", ok));
    EXPECT_GT(LightPixels(game_->Shot(), ok), 100);
  }
  ASSERT_TRUE(game_->ClickUntil("ok", "text? prompt", "Please type a name first."));
  EXPECT_EQ(game_->Send("visible nameedit"), "yes");
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

// Ten players fill the chooser: "New player" gives way to a line that says why, every player can
// be seen and chosen, a long name stays inside its button, and the chosen one is as wide as the rest.
TEST_F(MenusTest, TheChooserHoldsTenPlayersAndShowsEachOneWhole) {
  CreateFirstPlayer("Ada");
  ASSERT_EQ(game_->Send("lua for i = 2, 8 do CreateNewUser('P' .. i) end"), "ok");
  ASSERT_TRUE(game_->ClickUntil("changeplayer", "visible button0", "yes"));
  EXPECT_EQ(game_->Send("visible full"), "no");
  ASSERT_TRUE(game_->ClickUntil("new", "visible nameedit", "yes"));
  TypeName("WWWWWWWWWWWWWWWW");  // as long as the dialog takes, in the widest letter
  ASSERT_TRUE(game_->WaitFor("label button8", "WWWWWWWWWWWWWWWW"));
  ASSERT_TRUE(game_->ClickUntil("new", "visible nameedit", "yes"));
  TypeName("Tenth");
  ASSERT_TRUE(game_->WaitFor("label button9", "Tenth"));
  EXPECT_EQ(game_->Send("selected button9"), "yes");
  // No room for an eleventh: the button goes, and a line says why.
  EXPECT_EQ(game_->Send("visible new"), "no");
  EXPECT_EQ(game_->Send("visible full"), "yes");
  ASSERT_TRUE(game_->ClickUntil("button8", "selected button8", "yes"));
  game_->Send("move 900 700");
  game_->Settle(5);
  {
    const Frame frame = game_->Shot();
    int r[4], b[4];
    ASSERT_TRUE(game_->Rect("full", r));
    EXPECT_GT(LightPixels(frame, r), 300);
    for (int i = 0; i < 10; ++i) {
      const std::string name = "button" + std::to_string(i);
      ASSERT_EQ(game_->Send("visible " + name), "yes") << name;
      ASSERT_TRUE(game_->Rect(name, b)) << name;
      // The frame of every entry, the chosen (8) one too, reaches its right edge.
      const int edge[4] = {b[2] - 6, b[1] + 6, b[2], b[3] - 6};
      EXPECT_GT(LightPixels(frame, edge), 10) << name;
      // Nothing of a name spills out on either side.
      const int left[4] = {b[0] - 24, b[1] + 4, b[0] - 2, b[3] - 4}, right[4] = {b[2] + 2, b[1] + 4, b[2] + 24, b[3] - 4};
      EXPECT_EQ(LightPixels(frame, left), 0) << name;
      EXPECT_EQ(LightPixels(frame, right), 0) << name;
    }
  }
  // Deleting one makes room again.
  ASSERT_TRUE(game_->ClickUntil("delete", "visible button9", "no"));
  EXPECT_EQ(game_->Send("visible new"), "yes");
  EXPECT_EQ(game_->Send("visible full"), "no");
  ASSERT_TRUE(game_->ClickUntil("button2", "selected button2", "yes"));
  game_->Send("key 27");
  ASSERT_TRUE(game_->WaitFor("text? welcome", "Welcome, P3!"));
  QuitFromMenu();
  Prefs prefs(game_->DataFolder());
  EXPECT_EQ(prefs.UserCount(), 9);
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
  ASSERT_TRUE(game_->WaitFor("alpha transition", "0.00", 60000));
  game_->Settle(5);
  int title[4], r[4];
  ASSERT_TRUE(game_->Rect("title", title));
  const int titleLight = LightPixels(game_->Shot(), title);
  ASSERT_GT(titleLight, 300);
  // An empty table says so, and its panel leaves the menu's title in view.
  ASSERT_TRUE(game_->ClickUntil("hiscores", "visible noscores", "yes"));
  EXPECT_EQ(game_->Send("visible name1"), "no");
  game_->Settle(5);
  {
    const Frame frame = game_->Shot();
    ASSERT_TRUE(game_->Rect("noscores", r));
    EXPECT_GT(LightPixels(frame, r), 300);
    EXPECT_GE(LightPixels(frame, title), titleLight * 9 / 10);
    ASSERT_TRUE(game_->Rect("panel", r));
    EXPECT_GE(r[1], title[3]);
  }
  ASSERT_TRUE(game_->ClickUntil("back", "top", "scripts/mainmenu.lua"));
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
  EXPECT_EQ(game_->Send("visible noscores"), "no");
  game_->Settle(5);
  const Frame frame = game_->Shot();
  for (const char* name : {"name1", "score1", "name2", "score2", "gamemode"}) {
    ASSERT_TRUE(game_->Rect(name, r)) << name;
    EXPECT_GT(LightPixels(frame, r), 30) << name;
  }
  ASSERT_TRUE(game_->ClickUntil("back", "top", "scripts/mainmenu.lua"));
  EXPECT_EQ(game_->Send("visible name1"), "no");
}

// A finished story: the score sheet holds back its close button until the total is in, the
// finished player starts over in place, and the table keeps the score just earned.
TEST_F(MenusTest, AFinishedStoryKeepsItsScoreAndThePlayersSoundSettings) {
  CreateFirstPlayer("Bea");
  ASSERT_TRUE(game_->ClickUntil("changeplayer", "visible button0", "yes"));
  ASSERT_TRUE(game_->ClickUntil("new", "visible nameedit", "yes"));
  TypeName("Ada");
  ASSERT_TRUE(game_->ClickUntil("ok", "visible button0", "no"));
  ASSERT_TRUE(game_->WaitFor("text? welcome", "Welcome, Ada!"));
  // Ada's own sound setting, unlike Bea's: muted (as the options' check box does it).
  ASSERT_EQ(game_->Send("lua ToggleSoundMute()"), "ok");
  ASSERT_EQ(game_->Send("master"), "0.000");

  // Play, and go straight on to the last screen.
  for (int attempt = 0; attempt < 4 && game_->Send("visible locationImage") != "yes"; ++attempt) {
    if (game_->Send("visible play") == "yes") game_->ClickWindow("play");
    game_->WaitFor("visible locationImage", "yes", 8000);
  }
  ASSERT_EQ(game_->Send("visible locationImage"), "yes") << game_->ReadLog();
  game_->Settle(40);
  ASSERT_EQ(game_->Send("lua SetNextScene(403) Skip()"), "ok");
  ASSERT_TRUE(game_->WaitFor("scene", "403", 60000)) << game_->ReadLog();
  ASSERT_TRUE(game_->WaitFor("visible scene", "yes"));
  game_->Settle(40);
  // The clicks that opened the sheet go on where its close button will be: they close nothing.
  int sheetClose[4] = {392 + 10, 574 + 10, 0, 0};
  for (int i = 0; i < 4 && game_->Send("visible scoretitle") != "yes"; ++i) {
    game_->Send("click 512 400");
    game_->Settle(4);
  }
  ASSERT_EQ(game_->Send("visible scoretitle"), "yes") << game_->ReadLog();
  EXPECT_EQ(game_->Send("visible scoreclose"), "no");
  for (int i = 0; i < 10; ++i) {
    game_->Send("click " + std::to_string(sheetClose[0]) + " " + std::to_string(sheetClose[1]));
    game_->Settle(2);
    ASSERT_EQ(game_->Send("visible scoretitle"), "yes") << i;
  }
  const std::string total = game_->Send("text? scoreedit");
  ASSERT_TRUE(game_->WaitFor("visible scoreclose", "yes", 60000));
  EXPECT_EQ(game_->Send("alpha scoreedit"), "1.00");
  // No medal was earned: the sheet shows no medal count that nothing in the demo could raise.
  EXPECT_NE(game_->Send("visible medals"), "yes");
  ASSERT_TRUE(game_->ClickUntil("scoreclose", "visible scoreclose", "no"));

  // Back in the menu the same player starts over, with her own sound setting.
  ASSERT_TRUE(game_->WaitFor("visible play", "yes", 60000)) << game_->ReadLog();
  ASSERT_TRUE(game_->WaitFor("scene", "100", 60000)) << game_->Send("scene");
  EXPECT_EQ(game_->Send("text? welcome"), "Welcome, Ada!");
  EXPECT_EQ(game_->Send("master"), "0.000");
  ASSERT_TRUE(game_->ClickUntil("hiscores", "visible name1", "yes"));
  EXPECT_EQ(game_->Send("text? name1"), "Ada");
  EXPECT_EQ(game_->Send("text? score1"), total);
  ASSERT_TRUE(game_->ClickUntil("back", "top", "scripts/mainmenu.lua"));
  QuitFromMenu();
  Prefs prefs(game_->DataFolder());
  EXPECT_EQ(prefs.UserCount(), 2);
  EXPECT_EQ(prefs.GetString("name", 1), "Ada");
  EXPECT_EQ(prefs.GetInt("curuser", -9, -1), 1);
  EXPECT_EQ(prefs.GetInt("soundoff", -1, 1), 1);
  EXPECT_EQ(prefs.GetInt("soundoff", -1, 0), 0);
  EXPECT_EQ(fs::file_size(game_->DataFolder() / "hiscore.dat") > 32, true);
  EXPECT_EQ(game_->ReadLog().find("no profile store"), std::string::npos);
}

TEST_F(MenusTest, CreditsRollTheirTextAndCloseBackToTheMenu) {
  CreateFirstPlayer("Ada");
  ASSERT_TRUE(game_->ClickUntil("credits", "top", "creditswindow"));
  game_->Settle(10);
  const Frame frame = game_->Shot();
  int r[4];
  ASSERT_TRUE(game_->Rect("roll", r));
  EXPECT_GT(LightPixels(frame, r), 300);
  // The headings (the pixels wholly in their own warmer colour) stand on the middle of the
  // screen: every one is centred, so the span of all of them is centred too.
  int left = frame.width, right = -1;
  for (int y = r[1]; y < r[3]; ++y)
    for (int x = r[0]; x < r[2]; ++x) {
      const uint32_t p = frame.At(x, y);
      const int red = int((p >> 16) & 255), green = int((p >> 8) & 255), blue = int(p & 255);
      if (std::abs(red - 240) <= 10 && std::abs(green - 190) <= 10 && std::abs(blue - 90) <= 10)
        left = std::min(left, x), right = std::max(right, x);
    }
  ASSERT_GE(right, 0) << "no heading seen";
  EXPECT_NEAR((left + right + 1) / 2.0, frame.width / 2.0, 4.0) << left << ".." << right;
  // The menu's picture shows through the cover, dimmed: the manor's lit windows right of the roll.
  int warm = 0;
  for (int y = 430; y < 560; ++y)
    for (int x = r[2]; x < 1000; ++x) {
      const uint32_t p = frame.At(x, y);
      if (int((p >> 16) & 255) > 60 && int((p >> 8) & 255) > 40 && int(p & 255) < 70) ++warm;
    }
  EXPECT_GT(warm, 100);
  // Escape closes them as Back does.
  game_->Send("key 27");
  ASSERT_TRUE(game_->WaitFor("top", "scripts/mainmenu.lua"));
  EXPECT_EQ(game_->Send("visible roll"), "no");
}

TEST_F(MenusTest, QuittingFromTheMenuEndsWithZeroAndLeavesNoLockBehind) {
  CreateFirstPlayer("Ada", true);
  // The question's two answers stand apart on its panel, each drawn whole.
  ASSERT_TRUE(game_->ClickUntil("quit", "visible no", "yes"));
  {
    int yes[4], no[4], panel[4];
    ASSERT_TRUE(game_->Rect("yes", yes));
    ASSERT_TRUE(game_->Rect("no", no));
    ASSERT_TRUE(game_->Rect("panel", panel));
    EXPECT_LT(yes[2], no[0]);
    for (const int* b : {yes, no}) EXPECT_TRUE(b[0] >= panel[0] && b[2] <= panel[2] && b[3] <= panel[3]);
  }
  ASSERT_TRUE(game_->ClickUntil("no", "visible no", "no"));
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
  // It names the version the program starts up with, and the frame rate to one decimal.
  const std::string log = game_->ReadLog();
  const size_t at = log.find(", version ");
  ASSERT_NE(at, std::string::npos) << log;
  const std::string version = log.substr(at + 10, log.find(".\n", at) - at - 10);
  const std::string overlay = game_->Send("overlay");
  EXPECT_EQ(overlay.rfind("Tallowmark Version " + version + "<br>", 0), 0u) << overlay << " / " << version;
  const size_t rate = overlay.find("<br>") + 4, fps = overlay.find(" FPS");
  ASSERT_NE(fps, std::string::npos) << overlay;
  const std::string number = overlay.substr(rate, fps - rate);
  ASSERT_NE(number.find('.'), std::string::npos) << number;
  EXPECT_EQ(number.size() - number.find('.'), 2u) << number;
  altF1();
  EXPECT_EQ(lightAfterFrames(false), 0);
}

}  // namespace

// A window showing the game at another size (a host's smaller window) draws every text once at
// the view's scale, as it does the pictures: at half the size a text covers a quarter of the
// pixels it covered. (Text laid out from the middle or the bottom of its box once vanished there;
// text was once scaled twice.)
TEST_F(MenusTest, TextsFollowTheViewsScaleOnceLikeThePictures) {
  CreateFirstPlayer("Ada");
  ASSERT_TRUE(game_->WaitFor("alpha transition", "0.00", 60000));
  game_->Settle(5);
  const std::vector<std::string> texts = {"welcome", "title", "play", "quit"};
  std::vector<std::array<int, 4>> rects;
  for (const std::string& name : texts) {
    int r[4];
    ASSERT_TRUE(game_->Rect(name, r)) << name;
    rects.push_back({r[0], r[1], r[2], r[3]});
  }
  const Frame full = game_->Shot();
  ASSERT_EQ(game_->Send("config viewportscale 0.5"), "ok");
  game_->Settle(10);
  const Frame half = game_->Shot();
  ASSERT_EQ(half.width, full.width);  // the window keeps its size; the game shows in its top-left quarter
  for (size_t i = 0; i < texts.size(); ++i) {
    const std::array<int, 4>& r = rects[i];
    const int halved[4] = {r[0] / 2, r[1] / 2, (r[2] + 1) / 2, (r[3] + 1) / 2};
    const int before = LightPixels(full, r.data()), after = LightPixels(half, halved);
    ASSERT_GT(before, 60) << texts[i];
    EXPECT_NEAR(double(after) / before, 0.25, 0.1) << texts[i] << ": " << before << " light pixels, then " << after;
  }
}

// The credits draw their own text: on a view at half the size they stand centred on the view's
// middle, as they do on the full window.
TEST_F(MenusTest, CreditsFollowTheViewsScale) {
  CreateFirstPlayer("Ada");
  ASSERT_TRUE(game_->ClickUntil("credits", "top", "creditswindow"));
  ASSERT_EQ(game_->Send("config viewportscale 0.5"), "ok");
  game_->Settle(10);
  const Frame frame = game_->Shot();
  int r[4];
  ASSERT_TRUE(game_->Rect("roll", r));
  const int quarter[4] = {r[0] / 2, r[1] / 2, r[2] / 2, r[3] / 2};
  EXPECT_GT(LightPixels(frame, quarter), 75);
  int left = frame.width, right = -1;
  for (int y = quarter[1]; y < quarter[3]; ++y)
    for (int x = quarter[0]; x < quarter[2]; ++x) {
      const uint32_t p = frame.At(x, y);
      const int red = int((p >> 16) & 255), green = int((p >> 8) & 255), blue = int(p & 255);
      if (std::abs(red - 240) <= 20 && std::abs(green - 190) <= 20 && std::abs(blue - 90) <= 20)
        left = std::min(left, x), right = std::max(right, x);
    }
  ASSERT_GE(right, 0) << "no heading seen";
  EXPECT_NEAR((left + right + 1) / 2.0, frame.width / 4.0, 4.0) << left << ".." << right;
}
