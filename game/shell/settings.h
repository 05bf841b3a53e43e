// The settings and profile keeper, as far as the game's model reaches it so far: the preference
// database and the index of the current profile. Profiles, saving and the script functions come
// with the game shell.
#pragma once

class TPrefsDB;

class TSettings {
 public:
  static TSettings* CreateInstance();
  static TSettings* GetInstance();
  static void DestroyInstance();

  // The preference database (not owned), or null.
  TPrefsDB* GetPrefsDB() const { return mPrefs; }
  void SetPrefsDB(TPrefsDB* prefs) { mPrefs = prefs; }
  // The current profile's index, -1 when none.
  int GetCurrentUser() const { return mCurrentUser; }
  void SetCurrentUserIndex(int user) { mCurrentUser = user; }

 private:
  TPrefsDB* mPrefs = nullptr;
  int mCurrentUser = -1;
};
