// The running game's reports to its game-state handlers: a module beside the program hears what the
// scripts send with SetState and the player's mute, and the scripts read the hub back.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "e2e/gamedriver.h"
#include "os/dll.h"

namespace fs = std::filesystem;
using e2e::GameDriver;

namespace {

class GameStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("gamestate-e2e-" + std::to_string(getpid()));
    game_ = std::make_unique<GameDriver>(root_);
    // The test module writes every report it hears to the file named here.
    fs::copy_file(fs::path(os::ExecutableFolder()) / "test.vxmod", game_->AppFolder() / "test.vxmod");
    moduleLog_ = root_ / "module.log";
    setenv("TM_VXMOD_LOG", moduleLog_.c_str(), 1);
  }
  void TearDown() override {
    if (HasFailure()) std::cerr << "---- the game's log ----\n" << game_->ReadLog() << "\n";
    game_.reset();
    unsetenv("TM_VXMOD_LOG");
  }
  std::string ModuleLog() const {
    std::ifstream in(moduleLog_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  fs::path root_, moduleLog_;
  std::unique_ptr<GameDriver> game_;
};

}  // namespace

TEST_F(GameStateTest, ScriptsReportToTheHandlersAndReadTheHubBack) {
  ASSERT_TRUE(game_->Start());
  ASSERT_EQ(game_->Send("lua SetState('level', 4) SetState('pause', true)"), "ok");
  const std::string heard = ModuleLog();
  EXPECT_NE(heard.find("level=4\n"), std::string::npos) << heard;
  EXPECT_NE(heard.find("pause=1\n"), std::string::npos) << heard;
  // Each of the hub's script functions answers in the game's own script state.
  EXPECT_EQ(game_->Send("lua assert(GetState('level') == '4') assert(GetState('modulekey') == '+module')"
                        " assert(QueryRestartMode() == false) assert(QueryJumpToMenu() == false)"),
            "ok");
  // The player's mute reaches the handlers and the hub's own mute query.
  ASSERT_EQ(game_->Send("lua CreateNewUser('Mia') ToggleSoundMute()"), "ok");
  EXPECT_NE(ModuleLog().find("mute=1\n"), std::string::npos) << ModuleLog();
  EXPECT_EQ(game_->Send("lua assert(QueryMuteGame() == true)"), "ok");
  ASSERT_EQ(game_->Send("lua ToggleSoundMute()"), "ok");
  EXPECT_EQ(game_->Send("lua assert(QueryMuteGame() == false)"), "ok");
}
