// Sliders: the value's range and the thumb's place, layout, dragging and page clicks with the
// messages they send, style tables and the rail's drawing.
#include "ui/slider.h"

#include "ui/image.h"
#include "widgets_fixture.h"

namespace {

class SliderTest : public WidgetFixture {
 protected:
  void SetUp() override {
    WidgetFixture::SetUp();
    parent_ = new Probe(&log_, "panel", TRect(0, 0, 400, 300));
    parent_->mTakesMessages = true;
    screen_->AddChild(parent_, true);
  }
  // A horizontal slider 200 long with a 20 x 10 thumb.
  TSlider* MakeSlider() {
    auto* slider = new TSlider;
    slider->SetName("vol");
    slider->SetHorizontal(true);
    slider->SetSize(200, 10);
    parent_->AddChild(slider, true);
    slider->SetThumbImages(Anonymous(20, 10), Anonymous(20, 10));
    return slider;
  }
  Probe* parent_ = nullptr;
};

TEST_F(SliderTest, ValueIsClampedAndPlacesTheThumb) {
  TSlider* slider = MakeSlider();
  struct Case {
    float value, want;
    int thumbX;
  } cases[] = {{1.7f, 1.0f, 180}, {-0.2f, 0.0f, 0}, {0.5f, 0.5f, 90}, {0.999f, 0.999f, 179}};
  for (const Case& c : cases) {
    slider->SetValue(c.value, true);
    EXPECT_FLOAT_EQ(slider->GetValue(), c.want) << c.value;
    EXPECT_EQ(slider->GetThumb()->GetRect().left, c.thumbX) << c.value;
  }
  EXPECT_TRUE(log_.empty());  // silent
  slider->SetValue(0.25f, false);
  EXPECT_EQ(log_, std::vector<std::string>{"panel:msg vol"});
}

TEST_F(SliderTest, VerticalThumbMovesDownAndLayoutSizesAcross) {
  auto* slider = new TSlider;
  slider->SetSize(5, 100);
  parent_->AddChild(slider, true);
  slider->SetRails(Anonymous(12, 4), Anonymous(8, 4), nullptr);
  EXPECT_EQ(slider->GetWidth(), 12);
  slider->SetThumbImages(Anonymous(30, 10), nullptr);
  EXPECT_EQ(slider->GetWidth(), 30);  // the thumb is wider than the rail
  EXPECT_EQ(slider->GetHeight(), 100);
  slider->SetValue(1.0f, true);
  EXPECT_EQ(slider->GetThumb()->GetRect().top, 90);
  EXPECT_EQ(slider->GetThumb()->GetRect().left, 0);
}

TEST_F(SliderTest, DraggingFollowsThePointerAndReportsEveryStep) {
  TSlider* slider = MakeSlider();
  EXPECT_TRUE(slider->OnMouseDown({5, 5}));  // on the thumb
  EXPECT_TRUE(slider->IsDragging());
  EXPECT_TRUE(slider->OnMouseMove({100, 5}));
  EXPECT_FLOAT_EQ(slider->GetValue(), 0.5f);
  EXPECT_TRUE(slider->OnMouseMove({450, 40}));  // past the end, outside: still dragging
  EXPECT_FLOAT_EQ(slider->GetValue(), 1.0f);
  EXPECT_TRUE(slider->OnMouseMove({500, 40}));
  EXPECT_FLOAT_EQ(slider->GetValue(), 1.0f);
  EXPECT_EQ(log_.size(), 3u);  // every move sends a change
  EXPECT_TRUE(slider->OnMouseLeave());
  EXPECT_TRUE(slider->IsDragging());  // leaving does not drop the thumb
  log_.clear();
  EXPECT_TRUE(slider->OnMouseUp({500, 40}));
  EXPECT_FALSE(slider->IsDragging());
  EXPECT_EQ(log_, std::vector<std::string>{"panel:msg vol"});
  EXPECT_FALSE(slider->OnMouseUp({0, 0}));   // not dragging
  EXPECT_FALSE(slider->OnMouseMove({0, 0})); // a move without dragging changes nothing
  EXPECT_FLOAT_EQ(slider->GetValue(), 1.0f);
}

// Records the slider messages by type.
class TypeProbe : public TWindow {
 public:
  bool OnMessage(TMessage& m) override {
    types.push_back(m.GetType());
    return true;
  }
  std::vector<int32_t> types;
};

TEST_F(SliderTest, ClicksBesideTheThumbPageWithoutMovingIt) {
  auto* probe = new TypeProbe;
  probe->SetSize(400, 100);
  screen_->AddChild(probe, true);
  auto* slider = new TSlider;
  slider->SetHorizontal(true);
  slider->SetSize(200, 10);
  probe->AddChild(slider, true);
  slider->SetThumbImages(Anonymous(20, 10), nullptr);
  slider->SetValue(0.5f, true);  // thumb at 90..110
  slider->OnMouseDown({10, 5});
  slider->OnMouseDown({150, 5});
  slider->OnMouseDown({95, 5});  // on the thumb: a drag starts
  slider->OnMouseMove({40, 5});
  slider->OnMouseUp({40, 5});
  EXPECT_EQ(probe->types, (std::vector<int32_t>{kSliderPageUp, kSliderPageDown, kSliderValChanged, kSliderMouseUp}));
  EXPECT_FLOAT_EQ(slider->GetValue(), 0.2f);
}

TEST_F(SliderTest, ThumbShowsTheRolloverImageUnderThePointer) {
  auto* slider = new TSlider;
  slider->SetHorizontal(true);
  slider->SetSize(200, 10);
  parent_->AddChild(slider, true);
  auto normal = Anonymous(20, 10), rollover = Anonymous(20, 10);
  slider->SetThumbImages(normal, rollover);
  slider->OnMouseMove({5, 5});
  EXPECT_EQ(slider->GetThumb()->GetTexture(), rollover);
  slider->OnMouseMove({150, 5});
  EXPECT_EQ(slider->GetThumb()->GetTexture(), normal);
  slider->OnMouseMove({5, 5});
  slider->OnMouseLeave();
  EXPECT_EQ(slider->GetThumb()->GetTexture(), normal);
}

TEST_F(SliderTest, StyleTablesChooseTheDirectionAndSetTheValueQuietly) {
  Texture("thumb.png", 16, 16);
  Texture("thumbover.png", 16, 16);
  Texture("top.png", 10, 6);
  Texture("mid.png", 10, 2);
  Texture("bot.png", 10, 6);
  ASSERT_EQ(Run("MakeDialog{ Window{ name='host', w=400, h=300,"
                "  Slider{ name='h', w=200, h=20, value=0.5, sliderimage='thumb.png', sliderrollimage='thumbover.png',"
                "    railtop='top.png', railmid='mid.png', railbot='bot.png' },"
                "  Slider{ name='v', w=20, h=200, sliderimage='thumb.png', yoffset=3 },"
                "  Slider{ name='forced', w=20, h=200, hslider=true, sliderimage='thumb.png' } } }"),
            0);
  auto* h = KindCast<TSlider>(screen_->FindChild("h", -1));
  auto* v = KindCast<TSlider>(screen_->FindChild("v", -1));
  auto* forced = KindCast<TSlider>(screen_->FindChild("forced", -1));
  ASSERT_TRUE(h && v && forced);
  EXPECT_TRUE(h->IsHorizontal());
  EXPECT_FALSE(v->IsHorizontal());
  EXPECT_TRUE(forced->IsHorizontal());
  EXPECT_FLOAT_EQ(h->GetValue(), 0.5f);
  EXPECT_EQ(h->GetThumb()->GetRect().left, 92);  // 0.5 * (200 - 16)
  EXPECT_EQ(h->GetHeight(), 16);                 // the thumb is thicker than the 10-wide rail
  EXPECT_EQ(v->GetWidth(), 19);                  // offset 3 plus the thumb's 16
  EXPECT_EQ(v->GetThumb()->GetRect().left, 3);
  EXPECT_EQ(h->GetThumb()->GetParent(), h);
  EXPECT_TRUE(log_.empty());  // "value" sends nothing
}

TEST_F(SliderTest, RailDrawsThreePiecesAlongTheSlider) {
  auto top = Anonymous(10, 6), mid = Anonymous(8, 2), bot = Anonymous(10, 4);
  auto* slider = new TSlider;
  slider->SetSize(5, 100);
  parent_->AddChild(slider, true);
  slider->SetRails(top, mid, bot);
  slider->Draw();
  ASSERT_EQ(triangles_.size(), 18u);
  EXPECT_EQ(triangleTextures_, (std::vector<TTexture*>{top.get(), mid.get(), bot.get()}));
  auto span = [&](int piece) {
    float minY = 1e9f, maxY = -1e9f, minX = 1e9f, maxX = -1e9f;
    for (int i = 0; i < 6; ++i) {
      const TTransformedVertex& v = triangles_[piece * 6 + i];
      minY = std::min(minY, v.y);
      maxY = std::max(maxY, v.y);
      minX = std::min(minX, v.x);
      maxX = std::max(maxX, v.x);
    }
    return std::vector<float>{minX, maxX, minY, maxY};
  };
  EXPECT_EQ(span(0), (std::vector<float>{0, 10, 0, 6}));
  EXPECT_EQ(span(1), (std::vector<float>{1, 9, 6, 96}));  // stretched, centred across
  EXPECT_EQ(span(2), (std::vector<float>{0, 10, 96, 100}));
  EXPECT_FLOAT_EQ(triangles_[0].z, 0.1f);
  EXPECT_EQ(triangles_[0].diffuse, 0xFFFFFFFFu);
  EXPECT_EQ(triangles_[0].specular, 0xFF000000u);

  // Without the middle piece the ends meet; a horizontal slider lays them along x.
  triangles_.clear();
  slider->SetRails(top, nullptr, bot);
  slider->SetHorizontal(true);
  slider->SetSize(100, 10);
  slider->Draw();
  ASSERT_EQ(triangles_.size(), 12u);
  float bottomStart = 1e9f;
  for (int i = 6; i < 12; ++i) bottomStart = std::min(bottomStart, triangles_[i].x);
  EXPECT_FLOAT_EQ(bottomStart, 6.0f);
  float maxY = 0;
  for (const auto& v : triangles_) maxY = std::max(maxY, v.y);
  EXPECT_FLOAT_EQ(maxY, 10.0f);
}

TEST_F(SliderTest, WithoutParentNothingIsSent) {
  TSlider slider;
  slider.SetSize(100, 10);
  slider.SetHorizontal(true);
  slider.SetThumbImages(Anonymous(10, 10), nullptr);
  slider.SetValue(0.3f, false);
  EXPECT_FLOAT_EQ(slider.GetValue(), 0.3f);
  EXPECT_TRUE(log_.empty());
}

}  // namespace
