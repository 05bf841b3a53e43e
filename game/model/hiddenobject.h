// Hidden-object scene model: the objects hidden in the picture and the list of items to find,
// partly fixed by script, partly drawn at random, with which of them were found. The hidden-object
// window and the sidebar's item list read it; the sidebar builds the list once per visit.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "model/command.h"
#include "model/scene.h"

enum : int32_t { kModelHiddenObject = 8 };

class CHiddenObject : public ISerializable {
 public:
  void Serialize(std::string& out) const override;

  const char* GetId() const { return mId.c_str(); }
  void SetId(std::string v) { mId = std::move(v); }
  const char* GetName() const { return mName.c_str(); }
  void SetName(std::string v) { mName = std::move(v); }
  const char* GetImage() const { return mImage.c_str(); }
  void SetImage(std::string v) { mImage = std::move(v); }
  const char* GetGroupName() const { return mGroupName.c_str(); }
  void SetGroupName(std::string v) { mGroupName = std::move(v); }
  int32_t GetGroupId() const { return mGroupId; }
  void SetGroupId(int32_t v) { mGroupId = v; }
  int32_t GetPositionX() const { return mX; }
  void SetPositionX(int32_t v) { mX = v; }
  int32_t GetPositionY() const { return mY; }
  void SetPositionY(int32_t v) { mY = v; }
  bool IsActive() const { return mActive; }
  void SetActive(bool v) { mActive = v; }
  bool IsVisible() const { return mVisible; }
  void SetVisible(bool v) { mVisible = v; }

  bool DoAction(const std::string& target) { return actionmap::Run(mActions, target); }
  void SetActionMap(ActionMap&& map) { actionmap::MergeInto(mActions, std::move(map)); }
  const ActionMap& GetActionMap() const { return mActions; }

 private:
  std::string mId, mName, mImage, mGroupName;
  int32_t mGroupId = 0;
  int32_t mX = 0, mY = 0;
  bool mActive = true, mVisible = true;
  ActionMap mActions;
};

class CHiddenObjectGame : public CScene {
 public:
  bool IsType(int32_t type) const override { return type == kSceneHiddenObject; }
  void SetObjectActive(const std::string& id, bool active) override;
  void SetObjectVisible(const std::string& id, bool visible) override;
  void Serialize(std::string& out) const override;

  // Objects, by insertion index.
  void AddHiddenObject(std::unique_ptr<CHiddenObject> object);
  int32_t GetObjectCount() const { return static_cast<int32_t>(mObjects.size()); }
  void ResetObjectIterator() { mCursorCount = 0; }
  // The next object; after the last it keeps answering the last, null when there are none.
  CHiddenObject* NextObject();
  CHiddenObject* GetObject(int32_t index) const;
  // The last object with the id.
  CHiddenObject* FindHiddenObject(const std::string& id) const;
  // Null when none has the id.
  const char* GetObjectNameById(const std::string& id) const;
  int32_t GetGroupIdById(const std::string& id) const;
  const char* GetGroupNameByGroupId(int32_t group) const;
  int32_t CountObjectsInGroup(int32_t group) const;

  // The item list.
  int32_t GetItemListCount() const { return mItemListCount; }
  void SetItemListCount(int32_t n) { mItemListCount = n; }
  int32_t GetSTDLeftSideOfActiveSide() const { return mSTDLeftSide; }
  void SetSTDLeftSideOfActiveSide(int32_t v) { mSTDLeftSide = v; }
  void SetFillItemList(int32_t v) { mFillFlag = v; }
  void AddDisplayedItem(const std::string& name);
  // The loader's form for a saved list: every name is taken (and counted), whatever the bound.
  void RestoreDisplayedItem(const std::string& name);
  bool IsItemDisplayed(const std::string& name) const { return mDisplayed.count(name) != 0; }
  // Notifies in every case; true when the name is listed.
  bool MarkItemFound(const std::string& name);
  bool AllItemsFound() const;
  std::string GetRandomPendingItem() const;
  void ClearDisplayedItems() { mDisplayed.clear(); }
  // One text per listed item: the name while pending, "none" once found.
  const std::vector<std::string>& GetItemListSlots();
  const std::vector<std::string>& GetItemListNames();
  bool BuildItemList();
  size_t GetDisplayedCount() const { return mDisplayed.size(); }

  const char* GetHitClickSound() const { return mHitClickSound.c_str(); }
  void SetHitClickSound(std::string v) { mHitClickSound = std::move(v); }
  const char* GetMissClickSound() const { return mMissClickSound.c_str(); }
  void SetMissClickSound(std::string v) { mMissClickSound = std::move(v); }
  const char* GetPickedUpInventoryItemOnWon() const { return mPrize.c_str(); }
  void SetPickedUpInventoryItemOnWon(std::string v) { mPrize = std::move(v); }
  bool HasHitClickSound() const { return !mHitClickSound.empty(); }
  bool HasMissClickSound() const { return !mMissClickSound.empty(); }

 private:
  // The counts that list building and the written length share.
  struct TListCounts {
    uint32_t grouped = 0, alreadyListed = 0, highestGroup = 0;
    std::vector<std::string> candidates;
    std::vector<std::string> groupedIds;
  };
  TListCounts CountForList() const;
  void EmptySlots();

  int32_t mItemListCount = 0;
  int32_t mCursorCount = 0;
  std::string mHitClickSound, mMissClickSound, mPrize;
  std::vector<std::unique_ptr<CHiddenObject>> mObjects;
  std::vector<std::string> mSlots;
  int32_t mAddedCount = 0;
  // The list is kept in name order: stable, and the same on every run.
  std::map<std::string, bool> mDisplayed;  // name -> still pending
  int32_t mSTDLeftSide = -1;
  int32_t mFillFlag = 1;
};
