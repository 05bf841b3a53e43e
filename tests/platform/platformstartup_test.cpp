// Start-up pieces of the platform: recorded folders, data folders and "-wd=", the single-instance
// text, the harness hook and the pointer-polling thread.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

#include "core/commandline.h"
#include "core/config.h"
#include "core/log.h"
#include "filetext.h"
#include "os/faultinject.h"
#include "os/paths.h"
#include "os/process.h"
#include "os/version.h"
#include "os/winuser.h"
#include "platform/platformimpl.h"
#include "render/dxdisplayhandler.h"
#include "ui/windowmanager.h"
#include "wait_until.h"
#include "testplugins.h"

namespace fs = std::filesystem;

namespace {

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    start_ = fs::current_path();
    root_ = fs::temp_directory_path() / ("oswin-startup-" + std::to_string(getpid()));
    fs::create_directories(root_);
    setenv("XDG_DATA_HOME", (root_ / "data").c_str(), 1);
    setenv("XDG_DESKTOP_DIR", (root_ / "desk").c_str(), 1);
    SetProcessCommandLine("");
  }
  void TearDown() override {
    fs::current_path(start_);
    os::TestSetModulePath("");
    LogInit("");
    SetProcessCommandLine("");
    fs::remove_all(root_);
  }
  std::string ReadLog() { return testutil::ReadLogText(root_ / "log"); }
  fs::path start_, root_;
};

}  // namespace

TEST_F(StartupTest, SingleInstanceTextIsTheLowerCasedPathWithoutSeparators) {
  EXPECT_EQ(MakeSingleInstanceText("Z:\\Games\\Harrow Mere\\Game.EXE"), "zgamesharrow meregame.exe");
  EXPECT_EQ(MakeSingleInstanceText("Z:\\One\\game.exe") == MakeSingleInstanceText("Z:\\Two\\game.exe"), false);
  // An existing file: its (short = long) path in the Windows view.
  fs::path exe = root_ / "Game.exe";
  std::ofstream(exe).put('x');
  std::string expected;
  for (char c : os::ToWindowsPath(exe.string()))
    if (c != '\\' && c != ':') expected.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  EXPECT_EQ(MakeSingleInstanceText(os::ToWindowsPath(exe.string()).c_str()), expected.c_str());
}

TEST_F(StartupTest, TheHarnessHookMayReplaceTheCommandLine) {
  const char* line = "original";
  os::TestFailCall("LoadLibraryA", 126, 1);
  EXPECT_EQ(LoadTestHarness(&line), nullptr);  // no harness: nothing happens
  EXPECT_STREQ(line, "original");
  HWND quitTarget = LoadTestHarness(&line);
  EXPECT_EQ(quitTarget, reinterpret_cast<HWND>(uintptr_t{0x1234}));
  EXPECT_STREQ(line, "--multiple from-the-harness");
}

TEST_F(StartupTest, RecordedFoldersComeFromTheExecutableAndItsFolderBecomesCurrent) {
  TPlatformImpl impl;
  ASSERT_TRUE(impl.RecordFolders());
  std::string exe = os::ToWindowsPath(fs::read_symlink("/proc/self/exe").string());
  EXPECT_EQ(impl.mExePath, exe.c_str());
  std::string folder = exe.substr(0, exe.rfind('\\') + 1);
  EXPECT_EQ(impl.mExeFolder, folder.c_str());
  EXPECT_EQ(impl.mAssetsFolder, (folder + "assets\\").c_str());
  EXPECT_EQ(impl.mUserDataFolder, impl.mExeFolder);
  EXPECT_EQ(impl.mStartupFolder, os::ToWindowsPath(start_.string()).c_str());
  EXPECT_EQ(fs::current_path(), fs::read_symlink("/proc/self/exe").parent_path());
  EXPECT_EQ(impl.mSystemFolder, "Z:\\usr\\lib");
}

TEST_F(StartupTest, PathsLongerThanTheOldBuffersAreKeptWhole) {
  // Non-ASCII names take up to three bytes per unit: this path is far beyond 260 bytes.
  fs::path deep = root_;
  for (int i = 0; i < 20; ++i) deep /= "\xe6\xb7\xb1\xe3\x81\x84\xe3\x83\x95\xe3\x82\xa9\xe3\x83\xab\xe3\x83\x80";
  fs::create_directories(deep);
  os::TestSetModulePath((deep / "game").string());
  TPlatformImpl impl;
  ASSERT_TRUE(impl.RecordFolders());
  EXPECT_GT(impl.mExeFolder.Length(), 260);
  EXPECT_EQ(impl.mExeFolder, (os::ToWindowsPath(deep.string()) + "\\").c_str());
  EXPECT_EQ(impl.mAssetsFolder, (os::ToWindowsPath(deep.string()) + "\\assets\\").c_str());
}

TEST_F(StartupTest, DataFoldersGoBelowApplicationDataUnlessHosted) {
  TPlatformImpl impl;
  ASSERT_TRUE(impl.RecordFolders());
  impl.SetupDataFolders("Harrowmere Test");
  std::string user = impl.mUserDataFolder.CStr();
  EXPECT_NE(user.find("Harrowmere Test"), std::string::npos);
  EXPECT_NE(user.back(), '\\');
  EXPECT_TRUE(fs::is_directory(os::ToLinuxPath(user)));
  EXPECT_GT(impl.mCommonDataFolder.Length(), 0);
  EXPECT_NE(impl.mCommonDataFolder.CStr()[impl.mCommonDataFolder.Length() - 1], '\\');
  EXPECT_NE(std::string(impl.mDesktopFolder.CStr()).find("desk"), std::string::npos);

  TPlatformImpl hosted;
  ASSERT_TRUE(hosted.RecordFolders());
  hosted.mHosted = true;
  hosted.SetupDataFolders("Harrowmere Test");
  std::string exeFolder = hosted.mExeFolder.CStr();
  EXPECT_EQ(std::string(hosted.mUserDataFolder.CStr()), exeFolder.substr(0, exeFolder.size() - 1));
  SetProcessCommandLine("-pq=1");
  hosted.SetupDataFolders("Harrowmere Test");
  EXPECT_EQ(hosted.mUserDataFolder, impl.mUserDataFolder);  // host-driven: as when not hosted
}

TEST_F(StartupTest, WorkFolderSwitchWithAndWithoutQuotes) {
  fs::create_directories(root_ / "a folder");
  fs::create_directories(root_ / "plain");
  LogInit((root_ / "log").c_str());
  struct Case {
    std::string line;
    fs::path expected;
  } cases[] = {
      {"x -wd=\"" + os::ToWindowsPath((root_ / "a folder").string()) + "\" --multiple", root_ / "a folder"},
      {"-wd=" + os::ToWindowsPath((root_ / "plain").string()) + " z", root_ / "plain"},
  };
  for (const Case& c : cases) {
    SetProcessCommandLine(c.line.c_str());
    TPlatformImpl impl;
    impl.mHosted = true;  // keeps the data folders out of it
    impl.SetupDataFolders("g");
    EXPECT_EQ(fs::current_path(), c.expected) << c.line;
  }
  std::string log = ReadLog();
  EXPECT_NE(log.find("Switching current directory to: " + os::ToWindowsPath((root_ / "a folder").string())),
            std::string::npos);
}

TEST_F(StartupTest, ThePollingThreadMovesTheCursorImageUntilStopped) {
  TPlatformImpl impl;
  TDxDisplayHandler display;
  TWindowManager manager;
  impl.SetDisplayHandler(&display);
  impl.SetWindowManager(&manager);
  manager.mMovieOpen = true;  // a movie window: the thread leaves the cursor alone
  impl.StartPollingThread();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(display.mImageUpdates, 0);
  manager.mMovieOpen = false;
  EXPECT_TRUE(testwait::WaitUntil([&] { return display.mImageUpdates >= 2; }));
  impl.StopPollingThread();
  int after = display.mImageUpdates;
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  EXPECT_EQ(display.mImageUpdates, after);
}

namespace {

// Runs f; answers the ExitProcess code it ended with, or -2 when it returned.
template <class F>
int64_t ExitCodeOf(F f) {
  os::TestCatchExitProcess(true);
  int64_t code = -2;
  try {
    f();
  } catch (const os::ProcessExit& e) {
    code = static_cast<int32_t>(e.code);
  }
  os::TestCatchExitProcess(false);
  return code;
}

}  // namespace

TEST_F(StartupTest, ASecondCopyBringsTheFirstToTheFrontAndEndsWithZero) {
  os::TestResetWindows();
  TString base = TString::Format("zoswinsingle%d", static_cast<int>(getpid()));
  TPlatformImpl first;
  first.mClassBaseName = base;
  EXPECT_EQ(ExitCodeOf([&] { first.EnsureSingleInstance(false); }), -2);
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  TString className = base + "_WNDCLASS";
  wc.lpszClassName = className.CStr();
  RegisterClassA(&wc);
  HWND window = CreateWindowExA(0, className.CStr(), "first", WS_CAPTION, 0, 0, 100, 100, nullptr, nullptr, nullptr,
                                nullptr);
  HWND other = os::TestCreateForeignWindow("Other", "other", 10, 10);
  SetForegroundWindow(other);

  TPlatformImpl second;
  second.mClassBaseName = base;
  EXPECT_EQ(ExitCodeOf([&] { second.EnsureSingleInstance(true); }), -2);  // "--multiple": no test at all
  EXPECT_EQ(ExitCodeOf([&] { second.EnsureSingleInstance(false); }), 0);
  EXPECT_EQ(GetForegroundWindow(), window);
  EXPECT_TRUE(IsWindowVisible(window));
  os::TestResetWindows();
}

TEST_F(StartupTest, HostWindowSwitchEndsWithMinusOneForAZeroOrDeadHandle) {
  os::TestResetWindows();
  HWND host = os::TestCreateForeignWindow("Host", "host", 640, 480);
  HWND dead = os::TestCreateForeignWindow("Gone", "gone", 10, 10);
  DestroyWindow(dead);
  struct Case {
    std::string line;
    int64_t exit;
    bool hosted;
  } cases[] = {
      {"--multiple", -2, false},
      {TString::Format("-wnd=%x", static_cast<unsigned>(reinterpret_cast<uintptr_t>(host))).CStr(), -2, true},
      {"-wnd=0", -1, true},
      {"-wnd=zz", -1, true},
      {TString::Format("x -wnd=%x y", static_cast<unsigned>(reinterpret_cast<uintptr_t>(dead))).CStr(), -1, true},
  };
  for (const Case& c : cases) {
    SetProcessCommandLine(c.line.c_str());
    ClearConfig();
    TPlatformImpl impl;
    EXPECT_EQ(ExitCodeOf([&] { impl.ReadHostWindowSwitch(); }), c.exit) << c.line;
    EXPECT_EQ(impl.mHosted, c.hosted) << c.line;
    EXPECT_EQ(GetConfig("activex"), c.hosted ? "1" : "") << c.line;
  }
  os::TestResetWindows();
}

TEST_F(StartupTest, VersionResourceGivesVersionGameNameAndInternalName) {
  TPlatformImpl impl;
  ASSERT_TRUE(impl.RecordFolders());
  os::VersionInfo built = os::BuiltInVersionInfo();
  impl.ReadVersionResource();
  EXPECT_EQ(impl.mVersionText, TString::Format("%d.%d.%d.%d", built.version[0], built.version[1], built.version[2],
                                               built.version[3]));
  EXPECT_EQ(impl.mGameName, built.productName.c_str());
  EXPECT_EQ(impl.mInternalName, built.internalName.c_str());

  os::VersionInfo spaced{"  \tSpaced Name", "tag-9", "", {2, 0, 1, 7}};
  spaced.productName = "  \tSpaced Name";
  os::TestSetVersionInfo(&spaced);
  impl.ReadVersionResource();
  EXPECT_EQ(impl.mGameName, "Spaced Name");
  EXPECT_EQ(impl.mVersionText, "2.0.1.7");
  SetConfig("gamename", "Configured");
  impl.ReadVersionResource();
  EXPECT_EQ(impl.mGameName, "Configured");
  ClearConfig();

  os::TestSetVersionInfo(nullptr);
  TPlatformImpl bare;
  ASSERT_TRUE(bare.RecordFolders());
  bare.ReadVersionResource();
  EXPECT_EQ(bare.mGameName, "Tallowmark Application");
  EXPECT_EQ(bare.mVersionText, "");
  os::TestResetVersionInfo();
}
