// The bolt-lock board's sprites and clicks over the lock model.
#include "minigames/lockboard.h"

#include <cmath>
#include <string>

TString TLockBoard::BoltName(const char* stem, size_t index) {
  return (std::string(stem) + static_cast<char>('1' + index)).c_str();
}

static float Radians(int32_t degrees) { return static_cast<float>(degrees * M_PI / 180.0); }

void TLockBoard::TurnLocks(size_t i, const CLockingBolt& bolt) {
  TSpriteWindow& sprites = mHost.GetSprites();
  if (!bolt.boltUpperLockGraphic.empty()) {
    sprites.SetSpriteRotation(BoltName("upperBoltLock", i),
                              Radians(bolt.locked ? bolt.upperBoltLockCloseRotAngle : bolt.upperBoltLockOpenRotAngle));
  }
  if (!bolt.boltLowerLockGraphic.empty()) {
    sprites.SetSpriteRotation(BoltName("lowerBoltLock", i),
                              Radians(bolt.locked ? bolt.lowerBoltLockCloseRotAngle : bolt.lowerBoltLockOpenRotAngle));
  }
}

void TLockBoard::PostCreate() {
  const bool showLocks = !mLock.AllBoltsMoveOthers();
  const auto& bolts = mLock.GetBolts();
  for (size_t i = 0; i < bolts.size(); ++i) {
    const CLockingBolt& b = *bolts[i];
    AddSprite(MakeSprite(b.graphic.c_str(), b.up ? b.upX : b.downX, b.up ? b.upY : b.downY, 0, kKindBolt,
                         BoltName("bolt", i)),
              true);
    if (!showLocks) continue;
    if (!b.boltUpperLockGraphic.empty()) {
      AddSprite(MakeSprite(b.boltUpperLockGraphic.c_str(), b.upperBoltLockPositionX, b.upperBoltLockPositionY, 1,
                           kKindLock, BoltName("upperBoltLock", i)),
                false);
    }
    if (!b.boltLowerLockGraphic.empty()) {
      AddSprite(MakeSprite(b.boltLowerLockGraphic.c_str(), b.lowerBoltLockPositionX, b.lowerBoltLockPositionY, 1,
                           kKindLock, BoltName("lowerBoltLock", i)),
                false);
    }
    TurnLocks(i, b);
  }
  if (!mLock.overlayImage.empty()) {
    AddSprite(MakeSprite(mLock.overlayImage.c_str(), mLock.overlayImagePosX, mLock.overlayImagePosY, 0, kKindOverlay,
                         "overlayImage"),
              false);
  }
  TMiniGameBoard::PostCreate();
}

int32_t TLockBoard::UpdateBolts() {
  const auto& bolts = mLock.GetBolts();
  const bool showLocks = !mLock.AllBoltsMoveOthers();
  for (size_t i = 0; i < bolts.size(); ++i) {
    const CLockingBolt& b = *bolts[i];
    mHost.GetSprites().SetSpritePosition(BoltName("bolt", i), b.up ? b.upX : b.downX, b.up ? b.upY : b.downY);
    if (showLocks) TurnLocks(i, b);
  }
  return static_cast<int32_t>(bolts.size());
}

bool TLockBoard::OnMouseDown(TPoint mouse) {
  if (BriefingShown()) return true;
  if (!mHost.AcceptsInput()) return TMiniGameBoard::OnMouseDown(mouse);
  TSpriteEntry hit;
  if (!HitTest(mouse, &hit) || (hit.kind != kKindBolt && hit.kind != kKindLock)) {
    return TMiniGameBoard::OnMouseDown(mouse);
  }
  const int32_t index = static_cast<unsigned char>(hit.name.CStr()[4]) - '1';
  mHost.PlaySound(mLock.ToggleBolt(index, 1) ? "MoveSound" : "LockedSound");
  UpdateBolts();
  if (mLock.AreAllBoltsUp()) Win(mouse, "WonSound");
  return true;
}
