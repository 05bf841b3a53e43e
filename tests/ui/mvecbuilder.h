// Builds small ".mvec" font images for tests: glyph records with their metrics and outlines made
// of squares, in any order the test needs (the writer does not sort).
#pragma once
#include <cstdint>
#include <vector>

namespace ui_test {

struct GlyphSpec {
  uint32_t code;
  int16_t xMin, xMax, yMin, yMax, advance;  // in 1/128 font unit
  std::vector<uint8_t> outline;
};

inline void PutI16(std::vector<uint8_t>& out, int v) {
  out.push_back(uint8_t(v & 0xFF));
  out.push_back(uint8_t((v >> 8) & 0xFF));
}

inline void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

// A filled rectangle outline; coordinates in font units.
inline std::vector<uint8_t> Rectangle(int x0, int y0, int x1, int y1) {
  std::vector<uint8_t> o = {2, 1};
  const int pts[5][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}};
  for (int i = 0; i < 5; ++i) {
    o.push_back(i == 0 ? 4 : 5);
    PutI16(o, pts[i][0] * 128);
    PutI16(o, pts[i][1] * 128);
  }
  o.push_back(8);
  return o;
}

// A glyph whose ink is a rectangle; its advance is the right edge plus one unit.
inline GlyphSpec BoxGlyph(uint32_t code, int x0, int y0, int x1, int y1) {
  return {code, int16_t(x0 * 128), int16_t(x1 * 128), int16_t(y0 * 128), int16_t(y1 * 128),
          int16_t((x1 + 1) * 128), Rectangle(x0, y0, x1, y1)};
}

inline std::vector<uint8_t> BuildFont(const std::vector<GlyphSpec>& glyphs) {
  std::vector<uint8_t> out = {'M', 'V', 'C', '4'};
  PutI16(out, int(glyphs.size()));
  out.resize(12, 0);
  uint32_t offset = uint32_t(12 + 18 * glyphs.size());
  for (const GlyphSpec& g : glyphs) {
    PutU32(out, g.code);
    PutI16(out, g.xMin);
    PutI16(out, g.xMax);
    PutI16(out, g.yMin);
    PutI16(out, g.yMax);
    PutI16(out, g.advance);
    PutU32(out, offset);
    offset += uint32_t(g.outline.size());
  }
  for (const GlyphSpec& g : glyphs) out.insert(out.end(), g.outline.begin(), g.outline.end());
  return out;
}

}  // namespace ui_test
