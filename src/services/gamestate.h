// The game-state hub: the plug-in handlers (".vxmod" modules, portal handlers) that hear what happens
// in the process. The platform tells them the command line and the data folders at start-up, the two
// start-up notices on its first event and the window's WM_USER messages; while one of them is busy
// the event pump only keeps the window alive.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "core/string.h"
#include "os/win32types.h"

// What a module's handler offers. Modules are separate shared objects, so texts cross as plain
// NUL-terminated UTF-8.
class IGameStateHandler {
 public:
  virtual ~IGameStateHandler() = default;
  // Hears one key and its value.
  virtual void SetState(const char* key, const char* value) = 0;
  // Whether it is busy (the pump then waits for it).
  virtual bool IsBusy() = 0;
};

// Exports a module provides: "CreateHandler" and "DestroyHandler".
using TCreateHandlerProc = IGameStateHandler* (*)();
using TDestroyHandlerProc = void (*)(IGameStateHandler*);

class TGameState {
 public:
  // Appends a handler; the hub owns it from then on.
  void AddHandler(std::unique_ptr<IGameStateHandler> handler);
  // Hands the key and value to every handler, in list order.
  void SendState(const TString& key, const TString& value);
  // SendState with the number formatted as "%d".
  void SendStateNumber(const TString& key, int32_t value);
  // True as soon as one handler reports busy; false for an empty list.
  bool IsBusy() const;
  size_t HandlerCount() const { return mHandlers.size(); }

 private:
  std::vector<std::unique_ptr<IGameStateHandler>> mHandlers;
};

// A ".vxmod" module as a handler: the library stays loaded while the handler lives.
class TDllGameState : public IGameStateHandler {
 public:
  TDllGameState() = default;  // an empty module handler: no library, no handler
  ~TDllGameState() override;
  TDllGameState(const TDllGameState&) = delete;
  TDllGameState& operator=(const TDllGameState&) = delete;
  // Loads the library, looks up "CreateHandler" and "DestroyHandler" and creates the module's
  // handler; false, with nothing kept, when the library or an export is missing or no handler comes.
  bool Load(const TString& fileName);
  void SetState(const char* key, const char* value) override;
  bool IsBusy() override;

 private:
  void Release();
  HMODULE mModule = nullptr;
  IGameStateHandler* mHandler = nullptr;  // made and destroyed by the module
  TDestroyHandlerProc mDestroy = nullptr;
};

// The process-wide hub, made on first use.
TGameState* GetGameState();
// The hub if it exists, else null (no hub is made).
TGameState* FindGameState();
void DeleteGameState();
