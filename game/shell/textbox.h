// The text box: fits a text into a fixed box by lowering the font size one point at a time until
// the laid-out text fits within the box and a number of lines, then shows it in one text child
// named "textboxText". Made by code only (scene screens, sidebar, cutscenes, plot points).
#pragma once
#include <cstdint>

#include "core/string.h"
#include "ui/window.h"

class TText;

class TTextbox : public TWindow {
  TM_CLASS(TTextbox, TWindow)

 public:
  static constexpr const char* kChildName = "textboxText";

  explicit TTextbox(uint8_t textFlags = 0);
  ~TTextbox() override;
  static TWindow* CreateInstance() { return new TTextbox(0); }

  void ScrollTo(int32_t x) override { ScrollTo(static_cast<float>(x), 0.0f); }
  void ScrollTo(float x, float y);
  virtual TString GetText();

  // Lays the text out at the largest size from `size` down that fits the box and lineCount lines
  // of that size. A text that fits at no size is shown at size 1 (clipped); a box the text window
  // refuses (no width or height) gets an empty child. Answers whether the child could lay out.
  bool BuildText(const TString& text, uint32_t width, uint32_t height, int32_t layoutFlags,
                 const TString& fontName, uint32_t size, const float colour[4], uint32_t lineCount);
  // Builds again with the new text from the size first asked for; nothing before a first build.
  void SetText(const TString& text);
  // Sizes the window; the laid-out text stays as it is.
  void SetBoxSize(uint32_t width, uint32_t height);
  // The child's text extent; the rectangle is left alone without a child.
  void GetTextRect(TRect* rect);
  void SetColor(const float colour[4]);
  bool SetTextAlpha(float alpha);
  float GetTextAlpha();
  void SetRotation(float degrees, float originX, float originY);

  uint32_t GetFontSize() const { return mFontSize; }
  uint32_t GetRequestedSize() const { return mRequestedSize; }
  TText* GetTextChild();

 private:
  uint32_t mFontSize = 0;
  uint32_t mBoxHeight = 0;
  uint32_t mBoxWidth = 0;
  int32_t mLayoutFlags = 0;
  TString mFontName;
  TString mBoxText;
  uint32_t mRequestedSize = 0;
  float mColour[4] = {0, 0, 0, 0};
  uint32_t mMaxLines = 0;
  uint8_t mTextFlags;
};
