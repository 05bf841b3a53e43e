// TPrefsStore: the storage behind the preference database, an SQLite file with the two layouts the
// database has always had as tables: "metaglobals" (install-independent values, "lastkey") and
// "install" with each installation's "globals" and its "users", each user with its own values.
// All work happens inside one open transaction; Commit ends it, so the file always holds exactly
// the state of one commit, even when the process is killed mid-write. When the file cannot be
// written (a full disk, a folder without write permission) the store goes on with a copy in memory
// of what the file holds plus every change since, and writes that whole copy to the file at each
// later commit until it succeeds; nothing written meanwhile is lost unless the run ends first.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/string.h"

struct sqlite3;
struct sqlite3_stmt;
class TDataCipher;

// What a read found under a key.
enum class TPrefsValueState {
  kAbsent,           // no such key (or no such player)
  kPresent,          // found and deciphered
  kUndecipherable,   // found, but it does not decipher under this key: a wrong key or damaged bytes
};

class TPrefsStore {
public:
  TPrefsStore(TDataCipher* cipher, bool autocommit);
  ~TPrefsStore();
  TPrefsStore(const TPrefsStore&) = delete;
  TPrefsStore& operator=(const TPrefsStore&) = delete;

  // Opens (creating when missing) the file at a path in the platform's view and selects this
  // installation's row. A damaged, foreign or empty file is logged, kept beside under a new name,
  // and a fresh one started. A file that can be read but not written is read into memory (see
  // above). False when no file could be used as it is; the store then keeps its values in memory.
  bool Open(const TString& path);
  // Ends the open transaction: committed with autocommit, rolled back without. Called by the destructor.
  void Close();
  // Writes everything since the last commit to the file as one transaction (only with autocommit).
  // When that fails the pending writes are dropped, so the file and the values read keep the last
  // commit.
  bool Commit();
  // Drops everything written since the last commit.
  void Rollback();

  // The key naming this installation: "install.txt" (lower-cased, enciphered), or with an empty
  // "install.txt" the stored "lastkey", or the "installkey" setting; "unknown" stands in for empty.
  TString GetInstallKey();
  const TString& InstallKey() const { return mInstallKey; }

  // Player -1 is the installation's own values; 0 and up a player's, appending empty players up to
  // that index. Indices below -1 are refused (false).
  bool SetValue(int player, const TString& key, const void* bytes, int length);
  // Deciphered bytes into `out`. Players outside -1 .. count - 1 read as absent and create nothing.
  TPrefsValueState GetValue(int player, const TString& key, std::vector<uint8_t>& out);

  int GetUserCount() const { return int(mUsers.size()); }
  // Appends empty players until the index exists; false for an index below 0.
  bool EnsureUser(int index);
  // Removes the player (later ones move down by one) and answers the new count; an index outside
  // 0 .. count - 1 changes nothing and answers the count. Commits with autocommit.
  int DeleteUser(int index);

  // The path the store opened (Linux form); empty while it keeps its values in memory.
  const std::string& FilePath() const { return mFilePath; }
  // True while changes are kept in memory because the file cannot be written; they are written
  // with the next commit that can. UnsavedPath is the file they are meant for.
  bool IsHoldingChanges() const { return mHeld && !mTargetPath.empty(); }
  const std::string& UnsavedPath() const { return mTargetPath; }

  // What the player should be told once, each answered true a single time: the saved file was
  // damaged (and where it was kept, or left), and changes cannot be saved now.
  bool TakeDamagedNotice(std::string& keptAs);
  bool TakeUnsavedNotice(std::string& path);

private:
  enum class OpenResult { kOk, kDamaged, kUnavailable };
  // One change since the last commit, kept so that it can be made again on the copy in memory when
  // the file stops taking writes in the middle of a group.
  struct Change {
    bool remove = false;  // a removed player; else a value
    int player = -1;
    TString key;
    std::vector<uint8_t> bytes;
  };
  OpenResult OpenFile(const std::string& linuxPath, std::string& reason);
  bool OpenMemory(const std::string& copyFrom);
  bool Prepare();
  bool Apply(const Change& change);
  bool SetValueNow(int player, const TString& key, const std::vector<uint8_t>& bytes);
  bool DeleteUserNow(int index);
  // After a failed write on the file: goes on in memory when the failure means the file cannot be
  // written (and not, say, that another program holds it). False when it does not.
  bool HoldAfterWriteFailure();
  void HoldInMemory(std::string copyFrom, const char* why);
  bool TryWriteHeld();
  bool SelectInstall();
  void LoadUsers();
  bool SetAside(const std::string& linuxPath, std::string& keptAs);
  bool Begin();
  bool Exec(const char* sql);
  sqlite3_stmt* Statement(const char* sql);
  void FinalizeStatements();
  void CloseDb();
  void LogSqlError(const char* what);
  void NoteWriteError();

  TDataCipher* mCipher;  // the database's cipher (not owned)
  bool mAutocommit;
  sqlite3* mDb = nullptr;
  std::map<std::string, sqlite3_stmt*> mStatements;
  std::string mFilePath;
  std::string mTargetPath;  // the file the values belong to, when they may be written there
  bool mHeld = false;       // working on a copy in memory
  bool mHeldWriteLogged = false;
  bool mUnsavedNotice = false, mUnsavedNoticeTaken = false;
  std::string mDamagedNotice;  // where the damaged file was kept; empty when there is none to tell
  std::vector<Change> mChanges;  // since the last commit
  int mWriteError = 0;           // the SQLite code of the last failed write that says the file cannot take writes
  bool mCreatedFile = false;     // this store's open made the file
  TString mInstallKey;
  int64_t mInstallId = 0;
  std::vector<int64_t> mUsers;  // user row ids in player order
};
