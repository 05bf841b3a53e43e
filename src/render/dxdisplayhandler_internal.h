// Shared helpers of the display handler's files (dxdisplay*.cpp): the platform pieces the handler
// reads, the viewport scale, and the DirectX error check. Not for use outside the display handler.
#pragma once
#include <cmath>

#include "os/d3d.h"
#include "os/msgbox.h"
#include "os/process.h"
#include "platform/platform.h"
#include "platform/platformimpl.h"
#include "render/dxdisplayhandler.h"
#include "ui/windowmanager.h"

namespace dxdisplay {

inline constexpr const char kDisplayFile[] = "common:display.xml";

inline TPlatformImpl* Impl() {
  TPlatform* platform = TPlatform::GetInstance();
  return platform ? platform->GetImpl() : nullptr;
}

inline TWindowManager* WindowManager() {
  TPlatformImpl* impl = Impl();
  return impl ? impl->GetWindowManager() : nullptr;
}

inline bool MovieMode() {
  TWindowManager* manager = WindowManager();
  return manager && manager->IsMovieOpen();
}

inline void Invalidate() {
  if (TWindowManager* manager = WindowManager()) manager->Invalidate();
}

inline float ViewportScale() {
  TPlatformImpl* impl = Impl();
  return impl ? impl->mViewportScale[0] : 1.0f;
}

inline void SetViewportScale(float scale) {
  if (TPlatformImpl* impl = Impl()) impl->mViewportScale[0] = impl->mViewportScale[1] = scale;
}

inline int RoundHalfUp(float value) { return static_cast<int>(std::floor(value + 0.5f)); }

inline D3DMATRIX Identity() {
  D3DMATRIX m{};
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  return m;
}

}  // namespace dxdisplay

#define DX_CHECK(call) Check((call), __LINE__)
