// The particle renderer's batches and texture lookups served by the drawing context and TTexture.
#include "particles/particledraw.h"

#include <algorithm>
#include <vector>

#include "os/d3d.h"
#include "particles/luaparticlesystem.h"
#include "render/animatedtexture.h"
#include "render/drawcontext.h"
#include "render/texture.h"
#include "render/textureservices.h"

TParticleTexture::TParticleTexture(std::shared_ptr<TTexture> texture)
    : mTexture(std::move(texture)), mAnimated(KindCast<TAnimatedTexture>(mTexture)) {
  if (mAnimated && !mAnimated->GetSheet()) mAnimated.reset();
}

const std::shared_ptr<TTexture>& TParticleTexture::GetTexture() const {
  return mAnimated ? mAnimated->GetSheet() : mTexture;
}

int32_t TParticleTexture::GetWidth() const {
  const std::shared_ptr<TTexture>& t = GetTexture();
  return t ? t->GetWidth() : 0;
}

int32_t TParticleTexture::GetHeight() const {
  const std::shared_ptr<TTexture>& t = GetTexture();
  return t ? t->GetHeight() : 0;
}

int32_t TParticleTexture::GetFrameCount() const {
  return mAnimated ? std::max(1, mAnimated->GetAnimation().GetFrameCount()) : 1;
}

TRect TParticleTexture::GetFrameSource(int32_t frame) const {
  if (mAnimated && frame >= 0 && frame < mAnimated->GetAnimation().GetFrameCount())
    return mAnimated->GetFrameRect(frame);
  return TRect(0, 0, GetWidth(), GetHeight());
}

void TParticleTexture::GetFrameTrim(int32_t frame, TVec2* fullSize, TRect* trimmed) const {
  const TAnimation* anim = mAnimated ? &mAnimated->GetAnimation() : nullptr;
  if (!anim || frame < 0 || frame >= anim->GetFrameCount()) {
    if (fullSize) *fullSize = TVec2(float(GetWidth()), float(GetHeight()));
    if (trimmed) *trimmed = GetFrameSource(0);
    return;
  }
  const TAnimFrame& f = anim->frames[static_cast<size_t>(frame)];
  // Without an image size the largest frame stands for the full one.
  bool imageSized = anim->imageWidth > 0 && anim->imageHeight > 0;
  if (fullSize)
    *fullSize = imageSized ? TVec2(float(anim->imageWidth), float(anim->imageHeight))
                           : TVec2(float(anim->maxWidth), float(anim->maxHeight));
  if (trimmed) {
    int32_t left = anim->imageRegX - f.regX;
    int32_t top = anim->imageRegY - f.regY;
    *trimmed = TRect(left, top, left + f.width, top + f.height);
  }
}

std::shared_ptr<TParticleTexture> FindParticleTexture(const TString& name) {
  auto animated = [&]() -> std::shared_ptr<TParticleTexture> {
    std::shared_ptr<TAnimatedTexture> texture = TAnimatedTexture::Get(name, TString(), TString());
    if (!texture || !texture->GetSheet()) return nullptr;
    return std::make_shared<TParticleTexture>(std::move(texture));
  };
  TString lower = name;
  lower.ToLower();
  TString extension = lower.Length() >= 4 ? lower.SubString(lower.Length() - 4) : TString();
  if (extension == ".xml" || extension == ".anm") return animated();
  if (std::shared_ptr<TTexture> texture = GetTextureByName(name, TTexture::kGetAlpha))
    return std::make_shared<TParticleTexture>(std::move(texture));
  return animated();
}

void DrawParticleBatch(const TParticleBatch& batch) {
  TDrawContext* draw = TDrawContext::GetInstance();
  if (!batch.vertices || batch.vertexCount <= 0) return;
  if (!draw->IsIn2d() && !draw->IsIn3d()) return;
  std::vector<TTransformedVertex> out(static_cast<size_t>(batch.vertexCount));
  for (int32_t i = 0; i < batch.vertexCount; ++i) {
    const TParticleVertex& p = batch.vertices[i];
    out[i] = TTransformedVertex{p.x, p.y, p.z, p.rhw, p.diffuse, p.specular, p.u, p.v};
  }
  auto* texture = dynamic_cast<const TParticleTexture*>(batch.texture);
  std::shared_ptr<TTexture> saved = draw->GetTexture();
  draw->SetTexture(texture ? texture->GetTexture() : nullptr);
  draw->SetBlendMode(batch.blendMode);
  TVertexSet set = TVertexSet::Pretransformed(out.data(), batch.vertexCount);
  if (batch.indices && batch.indexCount > 0)
    draw->DrawIndexedVertices(D3DPT_TRIANGLELIST, set, batch.indices, batch.indexCount);
  else
    draw->DrawVertices(D3DPT_TRIANGLELIST, set);
  draw->SetTexture(saved);
  draw->SetBlendMode(0);
}

void ConnectParticleDrawing() {
  T2dParticleRenderer::SetBatchSink(DrawParticleBatch);
  TLuaParticleSystem::SetTextureLookup(
      [](const TString& name) -> std::shared_ptr<IParticleTexture> { return FindParticleTexture(name); });
}
