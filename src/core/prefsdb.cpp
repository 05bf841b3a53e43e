// TPrefsDB: enciphering front of the preference store; keyed once from "encryptionkey".
#include "core/prefsdb.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/config.h"
#include "core/file.h"
#include "core/log.h"

TPrefsDB::TPrefsDB(bool autocommit) { Open(autocommit, ResolvePath("user:prefsdb.dat", false)); }

TPrefsDB::TPrefsDB(bool autocommit, const TString& path) { Open(autocommit, path); }

TPrefsDB::~TPrefsDB() { mStore.reset(); }

void TPrefsDB::Open(bool autocommit, const TString& path) {
  mAutocommit = autocommit;
  mKeyText = GetConfig("encryptionkey");
  if (mKeyText.IsEmpty()) LogPrintf("ERROR: No encryption key set before TPrefsDB construction!");
  mCipher.SetKey(mKeyText);
  mStore = std::make_unique<TPrefsStore>(&mCipher, autocommit);
  mStore->Open(path);
}

bool TPrefsDB::Write(const TString& key, const void* bytes, int length, int player, bool commit) {
  const bool written = mStore->SetValue(player, key, bytes, length);
  if (!written) mWriteFailed = true;
  if (commit && mAutocommit) return Commit() && written;
  return written;
}

TString TPrefsDB::GetString(const TString& key, const TString& defaultValue, int player,
                            TPrefsValueState* state) {
  std::vector<uint8_t> bytes;
  const TPrefsValueState found = mStore->GetValue(player, key, bytes);
  if (state) *state = found;
  // A value that does not decipher is no value: reading it as "" or 0 would, for one, make a
  // damaged "curuser" select the first profile.
  if (found != TPrefsValueState::kPresent) return defaultValue;
  // The text ends at its first NUL.
  return TString(reinterpret_cast<const char*>(bytes.data()), ptrdiff_t(bytes.size())).CStr();
}

bool TPrefsDB::SetString(const TString& key, const TString& value, int player, bool commit) {
  return Write(key, value.CStr(), value.Length(), player, commit);
}

int TPrefsDB::GetInt(const TString& key, int defaultValue, int player, TPrefsValueState* state) {
  return std::atoi(GetString(key, TString::Format("%d", defaultValue), player, state).CStr());
}

bool TPrefsDB::SetInt(const TString& key, int value, int player, bool commit) {
  return SetString(key, TString::Format("%d", value), player, commit);
}

int TPrefsDB::GetBinary(const TString& key, void* buffer, int capacity, int player, TPrefsValueState* state) {
  std::vector<uint8_t> bytes;
  const TPrefsValueState found = mStore->GetValue(player, key, bytes);
  if (state) *state = found;
  if (found != TPrefsValueState::kPresent) return -1;
  const int length = int(bytes.size());
  if (length > 0 && (!buffer || capacity < length)) return length;
  if (length > 0) std::memcpy(buffer, bytes.data(), bytes.size());
  return 0;
}

bool TPrefsDB::SetBinary(const TString& key, const void* bytes, int length, int player, bool commit) {
  if (length < 0 || (length > 0 && !bytes)) {
    LogPrintf("Preference database: bad binary value for \"%s\"", key.CStr());
    return false;
  }
  return Write(key, bytes, length, player, commit);
}

int TPrefsDB::GetUserCount() const { return mStore->GetUserCount(); }

int TPrefsDB::DeleteUser(int index) {
  // Removing a player commits: a group of writes with a failed one among them must not go along.
  if (mWriteFailed) Discard();
  return mStore->DeleteUser(index);
}

bool TPrefsDB::Commit() {
  if (!mAutocommit) return true;
  if (mWriteFailed) {
    // Committing the writes that did succeed would leave a group half written.
    LogPrintf("Preference database: a write failed; the changes since the last commit are dropped");
    Discard();
    return false;
  }
  return mStore->Commit();
}

void TPrefsDB::Discard() {
  mStore->Rollback();
  mWriteFailed = false;
}
