// Scene model: CScene is what every scene kind shares (identity, background, music, fades, the
// following scene, entry and exit scripts) with its exits and hotspots; CSceneExit, CSceneHotspot
// and CSceneObject are the clickable parts. Each kind writes its own constructor block around the
// shared fields that SerializeCommon writes.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "model/command.h"
#include "model/modelbase.h"

// Scene type ids, the compositor's model types of the scene records.
enum : int32_t {
  kSceneChapter = 1,
  kSceneHiddenObject = 5,
  kSceneJigsaw = 6,
  kSceneLock = 9,
  kSceneCutscene = 11,
  kSceneMixPotion = 14,
  kSceneAdventure = 18,
  kSceneMirroredImage = 27,
  kScenePlacingObject = 29,
  kSceneNineMensMorris = 30,
  kScenePlacingPictures = 31,
  kScenePlotpoint = 32,
};
// Model types of the clickable parts.
enum : int32_t { kModelSceneObject = 19, kModelSceneExit = 20, kModelSceneHotspot = 28 };

// A quadrilateral area given by four corners, clockwise on the screen.
struct TCorners {
  int32_t x[4] = {0, 0, 0, 0};
  int32_t y[4] = {0, 0, 0, 0};
  // Inside or on an edge. Each edge's cross product is taken in 64 bits so that no corner
  // coordinates can overflow it.
  bool IsInside(int32_t px, int32_t py) const;
  // The four "\tpositionXn = x, positionYn = y,\n" lines.
  void Serialize(std::string& out) const;
};

// What exits and hotspots share: an id (their key in the scene), a name, a clickable area, a
// rollover text and whether they react at all.
class CSceneArea : public ISerializable {
 public:
  virtual bool IsType(int32_t type) const = 0;

  const char* GetId() const { return mId.c_str(); }
  void SetId(std::string v) { mId = std::move(v); }
  const char* GetName() const { return mName.c_str(); }
  void SetName(std::string v) { mName = std::move(v); }
  int32_t GetPositionX(int corner) const { return mArea.x[corner]; }
  int32_t GetPositionY(int corner) const { return mArea.y[corner]; }
  void SetPositionX(int corner, int32_t x) { mArea.x[corner] = x; }
  void SetPositionY(int corner, int32_t y) { mArea.y[corner] = y; }
  void SetPosition(int corner, int32_t x, int32_t y) { mArea.x[corner] = x, mArea.y[corner] = y; }
  const TCorners& GetArea() const { return mArea; }
  const char* GetText() const { return mText.c_str(); }
  void SetText(std::string v) { mText = std::move(v); }
  bool IsActive() const { return mActive; }
  void SetActive(bool v) { mActive = v; }
  bool IsInside(int32_t x, int32_t y) const { return mArea.IsInside(x, y); }

 protected:
  // The "id", "name" and corner lines.
  void SerializeHead(std::string& out) const;

 private:
  std::string mId, mName;
  TCorners mArea;
  std::string mText;
  bool mActive = true;
};

class CSceneExit : public CSceneArea {
 public:
  void Serialize(std::string& out) const override;
  bool IsType(int32_t type) const override { return type == kModelSceneExit; }

  int32_t GetNextScene() const { return mNextScene; }
  void SetNextScene(int32_t v) { mNextScene = v; }
  int32_t GetImagePositionX() const { return mImageX; }
  int32_t GetImagePositionY() const { return mImageY; }
  void SetImagePosition(int32_t x, int32_t y) { mImageX = x, mImageY = y; }
  const char* GetImage() const { return mImage.c_str(); }
  void SetImage(std::string v) { mImage = std::move(v); }
  int32_t GetCursorStyleId() const { return mCursorStyleId; }
  void SetCursorStyleId(int32_t v) { mCursorStyleId = v; }
  const char* GetCursorStylePath() const { return mCursorStylePath.c_str(); }
  void SetCursorStylePath(std::string v) { mCursorStylePath = std::move(v); }

  void StartGlow();
  void StopGlow() { mGlowStart = 0; }
  // Up to 2 seconds after StartGlow.
  bool IsGlowing() const;

 private:
  int32_t mNextScene = -1;
  int32_t mImageX = 0, mImageY = 0;
  std::string mImage;
  int64_t mGlowStart = 0;
  int32_t mCursorStyleId = 4;
  std::string mCursorStylePath;
};

class CSceneHotspot : public CSceneArea {
 public:
  CSceneHotspot();
  void Serialize(std::string& out) const override;
  bool IsType(int32_t type) const override { return type == kModelSceneHotspot; }

  bool DoAction(const std::string& target) { return actionmap::Run(*mActions, target); }
  // Takes the map (and its commands); the old map and its commands go.
  void SetActionMap(std::unique_ptr<ActionMap> map);
  const ActionMap& GetActionMap() const { return *mActions; }

 private:
  std::unique_ptr<ActionMap> mActions;
};

class CSceneObject : public ISerializable {
 public:
  void Serialize(std::string& out) const override;
  virtual bool IsType(int32_t type) const { return type == kModelSceneObject; }

  const char* GetId() const { return mId.c_str(); }
  void SetId(std::string v) { mId = std::move(v); }
  const char* GetName() const { return mName.c_str(); }
  void SetName(std::string v) { mName = std::move(v); }
  int32_t GetPositionX() const { return mX; }
  int32_t GetPositionY() const { return mY; }
  void SetPositionX(int32_t v) { mX = v; }
  void SetPositionY(int32_t v) { mY = v; }
  const char* GetImage() const { return mImage.c_str(); }
  void SetImage(std::string v) { mImage = std::move(v); }
  const char* GetInvItem() const { return mInvItem.c_str(); }
  void SetInvItem(std::string v) { mInvItem = std::move(v); }
  const char* GetText() const { return mText.c_str(); }
  void SetText(std::string v) { mText = std::move(v); }
  int32_t GetTimesPickable() const { return mTimesPickable; }
  void SetTimesPickable(int32_t v) { mTimesPickable = v; }
  bool IsPickable() const { return mTimesPickable > 0; }
  bool IsVisible() const { return mVisible; }
  void SetVisible(bool v) { mVisible = v; }
  bool IsActive() const { return mActive; }
  void SetActive(bool v) { mActive = v; }
  float GetAlpha() const { return mAlpha; }
  void SetAlpha(float v) { mAlpha = v; }

  bool DoAction(const std::string& target) { return actionmap::Run(mActions, target); }
  // Takes over every command of `map`, replacing those stored under the same targets.
  void SetActionMap(ActionMap&& map) { actionmap::MergeInto(mActions, std::move(map)); }
  const ActionMap& GetActionMap() const { return mActions; }

 private:
  std::string mId, mName;
  int32_t mX = 0, mY = 0;
  std::string mImage, mInvItem, mText;
  int32_t mTimesPickable = 0;
  bool mVisible = true;
  bool mActive = true;
  float mAlpha = 1.0f;
  ActionMap mActions;
};

class CScene : public CObservedSubject, public ISerializable {
 public:
  CScene() = default;
  ~CScene() override;
  CScene(const CScene&) = delete;
  CScene& operator=(const CScene&) = delete;

  virtual bool IsType(int32_t type) const = 0;
  virtual void SetObjectActive(const std::string& name, bool active) {}
  virtual void SetObjectVisible(const std::string& name, bool visible) {}

  // Replaces (and deletes) an exit stored under the same id.
  void AddSceneExit(std::unique_ptr<CSceneExit> exit);
  void AddSceneHotspot(std::unique_ptr<CSceneHotspot> hotspot);
  CSceneExit* FindSceneExit(const std::string& id) const;
  CSceneHotspot* FindSceneHotspot(const std::string& id) const;
  void RemoveSceneExit(const std::string& id);
  void RemoveSceneHotspot(const std::string& id);
  // The walks; removing the entry under a cursor moves that cursor to the next one.
  void ResetSceneExitIterator() { mExitCursor = mExits.begin(); }
  bool HasNextSceneExit() const { return mExitCursor != mExits.end(); }
  CSceneExit* GetNextSceneExit();
  void ResetSceneHotspotIterator() { mHotspotCursor = mHotspots.begin(); }
  bool HasNextSceneHotspot() const { return mHotspotCursor != mHotspots.end(); }
  CSceneHotspot* GetNextSceneHotspot();
  size_t GetSceneExitCount() const { return mExits.size(); }
  size_t GetSceneHotspotCount() const { return mHotspots.size(); }

  int32_t GetSeqId() const { return mSeqId; }
  void SetSeqId(int32_t v) { mSeqId = v; }
  const char* GetBg() const { return mBg.c_str(); }
  void SetBg(std::string v) { mBg = std::move(v); }
  const char* GetTheme() const { return mTheme.c_str(); }
  void SetTheme(std::string v) { mTheme = std::move(v); }
  int32_t GetThemeOffset() const { return mThemeOffset; }
  void SetThemeOffset(int32_t v) { mThemeOffset = v; }
  const char* GetAtmo() const { return mAtmo.c_str(); }
  void SetAtmo(std::string v) { mAtmo = std::move(v); }
  int32_t GetMinLoop() const { return mMinLoop; }
  void SetMinLoop(int32_t v) { mMinLoop = v; }
  int32_t GetMaxLoop() const { return mMaxLoop; }
  void SetMaxLoop(int32_t v) { mMaxLoop = v; }
  int32_t GetFadeInDuration() const { return mFadeIn; }
  void SetFadeInDuration(int32_t v) { mFadeIn = v; }
  int32_t GetFadeOutDuration() const { return mFadeOut; }
  void SetFadeOutDuration(int32_t v) { mFadeOut = v; }
  int32_t GetNextScene() const { return mNextScene; }
  void SetNextScene(int32_t v) { mNextScene = v; }
  bool GetShowHintButton() const { return mShowHint; }
  void SetShowHintButton(bool v) { mShowHint = v; }
  bool GetShowDiaryButton() const { return mShowDiary; }
  void SetShowDiaryButton(bool v) { mShowDiary = v; }
  const char* GetInitScript() const { return mInitScript.c_str(); }
  void SetInitScript(std::string v) { mInitScript = std::move(v); }
  const char* GetExitScript() const { return mExitScript.c_str(); }
  void SetExitScript(std::string v) { mExitScript = std::move(v); }

 protected:
  // The shared fields, exits and hotspots, ending with one "\n"; no frame of its own.
  void SerializeCommon(std::string& out) const;

 private:
  using ExitMap = std::map<std::string, std::unique_ptr<CSceneExit>>;
  using HotspotMap = std::map<std::string, std::unique_ptr<CSceneHotspot>>;
  ExitMap mExits;
  ExitMap::iterator mExitCursor = mExits.begin();
  HotspotMap mHotspots;
  HotspotMap::iterator mHotspotCursor = mHotspots.begin();
  int32_t mSeqId = 0;
  std::string mBg, mTheme;
  int32_t mThemeOffset = 0;
  std::string mAtmo;
  int32_t mMinLoop = 0, mMaxLoop = 0;
  int32_t mFadeIn = 300, mFadeOut = 300;
  int32_t mNextScene = -1;
  bool mShowHint = true, mShowDiary = true;
  std::string mInitScript, mExitScript;
};
