// The game-state hub: the game reports what it is doing as key/value texts ("level", "score",
// "mute" ...) and asks questions (mute, restart, jump to the menu, is the host busy). The hub keeps
// the values and passes every report to its handlers: ".vxmod" modules and the portal handler. The
// platform tells them the command line and the data folders at start-up, the two start-up notices
// on its first event and the window's WM_USER messages; while one of them is busy the event pump
// only keeps the window alive.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "core/string.h"
#include "os/win32types.h"
#include "script/scriptbinding.h"

class TGameState;

// A game-state handler. The operations keep this order; each default is the answer of a handler
// that has no opinion.
class TGameStateHandler {
 public:
  virtual ~TGameStateHandler() = default;
  // Hears one report; true when it consumed it (later handlers do not see it).
  virtual bool SetState(const TString& key, const TString& value) = 0;
  // Answers a question about a key, given the value so far.
  virtual TString GetState(const TString& key, const TString& current) { return current; }
  virtual bool QueryRestartMode() { return false; }
  virtual bool QueryJumpToMenu() { return false; }
  virtual bool QueryMuteGame() { return false; }
  virtual bool IsBusy() { return false; }

 protected:
  friend class TGameState;
  // The hub the handler was added to (its stored values), null before that.
  TGameState* mHub = nullptr;
};

// A handler that only listens: it hears every report and never consumes one.
class IGameStateHandler : public TGameStateHandler {
 public:
  virtual void SetState(const char* key, const char* value) = 0;
  bool SetState(const TString& key, const TString& value) final {
    SetState(key.CStr(), value.CStr());
    return false;
  }
};

// What a ".vxmod" module's handler offers. Modules are separate shared objects, so texts cross as
// plain NUL-terminated UTF-8; an answered text stays valid until the handler's next call.
class TGameStateModuleHandler {
 public:
  virtual ~TGameStateModuleHandler() = default;
  virtual bool SetState(const char* key, const char* value) = 0;
  virtual const char* GetState(const char* key, const char* current) { return current; }
  virtual bool QueryRestartMode() { return false; }
  virtual bool QueryJumpToMenu() { return false; }
  virtual bool QueryMuteGame() { return false; }
  virtual bool IsBusy() { return false; }
};

// Exports a module provides: "CreateHandler" and "DestroyHandler".
using TCreateHandlerProc = TGameStateModuleHandler* (*)();
using TDestroyHandlerProc = void (*)(TGameStateModuleHandler*);

class TGameState {
 public:
  TGameState() = default;
  ~TGameState() = default;  // deletes every handler
  TGameState(const TGameState&) = delete;
  TGameState& operator=(const TGameState&) = delete;

  // Appends a handler; the hub owns it from then on.
  void AddHandler(std::unique_ptr<TGameStateHandler> handler);
  // Stores the value under the key, then offers it to the handlers in list order until one
  // consumes it. A key "++name" stores and sends the current value of "name" plus 1.
  void SendState(const TString& key, const TString& value);
  // SendState with the number formatted as "%d".
  void SendStateNumber(const TString& key, int32_t value);
  // The stored value (empty when none) passed through every handler's answer in list order.
  TString GetState(const TString& key);
  // True when a handler answers true (asked in list order, stopping at the first true).
  bool QueryRestartMode();
  bool QueryJumpToMenu();
  bool IsBusy() const;
  // A handler's wish, else the "mute" value read as a number.
  bool QueryMuteGame();
  size_t HandlerCount() const { return mHandlers.size(); }

  // Registers "GetState", "_SetState", "QueryMuteGame", "QueryRestartMode" and "QueryJumpToMenu" in
  // a script state; they go dead with the hub.
  void BindScript(lua_State* L);

 private:
  // True when a handler answers the query with true (in list order, stopping there).
  bool AnyHandler(bool (TGameStateHandler::*query)()) const;
  std::map<TString, TString> mValues;
  std::vector<std::unique_ptr<TGameStateHandler>> mHandlers;
  TScriptBindings mBindings;
};

// A ".vxmod" module as a handler: the library stays loaded while the handler lives.
class TDllGameState : public TGameStateHandler {
 public:
  TDllGameState() = default;  // an empty module handler: no library, no handler
  ~TDllGameState() override;
  TDllGameState(const TDllGameState&) = delete;
  TDllGameState& operator=(const TDllGameState&) = delete;
  // Loads the library, looks up "CreateHandler" and "DestroyHandler" and creates the module's
  // handler; false, with nothing kept, when the library or an export is missing or no handler comes.
  bool Load(const TString& fileName);
  bool SetState(const TString& key, const TString& value) override;
  TString GetState(const TString& key, const TString& current) override;
  bool QueryRestartMode() override;
  bool QueryJumpToMenu() override;
  bool QueryMuteGame() override;
  bool IsBusy() override;

 private:
  void Release();
  HMODULE mModule = nullptr;
  TGameStateModuleHandler* mHandler = nullptr;  // made and destroyed by the module
  TDestroyHandlerProc mDestroy = nullptr;
};

// The process-wide hub, made on first use.
TGameState* GetGameState();
// The hub if it exists, else null (no hub is made).
TGameState* FindGameState();
void DeleteGameState();
