// Process-wide drawing context (see drawcontext.h).
#include "render/drawcontext.h"

#include <memory>

namespace {
std::unique_ptr<TDrawContext> gInstance;
}

TDrawContext* TDrawContext::GetInstance() {
  if (!gInstance) gInstance = std::make_unique<TDrawContext>();
  return gInstance.get();
}

void TDrawContext::DestroyInstance() { gInstance.reset(); }
