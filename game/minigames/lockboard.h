// The bolt-lock board: a clickable sprite per bolt, the turning lock sprites of bolts that lock
// others, and the overlay drawn above them.
#pragma once
#include "minigames/minigameboard.h"
#include "model/minigamemodels.h"

class TLockBoard : public TMiniGameBoard {
 public:
  enum : int32_t { kKindLock = 9, kKindBolt = 10, kKindOverlay = 11 };

  TLockBoard(IMiniGameHost& host, CLock& lock) : TMiniGameBoard(host, lock), mLock(lock) {}

  void PostCreate() override;
  bool OnMouseDown(TPoint mouse) override;
  // Moves every bolt sprite to its bolt's place and turns the lock sprites; answers the count.
  int32_t UpdateBolts();
  // "bolt1" for bolt 0, ... "bolt9", "bolt:" and on in character order.
  static TString BoltName(const char* stem, size_t index);

 private:
  void TurnLocks(size_t i, const CLockingBolt& bolt);

  CLock& mLock;
};
