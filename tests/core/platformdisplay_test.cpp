// The facade's display set-up, cursors, system cursor file and sound manager: what the game sees
// after InitDisplay, where cursors end up, and how the sound manager is wired into the pump.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "core/assetindex.h"
#include "core/commandline.h"
#include "core/config.h"
#include "core/file.h"
#include "core/platform.h"
#include "core/platformimpl.h"
#include "os/time.h"
#include "os/winuser.h"
#include "render/drawcontext.h"
#include "render/dxdisplayhandler.h"
#include "services/gamestate.h"
#include "sound/soundmanager.h"

namespace fs = std::filesystem;

namespace {

class PlatformDisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    os::TestResetWindows();
    os::TestFreezeTime(80000);
    SetProcessCommandLine("");
    ClearConfig();
    ResetFirstEventNotices();
    auto impl = std::make_unique<TPlatformImpl>();
    impl->mClassBaseName = "zplatformdisplaytest";
    impl->mStartTime = timeGetTime();
    impl->SetDisplayHandler(&display_);
    platform_ = std::make_unique<TPlatform>(std::move(impl));
    ASSERT_TRUE(platform_->CreateMainWindow());
  }
  void TearDown() override {
    platform_.reset();
    SetCursorTextureLoader(nullptr);
    os::TestResetWindows();
    os::TestReleaseTime();
    SetProcessCommandLine("");
    ClearConfig();
    DeleteGameState();
  }
  TPlatformImpl& Impl() { return *platform_->GetImpl(); }
  TPlatformEvent Next() {
    TPlatformEvent e;
    platform_->GetEvent(&e);
    return e;
  }

  TDxDisplayHandler display_;
  std::unique_ptr<TPlatform> platform_;
};

// Textures are only compared by identity here.
std::shared_ptr<TTexture> FakeTexture(int* tag) {
  return std::shared_ptr<TTexture>(reinterpret_cast<TTexture*>(tag), [](TTexture*) {});
}
int gSystemTag = 0;
int gLoads = 0;
std::shared_ptr<TTexture> LoadSystemCursor(const TString& path) {
  ++gLoads;
  return path == "__systemcursor__.png" ? FakeTexture(&gSystemTag) : nullptr;
}

}  // namespace

TEST_F(PlatformDisplayTest, InitDisplaySizesAndShowsTheWindowAndAnnouncesTheNewMode) {
  platform_->InitDisplay(640, 480, false);
  HWND main = Impl().mMainWindow;
  RECT client;
  ASSERT_TRUE(GetClientRect(main, &client));
  EXPECT_EQ(client.right - client.left, 640);
  EXPECT_EQ(client.bottom - client.top, 480);
  EXPECT_TRUE(IsWindowVisible(main));
  int32_t w = 0, h = 0;
  bool full = true;
  platform_->GetDisplaySize(&w, &h, &full);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
  EXPECT_FALSE(full);
  EXPECT_TRUE(platform_->IsDisplayReady());
  EXPECT_EQ(TDrawContext::GetInstance()->GetClipRect(), TRect(0, 0, 640, 480));
  TDrawContext::GetInstance()->GetViewport(&w, &h);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
  // The pump reports the new mode once.
  int changes = 0;
  for (int i = 0; i < 20; ++i) changes += Next().type == kEventDisplayChanged;
  EXPECT_EQ(changes, 1);
  // The same mode again changes nothing; a new size is a new mode and replaces the base clip.
  platform_->InitDisplay(640, 480, false);
  EXPECT_FALSE(Impl().mDisplayChangedPending);
  platform_->InitDisplay(800, 600, false);
  EXPECT_TRUE(Impl().mDisplayChangedPending);
  EXPECT_EQ(TDrawContext::GetInstance()->GetClipRect(), TRect(0, 0, 800, 600));
  TDrawContext::GetInstance()->PopClipRect();
  EXPECT_EQ(TDrawContext::GetInstance()->GetClipRect(), TRect(0, 0, 640, 480));  // the stack keeps one more
}

TEST_F(PlatformDisplayTest, AHostedDisplayScalesToTheHostAndHostDrivenFullScreenStaysWindowed) {
  HWND host = os::TestCreateForeignWindow("Host", "host", 1280, 720);
  Impl().mHostWindow = host;
  Impl().mHosted = true;
  platform_->InitDisplay(640, 360, false);
  float scale = 0;
  EXPECT_TRUE(Impl().GetViewportScale(&scale));
  EXPECT_FLOAT_EQ(scale, 2.0f);

  SetProcessCommandLine("-pq=1");
  platform_->InitDisplay(640, 360, true);
  EXPECT_FALSE(display_.IsFullScreen());  // the host goes full screen, not the display
  auto sent = os::TestForeignMessages(host);
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent.back().msg, static_cast<UINT>(WM_USER));
  EXPECT_EQ(sent.back().wParam, 1u);
  int32_t w = 0, h = 0;
  bool full = false;
  platform_->GetDisplaySize(&w, &h, &full);
  EXPECT_TRUE(full);  // what the host was told
}

TEST_F(PlatformDisplayTest, CursorsReachTheDisplayAndComeBackAfterANewMode) {
  gLoads = 0;
  SetCursorTextureLoader(LoadSystemCursor);
  int drawnTag = 0, hardTag = 0;
  // Hardware cursors off: a drawn cursor is only kept.
  platform_->SetHardwareCursor(false);
  EXPECT_FALSE(display_.mHardwareCursor);
  platform_->SetCursor(FakeTexture(&drawnTag), 3, 4, false);
  EXPECT_EQ(display_.mMouseTexture[0], nullptr);
  EXPECT_EQ(Impl().mDrawnCursor.get(), reinterpret_cast<TTexture*>(&drawnTag));
  // Hardware cursors on, none set: the system cursor stands in, loaded once.
  platform_->SetHardwareCursor(true);
  EXPECT_TRUE(display_.mHardwareCursor);
  platform_->SetCursor(FakeTexture(&drawnTag), 3, 4, false);
  platform_->SetCursor(FakeTexture(&drawnTag), 3, 4, false);
  EXPECT_EQ(display_.mMouseTexture[0].get(), reinterpret_cast<TTexture*>(&gSystemTag));
  EXPECT_EQ(gLoads, 1);
  // A hardware cursor goes to the hardware slot with its hot spot, and the class cursor goes away.
  platform_->SetCursor(FakeTexture(&hardTag), 7, 8, true);
  EXPECT_EQ(display_.mMouseTexture[1].get(), reinterpret_cast<TTexture*>(&hardTag));
  EXPECT_EQ(display_.mMouseHotSpot[1].x, 7);
  EXPECT_EQ(display_.mMouseHotSpot[1].y, 8);
  EXPECT_EQ(GetClassLongA(Impl().mMainWindow, GCL_HCURSOR), 0u);
  // A new display mode hands both cursors over again.
  display_.mMouseTexture[0].reset();
  display_.mMouseTexture[1].reset();
  platform_->InitDisplay(320, 240, false);
  EXPECT_EQ(display_.mMouseTexture[0].get(), reinterpret_cast<TTexture*>(&drawnTag));
  EXPECT_EQ(display_.mMouseTexture[1].get(), reinterpret_cast<TTexture*>(&hardTag));
}

TEST_F(PlatformDisplayTest, TheSoundManagerIsMadeOnceAndFollowsThePumpAndTheActivation) {
  EXPECT_EQ(platform_->GetSoundManager(), nullptr);
  platform_->InitSoundManager();
  TSoundManager* sound = platform_->GetSoundManager();
  ASSERT_NE(sound, nullptr);
  platform_->InitSoundManager();
  EXPECT_EQ(platform_->GetSoundManager(), sound);
  EXPECT_EQ(GetPlatformSoundManager(), sound);
  // An out-of-video-memory result seen by the streaming thread reaches the display only through
  // the pump's idle update on this thread.
  sound->ReportDxError(kDxOutOfVideoMemory, "test", 1);
  EXPECT_EQ(display_.mOutOfVideoMemoryCalls, 0);
  for (int i = 0; i < 10 && display_.mOutOfVideoMemoryCalls == 0; ++i) Next();
  EXPECT_EQ(display_.mOutOfVideoMemoryCalls, 1);
  Impl().OnActivateApp(Impl().mMainWindow, false);
  EXPECT_FALSE(sound->IsAppActive());
  Impl().OnActivateApp(Impl().mMainWindow, true);
  EXPECT_TRUE(sound->IsAppActive());
  platform_.reset();
  EXPECT_EQ(GetPlatformSoundManager(), nullptr);
}

TEST(SystemCursorFile, TheEmbeddedImageServesUnlessTheAssetsHaveOne) {
  // A PNG of 32 by 32 pixels.
  ASSERT_GT(kSystemCursorPngSize, 33u);
  EXPECT_EQ(std::memcmp(kSystemCursorPng, "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x20\0\0\0\x20", 24), 0);
  EXPECT_EQ(std::memcmp(kSystemCursorPng + kSystemCursorPngSize - 8, "IEND", 4), 0);

  auto firstBytes = [] {
    std::string bytes(8, '\0');
    TFile file;
    if (!file.Open("__systemcursor__.png", kFileReadBinary)) return std::string("(none)");
    bytes.resize(static_cast<size_t>(file.Read(bytes.data(), 8)));
    return bytes;
  };
  filetest::ResetFileSystem();
  RegisterSystemCursorFile();
  EXPECT_EQ(firstBytes(), std::string("\x89PNG\r\n\x1a\n", 8));

  // The game's own image in its assets folder wins.
  fs::path start = fs::current_path();
  fs::path folder = fs::temp_directory_path() / ("systemcursor-" + std::to_string(getpid()));
  fs::create_directories(folder / "assets");
  std::ofstream(folder / "assets" / "__systemcursor__.png") << "OURASSET";
  fs::current_path(folder);
  filetest::ResetFileSystem();
  IndexAssetFolder("assets", TString());
  RegisterSystemCursorFile();
  EXPECT_EQ(firstBytes(), "OURASSET");
  filetest::ResetFileSystem();
  fs::current_path(start);
  fs::remove_all(folder);
}
