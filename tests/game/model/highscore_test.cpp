// The score keeper: the speed ladder, the miss-click penalty, nested pauses and the level clock,
// the hint bonus, the level's end, and its profile keys.
#include <fstream>

#include "core/config.h"
#include "core/prefsdb.h"
#include "model/scenekinds.h"
#include "modelfixture.h"
#include "shell/settings.h"

namespace {

class HighscoreTest : public ModelTest {
 protected:
  HighscoreTest() {
    MakeSingletons();
    auto level = std::make_unique<CLevel>();
    level->SetSeqId(1);
    auto scene = std::make_unique<CChapterScreen>();
    scene->SetSeqId(10);
    level->AddScene(std::move(scene));
    CGame::GetInstance()->AddLevel(std::move(level));
    CGame::GetInstance()->SetCurrentScene(10);
    score = CHighscoreSystem::GetInstance();
    for (int v : {10, 20, 30}) score->AddHOFoundBonuses(v);
    score->SetNeededTimeForHOSpeedBonusInSeconds(3);
  }
  CHighscoreSystem* score;
};

}  // namespace

TEST_F(HighscoreTest, QuickHitsClimbTheLadderAndASlowOneStartsAgain) {
  std::vector<uint32_t> earned;
  for (int64_t t : {0, 1, 2, 3, 10}) {
    mNow = 5000 + t;
    earned.push_back(score->HOHitClick());
  }
  EXPECT_EQ(earned, (std::vector<uint32_t>{10, 20, 30, 30, 10}));
  EXPECT_EQ(score->GetHOBonus(), 100);
}

TEST_F(HighscoreTest, AMissResetsTheLadder) {
  score->HOHitClick();
  mNow += 1;
  EXPECT_EQ(score->HOHitClick(), 20u);
  score->HOMissClick();
  mNow += 1;
  EXPECT_EQ(score->HOHitClick(), 10u);
}

TEST_F(HighscoreTest, EnoughMissesInTheWindowStartThePenalty) {
  score->SetClicksNeedForPenalty(3);
  score->SetTimeForClicksForPenalty(5);
  score->SetTimeForPenalty(10);
  const int64_t t = mNow;
  for (int i = 0; i < 3; ++i) {
    mNow = t + i;
    score->HOMissClick();
  }
  EXPECT_TRUE(score->IsPenaltyActive());
  mNow = t + 11;
  EXPECT_TRUE(score->IsPenaltyActive());
  mNow = t + 12;
  EXPECT_FALSE(score->IsPenaltyActive());

  for (int64_t at : {100, 106, 112}) {
    mNow = t + at;
    score->HOMissClick();
    EXPECT_FALSE(score->IsPenaltyActive()) << at;
  }
}

TEST_F(HighscoreTest, NoPenaltyWithoutAClickCount) {
  for (int i = 0; i < 10; ++i) score->HOMissClick();
  EXPECT_FALSE(score->IsPenaltyActive());
}

TEST_F(HighscoreTest, PausesNestAndTheLevelClockStandsStillWhilePaused) {
  score->StartLevel(1, 600);
  mNow += 100;
  score->PausePlay();
  score->PausePlay();
  EXPECT_EQ(score->GetRemainingTime(), 500);
  mNow += 60;
  score->StartPlay();
  EXPECT_TRUE(score->IsPaused());
  score->StartPlay();
  EXPECT_FALSE(score->IsPaused());
  EXPECT_EQ(score->GetRemainingTimePercent(), 83);  // 500 of 600
  mNow += 50;
  score->PausePlay();
  EXPECT_EQ(score->GetRemainingTime(), 450);
}

TEST_F(HighscoreTest, HintBonusIsIndexedByHintsUsed) {
  for (int v : {500, 300, 100, 0}) score->AddHintUsedInLevelBonuses(v);
  EXPECT_EQ(score->GetUsedHintsBonus(), 500);
  score->UseHint();
  score->UseHint();
  EXPECT_EQ(score->GetUsedHintsBonus(), 100);
  for (int i = 0; i < 5; ++i) score->UseHint();
  EXPECT_EQ(score->GetUsedHintsBonus(), 0);
}

TEST_F(HighscoreTest, EmptyListsEarnNothingInsteadOfReadingOutside) {
  score->ClearBonusLists();
  EXPECT_EQ(score->HOHitClick(), 0u);
  EXPECT_EQ(score->GetUsedHintsBonus(), 0);
}

TEST_F(HighscoreTest, EventsWithoutACurrentSceneAreNotCounted) {
  score->SetHOTaskCompleteBonus(50);
  CGame::GetInstance()->SetCurrentScene(-1);
  EXPECT_EQ(score->HOTaskComplete(), 50u);
  EXPECT_EQ(score->GetBonus(), 0);
  CGame::GetInstance()->SetCurrentScene(10);
  score->HOTaskComplete();
  EXPECT_EQ(score->GetBonus(), 50);
}

TEST_F(HighscoreTest, EndLevelFoldsTheLevelIntoThePreviousBonus) {
  score->SetLevelCompleteBonus(1000);
  score->SetLevelSpeedPerSecondBonus(2);
  score->SetFoundInventoryItemBonus(10);
  score->AddHintUsedInLevelBonuses(5);
  score->StartLevel(3, 100);
  score->FoundInventoryItem();
  score->HOHitClick();  // 10 into the running scene's bonus
  score->AddToOtherHighscoreMadeInLevel(7);
  mNow += 40;
  score->EndLevel();
  // 10 found + 10 from the scene + 5 hints + 7 other + 1000 + 2 x 60 seconds left.
  EXPECT_EQ(score->GetPreviousLevelBonus(), 1152);
  EXPECT_EQ(score->GetLevelId(), 0);
  EXPECT_TRUE(score->IsPaused());
  // The other points count once inside the previous bonus and once on their own until StartLevel.
  EXPECT_EQ(score->GetHighscoreAsInt(), 1159);
  score->StartLevel(4, 100);
  EXPECT_EQ(score->GetHighscoreAsInt(), 1152);
}

TEST_F(HighscoreTest, ScriptResultsAreUnsignedAndLargeScoresDoNotOverflow) {
  score->AddToOtherHighscoreMadeInLevel(-5);
  Run("s = GetHighscoreAsInt() ; t = GetHighscore()");
  EXPECT_EQ(GlobalNumber("s"), 4294967291.0);
  EXPECT_EQ(GlobalString("t"), "-5");
  score->SetFoundInventoryItemBonus(INT32_MAX);
  for (int i = 0; i < 3; ++i) score->FoundInventoryItem();
  score->GetBonus();  // wraps in 32 bits, never undefined
}

TEST_F(HighscoreTest, ProfileKeysSaveTwiceTheSameAndLoadPausesPlay) {
  testutil::TempFolder folder;
  SetConfig("encryptionkey", "ScoreKeyText");
  TPrefsDB db(true, (folder / "prefsdb.dat").c_str());
  for (int v : {500, 300, 100, 0}) score->AddHintUsedInLevelBonuses(v);
  score->SetUsedInventoryItemSuccessfullyBonus(20);
  score->StartLevel(2, 300);
  score->UsedInventoryItemSuccessfully();
  score->UseHint();
  mNow += 30;
  score->Save(db, 0, false);
  const int bonus = score->GetBonus();
  const int remaining = db.GetInt("HighscoreCurrentUser_RemainingTime", -1, 0);
  const int hints = db.GetInt("HighscoreCurrentUser_UsedHintsInLevelSave", -1, 0);
  score->Save(db, 0, false);
  EXPECT_EQ(db.GetInt("HighscoreCurrentUser_RemainingTime", -1, 0), remaining);
  EXPECT_EQ(db.GetInt("HighscoreCurrentUser_UsedHintsInLevelSave", -1, 0), hints);
  EXPECT_EQ(db.GetInt("HighscoreCurrentUser_startTimeSave", -1, 0), 30);
  EXPECT_EQ(score->GetBonus(), bonus);

  CHighscoreSystem* loaded = CHighscoreSystem::CreateInstance();
  for (int v : {500, 300, 100, 0}) loaded->AddHintUsedInLevelBonuses(v);
  loaded->SetUsedInventoryItemSuccessfullyBonus(20);
  loaded->Load(db, 0);
  EXPECT_EQ(loaded->GetLevelId(), 2);
  EXPECT_EQ(loaded->GetBonus(), 20);
  EXPECT_EQ(loaded->GetUsedHintsBonus(), 300);
  EXPECT_TRUE(loaded->IsPaused());
  const int64_t hintTime = loaded->GetTimeSinceLastHint();
  mNow += 100;
  EXPECT_EQ(loaded->GetTimeSinceLastHint(), hintTime);
  loaded->StartPlay();
  mNow += 5;
  EXPECT_EQ(loaded->GetTimeSinceLastHint(), hintTime + 5);

  // A profile without keys starts at level 1 with a hint available.
  CHighscoreSystem* fresh = CHighscoreSystem::CreateInstance();
  fresh->Load(db, 3);
  EXPECT_EQ(fresh->GetLevelId(), 1);
  EXPECT_EQ(fresh->GetTimeSinceLastHint(), 100000);
  ClearConfig();
}

TEST_F(HighscoreTest, ScriptSaveGoesToTheCurrentProfile) {
  testutil::TempFolder folder;
  SetConfig("encryptionkey", "ScoreKeyText");
  TPrefsDB db(true, (folder / "prefsdb.dat").c_str());
  TSettings* settings = TSettings::CreateDetachedInstance();
  settings->SetPrefsDB(&db);
  settings->SetCurrentUserIndex(1);
  score->StartLevel(9, 10);
  Run("SaveHighscoreCurrentUser()");
  EXPECT_EQ(db.GetInt("HighscoreCurrentUser_LevelId", 0, 1), 9);
  settings->SetCurrentUserIndex(-1);
  score->StartLevel(4, 10);
  Run("SaveHighscoreCurrentUser()");
  EXPECT_EQ(db.GetInt("HighscoreCurrentUser_LevelId", 0, -1), 0);
  TSettings::DestroyInstance();
  Run("SaveHighscoreCurrentUser() LoadHighscoreCurrentUser()");
  EXPECT_TRUE(Logged("no profile store"));
  EXPECT_EQ(score->GetLevelId(), 4);
  ClearConfig();
}

// The SQLite file change counter (header bytes 24..27): one step per committed write.
uint32_t ChangeCounter(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  unsigned char header[28] = {};
  in.read(reinterpret_cast<char*>(header), sizeof header);
  return uint32_t(header[24]) << 24 | uint32_t(header[25]) << 16 | uint32_t(header[26]) << 8 | header[27];
}

TEST_F(HighscoreTest, ScriptSaveIsOneCommit) {
  testutil::TempFolder folder;
  SetConfig("encryptionkey", "ScoreKeyText");
  const std::string path = folder / "prefsdb.dat";
  TPrefsDB db(true, path.c_str());
  TSettings* settings = TSettings::CreateDetachedInstance();
  settings->SetPrefsDB(&db);
  settings->SetCurrentUserIndex(0);
  score->StartLevel(9, 10);
  Run("SaveHighscoreCurrentUser()");
  const uint32_t before = ChangeCounter(path);
  score->StartLevel(10, 10);
  Run("SaveHighscoreCurrentUser()");
  EXPECT_EQ(ChangeCounter(path), before + 1);
  EXPECT_EQ(db.GetInt("HighscoreCurrentUser_LevelId", 0, 0), 10);
  TSettings::DestroyInstance();
  ClearConfig();
}

TEST_F(HighscoreTest, ScoreFunctionsOfADestroyedKeeperDoNothing) {
  CHighscoreSystem::DestroyInstance();
  EXPECT_EQ(mScript.DoLuaString("r = HOHitClick()", -1, 0), 0);
  EXPECT_EQ(GlobalType("r"), LUA_TNIL);
  EXPECT_TRUE(Logged("HOHitClick")) << Log();
}
