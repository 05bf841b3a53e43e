// The options screen: its toggles show the display mode and the mute state, its two sliders the
// player's effects and music levels, which apply to the sound groups as they move and are stored
// when the script asks.
#include "core/config.h"
#include "core/prefsdb.h"
#include "shell/menuwindows.h"
#include "shell/settings.h"
#include "sound/sound.h"
#include "sound/soundmanager.h"
#include "ui/button.h"
#include "ui/message.h"
#include "ui/slider.h"
#include "ui/windowmanager.h"

namespace {
const char kLeverSound[] = "audio/sfx/lever.ogg";
}

TOptionsWindow::TOptionsWindow() {
  if (TWindowScript* script = GetWindowManager()->GetWindowScript())
    mBindings.Bind(script->GetState(), "SaveVolumes", this, &TOptionsWindow::SaveVolumes);
}

TOptionsWindow::~TOptionsWindow() {
  mBindings.Release();
  if (mLeverSound) mLeverSound->Stop();
}

void TOptionsWindow::PostCreate(TWindowStyle&) {
  TSettings* settings = TSettings::GetInstance();
  TPrefsDB* prefs = settings ? settings->GetPrefsDB() : nullptr;
  if (auto* full = KindCast<TButton>(FindChild("fullscreen", -1)))
    full->SelectInGroup(settings && settings->IsFullscreen());
  const int32_t user = prefs ? prefs->GetInt("curuser", -1, -1) : -1;
  if (auto* mute = KindCast<TButton>(FindChild("mutebox", -1)))
    mute->SelectInGroup(prefs && prefs->GetInt("soundoff", 0, user) == 1);
  const int32_t fallback = GetConfig("defaultsoundvolume", "").ToInt();
  for (const char* key : {"soundlevel", "musiclevel"}) {
    const char* name = key[0] == 's' ? "sfxlevelslider" : "musiclevelslider";
    auto* slider = KindCast<TSlider>(FindChild(name, -1));
    if (!slider) continue;
    const int32_t level = prefs ? prefs->GetInt(key, fallback, user) : fallback;
    slider->SetValue(static_cast<float>(level) / 1000.0f, false);
  }
}

bool TOptionsWindow::OnMessage(TMessage& message) {
  const TString& name = message.GetName();
  TSoundManager* sound = GetPlatformSoundManager();
  if (message.GetType() == kSliderValChanged && name == "sfxlevelslider") {
    auto* slider = KindCast<TSlider>(FindChild(name, -1));
    if (!slider) return false;
    if (sound) {
      sound->SetGroupVolume(1000, slider->GetValue());
      sound->SetGroupVolume(0, slider->GetValue());
    }
    if (!mFirstLevelMessage) {
      // A sample of the new level.
      mLeverSound = TSound::Get(kLeverSound, true, 1000);
      if (mLeverSound) {
        mLeverSound->Stop();
        mLeverSound->Play(false);
      }
    }
    mFirstLevelMessage = false;
    return true;
  }
  if (message.GetType() == kSliderValChanged && name == "musiclevelslider") {
    auto* slider = KindCast<TSlider>(FindChild(name, -1));
    if (!slider) return false;
    if (sound) sound->SetGroupVolume(1001, slider->GetValue());
    return true;
  }
  if (message.GetType() == kButtonPress && name == "fullscreen") {
    TSettings* settings = TSettings::GetInstance();
    if (auto* full = KindCast<TButton>(FindChild("fullscreen", -1)))
      full->SelectInGroup(settings && settings->IsFullscreen());
  }
  return false;
}

void TOptionsWindow::SaveVolumes() {
  TSettings* settings = TSettings::GetInstance();
  TPrefsDB* prefs = settings ? settings->GetPrefsDB() : nullptr;
  if (!prefs) return;
  const int32_t user = prefs->GetInt("curuser", -1, -1);
  if (user < -1 || user >= settings->GetNumUsers()) return;
  if (auto* slider = KindCast<TSlider>(FindChild("sfxlevelslider", -1)))
    prefs->SetInt("soundlevel", static_cast<int32_t>(slider->GetValue() * 1000.0f), user, false);
  if (auto* slider = KindCast<TSlider>(FindChild("musiclevelslider", -1)))
    prefs->SetInt("musiclevel", static_cast<int32_t>(slider->GetValue() * 1000.0f), user, false);
  prefs->Commit();
}
