// The score keeper: counts the play events of the running level (mostly per scene), turns them
// into points with the bonus constants of the game data, rewards fast hidden-object play with a
// ladder of bonuses, punishes random clicking with a penalty time, and runs the level clock down.
// Its running state lives in the profile's preference keys; the save text holds only the constants.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/string.h"
#include "model/modelbase.h"
#include "script/scriptbinding.h"

class TPrefsDB;

class CHighscoreSystem : public CObservedSubject, public ISerializable {
 public:
  // Replaces any existing instance.
  static CHighscoreSystem* CreateInstance();
  static CHighscoreSystem* GetInstance();
  static void DestroyInstance();

  ~CHighscoreSystem() override;
  CHighscoreSystem(const CHighscoreSystem&) = delete;
  CHighscoreSystem& operator=(const CHighscoreSystem&) = delete;

  // The script functions. Integer results reach Lua as unsigned 32-bit values.
  TString GetHighscore();
  void LoadHighscoreCurrentUser();
  void SaveHighscoreCurrentUser();
  uint32_t FoundInventoryItem();
  uint32_t UsedInventoryItemSuccessfully();
  void UsedInventoryItemWrong();
  uint32_t AdventureTaskComplete();
  void HOStart();
  uint32_t HOHitClick();
  void HOMissClick();
  uint32_t HOTaskComplete();
  void HOEnd();
  uint32_t MiniGameTaskComplete();
  void MiniGameSkiped();
  void UseHint();
  void StartPlay();
  void PausePlay();
  void StartLevel(int32_t levelId, int32_t seconds);
  void EndLevel();
  uint32_t GetHighscoreAsIntForScript() { return static_cast<uint32_t>(GetHighscoreAsInt()); }
  uint32_t GetHOBonusForScript() { return static_cast<uint32_t>(mHOBonus); }
  uint32_t GetPreviousLevelBonusForScript() { return static_cast<uint32_t>(mBonusFromPreviousLevels); }
  uint32_t GetBonusForScript() { return static_cast<uint32_t>(GetBonus()); }
  uint32_t GetTimeBonusForScript() { return static_cast<uint32_t>(GetTimeBonus()); }
  uint32_t GetUsedHintsBonusForScript() { return static_cast<uint32_t>(GetUsedHintsBonus()); }
  uint32_t GetLevelCompleteBonusForScript() { return static_cast<uint32_t>(mLevelCompleteBonus); }
  uint32_t AddToOtherHighscoreMadeInLevel(int32_t points);

  // The same values for native callers.
  int32_t GetHighscoreAsInt() const;
  int32_t GetBonus() const;
  int32_t GetTimeBonus() const;
  int32_t GetUsedHintsBonus() const;
  int32_t GetHOBonus() const { return mHOBonus; }
  int32_t GetPreviousLevelBonus() const { return mBonusFromPreviousLevels; }
  int32_t GetLevelCompleteBonus() const { return mLevelCompleteBonus; }
  int32_t GetLevelId() const { return mLevelId; }
  int64_t GetRemainingTime() const { return mRemainingTime; }
  bool IsPaused() const { return mPauseDepth > 0; }

  // Window queries.
  bool IsPenaltyActive();
  int64_t GetTimeSinceLastHint() const;
  int32_t GetRemainingTimePercent() const;
  uint32_t GetPlayClockTime() const { return mPlayClock.GetTime(); }

  // The profile keys of one player. `commit` asks the store to commit each key at once; a whole
  // save passes false and commits once at its end.
  void Save(TPrefsDB& db, int user, bool commit) const;
  void Load(TPrefsDB& db, int user);
  // Writes every profile key as a player who never played has it (the values Load takes for a
  // missing key), so that player's next game starts its score from nothing.
  static void ResetProfileKeys(TPrefsDB& db, int user, bool commit);

  // Constants from the game data.
  void SetLevelCompleteBonus(int32_t v) { mLevelCompleteBonus = v; }
  void SetLevelSpeedPerSecondBonus(int32_t v) { mLevelSpeedPerSecondBonus = v; }
  void SetNeededTimeForHOSpeedBonusInSeconds(uint32_t v) { mNeededTimeForHOSpeedBonus = v; }
  void SetHOTaskCompleteBonus(int32_t v) { mHOTaskCompleteBonus = v; }
  void SetFoundInventoryItemBonus(int32_t v) { mFoundInventoryItemBonus = v; }
  void SetUsedInventoryItemSuccessfullyBonus(int32_t v) { mUsedInventoryItemSuccessfullyBonus = v; }
  void SetAdventureTaskCompleteBonus(int32_t v) { mAdventureTaskCompleteBonus = v; }
  void SetMiniGameTaskCompleteBonus(int32_t v) { mMiniGameTaskCompleteBonus = v; }
  void SetClicksNeedForPenalty(int32_t v) { mClicksNeedForPenalty = v; }
  void SetTimeForClicksForPenalty(int64_t v) { mTimeForClicksForPenalty = v; }
  void SetTimeForPenalty(int64_t v) { mTimeForPenalty = v; }
  void AddHOFoundBonuses(int32_t v) { mHOFoundBonuses.push_back(v); }
  void AddHintUsedInLevelBonuses(int32_t v) { mHintUsedBonuses.push_back(v); }
  void ClearBonusLists() { mHOFoundBonuses.clear(), mHintUsedBonuses.clear(); }

  void Serialize(std::string& out) const override;

 private:
  CHighscoreSystem();
  // The seqId of the current scene, or -1.
  static int32_t CurrentScene();
  // Adds one to the scene's count; nothing without a current scene.
  static void CountForScene(std::map<int32_t, int32_t>& counts);
  static int64_t Sum(const std::map<int32_t, int32_t>& counts);
  void ClearLevelCounts();
  int64_t LiveRemainingTime(int64_t now) const;

  int32_t mLevelId = 0;
  int32_t mBonusFromPreviousLevels = 0;
  int32_t mPauseDepth = 0;
  int64_t mFrozenSinceLastHit = 0;
  int32_t mFoundInventoryItem = 0;
  std::map<int32_t, int32_t> mUsedItemSuccessfully, mUsedItemWrong;
  int32_t mAdventureTaskComplete = 0;
  std::map<int32_t, int32_t> mHoHits, mHoMisses, mHoTasks, mMiniGameTasks, mMiniGameSkips, mHintsUsed;
  std::vector<int64_t> mMissTimes;
  bool mPenaltyActive = false;
  int64_t mPenaltyStart = 0;
  int64_t mCompleteTime = 0;
  int64_t mRemainingTime = 0;
  int64_t mLevelClockStart = 0;
  int64_t mLastHitTime = 0;
  int32_t mHOBonus = 0;
  int32_t mHOBonusComplete = 0;
  uint32_t mHOSpeedBonusLevel = 0;
  int32_t mLevelCompleteBonus = 0;
  int32_t mLevelSpeedPerSecondBonus = 0;
  std::vector<int32_t> mHOFoundBonuses;
  uint32_t mNeededTimeForHOSpeedBonus = 0;
  int32_t mHOTaskCompleteBonus = 0, mFoundInventoryItemBonus = 0,
          mUsedInventoryItemSuccessfullyBonus = 0, mAdventureTaskCompleteBonus = 0,
          mMiniGameTaskCompleteBonus = 0;
  std::vector<int32_t> mHintUsedBonuses;
  int64_t mElapsedTimeSinceLastHintUse = 100000;
  int64_t mHintClockStart = 0;
  TString mScoreText;
  int64_t mLevelStartTime = 0;
  int64_t mHoIntervalStart = 0, mFrozenHoInterval = 0;
  int64_t mHoStartTime = 0, mFrozenHoElapsed = 0;
  int32_t mUsedInventoryItemSuccessfullySave = 0, mMiniGameTaskCompleteSave = 0,
          mUsedHintsInLevelSave = 0, mHOTaskCompleteSave = 0;
  int32_t mOtherHighscoreMadeInLevel = 0;
  int32_t mClicksNeedForPenalty = 0;
  int64_t mTimeForClicksForPenalty = 0;
  int64_t mTimeForPenalty = 0;
  TClock mPlayClock;
  TScriptBindings mBindings;
};
