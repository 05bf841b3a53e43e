// Hidden objects, the item list and its random filling.
#include "model/hiddenobject.h"

#include <algorithm>
#include <cstdlib>

#include "model/modelscript.h"
#include "model/savetext.h"

using namespace savetext;

static const char* const kNone = "none";

void CHiddenObject::Serialize(std::string& out) const {
  BeginRecord(out, "MakeHiddenObject");
  TextField(out, "id", mId);
  TextField(out, "name", mName);
  IntField(out, "positionX", mX);
  IntField(out, "positionY", mY);
  TextField(out, "image", mImage);
  FlagField(out, "isActive", mActive);
  FlagField(out, "isVisible", mVisible);
  if (mGroupId > 0) {
    TextField(out, "groupName", mGroupName);
    IntField(out, "groupId", mGroupId);
  }
  actionmap::Serialize(mActions, out);
  EndRecord(out, "MakeHiddenObject");
}

void CHiddenObjectGame::AddHiddenObject(std::unique_ptr<CHiddenObject> object) {
  if (object) mObjects.push_back(std::move(object));
}

CHiddenObject* CHiddenObjectGame::NextObject() {
  if (mObjects.empty()) return nullptr;
  if (mCursorCount == 0) {
    mCursorCount = 1;
  } else if (mCursorCount < GetObjectCount()) {
    ++mCursorCount;
  }
  return mObjects[size_t(mCursorCount - 1)].get();
}

CHiddenObject* CHiddenObjectGame::GetObject(int32_t index) const {
  return index >= 0 && index < GetObjectCount() ? mObjects[size_t(index)].get() : nullptr;
}

CHiddenObject* CHiddenObjectGame::FindHiddenObject(const std::string& id) const {
  CHiddenObject* found = nullptr;
  for (const auto& object : mObjects) {
    if (id == object->GetId()) found = object.get();
  }
  return found;
}

void CHiddenObjectGame::SetObjectActive(const std::string& id, bool active) {
  if (CHiddenObject* object = FindHiddenObject(id)) object->SetActive(active);
}

void CHiddenObjectGame::SetObjectVisible(const std::string& id, bool visible) {
  if (CHiddenObject* object = FindHiddenObject(id)) object->SetVisible(visible);
}

const char* CHiddenObjectGame::GetObjectNameById(const std::string& id) const {
  for (const auto& object : mObjects) {
    if (id == object->GetId()) return object->GetName();
  }
  return nullptr;
}

int32_t CHiddenObjectGame::GetGroupIdById(const std::string& id) const {
  for (const auto& object : mObjects) {
    if (id == object->GetId()) return object->GetGroupId();
  }
  return 0;
}

const char* CHiddenObjectGame::GetGroupNameByGroupId(int32_t group) const {
  if (group <= 0) return "";
  for (const auto& object : mObjects) {
    if (object->GetGroupId() == group) return object->GetGroupName();
  }
  return "";
}

int32_t CHiddenObjectGame::CountObjectsInGroup(int32_t group) const {
  return static_cast<int32_t>(std::count_if(mObjects.begin(), mObjects.end(),
                                            [&](const auto& o) { return o->GetGroupId() == group; }));
}

void CHiddenObjectGame::AddDisplayedItem(const std::string& name) {
  if (mAddedCount >= std::min(mItemListCount, GetObjectCount())) return;
  ++mAddedCount;
  mDisplayed.emplace(name, true);
}

void CHiddenObjectGame::RestoreDisplayedItem(const std::string& name) {
  ++mAddedCount;
  mDisplayed.emplace(name, true);
}

bool CHiddenObjectGame::MarkItemFound(const std::string& name) {
  auto it = mDisplayed.find(name);
  const bool matched = it != mDisplayed.end();
  if (matched) it->second = false;
  Notify();
  if (AllItemsFound()) EmptySlots();
  return matched;
}

bool CHiddenObjectGame::AllItemsFound() const {
  return std::none_of(mDisplayed.begin(), mDisplayed.end(), [](const auto& e) { return e.second; });
}

std::string CHiddenObjectGame::GetRandomPendingItem() const {
  if (AllItemsFound()) return kNone;
  std::srand(static_cast<unsigned>(ModelNow()));
  for (;;) {
    auto it = mDisplayed.begin();
    std::advance(it, std::rand() % static_cast<int>(mDisplayed.size()));
    if (it->second) return it->first;
  }
}

// Each removal also lowers the added count, as the list has always done.
void CHiddenObjectGame::EmptySlots() {
  while (!mSlots.empty()) {
    mSlots.pop_back();
    --mAddedCount;
  }
}

const std::vector<std::string>& CHiddenObjectGame::GetItemListSlots() {
  EmptySlots();
  for (const auto& [name, pending] : mDisplayed) mSlots.push_back(pending ? name : kNone);
  return mSlots;
}

const std::vector<std::string>& CHiddenObjectGame::GetItemListNames() {
  EmptySlots();
  for (const auto& [name, pending] : mDisplayed) mSlots.push_back(name);
  return mSlots;
}

CHiddenObjectGame::TListCounts CHiddenObjectGame::CountForList() const {
  TListCounts c;
  for (const auto& object : mObjects) {
    if (object->GetGroupId() != 0) {
      ++c.grouped;
      c.highestGroup = std::max(c.highestGroup, static_cast<uint32_t>(object->GetGroupId()));
      c.groupedIds.push_back(object->GetId());
    } else if (IsItemDisplayed(object->GetId())) {
      ++c.alreadyListed;
    } else if (object->IsActive()) {
      c.candidates.push_back(object->GetId());
    }
  }
  return c;
}

// The counts are taken as signed 64-bit values: a list already longer than wanted draws nothing,
// and the list is never shorter than the grouped objects it must hold.
bool CHiddenObjectGame::BuildItemList() {
  if ((mFillFlag & 0xFF) != 1) return true;
  TListCounts c = CountForList();
  const int64_t free = int64_t(mItemListCount) - c.alreadyListed;
  const int64_t candidates = static_cast<int64_t>(c.candidates.size());
  int64_t randomCount = candidates;
  if (free < candidates + c.highestGroup) randomCount = std::max<int64_t>(0, free - c.highestGroup);
  const int64_t n = randomCount + c.grouped;
  std::vector<std::string> list(static_cast<size_t>(n), kNone);
  for (size_t i = 0; i < c.groupedIds.size(); ++i) list[list.size() - 1 - i] = c.groupedIds[i];

  std::srand(static_cast<unsigned>(ModelNow()));
  for (int64_t remaining = randomCount; remaining > 0 && !c.candidates.empty(); --remaining) {
    const size_t pick = static_cast<size_t>(std::rand()) % c.candidates.size();
    int64_t k = std::rand() % remaining + 1;
    for (std::string& entry : list) {
      if (entry == kNone && --k == 0) {
        entry = c.candidates[pick];
        break;
      }
    }
    c.candidates.erase(c.candidates.begin() + static_cast<ptrdiff_t>(pick));
  }
  for (const std::string& name : list) {
    if (!IsItemDisplayed(name)) mDisplayed.emplace(name, true);
  }
  return true;
}

static void AppendNameList(std::string& out, const char* name, const std::vector<std::string>& names) {
  out += "\n";
  out += name;
  out += "\n{\n";
  for (const std::string& n : names) {
    AppendQuoted(out, n);
    out += ",\n";
  }
  EndRecord(out, name);
}

void CHiddenObjectGame::Serialize(std::string& out) const {
  BeginRecord(out, "MakeHiddenObjectGame");
  SerializeCommon(out);
  // The wanted length as it is: a length computed from the list would grow by the number of
  // grouped objects beyond their groups at every save and load.
  UintField(out, "itemListCount", static_cast<uint32_t>(mItemListCount));
  TextField(out, "hitClickSound", mHitClickSound);
  TextField(out, "missClickSound", mMissClickSound);
  TextField(out, "pickedUpInventoryItemOnWon", mPrize);
  std::vector<std::string> listed, found;
  for (const auto& [name, pending] : mDisplayed) {
    listed.push_back(name);
    if (!pending) found.push_back(name);
  }
  if (!listed.empty()) AppendNameList(out, "MakeFixItems", listed);
  if (!found.empty()) AppendNameList(out, "MakeFoundItems", found);
  for (const auto& object : mObjects) object->Serialize(out);
  EndRecord(out, "MakeHiddenObjectGame");
}
