// The bolt lock's play: sliding a bolt, dragging or (un)locking the bolts it acts on, the win
// test and the reset the window's script can ask for.
#include <algorithm>

#include "model/minigamemodels.h"

bool CLock::ToggleBolt(int32_t i, int32_t depth) {
  if (i < 0 || static_cast<size_t>(i) >= mBolts.size()) return false;
  CLockingBolt& bolt = *mBolts[i];
  if (bolt.locked) return false;
  bolt.up = !bolt.up;
  if (depth > 0) {
    for (int32_t j : bolt.movedIndices) {
      if (j < 0 || static_cast<size_t>(j) >= mBolts.size()) continue;
      if (bolt.movesOthers) ToggleBolt(j, depth - 1);
      else mBolts[j]->locked = !mBolts[j]->locked;
    }
  }
  return true;
}

bool CLock::AreAllBoltsUp() const {
  return std::all_of(mBolts.begin(), mBolts.end(), [](const auto& b) { return b->up; });
}

bool CLock::AllBoltsMoveOthers() const {
  return std::all_of(mBolts.begin(), mBolts.end(), [](const auto& b) { return b->movesOthers; });
}

void CLock::ResetBolts(bool up) {
  for (auto& b : mBolts) b->up = up, b->locked = false;
}

bool CLock::IsValidMovedList(const std::vector<int32_t>& indices) const {
  if (mBolts.empty() || indices.size() >= mBolts.size()) return false;
  for (size_t a = 0; a < indices.size(); ++a) {
    if (indices[a] < 0 || static_cast<size_t>(indices[a]) >= mBolts.size()) return false;
    for (size_t b = 0; b < a; ++b) {
      if (indices[a] == indices[b]) return false;
    }
  }
  return true;
}
