// Shared set-up of the preference database tests: a temporary folder holding the file and the log,
// the cipher key and install identity settings, and a plain SQLite look at the file from outside.
#pragma once
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <string>

#include "core/assetindex.h"
#include "core/config.h"
#include "core/log.h"
#include "filetext.h"
#include "os/tempfolder.h"

namespace prefstest {

inline const char kKeyText[] = "Pr3fsK3yText";

class PrefsTest : public ::testing::Test {
protected:
  void SetUp() override {
    filetest::ResetFileSystem();
    SetConfig("encryptionkey", kKeyText);
    SetConfig("installkey", "");
    LogInit(mDir.Path().c_str());
  }
  void TearDown() override {
    LogInit("");
    filetest::ResetFileSystem();
    ClearConfig();
  }

  TString DbPath() const { return (mDir / "prefsdb.dat").c_str(); }
  std::string Log() const { return testutil::ReadLogText(mDir.Path()); }
  // Makes "install.txt" an asset with this content (a memory block that lives as long as the test).
  void SetInstallText(const std::string& text) {
    mInstallText = text;
    RegisterMemoryFile("install.txt", mInstallText.data(), mInstallText.size());
  }
  void RemoveInstallText() { RegisterMemoryFile("install.txt", nullptr, 0); }

  // Runs a query on the file through a connection of its own and answers the first column of the
  // first row as text ("" when there is none).
  std::string Query(const std::string& sql) const {
    sqlite3* db = nullptr;
    std::string result;
    if (sqlite3_open_v2(DbPath().CStr(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
      sqlite3_stmt* s = nullptr;
      if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW) {
        const char* text = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
        result = text ? text : "";
      }
      sqlite3_finalize(s);
    }
    sqlite3_close(db);
    return result;
  }

  // Changes the file through a connection of its own.
  void Execute(const std::string& sql) const {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(DbPath().CStr(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
  }

  testutil::TempFolder mDir;
  std::string mInstallText;
};

}  // namespace prefstest
