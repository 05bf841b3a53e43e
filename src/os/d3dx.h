// The Direct3D utility subset of the platform stand-in: start-up and shut-down, texture creation in
// a named format, uploads from 32-bit ARGB memory (with mipmaps made by GL) and the orthographic
// off-centre projection matrix.
#pragma once
#include "os/d3d.h"

enum D3DX_SURFACEFORMAT : DWORD {    // texture formats by name (this layer's numbering)
  D3DX_SF_UNKNOWN = 0,
  D3DX_SF_R8G8B8 = 1,                // not offered: becomes X8R8G8B8
  D3DX_SF_A8R8G8B8 = 2,
  D3DX_SF_X8R8G8B8 = 3,
  D3DX_SF_R5G6B5 = 4,
  D3DX_SF_R5G5B5 = 5,
  D3DX_SF_A1R5G5B5 = 8,
  D3DX_SF_A4R4G4B4 = 10,
};
constexpr DWORD D3DX_TEXTURE_NOMIPMAP = 0x100;   // D3DXCreateTexture: one level only
constexpr DWORD D3DX_DEFAULT = 0xFFFFFFFFu;      // default pitch; as a mip level: every level
constexpr DWORD D3DX_FT_POINT = 0x1;             // upload filter: nearest
constexpr DWORD D3DX_FT_LINEAR = 0x2;            // upload filter: linear
constexpr HRESULT D3DXERR_INVALIDPARAMS = E_INVALIDARG;   // bad argument

HRESULT D3DXInitialize();     // nothing to set up
HRESULT D3DXUninitialize();   // nothing to tear down
// A texture surface of the device's DirectDraw object in the asked format (unknown: the display's);
// sizes below 1 become 1. Answers the size, format and mip level count it got.
HRESULT D3DXCreateTexture(LPDIRECT3DDEVICE7 device, DWORD* flags, DWORD* width, DWORD* height,
                          D3DX_SURFACEFORMAT* format, LPVOID palette, LPDIRECTDRAWSURFACE7* out,
                          DWORD* mipLevels);
// Converts A8R8G8B8 source pixels into the texture's format over the destination rectangle (null:
// the whole texture) and uploads them; mip level D3DX_DEFAULT also rebuilds the smaller levels.
HRESULT D3DXLoadTextureFromMemory(LPDIRECT3DDEVICE7 device, LPDIRECTDRAWSURFACE7 texture, DWORD mipLevel,
                                  LPVOID source, LPVOID palette, D3DX_SURFACEFORMAT sourceFormat,
                                  DWORD sourcePitch, RECT* destRect, DWORD filter);
// Left-handed orthographic projection of the box (left..right, bottom..top, nearZ..farZ).
D3DMATRIX* D3DXMatrixOrthoOffCenterLH(D3DMATRIX* out, float left, float right, float bottom, float top,
                                      float nearZ, float farZ);
