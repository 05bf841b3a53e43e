// The game program as a whole: started from a folder of its own with a game-state module beside it,
// it tells the module where it runs and that the session is ready, opens its window, and when the
// window is closed it shuts down and ends with 0. A second copy from the same folder only brings the
// first to the front.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "os/dll.h"
#include "testplugins.h"

namespace fs = std::filesystem;

namespace {

class EntryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("entry-e2e-" + std::to_string(getpid()));
    app_ = root_ / "game";
    fs::create_directories(app_ / "assets");
    // The program reads its folder from where it really lives, so it is copied, not linked.
    fs::copy_file(os::ExecutableFolder() + "harrowmere", app_ / "harrowmere");
    fs::permissions(app_ / "harrowmere", fs::perms::owner_all, fs::perm_options::add);
    fs::copy_file(testutil::TestPluginFolder() + "test.vxmod", app_ / "test.vxmod");
    moduleLog_ = root_ / "module.txt";
    setenv("XDG_DATA_HOME", (root_ / "data").c_str(), 1);
    setenv("XDG_DESKTOP_DIR", (root_ / "desk").c_str(), 1);
    setenv("TM_VXMOD_LOG", moduleLog_.c_str(), 1);
  }
  void TearDown() override {
    for (pid_t pid : started_)
      if (pid > 0 && waitpid(pid, nullptr, WNOHANG) == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
      }
    unsetenv("TM_VXMOD_LOG");
    fs::remove_all(root_);
  }

  pid_t Start(const std::vector<std::string>& args) {
    pid_t pid = fork();
    if (pid == 0) {
      std::string exe = (app_ / "harrowmere").string();
      std::vector<char*> argv{exe.data()};
      std::vector<std::string> copies = args;
      for (std::string& a : copies) argv.push_back(a.data());
      argv.push_back(nullptr);
      if (chdir(root_.c_str()) != 0) _exit(126);  // started from elsewhere: the program finds its own folder
      execv(exe.c_str(), argv.data());
      _exit(127);
    }
    started_.push_back(pid);
    return pid;
  }
  // The exit code, or 128 + signal; -1 when the process did not end in time.
  static int WaitFor(pid_t pid, int timeoutMs) {
    for (int waited = 0; waited <= timeoutMs; waited += 20) {
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) == pid)
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
  }
  std::vector<std::string> ModuleLines() {
    std::ifstream in(moduleLog_);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  bool WaitForLine(const std::string& prefix, int timeoutMs) {
    for (int waited = 0; waited <= timeoutMs; waited += 50) {
      for (const std::string& line : ModuleLines())
        if (line.rfind(prefix, 0) == 0) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }
  static std::string Key(const std::string& line) { return line.substr(0, line.find('=')); }
  // Without content the game has nothing to show and ends after its first turns; this main loop
  // keeps one empty screen open until the window is closed.
  void GiveAnIdleMainLoop() {
    fs::create_directories(app_ / "assets" / "scripts");
    std::ofstream(app_ / "assets" / "settings.xml")
        << "<settings><scriptMainLoop>scripts/idle.lua</scriptMainLoop></settings>\n";
    std::ofstream(app_ / "assets" / "scripts" / "idle.lua")
        << "return function() while true do DoModal( \"scripts/blank.lua\" ) end end\n";
    std::ofstream(app_ / "assets" / "scripts" / "blank.lua")
        << "MakeDialog { Window { name = \"blank\", x = 0, y = 0, w = 64, h = 64 } }\n";
  }

  fs::path root_, app_, moduleLog_;
  std::vector<pid_t> started_;
};

}  // namespace

TEST_F(EntryTest, TheModuleHearsWhereTheGameRunsThenTheSessionAndTheGameEndsWhenClosed) {
  pid_t game = Start({"-x", "options=probe=1"});
  ASSERT_TRUE(WaitForLine("sessionready=", 60000)) << "the game did not reach its first event";
  std::vector<std::string> lines = ModuleLines();
  std::vector<std::string> keys;
  for (const std::string& line : lines) keys.push_back(Key(line));
  EXPECT_EQ(keys, (std::vector<std::string>{"cmdline", "commondatadir", "userdatadir", "loadbroadcast", "sessionready"}));
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "cmdline=-x options=probe=1");
  std::string userFolder = lines[2].substr(lines[2].find('=') + 1);
  EXPECT_EQ(userFolder.rfind("Z:\\", 0), 0u) << userFolder;                    // a folder in the Windows view
  EXPECT_NE(userFolder.find("\\The Harrowmere Demo"), std::string::npos) << userFolder;
  EXPECT_NE(userFolder.back(), '\\');
  EXPECT_EQ(lines[3], "loadbroadcast=0");
  EXPECT_EQ(lines[4], "sessionready=0");

  // Closing the window (the system's close request) ends the game loop and the process with 0,
  // after a tear-down that leaves the log behind.
  kill(game, SIGTERM);
  EXPECT_EQ(WaitFor(game, 30000), 0);
  EXPECT_TRUE(fs::exists(root_ / "data" / "The Harrowmere Demo" / "The Harrowmere Demo" / "logfile.txt"));
}

TEST_F(EntryTest, ASecondCopyFromTheSameFolderEndsAtOnceAndTheFirstRunsOn) {
  GiveAnIdleMainLoop();
  pid_t first = Start({});
  ASSERT_TRUE(WaitForLine("sessionready=", 60000));
  size_t heard = ModuleLines().size();
  pid_t second = Start({});
  EXPECT_EQ(WaitFor(second, 30000), 0);
  EXPECT_EQ(ModuleLines().size(), heard);  // the second copy never reached its modules
  EXPECT_EQ(waitpid(first, nullptr, WNOHANG), 0) << "the first copy ended";
  // With "--multiple" a second copy runs beside the first.
  pid_t third = Start({"--multiple"});
  EXPECT_TRUE([&] {
    for (int i = 0; i < 600; ++i) {
      int sessions = 0;
      for (const std::string& line : ModuleLines()) sessions += line.rfind("sessionready=", 0) == 0;
      if (sessions == 2) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }());
  kill(third, SIGTERM);
  kill(first, SIGTERM);
  EXPECT_EQ(WaitFor(third, 30000), 0);
  EXPECT_EQ(WaitFor(first, 30000), 0);
}
