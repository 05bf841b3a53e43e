// The profile chooser: it hands the player names to its script, which labels its radio buttons,
// and answers which button is selected.
#include "shell/fittext.h"
#include "shell/menuwindows.h"
#include "shell/settings.h"
#include "ui/button.h"
#include "ui/text.h"
#include "ui/textlayout.h"
#include "ui/windowmanager.h"

TProfilesWindow::TProfilesWindow() {
  if (TWindowScript* script = GetWindowManager()->GetWindowScript()) {
    lua_State* L = script->GetState();
    mBindings.Bind(L, "SetPlayerChoices", this, &TProfilesWindow::SetPlayerChoices);
    mBindings.Bind(L, "GetCurrentSelectedUser", this, &TProfilesWindow::GetCurrentSelectedUser);
    mBindings.Bind(L, "GetSelectedPlayerName", this, &TProfilesWindow::GetSelectedPlayerName);
  }
}

TProfilesWindow::~TProfilesWindow() { mBindings.Release(); }

void TProfilesWindow::PostCreate(TWindowStyle& style) {
  TWindow::PostCreate(style);
  // The size the labels were made with is the largest a name is shown at.
  for (int32_t i = 0; i < 10; ++i)
    if (TText* label = ButtonLabel(i))
      if (TTextLayout* layout = label->GetLayout()) mLabelSizes[i] = layout->GetFontSize();
  SetPlayerChoices();
}

TText* TProfilesWindow::ButtonLabel(int32_t index) {
  TWindow* button = FindChild(TString::Format("button%d", index), -1);
  return button ? KindCast<TText>(button->FindChild("label", -1)) : nullptr;
}

void TProfilesWindow::SetPlayerChoices() {
  TSettings* settings = TSettings::GetInstance();
  if (!settings) return;
  // Every name goes in as a quoted literal, so no name can break or extend the call.
  GetWindowManager()->DoScriptString(this, settings->BuildPlayerChoicesText());
  // A long name is shown smaller, inside its button.
  for (int32_t i = 0; i < 10; ++i)
    if (mLabelSizes[i] > 0) FitTextToBox(ButtonLabel(i), mLabelSizes[i]);
}

int32_t TProfilesWindow::GetCurrentSelectedUser() {
  for (int32_t i = 0; i < 10; ++i) {
    auto* button = KindCast<TButton>(FindChild(TString::Format("button%d", i), -1));
    if (button && button->IsSelected()) return i;
  }
  return 0;
}

TString TProfilesWindow::GetSelectedPlayerName() {
  TSettings* settings = TSettings::GetInstance();
  return settings ? settings->GetUserName(GetCurrentSelectedUser()) : TString();
}
