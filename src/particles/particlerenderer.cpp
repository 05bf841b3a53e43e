// The 2D particle renderer: one quad per live particle, written into a vertex buffer that every
// renderer shares and drawn in one batch (split only where 16-bit indices would run out).
#include "particles/particlerenderer.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/config.h"

namespace {

// Shared by every renderer; freed with the last one.
struct SharedBuffers {
  std::vector<TParticleVertex> vertices;
  std::vector<uint16_t> indices;
};
SharedBuffers* gBuffers = nullptr;
int32_t gRenderers = 0;
TParticleBatchSink& Sink() {
  static TParticleBatchSink sink;
  return sink;
}

// Corner offsets and texture positions, in vertex order.
constexpr float kCornerX[4] = {-0.5f, 0.5f, -0.5f, 0.5f};
constexpr float kCornerY[4] = {-0.5f, -0.5f, 0.5f, 0.5f};
constexpr float kCornerU[4] = {0.0f, 1.0f, 0.0f, 1.0f};
constexpr float kCornerV[4] = {0.0f, 0.0f, 1.0f, 1.0f};
// Two triangles per quad; the triangle-list path writes the corners in this order.
constexpr uint16_t kQuadIndices[6] = {0, 1, 2, 2, 1, 3};

// A colour component as a byte; out-of-range (and NaN) values are held to 0..255.
uint32_t ToByte(float v) {
  if (!(v > 0.0f)) return 0;
  if (v >= 1.0f) return 255;
  return static_cast<uint32_t>(v * 255.0f);
}

bool ConfigFlag(const char* key) { return GetConfig(key, "").ToFloat() != 0.0f; }

}  // namespace

IParticleTexture::~IParticleTexture() = default;
TParticleRenderer::~TParticleRenderer() = default;

T2dParticleRenderer::T2dParticleRenderer() {
  mBrokenIndexedVerts = ConfigFlag("brokenindexedverts");
  if (gRenderers++ == 0) {
    gBuffers = new SharedBuffers;
    gBuffers->indices.resize(static_cast<size_t>(kIndexedChunk) * 6);
    for (int32_t q = 0; q < kIndexedChunk; ++q)
      for (int32_t k = 0; k < 6; ++k)
        gBuffers->indices[static_cast<size_t>(q) * 6 + k] =
            static_cast<uint16_t>(q * 4 + kQuadIndices[k]);
  }
}

T2dParticleRenderer::~T2dParticleRenderer() {
  if (--gRenderers == 0) {
    delete gBuffers;
    gBuffers = nullptr;
  }
}

void T2dParticleRenderer::SetBatchSink(TParticleBatchSink sink) { Sink() = std::move(sink); }

const char* T2dParticleRenderer::GetAttributeScript() const {
  return "pPosition = Allocate(2);\npUp = Allocate(2);\npScale = Allocate(1);\npColor = "
         "Allocate(4);\npFrame = Allocate(1);\n";
}

int32_t T2dParticleRenderer::SetTexture(const std::shared_ptr<IParticleTexture>& texture) {
  if (!texture) return -1;
  mTexture = texture;
  mBaseSize = TVec2(static_cast<float>(texture->GetWidth()), static_cast<float>(texture->GetHeight()));
  return 0;
}

void T2dParticleRenderer::SetOption(const TString& name, const float* values, int32_t count) {
  if (name == "blendmode" && count >= 1) {
    float v = values[0];
    mBlendMode = (v > -2147483648.0f && v < 2147483648.0f) ? static_cast<int32_t>(v) : 0;
  }
}

void T2dParticleRenderer::BuildQuad(const float* p, float ox, float oy, float oz, float alpha,
                                    bool animated, TParticleVertex out[4]) const {
  float cx = ox + p[0];
  float cy = oy + p[1];
  float ux = p[2];
  float uy = p[3];
  float scale = p[4];
  float w = mBaseSize.x * scale;
  float h = mBaseSize.y * scale;
  float u0 = 0.0f, v0 = 0.0f, u1 = 1.0f, v1 = 1.0f;
  bool framed = false;
  if (mTexture && mTexture->GetFrameCount() > 1) {
    int32_t frames = mTexture->GetFrameCount();
    float f = p[9];
    int32_t frame = (f > 0.0f) ? (f < static_cast<float>(frames) ? static_cast<int32_t>(f) : frames - 1) : 0;
    TRect src = mTexture->GetFrameSource(frame);
    float tw = static_cast<float>(std::max(mTexture->GetWidth(), 1));
    float th = static_cast<float>(std::max(mTexture->GetHeight(), 1));
    u0 = src.left / tw;
    v0 = src.top / th;
    u1 = src.right / tw;
    v1 = src.bottom / th;
    framed = true;
    if (animated) {
      TVec2 full;
      TRect trimmed;
      mTexture->GetFrameTrim(frame, &full, &trimmed);
      w = static_cast<float>(src.right - src.left) * scale;
      h = static_cast<float>(src.bottom - src.top) * scale;
      // keep a trimmed frame where its pixels sat in the full frame
      float sx = (static_cast<float>(trimmed.left + trimmed.right) - full.x) * 0.5f * scale;
      float sy = (static_cast<float>(trimmed.top + trimmed.bottom) - full.y) * 0.5f * scale;
      cx += -uy * sx - ux * sy;
      cy += -uy * sy + ux * sx;
    }
  }
  uint32_t a = ToByte(p[8]);
  uint32_t scaledAlpha = ToByte(static_cast<float>(a) / 255.0f * alpha);
  uint32_t color = scaledAlpha << 24 | ToByte(p[5]) << 16 | ToByte(p[6]) << 8 | ToByte(p[7]);
  for (int k = 0; k < 4; ++k) {
    float sx = kCornerX[k];
    float sy = kCornerY[k];
    TParticleVertex& v = out[k];
    v.x = cx - uy * w * sx - ux * h * sy;
    v.y = cy - uy * h * sy + ux * w * sx;
    v.z = oz;
    v.rhw = 1.0f;
    v.diffuse = color;
    v.specular = 0;
    v.u = framed ? (kCornerU[k] == 0.0f ? u0 : u1) : kCornerU[k];
    v.v = framed ? (kCornerV[k] == 0.0f ? v0 : v1) : kCornerV[k];
  }
}

int32_t T2dParticleRenderer::Render(const TVec3& origin, float alpha, const TParticleList& live,
                                    int32_t count) {
  if (count <= 0 || live.empty()) return 0;
  float ox = origin.x - 0.5f;
  float oy = origin.y - 0.5f;
  bool animated = ConfigFlag("animatedparticles");
  bool list = mBrokenIndexedVerts;
  int32_t chunk = list ? kListChunk : kIndexedChunk;
  int32_t perParticle = list ? 6 : 4;
  std::vector<TParticleVertex>& vertices = gBuffers->vertices;
  size_t wanted = static_cast<size_t>(std::min<size_t>(live.size(), chunk)) * perParticle;
  if (vertices.size() < wanted) vertices.resize(wanted);

  TParticleBatch batch;
  batch.texture = mTexture.get();
  batch.blendMode = mBlendMode;
  batch.vertices = vertices.data();
  int32_t inBatch = 0;
  auto flush = [&]() {
    if (inBatch == 0) return;
    batch.vertexCount = inBatch * perParticle;
    batch.indices = list ? nullptr : gBuffers->indices.data();
    batch.indexCount = list ? 0 : inBatch * 6;
    if (Sink()) Sink()(batch);
    inBatch = 0;
  };
  for (const float* p : live) {
    TParticleVertex quad[4];
    BuildQuad(p, ox, oy, origin.z, alpha, animated, quad);
    TParticleVertex* out = vertices.data() + static_cast<size_t>(inBatch) * perParticle;
    if (list) {
      for (int k = 0; k < 6; ++k) out[k] = quad[kQuadIndices[k]];
    } else {
      for (int k = 0; k < 4; ++k) out[k] = quad[k];
    }
    if (++inBatch == chunk) flush();
  }
  flush();
  return 0;
}
