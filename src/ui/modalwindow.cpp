// Modal windows and screens: hot keys, Enter and Escape, the close message, the cover set, the
// focus child, and the screen's background fill.
#include "ui/modalwindow.h"

#include "core/log.h"
#include "ui/message.h"
#include "ui/windowdraw.h"
#include "ui/windowmanager.h"

namespace {
TButtonHooks gButtonHooks;

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
}  // namespace

void SetButtonHooks(const TButtonHooks& hooks) { gButtonHooks = hooks; }

TString CanonicalHotKey(const TString& text) {
  TString lower = text;
  lower.ToLower();
  TString result;
  if (lower.Length() > 1 && lower.CharAt(0) == '@') {
    result = "@";
  } else {
    if (lower.Find("shift-") >= 0) result += TString("shift-");
    if (lower.Find("ctrl-") >= 0 || lower.Find("control-") >= 0) result += TString("ctrl-");
    if (lower.Find("alt-") >= 0) result += TString("alt-");
  }
  if (lower.Length() > 0) result += UpperAscii(lower.CharAt(lower.Length() - 1));
  return result;
}

// ---- TModalWindow ----

TModalWindow::TModalWindow() { mFlags |= kWindowModal | kWindowFocusable; }

TModalWindow::~TModalWindow() {
  GetWindowManager()->PostMessage(new TMessage(kModalClosed, GetIdString()));
  mTasks.Clear();
}

bool TModalWindow::OnActivate() {
  mClock.Start();
  return true;
}

void TModalWindow::PostCreate(TWindowStyle& style) {
  FitToChildren();
  TWindow::PostCreate(style);
}

bool TModalWindow::OnMessage(TMessage& message) {
  if (message.GetType() != kCloseWindow) return false;
  if (!message.GetName().IsEmpty()) GetWindowManager()->CloseModal(message.GetName());
  return true;
}

bool TModalWindow::OnChar(int8_t c) {
  if (c != 13 && c != 27) return false;
  auto* message = new TMessage(kDefaultAction, TString());
  FindDefault finder;
  VisitChildren(finder);
  TWindow* button = c == 13 ? finder.mDefault : finder.mCancel;
  if (button && gButtonHooks.doCommand && gButtonHooks.doCommand(button)) {
    delete message;  // the command took the button off the screen
    return true;
  }
  TWindow* focus = GetWindowManager()->GetFocus();
  RouteMessage(focus ? focus : this, message);
  return true;
}

bool TModalWindow::OnKeyDown(int8_t key, int32_t modifiers) {
  TString text;
  if (modifiers & 1) text += TString("shift-");
  if (modifiers & 2) text += TString("ctrl-");
  if (modifiers & 4) text += TString("alt-");
  text += static_cast<char>(key);
  TString button = GetHotKey(CanonicalHotKey(text));
  if (button.IsEmpty()) {
    TString any("@");
    any += static_cast<char>(key);
    button = GetHotKey(CanonicalHotKey(any));
  }
  if (button.IsEmpty()) return false;
  PressHotKeyButton(button);
  SwallowNextCharacter() = true;
  return true;
}

void TModalWindow::OnFocus(TWindow* /*previous*/) {
  if (!mFocusChild) return;
  TWindowManager* manager = GetWindowManager();
  manager->SetFocus(mFocusChild);
}

void TModalWindow::RegisterHotKey(const TString& key, const TString& button) {
  TString canonical = CanonicalHotKey(key);
  if (button.IsEmpty()) mHotKeys.erase(canonical);
  else mHotKeys[canonical] = button;
}

TString TModalWindow::GetHotKey(const TString& canonical) const {
  auto it = mHotKeys.find(canonical);
  return it == mHotKeys.end() ? TString() : it->second;
}

void TModalWindow::PressHotKeyButton(const TString& button) {
  TWindow* window = FindChild(button, -1);
  if (!window || !gButtonHooks.press || !gButtonHooks.press(window))
    LogPrintf("ERROR: Hot key button not found. Button:'%s'", button.CStr());
}

void TModalWindow::SetFocusChild(TWindow* window) {
  mFocusChild = window;
  TWindowManager* manager = GetWindowManager();
  if (manager->GetFocus() == this) manager->SetFocus(window);
}

void TModalWindow::UpdateCoverSet(TWindow* window, bool covers) {
  if (covers) mCoverSet.insert(window);
  else mCoverSet.erase(window);
  uint32_t flags = mCoverSet.empty() ? (mFlags & ~kWindowCovers) : (mFlags | kWindowCovers);
  if (flags != mFlags) SetFlags(flags);
}

// ---- FindDefault ----

bool FindDefault::Visit(TWindow* window) {
  int32_t options = gButtonHooks.options ? gButtonHooks.options(window) : -1;
  if (options >= 0 && IsEffectivelyVisible(window)) {
    if (options & 0x8) mDefault = window;
    if (options & 0x10) mCancel = window;
  }
  if (mDefault && mCancel) return false;
  window->VisitChildren(*this);
  return true;
}

// ---- TScreen ----

TScreen::TScreen() {
  SetName("_screen_");
  mFlags |= kWindowCovers | kWindowRedrawWithParent;
}

void TScreen::Draw() {
  TWindowManager* manager = GetWindowManager();
  if (!mDrawSuppressed && (mAlwaysDraw || manager->GetTopModal() == this))
    windowdraw::FillRect(windowdraw::GetViewportRect(), mFillColour);
  if (std::shared_ptr<TTexture> held = manager->GetHeldTexture()) windowdraw::CopyHeldTexture(held);
}
