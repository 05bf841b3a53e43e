// TVxHiscores: the player's high-score tables (one per game mode) and earned medals, kept in the
// enciphered file "user:hiscore.dat", and the optional local score server module
// "vxservlet_stub.dll". The settings keeper logs scores through it; the high-score window reads
// the current mode's table.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/string.h"
#include "os/win32types.h"

class TDataCipher;

// The remote score server's client. Nothing sends requests through it here (there is no network):
// it holds its four texts and closes a connection if one were open.
class TSimpleHttp {
 public:
  TSimpleHttp() = default;
  ~TSimpleHttp() { Close(); }
  TSimpleHttp(const TSimpleHttp&) = delete;
  TSimpleHttp& operator=(const TSimpleHttp&) = delete;
  bool IsConnected() const { return mConnected; }

 private:
  void Close() { mConnected = false; }
  TString mHost, mPath, mUser, mPassword;
  bool mConnected = false;
};

// The 32-bit XOR of the bytes, byte i going into byte position (i & 3), little-endian.
uint32_t HiscoreChecksum(const void* bytes, size_t length);

// Exports of the local score server module.
using THiscoreServerCreate = void* (*)();
using THiscoreServerSetInfo = int (*)(void* server, const char* gameHandle, const char* identity,
                                      const char** modes, int modeCount, const char** medals, int medalCount);
using THiscoreServerLoadDef = int (*)(void* server);
using THiscoreServerFree = void (*)(void* server);

class TVxHiscores {
 public:
  static constexpr int kMaxRows = 500;
  static constexpr const char* kScoreFile = "user:hiscore.dat";

  struct TScoreRow {
    int32_t rank = 0;
    int32_t score = 0;
    TString name, gameData, serverData, version;
    bool entry = false;      // logged here or read from the file
    bool submitted = false;  // handed to a server
    TString guid;
  };
  struct TScoreTable {
    TString name;
    std::vector<TScoreRow> rows;
  };
  struct TMedal {
    TString name, type, mode, gameData;
    bool submitted = false;
  };
  struct TUserRecord {
    TString player, name, pass;
  };

  explicit TVxHiscores(bool saving);
  ~TVxHiscores();
  TVxHiscores(const TVxHiscores&) = delete;
  TVxHiscores& operator=(const TVxHiscores&) = delete;

  // Reads the score file; a missing, short or damaged file leaves everything empty (a damaged one
  // is kept aside at the next save).
  void Load();
  // The same over the bytes of a score file; false when they were not a readable score file (files
  // of 8 bytes or fewer are ignored: false, and not marked damaged).
  bool LoadBytes(const unsigned char* bytes, size_t size);
  // Writes the score file through a temporary file that then replaces it; false when it failed
  // (the old file stays). Nothing happens, and true, when saving is off. After a failure the tables
  // are kept here, unsaved, until a save succeeds.
  bool SaveDocument();
  // True while the tables hold changes the file could not take; SaveUnsaved tries again (true when
  // nothing is left unsaved).
  bool IsHoldingChanges() const { return mUnsaved; }
  bool SaveUnsaved() { return !mUnsaved || SaveDocument(); }
  // Answered true once, after the first failed save: the player is to be told that scores cannot be
  // saved now, and which file.
  bool TakeUnsavedNotice(std::string& path);
  void LogScoreWithData(int32_t score, bool onePerPlayer, const TString& gameData, const TString& serverData);
  void LogScore(int32_t score, bool onePerPlayer, const TString& gameData);
  int32_t GetScoreCount(bool currentMode) const;
  // Fills each output given (a buffer only when its size is not 0: cut to size - 1 and ended).
  bool GetScore(bool currentMode, int32_t index, int32_t* rank, char* name, int32_t nameSize, bool* entry,
                int32_t* score, char* gameData, int32_t gameDataSize) const;
  int32_t NumEarnedMedals() const;
  int32_t NumMedalsToSubmit() const;
  // Type code 0 for the type "game", 1 for any other.
  bool GetMedal(int32_t index, TString* name, int32_t* type, TString* mode, TString* gameData) const;
  // 0 the player (unless locked), 1 the user name, 2 the game mode.
  void SetUserField(int32_t field, const TString& text);
  void LockPlayerName(bool locked) { mNameLocked = locked; }
  // Removes the user's rows from every table (empty tables go, ranks recomputed) and medals; saves.
  void RemoveUserEntries(const TString& user);
  bool CreateLocalServer();
  void FreeLocalServer();
  void Shutdown();

  // Read-only views (tests, the high-score window).
  const std::map<TString, TScoreTable>& GetTables() const { return mTables; }
  const std::vector<TUserRecord>& GetUsers() const { return mUsers; }
  const TString& GetServerAddress() const { return mServerAddress; }
  const TString& GetGameHandle() const { return mGameHandle; }
  const TString& GetLanguage() const { return mLanguage; }
  bool HasLanguage() const { return mHasLanguage; }
  const TString& GetDefaultError() const { return mDefaultError; }
  bool HasLocalServer() const { return mServerModule != nullptr; }
  void* GetServerHandle() const { return mServerHandle; }

 private:
  TString BuildDocument() const;
  bool WriteDocument();
  bool ParseDocument(const char* text);
  void LoadServerSettings();
  void ReadServerFile();
  void KeepDamagedFile();
  const TScoreTable* PickTable(bool currentMode) const;
  static void Rank(std::vector<TScoreRow>& rows);
  static TString NewGuid();

  bool mSaving;
  bool mNameLocked = false;
  bool mDamaged = false;  // the file on disk could not be read: keep it aside before writing
  bool mUnsaved = false;  // the last save failed: the tables here are newer than the file
  bool mUnsavedNotice = false, mUnsavedNoticeTaken = false;
  TString mGameHandle, mVersion, mServerAddress;
  std::unique_ptr<TDataCipher> mCipher;
  std::unique_ptr<TSimpleHttp> mHttp;
  TString mPlayer, mUserName, mUserPass, mGameMode;
  int32_t mModeIndex = -1;
  std::vector<TUserRecord> mUsers;
  std::map<TString, TScoreTable> mTables;
  TScoreTable mOwnTable;
  std::map<TString, std::vector<TMedal>> mMedals;
  TString mLanguage, mDefaultError;
  bool mHasLanguage = false;
  HMODULE mServerModule = nullptr;
  void* mServerHandle = nullptr;
};
