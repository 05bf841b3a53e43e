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

void TPrefsDB::Write(const TString& key, const void* bytes, int length, int player, bool commit) {
  if (mStore->SetValue(player, key, bytes, length) && commit && mAutocommit) mStore->Commit();
}

TString TPrefsDB::GetString(const TString& key, const TString& defaultValue, int player,
                            TPrefsValueState* state) {
  std::vector<uint8_t> bytes;
  const TPrefsValueState found = mStore->GetValue(player, key, bytes);
  if (state) *state = found;
  if (found == TPrefsValueState::kAbsent) return defaultValue;
  // The text ends at its first NUL.
  return TString(reinterpret_cast<const char*>(bytes.data()), ptrdiff_t(bytes.size())).CStr();
}

void TPrefsDB::SetString(const TString& key, const TString& value, int player, bool commit) {
  Write(key, value.CStr(), value.Length(), player, commit);
}

int TPrefsDB::GetInt(const TString& key, int defaultValue, int player, TPrefsValueState* state) {
  return std::atoi(GetString(key, TString::Format("%d", defaultValue), player, state).CStr());
}

void TPrefsDB::SetInt(const TString& key, int value, int player, bool commit) {
  SetString(key, TString::Format("%d", value), player, commit);
}

int TPrefsDB::GetBinary(const TString& key, void* buffer, int capacity, int player, TPrefsValueState* state) {
  std::vector<uint8_t> bytes;
  const TPrefsValueState found = mStore->GetValue(player, key, bytes);
  if (state) *state = found;
  if (found == TPrefsValueState::kAbsent) return -1;
  const int length = int(bytes.size());
  if (length > 0 && (!buffer || capacity < length)) return length;
  if (length > 0) std::memcpy(buffer, bytes.data(), bytes.size());
  return 0;
}

void TPrefsDB::SetBinary(const TString& key, const void* bytes, int length, int player, bool commit) {
  if (length < 0 || (length > 0 && !bytes)) {
    LogPrintf("Preference database: bad binary value for \"%s\"", key.CStr());
    return;
  }
  Write(key, bytes, length, player, commit);
}

int TPrefsDB::GetUserCount() const { return mStore->GetUserCount(); }

int TPrefsDB::DeleteUser(int index) { return mStore->DeleteUser(index); }

void TPrefsDB::Commit() {
  if (mAutocommit) mStore->Commit();
}
