// The sprite animator's bookkeeping of glows and moves.
#include "shell/spriteanimator.h"

#include <vector>

namespace {
TSpriteAnimator* gAnimator = nullptr;
}

TSpriteAnimator* TSpriteAnimator::Instance() {
  if (!gAnimator) gAnimator = new TSpriteAnimator;
  return gAnimator;
}

TSpriteAnimator* TSpriteAnimator::Find() { return gAnimator; }

void TSpriteAnimator::ReleaseInstance() {
  delete gAnimator;
  gAnimator = nullptr;
}

TSpriteAnimator::~TSpriteAnimator() = default;

void TSpriteAnimator::StartGlow(const std::shared_ptr<TSprite>& sprite, const std::shared_ptr<TSprite>& reference,
                                TFxSpriteAnimTask* task) {
  if (!sprite || mGlows.count(sprite.get())) return;
  auto glow = std::make_unique<TSpriteAnimationGlow>(sprite, reference);
  if (!glow->Setup(task)) return;
  mGlows[sprite.get()] = std::move(glow);
}

void TSpriteAnimator::StopGlow(const std::shared_ptr<TSprite>& sprite) {
  if (!sprite) return;
  sprite->RemoveAllChildren();
  mGlows.erase(sprite.get());
}

void TSpriteAnimator::StartMove(const std::shared_ptr<TSprite>& sprite, const std::shared_ptr<TSprite>& reference,
                                int32_t targetX, int32_t targetY, uint32_t speed, bool reparent, bool flag) {
  if (!sprite) return;
  auto move = std::make_unique<TSpriteAnimationMove>(sprite, reference, targetX, targetY, speed, reparent, flag);
  move->Start();
  mMoves[sprite.get()] = std::move(move);
}

const TSpriteAnimationGlow* TSpriteAnimator::GetGlow(const TSprite* sprite) const {
  auto it = mGlows.find(sprite);
  return it == mGlows.end() ? nullptr : it->second.get();
}

void TSpriteAnimator::Update() {
  for (auto it = mMoves.begin(); it != mMoves.end();) {
    if (it->second->Step()) {
      ++it;
      continue;
    }
    std::unique_ptr<TSpriteAnimationMove> move = std::move(it->second);
    it = mMoves.erase(it);
    const std::shared_ptr<TSprite>& sprite = move->GetSprite();
    if (TSprite* parent = sprite->GetParent()) parent->RemoveChild(sprite);
    mGlows.erase(sprite.get());
  }
}

void TSpriteAnimator::StopAll() {
  mMoves.clear();
  mGlows.clear();
}
