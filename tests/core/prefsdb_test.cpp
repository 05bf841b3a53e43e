// Preference database: defaults and empty values, integer and text views, binary sizes, players by
// index, installations side by side, commit points, undecipherable values, and damaged files.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include "core/prefsdb.h"
#include "prefs_fixture.h"

namespace {
using prefstest::PrefsTest;
namespace fs = std::filesystem;

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(PrefsTest, NeverSetKeyGivesTheDefaultButAnEmptyValueDoesNot) {
  TPrefsDB db(true, DbPath());
  TPrefsValueState state;
  EXPECT_TRUE(db.GetString("name", "fallback", -1, &state) == "fallback");
  EXPECT_EQ(state, TPrefsValueState::kAbsent);
  EXPECT_EQ(db.GetInt("volume", 7), 7);
  EXPECT_EQ(db.GetBinary("blob", nullptr, 0), -1);

  db.SetString("name", "");
  db.SetBinary("blob", nullptr, 0);
  EXPECT_TRUE(db.GetString("name", "fallback", -1, &state) == "");
  EXPECT_EQ(state, TPrefsValueState::kPresent);
  EXPECT_EQ(db.GetBinary("blob", nullptr, 0), 0);
  EXPECT_EQ(db.GetInt("name", 7), 0);  // the empty text read as a number
}

TEST_F(PrefsTest, IntegersAndTextsAreViewsOfOneValue) {
  TPrefsDB db(true, DbPath());
  db.SetInt("score", 42);
  EXPECT_EQ(db.GetInt("score", 0), 42);
  EXPECT_TRUE(db.GetString("score", "") == "42");
  db.SetInt("score", -13);
  EXPECT_TRUE(db.GetString("score", "") == "-13");
  db.SetString("score", "17 apples");
  EXPECT_EQ(db.GetInt("score", 0), 17);
  db.SetString("text", "caf\xc3\xa9\nwith a line");
  EXPECT_TRUE(db.GetString("text", "") == "caf\xc3\xa9\nwith a line");
}

TEST_F(PrefsTest, BinaryValuesFollowTheSizeConvention) {
  TPrefsDB db(true, DbPath());
  std::vector<uint8_t> value(56);
  for (size_t i = 0; i < value.size(); ++i) value[i] = uint8_t(i * 37 + 1);
  value[3] = 0;  // bytes, not text: NULs stay
  db.SetBinary("Diary_Content0", value.data(), int(value.size()), 0);
  EXPECT_EQ(db.GetBinary("Diary_Content0", nullptr, 0, 0), 56);
  uint8_t small[55];
  EXPECT_EQ(db.GetBinary("Diary_Content0", small, sizeof small, 0), 56);
  std::vector<uint8_t> back(56);
  EXPECT_EQ(db.GetBinary("Diary_Content0", back.data(), 56, 0), 0);
  EXPECT_EQ(back, value);
  // A text read of bytes ends at their first NUL.
  EXPECT_EQ(db.GetString("Diary_Content0", "", 0).Length(), 3);
}

TEST_F(PrefsTest, WritingPlayerThreeCreatesPlayersZeroToThree) {
  {
    TPrefsDB db(true, DbPath());
    EXPECT_EQ(db.GetUserCount(), 0);
    db.SetString("name", "Ann", 3);
    EXPECT_EQ(db.GetUserCount(), 4);
    EXPECT_TRUE(db.GetString("name", "none", 3) == "Ann");
    EXPECT_TRUE(db.GetString("name", "none", 0) == "none");
    EXPECT_TRUE(db.GetString("name", "none", -1) == "none");  // players and installation are apart
  }
  TPrefsDB reopened(true, DbPath());
  EXPECT_EQ(reopened.GetUserCount(), 4);
  EXPECT_TRUE(reopened.GetString("name", "none", 3) == "Ann");
}

TEST_F(PrefsTest, ReadsOutsideTheKnownPlayersCreateNothingAndBadIndicesAreRefused) {
  TPrefsDB db(true, DbPath());
  db.SetInt("x", 1, 0);
  const struct {
    int player;
  } reads[] = {{1}, {5}, {100000}, {-2}, {-1000}};
  for (const auto& r : reads) {
    TPrefsValueState state;
    EXPECT_EQ(db.GetInt("x", 99, r.player, &state), 99) << r.player;
    EXPECT_EQ(state, TPrefsValueState::kAbsent);
    EXPECT_EQ(db.GetBinary("x", nullptr, 0, r.player), -1);
  }
  EXPECT_EQ(db.GetUserCount(), 1);
  db.SetInt("x", 5, -2);
  db.SetString("y", "z", -7);
  EXPECT_EQ(db.GetUserCount(), 1);
  EXPECT_EQ(db.GetInt("x", 0, -1), 0);
  EXPECT_NE(Log().find("player index -2 refused"), std::string::npos);
}

TEST_F(PrefsTest, DeletingAPlayerMovesTheLaterOnesDown) {
  {
    TPrefsDB db(true, DbPath());
    db.SetString("name", "Ann", 0);
    db.SetString("name", "Bob", 1);
    db.SetInt("level", 9, 1);
    EXPECT_EQ(db.DeleteUser(2), 2);  // index equal to the count: nothing changes
    EXPECT_EQ(db.DeleteUser(-1), 2);
    EXPECT_EQ(db.DeleteUser(-5), 2);
    EXPECT_EQ(db.GetUserCount(), 2);
    EXPECT_EQ(db.RemoveUser(0), 1);
    EXPECT_EQ(db.GetUserCount(), 1);
    EXPECT_TRUE(db.GetString("name", "", 0) == "Bob");
    EXPECT_EQ(db.GetInt("level", 0, 0), 9);
    EXPECT_TRUE(db.GetString("name", "gone", 1) == "gone");
    db.SetString("name", "Cy", 1);  // a new player gets no values of the deleted one
    EXPECT_EQ(db.GetInt("level", -1, 1), -1);
  }
  TPrefsDB reopened(true, DbPath());
  ASSERT_EQ(reopened.GetUserCount(), 2);
  EXPECT_TRUE(reopened.GetString("name", "", 0) == "Bob");
  EXPECT_TRUE(reopened.GetString("name", "", 1) == "Cy");
}

TEST_F(PrefsTest, TwoInstallationsShareOneFileWithoutSeeingEachOther) {
  SetInstallText("Alpha Edition\r\n");
  std::string alphaKey;
  {
    TPrefsDB db(true, DbPath());
    db.SetString("mode", "alpha");
    db.SetString("name", "Ann", 0);
    alphaKey = db.Store().InstallKey().CStr();
  }
  EXPECT_EQ(Query("SELECT value FROM metaglobals WHERE key = 'lastkey'"), alphaKey);
  SetInstallText("beta");
  {
    TPrefsDB db(true, DbPath());
    EXPECT_TRUE(db.GetString("mode", "none") == "none");
    EXPECT_EQ(db.GetUserCount(), 0);
    db.SetString("mode", "beta");
    EXPECT_EQ(Query("SELECT value FROM metaglobals WHERE key = 'lastkey'"), db.Store().InstallKey().CStr());
    EXPECT_NE(alphaKey, db.Store().InstallKey().CStr());
  }
  // The install text is read without regard to case.
  SetInstallText("ALPHA EDITION\r\n");
  {
    TPrefsDB db(true, DbPath());
    EXPECT_TRUE(db.GetString("mode", "none") == "alpha");
    EXPECT_TRUE(db.GetString("name", "", 0) == "Ann");
  }
  EXPECT_EQ(Query("SELECT count(*) FROM install"), "2");
}

TEST_F(PrefsTest, InstallKeyFallsBackToTheLastKeyOrTheInstallKeySetting) {
  SetInstallText("gamma");
  { TPrefsDB(true, DbPath()).SetString("mode", "gamma"); }
  // An empty install text keeps the installation that ran last.
  SetInstallText("");
  { EXPECT_TRUE(TPrefsDB(true, DbPath()).GetString("mode", "none") == "gamma"); }
  // Without "install.txt" the setting names the installation ("unknown" when it is empty).
  RemoveInstallText();
  SetConfig("installkey", "GAMMA");
  { EXPECT_TRUE(TPrefsDB(true, DbPath()).GetString("mode", "none") == "gamma"); }
  SetConfig("installkey", "");
  { TPrefsDB(true, DbPath()).SetString("mode", "unknown one"); }
  SetConfig("installkey", "unknown");
  { EXPECT_TRUE(TPrefsDB(true, DbPath()).GetString("mode", "none") == "unknown one"); }
}

TEST_F(PrefsTest, WritesReachTheFileOnlyAtCommitPoints) {
  const std::string countUserValues = "SELECT count(*) FROM \"user\"";
  TPrefsDB db(true, DbPath());
  db.SetString("a", "1", 0, false);
  db.SetString("b", "2", 0, false);
  EXPECT_EQ(Query(countUserValues), "0");
  db.SetString("c", "3", 0, true);
  EXPECT_EQ(Query(countUserValues), "3");
  db.SetString("d", "4", 0, false);
  db.Commit();
  EXPECT_EQ(Query(countUserValues), "4");
  db.SetString("e", "5", 0, false);
  EXPECT_EQ(db.DeleteUser(5), 1);
  EXPECT_EQ(Query(countUserValues), "4");
  db.SetString("x", "1", 1, false);
  EXPECT_EQ(db.DeleteUser(1), 1);  // a deletion commits what came before it too
  EXPECT_EQ(Query(countUserValues), "5");
}

// A second connection to the file holding a lock for as long as it lives.
class LockHolder {
public:
  LockHolder(const TString& path, const char* sql) {
    EXPECT_EQ(sqlite3_open(path.CStr(), &mDb), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(mDb, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(mDb);
  }
  ~LockHolder() {
    sqlite3_exec(mDb, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(mDb);
  }

private:
  sqlite3* mDb = nullptr;
};
// Keeps other writers out; keeps commits out.
const char kWriteLock[] = "BEGIN IMMEDIATE";
const char kReadLock[] = "BEGIN; SELECT count(*) FROM \"user\"";

TEST_F(PrefsTest, AFailedWriteOrCommitDropsTheGroupAndKeepsThePreviousCommit) {
  const std::string countUserValues = "SELECT count(*) FROM \"user\"";
  TPrefsDB db(true, DbPath());
  ASSERT_TRUE(db.SetString("a", "old", 0));
  {
    LockHolder lock(DbPath(), kWriteLock);
    EXPECT_FALSE(db.SetString("a", "new", 0, false));
  }
  EXPECT_TRUE(db.SetString("b", "new", 1, false));  // the rest of the group
  EXPECT_FALSE(db.Commit());
  EXPECT_TRUE(db.GetString("a", "", 0) == "old");
  EXPECT_TRUE(db.GetString("b", "absent", 1) == "absent");
  EXPECT_EQ(db.GetUserCount(), 1);
  EXPECT_TRUE(db.SetString("c", "later", 0));  // later commits carry nothing of the dropped group
  EXPECT_EQ(Query(countUserValues), "2");

  {
    LockHolder lock(DbPath(), kReadLock);
    EXPECT_TRUE(db.SetString("a", "newer", 0, false));
    EXPECT_TRUE(db.SetString("d", "newer", 2, false));
    EXPECT_FALSE(db.Commit());
  }
  EXPECT_TRUE(db.GetString("a", "", 0) == "old");
  EXPECT_EQ(db.GetUserCount(), 1);
  EXPECT_TRUE(db.Commit());  // nothing pending
  EXPECT_EQ(Query(countUserValues), "2");
  EXPECT_NE(Log().find("the changes since the last commit are dropped"), std::string::npos);
}

TEST_F(PrefsTest, WithoutAutocommitNothingIsEverWritten) {
  {
    TPrefsDB db(true, DbPath());
    db.SetString("kept", "yes");
  }
  {
    TPrefsDB db(false, DbPath());
    db.SetString("kept", "no", -1, true);
    db.SetString("other", "value", 2, true);
    db.Commit();
    EXPECT_TRUE(db.GetString("kept", "") == "no");  // reads see the pending value
  }
  TPrefsDB db(true, DbPath());
  EXPECT_TRUE(db.GetString("kept", "") == "yes");
  EXPECT_TRUE(db.GetString("other", "none", 2) == "none");
  EXPECT_EQ(db.GetUserCount(), 0);
}

TEST_F(PrefsTest, ValuesAreStoredEncipheredAndDamagedOnesReadAsUndecipherable) {
  // An empty install text keeps the installation that ran last, whatever the key: the way a wrong
  // key meets stored values.
  SetInstallText("");
  {
    TPrefsDB db(true, DbPath());
    db.SetString("gamedata", "return { level = 3 }", 0);
    db.SetString("gamestate", "return { flags = 1 }", 0);
    db.SetBinary("raw", "\x01\x02\x03", 3, 0);
  }
  EXPECT_EQ(Query("SELECT length(value) % 8 FROM \"user\" WHERE key = 'gamedata'"), "0");
  EXPECT_EQ(Query("SELECT instr(value, 'level') FROM \"user\" WHERE key = 'gamedata'"), "0");
  // Damage the last block of one value.
  Execute("UPDATE \"user\" SET value = substr(value, 1, length(value) - 3) || x'000102' WHERE key = 'gamestate'");

  TPrefsValueState state;
  {
    TPrefsDB db(true, DbPath());
    EXPECT_TRUE(db.GetString("gamedata", "", 0, &state) == "return { level = 3 }");
    EXPECT_EQ(state, TPrefsValueState::kPresent);
    // A value that does not decipher reads as the caller's default, as an absent one does.
    EXPECT_TRUE(db.GetString("gamestate", "default", 0, &state) == "default");
    EXPECT_EQ(state, TPrefsValueState::kUndecipherable);
    EXPECT_EQ(db.GetInt("gamestate", -1, 0, &state), -1);
    EXPECT_EQ(state, TPrefsValueState::kUndecipherable);
  }
  SetConfig("encryptionkey", "An0therK3yXX");
  TPrefsDB db(true, DbPath());
  EXPECT_TRUE(db.GetString("gamedata", "default", 0, &state) == "default");
  EXPECT_EQ(state, TPrefsValueState::kUndecipherable);
  uint8_t buffer[8];
  EXPECT_EQ(db.GetBinary("raw", buffer, sizeof buffer, 0, &state), -1);
  EXPECT_EQ(state, TPrefsValueState::kUndecipherable);
  db.GetString("missing", "default", 0, &state);
  EXPECT_EQ(state, TPrefsValueState::kAbsent);
}

TEST_F(PrefsTest, MissingEncryptionKeyIsLoggedAndTheDatabaseStillWorks) {
  SetConfig("encryptionkey", "");
  TPrefsDB db(true, DbPath());
  db.SetInt("n", 5);
  EXPECT_EQ(db.GetInt("n", 0), 5);
  EXPECT_NE(Log().find("ERROR: No encryption key set before TPrefsDB construction!"), std::string::npos);
}

TEST_F(PrefsTest, DamagedOrForeignFileIsKeptBesideAndAFreshOneStarted) {
  const struct {
    const char* what;
    std::function<void(const std::string&)> make;
  } cases[] = {
      {"garbage", [](const std::string& p) { std::ofstream(p, std::ios::binary) << std::string(5000, 'g'); }},
      {"another program's database",
       [this](const std::string&) {
         Execute("CREATE TABLE scores(name TEXT, points INT); INSERT INTO scores VALUES('a', 1);");
       }},
      {"our mark on other tables",
       [this](const std::string&) { Execute("PRAGMA application_id = 1414352964; CREATE TABLE metaglobals(key TEXT);"); }},
      {"our tables, damaged pages",
       [this](const std::string& p) {
         {
           TPrefsDB db(true, DbPath());
           for (int i = 0; i < 200; ++i) db.SetString(TString::Format("key%d", i), TString(std::string(900, 'v').c_str()), 0, false);
         }
         std::fstream f(p, std::ios::in | std::ios::out | std::ios::binary);
         f.seekp(4096 * 3);
         f << std::string(4096 * 4, '\xA5');
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = DbPath().CStr();
    fs::remove(path);
    fs::remove(path + ".damaged");
    c.make(path);
    const std::string before = ReadFile(path);
    {
      TPrefsDB db(true, DbPath());
      EXPECT_EQ(db.Store().FilePath(), path);
      EXPECT_TRUE(db.GetString("key1", "fresh", 0) == "fresh");
      db.SetString("after", "ok");
    }
    EXPECT_EQ(ReadFile(path + ".damaged"), before);
    EXPECT_NE(Log().find("kept it as " + path + ".damaged"), std::string::npos);
    EXPECT_TRUE(TPrefsDB(true, DbPath()).GetString("after", "") == "ok");
  }
  // A second damaged file never replaces the first copy.
  std::ofstream(DbPath().CStr(), std::ios::binary) << "again not a database, but long enough to be read";
  { TPrefsDB db(true, DbPath()); }
  EXPECT_TRUE(fs::exists(std::string(DbPath().CStr()) + ".damaged2"));
}

TEST_F(PrefsTest, UnusableFileIsLeftAloneAndValuesLastForTheRun) {
  // A folder that does not exist: nothing can be opened there.
  const TString nowhere = (mDir / "missing/folder/prefsdb.dat").c_str();
  {
    TPrefsDB db(true, nowhere);
    EXPECT_TRUE(db.Store().FilePath().empty());
    db.SetString("name", "Ann", 0);
    EXPECT_TRUE(db.GetString("name", "", 0) == "Ann");
  }
  EXPECT_NE(Log().find("changes are kept in memory"), std::string::npos);
  EXPECT_NE(Log().find("the changes of this run since it last was are lost"), std::string::npos);

  // A healthy file locked by another program is not mistaken for a damaged one.
  { TPrefsDB(true, DbPath()).SetString("name", "Bob", 0); }
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(DbPath().CStr(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  {
    TPrefsDB db(true, DbPath());
    EXPECT_TRUE(db.Store().FilePath().empty());
  }
  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  EXPECT_FALSE(fs::exists(std::string(DbPath().CStr()) + ".damaged"));
  EXPECT_TRUE(TPrefsDB(true, DbPath()).GetString("name", "", 0) == "Bob");
}

}  // namespace

namespace {
using prefstest::PrefsTest;

TEST_F(PrefsTest, DefaultFileIsPrefsdbInThePlayersFolder) {
  SetFileRoots(mDir.Path().c_str(), "", "");
  {
    TPrefsDB db(true);
    db.SetString("name", "Ann", 0);
  }
  EXPECT_TRUE(std::filesystem::exists(mDir / "prefsdb.dat"));
  EXPECT_TRUE(TPrefsDB(true, DbPath()).GetString("name", "", 0) == "Ann");

  // Without a player's folder the values last for the run only.
  filetest::ResetFileSystem();
  TPrefsDB db(true);
  EXPECT_TRUE(db.Store().FilePath().empty());
  EXPECT_NE(Log().find("values are kept for this run only"), std::string::npos);
}

}  // namespace
