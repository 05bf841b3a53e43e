// The placing-pictures play: lifting a picture off its area, laying it on a free one, the win
// test, and the placement a save writes. Areas are found by their corners and kept by their
// place in the list, whatever ids the game data gives them.
#include "model/minigamemodels.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

bool TPictureArea::IsInside(int32_t px, int32_t py) const {
  TCorners c;
  for (int i = 0; i < 4; ++i) c.x[i] = x[i], c.y[i] = y[i];
  return c.IsInside(px, py);
}

void CPlacingPicturesGame::BuildBoard() {
  for (TPictureArea& a : areas) a.current = a.imageStart;
  mHeld.clear();
  mHeldFrom = -1;
  mBuilt = true;
}

void CPlacingPicturesGame::ClearHotspotLists() {
  for (TPictureArea& a : areas) {
    const std::string end = a.imageEnd;
    a = TPictureArea();
    a.imageEnd = end;
  }
}

bool CPlacingPicturesGame::AdoptSceneHotspots() {
  if (GetSceneHotspotCount() == 0) return false;
  // By id read as a number; an id that does not read back as its own number ("01", "x") is taken
  // by no number and left out, as are the numbers between the ids.
  std::vector<std::pair<long long, CSceneHotspot*>> byNumber;
  ResetSceneHotspotIterator();
  while (CSceneHotspot* h = GetNextSceneHotspot()) {
    const long long n = std::atoll(h->GetId());
    if (std::to_string(n) == h->GetId()) byNumber.emplace_back(n, h);
  }
  std::sort(byNumber.begin(), byNumber.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  ClearHotspotLists();
  std::vector<TPictureArea> adopted;
  for (size_t i = 0; i < byNumber.size(); ++i) {
    const CSceneHotspot& h = *byNumber[i].second;
    TPictureArea area;
    area.id = h.GetId();
    area.imageStart = h.GetName();
    for (int c = 0; c < 4; ++c) area.x[c] = h.GetPositionX(c), area.y[c] = h.GetPositionY(c);
    if (i < areas.size()) area.imageEnd = areas[i].imageEnd;
    adopted.push_back(std::move(area));
  }
  areas = std::move(adopted);
  std::vector<std::string> ids;
  ResetSceneHotspotIterator();
  while (CSceneHotspot* h = GetNextSceneHotspot()) ids.emplace_back(h->GetId());
  for (const std::string& id : ids) RemoveSceneHotspot(id);
  return true;
}

void CPlacingPicturesGame::ReturnHeld() {
  if (mHeld.empty()) return;
  if (mHeldFrom >= 0 && static_cast<size_t>(mHeldFrom) < areas.size()) areas[mHeldFrom].current = mHeld;
  mHeld.clear();
  mHeldFrom = -1;
}

std::string CPlacingPicturesGame::PlacedOn(size_t i) const {
  if (i >= areas.size()) return "";
  if (!mBuilt) return areas[i].imageStart;
  if (static_cast<int32_t>(i) == mHeldFrom) return mHeld;
  return areas[i].current;
}

bool CPlacingPicturesGame::Lift(const std::string& picture) {
  if (!mHeld.empty() || picture.empty()) return false;
  for (size_t i = 0; i < areas.size(); ++i) {
    if (areas[i].current == picture) {
      areas[i].current.clear();
      mHeld = picture;
      mHeldFrom = static_cast<int32_t>(i);
      return true;
    }
  }
  return false;
}

int32_t CPlacingPicturesGame::FreeAreaAt(int32_t x, int32_t y) const {
  for (size_t i = 0; i < areas.size(); ++i) {
    if (areas[i].IsFree() && areas[i].IsInside(x, y)) return static_cast<int32_t>(i);
  }
  return -1;
}

bool CPlacingPicturesGame::DropAt(int32_t x, int32_t y) {
  if (mHeld.empty()) return false;
  const int32_t i = FreeAreaAt(x, y);
  if (i < 0) return false;
  areas[i].current = mHeld;
  mHeld.clear();
  mHeldFrom = -1;
  return true;
}

bool CPlacingPicturesGame::IsWon() const {
  for (const TPictureArea& a : areas) {
    if (a.current != a.imageEnd) return false;
  }
  return true;
}
