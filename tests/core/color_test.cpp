// Packing of colours into the 32-bit vertex layout, including components outside 0..1.
#include "core/color.h"

#include <gtest/gtest.h>

#include <limits>

TEST(Color, FloatColoursPackByTruncation) {
  struct Case {
    TVec4 rgba;
    uint32_t packed;
  };
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const Case cases[] = {
      {{1, 0.5f, 0, 1}, 0xFFFF7F00u},         // 0.5 truncates to 127
      {{0, 0, 0, 0}, 0x00000000u},
      {{0.2f, 0.4f, 0.6f, 0.8f}, 0xCC336699u},
      {{0.999f, 0.001f, 1, 0}, 0x00FE00FFu},
      // Out of range: each component keeps its low byte and stays in its own channel.
      {{1.2f, 0, 0, 1}, 0xFF320000u},         // 306 -> 0x32
      {{-0.1f, 0, 0, 1}, 0xFFE70000u},        // -25 -> 0xE7; alpha untouched
      {{0, 0, -1, 0}, 0x00000001u},           // -255 -> 0x01
      {{nan, 0, 0, 1}, 0xFF000000u},
      {{1e30f, 0, 0, 0}, 0x00FF0000u},
      {{0, -1e30f, 0, 0}, 0x00000000u},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TColor(c.rgba).value, c.packed)
        << c.rgba.x << " " << c.rgba.y << " " << c.rgba.z << " " << c.rgba.w;
}

TEST(Color, BytesAreMaskedAndSettersReplaceOneByte) {
  EXPECT_EQ(TColor(0x1FF, 0x10, 0x20, 0x30).value, 0x30FF1020u);
  EXPECT_EQ(TColor(-1, 0, 0, 0).value, 0x00FF0000u);

  TColor c(0x11223344u);
  EXPECT_EQ(c.GetAlpha(), 0x11);
  EXPECT_EQ(c.GetRed(), 0x22);
  EXPECT_EQ(c.GetGreen(), 0x33);
  EXPECT_EQ(c.GetBlue(), 0x44);
  c.SetAlpha(0xAA);
  EXPECT_EQ(c.value, 0xAA223344u);
  c.SetRed(0xBB);
  EXPECT_EQ(c.value, 0xAABB3344u);
  c.SetGreen(0xCC);
  EXPECT_EQ(c.value, 0xAABBCC44u);
  c.SetBlue(0xDD);
  EXPECT_EQ(c.value, 0xAABBCCDDu);
  EXPECT_EQ(TColor().value, 0u);
}
