// Device creation of the display: desktop checks, the hardware renderer and texture size
// requirements, device failures and the flags they leave, adapter quirks, the device description,
// and the back buffer preparation and present of a frame.
#include "render/directx.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "core/config.h"
#include "os/gdi.h"
#include "os/thread.h"
#include "os/winuser.h"
#include "logcapture.h"
#include "../os/gfx_fixture.h"
#include "wait_until.h"

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
    if (c.logged) {
      EXPECT_NE(Log().find(c.logged), std::string::npos);
    }
    if (!c.ok) {
      EXPECT_EQ(context->GetDevice(), nullptr);
    }
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

namespace {

DDPIXELFORMAT Format(DWORD bits, DWORD r, DWORD g, DWORD b) { return gfx_test::Rgb(bits, 0, r, g, b); }

TEST(CursorRuns, HardwareImagesKeepPixelsWithAlphaSoftwareImagesDropNearWhite) {
  const DDPIXELFORMAT xrgb = Format(32, 0xFF0000, 0xFF00, 0xFF);
  // Row 0: opaque red, transparent, half-transparent white; row 1: near white, grey, white.
  const uint32_t image[6] = {0xFFFF0000, 0x00123456, 0x80FFFFFF, 0x00F8F9FA, 0x00808080, 0xFFFFFFFF};
  auto hardware = BuildPixelRuns(image, 3, 2, 3, true, xrgb);
  ASSERT_EQ(hardware.size(), 3u);
  EXPECT_EQ(hardware[0].x, 0);
  EXPECT_EQ(hardware[0].row, 0);
  EXPECT_EQ(hardware[0].pixels, std::vector<uint32_t>{0x00FF0000});   // opaque: nothing of the background
  EXPECT_EQ(hardware[1].x, 2);
  EXPECT_EQ(hardware[1].pixels, std::vector<uint32_t>{0x7F808080});   // pre-multiplied, 255 - 128 on top
  EXPECT_EQ(hardware[2].row, 1);
  EXPECT_EQ(hardware[2].x, 2);
  EXPECT_EQ(hardware[2].pixels, std::vector<uint32_t>{0x00FFFFFF});
  auto software = BuildPixelRuns(image, 3, 2, 3, false, xrgb);
  ASSERT_EQ(software.size(), 2u);
  EXPECT_EQ(software[0].pixels, (std::vector<uint32_t>{0x00FF0000, 0x00123456}));   // alpha ignored, opaque
  EXPECT_EQ(software[1].row, 1);
  EXPECT_EQ(software[1].x, 1);
  EXPECT_EQ(software[1].pixels, std::vector<uint32_t>{0x00808080});

  const DDPIXELFORMAT rgb565 = Format(16, 0xF800, 0x07E0, 0x001F);
  const uint32_t orange = 0x80FF8000;
  auto runs = BuildPixelRuns(&orange, 1, 1, 1, true, rgb565);
  ASSERT_EQ(runs.size(), 1u);
  // red 255 * 128 / 255 = 128 -> 16 of 31; green 128 * 128 / 255 = 64 -> 16 of 63.
  EXPECT_EQ(runs[0].pixels[0], (127u << 24) | (16u << 11) | (16u << 5));
}

TEST(CursorRuns, DrawingBlendsWithTheBackgroundAndClipsAtTheEdges) {
  struct Case { const char* name; DDPIXELFORMAT format; uint32_t background, want; };
  const Case cases[] = {
      // 200 * 127 / 256 + 128 = 227 in each channel of a half-transparent white.
      {"32 bits", Format(32, 0xFF0000, 0xFF00, 0xFF), 0x00C8C8C8, 0x00E3E3E3},
      {"24 bits", Format(24, 0xFF0000, 0xFF00, 0xFF), 0x00C8C8C8, 0x00E3E3E3},
      // 565: red 25 * 127 / 256 + 16 = 28, green 50 * 127 / 256 + 32 = 56, blue 25 -> 28.
      {"16 bits", Format(16, 0xF800, 0x07E0, 0x001F), (25u << 11) | (50u << 5) | 25u, (28u << 11) | (56u << 5) | 28u},
  };
  const uint32_t image[4] = {0x80FFFFFF, 0x80FFFFFF, 0x80FFFFFF, 0x80FFFFFF};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto runs = BuildPixelRuns(image, 2, 2, 2, true, c.format);
    int bytes = int(c.format.dwRGBBitCount / 8);
    std::vector<uint8_t> bits(3 * 3 * bytes);
    for (int i = 0; i < 9; ++i) std::memcpy(&bits[i * bytes], &c.background, bytes);
    // Placed at (2, -1): only the image's bottom-left pixel lands inside the 3x3 surface.
    DrawPixelRuns(runs, bits.data(), 3 * bytes, 3, 3, c.format, 2, -1);
    for (int i = 0; i < 9; ++i) {
      uint32_t v = 0;
      std::memcpy(&v, &bits[i * bytes], bytes);
      EXPECT_EQ(v, i == 2 ? c.want : c.background) << i;
    }
  }
}

class CursorImage : public DeviceContext {
 protected:
  void SetUp() override {
    DeviceContext::SetUp();
    ASSERT_TRUE(Window(64, 32));
    std::vector<uint32_t> red(16, 0xFFFF0000);
    ASSERT_TRUE(context->SetMouseImage(red.data(), 4, 4, 4, 1, 1, false));
  }

  uint32_t Presented(int x, int y) {
    std::vector<uint32_t> frame;
    int w = 0, h = 0;
    EXPECT_TRUE(os::TestReadPresentedFrame(&frame, &w, &h));
    return frame[y * w + x] & 0xFFFFFF;
  }

  uint32_t Back(int x, int y) {
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    IDirectDrawSurface7* back = context->GetDisplay().GetBackBuffer();
    EXPECT_EQ(back->Lock(nullptr, &d, DDLOCK_WAIT | DDLOCK_READONLY, nullptr), DD_OK);
    uint32_t v = static_cast<uint32_t*>(d.lpSurface)[y * d.lPitch / 4 + x];
    back->Unlock(nullptr);
    return v & 0xFFFFFF;
  }
};

TEST_F(CursorImage, ImageMovesWithEachFrameAndNeverStaysBehind) {
  IDirect3DDevice7* device = context->GetDevice();
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1, 0);
  POINT at = context->SetMouseImagePosition(10, 10);
  EXPECT_EQ(at.x, 10);
  ASSERT_EQ(context->Present(), DD_OK);
  EXPECT_EQ(Presented(9, 9), 0xFF0000u);     // the hot spot (1, 1) sits on the position
  EXPECT_EQ(Presented(12, 12), 0xFF0000u);
  EXPECT_EQ(Presented(13, 13), 0x00FF00u);
  EXPECT_EQ(Back(10, 10), 0x00FF00u);        // taken out of the back buffer again

  // The next frame draws nothing itself: the shown frame is copied back, without the image.
  context->SetMouseImagePosition(30, 5);
  ASSERT_TRUE(context->PrepareBackBuffer());
  EXPECT_EQ(Back(10, 10), 0x00FF00u);
  ASSERT_EQ(context->Present(), DD_OK);
  EXPECT_EQ(Presented(10, 10), 0x00FF00u);
  EXPECT_EQ(Presented(29, 4), 0xFF0000u);

  // At the edge the image is clipped; hidden, it is not drawn.
  context->SetMouseImagePosition(63, 31);
  ASSERT_EQ(context->Present(), DD_OK);
  EXPECT_EQ(Presented(63, 31), 0xFF0000u);
  context->HideMouseImage();
  ASSERT_TRUE(context->PrepareBackBuffer());
  ASSERT_EQ(context->Present(), DD_OK);
  EXPECT_EQ(Presented(63, 31), 0x00FF00u);
  context->SetMouseImagePosition(20, 20);
  context->ShowHardwareCursor(false);
  ASSERT_EQ(context->Present(), DD_OK);
  EXPECT_EQ(Presented(20, 20), 0x00FF00u);
}

TEST_F(CursorImage, ImageSurvivesANewDeviceAndThePointerOutsideHidesIt) {
  ASSERT_TRUE(FullScreen());
  context->GetDevice()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1, 0);
  context->SetMouseImagePosition(100, 100);
  ASSERT_EQ(context->Present(), DD_OK);
  EXPECT_EQ(Presented(100, 100), 0xFF0000u);
  EXPECT_EQ(Back(100, 100), 0x0000FFu);

  // The pointer's place in the client area is where the image goes; outside it, the image hides.
  ASSERT_TRUE(Window(64, 32));
  ASSERT_EQ(context->Present(), DD_OK);
  MSG msg;
  os::TestMouseMove(7, 8);
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  POINT at = context->SetMouseImagePosition(-1, -1);
  EXPECT_EQ(at.x, 7);
  EXPECT_EQ(at.y, 8);
  os::TestMouseMove(70, 8);
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  at = context->SetMouseImagePosition(-1, -1);
  EXPECT_EQ(at.x, -1);
  EXPECT_EQ(context->GetMouseImagePosition().y, -1);
}

// The drawn image's keyed-out (near-white) pixels show the frame under them, frame after frame.
TEST_F(CursorImage, KeyedOutPixelsShowTheFrameBeneath) {
  std::vector<uint32_t> ring(16, 0xFFFF0000);
  ring[5] = ring[6] = ring[9] = ring[10] = 0xFFFFFFFF;  // a hole in the middle
  ASSERT_TRUE(context->SetMouseImage(ring.data(), 4, 4, 4, 0, 0, false));
  context->GetDevice()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1, 0);
  context->SetMouseImagePosition(10, 10);
  for (int frame = 0; frame < 3; ++frame) {
    SCOPED_TRACE(frame);
    if (frame > 0) ASSERT_TRUE(context->PrepareBackBuffer());
    ASSERT_EQ(context->Present(), DD_OK);
    EXPECT_EQ(Presented(10, 10), 0xFF0000u);
    EXPECT_EQ(Presented(11, 11), 0x00FF00u);
    EXPECT_EQ(Presented(12, 12), 0x00FF00u);
  }
}

TEST_F(CursorImage, PointerThreadNeverWaitsForAFrame) {
  HANDLE mutex = context->GetMouseMutex();
  ASSERT_EQ(WaitForSingleObject(mutex, INFINITE), 0u);   // a frame in progress holds it
  std::atomic<bool> done{false};
  std::thread pointer([&] {
    context->SetMouseImagePosition(5, 6);
    done = true;
  });
  // while the frame holds the mutex, a pointer thread that waited for it could never finish
  EXPECT_TRUE(testwait::WaitUntil([&] { return done.load(); }));
  ReleaseMutex(mutex);
  pointer.join();
  EXPECT_EQ(context->GetMouseImagePosition().x, 5);
}

}  // namespace

namespace {

TEST_F(CursorImage, ListenerTaskRestoresTheImageUntilTheContextGoes) {
  std::vector<std::unique_ptr<TTask>> tasks;
  context->mPlatform.addTask = [&](std::unique_ptr<TTask> task) { tasks.push_back(std::move(task)); };
  std::vector<uint32_t> blue(4, 0xFF0000FF);
  ASSERT_TRUE(context->SetMouseImage(blue.data(), 2, 2, 2, 0, 0, true));
  EXPECT_TRUE(tasks.empty());   // hardware images need no listener
  ASSERT_TRUE(context->SetMouseImage(blue.data(), 2, 2, 2, 0, 0, false));
  ASSERT_TRUE(context->SetMouseImage(blue.data(), 2, 2, 2, 0, 0, false));
  ASSERT_EQ(tasks.size(), 1u);   // made the first time only

  // Out of video memory even after evicting textures: the image is given up for now ...
  context->GetDevice()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1, 0);
  context->SetMouseImagePosition(3, 3);
  os::TestFailNextDx("CreateSurface", DDERR_OUTOFVIDEOMEMORY, 2);
  EXPECT_FALSE(context->SetMouseImage(blue.data(), 2, 2, 2, 0, 0, false));
  ASSERT_EQ(context->Present(), DD_OK);
  EXPECT_EQ(Presented(3, 3), 0u);
  // ... and the listener's next turn builds it.
  EXPECT_TRUE(tasks[0]->Run());
  ASSERT_EQ(context->Present(), DD_OK);
  EXPECT_EQ(Presented(3, 3), 0x0000FFu);
  // One failure is bridged by evicting the managed textures.
  os::TestFailNextDx("CreateSurface", DDERR_OUTOFVIDEOMEMORY, 1);
  EXPECT_TRUE(context->SetMouseImage(blue.data(), 2, 2, 2, 0, 0, false));

  context.reset();
  EXPECT_FALSE(tasks[0]->Run());   // its context is gone: the list drops it
}

TEST_F(CursorImage, SecondConcurrentRestoreIsRefused) {
  HANDLE mutex = context->GetMouseMutex();
  ASSERT_EQ(WaitForSingleObject(mutex, INFINITE), 0u);
  std::thread first([&] { context->RestoreMouseImage(); });   // waits for the mutex inside
  const bool refused = testwait::WaitUntil([&] {
    context->RestoreMouseImage();
    return Log().find("Second concurrent call to RestoreMouseImage") != std::string::npos;
  }, std::chrono::milliseconds(1));
  ReleaseMutex(mutex);
  first.join();
  EXPECT_TRUE(refused);
}

}  // namespace
