// The Direct3D utility subset of the stand-in: textures made through the device's DirectDraw
// object, 32-bit uploads converted into the texture's format, and the orthographic matrix.
#include "os/d3dx.h"

#include <algorithm>

#include "os/ddraw_internal.h"

namespace {
bool FormatOf(D3DX_SURFACEFORMAT f, DDPIXELFORMAT* out) {
  using os::dd::MakeRgbFormat;
  switch (f) {
    case D3DX_SF_R8G8B8:
    case D3DX_SF_X8R8G8B8: *out = MakeRgbFormat(32, 0, 0xFF0000, 0xFF00, 0xFF); return true;
    case D3DX_SF_A8R8G8B8: *out = MakeRgbFormat(32, 0xFF000000u, 0xFF0000, 0xFF00, 0xFF); return true;
    case D3DX_SF_R5G6B5: *out = MakeRgbFormat(16, 0, 0xF800, 0x07E0, 0x001F); return true;
    case D3DX_SF_R5G5B5: *out = MakeRgbFormat(16, 0, 0x7C00, 0x03E0, 0x001F); return true;
    case D3DX_SF_A1R5G5B5: *out = MakeRgbFormat(16, 0x8000, 0x7C00, 0x03E0, 0x001F); return true;
    case D3DX_SF_A4R4G4B4: *out = MakeRgbFormat(16, 0xF000, 0x0F00, 0x00F0, 0x000F); return true;
    default: return false;
  }
}

D3DX_SURFACEFORMAT NameOf(const DDPIXELFORMAT& f) {
  for (D3DX_SURFACEFORMAT n : {D3DX_SF_A8R8G8B8, D3DX_SF_X8R8G8B8, D3DX_SF_R5G6B5, D3DX_SF_R5G5B5,
                               D3DX_SF_A1R5G5B5, D3DX_SF_A4R4G4B4}) {
    DDPIXELFORMAT g{};
    FormatOf(n, &g);
    DWORD alpha = (f.dwFlags & DDPF_ALPHAPIXELS) ? f.dwRGBAlphaBitMask : 0;
    if (g.dwRGBBitCount == f.dwRGBBitCount && g.dwRBitMask == f.dwRBitMask && g.dwGBitMask == f.dwGBitMask &&
        g.dwBBitMask == f.dwBBitMask && g.dwRGBAlphaBitMask == alpha)
      return n;
  }
  return D3DX_SF_UNKNOWN;
}
}  // namespace

HRESULT D3DXInitialize() { return S_OK; }

HRESULT D3DXUninitialize() { return S_OK; }

HRESULT D3DXCreateTexture(LPDIRECT3DDEVICE7 device, DWORD* flags, DWORD* width, DWORD* height,
                          D3DX_SURFACEFORMAT* format, LPVOID, LPDIRECTDRAWSURFACE7* out, DWORD* mipLevels) {
  if (!out) return D3DXERR_INVALIDPARAMS;
  *out = nullptr;
  IDirectDraw7* dd = os::dd::DirectDrawOfDevice(device);
  if (!dd) return D3DXERR_INVALIDPARAMS;
  if (HRESULT hr = os::DxFault("D3DXCreateTexture"); FAILED(hr)) return hr;
  D3DDEVICEDESC7 caps{};
  device->GetCaps(&caps);
  DWORD maxSize = std::max<DWORD>(1, caps.dwMaxTextureWidth);
  DWORD w = std::clamp<DWORD>(width && *width ? *width : 256, 1, maxSize);
  DWORD h = std::clamp<DWORD>(height && *height ? *height : 256, 1, std::max<DWORD>(1, caps.dwMaxTextureHeight));
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
  desc.dwWidth = w;
  desc.dwHeight = h;
  desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE;
  if (format && FormatOf(*format, &desc.ddpfPixelFormat)) desc.dwFlags |= DDSD_PIXELFORMAT;
  bool mipmapped = !(flags && (*flags & D3DX_TEXTURE_NOMIPMAP)) && (mipLevels == nullptr || *mipLevels != 1);
  if (mipmapped) desc.ddsCaps.dwCaps |= DDSCAPS_MIPMAP | DDSCAPS_COMPLEX;
  IDirectDrawSurface7* s = nullptr;
  HRESULT hr = dd->CreateSurface(&desc, &s, nullptr);
  if (FAILED(hr)) return hr;
  DDSURFACEDESC2 got{};
  got.dwSize = sizeof got;
  s->GetSurfaceDesc(&got);
  if (width) *width = got.dwWidth;
  if (height) *height = got.dwHeight;
  if (format) *format = NameOf(got.ddpfPixelFormat);
  if (mipLevels) *mipLevels = mipmapped ? got.dwMipMapCount : 1;
  *out = s;
  return S_OK;
}

HRESULT D3DXLoadTextureFromMemory(LPDIRECT3DDEVICE7, LPDIRECTDRAWSURFACE7 texture, DWORD mipLevel, LPVOID source,
                                  LPVOID, D3DX_SURFACEFORMAT sourceFormat, DWORD sourcePitch, RECT* destRect,
                                  DWORD) {
  if (!texture || !source) return D3DXERR_INVALIDPARAMS;
  if (HRESULT hr = os::DxFault("D3DXLoadTextureFromMemory"); FAILED(hr)) return hr;
  if (sourceFormat != D3DX_SF_A8R8G8B8 && sourceFormat != D3DX_SF_X8R8G8B8) return DDERR_UNSUPPORTEDFORMAT;
  if (mipLevel != 0 && mipLevel != D3DX_DEFAULT) return D3DXERR_INVALIDPARAMS;  // smaller levels come from GL
  os::dd::Surface* s = os::dd::AsSurface(texture);
  if (s->IsDepth()) return D3DXERR_INVALIDPARAMS;
  if (s->Lost()) return DDERR_SURFACELOST;
  RECT r = destRect ? *destRect : RECT{0, 0, s->Width(), s->Height()};
  if (r.left < 0 || r.top < 0 || r.right > s->Width() || r.bottom > s->Height() || r.left >= r.right ||
      r.top >= r.bottom)
    return D3DXERR_INVALIDPARAMS;
  int w = r.right - r.left, h = r.bottom - r.top;
  size_t pitch = sourcePitch == D3DX_DEFAULT || sourcePitch == 0 ? size_t(w) * 4 : sourcePitch;
  s->SyncToMemory();
  int bpp = os::dd::BytesPerPixel(s->Format());
  const uint8_t* src = static_cast<const uint8_t*>(source);
  for (int y = 0; y < h; ++y) {
    const uint8_t* row = src + y * pitch;
    uint8_t* dst = s->Row(r.top + y) + r.left * bpp;
    for (int x = 0; x < w; ++x) {
      uint32_t argb = os::dd::ReadPixel(row + x * 4, 4);
      if (sourceFormat == D3DX_SF_X8R8G8B8) argb |= 0xFF000000u;
      os::dd::WritePixel(dst + x * bpp, bpp, os::dd::FromArgb(s->Format(), argb));
    }
  }
  s->SetWantMipmaps(s->Caps() & DDSCAPS_MIPMAP);
  s->MarkWritten();
  return S_OK;
}

D3DMATRIX* D3DXMatrixOrthoOffCenterLH(D3DMATRIX* out, float l, float r, float b, float t, float zn, float zf) {
  if (!out) return out;
  *out = D3DMATRIX{};
  out->_11 = 2 / (r - l);
  out->_22 = 2 / (t - b);
  out->_33 = 1 / (zf - zn);
  out->_41 = (l + r) / (l - r);
  out->_42 = (t + b) / (b - t);
  out->_43 = zn / (zn - zf);
  out->_44 = 1;
  return out;
}
