// Text windows keep the lines of their last drawing: drawn again unchanged they send exactly the
// lines a fresh drawing would, in one batch or through the sink's own prepared form; every change
// that shapes the lines (of the layout, the window or the rasteriser) draws afresh.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/text.h"
#include "ui/textdrawcache.h"
#include "uifixture.h"

namespace {

const float kWhite[4] = {1, 1, 1, 1};
const char kMarkup[] =
    "Plain <b>bold</b> <i>slanted</i> <u>under</u> <font color='#ffcc40'>gold</font> "
    "<a id='one' color='#ff2020'>link</a> <outline color='#0000ff' size='2'>ringed</outline> "
    "and enough words to wrap over several lines of the box";

bool SameLines(const std::vector<TVxLineVertex>& a, const std::vector<TVxLineVertex>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].x != b[i].x || a[i].y != b[i].y || a[i].color != b[i].color) return false;
  return true;
}

class TextCacheTest : public UiFixture {
 protected:
  void SetUp() override {
    UiFixture::SetUp();
    screen_ = MakeScreen();
    text_ = new TText;
    screen_->AddChild(text_, true);
    ASSERT_TRUE(text_->Setup(kMarkup, 220, 60, 0, "__DEFAULT", 16, kWhite));
    text_->GetRasteriser().SetLineSink([this](const TVxLineVertex* v, int n) {
      lines_.insert(lines_.end(), v, v + n);
      ++calls_;
    });
  }
  void TearDown() override {
    TText::DrawCaching() = true;
    UiFixture::TearDown();
  }

  // The lines of one drawing, and the sink calls it took.
  std::vector<TVxLineVertex> Draw(int* calls = nullptr) {
    lines_.clear();
    calls_ = 0;
    text_->Draw();
    if (calls) *calls = calls_;
    return lines_;
  }
  std::vector<TVxLineVertex> Fresh() {
    TText::DrawCaching() = false;
    std::vector<TVxLineVertex> out = Draw();
    TText::DrawCaching() = true;
    return out;
  }
  int Replays() const { return text_->GetDrawCache().GetReplayCount(); }

  TScreen* screen_ = nullptr;
  TText* text_ = nullptr;
  std::vector<TVxLineVertex> lines_;
  int calls_ = 0;
};

TEST_F(TextCacheTest, ARedrawOfAnUnchangedTextSendsTheLinesOfAFreshDrawingInOneBatch) {
  const std::vector<TVxLineVertex> fresh = Fresh();
  ASSERT_GT(fresh.size(), 1000u);
  int calls = 0;
  // The first drawing of a key is not kept, the second is: the third is sent again.
  EXPECT_TRUE(SameLines(Draw(), fresh));
  EXPECT_FALSE(text_->GetDrawCache().IsHeld());
  EXPECT_TRUE(SameLines(Draw(&calls), fresh));
  EXPECT_GT(calls, 1);
  EXPECT_TRUE(text_->GetDrawCache().IsHeld());
  EXPECT_EQ(text_->GetDrawCache().GetVertexCount(), fresh.size());
  for (int frame = 0; frame < 3; ++frame) {
    EXPECT_TRUE(SameLines(Draw(&calls), fresh)) << "frame " << frame;
    EXPECT_EQ(calls, 1);
  }
  EXPECT_EQ(Replays(), 3);
  // Switched off, the window draws afresh and keeps nothing.
  EXPECT_TRUE(SameLines(Fresh(), fresh));
  EXPECT_FALSE(text_->GetDrawCache().IsHeld());
}

TEST_F(TextCacheTest, ASinkWithAPreparerConvertsTheKeptLinesOnceAndDrawsThemItself) {
  const std::vector<TVxLineVertex> fresh = Fresh();
  std::vector<TVxLineVertex> prepared, drawn;
  int prepares = 0, batches = 0;
  TVxMiniVecDraw::LineSink sink(
      [&](const TVxLineVertex* v, int n) {
        drawn.insert(drawn.end(), v, v + n);
        ++batches;
      },
      [&](const TVxLineVertex* v, int n) -> std::function<void()> {
        ++prepares;
        prepared.assign(v, v + n);
        return [&] { drawn.insert(drawn.end(), prepared.begin(), prepared.end()); };
      });
  text_->GetRasteriser().SetLineSink(sink);
  for (int frame = 0; frame < 5; ++frame) {
    drawn.clear();
    batches = 0;
    text_->Draw();
    EXPECT_TRUE(SameLines(drawn, fresh)) << "frame " << frame;
    if (frame >= 2) EXPECT_EQ(batches, 0) << "frame " << frame;
  }
  EXPECT_EQ(prepares, 1);
  EXPECT_TRUE(SameLines(prepared, fresh));
}

TEST_F(TextCacheTest, EveryChangeThatShapesTheLinesDrawsAfresh) {
  struct Case {
    const char* name;
    std::function<void(TText*, TPlatformImpl&)> change;
    bool linesDiffer;
  };
  const float red[4] = {1, 0, 0, 1};
  const Case cases[] = {
      {"text", [](TText* t, TPlatformImpl&) { t->SetText("other words"); }, true},
      {"colour", [&](TText* t, TPlatformImpl&) { t->SetColor(red); }, true},
      {"scroll", [](TText* t, TPlatformImpl&) { t->ScrollTo(1); }, true},
      {"hovered link",
       [](TText* t, TPlatformImpl&) {
         const TTextLayout& layout = *t->GetLayout();
         for (size_t li = 0; li < layout.GetLines().size(); ++li)
           for (const TTextRun& run : layout.GetLines()[li]->runs)
             if (run.linkId == "one") {
               const TTextLine& line = *layout.GetLines()[li];
               int top = 0;
               for (size_t k = 0; k < li; ++k) top += layout.GetLines()[k]->height;
               EXPECT_TRUE(t->OnMouseMove(
                   {int(line.startX + line.startShift + (run.startX + run.endX) / 2), top + line.height / 2}));
               return;
             }
         ADD_FAILURE() << "no link";
       },
       true},
      {"alpha", [](TText* t, TPlatformImpl&) { t->SetAlpha(0.5f); }, true},
      {"draw scale", [](TText* t, TPlatformImpl&) { t->SetDrawScale(1.25f); }, true},
      {"line spacing", [](TText* t, TPlatformImpl&) { t->SetLineSpacing(5); }, true},
      {"rotation", [](TText* t, TPlatformImpl&) { t->SetRotation(10, 0, 0); }, true},
      {"font size through the layout", [](TText* t, TPlatformImpl&) { t->GetLayout()->SetFontSize(12); }, true},
      {"blend switches through the layout",
       [](TText* t, TPlatformImpl&) { t->GetLayout()->SetSwitches(true, false); }, false},
      {"window size", [](TText* t, TPlatformImpl&) { t->SetSize(230, 60); }, false},
      {"clip (the view's size)", [](TText*, TPlatformImpl&) { TDrawContext::GetInstance()->SetViewport(100, 40); },
       false},
      {"view scale", [](TText*, TPlatformImpl& impl) { impl.mViewportScale[0] = impl.mViewportScale[1] = 2; },
       true},
      {"span offsets", [](TText* t, TPlatformImpl&) { t->GetRasteriser().SetSpanOffsets(0.5f, 0.5f, 0.5f); }, true},
      {"sink scale", [](TText* t, TPlatformImpl&) { t->GetRasteriser().SetSinkScale(0.5f); }, true},
      {"another sink",
       [this](TText* t, TPlatformImpl&) {
         t->GetRasteriser().SetLineSink([this](const TVxLineVertex* v, int n) {
           lines_.insert(lines_.end(), v, v + n);
           ++calls_;
         });
       },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    Draw();
    Draw();
    const std::vector<TVxLineVertex> before = Draw();
    ASSERT_EQ(Replays(), 1);
    c.change(text_, *platform_->GetImpl());
    const std::vector<TVxLineVertex> after = Draw();
    EXPECT_EQ(Replays(), 1) << "sent the old lines again";
    EXPECT_TRUE(SameLines(after, Fresh()));
    EXPECT_EQ(!SameLines(after, before), c.linesDiffer);
    // Kept again once drawn twice the new way.
    Draw();
    EXPECT_TRUE(SameLines(Draw(), after));
    EXPECT_EQ(Replays(), 2);
  }
}

// Lines are in the window's own coordinates: moved, it sends the same ones (the view places them).
TEST_F(TextCacheTest, AMovedWindowSendsItsKeptLines) {
  Draw();
  const std::vector<TVxLineVertex> before = Draw();
  text_->MoveTo(200, 150);
  EXPECT_TRUE(SameLines(Draw(), before));
  EXPECT_EQ(Replays(), 1);
}

// A solid bar of 4 x 8 whole pixels: one line a row, 16 vertices a drawing.
std::vector<uint8_t> Bar() {
  std::vector<uint8_t> bar = {2, 1};
  const int corners[5][2] = {{0, 0}, {16, 0}, {16, 32}, {0, 32}, {0, 0}};  // quarter-pixels
  for (int i = 0; i < 5; ++i) {
    bar.push_back(i == 0 ? 4 : 5);
    for (int v : corners[i]) bar.push_back(uint8_t(v * 128 & 0xFF)), bar.push_back(uint8_t(v * 128 >> 8));
  }
  bar.push_back(8);
  return bar;
}

TEST(TextDrawCache, OutputsPastTheLimitAreNotKept) {
  const std::vector<uint8_t> bar = Bar();
  TVxMiniVecDraw draw;
  size_t sent = 0;
  draw.SetLineSink([&](const TVxLineVertex*, int n) { sent += size_t(n); });
  auto fresh = [&] {
    draw.SetTarget(0, 0, nullptr);
    draw.DrawOutline(bar.data(), bar.size(), 0, 0);
    draw.Flush();
  };
  const TTextDrawKey key{1, TRect(0, 0, 10, 10), 1, 1, 1, 0};
  TTextDrawCache small(15), enough(16);
  for (int frame = 0; frame < 3; ++frame) small.Draw(key, draw, fresh);
  EXPECT_EQ(sent, 48u);
  EXPECT_FALSE(small.IsHeld());
  EXPECT_EQ(small.GetReplayCount(), 0);
  for (int frame = 0; frame < 3; ++frame) enough.Draw(key, draw, fresh);
  EXPECT_EQ(sent, 96u);
  EXPECT_EQ(enough.GetReplayCount(), 1);
}

// A drawing that leaves the rasteriser otherwise than it found it (here a colour it sets anew each
// time) would send other lines next time: it is drawn afresh every time, never sent again.
TEST(TextDrawCache, ADrawingThatChangesTheRasterisersStateIsNeverSentAgain) {
  const std::vector<uint8_t> bar = Bar();
  TVxMiniVecDraw draw;
  std::vector<uint32_t> colours;
  draw.SetLineSink([&](const TVxLineVertex* v, int n) {
    for (int i = 0; i < n; ++i) colours.push_back(v[i].color);
  });
  uint32_t next = 0xFF000010u;
  auto fresh = [&] {
    draw.SetColor(1, next, 1.0f);
    draw.SetTarget(0, 0, nullptr);
    draw.DrawOutline(bar.data(), bar.size(), 0, 0);
    draw.Flush();
  };
  TTextDrawCache cache;
  const TTextDrawKey key{1, TRect(0, 0, 10, 10), 1, 1, 1, 0};
  for (int frame = 0; frame < 5; ++frame) {
    next += 0x10;
    colours.clear();
    cache.Draw(key, draw, fresh);
    ASSERT_EQ(colours.size(), 16u);
    EXPECT_EQ(colours.back(), next) << "frame " << frame;
  }
  EXPECT_EQ(cache.GetReplayCount(), 0);
}

}  // namespace
