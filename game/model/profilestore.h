// Where the model finds the current player's profile: the preference database that holds the
// profiles and the index of the one being played. The shell's settings keeper serves it; the model
// only asks, so it never reaches up into the shell.
#pragma once

class TPrefsDB;

class IProfileStore {
 public:
  virtual ~IProfileStore() = default;
  // The preference database holding the profiles, or null.
  virtual TPrefsDB* GetProfileDB() = 0;
  // The current profile's index, -1 when none.
  virtual int GetCurrentProfile() = 0;
};

// The store the model uses (not owned); null when none is set.
IProfileStore* GetProfileStore();
void SetProfileStore(IProfileStore* store);
