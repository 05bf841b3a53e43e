// Frames whose draws repeat the frame on screen are neither drawn nor shown again; any change in
// what is drawn, how, or in a texture it reads makes a new frame that is drawn and shown.
#include <functional>

#include "gfx_fixture.h"

using namespace gfx_test;

namespace {

class GfxRepeat : public GfxWindowTest {
 protected:
  void SetUp() override {
    GfxWindowTest::SetUp();
    ASSERT_EQ(dd->SetCooperativeLevel(window, DDSCL_NORMAL), DD_OK);
    front = Primary();
    DDPIXELFORMAT f = Xrgb8888();
    back = Make(64, 48, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE, &f);
    DDPIXELFORMAT a = Argb8888();
    texture = Make(2, 2, DDSCAPS_TEXTURE, &a);
    Write(texture, std::vector<uint32_t>(4, 0xFF00FF00u));
    device = Device(back);
    Plain(device);
  }

  // One frame as a game draws it: a textured background over the whole target and a quad of one
  // colour at `x`; then the present. Answers {frames swapped into the window, repeats dropped}.
  std::pair<int, int> Frame(float x, DWORD colour) {
    return FrameOver([&] {
      std::vector<TLVertex> quad = TLQuad(x - 0.5f, 7.5f, x + 7.5f, 15.5f, colour);
      EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_TLVERTEX, quad.data(), 4, 0), D3D_OK);
    });
  }
  // The same background, then whatever `draw` draws untextured over it; then the present.
  std::pair<int, int> FrameOver(const std::function<void()>& draw) {
    int swaps = os::TestWindowSwapCount(), repeats = os::TestRepeatedFrameCount();
    device->BeginScene();
    device->SetTexture(0, texture);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    std::vector<TLVertex> all = TLQuad(-0.5f, -0.5f, 63.5f, 47.5f, 0xFFFFFFFF);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_TLVERTEX, all.data(), 4, 0), D3D_OK);
    device->SetTexture(0, nullptr);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    draw();
    device->EndScene();
    EXPECT_EQ(front->Blt(nullptr, back, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    return {os::TestWindowSwapCount() - swaps, os::TestRepeatedFrameCount() - repeats};
  }

  uint32_t Shown(int x, int y) {
    std::vector<uint32_t> frame;
    int w = 0, h = 0;
    EXPECT_TRUE(os::TestReadPresentedFrame(&frame, &w, &h));
    return frame.size() == 64u * 48 ? frame[size_t(y) * 64 + x] & 0xFFFFFF : 0xDEADu;
  }

  IDirectDrawSurface7* front = nullptr;
  IDirectDrawSurface7* back = nullptr;
  IDirectDrawSurface7* texture = nullptr;
  IDirect3DDevice7* device = nullptr;
};

using Counts = std::pair<int, int>;

TEST_F(GfxRepeat, OnlyFramesThatChangeAreDrawnAndShown) {
  if (Frame(8, 0xFFFF0000).first == 0) GTEST_SKIP() << "no real window to present into";
  EXPECT_EQ(Shown(10, 10), 0xFF0000u);
  EXPECT_EQ(Frame(8, 0xFFFF0000), Counts(0, 1));   // the same frame: nothing drawn, nothing shown
  EXPECT_EQ(Frame(8, 0xFFFF0000), Counts(0, 1));
  EXPECT_EQ(Shown(10, 10), 0xFF0000u);
  EXPECT_EQ(Shown(40, 10), 0x00FF00u);

  EXPECT_EQ(Frame(30, 0xFFFF0000), Counts(1, 0));  // moved
  EXPECT_EQ(Shown(10, 10), 0x00FF00u);
  EXPECT_EQ(Shown(32, 10), 0xFF0000u);
  EXPECT_EQ(Frame(30, 0xFF0000FF), Counts(1, 0));  // another colour (a fade step)
  EXPECT_EQ(Shown(32, 10), 0x0000FFu);
  EXPECT_EQ(Frame(30, 0xFF0000FF), Counts(0, 1));

  // A texture the frame reads changes: the same draws make a new frame.
  Write(texture, std::vector<uint32_t>(4, 0xFFFFFF00u));
  EXPECT_EQ(Frame(30, 0xFF0000FF), Counts(1, 0));
  EXPECT_EQ(Shown(5, 40), 0xFFFF00u);

  // Something else drew into the target since: the frame is drawn again over it.
  EXPECT_EQ(Frame(30, 0xFF0000FF), Counts(0, 1));
  DDBLTFX fx{};
  fx.dwSize = sizeof fx;
  fx.dwFillColor = 0x123456;
  RECT corner{0, 0, 4, 4};
  ASSERT_EQ(back->Blt(&corner, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
  EXPECT_EQ(Frame(30, 0xFF0000FF), Counts(1, 0));
  EXPECT_EQ(Shown(1, 1), 0xFFFF00u);
}

// Lines of 20-byte vertices (so that draws cut them anywhere in the digest's blocks), drawn as the
// background and then one line list per piece.
struct LineVertex {
  float x, y, z, rhw;
  DWORD diffuse;
};
static_assert(sizeof(LineVertex) == 20);

TEST_F(GfxRepeat, LinesRepeatHoweverTheirDrawsCutThem) {
  if (Frame(8, 0xFFFF0000).first == 0) GTEST_SKIP() << "no real window to present into";
  std::vector<LineVertex> lines;
  for (int row = 0; row < 11; ++row) {
    DWORD colour = 0xFF000000u | DWORD(row * 20) << 16 | 0x8040;
    lines.push_back({4.5f, 20.5f + row, 0.5f, 1, colour});
    lines.push_back({40.5f, 20.5f + row, 0.5f, 1, colour});
  }
  auto frame = [&](std::vector<int> pieces) {
    return FrameOver([&] {
      size_t at = 0;
      for (int n : pieces) {
        EXPECT_EQ(device->DrawPrimitive(D3DPT_LINELIST, D3DFVF_XYZRHW | D3DFVF_DIFFUSE, &lines[at], DWORD(2 * n), 0),
                  D3D_OK);
        at += size_t(2 * n);
      }
      EXPECT_EQ(at, lines.size());
    });
  };
  EXPECT_EQ(frame({11}), Counts(1, 0));
  EXPECT_EQ(Shown(20, 25), 100u << 16 | 0x8040);
  EXPECT_EQ(frame({1, 1, 3, 2, 4}), Counts(0, 1));  // the same lines in five draws
  EXPECT_EQ(frame({5, 6}), Counts(0, 1));
  // One colour changed, in the first line or in the last bytes of the batch: a new frame.
  lines[1].diffuse = lines[0].diffuse = 0xFF0000FFu;
  EXPECT_EQ(frame({11}), Counts(1, 0));
  EXPECT_EQ(Shown(20, 20), 0x0000FFu);
  EXPECT_EQ(frame({2, 9}), Counts(0, 1));
  lines[21].diffuse = 0xFF00FF00u;
  EXPECT_EQ(frame({3, 8}), Counts(1, 0));
  EXPECT_EQ(frame({11}), Counts(0, 1));
}

TEST_F(GfxRepeat, DrawsHeldBackForAFrameAreDoneBeforeTheirPixelsAreRead) {
  if (Frame(8, 0xFFFF0000).first == 0) GTEST_SKIP() << "no real window to present into";
  device->BeginScene();
  std::vector<TLVertex> quad = TLQuad(19.5f, 19.5f, 27.5f, 27.5f, 0xFF0000FF);
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
  ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_TLVERTEX, quad.data(), 4, 0), D3D_OK);
  device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);   // a state change ends the batch
  device->EndScene();
  // Read back before any present: the held-back draw is there.
  std::vector<uint32_t> raw = Raw(back);
  ASSERT_EQ(raw.size(), 64u * 48);
  EXPECT_EQ(raw[22 * 64 + 22] & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(raw[10 * 64 + 10] & 0xFFFFFF, 0xFF0000u);
  device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, FALSE);
  // And a copy out of the target sees it too.
  DDPIXELFORMAT f = Xrgb8888();
  IDirectDrawSurface7* copy = Make(64, 48, DDSCAPS_OFFSCREENPLAIN, &f);
  device->BeginScene();
  quad = TLQuad(39.5f, 19.5f, 47.5f, 27.5f, 0xFFFFFFFF);
  ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_TLVERTEX, quad.data(), 4, 0), D3D_OK);
  device->EndScene();
  ASSERT_EQ(copy->Blt(nullptr, back, nullptr, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_EQ(Raw(copy)[22 * 64 + 42] & 0xFFFFFF, 0xFFFFFFu);
}

}  // namespace
