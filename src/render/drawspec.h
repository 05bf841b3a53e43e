// The drawing record of textures and sprites: where and how one image is drawn. A sprite keeps its
// own record relative to its parent and composes it with the parent's on the way down the tree.
#pragma once
#include <cstdint>

#include "core/math.h"
#include "core/rect.h"

// Bits of TDrawSpec::flags.
constexpr uint32_t kDrawMirrorX = 1;         // mirror horizontally
constexpr uint32_t kDrawMirrorY = 2;         // mirror vertically
constexpr uint32_t kDrawUseSourceRect = 4;   // draw only sourceRect of the image
constexpr uint32_t kDrawUseAnchor = 8;       // place anchor at the transform's origin
constexpr uint32_t kDrawMirrorBits = kDrawMirrorX | kDrawMirrorY;

// Blend mode that keeps whatever mode is current.
constexpr int32_t kBlendKeep = -1;

struct TDrawSpec {
  TMat3 transform;                          // identity
  TVec2 anchor;                             // pixel of the source placed at the origin (flag 8)
  TVec4 color{1.0f, 1.0f, 1.0f, 1.0f};      // red, green, blue factors and a fourth factor
  float alpha = 1.0f;
  TRect sourceRect;                         // used under flag 4
  uint32_t flags = 0;
  int32_t blendMode = kBlendKeep;

  TDrawSpec() = default;
  // Identity scaled uniformly by scale, translated to position; everything else as by default.
  TDrawSpec(const TVec2& position, float alpha, float scale, uint32_t flags);

  // out = this record placed inside parent: this transform first, then the parent's; alphas
  // multiplied; the parent's mirror bits flipped into ours; our blend mode unless it keeps the
  // current one. out may be this record or parent. Answers out.
  TDrawSpec& Compose(TDrawSpec& out, const TDrawSpec& parent) const;
};
