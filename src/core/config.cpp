// Configuration store, the legacy line-wrap flag and the "options=" reader.
// The map holds private copies of keys and values and is only touched under its lock, so threads
// that read flags (the pointer-polling thread reads "verbosedebug") never race with the main thread.
#include "core/config.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "core/collation.h"
#include "core/commandline.h"
#include "core/stringkeymap.h"

namespace {

struct ConfigStore {
  std::mutex lock;
  StringKeyMap<TString> values;
  ConfigChangedHook hook;
};

// The store, with the collation handler settled first: the handler's first lookup may read the
// configuration itself, which must not happen while a key comparison holds the store's lock.
ConfigStore& Store() {
  static ConfigStore* store = new ConfigStore;  // outlives every static that may still read it
  GetCollateHandler();
  return *store;
}

std::atomic<bool> gLegacyLineWrap{false};
// Bumped by every write, under the store's lock; starts at 1 so that a flag never read sees a change.
std::atomic<uint64_t> gGeneration{1};

// A copy with its own buffer: the reference count of a shared buffer is not thread-safe.
TString PrivateCopy(const TString& s) { return TString(s.CStr()); }

}  // namespace

void SetConfig(const TString& key, const TString& value) {
  ConfigStore& s = Store();
  ConfigChangedHook hook;
  {
    std::lock_guard<std::mutex> guard(s.lock);
    s.values.insert_or_assign(PrivateCopy(key), PrivateCopy(value));
    gGeneration.fetch_add(1);
    hook = s.hook;
  }
  if (key == "legacylinewrap") gLegacyLineWrap = true;
  if (hook) hook(key, value);  // outside the lock: the reaction may read or write keys itself
}

TString GetConfig(const TString& key, const TString& defaultValue) {
  ConfigStore& s = Store();
  std::lock_guard<std::mutex> guard(s.lock);
  auto it = s.values.find(key);
  return it == s.values.end() ? defaultValue : PrivateCopy(it->second);
}

bool GetSettingFlag(const TString& key) {
  ConfigStore& s = Store();
  std::lock_guard<std::mutex> guard(s.lock);
  auto it = s.values.find(key);
  return it != s.values.end() && std::atoi(it->second.CStr()) != 0;
}

bool TSettingFlag::Get() {
  uint64_t seen = mSeen.load(std::memory_order_acquire);
  uint64_t generation = gGeneration.load(std::memory_order_acquire);
  if (seen >> 1 == generation) return seen & 1;
  // The generation is read before the value, so a write in between only costs another lookup.
  bool value = GetSettingFlag(mKey);
  mSeen.store(generation << 1 | (value ? 1 : 0), std::memory_order_release);
  return value;
}

bool GetLegacyLineWrap() { return gLegacyLineWrap; }

void ClearConfig() {
  ConfigStore& s = Store();
  std::lock_guard<std::mutex> guard(s.lock);
  s.values.clear();
  gGeneration.fetch_add(1);
}

void SetConfigChangedHook(ConfigChangedHook hook) {
  ConfigStore& s = Store();
  std::lock_guard<std::mutex> guard(s.lock);
  s.hook = std::move(hook);
}

void ApplyCommandLineOptions(const char* commandLine) {
  if (!commandLine) return;
  const char* rest = std::strstr(commandLine, kSwitchOptions);
  if (!rest) return;
  rest += std::strlen(kSwitchOptions);
  while (*rest && *rest != ' ') {
    const char* eq = std::strchr(rest, '=');
    if (!eq) break;
    TString key(rest, eq - rest);
    const char* value = eq + 1;
    const char* end = std::strchr(value, '&');
    if (!end) end = std::strchr(value, ' ');
    if (end) {
      rest = end + 1;
    } else {
      end = value + std::strlen(value);
      rest = end;
    }
    SetConfig(key, TString(value, end - value));
  }
}
