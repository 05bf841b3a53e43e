// The nine men's morris board's sprites, clicks and typed solving word.
#include "minigames/morrisboard.h"

#include <string>

#include "model/globals.h"

void TNineMensMorrisBoard::ShowField(int32_t i, bool selected) {
  const CNineMensMorrisField& f = mGame.GetFields()[static_cast<size_t>(i)];
  const TString name = std::to_string(i).c_str();
  mHost.GetSprites().RemoveSprite(name);
  const std::string image = mGame.filepath + std::to_string(f.status) + (selected ? "a" : "");
  AddSprite(MakeSprite(image.c_str(), f.xPos, f.yPos, 0, kKindField, name), true);
}

void TNineMensMorrisBoard::PostCreate() {
  TMiniGameBoard::PostCreate();
  mGame.BeginPlay();
  for (const CNineMensMorrisField& f : mGame.GetFields()) ShowField(f.index, false);
}

void TNineMensMorrisBoard::Won() {
  if (CGlobalInformationSystem* globals = CGlobalInformationSystem::GetInstance()) {
    globals->SetGlobalBool("ShiftingTilesWon", true);
  }
  // This puzzle gives no score.
  Win(TPoint{}, "win", false);
}

bool TNineMensMorrisBoard::OnMouseDown(TPoint mouse) {
  if (BriefingShown()) return true;
  if (!mHost.AcceptsInput()) return TMiniGameBoard::OnMouseDown(mouse);
  TSpriteEntry hit;
  if (!HitTest(mouse, &hit) || hit.kind != kKindField) return TMiniGameBoard::OnMouseDown(mouse);
  const CNineMensMorrisGame::TClick click = mGame.ClickField(std::atoi(hit.name.CStr()));
  switch (click.kind) {
    case CNineMensMorrisGame::TClick::kSelected:
      ShowField(click.from, true);
      break;
    case CNineMensMorrisGame::TClick::kMoved:
      ShowField(click.from, false);
      ShowField(click.to, false);
      if (click.won) Won();
      break;
    case CNineMensMorrisGame::TClick::kRefused:
      ShowField(click.from, false);
      mHost.PlaySound("lose");
      break;
    case CNineMensMorrisGame::TClick::kNothing:
      break;
  }
  return true;
}

bool TNineMensMorrisBoard::OnChar(char c) {
  if (mGame.TypeKey(c)) {
    for (const CNineMensMorrisField& f : mGame.GetFields()) ShowField(f.index, false);
    Won();
  }
  // Keys are never reported as used.
  return false;
}
