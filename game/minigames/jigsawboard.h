// The jigsaw board: one clickable sprite per piece; a click picks a piece (and the pieces joined
// to it) up, the mouse carries them, the next click drops them.
#pragma once
#include <string>

#include "minigames/minigameboard.h"
#include "model/minigamemodels.h"

class TJigsawBoard : public TMiniGameBoard {
 public:
  enum : int32_t { kKindPiece = 23 };

  TJigsawBoard(IMiniGameHost& host, CJigsawPuzzle& puzzle) : TMiniGameBoard(host, puzzle), mPuzzle(puzzle) {}

  void PostCreate() override;
  bool OnMouseDown(TPoint mouse) override;
  bool OnMouseMove(TPoint mouse) override;

  const std::string& GetHeld() const { return mHeld; }

 private:
  void PlaceSprites();

  CJigsawPuzzle& mPuzzle;
  std::string mHeld;
  int32_t mGrabX = 0, mGrabY = 0;
};
