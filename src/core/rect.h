// Integer rectangle for viewports, clip rectangles, window areas and sprite bounds. Right and bottom
// are exclusive; an empty rectangle (right <= left or bottom <= top) is legal and contains nothing.
#pragma once
#include <cstdint>

#include "core/math.h"

struct TRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;

  constexpr TRect() = default;
  constexpr TRect(int32_t l, int32_t t, int32_t r, int32_t b) : left(l), top(t), right(r), bottom(b) {}

  // left <= x < right and top <= y < bottom.
  constexpr bool Contains(int32_t x, int32_t y) const {
    return left <= x && x < right && top <= y && y < bottom;
  }
  constexpr bool Contains(const TVec2& p) const {
    return float(left) <= p.x && p.x < float(right) && float(top) <= p.y && p.y < float(bottom);
  }

  // Consistency hook called after a rectangle is filled in; it checks and changes nothing.
  void Validate() {}
  // This rectangle becomes the overlap of a and b. An empty overlap is left as computed (right may
  // end at or before left); callers test for it. a or b may be this rectangle.
  void Intersect(const TRect& a, const TRect& b);
  // This rectangle becomes the smallest one covering a and b; a or b may be this rectangle.
  void Union(const TRect& a, const TRect& b);

  // The neutral start for growing bounds with Union: any real rectangle replaces it.
  static constexpr TRect Neutral() { return {10000000, 10000000, -10000000, -10000000}; }

  constexpr bool operator==(const TRect&) const = default;
};
