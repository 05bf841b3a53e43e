// Particle renderers. TParticleRenderer is what a particle system draws through; T2dParticleRenderer
// turns every live particle into a screen-aligned, rotated, scaled, coloured quad and hands all quads
// of a system to the drawing context as one batch of transformed vertices through a single seam
// (SetBatchSink), so the vertex lists can be checked without a display.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/math.h"
#include "core/rect.h"
#include "core/string.h"
#include "particles/particlecollection.h"

// What a renderer needs of a texture: its size and its animation frames.
class IParticleTexture {
 public:
  virtual ~IParticleTexture();
  virtual int32_t GetWidth() const = 0;
  virtual int32_t GetHeight() const = 0;
  virtual int32_t GetFrameCount() const = 0;
  // Where frame i lies in the texture, in pixels.
  virtual TRect GetFrameSource(int32_t frame) const = 0;
  // The frame's full (untrimmed) size, and where its kept pixels sat inside that full frame.
  virtual void GetFrameTrim(int32_t frame, TVec2* fullSize, TRect* trimmed) const = 0;
};

// A pre-transformed vertex: screen position, reciprocal w, ARGB colour, specular, texture position.
struct TParticleVertex {
  float x, y, z, rhw;
  uint32_t diffuse;
  uint32_t specular;
  float u, v;
};

// One draw call: a texture (may be null), a blend mode and the vertices, with 16-bit indices of
// two triangles per quad, or without indices as a plain triangle list.
struct TParticleBatch {
  const IParticleTexture* texture = nullptr;
  int32_t blendMode = 0;
  const TParticleVertex* vertices = nullptr;
  int32_t vertexCount = 0;
  const uint16_t* indices = nullptr;
  int32_t indexCount = 0;
};
using TParticleBatchSink = std::function<void(const TParticleBatch&)>;

class TParticleRenderer {
 public:
  virtual ~TParticleRenderer();
  // Draws the live particles at the origin with the alpha factor; answers 0.
  virtual int32_t Render(const TVec3& origin, float alpha, const TParticleList& live,
                         int32_t count) = 0;
  // Keeps the texture; -1 when none is given.
  virtual int32_t SetTexture(const std::shared_ptr<IParticleTexture>& texture) = 0;
  virtual void SetOption(const TString& name, const float* values, int32_t count) = 0;
  // Values copied over every new particle's first floats, and their number.
  virtual const float* GetVertexFormat() const = 0;
  virtual int32_t GetDefaultAttributeCount() const = 0;
  // Script that allocates the members this renderer reads, run before the particle script.
  virtual const char* GetAttributeScript() const = 0;
};

class T2dParticleRenderer : public TParticleRenderer {
 public:
  static constexpr int32_t kAttributeCount = 10;
  // Particles per draw call, so that 16-bit indices (and the triangle-list path's vertex numbers)
  // stay in range.
  static constexpr int32_t kIndexedChunk = 16384;
  static constexpr int32_t kListChunk = 10922;

  // Reads "brokenindexedverts".
  T2dParticleRenderer();
  ~T2dParticleRenderer() override;

  int32_t Render(const TVec3& origin, float alpha, const TParticleList& live,
                 int32_t count) override;
  int32_t SetTexture(const std::shared_ptr<IParticleTexture>& texture) override;
  // "blendmode": the first value truncated; other names are ignored.
  void SetOption(const TString& name, const float* values, int32_t count) override;
  const float* GetVertexFormat() const override { return mDefaults; }
  int32_t GetDefaultAttributeCount() const override { return kAttributeCount; }
  const char* GetAttributeScript() const override;

  int32_t GetBlendMode() const { return mBlendMode; }
  const TVec2& GetBaseSize() const { return mBaseSize; }
  const std::shared_ptr<IParticleTexture>& GetTexture() const { return mTexture; }
  bool IsTriangleList() const { return mBrokenIndexedVerts; }

  // Where every renderer's batches go (the drawing context installs its drawer here); an empty
  // sink drops them.
  static void SetBatchSink(TParticleBatchSink sink);

 private:
  // Writes the four corners of one particle's quad.
  void BuildQuad(const float* p, float ox, float oy, float oz, float alpha, bool animated,
                 TParticleVertex out[4]) const;

  int32_t mBlendMode = 0;
  TVec2 mBaseSize{1.0f, 1.0f};
  float mDefaults[kAttributeCount] = {0, 0, 0, -1, 1, 1, 1, 1, 1, 0};
  std::shared_ptr<IParticleTexture> mTexture;
  bool mBrokenIndexedVerts = false;
};
