// Vector fonts: the converted default font's metrics, glyph lookup, hostile images, fit factors and
// the shared font map with its fallbacks.
#include <gtest/gtest.h>

#include "core/assetindex.h"
#include "../render/logcapture.h"
#include "mvecbuilder.h"
#include "ui/vectorfont.h"

using ui_test::BoxGlyph;
using ui_test::BuildFont;

namespace {

class FontMapTest : public ::testing::Test {
 protected:
  void SetUp() override { ClearFontMap(); }
  void TearDown() override {
    ClearFontMap();
    RegisterMemoryFile("fonts/default.mvec", nullptr, 0);
    RegisterMemoryFile("fonts/small.mvec", nullptr, 0);
  }
};

TEST(VectorFont, DefaultFontHasTheMetricsOfTheConvertedFace) {
  TVectorFont font(std::vector<uint8_t>(GetBuiltinFontData(), GetBuiltinFontData() + GetBuiltinFontSize()));
  // The sans face has 2048 units per em, converted to 32 font units: "W" is 2025 wide and 1493 high.
  int w = font.FindGlyph('W');
  ASSERT_GE(w, 0);
  EXPECT_FLOAT_EQ(font.GetAdvance(w), 2025.0f / 64);
  EXPECT_FLOAT_EQ(font.GetAscent(), 1493.0f / 64);
  EXPECT_GT(font.GetDescent(), 5.0f);
  EXPECT_LT(font.GetDescent(), 10.0f);
  float line = (font.GetAscent() + font.GetDescent()) / 0.8f;
  EXPECT_NEAR(font.GetAscent() + font.GetPadding(true) + font.GetDescent() + font.GetPadding(false), line, 1e-4);
  EXPECT_FLOAT_EQ(font.GetScale(20), 0.8f * 4 * 20 / (font.GetAscent() + font.GetDescent()));
  // The whole printable ASCII range and the Latin-1 letters, the soft hyphen and common punctuation.
  for (uint32_t code = 32; code < 127; ++code) EXPECT_GE(font.FindGlyph(code), 0) << code;
  for (uint32_t code : {0xADu, 0xE9u, 0xFCu, 0x2014u, 0x2026u, 0x20ACu}) EXPECT_GE(font.FindGlyph(code), 0) << code;
  EXPECT_EQ(font.FindGlyph(0x4E00), -1);
  // Narrow and wide letters differ as they should; the blank has an advance but no ink.
  EXPECT_LT(font.GetAdvance(font.FindGlyph('i')), font.GetAdvance(font.FindGlyph('m')));
  int blank = font.FindGlyph(' ');
  EXPECT_GT(font.GetAdvance(blank), 0);
  ASSERT_NE(font.GetOutline(blank), nullptr);
  EXPECT_EQ(font.GetOutline(blank)[0], 8);
}

TEST(VectorFont, LookupFindsStoredCodesOnly) {
  TVectorFont font(BuildFont({BoxGlyph(32, 0, 0, 0, 0), BoxGlyph(65, 0, -10, 5, 0), BoxGlyph(87, 0, -12, 9, 0),
                              BoxGlyph(1000, 0, -4, 4, 0)}));
  EXPECT_EQ(font.GetGlyphCount(), 4);
  EXPECT_EQ(font.FindGlyph(32), 0);
  EXPECT_EQ(font.FindGlyph(1000), 3);
  EXPECT_EQ(font.FindGlyph(87), 2);
  for (uint32_t missing : {0u, 33u, 66u, 999u, 1001u, 0xFFFFFFFFu}) EXPECT_EQ(font.FindGlyph(missing), -1) << missing;
  EXPECT_FLOAT_EQ(font.GetAscent(), 12.0f);

  TVectorFont empty(BuildFont({}));
  EXPECT_EQ(empty.GetGlyphCount(), 0);
  EXPECT_EQ(empty.FindGlyph('W'), -1);
}

TEST(VectorFont, OutOfRangeIndicesAnswerNeutralValues) {
  TVectorFont font(BuildFont({BoxGlyph(87, 1, -12, 9, 0)}));
  for (int index : {-1, 1, 1000}) {
    EXPECT_EQ(font.GetAdvance(index), 0);
    EXPECT_EQ(font.GetLeft(index), 0);
    EXPECT_EQ(font.GetRight(index), 0);
    EXPECT_EQ(font.GetFit(index), 1.0f);
    EXPECT_EQ(font.GetOutline(index), nullptr);
  }
  EXPECT_EQ(font.GetLeft(0), 1);
  EXPECT_EQ(font.GetRight(0), 9);
}

// Images that lie about their size must never be read past their end.
TEST(VectorFont, DamagedImagesGiveNoGlyphsOrNoOutline) {
  std::vector<uint8_t> good = BuildFont({BoxGlyph(65, 0, -10, 5, 0), BoxGlyph(87, 0, -12, 9, 0)});
  struct Case {
    const char* name;
    std::vector<uint8_t> image;
    int glyphs;
  };
  std::vector<uint8_t> wrongMagic = good;
  wrongMagic[3] = '3';
  std::vector<uint8_t> countTooBig = good;
  countTooBig[4] = 200;
  std::vector<uint8_t> cutInRecords(good.begin(), good.begin() + 12 + 18 + 5);
  std::vector<Case> cases = {
      {"empty", {}, 0},
      {"header only", std::vector<uint8_t>(good.begin(), good.begin() + 8), 0},
      {"wrong magic", wrongMagic, 0},
      {"count beyond the records", countTooBig, 0},
      {"cut inside the records", cutInRecords, 0},
  };
  for (const Case& c : cases) {
    render_test::LogCapture log;
    TVectorFont font(c.image);
    EXPECT_EQ(font.GetGlyphCount(), c.glyphs) << c.name;
    EXPECT_EQ(font.FindGlyph(65), -1) << c.name;
    EXPECT_EQ(font.GetAscent(), 0) << c.name;
    EXPECT_NE(log.Text().find("Font image"), std::string::npos) << c.name;  // every refusal says why
  }

  // An outline offset outside the image: the glyph is there but has no outline to read.
  std::vector<uint8_t> badOffset = good;
  badOffset[12 + 18 + 14] = 0xF0;
  badOffset[12 + 18 + 15] = 0xFF;
  TVectorFont font(badOffset);
  ASSERT_EQ(font.GetGlyphCount(), 2);
  EXPECT_EQ(font.GetOutline(1), nullptr);
  EXPECT_EQ(font.GetOutlineSize(1), 0u);
  ASSERT_NE(font.GetOutline(0), nullptr);
  // The first outline starts right after the records; the reader may use the rest of the image.
  EXPECT_EQ(font.GetOutlineSize(0), badOffset.size() - (12 + 2 * 18));
}

TEST(VectorFont, GlyphsLeavingTheLineBoxAreSqueezedVertically) {
  // Ascent 20 ("W"), descent 4 ("g"): line 30, top padding 4.5, bottom padding 1.5.
  TVectorFont font(BuildFont({BoxGlyph('W', 0, -20, 10, 0), BoxGlyph('g', 0, -10, 10, 4), BoxGlyph(200, 0, -49, 5, 0),
                              BoxGlyph(201, 0, -10, 5, 11)}));
  EXPECT_FLOAT_EQ(font.GetAscent(), 20);
  EXPECT_FLOAT_EQ(font.GetDescent(), 4);
  EXPECT_FLOAT_EQ(font.GetFit(font.FindGlyph('W')), 1.0f);
  EXPECT_FLOAT_EQ(font.GetFit(font.FindGlyph('g')), 1.0f);
  EXPECT_FLOAT_EQ(font.GetFit(font.FindGlyph(200)), 24.5f / 49);  // too tall: 49 above, 24.5 of room
  EXPECT_FLOAT_EQ(font.GetFit(font.FindGlyph(201)), 5.5f / 11);   // too deep: 11 below, 5.5 of room
}

TEST_F(FontMapTest, NamesAreLoadedOnceAndShared) {
  std::vector<uint8_t> small = BuildFont({BoxGlyph('W', 0, -20, 10, 0), BoxGlyph('x', 0, -10, 8, 0)});
  RegisterMemoryFile("fonts/small.mvec", small.data(), small.size());
  TVectorFont* a = FindFont("fonts/small.mvec");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->GetGlyphCount(), 2);
  EXPECT_EQ(FindFont("fonts/small.mvec"), a);

  TVectorFont* builtin = FindFont(kDefaultFontName);
  ASSERT_NE(builtin, nullptr);
  EXPECT_NE(builtin, a);
  EXPECT_GE(builtin->FindGlyph('W'), 0);
  EXPECT_GT(builtin->GetGlyphCount(), 300);
}

TEST_F(FontMapTest, MissingFilesFallBackToTheDefaultFileThenTheBuiltInFont) {
  // No default file: the built-in image stands in.
  TVectorFont* first = FindFont("fonts/nothere.mvec");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->GetGlyphCount(), TVectorFont(std::vector<uint8_t>(GetBuiltinFontData(),
                                                                     GetBuiltinFontData() + GetBuiltinFontSize()))
                                        .GetGlyphCount());
  EXPECT_EQ(FindFont("fonts/nothere.mvec"), first);

  // With a default file, another missing name reads that file, and keeps its object.
  std::vector<uint8_t> fallback = BuildFont({BoxGlyph('W', 0, -20, 10, 0)});
  RegisterMemoryFile("fonts/default.mvec", fallback.data(), fallback.size());
  TVectorFont* second = FindFont("fonts/alsomissing.mvec");
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->GetGlyphCount(), 1);
  EXPECT_EQ(FindFont("fonts/alsomissing.mvec"), second);
  EXPECT_EQ(FindFont("fonts/nothere.mvec"), first);  // the map never reloads an entry
}

}  // namespace
