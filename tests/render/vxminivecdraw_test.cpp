// The outline rasteriser: coverage of squares on and between pixels, even-odd fills and wound
// strokes, the span cache, line output and the three ways of blending into a locked target.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "render/vxminivecdraw.h"

namespace {

void PutI16(std::vector<uint8_t>& o, int v) {
  o.push_back(uint8_t(v & 0xFF));
  o.push_back(uint8_t((v >> 8) & 0xFF));
}

// Closed rectangles in font units (quarter-pixels at scale 1), one fill layer, in one outline.
std::vector<uint8_t> Rects(const std::vector<std::array<int, 4>>& rects, bool withEnd = true) {
  std::vector<uint8_t> o = {2, 1};
  for (const auto& r : rects) {
    const int pts[5][2] = {{r[0], r[1]}, {r[2], r[1]}, {r[2], r[3]}, {r[0], r[3]}, {r[0], r[1]}};
    for (int i = 0; i < 5; ++i) {
      o.push_back(i == 0 ? 4 : 5);
      PutI16(o, pts[i][0] * 128);
      PutI16(o, pts[i][1] * 128);
    }
  }
  if (withEnd) o.push_back(8);
  return o;
}

// Coverage levels per pixel of the spans of the last outline (rows x columns, origin at the pen).
std::vector<std::vector<int>> Coverage(const TVxMiniVecDraw& draw, int rows, int cols) {
  std::vector<std::vector<int>> grid(size_t(rows), std::vector<int>(size_t(cols), 0));
  for (const TVxSpan& s : draw.GetLastSpans())
    for (int x = s.x0; x < s.x1; ++x)
      if (s.row >= 0 && s.row < rows && x >= 0 && x < cols) grid[size_t(s.row)][size_t(x)] += s.level;
  return grid;
}

TEST(VxMiniVecDraw, EmptyOutlineDrawsNothingButIsCached) {
  TVxMiniVecDraw draw;
  const uint8_t end[] = {8};
  draw.DrawOutline(end, 1, 0, 0);
  EXPECT_TRUE(draw.GetLastSpans().empty());
  EXPECT_EQ(draw.GetCacheSize(), 1u);
}

TEST(VxMiniVecDraw, SquareCoverage) {
  struct Case {
    const char* name;
    std::array<int, 4> rect;  // quarter-pixels
    std::vector<std::vector<int>> expected;
  };
  const Case cases[] = {
      {"whole pixels", {0, 0, 8, 8}, {{16, 16, 0}, {16, 16, 0}, {0, 0, 0}}},
      {"a quarter to the right", {1, 0, 9, 8}, {{12, 16, 4}, {12, 16, 4}, {0, 0, 0}}},
      {"half a pixel down", {0, 2, 8, 10}, {{8, 8, 0}, {16, 16, 0}, {8, 8, 0}}},
      {"inside one pixel", {1, 1, 3, 3}, {{4, 0, 0}, {0, 0, 0}, {0, 0, 0}}},
  };
  for (const Case& c : cases) {
    TVxMiniVecDraw draw;
    std::vector<uint8_t> outline = Rects({c.rect});
    draw.DrawOutline(outline.data(), outline.size(), 0, 0);
    EXPECT_EQ(Coverage(draw, 3, 3), c.expected) << c.name;
  }
}

TEST(VxMiniVecDraw, FillsAreEvenOddStrokesAreWound) {
  TVxMiniVecDraw draw;
  std::vector<uint8_t> twice = Rects({{0, 0, 8, 8}, {0, 0, 8, 8}});
  draw.DrawOutline(twice.data(), twice.size(), 0, 0);
  EXPECT_TRUE(draw.GetLastSpans().empty());

  // A hole: the inner square cancels the outer one.
  std::vector<uint8_t> ring = Rects({{0, 0, 16, 16}, {4, 4, 12, 12}});
  draw.DrawOutline(ring.data(), ring.size(), 0, 0);
  auto grid = Coverage(draw, 4, 4);
  EXPECT_EQ(grid[0], (std::vector<int>{16, 16, 16, 16}));
  EXPECT_EQ(grid[1], (std::vector<int>{16, 0, 0, 16}));

  // The bold stroke of the doubled square stays (slot 254, ramp 1) although the fill cancels.
  draw.SetStrokeWidths(0, 0.5f);
  draw.DrawOutline(twice.data(), twice.size(), 0, 0);
  ASSERT_FALSE(draw.GetLastSpans().empty());
  for (const TVxSpan& s : draw.GetLastSpans()) EXPECT_EQ(s.ramp, TVxMiniVecDraw::RampOfSlot(254));
}

TEST(VxMiniVecDraw, SpansAreReusedPerQuarterPhase) {
  TVxMiniVecDraw draw;
  std::vector<uint8_t> outline = Rects({{0, 0, 6, 6}});
  draw.DrawOutline(outline.data(), outline.size(), 0, 0);
  draw.DrawOutline(outline.data(), outline.size(), 4, 0);   // one pixel on: same phase
  draw.DrawOutline(outline.data(), outline.size(), 0, 8);
  EXPECT_EQ(draw.GetRasterCount(), 1);
  draw.DrawOutline(outline.data(), outline.size(), 1, 0);   // another quarter phase
  EXPECT_EQ(draw.GetRasterCount(), 2);
  draw.SetScale(2, 2);
  draw.DrawOutline(outline.data(), outline.size(), 0, 0);
  EXPECT_EQ(draw.GetRasterCount(), 3);
  // A copy of the same outline elsewhere in memory is the same glyph.
  std::vector<uint8_t> copy = outline;
  draw.DrawOutline(copy.data(), copy.size(), 0, 0);
  EXPECT_EQ(draw.GetRasterCount(), 3);
}

TEST(VxMiniVecDraw, LinesGoToTheSinkWithTheSpanOffsets) {
  TVxMiniVecDraw draw;
  std::vector<TVxLineVertex> lines;
  draw.SetLineSink([&](const TVxLineVertex* v, int n) { lines.insert(lines.end(), v, v + n); });
  draw.SetColor(1, 0xFF336699u, 1.0f);
  draw.SetTarget(10, 20, nullptr);
  std::vector<uint8_t> outline = Rects({{0, 0, 8, 4}});
  draw.DrawOutline(outline.data(), outline.size(), 0, 0);
  EXPECT_TRUE(lines.empty());  // batched until flushed
  draw.Flush();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_FLOAT_EQ(lines[0].x, 10.25f);
  EXPECT_FLOAT_EQ(lines[1].x, 12.25f);
  EXPECT_FLOAT_EQ(lines[0].y, 20.25f);
  EXPECT_EQ(lines[0].color, 0xFF336699u);
}

// A recording holds exactly what reached the sink between its ends: lines pending before it began
// went out first, and a recording past its limit or one that blended into pixels is not handed out.
TEST(VxMiniVecDraw, RecordingKeepsWhatTheSinkGot) {
  TVxMiniVecDraw draw;
  std::vector<TVxLineVertex> sent;
  draw.SetLineSink([&](const TVxLineVertex* v, int n) { sent.insert(sent.end(), v, v + n); });
  draw.SetBatchCapacity(4);
  draw.SetTarget(0, 0, nullptr);
  std::vector<uint8_t> square = Rects({{0, 0, 8, 8}}), bar = Rects({{0, 0, 16, 4}});
  draw.DrawOutline(bar.data(), bar.size(), 0, 0);  // one line, pending
  ASSERT_TRUE(sent.empty());
  draw.BeginRecording(100);
  EXPECT_EQ(sent.size(), 2u);
  draw.DrawOutline(square.data(), square.size(), 0, 0);
  draw.DrawOutline(square.data(), square.size(), 8, 8);
  std::vector<TVxLineVertex> recorded;
  ASSERT_TRUE(draw.EndRecording(&recorded));
  ASSERT_EQ(sent.size(), 2u + recorded.size());
  ASSERT_EQ(recorded.size(), 8u);
  for (size_t i = 0; i < recorded.size(); ++i) {
    EXPECT_EQ(recorded[i].x, sent[2 + i].x);
    EXPECT_EQ(recorded[i].y, sent[2 + i].y);
    EXPECT_EQ(recorded[i].color, sent[2 + i].color);
  }
  // Drawing goes on unrecorded.
  draw.DrawOutline(square.data(), square.size(), 0, 0);
  draw.Flush();
  EXPECT_EQ(sent.size(), 14u);

  draw.BeginRecording(7);
  draw.DrawOutline(square.data(), square.size(), 0, 0);
  draw.DrawOutline(square.data(), square.size(), 8, 0);
  EXPECT_FALSE(draw.EndRecording(&recorded));
  EXPECT_EQ(sent.size(), 22u);  // the sink still got everything

  std::vector<uint32_t> pixels(16 * 16, 0);
  TVxPixelTarget target{pixels.data(), 16, 16, 16 * 4};
  draw.BeginRecording(100);
  draw.SetTarget(0, 0, &target);
  draw.DrawOutline(square.data(), square.size(), 0, 0);
  EXPECT_FALSE(draw.EndRecording(&recorded));
}

// The line state changes with everything besides the drawing calls that shapes what the sink gets.
TEST(VxMiniVecDraw, LineStateChangesWithWhatShapesTheLines) {
  struct Case {
    const char* name;
    std::function<void(TVxMiniVecDraw&)> change;
  };
  std::vector<uint8_t> square = Rects({{0, 0, 8, 8}}), other = Rects({{0, 0, 4, 8}});
  const Case cases[] = {
      {"sink", [](TVxMiniVecDraw& d) { d.SetLineSink([](const TVxLineVertex*, int) {}); }},
      {"span offsets", [](TVxMiniVecDraw& d) { d.SetSpanOffsets(0.5f, 0.25f, 0.25f); }},
      {"sink scale", [](TVxMiniVecDraw& d) { d.SetSinkScale(2); }},
      {"clip", [](TVxMiniVecDraw& d) { d.SetClip(0, 0, 10, 11); }},
      {"no clip", [](TVxMiniVecDraw& d) { d.ClearClip(); }},
      {"colour", [](TVxMiniVecDraw& d) { d.SetColor(254, 0xFF102030u, 1.0f); }},
      {"a new outline scanned", [&](TVxMiniVecDraw& d) { d.DrawOutline(other.data(), other.size(), 0, 0); }},
  };
  for (const Case& c : cases) {
    TVxMiniVecDraw draw;
    draw.SetClip(0, 0, 10, 10);
    draw.SetLineSink([](const TVxLineVertex*, int) {});
    draw.DrawOutline(square.data(), square.size(), 0, 0);
    const TVxMiniVecDraw::LineState before = draw.GetLineState();
    // Drawing a cached outline again and the per-outline parameters leave it as it was.
    draw.SetScale(1, 1);
    draw.SetShear(false);
    draw.DrawOutline(square.data(), square.size(), 4, 4);
    draw.Flush();
    EXPECT_TRUE(draw.GetLineState() == before) << c.name;
    c.change(draw);
    EXPECT_FALSE(draw.GetLineState() == before) << c.name;
  }
}

TEST(VxMiniVecDraw, BlendsIntoLockedPixels) {
  struct Case {
    const char* name;
    bool replace, blendAlpha;
    uint32_t destination, expected;
  };
  // Source: pure red at alpha 128 (a half alpha factor on an opaque colour).
  const Case cases[] = {
      {"mix over opaque keeps the destination alpha", false, false, 0xFF0000FFu, 0xFF80007Fu},
      {"mix over transparent keeps it transparent", false, false, 0x000000FFu, 0x0080007Fu},
      {"replace", true, false, 0xFF0000FFu, 0x80FF0000u},
      {"blend alpha over opaque", false, true, 0xFF0000FFu, 0xFF5500A9u},
      {"blend alpha over nothing", false, true, 0x00000000u, 0x80FF0000u},
  };
  for (const Case& c : cases) {
    TVxMiniVecDraw draw;
    draw.SetColor(1, 0xFFFF0000u, 128.5f / 255);
    draw.SetReplace(c.replace);
    draw.SetBlendAlpha(c.blendAlpha);
    std::vector<uint32_t> pixels(4 * 4, c.destination);
    TVxPixelTarget target{pixels.data(), 4, 4, 16};
    draw.SetTarget(1, 1, &target);
    std::vector<uint8_t> outline = Rects({{0, 0, 4, 4}});
    draw.DrawOutline(outline.data(), outline.size(), 0, 0);
    draw.Flush();
    EXPECT_EQ(pixels[5], c.expected) << c.name << std::hex << " got " << pixels[5];
    EXPECT_EQ(pixels[0], c.destination) << c.name;
    EXPECT_EQ(pixels[6], c.destination) << c.name;
  }
  // A span of alpha 0 over a transparent pixel with blend-alpha leaves it alone (no division by 0).
  TVxMiniVecDraw draw;
  draw.SetColor(1, 0x00FF0000u, 1.0f);
  draw.SetBlendAlpha(true);
  std::vector<uint32_t> pixels(4, 0x00123456u);
  TVxPixelTarget target{pixels.data(), 2, 2, 8};
  draw.SetTarget(0, 0, &target);
  std::vector<uint8_t> outline = Rects({{0, 0, 8, 8}});
  draw.DrawOutline(outline.data(), outline.size(), 0, 0);
  EXPECT_EQ(pixels, std::vector<uint32_t>(4, 0x00123456u));
}

// An outline scaled far past the target (a huge font or outline size from a text) is scanned only
// around the pixels it can touch: the target still fills completely, and no span lies farther out
// than the scanning margin, with a pixel target or with the line sink's clip.
TEST(VxMiniVecDraw, OutlinesFarLargerThanTheTargetAreScannedOnlyWhereTheyCanShow) {
  constexpr int kMargin = 256;  // pixels scanned beyond what can be seen
  std::vector<uint8_t> huge = Rects({{-200, -200, 200, 200}});
  auto spansStayNear = [&](const TVxMiniVecDraw& draw, int left, int top, int right, int bottom) {
    for (const TVxSpan& span : draw.GetLastSpans()) {
      if (span.row < top - kMargin || span.row >= bottom + kMargin || span.x0 < left - kMargin ||
          span.x1 > right + kMargin)
        return false;
    }
    return !draw.GetLastSpans().empty();
  };
  {
    SCOPED_TRACE("pixel target");
    TVxMiniVecDraw draw;
    draw.SetColor(1, 0xFF00FF00u, 1.0f);
    draw.SetReplace(true);
    draw.SetScale(1000, 1000);
    std::vector<uint32_t> pixels(64 * 64, 0);
    TVxPixelTarget target{pixels.data(), 64, 64, 64 * 4};
    draw.SetTarget(10, 20, &target);
    draw.DrawOutline(huge.data(), huge.size(), 0, 0);
    EXPECT_TRUE(spansStayNear(draw, -10, -20, 54, 44));
    EXPECT_EQ(pixels, std::vector<uint32_t>(64 * 64, 0xFF00FF00u));
    // Elsewhere on the target it is scanned again for the pixels seen from there.
    std::fill(pixels.begin(), pixels.end(), 0u);
    draw.SetTarget(-1000, 5000, &target);
    draw.DrawOutline(huge.data(), huge.size(), 0, 0);
    EXPECT_EQ(draw.GetRasterCount(), 2);
    EXPECT_TRUE(spansStayNear(draw, 1000, -5000, 1064, -4936));
    EXPECT_EQ(pixels, std::vector<uint32_t>(64 * 64, 0xFF00FF00u));
    // A glyph standing partly outside the target keeps its cached spans wherever it is drawn.
    std::vector<uint8_t> glyph = Rects({{0, 0, 40, 40}});
    draw.SetScale(1, 1);
    draw.SetTarget(60, 60, &target);
    draw.DrawOutline(glyph.data(), glyph.size(), 0, 0);
    draw.SetTarget(-5, 30, &target);
    draw.DrawOutline(glyph.data(), glyph.size(), 0, 0);
    EXPECT_EQ(draw.GetRasterCount(), 3);
    EXPECT_EQ(Coverage(draw, 10, 10)[9][9], 16);
  }
  {
    SCOPED_TRACE("a huge stroke");
    TVxMiniVecDraw draw;
    draw.SetStrokeWidths(32767, 0);
    std::vector<uint32_t> pixels(64 * 64, 0);
    TVxPixelTarget target{pixels.data(), 64, 64, 64 * 4};
    draw.SetTarget(0, 0, &target);
    std::vector<uint8_t> glyph = Rects({{0, 0, 40, 40}});
    draw.DrawOutline(glyph.data(), glyph.size(), 8, 8);
    EXPECT_TRUE(spansStayNear(draw, -2, -2, 62, 62));
  }
  {
    SCOPED_TRACE("line sink with a clip");
    TVxMiniVecDraw draw;
    size_t vertices = 0;
    draw.SetLineSink([&](const TVxLineVertex*, int count) { vertices += size_t(count); });
    draw.SetClip(0, 0, 100, 50);
    draw.SetScale(1000, 1000);
    draw.SetTarget(0, 0, nullptr);
    draw.DrawOutline(huge.data(), huge.size(), 0, 0);
    draw.Flush();
    EXPECT_TRUE(spansStayNear(draw, 0, 0, 100, 50));
    EXPECT_GT(vertices, 0u);
  }
}

// Outlines from damaged fonts: commands cut short, no end command, coordinates far off the pen.
TEST(VxMiniVecDraw, DamagedOutlinesStayInsideTheirBytesAndTheTarget) {
  std::vector<uint8_t> square = Rects({{0, 0, 8, 8}}, false);
  std::vector<std::vector<uint8_t>> outlines = {
      square,
      std::vector<uint8_t>(square.begin(), square.end() - 3),
      {6, 1, 2},
      {4, 0xFF, 0x7F, 0xFF, 0x7F, 5, 0x00, 0x80, 0x00, 0x80, 5, 0xFF, 0x7F, 0x00, 0x80, 8},
      {7, 1, 2, 3, 1, 1, 1, 1, 1, 2, 5, 3, 5, 4},
  };
  std::vector<uint32_t> pixels(8 * 8, 0);
  TVxPixelTarget target{pixels.data(), 8, 8, 32};
  for (float width : {0.0f, 2.0f}) {
    TVxMiniVecDraw draw;
    draw.SetStrokeWidths(width, width);
    draw.SetScale(3, 3);
    draw.SetTarget(4, 4, &target);
    for (const auto& o : outlines) {
      std::vector<uint8_t> exact(o);  // heap copy of exactly these bytes, so an overread is caught
      draw.DrawOutline(exact.data(), exact.size(), -3, 5);
    }
    draw.Flush();
  }
  SUCCEED();
}

}  // namespace
