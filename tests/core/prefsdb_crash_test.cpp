// A writer killed at random moments: every reopen must find the file whole, holding exactly the
// values of one commit (never a mix of two), and no commit that finished may be lost.
#include <gtest/gtest.h>
#include <signal.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <random>
#include <string>

#include "core/prefsdb.h"
#include "prefs_fixture.h"
#include "wait_until.h"

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

// Runs in the child: one commit per generation, each rewriting every key, until killed. After each
// commit the generation goes to the parent through the pipe.
[[noreturn]] void WriteForever(const TString& path, int reportFd) {
  TPrefsDB db(true, path);
  int generation = db.GetInt("generation", 0);
  for (;;) {
    ++generation;
    for (int k = 0; k < kKeys; ++k)
      db.SetString(TString::Format("key%d", k), ValueFor(generation, k), PlayerOf(k), false);
    db.SetInt("generation", generation, -1, false);
    db.Commit();
    if (write(reportFd, &generation, sizeof generation) != sizeof generation) _exit(1);
  }
}

// A fixed number of kills, however long the machine takes for them; the waits end only on a hang.
TEST_F(PrefsTest, KilledWriterLeavesExactlyOneCommitsValues) {
  constexpr int kKills = 30;
  const int hangGuardMs = static_cast<int>(std::chrono::milliseconds(testwait::kHangGuard).count());
  std::mt19937 random(12345);
  std::uniform_int_distribution<int> delayUs(0, 40000);
  int lastGeneration = 0;
  for (int kills = 0; kills < kKills;) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(fds[0]);
      WriteForever(DbPath(), fds[1]);
    }
    close(fds[1]);
    // Most kills come a random moment after a commit finished, so later commits are under way;
    // the others at a random moment from the start, opening included.
    if (kills % 4 != 0) {
      pollfd wait = {fds[0], POLLIN, 0};
      int first = 0;
      const bool committed = poll(&wait, 1, hangGuardMs) == 1 && read(fds[0], &first, sizeof first) == sizeof first;
      if (!committed) kill(child, SIGKILL);
      ASSERT_TRUE(committed) << "the writer finished no commit before kill " << kills + 1;
    }
    usleep(useconds_t(delayUs(random)));
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    ++kills;
    int reported = 0, finished = 0;
    while (read(fds[0], &reported, sizeof reported) == sizeof reported) finished = std::max(finished, reported);
    close(fds[0]);

    TPrefsDB db(true, DbPath());
    ASSERT_EQ(db.Store().FilePath(), std::string(DbPath().CStr())) << "kill " << kills;
    const int generation = db.GetInt("generation", 0);
    ASSERT_GE(generation, std::max(lastGeneration, finished)) << "a finished commit was lost at kill " << kills;
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
  EXPECT_FALSE(std::filesystem::exists(std::string(DbPath().CStr()) + ".damaged"));
  EXPECT_EQ(Log().find("damaged"), std::string::npos);
}

}  // namespace
