// The image window: one texture inside the window's rectangle, scaled, mirrored or turned a quarter
// turn, with an alpha. Buttons use it for their state layers and sliders for their thumb. Also the
// key under which the asset map looks up a sound.
#pragma once
#include <memory>

#include "ui/window.h"

class TTexture;

class TImage : public TWindow {
  TM_CLASS(TImage, TWindow)

 public:
  explicit TImage(bool redrawWithParent);
  ~TImage() override;
  static TWindow* CreateInstance() { return new TImage(true); }

  void Init(TWindowStyle& style) override;
  void Draw() override;

  // Sizes the window from a non-empty texture (times the scale, sides swapped when rotated).
  void SetTexture(const std::shared_ptr<TTexture>& texture, float scale);
  std::shared_ptr<TTexture> GetTexture() const { return mTexture; }
  // Full alpha over an opaque texture makes the window covering.
  void SetAlpha(float alpha);
  float GetAlpha() const { return mAlpha; }
  float GetScale() const { return mScale; }
  // Bit 1 mirrors horizontally, bit 2 vertically.
  void SetDrawFlags(uint32_t bits);
  uint32_t GetDrawFlags() const { return mDrawFlags; }
  void SetRotated(bool rotated);
  bool IsRotated() const { return mRotated; }

 private:
  void SizeFromTexture();

  std::shared_ptr<TTexture> mTexture;
  float mScale = 1.0f;
  float mAlpha = 1.0f;
  uint32_t mDrawFlags = 0;
  bool mRotated = false;
};

// The scale that fits a w x h texture to the display: the vertical factor when it enlarges, else the
// horizontal one (a side of 0 counts as factor 1). An unknown display (a side of 0) gives 1.
float AutoScaleFactor(int32_t displayWidth, int32_t displayHeight, int32_t w, int32_t h);

// "name;0;group", the group read after "group=" in the options text (0 without it).
TString MakeSoundId(const TString& name, const TString& options);
