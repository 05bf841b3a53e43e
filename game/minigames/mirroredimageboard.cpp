// The mirrored-image board's layout and its one deciding click.
#include "minigames/mirroredimageboard.h"

#include "render/sprite.h"

void TMirroredImageBoard::PostCreate() {
  TMiniGameBoard::PostCreate();
  for (const CMirroredImageGame::TPicture& p : mGame.MakeLayout(mRandom)) {
    AddSprite(MakeSprite(p.image.c_str(), p.x, p.y, 0, kKindPicture, p.name.c_str()), true);
  }
  for (const char* name : {"won", "lose"}) {
    TSpriteEntry e = MakeSprite(name[0] == 'w' ? "sprites/mi_right" : "sprites/mi_wrong", 0, 0, 0, kKindFeedback, name);
    e.sprite->SetVisible(false);
    AddSprite(e, false);
  }
}

bool TMirroredImageBoard::OnMouseDown(TPoint mouse) {
  if (BriefingShown()) return true;
  if (!mHost.AcceptsInput()) return TMiniGameBoard::OnMouseDown(mouse);
  TSpriteEntry hit;
  if (!HitTest(mouse, &hit) || hit.kind != kKindPicture) return TMiniGameBoard::OnMouseDown(mouse);
  if (CMirroredImageGame::IsCorrectImage(hit.name.CStr())) {
    mHost.GetSprites().SetSpriteVisible("won", true);
    Win(mouse, "win");
  } else {
    // A wrong pick ends the game too, unscored.
    mHost.GetSprites().SetSpriteVisible("lose", true);
    mHost.PlaySound("lose");
    mHost.Skip();
  }
  return true;
}
