// The process-wide configuration store: string values under string keys, ordered like every
// TString-keyed map. The game's entry, the framework's start-up, the settings file and the command
// line's "options=" pairs write it in that order; every subsystem reads keys with a default.
// Reads are safe from any thread; writes belong to the main thread.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>

#include "core/string.h"

// Stores the value (replacing an earlier one), sets the legacy line-wrap flag for the key
// "legacylinewrap", then tells the registered change hook (the platform's reaction) when there is one.
void SetConfig(const TString& key, const TString& value);
// The stored value when the key is present (also when it is empty), else the default.
TString GetConfig(const TString& key, const TString& defaultValue = TString());
// True when atoi of the stored value is non-zero: "12abc" and "-1" are on, "abc", "" and an absent
// key are off.
bool GetSettingFlag(const TString& key);
// GetSettingFlag for a key read on every draw: it is looked up again only after the store changed
// (a lookup compares keys by collation under the store's lock). Safe from any thread.
class TSettingFlag {
 public:
  explicit TSettingFlag(const char* key) : mKey(key) {}
  bool Get();

 private:
  const char* mKey;
  std::atomic<uint64_t> mSeen{0};  // the store's generation when read, shifted left, and the value
};
// Set once any value is written under "legacylinewrap"; nothing clears it.
bool GetLegacyLineWrap();
// Empties the store (at the end of the platform's life).
void ClearConfig();

// The platform's reaction to a write. The platform registers it while it exists and clears it
// (with an empty function) when it goes; writes made before that have no immediate effect.
using ConfigChangedHook = std::function<void(const TString& key, const TString& value)>;
void SetConfigChangedHook(ConfigChangedHook hook);

// Reads the pairs after the first "options=" of the command line: key "=" value, joined by "&";
// a value without a later "&" ends at the first blank. Parsing stops at a blank where a key should
// begin or at text without "=". Each pair goes through SetConfig.
void ApplyCommandLineOptions(const char* commandLine);
