// The game-state hub (see gamestate.h).
#include "services/gamestate.h"

#include <memory>
#include <string>

namespace {
std::unique_ptr<TGameState> gGameState;
}

void TGameState::SendStateNumber(const TString& key, int32_t value) {
  SendState(key, TString::Format("%d", value));
}

TGameState* GetGameState() {
  if (!gGameState) gGameState = std::make_unique<TGameState>();
  return gGameState.get();
}

TGameState* FindGameState() { return gGameState.get(); }

void DeleteGameState() { gGameState.reset(); }
