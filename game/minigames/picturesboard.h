// The placing-pictures board: numbered pictures lying on target areas; a click lifts one, the
// mouse carries it, a click on a free area lays it there. Text boxes label the board.
#pragma once
#include <vector>

#include "minigames/minigameboard.h"
#include "model/minigamemodels.h"

class TTextbox;

class TPlacingPicturesBoard : public TMiniGameBoard {
 public:
  enum : int32_t { kKindPicture = 3 };
  // Pictures lie this far inside their area's first corner, and hang this far from the mouse.
  static constexpr int32_t kInset = 10, kCarryOffset = 30;

  TPlacingPicturesBoard(IMiniGameHost& host, CPlacingPicturesGame& game) : TMiniGameBoard(host, game), mGame(game) {}
  ~TPlacingPicturesBoard() override;

  void PostCreate() override;
  bool OnMouseDown(TPoint mouse) override;
  bool OnMouseMove(TPoint mouse) override;

 private:
  CPlacingPicturesGame& mGame;
};
