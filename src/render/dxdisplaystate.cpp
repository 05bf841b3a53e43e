// The display handler's drawing: vertex submission, the bound texture, the device states of the 2D
// and 3D draw blocks, blend modes with their texture stage set-up, render options and colour fills.
#include "render/dxdisplayhandler.h"

#include <algorithm>
#include <cstdlib>

#include "core/config.h"
#include "core/log.h"
#include "render/directx.h"
#include "render/drawcontext.h"
#include "render/dxdisplayhandler_internal.h"
#include "render/texture.h"

using namespace dxdisplay;

namespace {

DWORD VertexFormat(int format) {
  if (format == 1 || format == 2) return D3DFVF_LVERTEX;
  if (format == 3) return D3DFVF_TLVERTEX;
  return D3DFVF_VERTEX;
}

}  // namespace

void TDxDisplayHandler::SetLighting(int format) {
  bool lit = !(format >= 1 && format <= 3);
  DX_CHECK(mData->mDevice->SetRenderState(D3DRENDERSTATE_LIGHTING, lit ? 1 : 0));
  if (!lit) BuildProjection();
}

void TDxDisplayHandler::DrawVertices(int primitive, const TVertexSet& set) {
  TPlatformData& d = *mData;
  if (d.mBroken || !d.mDevice || !set.mVertices || set.mCount <= 0) return;
  static TSettingFlag brokenIndexedVerts("brokenindexedverts");
  if (brokenIndexedVerts.Get()) {
    int count = std::min(set.mCount, 0xFFFF);
    if (d.mIdentityIndices.empty() || d.mIdentityCapacity < count) {
      uint32_t capacity = 1;
      while (capacity < static_cast<uint32_t>(count)) capacity = std::min<uint32_t>(capacity * 2, 0xFFFF);
      d.mIdentityCapacity = static_cast<uint16_t>(capacity);
      d.mIdentityIndices.resize(capacity);
      for (uint32_t i = 0; i < capacity; ++i) d.mIdentityIndices[i] = static_cast<uint16_t>(i);
    }
    TVertexSet capped(set.mFormat, set.mVertices, count);
    DrawIndexedVertices(primitive, capped, d.mIdentityIndices.data(), count);
    return;
  }
  SetLighting(set.mFormat);
  HRESULT hr = d.mDevice->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(primitive), VertexFormat(set.mFormat),
                                        const_cast<TTransformedVertex*>(set.mVertices), static_cast<DWORD>(set.mCount), 0);
  if (hr == DDERR_OUTOFVIDEOMEMORY) {
    LogPrintf("DrawVertices out of video memory");
    OutOfVideoMemory();
  } else if (FAILED(hr)) {
    DX_CHECK(hr);
    MarkBroken();
  }
}

void TDxDisplayHandler::DrawIndexedVertices(int primitive, const TVertexSet& set, const uint16_t* indices, int count) {
  TPlatformData& d = *mData;
  if (d.mBroken || !d.mDevice || !set.mVertices || !indices || count <= 0) return;
  SetLighting(set.mFormat);
  HRESULT hr;
  if (d.mContext->mExpandIndexedDraws) {
    d.mExpanded.resize(static_cast<size_t>(count) * sizeof(TTransformedVertex));
    auto* out = reinterpret_cast<TTransformedVertex*>(d.mExpanded.data());
    for (int i = 0; i < count; ++i)
      out[i] = indices[i] < set.mCount ? set.mVertices[indices[i]] : TTransformedVertex{};
    hr = d.mDevice->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(primitive), VertexFormat(set.mFormat), out,
                                  static_cast<DWORD>(count), 0);
  } else {
    hr = d.mDevice->DrawIndexedPrimitive(static_cast<D3DPRIMITIVETYPE>(primitive), VertexFormat(set.mFormat),
                                         const_cast<TTransformedVertex*>(set.mVertices), static_cast<DWORD>(set.mCount),
                                         const_cast<WORD*>(indices), static_cast<DWORD>(count), 0);
  }
  DX_CHECK(hr);
}

void TDxDisplayHandler::SetTexture(const std::shared_ptr<TTexture>& texture) {
  mTexture = texture;
  if (!IsReady() || !mData->mDevice) return;
  IDirectDrawSurface7* surface = texture && !texture->IsSimple() ? texture->GetSurface() : nullptr;
  DX_CHECK(mData->mDevice->SetTexture(0, surface));
  ApplyTextureStage();
}

// ---- Draw blocks and states -----------------------------------------------------------------

bool TDxDisplayHandler::Begin2d() {
  TPlatformData& d = *mData;
  if (!d.mDevice) return false;
  IDirect3DDevice7* dev = d.mDevice;
  auto rs = [&](D3DRENDERSTATETYPE state, DWORD value) { DX_CHECK(dev->SetRenderState(state, value)); };
  rs(D3DRENDERSTATE_SPECULARENABLE, 0);
  rs(D3DRENDERSTATE_LIGHTING, 0);
  DX_CHECK(dev->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP));
  DX_CHECK(dev->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP));
  SetBlendMode(0);
  SetTextureFilter(1);
  rs(D3DRENDERSTATE_ZENABLE, 0);
  rs(D3DRENDERSTATE_ZWRITEENABLE, 0);
  d.mDepthTest = d.mDepthWrite = false;
  rs(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
  D3DMATRIX identity = Identity();
  DX_CHECK(dev->SetTransform(D3DTRANSFORMSTATE_WORLD, &identity));
  DX_CHECK(dev->SetTransform(D3DTRANSFORMSTATE_VIEW, &identity));
  mIn2d = true;
  d.mProjectionDirty = true;
  return true;
}

void TDxDisplayHandler::End2d() {
  mIn2d = false;
  TPlatformData& d = *mData;
  SetTexture(nullptr);
  if (!d.mDevice) return;
  D3DMATRIX identity = Identity();
  DX_CHECK(d.mDevice->SetTransform(D3DTRANSFORMSTATE_WORLD, &identity));
  DX_CHECK(d.mDevice->SetTransform(D3DTRANSFORMSTATE_VIEW, &identity));
  d.mProjectionDirty = true;
}

bool TDxDisplayHandler::Begin3d() {
  TPlatformData& d = *mData;
  if (!d.mDevice) return false;
  IDirect3DDevice7* dev = d.mDevice;
  auto rs = [&](D3DRENDERSTATETYPE state, DWORD value) { DX_CHECK(dev->SetRenderState(state, value)); };
  rs(D3DRENDERSTATE_SPECULARENABLE, d.mNoSpecularGouraud ? 0 : 1);
  rs(D3DRENDERSTATE_LIGHTING, 1);
  rs(D3DRENDERSTATE_ZENABLE, 1);
  rs(D3DRENDERSTATE_ZWRITEENABLE, 1);
  d.mDepthTest = d.mDepthWrite = true;
  SetBlendMode(0);
  SetTextureFilter(1);
  DX_CHECK(dev->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP));
  DX_CHECK(dev->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP));
  rs(D3DRENDERSTATE_CULLMODE, D3DCULL_CCW);
  mIn3d = true;
  return true;
}

void TDxDisplayHandler::End3d() { mIn3d = false; }

void TDxDisplayHandler::SetBlendMode(int kind) {
  TPlatformData& d = *mData;
  d.mBlendMode = kind;
  if (!d.mDevice) return;
  IDirect3DDevice7* dev = d.mDevice;
  auto blend = [&](DWORD source, DWORD dest) {
    DX_CHECK(dev->SetRenderState(D3DRENDERSTATE_SRCBLEND, source));
    DX_CHECK(dev->SetRenderState(D3DRENDERSTATE_DESTBLEND, dest));
    DX_CHECK(dev->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 1));
  };
  bool alpha = IsAlphaMode();
  switch (kind) {
    case 0: blend(D3DBLEND_SRCALPHA, alpha ? D3DBLEND_ONE : D3DBLEND_INVSRCALPHA); break;
    case 1: DX_CHECK(dev->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 0)); break;
    case 2: blend(D3DBLEND_SRCALPHA, D3DBLEND_ONE); break;
    case 3:
      if (alpha && d.mNewSubtractive) blend(D3DBLEND_ONE, D3DBLEND_ONE);
      else if (alpha) blend(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
      else blend(D3DBLEND_ZERO, D3DBLEND_INVSRCCOLOR);
      break;
    case 4: blend(D3DBLEND_ZERO, D3DBLEND_SRCCOLOR); break;
    default: break;
  }
  ApplyTextureStage();
}

void TDxDisplayHandler::ApplyTextureStage() {
  TPlatformData& d = *mData;
  if (!d.mDevice) return;
  IDirect3DDevice7* dev = d.mDevice;
  auto tss = [&](D3DTEXTURESTAGESTATETYPE state, DWORD value) { DX_CHECK(dev->SetTextureStageState(0, state, value)); };
  DX_CHECK(dev->SetRenderState(D3DRENDERSTATE_TEXTUREFACTOR, 0xFFFFFFFFu));
  int kind = d.mBlendMode;
  bool textured = mTexture && !mTexture->IsSimple() && mTexture->GetSurface();
  if (IsAlphaMode()) {
    if (kind == 3 && d.mNewSubtractive) {
      tss(D3DTSS_COLORARG1, D3DTA_TFACTOR);
    } else if (textured) {
      tss(D3DTSS_COLORARG1, D3DTA_TEXTURE | D3DTA_ALPHAREPLICATE);
      if (d.mNewRenderBlend) {
        tss(D3DTSS_COLORARG2, D3DTA_DIFFUSE | D3DTA_ALPHAREPLICATE);
        tss(D3DTSS_COLOROP, D3DTOP_MODULATE);
      }
    } else {
      tss(D3DTSS_COLORARG1, D3DTA_DIFFUSE | D3DTA_ALPHAREPLICATE);
      if (d.mNewRenderBlend) tss(D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    }
    if (!d.mNewRenderBlend) tss(D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    tss(D3DTSS_ALPHAARG1, D3DTA_TFACTOR);
    tss(D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    return;
  }
  tss(D3DTSS_COLORARG1, D3DTA_TEXTURE);
  if (d.mNewRenderBlend) tss(D3DTSS_COLORARG2, D3DTA_CURRENT);
  tss(D3DTSS_COLOROP, D3DTOP_MODULATE);
  if (kind == 1 || (kind == 3 && d.mNewSubtractive)) {
    tss(D3DTSS_ALPHAARG1, D3DTA_TFACTOR);
    tss(D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  } else {
    tss(D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    tss(D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  }
}

void TDxDisplayHandler::SetCullMode(int kind) {
  if (!mData->mDevice) return;
  DWORD mode = kind == 2 ? D3DCULL_CW : kind == 3 ? D3DCULL_CCW : D3DCULL_NONE;
  DX_CHECK(mData->mDevice->SetRenderState(D3DRENDERSTATE_CULLMODE, mode));
}

void TDxDisplayHandler::SetTextureFilter(int filter) {
  if (!mData->mDevice || (filter != 0 && filter != 1)) return;
  IDirect3DDevice7* dev = mData->mDevice;
  DX_CHECK(dev->SetTextureStageState(0, D3DTSS_MINFILTER, filter ? D3DTFN_LINEAR : D3DTFN_POINT));
  DX_CHECK(dev->SetTextureStageState(0, D3DTSS_MAGFILTER, filter ? D3DTFG_LINEAR : D3DTFG_POINT));
  DX_CHECK(dev->SetTextureStageState(0, D3DTSS_MIPFILTER, filter ? D3DTFP_LINEAR : D3DTFP_POINT));
}

void TDxDisplayHandler::SetRenderOption(const TString& name, const TString& value) {
  TPlatformData& d = *mData;
  bool on = std::atoi(value.CStr()) > 0;
  if (name == "antialias") {
    d.mAntialias = on;
    if (d.mDevice)
      DX_CHECK(d.mDevice->SetRenderState(D3DRENDERSTATE_ANTIALIAS, on ? D3DANTIALIAS_SORTINDEPENDENT : D3DANTIALIAS_NONE));
  } else if (name == "hint_antialias") {
    d.mHintAntialias = on;
  } else if (name == "new_subtractive") {
    d.mNewSubtractive = on;
  } else if (name == "new_render_blend") {
    d.mNewRenderBlend = on;
  }
}

TString TDxDisplayHandler::GetRenderOption(const TString& name) const {
  const TPlatformData& d = *mData;
  auto flag = [](bool on) { return TString(on ? "1" : "0"); };
  if (name == "antialias") return flag(d.mAntialias);
  if (name == "hint_antialias") return flag(d.mHintAntialias);
  if (name == "new_subtractive") return flag(d.mNewSubtractive);
  if (name == "16bitmode")
    return flag(d.mLowMemoryVideo || d.mDisplayBitsPerPixel == 15 || d.mDisplayBitsPerPixel == 16);
  return TString();
}

HRESULT TDxDisplayHandler::ColorFill(IDirectDrawSurface7* surface, const TRect& rect, const TVec4& color) {
  if (!surface) return DDERR_SURFACELOST;
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  HRESULT hr = DX_CHECK(surface->GetSurfaceDesc(&desc));
  if (FAILED(hr)) return hr;
  const DDPIXELFORMAT& f = desc.ddpfPixelFormat;
  auto part = [](float component, DWORD mask) {
    double value = double(component) * double(mask);
    if (!(value > 0)) return DWORD{0};
    if (value >= 4294967295.0) return mask;
    return static_cast<DWORD>(value) & mask;
  };
  DDBLTFX fx{};
  fx.dwSize = sizeof fx;
  fx.dwFillColor = part(color.x, f.dwRBitMask) + part(color.y, f.dwGBitMask) + part(color.z, f.dwBBitMask) +
                   part(color.w, f.dwRGBAlphaBitMask);
  RECT r{std::max(0, rect.left), std::max(0, rect.top), std::min<LONG>(rect.right, desc.dwWidth),
         std::min<LONG>(rect.bottom, desc.dwHeight)};
  if (r.right <= r.left || r.bottom <= r.top) return DD_OK;
  return DX_CHECK(surface->Blt(&r, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx));
}
