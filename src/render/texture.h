// TTexture: the shared image asset that windows, sprites and effects draw. It owns one texture data
// object (pixels and surface), is registered with the asset manager under a key made from its name
// and load options, loads image files with their options and alpha masks, draws itself as a
// transformed quad from a TDrawSpec, copies rectangles into other textures and saves itself.
#pragma once
#include <cstdint>
#include <memory>

#include "core/rect.h"
#include "core/string.h"
#include "render/asset.h"
#include "render/drawspec.h"
#include "render/texturedata.h"

class TTexture : public TAsset {
  TM_CLASS(TTexture, TAsset)

 public:
  // Flags of Get.
  static constexpr int kGetMipmap = 1;
  static constexpr int kGetAlpha = 2;
  static constexpr int kGetNoAlpha = 4;

  TTexture();
  ~TTexture() override;

  // The texture of that name and flags, shared while alive; empty when it cannot be loaded.
  static std::shared_ptr<TTexture> Get(const TString& name, int flags);
  static std::shared_ptr<TTexture> GetWithMask(const TString& imageName, const TString& maskName, int flags);
  static std::shared_ptr<TTexture> GetSimple(const TString& name);
  // A texture made in memory, cleared; empty when its surface cannot be made.
  static std::shared_ptr<TTexture> CreateBlank(int width, int height, bool alpha);
  // A new texture registered under the key (under its unique name when the key is empty).
  static std::shared_ptr<TTexture> Create(const TString& key);
  static std::shared_ptr<TTexture> Find(const TString& key);
  static TString MakeCacheKey(const TString& name, bool alpha, bool mipmap, bool simple);
  static TString MakeMaskedCacheKey(const TString& imageName, const TString& maskName, bool mipmap, bool simple);
  TString MakeUniqueName() const;

  void Unload() override;
  void Restore() override;
  virtual void Draw(const TDrawSpec& drawSpec);
  virtual void DrawAt(float x, float y, float alpha, float scale, float rotation, uint32_t flags);
  virtual void CopyRect(int x, int y, const TRect* source, TTexture* destination);
  virtual int GetWidth() const { return mData ? mData->mImageWidth : 0; }
  virtual int GetHeight() const { return mData ? mData->mImageHeight : 0; }

  // Writes a ".jpg" (quality 0..1) or ".png" file of the image.
  bool Save(const TString& fileName, float quality);
  bool Lock(uint32_t** pixels, int* rowLength) { return mData && mData->Lock(pixels, rowLength); }
  void Unlock() {
    if (mData) mData->Unlock();
  }
  bool HasAlpha() const { return mData && (mData->mFlags & kTexAlpha); }
  bool IsSimple() const { return mData && (mData->mFlags & kTexSimple); }
  // The padded size: image size plus both borders, rounded down to even.
  void GetSurfaceSize(int* width, int* height) const;
  TString GetSourceNames() const;
  IDirectDrawSurface7* GetSurface() const { return mData ? mData->GetSurface() : nullptr; }
  TTextureData* GetData() const { return mData.get(); }

 private:
  std::unique_ptr<TTextureData> mData;
};
