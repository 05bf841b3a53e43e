// The player's held items (CInventory: item ids in the order they were taken, duplicates allowed)
// and the item definitions (CInventoryItem: texts, images and the scripts run when the item is
// used on a target). The sidebar observes the held inventory.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/command.h"
#include "model/modelbase.h"

class CInventory : public CObservedSubject, public ISerializable {
 public:
  CInventory() = default;
  // Copies observers (unless the same object), cursor, held ids and count.
  CInventory(const CInventory& other);
  CInventory& operator=(const CInventory& other);

  // Appends and notifies.
  void AddItem(const std::string& id);
  // Removes the last entry equal to the id and notifies; nothing (and no one told) when absent.
  void RemoveItem(const std::string& id);
  int32_t GetCount() const { return static_cast<int32_t>(mHeld.size()); }
  // The id at the position, or null outside the list.
  const char* GetItem(int32_t index) const;
  void ResetItemIterator() { mCursor = 0; }
  bool HasNextItem() const { return mCursor < mHeld.size(); }
  const char* NextItem();
  // Replaces the held ids (the loader hands over a built list).
  void SetHeld(std::vector<std::string> held);
  const std::vector<std::string>& GetHeld() const { return mHeld; }

  void Serialize(std::string& out) const override;

 private:
  size_t mCursor = 0;
  std::vector<std::string> mHeld;
};

class CInventoryItem : public ISerializable {
 public:
  CInventoryItem() : mActions(std::make_unique<ActionMap>()) {}

  const char* GetId() const { return mId.c_str(); }
  void SetId(std::string v) { mId = std::move(v); }
  const char* GetName() const { return mName.c_str(); }
  void SetName(std::string v) { mName = std::move(v); }
  const char* GetDescription() const { return mDescription.c_str(); }
  void SetDescription(std::string v) { mDescription = std::move(v); }
  const char* GetImage() const { return mImage.c_str(); }
  void SetImage(std::string v) { mImage = std::move(v); }
  const char* GetPickUpImage() const { return mPickUpImage.c_str(); }
  void SetPickUpImage(std::string v) { mPickUpImage = std::move(v); }

  // False for the empty target.
  bool HasAction(const std::string& target) const;
  bool DoAction(const std::string& target) { return actionmap::Run(*mActions, target); }
  void SetActionMap(std::unique_ptr<ActionMap> map);
  const ActionMap& GetActionMap() const { return *mActions; }

  void Serialize(std::string& out) const override;

 private:
  std::string mId, mName, mDescription, mImage, mPickUpImage;
  std::unique_ptr<ActionMap> mActions;
};
