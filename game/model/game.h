// The game root: levels with their scenes, the item definitions, the held inventory, start and
// current scene, and the sidebar and button settings the screens draw. One instance per loaded
// profile; it writes the whole "gamedata" save text and binds five Lua globals.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "model/inventory.h"
#include "model/modelbase.h"
#include "model/scene.h"
#include "script/scriptbinding.h"

class CLevel : public ISerializable {
 public:
  int32_t GetSeqId() const { return mSeqId; }
  void SetSeqId(int32_t v) { mSeqId = v; }
  const char* GetName() const { return mName.c_str(); }
  void SetName(std::string v) { mName = std::move(v); }

  // Replaces (and deletes) a scene stored under the same seqId.
  void AddScene(std::unique_ptr<CScene> scene);
  CScene* GetScene(int32_t seqId) const;
  void RemoveScene(int32_t seqId);
  size_t GetSceneCount() const { return mScenes.size(); }
  const std::map<int32_t, std::unique_ptr<CScene>>& GetScenes() const { return mScenes; }
  CSceneExit* FindSceneExit(const std::string& id) const;
  CSceneHotspot* FindSceneHotspot(const std::string& id) const;
  void SetObjectActive(const std::string& name, bool active);
  void SetObjectVisible(const std::string& name, bool visible);

  void Serialize(std::string& out) const override;

 private:
  int32_t mSeqId = 0;
  std::string mName;
  std::map<int32_t, std::unique_ptr<CScene>> mScenes;
};

// From a scene, the exit with this id leads towards that scene.
struct THintRoute {
  std::string targetScene;
  std::string exitId;
};

class CGame : public ISerializable {
 public:
  // Creates the root unless one exists.
  static CGame* CreateInstance();
  static CGame* GetInstance();
  static void DestroyInstance();

  ~CGame() override;
  CGame(const CGame&) = delete;
  CGame& operator=(const CGame&) = delete;

  // Levels and scenes.
  void AddLevel(std::unique_ptr<CLevel> level);
  void RemoveLevel(int32_t seqId);
  CLevel* GetLevel(int32_t seqId) const;
  const std::map<int32_t, std::unique_ptr<CLevel>>& GetLevels() const { return mLevels; }
  CScene* FindScene(int32_t sceneId) const;
  int32_t GetLevelIdOfScene(int32_t sceneId) const;
  CSceneExit* FindSceneExit(const std::string& id) const;
  CSceneHotspot* FindSceneHotspot(const std::string& id) const;
  CScene* GetCurrentScene() const { return FindScene(mCurrentScene); }

  // Item definitions and the held inventory.
  void AddInventoryItemDefinition(std::unique_ptr<CInventoryItem> item);
  void RemoveInventoryItemDefinition(const std::string& id);
  CInventoryItem* GetInventoryItem(const std::string& id) const;
  CInventory& GetInventory() { return mInventory; }
  void AddToInventory(const std::string& id) { mInventory.AddItem(id); }
  void RemoveFromInventory(const std::string& id) { mInventory.RemoveItem(id); }
  // Takes the held items of a built inventory.
  void SetInventory(const CInventory& inventory) { mInventory.SetHeld(inventory.GetHeld()); }

  // The hint tables.
  const std::map<std::string, std::vector<THintRoute>>& GetHintRoutes() const { return mHintRoutes; }
  const std::map<std::string, std::vector<int32_t>>& GetLocationScenes() const { return mLocationScenes; }
  void AddLocationScene(const std::string& location, int32_t sceneId);
  // The location whose list holds the scene, or empty.
  std::string GetLocationOfScene(int32_t sceneId) const;

  // Lua globals.
  int32_t GetCurrentLevel();
  TString GetInventoryItemDescription(TString id);
  TString GetInventoryItemPickupImage(TString id);
  void SetActive(TString name, bool active);
  void SetVisible(TString name, bool visible);

  // The whole save text of the game.
  void Serialize(std::string& out) const override;

  // Fields.
  const char* GetName() const { return mName.c_str(); }
  void SetName(std::string v) { mName = std::move(v); }
  int32_t GetStartScene() const { return mStartScene; }
  // Also makes it the current scene while none is set.
  void SetStartScene(int32_t v);
  int32_t GetCurrentSceneId() const { return mCurrentScene; }
  void SetCurrentScene(int32_t v) { mCurrentScene = v; }
  int32_t GetSundialShadowCount() const { return mSundialShadowCount; }
  void SetSundialShadowCount(int32_t v) { mSundialShadowCount = v; }
  const char* GetSundialShadowSprite() const { return mSundialShadowSprite.c_str(); }
  void SetSundialShadowSprite(std::string v) { mSundialShadowSprite = std::move(v); }
  const char* GetSundialPoleSprite() const { return mSundialPoleSprite.c_str(); }
  void SetSundialPoleSprite(std::string v) { mSundialPoleSprite = std::move(v); }
  int32_t GetHintCount() const { return mHintCount; }
  void SetHintCount(int32_t v) { mHintCount = v; }
  const char* GetHintSprite() const { return mHintSprite.c_str(); }
  void SetHintSprite(std::string v) { mHintSprite = std::move(v); }

  // The skip and menu buttons of the mini-games share one shape.
  struct TButton {
    int32_t posX = 0, posY = 0;
    std::string graphic, fontType;
    int32_t fontSize = 0, fontColorR = 0, fontColorG = 0, fontColorB = 0;
  };
  int32_t GetMiniGameSkipButtonPosX() const { return mSkipButton.posX; }
  void SetMiniGameSkipButtonPosX(int32_t v) { mSkipButton.posX = v; }
  int32_t GetMiniGameSkipButtonPosY() const { return mSkipButton.posY; }
  void SetMiniGameSkipButtonPosY(int32_t v) { mSkipButton.posY = v; }
  int32_t GetMiniGameSkipButtonFontSize() const { return mSkipButton.fontSize; }
  void SetMiniGameSkipButtonFontSize(int32_t v) { mSkipButton.fontSize = v; }
  int32_t GetMiniGameSkipButtonFontColorR() const { return mSkipButton.fontColorR; }
  void SetMiniGameSkipButtonFontColorR(int32_t v) { mSkipButton.fontColorR = v; }
  int32_t GetMiniGameSkipButtonFontColorG() const { return mSkipButton.fontColorG; }
  void SetMiniGameSkipButtonFontColorG(int32_t v) { mSkipButton.fontColorG = v; }
  int32_t GetMiniGameSkipButtonFontColorB() const { return mSkipButton.fontColorB; }
  void SetMiniGameSkipButtonFontColorB(int32_t v) { mSkipButton.fontColorB = v; }
  const char* GetMiniGameSkipButtonGraphic() const { return mSkipButton.graphic.c_str(); }
  void SetMiniGameSkipButtonGraphic(std::string v) { mSkipButton.graphic = std::move(v); }
  const char* GetMiniGameSkipButtonFontType() const { return mSkipButton.fontType.c_str(); }
  void SetMiniGameSkipButtonFontType(std::string v) { mSkipButton.fontType = std::move(v); }
  int32_t GetMiniGameMenuButtonPosX() const { return mMenuButton.posX; }
  void SetMiniGameMenuButtonPosX(int32_t v) { mMenuButton.posX = v; }
  int32_t GetMiniGameMenuButtonPosY() const { return mMenuButton.posY; }
  void SetMiniGameMenuButtonPosY(int32_t v) { mMenuButton.posY = v; }
  int32_t GetMiniGameMenuButtonFontSize() const { return mMenuButton.fontSize; }
  void SetMiniGameMenuButtonFontSize(int32_t v) { mMenuButton.fontSize = v; }
  int32_t GetMiniGameMenuButtonFontColorR() const { return mMenuButton.fontColorR; }
  void SetMiniGameMenuButtonFontColorR(int32_t v) { mMenuButton.fontColorR = v; }
  int32_t GetMiniGameMenuButtonFontColorG() const { return mMenuButton.fontColorG; }
  void SetMiniGameMenuButtonFontColorG(int32_t v) { mMenuButton.fontColorG = v; }
  int32_t GetMiniGameMenuButtonFontColorB() const { return mMenuButton.fontColorB; }
  void SetMiniGameMenuButtonFontColorB(int32_t v) { mMenuButton.fontColorB = v; }
  const char* GetMiniGameMenuButtonGraphic() const { return mMenuButton.graphic.c_str(); }
  void SetMiniGameMenuButtonGraphic(std::string v) { mMenuButton.graphic = std::move(v); }
  const char* GetMiniGameMenuButtonFontType() const { return mMenuButton.fontType.c_str(); }
  void SetMiniGameMenuButtonFontType(std::string v) { mMenuButton.fontType = std::move(v); }
  TButton& GetMiniGameSkipButton() { return mSkipButton; }
  TButton& GetMiniGameMenuButton() { return mMenuButton; }
  const TButton& GetMiniGameSkipButton() const { return mSkipButton; }
  const TButton& GetMiniGameMenuButton() const { return mMenuButton; }
  int32_t GetCutsceneSkipButtonPosX() const { return mCutsceneSkipX; }
  int32_t GetCutsceneSkipButtonPosY() const { return mCutsceneSkipY; }
  void SetCutsceneSkipButtonPosX(int32_t v) { mCutsceneSkipX = v; }
  void SetCutsceneSkipButtonPosY(int32_t v) { mCutsceneSkipY = v; }
  const char* GetCutsceneSkipButtonGraphic() const { return mCutsceneSkipGraphic.c_str(); }
  void SetCutsceneSkipButtonGraphic(std::string v) { mCutsceneSkipGraphic = std::move(v); }
  const char* GetCanUseItemSound() const { return mCanUseItemSound.c_str(); }
  void SetCanUseItemSound(std::string v) { mCanUseItemSound = std::move(v); }
  const char* GetCanNotUseItemText() const { return mCanNotUseItemText.c_str(); }
  void SetCanNotUseItemText(std::string v) { mCanNotUseItemText = std::move(v); }
  const char* GetCanNotUseItemSound() const { return mCanNotUseItemSound.c_str(); }
  void SetCanNotUseItemSound(std::string v) { mCanNotUseItemSound = std::move(v); }

 private:
  CGame();

  std::map<std::string, std::vector<int32_t>> mLocationScenes;
  std::map<std::string, std::vector<THintRoute>> mHintRoutes;
  std::string mName;
  std::map<int32_t, std::unique_ptr<CLevel>> mLevels;
  std::map<std::string, std::unique_ptr<CInventoryItem>> mItems;
  int32_t mStartScene = -1;
  int32_t mCurrentScene = -1;
  CInventory mInventory;
  int32_t mSundialShadowCount = 0;
  std::string mSundialShadowSprite, mSundialPoleSprite;
  int32_t mHintCount = 0;
  std::string mHintSprite;
  TButton mSkipButton, mMenuButton;
  int32_t mCutsceneSkipX = 0, mCutsceneSkipY = 0;
  std::string mCutsceneSkipGraphic;
  std::string mCanUseItemSound, mCanNotUseItemText, mCanNotUseItemSound;
  TScriptBindings mBindings;
};
