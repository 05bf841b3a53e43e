// TPrefsDB: the players' values of one installation, kept enciphered in "user:prefsdb.dat":
// install-wide values (player -1) and each player profile's own values (player 0 and up). Values
// are texts, integers (as "%d" text) or bytes. Writes reach the file at commit points only.
#pragma once
#include <memory>

#include "core/datacipher.h"
#include "core/prefsstore.h"
#include "core/string.h"

class TPrefsDB {
public:
  // Keys the cipher from the "encryptionkey" setting and opens "user:prefsdb.dat".
  explicit TPrefsDB(bool autocommit);
  // The same on a file of the caller's choosing (a path in the platform's view).
  TPrefsDB(bool autocommit, const TString& path);
  // Closes the file, committing first with autocommit.
  ~TPrefsDB();
  TPrefsDB(const TPrefsDB&) = delete;
  TPrefsDB& operator=(const TPrefsDB&) = delete;

  // The value, or the default when the key is absent or its value does not decipher; `state`
  // (optional) tells the three cases apart.
  TString GetString(const TString& key, const TString& defaultValue, int player = -1,
                    TPrefsValueState* state = nullptr);
  // Stores; commits when `commit` is set and the database runs with autocommit. False when the
  // value was not stored or (when asked for) not committed.
  bool SetString(const TString& key, const TString& value, int player = -1, bool commit = true);
  int GetInt(const TString& key, int defaultValue, int player = -1, TPrefsValueState* state = nullptr);
  bool SetInt(const TString& key, int value, int player = -1, bool commit = true);
  // -1 when the key is absent or does not decipher; 0 when the bytes were copied; otherwise the
  // capacity they need.
  int GetBinary(const TString& key, void* buffer, int capacity, int player = -1,
                TPrefsValueState* state = nullptr);
  bool SetBinary(const TString& key, const void* bytes, int length, int player = -1, bool commit = true);

  int GetUserCount() const;
  // Removes a player (later players move down by one) and commits with autocommit. Answers the
  // player count afterwards; an index outside 0 .. count - 1 changes nothing.
  int DeleteUser(int index);
  int RemoveUser(int index) { return DeleteUser(index); }
  // Writes the pending changes as one commit, only when the database runs with autocommit. False
  // when they did not all reach the file: a write since the last commit failed, or the commit
  // did. The pending changes are then dropped, so the file keeps the previous commit whole.
  bool Commit();
  // Drops the changes since the last commit.
  void Discard();

  TPrefsStore& Store() { return *mStore; }

private:
  void Open(bool autocommit, const TString& path);
  bool Write(const TString& key, const void* bytes, int length, int player, bool commit);

  TDataCipher mCipher;
  TString mKeyText;
  bool mAutocommit = false;
  bool mWriteFailed = false;  // a write since the last commit did not reach the store
  std::unique_ptr<TPrefsStore> mStore;
};
