// Modal windows and screens. A modal window is the unit of time and input: it owns the clock and
// task list its windows animate on, remembers which of its windows takes the keyboard focus, maps
// hot keys to its buttons, turns Enter and Escape into default-action presses and closes itself on
// a close message. TScreen is the root modal window that fills the display.
#pragma once
#include <map>
#include <set>

#include "core/clock.h"
#include "core/math.h"
#include "core/task.h"
#include "ui/window.h"

// "Control-Shift-s" and "shift-ctrl-S" both become "shift-ctrl-S"; "@...q" becomes "@Q", a key that
// matches whatever the modifiers.
TString CanonicalHotKey(const TString& text);

class TModalWindow : public TWindow {
  TM_CLASS(TModalWindow, TWindow)

 public:
  TModalWindow();
  // Posts kModalClosed (named with the id text) while the window manager exists.
  ~TModalWindow() override;
  static TWindow* CreateInstance() { return new TModalWindow; }

  bool OnActivate() override;
  void PostCreate(TWindowStyle& style) override;
  bool OnMessage(TMessage& message) override;
  bool OnChar(int8_t c) override;
  bool OnKeyDown(int8_t key, int32_t modifiers) override;
  void OnFocus(TWindow* previous) override;
  virtual void RegisterHotKey(const TString& key, const TString& button);

  void AddTask(std::unique_ptr<TTask> task) { mTasks.Add(std::move(task)); }
  void ClearTasks() { mTasks.Clear(); }
  void RunTasks(int phase) { mTasks.RunAll(phase); }
  TTaskList& GetTaskList() { return mTasks; }
  TClock& GetClock() { return mClock; }

  TWindow* GetFocusChild() const { return mFocusChild; }
  void SetFocusChild(TWindow* window);
  void UpdateCoverSet(TWindow* window, bool covers);
  bool IsInCoverSet(TWindow* window) const { return mCoverSet.count(window) != 0; }
  void PressHotKeyButton(const TString& button);
  // The button name registered for a canonical key text; empty when none.
  TString GetHotKey(const TString& canonical) const;

 private:
  TTaskList mTasks;
  TWindow* mFocusChild = nullptr;
  std::set<TWindow*> mCoverSet;
  TClock mClock;
  std::map<TString, TString> mHotKeys;
};

class TScreen : public TModalWindow {
  TM_CLASS(TScreen, TModalWindow)

 public:
  TScreen();
  static TWindow* CreateInstance() { return new TScreen; }
  void Draw() override;

  bool mAlwaysDraw = false;
  bool mDrawSuppressed = false;
  TVec4 mFillColour;
};

// Finds the effectively visible default and cancel buttons of a modal window. Which windows are
// buttons and which options they carry is told by the button classes through the hooks below.
class FindDefault : public TWindowSpider {
 public:
  bool Visit(TWindow* window) override;
  TWindow* mDefault = nullptr;
  TWindow* mCancel = nullptr;
};

// What the button classes tell the modal window: a window's button options (0x8 default, 0x10
// cancel; -1 when it is no button), running a button's command (true when that removed the button),
// and pressing a button (false when the window is no button). Without them no window is a button.
struct TButtonHooks {
  bool (*press)(TWindow* window) = nullptr;
  int32_t (*options)(TWindow* window) = nullptr;
  bool (*doCommand)(TWindow* button) = nullptr;
};
void SetButtonHooks(const TButtonHooks& hooks);
