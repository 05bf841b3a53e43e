// The GLSL programs that stand in for texture stage 0 and the alpha test draw the pixels the
// fixed-function pipeline draws, down to the last bit: texel times diffuse, either operand alone,
// flat and smooth colours, the alpha test folded into blending (fragments with alpha below the
// reference, also those that only filtering or a faint diffuse make so), and vertices in pixels or
// turned and scaled by the world transform.
#include <cmath>

#include "gfx_fixture.h"

using namespace gfx_test;

namespace {

constexpr int kSize = 24;

class GfxStageProgram : public GfxTest {
 protected:
  void SetUp() override {
    GfxTest::SetUp();
    target = Target(kSize, kSize);
    device = Device(target);
    Plain(device);
    DDPIXELFORMAT f = Argb8888();
    texture = Make(4, 4, DDSCAPS_TEXTURE, &f);
    // Alphas from none through barely there to opaque, so that filtering and a faint diffuse give
    // results on both sides of a reference of 1 or 2.
    Write(texture, {0x00FF0000, 0x01FF8000, 0x02FFFF00, 0x0380FF00,  //
                    0x00000000, 0x4000FF80, 0x8000FFFF, 0xC00080FF,  //
                    0xFF0000FF, 0x108000FF, 0x00FFFFFF, 0x7FFF00FF,  //
                    0xFFFF0080, 0x01FFFFFF, 0xFE808080, 0x00000000});
  }
  void TearDown() override {
    os::TestAllowStagePrograms(true);
    GfxTest::TearDown();
  }

  struct Stage {
    const char* name;
    DWORD colorOp, colorArg1, colorArg2, alphaOp, alphaArg1, alphaArg2;
  };
  struct Pass {
    const char* name;
    bool blend;
    DWORD src, dest;
    bool alphaTest;
    DWORD func, ref;
    DWORD shade;
  };

  // The picture one stage and pass give over a striped background: two sprites at fractional
  // positions, one of them stretched, with diffuse colours that differ per corner.
  std::vector<uint32_t> Draw(const Stage& s, const Pass& p, bool programs, bool pretransformed = true) {
    os::TestAllowStagePrograms(programs);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF204060, 1, 0);
    D3DRECT stripe{0, 8, kSize, 12};
    device->Clear(1, &stripe, D3DCLEAR_TARGET, 0x80E0C0A0, 1, 0);
    device->SetTexture(0, texture);
    device->SetTextureStageState(0, D3DTSS_COLOROP, s.colorOp);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, s.colorArg1);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, s.colorArg2);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, s.alphaOp);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, s.alphaArg1);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, s.alphaArg2);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);
    device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, p.blend);
    device->SetRenderState(D3DRENDERSTATE_SRCBLEND, p.src);
    device->SetRenderState(D3DRENDERSTATE_DESTBLEND, p.dest);
    device->SetRenderState(D3DRENDERSTATE_ALPHATESTENABLE, p.alphaTest);
    device->SetRenderState(D3DRENDERSTATE_ALPHAFUNC, p.func);
    device->SetRenderState(D3DRENDERSTATE_ALPHAREF, p.ref);
    device->SetRenderState(D3DRENDERSTATE_SHADEMODE, p.shade);
    std::vector<TLVertex> a = {{1.3f, 0.7f, 0.5f, 1, 0xFFFFFFFF, 0, 0, 0},
                               {15.8f, 0.7f, 0.5f, 1, 0x80FF8040, 0, 1, 0},
                               {15.8f, 17.2f, 0.5f, 1, 0x14FFFFFF, 0, 1, 1},
                               {1.3f, 17.2f, 0.5f, 1, 0xFF40C0FF, 0, 0, 1}};
    std::vector<TLVertex> b = {{9.6f, 6.1f, 0.5f, 1, 0x30FFFFFF, 0, 0.1f, 0.2f},
                               {22.4f, 6.1f, 0.5f, 1, 0xFFFFFFFF, 0, 0.9f, 0.2f},
                               {22.4f, 23.5f, 0.5f, 1, 0xC0808080, 0, 0.9f, 1},
                               {9.6f, 23.5f, 0.5f, 1, 0x05FFFFFF, 0, 0.1f, 1}};
    EXPECT_EQ(device->BeginScene(), D3D_OK);
    if (pretransformed) {
      EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_TLVERTEX, a.data(), 4, 0), D3D_OK);
      EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_TLVERTEX, b.data(), 4, 0), D3D_OK);
    } else {
      Turned();
      for (std::vector<TLVertex>* q : {&a, &b}) {
        std::vector<LVertex> l;
        for (const TLVertex& v : *q) l.push_back({v.x, v.y, v.z, 0, v.diffuse, 0, v.u, v.v});
        EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_LVERTEX, l.data(), 4, 0), D3D_OK);
      }
    }
    EXPECT_EQ(device->EndScene(), D3D_OK);
    return Raw(target);
  }

  // Pixel coordinates through the transforms, as sprites are drawn: the world turns them a little
  // about the middle and scales them, the projection maps the target onto clip space.
  void Turned() {
    float c = std::cos(0.3f) * 1.1f, s = std::sin(0.3f) * 1.1f, m = kSize / 2.0f;
    D3DMATRIX world{};
    world._11 = c, world._12 = s, world._21 = -s, world._22 = c, world._33 = 1, world._44 = 1;
    world._41 = m - c * m + s * m + 0.37f, world._42 = m - s * m - c * m - 0.21f;
    D3DMATRIX view{};
    view._11 = view._22 = view._33 = view._44 = 1;
    D3DMATRIX projection{};
    projection._11 = 2.0f / kSize, projection._22 = -2.0f / kSize, projection._33 = 1, projection._44 = 1;
    projection._41 = -1, projection._42 = 1;
    device->SetRenderState(D3DRENDERSTATE_LIGHTING, FALSE);
    device->SetTransform(D3DTRANSFORMSTATE_WORLD, &world);
    device->SetTransform(D3DTRANSFORMSTATE_VIEW, &view);
    device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &projection);
  }

  IDirectDrawSurface7* target = nullptr;
  IDirectDrawSurface7* texture = nullptr;
  IDirect3DDevice7* device = nullptr;
};

TEST_F(GfxStageProgram, ProgramsDrawTheFixedFunctionPixels) {
  const Stage stages[] = {
      {"texel times diffuse", D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_CURRENT, D3DTOP_MODULATE, D3DTA_TEXTURE,
       D3DTA_DIFFUSE},
      {"texel alone", D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
       D3DTA_DIFFUSE},
      {"diffuse colour, texel alpha", D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_MODULATE,
       D3DTA_DIFFUSE, D3DTA_TEXTURE},
      {"alpha stage off", D3DTOP_MODULATE, D3DTA_DIFFUSE, D3DTA_TEXTURE, D3DTOP_DISABLE, D3DTA_TEXTURE,
       D3DTA_DIFFUSE},
  };
  const Pass passes[] = {
      {"blended", true, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, false, D3DCMP_ALWAYS, 0, D3DSHADE_GOURAUD},
      {"blended, alpha test >= 1", true, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, true, D3DCMP_GREATEREQUAL, 1,
       D3DSHADE_GOURAUD},
      {"additive, alpha test > 2", true, D3DBLEND_SRCALPHA, D3DBLEND_ONE, true, D3DCMP_GREATER, 2, D3DSHADE_GOURAUD},
      {"blended, alpha test < 128, flat", true, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, true, D3DCMP_LESS, 128,
       D3DSHADE_FLAT},
      {"blended, alpha test never", true, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, true, D3DCMP_NEVER, 0,
       D3DSHADE_GOURAUD},
      // Blending that does not weigh by source alpha keeps GL's own test after the program.
      {"multiply, alpha test >= 1", true, D3DBLEND_ZERO, D3DBLEND_SRCCOLOR, true, D3DCMP_GREATEREQUAL, 1,
       D3DSHADE_GOURAUD},
      {"opaque, alpha test >= 64", false, D3DBLEND_ONE, D3DBLEND_ZERO, true, D3DCMP_GREATEREQUAL, 64,
       D3DSHADE_GOURAUD},
  };
  for (bool pretransformed : {true, false})
    for (const Stage& s : stages)
      for (const Pass& p : passes) {
      SCOPED_TRACE(std::string(pretransformed ? "in pixels / " : "transformed / ") + s.name + " / " + p.name);
      std::vector<uint32_t> fixed = Draw(s, p, false, pretransformed);
      int before = os::TestStageProgramDrawCount();
      std::vector<uint32_t> programmed = Draw(s, p, true, pretransformed);
      if (os::TestStageProgramDrawCount() == before) GTEST_SKIP() << "the driver compiles no GLSL";
      ASSERT_EQ(fixed.size(), size_t(kSize * kSize));
      int differing = 0, first = -1;
      for (size_t i = 0; i < fixed.size(); ++i)
        if (fixed[i] != programmed[i] && differing++ == 0) first = int(i);
      EXPECT_EQ(differing, 0) << "first at " << first % kSize << "," << first / kSize << ": fixed " << std::hex
                              << fixed[size_t(first < 0 ? 0 : first)] << " program "
                              << programmed[size_t(first < 0 ? 0 : first)];
    }
}

TEST_F(GfxStageProgram, StagesTheProgramsDoNotCoverStayFixedFunction) {
  const Stage stages[] = {
      {"texture factor", D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_TFACTOR, D3DTOP_SELECTARG1, D3DTA_TEXTURE, 0},
      {"complement", D3DTOP_SELECTARG1, D3DTA_TEXTURE | D3DTA_COMPLEMENT, 0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, 0},
      {"add", D3DTOP_ADD, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE, 0},
      {"modulate 2x", D3DTOP_MODULATE2X, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE, 0},
  };
  const Pass pass{"blended", true, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, true, D3DCMP_GREATEREQUAL, 1,
                  D3DSHADE_GOURAUD};
  device->SetRenderState(D3DRENDERSTATE_TEXTUREFACTOR, 0xFF336699);
  for (const Stage& s : stages) {
    SCOPED_TRACE(s.name);
    int before = os::TestStageProgramDrawCount();
    Draw(s, pass, true);
    EXPECT_EQ(os::TestStageProgramDrawCount(), before);
  }
}

}  // namespace
