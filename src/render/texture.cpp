// Textures (see texture.h).
#include "render/texture.h"

#include <algorithm>
#include <cstring>

#include "core/config.h"
#include "core/log.h"
#include "os/d3d.h"
#include "render/assetmanager.h"
#include "render/drawcontext.h"
#include "render/dxdisplayhandler.h"
#include "render/imagecodecs.h"

TTexture::TTexture() {
  TDxDisplayHandler* handler = TDxDisplayHandler::GetInstance();
  mData = handler ? handler->CreateTextureData() : std::make_unique<TDxTextureData>();
}

TTexture::~TTexture() {
  if (mData && mData->mSourceName.IsEmpty())
    if (TAssetManager* assets = TAssetManager::GetInstance()) assets->Unregister(MakeUniqueName());
}

TString TTexture::MakeCacheKey(const TString& name, bool alpha, bool mipmap, bool simple) {
  std::string key = name.CStr();
  std::replace(key.begin(), key.end(), '\\', '/');
  if (alpha) key += ":a";
  if (mipmap) key += ":m";
  if (simple) key += ":s";
  return TString((key + ":tex").c_str());
}

TString TTexture::MakeMaskedCacheKey(const TString& imageName, const TString& maskName, bool mipmap, bool simple) {
  std::string key = std::string(imageName.CStr()) + ":" + maskName.CStr();
  if (mipmap) key += ":m";
  if (simple) key += ":s";
  return TString((key + ":tex").c_str());
}

TString TTexture::MakeUniqueName() const {
  return TString::Format("%llx:tex:r", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(this)));
}

std::shared_ptr<TTexture> TTexture::Create(const TString& key) {
  auto texture = std::make_shared<TTexture>();
  if (TAssetManager* assets = TAssetManager::GetInstance())
    assets->Register(key.IsEmpty() ? texture->MakeUniqueName() : key, texture);
  return texture;
}

std::shared_ptr<TTexture> TTexture::Find(const TString& key) {
  TAssetManager* assets = TAssetManager::GetInstance();
  if (!assets) return nullptr;
  std::shared_ptr<TAsset> asset = assets->Find(key);
  if (!asset || !asset->IsKindOf(TTexture::ClassId())) return nullptr;
  return std::static_pointer_cast<TTexture>(asset);
}

std::shared_ptr<TTexture> TTexture::Get(const TString& name, int flags) {
  TString key = MakeCacheKey(name, flags & kGetAlpha, flags & kGetMipmap, false);
  if (auto found = Find(key)) return found;
  std::shared_ptr<TTexture> texture = Create(key);
  uint8_t& f = texture->mData->mFlags;
  if (flags & kGetAlpha) f |= kTexAlpha;
  else if (flags & kGetNoAlpha) f &= static_cast<uint8_t>(~kTexAlpha);
  else f |= kTexAutoAlpha;
  if (flags & kGetMipmap) f |= kTexMipmap;
  if (!texture->mData->Load(name, TString())) return nullptr;
  return texture;
}

std::shared_ptr<TTexture> TTexture::GetWithMask(const TString& imageName, const TString& maskName, int flags) {
  TString key = MakeMaskedCacheKey(imageName, maskName, flags & kGetMipmap, false);
  if (auto found = Find(key)) return found;
  std::shared_ptr<TTexture> texture = Create(key);
  texture->mData->mFlags |= kTexAlpha | ((flags & kGetMipmap) ? kTexMipmap : 0);
  if (!texture->mData->Load(imageName, maskName)) return nullptr;
  return texture;
}

std::shared_ptr<TTexture> TTexture::GetSimple(const TString& name) {
  TString key = MakeCacheKey(name, false, false, true);
  if (auto found = Find(key)) return found;
  std::shared_ptr<TTexture> texture = Create(key);
  texture->mData->mFlags |= kTexSimple | kTexAutoAlpha;
  if (!texture->mData->Load(name, TString())) return nullptr;
  return texture;
}

std::shared_ptr<TTexture> TTexture::CreateBlank(int width, int height, bool alpha) {
  std::shared_ptr<TTexture> texture = Create(TString());
  texture->mData->mFlags |= kTexInMemory | (alpha ? kTexAlpha : 0);
  if (!texture->mData->CreateSurface(width, height, true)) return nullptr;
  return texture;
}

void TTexture::Unload() {
  if (mData) mData->ReleaseSurface();
}

void TTexture::Restore() {
  if (mData) mData->Restore();
}

void TTexture::Draw(const TDrawSpec& drawSpec) {
  TDrawContext* draw = TDrawContext::GetInstance();
  if (!mData || !draw->IsIn2d() || IsSimple()) return;
  TRect src = (drawSpec.flags & kDrawUseSourceRect) ? drawSpec.sourceRect : TRect(0, 0, GetWidth(), GetHeight());
  float w = float(src.right - src.left), h = float(src.bottom - src.top);
  TVec2 offset = (drawSpec.flags & kDrawUseAnchor) ? TVec2(-drawSpec.anchor.x, -drawSpec.anchor.y) : TVec2(-w / 2, -h / 2);
  TVec2 corners[4] = {offset, {offset.x + w, offset.y}, {offset.x + w, offset.y + h}, {offset.x, offset.y + h}};
  if (drawSpec.flags & kDrawMirrorY) {
    std::swap(corners[0].y, corners[2].y);
    std::swap(corners[1].y, corners[3].y);
  }
  if (drawSpec.flags & kDrawMirrorX) {
    std::swap(corners[0].x, corners[1].x);
    std::swap(corners[2].x, corners[3].x);
  }
  float sw = float(std::max(1, mData->mSurfaceWidth)), sh = float(std::max(1, mData->mSurfaceHeight));
  TTransformedVertex quad[4];
  BuildQuadVertices(quad, TVec2(0, 0), corners, TVec2(src.left / sw, src.top / sh), TVec2(src.right / sw, src.bottom / sh),
                    drawSpec.transform, drawSpec.alpha, drawSpec.color.x, drawSpec.color.y, drawSpec.color.z);
  TRect clip = draw->GetClipRect();
  static TSettingFlag softwareCulling("softwaretextureculling");
  if (softwareCulling.Get() && clip.right > clip.left && clip.bottom > clip.top) {
    int32_t vl, vt, vr, vb;
    draw->GetViewport(&vl, &vt, &vr, &vb);
    TRect moved(clip.left - vl, clip.top - vt, clip.right - vl, clip.bottom - vt);
    float minX = quad[0].x, maxX = quad[0].x, minY = quad[0].y, maxY = quad[0].y;
    for (const auto& v : quad) {
      minX = std::min(minX, v.x);
      maxX = std::max(maxX, v.x);
      minY = std::min(minY, v.y);
      maxY = std::max(maxY, v.y);
    }
    if (maxX < moved.left || minX > moved.right || maxY < moved.top || minY > moved.bottom) return;
  }
  draw->SetTexture(std::static_pointer_cast<TTexture>(shared_from_this()));
  if (drawSpec.blendMode != kBlendKeep) draw->SetBlendMode(drawSpec.blendMode);
  draw->DrawVertices(D3DPT_TRIANGLEFAN, TVertexSet(quad, 4));
}

void TTexture::DrawAt(float x, float y, float alpha, float scale, float rotation, uint32_t flags) {
  if (!mData || !TDrawContext::GetInstance()->IsIn2d()) return;
  TDrawSpec drawSpec(TVec2(x, y), alpha, scale, flags);
  drawSpec.transform.Rotate(rotation);
  Draw(drawSpec);
}

void TTexture::CopyRect(int x, int y, const TRect* source, TTexture* destination) {
  if (!mData || TDrawContext::GetInstance()->IsDrawing()) return;
  TRect r = source ? *source : TRect(0, 0, GetWidth(), GetHeight());
  r = TRect(std::max(0, r.left), std::max(0, r.top), std::min(r.right, GetWidth()), std::min(r.bottom, GetHeight()));
  mData->Blit(x, y, &r, destination);
}

bool TTexture::Save(const TString& fileName, float quality) {
  bool jpeg = std::strstr(fileName.CStr(), ".jpg") != nullptr;
  if (!jpeg && !std::strstr(fileName.CStr(), ".png")) {
    LogPrintf("TTexture::Save only supports .jpg and .png files");
    return false;
  }
  uint32_t* pixels = nullptr;
  int row = 0;
  if (!Lock(&pixels, &row)) return false;
  bool ok = jpeg ? SaveJpeg(fileName, quality, GetWidth(), GetHeight(), row * 4, pixels)
                 : SavePng(fileName, pixels, GetWidth(), GetHeight(), row * 4);
  Unlock();
  return ok;
}

void TTexture::GetSurfaceSize(int* width, int* height) const {
  if (!mData) {
    *width = *height = 0;
    return;
  }
  *width = (mData->mImageWidth + 2 * mData->mBorderX + 1) & ~1;
  *height = (mData->mImageHeight + 2 * mData->mBorderY + 1) & ~1;
}

TString TTexture::GetSourceNames() const {
  if (!mData) return TString();
  return mData->mSourceName + "." + mData->mMaskName;
}
