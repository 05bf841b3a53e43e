// The jigsaw's play: dragging a piece with the pieces joined to it, joining neighbours that lie
// in the right relative place, snapping a group onto the picture, and the win test.
#include <algorithm>
#include <cstdlib>

#include "model/minigamemodels.h"

void CJigsawPuzzle::AddNeighbour(const std::string& piece, int64_t number) {
  if (CJigsawPiece* p = FindPiece(piece)) p->neighbours.push_back(PieceName(number));
}

int32_t CJigsawPuzzle::GroupOfPiece(const std::string& name) const {
  for (size_t g = 0; g < mGroups.size(); ++g) {
    if (std::find(mGroups[g].begin(), mGroups[g].end(), name) != mGroups[g].end()) return static_cast<int32_t>(g);
  }
  return static_cast<int32_t>(mGroups.size()) - 1;
}

std::vector<std::string> CJigsawPuzzle::GroupMembers(const std::string& name) const {
  if (!FindPiece(name)) return {};
  const int32_t g = GroupOfPiece(name);
  return g < 0 ? std::vector<std::string>{} : mGroups[g];
}

void CJigsawPuzzle::MovePiece(const std::string& name, int32_t x, int32_t y) {
  CJigsawPiece* moved = FindPiece(name);
  if (!moved || !moved->movable) return;
  moved->currentX = x, moved->currentY = y;
  const int32_t g = GroupOfPiece(name);
  if (g < 0) return;
  for (const std::string& member : mGroups[g]) {
    if (CJigsawPiece* p = FindPiece(member)) {
      p->currentX = x + p->endX - moved->endX;
      p->currentY = y + p->endY - moved->endY;
    }
  }
}

void CJigsawPuzzle::DropPiece(const std::string& name, int32_t x, int32_t y) {
  CJigsawPiece* dropped = FindPiece(name);
  if (!dropped) return;
  dropped->currentX = x, dropped->currentY = y;
  int32_t g = GroupOfPiece(name);
  if (g < 0) return;

  if (hookPieces) {
    std::vector<int32_t> joined;
    const size_t before = mGroups[g].size();
    for (size_t i = 0; i < before; ++i) {
      CJigsawPiece* m = FindPiece(mGroups[g][i]);
      if (!m) continue;
      for (const std::string& n : m->neighbours) {
        std::vector<std::string>& group = mGroups[g];
        if (std::find(group.begin(), group.end(), n) != group.end()) continue;
        CJigsawPiece* np = FindPiece(n);
        if (!np) continue;  // level data naming no piece: nothing to join
        const int32_t dx = (m->endX - np->endX) - (m->currentX - np->currentX);
        const int32_t dy = (m->endY - np->endY) - (m->currentY - np->currentY);
        if (std::abs(dx) >= delta || std::abs(dy) >= delta) continue;
        const int32_t h = GroupOfPiece(n);
        // Copy first: appending to the group may move the storage of its neighbour.
        const std::vector<std::string> other = mGroups[h];
        mGroups[g].insert(mGroups[g].end(), other.begin(), other.end());
        joined.push_back(h);
      }
    }
    std::sort(joined.begin(), joined.end(), std::greater<int32_t>());
    for (int32_t h : joined) mGroups.erase(mGroups.begin() + h);
    g = GroupOfPiece(name);
  }

  const bool inPlace = std::abs(dropped->currentX - (dropped->endX + offsetX)) < delta &&
                       std::abs(dropped->currentY - (dropped->endY + offsetY)) < delta;
  for (const std::string& member : mGroups[g]) {
    CJigsawPiece* p = FindPiece(member);
    if (!p) continue;
    if (stickOnBackground && inPlace) {
      p->currentX = p->endX + offsetX, p->currentY = p->endY + offsetY;
      p->movable = false;
    } else {
      p->currentX = dropped->currentX + p->endX - dropped->endX;
      p->currentY = dropped->currentY + p->endY - dropped->endY;
    }
  }
}

bool CJigsawPuzzle::IsWon() const {
  if (stickOnBackground) {
    for (const auto& [name, p] : mPieces) {
      if (std::abs(p->currentX - (p->endX + offsetX)) >= delta || std::abs(p->currentY - (p->endY + offsetY)) >= delta) {
        return false;
      }
    }
    return true;
  }
  if (hookPieces) return static_cast<int64_t>(mGroups.size()) <= numberOfGroupsToWin;
  return false;
}

void CJigsawPuzzle::Reset() {
  mGroups.clear();
  for (auto& [name, p] : mPieces) {
    p->currentX = p->initialX, p->currentY = p->initialY;
    p->movable = true;
    mGroups.push_back({name});
  }
}
