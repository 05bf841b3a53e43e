// TScript: a task that owns (or borrows) a Lua state, opens the standard libraries with the
// framework's additions, runs script files and strings, calls Lua functions with error reporting,
// and runs one Lua function as a coroutine that the task list resumes. Every Lua error is reported
// through the global _ALERT, which logs "Lua error: %s"; nothing is thrown to the caller.
#pragma once
#include <memory>
#include <vector>

#include "core/string.h"
#include "core/task.h"
#include "script/lua/lua.h"

class TLuaObjectWrapper;

// Something that owns a Lua state for a script; deleting it ends the state.
class TLuaStateHolder {
 public:
  virtual ~TLuaStateHolder();
};

class TScript : public TAnimTask {
 public:
  // With a null state opens a new one and names this script in its global _SCRIPT; with a given
  // state uses it as it is. Then opens the libraries. The task starts unscheduled.
  explicit TScript(lua_State* L = nullptr);
  // Deletes the owned wrappers, then the state holder when one is attached, else closes the state.
  ~TScript() override;
  TScript(const TScript&) = delete;
  TScript& operator=(const TScript&) = delete;

  // Resumes the coroutine; unschedules the task when that fails or the coroutine is done.
  bool Animate() override;
  // Offers the value on the stack top to a coroutine waiting for one. This base pops it and
  // answers false.
  virtual bool DeliverValue();

  // Runs a script file compiled once per file (shared while in use). A script that returns a
  // function keeps running as the coroutine. False, without a log line, for a missing file.
  bool RunScript(const TString& path);
  // Runs a text (length -1: all of it). results 0 means: run with one result and drop it; any
  // other count leaves that many results on the stack. Answers 0 or the Lua error code.
  int DoLuaString(const TString& text, int length, int results);
  // Calls the function below nargs arguments on the stack top; leaves nresults results. While the
  // coroutine is suspended, a call wanting at most one result is offered to it instead (through
  // DeliverValue). A single function result of a call made while no coroutine is suspended becomes
  // the coroutine and starts at once. Answers 0 or the Lua error code.
  int RunFunction(int nargs, int nresults);
  // Resumes the coroutine with the nargs values on the stack top (popped). When `results` is
  // given, what the coroutine yields or returns is pushed and counted there, else dropped.
  // Answers 0 or the resume's error code.
  int Resume(int nargs, int* results = nullptr);

  double PopNumber();
  TString PopString();
  // Elements 1 to 4 of the table on the stack top (missing ones 0); the table is popped.
  void PopQuad(float out[4]);
  // Global name = text; the stack is left as it was.
  void SetGlobal(const char* name, const TString& value);

  lua_State* GetState() const { return mL; }
  // The coroutine's thread while one exists.
  lua_State* GetCoroutine() const { return mCoroutine; }
  // The coroutine yielded and waits to be resumed.
  bool IsSuspended() const { return mSuspended; }
  // The state is then ended by deleting the holder instead of closing it.
  void SetStateHolder(std::unique_ptr<TLuaStateHolder> holder) { mStateHolder = std::move(holder); }
  // Keeps the wrapper until the next run or resume.
  void AddOwnedWrapper(std::unique_ptr<TLuaObjectWrapper> wrapper);
  size_t GetOwnedWrapperCount() const { return mOwnedWrappers.size(); }

  // The script named by the state's global _SCRIPT, or null.
  static TScript* FromState(lua_State* L);
  // The module search path set as LUA_PATH before screen scripts and strings run.
  static const TString& GetModulePath();
  static void SetModulePath(const TString& path);

 private:
  void OpenLibraries();
  void DeleteOwnedWrappers();
  // Makes the function on the stack top (popped) the coroutine and starts it.
  void StartCoroutine();
  // Resumes the coroutine thread with nargs values already on its stack.
  // On failure the error text is stored and the coroutine released.
  int ResumeThread(int nargs, int* results, TString* error);
  void ReleaseCoroutine();
  void RunModulePathAssignment();

  lua_State* mL = nullptr;
  std::unique_ptr<TLuaStateHolder> mStateHolder;
  bool mOwnsState = false;
  std::vector<std::unique_ptr<TLuaObjectWrapper>> mOwnedWrappers;
  lua_State* mCoroutine = nullptr;  // anchored in the registry under the address of this field
  bool mSuspended = false;
  bool mRunning = false;  // the coroutine is executing (a resume is on the native stack)
};
