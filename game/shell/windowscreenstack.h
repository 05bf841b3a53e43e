// The game flow's modal stack served by the window manager: scene screens are modal windows made
// here, filled by their screen script and pushed on the manager's stack.
#pragma once
#include <memory>
#include <vector>

#include "shell/screenstack.h"

class TModalWindow;
class TWindowManager;

class TWindowScreenStack : public IScreenStack {
 public:
  // Over the given manager; null means the running platform's (GetWindowManager()).
  explicit TWindowScreenStack(TWindowManager* manager = nullptr);
  ~TWindowScreenStack() override;

  TString GetTopModalName() override;
  TString GetTopModalIdString() override;
  bool TopModalHasParent() override;
  void CloseModal(const TString& nameOrId) override;
  TWindow* NewModalWindow() override;
  void DoScriptFile(TWindow* window, const TString& script) override;
  // The first window becomes the manager's screen; later ones go on top of it. A window not made
  // by NewModalWindow, or not a modal window, is refused with a log line.
  void PushModal(TWindow* window) override;
  // The fading window named "scene" in the top modal window starts fading; false without one.
  bool SetSceneFadeStep(float step) override;
  void ShowMessage(const TString& text) override;

  // Closes every screen, the bottom one too, and drops the windows made but not pushed: at
  // shutdown the screens go before the game model they show.
  void CloseAll();

  // Windows made but not pushed yet.
  size_t GetPendingCount() const { return mPending.size(); }

 private:
  TWindowManager* Manager() const;

  TWindowManager* mManager;
  std::vector<std::unique_ptr<TModalWindow>> mPending;  // owned until pushed
};

// Installs a window-system screen stack for the game flow (kept for the process) and answers it.
TWindowScreenStack* InstallWindowScreenStack();
