// TText: a window that shows a marked-up text laid out in its client rectangle, with a drawing scale
// and alpha, extra line spacing, scrolling by lines and links that press buttons of the same modal
// window. Text-edit fields and the game's text boxes build on it.
#pragma once
#include <functional>
#include <memory>

#include "render/vxminivecdraw.h"
#include "ui/textdrawcache.h"
#include "ui/textlayout.h"
#include "ui/window.h"

class TText : public TWindow {
  TM_CLASS(TText, TWindow)

 public:
  // `redrawWithParent` sets kWindowRedrawWithParent; the window creator passes false.
  explicit TText(bool redrawWithParent = false);
  ~TText() override;

  static TWindow* CreateInstance() { return new TText(false); }

  void Init(TWindowStyle& style) override;
  void Draw() override;
  void ScrollTo(int32_t x) override;
  bool OnMouseDown(TPoint point) override;
  bool OnMouseUp(TPoint point) override;
  bool OnMouseMove(TPoint point) override;
  bool OnMouseLeave() override;
  virtual void SetText(const TString& text);
  virtual TString GetText() const;

  // Makes the layout and sizes the window; false (nothing made) for a width or height of 0.
  bool Setup(const TString& text, int32_t width, int32_t height, int32_t flags, const TString& font,
             int32_t size, const float colour[4]);
  void SetColor(const float colour[4]);
  void SetRotation(float degrees, float originX, float originY);
  void SetAlpha(float alpha) { mAlpha = alpha; }
  float GetAlpha() const { return mAlpha; }
  void SetDrawScale(float scale) { mDrawScale = scale; }
  void SetLineSpacing(int32_t spacing) { mLineSpacing = spacing; }
  int32_t GetLineSpacing() const { return mLineSpacing; }
  TRect GetTextExtent() const;
  int32_t GetLineCount() const;
  float GetScrollPosition() const { return mScroll; }
  TTextLayout* GetLayout() const { return mLayout.get(); }
  const TString& GetPressedLink() const { return mPressedLink; }
  // The rasteriser this window draws with; without a pixel target its lines go to its line sink.
  TVxMiniVecDraw& GetRasteriser() { return mDraw; }
  // The lines kept from the last drawing, sent again while nothing that shapes them changes.
  const TTextDrawCache& GetDrawCache() const { return mCache; }
  // Whether text windows keep their lines between drawings (on by default).
  static bool& DrawCaching();

  // Where every text window's lines go when drawn (the display installs its line-list drawing).
  static void SetDefaultLineSink(TVxMiniVecDraw::LineSink sink);
  // The span offsets the display's line calibration chose; new text windows draw with them.
  static void SetDefaultSpanOffsets(float start, float end, float y);
  static const TVxMiniVecDraw::LineSink& GetDefaultLineSink();
  // Label translation through the string table for "label" keys (on by default).
  static bool& LabelTranslation();
  // Presses the button a link names: answers false when the window is not a button. Until the
  // button class installs its runner every window counts as "not a button".
  using TLinkCommandRunner = std::function<bool(TWindow*)>;
  static void SetLinkCommandRunner(TLinkCommandRunner runner);

 protected:
  // The label as a text window shows it (literal, number or string-table text).
  static TString TranslateLabel(const TString& label);

 private:
  std::unique_ptr<TTextLayout> mLayout;
  float mDrawScale = 1.0f;
  float mAlpha = 1.0f;
  int32_t mLineSpacing = 0;
  float mScrollBias = 0.5f;
  TString mPressedLink;
  float mColour[4] = {1, 1, 1, 1};
  float mScroll = 0;
  TVxMiniVecDraw mDraw;
  TTextDrawCache mCache;
};
