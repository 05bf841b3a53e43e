// The placing-pictures board's sprites, text boxes and mouse handling over its model.
#include "minigames/picturesboard.h"

#include <algorithm>

#include "shell/scenetext.h"
#include "shell/textbox.h"

TPlacingPicturesBoard::~TPlacingPicturesBoard() {
  // A picture still in hand when the board closes goes back where it came from.
  mGame.ReturnHeld();
}

void TPlacingPicturesBoard::PostCreate() {
  mGame.ReturnHeld();
  for (const TPictureArea& a : mGame.areas) {
    if (a.current.empty()) continue;
    AddSprite(MakeSprite((mGame.filepath + a.current).c_str(), a.x[0] + kInset, a.y[0] + kInset, 0, kKindPicture,
                         a.current.c_str()),
              true);
  }
  mGame.ClearTextboxWindows();
  for (int32_t j = 0; j < mGame.GetTextboxCount(); ++j) {
    auto* box = new TTextbox();
    const int32_t w = mGame.GetTextboxWidth(), h = mGame.GetTextboxHeight();
    box->BuildText(LabelText(mGame.GetTextboxText(j)), static_cast<uint32_t>(std::max(w, 0)),
                   static_cast<uint32_t>(std::max(h, 0)), 0, mGame.GetTextFont(),
                   static_cast<uint32_t>(std::max(mGame.GetLineHeight(), 1)),
                   scenetext::FromBytes(mGame.GetTextColor()).data(), 0);
    const auto at = mGame.GetTextboxPosition(j);
    box->MoveTo(at.x, at.y);
    box->SetRotation(mGame.GetTextboxRotation(j), w / 2.0f, h / 2.0f);
    mGame.AddTextboxWindow(box);
    mHost.GetWindow().AddChild(box, false);
  }
  TMiniGameBoard::PostCreate();
}

bool TPlacingPicturesBoard::OnMouseDown(TPoint mouse) {
  if (!mHost.IsLive() || !mHost.AcceptsInput()) return TMiniGameBoard::OnMouseDown(mouse);
  if (BriefingShown()) return true;
  if (mGame.GetHeld().empty()) {
    TSpriteEntry hit;
    if (HitTest(mouse, &hit) && hit.kind == kKindPicture && mGame.Lift(hit.name.CStr())) {
      RaiseSprite(hit.name);
      return true;
    }
    return TMiniGameBoard::OnMouseDown(mouse);
  }
  const int32_t area = mGame.FreeAreaAt(mouse.x, mouse.y);
  if (area < 0) return TMiniGameBoard::OnMouseDown(mouse);
  const std::string held = mGame.GetHeld();
  mGame.DropAt(mouse.x, mouse.y);
  const TPictureArea& a = mGame.areas[static_cast<size_t>(area)];
  mHost.GetSprites().SetSpritePosition(held.c_str(), a.x[0] + kInset, a.y[0] + kInset);
  if (mGame.IsWon()) Win(mouse, "win");
  return true;
}

bool TPlacingPicturesBoard::OnMouseMove(TPoint mouse) {
  if (StoreMouseAndCheckBriefing(mouse)) return true;
  if (mHost.IsLive()) {
    if (!mGame.GetHeld().empty()) {
      mHost.GetSprites().SetSpritePosition(mGame.GetHeld().c_str(), mouse.x - kCarryOffset, mouse.y - kCarryOffset);
    }
    if (mGame.FreeAreaAt(mouse.x, mouse.y) >= 0) {
      if (mHost.GetCursor() != kCursorDrop) mHost.SetCursor(kCursorDrop);
      return true;
    }
  }
  return TMiniGameBoard::OnMouseMove(mouse);
}
