// The game flow's view of the window system's modal stack: the top screen, closing and pushing
// modal windows, running a screen script for a new one, starting the scene window's fade-out, and
// a message to the player. The window system installs its implementation; until one is installed
// the flow logs and leaves the screens alone.
#pragma once
#include "core/string.h"

class TWindow;

class IScreenStack {
 public:
  virtual ~IScreenStack() = default;
  // The top modal window's name; empty when there is none.
  virtual TString GetTopModalName() = 0;
  // The top modal window's numeric id as "%8x" text; empty when there is none.
  virtual TString GetTopModalIdString() = 0;
  // True when there is a top modal window and it has a parent window (it is not the bottom one).
  virtual bool TopModalHasParent() = 0;
  // Closes modal windows from the top down to the one whose name or id text matches.
  virtual void CloseModal(const TString& nameOrId) = 0;
  // A new, empty modal window that the window system keeps until it is pushed.
  virtual TWindow* NewModalWindow() = 0;
  // Runs a script file for the window (it creates the screen's child windows).
  virtual void DoScriptFile(TWindow* window, const TString& script) = 0;
  // Pushes the window on top of the modal stack.
  virtual void PushModal(TWindow* window) = 0;
  // Sets the fade step of the top modal window's fading descendant named "scene"; false when the
  // top modal window holds none.
  virtual bool SetSceneFadeStep(float step) = 0;
  // Shows a short text to the player and waits until it was read.
  virtual void ShowMessage(const TString& text) = 0;
};

// The installed stack (not owned), or null.
IScreenStack* GetScreenStack();
void SetScreenStack(IScreenStack* stack);
