// Rectangles: exclusive right and bottom edges, overlap and cover, aliasing of the target.
#include "core/rect.h"

#include <gtest/gtest.h>

TEST(Rect, ContainsIncludesLeftTopAndExcludesRightBottom) {
  struct Case {
    TRect r;
    int x, y;
    bool in;
  };
  const Case cases[] = {
      {{10, 20, 30, 40}, 10, 20, true},   // top-left corner
      {{10, 20, 30, 40}, 29, 39, true},   // last pixel
      {{10, 20, 30, 40}, 30, 25, false},  // right edge
      {{10, 20, 30, 40}, 15, 40, false},  // bottom edge
      {{10, 20, 30, 40}, 9, 25, false},
      {{10, 20, 30, 40}, 15, 19, false},
      {{10, 20, 10, 40}, 10, 25, false},  // empty: right == left
      {{10, 20, 5, 40}, 7, 25, false},    // inverted
      {{-5, -5, 0, 0}, -1, -1, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.r.Contains(c.x, c.y), c.in) << c.x << "," << c.y;
    EXPECT_EQ(c.r.Contains(TVec2(float(c.x), float(c.y))), c.in) << c.x << "," << c.y;
  }
  EXPECT_TRUE(TRect(0, 0, 1, 1).Contains(TVec2(0.99f, 0.5f)));
  EXPECT_FALSE(TRect(0, 0, 1, 1).Contains(TVec2(-0.01f, 0.5f)));
}

TEST(Rect, IntersectKeepsTheOverlapAndLeavesEmptyResultsUncorrected) {
  struct Case {
    TRect a, b, expect;
  };
  const Case cases[] = {
      {{0, 0, 100, 100}, {50, 60, 150, 160}, {50, 60, 100, 100}},
      {{0, 0, 100, 100}, {10, 10, 20, 20}, {10, 10, 20, 20}},
      {{0, 0, 10, 10}, {20, 30, 40, 50}, {20, 30, 10, 10}},  // disjoint: right < left
      {{0, 0, 10, 10}, {10, 0, 20, 10}, {10, 0, 10, 10}},    // touching: empty
      {{-50, -50, -10, -10}, {-20, -100, 0, -30}, {-20, -50, -10, -30}},
  };
  for (const Case& c : cases) {
    TRect r;
    r.Intersect(c.a, c.b);
    EXPECT_EQ(r, c.expect);
    TRect self = c.a;  // this = a, the usual call
    self.Intersect(self, c.b);
    EXPECT_EQ(self, c.expect);
    self = c.b;
    self.Intersect(c.a, self);
    EXPECT_EQ(self, c.expect);
  }
}

TEST(Rect, UnionGrowsFromTheNeutralStart) {
  TRect bounds = TRect::Neutral();
  bounds.Union(bounds, {10, 20, 30, 40});
  EXPECT_EQ(bounds, TRect(10, 20, 30, 40));
  bounds.Union(bounds, {-5, 25, 12, 60});
  EXPECT_EQ(bounds, TRect(-5, 20, 30, 60));
  bounds.Union(bounds, TRect::Neutral());
  EXPECT_EQ(bounds, TRect(-5, 20, 30, 60));

  TRect r;
  r.Union({0, 0, 1, 1}, {5, 5, 6, 6});
  EXPECT_EQ(r, TRect(0, 0, 6, 6));
  r.Validate();
  EXPECT_EQ(r, TRect(0, 0, 6, 6));
}
