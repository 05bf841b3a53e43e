// Shared set-up of the mini-game play tests: a board built from a game text, and the same board
// written as a save and read back (the game left half-done and loaded again).
#pragma once
#include <string>

#include "model/minigamemodels.h"
#include "modelfixture.h"

class MiniGameTest : public ModelTest {
 protected:
  // Builds a game holding the one scene (its seqId must be 1) and returns that scene.
  template <class T>
  T* Load(const std::string& scene) {
    Build("MakeGame { currentScene = 1, MakeLevel { seqId = 1,\n" + scene + "\n} }");
    return Get<T>();
  }
  // Writes the game as a save and builds it again from that text.
  template <class T>
  T* Reload() {
    const std::string text = GameText();
    Build(text);
    return Get<T>();
  }
  template <class T>
  T* Get() {
    T* scene = dynamic_cast<T*>(CGame::GetInstance()->FindScene(1));
    if (!scene) ADD_FAILURE() << "no scene 1 of that kind\n" << GameText();
    return scene;
  }
};
