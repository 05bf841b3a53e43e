// The game-state hub and the module handler (see gamestate.h).
#include "services/gamestate.h"

#include "os/dll.h"

namespace {
std::unique_ptr<TGameState> gGameState;
}

void TGameState::AddHandler(std::unique_ptr<TGameStateHandler> handler) {
  if (!handler) return;
  handler->mHub = this;
  mHandlers.push_back(std::move(handler));
}

void TGameState::SendState(const TString& key, const TString& value) {
  TString name = key;
  TString text = value;
  if (key.Length() >= 2 && key.CharAt(0) == '+' && key.CharAt(1) == '+') {
    name = key.SubString(2);
    text = TString::Format("%d", GetState(name).ToInt() + 1);
  }
  mValues[name] = text;
  for (auto& h : mHandlers)
    if (h->SetState(name, text)) break;
}

void TGameState::SendStateNumber(const TString& key, int32_t value) { SendState(key, TString::Format("%d", value)); }

TString TGameState::GetState(const TString& key) {
  auto found = mValues.find(key);
  TString value = found != mValues.end() ? found->second : TString();
  for (auto& h : mHandlers) value = h->GetState(key, value);
  return value;
}

bool TGameState::AnyHandler(bool (TGameStateHandler::*query)()) const {
  for (const auto& h : mHandlers)
    if ((h.get()->*query)()) return true;
  return false;
}

bool TGameState::QueryRestartMode() { return AnyHandler(&TGameStateHandler::QueryRestartMode); }
bool TGameState::QueryJumpToMenu() { return AnyHandler(&TGameStateHandler::QueryJumpToMenu); }
bool TGameState::IsBusy() const { return AnyHandler(&TGameStateHandler::IsBusy); }

bool TGameState::QueryMuteGame() {
  return AnyHandler(&TGameStateHandler::QueryMuteGame) || GetState("mute").ToInt() != 0;
}

void TGameState::BindScript(lua_State* L) {
  mBindings.Bind(L, "GetState", this, &TGameState::GetState);
  mBindings.Bind(L, "_SetState", this, &TGameState::SendState);
  mBindings.Bind(L, "QueryMuteGame", this, &TGameState::QueryMuteGame);
  mBindings.Bind(L, "QueryRestartMode", this, &TGameState::QueryRestartMode);
  mBindings.Bind(L, "QueryJumpToMenu", this, &TGameState::QueryJumpToMenu);
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
  TGameStateModuleHandler* handler = create && destroy ? create() : nullptr;
  if (!handler) {
    FreeLibrary(module);
    return false;
  }
  mModule = module;
  mHandler = handler;
  mDestroy = destroy;
  return true;
}

bool TDllGameState::SetState(const TString& key, const TString& value) {
  return mHandler && mHandler->SetState(key.CStr(), value.CStr());
}

TString TDllGameState::GetState(const TString& key, const TString& current) {
  if (!mHandler) return current;
  const char* answer = mHandler->GetState(key.CStr(), current.CStr());
  return answer ? TString(answer) : TString();
}

bool TDllGameState::QueryRestartMode() { return mHandler && mHandler->QueryRestartMode(); }
bool TDllGameState::QueryJumpToMenu() { return mHandler && mHandler->QueryJumpToMenu(); }
bool TDllGameState::QueryMuteGame() { return mHandler && mHandler->QueryMuteGame(); }
bool TDllGameState::IsBusy() { return mHandler && mHandler->IsBusy(); }

TGameState* GetGameState() {
  if (!gGameState) gGameState = std::make_unique<TGameState>();
  return gGameState.get();
}

TGameState* FindGameState() { return gGameState.get(); }

void DeleteGameState() { gGameState.reset(); }
