// Overlap and cover of two rectangles.
#include "core/rect.h"

#include <algorithm>

void TRect::Intersect(const TRect& a, const TRect& b) {
  // Each field reads only the same field of a and b, so this may alias either of them.
  left = std::max(a.left, b.left);
  top = std::max(a.top, b.top);
  right = std::min(a.right, b.right);
  bottom = std::min(a.bottom, b.bottom);
}

void TRect::Union(const TRect& a, const TRect& b) {
  left = std::min(a.left, b.left);
  top = std::min(a.top, b.top);
  right = std::max(a.right, b.right);
  bottom = std::max(a.bottom, b.bottom);
}
