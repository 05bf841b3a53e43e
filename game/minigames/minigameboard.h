// The part every mini-game shares: the skip and menu buttons drawn over the board, the sprite
// builder all boards make their pictures with, the briefing guard on the mouse, and the way a
// won game is scored and left. Each mini-game's board derives from it and is shown by a
// mini-game window through IMiniGameHost.
#pragma once
#include <cstdint>
#include <memory>

#include "ui/window.h"
#include "core/string.h"
#include "minigames/minigamehost.h"
#include "shell/spritewindow.h"

class CScene;

// Cursor kinds the boards set.
enum : int32_t { kCursorNormal = 2, kCursorHand = 4, kCursorDrop = 6 };

class TMiniGameBoard {
 public:
  // Entry kinds of the two buttons.
  enum : int32_t { kKindSkipButton = 4, kKindMenuButton = 5 };
  // Scenes with this id show neither button.
  static constexpr int32_t kNoButtonsSeqId = 77777;

  TMiniGameBoard(IMiniGameHost& host, CScene& scene) : mHost(host), mScene(scene) {}
  virtual ~TMiniGameBoard() = default;
  TMiniGameBoard(const TMiniGameBoard&) = delete;
  TMiniGameBoard& operator=(const TMiniGameBoard&) = delete;

  // Builds the board's sprites. The base adds the skip and menu buttons.
  virtual void PostCreate();
  // True when the event was used; the scene window handles what is not.
  virtual bool OnMouseDown(TPoint mouse);
  virtual bool OnMouseMove(TPoint mouse);
  virtual bool OnChar(char c) { return false; }
  // Once a frame.
  virtual void Animate() {}

  // A sprite entry with the named picture: anchor 1 turns it about its centre, 2 about its
  // lower right corner, anything else places it by its top-left corner. Not clickable.
  static TSpriteEntry MakeSprite(const TString& image, int32_t x, int32_t y, int32_t anchor, int32_t kind,
                                 const TString& name, float scale = 1.0f);
  // Raises the two buttons above the other sprites.
  void RaiseButtons();

 protected:
  // Adds the entry to the sprite window, clickable or not.
  void AddSprite(TSpriteEntry entry, bool clickable);
  // Raises the sprite of the last entry of the name to the top of its layer.
  void RaiseSprite(const TString& name);
  // Removes every entry of the kind.
  void RemoveKind(int32_t kind);
  // The clickable entry under the point.
  bool HitTest(TPoint p, TSpriteEntry* entry) const;
  // Scores the win, shows the bonus at the point, plays the sound and leaves once the solved
  // board has been seen.
  void Win(TPoint where, const char* sound, bool score = true);
  // Stores the mouse for the settings keeper; true while the briefing swallows the mouse.
  static bool StoreMouseAndCheckBriefing(TPoint mouse);
  static bool BriefingShown();
  // The string table's text for the label.
  static TString LabelText(const char* label);

  IMiniGameHost& mHost;
  CScene& mScene;
};
