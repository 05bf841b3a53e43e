// TTexture as far as the drawing context and the display back end need it: a surface to bind or
// render into, its size, and whether its data is a plain off-screen surface (which is never bound).
// The pixel storage, loading and drawing of textures build on this class.
#pragma once
#include "os/ddraw.h"
#include "render/asset.h"
#include "render/ddutil.h"

class TTexture : public TAsset {
 public:
  // Texture-data flag of a plain off-screen surface.
  static constexpr int kSimple = 0x10;

  TTexture() = default;
  ~TTexture() override = default;
  // Takes the surface (may be null) with its size and texture-data flags.
  void SetSurface(ComOwned<IDirectDrawSurface7> surface, int width, int height, int flags) {
    mSurface = std::move(surface);
    mWidth = width;
    mHeight = height;
    mFlags = flags;
  }
  IDirectDrawSurface7* GetSurface() const { return mSurface.get(); }
  int GetWidth() const { return mWidth; }
  int GetHeight() const { return mHeight; }
  bool IsSimple() const { return (mFlags & kSimple) != 0; }
  // Whether the pixels carry an alpha channel (read from the surface's format).
  bool HasAlpha() const {
    if (!mSurface) return false;
    DDPIXELFORMAT f{};
    f.dwSize = sizeof f;
    return mSurface->GetPixelFormat(&f) == DD_OK && (f.dwFlags & DDPF_ALPHAPIXELS);
  }
  void Unload() override {}
  void Restore() override {}

 private:
  ComOwned<IDirectDrawSurface7> mSurface;
  int mWidth = 0;
  int mHeight = 0;
  int mFlags = 0;
};
