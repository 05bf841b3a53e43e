// The game's text entry field.
#include "shell/customtextedit.h"

#include <cstdio>

#include "sound/sound.h"
#include "ui/modalwindow.h"
#include "ui/windowmanager.h"
#include "ui/windowstyle.h"

namespace {
const char* const kTypingSounds[] = {
    "audio/sfx/sfx_typing_01.ogg?group=1000", "audio/sfx/sfx_typing_02.ogg?group=1000",
    "audio/sfx/sfx_typing_03.ogg?group=1000", "audio/sfx/sfx_typing_04.ogg?group=1000", nullptr};
}

TCustomTextEdit::TCustomTextEdit()
    : mTypingSounds(std::make_unique<TAssetMap>()), mRandom(std::make_unique<TRandom>()) {
  mTypingSounds->AddAssets(kTypingSounds);
}

TCustomTextEdit::~TCustomTextEdit() = default;

void TCustomTextEdit::Init(TWindowStyle& style) {
  if (style.GetBool("clearinitial", false)) mInitialCleared = false;
  mEnableWindow = style.GetString("enablewindow", TString());
  TTextEdit::Init(style);
}

int TCustomTextEdit::NextSoundNumber() {
  const uint32_t a = mRandom->Next(), b = mRandom->Next();
  const double r = (static_cast<double>(a >> 5) * 67108864.0 + static_cast<double>(b >> 6)) / 9007199254740992.0;
  return static_cast<int>(r * 4.0) + 1;
}

void TCustomTextEdit::UpdateEnableWindow(int delta) {
  if (mEnableWindow.IsEmpty()) return;
  TModalWindow* modal = GetModalParent();
  TWindow* window = modal ? modal->FindChild(mEnableWindow, -1) : nullptr;
  if (!window) return;
  const int32_t n = GetText().Length();
  window->Show(n + delta >= 1);
  GetWindowManager()->Invalidate();
}

bool TCustomTextEdit::OnEdit(int32_t kind, uint8_t byte) {
  if (!mInitialCleared) {
    mInitialCleared = true;
    SetText(TString());
  }
  if (!TTextEdit::OnEdit(kind, byte)) return false;
  if (kind == kEditInsert) {
    char name[64];
    std::snprintf(name, sizeof name, "audio/sfx/sfx_typing_%02d.ogg?group=1000", NextSoundNumber());
    if (std::shared_ptr<TSound> sound = mTypingSounds->GetSound(name)) sound->Play(false);
    UpdateEnableWindow(+1);
  } else if (kind == kEditMove && byte == 8) {
    UpdateEnableWindow(-1);
  }
  return true;
}

bool TCustomTextEdit::OnMouseUp(TPoint point) {
  if (!mInitialCleared) {
    mInitialCleared = true;
    SetText(TString());
    return true;
  }
  return TText::OnMouseUp(point);
}
