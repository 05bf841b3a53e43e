// Player profiles through the real preference file: creating, selecting, renaming and deleting
// them, the per-profile settings the script functions read and write, hostile names, and the
// restart of a player who finished the game, which keeps the profile and its scores.
#include <sqlite3.h>

#include <filesystem>

#include "services/gamestate.h"
#include "services/hiscores.h"
#include "shellfixture.h"
#include "sound/soundmanager.h"

using namespace shelltest;

namespace {

using ProfilesTest = ShellTest;

std::vector<std::string> Names(TSettings& settings) {
  std::vector<std::string> names;
  for (int32_t i = 0; i < settings.GetNumUsers(); ++i) names.push_back(settings.GetUserName(i).CStr());
  return names;
}

TEST_F(ProfilesTest, ProfilesRoundTripThroughThePreferenceFile) {
  TSettings* settings = Start();
  EXPECT_EQ(settings->GetNumUsers(), 0);
  EXPECT_EQ(settings->GetCurrentUser(), -1);
  Run("CreateNewUser('Anna') CreateNewUser('Ben') CreateNewUser('Cleo')");
  EXPECT_TRUE(std::filesystem::exists(PrefsPath())) << Log();
  Run("SetCurrentUser(1)");
  Prefs().SetInt("soundlevel", 250, 1);

  settings = Restart();
  EXPECT_EQ(Names(*settings), (std::vector<std::string>{"Anna", "Ben", "Cleo"}));
  EXPECT_EQ(settings->GetCurrentUser(), 1);
  EXPECT_EQ(settings->GetCurrentUserName(), "Ben");
  Run("n = GetNumUsers() cur = GetCurrentUser() used = IsNameInUse('Cleo') unused = IsNameInUse('cleo')");
  EXPECT_EQ(GlobalNumber("n"), 3);
  EXPECT_EQ(GlobalNumber("cur"), 1);
  Run("assert(used == true) assert(unused == false)");

  // A new profile takes its sound settings from the current one.
  Run("CreateNewUser('Dora')");
  EXPECT_EQ(settings->GetCurrentUser(), 3);
  EXPECT_EQ(Prefs().GetInt("soundlevel", 0, 3), 250);
  EXPECT_EQ(Prefs().GetInt("musiclevel", 0, 3), 800);
  EXPECT_EQ(Prefs().GetInt("soundoff", 7, 3), 0);
}

TEST_F(ProfilesTest, DeletingSelectsTheNeighbourAndNeverMakesGhostProfiles) {
  TSettings* settings = Start();
  Run("CreateNewUser('Anna') CreateNewUser('Ben') CreateNewUser('Cleo')");
  // Out of range indices change nothing and create no empty profiles.
  Run("DeleteUser(3) DeleteUser(-1) DeleteUser(-5) SetCurrentUser(7) SetCurrentUser(-3)");
  EXPECT_EQ(Names(*settings), (std::vector<std::string>{"Anna", "Ben", "Cleo"}));
  EXPECT_EQ(settings->GetCurrentUser(), 2);

  Run("DeleteUser(0)");  // the first: the new last one is selected
  EXPECT_EQ(Names(*settings), (std::vector<std::string>{"Ben", "Cleo"}));
  EXPECT_EQ(settings->GetCurrentUser(), 1);
  Run("DeleteUser(1)");  // any other: the one before it
  EXPECT_EQ(settings->GetCurrentUser(), 0);
  Run("DeleteUser(0)");  // the only one: none
  EXPECT_EQ(settings->GetNumUsers(), 0);
  EXPECT_EQ(settings->GetCurrentUser(), -1);
  EXPECT_EQ(Restart()->GetNumUsers(), 0);
  // A game without profiles still runs.
  ASSERT_NE(CGame::GetInstance(), nullptr);
  EXPECT_EQ(CGame::GetInstance()->GetCurrentSceneId(), 101);
}

TEST_F(ProfilesTest, ADamagedCurrentProfileIndexSelectsNone) {
  Start();
  Run("CreateNewUser('Anna')");
  Prefs().SetInt("curuser", 5);
  TSettings* settings = Restart();
  EXPECT_EQ(settings->GetCurrentUser(), -1);
  EXPECT_EQ(settings->GetNumUsers(), 1);
  Run("SetCurrentScene('scripts/x.lua') ToggleSoundMute()");
  EXPECT_EQ(settings->GetNumUsers(), 1);

  // Stored bytes that do not decipher select no profile either (never the first one).
  Run("CreateNewUser('Ben')");
  TSettings::DestroyInstance();
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(PrefsPath().c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "UPDATE globals SET value = X'00112233445566778899AABBCCDDEEFF' WHERE key = 'curuser'",
                         nullptr, nullptr, nullptr), SQLITE_OK);
  EXPECT_EQ(sqlite3_changes(db), 1);
  sqlite3_close(db);
  settings = Start();
  EXPECT_EQ(settings->GetNumUsers(), 2);
  EXPECT_EQ(settings->GetCurrentUser(), -1);
}

TEST_F(ProfilesTest, SettingsFunctionsReadAndWriteTheCurrentProfile) {
  TSoundManager sound;
  SetPlatformSoundManager(&sound);
  TSettings* settings = Start();
  Run("CreateNewUser('Anna')");
  Run("scene = GetCurrentScene()");
  EXPECT_EQ(GlobalString("scene"), "scripts/scene1.lua");
  Run("SetCurrentScene('scripts/scene7.lua') scene = GetCurrentScene()");
  EXPECT_EQ(GlobalString("scene"), "scripts/scene7.lua");
  EXPECT_EQ(Prefs().GetString("curscene", "", 0), "scripts/scene7.lua");

  Prefs().SetInt("soundlevel", 750, 0);
  Prefs().SetInt("musiclevel", 500, 0);
  settings->ApplySoundLevels();
  EXPECT_FLOAT_EQ(sound.GetGroupVolume(1000), 0.75f);
  EXPECT_FLOAT_EQ(sound.GetGroupVolume(0), 0.75f);
  EXPECT_FLOAT_EQ(sound.GetGroupVolume(1001), 0.5f);

  // Muting twice restores the setting and the master volume (an unused group shows the master);
  // the game-state handlers hear each change.
  TGameState* hub = GetGameState();
  Run("ToggleSoundMute()");
  EXPECT_EQ(Prefs().GetInt("soundoff", 0, 0), 1);
  EXPECT_FLOAT_EQ(sound.GetGroupVolume(4242), 0.0f);
  EXPECT_EQ(hub->GetState("mute"), "1");
  EXPECT_TRUE(hub->QueryMuteGame());
  Run("ToggleSoundMute()");
  EXPECT_EQ(Prefs().GetInt("soundoff", 1, 0), 0);
  EXPECT_FLOAT_EQ(sound.GetGroupVolume(4242), 1.0f);
  EXPECT_EQ(hub->GetState("mute"), "0");
  Prefs().SetInt("soundoff", 1, 0);
  settings->ApplySoundLevels();  // a profile's stored mute is reported as it is applied
  EXPECT_EQ(hub->GetState("mute"), "1");
  Prefs().SetInt("soundoff", 0, 0);
  DeleteGameState();

  // Game modes: only -1, 0 and 1, each naming its mode to the score client.
  Run("m0 = GetCurrentGameMode() SetCurrentGameMode(1) m1 = GetCurrentGameMode() SetCurrentGameMode(2)"
      " m2 = GetCurrentGameMode()");
  EXPECT_EQ(GlobalNumber("m0"), -1);
  EXPECT_EQ(GlobalNumber("m1"), 1);
  EXPECT_EQ(GlobalNumber("m2"), 1);
  Run("a = GetVXGameModeName(0) b = GetVXGameModeName(1) c = GetVXGameModeName(2)"
      " d = GetVXMedalName(0) e = GetVXMedalName(1) f = GetVXMedalName(-1)");
  EXPECT_EQ(GlobalString("a"), "brask_gamemode1");
  EXPECT_EQ(GlobalString("b"), "brask_gamemode2");
  EXPECT_EQ(GlobalString("c"), "");
  EXPECT_EQ(GlobalString("d"), "harrowmere_medal1");
  EXPECT_EQ(GlobalString("e"), "harrowmere_medal2");
  EXPECT_EQ(GlobalString("f"), "");
  Run("medal = GetMedalName(0) medals = NumEarnedMedals()");
  EXPECT_EQ(GlobalString("medal"), "");
  EXPECT_EQ(GlobalNumber("medals"), 0);

  TSettings::DestroyInstance();
  SetPlatformSoundManager(nullptr);
}

TEST_F(ProfilesTest, MusicRestartsOnlyForANewName) {
  TSettings* settings = Start();
  Run("SetMusic('audio/music/a.ogg', true)");
  EXPECT_EQ(settings->GetMusicName(), "audio/music/a.ogg");
  const size_t looks = std::string(Log()).find("a.ogg");
  ASSERT_NE(looks, std::string::npos) << Log();
  // The same name again does not even look the sound up.
  const std::string before = Log();
  Run("SetMusic('audio/music/a.ogg', true)");
  EXPECT_EQ(Log(), before);
  Run("SetMusic('audio/music/b.ogg', true)");
  EXPECT_EQ(settings->GetMusicName(), "audio/music/b.ogg");
  EXPECT_TRUE(Logged("b.ogg"));
}

TEST_F(ProfilesTest, HostileNamesStayDataInStoreAndInGeneratedLua) {
  const std::vector<std::string> names = {
      "O'Neill", "x',dofile('evil.lua'),'", "back\\slash\\", "two\nlines", "say \"hi\"", "]] --", "",
      "Zoë 名前"};
  TSettings* settings = Start();
  for (const std::string& name : names) settings->CreateNewUser(TString(name.c_str()));
  settings = Restart();
  EXPECT_EQ(Names(*settings), names);
  for (const std::string& name : names) EXPECT_TRUE(settings->IsNameInUse(TString(name.c_str()))) << name;

  Run("got = {} evil = false function dofile() evil = true end "
      "function UpdatePlayerChoices(count, current, list) got.count = count got.current = current "
      "got.list = list end");
  Run(settings->BuildPlayerChoicesText().CStr());
  Run("n = table.getn(got.list) count = got.count current = got.current assert(not evil)");
  EXPECT_EQ(GlobalNumber("n"), names.size());
  EXPECT_EQ(GlobalNumber("count"), names.size());
  EXPECT_EQ(GlobalNumber("current"), names.size() - 1);
  for (size_t i = 0; i < names.size(); ++i) {
    Run("name = got.list[" + std::to_string(i + 1) + "]");
    EXPECT_EQ(GlobalString("name"), names[i]);
  }
}

TEST_F(ProfilesTest, OnlyTheFirstTenProfilesGoToTheProfileScreen) {
  TSettings* settings = Start();
  for (int i = 0; i < 12; ++i) settings->CreateNewUser(TString::Format("p%d", i));
  Run("function UpdatePlayerChoices(count, current, list) n = table.getn(list) c = count end");
  Run(settings->BuildPlayerChoicesText().CStr());
  EXPECT_EQ(GlobalNumber("n"), 10);
  EXPECT_EQ(GlobalNumber("c"), 12);
}

TEST_F(ProfilesTest, RenamingMovesTheLocalScoresToTheNewName) {
  TSettings* settings = Start();
  Run("CreateNewUser('Anna')");
  // Without local scores only the name changes, but later scores carry the new name.
  Run("ChangeCurrentUserName('Annie')");
  EXPECT_EQ(settings->GetCurrentUserName(), "Annie");
  EXPECT_EQ(settings->GetScoreClient()->GetScoreCount(true), 0);
  Run("LogHighScore(500, 0, 0)");
  ASSERT_EQ(settings->GetScoreClient()->GetScoreCount(true), 1) << Log();
  char name[64] = {};
  int32_t score = 0;
  ASSERT_TRUE(settings->GetScoreClient()->GetScore(true, 0, nullptr, name, sizeof name, nullptr, &score, nullptr, 0));
  EXPECT_STREQ(name, "Annie");

  // With one, its entries go and the running total is logged again under the new name.
  CHighscoreSystem::GetInstance()->AddToOtherHighscoreMadeInLevel(1234);
  const int32_t total = CHighscoreSystem::GetInstance()->GetHighscoreAsInt();
  Run("ChangeCurrentUserName('Anne')");
  EXPECT_EQ(Prefs().GetString("name", "", 0), "Anne");
  ASSERT_EQ(settings->GetScoreClient()->GetScoreCount(true), 1);
  ASSERT_TRUE(settings->GetScoreClient()->GetScore(true, 0, nullptr, name, sizeof name, nullptr, &score, nullptr, 0));
  EXPECT_STREQ(name, "Anne");
  EXPECT_EQ(score, total);
}

TEST_F(ProfilesTest, RestartingAFinishedPlayerStartsANewGameInPlaceAndKeepsTheScore) {
  TSettings* settings = Start();
  Run("CreateNewUser('Anna') CreateNewUser('Ben') CreateNewUser('Cleo') SetCurrentUser(1)");
  Prefs().SetInt("soundlevel", 100, 0);
  Prefs().SetInt("soundlevel", 900, 1);
  Prefs().SetInt("musiclevel", 300, 1);
  Prefs().SetInt("soundoff", 1, 1);
  // Ben has played through: his game, his score keeper's progress and his diary are saved, and
  // his score is in the table next to Anna's.
  Run("SetCurrentUser(0) SetCurrentGameMode(0) LogHighScore(400, 0, 0) SetCurrentUser(1)");
  CGame::GetInstance()->SetCurrentScene(105);
  CHighscoreSystem::GetInstance()->AddToOtherHighscoreMadeInLevel(1234);
  CHighscoreSystem::GetInstance()->StartLevel(2, 60);
  TDiaryEntry entry;
  entry.text = "x";
  TDiary::GetInstance()->AddContent(entry);
  CGlobalInformationSystem::GetInstance()->SetGlobalBool("level1Ended", true);
  CGlobalInformationSystem::GetInstance()->SetGlobalBool("endGame", true);
  Run("SaveGame() SetCurrentGameMode(0) LogHighScore(700, 0, 0)");
  ASSERT_EQ(Prefs().GetInt("Diary_numberOfContent", 0, 1), 1);
  ASSERT_EQ(Prefs().GetInt("HighscoreCurrentUser_LevelId", 0, 1), 2);
  ASSERT_EQ(settings->GetScoreClient()->GetScoreCount(true), 2);

  settings->RestartFinishedPlayer();
  // Same profile, same place, same settings; a new game from its first scene.
  EXPECT_EQ(Names(*settings), (std::vector<std::string>{"Anna", "Ben", "Cleo"}));
  EXPECT_EQ(settings->GetCurrentUser(), 1);
  EXPECT_EQ(Prefs().GetInt("soundlevel", 0, 1), 900);
  EXPECT_EQ(Prefs().GetInt("musiclevel", 0, 1), 300);
  EXPECT_EQ(Prefs().GetInt("soundoff", 0, 1), 1);
  EXPECT_EQ(Prefs().GetString("gamedata", "x", 1), "");
  EXPECT_EQ(Prefs().GetString("gamestate", "x", 1), "");
  EXPECT_EQ(CGame::GetInstance()->GetCurrentSceneId(), 101);
  EXPECT_FALSE(CGlobalInformationSystem::GetInstance()->GetGlobalBool("endGame"));
  EXPECT_FALSE(CGlobalInformationSystem::GetInstance()->GetGlobalBool("level1Ended"));
  // The score keeper and the diary start from nothing, also once play starts and reads them.
  Run("LoadHighscoreCurrentUser()");
  TDiary::GetInstance()->Load(Prefs(), 1);
  EXPECT_EQ(CHighscoreSystem::GetInstance()->GetHighscoreAsInt(), 0);
  EXPECT_EQ(CHighscoreSystem::GetInstance()->GetLevelId(), 1);
  EXPECT_EQ(TDiary::GetInstance()->GetItemCount(), 0);
  // Both scores stay in the table, Ben's under his name.
  ASSERT_EQ(settings->GetScoreClient()->GetScoreCount(true), 2);
  char name[64] = {};
  int32_t score = 0;
  ASSERT_TRUE(settings->GetScoreClient()->GetScore(true, 0, nullptr, name, sizeof name, nullptr, &score, nullptr, 0));
  EXPECT_STREQ(name, "Ben");
  EXPECT_EQ(score, 700);
  // Another player's progress is left alone.
  EXPECT_EQ(Prefs().GetString("name", "", 0), "Anna");
}

}  // namespace
