// The mirrored-image board: the correct picture among false ones; one click decides.
#pragma once
#include "minigames/minigameboard.h"
#include "model/minigamemodels.h"

class TMirroredImageBoard : public TMiniGameBoard {
 public:
  enum : int32_t { kKindPicture = 0, kKindFeedback = 1 };

  // The generator is seeded by the caller (the window seeds it with the time).
  TMirroredImageBoard(IMiniGameHost& host, CMirroredImageGame& game, uint32_t seed)
      : TMiniGameBoard(host, game), mGame(game) {
    mRandom.InitGenrand(seed);
  }

  void PostCreate() override;
  bool OnMouseDown(TPoint mouse) override;

 private:
  CMirroredImageGame& mGame;
  TRandom mRandom;
};
