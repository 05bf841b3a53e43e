// Connects the particle systems to the display: their batches are drawn through the drawing
// context, and the texture names their scripts ask for are loaded as real textures.
#pragma once
#include <memory>

#include "particles/particlerenderer.h"

class TAnimatedTexture;
class TTexture;

// A texture as the particle renderer sees it. A plain image is one frame covering all of it. An
// animated texture offers its frames: the size is its sheet's (frame rectangles are sheet pixels),
// each frame's full size is the animation's image size, and a frame sits in it so that its
// registration point falls on the image's.
class TParticleTexture : public IParticleTexture {
 public:
  explicit TParticleTexture(std::shared_ptr<TTexture> texture);
  int32_t GetWidth() const override;
  int32_t GetHeight() const override;
  int32_t GetFrameCount() const override;
  TRect GetFrameSource(int32_t frame) const override;
  void GetFrameTrim(int32_t frame, TVec2* fullSize, TRect* trimmed) const override;
  // The texture the particles are drawn with: the sheet of an animated texture.
  const std::shared_ptr<TTexture>& GetTexture() const;

 private:
  std::shared_ptr<TTexture> mTexture;
  std::shared_ptr<TAnimatedTexture> mAnimated;  // the same texture when it is animated
};

// The texture a particle script names: an animation description (a name ending in ".xml" or ".anm",
// or one that no image answers to) or an image, loaded with its alpha. Null when neither exists.
std::shared_ptr<TParticleTexture> FindParticleTexture(const TString& name);

// Draws one batch: binds its texture (none when the batch has none, or one not made here), sets
// its blend mode and draws its pre-transformed vertices, indexed or as a triangle list. Nothing
// is drawn outside a 2D or 3D block.
void DrawParticleBatch(const TParticleBatch& batch);
// Installs DrawParticleBatch as the renderers' batch sink and a lookup that loads the named
// texture (with its alpha) for the particle scripts.
void ConnectParticleDrawing();
