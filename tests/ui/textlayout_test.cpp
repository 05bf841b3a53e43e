// Text layout with the converted default font: line breaking at blanks, soft hyphens and between
// characters, markup runs and their state, alignment, extents, links, drawing, and hostile texts.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <map>
#include <set>
#include <string>

#include "core/assetindex.h"
#include "core/config.h"
#include "mvecbuilder.h"
#include "uifixture.h"
#include "render/vxminivecdraw.h"
#include "ui/textlayout.h"
#include "ui/vectorfont.h"

namespace {

const float kWhite[4] = {1, 1, 1, 1};

std::unique_ptr<TTextLayout> Make(const char* text, int width = 400, int height = 200, int align = 0, int size = 20) {
  return TTextLayout::Create(text, width, height, align, "", size, kWhite);
}

// The text of a line: the bytes of its runs (tags excluded).
std::string LineText(const TTextLayout& layout, size_t index) {
  std::string out;
  const char* text = layout.GetText().CStr();
  for (const TTextRun& run : layout.GetLines().at(index)->runs)
    for (int i = run.firstByte; i <= run.lastByte; ++i) out += text[i];
  return out;
}

std::vector<std::string> Lines(const TTextLayout& layout) {
  std::vector<std::string> out;
  for (size_t i = 0; i < layout.GetLines().size(); ++i) out.push_back(LineText(layout, i));
  return out;
}

int LineWidth(const TTextLayout& layout, size_t index) {
  const auto& runs = layout.GetLines().at(index)->runs;
  return runs.empty() ? 0 : runs.back().endX;
}

using Strings = std::vector<std::string>;

TEST(TextLayout, EmptyTextHasNoLines) {
  auto layout = Make("");
  EXPECT_TRUE(layout->GetLines().empty());
  EXPECT_EQ(layout->GetTotalHeight(), 0);
  TRect r = layout->GetExtent(1.0f);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.right, 0);
  EXPECT_EQ(r.bottom - r.top, 0);
}

TEST(TextLayout, MeasuresKnownStringsWithTheDefaultFont) {
  TVectorFont* font = FindFont(kDefaultFontFile);
  ASSERT_NE(font, nullptr);
  float scale = font->GetScale(20);
  auto advance = [&](char c) { return font->GetAdvance(font->FindGlyph(uint32_t(c))) * scale; };
  auto layout = Make("Hello");
  ASSERT_EQ(layout->GetLines().size(), 1u);
  const TTextLine& line = *layout->GetLines()[0];
  EXPECT_EQ(line.height, 20);
  EXPECT_EQ(layout->GetTotalHeight(), 20);
  // "o" is the last glyph and its advance is wider than its ink: the sum of advances is the width.
  float expected = advance('H') + advance('e') + 2 * advance('l') + advance('o');
  EXPECT_NEAR(LineWidth(*layout, 0), expected / 4, 1.0);
  // About 42 pixels at 20 pixels: the font is the sans face, not some other.
  EXPECT_NEAR(LineWidth(*layout, 0), 42, 2);
  // Wider text, wider line; larger size, proportionally wider.
  EXPECT_GT(LineWidth(*Make("WWWW"), 0), LineWidth(*Make("iiii"), 0) * 3);
  EXPECT_NEAR(LineWidth(*Make("Hello", 400, 200, 0, 40), 0), 2 * LineWidth(*layout, 0), 2);
  EXPECT_EQ(line.baseline, int(std::lround((font->GetAscent() + font->GetPadding(true)) * scale)));
}

TEST(TextLayout, LineEndsFromNewlinesAndTags) {
  struct Case {
    const char* text;
    Strings lines;
    std::vector<int> heights;
  };
  const Case cases[] = {
      {"one\ntwo", {"one\n", "two"}, {20, 20}},
      {"one<br pad=\"6\">two", {"one", "two"}, {26, 20}},
      {"one<br>two</p>three", {"one", "two", "three"}, {20, 20, 20}},
      {"<br><br>", {"", ""}, {0, 0}},
      {"a<b>b</b>c", {"abc"}, {20}},
  };
  for (const Case& c : cases) {
    auto layout = Make(c.text);
    EXPECT_EQ(Lines(*layout), c.lines) << c.text;
    std::vector<int> heights;
    int total = 0;
    for (const auto& line : layout->GetLines()) heights.push_back(line->height), total += line->height;
    EXPECT_EQ(heights, c.heights) << c.text;
    EXPECT_EQ(layout->GetTotalHeight(), total) << c.text;
  }
}

TEST(TextLayout, WrapsAtBlanksAndBetweenCharacters) {
  // Box widths are given as a text that must just fit, plus a few pixels.
  struct Case {
    const char* text;
    const char* fits;
    Strings lines;
  };
  const Case cases[] = {
      // The blank at the break is on neither line.
      {"Hello you", "Hello", {"Hello", "you"}},
      {"Hello you", "Hello y", {"Hello", "you"}},
      // With two blanks the second one starts the next line.
      {"Hello  you", "Hello", {"Hello", " you"}},
      // The most recent blank wins.
      {"a b c dddd", "a b c d", {"a b c", "dddd"}},
      // A word longer than the box breaks between characters.
      {"WWWWWWWW", "WW", {"WW", "WW", "WW", "WW"}},
      {"ab WWWWWWWW", "WW", {"ab", "WW", "WW", "WW", "WW"}},
  };
  for (const Case& c : cases) {
    int width = LineWidth(*Make(c.fits), 0) + 3;
    auto layout = Make(c.text, width);
    EXPECT_EQ(Lines(*layout), c.lines) << c.text;
    for (size_t i = 0; i < layout->GetLines().size(); ++i)
      EXPECT_LE(LineWidth(*layout, i), width) << c.text << " line " << i;
  }
  // A character wider than the box still forms a line of its own.
  EXPECT_EQ(Lines(*Make("WWW", 1)), (Strings{"W", "W", "W"}));
}

// Tags read after the break point are read again on the next line; the state they set before the
// line broke must not leak into the text between the break and them.
TEST(TextLayout, WrappedTextTakesTheMarkupStateOfItsBreakPoint) {
  int width = LineWidth(*Make("aaa bb"), 0);
  auto layout = Make("aaa bbb<b><font size=\"30\">ccc</font></b> ddd", width);
  ASSERT_GE(layout->GetLines().size(), 2u);
  EXPECT_EQ(LineText(*layout, 0), "aaa");
  const TTextLine& second = *layout->GetLines()[1];
  ASSERT_FALSE(second.runs.empty());
  const TTextRun& bbb = second.runs.front();
  EXPECT_EQ(std::string(layout->GetText().CStr() + bbb.firstByte, 3), "bbb");
  EXPECT_FALSE(bbb.bold);
  EXPECT_EQ(bbb.size, 20);
  EXPECT_EQ(bbb.fontStackIndex, 0);
  bool sawBoldBig = false;
  for (const auto& line : layout->GetLines())
    for (const TTextRun& run : line->runs)
      if (run.HasCharacters() && layout->GetText().CStr()[run.firstByte] == 'c') sawBoldBig = run.bold && run.size == 30;
  EXPECT_TRUE(sawBoldBig);
}

TEST(TextLayout, SoftHyphenIsInvisibleUnlessTheLineBreaksThere) {
  // "Tallow\u00ADmark": fits in a wide box, breaks at the hyphen in a narrow one.
  const char* text = "Tallow\xC2\xADmark";
  auto wide = Make(text, 400);
  ASSERT_EQ(wide->GetLines().size(), 1u);
  EXPECT_NEAR(LineWidth(*wide, 0), LineWidth(*Make("Tallowmark"), 0), 1);

  int tallow = LineWidth(*Make("Tallow-"), 0);
  auto narrow = Make(text, tallow + 8);
  EXPECT_EQ(Lines(*narrow), (Strings{"Tallow\xC2\xAD", "mark"}));
  EXPECT_NEAR(LineWidth(*narrow, 0), tallow, 2);

  // A blank after the hyphen is the more recent break and wins.
  auto blank = Make("ab\xC2\xAD" "cd efghijklmnop", LineWidth(*Make("abcd ef"), 0));
  EXPECT_EQ(LineText(*blank, 0), "ab\xC2\xAD" "cd");
}

void LegacyWrapChild() {
  SetConfig("legacylinewrap", "1");
  auto layout = Make("WWWWWWWW", LineWidth(*Make("WW"), 0) + 3);
  std::exit(Lines(*layout) == Strings{"WWW", "WWW", "WW"} ? 0 : 1);
}

TEST(TextLayout, LegacyLineWrapKeepsTheOverflowingCharacter) {
  // The flag cannot be cleared once set, so it is set in a child process.
  EXPECT_EXIT(LegacyWrapChild(), ::testing::ExitedWithCode(0), "");
  auto normal = Make("WWWWWWWW", LineWidth(*Make("WW"), 0) + 3);
  EXPECT_EQ(Lines(*normal), (Strings{"WW", "WW", "WW", "WW"}));
}

TEST(TextLayout, AlignmentTagsEndLinesAndAlignTheLinesAfterThem) {
  auto layout = Make("<center>Hello</center>world", 400);
  ASSERT_EQ(layout->GetLines().size(), 3u);
  EXPECT_EQ(Lines(*layout), (Strings{"", "Hello", "world"}));
  const auto& lines = layout->GetLines();
  EXPECT_EQ(lines[1]->startX, 200);
  EXPECT_LT(lines[1]->startShift, -20);  // pulled left by half the word
  EXPECT_EQ(lines[2]->startX, 0);
  EXPECT_GT(lines[2]->startShift, 0);

  auto right = Make("<right>Hi", 400);
  EXPECT_EQ(right->GetLines()[1]->startX, 399);
  TRect extent = right->GetExtent(1.0f);
  EXPECT_NEAR(extent.right, 400, 2);

  // The layout's own flags: centred and bottom-aligned.
  auto flagged = Make("Hi", 400, 100, TTextLayout::kAlignCenter | TTextLayout::kAlignBottom);
  TRect r = flagged->GetExtent(1.0f);
  EXPECT_EQ(r.bottom, 100);
  EXPECT_EQ(r.top, 80);
  EXPECT_NEAR((r.left + r.right) / 2.0, 200, 2);
  auto middle = Make("Hi", 400, 100, TTextLayout::kAlignVCenter);
  EXPECT_EQ(middle->GetExtent(1.0f).top, 40);
}

TEST(TextLayout, MarkupSetsTheStateOfTheRunsAfterIt) {
  auto layout = Make("a<b>b<i>c</b>d</i><u>e</u><a id=\"Go\" color=\"#ff0000\">f</a>"
                     "<font size=\"30\" color=\"00ff00\" face=\"x.mvec\">g</font><outline>h</outline>"
                     "<outline color=\"0000FF\" size=\"3\">k</outline>l<cursor>m<tab pos=\"100\">n<blink>o");
  ASSERT_EQ(layout->GetLines().size(), 1u);
  std::map<char, TTextRun> byChar;
  const char* text = layout->GetText().CStr();
  for (const TTextRun& run : layout->GetLines()[0]->runs)
    if (run.HasCharacters()) byChar[text[run.firstByte]] = run;
  EXPECT_FALSE(byChar['a'].bold);
  EXPECT_TRUE(byChar['b'].bold);
  EXPECT_TRUE(byChar['c'].bold && byChar['c'].italic);
  EXPECT_TRUE(!byChar['d'].bold && byChar['d'].italic);
  EXPECT_TRUE(byChar['e'].underline && !byChar['e'].italic);
  EXPECT_EQ(byChar['f'].linkId, "Go");  // the value keeps its case
  EXPECT_FLOAT_EQ(byChar['f'].linkColor[0], 1.0f);
  EXPECT_FLOAT_EQ(byChar['f'].linkColor[1], 0.0f);
  EXPECT_EQ(byChar['g'].linkId, "");
  EXPECT_EQ(byChar['g'].size, 30);
  EXPECT_FLOAT_EQ(byChar['g'].fontColor[1], 1.0f);
  EXPECT_FLOAT_EQ(byChar['g'].fontColor[3], 1.0f);
  EXPECT_EQ(byChar['g'].fontStackIndex, 1);
  EXPECT_EQ(byChar['h'].size, 20);
  EXPECT_EQ(byChar['h'].outlineSize, 2.0f);
  EXPECT_EQ(byChar['k'].outlineSize, 3.0f);
  EXPECT_FLOAT_EQ(byChar['k'].outlineColor[2], 1.0f);
  EXPECT_EQ(byChar['l'].outlineSize, 0.0f);
  EXPECT_TRUE(byChar['l'].cursor);  // the cursor follows the run that ends at the tag
  EXPECT_FALSE(byChar['m'].cursor);
  EXPECT_EQ(byChar['m'].tabPosition, 400);
  EXPECT_EQ(byChar['n'].startX, 100);
  EXPECT_TRUE(byChar.count('o'));  // an unknown tag is consumed without effect
  EXPECT_EQ(layout->GetLines()[0]->height, 30);
}

// Sizes that scale glyphs are cut to what a screen can show; ordinary ones stay as written.
TEST(TextLayout, FontAndOutlineSizesAreCutWhereTheyAreRead) {
  const struct {
    const char* tag;
    int fontSize;
    float outlineSize;
  } cases[] = {
      {"<font size=\"7777777777777773\">", 1024, 0},
      {"<font size=\"1025\">", 1024, 0},
      {"<font size=\"1024\">", 1024, 0},
      {"<font size=\"72\">", 72, 0},
      {"<outline size=\"7777777777777773\">", 20, 64},
      {"<outline size=\"65\">", 20, 64},
      {"<outline size=\"5\">", 20, 5},
  };
  for (const auto& c : cases) {
    TMarkupState state;
    state.Entry(0).size = 20;
    state.ApplyTag(c.tag);
    EXPECT_EQ(state.Top().size, c.fontSize) << c.tag;
    EXPECT_EQ(state.mOutlineSize, c.outlineSize) << c.tag;
  }
}

TEST(TextLayout, FontColourReadsAlphaOnlyFromEightCharacters) {
  struct Case {
    const char* value;
    float rgba[4];
  };
  const Case cases[] = {
      {"#11223344", {0x22 / 255.f, 0x33 / 255.f, 0x44 / 255.f, 1}},  // nine characters: RRGGBB of the number
      {"11223344", {0x11 / 255.f, 0x22 / 255.f, 0x33 / 255.f, 0x44 / 255.f}},
      {"#1234567", {0x01 / 255.f, 0x23 / 255.f, 0x45 / 255.f, 0x67 / 255.f}},
      {"#A0B0C0", {0xA0 / 255.f, 0xB0 / 255.f, 0xC0 / 255.f, 1}},
      {"zz", {0, 0, 0, 1}},
  };
  for (const Case& c : cases) {
    float color[4];
    ParseMarkupColor(c.value, true, color);
    for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(color[i], c.rgba[i]) << c.value << " channel " << i;
  }
}

TEST(TextLayout, TagReadingRules) {
  struct Case {
    const char* text;
    int consumed;
    const char* tag;
  };
  const Case cases[] = {
      {"<B>x", 3, "<b>"},
      {"<Font Size = \"20\" Face=\"My Font.mvec\">", 38, "<fontsize=\"20\"face=\"My font.mvec\">"},
      {"<a id=\"Next\">", 13, "<aid=\"Next\">"},
      {"<b", 0, ""},
      {"<b and no end", 0, ""},
  };
  char buffer[TMarkupState::kTagBufferSize + 1];
  for (const Case& c : cases) {
    int n = TMarkupState::ReadTag(c.text, buffer);
    EXPECT_EQ(n, c.consumed) << c.text;
    if (n) EXPECT_STREQ(buffer, c.tag) << c.text;
  }
  // A tag longer than the buffer ends after 128 characters; the rest is text.
  std::string longTag = "<" + std::string(200, 'x') + ">";
  EXPECT_EQ(TMarkupState::ReadTag(longTag.c_str(), buffer), TMarkupState::kTagBufferSize);
  EXPECT_EQ(std::strlen(buffer), size_t(TMarkupState::kTagBufferSize));

  TString value;
  EXPECT_TRUE(TMarkupState::ReadAttribute("<fontsize='12'>", "size", value));
  EXPECT_EQ(value, "12");
  EXPECT_FALSE(TMarkupState::ReadAttribute("<fontsize=12>", "size", value));
}

TEST(TextLayout, BackslashAndUnclosedTagsAreDrawnAsText) {
  auto escaped = Make("\\<b>bold?");
  ASSERT_EQ(escaped->GetLines().size(), 1u);
  for (const TTextRun& run : escaped->GetLines()[0]->runs) EXPECT_FALSE(run.bold);
  EXPECT_GT(LineWidth(*escaped, 0), LineWidth(*Make("bold?"), 0));
  // A doubled backslash draws one; a single one only makes the next character literal.
  EXPECT_GT(LineWidth(*Make("a\\\\b"), 0), LineWidth(*Make("ab"), 0));
  EXPECT_EQ(LineWidth(*Make("a\\b"), 0), LineWidth(*Make("ab"), 0));
  auto open = Make("1 < 2");
  ASSERT_EQ(open->GetLines().size(), 1u);
  EXPECT_EQ(LineText(*open, 0), "1 < 2");
}

TEST(TextLayout, LinksAreFoundUnderThePoint) {
  auto layout = Make("go <a id=\"next\">next page</a> now", 400);
  const TTextLine& line = *layout->GetLines()[0];
  const TTextRun* link = nullptr;
  for (const TTextRun& run : line.runs)
    if (run.linkId == "next") link = &run;
  ASSERT_NE(link, nullptr);
  int mid = int(line.startX + line.startShift + (link->startX + link->endX) / 2);
  EXPECT_EQ(layout->GetLinkAt(mid, 10, 0), "next");
  EXPECT_EQ(layout->GetLinkAt(2, 10, 0), "");
  EXPECT_EQ(layout->GetLinkAt(mid, 25, 0), "");   // below the only line
  EXPECT_EQ(layout->GetLinkAt(mid, -3, 4), "next");  // the spacing above the line counts
  EXPECT_TRUE(layout->UpdateHoverLink(std::make_pair(mid, 10)));
  EXPECT_EQ(layout->GetHoverLink(), "next");
  EXPECT_FALSE(layout->UpdateHoverLink(std::make_pair(mid + 1, 10)));
  EXPECT_TRUE(layout->UpdateHoverLink(std::nullopt));
  EXPECT_EQ(layout->GetHoverLink(), "");
}

TEST(TextLayout, ChangesLayOutAgain) {
  auto layout = Make("Hello world", 400);
  ASSERT_EQ(layout->GetLines().size(), 1u);
  layout->SetFontSize(60);
  EXPECT_EQ(layout->GetLines().size(), 1u);
  EXPECT_EQ(layout->GetTotalHeight(), 60);
  layout->SetText("Hello world and more words to wrap");
  EXPECT_GT(layout->GetLines().size(), 1u);
  layout->SetFont("");
  EXPECT_EQ(layout->GetFontName(), "__DEFAULT");
}

class FallbackFontTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearFontMap();
    mImage = ui_test::BuildFont({ui_test::BoxGlyph('W', 0, -20, 10, 0), ui_test::BoxGlyph('a', 0, -10, 8, 0)});
    RegisterMemoryFile("fonts/tiny.mvec", mImage.data(), mImage.size());
  }
  void TearDown() override {
    RegisterMemoryFile("fonts/tiny.mvec", nullptr, 0);
    ClearFontMap();
  }
  std::vector<uint8_t> mImage;
};

TEST_F(FallbackFontTest, MissingGlyphsComeFromTheDefaultFont) {
  auto layout = TTextLayout::Create("aXa\xE4\xB8\x80" "a", 400, 100, 0, "fonts/tiny.mvec", 20, kWhite);
  TVectorFont* tiny = FindFont("fonts/tiny.mvec");
  TVectorFont* fallback = FindFont(kDefaultFontFile);
  ASSERT_EQ(layout->GetLines().size(), 1u);
  std::vector<std::pair<std::string, TVectorFont*>> runs;
  const char* text = layout->GetText().CStr();
  for (const TTextRun& run : layout->GetLines()[0]->runs) {
    if (!run.HasCharacters()) continue;
    runs.emplace_back(std::string(text + run.firstByte, size_t(run.lastByte - run.firstByte + 1)), run.font);
    if (run.font == fallback) EXPECT_EQ(run.primaryFont, tiny);
  }
  // "X" is drawn in the default font; the CJK character is in neither font and takes no room.
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0], std::make_pair(std::string("a"), tiny));
  EXPECT_EQ(runs[1], std::make_pair(std::string("X"), fallback));
  EXPECT_EQ(runs[2].first, "a\xE4\xB8\x80" "a");
  EXPECT_EQ(runs[2].second, tiny);
}

// A font whose glyph body is 25 units (ascent 20, descent 5), so that at size 25 one unit is 3.2
// quarter-pixels. Glyph "f" overhangs: its ink ends at 12 but it advances only 8.
class SpacingFontTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearFontMap();
    ui_test::GlyphSpec f = ui_test::BoxGlyph('f', 2, -20, 12, 0);
    f.advance = 8 * 128;
    mImage = ui_test::BuildFont({ui_test::BoxGlyph('W', 0, -20, 10, 0), f, ui_test::BoxGlyph('g', 0, -10, 8, 5)});
    RegisterMemoryFile("fonts/spacing.mvec", mImage.data(), mImage.size());
  }
  void TearDown() override {
    RegisterMemoryFile("fonts/spacing.mvec", nullptr, 0);
    ClearFontMap();
  }
  // Pen positions in quarter-pixels: size 25 makes 0.8 * 4 * 25 / 25 = 3.2 per font unit.
  std::unique_ptr<TTextLayout> Lay(const char* text) {
    return TTextLayout::Create(text, 1000, 100, 0, "fonts/spacing.mvec", 25, kWhite);
  }
  std::vector<uint8_t> mImage;
};

TEST_F(SpacingFontTest, OverhangIsCarriedToTheNextGlyph) {
  struct Case {
    const char* text;
    int endX;  // pixels
  };
  const Case cases[] = {
      {"W", int(std::lround(11 * 3.2)) / 4},             // advance wider than the ink
      {"f", int(std::lround(12 * 3.2)) / 4},             // ink wider than the advance: the ink counts
      {"ff", int(std::lround((8 + 12) * 3.2)) / 4},      // the first one's overhang is given back
      {"fW", int(std::lround((8 + 11) * 3.2)) / 4},
      {"Wf", int(std::lround((11 + 12) * 3.2)) / 4},
  };
  for (const Case& c : cases) {
    auto layout = Lay(c.text);
    EXPECT_EQ(LineWidth(*layout, 0), c.endX) << c.text;
  }
  // The first glyph's ink starts one pixel from the line start, whatever its left edge.
  EXPECT_FLOAT_EQ(Lay("W")->GetLines()[0]->startShift, (4 - 0 * 3.2f) * 0.25f + 0.5f);
  EXPECT_FLOAT_EQ(Lay("f")->GetLines()[0]->startShift, (4 - 2 * 3.2f) * 0.25f + 0.5f);
}

TEST_F(SpacingFontTest, ItalicRunsMakeRoomForTheirSlant) {
  auto layout = Lay("W<i>W</i>W");
  std::vector<int> starts;
  for (const TTextRun& run : layout->GetLines()[0]->runs)
    if (run.HasCharacters()) starts.push_back(run.startX);
  // Switching italic on moves by a third of the descent, switching it off by a third of the ascent.
  const float s = 3.2f, w = 11 * s, on = s / 3 * 5, off = s / 3 * 20;
  EXPECT_EQ(starts, (std::vector<int>{0, int(std::lround(w + on)) / 4, int(std::lround(2 * w + on + off)) / 4}));
}

// Texts from string tables, saves and players: none of these may crash or loop.
TEST(TextLayout, HostileTextsAreLaidOutSafely) {
  std::string deepAlign, deepFont, deepClose;
  for (int i = 0; i < 40; ++i) deepAlign += "<center>x<left>";
  for (int i = 0; i < 40; ++i) deepFont += "<font size=\"" + std::to_string(10 + i) + "\">y";
  for (int i = 0; i < 40; ++i) deepClose += "</font></center></right>";
  const std::string texts[] = {
      deepAlign, deepFont, deepClose + "z",
      "<", "<<<<", "<br", "\\", "abc\\", "<font size=\"99999999999999\">big",
      std::string("trail\xE2"), std::string("trail\xF0\x9F"), std::string("\xC3"), std::string("\x80\xBF\xFF\xFE"),
      std::string("mid\xE2" "a\xF0" "bc"), "<a id=\"" + std::string(300, 'q') + "\">l</a>",
      "<" + std::string(500, 'x'), "\xC2\xAD\xC2\xAD\xC2\xAD", "     ", "\n\n\n",
  };
  for (const std::string& text : texts) {
    for (int width : {0, 1, 30, 400}) {
      auto layout = Make(text.c_str(), width, 100);
      for (const auto& line : layout->GetLines())
        for (const TTextRun& run : line->runs) {
          EXPECT_GE(run.firstByte, 0);
          EXPECT_LE(run.lastByte, layout->GetText().Length() - 1);
          EXPECT_LE(run.fontStackIndex, TMarkupState::kStackDepth - 1);
        }
      layout->GetExtent(1.5f);
      std::vector<uint32_t> pixels(64 * 64, 0);
      TVxPixelTarget target{pixels.data(), 64, 64, 64 * 4};
      TVxMiniVecDraw draw;
      layout->Draw(draw, TRect(0, 0, 64, 64), 1.0f, 0, 1.0f, &target);
    }
  }
  TMarkupState state;
  for (int i = 0; i < 100; ++i) state.ApplyTag("<center>");
  EXPECT_EQ(state.GetAlignCount(), TMarkupState::kStackDepth - 1);
  for (int i = 0; i < 100; ++i) state.ApplyTag("</left>");
  EXPECT_EQ(state.GetAlignCount(), 0);
  EXPECT_EQ(state.GetAlignment(), -1);
}

// Drawing into a pixel buffer: ink inside the box where the text is, nothing elsewhere.
TEST(TextLayout, DrawsGlyphsUnderlinesAndCursorIntoPixels) {
  auto inked = [](const std::vector<uint32_t>& px, int w, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += (px[size_t(y * w + x)] >> 24) > 0;
    return n;
  };
  const int w = 200, h = 60;
  std::vector<uint32_t> plain(size_t(w * h), 0), under(size_t(w * h), 0), cursor(size_t(w * h), 0);
  TVxMiniVecDraw draw;
  TVxPixelTarget target{plain.data(), w, h, w * 4};
  auto layout = Make("Hi", w, h);
  layout->SetSwitches(true, false);
  layout->Draw(draw, TRect(10, 10, 10 + w, 10 + h), 1.0f, 0, 1.0f, &target);
  int width = LineWidth(*layout, 0);
  EXPECT_GT(inked(plain, w, 10, 10, 10 + width + 2, 30), 40);
  EXPECT_EQ(inked(plain, w, 10 + width + 3, 0, w, h), 0);
  EXPECT_EQ(inked(plain, w, 0, 31, w, h), 0);

  auto underlined = Make("<u>Hi</u>", w, h);
  underlined->SetSwitches(true, false);
  target.pixels = under.data();
  underlined->Draw(draw, TRect(10, 10, 10 + w, 10 + h), 1.0f, 0, 1.0f, &target);
  EXPECT_GT(inked(under, w, 0, 0, w, h), inked(plain, w, 0, 0, w, h) + width / 2);

  auto withCursor = Make("Hi<cursor>", w, h);
  withCursor->SetSwitches(true, false);
  target.pixels = cursor.data();
  withCursor->Draw(draw, TRect(10, 10, 10 + w, 10 + h), 1.0f, 0, 1.0f, &target);
  EXPECT_GT(inked(cursor, w, 0, 0, w, h), inked(plain, w, 0, 0, w, h));

  // A box too low for the line draws nothing of it.
  std::vector<uint32_t> clipped(size_t(w * h), 0);
  target.pixels = clipped.data();
  auto low = TTextLayout::Create("Hi", w, 10, 0, "", 20, kWhite);
  low->Draw(draw, TRect(0, 0, w, 10), 1.0f, 0, 1.0f, &target);
  EXPECT_EQ(inked(clipped, w, 0, 0, w, h), 0);
}

// Bold glyphs are widened by a stroke in the text's own colour, whether or not an outline of
// another colour surrounds them; only the outline shows its colour.
TEST(TextLayout, BoldStrokesTakeTheTextsColour) {
  struct Case {
    const char* text;
    std::vector<uint32_t> colours;  // every inked pixel shows one of them (RGB)
  };
  const Case cases[] = {
      {"HHHH", {0xFFFFFF}},
      {"<b>HHHH</b>", {0xFFFFFF}},
      {"<b><font color='#40c020'>HHHH</font></b>", {0x40C020}},
      {"<outline color='#ff0000'><b>HHHH</b></outline>", {0xFFFFFF, 0xFF0000}},
  };
  std::vector<int> inked;
  for (const Case& c : cases) {
    std::vector<uint32_t> px(200 * 40, 0);
    TVxPixelTarget target{px.data(), 200, 40, 200 * 4};
    TVxMiniVecDraw draw;
    auto layout = TTextLayout::Create(c.text, 190, 38, 0, "__DEFAULT", 24, kWhite);
    layout->SetSwitches(true, false);
    layout->Draw(draw, TRect(0, 0, 190, 38), 1.0f, 0, 1.0f, &target);
    int n = 0, stray = 0;
    for (uint32_t p : px) {
      if (!p) continue;
      ++n;
      stray += std::find(c.colours.begin(), c.colours.end(), p & 0xFFFFFF) == c.colours.end();
    }
    EXPECT_EQ(stray, 0) << c.text;
    inked.push_back(n);
  }
  EXPECT_GT(inked[1], inked[0]);  // bold is wider
  EXPECT_EQ(inked[2], inked[1]);
}

TEST(TextLayout, RotationTurnsTheDrawnText) {
  const int w = 80, h = 80;
  auto bounds = [&](const std::vector<uint32_t>& px) {
    int x0 = w, y0 = h, x1 = -1, y1 = -1;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (px[size_t(y * w + x)] >> 24) x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
    return std::array<int, 4>{x0, y0, x1, y1};
  };
  auto render = [&](float degrees) {
    std::vector<uint32_t> px(size_t(w * h), 0);
    TVxPixelTarget target{px.data(), w, h, w * 4};
    TVxMiniVecDraw draw;
    auto layout = Make("Hello", w, h);
    layout->SetRotation(degrees, 0, 10);
    layout->SetSwitches(true, false);
    layout->Draw(draw, TRect(40, 10, 40 + w, 10 + h), 1.0f, 0, 1.0f, &target);
    return px;
  };
  auto straight = render(0), full = render(360), turned = render(90);
  EXPECT_EQ(straight, full);  // a whole turn is no rotation at all
  auto s = bounds(straight), t = bounds(turned);
  EXPECT_GT(s[2] - s[0], 2 * (s[3] - s[1]));  // wide and low
  EXPECT_GT(t[3] - t[1], 2 * (t[2] - t[0]));  // tall and narrow
  EXPECT_GT(t[3], 40);                        // running downwards from the origin
}

class TextOnScreenTest : public UiFixture {};

TEST_F(TextOnScreenTest, UnderAViewportScaleTheSinkGetsGameCoordinatesAtTheWindowsResolution) {
  // The extent of what the line sink receives for one line of text drawn on screen, and the
  // number of different rows its lines lie on.
  struct Received {
    float width, height;
    size_t rows;
  };
  auto onScreen = [] {
    float x0 = 1e9f, y0 = 1e9f, x1 = -1e9f, y1 = -1e9f;
    std::set<float> rows;
    TVxMiniVecDraw draw;
    draw.SetLineSink([&](const TVxLineVertex* v, int n) {
      for (int i = 0; i < n; ++i) {
        x0 = std::min(x0, v[i].x), y0 = std::min(y0, v[i].y), x1 = std::max(x1, v[i].x), y1 = std::max(y1, v[i].y);
        rows.insert(v[i].y);
      }
    });
    auto layout = Make("Hello", 400, 200);
    layout->Draw(draw, TRect(0, 0, 400, 200), 1.0f, 0, 1.0f, nullptr);
    draw.Flush();
    return Received{x1 - x0, y1 - y0, rows.size()};
  };
  auto intoPixels = [] {
    std::vector<uint32_t> px(size_t(200 * 60), 0);
    TVxPixelTarget target{px.data(), 200, 60, 200 * 4};
    TVxMiniVecDraw draw;
    auto layout = Make("Hi", 200, 60);
    layout->SetSwitches(true, false);
    layout->Draw(draw, TRect(10, 10, 210, 70), 1.0f, 0, 1.0f, &target);
    return px;
  };
  const Received plain = onScreen();
  const auto plainPixels = intoPixels();
  ASSERT_GT(plain.width, 20);
  platform_->GetImpl()->mViewportScale[0] = 2.0f;
  const Received scaled = onScreen();
  // The display's projection doubles what the sink gets: the sink's size is the game's size...
  EXPECT_NEAR(scaled.width, plain.width, 1.5);
  EXPECT_NEAR(scaled.height, plain.height, 1.5);
  // ...drawn with twice the rows, one for each of the window's pixel rows.
  EXPECT_NEAR(double(scaled.rows), 2.0 * double(plain.rows), 3);
  EXPECT_EQ(intoPixels(), plainPixels);
}

}  // namespace
