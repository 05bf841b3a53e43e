// The window manager. Only what the platform and the game's model call exists yet: redraw marking,
// the movie flags, the installed window script (the one Lua state the model binds its globals in)
// and its flag word.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>

#include "script/windowscript.h"

class TWindowManager {
 public:
  // Marks the whole screen for redrawing.
  void Invalidate() { ++mInvalidations; }
  // A movie window is open (the polling thread leaves the cursor alone, the mouse block is off).
  bool IsMovieOpen() const { return mMovieOpen; }
  // A movie takes the mouse: every button and wheel message is ignored.
  bool MovieTakesInput() const { return mMovieInput; }
  TWindowScript* GetWindowScript() const { return mWindowScript; }
  // Uses a script that somebody else keeps.
  void SetWindowScript(TWindowScript* script) { mWindowScript = script; }
  // Installs a script the manager keeps from now on.
  void InstallWindowScript(std::unique_ptr<TWindowScript> script) {
    mOwnedScript = std::move(script);
    mWindowScript = mOwnedScript.get();
  }
  // Sets the window script's flag word and answers the previous one.
  int32_t SwapScriptFlag(int32_t flag) {
    int32_t old = mScriptFlag;
    mScriptFlag = flag;
    return old;
  }
  int32_t GetScriptFlag() const { return mScriptFlag; }

  // Read by the pointer-polling thread.
  std::atomic<bool> mMovieOpen{false};
  bool mMovieInput = false;
  int mInvalidations = 0;

 private:
  std::unique_ptr<TWindowScript> mOwnedScript;
  TWindowScript* mWindowScript = nullptr;
  int32_t mScriptFlag = 0;
};

// The window manager of the running platform; before a platform exists (tools, tests), a process-wide
// one of its own.
TWindowManager* GetWindowManager();
