// The window manager as far as the game's model reaches it so far: the window script, the one Lua
// state in which the model binds its globals and runs command texts. The windows themselves, the
// message queue and drawing come with the window system.
#pragma once

class TScript;

class TWindowManager {
 public:
  // The main window script; null until one is set.
  TScript* GetWindowScript() const { return mWindowScript; }
  void SetWindowScript(TScript* script) { mWindowScript = script; }

 private:
  TScript* mWindowScript = nullptr;  // not owned
};

// The window manager of the running platform.
TWindowManager* GetWindowManager();
