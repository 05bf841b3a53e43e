// Textures as the particle renderer sees them: a plain image is one frame, an animated texture
// reports its real frames (sheet rectangles, trim against the image's registration point), and the
// particle's frame number picks the rectangle its quad shows. Particle scripts find animation
// descriptions by name.
#include <gtest/gtest.h>

#include <vector>

#include "animfixture.h"
#include "core/config.h"
#include "particles/particlerenderer.h"
#include "render/animatedtexture.h"
#include "particles/particledraw.h"

using render_test::AnimTest;

namespace {

// Three frames on a 64 x 32 sheet; the image's registration point is (7, 8).
const char kSparkXml[] =
    "<sequence name=\"spark\">\n"
    "  <img name=\"spark.png\" regx=\"7\" regy=\"8\" w=\"40\" h=\"40\"/>\n"
    "  <framelist>\n"
    "    <frame x=\"0\" y=\"0\" w=\"20\" h=\"30\" regx=\"10\" regy=\"25\"/>\n"
    "    <frame x=\"20\" y=\"0\" w=\"24\" h=\"30\"/>\n"
    "    <frame x=\"44\" y=\"2\" w=\"16\" h=\"16\" regx=\"1\" regy=\"2\"/>\n"
    "  </framelist>\n"
    "</sequence>\n";

class ParticleTextureTest : public AnimTest {
 protected:
  ParticleTextureTest() {
    WriteFile("fx/spark.xml", kSparkXml);
    WriteFile("fx/spark.png", "png");
    WriteFile("fx/dot.png", "png");
  }
  ~ParticleTextureTest() override {
    T2dParticleRenderer::SetBatchSink(nullptr);
    SetConfig("animatedparticles", "");
  }
};

TEST_F(ParticleTextureTest, AnimatedTextureReportsItsFramesOnTheSheet) {
  std::shared_ptr<TParticleTexture> spark = FindParticleTexture("user:fx/spark.xml");
  ASSERT_TRUE(spark) << Log();
  auto animated = KindCast<TAnimatedTexture>(TAnimatedTexture::Get("user:fx/spark.xml", "", ""));
  ASSERT_TRUE(animated);
  EXPECT_EQ(spark->GetTexture(), animated->GetSheet());  // drawn with the sheet
  EXPECT_EQ(spark->GetFrameCount(), 3);
  EXPECT_EQ(spark->GetWidth(), 64);
  EXPECT_EQ(spark->GetHeight(), 32);
  EXPECT_EQ(spark->GetFrameSource(1), TRect(20, 0, 44, 30));
  EXPECT_EQ(spark->GetFrameSource(7), TRect(0, 0, 64, 32));  // outside the frames: the whole sheet

  struct Case {
    int32_t frame;
    TRect trimmed;
  } cases[] = {
      {0, TRect(-3, -17, 17, 13)},  // its registration point (10, 25) on the image's (7, 8)
      {1, TRect(-3, -17, 21, 13)},  // inherits the first frame's registration point
      {2, TRect(6, 6, 22, 22)},
  };
  for (const Case& c : cases) {
    TVec2 full;
    TRect trimmed;
    spark->GetFrameTrim(c.frame, &full, &trimmed);
    EXPECT_EQ(full.x, 40.0f);
    EXPECT_EQ(full.y, 40.0f);
    EXPECT_EQ(trimmed, c.trimmed) << "frame " << c.frame;
  }

  // A plain image is one frame covering all of it; the bare description name finds the animation.
  std::shared_ptr<TParticleTexture> dot = FindParticleTexture("user:fx/dot.png");
  ASSERT_TRUE(dot);
  EXPECT_EQ(dot->GetFrameCount(), 1);
  EXPECT_EQ(dot->GetFrameSource(0), TRect(0, 0, 64, 32));
  std::shared_ptr<TParticleTexture> bare = FindParticleTexture("user:fx/spark");
  ASSERT_TRUE(bare);
  EXPECT_EQ(bare->GetFrameCount(), 3);
  EXPECT_FALSE(FindParticleTexture("user:fx/nothing.xml"));
  EXPECT_FALSE(FindParticleTexture("user:fx/nothing"));
}

TEST_F(ParticleTextureTest, ParticleFrameNumberPicksTheFrameItsQuadShows) {
  std::vector<TParticleVertex> vertices;
  T2dParticleRenderer::SetBatchSink([&](const TParticleBatch& batch) {
    vertices.assign(batch.vertices, batch.vertices + batch.vertexCount);
  });
  // position (100, 50), up (0, -1), scale 1, white, frame 1.
  float particle[10] = {100, 50, 0, -1, 1, 1, 1, 1, 1, 1.5f};
  TParticleList live{particle};
  for (bool animatedParticles : {false, true}) {
    SCOPED_TRACE(animatedParticles ? "animated particles" : "plain particles");
    SetConfig("animatedparticles", animatedParticles ? "1" : "0");
    T2dParticleRenderer renderer;
    renderer.SetTexture(FindParticleTexture("user:fx/spark.xml"));
    vertices.clear();
    renderer.Render(TVec3(), 1.0f, live, 1);
    ASSERT_EQ(vertices.size(), 4u);
    // The frame's rectangle of the 64 x 32 sheet, whichever way the quad is sized.
    float minU = 1, maxU = 0, minV = 1, maxV = 0;
    float minX = 1e9f, maxX = -1e9f;
    for (const TParticleVertex& v : vertices) {
      minU = std::min(minU, v.u), maxU = std::max(maxU, v.u);
      minV = std::min(minV, v.v), maxV = std::max(maxV, v.v);
      minX = std::min(minX, v.x), maxX = std::max(maxX, v.x);
    }
    EXPECT_FLOAT_EQ(minU, 20.0f / 64);
    EXPECT_FLOAT_EQ(maxU, 44.0f / 64);
    EXPECT_FLOAT_EQ(minV, 0.0f);
    EXPECT_FLOAT_EQ(maxV, 30.0f / 32);
    // Animated particles take the frame's own width; plain ones the texture's.
    EXPECT_FLOAT_EQ(maxX - minX, animatedParticles ? 24.0f : 64.0f);
  }
}

}  // namespace
