// TScript: libraries and framework globals of a script state, protected calls with error
// reporting, and the coroutine that the task list resumes. The coroutine runs on its own Lua
// thread, anchored in the registry, so native code can keep calling into the state while it waits.
#include "script/script.h"

#include <cstring>

#include "core/file.h"
#include "core/log.h"
#include "script/lua/lauxlib.h"
#include "script/lua/lualib.h"
#include "script/luastack.h"
#include "script/luawrapper.h"
#include "script/scriptbinding.h"
#include "script/scriptcode.h"

namespace {

TString& ModulePath() {
  static TString path("assets/?;?;../?;../../?");
  return path;
}

// _ALERT(message): logs the value on the stack top.
int Alert(lua_State* L) {
  LogPrintf("Lua error: %s", ScriptErrorText(L, -1));
  return 0;
}

// DebugOut(text): a sink for script debug output; release builds drop it.
void DebugOut(TString text) {}

// toparams(t): t[1] to t[n], n being the table's size (its field "n" when present).
int ToParams(lua_State* L) {
  if (!lua_istable(L, 1)) return 0;
  int n = lua_tablesize(L, 1);
  if (n <= 0) return 0;
  if (!lua_checkstack(L, n)) return 0;
  for (int i = 1; i <= n; ++i) lua_rawgeti(L, 1, i);
  return n;
}

constexpr const char kDumpTableText[] = R"(
function _Internal_DumpEntry(k, v, indent)
  local pad = string.rep(" ", indent)
  if type(v) == "table" then
    return pad .. tostring(k) .. " -> {\n" .. _Internal_DumpTable(v, indent + 2) .. pad .. "}\n"
  end
  return pad .. tostring(k) .. " -> " .. tostring(v) .. "\n"
end
function _Internal_DumpTable(t, indent)
  if indent > 10 then return string.rep(" ", indent) .. "...\n" end
  local text = ""
  for k, v in pairs(t) do text = text .. _Internal_DumpEntry(k, v, indent) end
  return text
end
function DumpTable(t)
  DebugOut("Dump Table: \n" .. _Internal_DumpTable(t, 2))
end
)";

constexpr const char kGetClosureText[] =
    "function GetClosure( f, ... ) return function() return f( arg[1], arg[2], arg[3], arg[4], "
    "arg[5], arg[6] ); end; end";

// Runs a fixed text under a chunk name; a failure goes through _ALERT.
void RunText(lua_State* L, const char* text, const char* chunkName) {
  RestoreLuaStackTop guard(L);
  if (luaL_loadbuffer(L, text, strlen(text), chunkName) == 0)
    CallWithAlert(L, 0, 0);
  else
    Alert(L);
}

// Reports a message through the global _ALERT, or straight to the log when it is missing.
void ReportThroughAlert(lua_State* L, const TString& message) {
  RestoreLuaStackTop guard(L);
  lua_pushstring(L, "_ALERT");
  lua_gettable(L, LUA_GLOBALSINDEX);
  if (!lua_isfunction(L, -1)) {
    LogPrintf("Lua error: %s", message.CStr());
    return;
  }
  ScriptPushString(L, message);
  lua_pcall(L, 1, 0, 0);
}

}  // namespace

TLuaStateHolder::~TLuaStateHolder() = default;

TScript::TScript(lua_State* L) : TAnimTask(nullptr) {
  Stop();
  if (L) {
    mL = L;
  } else {
    mL = lua_open();
    mOwnsState = true;
    lua_pushstring(mL, "_SCRIPT");
    lua_pushlightuserdata(mL, this);
    lua_settable(mL, LUA_GLOBALSINDEX);
  }
  OpenLibraries();
}

TScript::~TScript() {
  DeleteOwnedWrappers();
  ReleaseCoroutine();
  if (mStateHolder) {
    mStateHolder.reset();
  } else if (mOwnsState) {
    lua_close(mL);
  }
}

void TScript::OpenLibraries() {
  RestoreLuaStackTop guard(mL);
  // The openers leave their tables on the stack; the guard drops them.
  luaopen_base(mL);
  luaopen_string(mL);
  luaopen_table(mL);
  lua_register(mL, "_ALERT", &Alert);
  BindScriptFunction(mL, "DebugOut", &DebugOut);
  lua_register(mL, "toparams", &ToParams);
  RunText(mL, kDumpTableText, "DumpTable");
}

TScript* TScript::FromState(lua_State* L) {
  RestoreLuaStackTop guard(L);
  lua_pushstring(L, "_SCRIPT");
  lua_gettable(L, LUA_GLOBALSINDEX);
  return static_cast<TScript*>(lua_islightuserdata(L, -1) ? lua_touserdata(L, -1) : nullptr);
}

const TString& TScript::GetModulePath() { return ModulePath(); }

void TScript::SetModulePath(const TString& path) { ModulePath() = path; }

void TScript::AddOwnedWrapper(std::unique_ptr<TLuaObjectWrapper> wrapper) {
  if (wrapper) mOwnedWrappers.push_back(std::move(wrapper));
}

void TScript::DeleteOwnedWrappers() {
  // Deleting a wrapper touches the state, never this list; still, take the list first.
  std::vector<std::unique_ptr<TLuaObjectWrapper>> doomed;
  doomed.swap(mOwnedWrappers);
}

bool TScript::DeliverValue() {
  lua_pop(mL, 1);
  return false;
}

int TScript::RunFunction(int nargs, int nresults) {
  DeleteOwnedWrappers();
  int function = lua_gettop(mL) - nargs;
  if (mSuspended && nresults <= 1) {
    // Hand the call to the waiting coroutine as a closure over the function and its arguments.
    lua_pushstring(mL, "GetClosure");
    lua_gettable(mL, LUA_GLOBALSINDEX);
    if (lua_isnil(mL, -1)) {
      lua_pop(mL, 1);
      RunText(mL, kGetClosureText, kGetClosureText);
      lua_pushstring(mL, "GetClosure");
      lua_gettable(mL, LUA_GLOBALSINDEX);
    }
    lua_insert(mL, function);
    int code = CallWithAlert(mL, nargs + 1, 1);
    if (code != 0) {
      lua_settop(mL, function - 1);
      return code;
    }
    TLuaFunction closure(mL);
    closure.PushValue();
    if (DeliverValue()) return 0;
    closure.PushValue();
    nargs = 0;
  }

  int code = CallWithAlert(mL, nargs, nresults);
  if (code != 0) {
    if (nresults > 1)
      LogPrintf("TScript::RunFunction failure. Too many return results? (%d, FAILURE CODE %d)",
                nresults, code);
    lua_settop(mL, function - 1);  // the error text already went through _ALERT
    return code;
  }
  if (!mSuspended && nresults == 1 && lua_isfunction(mL, -1)) {
    if (mRunning) {
      LogPrintf("lua_resume error: %s", "a coroutine is already running");
    } else {
      lua_pushvalue(mL, -1);
      StartCoroutine();
    }
  }
  return 0;
}

void TScript::StartCoroutine() {
  ReleaseCoroutine();
  lua_State* co = lua_newthread(mL);
  lua_pushlightuserdata(mL, &mCoroutine);
  lua_pushvalue(mL, -2);
  lua_settable(mL, LUA_REGISTRYINDEX);
  lua_pop(mL, 1);
  lua_xmove(mL, co, 1);
  mCoroutine = co;
  if (!IsScheduled()) SetTimer(0, true, true, false);
  TString error;
  if (ResumeThread(0, nullptr, &error) != 0) LogPrintf("lua_resume error: %s", error.CStr());
}

int TScript::Resume(int nargs, int* results) {
  DeleteOwnedWrappers();
  if (results) *results = 0;
  if (!mCoroutine || !mSuspended) {
    lua_pop(mL, nargs);
    LogPrintf("lua_resume ERROR: %s",
              mRunning ? "cannot resume non-suspended coroutine" : "cannot resume dead coroutine");
    return LUA_ERRRUN;
  }
  lua_xmove(mL, mCoroutine, nargs);
  TString error;
  int code = ResumeThread(nargs, results, &error);
  if (code != 0) LogPrintf("lua_resume ERROR: %s", error.CStr());
  return code;
}

int TScript::ResumeThread(int nargs, int* results, TString* error) {
  lua_State* co = mCoroutine;
  mSuspended = false;
  mRunning = true;
  int code = lua_resume(co, nargs);
  mRunning = false;
  if (code != 0) {
    *error = ScriptErrorText(co, -1);
    ReleaseCoroutine();
    return code;
  }
  // A coroutine that yielded still has a call in progress; a finished one has none.
  lua_Debug ar;
  bool yielded = lua_getstack(co, 0, &ar) != 0;
  int count = lua_gettop(co);
  if (results) {
    lua_xmove(co, mL, count);
    *results = count;
  } else {
    lua_settop(co, 0);
  }
  if (yielded)
    mSuspended = true;
  else
    ReleaseCoroutine();
  return 0;
}

void TScript::ReleaseCoroutine() {
  if (!mCoroutine) return;
  mCoroutine = nullptr;
  mSuspended = false;
  lua_pushlightuserdata(mL, &mCoroutine);
  lua_pushnil(mL);
  lua_settable(mL, LUA_REGISTRYINDEX);
}

bool TScript::Animate() {
  if (!mCoroutine || !mSuspended) {
    Stop();
    return true;
  }
  if (Resume(0) != 0 || !mSuspended) Stop();
  return true;
}

bool TScript::RunScript(const TString& path) {
  if (path.IsEmpty() || !FileExists(path)) return false;
  RestoreLuaStackTop guard(mL);
  TString error;
  std::shared_ptr<TScriptCode> code = TScriptCode::Get(path, GetModulePath(), &error);
  if (!code) {
    ReportThroughAlert(mL, error);
    return false;
  }
  // A script's require() searches the module path, whatever an earlier script left in LUA_PATH.
  RunModulePathAssignment();
  if (code->Load(mL, "@" + path) != 0) {
    ReportThroughAlert(mL, ScriptErrorText(mL, -1));
    return false;
  }
  int result = RunFunction(0, 1);
  if (result != 0) {
    LogPrintf("Failed to run script %s: %d", path.CStr(), result);
    return false;
  }
  return true;
}

void TScript::RunModulePathAssignment() {
  TString text = "LUA_PATH='" + GetModulePath() + "' ;";
  RunText(mL, text.CStr(), text.CStr());
}

int TScript::DoLuaString(const TString& text, int length, int results) {
  RunModulePathAssignment();
  int top = lua_gettop(mL);
  size_t size = static_cast<size_t>(text.Length());
  if (length >= 0 && static_cast<size_t>(length) < size) size = static_cast<size_t>(length);
  const char* word = "parsing";
  int code = luaL_loadbuffer(mL, text.CStr(), size, text.CStr());
  if (code == 0) {
    code = RunFunction(0, results == 0 ? 1 : results);
    if (code == 0) {
      if (results == 0) lua_pop(mL, 1);
      return 0;
    }
    word = "running";
  }
  if (lua_gettop(mL) > top && lua_type(mL, -1) == LUA_TSTRING) {
    TString message = TString::Format("Lua Error: %s\n\twhen %s", lua_tostring(mL, -1), word);
    LogPrintf("DoLuaString %s %s", message.CStr(), text.CStr());
    lua_pushstring(mL, "LuaErrorMessage");
    lua_gettable(mL, LUA_GLOBALSINDEX);
    if (!lua_isnil(mL, -1)) {
      // Protected: a handler that is no function, or that fails, must not take the program down.
      ScriptPushString(mL, message);
      if (lua_pcall(mL, 1, 0, 0) != 0)
        LogPrintf("LuaErrorMessage failed: %s", ScriptErrorText(mL, -1));
    }
  }
  lua_settop(mL, top);
  return code;
}

double TScript::PopNumber() {
  double n = lua_tonumber(mL, -1);
  lua_pop(mL, 1);
  return n;
}

TString TScript::PopString() {
  TString text = ScriptGetString(mL, -1);
  lua_pop(mL, 1);
  return text;
}

void TScript::PopQuad(float out[4]) {
  for (int i = 0; i < 4; ++i) {
    out[i] = 0;
    if (lua_istable(mL, -1)) {
      lua_rawgeti(mL, -1, i + 1);
      out[i] = static_cast<float>(lua_tonumber(mL, -1));
      lua_pop(mL, 1);
    }
  }
  lua_pop(mL, 1);
}

void TScript::SetGlobal(const char* name, const TString& value) {
  lua_pushstring(mL, name);
  ScriptPushString(mL, value);
  lua_settable(mL, LUA_GLOBALSINDEX);
}
