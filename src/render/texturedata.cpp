// Texture data and its DirectDraw surfaces (see texturedata.h).
#include "render/texturedata.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/config.h"
#include "core/file.h"
#include "core/log.h"
#include "os/d3dx.h"
#include "render/directx.h"
#include "render/drawcontext.h"
#include "render/dxdisplayhandler.h"
#include "render/imagecodecs.h"
#include "render/texture.h"
#include "render/texturememory.h"
#include "platform/platform.h"
#include "platform/platformimpl.h"

namespace {

constexpr const char kSource[] = "dxtexturedata";
#define TEX_CHECK(call) CheckResult((call), __LINE__)

HRESULT CheckResult(HRESULT result, int line) {
  if (FAILED(result)) DxError(result, kSource, line);
  return result;
}

int BitCount(DWORD mask) {
  int n = 0;
  for (; mask; mask &= mask - 1) ++n;
  return n;
}

int LowBit(DWORD mask) {
  if (!mask) return 0;
  int n = 0;
  while (!(mask & 1u)) {
    mask >>= 1;
    ++n;
  }
  return n;
}

// An 8-bit channel placed into a mask (reduced to the mask's bit count).
DWORD Place(uint32_t value8, DWORD mask) {
  int bits = BitCount(mask);
  if (!bits) return 0;
  uint32_t reduced = bits >= 8 ? value8 << (bits - 8) : value8 >> (8 - bits);
  return (static_cast<DWORD>(reduced) << LowBit(mask)) & mask;
}

}  // namespace

// A channel read from a mask, widened to 8 bits.
uint32_t ReadSurfaceChannel(DWORD pixel, DWORD mask) {
  int bits = BitCount(mask);
  if (!bits) return 0;
  uint32_t value = (pixel & mask) >> LowBit(mask);
  if (bits >= 8) return value >> (bits - 8);
  uint32_t max = (1u << bits) - 1;
  return (value * 255 + max / 2) / max;
}

namespace {

// ARGB word into a surface pixel of the format.
DWORD ToSurface(uint32_t argb, const DDPIXELFORMAT& f, bool alpha) {
  DWORD p = Place(argb >> 16 & 0xFF, f.dwRBitMask) | Place(argb >> 8 & 0xFF, f.dwGBitMask) |
            Place(argb & 0xFF, f.dwBBitMask);
  return p | (alpha ? Place(argb >> 24, f.dwRGBAlphaBitMask) : f.dwRGBAlphaBitMask);
}

uint32_t FromSurface(DWORD p, const DDPIXELFORMAT& f) {
  uint32_t a = f.dwRGBAlphaBitMask ? ReadSurfaceChannel(p, f.dwRGBAlphaBitMask) : 255;
  return a << 24 | ReadSurfaceChannel(p, f.dwRBitMask) << 16 | ReadSurfaceChannel(p, f.dwGBitMask) << 8 | ReadSurfaceChannel(p, f.dwBBitMask);
}

bool IsArgb8888(const DDPIXELFORMAT& f) {
  return f.dwRGBBitCount == 32 && f.dwRBitMask == 0xFF0000 && f.dwGBitMask == 0xFF00 && f.dwBBitMask == 0xFF &&
         f.dwRGBAlphaBitMask == 0xFF000000u;
}

// The remembered alpha format of surfaces made directly, and the bit depth it was chosen for.
DDPIXELFORMAT gAlphaFormat{};
DWORD gAlphaFormatBits = 0;

struct FormatChoice {
  DWORD bits;
  DDPIXELFORMAT chosen{};
  bool found = false;
};

HRESULT ChooseFormat(LPDDPIXELFORMAT format, LPVOID context) {
  auto* choice = static_cast<FormatChoice*>(context);
  if (!(format->dwFlags & DDPF_RGB) || !(format->dwFlags & DDPF_ALPHAPIXELS) || (format->dwFlags & DDPF_LUMINANCE) ||
      format->dwRGBBitCount != choice->bits)
    return D3DENUMRET_OK;
  if (!choice->found) {
    choice->chosen = *format;
    choice->found = true;
  } else if (BitCount(format->dwRGBAlphaBitMask) > BitCount(choice->chosen.dwRGBAlphaBitMask) &&
             BitCount(format->dwBBitMask) >= 3) {
    choice->chosen = *format;
  }
  return D3DENUMRET_OK;
}

TPlatformData* DisplayData() {
  TDxDisplayHandler* handler = TDxDisplayHandler::GetInstance();
  return handler ? handler->GetData() : nullptr;
}

// Whether the file can be opened for reading (a resolved name alone does not prove the file is there).
bool FileThere(const TString& name) {
  TFile* file = FileOpen(name, kFileReadBinary);
  if (!file) return false;
  FileClose(file);
  return true;
}

// The name without its "?" options.
TString WithoutOptions(const TString& name) {
  std::string s = name.CStr();
  size_t q = s.rfind('?');
  return q == std::string::npos ? name : TString(s.substr(0, q).c_str());
}

bool Contains(const TString& text, const char* part) { return std::strstr(text.CStr(), part) != nullptr; }

}  // namespace

int32_t TexturePowerOfTwo(int32_t n) {
  int32_t p = 2;
  while (p < n && p < (1 << 30)) p <<= 1;
  return p;
}

TTextureData::~TTextureData() = default;

TDxTextureData::~TDxTextureData() { ReleaseSurface(); }

void TDxTextureData::ReleaseSurface() {
  if (mCountedBytes) AddTextureMemory(-mCountedBytes);
  mCountedBytes = 0;
  if (mSurface && mDepth) mSurface->DeleteAttachedSurface(0, mDepth.get());
  mDepth.reset();
  mSurface.reset();
  mLockCopy.clear();
  mLockedCopy = mLocked = false;
}

bool TDxTextureData::CreateSurface(int width, int height, bool clear) {
  mBorderX = mBorderY = 0;
  TPlatformData* d = DisplayData();
  int w = width, h = height;
  if (!(mFlags & kTexSimple) && d && d->mSquareTexturesOnly && w != h) {
    int side = std::max(TexturePowerOfTwo(w), TexturePowerOfTwo(h));
    mBorderX = (side - w) / 2;
    mBorderY = (side - h) / 2;
    w = h = side;
  }
  if (!d || !d->mDirectDraw || !d->mDevice) {
    mImageWidth = TexturePowerOfTwo(width);
    mImageHeight = TexturePowerOfTwo(height);
    return (mFlags & kTexInMemory) != 0;
  }
  ReleaseSurface();
  HRESULT hr = DD_OK;
  bool ok;
  if (mFlags & (kTexRenderTarget | kTexSimple)) {
    mUnsupportedFormat = false;
    ok = CreateDirectSurface(w, h, clear);
    if (mUnsupportedFormat) return (mFlags & kTexInMemory) != 0;
    if (!ok) hr = E_FAIL;
  } else {
    bool alpha = mFlags & kTexAlpha;
    bool sixteen = d->mContext->GetDisplayModeDesc().ddpfPixelFormat.dwRGBBitCount == 16;
    D3DX_SURFACEFORMAT format = sixteen ? (alpha ? D3DX_SF_A4R4G4B4 : D3DX_SF_R5G6B5)
                                        : (alpha ? D3DX_SF_A8R8G8B8 : D3DX_SF_X8R8G8B8);
    D3DX_SURFACEFORMAT asked = format;
    DWORD flags = (mFlags & kTexMipmap) ? 0 : D3DX_TEXTURE_NOMIPMAP;
    DWORD cw = static_cast<DWORD>(w), ch = static_cast<DWORD>(h), mips = 0;
    IDirectDrawSurface7* surface = nullptr;
    hr = D3DXCreateTexture(d->mDevice, &flags, &cw, &ch, &format, nullptr, &surface, &mips);
    ok = SUCCEEDED(hr) && surface;
    if (ok) {
      mSurface.reset(surface);
      mBorderX = (static_cast<int>(cw) - width) / 2;
      mBorderY = (static_cast<int>(ch) - height) / 2;
      mSurfaceWidth = static_cast<int>(cw);
      mSurfaceHeight = static_cast<int>(ch);
      mMadeByUtility = true;
      mMipLevel = (mFlags & kTexMipmap) ? -1 : 0;
      if (clear) Clear();
      if (!sixteen && format != asked) {
        LogPrintf("D3DXCreateTexture::CreateSurface: Created a 16 bit texture when requesting 32 bits. Switching to "
                  "16 bit mode");
        if (TDxDisplayHandler* handler = TDxDisplayHandler::GetInstance()) handler->OutOfVideoMemory();
      }
    }
  }
  mImageWidth = width;
  mImageHeight = height;
  if (!ok) {
    TDxDisplayHandler* handler = TDxDisplayHandler::GetInstance();
    if (!handler || !handler->IsReady() || hr == DDERR_UNSUPPORTEDFORMAT) return true;
    TEX_CHECK(hr);
    ReleaseSurface();
    return false;
  }
  if (mSurface) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    if (SUCCEEDED(mSurface->GetSurfaceDesc(&desc))) {
      mCountedBytes = static_cast<int64_t>(desc.dwHeight) * desc.lPitch;
      AddTextureMemory(mCountedBytes);
    }
  }
  return true;
}

bool TDxTextureData::CreateDirectSurface(int w, int h, bool clear) {
  TPlatformData& d = *DisplayData();
  DDSURFACEDESC2 display{};
  display.dwSize = sizeof display;
  TEX_CHECK(d.mDirectDraw->GetDisplayMode(&display));
  bool simple = mFlags & kTexSimple;
  bool target = mFlags & kTexRenderTarget;
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT |
                 (d.mSeparateTextureMemories ? DDSD_TEXTURESTAGE : 0);
  desc.dwWidth = static_cast<DWORD>(w);
  desc.dwHeight = static_cast<DWORD>(h);
  desc.ddpfPixelFormat = display.ddpfPixelFormat;
  DWORD caps = simple ? DDSCAPS_OFFSCREENPLAIN : DDSCAPS_TEXTURE;
  if (target) caps |= DDSCAPS_3DDEVICE;
  bool video = d.mContext->mSourceColorKeyBlits && !(simple && (mFlags & kTexSlow));
  caps |= video ? DDSCAPS_VIDEOMEMORY : DDSCAPS_SYSTEMMEMORY;
  desc.ddsCaps.dwCaps = caps;
  IDirectDrawSurface7* surface = nullptr;
  auto create = [&] {
    surface = nullptr;
    return d.mDirectDraw->CreateSurface(&desc, &surface, nullptr);
  };
  HRESULT hr;
  if (mFlags & kTexAlpha) {
    DWORD bits = display.ddpfPixelFormat.dwRGBBitCount;
    if (gAlphaFormatBits != bits) {
      FormatChoice choice{bits};
      d.mDevice->EnumTextureFormats(&ChooseFormat, &choice);
      gAlphaFormat = choice.found ? choice.chosen : DDPIXELFORMAT{};
      gAlphaFormatBits = bits;
    }
    hr = E_FAIL;
    if (gAlphaFormat.dwSize) {
      desc.ddpfPixelFormat = gAlphaFormat;
      hr = create();
      if (FAILED(hr)) TEX_CHECK(hr);
    }
    if (FAILED(hr)) {
      DDPIXELFORMAT& f = desc.ddpfPixelFormat;
      f = display.ddpfPixelFormat;
      f.dwFlags |= DDPF_ALPHAPIXELS;
      if (bits == 16) {
        f.dwRGBAlphaBitMask = 0xF000;
        f.dwRBitMask = 0x0F00;
        f.dwGBitMask = 0x00F0;
        f.dwBBitMask = 0x000F;
      } else {
        f.dwRGBBitCount = 32;
        f.dwRGBAlphaBitMask = 0xFF000000u;
      }
      hr = create();
      if (FAILED(hr)) {
        desc.ddsCaps.dwCaps |= DDSCAPS_VIDEOMEMORY;
        hr = create();
      }
      if (FAILED(hr)) {
        TEX_CHECK(hr);
        if (target) {
          mFlags &= static_cast<uint8_t>(~kTexRenderTarget);
          return CreateDirectSurface(w, h, clear);
        }
        desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE;
        desc.ddpfPixelFormat = display.ddpfPixelFormat;
        hr = TEX_CHECK(create());
      }
    }
    if (FAILED(hr)) return false;
    mSurface.reset(surface);
    DDPIXELFORMAT got{};
    got.dwSize = sizeof got;
    mSurface->GetPixelFormat(&got);
    if (!(got.dwFlags & DDPF_ALPHAPIXELS)) LogPrintf("SURFACE request FAILED to get DDPF_ALPHAPIXELS.");
  } else {
    hr = create();
    if (hr == DDERR_UNSUPPORTEDFORMAT) {
      mUnsupportedFormat = true;
      mImageWidth = TexturePowerOfTwo(w);
      mImageHeight = TexturePowerOfTwo(h);
      return false;
    }
    if (FAILED(hr)) {
      TEX_CHECK(hr);
      desc.ddsCaps.dwCaps ^= DDSCAPS_VIDEOMEMORY | DDSCAPS_SYSTEMMEMORY;
      hr = TEX_CHECK(create());
      if (FAILED(hr)) return false;
    }
    mSurface.reset(surface);
  }
  DDSURFACEDESC2 real{};
  real.dwSize = sizeof real;
  mSurface->GetSurfaceDesc(&real);
  mSurfaceWidth = static_cast<int>(real.dwWidth);
  mSurfaceHeight = static_cast<int>(real.dwHeight);
  mMadeByUtility = false;
  if (clear) Clear();
  if (mFlags & kTexRenderTarget) {
    // A depth buffer like the back buffer's.
    DDPIXELFORMAT depthFormat{};
    depthFormat.dwSize = sizeof depthFormat;
    IDirectDrawSurface7* back = d.mContext->GetDisplay().GetBackBuffer();
    DDSCAPS2 zcaps{DDSCAPS_ZBUFFER, 0, 0, 0};
    IDirectDrawSurface7* backDepth = nullptr;
    if (back && SUCCEEDED(back->GetAttachedSurface(&zcaps, &backDepth)) && backDepth) {
      backDepth->GetPixelFormat(&depthFormat);
      backDepth->Release();
    }
    DDSURFACEDESC2 z{};
    z.dwSize = sizeof z;
    z.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
    z.dwWidth = desc.dwWidth;
    z.dwHeight = desc.dwHeight;
    z.ddsCaps.dwCaps = DDSCAPS_ZBUFFER;
    z.ddpfPixelFormat = depthFormat;
    IDirectDrawSurface7* depth = nullptr;
    HRESULT zr = d.mDirectDraw->CreateSurface(&z, &depth, nullptr);
    if (FAILED(zr)) {
      TEX_CHECK(zr);
      LogPrintf("FAILED to create z-buffer for render surface!");
    } else {
      mDepth.reset(depth);
      zr = mSurface->AddAttachedSurface(depth);
      if (FAILED(zr)) {
        TEX_CHECK(zr);
        LogPrintf("FAILED to attach z-buffer for render surface!");
        mDepth.reset();
      }
    }
  }
  return true;
}

bool TDxTextureData::SetPixels(int rowLength, int rows, const uint32_t* pixels) {
  if (!mSurface || !pixels) return false;
  if (mMadeByUtility) {
    TPlatformData* d = DisplayData();
    RECT dest{0, 0, rowLength, rows};
    HRESULT hr = D3DXLoadTextureFromMemory(d ? d->mDevice : nullptr, mSurface.get(),
                                           mMipLevel < 0 ? D3DX_DEFAULT : static_cast<DWORD>(mMipLevel),
                                           const_cast<uint32_t*>(pixels), nullptr, D3DX_SF_A8R8G8B8, D3DX_DEFAULT,
                                           &dest, (mFlags & kTexMipmap) ? D3DX_FT_LINEAR : D3DX_FT_POINT);
    TEX_CHECK(hr);
    return true;
  }
  return WritePixels(rowLength, rows, pixels);
}

bool TDxTextureData::WritePixels(int rowLength, int rows, const uint32_t* pixels) {
  DDSURFACEDESC2 lock{};
  lock.dwSize = sizeof lock;
  if (FAILED(TEX_CHECK(mSurface->Lock(nullptr, &lock, DDLOCK_WAIT, nullptr)))) return false;
  const DDPIXELFORMAT& f = lock.ddpfPixelFormat;
  bool alpha = mFlags & kTexAlpha;
  int w = std::min<int>({mImageWidth, rowLength, static_cast<int>(lock.dwWidth)});
  int h = std::min<int>({mImageHeight, rows, static_cast<int>(lock.dwHeight)});
  for (int y = 0; y < h; ++y) {
    uint8_t* row = static_cast<uint8_t*>(lock.lpSurface) + static_cast<ptrdiff_t>(y) * lock.lPitch;
    const uint32_t* src = pixels + static_cast<size_t>(y) * rowLength;
    for (int x = 0; x < w; ++x) {
      uint32_t argb = src[x];
      switch (f.dwRGBBitCount) {
        case 15:
        case 16: {
          auto p = static_cast<uint16_t>(ToSurface(argb, f, alpha));
          std::memcpy(row + x * 2, &p, 2);
          break;
        }
        case 24:
          row[x * 3] = argb & 0xFF;
          row[x * 3 + 1] = argb >> 8 & 0xFF;
          row[x * 3 + 2] = argb >> 16 & 0xFF;
          break;
        case 32: {
          DWORD p = ToSurface(argb, f, alpha);
          std::memcpy(row + x * 4, &p, 4);
          break;
        }
        default: break;
      }
    }
  }
  return SUCCEEDED(TEX_CHECK(mSurface->Unlock(nullptr)));
}

bool TDxTextureData::Lock(uint32_t** pixels, int* rowLength) {
  if (!mSurface || mLocked) return false;
  DDSURFACEDESC2 lock{};
  lock.dwSize = sizeof lock;
  if (FAILED(TEX_CHECK(mSurface->Lock(nullptr, &lock, DDLOCK_WAIT, nullptr)))) return false;
  const DDPIXELFORMAT& f = lock.ddpfPixelFormat;
  if (IsArgb8888(f)) {
    *pixels = static_cast<uint32_t*>(lock.lpSurface);
    *rowLength = static_cast<int>(lock.lPitch / 4);
    mLocked = true;
    mLockedCopy = false;
    return true;
  }
  int w = static_cast<int>(lock.dwWidth), h = static_cast<int>(lock.dwHeight);
  mLockCopy.assign(static_cast<size_t>(w) * h, 0);
  for (int y = 0; y < h; ++y) {
    const uint8_t* row = static_cast<const uint8_t*>(lock.lpSurface) + static_cast<ptrdiff_t>(y) * lock.lPitch;
    for (int x = 0; x < w; ++x) {
      uint32_t& out = mLockCopy[static_cast<size_t>(y) * w + x];
      if (f.dwRGBBitCount == 15 || f.dwRGBBitCount == 16) {
        uint16_t p;
        std::memcpy(&p, row + x * 2, 2);
        out = FromSurface(p, f);
      } else if (f.dwRGBBitCount == 24) {
        out = 0xFF000000u | uint32_t(row[x * 3 + 2]) << 16 | uint32_t(row[x * 3 + 1]) << 8 | row[x * 3];
      } else if (f.dwRGBBitCount == 32) {
        DWORD p;
        std::memcpy(&p, row + x * 4, 4);
        out = FromSurface(p, f);
      }
    }
  }
  TEX_CHECK(mSurface->Unlock(nullptr));
  *pixels = mLockCopy.data();
  *rowLength = w;
  mLocked = true;
  mLockedCopy = true;
  return true;
}

void TDxTextureData::Unlock() {
  if (!mLocked || !mSurface) return;
  mLocked = false;
  if (!mLockedCopy) {
    TEX_CHECK(mSurface->Unlock(nullptr));
    return;
  }
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  mSurface->GetSurfaceDesc(&desc);
  int w = static_cast<int>(desc.dwWidth), h = static_cast<int>(desc.dwHeight);
  int32_t imageW = mImageWidth, imageH = mImageHeight;
  mImageWidth = w;
  mImageHeight = h;
  bool ok = WritePixels(w, h, mLockCopy.data());
  mImageWidth = imageW;
  mImageHeight = imageH;
  mLockCopy.clear();
  mLockedCopy = false;
  if (!ok)
    if (TDxDisplayHandler* handler = TDxDisplayHandler::GetInstance()) handler->MarkBroken();
}

void TDxTextureData::Clear() {
  if (!mSurface) return;
  DDBLTFX fx{};
  fx.dwSize = sizeof fx;
  fx.dwFillColor = 0;
  HRESULT hr = mSurface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
  if (hr == DDERR_SURFACELOST) {
    mSurface->Restore();
    hr = mSurface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
  }
  TEX_CHECK(hr);
}

namespace {

// The platform's scale of the window view (1 without a platform).
float WindowScale() {
  float scale = 1.0f;
  if (TPlatform* platform = TPlatform::GetInstance())
    if (TPlatformImpl* impl = platform->GetImpl()) impl->GetViewportScale(&scale);
  return scale > 0.0f ? scale : 1.0f;
}

LONG RoundedScaled(LONG value, float scale) { return static_cast<LONG>(std::floor(value * scale + 0.5f)); }

// The stretching copy done pixel by pixel (nearest pixel) through locks, for when the surfaces'
// own stretching copy refuses: these surfaces have no device contexts to stretch through. Both
// surfaces must have the same pixel size; the destination rectangle is clipped to its surface.
bool StretchByHand(IDirectDrawSurface7* to, const RECT& toRect, IDirectDrawSurface7* from, const RECT& fromRect) {
  const LONG fromW = fromRect.right - fromRect.left, fromH = fromRect.bottom - fromRect.top;
  const LONG toW = toRect.right - toRect.left, toH = toRect.bottom - toRect.top;
  if (fromW <= 0 || fromH <= 0 || toW <= 0 || toH <= 0 || to == from) return false;
  DDSURFACEDESC2 src{};
  src.dwSize = sizeof src;
  if (FAILED(from->Lock(nullptr, &src, DDLOCK_WAIT | DDLOCK_READONLY, nullptr))) return false;
  DDSURFACEDESC2 dst{};
  dst.dwSize = sizeof dst;
  if (FAILED(to->Lock(nullptr, &dst, DDLOCK_WAIT, nullptr))) {
    from->Unlock(nullptr);
    return false;
  }
  const DWORD bytes = src.ddpfPixelFormat.dwRGBBitCount / 8;
  const bool ok = bytes != 0 && bytes == dst.ddpfPixelFormat.dwRGBBitCount / 8 &&
                  fromRect.right <= static_cast<LONG>(src.dwWidth) && fromRect.bottom <= static_cast<LONG>(src.dwHeight);
  if (ok) {
    const LONG top = std::max<LONG>(toRect.top, 0), bottom = std::min<LONG>(toRect.bottom, dst.dwHeight);
    const LONG left = std::max<LONG>(toRect.left, 0), right = std::min<LONG>(toRect.right, dst.dwWidth);
    for (LONG y = top; y < bottom; ++y) {
      const LONG sy = fromRect.top + (y - toRect.top) * fromH / toH;
      const auto* srcRow = static_cast<const unsigned char*>(src.lpSurface) + sy * src.lPitch;
      auto* dstRow = static_cast<unsigned char*>(dst.lpSurface) + y * dst.lPitch;
      for (LONG x = left; x < right; ++x) {
        const LONG sx = fromRect.left + (x - toRect.left) * fromW / toW;
        std::memcpy(dstRow + x * bytes, srcRow + sx * bytes, bytes);
      }
    }
  }
  to->Unlock(nullptr);
  from->Unlock(nullptr);
  return ok;
}

}  // namespace

void TDxTextureData::Blit(int x, int y, const TRect* source, TTexture* destination) {
  TDxDisplayHandler* handler = TDxDisplayHandler::GetInstance();
  RECT from = source ? RECT{source->left, source->top, source->right, source->bottom}
                     : RECT{0, 0, mImageWidth, mImageHeight};
  IDirectDrawSurface7* to = destination ? destination->GetSurface() : handler ? handler->GetBackBuffer() : nullptr;
  if (!to || !mSurface) {
    if (handler) handler->MarkBrokenThrottled();
    return;
  }
  const float scale = destination ? 1.0f : WindowScale();
  if (scale != 1.0f) {
    // The window shows the back buffer scaled: the part lands where the scaled view shows it
    // (x and y do not apply).
    RECT toRect{RoundedScaled(from.left, scale), RoundedScaled(from.top, scale), RoundedScaled(from.right, scale),
                RoundedScaled(from.bottom, scale)};
    HRESULT hr = to->Blt(&toRect, mSurface.get(), &from, DDBLT_WAIT, nullptr);
    if (hr == DDERR_SURFACELOST) {
      if (handler) handler->MarkBrokenThrottled();
      return;
    }
    if (SUCCEEDED(hr)) return;
    static bool stretchLogged = false;
    if (!stretchLogged) {
      stretchLogged = true;
      TEX_CHECK(hr);
    }
    if (!StretchByHand(to, toRect, mSurface.get(), from)) {
      static bool handLogged = false;
      if (!handLogged) {
        handLogged = true;
        LogPrintf("TDxTextureData::Blit: the scaled copy failed too");
      }
    }
    return;
  }
  HRESULT hr = to->BltFast(static_cast<DWORD>(x), static_cast<DWORD>(y), mSurface.get(), &from, DDBLTFAST_WAIT);
  if (hr == DDERR_SURFACELOST) {
    if (handler) handler->MarkBrokenThrottled();
    return;
  }
  if (SUCCEEDED(hr)) return;
  static bool loggedOnce = false;
  if (!loggedOnce) {
    loggedOnce = true;
    TEX_CHECK(hr);
  }
  // The fast copy refused: the copy is redone by the general blitter (surfaces have no device
  // contexts to copy through).
  RECT toRect{x, y, x + (from.right - from.left), y + (from.bottom - from.top)};
  hr = to->Blt(&toRect, mSurface.get(), &from, DDBLT_WAIT, nullptr);
  static bool fallbackLogged = false;
  if (FAILED(hr) && !fallbackLogged) {
    fallbackLogged = true;
    TEX_CHECK(hr);
  }
}

bool TDxTextureData::Restore() {
  if (!mSourceName.IsEmpty()) {
    if (Load(mSourceName, mMaskName)) return true;
    if (mMaskName.IsEmpty())
      LogPrintf("TDxTextureData::Restore: Failed to restore from file %s.", mSourceName.CStr());
    else
      LogPrintf("TDxTextureData::Restore: Failed to restore from file %s and %s.", mSourceName.CStr(),
                mMaskName.CStr());
    auto exists = [](const TString& name) {
      TString bare = WithoutOptions(name);
      for (const char* ext : {"", ".jp2", ".png", ".jpg"})
        if (FileThere(bare + ext)) return true;
      return false;
    };
    if (!exists(mSourceName) || (!mMaskName.IsEmpty() && !exists(mMaskName))) return false;
    if (TDxDisplayHandler* handler = TDxDisplayHandler::GetInstance()) handler->MarkBroken();
    return false;
  }
  if (!CreateSurface(mImageWidth, mImageHeight, true)) {
    LogPrintf("TDxTextureData::Restore: Failed to restore %dx%d texture (%d,%d)", mImageWidth, mImageHeight,
              mSurfaceWidth, mSurfaceHeight);
    if (TDxDisplayHandler* handler = TDxDisplayHandler::GetInstance()) handler->MarkBroken();
    return false;
  }
  return true;
}

// ---- Loading from files ---------------------------------------------------------------------

bool TTextureData::Load(const TString& imageNameIn, const TString& maskNameIn) {
  std::string full = imageNameIn.CStr();
  std::string name = full, options;
  size_t q = full.rfind('?');
  if (q != std::string::npos) {
    name = full.substr(0, q);
    options = full.substr(q);
    if (options.find("slow") != std::string::npos) mFlags |= kTexSlow | kTexSimple;
    if (options.find("simple") != std::string::npos) mFlags |= kTexSimple;
    if (options.find("alpha") != std::string::npos) {
      mFlags |= kTexAlpha;
      mFlags &= static_cast<uint8_t>(~kTexAutoAlpha);
    }
    if (options.find("mipmap") != std::string::npos) mFlags |= kTexMipmap;
  }
  TString image(name.c_str());
  TString mask = maskNameIn;
  if (!FileThere(image)) {
    if (Contains(image, ".png") || Contains(image, ".jpg") || Contains(image, ".jp2")) return false;
    bool ok = false;
    for (const char* ext : {".png", ".jpg", ".jp2"}) {
      ok = Load(TString((name + ext + options).c_str()), mask);
      if (ok) break;
    }
    return ok;
  }
  if (!mask.IsEmpty() && !FileThere(mask)) {
    if (Contains(mask, ".png") || Contains(mask, ".jpg")) return false;
    if (Load(imageNameIn, mask + ".jpg")) return true;
    return Load(imageNameIn, mask + ".png");
  }
  bool slow = mFlags & kTexSlow;
  int32_t limit = slow ? kImageMaxSide : kImagePlainMaxSide;
  TImageBuffer buffer;
  bool jpeg = false;
  size_t png = name.find(".png"), jpg = name.find(".jpg"), jp2 = name.find(".jp2");
  size_t first = std::min({png, jpg, jp2});
  if (first == std::string::npos) return false;
  if (first == png) {
    if (!LoadPng(image, &buffer, limit)) return false;
    if (mFlags & kTexAutoAlpha) mFlags = buffer.hasAlpha ? (mFlags | kTexAlpha) : (mFlags & ~kTexAlpha);
  } else if (first == jpg) {
    if (!LoadJpeg(image, &buffer, limit)) return false;
    jpeg = true;
  } else {
    if (!LoadJpeg2000(image, &buffer, limit)) return false;
    if (mFlags & kTexAutoAlpha) mFlags = buffer.hasAlpha ? (mFlags | kTexAlpha) : (mFlags & ~kTexAlpha);
  }
  if (jpeg && GetSettingFlag("automergemask")) {
    TString merged((name.substr(0, jpg) + ".mask.png").c_str());
    if (FileThere(merged)) {
      mask = merged;
      mFlags |= kTexAlpha;
      mFlags &= static_cast<uint8_t>(~kTexAutoAlpha);
    }
  }
  if (!mask.IsEmpty()) {
    TImageBuffer maskBuffer;
    bool ok = Contains(mask, ".png")   ? LoadPng(mask, &maskBuffer, limit)
              : Contains(mask, ".jpg") ? LoadJpeg(mask, &maskBuffer, limit)
                                       : false;
    if (!ok) return false;
    if (maskBuffer.side == buffer.side)
      for (int32_t y = 0; y < buffer.side; ++y)
        for (int32_t x = 0; x < buffer.side; ++x) buffer.Pixel(x, y)[3] = maskBuffer.Pixel(x, y)[2];
  }
  int32_t s = buffer.side;
  bool square = !(mFlags & kTexSimple) && TDrawContext::GetInstance()->NeedsSquareTextures();
  int32_t surfaceHeight = square ? s : std::max<int32_t>(1, ImageBufferSide(buffer.height, buffer.height));
  if (!slow && (s > kImagePlainMaxSide || surfaceHeight > kImagePlainMaxSide)) return false;
  mSourceName = imageNameIn;
  mMaskName = mask;
  bool created = CreateSurface(s, surfaceHeight, false);
  mImageWidth = buffer.width;
  mImageHeight = buffer.height;
  mBorderX = (s - buffer.width) / 2;
  mBorderY = (surfaceHeight - buffer.height) / 2;
  if (created && GetSurface()) {
    int32_t w = mImageWidth, h = mImageHeight;
    mImageWidth = s;
    mImageHeight = surfaceHeight;
    SetPixels(s, surfaceHeight, reinterpret_cast<const uint32_t*>(buffer.pixels.get()));
    mImageWidth = w;
    mImageHeight = h;
  }
  return true;
}
