// The nine men's morris board's play: moving stones along the lines to empty fields (or sliding
// them into the one gap), the win test, the solving word and the board a save writes.
#include <algorithm>

#include "core/log.h"
#include "model/minigamemodels.h"

void CNineMensMorrisGame::BuildFields() {
  const size_t count = GetFieldCount();
  if (count != neighbourLists.size() || count != positions.size() || count != statusStarts.size() ||
      count != statusEnds.size()) {
    LogPrintf("Nine men's morris: field lists of different lengths (%zu positions, %zu starts, %zu ends, "
              "%zu link lists); the board has %zu fields\n",
              positions.size(), statusStarts.size(), statusEnds.size(), neighbourLists.size(), count);
  }
  mFields.clear();
  for (size_t i = 0; i < count; ++i) {
    CNineMensMorrisField f;
    f.index = static_cast<int32_t>(i);
    f.status = statusStarts[i];
    f.statusEnd = statusEnds[i];
    f.xPos = positions[i].first, f.yPos = positions[i].second;
    f.neighbours = neighbourLists[i];
    mFields.push_back(std::move(f));
  }
  mBuilt = true;
  BeginPlay();
}

void CNineMensMorrisGame::BeginPlay() {
  mSelection.clear();
  mSlidingMode = HasAtMostOneEmptyField();
  mTyped = 0;
}

int32_t CNineMensMorrisGame::GetFieldStatus(int32_t i) const {
  return i >= 0 && static_cast<size_t>(i) < mFields.size() ? mFields[i].status : 0;
}

bool CNineMensMorrisGame::IsLinked(int32_t from, int32_t to) const {
  if (GetFieldStatus(from) == 0) return false;
  const auto& n = mFields[from].neighbours;
  return std::find(n.begin(), n.end(), to) != n.end();
}

bool CNineMensMorrisGame::CanMove(int32_t from, int32_t to) const {
  return GetFieldStatus(from) == 0 || GetFieldStatus(to) == 0;
}

void CNineMensMorrisGame::SwapStatus(int32_t a, int32_t b) {
  const int32_t n = static_cast<int32_t>(mFields.size());
  if (a < 0 || b < 0 || a >= n || b >= n) return;
  std::swap(mFields[a].status, mFields[b].status);
}

bool CNineMensMorrisGame::IsWon() const {
  return std::all_of(mFields.begin(), mFields.end(),
                     [](const CNineMensMorrisField& f) { return f.status == 0 || f.status == f.statusEnd; });
}

void CNineMensMorrisGame::Solve() {
  for (auto& f : mFields) f.status = f.statusEnd;
}

bool CNineMensMorrisGame::HasAtMostOneEmptyField() const {
  return std::count_if(mFields.begin(), mFields.end(), [](const CNineMensMorrisField& f) { return f.status == 0; }) <= 1;
}

int32_t CNineMensMorrisGame::FirstEmptyField() const {
  for (const auto& f : mFields) {
    if (f.status == 0) return f.index;
  }
  return -1;
}

CNineMensMorrisGame::TClick CNineMensMorrisGame::ClickField(int32_t c) {
  TClick result;
  if (c < 0 || static_cast<size_t>(c) >= mFields.size()) return result;
  if (mSlidingMode) {
    if (GetFieldStatus(c) == 0) return result;
    mSelection = {c, FirstEmptyField()};
  } else if (mSelection.empty()) {
    if (GetFieldStatus(c) == 0) return result;
    mSelection.push_back(c);
    result.kind = TClick::kSelected;
    result.from = c;
    return result;
  } else {
    mSelection.push_back(c);
  }
  result.from = mSelection[0];
  result.to = mSelection[1];
  mSelection.clear();
  if (IsLinked(result.from, result.to) && CanMove(result.from, result.to)) {
    SwapStatus(result.from, result.to);
    result.kind = TClick::kMoved;
    result.won = IsWon();
  } else {
    result.kind = TClick::kRefused;
  }
  return result;
}

bool CNineMensMorrisGame::TypeKey(char c) {
  if (c == kSolveWord[mTyped]) {
    if (++mTyped < 4) return false;
    mTyped = 0;
    Solve();
    return true;
  }
  mTyped = c == kSolveWord[0] ? 1 : 0;
  return false;
}
