// Placing-pictures play: lifting and dropping pictures, drops that find no free area, the win
// test, areas whose ids leave gaps, and a half-done board saved and reloaded.
#include "minigamefixture.h"

namespace {

// Three 100-pixel areas in a row with ids 1, 2 and 4; pictures 1 and 2 lie swapped on the first
// two, the third is free.
const char kBoard[] = R"(
MakePlacingPicturesGame { seqId = 1, filepath = "pics/",
  hotspots = {
    { id = "1", imageStart = "2", imageEnd = "1", xPos1 = 0, xPos2 = 100, xPos3 = 100, xPos4 = 0,
      yPos1 = 0, yPos2 = 0, yPos3 = 100, yPos4 = 100 },
    { id = "2", imageStart = "1", imageEnd = "2", xPos1 = 200, xPos2 = 300, xPos3 = 300, xPos4 = 200,
      yPos1 = 0, yPos2 = 0, yPos3 = 100, yPos4 = 100 },
    { id = "4", imageStart = "", imageEnd = "", xPos1 = 400, xPos2 = 500, xPos3 = 500, xPos4 = 400,
      yPos1 = 0, yPos2 = 0, yPos3 = 100, yPos4 = 100 } } }
)";

// The same board with its areas given as the scene's own hotspots (listed out of order), the
// hotspots list naming only the picture that belongs on each.
const char kBoardAsSceneHotspots[] = R"(
MakePlacingPicturesGame { seqId = 1, filepath = "pics/",
  MakeSceneHotspot { id = "4", name = "", positionX1 = 400, positionY1 = 0, positionX2 = 500, positionY2 = 0,
    positionX3 = 500, positionY3 = 100, positionX4 = 400, positionY4 = 100 },
  MakeSceneHotspot { id = "1", name = "2", positionX1 = 0, positionY1 = 0, positionX2 = 100, positionY2 = 0,
    positionX3 = 100, positionY3 = 100, positionX4 = 0, positionY4 = 100 },
  MakeSceneHotspot { id = "2", name = "1", positionX1 = 200, positionY1 = 0, positionX2 = 300, positionY2 = 0,
    positionX3 = 300, positionY3 = 100, positionX4 = 200, positionY4 = 100 },
  hotspots = { { imageEnd = "1" }, { imageEnd = "2" }, { imageEnd = "" } } }
)";

std::string Board(const CPlacingPicturesGame& g) {
  std::string s;
  for (const auto& a : g.areas) s += a.current.empty() ? std::string("-") : a.current;
  return s + (g.GetHeld().empty() ? "" : " holding " + g.GetHeld());
}

}  // namespace

using PicturesTest = MiniGameTest;

TEST_F(PicturesTest, MovesAndTheirResults) {
  auto* g = Load<CPlacingPicturesGame>(kBoard);
  ASSERT_EQ(Board(*g), "21-");
  EXPECT_FALSE(g->DropAt(450, 50));  // nothing held
  EXPECT_FALSE(g->Lift("7"));        // not on the board
  EXPECT_TRUE(g->Lift("2"));
  EXPECT_EQ(Board(*g), "-1- holding 2");
  EXPECT_FALSE(g->Lift("1"));        // one at a time
  EXPECT_FALSE(g->DropAt(250, 50));  // occupied: still held
  EXPECT_FALSE(g->DropAt(150, 50));  // between the areas
  EXPECT_EQ(g->FreeAreaAt(100, 100), 0);  // edges count
  EXPECT_TRUE(g->DropAt(450, 50));   // the area with id 4, third in the list
  EXPECT_EQ(Board(*g), "-12");
  EXPECT_FALSE(g->IsWon());
}

TEST_F(PicturesTest, PlaysToAWinFromTheStart) {
  auto* g = Load<CPlacingPicturesGame>(kBoard);
  EXPECT_FALSE(g->IsWon());
  const std::tuple<const char*, int32_t, int32_t> moves[] = {{"2", 450, 50}, {"1", 50, 50}, {"2", 250, 50}};
  for (const auto& [picture, x, y] : moves) {
    EXPECT_FALSE(g->IsWon());
    ASSERT_TRUE(g->Lift(picture));
    EXPECT_FALSE(g->IsWon());  // lifting frees the area at once
    ASSERT_TRUE(g->DropAt(x, y));
  }
  EXPECT_EQ(Board(*g), "12-");
  EXPECT_TRUE(g->IsWon());
  g->BuildBoard();  // back to the start
  EXPECT_EQ(Board(*g), "21-");
}

TEST_F(PicturesTest, AHalfDoneBoardReloadsAsItLay) {
  auto* g = Load<CPlacingPicturesGame>(kBoard);
  g->Lift("2");
  g->DropAt(450, 50);
  g->Lift("1");  // in hand when saved: it is saved where it was lifted from
  g = Reload<CPlacingPicturesGame>();
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(Board(*g), "-12");
  EXPECT_EQ(g->areas[2].id, "4");
  EXPECT_EQ(g->areas[0].imageEnd, "1");
  g->Lift("1");
  g->DropAt(50, 50);
  g->Lift("2");
  g->DropAt(250, 50);
  EXPECT_TRUE(g->IsWon());
}

TEST_F(PicturesTest, AHeldPictureGoesBackWhenPlayStops) {
  auto* g = Load<CPlacingPicturesGame>(kBoard);
  g->Lift("1");
  g->ReturnHeld();
  EXPECT_EQ(Board(*g), "21-");
}

TEST_F(PicturesTest, AreasGivenAsSceneHotspotsBecomeTheBoardInIdOrder) {
  auto* g = Load<CPlacingPicturesGame>(kBoardAsSceneHotspots);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(Board(*g), "21-");
  ASSERT_EQ(g->areas.size(), 3u);
  EXPECT_EQ(g->areas[2].id, "4");  // the gap in the ids is skipped
  EXPECT_EQ(g->areas[1].x[0], 200);
  EXPECT_EQ(g->areas[0].imageEnd, "1");
  EXPECT_EQ(g->GetSceneHotspotCount(), 0u);  // they are areas now, not hotspots of the scene
  ASSERT_TRUE(g->Lift("2"));
  ASSERT_TRUE(g->DropAt(450, 50));
  g = Reload<CPlacingPicturesGame>();  // saved in the list form, as it lies
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(Board(*g), "-12");
  const std::tuple<const char*, int32_t, int32_t> moves[] = {{"1", 50, 50}, {"2", 250, 50}};
  for (const auto& [picture, x, y] : moves) {
    ASSERT_TRUE(g->Lift(picture));
    ASSERT_TRUE(g->DropAt(x, y));
  }
  EXPECT_TRUE(g->IsWon());
}

TEST_F(PicturesTest, ClearingTheHotspotListsKeepsOnlyWhatBelongsOnEachArea) {
  auto* g = Load<CPlacingPicturesGame>(kBoard);
  g->ClearHotspotLists();
  ASSERT_EQ(g->areas.size(), 3u);
  EXPECT_EQ(g->areas[0].imageEnd, "1");
  EXPECT_EQ(g->areas[1].imageEnd, "2");
  EXPECT_EQ(g->areas[2].id, "");
  EXPECT_EQ(g->areas[0].imageStart, "");
  EXPECT_EQ(g->areas[1].x[1], 0);
  EXPECT_FALSE(g->AdoptSceneHotspots());  // no scene hotspots: nothing to take
}
