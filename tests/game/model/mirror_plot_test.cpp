// The mirrored image's layout (which false images, which places, limits the counts cannot pass)
// and the plot point's timing (strip layout per direction, travel, text fades, the end).
#include <set>

#include "minigamefixture.h"

using MirrorTest = MiniGameTest;
using PlotTest = MiniGameTest;

namespace {

const char kMirror[] = R"(
MakeMirroredImageGame { seqId = 1, amountSelectedFalseImages = 3, amountAllFalseImages = 5,
  filepath = "mirror/", nameFalseImage = "false", nameCorrectImage = "right",
  { {xPos = 10, yPos = 1}, {xPos = 20, yPos = 2}, {xPos = 30, yPos = 3}, {xPos = 40, yPos = 4} } }
)";

}  // namespace

TEST_F(MirrorTest, LayoutsShowDistinctFalseImagesAndTheCorrectOneOnDistinctPlaces) {
  auto* g = Load<CMirroredImageGame>(kMirror);
  TRandom random;
  std::set<int32_t> correctPlaces;
  for (int round = 0; round < 40; ++round) {
    const auto layout = g->MakeLayout(random);
    ASSERT_EQ(layout.size(), 4u);
    std::set<std::string> images;
    std::set<int32_t> places;
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(layout[i].name, "false");
      EXPECT_FALSE(CMirroredImageGame::IsCorrectImage(layout[i].name));
      const int k = std::stoi(layout[i].image.substr(std::string("mirror/false").size()));
      EXPECT_TRUE(k >= 1 && k <= 5) << layout[i].image;
      images.insert(layout[i].image);
      places.insert(layout[i].x);
    }
    EXPECT_EQ(layout[3].image, "mirror/right");
    EXPECT_TRUE(CMirroredImageGame::IsCorrectImage(layout[3].name));
    places.insert(layout[3].x);
    correctPlaces.insert(layout[3].x);
    EXPECT_EQ(images.size(), 3u);
    EXPECT_EQ(places.size(), 4u);
  }
  EXPECT_EQ(correctPlaces.size(), 4u);  // the correct image lands on every place sometimes
}

TEST_F(MirrorTest, CountsBeyondTheImagesOrPlacesShowWhatFits) {
  struct Case {
    int32_t selected, all;
    size_t places, shown;
  };
  const Case cases[] = {
      {0, 5, 4, 1},  // only the correct image
      {3, 2, 4, 3},  // two false images exist
      {3, 5, 2, 2},  // two places
      {3, 5, 0, 0},  // nowhere to show anything
  };
  for (const Case& c : cases) {
    CMirroredImageGame g;
    g.SetAmountSelectedFalseImages(c.selected);
    g.SetAmountAllFalseImages(c.all);
    for (size_t i = 0; i < c.places; ++i) g.positions.emplace_back(static_cast<int32_t>(i), 0);
    TRandom random;
    const auto layout = g.MakeLayout(random);
    EXPECT_EQ(layout.size(), c.shown) << c.selected << " " << c.all << " " << c.places;
    if (c.shown) EXPECT_EQ(layout.back().name, "correct");
    if (c.shown == 1) EXPECT_EQ(layout[0].x, 0);
  }
}

TEST_F(MirrorTest, TheBoardReloadsAndLaysOutAgain) {
  Load<CMirroredImageGame>(kMirror);
  auto* g = Reload<CMirroredImageGame>();
  ASSERT_NE(g, nullptr);
  TRandom random;
  EXPECT_EQ(g->MakeLayout(random).size(), 4u);
}

TEST_F(PlotTest, StripLayoutPerDirection) {
  struct Case {
    const char* direction;
    std::vector<std::pair<int32_t, int32_t>> rest;
    int32_t travelX, travelY;
  };
  // Two 100 x 50 images from (500, 300); the visible stretch ends at (200, 100).
  const Case cases[] = {
      {"up", {{500, 300}, {500, 350}}, 300, 300},
      {"right", {{400, 300}, {300, 300}}, 500, 200},
      {"down", {{500, 250}, {500, 200}}, 300, 300},
      {"left", {{500, 300}, {600, 300}}, 500, 200},
  };
  for (const Case& c : cases) {
    CPlotpoint plot;
    plot.SetDirection(c.direction);
    plot.beginX = 500, plot.beginY = 300, plot.endX = 200, plot.endY = 100;
    const auto strip = plot.LayoutStrip({{100, 50}, {100, 50}});
    EXPECT_EQ(strip.rest, c.rest) << c.direction;
    EXPECT_EQ(strip.travelX, c.travelX) << c.direction;
    EXPECT_EQ(strip.travelY, c.travelY) << c.direction;
  }
}

TEST_F(PlotTest, TheStripTravelsOverTheTextsRunningTimeToTheEnd) {
  auto* plot = Load<CPlotpoint>(R"(
MakePlotpoint { seqId = 1, direction = "left", beginX = 800, beginY = 200, endX = 0, endY = 200,
  MakePlotpointTexts { {"A", 3}, {"B", 4} } })");
  const auto strip = plot->LayoutStrip({{400, 100}, {400, 100}, {400, 100}});
  ASSERT_EQ(strip.travelX, 2000);  // 1200 of images less -800 of stretch
  struct Step {
    uint32_t ms;
    int32_t offsetX;
    bool end;
  };
  const Step steps[] = {{0, 0, false}, {3500, -1000, false}, {7000, -2000, true}, {9000, -2000, true}};
  for (const Step& s : steps) {
    const auto offset = plot->Offset(strip, plot->Progress(s.ms));
    EXPECT_EQ(offset.first, s.offsetX) << s.ms;
    EXPECT_EQ(offset.second, 0);
    EXPECT_EQ(plot->HasReachedEnd(plot->TrailingPoint(strip, offset)), s.end) << s.ms;
  }
  // Without texts it stands at its full travel at once.
  CPlotpoint empty;
  EXPECT_EQ(empty.Progress(0), 1.0);
}

TEST_F(PlotTest, TextsShowInTurnAndFade) {
  CPlotpoint plot;
  plot.AddText("A", 3);
  plot.AddText("B", 4);
  plot.AddText("C", 0);
  struct Case {
    double t;
    int32_t text;
    float alpha;
  };
  const Case cases[] = {
      {0.0, 0, 0.0f}, {0.4, 0, 0.5f}, {1.5, 0, 1.0f}, {2.6, 0, 0.5f}, {3.0, 0, 0.0f},
      {3.2, 1, 0.25f}, {5.0, 1, 1.0f}, {7.0, 1, 0.0f}, {7.5, -1, 0.0f},
  };
  for (const Case& c : cases) {
    float alpha = -1;
    EXPECT_EQ(plot.TextAt(c.t, &alpha), c.text) << c.t;
    if (c.text >= 0) EXPECT_NEAR(alpha, c.alpha, 1e-5) << c.t;
  }
  EXPECT_TRUE(CPlotpoint::InSkipArea(866, 6));
  EXPECT_TRUE(CPlotpoint::InSkipArea(1007, 94));
  EXPECT_FALSE(CPlotpoint::InSkipArea(865, 6));
  EXPECT_FALSE(CPlotpoint::InSkipArea(1007, 95));
}
