// TSidebarInventoryWindow: the strip of held items in the sidebar. A click picks an item up onto
// the pointer; the next click drops it on a scene object or hotspot, which runs the item's action
// for that target, or returns it to its slot.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "model/inventory.h"
#include "model/modelbase.h"
#include "ui/window.h"

class CAdventureScreen;
class TScene;
class TSound;
class TSprite;
struct TSpriteEntry;

class TSidebarInventoryWindow : public TWindow, public CObserver {
  TM_CLASS(TSidebarInventoryWindow, TWindow)

 public:
  // Over the scene's adventure model (placing-object or plain), or null.
  explicit TSidebarInventoryWindow(CAdventureScreen* adventure);
  ~TSidebarInventoryWindow() override;

  void Draw() override;
  bool OnMouseDown(TPoint point) override;
  bool OnMouseMove(TPoint point) override;
  void Update(CObservedSubject* subject) override;

  int32_t GetDraggedIndex() const { return mDraggedIndex; }
  size_t GetItemCount() const { return mSprites.size(); }
  // The sprite of slot i (null past the held items).
  TSprite* GetItemSprite(size_t i) const;
  const CInventory& GetInventory() const { return mInventory; }

 private:
  TScene* Owner() const;
  TPoint SlotPosition(size_t index) const;
  int32_t ItemAt(TPoint point) const;
  // The scene object or hotspot under the point; empty when none.
  std::string TargetAt(TPoint point) const;

  CAdventureScreen* mAdventure;
  CInventory mInventory;
  std::vector<std::shared_ptr<TSprite>> mSprites;  // one per held item
  std::shared_ptr<TSprite> mRoot;
  int32_t mDraggedIndex = -1;
  std::shared_ptr<TSound> mCanUseSound, mCanNotUseSound;
};
