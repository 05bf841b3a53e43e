// TPrefsStore over SQLite. Tables: metaglobals(key, value), install(id, key), globals(install, key,
// value), users(id, install, position) and "user"(user, key, value). Values are stored enciphered;
// keys in plain text. One transaction is always open: reads see pending writes, and a commit (or a
// kill before it) leaves the file at exactly one committed state.
#include "core/prefsstore.h"

#include <sqlite3.h>

#include <filesystem>
#include <system_error>

#include "core/config.h"
#include "core/datacipher.h"
#include "core/file.h"
#include "core/filedata.h"
#include "core/log.h"
#include "os/paths.h"

namespace {
// Value tables keep rowids (values of a kilobyte and more would spill to overflow pages in a table
// clustered on its key), and 8 KiB pages hold saved games of some kilobytes with little slack.
// Marks files made by this store, so a file of another program is never taken for ours.
constexpr int kApplicationId = 0x544D5044;

const char* const kSchema =
    "PRAGMA page_size = 8192;"
    "PRAGMA application_id = 1414352964;"
    "CREATE TABLE IF NOT EXISTS metaglobals(key TEXT PRIMARY KEY NOT NULL, value BLOB NOT NULL);"
    "CREATE TABLE IF NOT EXISTS install(id INTEGER PRIMARY KEY, key TEXT UNIQUE NOT NULL);"
    "CREATE TABLE IF NOT EXISTS globals(install INTEGER NOT NULL, key TEXT NOT NULL,"
    " value BLOB NOT NULL, UNIQUE(install, key));"
    "CREATE TABLE IF NOT EXISTS users(id INTEGER PRIMARY KEY, install INTEGER NOT NULL,"
    " position INTEGER NOT NULL);"
    "CREATE INDEX IF NOT EXISTS users_by_install ON users(install, position);"
    "CREATE TABLE IF NOT EXISTS \"user\"(user INTEGER NOT NULL, key TEXT NOT NULL,"
    " value BLOB NOT NULL, UNIQUE(user, key));";
static_assert(kApplicationId == 1414352964);

const char kGetMeta[] = "SELECT value FROM metaglobals WHERE key = ?1";
const char kSetMeta[] = "INSERT OR REPLACE INTO metaglobals(key, value) VALUES(?1, ?2)";
const char kFindInstall[] = "SELECT id FROM install WHERE key = ?1";
const char kAddInstall[] = "INSERT INTO install(key) VALUES(?1)";
const char kGetGlobal[] = "SELECT value FROM globals WHERE install = ?1 AND key = ?2";
const char kSetGlobal[] = "INSERT OR REPLACE INTO globals(install, key, value) VALUES(?1, ?2, ?3)";
const char kGetUser[] = "SELECT value FROM \"user\" WHERE user = ?1 AND key = ?2";
const char kSetUser[] = "INSERT OR REPLACE INTO \"user\"(user, key, value) VALUES(?1, ?2, ?3)";
const char kListUsers[] = "SELECT id FROM users WHERE install = ?1 ORDER BY position";
const char kAddUser[] = "INSERT INTO users(install, position) VALUES(?1, ?2)";
const char kDropUserValues[] = "DELETE FROM \"user\" WHERE user = ?1";
const char kDropUser[] = "DELETE FROM users WHERE id = ?1";
const char kShiftUsers[] = "UPDATE users SET position = position - 1 WHERE install = ?1 AND position > ?2";

// Every statement the store runs; a file whose tables cannot serve them all is not one of ours.
const char* const kAllStatements[] = {kGetMeta,  kSetMeta,  kFindInstall, kAddInstall,     kGetGlobal,
                                      kSetGlobal, kGetUser, kSetUser,     kListUsers,      kAddUser,
                                      kDropUserValues, kDropUser, kShiftUsers};

// Resets a statement and clears its bindings when it goes out of scope.
struct StatementUse {
  sqlite3_stmt* stmt;
  explicit StatementUse(sqlite3_stmt* s) : stmt(s) {}
  ~StatementUse() {
    if (stmt) {
      sqlite3_reset(stmt);
      sqlite3_clear_bindings(stmt);
    }
  }
};

void BindText(sqlite3_stmt* stmt, int index, const TString& text) {
  sqlite3_bind_text(stmt, index, text.CStr(), text.Length(), SQLITE_TRANSIENT);
}
}  // namespace

namespace {
bool IsWriteFailure(int code);
}

TPrefsStore::TPrefsStore(TDataCipher* cipher, bool autocommit) : mCipher(cipher), mAutocommit(autocommit) {}

TPrefsStore::~TPrefsStore() { Close(); }

namespace {
// The failures that say the file cannot take writes now (a full disk, no permission), as opposed to
// another program holding it or a damaged file.
bool IsWriteFailure(int code) {
  return code == SQLITE_FULL || code == SQLITE_IOERR || code == SQLITE_READONLY || code == SQLITE_CANTOPEN ||
         code == SQLITE_PERM;
}
}  // namespace

void TPrefsStore::NoteWriteError() {
  const int code = mDb ? sqlite3_errcode(mDb) : 0;
  if (IsWriteFailure(code)) mWriteError = code;
}

void TPrefsStore::LogSqlError(const char* what) {
  NoteWriteError();
  LogPrintf("Preference database: %s failed: %s", what, mDb ? sqlite3_errmsg(mDb) : "no database");
}

bool TPrefsStore::Exec(const char* sql) {
  char* message = nullptr;
  if (sqlite3_exec(mDb, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
  NoteWriteError();
  LogPrintf("Preference database: \"%.40s\" failed: %s", sql, message ? message : "?");
  sqlite3_free(message);
  return false;
}

sqlite3_stmt* TPrefsStore::Statement(const char* sql) {
  auto found = mStatements.find(sql);
  if (found != mStatements.end()) return found->second;
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v3(mDb, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr) != SQLITE_OK) {
    LogSqlError("preparing a statement");
    return nullptr;
  }
  mStatements.emplace(sql, stmt);
  return stmt;
}

void TPrefsStore::FinalizeStatements() {
  for (auto& entry : mStatements) sqlite3_finalize(entry.second);
  mStatements.clear();
}

void TPrefsStore::CloseDb() {
  FinalizeStatements();
  if (mDb) sqlite3_close(mDb);
  mDb = nullptr;
}

bool TPrefsStore::Begin() { return Exec("BEGIN"); }

TPrefsStore::OpenResult TPrefsStore::OpenFile(const std::string& linuxPath, std::string& reason) {
  CloseDb();
  int rc = sqlite3_open_v2(linuxPath.c_str(), &mDb, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  if (rc != SQLITE_OK) {
    reason = mDb ? sqlite3_errmsg(mDb) : sqlite3_errstr(rc);
    mWriteError = IsWriteFailure(rc) ? rc : 0;
    CloseDb();
    return OpenResult::kUnavailable;
  }
  sqlite3_busy_timeout(mDb, 2000);
  sqlite3_extended_result_codes(mDb, 0);

  // Reading the file rolls back what a killed writer left half done, then checks every page.
  sqlite3_stmt* check = nullptr;
  rc = sqlite3_prepare_v2(mDb, "PRAGMA quick_check", -1, &check, nullptr);
  std::string verdict;
  if (rc == SQLITE_OK) {
    while ((rc = sqlite3_step(check)) == SQLITE_ROW) {
      if (!verdict.empty()) verdict += "; ";
      verdict += reinterpret_cast<const char*>(sqlite3_column_text(check, 0));
    }
    if (rc == SQLITE_DONE) rc = SQLITE_OK;
  }
  sqlite3_finalize(check);
  if (rc == SQLITE_NOTADB || rc == SQLITE_CORRUPT || (rc == SQLITE_OK && verdict != "ok")) {
    reason = rc == SQLITE_OK ? verdict : sqlite3_errstr(rc);
    CloseDb();
    return OpenResult::kDamaged;
  }
  if (rc != SQLITE_OK) {  // locked by another program, unreadable: the file itself may be fine
    reason = sqlite3_errstr(rc);
    mWriteError = 0;
    CloseDb();
    return OpenResult::kUnavailable;
  }

  int applicationId = 0, tableCount = 0;
  {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(mDb, "PRAGMA application_id", -1, &s, nullptr) == SQLITE_OK &&
        sqlite3_step(s) == SQLITE_ROW)
      applicationId = sqlite3_column_int(s, 0);
    sqlite3_finalize(s);
    s = nullptr;
    if (sqlite3_prepare_v2(mDb, "SELECT count(*) FROM sqlite_master", -1, &s, nullptr) == SQLITE_OK &&
        sqlite3_step(s) == SQLITE_ROW)
      tableCount = sqlite3_column_int(s, 0);
    sqlite3_finalize(s);
  }
  if (applicationId != kApplicationId && !(applicationId == 0 && tableCount == 0)) {
    reason = "not a preference database";
    CloseDb();
    return OpenResult::kDamaged;
  }
  // Creating the tables needs the write lock; failing to get it says nothing about the file.
  mWriteError = 0;
  if (!Begin() || (tableCount == 0 && !Exec(kSchema))) {
    reason = sqlite3_errmsg(mDb);
    CloseDb();
    return OpenResult::kUnavailable;
  }
  for (const char* sql : kAllStatements) {
    if (!Statement(sql)) {
      const int code = sqlite3_errcode(mDb);
      const bool locked = code == SQLITE_BUSY || code == SQLITE_LOCKED;
      reason = locked ? sqlite3_errmsg(mDb) : "its tables do not match";
      CloseDb();
      return locked ? OpenResult::kUnavailable : OpenResult::kDamaged;
    }
  }
  return OpenResult::kOk;
}

bool TPrefsStore::SetAside(const std::string& linuxPath, std::string& keptAs) {
  std::error_code ec;
  for (int n = 1; n < 1000; ++n) {
    const std::string candidate = linuxPath + ".damaged" + (n > 1 ? std::to_string(n) : std::string());
    if (std::filesystem::exists(candidate, ec) || std::filesystem::exists(candidate + "-journal", ec)) continue;
    std::filesystem::rename(linuxPath, candidate, ec);
    if (ec) return false;
    // A journal left beside a damaged file belongs with it.
    if (std::filesystem::exists(linuxPath + "-journal", ec))
      std::filesystem::rename(linuxPath + "-journal", candidate + "-journal", ec);
    keptAs = candidate;
    return true;
  }
  return false;
}

bool TPrefsStore::Open(const TString& path) {
  Close();
  mTargetPath.clear();
  mDamagedNotice.clear();
  mUnsavedNotice = mUnsavedNoticeTaken = false;
  mCreatedFile = false;
  std::string linuxPath = path.IsEmpty() ? std::string() : os::ToLinuxPath(path.CStr());
  if (linuxPath.empty()) {
    LogPrintf("Preference database: no file name; values are kept for this run only");
  } else {
    std::error_code ec;
    const bool existed = std::filesystem::exists(linuxPath, ec);
    std::string reason;
    OpenResult result;
    // An empty file holds no players, yet one was made and written by this store: something cut it.
    if (existed && std::filesystem::is_regular_file(linuxPath, ec) && std::filesystem::file_size(linuxPath, ec) == 0) {
      result = OpenResult::kDamaged;
      reason = "the file is empty";
    } else {
      result = OpenFile(linuxPath, reason);
    }
    bool mayWrite = true;
    if (result == OpenResult::kDamaged) {
      std::string keptAs;
      if (SetAside(linuxPath, keptAs)) {
        LogPrintf("Preference database %s is damaged or not ours (%s): kept it as %s and started a new one",
                  linuxPath.c_str(), reason.c_str(), keptAs.c_str());
        mDamagedNotice = keptAs;
        result = OpenFile(linuxPath, reason);
      } else {
        LogPrintf("Preference database %s is damaged or not ours (%s) and cannot be set aside; it is left "
                  "untouched and values are kept for this run only",
                  linuxPath.c_str(), reason.c_str());
        mDamagedNotice = linuxPath;
        mayWrite = false;
        result = OpenResult::kUnavailable;
      }
    }
    mCreatedFile = !existed && std::filesystem::exists(linuxPath, ec);
    if (result == OpenResult::kOk) {
      mFilePath = linuxPath;
      if (!SelectInstall() && !HoldAfterWriteFailure()) {
        LogPrintf("Preference database %s cannot be written; values are kept for this run only", linuxPath.c_str());
        mFilePath.clear();
        CloseDb();
      }
    } else if (result == OpenResult::kUnavailable && mayWrite && mWriteError != 0) {
      // The folder or the disk takes no writes: read what the file holds and write it back later.
      mTargetPath = linuxPath;
      HoldInMemory(existed ? linuxPath : std::string(), reason.c_str());
    } else if (result == OpenResult::kUnavailable && mayWrite) {
      LogPrintf("Preference database %s cannot be opened (%s); values are kept for this run only",
                linuxPath.c_str(), reason.c_str());
    }
    // A file this open made but could not write stays no empty file, which the next start would
    // take for a damaged one.
    if (mCreatedFile && mHeld && std::filesystem::file_size(linuxPath, ec) == 0) std::filesystem::remove(linuxPath, ec);
  }
  if (!mDb) {
    std::string reason;
    mFilePath.clear();
    mHeld = false;
    if (OpenFile(":memory:", reason) != OpenResult::kOk || !SelectInstall()) {
      LogPrintf("Preference database: no storage at all (%s)", reason.c_str());
      CloseDb();
      return false;
    }
  }
  return !mHeld && !mFilePath.empty();
}

bool TPrefsStore::OpenMemory(const std::string& copyFrom) {
  CloseDb();
  if (sqlite3_open_v2(":memory:", &mDb, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
    CloseDb();
    return false;
  }
  sqlite3_extended_result_codes(mDb, 0);
  bool copied = copyFrom.empty();
  if (!copied) {
    sqlite3* source = nullptr;
    if (sqlite3_open_v2(copyFrom.c_str(), &source, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
      sqlite3_busy_timeout(source, 2000);
      if (sqlite3_backup* backup = sqlite3_backup_init(mDb, "main", source, "main")) {
        const int step = sqlite3_backup_step(backup, -1);
        copied = sqlite3_backup_finish(backup) == SQLITE_OK && step == SQLITE_DONE;
      }
      if (!copied) LogPrintf("Preference database %s cannot be read: %s", copyFrom.c_str(), sqlite3_errmsg(source));
    }
    sqlite3_close(source);
  }
  int tableCount = 0;
  sqlite3_stmt* count = nullptr;
  if (sqlite3_prepare_v2(mDb, "SELECT count(*) FROM sqlite_master", -1, &count, nullptr) == SQLITE_OK &&
      sqlite3_step(count) == SQLITE_ROW)
    tableCount = sqlite3_column_int(count, 0);
  sqlite3_finalize(count);
  bool ready = Begin() && (tableCount > 0 || Exec(kSchema));
  for (const char* sql : kAllStatements) ready = ready && Statement(sql) != nullptr;
  if (!ready) CloseDb();
  return ready && copied;
}

void TPrefsStore::HoldInMemory(std::string copyFrom, const char* why) {
  mFilePath.clear();
  mHeld = true;
  mHeldWriteLogged = false;
  if (!OpenMemory(copyFrom)) {
    // What the file holds could not be read: it must never be written over with less.
    if (!mTargetPath.empty())
      LogPrintf("Preference database %s: values are kept for this run only", mTargetPath.c_str());
    mTargetPath.clear();
    if (!mDb && !OpenMemory(std::string())) return;
  }
  if (!SelectInstall()) {
    CloseDb();
    return;
  }
  if (!mTargetPath.empty()) {
    mUnsavedNotice = true;
    LogPrintf("Preference database %s cannot be written (%s): what it holds is read, changes are kept in "
              "memory and written to it as soon as it can take them",
              mTargetPath.c_str(), why ? why : "?");
  }
}

bool TPrefsStore::HoldAfterWriteFailure() {
  if (mHeld || !mDb || mFilePath.empty() || mWriteError == 0) return false;
  const std::string reason = sqlite3_errstr(mWriteError);
  const std::vector<Change> changes = std::move(mChanges);
  mChanges.clear();
  if (!sqlite3_get_autocommit(mDb)) Exec("ROLLBACK");
  mTargetPath = mFilePath;
  HoldInMemory(mFilePath, reason.c_str());
  if (!mDb) return false;
  // The file kept its last commit; the changes since are made again on the copy.
  for (const Change& change : changes) {
    if (Apply(change)) mChanges.push_back(change);
    else LogPrintf("Preference database: a change to \"%s\" is lost", change.key.CStr());
  }
  return true;
}

bool TPrefsStore::TryWriteHeld() {
  if (!mHeld || mTargetPath.empty() || !mDb) return false;
  std::error_code ec;
  const bool existed = std::filesystem::exists(mTargetPath, ec);
  sqlite3* file = nullptr;
  int rc = sqlite3_open_v2(mTargetPath.c_str(), &file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  if (rc == SQLITE_OK) {
    sqlite3_busy_timeout(file, 2000);
    // One transaction on the file: a failure or a kill midway leaves what it held before.
    sqlite3_backup* backup = sqlite3_backup_init(file, "main", mDb, "main");
    if (backup) {
      const int step = sqlite3_backup_step(backup, -1);
      rc = sqlite3_backup_finish(backup);
      if (rc == SQLITE_OK && step != SQLITE_DONE) rc = step;  // busy or locked: not written
    } else {
      rc = sqlite3_errcode(file);
    }
  }
  const std::string reason = rc == SQLITE_OK ? std::string() : sqlite3_errstr(rc);
  sqlite3_close(file);
  if (rc != SQLITE_OK) {
    // No empty file left behind: the next start would take it for a damaged one.
    if (!existed && std::filesystem::file_size(mTargetPath, ec) == 0) std::filesystem::remove(mTargetPath, ec);
    if (!mHeldWriteLogged)
      LogPrintf("Preference database %s still cannot be written (%s); changes stay in memory", mTargetPath.c_str(),
                reason.c_str());
    mHeldWriteLogged = true;
    return false;
  }
  // The file holds everything now: work on it again.
  const std::string path = mTargetPath;
  std::string why;
  CloseDb();
  mHeld = false;
  if (OpenFile(path, why) == OpenResult::kOk) {
    mFilePath = path;
    if (SelectInstall()) {
      LogPrintf("Preference database %s is written again", path.c_str());
      return true;
    }
  }
  HoldInMemory(path, why.c_str());
  return true;
}

bool TPrefsStore::TakeDamagedNotice(std::string& keptAs) {
  if (mDamagedNotice.empty()) return false;
  keptAs = mDamagedNotice;
  mDamagedNotice.clear();
  return true;
}

bool TPrefsStore::TakeUnsavedNotice(std::string& path) {
  if (!mUnsavedNotice || mUnsavedNoticeTaken) return false;
  mUnsavedNoticeTaken = true;
  path = mTargetPath;
  return true;
}

bool TPrefsStore::SelectInstall() {
  mInstallKey = GetInstallKey();
  {
    sqlite3_stmt* s = Statement(kSetMeta);
    StatementUse use(s);
    BindText(s, 1, "lastkey");
    sqlite3_bind_blob(s, 2, mInstallKey.CStr(), mInstallKey.Length() + 1, SQLITE_TRANSIENT);
    if (sqlite3_step(s) != SQLITE_DONE) {
      LogSqlError("storing lastkey");
      return false;
    }
  }
  mInstallId = 0;
  {
    sqlite3_stmt* s = Statement(kFindInstall);
    StatementUse use(s);
    BindText(s, 1, mInstallKey);
    if (sqlite3_step(s) == SQLITE_ROW) mInstallId = sqlite3_column_int64(s, 0);
  }
  if (mInstallId == 0) {
    sqlite3_stmt* s = Statement(kAddInstall);
    StatementUse use(s);
    BindText(s, 1, mInstallKey);
    if (sqlite3_step(s) != SQLITE_DONE) {
      LogSqlError("adding the installation");
      return false;
    }
    mInstallId = sqlite3_last_insert_rowid(mDb);
    Commit();
  }
  LoadUsers();
  return true;
}

void TPrefsStore::LoadUsers() {
  mUsers.clear();
  sqlite3_stmt* s = Statement(kListUsers);
  StatementUse use(s);
  sqlite3_bind_int64(s, 1, mInstallId);
  while (sqlite3_step(s) == SQLITE_ROW) mUsers.push_back(sqlite3_column_int64(s, 0));
}

TString TPrefsStore::GetInstallKey() {
  if (TFile* file = FileOpen("install.txt", kFileReadText)) {
    const long size = file->GetSize();
    std::vector<char> bytes(size_t(size > 0 ? size : 0) + 1, 0);
    const long got = size > 0 ? file->Read(bytes.data(), size) : 0;
    FileClose(file);
    TString text(bytes.data(), got > 0 ? got : 0);
    if (size > 0) return mCipher->EncryptString(text.ToLower());
    // An empty "install.txt" keeps whatever installation ran last.
    if (mDb) {
      sqlite3_stmt* s = Statement(kGetMeta);
      StatementUse use(s);
      BindText(s, 1, "lastkey");
      if (s && sqlite3_step(s) == SQLITE_ROW) {
        const int n = sqlite3_column_bytes(s, 0);
        const char* blob = static_cast<const char*>(sqlite3_column_blob(s, 0));
        TString last(blob, n);
        if (!last.IsEmpty()) return last;
      }
    }
    return "unknown";
  }
  TString key = GetConfig("installkey");
  key.ToLower();
  if (key.IsEmpty()) key = "unknown";
  return mCipher->EncryptString(key);
}

bool TPrefsStore::Commit() {
  if (!mDb || !mAutocommit) return false;
  mWriteError = 0;
  if (!Exec("COMMIT")) {
    // A file that stopped taking writes: the group goes on in memory, to be written later.
    if (HoldAfterWriteFailure()) return Commit();
    // A commit that did not reach the file for another reason (a lock held too long) drops the
    // pending writes: a later commit must not carry half of them, and what is read stays what the
    // file holds.
    LogPrintf("Preference database: the changes since the last commit are dropped");
    Rollback();
    return false;
  }
  mChanges.clear();
  if (!Begin()) return false;
  return mHeld ? TryWriteHeld() : true;
}

void TPrefsStore::Rollback() {
  if (!mDb) return;
  if (!sqlite3_get_autocommit(mDb)) Exec("ROLLBACK");
  mChanges.clear();
  Begin();
  LoadUsers();
}

void TPrefsStore::Close() {
  if (!mDb) return;
  if (!sqlite3_get_autocommit(mDb)) {
    if (mAutocommit) Commit();
    else Exec("ROLLBACK");
  }
  if (IsHoldingChanges())
    LogPrintf("Preference database %s could not be written; the changes of this run since it last was are lost",
              mTargetPath.c_str());
  CloseDb();
  std::error_code ec;
  if (mCreatedFile && !mTargetPath.empty() && std::filesystem::file_size(mTargetPath, ec) == 0)
    std::filesystem::remove(mTargetPath, ec);
  if (mCreatedFile && !mFilePath.empty() && std::filesystem::file_size(mFilePath, ec) == 0)
    std::filesystem::remove(mFilePath, ec);
  mUsers.clear();
  mInstallId = 0;
  mHeld = false;
  mChanges.clear();
}

bool TPrefsStore::EnsureUser(int index) {
  if (index < 0 || !mDb) return false;
  while (int(mUsers.size()) <= index) {
    sqlite3_stmt* s = Statement(kAddUser);
    StatementUse use(s);
    sqlite3_bind_int64(s, 1, mInstallId);
    sqlite3_bind_int64(s, 2, int64_t(mUsers.size()));
    if (sqlite3_step(s) != SQLITE_DONE) {
      LogSqlError("adding a player");
      return false;
    }
    mUsers.push_back(sqlite3_last_insert_rowid(mDb));
  }
  return true;
}

bool TPrefsStore::SetValue(int player, const TString& key, const void* bytes, int length) {
  if (!mDb) return false;
  if (player < -1) {
    LogPrintf("Preference database: player index %d refused for \"%s\"", player, key.CStr());
    return false;
  }
  Change change;
  change.player = player;
  change.key = key;
  if (length > 0) change.bytes.assign(static_cast<const uint8_t*>(bytes), static_cast<const uint8_t*>(bytes) + length);
  if (!Apply(change) && !(HoldAfterWriteFailure() && Apply(change))) return false;
  mChanges.push_back(std::move(change));
  return true;
}

bool TPrefsStore::Apply(const Change& change) {
  mWriteError = 0;
  return change.remove ? DeleteUserNow(change.player) : SetValueNow(change.player, change.key, change.bytes);
}

bool TPrefsStore::SetValueNow(int player, const TString& key, const std::vector<uint8_t>& bytes) {
  if (player >= 0 && !EnsureUser(player)) return false;
  const int length = int(bytes.size());
  std::vector<uint8_t> cipher(bytes.size() + 8);
  if (mCipher->Encrypt(bytes.empty() ? nullptr : bytes.data(), length, cipher.data(), int(cipher.size()), false) != 0)
    return false;
  const int cipherLength = mCipher->GetLastLength();
  sqlite3_stmt* s = Statement(player < 0 ? kSetGlobal : kSetUser);
  StatementUse use(s);
  sqlite3_bind_int64(s, 1, player < 0 ? mInstallId : mUsers[size_t(player)]);
  BindText(s, 2, key);
  sqlite3_bind_blob(s, 3, cipher.data(), cipherLength, SQLITE_TRANSIENT);
  if (sqlite3_step(s) != SQLITE_DONE) {
    LogSqlError("storing a value");
    return false;
  }
  return true;
}

TPrefsValueState TPrefsStore::GetValue(int player, const TString& key, std::vector<uint8_t>& out) {
  out.clear();
  if (!mDb || player < -1 || player >= int(mUsers.size())) return TPrefsValueState::kAbsent;
  sqlite3_stmt* s = Statement(player < 0 ? kGetGlobal : kGetUser);
  StatementUse use(s);
  sqlite3_bind_int64(s, 1, player < 0 ? mInstallId : mUsers[size_t(player)]);
  BindText(s, 2, key);
  if (sqlite3_step(s) != SQLITE_ROW) return TPrefsValueState::kAbsent;
  const int n = sqlite3_column_bytes(s, 0);
  const void* blob = sqlite3_column_blob(s, 0);
  out.resize(size_t(n));
  if (mCipher->Decrypt(blob, n, out.data(), n, false) != 0) {
    out.clear();
    return TPrefsValueState::kUndecipherable;
  }
  out.resize(size_t(mCipher->GetLastLength()));
  return TPrefsValueState::kPresent;
}

int TPrefsStore::DeleteUser(int index) {
  if (!mDb || index < 0 || index >= int(mUsers.size())) return int(mUsers.size());
  Change change;
  change.remove = true;
  change.player = index;
  if (!Apply(change) && !(HoldAfterWriteFailure() && Apply(change))) return int(mUsers.size());
  mChanges.push_back(change);
  Commit();
  return int(mUsers.size());
}

bool TPrefsStore::DeleteUserNow(int index) {
  if (index < 0 || index >= int(mUsers.size())) return false;
  const int64_t id = mUsers[size_t(index)];
  // The three statements succeed or fail together.
  bool ok = Exec("SAVEPOINT deleteuser");
  for (const char* sql : {kDropUserValues, kDropUser, kShiftUsers}) {
    if (!ok) break;
    sqlite3_stmt* s = Statement(sql);
    StatementUse use(s);
    if (sql == kShiftUsers) {
      sqlite3_bind_int64(s, 1, mInstallId);
      sqlite3_bind_int64(s, 2, index);
    } else {
      sqlite3_bind_int64(s, 1, id);
    }
    ok = sqlite3_step(s) == SQLITE_DONE;
    if (!ok) LogSqlError("removing a player");
  }
  if (!ok) {
    const int writeError = mWriteError;
    Exec("ROLLBACK TO deleteuser");
    Exec("RELEASE deleteuser");
    mWriteError = writeError;
    return false;
  }
  Exec("RELEASE deleteuser");
  mUsers.erase(mUsers.begin() + index);
  return true;
}
