// The mix-potion board's sprites and mouse handling over the mix-potion model.
#include "minigames/mixpotionboard.h"

#include <string>

#include "core/config.h"
#include "render/sprite.h"
#include "render/texture.h"

namespace {
enum Image {
  kFlask = 10, kFunnel = 11, kButton = 12, kResetButton = 13, kTargetColor = 14, kMoveableFlask = 15, kCupboard = 16
};
constexpr size_t kColourAt = 13;  // the colour letter follows "moveableFlask"

int32_t ColourOfLetter(char c) {
  switch (c) {
    case 'g': return 0;
    case 'o': return 1;
    case 'b': return 2;
    case 'p': return 3;
    default: return 5;
  }
}

int32_t ConfigInt(const char* key) { return std::atoi(GetConfig(key).CStr()); }
}  // namespace

TString TMixPotionBoard::PipeName(const CMixPotionPipe& pipe) {
  return ("pipe" + std::to_string(pipe.x) + "_" + std::to_string(pipe.y)).c_str();
}

TString TMixPotionBoard::IndexedName(const char* stem, size_t i) { return (stem + std::to_string(i)).c_str(); }

TPoint TMixPotionBoard::Cell(int32_t x, int32_t y) const {
  return TPoint{x * mCellW + mGame.x, y * mCellH + mGame.y};
}

void TMixPotionBoard::BuildPipes() {
  TSpriteWindow& sprites = mHost.GetSprites();
  for (const auto& pipe : mGame.GetPipes()) {
    const int32_t kind = pipe->GetPipeKind();
    if (kind == CMixPotionPipe::kNoShape) continue;
    const TString name = PipeName(*pipe);
    const TString image = (mGame.images[kind] + pipe->ImageSuffix()).c_str();
    int32_t index = -1;
    if (sprites.FindSprite(name, &index)) {
      sprites.SetSpriteTexture(name, image);
    } else {
      const TPoint at = Cell(pipe->x, pipe->y);
      AddSprite(MakeSprite(image, at.x, at.y, 0, kKindPipe, name), false);
    }
  }
}

void TMixPotionBoard::BuildFunnels(bool coloured) {
  const auto& sources = mGame.GetSources();
  for (size_t i = 0; i < sources.size(); ++i) {
    const std::string suffix = coloured ? sources[i]->ImageSuffix() : "_u";
    const TPoint at = Cell(sources[i]->x, sources[i]->y);
    AddSprite(MakeSprite((mGame.images[kFunnel] + suffix).c_str(), at.x, at.y - 67, 0, kKindFunnel,
                         IndexedName("funnel", i)),
              false);
  }
}

void TMixPotionBoard::BuildFlasks() {
  const auto& outlets = mGame.GetOutlets();
  for (size_t i = 0; i < outlets.size(); ++i) {
    const TPoint at = Cell(outlets[i]->x, outlets[i]->y + 1);
    AddSprite(MakeSprite((mGame.images[kFlask] + outlets[i]->ImageSuffix()).c_str(), at.x, at.y, 0, kKindFlask,
                         IndexedName("flask", i)),
              false);
  }
}

void TMixPotionBoard::BuildTargets() {
  const auto& outlets = mGame.GetOutlets();
  for (size_t i = 0; i < outlets.size() && i < mGame.needColors.size(); ++i) {
    const std::string letter = MixPotionColorLetter(mGame.needColors[i]);
    const TPoint at = Cell(outlets[i]->x, 0);
    AddSprite(MakeSprite((mGame.images[kTargetColor] + "_" + letter).c_str(), at.x,
                         (outlets[i]->y + 2) * mCellH + mGame.y + 40, 0, kKindTarget, ("targetColor" + letter).c_str()),
              false);
  }
}

void TMixPotionBoard::BuildCupboard() {
  AddSprite(MakeSprite(mGame.images[kCupboard].c_str(), mGame.cboardX, mGame.cboardY, 0, kKindCupboard, "Cupboard"),
            false);
}

void TMixPotionBoard::BuildMoveableFlasks() {
  if (mGame.GetOutlets().empty()) return;
  const CMixPotionPipe& first = *mGame.GetOutlets()[0];
  for (size_t k = 0; k < mGame.givenColors.size(); ++k) {
    const std::string letter = MixPotionColorLetter(mGame.givenColors[k]);
    const TPoint at = Cell(first.x - static_cast<int32_t>(k) - 2, first.y + 1);
    AddSprite(MakeSprite((mGame.images[kMoveableFlask] + "_" + letter).c_str(), at.x, at.y, 0, kKindMoveableFlask,
                         ("moveableFlask" + letter + std::to_string(k)).c_str()),
              true);
  }
}

void TMixPotionBoard::BuildButtons() {
  AddSprite(MakeSprite(mGame.images[kButton].c_str(), mGame.buttonX, mGame.buttonY, 0, kKindMixButton, "MixButton"),
            true);
  AddSprite(MakeSprite(mGame.images[kResetButton].c_str(), mGame.resetbuttonX, mGame.resetbuttonY, 0,
                       kKindResetButton, "ResetButton"),
            true);
}

void TMixPotionBoard::PostCreate() {
  TMiniGameBoard::PostCreate();
  mGame.ResetAll(true, true);
  if (auto cell = TTexture::Get((mGame.images[3] + "_u").c_str(), 0)) {
    if (cell->GetWidth() > 0 && cell->GetHeight() > 0) mCellW = cell->GetWidth(), mCellH = cell->GetHeight();
  }
  BuildPipes();
  BuildFunnels(true);
  BuildFlasks();
  BuildTargets();
  BuildCupboard();
  BuildMoveableFlasks();
  BuildButtons();
}

void TMixPotionBoard::Rebuild() {
  for (int32_t kind : {kKindPipe, kKindFunnel, kKindFlask, kKindCupboard, kKindMixButton, kKindResetButton}) {
    RemoveKind(kind);
  }
  BuildPipes();
  BuildFunnels(true);
  BuildFlasks();
  BuildCupboard();
  BuildButtons();
  RemoveKind(kKindMoveableFlask);
  BuildMoveableFlasks();
}

int32_t TMixPotionBoard::FunnelAt(TPoint p) const {
  const TSpriteWindow& sprites = mHost.GetSprites();
  for (int32_t i = 0; i < sprites.GetSpriteCount(); ++i) {
    const TSpriteEntry e = sprites.GetSpriteEntry(i);
    if (e.kind != kKindFunnel || !e.sprite) continue;
    const TDrawSpec& spec = e.sprite->GetSpec();
    const TVec2 at = spec.transform.GetTranslation();
    const auto& texture = e.sprite->GetTexture();
    const int32_t w = texture ? texture->GetWidth() : 0, h = texture ? texture->GetHeight() : 0;
    if (p.x >= at.x && p.x < at.x + w && p.y >= at.y && p.y < at.y + h) {
      return std::atoi(e.name.CStr() + 6);
    }
  }
  return -1;
}

bool TMixPotionBoard::OnMouseMove(TPoint mouse) {
  if (StoreMouseAndCheckBriefing(mouse)) return true;
  if (!mHost.AcceptsInput() || mHeld.IsEmpty()) return TMiniGameBoard::OnMouseMove(mouse);
  mHost.GetSprites().SetSpritePosition(mHeld, mouse.x - mGrabX, mouse.y - mGrabY);
  const int32_t funnel = FunnelAt(mouse);
  const bool pourable = funnel >= 0 && static_cast<size_t>(funnel) < mGame.GetSources().size() &&
                        mGame.GetSources()[funnel]->colour == 5;
  const int32_t cursor = pourable ? kCursorHand : kCursorNormal;
  if (mHost.GetCursor() != cursor) mHost.SetCursor(cursor);
  return true;
}

bool TMixPotionBoard::OnMouseDown(TPoint mouse) {
  if (BriefingShown()) return true;
  if (!mHost.AcceptsInput()) return TMiniGameBoard::OnMouseDown(mouse);
  if (!mHeld.IsEmpty()) {
    const std::string held = mHeld.CStr();
    mHeld = TString();
    const int32_t colour = ColourOfLetter(held.size() > kColourAt ? held[kColourAt] : 'u');
    const int32_t funnel = FunnelAt(mouse);
    if (funnel >= 0 && mGame.SetSourceColor(static_cast<size_t>(funnel), colour)) {
      RemoveKind(kKindFunnel);
      BuildFunnels(true);
    }
    // The flask goes back into the cupboard either way.
    RemoveKind(kKindMoveableFlask);
    BuildMoveableFlasks();
    return true;
  }
  TSpriteEntry hit;
  if (!HitTest(mouse, &hit) || hit.kind < kKindPipe || hit.kind > kKindMoveableFlask) {
    return TMiniGameBoard::OnMouseDown(mouse);
  }
  if (hit.kind == kKindResetButton) {
    mGame.ResetAll(true, true);
    Rebuild();
  } else if (hit.kind == kKindMixButton) {
    if (!mGame.AllSourcesFilled()) {
      mHost.ShowInfo("POTION_FILL");
      return true;
    }
    mHost.PlaySound("MixSound");
    mGame.Mix();
    Rebuild();
    if (mGame.IsWon()) {
      mGame.ResetAll(true, true);
      Win(mouse, "WonSound");
    } else {
      mGame.ResetAll(true, true);
      RemoveKind(kKindFunnel);
      BuildFunnels(false);
      RemoveKind(kKindMoveableFlask);
      BuildMoveableFlasks();
      mHost.PlaySound("TryAgain");
      mHost.ShowInfo("POTION_WRONG");
    }
  } else if (hit.kind == kKindMoveableFlask) {
    mHeld = hit.name;
    mGrabX = ConfigInt("itemCursorOffsetX");
    mGrabY = ConfigInt("itemCursorOffsetY");
    RaiseSprite(hit.name);
  }
  return true;
}
