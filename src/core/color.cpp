// Float-to-byte packing of TColor.
#include "core/color.h"

#include <cmath>

namespace {
// c × 255 truncated toward zero, as an integer whose low byte is the channel. The conversion is
// kept inside the int range (NaN counts as 0) so that no float input is undefined.
int ChannelFromFloat(float c) {
  double v = std::trunc(double(c * 255.0f));
  if (!(v == v)) return 0;
  if (v > 2147483647.0) v = 2147483647.0;
  if (v < -2147483648.0) v = -2147483648.0;
  return int(v);
}
}  // namespace

TColor::TColor(const TVec4& rgba)
    : TColor(ChannelFromFloat(rgba.x), ChannelFromFloat(rgba.y), ChannelFromFloat(rgba.z),
             ChannelFromFloat(rgba.w)) {}
