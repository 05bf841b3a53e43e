// Gathered drawing of the Direct3D device: primitives drawn under one state reach GL together, and
// a change of texture, blend state or render target, a Lock, or a texture rewritten between draws
// hands the gathered ones over first. Each case overlaps its quads so that any reordering shows in
// the pixels read back.
#include "gfx_fixture.h"

using namespace gfx_test;

namespace {

constexpr DWORD kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kYellow = 0xFFFFFF00;

class GfxBatch : public GfxTest {
 protected:
  void SetUp() override {
    GfxTest::SetUp();
    target = Target(16, 4);
    device = Device(target);
    Plain(device);
    DDPIXELFORMAT f = Argb8888();
    red = Make(1, 1, DDSCAPS_TEXTURE, &f);
    green = Make(1, 1, DDSCAPS_TEXTURE, &f);
    Write(red, {kRed});
    Write(green, {kGreen});
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1, 0);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
  }

  // Columns [from, to) of the 4-row target.
  void Columns(int from, int to, DWORD color = 0xFFFFFFFF) {
    std::vector<TLVertex> q = TLQuad(from - 0.5f, -0.5f, to - 0.5f, 3.5f, color);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_TLVERTEX, q.data(), 4, 0), D3D_OK);
  }

  void Textured() {
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  }
  void Untextured() {
    device->SetTexture(0, nullptr);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
  }

  // The colour of each listed column in row 2 of a surface.
  void ExpectColumns(IDirectDrawSurface7* s, std::vector<std::pair<int, DWORD>> want) {
    std::vector<uint32_t> px = Raw(s);
    ASSERT_FALSE(px.empty());
    const DWORD width = Desc(s).dwWidth;
    for (auto [x, colour] : want) EXPECT_TRUE(Near(px[2 * width + x], colour)) << "column " << x;
  }

  IDirectDrawSurface7* target = nullptr;
  IDirectDrawSurface7* red = nullptr;
  IDirectDrawSurface7* green = nullptr;
  IDirect3DDevice7* device = nullptr;
};

TEST_F(GfxBatch, ATextureChangeDrawsTheEarlierQuadsFirst) {
  Textured();
  device->SetTexture(0, red);
  Columns(0, 8);
  device->SetTexture(0, green);
  Columns(4, 12);
  device->SetTexture(0, red);
  Columns(10, 16);
  ASSERT_EQ(device->EndScene(), D3D_OK);
  // Had the red quads gone to GL together, green would lie over both.
  ExpectColumns(target, {{1, kRed}, {6, kGreen}, {11, kRed}, {14, kRed}});
}

TEST_F(GfxBatch, ABlendChangeDrawsTheEarlierQuadsUnderTheirOwnBlend) {
  Untextured();
  Columns(0, 12, kRed);
  device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);
  device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
  Columns(4, 16, kGreen);   // added to red: yellow
  device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, FALSE);
  Columns(8, 10, kBlue);    // replaces
  ASSERT_EQ(device->EndScene(), D3D_OK);
  ExpectColumns(target, {{1, kRed}, {5, kYellow}, {9, kBlue}, {11, kYellow}, {14, kGreen}});
}

TEST_F(GfxBatch, ATargetSwitchDrawsIntoTheTargetTheQuadsWereMeantFor) {
  IDirectDrawSurface7* other = Target(16, 4);
  Untextured();
  Columns(0, 16, kRed);
  ASSERT_EQ(device->SetRenderTarget(other, 0), D3D_OK);
  Columns(0, 16, kGreen);
  ASSERT_EQ(device->SetRenderTarget(target, 0), D3D_OK);
  // The other target, just drawn, is sampled over the right half.
  Textured();
  device->SetTexture(0, other);
  Columns(8, 16);
  ASSERT_EQ(device->EndScene(), D3D_OK);
  ExpectColumns(target, {{2, kRed}, {12, kGreen}});
  ExpectColumns(other, {{2, kGreen}, {12, kGreen}});
}

TEST_F(GfxBatch, SurfaceAccessBetweenDrawsSeesAndKeepsTheirOrder) {
  Textured();
  device->SetTexture(0, red);
  Columns(0, 8);
  // A Lock in the middle of the scene reads what was drawn so far.
  ExpectColumns(target, {{2, kRed}, {12, 0xFF000000}});
  // A texture rewritten between two draws with it: the first draw keeps the old pixels.
  Columns(8, 12);
  Write(red, {kBlue});
  Columns(12, 16);
  ASSERT_EQ(device->EndScene(), D3D_OK);
  ExpectColumns(target, {{2, kRed}, {10, kRed}, {14, kBlue}});
}

TEST_F(GfxBatch, FansStripsAndIndexedListsDrawAsSeparateCallsWould) {
  Untextured();
  // A strip over columns 0-3, an indexed list over 4-7 and a fan over 8-11, all in one state;
  // then a line strip along row 2 of columns 12-15.
  TLVertex strip[4] = {{-0.5f, -0.5f, 0.5f, 1, kRed, 0, 0, 0}, {3.5f, -0.5f, 0.5f, 1, kRed, 0, 0, 0},
                       {-0.5f, 3.5f, 0.5f, 1, kRed, 0, 0, 0}, {3.5f, 3.5f, 0.5f, 1, kRed, 0, 0, 0}};
  ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_TLVERTEX, strip, 4, 0), D3D_OK);
  std::vector<TLVertex> quad = TLQuad(3.5f, -0.5f, 7.5f, 3.5f, kGreen);
  WORD indices[6] = {0, 1, 2, 0, 2, 3};
  ASSERT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, quad.data(), 4, indices, 6, 0), D3D_OK);
  Columns(8, 12, kBlue);
  TLVertex line[3] = {{12, 2, 0.5f, 1, kYellow, 0, 0, 0}, {14, 2, 0.5f, 1, kYellow, 0, 0, 0},
                      {16, 2, 0.5f, 1, kYellow, 0, 0, 0}};
  ASSERT_EQ(device->DrawPrimitive(D3DPT_LINESTRIP, D3DFVF_TLVERTEX, line, 3, 0), D3D_OK);
  ASSERT_EQ(device->EndScene(), D3D_OK);
  ExpectColumns(target, {{0, kRed}, {3, kRed}, {4, kGreen}, {7, kGreen}, {8, kBlue}, {11, kBlue}, {12, kYellow},
                         {15, kYellow}});
}

TEST_F(GfxBatch, StatesSetAndSetBackBetweenDrawsCostNoDraw) {
  Textured();
  device->SetTexture(0, red);
  device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);
  device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
  long before = os::TestDrawCallCount();
  Columns(0, 6);
  // A texture and a blend set and set back with nothing drawn in between: still one run.
  device->SetTexture(0, green);
  device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
  device->SetTexture(0, red);
  device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, FALSE);
  Columns(4, 10);
  // Changed for good: the run so far is drawn under its own state, the next one added onto it.
  device->SetTexture(0, green);
  device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
  Columns(8, 16);
  ASSERT_EQ(device->EndScene(), D3D_OK);
  // Reading the target draws whatever is still held back.
  ExpectColumns(target, {{2, kRed}, {5, kRed}, {9, kYellow}, {12, kGreen}});
  EXPECT_EQ(os::TestDrawCallCount() - before, 2);
}

TEST_F(GfxBatch, AStateChangedWhileQuadsWaitLeavesThemTheirOwnState) {
  Untextured();
  Columns(0, 16, kBlue);
  Columns(0, 12, kRed);
  device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);
  device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
  // The Lock draws the waiting quads: opaque, as they were drawn, not added.
  ExpectColumns(target, {{2, kRed}, {14, kBlue}});
  Columns(8, 16, kGreen);
  ASSERT_EQ(device->EndScene(), D3D_OK);
  ExpectColumns(target, {{2, kRed}, {9, kYellow}, {14, 0xFF00FFFF}});
}

TEST_F(GfxBatch, QuadsInScreenPixelsThenThroughTheMatricesEachKeepTheirOwnMapping) {
  Untextured();
  Columns(0, 8, kRed);
  // The right half through identity matrices: x 0..1 of clip space. Had this batch been drawn with
  // the screen-pixel mapping of the one before, it would cover a pixel or nothing.
  D3DMATRIX identity{};
  identity._11 = identity._22 = identity._33 = identity._44 = 1;
  for (D3DTRANSFORMSTATETYPE t : {D3DTRANSFORMSTATE_WORLD, D3DTRANSFORMSTATE_VIEW, D3DTRANSFORMSTATE_PROJECTION})
    device->SetTransform(t, &identity);
  LVertex quad[4] = {{0, 1, 0.5f, 0, kGreen, 0, 0, 0}, {1, 1, 0.5f, 0, kGreen, 0, 0, 0},
                     {1, -1, 0.5f, 0, kGreen, 0, 0, 0}, {0, -1, 0.5f, 0, kGreen, 0, 0, 0}};
  ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_LVERTEX, quad, 4, 0), D3D_OK);
  // A texture change ends that batch too, so both wait in the frame log until the read.
  device->SetTexture(0, red);
  Columns(14, 16, kBlue);
  ASSERT_EQ(device->EndScene(), D3D_OK);
  ExpectColumns(target, {{2, kRed}, {9, kGreen}, {12, kGreen}, {15, kBlue}});
}

TEST_F(GfxBatch, WithoutATextureTheStageStillSamplesWhite) {
  Untextured();
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  Columns(0, 8, kRed);       // white times red
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_ADD);
  Columns(8, 16, kRed);      // white plus red
  ASSERT_EQ(device->EndScene(), D3D_OK);
  ExpectColumns(target, {{2, kRed}, {5, kRed}, {10, 0xFFFFFFFF}, {14, 0xFFFFFFFF}});
}

}  // namespace
