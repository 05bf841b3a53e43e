// Fixture of the display tests: a platform with its main window in the foreground, the drawing
// context with its display handler, recorded message boxes and process ends, the log in a temporary
// folder and the "user:" and "common:" roots in a temporary folder, which is the current folder too.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/assetindex.h"
#include "core/commandline.h"
#include "core/config.h"
#include "logcapture.h"
#include "../os/tempfolder.h"
#include "os/ddraw.h"
#include "os/gdi.h"
#include "os/msgbox.h"
#include "os/paths.h"
#include "os/process.h"
#include "os/time.h"
#include "os/winuser.h"
#include "platform/platform.h"
#include "platform/platformimpl.h"
#include "render/drawcontext.h"
#include "render/dxdisplayhandler.h"

namespace render_test {

class DisplayFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    os::TestResetGraphics();
    os::TestResetWindows();
    os::TestSetDesktopColors(-1);
    os::TestSetSystemMetric(SM_CXSCREEN, 1024);
    os::TestSetSystemMetric(SM_CYSCREEN, 768);
    os::TestSetDisplayModes({{640, 480, 16, 60}, {640, 480, 32, 60}, {320, 240, 16, 60}, {320, 240, 32, 60}, {1024, 768, 32, 60}});
    os::TestRecordMessageBoxes(true);
    os::TestResetMessageBoxes();
    os::TestCatchExitProcess(true);
    SetProcessCommandLine("");
    ClearConfig();
    std::filesystem::create_directories(mFiles / "user");
    std::filesystem::create_directories(mFiles / "common");
    auto impl = std::make_unique<TPlatformImpl>();
    impl->mClassBaseName = "zdisplaytest";
    impl->mStartTime = timeGetTime();
    mPlatform = std::make_unique<TPlatform>(std::move(impl));
    SetFileRoots(Root("user"), Root("common"), TString());  // after the platform's start-up set its own
    ASSERT_TRUE(mPlatform->CreateMainWindow());
    ShowWindow(Impl().mMainWindow, SW_SHOWNORMAL);
    SetForegroundWindow(Impl().mMainWindow);
    MakeContext();
  }

  void TearDown() override {
    TDrawContext::DestroyInstance();
    mPlatform.reset();
    EXPECT_EQ(os::TestLiveSurfaceCount(), 0);
    os::TestResetWindows();
    os::TestResetGraphics();
    os::TestSetDesktopColors(-1);
    os::TestResetMessageBoxes();
    os::TestCatchExitProcess(false);
    SetFileRoots(TString(), TString(), TString());
    SetProcessCommandLine("");
    ClearConfig();
  }

  // A fresh drawing context and display handler (the handler reads "common:display.xml" when made).
  void MakeContext() {
    TDrawContext::DestroyInstance();
    draw = TDrawContext::GetInstance();
    handler = TDxDisplayHandler::GetInstance();
    Impl().SetDisplayHandler(handler);
  }

  TPlatformImpl& Impl() { return *mPlatform->GetImpl(); }
  TPlatformData& Data() { return *handler->GetData(); }
  std::string Log() const { return log.Text(); }
  bool Logged(const std::string& text) const { return Log().find(text) != std::string::npos; }
  size_t Count(const std::string& text) const {
    std::string all = Log();
    size_t n = 0;
    for (size_t at = all.find(text); at != std::string::npos; at = all.find(text, at + 1)) ++n;
    return n;
  }

  // A window of the size, expected to succeed.
  void Window(int w = 320, int h = 240) {
    handler->SetDisplay(w, h, false, true, false, false);
    ASSERT_TRUE(handler->IsReady());
    ASSERT_FALSE(handler->IsFullScreen());
  }

  // The pixel of the last presented frame as 0xRRGGBB.
  uint32_t Presented(int x, int y) {
    std::vector<uint32_t> frame;
    int w = 0, h = 0;
    EXPECT_TRUE(os::TestReadPresentedFrame(&frame, &w, &h));
    if (x >= w || y >= h) return 0xDEADBEEF;
    return frame[static_cast<size_t>(y) * w + x] & 0xFFFFFFu;
  }

  std::string ReadFile(const std::string& rel) const {
    std::ifstream in(mFiles / rel);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  void WriteFile(const std::string& rel, const std::string& text) const { std::ofstream(mFiles / rel) << text; }

  TString Root(const std::string& rel) { return TString((os::ToWindowsPath(mFiles / rel) + "\\").c_str()); }

  LogCapture log;
  testutil::TempFolder mFiles;
  // The platform's start-up reads "assets/settings.xml" and indexes "assets" below the current
  // folder: started beside the game's assets, a test would run with the game's settings.
  testutil::ScopedCwd mCwd{mFiles.Path()};
  std::unique_ptr<TPlatform> mPlatform;
  TDrawContext* draw = nullptr;
  TDxDisplayHandler* handler = nullptr;
};

}  // namespace render_test
