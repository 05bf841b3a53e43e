// A writer killed at random moments: every reopen must find the file whole, holding exactly the
// values of one commit (never a mix of two), and no commit that finished may be lost.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>

#include "core/prefsdb.h"
#include "prefs_fixture.h"

namespace {
using prefstest::PrefsTest;

constexpr int kKeys = 20;
constexpr int kPlayers = 3;

TString ValueFor(int generation, int key) {
  TString v = TString::Format("%d/%d:", generation, key);
  while (v.Length() < 1024) v += char('a' + (generation + v.Length()) % 26);
  return v;
}

// Player of a key: the installation's own values and three players share the keys.
int PlayerOf(int key) { return key % (kPlayers + 1) - 1; }

// Runs in the child: one commit per generation, each rewriting every key, until killed.
[[noreturn]] void WriteForever(const TString& path) {
  TPrefsDB db(true, path);
  int generation = db.GetInt("generation", 0);
  for (;;) {
    ++generation;
    for (int k = 0; k < kKeys; ++k)
      db.SetString(TString::Format("key%d", k), ValueFor(generation, k), PlayerOf(k), false);
    db.SetInt("generation", generation, -1, false);
    db.Commit();
  }
}

TEST_F(PrefsTest, KilledWriterLeavesExactlyOneCommitsValues) {
  std::mt19937 random(12345);
  std::uniform_int_distribution<int> delayUs(0, 80000);
  const auto start = std::chrono::steady_clock::now();
  int kills = 0, lastGeneration = 0, advanced = 0;
  while (kills < 60 && std::chrono::steady_clock::now() - start < std::chrono::seconds(60)) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) WriteForever(DbPath());
    usleep(useconds_t(delayUs(random)));
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    ++kills;

    TPrefsDB db(true, DbPath());
    ASSERT_EQ(db.Store().FilePath(), std::string(DbPath().CStr())) << "kill " << kills;
    const int generation = db.GetInt("generation", 0);
    ASSERT_GE(generation, lastGeneration) << "a finished commit was lost at kill " << kills;
    if (generation > lastGeneration) ++advanced;
    lastGeneration = generation;
    ASSERT_EQ(db.GetUserCount(), generation == 0 ? 0 : kPlayers) << "kill " << kills;
    for (int k = 0; k < kKeys; ++k) {
      const TString key = TString::Format("key%d", k);
      TPrefsValueState state;
      const TString value = db.GetString(key, "absent", PlayerOf(k), &state);
      if (generation == 0) {
        ASSERT_EQ(state, TPrefsValueState::kAbsent) << key.CStr();
      } else {
        ASSERT_TRUE(value == ValueFor(generation, k))
            << "kill " << kills << ": " << key.CStr() << " holds " << value.SubString(0, 12).CStr()
            << " beside generation " << generation;
      }
    }
  }
  EXPECT_GE(kills, 50);
  EXPECT_GT(advanced, 5) << "last generation " << lastGeneration;  // the writer got through commits between kills
  EXPECT_FALSE(std::filesystem::exists(std::string(DbPath().CStr()) + ".damaged"));
  EXPECT_EQ(Log().find("damaged"), std::string::npos);
}

}  // namespace
