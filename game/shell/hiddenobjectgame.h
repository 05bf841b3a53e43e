// THiddenObjectGameWindow: the scene window of a hidden-object search. Every hidden object is a
// sprite; a click on a listed one scores and sends it flying to the sidebar, other clicks count as
// misses, the hint circles a still-missing object, and while the miss penalty runs the pointer is
// dragged along a growing spiral. The sidebar shows the list and handles the win.
#pragma once
#include <memory>

#include "core/math.h"
#include "shell/scene.h"

class CHiddenObjectGame;
class TFxHostSprite;
class TSidebarWindow;

class THiddenObjectGameWindow : public TScene {
  TM_CLASS(THiddenObjectGameWindow, TScene)

 public:
  THiddenObjectGameWindow();
  ~THiddenObjectGameWindow() override;
  static TWindow* CreateInstance() { return new THiddenObjectGameWindow; }

  void PostCreate(TWindowStyle& style) override;
  bool Animate() override;
  bool OnMouseDown(TPoint point) override;
  bool OnMouseMove(TPoint point) override;
  bool OnChar(int8_t c) override { return TScene::OnChar(c); }
  bool StartObjectHint() override;

  // Script functions.
  void ResetHOG();
  void AddFixItem(TString name);
  void FillHOGList();
  void SetInventoryOnWon(TString name);

  CHiddenObjectGame* GetModel() const { return mModel; }
  TSidebarWindow* GetSidebar() const { return mSidebar; }
  bool IsObjectHintActive() const { return mHintActive; }
  TPoint GetObjectHintCentre() const { return {mCentreX, mCentreY}; }
  float GetSpiralDegrees() const { return mSpiralDegrees; }

 private:
  CHiddenObjectGame* mModel = nullptr;
  TSidebarWindow* mSidebar = nullptr;  // a child
  bool mHintActive = false;
  float mHintRadius = 80.0f;
  float mHintTimer = 0.0f;
  int32_t mCentreX = 0, mCentreY = 0;
  float mOrbitRadius = 0.0f;
  float mOrbitAngle = 0.0f;
  std::shared_ptr<TFxHostSprite> mEffect;
  TVec2 mEffectPosition;
  float mSpiralDegrees = 0.0f;
};
