// The jigsaw board's sprites and mouse handling over the puzzle model.
#include "minigames/jigsawboard.h"

void TJigsawBoard::PostCreate() {
  TMiniGameBoard::PostCreate();
  for (const auto& [name, piece] : mPuzzle.GetPieces()) {
    AddSprite(MakeSprite(piece->image.c_str(), piece->currentX, piece->currentY, 0, kKindPiece, name.c_str()), true);
  }
}

void TJigsawBoard::PlaceSprites() {
  for (const auto& [name, piece] : mPuzzle.GetPieces()) {
    mHost.GetSprites().SetSpritePosition(name.c_str(), piece->currentX, piece->currentY);
  }
}

bool TJigsawBoard::OnMouseMove(TPoint mouse) {
  if (StoreMouseAndCheckBriefing(mouse)) return true;
  if (!mHeld.empty()) {
    if (mHost.GetCursor() != kCursorHand) mHost.SetCursor(kCursorHand);
    mPuzzle.MovePiece(mHeld, mouse.x - mGrabX, mouse.y - mGrabY);
    PlaceSprites();
    return true;
  }
  TSpriteEntry hit;
  if (mHost.AcceptsInput() && HitTest(mouse, &hit) && hit.kind == kKindPiece) {
    const CJigsawPiece* piece = mPuzzle.FindPiece(hit.name.CStr());
    const int32_t cursor = piece && piece->movable ? kCursorHand : kCursorNormal;
    if (mHost.GetCursor() != cursor) mHost.SetCursor(cursor);
    return true;
  }
  return TMiniGameBoard::OnMouseMove(mouse);
}

bool TJigsawBoard::OnMouseDown(TPoint mouse) {
  if (BriefingShown()) return true;
  bool used = false;
  if (mHost.AcceptsInput()) {
    if (mHeld.empty()) {
      TSpriteEntry hit;
      const CJigsawPiece* piece = nullptr;
      if (HitTest(mouse, &hit) && hit.kind == kKindPiece && (piece = mPuzzle.FindPiece(hit.name.CStr())) &&
          piece->movable) {
        mHeld = hit.name.CStr();
        mGrabX = mouse.x - piece->currentX;
        mGrabY = mouse.y - piece->currentY;
        for (const std::string& member : mPuzzle.GroupMembers(mHeld)) RaiseSprite(member.c_str());
        used = true;
      }
    } else {
      mPuzzle.DropPiece(mHeld, mouse.x - mGrabX, mouse.y - mGrabY);
      mHeld.clear();
      PlaceSprites();
      if (mPuzzle.IsWon()) Win(mouse, nullptr);
      used = true;
    }
  }
  RaiseButtons();
  return used || TMiniGameBoard::OnMouseDown(mouse);
}
