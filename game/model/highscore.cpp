// The score keeper's events, level clock, bonuses and profile keys.
#include "model/highscore.h"

#include <algorithm>
#include <memory>

#include "core/log.h"
#include "core/prefsdb.h"
#include "model/game.h"
#include "model/modelscript.h"
#include "model/profilestore.h"
#include "model/savetext.h"

using namespace savetext;

// Scores wrap in 32 bits the way the stored integers do; the sums are made in 64 bits so that no
// data value can make the arithmetic undefined.
static int32_t Wrap(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(v)); }

CHighscoreSystem* CHighscoreSystem::CreateInstance() {
  ModelSingleton<CHighscoreSystem>().reset();
  ModelSingleton<CHighscoreSystem>().reset(new CHighscoreSystem());
  return ModelSingleton<CHighscoreSystem>().get();
}

CHighscoreSystem* CHighscoreSystem::GetInstance() { return ModelSingleton<CHighscoreSystem>().get(); }

void CHighscoreSystem::DestroyInstance() { ModelSingleton<CHighscoreSystem>().reset(); }

CHighscoreSystem::CHighscoreSystem() {
  mHintClockStart = ModelNow();
  mPlayClock.Reset();
  mPlayClock.Start();
  lua_State* L = GetModelScriptState();
  if (!L) {
    LogPrintf("Score keeper: no window script, its functions are not bound\n");
    return;
  }
  using C = CHighscoreSystem;
  TScriptBindings& b = mBindings;
  b.Bind(L, "GetHighscore", this, &C::GetHighscore);
  b.Bind(L, "LoadHighscoreCurrentUser", this, &C::LoadHighscoreCurrentUser);
  b.Bind(L, "SaveHighscoreCurrentUser", this, &C::SaveHighscoreCurrentUser);
  b.Bind(L, "FoundInventoryItem", this, &C::FoundInventoryItem);
  b.Bind(L, "UsedInventoryItemSuccessfully", this, &C::UsedInventoryItemSuccessfully);
  b.Bind(L, "UsedInventoryItemWrong", this, &C::UsedInventoryItemWrong);
  b.Bind(L, "AdventureTaskComplete", this, &C::AdventureTaskComplete);
  b.Bind(L, "HOStart", this, &C::HOStart);
  b.Bind(L, "HOHitClick", this, &C::HOHitClick);
  b.Bind(L, "HOMissClick", this, &C::HOMissClick);
  b.Bind(L, "HOTaskComplete", this, &C::HOTaskComplete);
  b.Bind(L, "HOEnd", this, &C::HOEnd);
  b.Bind(L, "MiniGameTaskComplete", this, &C::MiniGameTaskComplete);
  b.Bind(L, "MiniGameSkiped", this, &C::MiniGameSkiped);
  b.Bind(L, "UseHint", this, &C::UseHint);
  b.Bind(L, "StartPlay", this, &C::StartPlay);
  b.Bind(L, "PausePlay", this, &C::PausePlay);
  b.Bind(L, "StartLevel", this, &C::StartLevel);
  b.Bind(L, "EndLevel", this, &C::EndLevel);
  b.Bind(L, "GetHighscoreAsInt", this, &C::GetHighscoreAsIntForScript);
  b.Bind(L, "GetHOBonus", this, &C::GetHOBonusForScript);
  b.Bind(L, "GetPreviousLevelBonus", this, &C::GetPreviousLevelBonusForScript);
  b.Bind(L, "GetBonus", this, &C::GetBonusForScript);
  b.Bind(L, "GetTimeBonus", this, &C::GetTimeBonusForScript);
  b.Bind(L, "GetUsedHintsBonus", this, &C::GetUsedHintsBonusForScript);
  b.Bind(L, "GetLevelCompleteBonus", this, &C::GetLevelCompleteBonusForScript);
  b.Bind(L, "AddToOtherHighscoreMadeInLevel", this, &C::AddToOtherHighscoreMadeInLevel);
}

CHighscoreSystem::~CHighscoreSystem() = default;

int32_t CHighscoreSystem::CurrentScene() {
  CGame* game = CGame::GetInstance();
  CScene* scene = game ? game->GetCurrentScene() : nullptr;
  return scene ? scene->GetSeqId() : -1;
}

// Without a current scene an event has nowhere to be counted; it is dropped with a log line.
void CHighscoreSystem::CountForScene(std::map<int32_t, int32_t>& counts) {
  const int32_t scene = CurrentScene();
  if (scene == -1) {
    LogPrintf("Score event without a current scene is not counted\n");
    return;
  }
  counts[scene] = Wrap(int64_t(counts[scene]) + 1);
}

int64_t CHighscoreSystem::Sum(const std::map<int32_t, int32_t>& counts) {
  int64_t sum = 0;
  for (const auto& [scene, count] : counts) sum += count;
  return sum;
}

void CHighscoreSystem::ClearLevelCounts() {
  mUsedItemSuccessfully.clear();
  mUsedItemWrong.clear();
  mHoTasks.clear();
  mMiniGameTasks.clear();
  mMiniGameSkips.clear();
  mHintsUsed.clear();
}

int64_t CHighscoreSystem::LiveRemainingTime(int64_t now) const {
  return std::max<int64_t>(0, mRemainingTime - (now - mLevelClockStart));
}

TString CHighscoreSystem::GetHighscore() {
  mScoreText = TString::Format("%d", GetHighscoreAsInt());
  return mScoreText;
}

uint32_t CHighscoreSystem::FoundInventoryItem() {
  mFoundInventoryItem = Wrap(int64_t(mFoundInventoryItem) + 1);
  return static_cast<uint32_t>(mFoundInventoryItemBonus);
}

uint32_t CHighscoreSystem::UsedInventoryItemSuccessfully() {
  CountForScene(mUsedItemSuccessfully);
  return static_cast<uint32_t>(mUsedInventoryItemSuccessfullyBonus);
}

void CHighscoreSystem::UsedInventoryItemWrong() { CountForScene(mUsedItemWrong); }

uint32_t CHighscoreSystem::AdventureTaskComplete() {
  mAdventureTaskComplete = Wrap(int64_t(mAdventureTaskComplete) + 1);
  return static_cast<uint32_t>(mAdventureTaskCompleteBonus);
}

void CHighscoreSystem::HOStart() { mHoIntervalStart = mHoStartTime = ModelNow(); }

// A ladder without rungs earns nothing instead of reading past an empty list.
uint32_t CHighscoreSystem::HOHitClick() {
  const int64_t now = ModelNow();
  mHoIntervalStart = now;
  CountForScene(mHoHits);
  if (now - mLastHitTime > int64_t(mNeededTimeForHOSpeedBonus)) {
    mHOSpeedBonusLevel = 0;
  } else if (!mHOFoundBonuses.empty() && mHOSpeedBonusLevel < mHOFoundBonuses.size() - 1) {
    ++mHOSpeedBonusLevel;
  }
  int32_t earned = 0;
  if (!mHOFoundBonuses.empty()) {
    earned = mHOFoundBonuses[std::min<size_t>(mHOSpeedBonusLevel, mHOFoundBonuses.size() - 1)];
  }
  mHOBonus = Wrap(int64_t(mHOBonus) + earned);
  mLastHitTime = now;
  if (!mPenaltyActive) mMissTimes.clear();
  return static_cast<uint32_t>(earned);
}

void CHighscoreSystem::HOMissClick() {
  CountForScene(mHoMisses);
  mHOSpeedBonusLevel = 0;
  mLastHitTime = 0;
  mMissTimes.push_back(ModelNow());
}

uint32_t CHighscoreSystem::HOTaskComplete() {
  CountForScene(mHoTasks);
  return static_cast<uint32_t>(mHOTaskCompleteBonus);
}

void CHighscoreSystem::HOEnd() {
  mHOBonusComplete = Wrap(int64_t(mHOBonusComplete) + mHOBonus);
  mHOBonus = 0;
  mHOSpeedBonusLevel = 0;
  mLastHitTime = 0;
  mFrozenHoInterval = 0;
  mHoIntervalStart = ModelNow();
  mPenaltyActive = false;
  mPenaltyStart = 0;
}

uint32_t CHighscoreSystem::MiniGameTaskComplete() {
  CountForScene(mMiniGameTasks);
  return static_cast<uint32_t>(mMiniGameTaskCompleteBonus);
}

void CHighscoreSystem::MiniGameSkiped() { CountForScene(mMiniGameSkips); }

void CHighscoreSystem::UseHint() {
  CountForScene(mHintsUsed);
  mElapsedTimeSinceLastHintUse = 0;
  mHintClockStart = ModelNow();
}

void CHighscoreSystem::PausePlay() {
  if (mPauseDepth == 0) {
    const int64_t now = ModelNow();
    mRemainingTime = LiveRemainingTime(now);
    mFrozenSinceLastHit = now - mLastHitTime;
    mElapsedTimeSinceLastHintUse += now - mHintClockStart;
    mFrozenHoInterval = now - mHoIntervalStart;
    mFrozenHoElapsed = now - mHoStartTime;
    mPlayClock.Pause();
  }
  ++mPauseDepth;
}

void CHighscoreSystem::StartPlay() {
  if (mPauseDepth > 0) --mPauseDepth;
  if (mPauseDepth > 0) return;
  const int64_t now = ModelNow();
  mLastHitTime = now - mFrozenSinceLastHit;
  mLevelClockStart = now;
  mHintClockStart = now;
  mHoIntervalStart = now - mFrozenHoInterval;
  mHoStartTime = now - mFrozenHoElapsed;
  mPlayClock.Start();
}

void CHighscoreSystem::StartLevel(int32_t levelId, int32_t seconds) {
  const int64_t now = ModelNow();
  mLevelId = levelId;
  mCompleteTime = mRemainingTime = seconds;
  mPauseDepth = 0;
  mFoundInventoryItem = 0;
  mAdventureTaskComplete = 0;
  ClearLevelCounts();
  mHOBonus = mHOBonusComplete = 0;
  mHOSpeedBonusLevel = 0;
  mLastHitTime = 0;
  mElapsedTimeSinceLastHintUse = 100000;
  mHintClockStart = mLevelClockStart = mLevelStartTime = now;
  mUsedInventoryItemSuccessfullySave = mMiniGameTaskCompleteSave = 0;
  mUsedHintsInLevelSave = mHOTaskCompleteSave = 0;
  mOtherHighscoreMadeInLevel = 0;
}

void CHighscoreSystem::EndLevel() {
  PausePlay();
  HOEnd();
  mBonusFromPreviousLevels =
      Wrap(int64_t(mBonusFromPreviousLevels) + GetBonus() + GetUsedHintsBonus() +
           mOtherHighscoreMadeInLevel + mLevelCompleteBonus + GetTimeBonus());
  mLevelId = 0;
  mFoundInventoryItem = 0;
  mAdventureTaskComplete = 0;
  ClearLevelCounts();
  mRemainingTime = 0;
  mCompleteTime = 0;
  mHOBonusComplete = 0;
  mHOSpeedBonusLevel = 0;
  mLastHitTime = 0;
  mUsedInventoryItemSuccessfullySave = mMiniGameTaskCompleteSave = 0;
  mUsedHintsInLevelSave = mHOTaskCompleteSave = 0;
}

int32_t CHighscoreSystem::GetHighscoreAsInt() const {
  return Wrap(int64_t(mHOBonus) + GetBonus() + mOtherHighscoreMadeInLevel +
              mBonusFromPreviousLevels);
}

int32_t CHighscoreSystem::GetBonus() const {
  int64_t bonus = mHOBonusComplete;
  bonus += int64_t(mMiniGameTaskCompleteBonus) * (Sum(mMiniGameTasks) + mMiniGameTaskCompleteSave);
  bonus += int64_t(mHOTaskCompleteBonus) * (Sum(mHoTasks) + mHOTaskCompleteSave);
  bonus += int64_t(mAdventureTaskCompleteBonus) * mAdventureTaskComplete;
  bonus += int64_t(mUsedInventoryItemSuccessfullyBonus) *
           (Sum(mUsedItemSuccessfully) + mUsedInventoryItemSuccessfullySave);
  bonus += int64_t(mFoundInventoryItemBonus) * mFoundInventoryItem;
  return Wrap(bonus);
}

int32_t CHighscoreSystem::GetTimeBonus() const {
  return Wrap(int64_t(mLevelSpeedPerSecondBonus) * static_cast<int32_t>(mRemainingTime));
}

// An empty hint list gives no bonus instead of reading before its start.
int32_t CHighscoreSystem::GetUsedHintsBonus() const {
  if (mHintUsedBonuses.empty()) return 0;
  const int64_t used = Sum(mHintsUsed) + mUsedHintsInLevelSave;
  const int64_t last = static_cast<int64_t>(mHintUsedBonuses.size()) - 1;
  return mHintUsedBonuses[static_cast<size_t>(std::clamp<int64_t>(used, 0, last))];
}

uint32_t CHighscoreSystem::AddToOtherHighscoreMadeInLevel(int32_t points) {
  mOtherHighscoreMadeInLevel = Wrap(int64_t(mOtherHighscoreMadeInLevel) + points);
  return static_cast<uint32_t>(points);
}

bool CHighscoreSystem::IsPenaltyActive() {
  const int64_t now = ModelNow();
  if (mPenaltyActive) {
    if (now - mPenaltyStart < mTimeForPenalty) return true;
    mPenaltyActive = false;
  }
  if (mClicksNeedForPenalty == 0) return false;
  if (mTimeForClicksForPenalty != 0) {
    auto keep = std::find_if(mMissTimes.begin(), mMissTimes.end(), [&](int64_t t) {
      return now - t <= mTimeForClicksForPenalty;
    });
    mMissTimes.erase(mMissTimes.begin(), keep);
  }
  // The count is an unsigned value of the game data.
  if (mMissTimes.size() >= static_cast<uint32_t>(mClicksNeedForPenalty)) {
    mPenaltyActive = true;
    mPenaltyStart = now;
    mMissTimes.clear();
  }
  return mPenaltyActive;
}

int64_t CHighscoreSystem::GetTimeSinceLastHint() const {
  if (mPauseDepth > 0) return mElapsedTimeSinceLastHintUse;
  return mElapsedTimeSinceLastHintUse + ModelNow() - mHintClockStart;
}

int32_t CHighscoreSystem::GetRemainingTimePercent() const {
  if (mCompleteTime <= 0) return 0;
  return static_cast<int32_t>(LiveRemainingTime(ModelNow()) * 100 / mCompleteTime);
}

// ---- profile keys ----

static const char* const kLevelId = "HighscoreCurrentUser_LevelId";
static const char* const kOther = "HighscoreCurrentUser_OtherHighscoreMadeInLevel";
static const char* const kPrevious = "HighscoreCurrentUser_BonusFromPreviousLevels";
static const char* const kFound = "HighscoreCurrentUser_FoundInventoryItem";
static const char* const kAdventure = "HighscoreCurrentUser_AdventureTaskComplete";
static const char* const kHOBonus = "HighscoreCurrentUser_HOBonus";
static const char* const kHOBonusComplete = "HighscoreCurrentUser_HOBonusComplete";
static const char* const kSpeedLevel = "HighscoreCurrentUser_HOSpeedBonusLevel";
static const char* const kLastHit = "HighscoreCurrentUser_TimerLastHitClickHOGSave";
static const char* const kCompleteTime = "HighscoreCurrentUser_CompleteTime";
static const char* const kRemaining = "HighscoreCurrentUser_RemainingTime";
static const char* const kStart = "HighscoreCurrentUser_startTimeSave";
static const char* const kHintTimer = "HighscoreCurrentUser_ElapsedTimeSinceLastHintUse";
static const char* const kLevelStart = "HighscoreCurrentUser_levelStartTimeSave";
static const char* const kUsedSave = "HighscoreCurrentUser_UsedInventoryItemSuccessfullySave";
static const char* const kMiniSave = "HighscoreCurrentUser_MiniGameTaskCompleteSave";
static const char* const kHintsSave = "HighscoreCurrentUser_UsedHintsInLevelSave";
static const char* const kHOTaskSave = "HighscoreCurrentUser_HOTaskCompleteSave";

void CHighscoreSystem::Save(TPrefsDB& db, int user, bool commit) const {
  const int64_t now = ModelNow();
  const bool paused = mPauseDepth > 0;
  auto put = [&](const char* key, int64_t value) { db.SetInt(key, Wrap(value), user, commit); };
  put(kLevelId, mLevelId);
  put(kOther, mOtherHighscoreMadeInLevel);
  put(kPrevious, mBonusFromPreviousLevels);
  put(kFound, mFoundInventoryItem);
  put(kAdventure, mAdventureTaskComplete);
  put(kHOBonus, mHOBonus);
  put(kHOBonusComplete, mHOBonusComplete);
  put(kSpeedLevel, mHOSpeedBonusLevel);
  put(kLastHit, paused ? mFrozenSinceLastHit : now - mLastHitTime);
  put(kCompleteTime, mCompleteTime);
  put(kRemaining, mRemainingTime);
  put(kStart, now - mLevelClockStart);
  put(kHintTimer, paused ? mElapsedTimeSinceLastHintUse
                         : mElapsedTimeSinceLastHintUse + (now - mHintClockStart));
  put(kLevelStart, now - mLevelStartTime);
  put(kUsedSave, mUsedInventoryItemSuccessfullySave + Sum(mUsedItemSuccessfully));
  put(kMiniSave, mMiniGameTaskCompleteSave + Sum(mMiniGameTasks));
  put(kHintsSave, mUsedHintsInLevelSave + Sum(mHintsUsed));
  put(kHOTaskSave, mHOTaskCompleteSave + Sum(mHoTasks));
}

void CHighscoreSystem::ResetProfileKeys(TPrefsDB& db, int user, bool commit) {
  for (const char* key : {kOther, kPrevious, kFound, kAdventure, kHOBonus, kHOBonusComplete, kSpeedLevel, kLastHit,
                          kCompleteTime, kRemaining, kStart, kLevelStart, kUsedSave, kMiniSave, kHintsSave,
                          kHOTaskSave})
    db.SetInt(key, 0, user, commit);
  db.SetInt(kLevelId, 1, user, commit);
  db.SetInt(kHintTimer, 100000, user, commit);
}

void CHighscoreSystem::Load(TPrefsDB& db, int user) {
  const int64_t now = ModelNow();
  auto get = [&](const char* key, int def) { return db.GetInt(key, def, user); };
  mUsedItemSuccessfully.clear();
  mMiniGameTasks.clear();
  mHintsUsed.clear();
  mHoTasks.clear();
  mLevelId = get(kLevelId, 1);
  mOtherHighscoreMadeInLevel = get(kOther, 0);
  mBonusFromPreviousLevels = get(kPrevious, 0);
  mFoundInventoryItem = get(kFound, 0);
  mAdventureTaskComplete = get(kAdventure, 0);
  mHOBonus = get(kHOBonus, 0);
  mHOBonusComplete = get(kHOBonusComplete, 0);
  mHOSpeedBonusLevel = static_cast<uint32_t>(get(kSpeedLevel, 0));
  mFrozenSinceLastHit = get(kLastHit, 0);
  mLastHitTime = now - mFrozenSinceLastHit;
  mCompleteTime = get(kCompleteTime, 0);
  mRemainingTime = get(kRemaining, 0);
  mLevelClockStart = now - get(kStart, 0);
  mElapsedTimeSinceLastHintUse = get(kHintTimer, 100000);
  mHintClockStart = now;
  mLevelStartTime = now - get(kLevelStart, 0);
  mUsedInventoryItemSuccessfullySave = get(kUsedSave, 0);
  mMiniGameTaskCompleteSave = get(kMiniSave, 0);
  mUsedHintsInLevelSave = get(kHintsSave, 0);
  mHOTaskCompleteSave = get(kHOTaskSave, 0);
  mPauseDepth = 1;
}

void CHighscoreSystem::SaveHighscoreCurrentUser() {
  IProfileStore* store = GetProfileStore();
  TPrefsDB* db = store ? store->GetProfileDB() : nullptr;
  // Without a current profile the keys would land among the install-wide values.
  if (!db || store->GetCurrentProfile() < 0) {
    LogPrintf("SaveHighscoreCurrentUser: no profile store\n");
    return;
  }
  // One commit for all the score keys, like a game save: a profile never holds half of one.
  const int profile = store->GetCurrentProfile();
  Save(*db, profile, false);
  if (!db->Commit()) LogPrintf("SaveHighscoreCurrentUser: the scores of profile %d could not be saved\n", profile);
}

void CHighscoreSystem::LoadHighscoreCurrentUser() {
  IProfileStore* store = GetProfileStore();
  TPrefsDB* db = store ? store->GetProfileDB() : nullptr;
  // Without a current profile the keys would land among the install-wide values.
  if (!db || store->GetCurrentProfile() < 0) {
    LogPrintf("LoadHighscoreCurrentUser: no profile store\n");
    return;
  }
  Load(*db, store->GetCurrentProfile());
}

// ---- save text ----

static void AppendList(std::string& out, const char* name, const std::vector<int32_t>& values) {
  out += '\t';
  out += name;
  out += '{';
  for (size_t i = 0; i < values.size(); ++i) {
    if (i) out += ", ";
    AppendInt(out, values[i]);
  }
  out += "};\n";
}

void CHighscoreSystem::Serialize(std::string& out) const {
  BeginRecord(out, "MakeHighscoreSystem");
  UintField(out, "levelCompleteBonus", static_cast<uint32_t>(mLevelCompleteBonus));
  UintField(out, "levelSpeedPerSecondBonus", static_cast<uint32_t>(mLevelSpeedPerSecondBonus));
  UintField(out, "neededTimeForHOSpeedBonusInSeconds", mNeededTimeForHOSpeedBonus);
  UintField(out, "HOTaskCompleteBonus", static_cast<uint32_t>(mHOTaskCompleteBonus));
  UintField(out, "foundInventoryItemBonus", static_cast<uint32_t>(mFoundInventoryItemBonus));
  UintField(out, "usedInventoryItemSuccessfullyBonus",
            static_cast<uint32_t>(mUsedInventoryItemSuccessfullyBonus));
  UintField(out, "adventureTaskCompleteBonus", static_cast<uint32_t>(mAdventureTaskCompleteBonus));
  UintField(out, "miniGameTaskCompleteBonus", static_cast<uint32_t>(mMiniGameTaskCompleteBonus));
  UintField(out, "clicksNeedForPenalty", static_cast<uint32_t>(mClicksNeedForPenalty));
  IntField(out, "timeForClicksForPenalty", mTimeForClicksForPenalty);
  IntField(out, "timeForPenalty", mTimeForPenalty);
  AppendList(out, "MakeHOFoundBonus", mHOFoundBonuses);
  AppendList(out, "MakeHintUsedInLevelBonus", mHintUsedBonuses);
  EndRecordPlain(out);
}
