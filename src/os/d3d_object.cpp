// The Direct3D object of the stand-in: the one device it enumerates (a hardware device over
// OpenGL) with its capabilities, device creation on a surface, the Z-buffer formats, and the test
// interface's settings for all three.
#include <algorithm>

#include "os/ddraw_internal.h"

namespace os::dd {

const GUID kHalDeviceGuid = IID_IDirect3DHALDevice;

D3DDEVICEDESC7 DeviceDesc() {
  {
    std::lock_guard<std::recursive_mutex> lk(Mutex());
    if (Config().deviceDesc) return *Config().deviceDesc;
  }
  D3DDEVICEDESC7 d{};
  GLint maxSize = 2048;
  if (os::gl::OnGlThread()) glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  maxSize = std::min(maxSize, 16384);
  d.dwDevCaps = D3DDEVCAPS_HWRASTERIZATION;
  for (D3DPRIMCAPS* p : {&d.dpcLineCaps, &d.dpcTriCaps}) {
    p->dwSize = sizeof(D3DPRIMCAPS);
    p->dwShadeCaps = D3DPSHADECAPS_COLORGOURAUDRGB | D3DPSHADECAPS_SPECULARGOURAUDRGB;
  }
  d.dwDeviceRenderBitDepth = DDBD_16 | DDBD_32;
  d.dwDeviceZBufferBitDepth = DDBD_16 | DDBD_24 | DDBD_32;
  d.dwMinTextureWidth = d.dwMinTextureHeight = 1;
  d.dwMaxTextureWidth = d.dwMaxTextureHeight = static_cast<DWORD>(maxSize);
  d.dwMaxTextureRepeat = d.dwMaxTextureAspectRatio = static_cast<DWORD>(maxSize);
  d.dwFVFCaps = 1;
  d.wMaxTextureBlendStages = 1;
  d.wMaxSimultaneousTextures = 1;
  d.dwMaxActiveLights = 0;
  d.dvMaxVertexW = 1e10f;
  d.deviceGUID = kHalDeviceGuid;
  return d;
}

namespace {

class Direct3D final : public ComObject<IDirect3D7> {
 public:
  explicit Direct3D(IDirectDraw7* dd) : mDirectDraw(dd) { mDirectDraw->AddRef(); }

  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IDirectDraw7) return mDirectDraw->QueryInterface(iid, out);
    *out = nullptr;
    return E_NOINTERFACE;
  }

  HRESULT EnumDevices(LPD3DENUMDEVICESCALLBACK7 callback, LPVOID context) override {
    if (!callback) return DDERR_INVALIDPARAMS;
    D3DDEVICEDESC7 d = DeviceDesc();
    char description[] = "Hardware device over OpenGL";
    char name[] = "HAL";
    callback(description, name, &d, context);
    return D3D_OK;
  }

  HRESULT CreateDevice(REFCLSID device, LPDIRECTDRAWSURFACE7 target, LPDIRECT3DDEVICE7* out) override {
    if (!out || !target) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (HRESULT hr = DxFault("CreateDevice"); FAILED(hr)) return hr;
    if (!(device == IID_IDirect3DHALDevice || device == IID_IDirect3DTnLHalDevice || device == IID_IDirect3DRGBDevice ||
          device == DeviceDesc().deviceGUID))
      return D3DERR_INVALIDDEVICE;
    Surface* s = AsSurface(target);
    if (!(s->Caps() & DDSCAPS_3DDEVICE)) return DDERR_INVALIDCAPS;
    if (s->Lost()) return DDERR_SURFACELOST;
    *out = NewDevice(this, s);
    return D3D_OK;
  }

  HRESULT EnumZBufferFormats(REFCLSID, LPD3DENUMPIXELFORMATSCALLBACK callback, LPVOID context) override {
    if (!callback) return DDERR_INVALIDPARAMS;
    {
      std::lock_guard<std::recursive_mutex> lk(Mutex());
      if (Config().noZFormats) return D3D_OK;
    }
    for (DWORD bits : {16u, 32u}) {
      DDPIXELFORMAT f{};
      f.dwSize = sizeof f;
      f.dwFlags = DDPF_ZBUFFER;
      f.dwZBufferBitDepth = bits;
      f.dwZBitMask = bits == 16 ? 0xFFFF : 0xFFFFFF;
      if (callback(&f, context) == D3DENUMRET_CANCEL) break;
    }
    return D3D_OK;
  }

  HRESULT EvictManagedTextures() override { return D3D_OK; }

  IDirectDraw7* GetDirectDraw() const { return mDirectDraw; }

 private:
  ~Direct3D() override { mDirectDraw->Release(); }
  IDirectDraw7* mDirectDraw;
};

}  // namespace

IDirect3D7* NewDirect3D(IDirectDraw7* dd) { return new Direct3D(dd); }

IDirectDraw7* DirectDrawOfDevice(IDirect3DDevice7* device) {
  IDirect3D7* d3d = nullptr;
  if (!device || FAILED(device->GetDirect3D(&d3d))) return nullptr;
  IDirectDraw7* dd = static_cast<Direct3D*>(d3d)->GetDirectDraw();
  d3d->Release();
  return dd;
}

}  // namespace os::dd

namespace os {
void TestSetDeviceDesc(const D3DDEVICEDESC7* desc) {
  std::lock_guard<std::recursive_mutex> lk(dd::Mutex());
  if (desc) dd::Config().deviceDesc = *desc;
  else dd::Config().deviceDesc.reset();
}

void TestSetTextureFormats(const std::vector<DDPIXELFORMAT>& formats) {
  std::lock_guard<std::recursive_mutex> lk(dd::Mutex());
  dd::Config().textureFormats = formats;
}

void TestSetNoZBufferFormats(bool none) {
  std::lock_guard<std::recursive_mutex> lk(dd::Mutex());
  dd::Config().noZFormats = none;
}
}  // namespace os
