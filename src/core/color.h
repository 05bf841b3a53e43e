// Packed 32-bit colour: alpha in bits 24-31, red 16-23, green 8-15, blue 0-7 (the vertex colour
// layout). Made from bytes or from a float colour (TVec4 red, green, blue, alpha in 0..1).
#pragma once
#include <cstdint>

#include "core/math.h"

struct TColor {
  uint32_t value = 0;

  constexpr TColor() = default;
  constexpr explicit TColor(uint32_t raw) : value(raw) {}
  // Each component keeps its low 8 bits.
  constexpr TColor(int red, int green, int blue, int alpha)
      : value((uint32_t(alpha) & 0xFF) << 24 | (uint32_t(red) & 0xFF) << 16 |
              (uint32_t(green) & 0xFF) << 8 | (uint32_t(blue) & 0xFF)) {}
  // Each component times 255, truncated toward zero (0.5 gives 127). A component outside 0..1
  // keeps the low byte of that integer and never spills into the neighbouring channels.
  explicit TColor(const TVec4& rgba);

  constexpr uint8_t GetAlpha() const { return uint8_t(value >> 24); }
  constexpr uint8_t GetRed() const { return uint8_t(value >> 16); }
  constexpr uint8_t GetGreen() const { return uint8_t(value >> 8); }
  constexpr uint8_t GetBlue() const { return uint8_t(value); }
  constexpr void SetAlpha(uint8_t v) { SetByte(24, v); }
  constexpr void SetRed(uint8_t v) { SetByte(16, v); }
  constexpr void SetGreen(uint8_t v) { SetByte(8, v); }
  constexpr void SetBlue(uint8_t v) { SetByte(0, v); }

  constexpr bool operator==(const TColor&) const = default;

 private:
  constexpr void SetByte(int shift, uint8_t v) {
    value = (value & ~(0xFFu << shift)) | uint32_t(v) << shift;
  }
};
