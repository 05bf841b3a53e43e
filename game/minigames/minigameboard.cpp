// The shared mini-game board: skip and menu buttons, the sprite builder and the mouse guard.
#include "minigames/minigameboard.h"

#include <vector>

#include "platform/platform.h"
#include "core/stringtable.h"
#include "model/game.h"
#include "model/globals.h"
#include "model/highscore.h"
#include "model/scene.h"
#include "render/sprite.h"
#include "render/texture.h"
#include "shell/settings.h"

TSpriteEntry TMiniGameBoard::MakeSprite(const TString& image, int32_t x, int32_t y, int32_t anchor, int32_t kind,
                                        const TString& name, float scale) {
  auto sprite = TSprite::Create(0);
  std::shared_ptr<TTexture> texture = TTexture::Get(image, 0);
  sprite->SetTexture(texture);
  const int32_t w = texture ? texture->GetWidth() : 0, h = texture ? texture->GetHeight() : 0;
  TVec2 pivot(0, 0), position(static_cast<float>(x), static_cast<float>(y));
  if (anchor == 1) {
    pivot = TVec2(static_cast<float>(w / 2), static_cast<float>(h / 2));
  } else if (anchor == 2) {
    pivot = TVec2(static_cast<float>(w), static_cast<float>(h));
  }
  position = position + pivot;
  TDrawSpec spec(position, 1.0f, scale, kDrawUseAnchor);
  spec.anchor = pivot;
  sprite->SetSpec(spec);
  TSpriteEntry entry;
  entry.sprite = sprite;
  entry.kind = kind;
  entry.name = name;
  return entry;
}

void TMiniGameBoard::AddSprite(TSpriteEntry entry, bool clickable) {
  entry.clickable = entry.active = clickable;
  mHost.GetSprites().AddSpriteEntry(entry);
}

void TMiniGameBoard::PostCreate() {
  if (mScene.GetSeqId() == kNoButtonsSeqId) return;
  CGame* game = CGame::GetInstance();
  if (!game) return;
  const TString skip = game->GetMiniGameSkipButtonGraphic();
  if (!skip.IsEmpty()) {
    AddSprite(MakeSprite(skip, game->GetMiniGameSkipButtonPosX(), game->GetMiniGameSkipButtonPosY(), 0,
                         kKindSkipButton, "skipButton"),
              true);
  }
  const TString menu = game->GetMiniGameMenuButtonGraphic();
  if (!menu.IsEmpty()) {
    AddSprite(MakeSprite(menu, game->GetMiniGameMenuButtonPosX(), game->GetMiniGameMenuButtonPosY(), 0,
                         kKindMenuButton, "menuButton"),
              true);
  }
}

TString TMiniGameBoard::LabelText(const char* label) {
  TPlatform* platform = TPlatform::GetInstance();
  TStringTable* table = platform ? platform->GetStringTable() : nullptr;
  return table ? table->GetString(label) : TString(label);
}

bool TMiniGameBoard::BriefingShown() {
  CGlobalInformationSystem* globals = CGlobalInformationSystem::GetInstance();
  return globals && globals->GetGlobalBool("showBriefingWindow");
}

bool TMiniGameBoard::StoreMouseAndCheckBriefing(TPoint mouse) {
  if (TSettings* settings = TSettings::GetInstance()) settings->SetMousePosition(mouse.x, mouse.y);
  return BriefingShown();
}

bool TMiniGameBoard::HitTest(TPoint p, TSpriteEntry* entry) const {
  int32_t index = -1;
  if (!mHost.GetSprites().HitTest(p, &index)) return false;
  *entry = mHost.GetSprites().GetSpriteEntry(index);
  return true;
}

bool TMiniGameBoard::OnMouseDown(TPoint mouse) {
  if (BriefingShown()) return true;
  CGame* game = CGame::GetInstance();
  const bool buttons = game && (*game->GetMiniGameSkipButtonGraphic() || *game->GetMiniGameMenuButtonGraphic());
  if (!mHost.AcceptsInput() || !buttons) return false;
  TSpriteEntry hit;
  if (!HitTest(mouse, &hit) || (hit.kind != kKindSkipButton && hit.kind != kKindMenuButton)) return false;
  if (hit.name == "skipButton") {
    if (CHighscoreSystem* score = CHighscoreSystem::GetInstance()) score->MiniGameSkiped();
    mHost.Skip();
  } else if (hit.name == "menuButton") {
    mHost.RunScript("DoModal('scripts/pause.lua')");
  }
  return true;
}

bool TMiniGameBoard::OnMouseMove(TPoint mouse) {
  if (StoreMouseAndCheckBriefing(mouse)) return true;
  if (!mHost.AcceptsInput()) return false;
  TSpriteEntry hit;
  if (!HitTest(mouse, &hit)) return false;
  if (hit.clickable && mHost.GetCursor() != kCursorHand) mHost.SetCursor(kCursorHand);
  return true;
}

void TMiniGameBoard::RaiseSprite(const TString& name) {
  TSpriteWindow& sprites = mHost.GetSprites();
  int32_t index = -1;
  if (!sprites.FindSprite(name, &index)) return;
  const std::shared_ptr<TSprite> sprite = sprites.GetSpriteEntry(index).sprite;
  if (!sprite) return;
  sprites.GetRootSprite()->RemoveChild(sprite);
  sprites.AttachSprite(sprite);
}

void TMiniGameBoard::RaiseButtons() {
  RaiseSprite("skipButton");
  RaiseSprite("menuButton");
}

void TMiniGameBoard::RemoveKind(int32_t kind) {
  TSpriteWindow& sprites = mHost.GetSprites();
  std::vector<TString> names;
  for (int32_t i = 0; i < sprites.GetSpriteCount(); ++i) {
    const TSpriteEntry e = sprites.GetSpriteEntry(i);
    if (e.kind == kind) names.push_back(e.name);
  }
  // Removing by name takes the first entry of the name, so each name goes as often as it stood.
  for (const TString& name : names) sprites.RemoveSprite(name);
}

void TMiniGameBoard::Win(TPoint where, const char* sound, bool score) {
  if (score) {
    if (CHighscoreSystem* keeper = CHighscoreSystem::GetInstance()) {
      mHost.ShowBonus(where, keeper->MiniGameTaskComplete());
    }
  }
  if (sound) mHost.PlaySound(sound);
  mHost.Solved();
}
