// What the game's model writes, as the model and shell tests compare it: the game text ("gamedata")
// and the global-variable text ("gamestate").
#pragma once
#include <string>

#include "model/game.h"
#include "model/globals.h"

inline std::string GameText() {
  std::string out;
  CGame::GetInstance()->Serialize(out);
  return out;
}

inline std::string StateText() {
  std::string out;
  CGlobalInformationSystem::GetInstance()->Serialize(out);
  return out;
}
