// What a mini-game board needs of the scene window that shows it: the sprite window its pictures
// live in, the window text boxes hang under, whether the scene takes input, its sounds, cursor,
// bonus text and the way on to the next scene. The mini-game window provides it; tests provide
// their own.
#pragma once
#include <cstdint>

#include "ui/window.h"

class TSpriteWindow;
class TWindow;

class IMiniGameHost {
 public:
  virtual ~IMiniGameHost() = default;

  virtual TSpriteWindow& GetSprites() = 0;
  // The window that child windows (text boxes) are added to.
  virtual TWindow& GetWindow() = 0;
  // The scene is live, not leaving, and its input is not blocked.
  virtual bool AcceptsInput() const = 0;
  // The scene is live and not leaving, whatever the input block says.
  virtual bool IsLive() const = 0;
  virtual void PlaySound(const char* name) = 0;
  virtual int32_t GetCursor() const = 0;
  virtual void SetCursor(int32_t kind) = 0;
  virtual void ShowBonus(TPoint where, uint32_t bonus) = 0;
  // Leaves the mini-game for the scene after it.
  virtual void Skip() = 0;
  // The puzzle is solved: a screen shows so for a moment before it leaves; a plain host leaves.
  virtual void Solved() { Skip(); }
  // Shows a string-table text in the scene's short-text box (how a puzzle is played).
  virtual void ShowInfo(const char* label) {}
  // Runs a script text for the window (the pause dialog).
  virtual void RunScript(const char* text) = 0;
  // Milliseconds of the play clock.
  virtual uint32_t GetPlayClockTime() const = 0;
};
