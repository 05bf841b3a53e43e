// The nine men's morris board: a clickable sprite per field showing its stone, "a" pictures for
// a picked-up stone, and the typed solving word.
#pragma once
#include "minigames/minigameboard.h"
#include "model/minigamemodels.h"

class TNineMensMorrisBoard : public TMiniGameBoard {
 public:
  enum : int32_t { kKindField = 2 };

  TNineMensMorrisBoard(IMiniGameHost& host, CNineMensMorrisGame& game) : TMiniGameBoard(host, game), mGame(game) {}

  void PostCreate() override;
  bool OnMouseDown(TPoint mouse) override;
  bool OnChar(char c) override;

 private:
  // Replaces the field's sprite by its picture now (picked up or not).
  void ShowField(int32_t i, bool selected);
  void Won();

  CNineMensMorrisGame& mGame;
};
