// Device creation of the display: desktop checks, the hardware renderer and texture size
// requirements, device failures and the flags they leave, adapter quirks, the device description,
// and the back buffer preparation and present of a frame.
#include "render/directx.h"

#include <gtest/gtest.h>

#include "core/config.h"
#include "os/gdi.h"
#include "os/winuser.h"
#include "logcapture.h"

namespace {

int gOutOfMemoryCalls = 0;

class DeviceContext : public ::testing::Test {
 protected:
  void SetUp() override {
    os::TestResetGraphics();
    os::TestResetWindows();
    os::TestSetDesktopColors(-1);
    os::TestSetSystemMetric(SM_CXSCREEN, 1024);
    os::TestSetSystemMetric(SM_CYSCREEN, 768);
    os::TestSetDisplayModes({{640, 480, 16, 60}, {640, 480, 32, 60}});
    SetConfig("brokenindexedverts", "");
    SetConfig("largevramusage", "");
    gOutOfMemoryCalls = 0;
    SetOutOfVideoMemoryHook([] { ++gOutOfMemoryCalls; });
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "DeviceContextTest";
    RegisterClassA(&wc);
    window = CreateWindowExA(0, "DeviceContextTest", "dx", WS_POPUP, 10, 10, 320, 240, nullptr, nullptr, nullptr,
                             nullptr);
    context = std::make_unique<TDXContext>();
  }

  void TearDown() override {
    context.reset();
    EXPECT_EQ(os::TestLiveSurfaceCount(), 0);
    SetOutOfVideoMemoryHook(nullptr);
    DestroyWindow(window);
    os::TestResetWindows();
    os::TestSetDesktopColors(-1);
    os::TestResetGraphics();
    SetConfig("brokenindexedverts", "");
    SetConfig("largevramusage", "");
  }

  std::string Log() const { return log.Text(); }

  bool Window(int w = 320, int h = 240) { return context->Create(window, false, w, h, 32, 1); }
  bool FullScreen(int bits = 32) { return context->Create(window, true, 640, 480, bits, 1); }

  static D3DDEVICEDESC7 DefaultDesc() {
    // The description of the one device, as enumerated.
    IDirectDraw7* dd = nullptr;
    DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&dd), IID_IDirectDraw7, nullptr);
    IDirect3D7* d3d = nullptr;
    dd->QueryInterface(IID_IDirect3D7, reinterpret_cast<void**>(&d3d));
    D3DDEVICEDESC7 desc{};
    d3d->EnumDevices([](LPSTR, LPSTR, LPD3DDEVICEDESC7 d, LPVOID c) -> HRESULT {
      *static_cast<D3DDEVICEDESC7*>(c) = *d;
      return D3DENUMRET_CANCEL;
    }, &desc);
    d3d->Release();
    dd->Release();
    return desc;
  }

  render_test::LogCapture log;
  HWND window = nullptr;
  std::unique_ptr<TDXContext> context;
};

TEST_F(DeviceContext, WindowedDeviceIsCompleteAndDescribed) {
  ASSERT_TRUE(Window());
  EXPECT_NE(context->GetDevice(), nullptr);
  EXPECT_NE(context->GetDirect3D(), nullptr);
  EXPECT_TRUE(context->mHardwareDevice);
  EXPECT_EQ(context->GetColorMask(), 0xFFFFFFu);
  std::string info = context->GetDeviceInfo().CStr();
  EXPECT_EQ(info.rfind("Device identifier:  \n  Driver: '", 0), 0u);
  EXPECT_NE(info.find("\nDDCAPS: "), std::string::npos);
  EXPECT_NE(info.find("\nD3DDESC: "), std::string::npos);
  EXPECT_EQ(info.find_first_not_of("0123456789ABCDEF\n", info.find("D3DDESC: ") + 9), std::string::npos);
  EXPECT_NE(Log().find("  Description: '"), std::string::npos);
  // The back buffer carries the depth buffer the device draws with.
  DDSCAPS2 caps{DDSCAPS_ZBUFFER, 0, 0, 0};
  IDirectDrawSurface7* z = nullptr;
  ASSERT_EQ(context->GetDisplay().GetBackBuffer()->GetAttachedSurface(&caps, &z), DD_OK);
  z->Release();

  context->ReleaseDevice();
  EXPECT_EQ(context->GetDevice(), nullptr);
  EXPECT_EQ(context->GetDirectDraw(), nullptr);
  EXPECT_EQ(os::TestLiveSurfaceCount(), 0);
}

TEST_F(DeviceContext, FullScreenAtSixteenBitsAsksForASixteenBitRenderer) {
  ASSERT_TRUE(FullScreen(16));
  EXPECT_EQ(context->GetDisplayModeDesc().ddpfPixelFormat.dwRGBBitCount, 16u);
  EXPECT_EQ(context->GetColorMask(), 0xFFFFu);
  D3DDEVICEDESC7 desc = DefaultDesc();
  desc.dwDeviceRenderBitDepth = DDBD_32;
  os::TestSetDeviceDesc(&desc);
  EXPECT_FALSE(FullScreen(16));
  EXPECT_NE(Log().find("TDXContext::Create failed! Could not find a hardware renderer."), std::string::npos);
  EXPECT_TRUE(FullScreen(32));
}

TEST_F(DeviceContext, DeviceRequirementsAreEnforced) {
  D3DDEVICEDESC7 desc = DefaultDesc();
  struct Case { const char* name; void (*change)(D3DDEVICEDESC7&); bool hosted; bool ok; const char* logged; };
  const Case cases[] = {
      {"software device", [](D3DDEVICEDESC7& d) { d.dwDevCaps &= ~D3DDEVCAPS_HWRASTERIZATION; }, false, false,
       "Could not find a hardware renderer."},
      {"software device when hosted", [](D3DDEVICEDESC7& d) { d.dwDevCaps &= ~D3DDEVCAPS_HWRASTERIZATION; }, true,
       true, nullptr},
      {"no colour Gouraud", [](D3DDEVICEDESC7& d) { d.dpcTriCaps.dwShadeCaps = 0; }, false, false,
       "Could not find a hardware renderer."},
      {"512 textures", [](D3DDEVICEDESC7& d) { d.dwMaxTextureWidth = d.dwMaxTextureHeight = 512; }, false, false,
       "TDXContext::Create - context does not support 1024x1024 textures! Failing!"},
      {"1024 wide, 512 high", [](D3DDEVICEDESC7& d) { d.dwMaxTextureHeight = 512; }, false, false,
       "does not support 1024x1024"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    D3DDEVICEDESC7 d = desc;
    c.change(d);
    os::TestSetDeviceDesc(&d);
    context->mPlatform.hosted = c.hosted;
    EXPECT_EQ(Window(), c.ok);
    if (c.logged) EXPECT_NE(Log().find(c.logged), std::string::npos);
    if (!c.ok) EXPECT_EQ(context->GetDevice(), nullptr);
  }
}

TEST_F(DeviceContext, DesktopChecksRefuseWindows) {
  os::TestSetDesktopColors(16);
  EXPECT_FALSE(FullScreen());
  EXPECT_TRUE(context->mSixteenColors);
  os::TestSetDesktopColors(256);
  EXPECT_FALSE(Window());
  EXPECT_TRUE(FullScreen());
  os::TestSetDesktopColors(-1);
  // 1024 x 768: a 1020-pixel client area plus its frame does not fit, unless hosted.
  EXPECT_TRUE(context->WindowDoesNotFit(1020, 600));
  EXPECT_TRUE(context->WindowDoesNotFit(800, 744));   // 744 + 2 + 4 + 19 > 768
  EXPECT_FALSE(context->WindowDoesNotFit(1018, 743));
  EXPECT_FALSE(Window(1020, 600));
  context->mPlatform.hosted = true;
  EXPECT_TRUE(Window(1020, 600));
}

TEST_F(DeviceContext, WindowedOutOfVideoMemoryRefusesLaterWindows) {
  os::TestSetVideoMemory(64u << 20, 100000);
  EXPECT_FALSE(Window());
  EXPECT_TRUE(context->mWindowedOutOfMemory);
  EXPECT_EQ(gOutOfMemoryCalls, 1);
  os::TestSetVideoMemory(64u << 20, 64u << 20);
  EXPECT_FALSE(Window());          // refused before trying
  EXPECT_EQ(gOutOfMemoryCalls, 1);
  EXPECT_TRUE(FullScreen());
  context->mPlatform.hosted = true;   // a host window clears the mark
  EXPECT_TRUE(Window());
}

TEST_F(DeviceContext, DeviceCreationFailuresLeaveTheirFlags) {
  os::TestFailNextDx("CreateDevice", D3DERR_NEEDS_VIDEOMEMORY_TARGET);
  EXPECT_FALSE(Window());
  EXPECT_TRUE(context->mBackBufferInVideoMemory);
  EXPECT_TRUE(Window());

  os::TestFailNextDx("CreateDevice", D3DERR_UNSUPPORTED_DESKTOP);
  EXPECT_FALSE(Window());
  EXPECT_EQ(context->mDesktopColors, 32);
  context->mDesktopColors = -1;

  os::TestFailNextDx("CreateDevice", DDERR_GENERIC);
  EXPECT_FALSE(Window());
  EXPECT_NE(Log().find("File directx"), std::string::npos);

  os::TestSetNoZBufferFormats(true);
  EXPECT_FALSE(Window());
  os::TestSetNoZBufferFormats(false);
  os::TestFailNextDx("QueryInterface", DDERR_GENERIC);
  EXPECT_FALSE(Window());
  EXPECT_TRUE(Window());
}

TEST_F(DeviceContext, AdapterQuirksFollowTheDescription) {
  struct Case { const char* description; const char* broken; bool expand; };
  const Case cases[] = {
      {"Intel(R) 82845G/GL/GE/PE/GV Graphics Controller", "1", false},
      {"Mobile Intel(R) 915GM/GMS,910GML Express", "1", false},
      {"Intel(R) G965 Express", "", false},   // " 965 " needs the spaces
      {"Intel(R) HD Graphics", "", false},
      {"82845 without the maker", "", false},
      {"SiS Mirage 3 Graphics", "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.description);
    SetConfig("brokenindexedverts", "");
    context->mExpandIndexedDraws = false;
    os::TestSetAdapterDescription(c.description);
    ASSERT_TRUE(Window());
    EXPECT_STREQ(GetConfig("brokenindexedverts").CStr(), c.broken);
    EXPECT_EQ(context->mExpandIndexedDraws, c.expand);
    EXPECT_FALSE(context->mLowMemoryVideo);
  }
}

TEST_F(DeviceContext, LargeMemoryQuirkEndsInASixteenBitDevice) {
  os::TestSetAdapterDescription("SiS Mirage 3 Graphics");
  SetConfig("largevramusage", "1");
  ASSERT_TRUE(FullScreen(32));
  EXPECT_TRUE(context->mLowMemoryVideo);
  EXPECT_TRUE(context->mExpandIndexedDraws);
  EXPECT_EQ(context->GetDisplayModeDesc().ddpfPixelFormat.dwRGBBitCount, 16u);
  EXPECT_NE(context->GetDevice(), nullptr);
}

TEST_F(DeviceContext, ScaledWindowGetsAScaledBackBuffer) {
  context->mPlatform.scaling = true;
  context->mPlatform.scale = 1.5f;
  ASSERT_TRUE(Window(101, 60));
  DDSURFACEDESC2 d{};
  d.dwSize = sizeof d;
  context->GetDisplay().GetBackBuffer()->GetSurfaceDesc(&d);
  EXPECT_EQ(d.dwWidth, 152u);   // 151.5 rounded half up
  EXPECT_EQ(d.dwHeight, 90u);
}

TEST_F(DeviceContext, PrepareCopiesTheShownFrameBackAndPresentShowsTheNext) {
  ASSERT_TRUE(Window(64, 32));
  IDirect3DDevice7* device = context->GetDevice();
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1, 0);
  ASSERT_EQ(context->Present(), DD_OK);
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1, 0);
  ASSERT_TRUE(context->PrepareBackBuffer());
  DDSURFACEDESC2 d{};
  d.dwSize = sizeof d;
  IDirectDrawSurface7* back = context->GetDisplay().GetBackBuffer();
  ASSERT_EQ(back->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
  uint32_t pixel = *static_cast<uint32_t*>(d.lpSurface);
  back->Unlock(nullptr);
  EXPECT_EQ(pixel & 0xFFFFFF, 0x00FF00u);

  context->SetCursorOption(1);
  ASSERT_TRUE(FullScreen());
  EXPECT_TRUE(context->PrepareBackBuffer());   // nothing to do in full screen
  context->GetDevice()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1, 0);
  ASSERT_EQ(context->Present(), DD_OK);
  std::vector<uint32_t> frame;
  int w = 0, h = 0;
  ASSERT_TRUE(os::TestReadPresentedFrame(&frame, &w, &h));
  EXPECT_EQ(w, 640);
  EXPECT_EQ(frame[100] & 0xFFFFFF, 0x0000FFu);
}

}  // namespace
