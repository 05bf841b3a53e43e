// The 2D particle renderer's vertex lists: quad corners for position, size, scale and up
// direction, colours with the render alpha, texture frames, the triangle-list path and batching.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "particlefixture.h"
#include "particles/particlecollection.h"
#include "particles/particlerenderer.h"

namespace {

// A texture of four 16 x 16 frames in a row; frame 2 is trimmed to its lower right quarter.
struct StripTexture : IParticleTexture {
  int32_t GetWidth() const override { return 64; }
  int32_t GetHeight() const override { return 16; }
  int32_t GetFrameCount() const override { return 4; }
  TRect GetFrameSource(int32_t f) const override {
    if (f == 2) return {40, 8, 48, 16};
    return {f * 16, 0, f * 16 + 16, 16};
  }
  void GetFrameTrim(int32_t f, TVec2* full, TRect* trimmed) const override {
    *full = TVec2(16, 16);
    *trimmed = f == 2 ? TRect(8, 8, 16, 16) : TRect(0, 0, 16, 16);
  }
};

// Particles laid out as the renderer reads them.
struct Particle {
  float v[10] = {0, 0, 0, -1, 1, 1, 1, 1, 1, 0};
};

class ParticleRendererTest : public ParticleTest {
 protected:
  // Renders the particles and answers the one batch drawn.
  const CapturedBatch& Draw(T2dParticleRenderer& r, std::vector<Particle>& particles,
                            const TVec3& origin = TVec3(), float alpha = 1.0f) {
    TParticleList live;
    for (Particle& p : particles) live.push_back(p.v);
    mBatches.clear();
    r.Render(origin, alpha, live, static_cast<int32_t>(live.size()));
    EXPECT_EQ(mBatches.size(), 1u);
    static CapturedBatch none;
    return mBatches.empty() ? none : mBatches[0];
  }
};

void ExpectCorners(const CapturedBatch& b, int first, const float (&xy)[4][2]) {
  for (int k = 0; k < 4; ++k) {
    EXPECT_NEAR(b.vertices[first + k].x, xy[k][0], 1e-4) << "corner " << k;
    EXPECT_NEAR(b.vertices[first + k].y, xy[k][1], 1e-4) << "corner " << k;
  }
}

TEST_F(ParticleRendererTest, QuadsFollowPositionSizeAndUpDirection) {
  T2dParticleRenderer r;
  std::vector<Particle> ps(3);
  // upright at (10, 20) with scale 2 and no texture: a 2 x 2 quad
  ps[0].v[0] = 10;
  ps[0].v[1] = 20;
  ps[0].v[4] = 2;
  // up (1, 0) at the origin: a quarter turn round
  ps[1].v[2] = 1;
  ps[1].v[3] = 0;
  const CapturedBatch& b = Draw(r, ps, TVec3(100.5f, 200.5f, 0.25f));
  ASSERT_EQ(b.vertices.size(), 12u);
  const float upright[4][2] = {{109, 219}, {111, 219}, {109, 221}, {111, 221}};
  ExpectCorners(b, 0, upright);
  const float turned[4][2] = {{100.5f, 199.5f}, {100.5f, 200.5f}, {99.5f, 199.5f}, {99.5f, 200.5f}};
  ExpectCorners(b, 4, turned);
  for (const TParticleVertex& v : b.vertices) {
    EXPECT_EQ(v.z, 0.25f);
    EXPECT_EQ(v.diffuse, 0xFFFFFFFFu);
  }
  const float uv[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(b.vertices[k].u, uv[k][0]);
    EXPECT_EQ(b.vertices[k].v, uv[k][1]);
  }
  EXPECT_EQ(b.indices, (std::vector<uint16_t>{0, 1, 2, 2, 1, 3, 4, 5, 6, 6, 5, 7, 8, 9, 10, 10, 9, 11}));
}

TEST_F(ParticleRendererTest, ColoursCarryTheRenderAlphaAndStayInRange) {
  T2dParticleRenderer r;
  std::vector<Particle> ps(3);
  const float colours[3][4] = {{1, 0.5f, 0, 1}, {2, -1, NAN, 0.5f}, {0, 0, 1, 0}};
  for (int i = 0; i < 3; ++i)
    for (int c = 0; c < 4; ++c) ps[i].v[5 + c] = colours[i][c];
  const CapturedBatch& b = Draw(r, ps, TVec3(), 0.5f);
  ASSERT_EQ(b.vertices.size(), 12u);
  EXPECT_EQ(b.vertices[0].diffuse, 0x7FFF7F00u);
  EXPECT_EQ(b.vertices[4].diffuse, 0x3FFF0000u);
  EXPECT_EQ(b.vertices[8].diffuse, 0x000000FFu);
}

TEST_F(ParticleRendererTest, FramesPickTheirTextureArea) {
  T2dParticleRenderer r;
  auto texture = std::make_shared<StripTexture>();
  EXPECT_EQ(r.SetTexture(nullptr), -1);
  ASSERT_EQ(r.SetTexture(texture), 0);
  std::vector<Particle> ps(3);
  ps[0].v[9] = 1.7f;  // frame 1
  ps[1].v[9] = 99;    // past the last frame: the last
  ps[2].v[9] = NAN;   // no frame: the first
  const CapturedBatch& b = Draw(r, ps);
  EXPECT_EQ(b.texture, texture.get());
  const float expect[3][4] = {{0.25f, 0, 0.5f, 1}, {0.75f, 0, 1, 1}, {0, 0, 0.25f, 1}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_FLOAT_EQ(b.vertices[i * 4].u, expect[i][0]) << i;
    EXPECT_FLOAT_EQ(b.vertices[i * 4].v, expect[i][1]) << i;
    EXPECT_FLOAT_EQ(b.vertices[i * 4 + 3].u, expect[i][2]) << i;
    EXPECT_FLOAT_EQ(b.vertices[i * 4 + 3].v, expect[i][3]) << i;
  }
  // the texture's size is the base size: 64 x 16
  EXPECT_NEAR(b.vertices[3].x - b.vertices[0].x, 64, 1e-4);
  EXPECT_NEAR(b.vertices[3].y - b.vertices[0].y, 16, 1e-4);
}

TEST_F(ParticleRendererTest, AnimatedFramesKeepTrimmedPixelsInPlace) {
  SetConfig("animatedparticles", "1");
  T2dParticleRenderer r;
  r.SetTexture(std::make_shared<StripTexture>());
  std::vector<Particle> ps(1);
  ps[0].v[9] = 2;
  const CapturedBatch& b = Draw(r, ps, TVec3(0.5f, 0.5f, 0));
  // an 8 x 8 frame whose centre sat 4 right and 4 down of the full frame's centre
  const float corners[4][2] = {{0, 0}, {8, 0}, {0, 8}, {8, 8}};
  ExpectCorners(b, 0, corners);
  EXPECT_FLOAT_EQ(b.vertices[0].u, 40.0f / 64);
  EXPECT_FLOAT_EQ(b.vertices[0].v, 0.5f);
}

TEST_F(ParticleRendererTest, TriangleListWritesSixVerticesPerParticle) {
  SetConfig("brokenindexedverts", "1");
  T2dParticleRenderer r;
  ASSERT_TRUE(r.IsTriangleList());
  std::vector<Particle> ps(2);
  ps[1].v[0] = 5;
  const CapturedBatch& b = Draw(r, ps);
  EXPECT_TRUE(b.indices.empty());
  ASSERT_EQ(b.vertices.size(), 12u);
  // corners 0, 1, 2, 2, 1, 3 of each quad
  const int order[6] = {0, 1, 2, 2, 1, 3};
  const float cx[4] = {-1, 0, -1, 0};
  const float cy[4] = {-1, -1, 0, 0};
  for (int q = 0; q < 2; ++q)
    for (int k = 0; k < 6; ++k) {
      EXPECT_FLOAT_EQ(b.vertices[q * 6 + k].x, cx[order[k]] + q * 5) << q << " " << k;
      EXPECT_FLOAT_EQ(b.vertices[q * 6 + k].y, cy[order[k]]) << q << " " << k;
    }
}

TEST_F(ParticleRendererTest, BlendModeOptionAndEmptyLists) {
  T2dParticleRenderer r;
  const float additive = 2.9f;
  r.SetOption("blendmode", &additive, 1);
  r.SetOption("other", &additive, 1);
  EXPECT_EQ(r.GetBlendMode(), 2);
  std::vector<Particle> ps(1);
  EXPECT_EQ(Draw(r, ps).blendMode, 2);
  mBatches.clear();
  TParticleList none;
  r.Render(TVec3(), 1, none, 0);
  EXPECT_TRUE(mBatches.empty());
}

TEST_F(ParticleRendererTest, LargeSystemsSplitWhereIndicesRunOut) {
  T2dParticleRenderer r;
  const int32_t count = T2dParticleRenderer::kIndexedChunk + 10;
  std::vector<Particle> ps(count);
  TParticleList live;
  for (Particle& p : ps) live.push_back(p.v);
  r.Render(TVec3(), 1, live, count);
  ASSERT_EQ(mBatches.size(), 2u);
  EXPECT_EQ(mBatches[0].vertices.size(), size_t(T2dParticleRenderer::kIndexedChunk) * 4);
  EXPECT_EQ(mBatches[1].vertices.size(), 40u);
  EXPECT_EQ(mBatches[0].indices.back(), 65535);
}

TEST_F(ParticleRendererTest, SystemDrawsItsScriptedParticles) {
  auto s = Make(R"(
SetNumParticles(4)
SetBlendMode(kBlendAdditiveAlpha)
pPosition:Init(Vec2(3, 4))
pColor:Init(Color(1, 0, 0, 1))
)");
  EXPECT_EQ(s->Render(TVec3()), 0);
  EXPECT_TRUE(mBatches.empty()) << "nothing live, nothing drawn";
  Run(*s, "CreateParticles(2)");
  s->Render(TVec3(10.5f, 10.5f, 0));
  ASSERT_EQ(mBatches.size(), 1u);
  EXPECT_EQ(mBatches[0].blendMode, 2);
  ASSERT_EQ(mBatches[0].vertices.size(), 8u);
  EXPECT_FLOAT_EQ(mBatches[0].vertices[0].x, 12.5f);
  EXPECT_FLOAT_EQ(mBatches[0].vertices[0].y, 13.5f);
  EXPECT_EQ(mBatches[0].vertices[0].diffuse, 0xFFFF0000u);
}

TEST(ParticleCollection, StorageIsCutIntoBlocksOnTheFreeList) {
  TParticleCollection c;
  ASSERT_TRUE(c.SetStorage(3, 5, nullptr));
  EXPECT_EQ(c.GetCapacity(), 3);
  EXPECT_EQ(c.GetFreeCount(), 3);
  float* a = c.Birth();
  float* b = c.Birth();
  EXPECT_EQ(b - a, 5) << "address order";
  EXPECT_EQ(c.GetCount(), 2);
  c.Kill(c.GetLiveList().begin());
  EXPECT_EQ(c.GetCount(), 1);
  EXPECT_NE(c.Birth(), a) << "a freed block goes to the end of the free list";
  EXPECT_EQ(c.Birth(), a);
  EXPECT_EQ(c.Birth(), nullptr);

  float borrowed[8];
  ASSERT_TRUE(c.SetStorage(2, 4, borrowed));
  EXPECT_EQ(c.Birth(), borrowed);
  EXPECT_EQ(c.GetCount(), 1);

  EXPECT_FALSE(c.SetStorage(int64_t(1) << 29, 4, nullptr));
  EXPECT_EQ(c.GetCapacity(), 0);
  EXPECT_EQ(c.Birth(), nullptr);
}

}  // namespace
