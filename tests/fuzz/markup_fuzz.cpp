// Fuzz target: marked-up text laid out and drawn with the default font. The first byte picks the
// box width and alignment, the rest is the text (made NUL-free, as texts are).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "render/vxminivecdraw.h"
#include "ui/textlayout.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > 4096) return 0;
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  for (char& c : text)
    if (c == 0) c = ' ';
  const float white[4] = {1, 1, 1, 1};
  int width = (data[0] & 0x3F) * 8, align = data[0] >> 4;
  auto layout = TTextLayout::Create(text.c_str(), width, 64, align, "", 12 + (data[0] & 7) * 4, white);
  layout->GetExtent(1.0f);
  layout->UpdateHoverLink(std::make_pair(10, 10));
  std::vector<uint32_t> pixels(64 * 64, 0);
  TVxPixelTarget target{pixels.data(), 64, 64, 64 * 4};
  TVxMiniVecDraw draw;
  layout->Draw(draw, TRect(0, 0, 64, 64), 1.0f, 2, 1.0f, &target);
  return 0;
}
