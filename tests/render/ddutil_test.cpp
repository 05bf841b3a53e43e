// DirectDraw set-up of the display: the full-screen device walk and depth choice, the compatibility
// message, window mode and its window, presenting and lost surfaces, and plain surfaces.
#include "render/ddutil.h"

#include <gtest/gtest.h>

#include "os/msgbox.h"
#include "os/winuser.h"
#include "logcapture.h"

namespace {

const GUID kSecond = {0x22, 0x22, 0x22, {2, 2, 2, 2, 2, 2, 2, 2}};
const GUID kThird = {0x33, 0x33, 0x33, {3, 3, 3, 3, 3, 3, 3, 3}};
const char kIncompatible[] =
    "Sorry, but this product isn't compatible with your display. Try using a different display (for instance, "
    "the main display in your laptop), if you have the option.";

int gOutOfMemoryCalls = 0;

class DisplaySetup : public ::testing::Test {
 protected:
  void SetUp() override {
    os::TestResetGraphics();
    os::TestRecordMessageBoxes(true);
    os::TestResetMessageBoxes();
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "DisplaySetupTest";
    RegisterClassA(&wc);
    window = CreateWindowExA(0, "DisplaySetupTest", "display", WS_POPUP, 30, 40, 200, 100, nullptr, nullptr,
                             nullptr, nullptr);
    gOutOfMemoryCalls = 0;
    SetOutOfVideoMemoryHook([] { ++gOutOfMemoryCalls; });
    os::TestSetDisplayModes({{640, 480, 16, 60}, {640, 480, 32, 60}, {800, 600, 24, 60}, {800, 600, 16, 60}});
  }

  void TearDown() override {
    display.reset();
    SetOutOfVideoMemoryHook(nullptr);
    DestroyWindow(window);
    EXPECT_EQ(os::TestLiveSurfaceCount(), 0);
    os::TestResetGraphics();
    os::TestResetMessageBoxes();
  }

  std::string Log() const { return log.Text(); }

  DWORD DisplayDepth() {
    DDSURFACEDESC2 mode{};
    mode.dwSize = sizeof mode;
    display->GetDirectDraw()->GetDisplayMode(&mode);
    return mode.ddpfPixelFormat.dwRGBBitCount;
  }

  render_test::LogCapture log;
  HWND window = nullptr;
  std::unique_ptr<CDisplay> display = std::make_unique<CDisplay>();
};

TEST_F(DisplaySetup, FullScreenPicksTheDepthFromTheModeList) {
  struct Case { const char* name; DWORD width, height, asked, memory, want; const char* logged; };
  const Case cases[] = {
      {"requested depth present", 640, 480, 32, 256u << 20, 32, "Created screen at 32 bpp."},
      {"only 24 and 16: 16 wins", 800, 600, 32, 256u << 20, 16, "Created screen at 32 bpp."},
      {"8 MB of video memory", 640, 480, 32, 8u << 20, 16, "Created screen at 16 bpp."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    os::TestSetVideoMemory(c.memory, c.memory);
    ASSERT_EQ(display->CreateFullScreenMode(window, c.width, c.height, c.asked, 0), S_OK);
    EXPECT_EQ(DisplayDepth(), c.want);
    EXPECT_NE(Log().find(c.logged), std::string::npos);
    EXPECT_FALSE(display->IsWindowed());
    ASSERT_NE(display->GetBackBuffer(), nullptr);
    DDSURFACEDESC2 back{};
    back.dwSize = sizeof back;
    display->GetBackBuffer()->GetSurfaceDesc(&back);
    EXPECT_EQ(back.dwWidth, c.width);
    EXPECT_EQ(back.ddpfPixelFormat.dwRGBBitCount, c.want);
    RECT r = display->GetWindowRect();
    EXPECT_EQ(r.right, GetSystemMetrics(SM_CXSCREEN));
    display->ReleaseObjects();
  }
  EXPECT_TRUE(os::TestMessageBoxes().empty());
}

TEST_F(DisplaySetup, FailedPrimaryDriverMovesOnToTheEnumeratedDevicesWithGuids) {
  os::TestSetAdapters({{false, {}, "Primary", "display"}, {false, {}, "No GUID", "x"}, {true, kSecond, "Second", "d2"},
                       {true, kThird, "Third", "d3"}});
  struct Case { int failures; bool ok; GUID taken; };
  // Attempt 1 counts off the primary and skips the device without GUID; attempt 2 lands on the same
  // device again; attempt 3 takes the third.
  const Case cases[] = {{1, true, kSecond}, {2, true, kSecond}, {3, true, kThird}, {4, false, {}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.failures);
    os::TestFailNextDx("DirectDrawCreateEx", DDERR_GENERIC, c.failures);
    HRESULT hr = display->CreateFullScreenMode(window, 640, 480, 32, 0);
    if (!c.ok) {
      EXPECT_EQ(hr, E_FAIL);
      continue;
    }
    ASSERT_EQ(hr, S_OK);
    GUID taken{};
    ASSERT_TRUE(os::TestLastCreatedAdapter(&taken));
    EXPECT_TRUE(taken == c.taken);
  }
  EXPECT_NE(Log().find("DX Error: E_FAIL (0x80004005), File ddutil, Line"), std::string::npos);
  EXPECT_NE(Log().find("Failed to create a DirectDraw device after trying all GUIDs"), std::string::npos);
  // The display had been created before, so no message.
  EXPECT_TRUE(os::TestMessageBoxes().empty());
}

TEST_F(DisplaySetup, ExhaustedDevicesShowTheCompatibilityMessageOnlyTheFirstTime) {
  os::TestSetAdapters({{false, {}, "Primary", "display"}, {true, kSecond, "Second", "d2"}});
  // No mode of that size: every device refuses the mode.
  EXPECT_EQ(display->CreateFullScreenMode(window, 1000, 700, 32, 0), E_FAIL);
  auto boxes = os::TestMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, kIncompatible);
  EXPECT_EQ(boxes[0].caption, "Error");
  EXPECT_EQ(boxes[0].owner, nullptr);
  EXPECT_EQ(boxes[0].type & MB_ICONERROR, UINT(MB_ICONERROR));
  EXPECT_NE(Log().find("Failed to create screen at 32 bpp."), std::string::npos);
  EXPECT_EQ(display->GetDirectDraw(), nullptr);

  // A later exhausted walk after a success stays silent; an attempt number past the devices fails at once.
  ASSERT_EQ(display->CreateFullScreenMode(window, 640, 480, 32, 0), S_OK);
  EXPECT_EQ(display->CreateFullScreenMode(window, 640, 480, 32, 2u << 16), E_FAIL);
  EXPECT_EQ(os::TestMessageBoxes().size(), 1u);
}

TEST_F(DisplaySetup, FailuresOfEachStepTryTheNextDevice) {
  os::TestSetAdapters({{false, {}, "Primary", "display"}, {true, kSecond, "Second", "d2"}});
  for (const char* kind : {"SetCooperativeLevel", "SetDisplayMode", "GetAttachedSurface"}) {
    SCOPED_TRACE(kind);
    os::TestFailNextDx(kind, DDERR_OUTOFVIDEOMEMORY);
    int before = gOutOfMemoryCalls;
    ASSERT_EQ(display->CreateFullScreenMode(window, 640, 480, 32, 0), S_OK);
    GUID taken{};
    EXPECT_TRUE(os::TestLastCreatedAdapter(&taken));
    EXPECT_EQ(gOutOfMemoryCalls, before + 1);
  }
  // The front buffer is tried twice (the second time without the anti-aliasing hint) before moving on.
  os::TestFailNextDx("CreateSurface", DDERR_GENERIC, 2);
  ASSERT_EQ(display->CreateFullScreenMode(window, 640, 480, 32, 4), S_OK);
  EXPECT_TRUE(os::TestLastCreatedAdapter(nullptr));
}

TEST_F(DisplaySetup, AntiAliasingHintFallsBackToAPlainFrontBuffer) {
  ASSERT_EQ(display->CreateFullScreenMode(window, 640, 480, 32, 4), S_OK);
  EXPECT_FALSE(os::TestLastCreatedAdapter(nullptr));   // still the primary driver
  EXPECT_NE(Log().find("FAILED to create front buffer with DDSCAPS2_ENABLEALPHACHANNEL"), std::string::npos);
}

TEST_F(DisplaySetup, PresentFlipsAndRestoresLostSurfaces) {
  EXPECT_EQ(display->PresentFrame(), E_POINTER);
  ASSERT_EQ(display->CreateFullScreenMode(window, 640, 480, 32, 0), S_OK);
  // Created black.
  DDBLTFX fx{};
  fx.dwSize = sizeof fx;
  fx.dwFillColor = 0x00FF0000;
  RECT r{0, 0, 10, 10};
  display->GetBackBuffer()->Blt(&r, nullptr, nullptr, DDBLT_COLORFILL, &fx);
  os::TestFailNextDx("Flip", DDERR_WASSTILLDRAWING, 3);
  ASSERT_EQ(display->PresentFrame(), DD_OK);
  std::vector<uint32_t> frame;
  int w = 0, h = 0;
  ASSERT_TRUE(os::TestReadPresentedFrame(&frame, &w, &h));
  ASSERT_EQ(w, 640);
  EXPECT_EQ(frame[5 * 640 + 5] & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(frame[20 * 640 + 20] & 0xFFFFFF, 0u);

  os::TestLoseAllSurfaces();
  EXPECT_EQ(display->PresentFrame(), DDERR_SURFACELOST);
  EXPECT_EQ(display->GetFrontBuffer()->IsLost(), DD_OK);
  EXPECT_EQ(display->GetBackBuffer()->IsLost(), DD_OK);
  EXPECT_EQ(display->PresentFrame(), DD_OK);
}

TEST_F(DisplaySetup, WindowModeSizesTheWindowAndPresentsIntoIt) {
  ASSERT_EQ(display->CreateWindowMode(window, nullptr, 160, 120, false, 1), S_OK);
  EXPECT_TRUE(display->IsWindowed());
  LONG_PTR style = GetWindowLongA(window, GWL_STYLE);
  EXPECT_FALSE(style & WS_POPUP);
  EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME | WS_MINIMIZEBOX), LONG_PTR(WS_CAPTION | WS_THICKFRAME | WS_MINIMIZEBOX));
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right - client.left, 160);
  EXPECT_EQ(client.bottom - client.top, 120);
  RECT bounds = display->GetWindowRect();
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  EXPECT_EQ(bounds.left, origin.x);
  EXPECT_EQ(bounds.right - bounds.left, 160);
  POINT o = display->GetWindowOrigin();
  EXPECT_EQ(o.x, origin.x);
  EXPECT_EQ(o.y, origin.y);

  DDBLTFX fx{};
  fx.dwSize = sizeof fx;
  fx.dwFillColor = 0x000000FF;
  RECT r{150, 110, 160, 120};
  display->GetBackBuffer()->Blt(&r, nullptr, nullptr, DDBLT_COLORFILL, &fx);
  ASSERT_EQ(display->PresentFrame(), DD_OK);
  std::vector<uint32_t> frame;
  int w = 0, h = 0;
  ASSERT_TRUE(os::TestReadPresentedFrame(&frame, &w, &h));
  ASSERT_EQ(w, 160);
  ASSERT_EQ(h, 120);
  EXPECT_EQ(frame[119 * 160 + 159] & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(frame[0] & 0xFFFFFF, 0u);
}

TEST_F(DisplaySetup, ChildWindowKeepsItsStyleAndFailuresReturnTheirCode) {
  LONG_PTR before = GetWindowLongA(window, GWL_STYLE);
  ASSERT_EQ(display->CreateWindowMode(window, window, 64, 32, true, 3), S_OK);
  EXPECT_EQ(GetWindowLongA(window, GWL_STYLE), before);

  os::TestFailNextDx("CreateSurface", DDERR_OUTOFVIDEOMEMORY);
  EXPECT_EQ(display->CreateWindowMode(window, nullptr, 64, 32, false, 3), DDERR_OUTOFVIDEOMEMORY);
  EXPECT_NE(Log().find("DX Error: DDERR_OUTOFVIDEOMEMORY (0x8876017c), File ddutil"), std::string::npos);
  display->ReleaseObjects();   // its own call of SetCooperativeLevel must not take the failure
  os::TestFailNextDx("SetCooperativeLevel", DDERR_GENERIC);
  EXPECT_EQ(display->CreateWindowMode(window, nullptr, 64, 32, false, 3), E_FAIL);
  os::TestFailNextDx("DirectDrawCreateEx", DDERR_INVALIDPARAMS);
  EXPECT_EQ(display->CreateWindowMode(window, nullptr, 64, 32, false, 3), DDERR_INVALIDPARAMS);
  // The anti-aliasing hint is not offered, so the back buffer fails and its code comes back.
  EXPECT_EQ(display->CreateWindowMode(window, nullptr, 64, 32, false, 7), DDERR_INVALIDCAPS);
}

TEST_F(DisplaySetup, MakeSurfaceNeedsTheObjectAndAnOutPointer) {
  CDisplaySurface* surface = reinterpret_cast<CDisplaySurface*>(1);
  EXPECT_EQ(display->MakeSurface(&surface, 8, 8, nullptr, nullptr), E_POINTER);
  ASSERT_EQ(display->CreateWindowMode(window, nullptr, 64, 32, false, 3), S_OK);
  EXPECT_EQ(display->MakeSurface(nullptr, 8, 8, nullptr, nullptr), E_INVALIDARG);
  DDPIXELFORMAT f{};
  f.dwSize = sizeof f;
  f.dwFlags = DDPF_RGB;
  f.dwRGBBitCount = 16;
  f.dwRBitMask = 0xF800;
  f.dwGBitMask = 0x07E0;
  f.dwBBitMask = 0x001F;
  ASSERT_EQ(display->MakeSurface(&surface, 12, 6, &f, nullptr), DD_OK);
  EXPECT_EQ(surface->mDesc.dwWidth, 12u);
  EXPECT_EQ(surface->mDesc.ddpfPixelFormat.dwRGBBitCount, 16u);
  EXPECT_TRUE(surface->mDesc.ddsCaps.dwCaps & DDSCAPS_OFFSCREENPLAIN);
  delete surface;
  EXPECT_EQ(display->MakeSurface(&surface, 0, 6, &f, nullptr), DDERR_INVALIDPARAMS);
  EXPECT_EQ(surface, nullptr);
}

}  // namespace
