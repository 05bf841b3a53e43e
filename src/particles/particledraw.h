// Connects the particle systems to the display: their batches are drawn through the drawing
// context, and the texture names their scripts ask for are loaded as real textures.
#pragma once
#include <memory>

#include "particles/particlerenderer.h"

class TTexture;

// A texture as the particle renderer sees it: one frame covering the whole image.
class TParticleTexture : public IParticleTexture {
 public:
  explicit TParticleTexture(std::shared_ptr<TTexture> texture) : mTexture(std::move(texture)) {}
  int32_t GetWidth() const override;
  int32_t GetHeight() const override;
  int32_t GetFrameCount() const override { return 1; }
  TRect GetFrameSource(int32_t frame) const override;
  void GetFrameTrim(int32_t frame, TVec2* fullSize, TRect* trimmed) const override;
  const std::shared_ptr<TTexture>& GetTexture() const { return mTexture; }

 private:
  std::shared_ptr<TTexture> mTexture;
};

// Draws one batch: binds its texture (none when the batch has none, or one not made here), sets
// its blend mode and draws its pre-transformed vertices, indexed or as a triangle list. Nothing
// is drawn outside a 2D or 3D block.
void DrawParticleBatch(const TParticleBatch& batch);
// Installs DrawParticleBatch as the renderers' batch sink and a lookup that loads the named
// texture (with its alpha) for the particle scripts.
void ConnectParticleDrawing();
