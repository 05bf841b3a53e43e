// TSidebarWindow: the bar along the bottom of the adventure, placing-object and hidden-object
// screens. It holds the diary, menu, help and hint buttons, the hint refill gauge and the sundial
// shadow, and either the strip of held items (its child TSidebarInventoryWindow) or the list of
// objects still to find. It observes the held inventory or the hidden-object game and redraws its
// item area on every notification.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "core/clock.h"
#include "core/string.h"
#include "model/modelbase.h"
#include "ui/window.h"

class CAdventureScreen;
class CHiddenObjectGame;
class TScene;
class TSidebarInventoryWindow;
class TSound;
class TSpriteWindow;

// What the sidebar's item area shows and what its hint does.
enum : int32_t { kSidebarPlacing = 0, kSidebarAdventure = 1, kSidebarHiddenObject = 2 };

class TSidebarWindow : public TWindow, public CObserver {
  TM_CLASS(TSidebarWindow, TWindow)

 public:
  explicit TSidebarWindow(int32_t mode);
  ~TSidebarWindow() override;
  // The registered creator builds the hidden-object form.
  static TWindow* CreateInstance() { return new TSidebarWindow(kSidebarHiddenObject); }

  void Init(TWindowStyle& style) override;
  bool Animate() override;
  bool OnMouseDown(TPoint point) override;
  bool OnMouseMove(TPoint point) override;
  void Update(CObservedSubject* subject) override;

  // Starts the per-frame update once the sidebar hangs in its scene window.
  void StartUpdates();
  void SetHintButtonVisible(bool visible);
  void SetDiaryButtonVisible(bool visible);

  int32_t GetMode() const { return mMode; }
  TSpriteWindow* GetSpriteWindow() const { return mSpriteWindow; }
  TSidebarInventoryWindow* GetItemsWindow() const { return mItemsWindow; }
  const std::vector<TWindow*>& GetItemWindows() const { return mItemWindows; }
  bool IsHintAvailable() const;

 private:
  TScene* Owner() const;
  void AddButton(const char* name, const TString& image, int32_t x, int32_t y, int32_t layer, bool clickable);
  void StartGlow(const char* name);
  void StopGlow(const char* name);
  void PlayHintSound();
  void BuildItemList();
  void RefreshItemList();
  void Win();
  void ShowPrizeWindow();
  TString GroupText(int32_t group);

  CHiddenObjectGame* mHiddenObjectGame = nullptr;
  CAdventureScreen* mAdventureScreen = nullptr;
  CObservedSubject* mObserved = nullptr;
  std::map<TString, TWindow*> mItemTexts;    // entries not struck yet
  std::map<int32_t, TWindow*> mGroupTexts;
  std::map<TString, int32_t> mEntryGroups;   // entry name -> group id (0: ungrouped)
  std::vector<TWindow*> mItemWindows;        // children, in list order
  int32_t mMode;
  std::shared_ptr<TSound> mHintSound;
  TSpriteWindow* mSpriteWindow = nullptr;    // child "animationWindow"
  TSidebarInventoryWindow* mItemsWindow = nullptr;
  TClock mDiaryGlowClock, mHintGlowClock;
  uint32_t mLastRefillTime = uint32_t(-1);
  bool mWon = false;
  bool mBuilding = false;         // the list is being built with the window
  bool mPrizeWindowOwed = false;  // the prize window opens with the next frame
};
