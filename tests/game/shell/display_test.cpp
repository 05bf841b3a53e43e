// The install-wide display mode: the stored full-screen flag decides how the display starts, and
// switching it stores the new mode only when the switch worked.
#include <gtest/gtest.h>

#include "core/assetindex.h"
#include "core/commandline.h"
#include "core/config.h"
#include "core/log.h"
#include "core/prefsdb.h"
#include "model/diary.h"
#include "model/game.h"
#include "model/globals.h"
#include "model/highscore.h"
#include "os/paths.h"
#include "os/tempfolder.h"
#include "os/winuser.h"
#include "platform/platform.h"
#include "platform/platformimpl.h"
#include "render/dxdisplayhandler.h"
#include "services/gamestate.h"
#include "shell/settings.h"

namespace {

class DisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    filetest::ResetFileSystem();
    os::TestResetWindows();
    SetProcessCommandLine("");
    ClearConfig();
    LogInit((mTemp / "log").c_str());
    auto impl = std::make_unique<TPlatformImpl>();
    impl->mClassBaseName = "zshelldisplaytest";
    impl->mUserDataFolder = os::ToWindowsPath(mTemp.Path()).c_str();
    impl->SetDisplayHandler(&mDisplay);
    mPlatform = std::make_unique<TPlatform>(std::move(impl));
    SetFileRoots(os::ToWindowsPath(mTemp.Path()).c_str(), TString(), TString());
    SetConfig("encryptionkey", "DisplayKeyTxt");
    SetConfig("installkey", "");
    SetConfig("screenwidth", "640");
    SetConfig("screenheight", "480");
    ASSERT_TRUE(mPlatform->CreateMainWindow());
  }
  void TearDown() override {
    TSettings::DestroyInstance();
    CGame::DestroyInstance();
    CHighscoreSystem::DestroyInstance();
    CGlobalInformationSystem::DestroyInstance();
    TDiary::DestroyInstance();
    mPlatform.reset();
    os::TestResetWindows();
    LogInit("");
    ClearConfig();
    DeleteGameState();
    filetest::ResetFileSystem();
  }

  testutil::TempFolder mTemp;
  TDxDisplayHandler mDisplay;
  std::unique_ptr<TPlatform> mPlatform;
};

TEST_F(DisplayTest, TheDisplayStartsFullScreenUntilAnotherModeIsStored) {
  TSettings* settings = TSettings::CreateInstance();
  settings->ApplyDisplaySettings();
  EXPECT_TRUE(mPlatform->IsFullScreen());
  EXPECT_TRUE(settings->IsFullscreen());

  ASSERT_TRUE(settings->ToggleFullScreen());
  EXPECT_FALSE(mPlatform->IsFullScreen());
  EXPECT_EQ(settings->GetPrefsDB()->GetInt("fullscreen", 7, -1), 0);

  // The store is install-wide, so a profile change keeps it, and the next start is windowed.
  settings->CreateNewUser("Anna");
  TSettings::DestroyInstance();
  settings = TSettings::CreateInstance();
  settings->ApplyDisplaySettings();
  EXPECT_FALSE(mPlatform->IsFullScreen());

  // What the main loop stores after a switch made elsewhere.
  ASSERT_TRUE(mPlatform->SetFullScreen(true));
  settings->StoreFullscreen();
  EXPECT_EQ(settings->GetPrefsDB()->GetInt("fullscreen", 7, -1), 1);
  EXPECT_EQ(settings->GetPrefsDB()->GetInt("fullscreen", 7, 0), 7);
}

}  // namespace
