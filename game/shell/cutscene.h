// TCutsceneWindow: the scene window of a cutscene, a dialogue played line by line between letterbox
// bars. The speaking character is lit, the other dimmed; a line goes to the speaker's panel, to the
// bottom bar (narration) or onto a letter picture, and may start a voice recording. Each click shows
// the next line; after the last one the game moves on. TCutsceneCharacterWindow draws the speakers
// and the letter.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "shell/scene.h"

class CCutscene;
class TSound;
class TSprite;
class TTextbox;

class TCutsceneCharacterWindow : public TWindow {
  TM_CLASS(TCutsceneCharacterWindow, TWindow)

 public:
  TCutsceneCharacterWindow();
  ~TCutsceneCharacterWindow() override;

  void Draw() override;
  bool OnMouseDown(TPoint point) override;
  // Replaces the sprite under the key (1 left, 2 right, 3 letter).
  void SetSprite(int32_t key, const std::shared_ptr<TSprite>& sprite);
  bool HasSprite(int32_t key) const { return mSprites.count(key) != 0; }
  std::shared_ptr<TSprite> GetSprite(int32_t key) const;

 private:
  std::map<int32_t, std::shared_ptr<TSprite>> mSprites;
  std::shared_ptr<TSprite> mRoot;
};

class TCutsceneWindow : public TScene {
  TM_CLASS(TCutsceneWindow, TScene)

 public:
  TCutsceneWindow();
  ~TCutsceneWindow() override;
  static TWindow* CreateInstance() { return new TCutsceneWindow; }

  void PostCreate(TWindowStyle& style) override;
  bool Animate() override;
  bool OnMouseDown(TPoint point) override;
  void OnFadeInCompleted() override;
  void OnFadeOutCompleted() override;

  // Script functions.
  void StartCutscene();
  void StopCutscene() { mPlayState = 1; }
  void PauseCutscene();
  void ResumeCutscene();

  int32_t GetPlayState() const { return mPlayState; }
  TCutsceneCharacterWindow* GetCharacterWindow() const { return mCharacters; }
  TWindow* GetPart(const char* name) const;
  const std::shared_ptr<TSound>& GetVoice() const { return mVoice; }

 private:
  void ShowCurrentLine();
  void PlaceCharacters();
  void SetCharacterImage(int32_t position, const char* image, int32_t offsetX);
  void SetLetterImage(const char* image, int32_t* w, int32_t* h, int32_t* x, int32_t* y);
  void HighlightSpeaker(int32_t position);
  void TintCharacter(int32_t key, float level);
  // Moves to the next line and shows it, or leaves after the last one.
  void Advance();

  CCutscene* mModel = nullptr;
  int32_t mPlayState = 2;
  int32_t mSavedPlayState = 2;
  std::shared_ptr<TSound> mVoice;
  TCutsceneCharacterWindow* mCharacters = nullptr;  // child "charWindow"
  // The cutscene's own parts, kept because the scene base adds children of the same names.
  std::map<std::string, TWindow*> mParts;
};
