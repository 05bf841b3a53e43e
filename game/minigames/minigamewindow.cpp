// The mini-game scene window and the window class of each mini-game.
#include "minigames/minigamewindow.h"

#include <ctime>

#include "minigames/jigsawboard.h"
#include "minigames/lockboard.h"
#include "minigames/mirroredimageboard.h"
#include "minigames/mixpotionboard.h"
#include "minigames/morrisboard.h"
#include "minigames/picturesboard.h"
#include "minigames/plotpointboard.h"
#include "model/globals.h"
#include "model/highscore.h"
#include "model/minigamemodels.h"
#include "ui/image.h"
#include "ui/windowmanager.h"

namespace {
const char kWinSound[] = "audio/sfx/positive_sound.ogg";
const char kLoseSound[] = "audio/sfx/negative_sound.ogg";
}  // namespace

// ---- the shared window ----

TMiniGameWindow::~TMiniGameWindow() {
  mBoard.reset();
  if (mPausedPlay)
    if (CHighscoreSystem* score = CHighscoreSystem::GetInstance()) score->StartPlay();
}

void TMiniGameWindow::PausePlayClock() {
  if (CHighscoreSystem* score = CHighscoreSystem::GetInstance()) score->PausePlay();
  mPausedPlay = true;
}

void TMiniGameWindow::AddSound(const char* name, const std::string& file) {
  if (!file.empty()) GetSceneSound(name, file.c_str());
}

uint32_t TMiniGameWindow::GetPlayClockTime() const {
  CHighscoreSystem* score = CHighscoreSystem::GetInstance();
  return score ? score->GetPlayClockTime() : 0;
}

void TMiniGameWindow::PostCreate(TWindowStyle& style) {
  mBoard = MakeBoard();
  if (mBoard) mBoard->PostCreate();
  TScene::PostCreate(style);
}

bool TMiniGameWindow::Animate() {
  if (mSolvedFrames > 0 && --mSolvedFrames == 0) TScene::Skip();
  if (mBoard) mBoard->Animate();
  return TScene::Animate();
}

void TMiniGameWindow::Solved() {
  if (mSolvedFrames > 0 || !CanUseExits()) return;
  ShowInfoText("PUZZLE_SOLVED");
  mSolvedFrames = kSolvedFrames;
}

bool TMiniGameWindow::OnMouseDown(TPoint point) {
  // The solved board is only looked at.
  if (mSolvedFrames > 0) return true;
  if (mBoard && mBoard->OnMouseDown(point)) return true;
  // A click on the short-text box at the top brings the room's instructions back, and so does a
  // click the board has no use for once they have faded: a player who clicks about, unsure what
  // to do, reads them again.
  TImage* words = FindImage("shorttextBg");
  const bool onBox = words && words->GetRect().Contains(point.x, point.y);
  const bool faded = words && words->GetAlpha() <= 0.0f;
  if (AcceptsInput() && (onBox || faded)) {
    CGlobalInformationSystem* globals = CGlobalInformationSystem::GetInstance();
    const TString howTo = globals ? globals->GetGlobalString("puzzleHowTo") : TString();
    if (!howTo.IsEmpty()) {
      ShowInfoText(howTo);
      return true;
    }
  }
  return TScene::OnMouseDown(point);
}

bool TMiniGameWindow::OnMouseMove(TPoint point) {
  if (mSolvedFrames > 0) return true;
  if (mBoard && mBoard->OnMouseMove(point)) return true;
  if (TScene::OnMouseMove(point)) return true;
  if (AcceptsInput() && GetCursorKind() != kCursorNormal) TScene::SetCursor(kCursorNormal);
  return false;
}

bool TMiniGameWindow::OnChar(int8_t c) {
  const bool used = mBoard && mBoard->OnChar(static_cast<char>(c));
  if (used || !mPassKeys) return used;
  return TScene::OnChar(c);
}

// ---- one window per mini-game ----

TJigsawPuzzleWindow::TJigsawPuzzleWindow() { PausePlayClock(); }

std::unique_ptr<TMiniGameBoard> TJigsawPuzzleWindow::MakeBoard() {
  auto* puzzle = dynamic_cast<CJigsawPuzzle*>(mScene);
  return puzzle ? std::make_unique<TJigsawBoard>(*this, *puzzle) : nullptr;
}

TUnlockingDoorsWindow::TUnlockingDoorsWindow() {
  if (auto* lock = dynamic_cast<CLock*>(mScene)) {
    if (lock->hasMoveBoltSoundFile) AddSound("MoveSound", lock->moveBoltSoundFile);
    if (lock->hasMissSoundFile) AddSound("LockedSound", lock->missSoundFile);
    if (lock->hasWonSoundFile) AddSound("WonSound", lock->wonSoundFile);
  }
  PausePlayClock();
  BindGlobal("IsWon", this, &TUnlockingDoorsWindow::IsWon);
  BindGlobal("ResetPosition", this, &TUnlockingDoorsWindow::ResetPosition);
}

bool TUnlockingDoorsWindow::IsWon() {
  auto* lock = dynamic_cast<CLock*>(mScene);
  return lock && lock->AreAllBoltsUp();
}

void TUnlockingDoorsWindow::ResetPosition(bool up) {
  auto* lock = dynamic_cast<CLock*>(mScene);
  if (!lock) return;
  lock->ResetBolts(up);
  if (auto* board = dynamic_cast<TLockBoard*>(GetBoard())) board->UpdateBolts();
}

std::unique_ptr<TMiniGameBoard> TUnlockingDoorsWindow::MakeBoard() {
  auto* lock = dynamic_cast<CLock*>(mScene);
  return lock ? std::make_unique<TLockBoard>(*this, *lock) : nullptr;
}

TMirroredImageWindow::TMirroredImageWindow() {
  AddSound("lose", kLoseSound);
  AddSound("win", kWinSound);
}

std::unique_ptr<TMiniGameBoard> TMirroredImageWindow::MakeBoard() {
  auto* game = dynamic_cast<CMirroredImageGame*>(mScene);
  return game ? std::make_unique<TMirroredImageBoard>(*this, *game, static_cast<uint32_t>(std::time(nullptr)))
              : nullptr;
}

TMixPotionWindow::TMixPotionWindow() {
  if (auto* game = dynamic_cast<CMixPotionMiniGame*>(mScene)) {
    if (game->hasMixSoundFile) AddSound("MixSound", game->mixSoundFile);
    if (game->hasWonSoundFile) AddSound("WonSound", game->wonSoundFile);
    if (game->hasTryAgainSoundFile) AddSound("TryAgain", game->tryAgainSoundFile);
  }
  PausePlayClock();
}

std::unique_ptr<TMiniGameBoard> TMixPotionWindow::MakeBoard() {
  auto* game = dynamic_cast<CMixPotionMiniGame*>(mScene);
  return game ? std::make_unique<TMixPotionBoard>(*this, *game) : nullptr;
}

TNineMensMorrisWindow::TNineMensMorrisWindow() {
  AddSound("lose", kLoseSound);
  AddSound("win", kWinSound);
  // Typed letters go to the solving word only.
  mPassKeys = false;
}

std::unique_ptr<TMiniGameBoard> TNineMensMorrisWindow::MakeBoard() {
  auto* game = dynamic_cast<CNineMensMorrisGame*>(mScene);
  return game ? std::make_unique<TNineMensMorrisBoard>(*this, *game) : nullptr;
}

TPlacingPicturesWindow::TPlacingPicturesWindow() {
  AddSound("lose", kLoseSound);
  AddSound("win", kWinSound);
}

std::unique_ptr<TMiniGameBoard> TPlacingPicturesWindow::MakeBoard() {
  auto* game = dynamic_cast<CPlacingPicturesGame*>(mScene);
  return game ? std::make_unique<TPlacingPicturesBoard>(*this, *game) : nullptr;
}

std::unique_ptr<TMiniGameBoard> TPlotpointWindow::MakeBoard() {
  auto* plot = dynamic_cast<CPlotpoint*>(mScene);
  return plot ? std::make_unique<TPlotpointBoard>(*this, *plot) : nullptr;
}

void RegisterMiniGameWindowTypes() {
  TWindowManager* manager = GetWindowManager();
  if (!manager) return;
  manager->RegisterWindowType("JigsawPuzzleWindow", &TJigsawPuzzleWindow::CreateInstance);
  manager->RegisterWindowType("UnlockingDoors", &TUnlockingDoorsWindow::CreateInstance);
  manager->RegisterWindowType("MirroredImageWindow", &TMirroredImageWindow::CreateInstance);
  manager->RegisterWindowType("NineMensMorrisWindow", &TNineMensMorrisWindow::CreateInstance);
  manager->RegisterWindowType("PlacingPicturesWindow", &TPlacingPicturesWindow::CreateInstance);
  manager->RegisterWindowType("MixPotion", &TMixPotionWindow::CreateInstance);
  manager->RegisterWindowType("PlotpointWindow", &TPlotpointWindow::CreateInstance);
}
