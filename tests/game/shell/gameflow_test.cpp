// The flow of play: a save restores the same model on the next selection, a save is one commit,
// a saved game that fails to load is kept and never saved over (and the player is told), and
// scene changes run the exit script of the scene left and open the screen its kind calls for.
#include <sqlite3.h>

#include <cstdio>
#include <fstream>

#include "model/scene.h"
#include "shell/gamemain.h"
#include "shell/spriteanimator.h"
#include "shellfixture.h"

using namespace shelltest;

namespace {

using GameFlowTest = ShellTest;

// The SQLite file change counter (header bytes 24..27), which every committed write transaction
// moves on by one.
uint32_t ChangeCounter(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  unsigned char header[28] = {};
  in.read(reinterpret_cast<char*>(header), sizeof header);
  return uint32_t(header[24]) << 24 | uint32_t(header[25]) << 16 | uint32_t(header[26]) << 8 | header[27];
}

// Plays a little: a scene further on, global variables, score state, a diary entry.
void Play() {
  CGame::GetInstance()->SetCurrentScene(104);
  CGame::GetInstance()->AddToInventory("key");
  CGlobalInformationSystem* globals = CGlobalInformationSystem::GetInstance();
  globals->SetGlobalString("met", "the \"miller\"\nat noon");
  globals->SetGlobalNumber("coins", 1234567.25);
  globals->SetGlobalBool("doorOpen", true);
  CHighscoreSystem::GetInstance()->StartLevel(3, 60);
  TDiaryEntry entry;
  entry.text = "LABEL_1";
  TDiary::GetInstance()->AddContent(entry);
}

TEST_F(GameFlowTest, ASaveRestoresTheSameModelOnTheNextSelection) {
  Start();
  Run("CreateNewUser('Anna')");
  Play();
  Run("SetCurrentGameMode(1) SaveGame()");
  const std::string data = GameText(), state = StateText();
  const int32_t diaryItems = TDiary::GetInstance()->GetItemCount();
  ASSERT_GT(diaryItems, 0);

  // Another profile, then back, then a whole restart from the file.
  Run("CreateNewUser('Ben')");
  EXPECT_EQ(CGame::GetInstance()->GetCurrentSceneId(), 101);
  EXPECT_FALSE(CGlobalInformationSystem::GetInstance()->GetGlobalBool("doorOpen"));
  for (int round = 0; round < 2; ++round) {
    if (round == 0)
      Run("SetCurrentUser(0)");
    else
      Restart();
    SCOPED_TRACE(round);
    TSettings* settings = TSettings::GetInstance();
    EXPECT_TRUE(settings->IsGameLoaded());
    EXPECT_EQ(GameText(), data);
    EXPECT_EQ(StateText(), state);
    EXPECT_EQ(settings->GetCurrentGameMode(), 1);
    Run("StartGame(false)");
    EXPECT_EQ(CHighscoreSystem::GetInstance()->GetLevelId(), 3);
    EXPECT_EQ(TDiary::GetInstance()->GetItemCount(), diaryItems);
    EXPECT_EQ(mScreens.Names().back(), "scripts/hiddenobjectgame.lua");
  }
  EXPECT_FALSE(Logged("could not be loaded")) << Log();
}

TEST_F(GameFlowTest, OneSaveIsOneCommit) {
  Start();
  Run("CreateNewUser('Anna')");
  Play();
  const uint32_t before = ChangeCounter(PrefsPath());
  Run("SaveGame()");
  EXPECT_EQ(ChangeCounter(PrefsPath()), before + 1);

  // A connection of its own sees the whole save.
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(PrefsPath().c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  sqlite3_stmt* s = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT key FROM \"user\"", -1, &s, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
  std::set<std::string> keys;
  while (sqlite3_step(s) == SQLITE_ROW) keys.insert(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
  sqlite3_finalize(s);
  sqlite3_close(db);
  for (const char* key : {"gamedata", "gamestate", "gamemode", "HighscoreCurrentUser_LevelId"})
    EXPECT_TRUE(keys.count(key)) << key;
  bool diary = false;
  for (const std::string& key : keys) diary = diary || key.rfind("Diary_", 0) == 0;
  EXPECT_TRUE(diary);
}

// Stored bytes of one key of profile 0, in hex ("" when absent).
std::string StoredHex(const std::string& path, const char* key) {
  sqlite3* db = nullptr;
  std::string hex;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* s = nullptr;
    const std::string sql = std::string("SELECT hex(value) FROM \"user\" WHERE key = '") + key + "'";
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW)
      hex = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
    sqlite3_finalize(s);
  }
  sqlite3_close(db);
  return hex;
}

TEST_F(GameFlowTest, ASaveThatCannotBeCommittedIsReportedAndKeepsThePreviousSave) {
  Start();
  Run("CreateNewUser('Anna')");
  Play();
  Run("ok = SaveGame() and 'saved' or 'failed'");
  EXPECT_EQ(GlobalString("ok"), "saved");
  const std::string data = StoredHex(PrefsPath(), "gamedata"), state = StoredHex(PrefsPath(), "gamestate");
  ASSERT_FALSE(data.empty());

  CGame::GetInstance()->SetCurrentScene(101);
  CGlobalInformationSystem::GetInstance()->SetGlobalNumber("coins", 7);
  {
    // Another reader of the file keeps the commit from happening.
    sqlite3* reader = nullptr;
    ASSERT_EQ(sqlite3_open(PrefsPath().c_str(), &reader), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(reader, "BEGIN; SELECT count(*) FROM \"user\"", nullptr, nullptr, nullptr), SQLITE_OK);
    Run("ok = SaveGame() and 'saved' or 'failed'");
    sqlite3_exec(reader, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(reader);
  }
  EXPECT_EQ(GlobalString("ok"), "failed");
  EXPECT_TRUE(Logged("SaveGame: the game of profile 0 could not be saved; the previous save is kept")) << Log();
  EXPECT_EQ(StoredHex(PrefsPath(), "gamedata"), data);
  EXPECT_EQ(StoredHex(PrefsPath(), "gamestate"), state);
  // Nothing of the failed save rides along with a later commit of a single setting.
  Prefs().SetInt("soundlevel", 300, 0);
  EXPECT_EQ(StoredHex(PrefsPath(), "gamedata"), data);

  Run("ok = SaveGame() and 'saved' or 'failed'");
  EXPECT_EQ(GlobalString("ok"), "saved");
  EXPECT_NE(StoredHex(PrefsPath(), "gamedata"), data);
}

TEST_F(GameFlowTest, ASavedGameThatFailsToLoadIsKeptAndNeverSavedOver) {
  const struct {
    const char* name;
    const char* gamedata;
  } cases[] = {
      {"syntax error", "MakeGame { name = "},
      {"run-time error", "MakeGame { name = 'x', startScene = 101 } error('boom')"},
      {"no game built", "x = 1"},
      {"no current scene", "MakeGame { name = 'empty' }"},
      {"precompiled chunk", "\x1bLua"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    mScreens.messages.clear();
    Start();
    Run("CreateNewUser('Anna')");
    Prefs().SetString("gamedata", c.gamedata, 0);
    Prefs().SetString("gamestate", "SetGlobalBool(\"kept\", true)", 0);

    TSettings* settings = Restart();
    EXPECT_FALSE(settings->IsGameLoaded());
    ASSERT_EQ(mScreens.messages.size(), 1u);
    EXPECT_NE(mScreens.messages[0].find("Anna"), std::string::npos) << mScreens.messages[0];
    EXPECT_TRUE(Logged("could not be loaded"));

    // Neither a save, nor starting play (which finds no scene and goes back to the menu), nor a
    // second selection writes over the stored texts.
    mScreens.Open("mainmenu");
    Run("SaveGame() StartGame(false) QuitToMainMenu() SetCurrentUser(0) SaveGame()");
    EXPECT_EQ(Prefs().GetString("gamedata", "", 0), c.gamedata);
    EXPECT_EQ(Prefs().GetString("gamestate", "", 0), "SetGlobalBool(\"kept\", true)");
    EXPECT_EQ(mScreens.Names(), (std::vector<std::string>{"mainmenu"}));

    // The player may still choose to start over.
    Run("ResetUserGame(0) SetCurrentUser(0)");
    EXPECT_TRUE(settings->IsGameLoaded());
    EXPECT_EQ(CGame::GetInstance()->GetCurrentSceneId(), 101);
    TSettings::DestroyInstance();
    std::remove(PrefsPath().c_str());
    mScreens.stack.clear();
  }
}

TEST_F(GameFlowTest, ASaveThatDoesNotDecipherIsDamagedNotMissing) {
  Start();
  Run("CreateNewUser('Anna')");
  Play();
  Run("SaveGame()");
  TSettings::DestroyInstance();

  // Bytes that do not decipher: a new game must not start and later save over them.
  const char kStored[] = "SELECT hex(value) FROM \"user\" WHERE key = 'gamedata'";
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(PrefsPath().c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "UPDATE \"user\" SET value = X'00112233445566778899AABBCCDDEEFF' WHERE key = 'gamedata'",
                         nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);

  TSettings* settings = Start();
  EXPECT_FALSE(settings->IsGameLoaded());
  ASSERT_EQ(mScreens.messages.size(), 1u);
  EXPECT_TRUE(Logged("does not decipher"));
  Run("SaveGame() SetCurrentScene('scripts/x.lua')");
  TSettings::DestroyInstance();

  ASSERT_EQ(sqlite3_open_v2(PrefsPath().c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  sqlite3_stmt* s = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, kStored, -1, &s, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)), "00112233445566778899AABBCCDDEEFF");
  sqlite3_finalize(s);
  sqlite3_close(db);
}

TEST_F(GameFlowTest, WithoutAWindowSystemThePlayerIsToldInAMessageBox) {
  Start();
  Run("CreateNewUser('Anna')");
  Prefs().SetString("gamedata", "MakeGame {", 0);
  SetScreenStack(nullptr);
  Restart();
  const auto boxes = os::TestMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].text.find("Anna"), std::string::npos);
}

TEST_F(GameFlowTest, EachSceneKindOpensItsScreenScript) {
  const struct {
    int32_t scene;
    const char* script;
  } cases[] = {
      {101, "scripts/adventurescreen.lua"},   {102, "scripts/cutscene.lua"},
      {103, "scripts/chapterscreen.lua"},     {104, "scripts/hiddenobjectgame.lua"},
      {105, "scripts/jigsaw.lua"},            {106, "scripts/unlockingdoors.lua"},
      {107, "scripts/mixpotion.lua"},         {108, "scripts/mirroredimagegame.lua"},
      {109, "scripts/ninemensmorrisgame.lua"}, {110, "scripts/placingpicturesgame.lua"},
      {111, "scripts/adventurescreen.lua"},   {112, "scripts/plotpoint.lua"},
  };
  Start();
  Run("CreateNewUser('Anna')");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.scene);
    CScene* scene = CGame::GetInstance()->FindScene(c.scene);
    ASSERT_NE(scene, nullptr) << Log();
    EXPECT_STREQ(TSettings::GetSceneScript(*scene), c.script);
  }
}

TEST_F(GameFlowTest, AnImmediateSceneChangeRunsTheExitScriptBeforeTheNewScreen) {
  TSettings* settings = Start();
  Run("CreateNewUser('Anna')");
  mScreens.Open("mainmenu");
  mScreens.Open("scripts/adventurescreen.lua");
  Events().clear();
  settings->ChangeScene(102, false);
  EXPECT_EQ(settings->GetPreviousScene(), 101);
  EXPECT_EQ(CGame::GetInstance()->GetCurrentSceneId(), 102);
  EXPECT_EQ(Events(), (std::vector<std::string>{"exit:101", "script:scripts/cutscene.lua",
                                                "close:scripts/adventurescreen.lua", "push:scripts/cutscene.lua"}));
  EXPECT_EQ(mScreens.Names(), (std::vector<std::string>{"mainmenu", "scripts/cutscene.lua"}));

  // Skipping goes to the next scene the same way.
  Events().clear();
  settings->GotoNextScene(false);
  EXPECT_EQ(Events(), (std::vector<std::string>{"exit:102", "script:scripts/chapterscreen.lua",
                                                "close:scripts/cutscene.lua", "push:scripts/chapterscreen.lua"}));

  // While the main menu is the screen no exit script runs.
  CGlobalInformationSystem::GetInstance()->SetGlobalBool("isMainMenu", true);
  Events().clear();
  settings->ChangeScene(101, false);
  settings->ChangeScene(102, false);
  for (const std::string& e : Events()) EXPECT_EQ(e.rfind("exit:", 0), std::string::npos) << e;
}

TEST_F(GameFlowTest, AFadingChangeWaitsForTheSceneWindowOrOpensAtOnceWithoutOne) {
  TSettings* settings = Start();
  Run("CreateNewUser('Anna')");
  mScreens.Open("mainmenu");
  mScreens.Open("scripts/adventurescreen.lua");
  mScreens.sceneWindow = true;
  Events().clear();
  settings->ChangeScene(102, true);
  EXPECT_FLOAT_EQ(mScreens.fadeStep, 0.03f);
  EXPECT_TRUE(Events().empty());
  settings->OpenCurrentScene();  // what the scene window does once faded out
  EXPECT_EQ(mScreens.Names().back(), "scripts/cutscene.lua");

  mScreens.sceneWindow = false;
  settings->ChangeScene(103, true);
  EXPECT_EQ(mScreens.Names().back(), "scripts/chapterscreen.lua");

  // Scripts pass the fade flag as a number or a boolean; 0 means no fade.
  mScreens.sceneWindow = true;
  mScreens.fadeStep = 0;
  CGame::GetInstance()->SetCurrentScene(104);
  Run("StartGame(0)");
  EXPECT_FLOAT_EQ(mScreens.fadeStep, 0.0f);
  EXPECT_EQ(mScreens.Names().back(), "scripts/hiddenobjectgame.lua");
  Run("StartGame(1)");
  EXPECT_FLOAT_EQ(mScreens.fadeStep, 0.03f);
}

TEST_F(GameFlowTest, QuitToMainMenuSavesAndClosesEveryScreenAboveTheMenu) {
  TSettings* settings = Start();
  Run("CreateNewUser('Anna')");
  mScreens.Open("mainmenu");
  mScreens.Open("scripts/adventurescreen.lua");
  mScreens.Open("pause");
  CGame::GetInstance()->SetCurrentScene(103);
  Run("QuitToMainMenu()");
  EXPECT_EQ(mScreens.Names(), (std::vector<std::string>{"mainmenu"}));
  EXPECT_TRUE(CGlobalInformationSystem::GetInstance()->GetGlobalBool("isMainMenu"));
  EXPECT_NE(Prefs().GetString("gamedata", "", 0).Find("currentScene = 103"), -1);
  (void)settings;
}

TEST_F(GameFlowTest, AChangeToAMissingSceneGoesToTheMenuWithTheStartSceneNext) {
  TSettings* settings = Start();
  Run("CreateNewUser('Anna')");
  mScreens.Open("mainmenu");
  mScreens.Open("scripts/adventurescreen.lua");
  settings->ChangeScene(999, true);
  EXPECT_EQ(CGame::GetInstance()->GetCurrentSceneId(), 101);
  EXPECT_EQ(mScreens.Names(), (std::vector<std::string>{"mainmenu"}));
  EXPECT_TRUE(CGlobalInformationSystem::GetInstance()->GetGlobalBool("isMainMenu"));
}

TEST_F(GameFlowTest, SelectingAProfileWithoutASaveRunsTheNewGameOnly) {
  Start();
  Run("CreateNewUser('Anna')");
  Prefs().SetString("gamestate", "SetGlobalBool(\"stale\", true)", 0);
  Run("SetCurrentUser(0)");
  EXPECT_EQ(CGame::GetInstance()->GetCurrentSceneId(), 101);
  EXPECT_FALSE(CGlobalInformationSystem::GetInstance()->GetGlobalBool("stale"));
}

}  // namespace

TEST_F(GameFlowTest, ShutdownLeavesNoneOfTheGamesSingletons) {
  Start();
  Run("CreateNewUser('Ada')");
  TSpriteAnimator::Instance();
  ASSERT_NE(CGame::GetInstance(), nullptr);
  ASSERT_NE(TDiary::GetInstance(), nullptr);
  DestroyGameSingletons();
  EXPECT_EQ(CGame::GetInstance(), nullptr);
  EXPECT_EQ(TSettings::GetInstance(), nullptr);
  EXPECT_EQ(CGlobalInformationSystem::GetInstance(), nullptr);
  EXPECT_EQ(TDiary::GetInstance(), nullptr);
  EXPECT_EQ(CHighscoreSystem::GetInstance(), nullptr);
  EXPECT_EQ(TSpriteAnimator::Find(), nullptr);
}
