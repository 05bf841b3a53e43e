// TMiniGameWindow: the scene window every mini-game is shown in. It owns the mini-game's board,
// gives it the scene's sprites, sounds, cursor, bonus text and way out, and passes the mouse,
// keys and frame updates to it before the scene window's own handling. One small window class
// per mini-game makes its board and sets up its sounds; RegisterMiniGameWindowTypes makes them
// known to scripts by their type names.
#pragma once
#include <memory>

#include "minigames/minigameboard.h"
#include "minigames/minigamehost.h"
#include "shell/scene.h"

class TMiniGameWindow : public TScene, public IMiniGameHost {
  TM_CLASS(TMiniGameWindow, TScene)

 public:
  TMiniGameWindow() = default;
  ~TMiniGameWindow() override;

  void PostCreate(TWindowStyle& style) override;
  bool Animate() override;
  bool OnMouseDown(TPoint point) override;
  bool OnMouseMove(TPoint point) override;
  bool OnChar(int8_t c) override;

  TMiniGameBoard* GetBoard() const { return mBoard.get(); }

  // IMiniGameHost
  TSpriteWindow& GetSprites() override { return *GetSpriteWindow(); }
  TWindow& GetWindow() override { return *this; }
  bool AcceptsInput() const override { return CanUseExits() && !IsInputBlocked(); }
  bool IsLive() const override { return CanUseExits(); }
  void PlaySound(const char* name) override { PlaySceneSound(name, false, true, false); }
  int32_t GetCursor() const override { return GetCursorKind(); }
  void SetCursor(int32_t kind) override { TScene::SetCursor(kind); }
  void ShowBonus(TPoint where, uint32_t bonus) override { ShowBonusText(where, static_cast<int32_t>(bonus)); }
  void Skip() override { TScene::Skip(); }
  void Solved() override;
  void ShowInfo(const char* label) override { ShowInfoText(label); }
  bool IsShowingSolved() const { return mSolvedFrames > 0; }
  // Frames a solved board stays in view, its "solved" line shown, before the room is left.
  static constexpr int32_t kSolvedFrames = 100;
  void RunScript(const char* text) override { RunScriptText(text); }
  uint32_t GetPlayClockTime() const override;

 protected:
  // The board for the scene's model; null when the scene is not of the window's kind.
  virtual std::unique_ptr<TMiniGameBoard> MakeBoard() = 0;
  // Registers a sound file under a name for PlaySound; nothing for an empty file name.
  void AddSound(const char* name, const std::string& file);
  // Keeps the score clocks still while the window is open.
  void PausePlayClock();
  // Keys reach the scene window (Esc opens the pause dialog) unless a mini-game keeps them.
  bool mPassKeys = true;

 private:
  std::unique_ptr<TMiniGameBoard> mBoard;
  bool mPausedPlay = false;
  int32_t mSolvedFrames = 0;  // counts down while the solved board is shown
};

class TJigsawPuzzleWindow : public TMiniGameWindow {
  TM_CLASS(TJigsawPuzzleWindow, TMiniGameWindow)
 public:
  TJigsawPuzzleWindow();
  static TWindow* CreateInstance() { return new TJigsawPuzzleWindow; }
 protected:
  std::unique_ptr<TMiniGameBoard> MakeBoard() override;
};

class TUnlockingDoorsWindow : public TMiniGameWindow {
  TM_CLASS(TUnlockingDoorsWindow, TMiniGameWindow)
 public:
  TUnlockingDoorsWindow();
  static TWindow* CreateInstance() { return new TUnlockingDoorsWindow; }
  // Script functions.
  bool IsWon();
  void ResetPosition(bool up);
 protected:
  std::unique_ptr<TMiniGameBoard> MakeBoard() override;
};

class TMirroredImageWindow : public TMiniGameWindow {
  TM_CLASS(TMirroredImageWindow, TMiniGameWindow)
 public:
  TMirroredImageWindow();
  static TWindow* CreateInstance() { return new TMirroredImageWindow; }
 protected:
  std::unique_ptr<TMiniGameBoard> MakeBoard() override;
};

class TMixPotionWindow : public TMiniGameWindow {
  TM_CLASS(TMixPotionWindow, TMiniGameWindow)
 public:
  TMixPotionWindow();
  static TWindow* CreateInstance() { return new TMixPotionWindow; }
 protected:
  std::unique_ptr<TMiniGameBoard> MakeBoard() override;
};

class TNineMensMorrisWindow : public TMiniGameWindow {
  TM_CLASS(TNineMensMorrisWindow, TMiniGameWindow)
 public:
  TNineMensMorrisWindow();
  static TWindow* CreateInstance() { return new TNineMensMorrisWindow; }
 protected:
  std::unique_ptr<TMiniGameBoard> MakeBoard() override;
};

class TPlacingPicturesWindow : public TMiniGameWindow {
  TM_CLASS(TPlacingPicturesWindow, TMiniGameWindow)
 public:
  TPlacingPicturesWindow();
  static TWindow* CreateInstance() { return new TPlacingPicturesWindow; }
 protected:
  std::unique_ptr<TMiniGameBoard> MakeBoard() override;
};

class TPlotpointWindow : public TMiniGameWindow {
  TM_CLASS(TPlotpointWindow, TMiniGameWindow)
 public:
  static TWindow* CreateInstance() { return new TPlotpointWindow; }
 protected:
  std::unique_ptr<TMiniGameBoard> MakeBoard() override;
};

// Registers the seven window types above under their script names.
void RegisterMiniGameWindowTypes();
