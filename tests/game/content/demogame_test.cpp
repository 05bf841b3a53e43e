// The demo's new-game text and its script libraries, run through the real model compositor: every
// scene kind is there, exits and next scenes lead to scenes that exist, items the scenes hand out
// are defined, the labels have texts, the files named are in the assets folder, and what the model
// writes loads back to the same model.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "../model/modelfixture.h"
#include "core/stringtable.h"
#include "model/hiddenobject.h"
#include "model/minigamemodels.h"
#include "model/scenekinds.h"

namespace {

std::string SourceDir() {
  const char* root = std::getenv("TM_SOURCE_DIR");
  return root ? root : TM_CONTENT_SOURCE_DIR;
}

std::string ReadSource(const std::string& rel) {
  std::ifstream in(SourceDir() + "/" + rel, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  if (ss.str().empty()) ADD_FAILURE() << "cannot read " << rel;
  return ss.str();
}

// Every quoted text of a script (in double or single quotes) that matches the pattern.
std::set<std::string> Quoted(const std::string& text, const std::string& pattern) {
  std::set<std::string> out;
  const std::regex re("[\"'](" + pattern + ")[\"']");
  for (std::sregex_iterator it(text.begin(), text.end(), re), end; it != end; ++it) out.insert((*it)[1]);
  return out;
}

const char* const kLibraries[] = {"scripts/game/init.lua", "scripts/game/objectives.lua"};

}  // namespace

class DemoGameTest : public ModelTest {
 protected:
  DemoGameTest() {
    // A `require` that runs the game's own libraries from their source texts.
    Run("__libs = {} function require(name) local t = __libs[name] "
        "if t then assert(loadstring(t, name))() end end");
    for (const char* lib : kLibraries) {
      lua_State* L = PushGlobal("__libs");
      lua_pushstring(L, lib);
      const std::string text = ReadSource(std::string("assets/") + lib);
      lua_pushlstring(L, text.data(), text.size());
      lua_settable(L, -3);
      lua_pop(L, 1);
    }
  }

  void BuildNewGame() {
    MakeSingletons();
    CModelCompositor::CreateInstance();
    ASSERT_TRUE(RunGameText(mScript, ReadSource("assets/scripts/game/game.lua"), "scripts/game/game.lua")) << Log();
    CModelCompositor::ReleaseInstance();
  }

  template <class T>
  static int Count(const CLevel& level) {
    int n = 0;
    for (const auto& [id, scene] : level.GetScenes()) n += dynamic_cast<T*>(scene.get()) != nullptr;
    return n;
  }
};

TEST_F(DemoGameTest, NewGameHasEverySceneKindInOneLevel) {
  BuildNewGame();
  CGame* game = CGame::GetInstance();
  ASSERT_EQ(game->GetLevels().size(), 1u);
  const CLevel& level = *game->GetLevels().begin()->second;
  EXPECT_EQ(level.GetSceneCount(), 15u);
  EXPECT_EQ(Count<CChapterScreen>(level), 1);
  EXPECT_EQ(Count<CCutscene>(level), 2);
  // A placing-object game is an adventure screen too.
  EXPECT_EQ(Count<CAdventureScreen>(level) - Count<CPlacingObjectGame>(level), 3);
  EXPECT_EQ(Count<CPlacingObjectGame>(level), 1);
  EXPECT_EQ(Count<CHiddenObjectGame>(level), 1);
  EXPECT_EQ(Count<CJigsawPuzzle>(level), 1);
  EXPECT_EQ(Count<CLock>(level), 1);
  EXPECT_EQ(Count<CMixPotionMiniGame>(level), 1);
  EXPECT_EQ(Count<CMirroredImageGame>(level), 1);
  EXPECT_EQ(Count<CNineMensMorrisGame>(level), 1);
  EXPECT_EQ(Count<CPlacingPicturesGame>(level), 1);
  EXPECT_EQ(Count<CPlotpoint>(level), 1);

  ASSERT_NE(game->FindScene(game->GetStartScene()), nullptr);
  EXPECT_EQ(game->GetCurrentSceneId(), game->GetStartScene());
  // The libraries' partial game record reached the game root.
  EXPECT_EQ(game->GetMiniGameSkipButton().fontType, "fonts/kingthings.mvec");
  EXPECT_STREQ(game->GetCanNotUseItemText(), "CANNOT_USE_ITEM");
}

TEST_F(DemoGameTest, ExitsNextScenesAndItemsResolve) {
  BuildNewGame();
  CGame* game = CGame::GetInstance();
  const CLevel& level = *game->GetLevels().begin()->second;
  std::set<int32_t> reached{game->GetStartScene()};
  for (const auto& [id, scene] : level.GetScenes()) {
    SCOPED_TRACE(id);
    EXPECT_EQ(scene->GetSeqId(), id);
    ASSERT_NE(game->FindScene(scene->GetNextScene()), nullptr);
    reached.insert(scene->GetNextScene());
    scene->ResetSceneExitIterator();
    while (scene->HasNextSceneExit()) {
      CSceneExit* exit = scene->GetNextSceneExit();
      EXPECT_NE(game->FindScene(exit->GetNextScene()), nullptr) << exit->GetId();
      reached.insert(exit->GetNextScene());
    }
    if (auto* adventure = dynamic_cast<CAdventureScreen*>(scene.get())) {
      adventure->ResetSceneObjectIterator();
      while (adventure->HasNextSceneObject()) {
        CSceneObject* object = adventure->NextSceneObject();
        if (object->GetTimesPickable() > 0)
          EXPECT_NE(game->GetInventoryItem(object->GetInvItem()), nullptr) << object->GetId();
      }
    }
    if (auto* hog = dynamic_cast<CHiddenObjectGame*>(scene.get())) {
      EXPECT_NE(game->GetInventoryItem(hog->GetPickedUpInventoryItemOnWon()), nullptr);
      EXPECT_LE(hog->GetItemListCount(), hog->GetObjectCount());
    }
  }
  // Every scene can be reached from the start.
  EXPECT_EQ(reached.size(), level.GetSceneCount());
  // Item actions and hotspot actions name things that exist.
  for (const char* item : {"key_item", "candle_item", "relic_item"}) {
    CInventoryItem* definition = game->GetInventoryItem(item);
    ASSERT_NE(definition, nullptr) << item;
    for (const auto& [target, command] : definition->GetActionMap())
      EXPECT_TRUE(game->FindSceneHotspot(target)) << item << " -> " << target;
  }
}

TEST_F(DemoGameTest, NewGameWritesAndLoadsBack) {
  BuildNewGame();
  Run("Objective('find_key', true)");
  const std::string data = GameText();
  const std::string state = StateText();
  ASSERT_NE(data.find("require(\"scripts/game/init.lua\")"), std::string::npos);

  CGame::DestroyInstance();
  CGlobalInformationSystem::DestroyInstance();
  CHighscoreSystem::DestroyInstance();
  MakeSingletons();
  ASSERT_TRUE(LoadSavedGame(mScript, data, state)) << Log();
  EXPECT_EQ(GameText(), data);
  EXPECT_EQ(StateText(), state);
  // What the save leaves out comes back from the libraries it requires.
  EXPECT_EQ(CGame::GetInstance()->GetMiniGameMenuButton().fontType, "fonts/kingthings.mvec");
  EXPECT_TRUE(CGlobalInformationSystem::GetInstance()->GetGlobalBool("objective_find_key"));
}

TEST(DemoContent, LabelsHaveTextsAndFilesExist) {
  // The file layer reads the table below its "user:" root, here the source tree.
  SetFileRoots(TString(SourceDir().c_str()), TString(), TString());
  TStringTable table;
  const bool loaded = table.Load("user:assets/strings.xml");
  filetest::ResetFileSystem();
  ASSERT_TRUE(loaded);
  EXPECT_NE(table.Find("windowtitle"), nullptr);
  std::set<std::string> labels;
  std::set<std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(SourceDir() + "/assets/scripts/game")) {
    if (entry.path().extension() != ".lua") continue;
    const std::string text = ReadSource(std::filesystem::relative(entry.path(), SourceDir()).generic_string());
    labels.merge(Quoted(text, "[A-Z][A-Z0-9]*_[A-Z0-9_]+"));
    files.merge(Quoted(text, "(images|sounds|audio|fonts)/[A-Za-z0-9_/]+\\.(png|jpg|ogg|mvec)"));
  }
  EXPECT_GT(labels.size(), 30u);
  for (const std::string& label : labels) EXPECT_NE(table.Find(TString(label.c_str())), nullptr) << label;
  for (const std::string& file : files)
    EXPECT_TRUE(std::filesystem::is_regular_file(SourceDir() + "/assets/" + file)) << file;
  // Objectives announce themselves with a label per objective.
  for (const char* objective : {"FIND_KEY", "FIND_CANDLE", "GATE_OPEN", "CLOCK_LIT", "RELIC_PLACED"})
    EXPECT_NE(table.Find(TString((std::string("OBJECTIVE_") + objective).c_str())), nullptr) << objective;
  // Labels the scripts build at run time: the diary lines.
  for (int line = 1; line <= 6; ++line)
    EXPECT_NE(table.Find(TString(("DIARY_" + std::to_string(line)).c_str())), nullptr) << line;
}

// The story steps reach the scene window's functions with their arguments when a scene window is
// up, and change only the model's script state when none is.
TEST_F(DemoGameTest, StoryStepsCallTheSceneWindowWhenThereIsOne) {
  BuildNewGame();
  Run("OpenManorGate()");  // no scene window: nothing to call, the step still counts
  EXPECT_TRUE(CGlobalInformationSystem::GetInstance()->GetGlobalBool("objective_gate_open"));

  Run("calls = '' "
      "function SetActiveExit(name, flag) calls = calls .. 'exit:' .. name .. ':' .. tostring(flag) .. ';' end "
      "function RemoveInventoryItem(id) calls = calls .. 'remove:' .. id .. ';' end "
      "function ShowInfoText(label) calls = calls .. 'info:' .. label .. ';' end "
      "function AddDiaryText(label) calls = calls .. 'diary:' .. label .. ';' end");
  Run("LightClock()");
  EXPECT_EQ(GlobalString("calls"),
            "remove:candle_item;exit:103_clock_door:true;info:OBJECTIVE_CLOCK_LIT;diary:DIARY_5;");
  // A diary line is written once, however often its step comes.
  Run("calls = '' DiaryLine('DIARY_5') DiaryLine('DIARY_6') DiaryLine('DIARY_6')");
  EXPECT_EQ(GlobalString("calls"), "diary:DIARY_6;");
}

// The shrine's words follow the story: how to set the relic in place, or, in a game saved after
// it was set, how to go on.
TEST_F(DemoGameTest, TheShrineSaysWhatIsLeftToDo) {
  BuildNewGame();
  const std::string init = ReadSource("assets/scripts/game/scenes/s401_init.lua");
  Run("function ShowInfoText(label) calls = calls .. label .. ';' end");
  Run("calls = ''");
  Run(init);
  EXPECT_EQ(GlobalString("calls"), "BRIEFING_SHRINE;");
  Run("SetGlobalBool('objective_relic_placed', true) calls = ''");
  Run(init);
  EXPECT_EQ(GlobalString("calls"), "OBJECTIVE_RELIC_PLACED;");
}

// The won attic puts the candle into the hall, once.
TEST_F(DemoGameTest, LeavingTheAtticShowsTheCandleInTheHall) {
  BuildNewGame();
  CGame* game = CGame::GetInstance();
  auto* hall = dynamic_cast<CAdventureScreen*>(game->FindScene(103));
  ASSERT_NE(hall, nullptr);
  auto candle = [&]() -> CSceneObject* {
    hall->ResetSceneObjectIterator();
    while (hall->HasNextSceneObject())
      if (CSceneObject* object = hall->NextSceneObject(); object->GetId() == std::string("103_candle")) return object;
    return nullptr;
  };
  ASSERT_NE(candle(), nullptr);
  EXPECT_FALSE(candle()->IsVisible());
  EXPECT_FALSE(candle()->IsActive());
  ASSERT_EQ(game->FindScene(201)->GetExitScript(), std::string("scripts/game/scenes/s201_exit.lua"));
  Run("AtticDone()");
  EXPECT_TRUE(candle()->IsVisible());
  EXPECT_TRUE(candle()->IsActive());
}

// Model flags are read from texts: a Lua boolean arrives as the empty text, which reads as "true"
// for most flags and "false" for the rest, whatever was meant. The game text quotes every flag.
TEST(DemoContent, ModelFlagsAreQuotedTexts) {
  const std::regex bare("\\b(isActive|isVisible|showHintButton|showDiaryButton|hookPieces|stickOnBackground|locked|up|"
                        "movesOthers|stdMovesOthers|stdLocked|stdUp)\\s*=\\s*(true|false)\\b");
  for (const auto& entry : std::filesystem::recursive_directory_iterator(SourceDir() + "/assets/scripts/game")) {
    if (entry.path().extension() != ".lua") continue;
    const std::string text = ReadSource(std::filesystem::relative(entry.path(), SourceDir()).generic_string());
    for (std::sregex_iterator it(text.begin(), text.end(), bare), end; it != end; ++it)
      ADD_FAILURE() << entry.path().filename() << ": " << it->str();
  }
  // The check itself finds a bare flag.
  const std::string sample = "MakeSceneObject { isActive = false }";
  EXPECT_TRUE(std::regex_search(sample, bare));
  EXPECT_FALSE(std::regex_search(std::string("isActive = \"false\""), bare));
}
