// Building the model from game texts and writing it back: a whole game of every supported kind
// round-trips through its save text, hostile values included, and the reader's rules for keys,
// flags, defaults and nested records hold.
#include <cmath>

#include "model/hiddenobject.h"
#include "model/savetext.h"
#include "model/scenekinds.h"
#include "modelfixture.h"

namespace {

// A new-game text with every record kind the compositor builds (also a seed of the save-text
// fuzz target).
const char kGameFile[] = "fuzz/savetext/game.lua";

}  // namespace

using CompositorTest = ModelTest;

TEST_F(CompositorTest, BuildsEveryKindFromANewGameText) {
  Build(TestData(kGameFile));
  CGame* game = CGame::GetInstance();
  EXPECT_STREQ(game->GetName(), "demo");
  EXPECT_EQ(game->GetCurrentSceneId(), 101);
  EXPECT_STREQ(game->GetCanUseItemSound(), "yes.ogg");
  EXPECT_EQ(game->GetMiniGameSkipButton().fontSize, 18);
  EXPECT_EQ(game->GetLevels().size(), 2u);

  auto* adventure = dynamic_cast<CAdventureScreen*>(game->FindScene(101));
  ASSERT_NE(adventure, nullptr);
  EXPECT_EQ(adventure->GetMinLoop(), 2);
  EXPECT_FALSE(adventure->GetShowHintButton());
  EXPECT_TRUE(adventure->GetShowDiaryButton());
  EXPECT_EQ(adventure->GetSceneExitCount(), 2u);
  CSceneExit* exit = game->FindSceneExit("101_exit");
  ASSERT_NE(exit, nullptr);
  EXPECT_TRUE(exit->IsInside(50, 25));
  EXPECT_EQ(exit->GetCursorStyleId(), 6);
  EXPECT_FALSE(game->FindSceneExit("101_back")->IsActive());
  EXPECT_EQ(game->FindSceneExit("101_back")->GetCursorStyleId(), 4);
  EXPECT_EQ(game->FindSceneHotspot("well")->GetActionMap().size(), 2u);
  EXPECT_EQ(adventure->GetSceneObjectCount(), 2u);
  EXPECT_FALSE(adventure->FindSceneObject("lamp")->IsVisible());
  EXPECT_EQ(adventure->GetTextboxCount(), 2);
  EXPECT_FLOAT_EQ(adventure->GetTextboxRotation(1), -1.25f);
  EXPECT_FLOAT_EQ(adventure->GetTextColor()[1], 128.0f);

  auto* cutscene = dynamic_cast<CCutscene*>(game->FindScene(102));
  ASSERT_NE(cutscene, nullptr);
  EXPECT_EQ(cutscene->GetLetterFontSize(), 24);
  EXPECT_STREQ(cutscene->FindCharacter("anna")->GetImageForMood(kMoodHappy), "anna_h.png");
  EXPECT_EQ(cutscene->FindCharacter("ben")->GetImageForMood(kMoodNormal), nullptr);
  EXPECT_EQ(cutscene->GetScript()->GetItem(2)->GetMood(), 0);

  auto* hog = dynamic_cast<CHiddenObjectGame*>(game->FindScene(201));
  ASSERT_NE(hog, nullptr);
  EXPECT_EQ(hog->GetObjectCount(), 6);
  EXPECT_EQ(hog->GetSTDLeftSideOfActiveSide(), 17);
  EXPECT_EQ(hog->GetGroupIdById("key2"), 1);
  EXPECT_STREQ(hog->GetGroupNameByGroupId(1), "Keys");
  // An inactive member of a group loses its group but keeps the name.
  EXPECT_EQ(hog->GetGroupIdById("coin"), 0);
  EXPECT_STREQ(hog->FindHiddenObject("coin")->GetGroupName(), "Coins");
  EXPECT_STREQ(hog->FindHiddenObject("cup")->GetGroupName(), "none");
  EXPECT_TRUE(hog->IsItemDisplayed("cup"));
  EXPECT_FALSE(hog->AllItemsFound());
  EXPECT_EQ(hog->GetItemListSlots(), (std::vector<std::string>{"cup", "none"}));

  EXPECT_EQ(game->GetInventory().GetHeld(), (std::vector<std::string>{"lamp_item", "water", "lamp_item"}));
  EXPECT_TRUE(game->GetInventoryItem("lamp_item")->HasAction("well"));
  EXPECT_EQ(game->GetLevelIdOfScene(201), 2);
  EXPECT_EQ(game->GetLevelIdOfScene(999), -1);
}

TEST_F(CompositorTest, AWholeGameRoundTripsThroughItsSaveText) {
  Build(TestData(kGameFile));
  CGlobalInformationSystem* globals = CGlobalInformationSystem::GetInstance();
  globals->SetGlobalString("player", "Anna");
  globals->SetGlobalNumber("score", 1234567.0);
  globals->SetGlobalNumber("third", 1.0 / 3.0);
  globals->SetGlobalBool("endGame", false);
  globals->SetGlobalBool("showBriefingWindow", true);
  ExpectRoundTrip();
  EXPECT_EQ(CGlobalInformationSystem::GetInstance()->GetGlobalNumber("third"), 1.0 / 3.0);
  EXPECT_EQ(CGlobalInformationSystem::GetInstance()->GetGlobalNumber("score"), 1234567.0);
  // Read-only keys survive only from the texts that run before the game.
  EXPECT_STREQ(CGame::GetInstance()->GetCanUseItemSound(), "");
  EXPECT_EQ(CGame::GetInstance()->FindScene(101)->GetMinLoop(), 0);
  EXPECT_EQ(dynamic_cast<CHiddenObjectGame*>(CGame::GetInstance()->FindScene(201))
                ->GetSTDLeftSideOfActiveSide(),
            -1);
}

TEST_F(CompositorTest, HostileTextsAndNumbersRoundTripExactly) {
  Build(TestData(kGameFile));
  CGame* game = CGame::GetInstance();
  const std::string hostile[] = {
      "quote \" inside",
      "line\nbreak and \r return",
      "back\\slash \\\" \\n",
      std::string("nul\0byte", 8),
      "\"); os.exit(1); x = (\"",
      "]] [[ -- comment",
  };
  int n = 0;
  for (const std::string& text : hostile) {
    game->SetName(text);
    game->FindSceneExit("101_exit")->SetText(text);
    game->FindSceneHotspot("well")->SetText(text);
    game->FindScene(101)->SetInitScript("greeting = " + savetext::Quoted(text));
    auto* adventure = dynamic_cast<CAdventureScreen*>(game->FindScene(101));
    adventure->FindSceneObject("lamp")->SetText(text);
    adventure->AddTextboxText(text);
    adventure->AddTextboxPosition(INT32_MIN, INT32_MAX);
    adventure->AddTextboxRotation(3.4e38f);
    game->GetInventoryItem("water")->SetDescription(text);
    auto map = std::make_unique<ActionMap>();
    (*map)[text] = std::make_unique<CCommandLua>(text);
    game->GetInventoryItem("water")->SetActionMap(std::move(map));
    game->AddToInventory(text);
    auto* cutscene = dynamic_cast<CCutscene*>(game->FindScene(102));
    cutscene->GetScript()->GetItem(1)->SetText(text);
    cutscene->FindCharacter("anna")->SetImageForMood(kMoodSad, text);
    auto* hog = dynamic_cast<CHiddenObjectGame*>(game->FindScene(201));
    hog->FindHiddenObject("cup")->SetName(text);
    CGlobalInformationSystem* globals = CGlobalInformationSystem::GetInstance();
    globals->SetGlobalString(TString::Format("key \"%d\"\n", n), text.c_str());
    globals->SetGlobalNumber(TString::Format("huge%d", n), 1.7976931348623157e308);
    globals->SetGlobalNumber(TString::Format("tiny%d", n), 4.9406564584124654e-324);
    globals->SetGlobalNumber(TString::Format("inf%d", n), -HUGE_VAL);
    ++n;
  }
  game->SetStartScene(INT32_MIN);
  game->SetCurrentScene(101);
  game->SetSundialShadowCount(-1);
  game->SetHintCount(INT32_MAX);

  const std::string data = GameText();
  ExpectRoundTrip();
  game = CGame::GetInstance();
  EXPECT_EQ(game->GetName(), hostile[5]);
  EXPECT_EQ(game->GetSundialShadowCount(), -1);
  EXPECT_EQ(game->GetStartScene(), INT32_MIN);
  EXPECT_EQ(std::string(game->GetInventoryItem("water")->GetDescription()), hostile[5]);
  EXPECT_EQ(game->GetInventory().GetHeld().back(), hostile[5]);
  EXPECT_TRUE(std::isinf(CGlobalInformationSystem::GetInstance()->GetGlobalNumber("inf0")));
  EXPECT_EQ(CGlobalInformationSystem::GetInstance()->GetGlobalString("key \"3\"\n"), "nul");

  // The init script runs with its text intact.
  CModelCompositor::ReleaseInstance();
  Run(game->FindScene(101)->GetInitScript());
  EXPECT_EQ(GlobalString("greeting"), hostile[5]);
  (void)data;
}

TEST_F(CompositorTest, NotANumberRoundTrips) {
  MakeSingletons();
  CGlobalInformationSystem::GetInstance()->SetGlobalNumber("nan", std::nan(""));
  const std::string state = StateText();
  CGlobalInformationSystem::CreateInstance();
  Run(state);
  EXPECT_TRUE(std::isnan(CGlobalInformationSystem::GetInstance()->GetGlobalNumber("nan")));
  EXPECT_EQ(StateText(), state);
}

TEST_F(CompositorTest, FlagKindsReadTheirWords) {
  struct Case {
    const char* word;
    bool flag;
  };
  for (const Case& c : {Case{"false", false}, Case{"true", true}, Case{"no", true}, Case{"", true},
                        Case{"FALSE", true}, Case{"0", true}}) {
    EXPECT_EQ(CModelCompositor::ParseBool(c.word), c.flag) << c.word;
  }
  for (auto [word, mood] : {std::pair{"normal", 1}, {"happy", 2}, {"sad", 3}, {"grumpy", 0}, {"", 0}}) {
    EXPECT_EQ(CModelCompositor::ParseMood(word), mood) << word;
  }
}

TEST_F(CompositorTest, ReaderRulesForRecords) {
  Build(R"lua(
    MakeGame {
      startScene = 5,
      { modeltype = 0, seqId = 3, { modeltype = 1, seqId = 5, title = "by hand" } },
      MakeChapterScreen { seqId = 6 },
      MakeLevel { seqId = 4, MakeChapterScreen { seqId = 7 }, MakeSceneExit { id = "stray" },
                  MakeHiddenObject { seqId = 8 }, { seqId = 9 } },
      MakeHighscoreSystem { levelCompleteBonus = 7 },
      unknownKey = "ignored",
    }
  )lua");
  CGame* game = CGame::GetInstance();
  ASSERT_NE(game->FindScene(5), nullptr);
  EXPECT_STREQ(dynamic_cast<CChapterScreen*>(game->FindScene(5))->GetTitle(), "by hand");
  EXPECT_EQ(game->FindScene(6), nullptr);  // a scene directly in the game is ignored
  EXPECT_NE(game->FindScene(7), nullptr);
  EXPECT_EQ(game->FindScene(8), nullptr);  // a record that is no scene is skipped
  EXPECT_EQ(game->FindScene(9), nullptr);
  EXPECT_EQ(game->FindSceneExit("stray"), nullptr);

  std::string score;
  CHighscoreSystem::GetInstance()->Serialize(score);
  EXPECT_NE(score.find("\ttimeForClicksForPenalty = 1,\n\ttimeForPenalty = 1,\n"), std::string::npos) << score;
  EXPECT_NE(score.find("\tlevelCompleteBonus = 7,\n"), std::string::npos);
  EXPECT_NE(score.find("\tMakeHOFoundBonus{};\n"), std::string::npos);
}

TEST_F(CompositorTest, LuaBooleansReadAsTheirWords) {
  Build(R"lua(MakeGame { MakeLevel { seqId = 1, MakeAdventureScreen { seqId = 1,
    showHintButton = false, showDiaryButton = true,
    MakeSceneObject { id = "a", isActive = false, isVisible = 0 } },
    MakeUnlockingDoorsMiniGame { seqId = 2, stdLocked = true, MakeUnlockingDoorsBolt { up = true } } } })lua");
  auto* adventure = dynamic_cast<CAdventureScreen*>(CGame::GetInstance()->FindScene(1));
  EXPECT_FALSE(adventure->GetShowHintButton());
  EXPECT_TRUE(adventure->GetShowDiaryButton());
  EXPECT_FALSE(adventure->FindSceneObject("a")->IsActive());
  EXPECT_TRUE(adventure->FindSceneObject("a")->IsVisible());
  std::string lock;
  CGame::GetInstance()->FindScene(2)->Serialize(lock);
  EXPECT_NE(lock.find("\tlocked = \"true\",\n\tup = \"true\""), std::string::npos) << lock;
}

TEST_F(CompositorTest, ALaterActionPairForTheSameTargetWins) {
  Build(R"lua(
    MakeGame { MakeInventoryItem { id = "i", MakeActionMap { {"t", "a = 1"}, {"t", "a = 2"}, "stray", {"u"} } } }
  )lua");
  const ActionMap& map = CGame::GetInstance()->GetInventoryItem("i")->GetActionMap();
  ASSERT_EQ(map.size(), 2u);
  EXPECT_EQ(map.at("t")->GetText(), "a = 2");
  EXPECT_EQ(map.at("u")->GetText(), "");
}

TEST_F(CompositorTest, AnEmptyGameKeepsWhatEarlierTextsSet) {
  MakeSingletons();
  CGame::GetInstance()->SetName("kept");
  CModelCompositor::CreateInstance();
  Run("MakeGame {}");
  EXPECT_STREQ(CGame::GetInstance()->GetName(), "kept");
  EXPECT_TRUE(CModelCompositor::GetInstance()->HasBuiltGame());
  const std::string text = GameText();
  EXPECT_EQ(text.find("MakeLevel"), std::string::npos);
  EXPECT_EQ(text.rfind("\nrequire(\"scripts/game/init.lua\")\nrequire(\"scripts/game/objectives.lua\")\n\nMakeGame\n{\n", 0), 0u) << text;
  EXPECT_NE(text.find("}; -- MakeGame end\n"), std::string::npos);
}

TEST_F(CompositorTest, TagFunctionsReturnTheirTableAndNilForOtherValues) {
  MakeSingletons();
  CModelCompositor::CreateInstance();
  Run("t = {} ; same = MakeLevel(t) == t ; kind = t.modeltype ; twice = MakeCutscene({}).modeltype");
  Run("n = MakeLevel(nil) ; s = MakeSceneExit('text') ; none = MakeLevel()");
  EXPECT_EQ(GlobalType("same"), LUA_TBOOLEAN);
  EXPECT_EQ(GlobalNumber("kind"), 0);
  EXPECT_EQ(GlobalNumber("twice"), 11);
  EXPECT_EQ(GlobalType("n"), LUA_TNIL);
  EXPECT_EQ(GlobalType("s"), LUA_TNIL);
  Run("MakeGame(nil) ; MakeGame(5)");
  EXPECT_FALSE(CModelCompositor::GetInstance()->HasBuiltGame());
}

TEST_F(CompositorTest, ConstructorsOfAReleasedCompositorLogInsteadOfBuilding) {
  MakeSingletons();
  CModelCompositor::CreateInstance();
  CModelCompositor::ReleaseInstance();
  EXPECT_NE(mScript.DoLuaString("MakeGame { name = 'late', MakeLevel { seqId = 1 } }", -1, 0), -1);
  EXPECT_STREQ(CGame::GetInstance()->GetName(), "");
  EXPECT_TRUE(CGame::GetInstance()->GetLevels().empty());
}

TEST_F(CompositorTest, ASavedGameThatFailsToLoadIsReported) {
  Build(TestData(kGameFile));
  const std::string good = GameText();
  struct Case {
    const char* what;
    std::string data;
    std::string state;
    bool ok;
  };
  const Case cases[] = {
      {"good", good, "SetGlobalBool(\"x\", true);", true},
      {"syntax error", good.substr(0, good.size() / 2), "", false},
      {"run error", good + "\nerror('late')", "", false},
      {"no MakeGame", "x = 1", "", false},
      {"no current scene", "MakeGame { currentScene = 4242 }", "", false},
      {"bad state", good, "SetGlobalBool(", false},
      {"precompiled", std::string("\x1bLua") + good, "", false},
      {"reaches other globals", good + "\nSetActive('lamp', false)", "", false},
      {"state reaches other globals", good, "EndLevel()", false},
  };
  for (const Case& c : cases) {
    CGame::DestroyInstance();
    MakeSingletons();
    EXPECT_EQ(LoadSavedGame(mScript, c.data, c.state), c.ok) << c.what;
    EXPECT_EQ(CModelCompositor::GetInstance(), nullptr);
  }
  // A good save loads to the same model; what it assigns stays in its own globals.
  MakeSingletons();
  ASSERT_TRUE(LoadSavedGame(mScript, good + "\nleaked = 1", "SetGlobalBool(\"x\", true); alsoLeaked = 2"));
  EXPECT_EQ(GameText(), good);
  EXPECT_TRUE(CGlobalInformationSystem::GetInstance()->GetGlobalBool("x"));
  EXPECT_EQ(GlobalType("leaked"), LUA_TNIL);
  EXPECT_EQ(GlobalType("alsoLeaked"), LUA_TNIL);
  EXPECT_EQ(GlobalType("__SaveText"), LUA_TNIL);
}

TEST_F(CompositorTest, GameFunctionsReachTheModel) {
  Build(TestData(kGameFile));
  CGame::GetInstance()->SetCurrentScene(201);
  Run("level = GetCurrentLevel() ; d = GetInventoryItemDescription('lamp_item') ;"
      "p = GetInventoryItemPickupImage('lamp_item') ; u = GetInventoryItemDescription('nothing')");
  EXPECT_EQ(GlobalNumber("level"), 2);
  EXPECT_EQ(GlobalString("d"), "It glows");
  EXPECT_EQ(GlobalString("p"), "lamp_big.png");
  EXPECT_EQ(GlobalString("u"), "");
  Run("SetActive('lamp', false) ; SetVisible('lamp', true) ; SetActive('cup', false)");
  auto* adventure = dynamic_cast<CAdventureScreen*>(CGame::GetInstance()->FindScene(101));
  EXPECT_FALSE(adventure->FindSceneObject("lamp")->IsActive());
  EXPECT_TRUE(adventure->FindSceneObject("lamp")->IsVisible());
  auto* hog = dynamic_cast<CHiddenObjectGame*>(CGame::GetInstance()->FindScene(201));
  EXPECT_FALSE(hog->FindHiddenObject("cup")->IsActive());

  CGame::DestroyInstance();
  EXPECT_EQ(mScript.DoLuaString("GetCurrentLevel()", -1, 0), 0);
  EXPECT_TRUE(Logged("GetCurrentLevel")) << Log();
}
