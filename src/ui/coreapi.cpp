// The core functions screen scripts call: free functions bound as globals, reading the platform,
// the configuration store, the string table, the window manager's modal stack and the movie window.
#include "ui/coreapi.h"

#include "core/config.h"
#include "core/stringtable.h"
#include "platform/platform.h"
#include "script/lua/lauxlib.h"
#include "script/luastack.h"
#include "script/scriptbinding.h"
#include "ui/windowscript.h"
#include "render/texture.h"
#include "script/luawrapper.h"
#include "ui/button.h"
#include "ui/image.h"
#include "ui/layeredwindow.h"
#include "ui/modalwindow.h"
#include "ui/text.h"
#include "ui/window.h"
#include "ui/windowdraw.h"
#include "ui/windowmanager.h"

#include <cstdlib>
#include <memory>

namespace {

TWindowManager* Manager() { return GetWindowManager(); }

double GetTimerValue() {
  TPlatform* platform = TPlatform::GetInstance();
  return platform ? static_cast<double>(platform->GetTimer()) : 0.0;
}

TString GetConfigValue(TString key, TString defaultValue) { return GetConfig(key, defaultValue); }

bool IsEnabledValue(TString key) { return std::strtol(GetConfig(key, TString()).CStr(), nullptr, 10) != 0; }

TString GetStringValue(TString label, TString a1, TString a2, TString a3, TString a4, TString a5) {
  if (label.Length() > 0 && label.CStr()[0] == '#') return TString(label.CStr() + 1);
  TPlatform* platform = TPlatform::GetInstance();
  TStringTable* table = platform ? platform->GetStringTable() : nullptr;
  if (!table) return label;
  return table->GetString(label, a1, a2, a3, a4, a5);
}

double GetWindowDepth() {
  TWindowManager* manager = Manager();
  return manager ? static_cast<double>(manager->GetModalStack().size()) : 0.0;
}

void UpdateWindow() {
  if (TWindowManager* manager = Manager()) manager->Invalidate();
}

bool StringToClipboardValue(TString text) {
  TPlatform* platform = TPlatform::GetInstance();
  return platform && platform->StringToClipboard(text);
}

// The named window under the top modal, or null.
TWindow* FindUnderTopModal(const TString& name) {
  TWindowManager* manager = Manager();
  TModalWindow* top = manager ? manager->GetTopModal() : nullptr;
  return top ? top->FindChild(name, -1) : nullptr;
}

TString GetLabel(TString name) {
  TWindowManager* manager = Manager();
  if (!manager || !manager->GetTopModal()) return TString();
  TWindow* window = FindUnderTopModal(name);
  if (!window) return name + "_is_not_found";
  if (TText* text = KindCast<TText>(window)) return text->GetText();
  if (TButton* button = TButtonCast(window)) return button->GetLabel();
  return name + "_is_not_a_TText_window_or_TButton";
}

void SetLabel(TString name, TString text) {
  TWindow* window = FindUnderTopModal(name);
  if (TText* textWindow = KindCast<TText>(window)) textWindow->SetText(text);
  else if (TButton* button = TButtonCast(window)) button->SetLabel(text);
}

// A splash image counts as loaded when its window holds a texture.
bool ImageLoaded(TString name) {
  TImage* image = KindCast<TImage>(FindUnderTopModal(name));
  return image && image->GetTexture();
}

void SetBitmapValue(TString name, TString imageName, double scale) {
  TImage* image = KindCast<TImage>(FindUnderTopModal(name));
  if (image) image->SetTexture(TTexture::Get(imageName, 0), static_cast<float>(scale));
}

// The first named window of the modal stack, searched from the top down.
TWindow* FindInModals(const TString& name) {
  TWindowManager* manager = Manager();
  if (!manager) return nullptr;
  for (TModalWindow* modal : manager->GetModalStack())
    if (TWindow* window = modal->FindChild(name, -1)) return window;
  return nullptr;
}

bool GetButtonToggleState(TString name) {
  TButton* button = TButtonCast(FindInModals(name));
  return button && button->IsSelected();
}

void SetButtonToggleState(TString name, bool flag) {
  TWindowManager* manager = Manager();
  if (!manager) return;
  for (TModalWindow* modal : manager->GetModalStack())
    if (TButton* button = TButtonCast(modal->FindChild(name, -1))) button->SelectInGroup(flag);
}

bool EnableWindow(TString name, bool flag) {
  TWindowManager* manager = Manager();
  if (!manager) return false;
  for (TModalWindow* modal : manager->GetModalStack()) {
    TWindow* window = modal->FindChild(name, -1);
    if (!window) continue;
    window->Show(flag);
    // A button hidden under the pointer would otherwise keep its hover look and its mouse tracking.
    if (!flag)
      if (TButton* button = KindCast<TButton>(window)) button->OnMouseLeave();
    manager->Invalidate();
    return true;
  }
  return false;
}

void ClearModalChildren() {
  TWindowManager* manager = Manager();
  TModalWindow* top = manager ? manager->GetTopModal() : nullptr;
  if (!top) return;
  top->DeleteChildren();
  top->SetSize(0, 0);
  top->MoveTo(0, 0);
}

void SetPosition(TString name, int32_t x, int32_t y) {
  TWindow* window = FindUnderTopModal(name);
  if (!window) return;
  int32_t w = window->GetWidth(), h = window->GetHeight();
  TWindow* parent = window->GetParent();
  TWindow::ResolveAxis(x, w, false, false, false, parent, true);
  TWindow::ResolveAxis(y, h, false, false, false, parent, false);
  window->MoveTo(x, y);
}

TWindow* CurrentWindow() {
  TWindowManager* manager = Manager();
  TWindowScript* script = manager ? manager->GetWindowScript() : nullptr;
  return script ? script->GetCurrentWindow() : nullptr;
}

void RealSetFocus(TString name) {
  TWindowManager* manager = Manager();
  TWindow* current = CurrentWindow();
  if (!manager || !current) return;
  TWindow* window = current->FindChild(name, -1);
  TWindow* previous = manager->GetFocus();
  manager->SetFocus(window);
  if (window) window->OnFocus(previous);
}

void DestroyWindow(TString name) {
  TWindowManager* manager = Manager();
  TWindow* current = CurrentWindow();
  TWindow* window = current ? current->FindChild(name, -1) : nullptr;
  // The current window itself stays: it is still on the script's window stack.
  if (!manager || !window || window == current || !window->GetParent()) return;
  window->GetParent()->RemoveChild(window);
  manager->DeferDelete(window);
}

void DoSelectLayer(int32_t index) {
  if (TLayeredWindow* layered = KindCast<TLayeredWindow>(CurrentWindow())) layered->ShowLayer(index);
}

// SetCommand(name, function): the button's command becomes the function.
int LuaSetCommand(lua_State* L) {
  TString name = ScriptGetString(L, 1);
  // The wrapper outlives this call, so it holds the function in the main state, not in the
  // coroutine that may be running here.
  TScript* script = TScript::FromState(L);
  lua_State* main = script ? script->GetState() : L;
  lua_pushvalue(L, 2);
  if (main != L) lua_xmove(L, main, 1);
  auto command = std::make_unique<TLuaFunction>(main);
  if (TButton* button = TButtonCast(FindUnderTopModal(name)))
    button->SetAction(std::make_unique<TButton::LuaAction>(std::move(command)));
  return 0;
}

// FillRect(rect, colour): fills the rectangle, cut to the root window, at once.
int LuaFillRect(lua_State* L) {
  int32_t bounds[4] = {0, 0, 0, 0};
  float colour[4] = {0, 0, 0, 0};
  for (int i = 0; i < 4; ++i) {
    if (lua_istable(L, 1)) {
      lua_rawgeti(L, 1, i + 1);
      bounds[i] = static_cast<int32_t>(lua_tonumber(L, -1));
      lua_pop(L, 1);
    }
    if (lua_istable(L, 2)) {
      lua_rawgeti(L, 2, i + 1);
      colour[i] = static_cast<float>(lua_tonumber(L, -1));
      lua_pop(L, 1);
    }
  }
  TRect rect(bounds[0], bounds[1], bounds[2], bounds[3]);
  TWindowManager* manager = Manager();
  if (TWindow* root = manager ? manager->GetScreen() : nullptr) rect.Intersect(rect, root->GetRect());
  if (rect.right <= rect.left || rect.bottom <= rect.top) return 0;
  windowdraw::PushClipRect(rect);
  windowdraw::FillRect(rect, TVec4(colour[0], colour[1], colour[2], colour[3]));
  windowdraw::PopClipRect();
  return 0;
}

void RegisterHotkey(TString key, TString button) {
  TWindowManager* manager = Manager();
  if (key.IsEmpty() || !manager || !manager->GetTopModal()) return;
  manager->GetTopModal()->RegisterHotKey(key, button);
}

int LuaTagHotKey(lua_State* L) {
  ScriptPushString(L, TagHotKey(ScriptGetString(L, 1), ScriptGetString(L, 2), ScriptGetString(L, 3)));
  return 1;
}

int LuaStripKeyFromLabel(lua_State* L) {
  TString stripped, key;
  StripKeyFromLabel(ScriptGetString(L, 1), &stripped, &key);
  ScriptPushString(L, stripped);
  ScriptPushString(L, key);
  return 2;
}

}  // namespace

TString TagHotKey(TString hotKey, TString label, TString) {
  if (hotKey.Length() == 0) return label;
  char c = hotKey.CStr()[hotKey.Length() - 1];
  const char* text = label.CStr();
  for (int32_t i = 0; i < label.Length(); ++i) {
    if (text[i] != c) continue;
    return TString(std::string(text, i).c_str()) + "<u>" + TString(std::string(1, c).c_str()) + "</u>" +
           TString(text + i + 1);
  }
  return label;
}

void StripKeyFromLabel(const TString& label, TString* stripped, TString* key) {
  std::string text(label.CStr(), static_cast<size_t>(label.Length()));
  *key = TString();
  size_t at = text.find('&');
  if (at == std::string::npos) {
    *stripped = label;
    return;
  }
  unsigned char next = at + 1 < text.size() ? static_cast<unsigned char>(text[at + 1]) : 0;
  if (next != 0 && next < 0xC0) *key = TString(std::string{'@', static_cast<char>(next)}.c_str());
  text.erase(at, 1);
  *stripped = TString(text.c_str());
}

void RegisterCoreApi(lua_State* L) {
  lua_register(L, "TagHotKey", &LuaTagHotKey);
  lua_register(L, "StripKeyFromLabel", &LuaStripKeyFromLabel);
  BindScriptFunction(L, "GetLabel", &GetLabel);
  BindScriptFunction(L, "SetLabel", &SetLabel);
  BindScriptFunction(L, "_SetBitmap", &SetBitmapValue);
  lua_register(L, "SetCommand", &LuaSetCommand);
  lua_register(L, "FillRect", &LuaFillRect);
  BindScriptFunction(L, "DoSelectLayer", &DoSelectLayer);
  BindScriptFunction(L, "GetButtonToggleState", &GetButtonToggleState);
  BindScriptFunction(L, "SetButtonToggleState", &SetButtonToggleState);
  BindScriptFunction(L, "SetPosition", &SetPosition);
  BindScriptFunction(L, "GetTimer", &GetTimerValue);
  BindScriptFunction(L, "GetConfig", &GetConfigValue);
  BindScriptFunction(L, "IsEnabled", &IsEnabledValue);
  BindScriptFunction(L, "EnableWindow", &EnableWindow);
  BindScriptFunction(L, "StringToClipboard", &StringToClipboardValue);
  BindScriptFunction(L, "UpdateWindow", &UpdateWindow);
  BindScriptFunction(L, "ClearModalChildren", &ClearModalChildren);
  BindScriptFunction(L, "GetWindowDepth", &GetWindowDepth);
  BindScriptFunction(L, "_GetString", &GetStringValue);
  BindScriptFunction(L, "ImageLoaded", &ImageLoaded);
  BindScriptFunction(L, "RealSetFocus", &RealSetFocus);
  BindScriptFunction(L, "DestroyWindow", &DestroyWindow);
  BindScriptFunction(L, "_RegisterHotkey", &RegisterHotkey);
}
