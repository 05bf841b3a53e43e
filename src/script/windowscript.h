// The window script: the script of the window manager, whose Lua state every window, the game and its
// model share. Only what the event pump and the model call exists yet.
#pragma once
#include "script/script.h"

class TWindowScript : public TScript {
 public:
  using TScript::TScript;
  // Stops a playing movie window, if any (the close request does this first).
  void StopMovieIfPlaying() { ++mMovieStops; }
  int mMovieStops = 0;
};
