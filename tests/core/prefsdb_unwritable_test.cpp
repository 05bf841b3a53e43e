// Preference database on a disk that stops taking writes (a full disk, here a file size limit of the
// process): the players stay readable, changes are kept in memory and reach the file once it takes
// writes again; and the notices the player is to be given, once each.
#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/prefsdb.h"
#include "filesizelimit.h"
#include "prefs_fixture.h"

namespace {
using prefstest::PrefsTest;
using testutil::FileSizeLimit;
namespace fs = std::filesystem;

class PrefsFullDiskTest : public PrefsTest {
protected:
  // Ann (player 0) with a saved game, and one install-wide value.
  void MakeSavedPlayer() {
    TPrefsDB db(true, DbPath());
    db.SetString("name", "Ann", 0, false);
    db.SetString("gamedata", "scene 3", 0, false);
    db.SetInt("curuser", 0, -1, false);
    ASSERT_TRUE(db.Commit());
  }
  TString Stored(const char* key, int player) { return TPrefsDB(true, DbPath()).GetString(key, "<absent>", player); }
};

TEST_F(PrefsFullDiskTest, AFileThatTakesNoWritesIsReadAndItsChangesWrittenOnceItCan) {
  MakeSavedPlayer();
  const std::string before = testutil::ReadFileText(DbPath().CStr());
  FileSizeLimit full(0);  // not a byte more: the journal cannot even start
  TPrefsDB db(true, DbPath());
  // What the file holds is there to play with.
  EXPECT_EQ(db.GetUserCount(), 1);
  EXPECT_TRUE(db.GetString("name", "", 0) == "Ann");
  EXPECT_TRUE(db.GetString("gamedata", "", 0) == "scene 3");
  EXPECT_EQ(db.GetInt("curuser", -1), 0);
  EXPECT_TRUE(db.Store().IsHoldingChanges());
  std::string path;
  ASSERT_TRUE(db.Store().TakeUnsavedNotice(path));
  EXPECT_EQ(path, std::string(DbPath().CStr()));
  EXPECT_FALSE(db.Store().TakeUnsavedNotice(path));  // once

  // Play goes on: a save and a new player are kept, though not written.
  EXPECT_TRUE(db.SetString("gamedata", "scene 4", 0, false));
  EXPECT_TRUE(db.SetString("name", "Bob", 1, false));
  EXPECT_FALSE(db.Commit());  // not in the file
  EXPECT_TRUE(db.GetString("gamedata", "", 0) == "scene 4");
  EXPECT_EQ(db.GetUserCount(), 2);
  EXPECT_EQ(testutil::ReadFileText(DbPath().CStr()), before);  // the file keeps its last commit whole

  full.Lift();
  EXPECT_TRUE(db.SetString("options", "1", -1));  // the next commit writes everything
  EXPECT_FALSE(db.Store().IsHoldingChanges());
  EXPECT_EQ(db.Store().FilePath(), std::string(DbPath().CStr()));
  // And it works on the file again.
  EXPECT_TRUE(db.SetString("diary", "entry", 0));
  EXPECT_NE(Log().find("is written again"), std::string::npos);
}

TEST_F(PrefsFullDiskTest, WhatWasKeptInMemoryIsInTheFileAfterwards) {
  MakeSavedPlayer();
  {
    TPrefsDB db(true, DbPath());
    FileSizeLimit full(0);
    EXPECT_TRUE(db.SetString("gamedata", "scene 4", 0, false));
    EXPECT_TRUE(db.SetString("name", "Bob", 1, false));
    EXPECT_FALSE(db.Commit());
    ASSERT_TRUE(db.Store().IsHoldingChanges());
    full.Lift();
    EXPECT_TRUE(db.SetString("options", "1", -1));
    EXPECT_FALSE(db.Store().IsHoldingChanges());
  }
  EXPECT_TRUE(Stored("gamedata", 0) == "scene 4");
  EXPECT_TRUE(Stored("name", 1) == "Bob");
  EXPECT_TRUE(Stored("options", -1) == "1");
}

TEST_F(PrefsFullDiskTest, ADiskThatFillsDuringPlayLosesNoneOfTheGroup) {
  MakeSavedPlayer();
  const auto size = fs::file_size(DbPath().CStr());
  const std::string before = testutil::ReadFileText(DbPath().CStr());
  {
    TPrefsDB db(true, DbPath());
    ASSERT_FALSE(db.Store().IsHoldingChanges());
    std::string path;
    FileSizeLimit full(size);
    // A group of writes whose pages no longer fit: the first ones reached the file's transaction
    // before the disk said no, and they must not be lost with it.
    EXPECT_TRUE(db.SetString("gamestate", "flag=1", 0, false));
    EXPECT_TRUE(db.SetString("gamedata", std::string(200000, 'g').c_str(), 0, false));
    EXPECT_TRUE(db.SetString("diary", "entry", 0, false));
    EXPECT_FALSE(db.Commit());
    EXPECT_TRUE(db.Store().IsHoldingChanges());
    EXPECT_TRUE(db.Store().TakeUnsavedNotice(path));
    EXPECT_TRUE(db.GetString("gamestate", "", 0) == "flag=1");
    EXPECT_EQ(db.GetString("gamedata", "", 0).Length(), 200000);
    EXPECT_EQ(testutil::ReadFileText(DbPath().CStr()), before);  // the file as it was
    full.Lift();
    EXPECT_TRUE(db.Commit());
    EXPECT_FALSE(db.Store().TakeUnsavedNotice(path));  // told once for the run
  }
  EXPECT_TRUE(Stored("gamestate", 0) == "flag=1");
  EXPECT_EQ(Stored("gamedata", 0).Length(), 200000);
  EXPECT_TRUE(Stored("diary", 0) == "entry");
}

TEST_F(PrefsFullDiskTest, AFirstStartOnAFullDiskLeavesNoEmptyFileBehind) {
  {
    FileSizeLimit full(0);
    TPrefsDB db(true, DbPath());
    EXPECT_TRUE(db.Store().IsHoldingChanges());
    db.SetString("name", "Ann", 0);
  }
  // An empty file would be taken for a damaged one at the next start.
  EXPECT_FALSE(fs::exists(DbPath().CStr()));
  TPrefsDB db(true, DbPath());
  std::string keptAs;
  EXPECT_FALSE(db.Store().TakeDamagedNotice(keptAs));
  EXPECT_EQ(db.GetUserCount(), 0);
}

TEST_F(PrefsFullDiskTest, DamagedAndEmptyFilesAreSetAsideWithANoticeForThePlayer) {
  for (const char* content : {"not a database, and long enough to be read as one", ""}) {
    SCOPED_TRACE(std::string("content: ") + content);
    fs::remove_all(mDir.Path());
    fs::create_directories(mDir.Path());
    std::ofstream(DbPath().CStr(), std::ios::binary) << content;
    TPrefsDB db(true, DbPath());
    std::string keptAs;
    ASSERT_TRUE(db.Store().TakeDamagedNotice(keptAs));
    EXPECT_EQ(keptAs, std::string(DbPath().CStr()) + ".damaged");
    EXPECT_EQ(testutil::ReadFileText(keptAs), content);
    EXPECT_FALSE(db.Store().TakeDamagedNotice(keptAs));  // once
    EXPECT_NE(Log().find("kept it as " + keptAs), std::string::npos);
    EXPECT_FALSE(db.Store().IsHoldingChanges());
  }
}

}  // namespace
