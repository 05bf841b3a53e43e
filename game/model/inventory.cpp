// Held inventory and item definitions.
#include "model/inventory.h"

#include "model/savetext.h"

using namespace savetext;

CInventory::CInventory(const CInventory& other)
    : CObservedSubject(other), ISerializable(other), mCursor(other.mCursor), mHeld(other.mHeld) {}

CInventory& CInventory::operator=(const CInventory& other) {
  if (this == &other) return *this;
  CObservedSubject::operator=(other);
  mCursor = other.mCursor;
  mHeld = other.mHeld;
  return *this;
}

void CInventory::AddItem(const std::string& id) {
  mHeld.push_back(id);
  Notify();
}

void CInventory::RemoveItem(const std::string& id) {
  for (size_t i = mHeld.size(); i-- > 0;) {
    if (mHeld[i] != id) continue;
    mHeld.erase(mHeld.begin() + static_cast<ptrdiff_t>(i));
    if (mCursor > i) --mCursor;
    Notify();
    return;
  }
}

const char* CInventory::GetItem(int32_t index) const {
  if (index < 0 || static_cast<size_t>(index) >= mHeld.size()) return nullptr;
  return mHeld[static_cast<size_t>(index)].c_str();
}

const char* CInventory::NextItem() {
  if (mCursor >= mHeld.size()) return nullptr;
  return mHeld[mCursor++].c_str();
}

void CInventory::SetHeld(std::vector<std::string> held) {
  mHeld = std::move(held);
  mCursor = 0;
}

void CInventory::Serialize(std::string& out) const {
  BeginRecord(out, "MakeInventory");
  for (const std::string& id : mHeld) {
    out += '\t';
    AppendQuoted(out, id);
    out += ",\n";
  }
  EndRecord(out, "MakeInventory");
}

bool CInventoryItem::HasAction(const std::string& target) const {
  return !target.empty() && mActions->count(target) != 0;
}

void CInventoryItem::SetActionMap(std::unique_ptr<ActionMap> map) {
  mActions = map ? std::move(map) : std::make_unique<ActionMap>();
}

void CInventoryItem::Serialize(std::string& out) const {
  BeginRecord(out, "MakeInventoryItem");
  TextField(out, "id", mId);
  TextField(out, "name", mName);
  TextField(out, "description", mDescription);
  TextField(out, "image", mImage);
  TextField(out, "pickUpImage", mPickUpImage);
  actionmap::Serialize(*mActions, out);
  EndRecord(out, "MakeInventoryItem");
}
