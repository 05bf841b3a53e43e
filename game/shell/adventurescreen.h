// TAdventureScreenWindow: the scene window of an adventure location (and of the placing-object game
// built on it). It shows the scene objects and exit pictures as sprites, looks at, uses and picks up
// objects, runs hotspot scripts, fades objects out on request, draws the free text boxes and
// creates the sidebar with the item strip. It observes its scene model.
#pragma once
#include <string>
#include <vector>

#include "shell/scene.h"

class CAdventureScreen;
class TSidebarWindow;

class TAdventureScreenWindow : public TScene {
  TM_CLASS(TAdventureScreenWindow, TScene)

 public:
  TAdventureScreenWindow();
  ~TAdventureScreenWindow() override;
  static TWindow* CreateInstance() { return new TAdventureScreenWindow; }

  void PostCreate(TWindowStyle& style) override;
  bool Animate() override;
  bool OnMouseDown(TPoint point) override;
  bool OnMouseMove(TPoint point) override;
  void AddInventoryItem(TString id) override;
  void RemoveInventoryItem(TString id) override;
  void SetSceneObjectVisible(const TString& name, bool visible) override;
  void SetSceneObjectActive(const TString& name, bool active) override;
  void Update(CObservedSubject* subject) override;

  // Script functions.
  void SetTimesPickable(TString name, int32_t count);
  void FadeOut(TString name);
  void SetTextForSceneObject(TString name, TString text);

  CAdventureScreen* GetModel() const { return mModel; }
  TSidebarWindow* GetSidebar() const { return mSidebar; }

 private:
  // An object fading from the picture; the model already has it hidden, so a save made while
  // it fades (or while a window holds the scene still) never keeps it in the picture.
  struct TFade {
    std::string name;
    float alpha;
  };
  const TFade* FindFade(const std::string& name) const;

  CAdventureScreen* mModel = nullptr;
  std::vector<TFade> mFadeQueue;
  TSidebarWindow* mSidebar = nullptr;  // a child
};
