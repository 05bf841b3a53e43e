// Vectors and matrices: the row-vector convention, product order, the linear-only rotate and
// scale, and the perspective matrix with its edge offsets.
#include "core/math.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {
constexpr float kPi = 3.14159265358979f;

void ExpectNear(const TVec2& a, const TVec2& b) {
  EXPECT_NEAR(a.x, b.x, 1e-5f);
  EXPECT_NEAR(a.y, b.y, 1e-5f);
}
}  // namespace

TEST(Vectors, ArithmeticAndConversions) {
  TVec2 a(1, 2);
  a += TVec2(3, 4);
  EXPECT_EQ(a, TVec2(4, 6));
  a *= 0.5f;
  EXPECT_EQ(a, TVec2(2, 3));
  EXPECT_EQ(-a, TVec2(-2, -3));
  EXPECT_EQ(a + TVec2(1, 1), TVec2(3, 4));
  EXPECT_EQ(a * 2.0f, TVec2(4, 6));
  EXPECT_EQ(TVec2(TVec3(7, 8, 9)), TVec2(7, 8));
  EXPECT_EQ(TVec2(), TVec2(0, 0));

  TVec3 b(TVec2(1, 2), 3);
  EXPECT_EQ(b, TVec3(1, 2, 3));
  b += TVec3(1, 1, 1);
  EXPECT_EQ(b + TVec3(0, 0, 1), TVec3(2, 3, 5));
  EXPECT_EQ(TVec4(), TVec4(0, 0, 0, 0));
}

TEST(Mat3, PointsAreRowVectorsWithTranslationInTheLastRow) {
  TMat3 m(2, 0, 0,   // x axis doubled
          0, 3, 0,   // y axis tripled
          10, 20, 1);
  ExpectNear(TransformPoint(m, {1, 1}), {12, 23});
  // The off-diagonal of row 0 feeds x into y.
  TMat3 shear(1, 5, 0, 0, 1, 0, 0, 0, 1);
  ExpectNear(TransformPoint(shear, {2, 0}), {2, 10});
  ExpectNear(TransformPoint(TMat3::Identity(), {4, -7}), {4, -7});
}

TEST(Mat3, ProductAppliesTheLeftMatrixFirst) {
  TMat3 rotate = TMat3::Rotation(kPi / 2);
  TMat3 move(1, 0, 0, 0, 1, 0, 100, 0, 1);
  TVec2 p(1, 0);
  // Rotate (1,0) to (0,1), then move: (100, 1). The other order gives (0, 101).
  ExpectNear(TransformPoint(rotate * move, p), {100, 1});
  ExpectNear(TransformPoint(move * rotate, p), {0, 101});
  for (TVec2 q : {TVec2(3, -2), TVec2(-5, 8)})
    ExpectNear(TransformPoint(rotate * move, q), TransformPoint(move, TransformPoint(rotate, q)));
}

TEST(Mat3, RotationTurnsTheXAxisTowardsY) {
  TMat3 r = TMat3::Rotation(kPi / 2);
  ExpectNear(TransformPoint(r, {1, 0}), {0, 1});
  ExpectNear(TransformPoint(r, {0, 1}), {-1, 0});
  EXPECT_FLOAT_EQ(r.row[2].z, 1.0f);
}

TEST(Mat3, RotateAndScaleChangeOnlyTheLinearPart) {
  const TMat3 base(2, 1, 0, -1, 3, 0, 40, 50, 1);

  TMat3 same = base;
  same.Rotate(0);
  EXPECT_EQ(same, base);

  TMat3 rotated = base;
  rotated.Rotate(0.7f);
  TMat3 full = base * TMat3::Rotation(0.7f);
  for (int i = 0; i < 2; ++i) {
    EXPECT_NEAR(rotated.row[i].x, full.row[i].x, 1e-5f);
    EXPECT_NEAR(rotated.row[i].y, full.row[i].y, 1e-5f);
  }
  EXPECT_EQ(rotated.GetTranslation(), TVec2(40, 50));  // the full product would turn it too

  TMat3 scaled = base;
  scaled.Scale(3);
  EXPECT_EQ(scaled, TMat3(6, 3, 0, -3, 9, 0, 40, 50, 1));
}

TEST(Mat4, IdentityHasOnesOnTheDiagonal) {
  TMat4 m = TMat4::Identity();
  for (int r = 0; r < 4; ++r) {
    const float row[4] = {m.row[r].x, m.row[r].y, m.row[r].z, m.row[r].w};
    for (int c = 0; c < 4; ++c) EXPECT_EQ(row[c], r == c ? 1.0f : 0.0f) << r << "," << c;
  }
}

TEST(Mat4, PerspectiveRows) {
  TMat4 m;
  // fov 90 degrees: cot(45) = 1.
  m.SetPerspective(1, 101, kPi / 2, 0.75f, {0, 0});
  EXPECT_NEAR(m.row[0].x, 0.75f, 1e-6f);
  EXPECT_NEAR(m.row[1].y, 1.0f, 1e-6f);
  EXPECT_EQ(m.row[0].y, 0.0f);
  EXPECT_EQ(m.row[1].x, 0.0f);
  EXPECT_FLOAT_EQ(m.row[2].z, 101.0f / 100.0f);
  EXPECT_EQ(m.row[2].w, 1.0f);
  EXPECT_FLOAT_EQ(m.row[3].z, -101.0f / 100.0f);
  EXPECT_EQ(m.row[3].w, 0.0f);

  m.SetPerspective(2, 4, 2 * std::atan(0.5f), 1, {0, 0});
  EXPECT_NEAR(m.row[1].y, 2.0f, 1e-5f);
  EXPECT_FLOAT_EQ(m.row[3].z, -4.0f);
}

TEST(Mat4, PerspectiveCentreOffsets) {
  struct Case {
    TVec2 offset;
    float x, y;
  };
  const Case cases[] = {
      {{0, 0}, 0, 0},
      {{0.5f, 0.5f}, -1, 1},           // x is negated, y is not
      {{-0.5f, -0.75f}, 1, -3},
      {{1, 0}, -10000, 0},             // the edge pins instead of dividing by zero
      {{-1, 0}, -10000, 0},
      {{0, 1}, 0, -10000},
      {{0, -1}, 0, -10000},
  };
  for (const Case& c : cases) {
    TMat4 m;
    m.SetPerspective(1, 10, 1.0f, 1, c.offset);
    EXPECT_FLOAT_EQ(m.row[2].x, c.x) << c.offset.x << "," << c.offset.y;
    EXPECT_FLOAT_EQ(m.row[2].y, c.y) << c.offset.x << "," << c.offset.y;
    EXPECT_TRUE(std::isfinite(m.row[2].x) && std::isfinite(m.row[2].y));
  }
}
