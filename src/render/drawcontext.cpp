// Process-wide drawing context (see drawcontext.h).
#include "render/drawcontext.h"

#include "render/dxdisplayhandler.h"

namespace {
std::unique_ptr<TDrawContext> gInstance;
}

TDrawContext::TDrawContext() : mDisplay(std::make_unique<TDxDisplayHandler>()) {}
TDrawContext::~TDrawContext() = default;

TDrawContext* TDrawContext::GetInstance() {
  if (!gInstance) gInstance = std::make_unique<TDrawContext>();
  return gInstance.get();
}

TDrawContext* TDrawContext::Find() { return gInstance.get(); }

void TDrawContext::DestroyInstance() { gInstance.reset(); }
