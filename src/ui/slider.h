// Horizontal and vertical sliders: a rail drawn from three images and a thumb image window the
// player drags. The value runs from 0 to 1; changes, the end of a drag and clicks on the rail go
// to the parent chain as framework messages.
#pragma once
#include <memory>

#include "ui/window.h"

class TImage;
class TTexture;

class TSlider : public TWindow {
  TM_CLASS(TSlider, TWindow)

 public:
  TSlider();
  ~TSlider() override;
  static TWindow* CreateInstance() { return new TSlider; }

  void Init(TWindowStyle& style) override;
  void Draw() override;
  bool OnMouseDown(TPoint point) override;
  bool OnMouseUp(TPoint point) override;
  bool OnMouseMove(TPoint point) override;
  bool OnMouseLeave() override;

  float GetValue() const { return mValue; }
  // Clamped to 0..1; sends kSliderValChanged unless silent.
  void SetValue(float value, bool silent);
  void UpdateThumb();
  void SetRails(const std::shared_ptr<TTexture>& top, const std::shared_ptr<TTexture>& middle,
                const std::shared_ptr<TTexture>& bottom);
  void SetThumbImages(const std::shared_ptr<TTexture>& normal, const std::shared_ptr<TTexture>& rollover);
  void Layout();
  bool IsHorizontal() const { return mHorizontal; }
  void SetHorizontal(bool horizontal) { mHorizontal = horizontal; }
  bool IsDragging() const { return mDragging != 0; }
  TImage* GetThumb() const { return mThumb; }

 private:
  void Send(int32_t type);
  void ShowThumbImage(bool rollover);
  bool OnThumb(TPoint point) const;

  int32_t mDragging = 0;
  bool mInitialised = false;
  TImage* mThumb;  // owned until attached, then a child
  std::shared_ptr<TTexture> mThumbImage, mThumbRollImage;
  std::shared_ptr<TTexture> mRails[3];
  float mValue = 0.0f;
  float mScale = 1.0f;
  float mRailAlpha = 1.0f;
  int32_t mThumbOffset = 0;
  int32_t mThickness = 0;
  bool mHorizontal = false;
};
