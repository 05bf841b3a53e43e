// Text windows: built from Lua style tables (label forms, font entry, padding, zero size), drawing
// the layout's outlines, scrolling by whole lines to the last page, hover tracking and links that
// press the named window of the same screen. Text-edit fields from style tables too.
#include <gtest/gtest.h>

#include <string>

#include "ui/windowscript.h"
#include "ui/overlaytext.h"
#include "ui/text.h"
#include "ui/textedit.h"
#include "uifixture.h"

namespace {

const float kWhite[4] = {1, 1, 1, 1};

class TextWindowTest : public UiFixture {
 protected:
  void SetUp() override {
    UiFixture::SetUp();
    screen_ = MakeScreen();
    manager_->InstallWindowScript(std::make_unique<TWindowScript>());
  }
  void TearDown() override {
    TText::SetLinkCommandRunner(nullptr);
    UiFixture::TearDown();
  }
  int Run(const char* text) { return manager_->DoScriptString(screen_, text); }
  TText* Find(const char* name) { return KindCast<TText>(screen_->FindChild(name, -1)); }
  TText* Add(const char* name, const char* text, int width = 300, int height = 100) {
    auto* t = new TText;
    t->SetName(name);
    screen_->AddChild(t, true);
    EXPECT_TRUE(t->Setup(text, width, height, 0, "__DEFAULT", 16, kWhite));
    return t;
  }

  TScreen* screen_ = nullptr;
};

TEST_F(TextWindowTest, StyleTablesBuildTextWindows) {
  ASSERT_EQ(Run("MakeDialog{ Text{ name='lit', w=200, h=40, label='#Hello' },"
                "  Text{ name='num', w=200, h=40, label='3.25', padding=4 },"
                "  Text{ name='font', w=200, h=40, label='#Ab', font={'__DEFAULT', 0, {1, 0, 0, 1}} },"
                "  Text{ name='big', w=200, h=40, label='#Ab', font={'__DEFAULT', 30} } }"),
            0);
  TText* lit = Find("lit");
  TText* num = Find("num");
  ASSERT_NE(lit, nullptr);
  ASSERT_NE(num, nullptr);
  EXPECT_STREQ(lit->GetClassName(), "TText");
  EXPECT_EQ(lit->GetText(), "Hello");
  EXPECT_EQ(num->GetText(), "3.25");
  EXPECT_EQ(num->GetLineSpacing(), 4);
  EXPECT_EQ(lit->GetLineSpacing(), 0);
  // Size 0 in the font entry means 12: smaller than the default 16, smaller than 30.
  int small = Find("font")->GetLayout()->GetLines().at(0)->height;
  int big = Find("big")->GetLayout()->GetLines().at(0)->height;
  int standard = lit->GetLayout()->GetLines().at(0)->height;
  EXPECT_LT(small, standard);
  EXPECT_LT(standard, big);
}

TEST_F(TextWindowTest, ZeroSizeWindowHasNoLayoutAndIgnoresText) {
  ASSERT_EQ(Run("MakeDialog{ Text{ name='z', w=0, h=30, label='#x' } }"), 0);
  TText* z = Find("z");
  ASSERT_NE(z, nullptr);
  EXPECT_EQ(z->GetLayout(), nullptr);
  z->SetText("more");
  z->ScrollTo(1);
  EXPECT_EQ(z->GetText(), "");
  EXPECT_EQ(z->GetLineCount(), 0);
  EXPECT_FALSE(z->OnMouseDown({1, 1}));
  z->Draw();  // nothing to draw, nothing to crash on
  TText bare;
  EXPECT_FALSE(bare.Setup("x", 10, 0, 0, "__DEFAULT", 16, kWhite));
  EXPECT_EQ(bare.GetLayout(), nullptr);
}

TEST_F(TextWindowTest, DrawSendsTheLayoutOutlinesToTheLineSink) {
  TText* t = Add("t", "Hello");
  int vertices = 0;
  t->GetRasteriser().SetLineSink([&](const TVxLineVertex*, int count) { vertices += count; });
  t->Draw();
  EXPECT_GT(vertices, 0);
  vertices = 0;
  t->SetText("");
  t->Draw();
  EXPECT_EQ(vertices, 0);
}

// The debug overlay's text goes where every text window's lines go.
TEST_F(TextWindowTest, OverlayTextDrawsThroughTheTextWindowsLineSink) {
  int vertices = 0;
  TText::SetDefaultLineSink([&](const TVxLineVertex*, int count) { vertices += count; });
  DrawOverlayText("Tallowmark<br>Mem: 512kB<tab pos='150'>TexMem: 4kB", TRect(0, 0, 512, 512));
  TText::SetDefaultLineSink(nullptr);
  EXPECT_GT(vertices, 0);
}

TEST_F(TextWindowTest, TextChangesLayOutAtOnce) {
  TText* t = Add("t", "one", 80, 200);
  EXPECT_EQ(t->GetLineCount(), 1);
  int narrow = t->GetTextExtent().right - t->GetTextExtent().left;
  t->SetText("one two three four five six");
  EXPECT_EQ(t->GetText(), "one two three four five six");
  EXPECT_GT(t->GetLineCount(), 1);
  EXPECT_GT(t->GetTextExtent().right - t->GetTextExtent().left, narrow);
  EXPECT_TRUE(manager_->IsRedrawNeeded());
}

TEST_F(TextWindowTest, ScrollToMovesToTheLastPageByWholeLines) {
  // Narrow box: every word on its own line.
  TText* t = Add("t", "alpha beta gamma delta epsilon zeta eta theta", 60, 50);
  const auto& lines = t->GetLayout()->GetLines();
  ASSERT_GT(lines.size(), 3u);
  int fit = 0, used = 0;
  for (size_t i = lines.size(); i > 0 && used + lines[i - 1]->height <= 50; --i) used += lines[i - 1]->height, ++fit;
  int first = static_cast<int>(lines.size()) - fit;
  t->ScrollTo(1);
  EXPECT_FLOAT_EQ(t->GetScrollPosition(), first + 0.5f);
  t->ScrollTo(0);
  EXPECT_FLOAT_EQ(t->GetScrollPosition(), 0.0f);

  TText* fits = Add("fits", "short", 300, 100);
  fits->ScrollTo(1);
  EXPECT_FLOAT_EQ(fits->GetScrollPosition(), 0.5f);
}

struct LinkPoints {
  TPoint first, second, none;
};

LinkPoints PointsOf(TText* t) {
  LinkPoints p;
  const TTextLine& line = *t->GetLayout()->GetLines().at(0);
  for (const TTextRun& run : line.runs) {
    int mid = static_cast<int>(line.startX + line.startShift + (run.startX + run.endX) / 2);
    if (run.linkId == "one") p.first = {mid, 5};
    if (run.linkId == "two") p.second = {mid, 5};
  }
  p.none = {1, 5};
  return p;
}

TEST_F(TextWindowTest, LinksPressTheNamedWindowOnlyWhenReleasedOnTheSameLink) {
  TText* t = Add("t", "x <a id=\"one\">first</a> y <a id=\"two\">second</a>");
  auto* target = new TWindow;
  target->SetName("one");
  screen_->AddChild(target, false);
  std::vector<TWindow*> pressed;
  TText::SetLinkCommandRunner([&](TWindow* w) {
    pressed.push_back(w);
    return true;
  });
  LinkPoints p = PointsOf(t);
  ASSERT_GT(p.first.x, 0);

  EXPECT_FALSE(t->OnMouseDown(p.none));
  EXPECT_FALSE(t->OnMouseUp(p.none));

  EXPECT_TRUE(t->OnMouseDown(p.first));
  EXPECT_EQ(t->GetPressedLink(), "one");
  EXPECT_TRUE(t->OnMouseUp(p.second));  // released elsewhere: nothing, press cleared
  EXPECT_EQ(t->GetPressedLink(), "");
  EXPECT_TRUE(pressed.empty());

  EXPECT_TRUE(t->OnMouseDown(p.first));
  EXPECT_TRUE(t->OnMouseUp(p.first));
  EXPECT_EQ(pressed, std::vector<TWindow*>{target});

  // A link naming no window, or a window that is no button, only logs.
  EXPECT_TRUE(t->OnMouseDown(p.second));
  EXPECT_TRUE(t->OnMouseUp(p.second));
  TText::SetLinkCommandRunner([](TWindow*) { return false; });
  EXPECT_TRUE(t->OnMouseDown(p.first));
  EXPECT_TRUE(t->OnMouseUp(p.first));
  EXPECT_EQ(pressed.size(), 1u);
}

TEST_F(TextWindowTest, HoveringALinkTracksThePointerUntilItLeaves) {
  TText* t = Add("t", "x <a id=\"one\">first</a> y <a id=\"two\">second</a>");
  LinkPoints p = PointsOf(t);
  EXPECT_TRUE(t->OnMouseMove(p.first));
  EXPECT_EQ(t->GetLayout()->GetHoverLink(), "one");
  EXPECT_EQ(manager_->GetTrackingList().front(), t);
  EXPECT_FALSE(t->OnMouseMove(p.first));
  EXPECT_TRUE(t->OnMouseMove(p.second));
  EXPECT_TRUE(t->OnMouseLeave());
  EXPECT_EQ(t->GetLayout()->GetHoverLink(), "");
  EXPECT_TRUE(manager_->GetTrackingList().empty());
}

TEST_F(TextWindowTest, TextEditFromAStyleTableKeepsItsLabelUntranslated) {
  ASSERT_EQ(Run("MakeDialog{ TextEdit{ name='pw', w=200, h=30, label='secret', password=true, length=4,"
                "  ignore='-', utf8=true } }"),
            0);
  auto* edit = KindCast<TTextEdit>(screen_->FindChild("pw", -1));
  ASSERT_NE(edit, nullptr);
  EXPECT_STREQ(edit->GetClassName(), "TTextEdit");
  EXPECT_TRUE(edit->IsKindOf(TText::ClassId()));
  EXPECT_EQ(edit->GetText(), "secret");
  EXPECT_EQ(edit->GetShownText(), "******");
  EXPECT_EQ(edit->GetLimit(), 4);
  EXPECT_TRUE(TText::LabelTranslation());  // switched back on after the field's set-up
  ASSERT_NE(edit->GetTabGroup(), nullptr);
}

}  // namespace
