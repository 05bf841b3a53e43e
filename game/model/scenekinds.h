// The scene kinds with content of their own: the adventure location (scene objects and text
// boxes drawn on the picture), the chapter card, and the cutscene (speakers with mood pictures and
// the dialogue lines).
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "model/scene.h"

class TWindow;

// The free text boxes drawn on a scene's picture, shared by the adventure screen and the placing-
// pictures game: one text, place and rotation per box, one colour, font and geometry for all.
class CTextboxSet {
 public:
  struct TPoint {
    int32_t x = 0, y = 0;
  };
  void AddTextboxText(std::string text) { mTextboxTexts.push_back(std::move(text)); }
  void AddTextboxPosition(int32_t x, int32_t y) { mTextboxPositions.push_back({x, y}); }
  void AddTextboxRotation(float r) { mTextboxRotations.push_back(r); }
  int32_t GetTextboxCount() const { return static_cast<int32_t>(mTextboxTexts.size()); }
  // Box i's values; a box that lacks one reads "", (0, 0) or 0.
  const char* GetTextboxText(int32_t i) const;
  TPoint GetTextboxPosition(int32_t i) const;
  float GetTextboxRotation(int32_t i) const;
  void AddTextboxWindow(TWindow* window) { mTextboxWindows.push_back(window); }
  TWindow* GetTextboxWindow(int32_t i) const;
  void ClearTextboxWindows() { mTextboxWindows.clear(); }

  // Each component is stored as a float of the same value.
  void SetTextColor(int32_t r, int32_t g, int32_t b, int32_t a);
  const float* GetTextColor() const { return mTextColor; }
  const char* GetTextFont() const { return mTextFont.c_str(); }
  void SetTextFont(std::string v) { mTextFont = std::move(v); }
  int32_t GetTextboxHeight() const { return mTextboxHeight; }
  void SetTextboxHeight(int32_t v) { mTextboxHeight = v; }
  int32_t GetTextboxWidth() const { return mTextboxWidth; }
  void SetTextboxWidth(int32_t v) { mTextboxWidth = v; }
  int32_t GetLineHeight() const { return mLineHeight; }
  void SetLineHeight(int32_t v) { mLineHeight = v; }

  // The "textFont" .. "textboxes" lines.
  void SerializeTextboxes(std::string& out) const;

 private:
  std::vector<TWindow*> mTextboxWindows;  // not owned
  std::vector<std::string> mTextboxTexts;
  std::vector<TPoint> mTextboxPositions;
  std::vector<float> mTextboxRotations;
  float mTextColor[4] = {0, 0, 0, 0};
  std::string mTextFont;
  int32_t mTextboxHeight = 0, mTextboxWidth = 0, mLineHeight = 0;
};

class CAdventureScreen : public CScene, public CTextboxSet {
 public:
  ~CAdventureScreen() override;
  bool IsType(int32_t type) const override { return type == kSceneAdventure; }
  // Set the flag of the first object with that id (if any), then notify in every case.
  void SetObjectActive(const std::string& name, bool active) override;
  void SetObjectVisible(const std::string& name, bool visible) override;
  void Serialize(std::string& out) const override;

  // Stores under the next index.
  void AddSceneObject(std::unique_ptr<CSceneObject> object);
  CSceneObject* FindSceneObject(const std::string& name) const;
  size_t GetSceneObjectCount() const { return mObjects.size(); }
  void ResetSceneObjectIterator() { mObjectCursor = 0; }
  bool HasNextSceneObject() const { return mObjectCursor < mObjects.size(); }
  CSceneObject* NextSceneObject();
  void SetSceneObjectAlpha(const std::string& name, float alpha);

  // Through the item definition of the game root; an unknown item has no action.
  bool ItemHasAction(const std::string& itemId, const std::string& target) const;
  bool DoItemAction(const std::string& itemId, const std::string& target);

 protected:
  // The scene objects in index order; kinds built on this one write them too.
  void SerializeObjects(std::string& out) const;

 private:
  std::vector<std::unique_ptr<CSceneObject>> mObjects;  // the index is the position
  size_t mObjectCursor = 0;
};

class CChapterScreen : public CScene {
 public:
  bool IsType(int32_t type) const override { return type == kSceneChapter; }
  void Serialize(std::string& out) const override;

  const char* GetTitle() const { return mTitle.c_str(); }
  void SetTitle(std::string v) { mTitle = std::move(v); }
  const char* GetSubtitle() const { return mSubtitle.c_str(); }
  void SetSubtitle(std::string v) { mSubtitle = std::move(v); }
  const char* GetLocationImage() const { return mLocationImage.c_str(); }
  void SetLocationImage(std::string v) { mLocationImage = std::move(v); }
  const char* GetLocationText() const { return mLocationText.c_str(); }
  void SetLocationText(std::string v) { mLocationText = std::move(v); }
  int32_t GetLocationX() const { return mLocationX; }
  void SetLocationX(int32_t v) { mLocationX = v; }
  int32_t GetLocationY() const { return mLocationY; }
  void SetLocationY(int32_t v) { mLocationY = v; }

 private:
  std::string mTitle, mSubtitle, mLocationImage, mLocationText;
  int32_t mLocationX = 0, mLocationY = 0;
};

// 1 normal, 2 happy, 3 sad; anything else is written as normal.
using CutsceneMood = int32_t;
enum : int32_t { kMoodNormal = 1, kMoodHappy = 2, kMoodSad = 3 };
// "happy", "sad" or "normal".
const char* CutsceneMoodWord(CutsceneMood mood);

class CCutsceneCharacter : public ISerializable {
 public:
  void Serialize(std::string& out) const override;

  const char* GetId() const { return mId.c_str(); }
  void SetId(std::string v) { mId = std::move(v); }
  const char* GetName() const { return mName.c_str(); }
  void SetName(std::string v) { mName = std::move(v); }
  int32_t GetPosition() const { return mPosition; }
  void SetPosition(int32_t v) { mPosition = v; }
  int32_t GetOffsetX() const { return mOffsetX; }
  void SetOffsetX(int32_t v) { mOffsetX = v; }
  void SetImageForMood(CutsceneMood mood, std::string image) { mImages[mood] = std::move(image); }
  // Null when the mood has no image.
  const char* GetImageForMood(CutsceneMood mood) const;
  const std::map<CutsceneMood, std::string>& GetImages() const { return mImages; }

 private:
  std::string mId, mName;
  int32_t mPosition = 0;
  std::map<CutsceneMood, std::string> mImages;
  int32_t mOffsetX = 0;
};

class CCutsceneScriptItem : public ISerializable {
 public:
  // One positional entry of four quoted texts.
  void Serialize(std::string& out) const override;

  const char* GetCharacterId() const { return mCharacterId.c_str(); }
  void SetCharacterId(std::string v) { mCharacterId = std::move(v); }
  CutsceneMood GetMood() const { return mMood; }
  void SetMood(CutsceneMood v) { mMood = v; }
  const char* GetText() const { return mText.c_str(); }
  void SetText(std::string v) { mText = std::move(v); }
  const char* GetSecondText() const { return mSecondText.c_str(); }
  void SetSecondText(std::string v) { mSecondText = std::move(v); }

 private:
  std::string mCharacterId;
  CutsceneMood mMood = kMoodNormal;
  std::string mText, mSecondText;
};

class CCutsceneScript : public ISerializable {
 public:
  void Serialize(std::string& out) const override;

  // Replaces a line stored under the same index.
  void AddItem(int32_t index, std::unique_ptr<CCutsceneScriptItem> line);
  int32_t GetCurrent() const { return mCurrent; }
  void SetCurrent(int32_t v) { mCurrent = v; }
  CCutsceneScriptItem* GetCurrentItem() const { return GetItem(mCurrent); }
  // Moves to the next line when there is one.
  bool Advance();
  // Back to the first line.
  void Rewind() { mCurrent = 1; }
  CCutsceneScriptItem* GetItem(int32_t index) const;
  int32_t GetLineCount() const { return static_cast<int32_t>(mLines.size()); }

 private:
  int32_t mCurrent = 1;
  std::map<int32_t, std::unique_ptr<CCutsceneScriptItem>> mLines;
};

class CCutscene : public CScene {
 public:
  bool IsType(int32_t type) const override { return type == kSceneCutscene; }
  void Serialize(std::string& out) const override;

  const char* GetStageBg() const { return mStageBg.c_str(); }
  void SetStageBg(std::string v) { mStageBg = std::move(v); }
  const char* GetLetterFont() const { return mLetterFont.c_str(); }
  void SetLetterFont(std::string v) { mLetterFont = std::move(v); }
  int32_t GetLetterFontSize() const { return mLetterFontSize; }
  void SetLetterFontSize(int32_t v) { mLetterFontSize = v; }
  CCutsceneScript* GetScript() const { return mScript.get(); }
  void SetScript(std::unique_ptr<CCutsceneScript> script) { mScript = std::move(script); }

  // Replaces a character stored under the same id.
  void AddCharacter(std::unique_ptr<CCutsceneCharacter> character);
  CCutsceneCharacter* FindCharacter(const std::string& id) const;
  // The character of the first line (by index) whose registered speaker stands there.
  CCutsceneCharacter* FindCharacterAtPosition(int32_t position) const;

 private:
  std::string mStageBg;
  std::string mLetterFont = "fonts/kingthings.mvec";
  int32_t mLetterFontSize = 30;
  std::map<std::string, std::unique_ptr<CCutsceneCharacter>> mCharacters;
  std::unique_ptr<CCutsceneScript> mScript;
};
