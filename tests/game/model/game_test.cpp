// The game root: levels and the scenes found through them, the start and current scene, item
// definitions, and the hint tables.
#include "model/scenekinds.h"
#include "modelfixture.h"

namespace {

std::unique_ptr<CLevel> Level(int32_t id, std::initializer_list<int32_t> scenes) {
  auto level = std::make_unique<CLevel>();
  level->SetSeqId(id);
  for (int32_t s : scenes) {
    auto scene = std::make_unique<CChapterScreen>();
    scene->SetSeqId(s);
    scene->SetTitle("level " + std::to_string(id));
    level->AddScene(std::move(scene));
  }
  return level;
}

const char* TitleOf(CScene* scene) { return dynamic_cast<CChapterScreen*>(scene)->GetTitle(); }

}  // namespace

using GameTest = ModelTest;

TEST_F(GameTest, ALevelReplacedByIdTakesItsScenesAlong) {
  CGame* game = CGame::CreateInstance();
  game->AddLevel(Level(1, {10, 11}));
  game->AddLevel(Level(1, {12}));
  EXPECT_EQ(game->FindScene(10), nullptr);
  EXPECT_NE(game->FindScene(12), nullptr);
  EXPECT_EQ(game->GetLevels().size(), 1u);
  game->RemoveLevel(7);
  game->RemoveLevel(1);
  EXPECT_EQ(game->FindScene(12), nullptr);
}

TEST_F(GameTest, TheLowerLevelAnswersForASceneHeldTwice) {
  CGame* game = CGame::CreateInstance();
  game->AddLevel(Level(5, {1}));
  game->AddLevel(Level(2, {1}));
  EXPECT_STREQ(TitleOf(game->FindScene(1)), "level 2");
  game->SetCurrentScene(1);
  Run("l = GetCurrentLevel()");
  EXPECT_EQ(GlobalNumber("l"), 2);
  game->SetCurrentScene(99);
  Run("l = GetCurrentLevel()");
  EXPECT_EQ(GlobalNumber("l"), -1);
  EXPECT_EQ(game->GetCurrentScene(), nullptr);
}

TEST_F(GameTest, TheStartSceneBecomesCurrentOnlyWhileNoneIsSet) {
  CGame* game = CGame::CreateInstance();
  game->SetStartScene(5);
  EXPECT_EQ(game->GetCurrentSceneId(), 5);
  game->SetStartScene(7);
  EXPECT_EQ(game->GetCurrentSceneId(), 5);
  EXPECT_EQ(game->GetStartScene(), 7);
  // A second create keeps the root.
  EXPECT_EQ(CGame::CreateInstance(), game);
}

TEST_F(GameTest, ItemDefinitionsAreReplacedByIdAndLookupsAddNothing) {
  CGame* game = CGame::CreateInstance();
  auto item = std::make_unique<CInventoryItem>();
  item->SetId("key");
  item->SetName("old");
  game->AddInventoryItemDefinition(std::move(item));
  item = std::make_unique<CInventoryItem>();
  item->SetId("key");
  item->SetName("new");
  game->AddInventoryItemDefinition(std::move(item));
  EXPECT_STREQ(game->GetInventoryItem("key")->GetName(), "new");
  EXPECT_EQ(game->GetInventoryItem("lock"), nullptr);
  game->RemoveInventoryItemDefinition("key");
  EXPECT_EQ(game->GetInventoryItem("key"), nullptr);
}

TEST_F(GameTest, HintRoutesAndLocations) {
  CGame* game = CGame::CreateInstance();
  const auto& routes = game->GetHintRoutes();
  ASSERT_EQ(routes.count("003"), 1u);
  EXPECT_EQ(routes.at("003").size(), 4u);
  EXPECT_EQ(routes.at("003")[1].targetScene, "301");
  EXPECT_EQ(routes.at("003")[1].exitId, "003_adv_exit_pfuhl");
  EXPECT_EQ(routes.size(), 15u);
  EXPECT_EQ(game->GetLocationOfScene(100201), "");
  game->AddLocationScene("001", 100201);
  EXPECT_EQ(game->GetLocationOfScene(100201), "001");
}
