// The game when its files turn hostile, driven through the real program: a data folder that takes
// no writes (a file size limit on the program, as a full disk), a damaged preference file, and a
// menu script that does not compile. What the player is told comes from the message boxes the
// program recorded.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "e2e/gamedriver.h"
#include "e2e/gametest.h"

namespace fs = std::filesystem;
using e2e::GameDriver;
using e2e::Prefs;

namespace {

class HostileFilesTest : public e2e::GameTest {
 protected:
  HostileFilesTest() : GameTest("hostile") {}

  void CreateFirstPlayer(const std::string& name) {
    ASSERT_TRUE(game_->Start());
    ASSERT_TRUE(game_->WaitFor("visible nameedit", "yes"));
    game_->Send("text " + name);
    game_->Settle();
    ASSERT_TRUE(game_->ClickUntil("ok", "visible nameedit", "no"));
    ASSERT_TRUE(game_->WaitFor("visible play", "yes"));
  }
  void QuitFromMenu() {
    ASSERT_TRUE(game_->ClickUntil("quit", "visible yes", "yes"));
    ASSERT_TRUE(game_->ClickUntil("yes", "visible yes", ""));
    EXPECT_EQ(game_->WaitForExit(60000), 0);
  }
  // The boxes a program that has ended recorded (its agent writes them on the way out).
  std::string BoxesAtExit() const {
    std::ifstream in(root_ / "control" / "boxes.txt");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

};

// Lets no file of the processes started meanwhile grow past a few kilobytes, as on a full disk; the
// signal that would end them is ignored (both are inherited by the program).
class FullDisk {
 public:
  FullDisk() {
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit low = old_;
    low.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &low);
  }
  ~FullDisk() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, oldHandler_);
  }
  // Gives a running program its space back.
  void FreeFor(pid_t pid) const { prlimit(pid, RLIMIT_FSIZE, &old_, nullptr); }

 private:
  rlimit old_{};
  void (*oldHandler_)(int) = nullptr;
};

}  // namespace

TEST_F(HostileFilesTest, AFullDataFolderShowsThePlayersSaysSoOnceAndLosesNothingWhenSpaceReturns) {
  CreateFirstPlayer("Ada");
  QuitFromMenu();
  {
    FullDisk full;
    ASSERT_TRUE(game_->Start());
    // The existing player is there: the main menu greets her instead of asking for a new name.
    ASSERT_TRUE(game_->WaitFor("text? welcome", "Welcome, Ada!"));
    const std::string boxes = game_->Send("boxes");
    EXPECT_NE(boxes.find("Your progress cannot be saved"), std::string::npos) << boxes;
    EXPECT_NE(boxes.find("\\n" + (game_->DataFolder() / "prefsdb.dat").string()), std::string::npos) << boxes;
    // A change made while nothing can be written: muting the sound in the options.
    ASSERT_TRUE(game_->ClickUntil("options", "visible mutebox", "yes"));
    ASSERT_TRUE(game_->ClickUntil("mutebox", "master", "0.000"));
    ASSERT_TRUE(game_->ClickUntil("ok", "visible mutebox", "no"));
    EXPECT_EQ(game_->Send("boxes"), boxes);  // told once
    full.FreeFor(game_->Pid());
  }
  QuitFromMenu();
  Prefs prefs(game_->DataFolder());
  EXPECT_EQ(prefs.UserCount(), 1);
  EXPECT_EQ(prefs.GetString("name", 0), "Ada");
  EXPECT_EQ(prefs.GetInt("soundoff", -1, 0), 1);  // kept in memory, written once there was space
}

TEST_F(HostileFilesTest, AFullDiskKeepsTheHighScoreTableAndWritesTheNewScoreOnceSpaceReturns) {
  CreateFirstPlayer("Ada");
  // enough rows that the score file does not fit in what the full disk lets a file have
  ASSERT_EQ(game_->Send("lua for i = 1, 40 do CreateNewUser('P' .. i) SetCurrentGameMode(0) LogHighScore(1000 + i) end"),
            "ok");
  QuitFromMenu();
  const fs::path scoreFile = game_->DataFolder() / "hiscore.dat";
  const auto readScores = [&] {
    std::ifstream in(scoreFile, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  };
  const std::string before = readScores();
  ASSERT_GT(before.size(), 4096u);
  {
    FullDisk full;
    ASSERT_TRUE(game_->Start());
    ASSERT_TRUE(game_->WaitFor("text? welcome", "Welcome, P40!"));
    ASSERT_EQ(game_->Send("lua SetCurrentGameMode(0) LogHighScore(9000)"), "ok");
    game_->Settle();
    EXPECT_EQ(readScores(), before);
    const std::string boxes = game_->Send("boxes");
    EXPECT_NE(boxes.find("Your progress cannot be saved"), std::string::npos) << boxes;
    EXPECT_NE(boxes.find("\\n" + scoreFile.string()), std::string::npos) << boxes;
    full.FreeFor(game_->Pid());
  }
  QuitFromMenu();  // the score kept in memory is written on the way out, if not before
  EXPECT_FALSE(fs::exists(scoreFile.string() + ".tmp"));
  ASSERT_TRUE(game_->Start());
  ASSERT_TRUE(game_->ClickUntil("hiscores", "visible name1", "yes"));
  EXPECT_EQ(game_->Send("text? name1"), "P40");
  EXPECT_EQ(game_->Send("text? score1"), "9000");
  EXPECT_EQ(game_->Send("text? score2"), "1039");
}

TEST_F(HostileFilesTest, ADamagedPreferenceFileIsToldOnScreenWithWhereItWasKept) {
  CreateFirstPlayer("Ada");
  QuitFromMenu();
  std::ofstream(game_->DataFolder() / "prefsdb.dat", std::ios::binary | std::ios::trunc)
      << "this is not a preference database, just damaged bytes";
  ASSERT_TRUE(game_->Start());
  ASSERT_TRUE(game_->WaitFor("visible nameedit", "yes"));
  const std::string boxes = game_->Send("boxes");
  EXPECT_NE(boxes.find("The saved players could not be read"), std::string::npos) << boxes;
  EXPECT_NE(boxes.find((game_->DataFolder() / "prefsdb.dat.damaged").string()), std::string::npos) << boxes;
}

TEST_F(HostileFilesTest, AMenuScriptThatDoesNotCompileEndsTheGameWithABoxNamingFileAndLine) {
  {
    std::ofstream out(game_->AppFolder() / "assets" / "scripts" / "mainmenu.lua", std::ios::trunc);
    out << "-- the main menu\nlocal x = 1\nlocal y = = 2\n";
  }
  game_->Start();  // it ends before its agent answers
  EXPECT_EQ(game_->WaitForExit(60000), 3);
  const std::string boxes = BoxesAtExit();
  EXPECT_NE(boxes.find("The game cannot start"), std::string::npos) << boxes;
  EXPECT_NE(boxes.find("assets/scripts/mainmenu.lua:3:"), std::string::npos) << boxes;
  EXPECT_NE(game_->ReadLog().find("assets/scripts/mainmenu.lua:3:"), std::string::npos);
}
