// The game-state hub and the module handler (see gamestate.h).
#include "services/gamestate.h"

#include "os/dll.h"

namespace {
std::unique_ptr<TGameState> gGameState;
}

void TGameState::AddHandler(std::unique_ptr<IGameStateHandler> handler) {
  if (handler) mHandlers.push_back(std::move(handler));
}

void TGameState::SendState(const TString& key, const TString& value) {
  for (auto& h : mHandlers) h->SetState(key.CStr(), value.CStr());
}

void TGameState::SendStateNumber(const TString& key, int32_t value) { SendState(key, TString::Format("%d", value)); }

bool TGameState::IsBusy() const {
  for (const auto& h : mHandlers)
    if (h->IsBusy()) return true;
  return false;
}

TDllGameState::~TDllGameState() { Release(); }

void TDllGameState::Release() {
  if (mHandler && mDestroy) mDestroy(mHandler);
  mHandler = nullptr;
  mDestroy = nullptr;
  if (mModule) FreeLibrary(mModule);
  mModule = nullptr;
}

bool TDllGameState::Load(const TString& fileName) {
  Release();
  HMODULE module = LoadLibraryA(fileName.CStr());
  if (!module) return false;
  auto create = reinterpret_cast<TCreateHandlerProc>(GetProcAddress(module, "CreateHandler"));
  auto destroy = reinterpret_cast<TDestroyHandlerProc>(GetProcAddress(module, "DestroyHandler"));
  IGameStateHandler* handler = create && destroy ? create() : nullptr;
  if (!handler) {
    FreeLibrary(module);
    return false;
  }
  mModule = module;
  mHandler = handler;
  mDestroy = destroy;
  return true;
}

void TDllGameState::SetState(const char* key, const char* value) {
  if (mHandler) mHandler->SetState(key, value);
}

bool TDllGameState::IsBusy() { return mHandler && mHandler->IsBusy(); }

TGameState* GetGameState() {
  if (!gGameState) gGameState = std::make_unique<TGameState>();
  return gGameState.get();
}

TGameState* FindGameState() { return gGameState.get(); }

void DeleteGameState() { gGameState.reset(); }
