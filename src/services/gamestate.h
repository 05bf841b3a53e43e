// The game-state hub that tells the plug-in handlers what happens in the process. Only what the event
// pump and the window procedure call exists yet: it keeps what it was told, in order.
#pragma once
#include <cstdint>
#include <utility>
#include <vector>

#include "core/string.h"

class TGameState {
 public:
  // Tells every handler a key and a text value.
  void SendState(const TString& key, const TString& value) { mSent.emplace_back(key, value); }
  // Tells every handler a key and a number (as decimal text).
  void SendStateNumber(const TString& key, int32_t value);
  // Whether a handler is busy (the pump then only keeps the window alive).
  bool IsBusy() const { return mBusy; }

  std::vector<std::pair<TString, TString>> mSent;
  bool mBusy = false;
};

// The process-wide hub, made on first use.
TGameState* GetGameState();
// The hub if it exists, else null.
TGameState* FindGameState();
void DeleteGameState();
