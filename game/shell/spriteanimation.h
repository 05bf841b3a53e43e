// Sprite animations: a glow (a blue halo made from the sprite's own shape and drawn by an effect
// script) and a move (the sprite flies in a straight line to a target point, turning as it goes).
// The sprite animator runs them; both carry the animated sprite and the sprite whose frame of
// reference they use, usually the root sprite of the owning sprite window.
#pragma once
#include <cstdint>
#include <memory>

#include "core/string.h"
#include "render/sprite.h"
#include "ui/window.h"

class TFxSprite;
class TFxSpriteAnimTask;

class TSpriteAnimation : public TWindow {
  TM_CLASS(TSpriteAnimation, TWindow)

 public:
  TSpriteAnimation(std::shared_ptr<TSprite> sprite, std::shared_ptr<TSprite> reference);
  ~TSpriteAnimation() override;

  virtual void Start() {}
  // One frame of the animation; false when it is finished.
  virtual bool Step() { return false; }
  // The task that steps the animation's effect: the shared effect task.
  virtual TFxSpriteAnimTask* CreateTask();

  const std::shared_ptr<TSprite>& GetSprite() const { return mSprite; }
  const std::shared_ptr<TSprite>& GetReference() const { return mReference; }

 protected:
  std::shared_ptr<TSprite> mSprite;
  std::shared_ptr<TSprite> mReference;
};

// A plain sprite holding one effect sprite as its child: a handle by which screens place, show and
// hide an effect like any other sprite of theirs.
class TFxHostSprite : public TSprite {
  TM_CLASS(TFxHostSprite, TSprite)

 public:
  TFxHostSprite(int32_t layer, std::shared_ptr<TFxSprite> effect);
  ~TFxHostSprite() override;
  const std::shared_ptr<TFxSprite>& GetEffect() const { return mEffect; }

 private:
  std::shared_ptr<TFxSprite> mEffect;
};

class TSpriteAnimationGlow : public TSpriteAnimation {
 public:
  static constexpr const char* kEffect = "fx/blurfx.lua";
  // The halo colour given to every pixel that is more than half opaque.
  static constexpr uint8_t kRed = 24, kGreen = 104, kBlue = 203;

  using TSpriteAnimation::TSpriteAnimation;
  // Builds the mask texture from the sprite's shape, starts the effect on the task (null: the
  // shared effect task) and hangs the effect sprite under the sprite, centred on it. False when the sprite has
  // no texture or the mask cannot be made; the sprite is then left as it was.
  virtual bool Setup(TFxSpriteAnimTask* task);
  // The name the mask texture is kept under.
  const TString& GetMaskName() const { return mMaskName; }

  // "user:" + the texture's source name without its extension + "_mask.png".
  static TString MakeMaskName(const TTexture& texture);
  // Paints the halo colour into every pixel whose alpha is above one half.
  static void PaintMask(TTexture& mask);

 private:
  TString mMaskName;
  std::shared_ptr<TTexture> mMask;
};

class TSpriteAnimationMove : public TSpriteAnimation {
 public:
  // The area outside which a moving sprite is finished.
  static constexpr int32_t kMinX = -299, kMinY = -299, kMaxX = 1323, kMaxY = 1067;

  TSpriteAnimationMove(std::shared_ptr<TSprite> sprite, std::shared_ptr<TSprite> reference, int32_t targetX,
                       int32_t targetY, uint32_t speed, bool reparent, bool flag);

  void Start() override;
  bool Step() override;

  int32_t GetStartX() const { return mStartX; }
  int32_t GetStartY() const { return mStartY; }
  bool GetFlag() const { return mFlag; }

 private:
  int32_t mTargetX, mTargetY;
  int32_t mStartX = 0, mStartY = 0;
  uint32_t mSpeed;
  bool mReparent;
  bool mFlag;  // carried for the caller; the move does not use it
};
