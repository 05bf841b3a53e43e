// The window script: the script of the window manager, whose Lua state every window, the game and its
// model share. It keeps the registry that turns a window-type name used in a screen script into a new
// window, the stack of "current" windows under which a script's window tables are built, and carries
// framework messages and commands into the waiting script.
#pragma once
#include <map>
#include <memory>
#include <vector>

#include "script/script.h"
#include "script/scriptbinding.h"

class TFlashHost;
class TLuaFunction;
class TMessage;
class TWindow;
class TWindowStyle;

// Told of every window a script builds, with the style it was initialised from.
class TWindowCreationListener {
 public:
  virtual ~TWindowCreationListener() = default;
  virtual void OnWindowCreated(TWindow* window, TWindowStyle& style) = 0;
};

class TWindowScript : public TScript {
 public:
  using TWindowCreatorFn = TWindow* (*)();

  // Opens a Lua state of its own and registers the window protocol's globals.
  TWindowScript();
  ~TWindowScript() override;

  // The movie: at most one is open, owned here. StartMovie answers false for an empty name or a
  // movie that cannot be opened.
  bool StartMovie(const TString& movie, bool translate, bool allowInput);
  bool IsMoviePlaying();
  void StopMovie();
  TFlashHost* GetMovieHost() const { return mMovieHost.get(); }
  // Stops a playing movie, if any (the close request does this first); counts the requests.
  void StopMovieIfPlaying();
  int mMovieStops = 0;

  // Defines the Lua type function `name` (it returns a deferred builder) and stores the creator,
  // replacing an earlier one.
  void RegisterCreator(const TString& name, TWindowCreatorFn creator);
  TWindowCreatorFn FindCreator(const TString& name) const;
  // The window becomes the only current window.
  void SetWindow(TWindow* window);
  void PushWindow(TWindow* window);
  // Never pops below one entry.
  void PopWindow();
  TWindow* GetCurrentWindow() const { return mWindows.empty() ? nullptr : mWindows.back(); }
  size_t GetWindowDepth() const { return mWindows.size(); }
  // Attaches the new window to the current one and initialises it from the table on the stack top
  // of L (the script's own state when null; the table stays there); the new window becomes
  // current. False when the current window refuses it (the window is then deleted).
  bool BuildWindow(TWindow* window, lua_State* L = nullptr);
  void SetCreationListener(TWindowCreationListener* listener) { mCreationListener = listener; }

  // Hands a framework message and/or command to the script; true when it was taken.
  bool QueueMessage(TMessage* message, TLuaFunction* command);
  // Resumes the waiting script with (nil, value); the value it yields next is left on the stack
  // as the one result of the native call that was handed over.
  bool DeliverValue() override;
  int32_t GetWaitState() const { return mWaitState; }

 private:
  static int LuaGenericCreate(lua_State* L);
  static int LuaPopWindow(lua_State* L);
  static int LuaPostCreate(lua_State* L);
  static int LuaHandleGetMessage(lua_State* L);
  static int LuaPushModal(lua_State* L);
  static int LuaReadFile(lua_State* L);
  static int LuaDoFitToChildren(lua_State* L);
  static int LuaDoPopModal(lua_State* L);
  static int LuaSetWindowName(lua_State* L);
  static int LuaStartMovie(lua_State* L);
  static int LuaIsMoviePlaying(lua_State* L);
  static int LuaStopMovie(lua_State* L);
  static TWindowScript* From(lua_State* L);
  void RunProtocolLibrary();

  std::vector<TWindow*> mWindows;  // not owned; the last entry is current
  std::map<TString, TWindowCreatorFn> mCreators;
  int32_t mWaitState = 1;
  TWindowCreationListener* mCreationListener = nullptr;
  std::unique_ptr<TFlashHost> mMovieHost;
};
