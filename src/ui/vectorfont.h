// Vector fonts: ".mvec" images holding one outline per character, their metrics, the font map that
// loads and shares fonts by name (with a built-in default font), and the hand-over of one glyph or
// one solid bar to the outline rasteriser. Outlines stay in place in the file image.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/string.h"

class TVxMiniVecDraw;

class TVectorFont {
public:
  // Keeps the image. An image that is not a whole ".mvec" (wrong magic, or glyph records running
  // past its end) gives a font with no glyphs and all metrics 0.
  explicit TVectorFont(std::vector<uint8_t> image);

  int GetGlyphCount() const { return mGlyphCount; }
  // Index of the glyph of a character code, or -1.
  int FindGlyph(uint32_t code) const;
  bool HasGlyph(uint32_t code) const { return FindGlyph(code) >= 0; }
  // Glyph metrics in font units; 0 (fit: 1.0) for an index outside the glyphs.
  float GetAdvance(int index) const;
  float GetLeft(int index) const;
  float GetRight(int index) const;
  float GetFit(int index) const;
  // The glyph's outline in the image and the bytes left after it; null (0) outside the glyphs or
  // when the recorded offset lies outside the image.
  const uint8_t* GetOutline(int index) const;
  size_t GetOutlineSize(int index) const;
  float GetAscent() const { return mAscent; }
  float GetDescent() const { return mDescent; }
  // Padding of the line box above (top) or below the glyph body.
  float GetPadding(bool top) const;
  // Quarter-pixels per font unit at a line height of `size` pixels (0 for a font without metrics).
  float GetScale(int size) const;

private:
  int16_t Field(int index, int offset) const;

  std::vector<uint8_t> mData;
  int mGlyphCount = 0;
  std::vector<uint32_t> mCodes;
  std::vector<float> mFit;
  float mAscent = 0;
  float mDescent = 0;
};

// The name of the built-in default font and the file the font map falls back to.
inline constexpr const char* kDefaultFontName = "__DEFAULT";
inline constexpr const char* kDefaultFontFile = "fonts/default.mvec";

// The font of a name, loaded on first use and kept until ClearFontMap: "__DEFAULT" is the built-in
// font; any other name is read as a file, else "fonts/default.mvec", else the built-in image. Null
// (logged "Font not found: %s") only when no font object could be made.
TVectorFont* FindFont(const TString& name);
// Deletes every font of the map (at platform shutdown).
void ClearFontMap();
// The built-in default font image (a complete ".mvec").
const uint8_t* GetBuiltinFontData();
size_t GetBuiltinFontSize();

// Hands glyph `code` of the font to the rasteriser at the pen (quarter-pixels) with `scale` quarter
// pixels per font unit, and advances the pen x. Nothing is drawn (nor advanced) for a missing glyph.
void DrawGlyph(TVxMiniVecDraw& draw, const TVectorFont& font, uint32_t code, float scale, float& penX,
               float penY);
// A solid rectangle in font units (the rasteriser's scales apply) at the pen.
void DrawBar(TVxMiniVecDraw& draw, float x0, float y0, float x1, float y1, float penX, float penY);
