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

namespace {

class MenusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static int serial = 0;
    root_ = fs::temp_directory_path() / ("menus-e2e-" + std::to_string(getpid()) + "-" + std::to_string(++serial));
    game_ = std::make_unique<GameDriver>(root_);
  }
  void TearDown() override {
    if (HasFailure()) {
      const char* keep = std::getenv("TM_E2E_KEEP");
      if (keep) fs::copy_file(game_->LogFile(), fs::path(keep) / "logfile.txt", fs::copy_options::overwrite_existing);
    }
    game_.reset();
  }

  // First start: the name dialog, a name typed, and the main menu.
  void CreateFirstPlayer(const std::string& name) {
    ASSERT_TRUE(game_->Start());
    ASSERT_TRUE(game_->WaitFor("visible nameedit", "yes")) << game_->ReadLog();
    game_->Send("text " + name);
    game_->Settle();
    ASSERT_EQ(game_->Send("visible ok"), "yes");
    ASSERT_TRUE(game_->ClickWindow("ok"));
    ASSERT_TRUE(game_->WaitFor("visible play", "yes")) << game_->ReadLog();
  }

  fs::path root_;
  std::unique_ptr<GameDriver> game_;
};

TEST_F(MenusTest, FirstStartAsksForAPlayerAndShowsTheMainMenuWithTextsButtonsAndWelcome) {
  CreateFirstPlayer("Ada");
  EXPECT_TRUE(fs::exists(game_->DataFolder() / "prefsdb.dat"));
  EXPECT_EQ(game_->Send("text? welcome"), "Welcome, Ada!");
  game_->Settle(40);  // the transition cover fades away
  const Frame frame = game_->Shot();
  ASSERT_EQ(frame.width, 1024);
  ASSERT_EQ(frame.height, 768);
  if (const char* keep = std::getenv("TM_E2E_KEEP")) fs::copy_file(root_ / "shot.ppm", fs::path(keep) / "mainmenu.ppm", fs::copy_options::overwrite_existing);
}

}  // namespace
