// Owner serials of the member bindings and the report of a call that reached a dead binding.
#include "script/scriptbinding.h"

#include <unordered_set>

#include "core/log.h"

namespace {
// Serials of the owners that still exist (main thread only, like every script call).
std::unordered_set<uint64_t>& LiveOwners() {
  static std::unordered_set<uint64_t> owners;
  return owners;
}
uint64_t gNextSerial = 1;
}  // namespace

namespace scriptbinding {

bool IsOwnerLive(uint64_t serial) { return LiveOwners().count(serial) != 0; }

void ReportDeadCall(lua_State* L) {
  lua_Debug ar;
  const char* name = nullptr;
  if (lua_getstack(L, 0, &ar) && lua_getinfo(L, "n", &ar)) name = ar.name;
  LogPrintf("Script function %s called after its object was destroyed", name ? name : "?");
}

}  // namespace scriptbinding

TScriptBindings::TScriptBindings() : mSerial(gNextSerial++) { LiveOwners().insert(mSerial); }

TScriptBindings::~TScriptBindings() { LiveOwners().erase(mSerial); }

void TScriptBindings::Release() {
  LiveOwners().erase(mSerial);
  mSerial = gNextSerial++;
  LiveOwners().insert(mSerial);
}
