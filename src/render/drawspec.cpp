// Construction and composition of drawing records.
#include "render/drawspec.h"

TDrawSpec::TDrawSpec(const TVec2& position, float a, float scale, uint32_t f) : alpha(a), flags(f) {
  if (scale != 1.0f) transform.Scale(scale);
  transform.SetTranslation(position);
}

TDrawSpec& TDrawSpec::Compose(TDrawSpec& out, const TDrawSpec& parent) const {
  // Built in a local so that out may alias this record or the parent.
  TDrawSpec r = *this;
  r.transform = transform * parent.transform;
  r.alpha = alpha * parent.alpha;
  r.flags = flags ^ (parent.flags & kDrawMirrorBits);
  r.blendMode = blendMode != kBlendKeep ? blendMode : parent.blendMode;
  out = r;
  return out;
}
