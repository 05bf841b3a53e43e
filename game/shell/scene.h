// TScene: the window that shows one scene of the game model. It draws the background, turns clicks
// on exits into scene changes, picks the cursor over exits, fades in when it opens and out when the
// player leaves, shows the short-text and info boxes, blocks input on request, glows exits, plays
// the ambient sound and stages the queued presentations (briefing texts, letterbox bars, in-game
// objects, bonus texts). The adventure, chapter, cutscene and hidden-object screens derive from it.
// Its per-frame update lives in sceneanimate.cpp, its script functions in scenescript.cpp.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/math.h"
#include "core/string.h"
#include "model/modelbase.h"
#include "shell/fadeinout.h"

class TAnimationPlayer;
class CScene;
class CSceneHotspot;
class TFxHostSprite;
class TFxSprite;
class TSpriteWindow;
class TImage;
class TSound;
class TSprite;
class TTexture;
struct lua_State;

// Cursor kinds of the scene screens.
enum : int32_t {
  kCursorReset = 1,  // nothing set: the next move chooses anew
  kCursorActive = 2,
  kCursorLook = 3,
  kCursorUse = 4,
  kCursorExit = 5,
  kCursorHotspot = 6,
  kCursorActiveRed = 7,
  kCursorInactive = 8,
};

// Ids of the scene's sprite entries, telling a click handler what was hit.
enum : int32_t { kEntrySceneObject = 22, kEntryExitImage = 24, kEntryInGameObject = 27 };

// One in-game object shown over the scene: an image with an optional caption, timed on the scene
// clock, which may be clicked and then fades.
struct TSceneTimedText {
  TString name;
  int32_t width = 0, height = 0;
  int32_t x = 0, y = 0;
  TString text;
  uint32_t startTime = 0;
  uint32_t duration = 0;
  bool clickable = false, clickInsideOnly = false, keepOnClick = false;
  TClock clock;
  bool started = false, finished = false, clicked = false;
};

class TScene : public TFadeInOutInterface, public CObserver {
  TM_CLASS(TScene, TFadeInOutInterface)

 public:
  TScene();
  ~TScene() override;
  static TWindow* CreateInstance() { return new TScene; }

  // ---- window operations ----
  void Init(TWindowStyle& style) override;
  void PostCreate(TWindowStyle& style) override;
  void Draw() override;
  bool Animate() override;
  bool OnMouseDown(TPoint point) override;
  bool OnMouseMove(TPoint point) override;
  bool OnChar(int8_t c) override;
  void Update(CObservedSubject*) override {}

  // ---- scene operations (derived screens override these) ----
  virtual void Skip();
  virtual void AddInventoryItem(TString id);
  virtual void RemoveInventoryItem(TString id);
  virtual void SetSceneObjectVisible(const TString&, bool) {}
  virtual void SetSceneObjectActive(const TString&, bool) {}
  virtual void OnFadeInCompleted();
  virtual void OnFadeOutCompleted();
  // The sidebar's hint in a hidden-object scene; other scenes have none.
  // Starts the hidden-object hint; false when nothing is shown (one runs already, none is missing).
  virtual bool StartObjectHint() { return false; }

  // ---- shared with the derived screens and the sidebar ----
  CScene* GetSceneModel() const { return mScene; }
  void SendGameMessage(TString name);
  void BlockInput(int32_t delay, int32_t length);
  bool IsInputBlocked() const { return mInputBlocked; }
  void ResumePlay();
  CSceneHotspot* FindHotspotAt(TPoint point) const;
  void PlaySceneSound(const TString& name, bool stopFirst, bool play, bool flag);
  // Loads a scene sound under `key` from `file` (group 1000, not streamed) unless present.
  std::shared_ptr<TSound> GetSceneSound(const TString& key, const TString& file);
  void SetCursor(int32_t kind);
  int32_t GetCursorKind() const { return mCursorKind; }
  void ShowShortText(const TString& text);
  void ShowBonusText(TPoint point, int32_t points);
  void ShowBriefingText(size_t index);
  // The label's text from the platform's string table (the label itself without one).
  static TString LookUpLabel(const TString& label);
  // True once PostCreate finished and while no scene change has begun.
  bool CanUseExits() const { return mExitsUsable && !mLeaving; }
  bool IsLeaving() const { return mLeaving; }
  float GetTransitionAlpha() const { return mTransitionAlpha; }
  TClock& GetSceneClock() { return mSceneClock; }
  // The picture of an image name: an animated texture, played on the scene's clock, when an
  // animation description ("<name>.xml" or "<name>.anm") names it; else the still picture.
  std::shared_ptr<TTexture> GetSceneTexture(const char* image);
  size_t GetAnimationCount() const { return mAnimations.size(); }
  // The scene's sprites (child "spriteWindow"), drawn over the background.
  TSpriteWindow* GetSpriteWindow() const { return mSpriteWindow; }
  bool IsLetterboxIn() const { return mBarsIn; }
  size_t GetBonusTextCount() const { return mBonusTexts.size(); }
  const std::vector<TSceneTimedText>& GetInGameObjects() const { return mInGameObjects; }
  bool IsHintActive() const { return mHintActive; }
  TPoint GetHintCentre() const { return {mHintX, mHintY}; }
  // The hint sparkle's orbit: its clock grows by the step each frame, the angle is the clock
  // times 360 degrees, and the sparkle shows until the clock reaches the end: two whole turns
  // round the point, slow enough to follow with the eye.
  static constexpr float kHintOrbitStep = 0.008f;
  static constexpr float kHintOrbitEnd = 2.0f;
  // The sparkle's place on its orbit at clock `t`.
  static TVec2 HintOrbitPoint(int32_t x, int32_t y, float radius, float t);
  // The exit id the hint route search answers from `start` towards `target` (empty: none).
  static std::string FindHintTarget(const std::vector<std::string>& visited, const std::string& start,
                                    const std::string& target);
  // Screen pixel of the hint sparkle for an exit: the crossing of its diagonals.
  static TPoint ExitCentre(const class CSceneExit& exit);

  // ---- script functions (the 42 globals) ----
  void ResetInventory();
  void SetTextForInventoryItem(TString id, TString text);
  void SetTextForHotspot(TString name, TString text);
  void SetTextForExit(TString name, TString text);
  void StartInGameCutscene(int32_t delay, int32_t hold);
  void ShowInGameObjectPartOne(TString label, int32_t x, int32_t y, TString image);
  void ShowInGameObjectPartTwo(int32_t delay, int32_t duration, bool clickable, bool insideOnly, bool keep);
  void ShowBriefingWindow(TString label, int32_t delay, int32_t time, bool advanceOnClick);
  void ShowInfoText(TString label);
  void SetActiveHotspot(TString name, bool active);
  void SetActiveExit(TString name, bool active);
  void SetExit(TString name, int32_t sceneId);
  void PlaySoundSFX(TString name);
  void ShowBonusAsTextInSidebar(int32_t points);
  void ShowBonusAsTextOnMousePos(int32_t points);
  void SetNextScene(int32_t sceneId);
  void ShowHint(TString target, int32_t x, int32_t y);
  void SetTutorialImage(TString image);
  void SetTutorialText(TString label);
  void SetTutorialVisible(bool visible);
  void SetTutorialTextPosition(int32_t x, int32_t y, int32_t width, int32_t height);
  void SetTutorialTextColor(float red, float green, float blue, float alpha);
  void AddDiaryNewChapter();
  void AddDiaryConstantText(int32_t page, TString text, int32_t size, TString font, int32_t x, int32_t y);
  void AddDiaryConstantImage(int32_t page, TString image, int32_t x, int32_t y);
  void AddDiaryConstantSiteEnd(int32_t page);
  void AddDiaryText(TString text, int32_t size, TString font, int32_t x, int32_t y);
  void AddDiaryImage(TString image, int32_t x, int32_t y);
  void AddDiarySiteEnd();
  uint32_t GetDiaryCurrentSitePosX();
  uint32_t GetDiaryNextFreePosY();
  uint32_t GetDiaryInsertSite();
  void SetTransitionAlpha(float alpha);
  void SetDiaryButtonVisibleInModel(bool visible);
  void SetHintButtonVisibleInModel(bool visible);
  void StartGlowExit(TString id);

 protected:
  lua_State* ScriptState() const;
  // Binds a global of this window; it dies with the window.
  template <class Obj, class R, class... A>
  void BindGlobal(const char* name, Obj* object, R (Obj::*function)(A...));
  void StopExitGlows();
  void StartExitGlows();
  // Runs a script text for this window through the window manager.
  void RunScriptText(const TString& text);
  int32_t ConfigInt(const char* key) const;
  float ConfigFloat(const char* key) const;
  TImage* FindImage(const char* name);
  TWindow* FindText(const char* name);

  CScene* mScene = nullptr;
  bool mExitsUsable = false;
  bool mLeaving = false;
  int32_t mCursorKind = 0;
  TClock mSceneClock;

 private:
  void RegisterScriptFunctions();
  void AnimateAmbient();
  void AnimateHint();
  void AnimateFade();
  void AnimateExitGlows();
  void AnimateInputBlock();
  void AnimateShortText();
  void AnimateInGameObjects();
  void AnimateBriefing();
  void AnimateLetterbox();
  void AnimateBonusTexts();
  void AnimateButtonCursor();
  void AnimateTextures();
  void SetBlockedCursor();
  void AddTextChild(TWindow* child);

  TSpriteWindow* mSpriteWindow = nullptr;  // a child
  bool mButtonCursor = false;  // the pointer shows the button kind because it rests on a button
  float mTransitionAlpha = 1.0f;
  int32_t mFrameCounter = 0;
  bool mFadeInSent = false, mFadeOutSent = false;
  std::map<TString, std::shared_ptr<TSound>> mSounds;
  TClock mAmbientClock;
  uint32_t mNextAmbientTime = 0;
  TClock mShortTextClock;
  float mShortTextAlpha = 0.0f;
  float mShortTextFadeModifier = 0.0f;
  int32_t mInfoWidth = 0, mInfoHeight = 0, mInfoX = 128, mInfoY = 580;
  float mInfoAlpha = 0.0f;
  float mInfoFadeStep = 0.03f;
  TClock mInfoClock;
  bool mInfoShown = false, mInfoDismissed = false;
  bool mLetterboxClicked = false;

  // In-game objects and the indices of those on screen.
  std::vector<TSceneTimedText> mInGameObjects;
  std::vector<std::unique_ptr<TAnimationPlayer>> mAnimations;
  std::vector<uint32_t> mShownObjects;
  // Briefing queue.
  struct TBriefing {
    TString text;
    uint32_t start = 0, display = 0;
    bool finished = false, shown = false, advanceOnClick = false;
  };
  std::vector<TBriefing> mBriefings;
  size_t mBriefingIndex = 0;
  bool mBriefingPending = false;
  // Letterbox queue.
  struct TLetterbox {
    uint32_t start = 0, hold = 0;
    bool slidIn = false, slidOut = false;
  };
  std::vector<TLetterbox> mLetterboxes;
  size_t mLetterboxIndex = 0;
  bool mLetterboxPending = false;
  bool mBarsIn = false;
  TClock mLetterboxClock;
  // Bonus texts and their alphas.
  std::vector<std::pair<TWindow*, float>> mBonusTexts;

  bool mInputBlocked = false;
  int32_t mBlockStart = 0, mBlockLength = 0;
  TClock mBlockClock;

  std::shared_ptr<TFxHostSprite> mSparkle;
  int32_t mHintX = 0, mHintY = 0;
  float mHintRadius = 80.0f, mHintAngle = 0.0f, mHintTimer = 0.0f;
  bool mHintActive = false;
};

template <class Obj, class R, class... A>
void TScene::BindGlobal(const char* name, Obj* object, R (Obj::*function)(A...)) {
  if (lua_State* L = ScriptState()) GetScriptBindings().Bind(L, name, object, function);
}
