// The particle renderer's batches and texture lookups served by the drawing context and TTexture.
#include "particles/particledraw.h"

#include <vector>

#include "os/d3d.h"
#include "particles/luaparticlesystem.h"
#include "render/drawcontext.h"
#include "render/texture.h"

int32_t TParticleTexture::GetWidth() const { return mTexture ? mTexture->GetWidth() : 0; }
int32_t TParticleTexture::GetHeight() const { return mTexture ? mTexture->GetHeight() : 0; }
TRect TParticleTexture::GetFrameSource(int32_t) const { return TRect(0, 0, GetWidth(), GetHeight()); }
void TParticleTexture::GetFrameTrim(int32_t, TVec2* fullSize, TRect* trimmed) const {
  if (fullSize) *fullSize = TVec2(float(GetWidth()), float(GetHeight()));
  if (trimmed) *trimmed = GetFrameSource(0);
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
  TLuaParticleSystem::SetTextureLookup([](const TString& name) -> std::shared_ptr<IParticleTexture> {
    std::shared_ptr<TTexture> texture = TTexture::Get(name, TTexture::kGetAlpha);
    if (!texture) return nullptr;
    return std::make_shared<TParticleTexture>(std::move(texture));
  });
}
