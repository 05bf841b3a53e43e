// The frame in a window of another size: placed uniformly scaled and centred between black bars,
// and the pointer taken back through the same placing, from SDL's own mouse events to the game's
// frame pixels.
#include <SDL.h>

#include <cstdlib>
#include <string>

#include "gfx_fixture.h"
#include "os/framefit.h"
#include "os/user_internal.h"

using namespace gfx_test;

namespace {

// ---- the placing itself ----

TEST(FrameFit, ScalesUniformlyToTheLargestSizeThatFitsAndCentres) {
  struct Case {
    int frameW, frameH, areaW, areaH;
    os::fit::Placement want;
  } cases[] = {
      {1024, 768, 1024, 768, {0, 0, 1024, 768}},      // same size: the whole area
      {1024, 768, 1280, 1024, {0, 32, 1280, 960}},    // taller desktop: bars above and below
      {1024, 768, 1920, 1080, {240, 0, 1440, 1080}},  // wider desktop: bars left and right
      {1024, 768, 2048, 1536, {0, 0, 2048, 1536}},    // a drawable twice the window (HiDPI)
      {1024, 768, 800, 600, {0, 0, 800, 600}},        // smaller: scaled down
      {64, 48, 200, 100, {33, 0, 133, 100}},
      {0, 0, 300, 200, {0, 0, 300, 200}},             // no frame yet
  };
  for (const Case& c : cases) {
    os::fit::Placement p = os::fit::Fit(c.frameW, c.frameH, c.areaW, c.areaH);
    EXPECT_EQ(p.x, c.want.x) << c.areaW << "x" << c.areaH;
    EXPECT_EQ(p.y, c.want.y) << c.areaW << "x" << c.areaH;
    EXPECT_EQ(p.width, c.want.width) << c.areaW << "x" << c.areaH;
    EXPECT_EQ(p.height, c.want.height) << c.areaW << "x" << c.areaH;
  }
}

TEST(FrameFit, PointerPositionsMapIntoTheFrameAndBack) {
  struct Case {
    os::fit::Window window;
    int x, y, wantX, wantY;
  } cases[] = {
      {{1024, 768, 1024, 768}, 0, 0, 0, 0},             // windowed: one to one
      {{1024, 768, 1024, 768}, 1023, 767, 1023, 767},
      {{1280, 1024, 1280, 1024}, 640, 512, 512, 384},  // the centre stays the centre
      {{1280, 1024, 1280, 1024}, 0, 32, 0, 0},         // the frame's top-left pixel
      {{1280, 1024, 1280, 1024}, 1279, 991, 1023, 767},
      {{1280, 1024, 1280, 1024}, 100, 5, 80, 0},       // over the top bar: clamped to the edge
      {{1280, 1024, 1280, 1024}, 100, 1020, 80, 767},  // over the bottom bar
      {{1920, 1080, 1920, 1080}, 10, 540, 0, 384},     // over the left bar
      {{1920, 1080, 1920, 1080}, 1919, 0, 1023, 0},
      {{1920, 1080, 1920, 1080}, 240 + 720, 540, 512, 384},
      {{1024, 768, 2048, 1536}, 512, 384, 512, 384},   // HiDPI: window units, not drawable pixels
      {{1024, 768, 2048, 1536}, 1023, 767, 1023, 767},
      {{640, 512, 1280, 1024}, 320, 16, 512, 0},       // HiDPI and another desktop size at once
      {{640, 512, 1280, 1024}, 320, 256, 512, 384},
      {{1280, 1024, 1280, 1024}, -20, 500, -16, 374},  // outside the window (a captured drag): not clamped
  };
  for (const Case& c : cases) {
    int fx = -1, fy = -1;
    os::fit::WindowToFrame(c.window, 1024, 768, c.x, c.y, &fx, &fy);
    EXPECT_EQ(fx, c.wantX) << c.window.width << "x" << c.window.height << " at " << c.x << "," << c.y;
    EXPECT_EQ(fy, c.wantY) << c.window.width << "x" << c.window.height << " at " << c.x << "," << c.y;
  }
  // Every frame pixel warped to the window comes back as itself wherever the frame is not shrunk.
  for (os::fit::Window w : {os::fit::Window{1024, 768, 1024, 768}, os::fit::Window{1280, 1024, 1280, 1024},
                            os::fit::Window{1920, 1080, 1920, 1080}, os::fit::Window{1024, 768, 2048, 1536}}) {
    int bad = 0;
    for (int fy = 0; fy < 768; fy += 7)
      for (int fx = 0; fx < 1024; fx += 3) {
        int x, y, bx, by;
        os::fit::FrameToWindow(w, 1024, 768, fx, fy, &x, &y);
        os::fit::WindowToFrame(w, 1024, 768, x, y, &bx, &by);
        if (bx != fx || by != fy) ++bad;
      }
    EXPECT_EQ(bad, 0) << w.width << "x" << w.height;
  }
}

// ---- through the window ----

// A window of a chosen size (the test's only top-level window, so the real one) showing a 64 x 48
// frame: red on its left half, blue on its right. Windows are made at their size rather than
// resized, as some SDL drivers keep a window's drawable at the size it was made with.
class GfxFittedFrame : public GfxTest {
 protected:
  void TearDown() override {
    os::TestCaptureWindowPixels(false);
    if (dd && window) dd->SetCooperativeLevel(window, DDSCL_NORMAL);
    GfxTest::TearDown();
    if (window) DestroyWindow(window);
  }

  // Opens the window, windowed or full screen (the frame's size as the display mode), and the
  // surfaces; false when something is refused.
  bool Open(int width, int height, bool fullScreen) {
    window = TestWindow(width, height);
    if (!window) return false;
    ShowWindow(window, SW_SHOWNORMAL);
    if (fullScreen) {
      os::TestSetDisplayModes({{64, 48, 32, 60}});
      if (dd->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN) != DD_OK) return false;
      if (dd->SetDisplayMode(64, 48, 32, 0, 0) != DD_OK) return false;
    } else if (dd->SetCooperativeLevel(window, DDSCL_NORMAL) != DD_OK) {
      return false;
    }
    front = Primary();
    DDPIXELFORMAT f = Xrgb8888();
    back = Make(64, 48, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE, &f);
    if (!front || !back) return false;
    std::vector<uint32_t> halves(64 * 48);
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 64; ++x) halves[y * 64 + x] = x < 32 ? 0xFF0000u : 0x0000FFu;
    Write(back, halves);
    Pump();
    return true;
  }

  // Presents the frame; false when there is no real window to present into.
  bool Present() {
    int before = os::TestWindowSwapCount();
    RECT all{0, 0, 64, 48};
    EXPECT_EQ(front->Blt(nullptr, back, &all, DDBLT_WAIT, nullptr), DD_OK);
    return os::TestWindowSwapCount() > before;
  }

  std::vector<MSG> Pump() {
    std::vector<MSG> taken;
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      taken.push_back(m);
      DispatchMessageA(&m);
    }
    return taken;
  }

  // The positions of the messages of one kind, in order.
  static std::vector<POINT> PositionsOf(const std::vector<MSG>& messages, UINT kind) {
    std::vector<POINT> out;
    for (const MSG& m : messages)
      if (m.message == kind) out.push_back(POINT{GET_X_LPARAM(m.lParam), GET_Y_LPARAM(m.lParam)});
    return out;
  }

  HWND window = nullptr;
  IDirectDrawSurface7* front = nullptr;
  IDirectDrawSurface7* back = nullptr;
};

TEST_F(GfxFittedFrame, TheFrameIsShownCentredAtItsAspectBetweenBlackBars) {
  struct Case {
    int windowW, windowH;
    os::fit::Placement frame;   // where the frame must be
  } cases[] = {
      {200, 100, {33, 0, 133, 100}},   // bars left and right
      {100, 200, {0, 62, 100, 75}},    // bars above and below
      {64, 48, {0, 0, 64, 48}},        // the frame's own size: no bars
      {128, 96, {0, 0, 128, 96}},      // twice the size: no bars
  };
  for (const Case& c : cases) {
    std::string where = std::to_string(c.windowW) + "x" + std::to_string(c.windowH);
    ASSERT_TRUE(Open(c.windowW, c.windowH, false)) << where;
    os::TestCaptureWindowPixels(true);
    if (!Present()) GTEST_SKIP() << "no real window to present into";
    std::vector<uint32_t> px;
    int w = 0, h = 0;
    ASSERT_TRUE(os::TestReadWindowPixels(&px, &w, &h));
    ASSERT_EQ(w, c.windowW);
    ASSERT_EQ(h, c.windowH);
    auto at = [&](int x, int y) { return px[size_t(y) * w + x] & 0xFFFFFF; };
    const os::fit::Placement& f = c.frame;
    // Inside: red up to the middle, blue after it, on the first, middle and last rows.
    for (int y : {f.y, f.y + f.height / 2, f.y + f.height - 1}) {
      EXPECT_EQ(at(f.x, y), 0xFF0000u) << where << " row " << y;
      EXPECT_EQ(at(f.x + f.width / 2 - 2, y), 0xFF0000u) << where << " row " << y;
      EXPECT_EQ(at(f.x + f.width / 2 + 2, y), 0x0000FFu) << where << " row " << y;
      EXPECT_EQ(at(f.x + f.width - 1, y), 0x0000FFu) << where << " row " << y;
    }
    // Outside: black bars only.
    int nonBlack = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        bool inside = x >= f.x && x < f.x + f.width && y >= f.y && y < f.y + f.height;
        if (!inside && at(x, y) != 0) ++nonBlack;
      }
    EXPECT_EQ(nonBlack, 0) << where;
    TearDown();
    window = nullptr;
    SetUp();
  }
}

// Real SDL events, as the window system gives them, in window units.
void PushMotion(int x, int y) {
  SDL_Event e{};
  e.type = SDL_MOUSEMOTION;
  e.motion.windowID = SDL_GetWindowID(static_cast<SDL_Window*>(os::sdl::MainSdlWindow()));
  e.motion.x = x;
  e.motion.y = y;
  SDL_PushEvent(&e);
}

void PushButton(int x, int y, bool down) {
  SDL_Event e{};
  e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
  e.button.windowID = SDL_GetWindowID(static_cast<SDL_Window*>(os::sdl::MainSdlWindow()));
  e.button.button = SDL_BUTTON_LEFT;
  e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
  e.button.clicks = 1;
  e.button.x = x;
  e.button.y = y;
  SDL_PushEvent(&e);
}

TEST_F(GfxFittedFrame, SdlMouseEventsArriveInFramePixels) {
  ASSERT_TRUE(Open(200, 100, false));   // the frame at x 33..165, scaled by 100/48
  if (!Present()) GTEST_SKIP() << "no real window to present into";
  Pump();
  struct Case {
    int x, y, frameX, frameY;
  } moves[] = {
      {100, 50, 32, 24},    // the middle of the window is the middle of the frame
      {33, 0, 0, 0},        // the frame's corners
      {165, 99, 63, 47},
      {5, 60, 0, 29},       // over the left bar: the frame's left edge
      {195, 10, 63, 5},     // over the right bar
      {120, 10, 42, 5},
  };
  for (const Case& c : moves) {
    PushMotion(c.x, c.y);
    std::vector<POINT> got = PositionsOf(Pump(), WM_MOUSEMOVE);
    ASSERT_EQ(got.size(), 1u) << c.x << "," << c.y;
    EXPECT_EQ(got[0].x, c.frameX) << c.x << "," << c.y;
    EXPECT_EQ(got[0].y, c.frameY) << c.x << "," << c.y;
  }
  // A click, and a drag that ends over a bar.
  PushButton(120, 10, true);
  PushMotion(150, 80);
  PushMotion(199, 80);
  PushButton(199, 80, false);
  std::vector<MSG> taken = Pump();
  std::vector<POINT> down = PositionsOf(taken, WM_LBUTTONDOWN), move = PositionsOf(taken, WM_MOUSEMOVE),
                     up = PositionsOf(taken, WM_LBUTTONUP);
  ASSERT_EQ(down.size(), 1u);
  EXPECT_EQ(down[0].x, 42);
  EXPECT_EQ(down[0].y, 5);
  ASSERT_EQ(move.size(), 2u);
  EXPECT_EQ(move[0].x, 56);
  EXPECT_EQ(move[0].y, 38);
  EXPECT_EQ(move[1].x, 63);
  ASSERT_EQ(up.size(), 1u);
  EXPECT_EQ(up[0].x, 63);
  EXPECT_EQ(up[0].y, 38);
  // The pointer the game asks for is in frame pixels too.
  POINT p{};
  GetCursorPos(&p);
  ScreenToClient(window, &p);
  EXPECT_EQ(p.x, 63);
  EXPECT_EQ(p.y, 38);
}

TEST_F(GfxFittedFrame, FullScreenOnADesktopOfAnotherSizeMapsThePointerThroughTheBars) {
  int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  ASSERT_TRUE(Open(sw, sh, true));   // made covering the screen, as the full-screen window does
  RECT covered{};
  GetClientRect(window, &covered);
  ASSERT_EQ(covered.right, sw);
  ASSERT_EQ(covered.bottom, sh);
  os::TestCaptureWindowPixels(true);
  if (!Present()) GTEST_SKIP() << "no real window to present into";
  std::vector<uint32_t> px;
  int w = 0, h = 0;
  ASSERT_TRUE(os::TestReadWindowPixels(&px, &w, &h));
  os::fit::Placement f = os::fit::Fit(64, 48, w, h);
  // The frame keeps its 4:3 shape.
  EXPECT_LE(std::abs(f.width * 3 - f.height * 4), 4);
  EXPECT_EQ(px[size_t(f.y + f.height / 2) * w + f.x + 1] & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(px[size_t(f.y + f.height / 2) * w + f.x + f.width - 2] & 0xFFFFFF, 0x0000FFu);
  if (f.x > 0) EXPECT_EQ(px[size_t(h / 2) * w + f.x / 2] & 0xFFFFFF, 0u);
  if (f.y > 0) EXPECT_EQ(px[size_t(f.y / 2) * w + w / 2] & 0xFFFFFF, 0u);
  Pump();
  // The screen's centre is the frame's; its corners are the frame's corners.
  PushMotion(sw / 2, sh / 2);
  PushMotion(0, 0);
  PushMotion(sw - 1, sh - 1);
  std::vector<POINT> got = PositionsOf(Pump(), WM_MOUSEMOVE);
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].x, 32);
  EXPECT_EQ(got[0].y, 24);
  EXPECT_EQ(got[1].x, 0);
  EXPECT_EQ(got[1].y, 0);
  EXPECT_EQ(got[2].x, 63);
  EXPECT_EQ(got[2].y, 47);
}

}  // namespace
