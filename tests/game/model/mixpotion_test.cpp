// Mix-potion play: the mixing rule, how pipes join and what shape and colour suffix each gets,
// pouring, mixing to a wrong and to the right colour, reset, and a board saved and loaded again.
#include "minigamefixture.h"
#include "mixpotionboard.h"

namespace {

using mixpotiontest::kBoard;

const CMixPotionPipe& Pipe(const CMixPotionMiniGame& g, int32_t id) {
  for (const auto& p : g.GetPipes()) {
    if (p->id == id) return *p;
  }
  throw std::runtime_error("no pipe");
}

}  // namespace

using MixPotionTest = MiniGameTest;

TEST(MixPotionColors, MixingRule) {
  struct Case {
    int32_t a, b, colorSystem, count, result;
  };
  const Case cases[] = {
      {0, 0, 1, 2, 0}, {3, 3, 1, 2, 3},  // equal colours stay
      {1, 5, 1, 2, 1}, {5, 2, 1, 2, 2},  // with no colour: unchanged
      {5, 5, 1, 2, 5},
      {0, 2, 1, 2, 3},                   // green and black give purple
      {2, 3, 1, 2, 0}, {3, 2, 1, 2, 0},  // black and purple give green
      {0, 3, 1, 2, 1}, {0, 1, 1, 2, 2}, {1, 2, 1, 2, 3},
      {7, 7, 1, 2, 7}, {7, 5, 1, 2, 7}, {7, 0, 1, 2, 5},  // codes outside the four
      {0, 2, 0, 2, 5}, {0, 0, 2, 2, 5},  // other colour systems never mix
      {2, 0, 0, 1, 2},                   // one stream passes whatever the system
      {0, 0, 1, 0, 5}, {0, 0, 1, 3, 5},
  };
  for (const Case& c : cases) {
    const int32_t values[2] = {c.a, c.b};
    EXPECT_EQ(MixPotionMixColors(values, c.count, c.colorSystem), c.result)
        << c.a << "+" << c.b << " system " << c.colorSystem << " count " << c.count;
  }
  EXPECT_STREQ(MixPotionColorLetter(3), "p");
  EXPECT_STREQ(MixPotionColorLetter(5), "u");
  EXPECT_STREQ(MixPotionColorLetter(4), "");
}

TEST_F(MixPotionTest, PipesJoinIntoShapes) {
  auto* g = Load<CMixPotionMiniGame>(kBoard);
  ASSERT_EQ(g->GetSources().size(), 2u);
  EXPECT_EQ(g->GetSources()[0]->id, 1);
  EXPECT_EQ(g->GetSources()[1]->id, 2);
  ASSERT_EQ(g->GetOutlets().size(), 1u);
  EXPECT_EQ(g->GetOutlets()[0]->id, 5);
  // Sorted by h, stably.
  std::vector<int32_t> order;
  for (const auto& p : g->GetPipes()) order.push_back(p->id);
  EXPECT_EQ(order, (std::vector<int32_t>{1, 2, 4, 3, 5}));

  const std::pair<int32_t, int32_t> kinds[] = {{1, 3}, {2, 3}, {4, 5}, {3, 6}, {5, 3}};
  for (auto [id, kind] : kinds) EXPECT_EQ(Pipe(*g, id).GetPipeKind(), kind) << id;
  EXPECT_EQ(Pipe(*g, 3).ImageSuffix(), "_uuu");  // merge before anything flows
  EXPECT_EQ(Pipe(*g, 4).ImageSuffix(), "_u");

  // A merge fed from both sides is not open upwards: it has no shape.
  CMixPotionMiniGame sideways;
  for (auto [id, x, y, link] : {std::tuple{1, 0, 1, 3}, {2, 2, 1, 3}, {3, 1, 1, 4}, {4, 1, 2, 0}}) {
    auto p = std::make_unique<CMixPotionPipe>();
    p->id = id, p->x = x, p->y = y;
    if (link) p->links = {link};
    sideways.AddPipe(std::move(p));
  }
  sideways.ConnectPipes();
  EXPECT_EQ(Pipe(sideways, 3).GetPipeKind(), CMixPotionPipe::kNoShape);
  EXPECT_EQ(Pipe(sideways, 1).GetPipeKind(), 5);  // a funnel turning right: up and right
  EXPECT_EQ(Pipe(sideways, 2).GetPipeKind(), 4);  // up and left
}

TEST_F(MixPotionTest, PouringAndAWrongMix) {
  auto* g = Load<CMixPotionMiniGame>(kBoard);
  EXPECT_FALSE(g->AllSourcesFilled());
  EXPECT_TRUE(g->SetSourceColor(0, 0));
  EXPECT_FALSE(g->SetSourceColor(0, 3));  // already holds a colour: unchanged
  EXPECT_EQ(g->GetSources()[0]->colour, 0);
  EXPECT_FALSE(g->SetSourceColor(2, 3));  // no such funnel
  EXPECT_FALSE(g->AllSourcesFilled());
  EXPECT_TRUE(g->SetSourceColor(1, 2));
  EXPECT_TRUE(g->AllSourcesFilled());

  g->Mix();  // green and black make purple, not the orange wanted
  EXPECT_EQ(g->GetOutlets()[0]->colour, 3);
  EXPECT_EQ(Pipe(*g, 3).ImageSuffix(), "_gpb");  // up green, down its own purple, left black
  EXPECT_EQ(Pipe(*g, 4).ImageSuffix(), "_b");
  EXPECT_EQ(g->GetOutlets()[0]->ImageSuffix(), "_p");
  EXPECT_FALSE(g->IsWon());

  g->ResetAll(true, true);
  EXPECT_FALSE(g->AllSourcesFilled());
  EXPECT_EQ(g->GetOutlets()[0]->colour, 5);
}

TEST_F(MixPotionTest, PlaysToAWinFromTheStart) {
  auto* g = Load<CMixPotionMiniGame>(kBoard);
  EXPECT_FALSE(g->IsWon());
  g->SetSourceColor(0, 0);  // green
  g->SetSourceColor(1, 3);  // purple
  g->Mix();
  EXPECT_EQ(Pipe(*g, 3).colour, 1);
  EXPECT_TRUE(g->IsWon());
  EXPECT_EQ(g->GetSources()[1]->colour, 3);  // funnels keep what was poured

  g->colorSystem = 0;  // no mixing: the merge yields no colour
  g->Mix();
  EXPECT_EQ(g->GetOutlets()[0]->colour, 5);
  EXPECT_FALSE(g->IsWon());

  g->colorSystem = 1;
  g->needColors.clear();  // fewer wanted colours than flasks: never won
  g->Mix();
  EXPECT_FALSE(g->IsWon());
}

TEST_F(MixPotionTest, ASavedBoardReloadsAndPlays) {
  auto* g = Load<CMixPotionMiniGame>(kBoard);
  g->SetSourceColor(0, 0);
  const std::string before = GameText();
  g = Reload<CMixPotionMiniGame>();
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(GameText(), before);
  EXPECT_EQ(g->givenColors, (std::vector<int32_t>{0, 2, 3}));
  EXPECT_EQ(g->needColors, (std::vector<int32_t>{1}));
  EXPECT_EQ(Pipe(*g, 3).GetPipeKind(), 6);
  // Poured colours are not kept: a mini-game opens with empty funnels.
  EXPECT_FALSE(g->AllSourcesFilled());
  g->SetSourceColor(0, 3);
  g->SetSourceColor(1, 0);
  g->Mix();
  EXPECT_TRUE(g->IsWon());
}

TEST_F(MixPotionTest, PipesJoinedInARingStillMix) {
  auto* g = Load<CMixPotionMiniGame>(R"(
MakeMixPotionMiniGame { seqId = 1, colorSystem = 1,
  MakeMixPotionNeedColors { "green" },
  MakeMixPotionPipe { id = 1, x = 0, y = 0, h = 1, {2} },
  MakeMixPotionPipe { id = 2, x = 0, y = 1, h = 2, {3} },
  MakeMixPotionPipe { id = 3, x = 0, y = 2, h = 3, {2, 4} },
  MakeMixPotionPipe { id = 4, x = 0, y = 3, h = 4 } })");
  g->SetSourceColor(0, 0);
  g->Mix();
  // The mix ends, and green runs round the ring and on into the flask.
  EXPECT_EQ(g->GetOutlets()[0]->colour, 0);
  EXPECT_TRUE(g->IsWon());
}
