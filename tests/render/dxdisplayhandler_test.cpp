// The display back end: mode selection and its fallbacks with their message boxes, the
// low-video-memory mode and its file, device loss and restore, vertex submission quirks and
// render targets.
#include "render/dxdisplayhandler.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "displayfixture.h"
#include "render/texture.h"
#include "os/time.h"
#include "services/portal.h"
#include "../os/gfx_fixture.h"

namespace {

using render_test::DisplayFixture;

constexpr const char kFallbackFailed[] =
    "Failed to initialize window. Please try running the game again. If that doesn't help, try changing the screen "
    "resolution and color depth. If that fails, then your video card does not support this game.";

class DisplayHandlerTest : public DisplayFixture {
 protected:
  std::vector<os::MessageBoxCall> Boxes() { return os::TestMessageBoxes(); }
  // Runs a call that is expected to end the process; answers the exit code.
  template <class F>
  int ExitCode(F call) {
    try {
      call();
    } catch (const os::ProcessExit& e) {
      return static_cast<int>(e.code);
    }
    return 0;
  }
  void Frames(int n) {
    for (int i = 0; i < n; ++i) {
      ASSERT_TRUE(handler->BeginDraw(false));
      handler->EndDraw(true);
    }
  }
};

TEST_F(DisplayHandlerTest, AWindowIsMadeAndAnUnchangedRequestKeepsIt) {
  Window(320, 240);
  EXPECT_EQ(GetConfig("dxbroken"), "0");
  EXPECT_EQ(GetConfig("monitorfrequency"), "60");
  EXPECT_EQ(Data().mDisplayBitsPerPixel, 32);
  EXPECT_EQ(GetWindowLongA(Impl().mMainWindow, GWL_STYLE) & WS_CAPTION, static_cast<LONG>(WS_CAPTION));
  EXPECT_TRUE(Impl().mDisplayChangedPending);
  int w, h;
  bool full;
  handler->GetDisplaySize(&w, &h, &full);
  EXPECT_EQ(w, 320);
  EXPECT_EQ(h, 240);
  EXPECT_FALSE(full);
  IDirect3DDevice7* device = Data().mDevice;
  Data().mDisplayReady = false;
  handler->SetDisplay(320, 240, false, false, false, false);
  EXPECT_TRUE(Data().mDisplayReady);
  EXPECT_EQ(Data().mDevice, device);
  EXPECT_TRUE(handler->CanRender());
}

TEST_F(DisplayHandlerTest, WindowRequestsThatCannotBeHonouredGoFullScreen) {
  struct Case {
    const char* what;
    int colours, width, height;
    const char* line;
  } cases[] = {
      {"paletted desktop", 256, 320, 240, "SetDisplay Forcing Fullscreen (PALLETTED)"},
      {"window does not fit", -1, 1024, 768, "SetDisplay Forcing Fullscreen (SMALL)"},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    os::TestSetDesktopColors(c.colours);
    handler->RefreshDesktopMetrics();
    handler->SetDisplay(c.width, c.height, false, true, false, false);
    EXPECT_TRUE(Logged(c.line));
    EXPECT_TRUE(handler->IsFullScreen());
    EXPECT_TRUE(handler->IsReady());
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(Impl().mMainWindow, GWL_STYLE)) & WS_POPUP, WS_POPUP);
    EXPECT_TRUE(Boxes().empty());
    handler->SetDisplay(320, 240, true, true, false, false);
  }
}

TEST_F(DisplayHandlerTest, LeavingFullScreenIsRefusedOnAPalettedDesktop) {
  handler->SetDisplay(640, 480, true, true, false, false);
  ASSERT_TRUE(handler->IsFullScreen());
  os::TestSetDesktopColors(256);
  handler->RefreshDesktopMetrics();
  EXPECT_FALSE(handler->SetFullScreen(false));
  EXPECT_TRUE(handler->IsFullScreen());
  os::TestSetDesktopColors(-1);
  handler->RefreshDesktopMetrics();
  EXPECT_TRUE(handler->SetFullScreen(false));
  EXPECT_FALSE(handler->IsFullScreen());
}

TEST_F(DisplayHandlerTest, FullScreenFailingAndThenTheWindowFailingGivesUp) {
  os::TestFailNextDx("CreateDevice", DDERR_GENERIC, 1000);
  handler->SetDisplay(640, 480, true, true, false, false);
  os::TestFailNextDx("CreateDevice", DD_OK, 0);
  EXPECT_TRUE(Logged("ERROR FALLBACK FAILED"));
  auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, kFallbackFailed);
  EXPECT_EQ(boxes[0].owner, Impl().mMainWindow);
  EXPECT_EQ(boxes[0].type & MB_ICONERROR, static_cast<UINT>(MB_ICONERROR));
  EXPECT_EQ(boxes[1].text, "Failed to initialize full screen mode. Your video card is not supported. Trying to run in a window.");
  EXPECT_EQ(boxes[1].caption, "Error");
  MSG msg;
  EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_FALSE(handler->IsReady());
  // A later SetDisplay ends the process.
  EXPECT_EQ(ExitCode([&] { handler->SetDisplay(640, 480, true, true, false, false); }), -1);
}

TEST_F(DisplayHandlerTest, AFailingWindowFallsBackToFullScreenWithAMessageUnlessSilent) {
  for (bool silent : {false, true}) {
    SCOPED_TRACE(silent);
    os::TestResetMessageBoxes();
    Data().mFallbackInProgress = false;
    os::TestFailNextDx("CreateDevice", DDERR_GENERIC, 1);
    handler->SetDisplay(320, 240, false, true, silent, false);
    EXPECT_TRUE(handler->IsFullScreen());
    EXPECT_TRUE(handler->IsReady());
    auto boxes = Boxes();
    if (silent) {
      EXPECT_TRUE(boxes.empty());
    } else {
      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_EQ(boxes[0].text, "Failed to initialize windowed mode. Trying full screen.");
    }
  }
}

TEST_F(DisplayHandlerTest, AFailureWhileInactiveMarksDirectXBrokenWithoutFallingBack) {
  Impl().mWindowActive = false;
  os::TestFailNextDx("CreateDevice", DDERR_GENERIC, 1);
  handler->SetDisplay(320, 240, false, true, false, false);
  EXPECT_TRUE(Logged("SetDisplay marking DirectX Broken: INACTIVE, BACKGROUND"));
  EXPECT_TRUE(Data().mBroken);
  EXPECT_EQ(GetConfig("dxbroken"), "1");
  EXPECT_TRUE(Boxes().empty());
  EXPECT_FALSE(handler->CanRender());
  // Inactive and not forced: nothing happens.
  Data().mBroken = false;
  handler->SetDisplay(320, 240, false, false, false, false);
  EXPECT_EQ(Data().mDevice, nullptr);
}

TEST_F(DisplayHandlerTest, TheAntialiasingHintIsDroppedWhenCreationFailsWithIt) {
  draw->SetRenderOption("hint_antialias", "1");
  draw->SetRenderOption("antialias", "1");
  // A window's back buffer cannot have the anti-aliasing alpha channel: the first creation fails.
  handler->SetDisplay(320, 240, false, true, false, false);
  EXPECT_FALSE(handler->IsFullScreen());
  EXPECT_TRUE(handler->IsReady());
  EXPECT_EQ(draw->GetRenderOption("hint_antialias"), "0");
  EXPECT_EQ(draw->GetRenderOption("antialias"), "0");
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(DisplayHandlerTest, OutOfVideoMemorySwitchesToTheLowMemoryModeOnce) {
  Window();
  ASSERT_TRUE(draw->BeginDraw(0));
  ASSERT_TRUE(draw->Begin2d());
  gfx_test::LVertex v[3] = {};
  auto* vertices = reinterpret_cast<const TTransformedVertex*>(v);
  os::TestFailNextDx("DrawPrimitive", DDERR_OUTOFVIDEOMEMORY, 2);
  draw->DrawVertices(D3DPT_TRIANGLELIST, TVertexSet(vertices, 3));
  EXPECT_TRUE(Logged("DrawVertices out of video memory"));
  EXPECT_TRUE(Logged("OutOfVideoMemory triggered!"));
  EXPECT_TRUE(Data().mLowMemoryVideo);
  EXPECT_EQ(GetConfig("dxbroken"), "1");
  EXPECT_NE(ReadFile("common/display.xml").find("LowMemoryVideo=\"1\""), std::string::npos);
  EXPECT_EQ(ReadFile("common/display.xml").rfind("<Settings", 0), 0u);
  // Broken: the next draw does not reach the device, and a later report changes nothing.
  draw->DrawVertices(D3DPT_TRIANGLELIST, TVertexSet(vertices, 3));
  TDxDisplayHandler::ReportOutOfVideoMemory();
  EXPECT_EQ(Count("OutOfVideoMemory triggered!"), 1u);
  draw->End2d();
  draw->EndDraw(0);

  // The restore sets the display again: the notice once, full screen at 16 bits per pixel.
  TPlatformData::Restore();
  auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Reconfiguring");
  EXPECT_EQ(boxes[0].type & MB_ICONWARNING, static_cast<UINT>(MB_ICONWARNING));
  EXPECT_TRUE(Logged("SetDisplay Forcing Fullscreen (MEMORY)"));
  EXPECT_TRUE(handler->IsFullScreen());
  EXPECT_TRUE(handler->IsReady());
  EXPECT_EQ(draw->GetRenderOption("16bitmode"), "1");
  EXPECT_EQ(Data().mDisplayBitsPerPixel, 16);

  // A later start reads the mode back from the file.
  MakeContext();
  EXPECT_TRUE(Logged("Low memory video card setting enabled!"));
  EXPECT_EQ(draw->GetRenderOption("16bitmode"), "1");
  // Host-driven runs cannot force full screen: they say so and end.
  SetProcessCommandLine("-pq=1");
  EXPECT_EQ(ExitCode([&] { handler->SetDisplay(320, 240, false, true, false, false); }), -1);
  EXPECT_EQ(Boxes().back().text.rfind("You cannot run this application at your current screen resolution or bit depth", 0), 0u);
}

TEST_F(DisplayHandlerTest, OutOfVideoMemoryOnAnotherThreadIsHandledByTheMainThread) {
  Window();
  std::thread worker([] { TDxDisplayHandler::ReportOutOfVideoMemory(); });
  worker.join();
  EXPECT_FALSE(Logged("OutOfVideoMemory triggered!"));
  EXPECT_FALSE(Data().mLowMemoryVideo);
  EXPECT_FALSE(handler->BeginDraw(false));  // the main thread takes the report up and is broken now
  EXPECT_TRUE(Logged("OutOfVideoMemory triggered!"));
  EXPECT_TRUE(Data().mLowMemoryVideo);
}

TEST_F(DisplayHandlerTest, RestoreRightAfterSetDisplaySetsTheDisplayAgain) {
  Window();
  handler->MarkBroken();
  EXPECT_FALSE(handler->IsReady());
  TPlatformData::Restore();
  EXPECT_TRUE(Logged("TPlatformData::Restore: Working count too small (0). Calling SetDisplay()"));
  EXPECT_TRUE(handler->IsReady());
  // Inactive: only marked broken.
  handler->MarkBroken();
  Impl().mWindowActive = false;
  TPlatformData::Restore();
  EXPECT_FALSE(handler->IsReady());
}

TEST_F(DisplayHandlerTest, RestoreAfterWorkingFramesRestoresTheSurfaces) {
  Window();
  Frames(3);
  os::TestLoseAllSurfaces();
  EXPECT_FALSE(handler->BeginDraw(false));  // the lost primary skips the frame and marks broken
  EXPECT_TRUE(Data().mBroken);
  IDirect3DDevice7* device = Data().mDevice;
  TPlatformData::Restore();
  EXPECT_FALSE(Data().mBroken);
  EXPECT_EQ(GetConfig("dxbroken"), "0");
  EXPECT_EQ(Data().mDevice, device);  // the same device, surfaces restored
  EXPECT_TRUE(handler->BeginDraw(false));
  handler->EndDraw(true);
}

TEST_F(DisplayHandlerTest, RestoreFailuresCallSetDisplay) {
  struct Case {
    const char* kind;
    HRESULT code;
    const char* line;
  } cases[] = {
      {"RestoreAllSurfaces", DDERR_WRONGMODE, "Restore: RestoreAllSurfaces resulted in DDERR_WRONGMODE. Calling SetDisplay."},
      {"RestoreAllSurfaces", DDERR_GENERIC, "RestoreAllSurfaces failed!"},
  };
  Window();
  for (auto& c : cases) {
    SCOPED_TRACE(c.line);
    Frames(3);
    handler->MarkBroken();
    os::TestFailNextDx(c.kind, c.code);
    TPlatformData::Restore();
    EXPECT_TRUE(Logged(c.line));
    EXPECT_TRUE(handler->IsReady());
    EXPECT_EQ(Data().mFrameCount, 0u);
  }
  // A cooperative level in the wrong mode sets the display again at once.
  Frames(3);
  handler->MarkBroken();
  os::TestFailNextDx("TestCooperativeLevel", DDERR_WRONGMODE);
  TPlatformData::Restore();
  EXPECT_TRUE(handler->IsReady());
  EXPECT_EQ(Data().mFrameCount, 0u);
}

TEST_F(DisplayHandlerTest, FrameFailures) {
  Window();
  Frames(3);
  // A flip still running skips the frame.
  os::TestFailNextDx("GetFlipStatus", DDERR_WASSTILLDRAWING);
  EXPECT_FALSE(handler->BeginDraw(false));
  EXPECT_FALSE(Data().mBroken);
  // A lost surface at BeginScene restores and draws.
  os::TestFailNextDx("BeginScene", DDERR_SURFACELOST);
  EXPECT_TRUE(handler->BeginDraw(false));
  EXPECT_TRUE(Logged("TRenderer::BeginDraw: DDERR_SURFACELOST on BeginScene"));
  handler->EndDraw(true);
  // EndScene failing marks DirectX broken.
  ASSERT_TRUE(handler->BeginDraw(false));
  os::TestFailNextDx("EndScene", D3DERR_SCENE_END_FAILED);
  handler->EndDraw(true);
  EXPECT_TRUE(Data().mBroken);
  EXPECT_FALSE(handler->BeginDraw(false));
}

TEST_F(DisplayHandlerTest, BrokenIndexedVerticesDrawThroughACappedIdentityList) {
  Window();
  SetConfig("brokenindexedverts", "1");
  std::vector<TTransformedVertex> vertices(70000);
  ASSERT_TRUE(draw->BeginDraw(0));
  ASSERT_TRUE(draw->Begin2d());
  draw->DrawVertices(D3DPT_POINTLIST, TVertexSet(vertices.data(), 40000));
  EXPECT_EQ(Data().mIdentityCapacity, 65535);
  EXPECT_EQ(Data().mIdentityIndices[65534], 65534);
  draw->DrawVertices(D3DPT_POINTLIST, TVertexSet(vertices.data(), 100));
  EXPECT_EQ(Data().mIdentityCapacity, 65535);
  draw->DrawVertices(D3DPT_POINTLIST, TVertexSet(vertices.data(), 70000));
  EXPECT_EQ(Data().mIdentityCapacity, 65535);
  EXPECT_FALSE(Data().mBroken);
  draw->End2d();
  draw->EndDraw(0);
}

TEST_F(DisplayHandlerTest, RenderTargetsDrawIntoTheTexture) {
  Window();
  auto empty = std::make_shared<TTexture>();
  EXPECT_FALSE(handler->BeginRenderTarget(empty, 0));
  EXPECT_TRUE(Data().mBroken);
  handler->SetDisplay(320, 240, false, true, false, false);

  auto target = TTexture::CreateBlank(64, 64, true);
  ASSERT_TRUE(target);
  IDirectDrawSurface7* surface = target->GetSurface();
  ASSERT_NE(surface, nullptr);

  ASSERT_TRUE(draw->BeginRenderTarget(target, 0));
  EXPECT_TRUE(draw->IsDrawing());
  ASSERT_TRUE(draw->Begin2d());
  draw->DrawTextureRect(TRect(0, 0, 64, 64), TVec4(0, 0, 1, 1), nullptr);
  draw->DrawTextureRect(TRect(0, 0, 32, 32), TVec4(1, 0, 0, 1), nullptr);
  draw->End2d();
  draw->EndRenderTarget();
  EXPECT_FALSE(draw->IsDrawing());
  DDSURFACEDESC2 lock{};
  lock.dwSize = sizeof lock;
  ASSERT_EQ(surface->Lock(nullptr, &lock, DDLOCK_WAIT, nullptr), DD_OK);
  auto pixel = [&](int x, int y) { return static_cast<uint32_t*>(lock.lpSurface)[y * lock.lPitch / 4 + x]; };
  EXPECT_TRUE(gfx_test::Near(pixel(10, 10), 0xFFFF0000u, 2, true));
  EXPECT_TRUE(gfx_test::Near(pixel(50, 50), 0xFF0000FFu, 2, true));
  surface->Unlock(nullptr);
  // A simple texture is refused.
  auto simple = std::make_shared<TTexture>();
  simple->GetData()->mFlags |= kTexSimple;
  EXPECT_FALSE(draw->BeginRenderTarget(simple, 0));
}

}  // namespace

namespace {

TEST_F(DisplayHandlerTest, PixelCentreCalibrationFindsAnExactOffsetOnce) {
  Window();
  handler->TestRenderTargets();
  EXPECT_TRUE(Data().mCalibrated);
  float offset = Data().mPixelCentreOffset;
  EXPECT_GE(offset, -0.5f);
  EXPECT_LE(offset, 0.41f);
  EXPECT_FALSE(Data().mBroken);
  // With the offset found, a texture with marked corners lands on its pixels in a frame.
  auto marked = TTexture::CreateBlank(16, 16, true);
  ASSERT_TRUE(marked);
  uint32_t* pixels = nullptr;
  int row = 0;
  ASSERT_TRUE(marked->Lock(&pixels, &row));
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      pixels[y * row + x] = (x == 0 && y == 0) || (x == 15 && y == 15) ? 0xFF0000FFu : 0xFFFFFFFFu;
  marked->Unlock();
  ASSERT_TRUE(draw->BeginDraw(0));
  ASSERT_TRUE(draw->Begin2d());
  draw->SetTextureFilter(0);
  draw->SetTexture(marked);
  TVec2 corners[4] = {{40, 40}, {56, 40}, {56, 56}, {40, 56}};
  TTransformedVertex quad[4];
  BuildQuadVertices(quad, TVec2(0, 0), corners, TVec2(0, 0), TVec2(1, 1), TMat3::Identity(), 1, 1, 1, 1);
  draw->DrawVertices(D3DPT_TRIANGLEFAN, TVertexSet(quad, 4));
  draw->End2d();
  draw->EndDraw(1);
  EXPECT_EQ(Presented(40, 40), 0x0000FFu);
  EXPECT_EQ(Presented(55, 55), 0x0000FFu);
  EXPECT_EQ(Presented(41, 40), 0xFFFFFFu);
  EXPECT_EQ(Presented(39, 40), 0x000000u);  // the calibration cleared the screen
  EXPECT_EQ(Presented(56, 55), 0x000000u);
  Data().mPixelCentreOffset = 0.3f;
  handler->TestRenderTargets();  // calibrated: nothing runs again
  EXPECT_FLOAT_EQ(Data().mPixelCentreOffset, 0.3f);
}

TEST_F(DisplayHandlerTest, CalibrationWithoutARenderTargetStaysUndone) {
  Window();
  os::TestFailNextDx("BeginScene", DDERR_GENERIC);
  handler->TestRenderTargets();
  EXPECT_FALSE(Data().mCalibrated);
  EXPECT_FLOAT_EQ(Data().mPixelCentreOffset, -0.5f);
  EXPECT_FALSE(draw->IsDrawing());
}

}  // namespace

namespace {

class HostedDisplayTest : public DisplayHandlerTest {
 protected:
  void SetUp() override {
    DisplayHandlerTest::SetUp();
    host = os::TestCreateForeignWindow("Host", "host", 640, 480);
    Impl().mHosted = true;
    Impl().mHostWindow = host;
  }
  HWND host = nullptr;
};

TEST_F(HostedDisplayTest, AWindowGoesIntoTheHostAtItsClientSize) {
  handler->SetDisplay(320, 240, false, true, false, false);
  ASSERT_TRUE(handler->IsReady());
  EXPECT_EQ(GetParent(Impl().mMainWindow), host);
  DWORD style = static_cast<DWORD>(GetWindowLongA(Impl().mMainWindow, GWL_STYLE));
  EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE), WS_CHILD | WS_VISIBLE);
  RECT r{};
  GetClientRect(Impl().mMainWindow, &r);
  EXPECT_EQ(r.right, 640);
  EXPECT_EQ(r.bottom, 480);
}

TEST_F(HostedDisplayTest, ModesTheHostCannotHaveEndTheRunWithAMessage) {
  struct Case {
    const char* what;
    std::function<void()> arrange;
    const char* text;  // the start of the box's text
  } cases[] = {
      {"paletted desktop", [] { os::TestSetDesktopColors(256); }, "You cannot run this application when your video mode is 8 bits"},
      {"window does not fit", [] { os::TestSetSystemMetric(SM_CXSCREEN, 300); }, "You cannot run this application at your current screen resolution."},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    os::TestResetMessageBoxes();
    c.arrange();
    handler->RefreshDesktopMetrics();
    EXPECT_EQ(ExitCode([&] { handler->SetDisplay(320, 240, false, true, false, false); }), -1);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text.rfind(c.text, 0), 0u);
    EXPECT_EQ(Boxes()[0].type & MB_ICONWARNING, static_cast<UINT>(MB_ICONWARNING));
    os::TestSetDesktopColors(-1);
    os::TestSetSystemMetric(SM_CXSCREEN, 1024);
  }
  DestroyWindow(host);
  EXPECT_EQ(ExitCode([&] { handler->SetDisplay(320, 240, false, true, false, false); }), -1);
  EXPECT_TRUE(Logged("Error: mExternalWindowParent is lost, exiting!"));
}

TEST_F(HostedDisplayTest, AFailedCreationMarksBrokenAndTheNextTryWaitsASecond) {
  os::TestFreezeTime(50000);
  os::TestFailNextDx("CreateDevice", DDERR_GENERIC, 1);
  handler->SetDisplay(320, 240, false, true, false, false);
  EXPECT_TRUE(Data().mBroken);
  EXPECT_TRUE(Boxes().empty());
  os::TestAdvanceTime(500);
  handler->SetDisplay(320, 240, false, true, false, false);
  EXPECT_FALSE(handler->IsReady());  // too soon after the mark
  os::TestAdvanceTime(600);
  handler->SetDisplay(320, 240, false, true, false, false);
  EXPECT_TRUE(handler->IsReady());
  os::TestReleaseTime();
}

TEST_F(DisplayHandlerTest, TheZylomPortalForcesASilentWindow) {
  SetPortalZylom(true);
  os::TestFailNextDx("CreateDevice", DDERR_GENERIC, 1);
  handler->SetDisplay(320, 240, true, true, false, false);
  EXPECT_FALSE(handler->IsFullScreen());
  EXPECT_TRUE(Boxes().empty());  // the fallback is silent (and a window again)
  // The pump's restore makes the window.
  TPlatformData::Restore();
  SetPortalZylom(false);
  EXPECT_TRUE(Logged("TPlatformData::Restore: mDirectDraw NULL. Calling SetDisplay()"));
  EXPECT_FALSE(handler->IsFullScreen());
  EXPECT_TRUE(handler->IsReady());
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(DisplayHandlerTest, ThePumpsRestoreLeavesADisplayNeverSetUpAlone) {
  int before = TPlatformData::RestoreCount();
  TPlatformData::Restore();
  EXPECT_EQ(TPlatformData::RestoreCount(), before + 1);
  EXPECT_FALSE(handler->WasSetUp());
  EXPECT_TRUE(handler->IsReady());
  EXPECT_TRUE(handler->SetFullScreen(true));  // only the flag until a display exists
  EXPECT_TRUE(handler->IsFullScreen());
  EXPECT_EQ(Data().mDevice, nullptr);
}

}  // namespace

namespace {

TEST_F(DisplayHandlerTest, AnAlphaRenderTargetReceivesTheDrawnAlpha) {
  Window();
  auto target = TTexture::CreateBlank(32, 32, true);
  ASSERT_TRUE(target);
  uint32_t* pixels = nullptr;
  int row = 0;
  ASSERT_TRUE(target->Lock(&pixels, &row));
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) pixels[y * row + x] = 0xFF00FF00u;
  target->Unlock();
  ASSERT_TRUE(draw->BeginRenderTarget(target, 4));
  EXPECT_TRUE(handler->IsAlphaMode());
  ASSERT_TRUE(draw->Begin2d());
  TVec2 corners[4] = {{0, 0}, {16, 0}, {16, 32}, {0, 32}};
  TTransformedVertex quad[4];
  BuildQuadVertices(quad, TVec2(0, 0), corners, TVec2(0, 0), TVec2(1, 1), TMat3::Identity(), 0.5f, 1, 0, 0);
  draw->DrawVertices(D3DPT_TRIANGLEFAN, TVertexSet(quad, 4));
  draw->End2d();
  draw->EndRenderTarget();
  EXPECT_FALSE(handler->IsAlphaMode());
  ASSERT_TRUE(target->Lock(&pixels, &row));
  uint32_t drawn = pixels[8 * row + 8], untouched = pixels[8 * row + 24];
  target->Unlock();
  // Only the alpha changes: half where the quad was, none elsewhere; the colour stays.
  EXPECT_NEAR(static_cast<int>(drawn >> 24), 0x7F, 3);
  EXPECT_EQ(drawn & 0xFFFFFFu, 0x00FF00u);
  EXPECT_EQ(untouched >> 24, 0u);
  EXPECT_EQ(untouched & 0xFFFFFFu, 0x00FF00u);
}

}  // namespace

namespace {

TEST_F(DisplayHandlerTest, RenderTargetsOnASixteenBitDisplayAreCopiedPixelByPixel) {
  Data().mLowMemoryVideo = true;
  handler->SetDisplay(320, 240, true, true, false, false);
  ASSERT_EQ(Data().mDisplayBitsPerPixel, 16);
  auto target = TTexture::CreateBlank(32, 32, true);
  ASSERT_TRUE(target);
  ASSERT_TRUE(draw->BeginRenderTarget(target, 0));
  ASSERT_TRUE(draw->Begin2d());
  draw->DrawTextureRect(TRect(0, 0, 32, 32), TVec4(1, 0, 0, 1), nullptr);
  draw->DrawTextureRect(TRect(16, 0, 32, 32), TVec4(0, 0, 1, 1), nullptr);
  draw->End2d();
  draw->EndRenderTarget();
  uint32_t* pixels = nullptr;
  int row = 0;
  ASSERT_TRUE(target->Lock(&pixels, &row));
  uint32_t left = pixels[5 * row + 5], right = pixels[5 * row + 25];
  target->Unlock();
  EXPECT_TRUE(gfx_test::Near(left, 0xFFFF0000u, 18, true));
  EXPECT_TRUE(gfx_test::Near(right, 0xFF0000FFu, 18, true));
}

}  // namespace

namespace {

// A render target drawn after a frame (as a sprite's hit test does) leaves the back buffer alone:
// the frame kept there for the window is not drawn into it first, and it stays what is shown.
TEST_F(DisplayHandlerTest, ARenderTargetLeavesTheFrameInTheBackBuffer) {
  Window();
  ASSERT_TRUE(draw->BeginDraw(0));
  ASSERT_TRUE(draw->Begin2d());
  draw->DrawTextureRect(TRect(0, 0, 320, 240), TVec4(0, 0, 1, 1), nullptr);
  draw->DrawTextureRect(TRect(0, 0, 8, 8), TVec4(1, 1, 0, 1), nullptr);
  draw->End2d();
  EXPECT_EQ(draw->EndDraw(1), DD_OK);
  int drawnAgain = os::TestDeferredFrameDrawCount();
  auto target = TTexture::CreateBlank(4, 4, true);
  ASSERT_TRUE(target);
  ASSERT_TRUE(draw->BeginRenderTarget(target, 4));
  ASSERT_TRUE(draw->Begin2d());
  draw->DrawTextureRect(TRect(0, 0, 4, 4), TVec4(1, 0, 0, 1), nullptr);
  draw->End2d();
  draw->EndRenderTarget();
  EXPECT_EQ(os::TestDeferredFrameDrawCount(), drawnAgain);
  EXPECT_EQ(Presented(2, 2), 0xFFFF00u);
  EXPECT_EQ(Presented(100, 100), 0x0000FFu);
  uint32_t* pixels = nullptr;
  int row = 0;
  ASSERT_TRUE(target->Lock(&pixels, &row));
  EXPECT_EQ(pixels[1 * row + 1] >> 24, 0xFFu);   // the target got what was drawn
  target->Unlock();
}

}  // namespace
