// Scenes, exits, hotspots and scene objects: collections, hit tests and their save records.
#include "model/scene.h"

#include "model/modelscript.h"
#include "model/savetext.h"

using namespace savetext;

bool TCorners::IsInside(int32_t px, int32_t py) const {
  // Four equal corners make every cross product 0; such an area holds its one point only.
  if (x[0] == x[1] && x[1] == x[2] && x[2] == x[3] && y[0] == y[1] && y[1] == y[2] && y[2] == y[3]) {
    return px == x[0] && py == y[0];
  }
  for (int i = 0; i < 4; ++i) {
    const int j = (i + 1) % 4;
    const int64_t d = int64_t(x[j] - int64_t(x[i])) * (int64_t(py) - y[i]) -
                      int64_t(y[j] - int64_t(y[i])) * (int64_t(px) - x[i]);
    if (d < 0) return false;
  }
  return true;
}

void TCorners::Serialize(std::string& out) const {
  for (int i = 0; i < 4; ++i) {
    const std::string n = std::to_string(i + 1);
    out += "\tpositionX" + n + " = " + std::to_string(x[i]) + ", positionY" + n + " = " +
           std::to_string(y[i]) + ",\n";
  }
}

// ---- exits and hotspots ----

void CSceneArea::SerializeHead(std::string& out) const {
  TextField(out, "id", mId);
  TextField(out, "name", mName);
  mArea.Serialize(out);
}

void CSceneExit::StartGlow() { mGlowStart = ModelNow(); }

bool CSceneExit::IsGlowing() const { return mGlowStart != 0 && ModelNow() - mGlowStart <= 2; }

void CSceneExit::Serialize(std::string& out) const {
  BeginRecord(out, "MakeSceneExit");
  SerializeHead(out);
  UintField(out, "cursorstyleid", static_cast<uint32_t>(mCursorStyleId));
  TextField(out, "cursorstylepath", mCursorStylePath);
  TextField(out, "text", GetText());
  FlagField(out, "isActive", IsActive());
  IntField(out, "nextScene", mNextScene);
  if (!mImage.empty()) {
    TextField(out, "image", mImage);
    IntField(out, "imagePositionX", mImageX);
    out += "\timagePositionY = " + std::to_string(mImageY) + "\n";
  }
  EndRecord(out, "MakeSceneExit");
}

// ---- hotspots ----

CSceneHotspot::CSceneHotspot() : mActions(std::make_unique<ActionMap>()) {}

void CSceneHotspot::SetActionMap(std::unique_ptr<ActionMap> map) {
  mActions = map ? std::move(map) : std::make_unique<ActionMap>();
}

void CSceneHotspot::Serialize(std::string& out) const {
  BeginRecord(out, "MakeSceneHotspot");
  SerializeHead(out);
  TextField(out, "text", GetText());
  FlagField(out, "isActive", IsActive());
  actionmap::Serialize(*mActions, out);
  EndRecord(out, "MakeSceneHotspot");
}

// ---- scene objects ----

void CSceneObject::Serialize(std::string& out) const {
  BeginRecord(out, "MakeSceneObject");
  TextField(out, "id", mId);
  TextField(out, "name", mName);
  IntField(out, "positionX", mX);
  IntField(out, "positionY", mY);
  TextField(out, "image", mImage);
  IntField(out, "timesPickable", mTimesPickable);
  FlagField(out, "isActive", mActive);
  FlagField(out, "isVisible", mVisible);
  TextField(out, "invitem", mInvItem);
  TextField(out, "text", mText);
  actionmap::Serialize(mActions, out);
  EndRecord(out, "MakeSceneObject");
}

// ---- scenes ----

CScene::~CScene() {
  mHotspots.clear();
  mExits.clear();
}

// Stores under the key, moving a cursor off an entry that is replaced.
template <class Map, class T>
static void StoreReplacing(Map& map, typename Map::iterator& cursor, const std::string& key,
                           std::unique_ptr<T> value) {
  auto it = map.find(key);
  if (it != map.end()) {
    const bool under = cursor == it;
    auto next = map.erase(it);
    if (under) cursor = next;
  }
  const bool atEnd = cursor == map.end();
  map.emplace(key, std::move(value));
  // A cursor at the end stays at the end.
  if (atEnd) cursor = map.end();
}

template <class Map>
static void EraseKey(Map& map, typename Map::iterator& cursor, const std::string& key) {
  auto it = map.find(key);
  if (it == map.end()) return;
  const bool under = cursor == it;
  auto next = map.erase(it);
  if (under) cursor = next;
}

void CScene::AddSceneExit(std::unique_ptr<CSceneExit> exit) {
  if (!exit) return;
  const std::string id = exit->GetId();
  StoreReplacing(mExits, mExitCursor, id, std::move(exit));
}

void CScene::AddSceneHotspot(std::unique_ptr<CSceneHotspot> hotspot) {
  if (!hotspot) return;
  const std::string id = hotspot->GetId();
  StoreReplacing(mHotspots, mHotspotCursor, id, std::move(hotspot));
}

CSceneExit* CScene::FindSceneExit(const std::string& id) const {
  auto it = mExits.find(id);
  return it == mExits.end() ? nullptr : it->second.get();
}

CSceneHotspot* CScene::FindSceneHotspot(const std::string& id) const {
  auto it = mHotspots.find(id);
  return it == mHotspots.end() ? nullptr : it->second.get();
}

void CScene::RemoveSceneExit(const std::string& id) { EraseKey(mExits, mExitCursor, id); }
void CScene::RemoveSceneHotspot(const std::string& id) { EraseKey(mHotspots, mHotspotCursor, id); }

CSceneExit* CScene::GetNextSceneExit() {
  if (mExitCursor == mExits.end()) return nullptr;
  return (mExitCursor++)->second.get();
}

CSceneHotspot* CScene::GetNextSceneHotspot() {
  if (mHotspotCursor == mHotspots.end()) return nullptr;
  return (mHotspotCursor++)->second.get();
}

void CScene::SerializeCommon(std::string& out) const {
  IntField(out, "seqId", mSeqId);
  TextField(out, "bg", mBg);
  TextField(out, "theme", mTheme);
  TextField(out, "atmo", mAtmo);
  IntField(out, "themeOffset", mThemeOffset);
  IntField(out, "fadeInDuration", mFadeIn);
  IntField(out, "fadeOutDuration", mFadeOut);
  IntField(out, "nextScene", mNextScene);
  FlagField(out, "showHintButton", mShowHint);
  FlagField(out, "showDiaryButton", mShowDiary);
  if (!mInitScript.empty()) TextField(out, "initScript", mInitScript);
  if (!mExitScript.empty()) TextField(out, "exitScript", mExitScript);
  for (const auto& [id, exit] : mExits) exit->Serialize(out);
  for (const auto& [id, hotspot] : mHotspots) hotspot->Serialize(out);
  out += "\n";
}
