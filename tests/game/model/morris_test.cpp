// Nine men's morris play: moving stones along lines, refused moves, the sliding mode, the win
// test, the solving word, lists of different lengths, and a half-done board saved and reloaded.
#include "minigamefixture.h"

namespace {

// A row of three fields 0-1-2 and field 3 below field 0. Stone 1 on field 0 must reach field 1;
// stone 2 on field 2 stays; two fields are empty, so stones move by two clicks.
const char kBoard[] = R"(
MakeNineMensMorrisGame { seqId = 1, filepath = "morris/",
  { { xPos = 250, yPos = 150, statusStart = 1, statusEnd = 0, {1, 3} },
    { xPos = 400, yPos = 150, statusStart = 0, statusEnd = 1, {0, 2} },
    { xPos = 550, yPos = 150, statusStart = 2, statusEnd = 2, {1} },
    { xPos = 250, yPos = 300, statusStart = 0, statusEnd = 0, {0} } } }
)";

std::string Board(const CNineMensMorrisGame& g) {
  std::string s;
  for (const auto& f : g.GetFields()) s += static_cast<char>('0' + f.status);
  return s;
}

using Click = CNineMensMorrisGame::TClick;

}  // namespace

using MorrisTest = MiniGameTest;

TEST_F(MorrisTest, ClicksAndTheirResults) {
  auto* g = Load<CNineMensMorrisGame>(kBoard);
  ASSERT_FALSE(g->IsSlidingMode());
  struct Step {
    int32_t field;
    Click::Kind kind;
    const char* board;
  };
  const Step steps[] = {
      {1, Click::kNothing, "1020"},   // an empty field with nothing picked up
      {0, Click::kSelected, "1020"},
      {0, Click::kRefused, "1020"},   // onto itself: not its own neighbour
      {0, Click::kSelected, "1020"},
      {2, Click::kRefused, "1020"},   // not linked
      {2, Click::kSelected, "1020"},
      {0, Click::kRefused, "1020"},   // linked? no: 2 joins only 1
      {2, Click::kSelected, "1020"},
      {1, Click::kMoved, "1200"},
      {0, Click::kSelected, "1200"},
      {1, Click::kRefused, "1200"},   // occupied
      {9, Click::kNothing, "1200"},   // no such field
  };
  for (const Step& s : steps) {
    const Click c = g->ClickField(s.field);
    EXPECT_EQ(c.kind, s.kind) << s.field;
    EXPECT_EQ(Board(*g), s.board) << s.field;
  }
  EXPECT_EQ(g->GetSelected(), -1);
}

TEST_F(MorrisTest, PlaysToAWinFromTheStart) {
  auto* g = Load<CNineMensMorrisGame>(kBoard);
  // 1020: stone 1 is on field 0 and wanted on field 1. Its place is empty, but a board counts
  // as won only where every stone stands right.
  EXPECT_FALSE(g->IsWon());
  g->ClickField(0);
  const Click c = g->ClickField(1);
  EXPECT_EQ(c.kind, Click::kMoved);
  EXPECT_EQ(c.from, 0);
  EXPECT_EQ(c.to, 1);
  EXPECT_TRUE(c.won);
  EXPECT_EQ(Board(*g), "0120");
}

TEST_F(MorrisTest, ABoardWithOneGapSlides) {
  auto* g = Load<CNineMensMorrisGame>(R"(
MakeNineMensMorrisGame { seqId = 1, filepath = "m/",
  { { xPos = 0, yPos = 0, statusStart = 1, statusEnd = 2, {1} },
    { xPos = 1, yPos = 0, statusStart = 2, statusEnd = 0, {0, 2} },
    { xPos = 2, yPos = 0, statusStart = 0, statusEnd = 1, {1} } } })");
  ASSERT_TRUE(g->IsSlidingMode());
  EXPECT_EQ(g->ClickField(2).kind, Click::kNothing);  // the gap itself
  EXPECT_EQ(g->ClickField(0).kind, Click::kRefused);  // not beside the gap
  Click c = g->ClickField(1);
  EXPECT_EQ(c.kind, Click::kMoved);
  EXPECT_FALSE(c.won);
  EXPECT_EQ(Board(*g), "102");
  c = g->ClickField(0);
  EXPECT_EQ(Board(*g), "012");
  EXPECT_FALSE(c.won);  // 2 on field 2 is wanted on field 0
}

TEST_F(MorrisTest, TheSolvingWordSolvesTheBoard) {
  auto* g = Load<CNineMensMorrisGame>(kBoard);
  for (char c : std::string("mimil")) EXPECT_FALSE(g->TypeKey(c)) << c;
  EXPECT_EQ(Board(*g), "1020");
  EXPECT_TRUE(g->TypeKey('l'));
  EXPECT_EQ(Board(*g), "0120");
  EXPECT_TRUE(g->IsWon());
}

TEST_F(MorrisTest, ListsOfDifferentLengthsBuildOnlyWholeFields) {
  auto* g = Load<CNineMensMorrisGame>(kBoard);
  g->statusEnds.pop_back();
  g->BuildFields();
  EXPECT_EQ(g->GetFields().size(), 3u);
  EXPECT_TRUE(Logged("field lists of different lengths"));
  // Field 3 is left out; the remaining board has a single gap and slides.
  EXPECT_TRUE(g->IsSlidingMode());
  EXPECT_EQ(g->ClickField(3).kind, Click::kNothing);
  EXPECT_EQ(g->ClickField(0).kind, Click::kMoved);
}

TEST_F(MorrisTest, AHalfDoneBoardReloadsAsItStood) {
  auto* g = Load<CNineMensMorrisGame>(R"(
MakeNineMensMorrisGame { seqId = 1, filepath = "m/",
  { { xPos = 0, yPos = 0, statusStart = 1, statusEnd = 0, {1} },
    { xPos = 1, yPos = 0, statusStart = 0, statusEnd = 0, {0, 2} },
    { xPos = 2, yPos = 0, statusStart = 0, statusEnd = 1, {1} } } })");
  g->ClickField(0);
  g->ClickField(1);
  ASSERT_EQ(Board(*g), "010");
  g->ClickField(1);  // picked up when the save is made: the pick is not kept
  g = Reload<CNineMensMorrisGame>();
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(Board(*g), "010");
  EXPECT_EQ(g->GetSelected(), -1);
  EXPECT_EQ(g->GetFields()[2].statusEnd, 1);
  g->ClickField(1);
  EXPECT_TRUE(g->ClickField(2).won);
}
