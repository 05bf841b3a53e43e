// Texture data: the pixel storage behind every texture (file names, image and surface sizes, load
// flags) and its DirectDraw implementation, which makes the surface (a texture, a render target
// with its own depth buffer, or a plain off-screen surface), converts 32-bit pixels into and out of
// the surface's format, copies surfaces, and rebuilds itself after the device was lost.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "core/rect.h"
#include "core/string.h"
#include "os/ddraw.h"
#include "render/ddutil.h"

class TTexture;

// Flags of texture data.
constexpr uint8_t kTexRenderTarget = 0x01;
constexpr uint8_t kTexAlpha = 0x02;
constexpr uint8_t kTexAutoAlpha = 0x04;
constexpr uint8_t kTexMipmap = 0x08;
constexpr uint8_t kTexSimple = 0x10;
constexpr uint8_t kTexSlow = 0x20;
constexpr uint8_t kTexInMemory = 0x80;

class TTextureData {
 public:
  TTextureData() = default;
  virtual ~TTextureData();
  TTextureData(const TTextureData&) = delete;
  TTextureData& operator=(const TTextureData&) = delete;

  virtual void ReleaseSurface() = 0;
  virtual bool Restore() = 0;
  // Uploads the image part (image width x height pixels, rows `rowLength` pixels apart).
  virtual bool SetPixels(int rowLength, int rows, const uint32_t* pixels) = 0;
  virtual bool CreateSurface(int width, int height, bool clear) = 0;
  // Copies the rectangle (default: the image) to (x, y) of the destination, or of the back buffer.
  virtual void Blit(int x, int y, const TRect* source, TTexture* destination) = 0;
  virtual void Clear() = 0;
  virtual bool Lock(uint32_t** pixels, int* rowLength) = 0;
  virtual void Unlock() = 0;
  virtual IDirectDrawSurface7* GetSurface() const = 0;

  // Fills the data from an image file and an optional mask file (see the .cpp).
  bool Load(const TString& imageName, const TString& maskName);

  TString mSourceName;
  TString mMaskName;
  int32_t mImageWidth = 0;
  int32_t mImageHeight = 0;
  int32_t mSurfaceWidth = 0;
  int32_t mSurfaceHeight = 0;
  int32_t mBorderX = 0;
  int32_t mBorderY = 0;
  uint8_t mFlags = 0;
};

class TDxTextureData : public TTextureData {
 public:
  TDxTextureData() = default;
  ~TDxTextureData() override;
  void ReleaseSurface() override;
  bool Restore() override;
  bool SetPixels(int rowLength, int rows, const uint32_t* pixels) override;
  bool CreateSurface(int width, int height, bool clear) override;
  void Blit(int x, int y, const TRect* source, TTexture* destination) override;
  void Clear() override;
  bool Lock(uint32_t** pixels, int* rowLength) override;
  void Unlock() override;
  IDirectDrawSurface7* GetSurface() const override { return mSurface.get(); }

 private:
  bool CreateDirectSurface(int width, int height, bool clear);
  bool WritePixels(int rowLength, int rows, const uint32_t* pixels);

  ComOwned<IDirectDrawSurface7> mSurface;
  ComOwned<IDirectDrawSurface7> mDepth;
  int32_t mMipLevel = 0;
  bool mMadeByUtility = false;
  int32_t mReserved = 0;
  std::vector<uint32_t> mLockCopy;
  bool mLockedCopy = false;
  bool mLocked = false;
  bool mUnsupportedFormat = false;   // the last direct creation met DDERR_UNSUPPORTEDFORMAT
  int64_t mCountedBytes = 0;         // what the surface adds to the texture-memory counter
};

// A channel of a surface pixel read through its mask, widened to 8 bits (0 without a mask).
uint32_t ReadSurfaceChannel(DWORD pixel, DWORD mask);

// Smallest power of two, at least 2, not below n.
int32_t TexturePowerOfTwo(int32_t n);
