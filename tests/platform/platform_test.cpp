// The platform facade's own services: timer, title, focus, full screen through the host, pointer,
// clipboard and web links; the display set-up, the cursors, the system cursor file and the sound
// manager's wiring into the pump.
#include "platform/platform.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "../os/tempfolder.h"
#include "core/assetindex.h"
#include "core/file.h"
#include "os/present.h"
#include "render/drawcontext.h"
#include "render/texture.h"
#include "sound/soundmanager.h"

#include "core/commandline.h"
#include "core/config.h"
#include "core/timer.h"
#include "os/clipboard.h"
#include "os/faultinject.h"
#include "os/shellexec.h"
#include "os/text.h"
#include "os/time.h"
#include "platform/platformimpl.h"
#include "render/dxdisplayhandler.h"
#include "services/gamestate.h"
#include "services/portal.h"

namespace fs = std::filesystem;

namespace os {
// The last presented frame (declared in the DirectDraw stand-in, whose header cannot sit beside the
// sound one in a file).
bool TestReadPresentedFrame(std::vector<uint32_t>* pixels, int* width, int* height);
}  // namespace os

namespace {

class PlatformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    os::TestResetWindows();
    os::TestResetClipboard();
    os::TestResetShellCalls();
    os::TestRecordShellExecute(true);
    os::TestFreezeTime(50000);
    SetProcessCommandLine("");
    ClearConfig();
    ResetFirstEventNotices();
    auto impl = std::make_unique<TPlatformImpl>();
    impl->mClassBaseName = "zoswinfacadetest";
    impl->mStartTime = timeGetTime();
    impl->SetDisplayHandler(&display_);
    platform_ = std::make_unique<TPlatform>(std::move(impl));
  }
  void TearDown() override {
    platform_.reset();
    SetCursorTextureLoader(nullptr);
    os::TestResetWindows();
    os::TestResetClipboard();
    os::TestResetShellCalls();
    os::TestReleaseTime();
    SetProcessCommandLine("");
    ClearConfig();
    DeleteGameState();
    SetPortalMsn(false);
    SetPortalZylom(false);
  }
  TPlatformImpl& Impl() { return *platform_->GetImpl(); }
  void Open(bool wide) {
    if (wide) SetConfig("utf8mode", "1");
    ASSERT_TRUE(platform_->CreateMainWindow());
    ShowWindow(Impl().mMainWindow, SW_SHOWNORMAL);
  }
  TPlatformEvent Next() {
    TPlatformEvent e;
    platform_->GetEvent(&e);
    return e;
  }

  // The platform's start-up reads "assets/settings.xml" and indexes "assets" below the current
  // folder: started beside the game's assets, a test would run with the game's settings
  // ("utf8mode" among them).
  testutil::TempFolder folder_;
  testutil::ScopedCwd cwd_{folder_.Path()};
  TDxDisplayHandler display_;
  std::unique_ptr<TPlatform> platform_;
};

}  // namespace

TEST_F(PlatformTest, TheTimerCountsFromStartUpAndLeavesOutPortalPauses) {
  EXPECT_EQ(TPlatform::GetInstance(), platform_.get());
  EXPECT_EQ(platform_->GetTimer(), 0u);
  os::TestAdvanceTime(1500);
  EXPECT_EQ(platform_->GetTimer(), 1500u);
  EXPECT_EQ(GetFrameworkTimer(), 1500u);  // clocks and tasks read the same timer
  AddPortalPause(200);
  EXPECT_EQ(platform_->GetTimer(), 1500u);  // no portal: no pause taken off
  SetPortalMsn(true);
  EXPECT_EQ(platform_->GetTimer(), 1300u);
  Impl().mClockOffset = 10;
  EXPECT_EQ(platform_->GetTimer(), 1310u);
  platform_.reset();
  EXPECT_EQ(TPlatform::GetInstance(), nullptr);
}

TEST_F(PlatformTest, TitlesTakeTheWideCallInUtf8Mode) {
  Open(true);
  platform_->SetWindowTitle("Harrow\xc3\xa9");
  char16_t title[16];
  GetWindowTextW(Impl().mMainWindow, title, 16);
  EXPECT_EQ(std::u16string(title), u"Harrow\u00e9");
}

TEST_F(PlatformTest, FocusIsTheMainWindowOrWithHostDrivingAnAncestor) {
  Open(false);
  SetForegroundWindow(Impl().mMainWindow);
  EXPECT_TRUE(platform_->HasFocus());
  HWND other = os::TestCreateForeignWindow("Other", "other", 640, 480);
  SetForegroundWindow(other);
  EXPECT_FALSE(platform_->HasFocus());
}

TEST_F(PlatformTest, AHostedWindowHasTheFocusWhenItsHostHasItOnlyWithHostDriving) {
  HWND host = os::TestCreateForeignWindow("Host", "host", 640, 480);
  Impl().mHostWindow = host;
  Impl().mHosted = true;
  Open(false);
  SetForegroundWindow(host);
  EXPECT_FALSE(platform_->HasFocus());
  SetProcessCommandLine("-pq=1");
  EXPECT_TRUE(platform_->HasFocus());
}

TEST_F(PlatformTest, ThePlatformGoingAwayTakesItsWindowAlong) {
  Open(false);
  HWND main = Impl().mMainWindow;
  platform_.reset();
  EXPECT_FALSE(IsWindow(main));
}

TEST_F(PlatformTest, FullScreenGoesToTheHostWhenHostDriven) {
  Open(false);
  EXPECT_TRUE(platform_->SetFullScreen(true));
  EXPECT_TRUE(platform_->IsFullScreen());
  EXPECT_TRUE(display_.IsFullScreen());
  platform_->SetFullScreen(false);
  HWND host = os::TestCreateForeignWindow("Host", "host", 640, 480);
  Impl().mHostWindow = host;
  SetProcessCommandLine("-pq=1");
  EXPECT_TRUE(platform_->SetFullScreen(true));
  EXPECT_TRUE(platform_->IsFullScreen());  // the state sent to the host
  EXPECT_FALSE(display_.IsFullScreen());   // the display stays windowed
  auto sent = os::TestForeignMessages(host);
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent.back().msg, static_cast<UINT>(WM_USER));
  EXPECT_EQ(sent.back().wParam, 1u);
  EXPECT_TRUE(platform_->IsDisplayReady());
  display_.mReady = false;
  EXPECT_FALSE(platform_->IsDisplayReady());
}

TEST_F(PlatformTest, ClipboardCarriesUnicodeTextForOtherProgramsInUtf8Mode) {
  Open(true);
  ASSERT_TRUE(platform_->StringToClipboard("na\xc3\xaf" "ve \xe2\x82\xac"));
  EXPECT_EQ(os::TestClipboardUtf8(), "na\xc3\xaf" "ve \xe2\x82\xac");
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE units = GetClipboardData(CF_UNICODETEXT);
  ASSERT_NE(units, nullptr);
  EXPECT_EQ(std::u16string(static_cast<const char16_t*>(GlobalLock(units))), u"na\u00efve \u20ac");
  GlobalUnlock(units);
  CloseClipboard();
  EXPECT_EQ(platform_->GetClipboardText(), "na\xc3\xaf" "ve \xe2\x82\xac");
}

TEST_F(PlatformTest, ClipboardReadsBytesOutsideUtf8ModeAndFailsCleanly) {
  Open(false);
  os::TestSetClipboardBytes("raw \xe9 bytes");
  EXPECT_EQ(platform_->GetClipboardText(), "raw \xe9 bytes");
  os::TestFailCall("OpenClipboard", ERROR_ACCESS_DENIED);
  EXPECT_FALSE(platform_->StringToClipboard("x"));
  os::TestFailCall("OpenClipboard", ERROR_ACCESS_DENIED);
  EXPECT_EQ(platform_->GetClipboardText(), "");
  os::TestFailCall("GlobalAlloc", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_FALSE(platform_->StringToClipboard("x"));
  EXPECT_TRUE(OpenClipboard(nullptr));  // it was closed again
  CloseClipboard();
  os::TestResetClipboard();
  EXPECT_EQ(platform_->GetClipboardText(), "");
}

TEST_F(PlatformTest, WebLinksOpenByTheDesktopOrTheHostsProgram) {
  Open(false);
  platform_->OpenUrl("https://example.org/news");
  Impl().mHosted = true;
  platform_->OpenUrl("https://example.org/hosted");
  SetProcessCommandLine("-wnd=10 -host=/bin/echo --axtest");
  platform_->OpenUrl("https://example.org/echo");
  auto calls = os::TestShellCalls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].argv, (std::vector<std::string>{"xdg-open", "https://example.org/news"}));
  EXPECT_EQ(calls[1].file, "iexplore.exe");
  EXPECT_EQ(calls[1].argv, (std::vector<std::string>{"xdg-open", "https://example.org/hosted"}));
  EXPECT_EQ(calls[2].file, "/bin/echo");
  EXPECT_EQ(calls[2].argv, (std::vector<std::string>{"/bin/echo", "https://example.org/echo"}));
}

TEST_F(PlatformTest, OnlyWebAndMailLinksAreOpened) {
  Open(false);
  struct Case {
    const char* link;
    bool opened;
  } cases[] = {
      {"http://example.org", true},   {"HTTPS://example.org/x", true}, {"mailto:someone@example.org", true},
      {"/usr/bin/xterm", false},      {"file:///etc/passwd", false},   {"calc.exe", false},
      {"", false},                    {"http", false},                 {"javascript:alert(1)", false},
  };
  for (const Case& c : cases) {
    os::TestResetShellCalls();
    platform_->OpenUrl(c.link);
    EXPECT_EQ(os::TestShellCalls().size(), c.opened ? 1u : 0u) << c.link;
  }
  Impl().mHosted = true;  // hosted, the link is the host program's parameter: the same rule
  os::TestResetShellCalls();
  platform_->OpenUrl("-e rm");
  EXPECT_TRUE(os::TestShellCalls().empty());
}

TEST_F(PlatformTest, HostDrivenLinksMinimiseTheFullScreenHost) {
  Open(false);
  HWND host = os::TestCreateForeignWindow("Host", "host", 640, 480);
  Impl().mHostWindow = host;
  Impl().mHosted = true;
  SetProcessCommandLine("-pq=1");
  platform_->SetFullScreen(true);
  platform_->OpenUrl("https://example.org");
  EXPECT_TRUE(IsIconic(host));
}

TEST_F(PlatformTest, MousePositionAndTasks) {
  Open(false);
  display_.mWindow = Impl().mMainWindow;
  display_.RefreshCursorRect();
  platform_->SetMousePosition(POINT{5, 6});
  POINT p;
  GetCursorPos(&p);
  EXPECT_EQ(p.x, display_.GetCursorRect().left + 5);
  EXPECT_EQ(platform_->GetInputMode(), 0);
  struct Once : TTask {
    bool Run() override { return false; }
  };
  auto task = std::make_unique<Once>();
  TTask* raw = task.get();
  platform_->AddTask(std::move(task));
  EXPECT_TRUE(platform_->GetTaskList()->Contains(raw));
  EXPECT_TRUE(platform_->RemoveTask(raw));
  delete raw;
  float scale = 0;
  EXPECT_FALSE(Impl().GetViewportScale(&scale));
  EXPECT_EQ(scale, 1.0f);
}

namespace {

// Textures are only compared by identity here.
// Cursor textures told apart by identity; they hold no pixels.
std::shared_ptr<TTexture> gSystemCursor;
int gLoads = 0;
std::shared_ptr<TTexture> LoadSystemCursor(const TString& path) {
  ++gLoads;
  return path == "__systemcursor__.png" ? gSystemCursor : nullptr;
}

}  // namespace

TEST_F(PlatformTest, InitDisplaySizesAndShowsTheWindowAndAnnouncesTheNewMode) {
  Open(false);
  platform_->InitDisplay(640, 480, false);
  // The first set-up shows a black frame through the device, and later frames show their colour.
  std::vector<uint32_t> frame;
  int frameWidth = 0, frameHeight = 0;
  ASSERT_TRUE(os::TestReadPresentedFrame(&frame, &frameWidth, &frameHeight));
  EXPECT_EQ(frame[0] & 0xFFFFFFu, 0u);
  EXPECT_TRUE(display_.PresentFrame(0xFF102030));
  ASSERT_TRUE(os::TestReadPresentedFrame(&frame, &frameWidth, &frameHeight));
  EXPECT_EQ(frame[0] & 0xFFFFFFu, 0x102030u);
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

TEST_F(PlatformTest, AHostedDisplayScalesToTheHostAndHostDrivenFullScreenStaysWindowed) {
  Open(false);
  // A desktop the scaled window fits on (the display refuses a hosted window that does not).
  os::TestSetSystemMetric(SM_CXSCREEN, 1920);
  os::TestSetSystemMetric(SM_CYSCREEN, 1080);
  display_.RefreshDesktopMetrics();
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

TEST_F(PlatformTest, CursorsReachTheDisplayAndComeBackAfterANewMode) {
  Open(false);
  gLoads = 0;
  SetCursorTextureLoader(LoadSystemCursor);
  gSystemCursor = std::make_shared<TTexture>();
  auto drawn = std::make_shared<TTexture>(), hard = std::make_shared<TTexture>();
  // Hardware cursors off: a drawn cursor is only kept.
  platform_->SetHardwareCursor(false);
  EXPECT_FALSE(display_.mHardwareCursor);
  platform_->SetCursor(drawn, 3, 4, false);
  EXPECT_EQ(display_.mMouseTexture[0], nullptr);
  EXPECT_EQ(Impl().mDrawnCursor.get(), drawn.get());
  // Hardware cursors on, none set: the system cursor stands in, loaded once.
  platform_->SetHardwareCursor(true);
  EXPECT_TRUE(display_.mHardwareCursor);
  platform_->SetCursor(drawn, 3, 4, false);
  platform_->SetCursor(drawn, 3, 4, false);
  EXPECT_EQ(display_.mMouseTexture[0].get(), gSystemCursor.get());
  EXPECT_EQ(gLoads, 1);
  // A hardware cursor goes to the hardware slot with its hot spot, and the class cursor goes away.
  platform_->SetCursor(hard, 7, 8, true);
  EXPECT_EQ(display_.mMouseTexture[1].get(), hard.get());
  EXPECT_EQ(display_.mMouseHotSpot[1].x, 7);
  EXPECT_EQ(display_.mMouseHotSpot[1].y, 8);
  EXPECT_EQ(GetClassLongA(Impl().mMainWindow, GCL_HCURSOR), 0u);
  // A new display mode hands both cursors over again.
  display_.mMouseTexture[0].reset();
  display_.mMouseTexture[1].reset();
  platform_->InitDisplay(320, 240, false);
  EXPECT_EQ(display_.mMouseTexture[0].get(), drawn.get());
  EXPECT_EQ(display_.mMouseTexture[1].get(), hard.get());
  gSystemCursor.reset();
}

TEST_F(PlatformTest, APortalHostsMuteAndPauseReachTheSoundAndTheCursor) {
  Open(false);
  platform_->InitSoundManager();
  TSoundManager* sound = platform_->GetSoundManager();
  ASSERT_NE(sound, nullptr);
  InstallPortalHooks(platform_.get());
  SetPortalZylom(true);
  PortalOnHostMessage(2);  // the host mutes
  EXPECT_FLOAT_EQ(sound->GetVolume(), 0.0f);
  PortalOnHostMessage(3);
  EXPECT_FLOAT_EQ(sound->GetVolume(), 1.0f);
  // The host's pause shows the system arrow; its end gives the game its own cursor back.
  PortalPauseGame();
  EXPECT_NE(GetCursor(), nullptr);
  PortalResumeGame();
  EXPECT_EQ(GetCursor(), nullptr);
  ResetPortal();
}

TEST_F(PlatformTest, TheSoundManagerIsMadeOnceAndFollowsThePumpAndTheActivation) {
  Open(false);
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
