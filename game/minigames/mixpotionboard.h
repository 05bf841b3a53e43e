// The mix-potion board: pipes, funnels, flasks, the wanted colours, the cupboard with its
// flasks to carry, and the mix and reset buttons.
#pragma once
#include "minigames/minigameboard.h"
#include "model/minigamemodels.h"

class TMixPotionBoard : public TMiniGameBoard {
 public:
  enum : int32_t {
    kKindPipe = 13, kKindFunnel = 14, kKindTarget = 15, kKindFlask = 16, kKindMixButton = 17,
    kKindResetButton = 18, kKindMoveableFlask = 19, kKindCupboard = 25
  };

  TMixPotionBoard(IMiniGameHost& host, CMixPotionMiniGame& game) : TMiniGameBoard(host, game), mGame(game) {}

  void PostCreate() override;
  bool OnMouseDown(TPoint mouse) override;
  bool OnMouseMove(TPoint mouse) override;

  // Entry names: coordinates and indices are written in decimal, so none of them can cut a name.
  static TString PipeName(const CMixPotionPipe& pipe);
  static TString IndexedName(const char* stem, size_t i);
  // Screen position of a board cell.
  TPoint Cell(int32_t x, int32_t y) const;
  // The name of the flask carried, "" when none.
  const TString& GetHeld() const { return mHeld; }

 private:
  void BuildPipes();
  void BuildFunnels(bool coloured);
  void BuildFlasks();
  void BuildTargets();
  void BuildCupboard();
  void BuildMoveableFlasks();
  void BuildButtons();
  // After a reset or a mix: the board drawn anew from the model.
  void Rebuild();
  // Index of the funnel under the point, or -1.
  int32_t FunnelAt(TPoint p) const;

  CMixPotionMiniGame& mGame;
  int32_t mCellW = 15, mCellH = 15;
  TString mHeld;
  int32_t mGrabX = 0, mGrabY = 0;
};
