// Jigsaw play: joining pieces that lie right beside each other, snapping onto the picture, the
// tolerance edge, both win rules, reset, and a half-done puzzle saved and loaded again.
#include "minigamefixture.h"

namespace {

// A 2 x 2 picture of 100-pixel pieces whose place on screen starts at (200, 100).
const char kPuzzle[] = R"(
MakeJigsawPuzzle { seqId = 1, offsetX = 200, offsetY = 100, hookPieces = "true",
  stickOnBackground = "true", delta = 10, numberOfGroupsToWin = 1,
  MakeJigsawPiece { id = 1, image = "p1", startPosX = 10, startPosY = 10, endPosX = 0, endPosY = 0, {2, 3} },
  MakeJigsawPiece { id = 2, image = "p2", startPosX = 600, startPosY = 10, endPosX = 100, endPosY = 0, {1, 4} },
  MakeJigsawPiece { id = 3, image = "p3", startPosX = 10, startPosY = 500, endPosX = 0, endPosY = 100, {1, 4} },
  MakeJigsawPiece { id = 4, image = "p4", startPosX = 600, startPosY = 500, endPosX = 100, endPosY = 100, {2, 3} } }
)";

std::string P(int n) { return CJigsawPuzzle::PieceName(n); }

std::pair<int32_t, int32_t> At(const CJigsawPuzzle& j, int n) {
  const CJigsawPiece* p = j.FindPiece(P(n));
  return {p->currentX, p->currentY};
}

}  // namespace

using JigsawTest = MiniGameTest;

TEST_F(JigsawTest, DropsJoinOrLeavePiecesByTheTolerance) {
  struct Case {
    const char* what;
    int32_t x, y;  // where piece 2 is dropped; piece 1 lies at (10, 10)
    bool joined;
  };
  const Case cases[] = {
      {"exactly beside", 110, 10, true},
      {"9 pixels off on both axes", 119, 1, true},
      {"delta off on x", 120, 10, false},
      {"delta off on y", 110, 20, false},
      {"far away", 400, 300, false},
  };
  for (const Case& c : cases) {
    auto* j = Load<CJigsawPuzzle>(kPuzzle);
    j->DropPiece(P(2), c.x, c.y);
    EXPECT_EQ(j->GroupOfPiece(P(1)) == j->GroupOfPiece(P(2)), c.joined) << c.what;
    EXPECT_EQ(j->GetGroups().size(), c.joined ? 3u : 4u) << c.what;
    if (c.joined) {
      // Pulled into exact alignment around the dropped piece.
      EXPECT_EQ(At(*j, 1), (std::pair{c.x - 100, c.y})) << c.what;
    }
  }
}

TEST_F(JigsawTest, AJoinedGroupMovesTogetherAndOneDropCanJoinThreeGroups) {
  auto* j = Load<CJigsawPuzzle>(kPuzzle);
  j->DropPiece(P(4), 110, 110);  // beside nothing
  j->DropPiece(P(2), 110, 10);   // joins 1 (at 10,10) and 4 (at 110,110)
  EXPECT_EQ(j->GetGroups().size(), 2u);
  EXPECT_EQ(j->GroupMembers(P(2)).size(), 3u);

  j->MovePiece(P(2), 300, 300);
  EXPECT_EQ(At(*j, 1), (std::pair{200, 300}));
  EXPECT_EQ(At(*j, 4), (std::pair{300, 400}));
  EXPECT_EQ(At(*j, 3), (std::pair{10, 500}));  // not joined: stays

  // Piece 3 dropped into the corner it shares with 1 and 4 leaves one group of all four.
  j->DropPiece(P(3), 200, 400);
  ASSERT_EQ(j->GetGroups().size(), 1u);
  EXPECT_EQ(j->GetGroups()[0].size(), 4u);
}

TEST_F(JigsawTest, SnappedGroupsAreFixedAndAFarDropIsNotSnapped) {
  auto* j = Load<CJigsawPuzzle>(kPuzzle);
  // A wrong move: dropped well off its place it stays loose where it was put.
  j->DropPiece(P(1), 230, 100);
  EXPECT_TRUE(j->FindPiece(P(1))->movable);
  EXPECT_EQ(At(*j, 1), (std::pair{230, 100}));
  EXPECT_FALSE(j->IsWon());

  j->DropPiece(P(1), 205, 95);  // within tolerance: snaps
  EXPECT_EQ(At(*j, 1), (std::pair{200, 100}));
  EXPECT_FALSE(j->FindPiece(P(1))->movable);
  j->MovePiece(P(1), 0, 0);
  EXPECT_EQ(At(*j, 1), (std::pair{200, 100}));

  // A neighbour dropped beside the fixed piece joins it and the whole group snaps.
  j->DropPiece(P(2), 305, 104);
  EXPECT_EQ(At(*j, 2), (std::pair{300, 100}));
  EXPECT_FALSE(j->FindPiece(P(2))->movable);
}

TEST_F(JigsawTest, PlaysToAWinFromTheStartAndResets) {
  auto* j = Load<CJigsawPuzzle>(kPuzzle);
  EXPECT_FALSE(j->IsWon());
  const int32_t places[4][2] = {{200, 100}, {300, 100}, {200, 200}, {300, 200}};
  for (int n = 1; n <= 4; ++n) {
    j->MovePiece(P(n), 50, 50);  // dragged about first
    j->DropPiece(P(n), places[n - 1][0] + 3, places[n - 1][1] - 3);
    EXPECT_EQ(j->IsWon(), n == 4) << n;
  }
  j->Reset();
  EXPECT_FALSE(j->IsWon());
  EXPECT_EQ(At(*j, 4), (std::pair{600, 500}));
  EXPECT_TRUE(j->FindPiece(P(4))->movable);
  EXPECT_EQ(j->GetGroups().size(), 4u);
}

TEST_F(JigsawTest, WinRulesWithoutSnappingOrJoining) {
  std::string text = kPuzzle;
  text.replace(text.find("stickOnBackground = \"true\""), 26, "stickOnBackground = \"false\"");
  auto* j = Load<CJigsawPuzzle>(text);
  ASSERT_FALSE(j->stickOnBackground);
  // Joined anywhere on screen: a single group wins.
  j->DropPiece(P(2), 110, 10);
  j->DropPiece(P(3), 10, 110);
  EXPECT_FALSE(j->IsWon());
  EXPECT_TRUE(j->FindPiece(P(2))->movable);
  j->DropPiece(P(4), 110, 110);
  EXPECT_TRUE(j->IsWon());

  j->hookPieces = false;
  EXPECT_FALSE(j->IsWon());  // neither rule: never won
  j->Reset();
  j->DropPiece(P(2), 110, 10);
  EXPECT_EQ(j->GetGroups().size(), 4u);  // no joining at all
}

TEST_F(JigsawTest, AHalfDonePuzzleReloadsWherePiecesLay) {
  auto* j = Load<CJigsawPuzzle>(kPuzzle);
  j->DropPiece(P(1), 200, 100);  // on its place
  j->DropPiece(P(4), 450, 420);  // somewhere loose
  j = Reload<CJigsawPuzzle>();
  ASSERT_NE(j, nullptr);
  EXPECT_EQ(At(*j, 1), (std::pair{200, 100}));
  EXPECT_EQ(At(*j, 4), (std::pair{450, 420}));
  EXPECT_EQ(At(*j, 2), (std::pair{600, 10}));
  // Groups and fixing are not stored: every piece is loose again, and play goes on to the win.
  EXPECT_EQ(j->GetGroups().size(), 4u);
  EXPECT_TRUE(j->FindPiece(P(1))->movable);
  j->DropPiece(P(2), 300, 100);
  j->DropPiece(P(3), 200, 200);
  j->DropPiece(P(4), 300, 200);
  EXPECT_TRUE(j->IsWon());
}

TEST_F(JigsawTest, UnknownNamesAreIgnored) {
  auto* j = Load<CJigsawPuzzle>(kPuzzle);
  j->MovePiece("jigsawPiece9", 1, 1);
  j->DropPiece("nothing", 1, 1);
  j->AddNeighbour(P(1), 77);  // names no piece
  j->DropPiece(P(1), 500, 500);
  EXPECT_EQ(j->GetGroups().size(), 4u);
  EXPECT_TRUE(j->GroupMembers("nothing").empty());
}
