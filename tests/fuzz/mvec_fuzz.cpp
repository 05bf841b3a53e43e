// Fuzz target: the ".mvec" font reader and the outline rasteriser over arbitrary bytes. Every glyph
// of a font that loads is measured and rasterised into a small pixel buffer.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "render/vxminivecdraw.h"
#include "ui/vectorfont.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TVectorFont font(std::vector<uint8_t>(data, data + size));
  std::vector<uint32_t> pixels(64 * 32, 0);
  TVxPixelTarget target{pixels.data(), 64, 32, 64 * 4};
  TVxMiniVecDraw draw;
  draw.SetTarget(2, 20, &target);
  draw.SetStrokeWidths(size % 3 ? 0.0f : 1.0f, size % 5 ? 0.0f : 0.5f);
  float scale = font.GetScale(16);
  int limit = font.GetGlyphCount() < 64 ? font.GetGlyphCount() : 64;
  for (int i = 0; i < limit; ++i) {
    volatile float sum = font.GetAdvance(i) + font.GetLeft(i) + font.GetRight(i) + font.GetFit(i);
    (void)sum;
    draw.SetScale(scale, scale * font.GetFit(i));
    draw.DrawOutline(font.GetOutline(i), font.GetOutlineSize(i), 8 * i, 0);
  }
  draw.Flush();
  return 0;
}
