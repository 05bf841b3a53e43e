// The window manager: turns the platform's events into window calls and draws the screen. It owns
// the modal stack (the screen at the bottom, each pushed modal window a child of the one below),
// the overlay windows, the framework message queue and its listeners, the windows waiting for
// deferred deletion, the mouse-tracking list, the keyboard focus and the installed window script.
#pragma once
#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <vector>

#include "platform/platformevent.h"
#include "ui/windowscript.h"
#include "ui/window.h"

class TMessage;
class TMessageListener;
class TModalWindow;
class TTexture;
class TLuaFunction;

// Told of hovers; installed from outside.
class THoverHandler {
 public:
  virtual ~THoverHandler() = default;
  virtual bool OnHover(TWindow* window, TPoint point) = 0;
};

class TWindowManager;

// Runs the window script from the platform's task list, so that timed waits wake it every frame.
// The manager keeps the script; the link only forwards, and ends itself once the manager is gone.
class TWindowScriptLink : public TTask {
 public:
  TWindowScriptLink(TWindowManager* manager, TWindowScript* script) : mManager(manager), mScript(script) {}
  ~TWindowScriptLink() override;
  bool IsReady(int phase) override { return !mScript || mScript->IsReady(phase); }
  bool Run() override { return mScript && mScript->Run(); }
  void Forget() {
    mManager = nullptr;
    mScript = nullptr;
  }

 private:
  TWindowManager* mManager;
  TWindowScript* mScript;
};

class TWindowManager {
  friend class TWindowScriptLink;

 public:
  TWindowManager();
  virtual ~TWindowManager();
  TWindowManager(const TWindowManager&) = delete;
  TWindowManager& operator=(const TWindowManager&) = delete;

  // Marks the whole screen for redrawing.
  void Invalidate() {
    ++mInvalidations;
    mRedrawNeeded = true;
  }
  bool IsRedrawNeeded() const { return mRedrawNeeded; }
  // Clears the rectangle to black at the start of the next frame (before the windows draw), for
  // what was drawn over the windows and is gone now, such as the debug overlay.
  void ClearOnNextFrame(const TRect& rect) {
    mPendingClear = rect;
    Invalidate();
  }
  // A movie window is open (the polling thread leaves the cursor alone, the mouse block is off).
  bool IsMovieOpen() const { return mMovieOpen; }
  // A movie takes the mouse: every button and wheel message is ignored.
  bool MovieTakesInput() const { return mMovieInput; }
  TWindowScript* GetWindowScript() const { return mWindowScript; }
  // Uses a script that somebody else keeps: registers the manager's own window types and globals
  // in it and adds it to the platform's task list (when a platform runs).
  void SetWindowScript(TWindowScript* script);
  // Installs a script the manager keeps from now on.
  void InstallWindowScript(std::unique_ptr<TWindowScript> script);
  // Sets the window script's flag word and answers the previous one.
  int32_t SwapScriptFlag(int32_t flag) {
    int32_t old = mScriptFlag;
    mScriptFlag = flag;
    return old;
  }
  int32_t GetScriptFlag() const { return mScriptFlag; }
  void RegisterWindowType(const TString& name, TWindowCreator creator);

  // ---- events and frames ----
  void HandleEvent(const TPlatformEvent& event);
  void Render();
  void DrawModals(int32_t kind);
  uint32_t GetLastDrawTime() const { return mLastDrawTime; }

  // ---- modal stack ----
  void PushModal(TModalWindow* window);
  void PopModal();
  // Installs the root screen: pushed, sized to the viewport; answers its OnActivate.
  bool SetScreen(TModalWindow* window);
  // Pops modal windows down to and including the one with the name or id text.
  void CloseModal(const TString& name);
  TModalWindow* GetTopModal() const { return mModalStack.empty() ? nullptr : mModalStack.front(); }
  TModalWindow* GetScreen() const { return mScreen; }
  const std::list<TModalWindow*>& GetModalStack() const { return mModalStack; }

  // ---- focus, tracking, deletion ----
  TWindow* GetFocus() const { return mFocus; }
  void SetFocus(TWindow* window);
  void TrackMouse(TWindow* window);
  void StopTrackingMouse(TWindow* window);
  const std::list<TWindow*>& GetTrackingList() const { return mTracking; }
  void DeferDelete(TWindow* window);
  void DeleteClosedWindows();
  size_t GetClosedWindowCount() const { return mClosed.size(); }
  void OnWindowDestroyed(TWindow* window);
  TWindow* GetDebugWindow() const { return mDebugWindow; }

  // ---- messages ----
  void PostMessage(TMessage* message);
  void FlushMessages();
  void DeliverMessage(TMessage* message);
  void AddListener(TMessageListener* listener);
  bool RemoveListener(TMessageListener* listener);
  void PassMessageToScript(TMessage* message, TLuaFunction* command);
  size_t GetQueuedMessageCount() const { return mMessages.size(); }

  // ---- overlays, hover, options ----
  // The manager owns overlay windows; new ones go to the front.
  void AddOverlay(TWindow* window) { mOverlays.push_front(window); }
  void SetHoverHandler(THoverHandler* handler) { mHoverHandler = handler; }
  bool OnHover(TWindow* window, TPoint point) { return mHoverHandler && mHoverHandler->OnHover(window, point); }
  void SetTopModalOnly(bool value) { mTopOnly = value; }
  bool GetTopModalOnly() const { return mTopOnly; }
  std::shared_ptr<TTexture> GetHeldTexture() const { return mHeldTexture; }
  void SetHeldTexture(const std::shared_ptr<TTexture>& texture) { mHeldTexture = texture; }
  void SetDebugRectangle(bool on) { mDebugRect = on; }

  // ---- scripts run for a window ----
  bool DoScriptFile(TWindow* window, const TString& path);
  int DoScriptString(TWindow* window, const TString& text);

  // Read by the pointer-polling thread.
  std::atomic<bool> mMovieOpen{false};
  bool mMovieInput = false;
  int mInvalidations = 0;

 private:
  void RouteMouse(const TPlatformEvent& event);
  void WalkTracking(const TPlatformEvent* event);
  bool FrameIntervalPassed();

  std::shared_ptr<TTexture> mHeldTexture;
  TModalWindow* mScreen = nullptr;
  bool mDrawStopped = false;
  uint32_t mLastDrawTime = 0;
  std::list<TModalWindow*> mModalStack;  // front = top; the windows belong to the tree
  std::vector<TWindow*> mClosed;          // owned, deleted at the next event
  std::list<TWindow*> mOverlays;          // owned
  bool mTopOnly = false;
  bool mRedrawNeeded = true;
  TRect mPendingClear;
  bool mDebugRect = false;
  bool mTrackingChanged = false;
  TWindow* mDebugWindow = nullptr;
  std::list<TWindow*> mTracking;
  TWindow* mFocus = nullptr;
  std::list<TMessage*> mMessages;             // owned
  std::vector<TMessageListener*> mListeners;  // owned
  THoverHandler* mHoverHandler = nullptr;
  std::unique_ptr<TWindowScript> mOwnedScript;
  TWindowScript* mWindowScript = nullptr;
  int32_t mScriptFlag = 0;
  TScriptBindings mBindings;
  TWindowScriptLink* mScriptLink = nullptr;  // owned by the platform's task list
};

// The window manager of the running platform; before a platform exists (tools, tests), a process-wide
// one of its own.
TWindowManager* GetWindowManager();
