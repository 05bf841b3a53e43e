// TTextLayout: a UTF-8 text with inline markup laid out in lines of styled runs inside a box, and
// drawn glyph by glyph in vector fonts through the outline rasteriser. Text windows, text-edit
// fields, the credits and the debug overlay all draw their texts through it.
#pragma once
#include <memory>
#include <optional>
#include <vector>

#include "core/rect.h"
#include "core/string.h"
#include "ui/markupstate.h"

class TVectorFont;
class TVxMiniVecDraw;
struct TVxPixelTarget;

struct TTextRun {
  TVectorFont* font = nullptr;
  float scale = 0;           // quarter-pixels per font unit
  int size = 0;              // line height in pixels (0 for a run without characters)
  int baseline = 0;          // quarter-pixels
  TVectorFont* primaryFont = nullptr;  // the run's own font while it draws with the default one
  float fontColor[4] = {0, 0, 0, 0};
  bool bold = false, italic = false, underline = false, cursor = false;
  int firstByte = 0, lastByte = -1;  // inclusive
  int startX = 0, endX = 0;          // pixels from the line start
  TString linkId;
  float linkColor[4] = {0, 0, 0, 0};
  float outlineSize = 0;
  float outlineColor[4] = {0, 0, 0, 0};
  int tabPosition = 0;       // quarter-pixels, 0 = none
  int fontStackIndex = 0;
  bool HasCharacters() const { return lastByte >= firstByte; }
};

struct TTextLine {
  int height = 0;       // pixels
  int baseline = 0;     // quarter-pixels
  int startX = 0;       // pixels
  float startShift = 0; // pixels
  std::vector<TTextRun> runs;
};

class TTextLayout {
public:
  enum : int { kAlignCenter = 1, kAlignRight = 2, kAlignVCenter = 4, kAlignBottom = 8 };

  static std::unique_ptr<TTextLayout> Create(const TString& text, int boxWidth, int boxHeight, int alignment,
                                             const TString& fontName, int fontSize, const float color[4]);

  void SetText(const TString& text);
  void SetFont(const TString& name);
  void SetFontSize(int size);
  int GetFontSize() const { return mFontSize; }
  void SetColor(const float color[4]);
  // The base colour: red, green, blue, alpha.
  const float* GetColor() const { return mColor; }
  void SetRotation(float degrees, float originX, float originY);
  void SetScroll(float lines);
  void SetSwitches(bool replace, bool blendAlpha);

  void Layout();
  TRect GetExtent(float scale) const;
  TString GetLinkAt(int x, int y, int lineSpacing) const;
  // Hovered link = the link under the point ("" without one); true when it changed.
  bool UpdateHoverLink(std::optional<std::pair<int, int>> point, int lineSpacing = 0);
  const TString& GetHoverLink() const { return mHoverLink; }

  // Draws the lines into the box at `box`'s top-left corner: into the pixel target, or through the
  // rasteriser's line sink when there is none.
  void Draw(TVxMiniVecDraw& draw, const TRect& box, float scale, int lineSpacing, float alpha,
            TVxPixelTarget* target) const;

  // Changes with everything of the layout that drawing reads (each mutator takes a new number, and
  // no two layouts share one): equal generations draw alike, given the same arguments and view.
  uint64_t GetGeneration() const { return mGeneration; }
  // The view scale drawing without a pixel target works at (the platform's; 1 without one).
  static float GetScreenScale();

  const std::vector<std::shared_ptr<const TTextLine>>& GetLines() const { return mLines; }
  int GetTotalHeight() const { return mTotalHeight; }
  const TString& GetText() const { return mText; }
  const TString& GetFontName() const { return mFontName; }

private:
  TTextLayout() { Changed(); }
  void Changed();
  void Render(TVxMiniVecDraw& draw, float x, float y, int clipHeight, float scale, int lineSpacing, float alpha,
              TVxPixelTarget* target) const;

  TString mText;
  TMarkupState mMarkup;
  int mAnchor = 0;
  int mTotalHeight = 0;
  int mBoxWidth = 0, mBoxHeight = 0;
  float mCos = 1, mSin = 0;
  float mOriginX = 0, mOriginY = 0;
  bool mReplace = false, mBlendAlpha = false;
  std::vector<std::shared_ptr<const TTextLine>> mLines;
  TString mFontName = "__DEFAULT";
  int mFontSize = 16;
  float mColor[4] = {0, 0, 0, 1};
  float mScroll = 0;
  float mVerticalOffset = 0;
  TString mHoverLink;
  int mAlignment = 0;
  bool mSpriteRender = false;
  uint64_t mGeneration = 0;
};
