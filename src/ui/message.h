// Framework messages: small objects with a type, a name and an optional target window, queued with
// the window manager and delivered in order, so a handler never runs inside the widget that raised
// the message. Listeners see untargeted messages before any window does.
#pragma once
#include <cstdint>

#include "core/classid.h"
#include "core/string.h"

class TWindow;

// Message types; scripts know them under the same names.
enum : int32_t {
  kGeneric = 0,           // anything a script sends
  kCloseWindow = 1,       // name: the id text of the modal window to close
  kDefaultAction = 2,     // Enter or Escape in a modal window
  kButtonPress = 3,       // name: the button's name
  kPressAnyKey = 4,       // "mouse:up", or "raw:" and the key code as one character
  kQuitNow = 5,           // delivery ends the program
  kModalClosed = 6,       // name: the id text of the destroyed modal window
  kTextEditChanged = 7,   // a text-edit window's text changed
  kCommandOnly = 8,       // "LuaAction:" and the button's name
  kSliderValChanged = 9,  // the slider's name, for each of the slider messages
  kSliderMouseUp = 10,
  kSliderPageUp = 11,
  kSliderPageDown = 12,
  kUserMessageBase = 1000,  // the first type a game defines for itself
};

class TMessage {
  TM_CLASS_ROOT(TMessage)

 public:
  TMessage(int32_t type, const TString& name, TWindow* target = nullptr)
      : mType(type), mName(name), mTarget(target) {}
  virtual ~TMessage();
  TMessage(const TMessage&) = delete;
  TMessage& operator=(const TMessage&) = delete;

  int32_t GetType() const { return mType; }
  const TString& GetName() const { return mName; }
  TWindow* GetTarget() const { return mTarget; }
  void SetType(int32_t type) { mType = type; }
  void SetName(const TString& name) { mName = name; }
  // Null: untargeted.
  void SetTarget(TWindow* target) { mTarget = target; }

 private:
  int32_t mType;
  TString mName;  // the sender's name, a window id text, or a composed name such as "mouse:up"
  TWindow* mTarget;
};

// Sees untargeted messages before any window; the window manager owns its listeners.
class TMessageListener {
 public:
  virtual ~TMessageListener();
  // True when the listener consumed the message (its deliverer then deletes it).
  virtual bool OnMessage(TMessage& message) = 0;
};
