// The window script (script side of the window manager). Only what the event pump calls exists yet.
#pragma once

class TWindowScript {
 public:
  // Stops a playing movie window, if any (the close request does this first).
  void StopMovieIfPlaying() { ++mMovieStops; }
  int mMovieStops = 0;
};
