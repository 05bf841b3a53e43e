// The window manager's modal stack as the game flow sees it.
#include "shell/windowscreenstack.h"

#include "core/config.h"
#include "core/log.h"
#include "os/msgbox.h"
#include "shell/fadeinout.h"
#include "ui/modalwindow.h"
#include "ui/windowmanager.h"

TWindowScreenStack::TWindowScreenStack(TWindowManager* manager) : mManager(manager) {}

TWindowScreenStack::~TWindowScreenStack() {
  if (GetScreenStack() == this) SetScreenStack(nullptr);
}

TWindowManager* TWindowScreenStack::Manager() const { return mManager ? mManager : GetWindowManager(); }

TString TWindowScreenStack::GetTopModalName() {
  TModalWindow* top = Manager()->GetTopModal();
  return top ? top->GetName() : TString();
}

TString TWindowScreenStack::GetTopModalIdString() {
  TModalWindow* top = Manager()->GetTopModal();
  return top ? top->GetIdString() : TString();
}

bool TWindowScreenStack::TopModalHasParent() {
  TModalWindow* top = Manager()->GetTopModal();
  return top && top->GetParent();
}

void TWindowScreenStack::CloseModal(const TString& nameOrId) { Manager()->CloseModal(nameOrId); }

TWindow* TWindowScreenStack::NewModalWindow() {
  mPending.push_back(std::make_unique<TModalWindow>());
  return mPending.back().get();
}

void TWindowScreenStack::DoScriptFile(TWindow* window, const TString& script) {
  if (!window) return;
  if (!Manager()->DoScriptFile(window, script)) LogPrintf("Screen script %s did not run\n", script.CStr());
}

void TWindowScreenStack::PushModal(TWindow* window) {
  for (auto it = mPending.begin(); it != mPending.end(); ++it) {
    if (it->get() != window) continue;
    TModalWindow* modal = it->release();
    mPending.erase(it);
    TWindowManager* manager = Manager();
    // The bottom window belongs to the manager as its screen; the others to the window below.
    if (manager->GetTopModal())
      manager->PushModal(modal);
    else
      manager->SetScreen(modal);
    return;
  }
  LogPrintf("PushModal: window %s was not made by the screen stack\n", window ? window->GetIdString().CStr() : "(null)");
}

void TWindowScreenStack::CloseAll() {
  TWindowManager* manager = Manager();
  while (manager->GetTopModal()) manager->PopModal();
  manager->DeleteClosedWindows();
  mPending.clear();
}

bool TWindowScreenStack::SetSceneFadeStep(float step) {
  TModalWindow* top = Manager()->GetTopModal();
  auto* fading = top ? KindCast<TFadeInOutInterface>(top->FindChild("scene", -1)) : nullptr;
  if (!fading) return false;
  fading->SetFadeStep(step);
  return true;
}

void TWindowScreenStack::ShowMessage(const TString& text) {
  LogPrintf("%s\n", text.CStr());
  MessageBoxA(nullptr, text.CStr(), GetConfig("publisher", "").CStr(), MB_OK | MB_ICONWARNING);
}

TWindowScreenStack* InstallWindowScreenStack() {
  static TWindowScreenStack stack;
  SetScreenStack(&stack);
  return &stack;
}
