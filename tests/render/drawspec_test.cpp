// Composition of drawing records down a sprite tree.
#include "render/drawspec.h"

#include <gtest/gtest.h>

TEST(DrawSpec, DefaultsAndPositionConstructor) {
  TDrawSpec d;
  EXPECT_EQ(d.transform, TMat3::Identity());
  EXPECT_EQ(d.color, TVec4(1, 1, 1, 1));
  EXPECT_EQ(d.alpha, 1.0f);
  EXPECT_EQ(d.flags, 0u);
  EXPECT_EQ(d.blendMode, kBlendKeep);
  EXPECT_EQ(d.sourceRect, TRect());

  TDrawSpec s({10, 20}, 0.5f, 2.0f, kDrawUseAnchor);
  EXPECT_EQ(s.transform, TMat3(2, 0, 0, 0, 2, 0, 10, 20, 1));
  EXPECT_EQ(s.alpha, 0.5f);
  EXPECT_EQ(s.flags, kDrawUseAnchor);
  EXPECT_EQ(s.blendMode, kBlendKeep);
  EXPECT_EQ(s.anchor, TVec2());
}

TEST(DrawSpec, ComposeAppliesOwnTransformFirstThenTheParents) {
  TDrawSpec child({5, 0}, 0.5f, 1.0f, 0);
  TDrawSpec parent;
  parent.transform = TMat3::Rotation(3.14159265f / 2);
  parent.transform.SetTranslation({100, 100});
  parent.alpha = 0.4f;

  TDrawSpec out;
  TDrawSpec& r = child.Compose(out, parent);
  EXPECT_EQ(&r, &out);
  // (1,0) moves to (6,0) in the child, then turns to (0,6) and moves to (100,106).
  TVec2 p = TransformPoint(out.transform, {1, 0});
  EXPECT_NEAR(p.x, 100, 1e-4f);
  EXPECT_NEAR(p.y, 106, 1e-4f);
  EXPECT_FLOAT_EQ(out.alpha, 0.2f);
}

TEST(DrawSpec, ComposeCombinesFlagsAndBlendMode) {
  struct Case {
    uint32_t own, parent, flags;
    int32_t ownBlend, parentBlend, blend;
  };
  const Case cases[] = {
      {0, 0, 0, kBlendKeep, kBlendKeep, kBlendKeep},
      {kDrawMirrorX, kDrawMirrorX, 0, 2, 3, 2},                     // mirrors cancel
      {kDrawMirrorX, kDrawMirrorY, kDrawMirrorX | kDrawMirrorY, kBlendKeep, 4, 4},
      {kDrawUseAnchor, kDrawUseSourceRect | kDrawMirrorY, kDrawUseAnchor | kDrawMirrorY, 0, 1, 0},
      {kDrawUseSourceRect, kDrawUseAnchor, kDrawUseSourceRect, 1, kBlendKeep, 1},
  };
  for (const Case& c : cases) {
    TDrawSpec own, parent, out;
    own.flags = c.own;
    own.blendMode = c.ownBlend;
    parent.flags = c.parent;
    parent.blendMode = c.parentBlend;
    own.Compose(out, parent);
    EXPECT_EQ(out.flags, c.flags) << c.own << " " << c.parent;
    EXPECT_EQ(out.blendMode, c.blend) << c.ownBlend << " " << c.parentBlend;
  }
}

TEST(DrawSpec, ComposeKeepsOwnRecordFieldsAndAllowsAliasing) {
  TDrawSpec own({1, 2}, 0.5f, 3.0f, kDrawUseSourceRect);
  own.anchor = {4, 5};
  own.color = {0.1f, 0.2f, 0.3f, 0.4f};
  own.sourceRect = {1, 2, 3, 4};
  TDrawSpec parent({10, 0}, 0.5f, 2.0f, kDrawMirrorX);
  parent.anchor = {9, 9};
  parent.color = {1, 0, 0, 1};
  parent.sourceRect = {7, 7, 8, 8};

  TDrawSpec expect;
  own.Compose(expect, parent);
  EXPECT_EQ(expect.anchor, own.anchor);
  EXPECT_EQ(expect.color, own.color);
  EXPECT_EQ(expect.sourceRect, own.sourceRect);

  TDrawSpec intoSelf = own;
  intoSelf.Compose(intoSelf, parent);
  EXPECT_EQ(intoSelf.transform, expect.transform);
  EXPECT_EQ(intoSelf.flags, expect.flags);

  TDrawSpec intoParent = parent;
  own.Compose(intoParent, intoParent);
  EXPECT_EQ(intoParent.transform, expect.transform);
  EXPECT_EQ(intoParent.alpha, expect.alpha);
  EXPECT_EQ(intoParent.anchor, own.anchor);
}
