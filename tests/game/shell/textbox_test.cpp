// Text boxes: the fitting loop (a fitting text keeps its size, a long one shrinks one point at a
// time to the largest size that fits, the line limit), its ends where no size fits or the layout is
// refused, rebuilding from the first asked size, and the operations on the laid-out child.
#include "shell/textbox.h"

#include <string>

#include "ui/text.h"
#include "ui/textlayout.h"
#include "ui/widgets_fixture.h"

namespace {

const float kInk[4] = {0.2f, 0.4f, 0.6f, 1.0f};

class TextboxTest : public WidgetFixture {
 protected:
  static TString Words(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += "harrow ";
    return TString(s.c_str());
  }
  // Whether the text, laid out as the fit does, stays inside the box and the line limit.
  static bool Fits(const TString& text, int w, int h, int size, int lines) {
    TText probe(false);
    int limit = std::min(h, size * lines);
    if (!probe.Setup(text, w, limit, 0, "__DEFAULT", size, kInk)) return false;
    TRect e = probe.GetTextExtent();
    return e.right - e.left <= w && e.bottom - e.top <= limit;
  }
};

TEST_F(TextboxTest, FitKeepsAFittingSizeAndShrinksALongTextToTheLargestThatFits) {
  struct Case {
    const char* what;
    TString text;
    uint32_t w, h, size, lines;
  } cases[] = {
      {"short", "Harrowmere", 300, 100, 20, 2},
      {"long", Words(40), 240, 90, 30, 4},
      {"one line: the font size is the height", Words(6), 600, 200, 40, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TTextbox box;
    EXPECT_TRUE(box.BuildText(c.text, c.w, c.h, 0, "__DEFAULT", c.size, kInk, c.lines));
    uint32_t fitted = box.GetFontSize();
    EXPECT_TRUE(Fits(c.text, int(c.w), int(c.h), int(fitted), int(c.lines))) << fitted;
    if (fitted < c.size) EXPECT_FALSE(Fits(c.text, int(c.w), int(c.h), int(fitted + 1), int(c.lines))) << fitted;
    EXPECT_EQ(box.GetRequestedSize(), c.size);
    EXPECT_EQ(box.GetWidth(), int(c.w));
    EXPECT_EQ(box.GetHeight(), int(c.h));
    // One child, at the box's corner, laid out over the whole box height.
    ASSERT_EQ(box.GetChildren().size(), 1u);
    TText* child = box.GetTextChild();
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->GetName(), "textboxText");
    EXPECT_EQ(child->GetRect(), TRect(0, 0, int(c.w), int(c.h)));
    EXPECT_EQ(box.GetText(), c.text);
  }
  // The short one fits at once; the others really had to shrink.
  TTextbox longBox;
  longBox.BuildText(Words(40), 240, 90, 0, "__DEFAULT", 30, kInk, 4);
  EXPECT_LT(longBox.GetFontSize(), 30u);
  TTextbox shortBox;
  shortBox.BuildText("Harrowmere", 300, 100, 0, "__DEFAULT", 20, kInk, 2);
  EXPECT_EQ(shortBox.GetFontSize(), 20u);
}

TEST_F(TextboxTest, FitEndsWhereNoSizeFitsAndStillMakesTheChild) {
  struct Case {
    const char* what;
    uint32_t w, h, size, lines;
    bool laidOut;
    uint32_t fitted;
  } cases[] = {
      {"fits at no size", 12, 3, 12, 1, true, 1},
      {"no line allowed", 200, 100, 16, 0, true, 16},
      {"no width", 0, 100, 16, 3, false, 16},
      {"no height", 200, 0, 16, 3, false, 16},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TTextbox box;
    EXPECT_EQ(box.BuildText(Words(30), c.w, c.h, 0, "__DEFAULT", c.size, kInk, c.lines), c.laidOut);
    EXPECT_EQ(box.GetFontSize(), c.fitted);
    ASSERT_NE(box.GetTextChild(), nullptr);
    EXPECT_EQ(box.GetTextChild()->GetLayout() != nullptr, c.laidOut);
  }
}

TEST_F(TextboxTest, SetTextRebuildsFromTheFirstSizeAndOnlyAfterABuild) {
  TTextbox unbuilt;
  unbuilt.SetText("ignored");
  EXPECT_TRUE(unbuilt.GetChildren().empty());
  EXPECT_EQ(unbuilt.GetText(), "");
  EXPECT_EQ(unbuilt.GetTextAlpha(), 0.0f);
  EXPECT_FALSE(unbuilt.SetTextAlpha(0.5f));
  TRect untouched(1, 2, 3, 4);
  unbuilt.GetTextRect(&untouched);
  EXPECT_EQ(untouched, TRect(1, 2, 3, 4));

  TTextbox box;
  box.BuildText(Words(40), 240, 90, 0, "__DEFAULT", 30, kInk, 4);
  uint32_t small = box.GetFontSize();
  ASSERT_LT(small, 30u);
  box.SetText("Short again");
  EXPECT_EQ(box.GetFontSize(), 30u);  // a shorter text comes back larger
  EXPECT_EQ(box.GetText(), "Short again");
  EXPECT_EQ(box.GetChildren().size(), 1u);
  TRect extent;
  box.GetTextRect(&extent);
  EXPECT_EQ(extent, box.GetTextChild()->GetTextExtent());
}

TEST_F(TextboxTest, ColourAndAlphaLastUntilTheNextBuildAndResizingKeepsTheText) {
  TTextbox box;
  box.BuildText("Lantern", 200, 60, 0, "__DEFAULT", 18, kInk, 2);
  const float red[4] = {1, 0, 0, 1};
  box.SetColor(red);
  EXPECT_TRUE(box.SetTextAlpha(0.25f));
  EXPECT_FLOAT_EQ(box.GetTextAlpha(), 0.25f);
  EXPECT_FLOAT_EQ(box.GetTextChild()->GetLayout()->GetColor()[0], 1.0f);

  TText* child = box.GetTextChild();
  box.SetBoxSize(400, 120);
  EXPECT_EQ(box.GetWidth(), 400);
  EXPECT_EQ(box.GetTextChild(), child);  // the laid-out text stays
  EXPECT_EQ(child->GetWidth(), 200);

  box.SetText("Lantern lit");  // laid out again in the stored colour
  EXPECT_FLOAT_EQ(box.GetTextAlpha(), 1.0f);
  EXPECT_FLOAT_EQ(box.GetTextChild()->GetLayout()->GetColor()[0], kInk[0]);
  EXPECT_EQ(box.GetTextChild()->GetWidth(), 400);
}

}  // namespace
