// Display state and the pump's restore entry (see platformdata.h).
#include "render/platformdata.h"

#include <atomic>

#include "render/directx.h"
#include "render/dxdisplayhandler.h"
#include "render/texture.h"

namespace {
std::atomic<int> gRestores{0};
}

TPlatformData::TPlatformData() : mContext(std::make_unique<TDXContext>()) {}

TPlatformData::~TPlatformData() = default;

void TPlatformData::Restore() {
  ++gRestores;
  TDxDisplayHandler* handler = TDxDisplayHandler::GetInstance();
  if (handler && handler->WasSetUp()) handler->RestoreDisplay();
}

int TPlatformData::RestoreCount() { return gRestores; }
