// The window script: type registry and window building, the current-window stack, message delivery
// into the waiting coroutine; the core script library (corescript.lua) supplies the protocol's Lua half.
#include "ui/windowscript.h"

#include "core/log.h"
#include "script/lua/lauxlib.h"
#include "ui/luamessage.h"
#include "ui/coreapi.h"
#include "script/luastack.h"
#include "script/luawrapper.h"
#include "script/scriptcode.h"
#include "ui/button.h"
#include "ui/flashhost.h"
#include "ui/image.h"
#include "ui/message.h"
#include "ui/modalwindow.h"
#include "ui/text.h"
#include "ui/textedit.h"
#include "ui/slider.h"
#include "ui/window.h"
#include "ui/windowmanager.h"
#include "ui/windowstyle.h"

// The core script library, compiled in at build time.
extern const unsigned char luachunk_corescript[];
extern const std::size_t luachunk_corescript_size;

namespace {

TWindowManager* Manager() { return GetWindowManager(); }

// Reports a load or run error of a chunk through _ALERT, or to the log when that is missing.
void Alert(lua_State* L, const TString& message) {
  RestoreLuaStackTop guard(L);
  lua_getglobal(L, "_ALERT");
  if (!lua_isfunction(L, -1)) {
    LogPrintf("Lua error: %s", message.CStr());
    return;
  }
  ScriptPushString(L, message);
  lua_pcall(L, 1, 0, 0);
}

// Runs a chunk of text plainly (never through the waiting coroutine).
void RunChunk(lua_State* L, const TString& text) {
  RestoreLuaStackTop guard(L);
  if (luaL_loadbuffer(L, text.CStr(), static_cast<size_t>(text.Length()), text.CStr()) == 0)
    CallWithAlert(L, 0, 0);
  else
    Alert(L, ScriptErrorText(L, -1));
}

int LuaCreateCloseMessage(lua_State* L) {
  TWindowScript* script = static_cast<TWindowScript*>(TScript::FromState(L));
  TWindow* current = script ? script->GetCurrentWindow() : nullptr;
  PushMessageUserdata(L, new TMessage(kCloseWindow, current ? current->GetIdString() : TString()));
  return 1;
}

// PostMessage(message): queues the message with the window manager; the Lua value stays referenced
// by the wrapper so the script later sees the very userdata it posted.
TLuaMessageWrapper* WrapMessageArgument(lua_State* L) {
  if (!ToBoxedPointer(L, 1)) return nullptr;
  // The wrapper outlives this call, so it must hold the value in the main state, not in the
  // coroutine that may be running here.
  TScript* script = TScript::FromState(L);
  lua_State* main = script ? script->GetState() : L;
  lua_pushvalue(L, 1);
  if (main != L) lua_xmove(L, main, 1);
  return new TLuaMessageWrapper(main);
}

int LuaPostMessage(lua_State* L) {
  if (TLuaMessageWrapper* message = WrapMessageArgument(L)) Manager()->PostMessage(message);
  return 0;
}

// PostMessageToParent(message): the same, aimed at the window below the top modal window.
int LuaPostMessageToParent(lua_State* L) {
  TLuaMessageWrapper* message = WrapMessageArgument(L);
  if (!message) return 0;
  TModalWindow* top = Manager()->GetTopModal();
  message->SetTarget(top ? top->GetParent() : nullptr);
  Manager()->PostMessage(message);
  return 0;
}

}  // namespace

TWindowScript::TWindowScript() : TScript(nullptr) {
  lua_State* L = GetState();
  OpenMessageLibrary(L);
  lua_register(L, "GenericCreate", &TWindowScript::LuaGenericCreate);
  lua_register(L, "PopWindow", &TWindowScript::LuaPopWindow);
  lua_register(L, "PostCreate", &TWindowScript::LuaPostCreate);
  lua_register(L, "HandleGetMessage", &TWindowScript::LuaHandleGetMessage);
  lua_register(L, "PushModal", &TWindowScript::LuaPushModal);
  lua_register(L, "ReadFile", &TWindowScript::LuaReadFile);
  lua_register(L, "DoFitToChildren", &TWindowScript::LuaDoFitToChildren);
  lua_register(L, "DoPopModal", &TWindowScript::LuaDoPopModal);
  lua_register(L, "SetWindowName", &TWindowScript::LuaSetWindowName);
  lua_register(L, "CreateCloseMessage", &LuaCreateCloseMessage);
  lua_register(L, "PostMessage", &LuaPostMessage);
  lua_register(L, "PostMessageToParent", &LuaPostMessageToParent);
  RegisterCoreApi(L);
  lua_register(L, "StartMovie", &TWindowScript::LuaStartMovie);
  lua_register(L, "IsMoviePlaying", &TWindowScript::LuaIsMoviePlaying);
  lua_register(L, "StopMovie", &TWindowScript::LuaStopMovie);
  RegisterCreator("Window", &TWindow::CreateInstance);
  RegisterCreator("Text", &TText::CreateInstance);
  RegisterCreator("TextEdit", &TTextEdit::CreateInstance);
  RegisterCreator("Bitmap", &TImage::CreateInstance);
  RegisterCreator("Button", &TButton::CreateInstance);
  RegisterCreator("Slider", &TSlider::CreateInstance);
  RunProtocolLibrary();
}

TWindowScript::~TWindowScript() {
  StopMovie();
  lua_setgcthreshold(GetState(), 0);
  mCreators.clear();
  mWindows.clear();
}

void TWindowScript::RunProtocolLibrary() {
  lua_State* L = GetState();
  RestoreLuaStackTop guard(L);
  if (luaL_loadbuffer(L, reinterpret_cast<const char*>(luachunk_corescript), luachunk_corescript_size,
                      "gScreenInit") != 0) {
    Alert(L, ScriptErrorText(L, -1));
    return;
  }
  CallWithAlert(L, 0, 0);
}

bool TWindowScript::StartMovie(const TString& movie, bool translate, bool allowInput) {
  if (movie.IsEmpty()) return false;
  StopMovie();
  auto host = std::make_unique<TFlashHost>(movie);
  if (!host->Create(false, translate, allowInput)) return false;
  mMovieHost = std::move(host);
  return true;
}

bool TWindowScript::IsMoviePlaying() { return mMovieHost && mMovieHost->IsPlaying(); }

void TWindowScript::StopMovie() {
  if (!mMovieHost) return;
  mMovieHost->Destroy();
  mMovieHost.reset();
}

void TWindowScript::StopMovieIfPlaying() {
  ++mMovieStops;
  StopMovie();
}

int TWindowScript::LuaStartMovie(lua_State* L) {
  TWindowScript* script = From(L);
  const char* movie = lua_tostring(L, 1);
  bool started = script && movie && script->StartMovie(movie, lua_toboolean(L, 2), lua_toboolean(L, 3));
  lua_pushboolean(L, started);
  return 1;
}

int TWindowScript::LuaIsMoviePlaying(lua_State* L) {
  TWindowScript* script = From(L);
  lua_pushboolean(L, script && script->IsMoviePlaying());
  return 1;
}

int TWindowScript::LuaStopMovie(lua_State* L) {
  if (TWindowScript* script = From(L)) script->StopMovie();
  return 0;
}

TWindowScript* TWindowScript::From(lua_State* L) {
  // The global _SCRIPT of a window script's state names that script.
  return static_cast<TWindowScript*>(TScript::FromState(L));
}

void TWindowScript::RegisterCreator(const TString& name, TWindowCreatorFn creator) {
  TString text = TString::Format(
      "function %s( table )\tCreating( '%s', table );\ttable.typename='%s';\n\treturn function() "
      "DoWindow( table ) end end;",
      name.CStr(), name.CStr(), name.CStr());
  RunChunk(GetState(), text);
  mCreators[name] = creator;
}

TWindowScript::TWindowCreatorFn TWindowScript::FindCreator(const TString& name) const {
  auto it = mCreators.find(name);
  return it == mCreators.end() ? nullptr : it->second;
}

void TWindowScript::SetWindow(TWindow* window) {
  mWindows.clear();
  mWindows.push_back(window);
}

void TWindowScript::PushWindow(TWindow* window) { mWindows.push_back(window); }

void TWindowScript::PopWindow() {
  if (mWindows.size() > 1) mWindows.pop_back();
}

bool TWindowScript::BuildWindow(TWindow* window, lua_State* L) {
  TWindow* current = GetCurrentWindow();
  if (!current || !current->AddChild(window, true)) {
    delete window;  // refused: nobody else holds it
    return false;
  }
  if (!L) L = GetState();
  lua_pushvalue(L, -1);
  TLuaTable table(L);
  TWindowStyle style(&table);
  window->Init(style);
  PushWindow(window);
  TString size = TString::Format("gDialogWidth = %d; gDialogHeight= %d ;", window->GetWidth(), window->GetHeight());
  RunChunk(GetState(), size);
  if (mCreationListener) mCreationListener->OnWindowCreated(window, style);
  return true;
}

int TWindowScript::LuaGenericCreate(lua_State* L) {
  TWindowScript* script = From(L);
  if (!script || !lua_istable(L, 1)) return 0;
  lua_settop(L, 1);
  lua_pushvalue(L, 1);
  TLuaTable table(L);
  TWindowStyle style(&table);
  TString type = style.GetString("typename", TString());
  TWindowCreatorFn creator = script->FindCreator(type);
  if (!creator) return 0;
  TWindow* window = creator();
  if (!window) return 0;
  // The table is on the stack top. True tells DoWindow that a window became current, so that it
  // neither names nor pops the parent when nothing was built.
  lua_pushboolean(L, script->BuildWindow(window, L));
  return 1;
}

int TWindowScript::LuaPopWindow(lua_State* L) {
  if (TWindowScript* script = From(L)) script->PopWindow();
  return 0;
}

int TWindowScript::LuaPostCreate(lua_State* L) {
  TWindowScript* script = From(L);
  TWindow* current = script ? script->GetCurrentWindow() : nullptr;
  if (!current || !lua_istable(L, 1)) return 0;
  lua_pushvalue(L, 1);
  TLuaTable table(L);
  TWindowStyle style(&table);
  current->PostCreate(style);
  return 0;
}

int TWindowScript::LuaSetWindowName(lua_State* L) {
  TWindowScript* script = From(L);
  const char* name = lua_tostring(L, 1);
  if (script && name && script->GetCurrentWindow()) script->GetCurrentWindow()->SetName(name);
  return 0;
}

int TWindowScript::LuaPushModal(lua_State* L) {
  const char* name = lua_tostring(L, 1);
  auto* modal = new TModalWindow;
  modal->SetName(name ? name : "");
  Manager()->PushModal(modal);
  ScriptPushString(L, modal->GetIdString());
  return 1;
}

int TWindowScript::LuaReadFile(lua_State* L) {
  const char* name = lua_tostring(L, 1);
  if (!name) return 0;
  TString path = TString("assets/") + TString(name);
  TString error;
  std::shared_ptr<TScriptCode> code = TScriptCode::Get(path, TScript::GetModulePath(), &error);
  int top = lua_gettop(L);
  if (!code) {
    Alert(L, error);
    return 0;
  }
  if (code->Load(L, "@" + path) != 0) {
    Alert(L, ScriptErrorText(L, -1));
    lua_settop(L, top);
    return 0;
  }
  // Unprotected, like dofile: an error propagates to the caller's protected frame.
  lua_call(L, 0, LUA_MULTRET);
  return lua_gettop(L) - top;
}

int TWindowScript::LuaDoFitToChildren(lua_State* L) {
  TWindowScript* script = From(L);
  if (script && script->GetCurrentWindow()) script->GetCurrentWindow()->FitToChildren();
  return 0;
}

int TWindowScript::LuaDoPopModal(lua_State* L) {
  const char* name = lua_tostring(L, 1);
  Manager()->CloseModal(name ? TString(name) : TString());
  return 0;
}

int TWindowScript::LuaHandleGetMessage(lua_State* L) {
  TWindowScript* script = From(L);
  if (!script) return 0;
  if (lua_gettop(L) == 1) {
    auto period = static_cast<uint32_t>(lua_tonumber(L, 1));
    script->SetTimer(period, true, true, false);
  } else {
    script->Stop();
  }
  script->mWaitState = 3;
  lua_settop(L, 0);
  lua_getglobal(L, "gYieldResult");
  return lua_yield(L, 1);
}

namespace {
// A command made while a dialog script ran in the coroutine lives on the coroutine's stack side;
// its value is moved to the state the message goes out on.
void PushCommand(lua_State* L, TLuaFunction* command) {
  command->PushValue();
  if (command->GetState() != L) lua_xmove(command->GetState(), L, 1);
}
}  // namespace

bool TWindowScript::QueueMessage(TMessage* message, TLuaFunction* command) {
  lua_State* L = GetState();
  if (!IsSuspended()) {
    RestoreLuaStackTop guard(L);
    if (message) {
      PushMessageForScript(L, message);
      lua_setglobal(L, "gMessageToQueue");
      RunChunk(L, "table.insert(gMessageQueue,gMessageToQueue); gMessageToQueue=nil;");
    }
    if (command) {
      PushCommand(L, command);
      lua_setglobal(L, "gMessageCommand");
      RunChunk(L, "table.insert(gCommandQueue,gMessageCommand); gMessageCommand=nil;");
    }
    return true;
  }
  if (mWaitState == 3) {
    PushMessageForScript(L, message ? message : new TMessage(kCommandOnly, TString()));
    int count = 1;
    if (command) {
      PushCommand(L, command);
      ++count;
    }
    if (Resume(count) != 0) mWaitState = 0;
    return true;
  }
  delete message;
  if (command) command->Call();
  return false;
}

bool TWindowScript::DeliverValue() {
  lua_State* L = GetState();
  lua_pushnil(L);
  lua_insert(L, -2);
  int results = 0;
  if (Resume(2, &results) != 0) {
    lua_pushnil(L);  // the caller still finds its one result
    return true;
  }
  // What the script yields next (the delivered function's result) stands as the call's result.
  if (results == 0) lua_pushnil(L);
  else if (results > 1) lua_pop(L, results - 1);
  return true;
}
