// The window manager: event routing (tracked windows, overlays, the window under the pointer in
// the top modal window, the focus window), paced frames, the modal stack, deferred deletion and the
// framework message queue. The process's manager is the platform's while one exists, else a
// stand-by instance.
#include "ui/windowmanager.h"

#include <algorithm>

#include "core/commandline.h"
#include "core/config.h"
#include "core/log.h"
#include "platform/platform.h"
#include "platform/platformimpl.h"
#include "ui/luamessage.h"
#include "script/luawrapper.h"
#include "ui/message.h"
#include "ui/modalwindow.h"
#include "ui/overlaytext.h"
#include "ui/windowdraw.h"
#include "ui/xsellwindow.h"

TWindowManager* GetWindowManager() {
  if (TPlatform* platform = TPlatform::GetInstance())
    if (TWindowManager* manager = platform->GetWindowManager()) return manager;
  static TWindowManager standBy;
  return &standBy;
}

TWindowScriptLink::~TWindowScriptLink() {
  if (mManager) mManager->mScriptLink = nullptr;
}

// The manager draws the frames, so the overlay at their end shows its text through the text system.
TWindowManager::TWindowManager() { InstallOverlayText(true); }

TWindowManager::~TWindowManager() {
  InstallOverlayText(false);
  for (TMessageListener* listener : mListeners) delete listener;
  mListeners.clear();
  mTracking.clear();
  while (!mModalStack.empty()) PopModal();
  DeleteClosedWindows();
  std::list<TWindow*> overlays;
  overlays.swap(mOverlays);  // a destroyed window takes itself off the manager's lists
  for (TWindow* overlay : overlays) delete overlay;
  // Destroyed modal windows post their closing messages here: they go with the rest.
  for (TMessage* message : mMessages) delete message;
  mMessages.clear();
  mHeldTexture.reset();
  mBindings.Release();
  if (mScriptLink) mScriptLink->Forget();
}

// ---- window script ----

void TWindowManager::SetWindowScript(TWindowScript* script) {
  if (mScriptLink) mScriptLink->Forget();
  mScriptLink = nullptr;
  mBindings.Release();
  mWindowScript = script;
  if (!script) return;
  if (TModalWindow* top = GetTopModal()) script->PushWindow(top);
  mBindings.Bind(script->GetState(), "SetTopModalOnly", this, &TWindowManager::SetTopModalOnly);
  script->RegisterCreator("XSellWindow", &TXSellWindow::CreateInstance);
  if (TPlatform* platform = TPlatform::GetInstance()) {
    if (platform->GetWindowManager() == this) {
      auto link = std::make_unique<TWindowScriptLink>(this, script);
      mScriptLink = link.get();
      platform->AddTask(std::move(link));
    }
  }
}

void TWindowManager::InstallWindowScript(std::unique_ptr<TWindowScript> script) {
  mOwnedScript = std::move(script);
  SetWindowScript(mOwnedScript.get());
}

void TWindowManager::RegisterWindowType(const TString& name, TWindowCreator creator) {
  if (mWindowScript) mWindowScript->RegisterCreator(name, creator);
}

bool TWindowManager::DoScriptFile(TWindow* window, const TString& path) {
  if (!mWindowScript) return false;
  mWindowScript->PushWindow(window);
  bool ok = mWindowScript->RunScript(path);
  mWindowScript->PopWindow();
  return ok;
}

int TWindowManager::DoScriptString(TWindow* window, const TString& text) {
  if (!mWindowScript) return -1;
  mWindowScript->PushWindow(window);
  int code = mWindowScript->DoLuaString(text, -1, 0);
  mWindowScript->PopWindow();
  return code;
}

// ---- events ----

void TWindowManager::HandleEvent(const TPlatformEvent& event) {
  if (event.type == kEventIgnored) return;
  if (event.type == kEventDisplayChanged) mHeldTexture.reset();
  if (event.type == kEventClose && mWindowScript && mWindowScript->IsSuspended()) mWindowScript->Resume(0);
  DeleteClosedWindows();
  if (mModalStack.empty()) return;
  TModalWindow* top = mModalStack.front();
  if (!top) {
    if (TPlatform* platform = TPlatform::GetInstance()) platform->PostQuitMessage(0);
    return;
  }
  switch (event.type) {
    case kEventIdle:
      top->RunTasks(0);
      FlushMessages();
      Render();
      break;
    case kEventMouseDown:
    case kEventMouseButton:
    case kEventMouseUp:
    case kEventMouseMove:
    case kEventMouseHover:
      RouteMouse(event);
      return;
    case kEventMousePosition:
      if (!mTracking.empty()) WalkTracking(nullptr);
      break;
    case kEventKeyDown:
    case kEventKeyUp:
    case kEventChar:
    case kEventWideChar:
      (mFocus ? mFocus : top)->DispatchEvent(event, false);
      break;
    case kEventRedraw:
      Invalidate();
      FlushMessages();
      Render();
      break;
    case kEventActivate:
      return;
    default:
      FlushMessages();
      top->DispatchEvent(event, false);
      return;
  }
  FlushMessages();
}

// Offers the event (or, without one, OnMouseLeave) to every tracked window front to back. A walk
// whose list changes under it continues from the current window's new place; it stops when the top
// modal window changes.
void TWindowManager::WalkTracking(const TPlatformEvent* event) {
  mTrackingChanged = false;
  TModalWindow* top = GetTopModal();
  int32_t inputMode = 0;
  if (TPlatform* platform = TPlatform::GetInstance()) inputMode = platform->GetInputMode();
  for (auto it = mTracking.begin(); it != mTracking.end();) {
    TWindow* window = *it;
    if (!event) {
      window->OnMouseLeave();
    } else {
      TRect screen = window->GetScreenRect();
      bool outside = !screen.Contains(event->x, event->y);
      bool removed = false;
      if (outside && inputMode == 0) {
        window->OnMouseLeave();
        removed = std::find(mTracking.begin(), mTracking.end(), window) == mTracking.end();
      }
      if (!removed) {
        TPlatformEvent local = *event;
        if (!(event->type == kEventMouseMove && inputMode != 0)) {
          TPoint p = window->ScreenToClient({event->x, event->y});
          local.x = p.x;
          local.y = p.y;
        }
        window->DispatchEvent(local, false);
      }
    }
    if (GetTopModal() != top) break;
    if (mTrackingChanged) {
      mTrackingChanged = false;
      auto at = std::find(mTracking.begin(), mTracking.end(), window);
      if (at == mTracking.end()) break;
      it = std::next(at);
    } else {
      ++it;
    }
  }
}

void TWindowManager::RouteMouse(const TPlatformEvent& event) {
  if (!mTracking.empty()) {
    WalkTracking(&event);
    FlushMessages();
    return;
  }
  TPlatform* platform = TPlatform::GetInstance();
  if (event.type == kEventMouseMove && platform && platform->GetInputMode() == 1) return;
  const bool overlayMouse = GetSettingFlag("overlaymouse");
  TPoint point{event.x, event.y};
  if (overlayMouse) {
    for (TWindow* overlay : mOverlays) {
      TWindow* target = overlay->FindWindowAt(overlay->ParentToClient(point), -1);
      if (!target) continue;
      TPlatformEvent local = event;
      TPoint p = target->ScreenToClient(point);
      local.x = p.x;
      local.y = p.y;
      if (target->DispatchEvent(local, false)) {
        mDebugWindow = target;
        if (mDebugRect) Invalidate();
        FlushMessages();
        return;
      }
    }
  }
  TModalWindow* top = GetTopModal();
  TWindow* target = top->FindWindowAt(top->ScreenToClient(point), -1);
  if (!target) target = top;
  mDebugWindow = target;
  if (mDebugRect) Invalidate();
  TPlatformEvent local = event;
  TPoint p = target->ScreenToClient(point);
  local.x = p.x;
  local.y = p.y;
  bool handled = target->DispatchEvent(local, false);
  if (!handled && overlayMouse && event.type == kEventMouseUp)
    PostMessage(new TMessage(kPressAnyKey, "mouse:up"));
  FlushMessages();
}

// ---- frames ----

bool TWindowManager::FrameIntervalPassed() {
  TPlatform* platform = TPlatform::GetInstance();
  if (!platform) return false;
  bool active = platform->HasFocus() || CommandLineHas(kSwitchHostDriven);
  if (TPlatformImpl* impl = platform->GetImpl()) active = active || impl->mHosted;
  const uint32_t interval = active ? 12 : 200;
  const uint32_t now = platform->GetTimer();
  if (now - mLastDrawTime < interval) return false;  // modulo 2^32, like the timer
  mLastDrawTime = now;
  return true;
}

void TWindowManager::Render() {
  mDrawStopped = false;
  TPlatform* platform = TPlatform::GetInstance();
  if (mMovieOpen || !mRedrawNeeded || !platform || !platform->IsDisplayReady()) return;
  if (!FrameIntervalPassed()) return;
  if (!mModalStack.empty()) {
    TWindowClearFlags clear(~static_cast<uint32_t>(kWindowDrawn), true);
    TWindow* bottom = mModalStack.back();
    bottom->SetFlags(bottom->GetFlags() & ~static_cast<uint32_t>(kWindowDrawn));
    bottom->VisitChildren(clear);
  }
  TModalWindow* top = GetTopModal();
  if (!top) return;
  if (platform->IsDisplayReady()) {
    if (TTaskList* tasks = platform->GetTaskList()) tasks->RunAll(1);
    top->RunTasks(1);
  }
  if (mHeldTexture) {
    if (windowdraw::BeginRenderTarget(mHeldTexture)) {
      DrawModals(1);
      windowdraw::EndRenderTarget();
    }
    if (!windowdraw::BeginDraw()) return;
    mRedrawNeeded = false;
    if (mScreen) mScreen->DrawTree(0);
    DrawModals(2);
  } else {
    if (!windowdraw::BeginDraw()) return;
    mRedrawNeeded = false;
    if (mPendingClear.right > mPendingClear.left && mPendingClear.bottom > mPendingClear.top) {
      windowdraw::FillRect(mPendingClear, TVec4(0, 0, 0, 1));
      mPendingClear = TRect();
    }
    DrawModals(0);
  }
  for (TWindow* overlay : mOverlays) overlay->DrawTree(0);
  if (mDebugRect && mDebugWindow) {
    const TVec4 yellow(1, 1, 0, 1);
    TRect r = mDebugWindow->GetScreenRect();
    windowdraw::FillRect(TRect(r.left, r.top, r.right, r.top + 2), yellow);
    windowdraw::FillRect(TRect(r.right - 2, r.top, r.right, r.bottom), yellow);
    windowdraw::FillRect(TRect(r.left, r.bottom - 2, r.right, r.bottom), yellow);
    windowdraw::FillRect(TRect(r.left, r.top, r.left + 2, r.bottom), yellow);
  }
  windowdraw::EndDraw();
}

void TWindowManager::DrawModals(int32_t kind) {
  TPlatform* platform = TPlatform::GetInstance();
  if (mDrawStopped || !platform || mModalStack.empty() || !platform->IsDisplayReady()) return;
  if (kind == 2 || mTopOnly) {
    GetTopModal()->DrawTree(kind);
    return;
  }
  // Start at the top-most modal window that covers the whole screen.
  auto start = std::prev(mModalStack.end());
  for (auto it = mModalStack.begin(); it != mModalStack.end(); ++it) {
    TModalWindow* m = *it;
    if ((m->GetFlags() & kWindowCovers) && mScreen && m->GetWidth() == mScreen->GetWidth() &&
        m->GetHeight() == mScreen->GetHeight()) {
      start = it;
      break;
    }
  }
  for (auto it = start;; --it) {
    TModalWindow* m = *it;
    if (kind == 0) m->DrawTree(0);
    else if (it != mModalStack.begin()) m->DrawTree(1);
    if (!platform->IsDisplayReady() || mDrawStopped) return;
    if (it == mModalStack.begin()) break;
  }
}

// ---- modal stack ----

void TWindowManager::PushModal(TModalWindow* window) {
  if (!window) return;
  mDebugWindow = nullptr;
  if (!mTracking.empty()) {
    std::list<TWindow*> tracked;
    tracked.swap(mTracking);
    for (TWindow* w : tracked) w->OnMouseLeave();
  }
  TModalWindow* previous = GetTopModal();
  mModalStack.push_front(window);
  if (previous) {
    previous->AddChild(window, false);
    previous->GetClock().Pause();
  }
  SetFocus(window);
  if (mWindowScript) mWindowScript->SetWindow(window);
  window->OnActivate();
  if (window->GetWidth() == 0 && window->GetParent())
    window->SetSize(window->GetParent()->GetWidth(), window->GetParent()->GetHeight());
  Invalidate();
}

void TWindowManager::PopModal() {
  if (mModalStack.empty()) return;
  TModalWindow* w = mModalStack.front();
  if (TWindow* parent = w->GetParent()) parent->RemoveChild(w);
  DeferDelete(w);
  mModalStack.pop_front();
  w->ClearTasks();
  if (w == mScreen) mScreen = nullptr;
  if (!mModalStack.empty()) {
    TModalWindow* top = mModalStack.front();
    if (mWindowScript) mWindowScript->SetWindow(top);
    SetFocus(top);
  } else if (mWindowScript) {
    mWindowScript->SetWindow(nullptr);
  }
  TModalPoppedSpider popped;
  w->VisitChildren(popped);
  Invalidate();
  mDrawStopped = true;
}

bool TWindowManager::SetScreen(TModalWindow* window) {
  mScreen = window;
  PushModal(window);
  TRect view = windowdraw::GetViewportRect();
  window->SetSize(view.right, view.bottom);
  return window->OnActivate();
}

void TWindowManager::CloseModal(const TString& name) {
  mDebugWindow = nullptr;
  auto matches = [&name](TWindow* w) { return w->GetName() == name || w->GetIdString() == name; };
  bool found = false;
  for (TWindow* w = GetTopModal(); w; w = w->GetParent()) {
    if (matches(w)) {
      found = true;
      break;
    }
  }
  if (found) {
    while (!mModalStack.empty()) {
      bool last = matches(mModalStack.front());
      PopModal();
      if (last) break;
    }
  }
  if (TModalWindow* top = GetTopModal()) top->GetClock().Start();
}

// ---- focus, tracking, deletion ----

void TWindowManager::SetFocus(TWindow* window) {
  TWindow* previous = mFocus;
  mFocus = window;
  if (window) window->OnFocus(previous);
}

void TWindowManager::TrackMouse(TWindow* window) {
  if (std::find(mTracking.begin(), mTracking.end(), window) == mTracking.end()) mTracking.push_front(window);
}

void TWindowManager::StopTrackingMouse(TWindow* window) {
  auto it = std::find(mTracking.begin(), mTracking.end(), window);
  if (it == mTracking.end()) return;
  mTracking.erase(it);
  mTrackingChanged = true;
}

namespace {
bool IsInTree(const TWindow* window, const TWindow* root) {
  for (const TWindow* w = window; w; w = w->GetParent())
    if (w == root) return true;
  return false;
}
}  // namespace

void TWindowManager::DeferDelete(TWindow* window) {
  if (!window) return;
  mDebugWindow = nullptr;
  mClosed.push_back(window);
  for (TMessage* message : mMessages)
    if (message->GetTarget() && IsInTree(message->GetTarget(), window)) message->SetTarget(nullptr);
  mTracking.remove(window);
}

void TWindowManager::DeleteClosedWindows() {
  if (mClosed.empty()) return;
  mDebugWindow = nullptr;
  std::vector<TWindow*> doomed;
  doomed.swap(mClosed);
  for (TWindow* window : doomed) delete window;
  Invalidate();
}

void TWindowManager::OnWindowDestroyed(TWindow* window) {
  mDebugWindow = nullptr;
  if (mFocus == window) mFocus = nullptr;
  StopTrackingMouse(window);
  for (TWindow* w = GetTopModal(); w && (w->GetFlags() & kWindowModal); w = w->GetParent()) {
    auto* modal = KindCast<TModalWindow>(w);
    if (modal && modal->GetFocusChild() == window) modal->SetFocusChild(nullptr);
  }
  // A window that is gone cannot stay on the stack or in the overlay list.
  mModalStack.remove_if([window](TModalWindow* m) { return static_cast<TWindow*>(m) == window; });
  mOverlays.remove(window);
  if (mScreen == window) mScreen = nullptr;
  // Queued messages must not keep a window that is gone as their target; they go to the focus instead.
  for (TMessage* message : mMessages)
    if (message->GetTarget() == window) message->SetTarget(nullptr);
}

// ---- messages ----

void TWindowManager::PostMessage(TMessage* message) {
  if (message) mMessages.push_back(message);
}

void TWindowManager::FlushMessages() {
  while (!mMessages.empty()) {
    TMessage* message = mMessages.front();
    mMessages.pop_front();
    DeliverMessage(message);
  }
}

void TWindowManager::DeliverMessage(TMessage* message) {
  if (!message) return;
  TMessage* seen = message;
  if (auto* wrapper = KindCast<TLuaMessageWrapper>(message))
    if (TMessage* boxed = wrapper->GetLuaMessage().GetBoxedMessage()) seen = boxed;
  if (seen->GetType() == kQuitNow) {
    delete message;
    if (TPlatform* platform = TPlatform::GetInstance()) platform->PostQuitMessage(0);
    return;
  }
  TWindow* target = message->GetTarget();
  if (!target) {
    for (TMessageListener* listener : mListeners) {
      if (listener->OnMessage(*seen)) {
        delete message;
        return;
      }
    }
    target = mFocus ? mFocus : GetTopModal();
    if (!target) {
      delete message;
      return;
    }
  }
  TWindow::RouteMessage(target, message);
}

void TWindowManager::AddListener(TMessageListener* listener) {
  if (listener) mListeners.push_back(listener);
}

bool TWindowManager::RemoveListener(TMessageListener* listener) {
  auto it = std::find(mListeners.begin(), mListeners.end(), listener);
  if (it == mListeners.end()) return false;
  mListeners.erase(it);
  return true;
}

void TWindowManager::PassMessageToScript(TMessage* message, TLuaFunction* command) {
  if (!mWindowScript) {
    delete message;
    return;
  }
  mWindowScript->QueueMessage(message, command);
}
