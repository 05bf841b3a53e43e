// The main menu: its welcome line, the music, and the fade of its transition cover, which opens the
// game's current scene once it has faded out.
#include <cstdlib>

#include "core/config.h"
#include "platform/platform.h"
#include "core/stringtable.h"
#include "model/globals.h"
#include "render/texture.h"
#include "shell/menuwindows.h"
#include "shell/settings.h"
#include "ui/text.h"
#include "ui/windowmanager.h"

namespace {
const char kMenuMusic[] = "assets/audio/music/mainmenumusic.ogg";
}

TMainMenuWindow::TMainMenuWindow() {
  if (TWindowScript* script = GetWindowManager()->GetWindowScript())
    mBindings.Bind(script->GetState(), "SetWelcomeName", this, &TMainMenuWindow::SetWelcomeName);
}

TMainMenuWindow::~TMainMenuWindow() { mBindings.Release(); }

void TMainMenuWindow::PostCreate(TWindowStyle& style) {
  TFadeInOutInterface::PostCreate(style);
  auto* transition = new TTransitionWindow();
  transition->SetName("transition");
  transition->SetTexture(TTexture::Get("backgrounds/transition", 0), 1.0f);
  if (AddChild(transition, false)) {
    transition->MoveTo(0, 0);
    transition->SetSize(GetConfig("screenwidth", "").ToInt(), GetConfig("screenheight", "").ToInt());
    transition->SetAlpha(mAlpha);
  } else {
    delete transition;
  }
  if (TSettings* settings = TSettings::GetInstance()) settings->SetMusic(kMenuMusic, true);
  SetWelcomeName();
  StartAnim(16, true, true, false);
}

void TMainMenuWindow::SetWelcomeName() {
  TSettings* settings = TSettings::GetInstance();
  TWindow* welcome = FindChild("welcome", -1);
  if (!settings || settings->GetNumUsers() == 0) {
    if (welcome) welcome->Show(false);
    if (TWindow* change = FindChild("changeplayer", -1)) change->Show(false);
    return;
  }
  if (auto* text = KindCast<TText>(welcome)) {
    TString line = settings->GetCurrentUserName();
    if (TPlatform* platform = TPlatform::GetInstance())
      if (TStringTable* table = platform->GetStringTable()) line = table->GetString("welcome", line);
    text->SetText(line);
    text->Show(true);
  }
  if (TWindow* change = FindChild("changeplayer", -1)) change->Show(true);
}

bool TMainMenuWindow::Animate() {
  GetWindowManager()->Invalidate();
  const float d = mFadeStep;
  float& a = mAlpha;
  if ((d < 0 && a >= 0) || (d > 0 && a <= 1)) {
    CGlobalInformationSystem* globals = CGlobalInformationSystem::GetInstance();
    if (a < 0.5f && globals && globals->GetGlobalBool("endGame")) {
      globals->SetGlobalBool("endGame", false);
      // The finished player starts a new game under the same profile; the score stays.
      if (TSettings* settings = TSettings::GetInstance()) settings->RestartFinishedPlayer();
    }
    if (auto* transition = KindCast<TImage>(FindChild("transition", 1))) transition->SetAlpha(a);
    a += d;
  }
  if (d < 0 && a < 0 && !mFadedIn) {
    mFadedIn = true;
    // The last step may have left a trace of the cover.
    if (auto* transition = KindCast<TImage>(FindChild("transition", 1))) transition->SetAlpha(0);
  }
  if (d > 0 && a > 1 && !mSceneOpened) {
    mSceneOpened = true;
    if (TSettings* settings = TSettings::GetInstance()) settings->OpenCurrentScene();
  }
  return true;
}
