// The platform facade's own services: timer, title, focus, full screen through the host, pointer,
// clipboard and web links.
#include "core/platform.h"

#include <gtest/gtest.h>

#include "core/commandline.h"
#include "core/config.h"
#include "core/platformimpl.h"
#include "core/timer.h"
#include "os/clipboard.h"
#include "os/faultinject.h"
#include "os/shellexec.h"
#include "os/text.h"
#include "os/time.h"
#include "render/dxdisplayhandler.h"
#include "services/gamestate.h"
#include "services/portal.h"

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
    auto impl = std::make_unique<TPlatformImpl>();
    impl->mClassBaseName = "zoswinfacadetest";
    impl->mStartTime = timeGetTime();
    impl->SetDisplayHandler(&display_);
    platform_ = std::make_unique<TPlatform>(std::move(impl));
  }
  void TearDown() override {
    platform_.reset();
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
