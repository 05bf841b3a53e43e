// The sprite animator: the process-wide keeper of the running sprite glows and moves. A sprite has
// at most one of each; the scene window's per-frame update steps the moves, and a new scene stops
// everything.
#pragma once
#include <cstdint>
#include <map>
#include <memory>

#include "shell/spriteanimation.h"

class TSpriteAnimator {
 public:
  // Made empty on first use.
  static TSpriteAnimator* Instance();
  static void ReleaseInstance();
  // The animator if one exists (none is made).
  static TSpriteAnimator* Find();

  ~TSpriteAnimator();

  // A sprite that already glows is left alone. The task steps the effect (null: the shared one).
  void StartGlow(const std::shared_ptr<TSprite>& sprite, const std::shared_ptr<TSprite>& reference,
                 TFxSpriteAnimTask* task = nullptr);
  // Removes the glow effect (every child of the sprite) and forgets the glow.
  void StopGlow(const std::shared_ptr<TSprite>& sprite);
  // Replaces any earlier move of the sprite.
  void StartMove(const std::shared_ptr<TSprite>& sprite, const std::shared_ptr<TSprite>& reference, int32_t targetX,
                 int32_t targetY, uint32_t speed, bool reparent, bool flag);
  // One frame: steps every move; a finished sprite is detached from its parent and loses its glow.
  void Update();
  void StopAll();

  bool IsGlowing(const TSprite* sprite) const { return mGlows.count(sprite) != 0; }
  bool IsMoving(const TSprite* sprite) const { return mMoves.count(sprite) != 0; }
  const TSpriteAnimationGlow* GetGlow(const TSprite* sprite) const;
  size_t GetMoveCount() const { return mMoves.size(); }
  size_t GetGlowCount() const { return mGlows.size(); }

 private:
  TSpriteAnimator() = default;

  std::map<const TSprite*, std::unique_ptr<TSpriteAnimationGlow>> mGlows;
  std::map<const TSprite*, std::unique_ptr<TSpriteAnimationMove>> mMoves;
};
