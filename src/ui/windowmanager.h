// The window manager. Only what the event pump and the window procedure call exists yet: redraw
// marking, the movie flags and the installed window script.
#pragma once

class TWindowScript;

class TWindowManager {
 public:
  // Marks the whole screen for redrawing.
  void Invalidate() { ++mInvalidations; }
  // A movie window is open (the polling thread leaves the cursor alone, the mouse block is off).
  bool IsMovieOpen() const { return mMovieOpen; }
  // A movie takes the mouse: every button and wheel message is ignored.
  bool MovieTakesInput() const { return mMovieInput; }
  TWindowScript* GetWindowScript() const { return mWindowScript; }
  void SetWindowScript(TWindowScript* script) { mWindowScript = script; }

  bool mMovieOpen = false;
  bool mMovieInput = false;
  int mInvalidations = 0;

 private:
  TWindowScript* mWindowScript = nullptr;  // not owned here yet
};
